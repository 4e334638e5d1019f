// The author's reference, in each language, says what the description of the format and
// the catalogue of numbers say: its tables of records, values, errors and warnings are
// written from them in the reference's language, between markers, and this test fails
// when they differ. AGGIORNA_RIFERIMENTO=1 writes them anew.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "editors/testi_editor.h"
#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/esecuzione.h"
#include "lingue/riferimento.h"
#include "model/formato.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using namespace prova;

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

// The reference's examples, in each language, are what the program does with them. A block
// of messages follows the changes that make it, written before it in comments the page
// does not show (`<!-- esempio: FILE N = TEXT -->` puts TEXT in place of line N of an
// example text, `N + TEXT` before it; `<!-- esempio: -->`, the examples as they are): the
// examples so changed are compiled in the reference's language, and every line of the
// block stands in what the program says, in that order. The shortened texts compile
// together, and with each record shown alone put into them.
TEST(Riferimento, GliEsempiCompilanoComeDetto) {
  const fs::path esempi = fs::path(CARTELLA_RIFERIMENTI) / ".." / ".." / "examples";
  for (const lingua l : LINGUE) {
    SCOPED_TRACE(sigla(l));
    std::ifstream f(riferimento(l), std::ios::binary);
    std::vector<std::string> righe;
    for (std::string r; std::getline(f, r);) righe.push_back(r);
    std::vector<std::string> cambi;
    std::map<std::string, std::string> brevi;  // "[generale]" blocks: the shortened line and run
    std::vector<std::string> records;          // blocks of records alone
    int confrontati = 0;
    for (size_t i = 0; i < righe.size(); ++i) {
      constexpr std::string_view esempio = "<!-- esempio:";
      if (righe[i].starts_with(esempio)) {
        cambi.push_back(righe[i].substr(esempio.size(), righe[i].size() - esempio.size() - 4));
        continue;
      }
      if (righe[i] != "```") continue;
      std::vector<std::string> blocco;
      for (++i; i < righe.size() && righe[i] != "```"; ++i) blocco.push_back(righe[i]);
      if (blocco.empty()) continue;
      if (blocco[0] == "[generale]") {
        std::string testo;
        for (const std::string& r : blocco) testo += r + "\r\n";
        brevi[testo.find("lunghezza percorso") != std::string::npos ? "linea" : "treno"] = testo;
      } else if (std::isalpha(static_cast<unsigned char>(blocco[0][0])) && blocco[0].find(',') != std::string::npos &&
                 blocco[0].find(':') == std::string::npos) {
        for (const std::string& r : blocco) records.push_back(r);
      }
      if (cambi.empty()) continue;
      SCOPED_TRACE(blocco[0]);
      cartella_temporanea c;
      std::map<std::string, std::vector<std::string>> testi;
      for (const std::string nome : {"Valmora_linea.txt", "Valmora_R2215-.txt"}) {
        std::istringstream s(leggi_tutto(esempi / nome));
        for (std::string r; std::getline(s, r);) testi[nome].push_back(r.substr(0, r.find('\r')));
      }
      for (const std::string& cambio : cambi) {
        std::istringstream s(cambio);
        std::string nome, come;
        size_t n = 0;
        if (!(s >> nome >> n >> come)) continue;
        std::string testo;
        std::getline(s >> std::ws, testo);
        std::vector<std::string>& t = testi[nome];
        ASSERT_TRUE(n >= 1 && n <= t.size()) << cambio;
        if (come == "=") t[n - 1] = testo;
        else t.insert(t.begin() + static_cast<std::ptrdiff_t>(n - 1), testo);
      }
      cambi.clear();
      for (const auto& [nome, t] : testi) {
        std::string testo;
        for (const std::string& r : t) testo += r + "\r\n";
        c.scrivi(nome, testo);
      }
      const esito e = esegui(ESEGUIBILE, {"--lingua=" + std::string(sigla(l)), "-c", "Valmora_linea.txt", "Valmora_R2215-.txt"},
                             c.percorso(), c.percorso());
      std::istringstream detto(e.errori);
      std::vector<std::string> dette;
      for (std::string r; std::getline(detto, r);) dette.push_back(r);
      auto da = dette.begin();
      for (const std::string& r : blocco) {
        const auto trovata = std::find(da, dette.end(), r);
        EXPECT_NE(trovata, dette.end()) << r << "\n" << e.errori;
        if (trovata != dette.end()) da = trovata + 1;
      }
      ++confrontati;
    }
    // The blocks of messages: the summary, two mistakes, a cell taken, a board covered.
    EXPECT_EQ(confrontati, 4);
    ASSERT_EQ(brevi.size(), 2u);
    std::vector<std::pair<std::string, std::string>> coppie{{brevi["linea"], brevi["treno"]}};
    for (const std::string& r : records) {
      // A record of a place along the line goes after the last of its kind in the
      // shortened text; any other takes the place of the one written there.
      const std::string parola = r.substr(0, r.find(','));
      auto [linea, treno] = coppie.front();
      const bool della_linea = formato::cerca(formato::testo::linea, parola) != nullptr;
      const formato::record* d = formato::cerca(della_linea ? formato::testo::linea : formato::testo::treno, parola);
      ASSERT_NE(d, nullptr) << r;
      std::string& testo = della_linea ? linea : treno;
      const size_t dove = testo.rfind("\n" + parola + ",");
      ASSERT_NE(dove, std::string::npos) << r;
      const size_t fine = testo.find('\n', dove + 1);
      const formato::sede dove_tenuto = d->campi[0].in_set.dove;
      if (dove_tenuto != formato::sede::voce && dove_tenuto != formato::sede::progressiva) {
        testo.insert(fine + 1, r + "\r\n");
      } else {
        testo.replace(dove + 1, fine - dove - 1, r + "\r");
      }
      coppie.emplace_back(linea, treno);
    }
    for (const auto& [linea, treno] : coppie) {
      cartella_temporanea c;
      c.scrivi("Breve_linea.txt", linea);
      c.scrivi("Breve_R1-.txt", treno);
      const esito e = esegui(ESEGUIBILE, {"-q", "-c", "Breve_linea.txt", "Breve_R1-.txt"}, c.percorso(), c.percorso());
      EXPECT_EQ(e.stato, 0) << e.errori << linea << treno;
    }
  }
}

}  // namespace
}  // namespace scenario
