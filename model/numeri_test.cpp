#include "model/numeri.h"

#include <gtest/gtest.h>

namespace scenario {
namespace {

TEST(Arrotonda, MetaVersoIlPari) {
  // Halves go to the even neighbour, in both directions.
  EXPECT_EQ(arrotonda(2.5), 2);
  EXPECT_EQ(arrotonda(3.5), 4);
  EXPECT_EQ(arrotonda(-0.5), 0);
  EXPECT_EQ(arrotonda(-1.5), -2);
  EXPECT_EQ(arrotonda(-2.5), -2);
  EXPECT_EQ(arrotonda(0.5000001), 1);
  EXPECT_EQ(arrotonda(-2.4999), -2);
}

TEST(Arrotonda, ValoriFuoriScalaSaturano) {
  EXPECT_EQ(arrotonda(1e300), INT64_MAX);
  EXPECT_EQ(arrotonda(-1e300), INT64_MIN);
}

TEST(CellaDi, RegolaGenerale) {
  // 25 / 50 + 1 = 1.5 -> 2; 75 / 50 + 1 = 2.5 -> 2; 125 / 50 + 1 = 3.5 -> 4.
  EXPECT_EQ(cella_di(25), 2);
  EXPECT_EQ(cella_di(75), 2);
  EXPECT_EQ(cella_di(125), 4);
  EXPECT_EQ(cella_di(6800), 137);
  EXPECT_EQ(cella_di(-75), 0);  // -1.5 + 1 = -0.5 -> 0
  EXPECT_EQ(cella_di(-100), -1);
}

TEST(Memorizzazione, BitBassi) {
  EXPECT_EQ(basso16(70000), static_cast<int16_t>(70000 - 65536));
  EXPECT_EQ(basso16(-1), -1);
  EXPECT_EQ(basso16(32768), -32768);
  EXPECT_EQ(basso8(300), 44);
  EXPECT_EQ(basso8(-1), 255);
}

TEST(CellaLibera, SoloVuotaOMontagna) {
  for (int t = 0; t < 20; ++t) {
    cella c;
    c.tipo = static_cast<uint8_t>(t);
    EXPECT_EQ(cella_libera(c), t == 0 || t == 11) << "tipo " << t;
  }
}

}  // namespace
}  // namespace scenario
