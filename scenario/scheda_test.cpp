#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scenario/prova_testi.h"
#include "scenario/testi_incorporati.h"

namespace scenario {
namespace {

using namespace prova_testi;

// Column positions of the bars of a table line.
std::vector<size_t> sbarre(const std::string& riga) {
  std::vector<size_t> posti;
  for (size_t i = 0; i < riga.size(); ++i) {
    if (riga[i] == '|') posti.push_back(i);
  }
  return posti;
}

// Line counts, bytes and trailing spaces of the card are checked with the other texts.
TEST(SchedaTreno, LarghezzeDelleRighe) {
  const auto righe = righe_scritte(elenco_scheda());
  ASSERT_EQ(righe.size(), 49u);
  // Lines 1, 2, 12 and 49 are empty; line 9 ends with seven spaces after its last bar.
  std::vector<size_t> larghezze(49, 83);
  for (size_t n : {1, 2, 12, 49}) larghezze[n - 1] = 0;
  for (auto [n, l] : {std::pair{3, 82}, {13, 82}, {8, 56}, {9, 64}, {10, 57}, {11, 57}}) {
    larghezze[n - 1] = l;
  }
  for (size_t n = 1; n <= 49; ++n) EXPECT_EQ(righe[n - 1].size(), larghezze[n - 1]) << "riga " << n;
  EXPECT_EQ(righe[8].substr(56), "|" + std::string(7, ' '));
}

TEST(SchedaTreno, ColonneDellaTabella) {
  const auto righe = righe_scritte(elenco_scheda());
  ASSERT_EQ(righe.size(), 49u);
  EXPECT_EQ(righe[12], "  " + std::string(80, '_'));
  // Every table line has its bars where the heading rule has them: one byte a character,
  // so the u-umlaut of line 22 shifts nothing.
  const std::vector<size_t> attese = sbarre(righe[15]);
  ASSERT_EQ(attese.size(), 8u);
  for (size_t n = 14; n <= 48; ++n) {
    EXPECT_EQ(sbarre(righe[n - 1]), attese) << "riga " << n;
    EXPECT_TRUE(righe[n - 1].starts_with(" |")) << "riga " << n;
  }
  // The ten empty rows are line 17 again.
  for (size_t n = 38; n <= 47; ++n) EXPECT_EQ(righe[n - 1], righe[16]) << "riga " << n;
  EXPECT_EQ(righe[47],
            " |_____|_____|__________|_____|____________________________|________________|_____|");
  EXPECT_NE(righe[21].find(" CASTREA Sud / KESTL S\xFC" "d    |"), std::string::npos);
}

}  // namespace
}  // namespace scenario
