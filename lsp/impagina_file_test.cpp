#include "lsp/impagina_file.h"

#include <gtest/gtest.h>

#include <sstream>

#include "piattaforma/piattaforma.h"
#include "tests/supporto/cartella_temporanea.h"

namespace scenario::lsp {
namespace {

// The texts on disk, as an author runs the formatter and CI checks it: named while not
// laid out (status 1, nothing changed), laid out in place, then clean; a text that cannot
// be read is status 2 and said, the others done all the same.
TEST(ImpaginaFile, ControllaPoiImpagina) {
  prova::cartella_temporanea c;
  const std::string linea = prova::righe_crlf({"[generale]", "lunghezza percorso,6000", "[fine]"});
  const std::string treno = prova::righe_crlf({"[generale]", "orologio, 8 0 0", "[vel_limite]", "velocita,0,60",
                                               "velocita, 600,90", "[fine]"});
  c.scrivi("Val_linea.txt", linea);
  c.scrivi("Val_R1-.txt", treno);
  const std::vector<std::string> testi = {sistema::testo(c / "Val_linea.txt"), sistema::testo(c / "Val_R1-.txt")};
  const auto disco = disco_di_sistema();
  const auto esegui = [&](const std::vector<std::string>& quali, bool verifica, std::string& uscita, std::string& errori) {
    std::ostringstream u, e;
    const int stato = impagina_file(quali, verifica, *disco, u, e);
    uscita = u.str();
    errori = e.str();
    return stato;
  };
  std::string uscita, errori;
  EXPECT_EQ(esegui(testi, true, uscita, errori), 1);
  EXPECT_EQ(uscita, testi[0] + "\n" + testi[1] + "\n");
  EXPECT_EQ(c.leggi("Val_R1-.txt"), treno);

  EXPECT_EQ(esegui(testi, false, uscita, errori), 0);
  EXPECT_EQ(c.leggi("Val_linea.txt"), prova::righe_crlf({"[generale]", "lunghezza percorso, 6000", "[fine]"}));
  EXPECT_EQ(c.leggi("Val_R1-.txt"), prova::righe_crlf({"[generale]", "orologio, 8 0 0", "[vel_limite]",
                                                       "velocita,   0, 60", "velocita, 600, 90", "[fine]"}));
  EXPECT_EQ(esegui(testi, true, uscita, errori), 0);
  EXPECT_EQ(uscita, "");

  const std::string manca = sistema::testo(c / "Val_R2-.txt");
  EXPECT_EQ(esegui({manca, testi[1]}, true, uscita, errori), 2);
  EXPECT_NE(errori.find(manca + ": non si puo' leggere"), std::string::npos) << errori;
}

}  // namespace
}  // namespace scenario::lsp
