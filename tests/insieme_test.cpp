// The three compiled files are one set on both systems: when the rename of the second or
// the third fails (its temporary file taken away while the build stops, at the test hook,
// after the rename before), those already in place get their earlier files back, or go
// where there were none. Status 2 naming the file, the earlier set whole, nothing of the
// build left.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/esecuzione.h"
#include "tests/supporto/esecuzione_sfondo.h"
#include "tests/supporto/scenario_prova.h"
#include "tests/supporto/tappe.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using namespace prova;

TEST(Insieme, RinominaCheFallisceAMetaDellInsieme) {
  cartella_temporanea c;
  // Two versions that differ in all three files: the line's length (geometry and track)
  // and a station's name (table).
  const auto corsa = [](const char* nome) {
    return treno_di(std::string("[stazioni]\r\nstazione, 0, 8, 300, 0, 0, 0, 1, 1, 0, 5, 6, 1, 1, 19, 5, 0, ") + nome +
                    "\r\n");
  };
  c.scrivi("a_linea.txt", linea_di(5000));
  c.scrivi("a_corsa.txt", corsa("Alfa"));
  c.scrivi("b_linea.txt", linea_di(6000));
  c.scrivi("b_corsa.txt", corsa("Beta"));
  const auto argomenti = [](const std::string& versione) {
    return std::vector<std::string>{"-q", "-o", "uscita", "-l", "Val", "-t", "R1", versione + "_linea.txt",
                                    versione + "_corsa.txt"};
  };
  ASSERT_EQ(esegui(ESEGUIBILE, argomenti("a"), c.percorso(), c.percorso()).stato, 0);
  const auto vecchio = contenuti_in(c / "uscita");
  ASSERT_EQ(vecchio.size(), 3u);

  const struct {
    const char* tappa;
    const char* mancante;
    bool con_vecchio;
  } casi[] = {{"rinomina", "Val_R1.sim", true}, {"rinomina2", "Val_R1.dat", true}, {"rinomina2", "Val_R1.dat", false}};
  for (const auto& caso : casi) {
    SCOPED_TRACE(std::string(caso.mancante) + (caso.con_vecchio ? " sopra l'insieme di prima" : " in una cartella vuota"));
    fs::remove_all(c / "uscita");
    fs::create_directory(c / "uscita");
    if (caso.con_vecchio) {
      for (const auto& [nome, byte] : vecchio) c.scrivi("uscita/" + nome, byte);
    }
    tappe punti;
    processo_sfondo p(ESEGUIBILE, argomenti("b"), c.percorso(), c.percorso(), &punti);
    ASSERT_TRUE(punti.fino_a(caso.tappa));
    for (const auto& [nome, byte] : contenuti_in(c / "uscita")) {
      if (nome.starts_with(std::string(caso.mancante) + ".tmp")) fs::remove(c / "uscita" / nome);
    }
    punti.lascia();
    EXPECT_EQ(p.attendi(), 2);
    EXPECT_TRUE(p.errori().starts_with("compila_scenario: " + (fs::path("uscita") / caso.mancante).string() + ": "))
        << p.errori();
    EXPECT_TRUE(contenuti_in(c / "uscita") == (caso.con_vecchio ? vecchio : std::map<std::string, std::string>{}));
  }
}

}  // namespace
}  // namespace scenario
