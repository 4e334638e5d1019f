#include "scenario/testi_incorporati.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "output/sostituzione.h"
#include "scenario/prova_testi.h"
#include "scenario/scrittura_testi.h"
#include "tests/supporto/cartella_temporanea.h"

namespace scenario {
namespace {

using namespace prova_testi;
using prova::cartella_temporanea;

size_t righe_che_iniziano(const std::vector<std::string>& righe, const std::string& parola) {
  return static_cast<size_t>(std::count_if(righe.begin(), righe.end(), [&](const std::string& r) {
    return r.rfind(parola, 0) == 0;
  }));
}

TEST(TestiIncorporati, OgniElencoFinisceConLaSolaSentinella) {
  // The writer stops at the first sentinel: one anywhere else would cut the text short.
  const std::vector<std::vector<std::string>> elenchi = {
      elenco_linea(), elenco_treno(), elenco_note(), elenco_rallentamenti(), elenco_scheda()};
  const size_t righe_attese[] = {112, 53, 47, 4, 49};
  for (size_t i = 0; i < elenchi.size(); ++i) {
    const auto& elenco = elenchi[i];
    ASSERT_EQ(elenco.size(), righe_attese[i] + 1) << "elenco " << i;
    EXPECT_LE(elenco.size(), POSTI_ELENCO);
    EXPECT_EQ(elenco.back(), SENTINELLA);
    EXPECT_EQ(std::count(elenco.begin(), elenco.end(), std::string(SENTINELLA)), 1)
        << "elenco " << i;
  }
}

TEST(TestoLinea, ByteERighe) {
  const std::string testo = componi_testo(elenco_linea());
  EXPECT_EQ(testo.size(), 3582u);
  EXPECT_EQ(byte_oltre_ascii(testo), 0u);
  EXPECT_EQ(testo.find(SENTINELLA), std::string::npos);
  ASSERT_GE(testo.size(), 8u);
  EXPECT_EQ(testo.substr(testo.size() - 8), "[fine]\r\n");

  const auto righe = righe_di(testo);
  ASSERT_EQ(righe.size(), 112u);
  EXPECT_EQ(righe[0], "[generale]");
  EXPECT_EQ(righe[1], "lunghezza percorso,    39000");
  EXPECT_EQ(righe[9], "[curve]");
  EXPECT_EQ(righe[72], "[pendenze]");
  // No mountain-side stretches: the next header follows at once.
  EXPECT_EQ(righe[82], "[montagne]");
  EXPECT_EQ(righe[83], "[cartelli]");
  // Empty values stay as two commas with spaces between them.
  EXPECT_EQ(righe[86], "indicatori_vmax,  2200,  80,  85,  85,  0,  ,  ,  ,  0");
  EXPECT_EQ(righe[95], "[indicazioni]");
  EXPECT_EQ(righe[111], "[fine]");
}

TEST(TestoLinea, QuanteVociPerSezione) {
  // 62 curves, 9 gradients, 11 indicator boards, 15 line-side boards, 3 progressives.
  const auto righe = righe_di(componi_testo(elenco_linea()));
  EXPECT_EQ(righe_che_iniziano(righe, "curva"), 62u);
  EXPECT_EQ(righe_che_iniziano(righe, "pendenza,"), 9u);
  EXPECT_EQ(righe_che_iniziano(righe, "indicatori_vmax,"), 11u);
  EXPECT_EQ(righe_che_iniziano(righe, "cartello_indicatore,"), 15u);
  EXPECT_EQ(righe_che_iniziano(righe, "progressiva chilometrica"), 3u);
  EXPECT_EQ(righe_che_iniziano(righe, "sfondo"), 3u);
  for (const std::string& r : righe) EXPECT_FALSE(r.empty());
}

TEST(TestoTreno, ByteERighe) {
  const std::string testo = componi_testo(elenco_treno());
  EXPECT_EQ(testo.size(), 2510u);
  EXPECT_EQ(testo.find(SENTINELLA), std::string::npos);
  // The u-umlaut of line 23 is the only byte outside ASCII.
  EXPECT_EQ(byte_oltre_ascii(testo), 1u);

  const auto righe = righe_di(testo);
  ASSERT_EQ(righe.size(), 53u);
  EXPECT_EQ(righe[4], "orologio,    19              4             20 ");
  const std::string fine_23 = "Castrea Sud / Kestl S\xFC" "d";
  ASSERT_GE(righe[22].size(), fine_23.size());
  EXPECT_EQ(righe[22].substr(righe[22].size() - fine_23.size()), fine_23);
  EXPECT_EQ(righe[31], "[rallentamenti]");
  EXPECT_EQ(righe[32], "[segnali]");
  EXPECT_EQ(righe[33], "segnale,    1450,   2, 2, 5,  6, 1,    2,  2,1,0, 0");
  EXPECT_EQ(righe[36], "segnale,    6800,   2, 3, 1,  0, 0,    0,  0,0,0, 0");
  EXPECT_EQ(righe[51], "[codici]");
  EXPECT_EQ(righe[52], "[fine]");
  // The limits at 11200 and 17400 stand between those at 6700 and 18900.
  EXPECT_EQ(righe[11], "velocita,    6700,    65");
  EXPECT_EQ(righe[12], "velocita,   11200,    75");
  EXPECT_EQ(righe[13], "velocita,   17400,    65");
  EXPECT_EQ(righe[14], "velocita,   18900,    95");
}

TEST(TestoTreno, QuanteVociPerSezione) {
  const auto righe = righe_di(componi_testo(elenco_treno()));
  EXPECT_EQ(righe_che_iniziano(righe, "velocita,"), 11u);
  EXPECT_EQ(righe_che_iniziano(righe, "stazione,"), 11u);
  EXPECT_EQ(righe_che_iniziano(righe, "segnale,"), 18u);
  EXPECT_EQ(righe_che_iniziano(righe, "aderenza,"), 1u);
  // Only the clock line carries a trailing space.
  for (size_t i = 0; i < righe.size(); ++i) {
    if (i == 4) continue;
    EXPECT_NE(righe[i].back(), ' ') << "riga " << i + 1;
  }
}

TEST(FoglioRallentamenti, ByteERighe) {
  const std::string testo = componi_testo(elenco_rallentamenti());
  // Three empty lines (3 x 2 bytes) and 18 + 20 characters with CR LF: 6 + 40 = 46.
  EXPECT_EQ(testo.size(), 46u);
  EXPECT_EQ(testo, "\r\n\r\n\r\n" + std::string(18, ' ') + "NESSUNA PRESCRIZIONE\r\n");
}

modello modello_in(const std::filesystem::path& cartella) {
  modello m;
  m.cartella = cartella;
  m.linea = "Castrea_Tovena";
  m.treno = "R7302";
  return m;
}

struct scrittore {
  void (*scrivi)(const modello&);
  const char* nome;
  std::vector<std::string> (*elenco)();
};

const scrittore SCRITTORI[] = {
    {dati_linea, "Castrea_Tovena_linea.txt", elenco_linea},
    {dati_treno, "Castrea_Tovena_R7302-.txt", elenco_treno},
    {dati_note, "Castrea_Tovena_R7302_note.txt", elenco_note},
    {dati_rallentamenti, "Castrea_Tovena_R7302_rallentamenti.txt", elenco_rallentamenti},
    {dati_scheda, "Castrea_Tovena_R7302_scheda_treno.txt", elenco_scheda},
};

TEST(ScrittoriTesti, NomiDaiDueIdentificativi) {
  const modello m = modello_in("/nessuna");
  EXPECT_EQ(nome_testo_linea(m), "Castrea_Tovena_linea.txt");
  EXPECT_EQ(nome_testo_treno(m), "Castrea_Tovena_R7302-.txt");
  EXPECT_EQ(nome_note(m), "Castrea_Tovena_R7302_note.txt");
  EXPECT_EQ(nome_rallentamenti(m), "Castrea_Tovena_R7302_rallentamenti.txt");
  EXPECT_EQ(nome_scheda(m), "Castrea_Tovena_R7302_scheda_treno.txt");
}

TEST(ScrittoriTesti, OgniFileColSuoNomeNellaCartella) {
  cartella_temporanea cartella;
  const modello m = modello_in(cartella.percorso());
  for (const scrittore& s : SCRITTORI) {
    s.scrivi(m);
    EXPECT_EQ(leggi_file(cartella.percorso() / s.nome), componi_testo(s.elenco())) << s.nome;
  }
  // Five files and nothing else (no temporary left behind).
  const auto voci = std::distance(std::filesystem::directory_iterator(cartella.percorso()),
                                  std::filesystem::directory_iterator());
  EXPECT_EQ(voci, 5);
}

TEST(ScrittoriTesti, UnFilePrecedentePiuLungoSparisceTutto) {
  cartella_temporanea cartella;
  const modello m = modello_in(cartella.percorso());
  for (const scrittore& s : SCRITTORI) {
    // A filler byte that no embedded text holds, longer than every text.
    cartella.scrivi(s.nome, std::string(20000, '\x01'));
    s.scrivi(m);
    const std::string letto = leggi_file(cartella / s.nome);
    EXPECT_EQ(letto, componi_testo(s.elenco())) << s.nome;
    EXPECT_EQ(letto.find('\x01'), std::string::npos) << s.nome;
  }
}

TEST(ScrittoriTesti, UnAltroTrenoLasciaInPostoLaSuaScheda) {
  cartella_temporanea cartella;
  modello m = modello_in(cartella.percorso());
  dati_scheda(m);
  m.treno = "R7304";
  dati_scheda(m);
  EXPECT_TRUE(cartella.esiste("Castrea_Tovena_R7302_scheda_treno.txt"));
  EXPECT_TRUE(cartella.esiste("Castrea_Tovena_R7304_scheda_treno.txt"));
}

TEST(ScrittoriTesti, CartellaMancanteFermaLaScrittura) {
  cartella_temporanea cartella;
  const modello m = modello_in(cartella.percorso() / "manca");
  EXPECT_THROW(dati_linea(m), errore_file);
  EXPECT_FALSE(cartella.esiste("manca"));
}

}  // namespace
}  // namespace scenario
