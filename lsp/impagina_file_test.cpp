#include "lsp/impagina_file.h"

#include <gtest/gtest.h>

#include <sstream>

#include "nucleo/nomi_testi.h"
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

  // A text missing, and a folder under a text's name: each named with the reason the
  // build's own reading of a text gives, as -c says it; the others done all the same.
  std::filesystem::create_directory(c / "Val_R3-.txt");
  for (const std::string nome : {"Val_R2-.txt", "Val_R3-.txt"}) {
    const std::string percorso = sistema::testo(c / nome);
    std::string attesa;
    try {
      leggi_file(c / nome);
    } catch (const errore_file& e) {
      attesa = NOME_PROGRAMMA + std::string(": ") + e.what() + "\n";
    }
    ASSERT_FALSE(attesa.empty()) << nome;
    EXPECT_EQ(esegui({percorso, testi[1]}, true, uscita, errori), 2);
    EXPECT_EQ(errori, attesa);
  }
}

}  // namespace
}  // namespace scenario::lsp
