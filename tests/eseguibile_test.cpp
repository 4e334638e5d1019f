// The built program run as a user runs it: a copy of the executable in a folder of its
// own, started from another current folder, building the embedded scenario beside itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/esecuzione.h"
#include "tests/supporto/scenario_prova.h"
#include "tests/supporto/sha256.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using namespace prova;

const std::string NOME_ESEGUIBILE = fs::path(ESEGUIBILE).filename().string();

bool testo_di_descrizione(const std::string& nome) {
  return nome.ends_with("_linea.txt") || nome.ends_with("-.txt");
}

std::string sha256_di(const fs::path& file) { return sha256(leggi_tutto(file)); }

// The reference digests, from lines of "<64 hex digits>  <file name>"; none without them.
std::map<std::string, std::string> digest_di_riferimento() {
  std::map<std::string, std::string> digest;
  std::ifstream flusso(fs::path(CARTELLA_RIFERIMENTI) / "embedded.sha256");
  for (std::string riga; std::getline(flusso, riga);) {
    if (!riga.empty() && riga.back() == '\r') riga.pop_back();
    if (riga.size() < 67) continue;
    std::string nome = riga.substr(64);
    nome.erase(0, nome.find_first_not_of(" *"));
    digest[nome] = riga.substr(0, 64);
  }
  return digest;
}

// One run of the program copied into `cartella`, from a current folder that stays empty.
esito avvia(const cartella_temporanea& cartella) {
  const cartella_temporanea corrente;
  esito e =
      esegui_copia(ESEGUIBILE, cartella.percorso(), corrente.percorso(), fs::temp_directory_path());
  EXPECT_TRUE(nomi_in(corrente.percorso()).empty());
  return e;
}

TEST(Eseguibile, CostruisceLoScenarioAccantoASe) {
  cartella_temporanea cartella;
  const esito prima = avvia(cartella);
  EXPECT_EQ(prima.stato, 0) << prima.errori;
  EXPECT_EQ(prima.errori, "Attendere\n");
  // The six files beside the program, and no description text.
  EXPECT_EQ(nomi_in(cartella.percorso()),
            (std::set<std::string>{GEOMETRIA, TABELLA, PERCORSO, SCHEDA, RALLENTAMENTI, NOTE,
                                   NOME_ESEGUIBILE}));
  const auto file = contenuti_in(cartella.percorso());
  // Geometry 20 * 39000 + 139964; track 921 cells of 15 bytes; the rest as built.
  const std::map<std::string, size_t> dimensioni = {
      {GEOMETRIA, 919964}, {TABELLA, 3675}, {PERCORSO, 13815}, {SCHEDA, 3733}, {RALLENTAMENTI, 46}};
  for (const auto& [nome, dimensione] : dimensioni) {
    EXPECT_EQ(file.count(nome) ? file.at(nome).size() : 0, dimensione) << nome;
  }
  EXPECT_GT(file.count(NOTE) ? file.at(NOTE).size() : 0, 0u);

  // A second run over the first gives the same bytes.
  const esito seconda = avvia(cartella);
  EXPECT_EQ(seconda.stato, 0) << seconda.errori;
  EXPECT_TRUE(contenuti_in(cartella.percorso()) == file);

  const auto digest = digest_di_riferimento();
  ASSERT_EQ(digest.size(), 5u) << "digest di riferimento assenti: " << CARTELLA_RIFERIMENTI;
  for (const auto& [nome, atteso] : digest) EXPECT_EQ(sha256_di(cartella / nome), atteso) << nome;
}

TEST(Eseguibile, CartellaAlPostoDiUnFile) {
  // A folder where the track file (written last) or the notes (written before anything is
  // read back) must go: status 2 naming the file, the folder kept, no description text
  // and no temporary file left, and what was written before written whole.
  const auto digest = digest_di_riferimento();
  for (const std::string& bloccato : {PERCORSO, NOTE}) {
    SCOPED_TRACE(bloccato);
    cartella_temporanea cartella;
    fs::create_directory(cartella / bloccato);
    cartella.scrivi(bloccato + "/dentro", "resta");
    const esito e = avvia(cartella);
    EXPECT_EQ(e.stato, 2) << e.errori;
    EXPECT_NE(e.errori.find(bloccato), std::string::npos) << e.errori;
    EXPECT_EQ(cartella.leggi(bloccato + "/dentro"), "resta");
    for (const std::string& nome : nomi_in(cartella.percorso())) {
      EXPECT_FALSE(testo_di_descrizione(nome)) << nome;
      EXPECT_EQ(nome.find(".tmp"), std::string::npos) << nome;
      if (nome != bloccato && digest.count(nome)) {
        EXPECT_EQ(sha256_di(cartella / nome), digest.at(nome)) << nome;
      }
    }
  }
}

}  // namespace
}  // namespace scenario
