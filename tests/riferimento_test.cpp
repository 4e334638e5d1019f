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

#include "editors/testi_editor.h"
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
  EXPECT_NE(blocco_riferimento("avvisi", lingua::italiano).find("| 316 | orario della stazione di 24 ore o più | Tenuto"),
            std::string::npos);
  EXPECT_TRUE(blocco_riferimento("campi nessun record", lingua::italiano).empty());
}

// The part of `file` between the line `apre` and the line `chiude` (the whole file when
// both are empty) is `atteso`; AGGIORNA_RIFERIMENTO=1 writes it so.
void come_scritto(const fs::path& file, const std::string& atteso, std::string_view apre = {},
                  std::string_view chiude = {}) {
  std::ifstream f(file, std::ios::binary);
  ASSERT_TRUE(f) << file;
  std::ostringstream letto;
  letto << f.rdbuf();
  const std::string testo = letto.str();
  size_t da = 0, a = testo.size();
  if (!apre.empty()) {
    da = testo.find(std::string(apre) + "\n");
    ASSERT_NE(da, std::string::npos) << file << ": " << apre;
    da += apre.size() + 1;
    a = testo.find(chiude, da);
    ASSERT_NE(a, std::string::npos) << file << ": " << chiude;
  }
  EXPECT_EQ(testo.substr(da, a - da), atteso) << file;
  if (std::getenv("AGGIORNA_RIFERIMENTO") != nullptr && testo.substr(da, a - da) != atteso) {
    std::ofstream(file, std::ios::binary) << testo.substr(0, da) + atteso + testo.substr(a);
  }
}

// The editor packages speak the catalogue's languages: VS Code's manifest strings in
// English by default and in each other language beside it, the extension's and the
// Neovim set-up's messages in every language.
TEST(Riferimento, TestiDegliEditorComeIlCatalogo) {
  const fs::path editori = fs::path(CARTELLA_RIFERIMENTI) / ".." / ".." / "editors";
  for (const lingua l : LINGUE) {
    const std::string nome = l == lingua::inglese ? "package.nls.json" : "package.nls." + std::string(sigla(l)) + ".json";
    come_scritto(editori / "vscode" / nome, manifesto_vscode(l));
  }
  come_scritto(editori / "vscode" / "testi.json", messaggi_vscode());
  come_scritto(editori / "neovim" / "compila_scenario.lua", messaggi_neovim(), "-- Made from lingue/*.po (make test checks it):",
               "-- End of the texts from lingue/*.po.");
}

}  // namespace
}  // namespace scenario
