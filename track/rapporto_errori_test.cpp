#include "track/rapporto_errori.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace scenario {
namespace {

// Every number a stage can record: the scenario's own and the project's limits 26 to 29
// and 104.
const std::vector<int32_t> numeri_catalogo = {1,  2,  3,  4,  5,  6,  7,  8,   9,   10,  11,   12,
                                              13, 15, 16, 17, 18, 19, 20, 21,  22,  24,  25,   26,
                                              27, 28, 29, 101, 102, 103, 104, 1250, 1251};

TEST(CatalogoErrori, OgniNumeroHaUnaDescrizione) {
  std::set<std::string> descrizioni;
  for (int32_t numero : numeri_catalogo) {
    const auto voce = cerca_errore(numero);
    ASSERT_TRUE(voce.has_value()) << numero;
    EXPECT_EQ(voce->numero, numero);
    ASSERT_NE(voce->descrizione, nullptr);
    EXPECT_FALSE(std::string(voce->descrizione).empty()) << numero;
    descrizioni.insert(voce->descrizione);
  }
  // A description says which error it is: no two numbers share one.
  EXPECT_EQ(descrizioni.size(), numeri_catalogo.size());
}

TEST(CatalogoErrori, NumeriNonUsati) {
  for (int32_t numero : {0, 14, 23, -1, 30, 100, 105, 1249, 1252}) {
    EXPECT_FALSE(cerca_errore(numero).has_value()) << numero;
  }
}

TEST(CatalogoErrori, PosizioneSoloPerGliErroriDiUnLuogo) {
  // The errors that record a position in metres; the others keep whatever was there.
  const std::set<int32_t> con_posizione = {6, 7, 8, 9, 11, 12, 13, 15, 16, 17, 18, 19, 20, 21, 22};
  for (int32_t numero : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16, 17, 18, 19, 20, 21, 22,
                         24, 25, 101, 102, 103, 1250, 1251}) {
    EXPECT_EQ(cerca_errore(numero)->con_posizione, con_posizione.count(numero) == 1) << numero;
  }
}

TEST(DettaglioErrore, PosizioneInMetri) {
  modello m;
  m.codice_errore = 6;
  m.posizione_errore = 450;
  const std::string con = dettaglio_errore(m);
  EXPECT_EQ(con.rfind(cerca_errore(6)->descrizione, 0), 0u) << con;
  EXPECT_NE(con.find("450 m"), std::string::npos) << con;
  EXPECT_EQ(con.find('\n'), std::string::npos) << con;

  // Error 102 has no position: a stale one from an earlier error is not shown.
  m.codice_errore = 102;
  const std::string senza = dettaglio_errore(m);
  EXPECT_EQ(senza, cerca_errore(102)->descrizione);
  EXPECT_EQ(senza.find("450"), std::string::npos) << senza;

  // Negative positions are shown as they are.
  m.codice_errore = 26;
  m.posizione_errore = -150;
  EXPECT_NE(dettaglio_errore(m).find("-150 m"), std::string::npos) << dettaglio_errore(m);
}

TEST(DettaglioErrore, LuogoNelTesto) {
  modello m;
  m.codice_errore = 16;
  m.posizione_errore = 6800;
  m.luogo_errore = {"Castrea_Tovena_R7302-.txt", 12, 5};
  const std::string testo = dettaglio_errore(m);
  const size_t a_capo = testo.find('\n');
  ASSERT_NE(a_capo, std::string::npos) << testo;
  EXPECT_NE(testo.substr(0, a_capo).find("6800 m"), std::string::npos) << testo;
  EXPECT_EQ(testo.substr(a_capo + 1), "Castrea_Tovena_R7302-.txt:12:5");

  m.codice_errore = 101;
  m.luogo_errore = {"Castrea_Tovena_linea.txt", 1, 1};
  EXPECT_EQ(dettaglio_errore(m),
            std::string(cerca_errore(101)->descrizione) + "\nCastrea_Tovena_linea.txt:1:1");
}

TEST(DettaglioErrore, NumeroFuoriCatalogo) {
  modello m;
  m.posizione_errore = 450;
  m.luogo_errore = {"testo.txt", 3, 4};
  for (int32_t numero : {0, 14, 23, 9999}) {
    m.codice_errore = numero;
    EXPECT_EQ(dettaglio_errore(m), "") << numero;
  }
}

}  // namespace
}  // namespace scenario
