#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scenario/prova_testi.h"
#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"

namespace scenario {
namespace {

using namespace prova_testi;

// Line counts and the sentinel of the notes are checked with the other texts.
TEST(NoteScenario, IntestazioneEScenariPrecedenti) {
  const auto righe = righe_scritte(elenco_note());
  ASSERT_EQ(righe.size(), 47u);
  for (int n : {5, 6, 39, 40, 41, 43}) EXPECT_EQ(righe[n - 1], "") << "riga " << n;
  EXPECT_TRUE(righe[0].starts_with("AUTORE: ") && righe[0].size() > 8) << righe[0];
  EXPECT_TRUE(righe[1].starts_with("INDIRIZZO EMAIL: ")) << righe[1];
  EXPECT_NE(righe[1].find('@', 17), std::string::npos) << righe[1];
  EXPECT_EQ(righe[2], "NUMERO PROGRESSIVO SCENARIO: 5");
  EXPECT_EQ(righe[3], "DATA REALIZZAZIONE SCENARIO: 08.04.2001");
  EXPECT_EQ(righe[41], "SCENARI PRECEDENTEMENTE REALIZZATI:");
  // Lines 44 to 47: line identifier, "_", train identifier; no spaces, not this scenario.
  for (int n = 44; n <= 47; ++n) {
    const std::string& id = righe[n - 1];
    const size_t trattino = id.rfind('_');
    EXPECT_TRUE(trattino != std::string::npos && trattino > 0 && trattino + 1 < id.size()) << id;
    EXPECT_EQ(id.find(' '), std::string::npos) << id;
    EXPECT_NE(id, "Castrea_Tovena_R7302");
  }
}

TEST(NoteScenario, OttoParagrafiDiOsservazioni) {
  // Lines 7 to 38, at most 97 characters, no blank at either end; a paragraph ends with
  // the line that ends with a full stop.
  const auto righe = righe_scritte(elenco_note());
  ASSERT_EQ(righe.size(), 47u);
  std::vector<size_t> righe_per_paragrafo, piu_lunga;
  size_t contate = 0, massimo = 0;
  for (size_t n = 7; n <= 38; ++n) {
    const std::string& r = righe[n - 1];
    ASSERT_FALSE(r.empty()) << "riga " << n;
    EXPECT_LE(r.size(), 97u) << "riga " << n;
    EXPECT_TRUE(r.front() != ' ' && r.back() != ' ') << "riga " << n;
    ++contate;
    massimo = std::max(massimo, r.size());
    if (r.back() != '.') continue;
    righe_per_paragrafo.push_back(contate);
    piu_lunga.push_back(massimo);
    contate = massimo = 0;
  }
  EXPECT_EQ(contate, 0u) << "ultimo paragrafo senza punto finale";
  EXPECT_EQ(righe_per_paragrafo, (std::vector<size_t>{5, 5, 5, 4, 1, 6, 5, 1}));
  EXPECT_EQ(piu_lunga, (std::vector<size_t>{96, 95, 96, 96, 77, 97, 97, 70}));
}

TEST(NoteScenario, SoloLettereAccentateInIso88591) {
  // Outside ASCII only a grave (0xE0), e grave (0xE8) and u grave (0xF9), never the
  // two-byte forms of another encoding.
  const std::string testo = componi_testo(elenco_note());
  for (char c : testo) {
    const auto b = static_cast<unsigned char>(c);
    EXPECT_TRUE(b <= 0x7F || b == 0xE0 || b == 0xE8 || b == 0xF9) << "byte " << int(b);
  }
  EXPECT_GT(byte_oltre_ascii(testo), 0u);
}

}  // namespace
}  // namespace scenario
