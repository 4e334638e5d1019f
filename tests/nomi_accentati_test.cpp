// Names with accents, as Italian and German authors write them: in the folders' path, in
// the line's identifier (so in every compiled file's name) and in a station's name, through
// the compiler and the inspector.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

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

TEST(NomiAccentati, IdentificativiInOgniAlfabetoInOgniVista) {
  // A starting pair under each name, built, shown by every view and given back as texts
  // that build the same set: the identifiers come out as written, in UTF-8, everywhere.
  const struct {
    std::string linea, treno;
  } coppie[] = {{"V\xc3\xa0lmora", "R1"},                                     // "Vàlmora"
                {"\xce\x9b\xce\xaf\xce\xbc\xce\xbd\xce\xb7", "\xce\xa4\x31"}};  // "Λίμνη", "Τ1"
  for (const auto& [linea, treno] : coppie) {
    SCOPED_TRACE(linea);
    cartella_temporanea c;
    const auto esegui_qui = [&](const char* programma, const std::vector<std::string>& argomenti) {
      return esegui(programma, argomenti, c.percorso(), c.percorso());
    };
    const std::string testo_linea = linea + "_linea.txt", testo_treno = linea + "_" + treno + "-.txt";
    const esito nuovo = esegui_qui(ESEGUIBILE, {"--nuovo", linea, treno});
    ASSERT_EQ(nuovo.stato, 0) << nuovo.errori;
    EXPECT_EQ(nuovo.uscita.substr(0, nuovo.uscita.find('\n')), "Scritti " + testo_linea + " e " + testo_treno + ".");
    const esito compilato = esegui_qui(ESEGUIBILE, {"-q", "-o", "uscita", testo_linea, testo_treno});
    ASSERT_EQ(compilato.stato, 0) << compilato.errori;

    const esito resoconto = esegui_qui(MOSTRA_SCENARIO, {"-C", "uscita", linea, treno});
    EXPECT_EQ(resoconto.uscita.substr(0, resoconto.uscita.find('\n')), "Scenario " + linea + ", treno " + treno);
    const esito json = esegui_qui(MOSTRA_SCENARIO, {"-C", "uscita", "--json", linea, treno});
    EXPECT_NE(json.uscita.find("\"linea\": \"" + linea + "\",\n  \"treno\": \"" + treno + "\""), std::string::npos)
        << json.uscita.substr(0, 80);
    ASSERT_EQ(esegui_qui(MOSTRA_SCENARIO, {"-C", "uscita", "-o", "pagina.html", linea, treno}).stato, 0);
    EXPECT_NE(c.leggi("pagina.html").find("\"linea\":\"" + linea + "\""), std::string::npos);
    // The card's train box is 16 characters wide, whatever the bytes of its name.
    const esito scheda = esegui_qui(MOSTRA_SCENARIO, {"-C", "uscita", "--scheda", linea, treno});
    const std::string riquadro = "TRENO " + treno;
    EXPECT_NE(scheda.uscita.find(" |   " + riquadro + std::string(16 - 8, ' ') + "|"), std::string::npos)
        << scheda.uscita;

    ASSERT_EQ(esegui_qui(MOSTRA_SCENARIO, {"-C", "uscita", "--testi=indietro", linea, treno}).stato, 0);
    ASSERT_EQ(esegui_qui(ESEGUIBILE, {"-q", "-o", "indietro", "indietro/" + testo_linea, "indietro/" + testo_treno}).stato,
              0);
    const esito confronto = esegui_qui(MOSTRA_SCENARIO, {"-C", "uscita", "--confronta=indietro", linea, treno});
    EXPECT_EQ(confronto.stato, 0) << confronto.uscita << confronto.errori;
  }
}

}  // namespace
}  // namespace scenario
