// The starting pair, as a new author gets it: written by --nuovo, compiled at once.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "scenario/testi_nuovi.h"
#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/esecuzione.h"

namespace scenario {
namespace {

using namespace prova;

// No line of standard error is a diagnostic: the build's summary, if any, is one line.
void senza_diagnostiche(const std::string& errori) {
  std::istringstream righe(errori);
  int n = 0;
  for (std::string riga; std::getline(righe, riga); ++n) {
    for (const char* segno : {"Errore n.", ": error", ": warning", ": note"}) {
      EXPECT_EQ(riga.find(segno), std::string::npos) << riga;
    }
  }
  EXPECT_LE(n, 1) << errori;
}

TEST(Nuovo, LaCoppiaScrittaCompilaSenzaDiagnostiche) {
  cartella_temporanea corrente;
  cartella_temporanea testi;
  cartella_temporanea temporanei;
  const esito scritti = esegui(ESEGUIBILE, {"--nuovo", "Val", "R1", testi.percorso().string()},
                               corrente.percorso(), temporanei.percorso());
  EXPECT_EQ(scritti.stato, 0) << scritti.errori;
  EXPECT_EQ(scritti.errori, "");
  EXPECT_TRUE(nomi_in(corrente.percorso()).empty());
  const testi_nuovi attesi = testi_di_partenza();
  EXPECT_EQ(testi.leggi("Val_linea.txt"), attesi.linea);
  EXPECT_EQ(testi.leggi("Val_R1-.txt"), attesi.treno);

  const esito compilati = esegui(ESEGUIBILE, {"Val_linea.txt", "Val_R1-.txt"}, testi.percorso(),
                                 temporanei.percorso());
  EXPECT_EQ(compilati.stato, 0) << compilati.errori;
  senza_diagnostiche(compilati.errori);
  EXPECT_TRUE(testi.esiste("Val_R1.sim"));
}

TEST(Nuovo, IlComandoSuggeritoSiScriveComeDetto) {
  // A folder whose name holds a blank, made since it is missing: each text's name in the
  // suggested command is one argument.
  cartella_temporanea c;
  const esito e = esegui(ESEGUIBILE, {"--nuovo", "Val", "R1", "due parole"}, c.percorso(), c.percorso());
  ASSERT_EQ(e.stato, 0) << e.errori;
  const std::string linea = (std::filesystem::path("due parole") / "Val_linea.txt").string();
  const std::string treno = (std::filesystem::path("due parole") / "Val_R1-.txt").string();
  EXPECT_EQ(e.uscita, "Scritti " + linea + " e " + treno + ".\nPer compilarli: compila_scenario \"" + linea + "\" \"" +
                          treno + "\"\n");
  EXPECT_EQ(e.errori, "compila_scenario: creata la cartella 'due parole'\n");
}

TEST(Nuovo, MaiSopraUnFileEsistente) {
  // Either text already there: status 2 naming it, and the folder exactly as it was (the
  // other text, when just made, goes again).
  for (const std::string esistente : {"Val_linea.txt", "Val_R1-.txt"}) {
    SCOPED_TRACE(esistente);
    cartella_temporanea testi;
    cartella_temporanea temporanei;
    testi.scrivi(esistente, "del autore\r\n");
    const auto prima = contenuti_in(testi.percorso());
    const esito e = esegui(ESEGUIBILE, {"--nuovo", "Val", "R1"}, testi.percorso(), temporanei.percorso());
    EXPECT_EQ(e.stato, 2);
    EXPECT_NE(e.errori.find(esistente + ": "), std::string::npos) << e.errori;
    EXPECT_EQ(e.uscita, "");
    EXPECT_TRUE(contenuti_in(testi.percorso()) == prima);
  }
}

}  // namespace
}  // namespace scenario
