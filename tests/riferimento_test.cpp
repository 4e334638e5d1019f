// The author's reference says what the description of the format says: its tables of
// records and values are written from it, between markers, and this test fails when they
// differ. AGGIORNA_RIFERIMENTO=1 writes them anew.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "model/formato.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;

const fs::path RIFERIMENTO = fs::path(CARTELLA_RIFERIMENTI) / ".." / ".." / "docs" / "autori.md";
constexpr std::string_view APRE = "<!-- descrizione: ";
constexpr std::string_view CHIUDE = "<!-- fine descrizione -->";

TEST(Riferimento, TabelleComeLaDescrizione) {
  std::ifstream f(RIFERIMENTO, std::ios::binary);
  ASSERT_TRUE(f) << RIFERIMENTO;
  std::ostringstream letto;
  letto << f.rdbuf();
  const std::string testo = letto.str();
  std::string nuovo;
  std::set<std::string> blocchi;
  size_t da = 0;
  for (size_t apre; (apre = testo.find(APRE, da)) != std::string::npos;) {
    const size_t fine_nome = testo.find(" -->\n", apre);
    const size_t chiude = testo.find(CHIUDE, apre);
    ASSERT_NE(fine_nome, std::string::npos);
    ASSERT_NE(chiude, std::string::npos);
    const std::string nome = testo.substr(apre + APRE.size(), fine_nome - apre - APRE.size());
    const std::string atteso = formato::blocco_riferimento(nome);
    EXPECT_FALSE(atteso.empty()) << "blocco sconosciuto: " << nome;
    const size_t contenuto = fine_nome + 5;
    EXPECT_EQ(testo.substr(contenuto, chiude - contenuto), atteso) << nome;
    blocchi.insert(nome);
    nuovo += testo.substr(da, contenuto - da) + atteso;
    da = chiude;
  }
  nuovo += testo.substr(da);
  // The three tables of records, and the values of every record.
  for (const char* nome : {"linea generale", "linea corpo", "treno"}) EXPECT_EQ(blocchi.count(nome), 1u) << nome;
  for (formato::testo t : {formato::testo::linea, formato::testo::treno}) {
    for (const formato::record& r : formato::records(t)) {
      bool descritto = false;
      // Records whose values read alike (the three backgrounds) share one table.
      for (const formato::record& altro : formato::records(t)) {
        descritto = descritto || (formato::tabella_campi(altro) == formato::tabella_campi(r) &&
                                  blocchi.count("campi " + std::string(altro.parola)) == 1);
      }
      EXPECT_TRUE(descritto) << r.parola;
    }
  }
  if (std::getenv("AGGIORNA_RIFERIMENTO") != nullptr && nuovo != testo) {
    std::ofstream(RIFERIMENTO, std::ios::binary) << nuovo;
  }
}

}  // namespace
}  // namespace scenario
