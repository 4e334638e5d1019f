#include "scenario/testi_incorporati.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "scenario/prova_testi.h"
#include "scenario/scrittura_testi.h"

namespace scenario {
namespace {

using namespace prova_testi;

struct testo {
  std::string (*nome)(const modello&);
  const char* file;
  std::vector<std::string> (*elenco)();
  size_t righe;
  size_t byte;        // 0 where the length is not fixed
  int oltre_ascii;    // -1 where it is not fixed
  size_t riga_spazi;  // the one line that ends with spaces, 0 for none
};

// The five texts with the embedded identifiers "Castrea_Tovena" and "R7302". Only line 5
// of the run (the clock) and line 9 of the card end with spaces; the u-umlaut of line 23
// of the run and line 22 of the card is a single byte.
const testo TESTI[] = {
    {nome_testo_linea, "Castrea_Tovena_linea.txt", elenco_linea, 112, 3582, 0, 0},
    {nome_testo_treno, "Castrea_Tovena_R7302-.txt", elenco_treno, 53, 2510, 1, 5},
    {nome_note, "Castrea_Tovena_R7302_note.txt", elenco_note, 47, 0, -1, 0},
    {nome_rallentamenti, "Castrea_Tovena_R7302_rallentamenti.txt",
     elenco_rallentamenti, 4, 46, 0, 0},
    {nome_scheda, "Castrea_Tovena_R7302_scheda_treno.txt", elenco_scheda, 49, 3733,
     1, 9},
};

TEST(TestiIncorporati, RigheByteESentinella) {
  modello m;
  m.linea = "Castrea_Tovena";
  m.treno = "R7302";
  for (const testo& t : TESTI) {
    SCOPED_TRACE(t.file);
    EXPECT_EQ(t.nome(m), t.file);
    // The writer stops at the first sentinel: one anywhere else would cut the text short.
    const auto elenco = t.elenco();
    ASSERT_EQ(elenco.size(), t.righe + 1);
    EXPECT_EQ(elenco.back(), SENTINELLA);
    EXPECT_EQ(std::count(elenco.begin(), elenco.end(), std::string(SENTINELLA)), 1);

    const std::string scritto = componi_testo(elenco);
    EXPECT_EQ(scritto.find(SENTINELLA), std::string::npos);
    EXPECT_TRUE(t.byte == 0 || scritto.size() == t.byte) << scritto.size();
    const auto oltre_ascii = static_cast<int>(byte_oltre_ascii(scritto));
    EXPECT_TRUE(t.oltre_ascii < 0 || oltre_ascii == t.oltre_ascii) << oltre_ascii;
    const auto righe = righe_di(scritto);
    ASSERT_EQ(righe.size(), t.righe);
    for (size_t n = 1; n <= righe.size(); ++n) {
      EXPECT_EQ(righe[n - 1].ends_with(' '), n == t.riga_spazi) << "riga " << n;
    }
  }
}

TEST(TestiIncorporati, ContenutoDiLineaETreno) {
  const auto linea = righe_scritte(elenco_linea());
  const auto treno = righe_scritte(elenco_treno());
  ASSERT_EQ(linea.size(), 112u);
  ASSERT_EQ(treno.size(), 53u);
  const struct {
    const std::vector<std::string>& righe;
    size_t n;
    const char* attesa;
  } casi[] = {
      {linea, 1, "[generale]"}, {linea, 2, "lunghezza percorso,    39000"},
      // No mountain-side stretches: the next header follows at once.
      {linea, 83, "[montagne]"}, {linea, 84, "[cartelli]"},
      // Empty values stay as commas with spaces between them.
      {linea, 87, "indicatori_vmax,  2200,  80,  85,  85,  0,  ,  ,  ,  0"},
      {linea, 112, "[fine]"},
      {treno, 5, "orologio,    19              4             20 "},
      // The limits at 11200 and 17400 stand between those at 6700 and 18900.
      {treno, 12, "velocita,    6700,    65"}, {treno, 13, "velocita,   11200,    75"},
      {treno, 14, "velocita,   17400,    65"}, {treno, 15, "velocita,   18900,    95"},
      {treno, 32, "[rallentamenti]"}, {treno, 33, "[segnali]"},
      {treno, 37, "segnale,    6800,   2, 3, 1,  0, 0,    0,  0,0,0, 0"},
      {treno, 52, "[codici]"}, {treno, 53, "[fine]"},
  };
  for (const auto& c : casi) EXPECT_EQ(c.righe[c.n - 1], c.attesa) << "riga " << c.n;
  EXPECT_TRUE(treno[22].ends_with("Castrea Sud / Kestl S\xFC" "d")) << treno[22];
}

TEST(TestiIncorporati, FoglioRallentamenti) {
  // Three empty lines (3 x 2 bytes) and 18 + 20 characters with CR LF: 6 + 40 = 46.
  EXPECT_EQ(componi_testo(elenco_rallentamenti()),
            "\r\n\r\n\r\n" + std::string(18, ' ') + "NESSUNA PRESCRIZIONE\r\n");
}

}  // namespace
}  // namespace scenario
