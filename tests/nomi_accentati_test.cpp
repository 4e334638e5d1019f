// Names with accents, as Italian and German authors write them: in the folders' path, in
// the line's identifier (so in every compiled file's name) and in a station's name, through
// the compiler and the inspector.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "piattaforma/piattaforma.h"
#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/esecuzione.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using namespace prova;

const fs::path ESEMPI = fs::path(CARTELLA_RIFERIMENTI) / ".." / ".." / "examples";

TEST(NomiAccentati, CartellaIdentificativoEStazione) {
  cartella_temporanea base;
  // "Città/Üfer" in UTF-8, as names are given on the command line.
  const std::string cartella = "Citt\xc3\xa0";
  const fs::path testi = base.percorso() / sistema::percorso(cartella);
  const fs::path uscita = testi / sistema::percorso("\xc3\x9c" "fer");
  fs::create_directories(uscita);
  // The texts are ISO 8859-1: the station "Prato Alto" becomes "Prato Città Süd".
  std::string corsa = leggi_tutto(ESEMPI / "Valmora_R2215-.txt");
  const size_t stazione = corsa.find("Prato Alto");
  ASSERT_NE(stazione, std::string::npos);
  corsa.replace(stazione, 10, "Prato Citt\xe0 S\xfc" "d");
  const std::string linea = "V\xc3\xa0lmora";  // "Vàlmora"
  {
    cartella_temporanea scrittura;  // written byte for byte, then moved under the accented names
    scrittura.scrivi("l", leggi_tutto(ESEMPI / "Valmora_linea.txt"));
    scrittura.scrivi("t", corsa);
    fs::rename(scrittura / "l", testi / sistema::percorso(linea + "_linea.txt"));
    fs::rename(scrittura / "t", testi / sistema::percorso(linea + "_R2215-.txt"));
  }

  const esito compilato = esegui(ESEGUIBILE,
                                 {"-q", "-o", cartella + "/\xc3\x9c" "fer", cartella + "/" + linea + "_linea.txt",
                                  cartella + "/" + linea + "_R2215-.txt"},
                                 base.percorso(), base.percorso());
  ASSERT_EQ(compilato.stato, 0) << compilato.errori;
  EXPECT_EQ(compilato.errori, "");
  for (const std::string& nome : {linea + "_linea.dat", linea + "_R2215.sim", linea + "_R2215.dat"}) {
    EXPECT_TRUE(fs::is_regular_file(uscita / sistema::percorso(nome))) << nome;
  }

  // The inspector finds them by the same names and shows the station in UTF-8.
  const esito mostrato =
      esegui(MOSTRA_SCENARIO, {"-C", cartella + "/\xc3\x9c" "fer", linea, "R2215"}, base.percorso(), base.percorso());
  ASSERT_EQ(mostrato.stato, 0) << mostrato.errori;
  EXPECT_NE(mostrato.uscita.find("Prato Citt\xc3\xa0 S\xc3\xbc" "d"), std::string::npos) << mostrato.uscita;
}

}  // namespace
}  // namespace scenario
