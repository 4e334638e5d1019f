#include "app/rapporto.h"

#include <gtest/gtest.h>

#include <string>

#include "track/rapporto_errori.h"

namespace scenario {
namespace {

TEST(DettaglioErrore, DescrizionePosizioneELuogo) {
  const auto dettaglio = [](int32_t codice, int32_t posizione, luogo_testo luogo = {}) {
    diagnostica d{codice, gravita::errore, posizione, std::nullopt, ""};
    if (!luogo.file.empty()) d.luogo = luogo;
    return dettaglio_diagnostica(d);
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
  // A reading failure says why.
  EXPECT_EQ(dettaglio_diagnostica({25, gravita::errore, std::nullopt, std::nullopt, "perche'"}),
            descrizione(25) + ": perche'");
}

}  // namespace
}  // namespace scenario
