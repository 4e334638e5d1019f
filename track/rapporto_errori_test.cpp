#include "track/rapporto_errori.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace scenario {
namespace {

TEST(CatalogoErrori, NumeriDescrizioniEPosizioni) {
  // Every number a stage can record, the project's limits 26 to 29 and 104 included; the
  // scenario's errors about a place record a position in metres, the others keep it.
  const std::set<int32_t> numeri = {1,  2,  3,  4,  5,  6,  7,  8,  9,   10,  11,  12,   13,
                                    15, 16, 17, 18, 19, 20, 21, 22, 24,  25,  26,  27,   28,
                                    29, 101, 102, 103, 104, 1250, 1251};
  const std::set<int32_t> con_posizione = {6, 7, 8, 9, 11, 12, 13, 15, 16, 17, 18, 19, 20, 21, 22};
  std::set<std::string> descrizioni;
  for (int32_t numero : numeri) {
    const auto voce = cerca_errore(numero);
    ASSERT_TRUE(voce.has_value()) << numero;
    EXPECT_EQ(voce->numero, numero);
    EXPECT_NE(std::string(voce->descrizione), "") << numero;
    descrizioni.insert(voce->descrizione);
    const bool proprio = (numero >= 26 && numero <= 29) || numero == 104;
    EXPECT_TRUE(proprio || voce->con_posizione == (con_posizione.count(numero) == 1)) << numero;
  }
  // A description says which error it is: no two numbers share one.
  EXPECT_EQ(descrizioni.size(), numeri.size());
  for (int32_t numero : {0, 14, 23, -1, 30, 100, 105, 1249, 1252}) {
    EXPECT_FALSE(cerca_errore(numero).has_value()) << numero;
  }
}

TEST(DettaglioErrore, DescrizionePosizioneELuogo) {
  const auto dettaglio = [](int32_t codice, int32_t posizione, luogo_testo luogo = {}) {
    modello m;
    m.codice_errore = codice;
    m.posizione_errore = posizione;
    m.luogo_errore = luogo;
    return dettaglio_errore(m);
  };
  const auto descrizione = [](int32_t n) { return std::string(cerca_errore(n)->descrizione); };
  // The description, then the position in metres where the error has one; without a
  // place in a text, one line.
  const std::string con_posizione = dettaglio(6, 450);
  EXPECT_TRUE(con_posizione.starts_with(descrizione(6))) << con_posizione;
  EXPECT_NE(con_posizione.find("450 m"), std::string::npos) << con_posizione;
  EXPECT_EQ(con_posizione.find('\n'), std::string::npos) << con_posizione;
  EXPECT_NE(dettaglio(26, -150).find("-150 m"), std::string::npos);
  // Error 102 has no position: a stale one from an earlier error is not shown.
  EXPECT_EQ(dettaglio(102, 450), descrizione(102));

  // The place in the text on a line of its own, after the position.
  const std::string con_luogo = dettaglio(16, 6800, {"Castrea_Tovena_R7302-.txt", 12, 5});
  const size_t a_capo = con_luogo.find('\n');
  EXPECT_NE(con_luogo.substr(0, a_capo).find("6800 m"), std::string::npos) << con_luogo;
  EXPECT_EQ(con_luogo.substr(a_capo + 1), "Castrea_Tovena_R7302-.txt:12:5") << con_luogo;
  EXPECT_EQ(dettaglio(101, 0, {"Castrea_Tovena_linea.txt", 1, 1}),
            descrizione(101) + "\nCastrea_Tovena_linea.txt:1:1");

  // Numbers outside the catalogue give nothing at all.
  for (int32_t numero : {0, 14, 23, 9999}) {
    EXPECT_EQ(dettaglio(numero, 450, {"testo.txt", 3, 4}), "") << numero;
  }
}

}  // namespace
}  // namespace scenario
