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

std::vector<std::string> righe_note() { return righe_di(componi_testo(elenco_note())); }

struct paragrafo {
  size_t righe = 0;
  size_t piu_lunga = 0;
};

// Splits the remarks into paragraphs: a paragraph ends with the line that ends with a
// full stop.
std::vector<paragrafo> paragrafi_di(const std::vector<std::string>& osservazioni) {
  std::vector<paragrafo> paragrafi;
  paragrafo corrente;
  for (const std::string& riga : osservazioni) {
    ++corrente.righe;
    corrente.piu_lunga = std::max(corrente.piu_lunga, riga.size());
    if (!riga.empty() && riga.back() == '.') {
      paragrafi.push_back(corrente);
      corrente = {};
    }
  }
  if (corrente.righe > 0) paragrafi.push_back(corrente);  // a paragraph left unfinished
  return paragrafi;
}

TEST(NoteScenario, IntestazioneERigheVuote) {
  const std::string testo = componi_testo(elenco_note());
  EXPECT_EQ(testo.find(SENTINELLA), std::string::npos);
  const auto righe = righe_di(testo);
  ASSERT_EQ(righe.size(), 47u);
  for (int n : {5, 6, 39, 40, 41, 43}) EXPECT_EQ(righe[n - 1], "") << "riga " << n;
  ASSERT_GT(righe[0].size(), 8u);
  EXPECT_EQ(righe[0].substr(0, 8), "AUTORE: ");
  const std::string email = "INDIRIZZO EMAIL: ";
  ASSERT_GT(righe[1].size(), email.size());
  EXPECT_EQ(righe[1].substr(0, email.size()), email);
  EXPECT_NE(righe[1].find('@', email.size()), std::string::npos);
  EXPECT_EQ(righe[2], "NUMERO PROGRESSIVO SCENARIO: 5");
  EXPECT_EQ(righe[3], "DATA REALIZZAZIONE SCENARIO: 08.04.2001");
  EXPECT_EQ(righe[41], "SCENARI PRECEDENTEMENTE REALIZZATI:");
}

TEST(NoteScenario, OttoParagrafiDiOsservazioni) {
  const auto righe = righe_note();
  ASSERT_EQ(righe.size(), 47u);
  const std::vector<std::string> osservazioni(righe.begin() + 6, righe.begin() + 38);  // 7-38
  for (size_t i = 0; i < osservazioni.size(); ++i) {
    const std::string& r = osservazioni[i];
    ASSERT_FALSE(r.empty()) << "riga " << i + 7;
    EXPECT_LE(r.size(), 97u) << "riga " << i + 7;
    EXPECT_NE(r.front(), ' ') << "riga " << i + 7;
    EXPECT_NE(r.back(), ' ') << "riga " << i + 7;
  }
  const std::vector<paragrafo> paragrafi = paragrafi_di(osservazioni);
  const size_t righe_attese[] = {5, 5, 5, 4, 1, 6, 5, 1};
  const size_t larghezze_attese[] = {96, 95, 96, 96, 77, 97, 97, 70};
  ASSERT_EQ(paragrafi.size(), 8u);
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(paragrafi[i].righe, righe_attese[i]) << "paragrafo " << i + 1;
    EXPECT_EQ(paragrafi[i].piu_lunga, larghezze_attese[i]) << "paragrafo " << i + 1;
  }
}

TEST(NoteScenario, SoloLettereAccentateInIso88591) {
  // Outside ASCII only a grave (0xE0), e grave (0xE8) and u grave (0xF9), never the
  // two-byte forms of another encoding.
  const std::string testo = componi_testo(elenco_note());
  for (char c : testo) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= 0x7F) continue;
    EXPECT_TRUE(b == 0xE0 || b == 0xE8 || b == 0xF9) << "byte " << static_cast<int>(b);
  }
  EXPECT_GT(byte_oltre_ascii(testo), 0u);
}

TEST(NoteScenario, ScenariPrecedenti) {
  const auto righe = righe_note();
  ASSERT_EQ(righe.size(), 47u);
  for (int n = 44; n <= 47; ++n) {
    const std::string& id = righe[n - 1];
    // Line identifier, "_", train identifier: both parts present, no spaces anywhere.
    const size_t trattino = id.rfind('_');
    ASSERT_NE(trattino, std::string::npos) << "riga " << n;
    EXPECT_GT(trattino, 0u) << "riga " << n;
    EXPECT_LT(trattino + 1, id.size()) << "riga " << n;
    EXPECT_EQ(id.find(' '), std::string::npos) << "riga " << n;
    EXPECT_NE(id, "Castrea_Tovena_R7302") << "riga " << n;
  }
}

}  // namespace
}  // namespace scenario
