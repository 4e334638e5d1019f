#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scenario/prova_testi.h"
#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"

namespace scenario {
namespace {

using namespace prova_testi;

std::vector<std::string> righe_scheda() { return righe_di(componi_testo(elenco_scheda())); }

// Column positions of the bars of a table line.
std::vector<size_t> sbarre(const std::string& riga) {
  std::vector<size_t> posti;
  for (size_t i = 0; i < riga.size(); ++i) {
    if (riga[i] == '|') posti.push_back(i);
  }
  return posti;
}

TEST(SchedaTreno, ByteERighe) {
  const std::string testo = componi_testo(elenco_scheda());
  // Widths: 82 (line 3) + 3 x 83 (4-6) + 83 (7) + 56 + 64 + 57 + 57 (8-11) + 82 (13)
  // + 35 x 83 (14-48) = 3635, plus 49 x CR LF = 98: 3733.
  EXPECT_EQ(testo.size(), 3733u);
  EXPECT_EQ(testo.find(SENTINELLA), std::string::npos);
  EXPECT_EQ(byte_oltre_ascii(testo), 1u);
  EXPECT_EQ(righe_scheda().size(), 49u);
}

TEST(SchedaTreno, LarghezzeDelleRighe) {
  const auto righe = righe_scheda();
  ASSERT_EQ(righe.size(), 49u);
  for (int n : {1, 2, 12, 49}) EXPECT_EQ(righe[n - 1], "") << "riga " << n;
  EXPECT_EQ(righe[2].size(), 82u);
  EXPECT_EQ(righe[12].size(), 82u);
  EXPECT_EQ(righe[7].size(), 56u);
  EXPECT_EQ(righe[8].size(), 64u);
  EXPECT_EQ(righe[9].size(), 57u);
  EXPECT_EQ(righe[10].size(), 57u);
  for (int n = 4; n <= 7; ++n) EXPECT_EQ(righe[n - 1].size(), 83u) << "riga " << n;
  for (int n = 14; n <= 48; ++n) EXPECT_EQ(righe[n - 1].size(), 83u) << "riga " << n;
}

TEST(SchedaTreno, SoloLaRigaNoveHaSpaziInCoda) {
  const auto righe = righe_scheda();
  ASSERT_EQ(righe.size(), 49u);
  const std::string& nove = righe[8];
  ASSERT_EQ(nove.size(), 64u);
  // 57 characters up to the last bar, then seven spaces.
  EXPECT_EQ(nove.substr(56), "|" + std::string(7, ' '));
  for (size_t i = 0; i < righe.size(); ++i) {
    if (i == 8 || righe[i].empty()) continue;
    EXPECT_NE(righe[i].back(), ' ') << "riga " << i + 1;
  }
}

TEST(SchedaTreno, ColonneDellaTabella) {
  const auto righe = righe_scheda();
  ASSERT_EQ(righe.size(), 49u);
  EXPECT_EQ(righe[12], "  " + std::string(80, '_'));
  // Every table line has its bars where the heading rule has them: one byte a character,
  // so the u-umlaut of line 22 shifts nothing.
  const std::vector<size_t> attese = sbarre(righe[15]);
  ASSERT_EQ(attese.size(), 8u);
  for (int n = 14; n <= 48; ++n) {
    EXPECT_EQ(sbarre(righe[n - 1]), attese) << "riga " << n;
    EXPECT_EQ(righe[n - 1].substr(0, 2), " |") << "riga " << n;
  }
  for (int n = 38; n <= 47; ++n) EXPECT_EQ(righe[n - 1], righe[16]) << "riga " << n;
  EXPECT_EQ(righe[47],
            " |_____|_____|__________|_____|____________________________|________________|_____|");
}

TEST(SchedaTreno, UUmlautDiUnSoloByte) {
  const auto righe = righe_scheda();
  ASSERT_EQ(righe.size(), 49u);
  const std::string luogo = " CASTREA Sud / KESTL S\xFC" "d    |";
  EXPECT_NE(righe[21].find(luogo), std::string::npos);
}

}  // namespace
}  // namespace scenario
