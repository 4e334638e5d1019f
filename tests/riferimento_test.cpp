// The author's reference, in each language, says what the description of the format and
// the catalogue of numbers say: its tables of records, values, errors and warnings are
// written from them in the reference's language, between markers, and this test fails
// when they differ. AGGIORNA_RIFERIMENTO=1 writes them anew.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "lingue/riferimento.h"
#include "model/formato.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;

// docs/it/autori.md, docs/en/autori.md: one reference a language of the catalogue.
fs::path riferimento(lingua l) {
  return fs::path(CARTELLA_RIFERIMENTI) / ".." / ".." / "docs" / std::string(sigla(l)) / "autori.md";
}
constexpr std::string_view APRE = "<!-- descrizione: ";
constexpr std::string_view CHIUDE = "<!-- fine descrizione -->";

void controlla_riferimento(lingua l) {
  const fs::path RIFERIMENTO = riferimento(l);
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
    const std::string atteso = blocco_riferimento(nome, l);
    EXPECT_FALSE(atteso.empty()) << "blocco sconosciuto: " << nome;
    const size_t contenuto = fine_nome + 5;
    EXPECT_EQ(testo.substr(contenuto, chiude - contenuto), atteso) << nome;
    blocchi.insert(nome);
    nuovo += testo.substr(da, contenuto - da) + atteso;
    da = chiude;
  }
  nuovo += testo.substr(da);
  // The three tables of records, the three of numbers, and the values of every record.
  for (const char* nome : {"linea generale", "linea corpo", "treno", "errori", "errori di campo", "avvisi"}) {
    EXPECT_EQ(blocchi.count(nome), 1u) << nome;
  }
  for (formato::testo t : {formato::testo::linea, formato::testo::treno}) {
    for (const formato::record& r : formato::records(t)) {
      bool descritto = false;
      // Records whose values read alike (the three backgrounds) share one table.
      for (const formato::record& altro : formato::records(t)) {
        descritto = descritto || (blocco_riferimento("campi " + std::string(altro.parola), l) ==
                                      blocco_riferimento("campi " + std::string(r.parola), l) &&
                                  blocchi.count("campi " + std::string(altro.parola)) == 1);
      }
      EXPECT_TRUE(descritto) << r.parola;
    }
  }
  if (std::getenv("AGGIORNA_RIFERIMENTO") != nullptr && nuovo != testo) {
    std::ofstream(RIFERIMENTO, std::ios::binary) << nuovo;
  }
}

TEST(Riferimento, TabelleComeLaDescrizione) {
  for (const lingua l : LINGUE) {
    SCOPED_TRACE(sigla(l));
    controlla_riferimento(l);
  }
}

// The words of a table are the reference's language: the same value in each, in its words.
TEST(Riferimento, TabelleNellaLinguaDelRiferimento) {
  EXPECT_NE(blocco_riferimento("campi pendenza", lingua::italiano).find("| 2 | `g` | per mille | 32 bit | da \xe2\x88\x92" "100 a 155 (30) | "),
            std::string::npos);
  EXPECT_NE(blocco_riferimento("campi pendenza", lingua::inglese).find("| 2 | `g` | per mille | 32-bit | \xe2\x88\x92" "100 to 155 (30) | "),
            std::string::npos);
  // A warning that would lose what was written is marked as an error of the scenario.
  EXPECT_NE(blocco_riferimento("avvisi", lingua::inglese).find("| 317 | empty value | **error.** "), std::string::npos);
  EXPECT_NE(blocco_riferimento("avvisi", lingua::italiano).find("| 316 | orario della stazione di 24 ore o piu' | Tenuto"),
            std::string::npos);
  EXPECT_TRUE(blocco_riferimento("campi nessun record", lingua::italiano).empty());
}

}  // namespace
}  // namespace scenario
