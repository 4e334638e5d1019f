// The built program run as a user runs it: a copy of the executable in a folder of its
// own, started from another current folder, building the embedded scenario beside itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/esecuzione.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using prova::cartella_temporanea;

const std::string GEOMETRIA = "Castrea_Tovena_linea.dat";
const std::string TABELLA = "Castrea_Tovena_R7302.sim";
const std::string PERCORSO = "Castrea_Tovena_R7302.dat";
const std::string SCHEDA = "Castrea_Tovena_R7302_scheda_treno.txt";
const std::string RALLENTAMENTI = "Castrea_Tovena_R7302_rallentamenti.txt";
const std::string NOTE = "Castrea_Tovena_R7302_note.txt";
const std::string TESTO_LINEA = "Castrea_Tovena_linea.txt";
const std::string TESTO_TRENO = "Castrea_Tovena_R7302-.txt";

std::string tra_apici(const fs::path& p) { return "'" + p.string() + "'"; }

using prova::esito;
using prova::nomi_in;

// One run of the program copied into `cartella`, started from another, empty folder.
class esecuzione {
 public:
  explicit esecuzione(const cartella_temporanea& cartella) : cartella_(cartella) {
    fs::copy_file(ESEGUIBILE, copia(), fs::copy_options::overwrite_existing);
  }

  fs::path copia() const { return cartella_ / nome_eseguibile(); }
  static std::string nome_eseguibile() { return fs::path(ESEGUIBILE).filename().string(); }

  esito avvia() const {
    return prova::esegui(copia().string(), {}, corrente_.percorso(), fs::temp_directory_path());
  }

  // The folder the program was started from: it must stay empty.
  const cartella_temporanea& corrente() const { return corrente_; }

 private:
  const cartella_temporanea& cartella_;
  cartella_temporanea corrente_;
};

bool testo_di_descrizione(const std::string& nome) {
  const auto finisce = [&](const std::string& coda) {
    return nome.size() >= coda.size() && nome.compare(nome.size() - coda.size(), coda.size(), coda) == 0;
  };
  return finisce("_linea.txt") || finisce("-.txt");
}

std::string sha256_di(const fs::path& file) {
  const std::string comando = "sha256sum " + tra_apici(file);
  FILE* flusso = popen(comando.c_str(), "r");
  if (flusso == nullptr) return "";
  char riga[512] = {};
  const bool letta = fgets(riga, sizeof riga, flusso) != nullptr;
  pclose(flusso);
  const std::string testo = letta ? riga : "";
  return testo.size() >= 64 ? testo.substr(0, 64) : "";
}

// The reference digests: lines of "<64 hex digits>  <file name>".
std::map<std::string, std::string> digest_di_riferimento() {
  std::map<std::string, std::string> digest;
  std::ifstream flusso(fs::path(CARTELLA_RIFERIMENTI) / "embedded.sha256");
  std::string riga;
  while (std::getline(flusso, riga)) {
    if (!riga.empty() && riga.back() == '\r') riga.pop_back();
    if (riga.size() < 67) continue;
    std::string nome = riga.substr(64);
    nome.erase(0, nome.find_first_not_of(" *"));
    digest[nome] = riga.substr(0, 64);
  }
  return digest;
}

uint32_t intero_le(const std::string& b, size_t offset, int larghezza) {
  uint32_t v = 0;
  for (int i = larghezza - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[offset + static_cast<size_t>(i)]);
  return v;
}

TEST(Eseguibile, CostruisceLoScenarioAccantoASe) {
  cartella_temporanea cartella;
  esecuzione e(cartella);
  const esito risultato = e.avvia();
  EXPECT_EQ(risultato.stato, 0) << risultato.errori;
  EXPECT_NE(risultato.errori.find("Attendere"), std::string::npos) << risultato.errori;
  EXPECT_EQ(risultato.errori.find("Errore"), std::string::npos) << risultato.errori;

  const std::set<std::string> attesi = {GEOMETRIA, TABELLA, PERCORSO, SCHEDA, RALLENTAMENTI, NOTE,
                                        esecuzione::nome_eseguibile()};
  const std::set<std::string> trovati = nomi_in(cartella.percorso());
  EXPECT_EQ(trovati, attesi);
  for (const std::string& nome : trovati) EXPECT_FALSE(testo_di_descrizione(nome)) << nome;
  EXPECT_TRUE(nomi_in(e.corrente().percorso()).empty());

  // Geometry 20 * 39000 + 139964; track 921 cells of 15 bytes; the rest as built.
  const std::map<std::string, uintmax_t> dimensioni = {
      {GEOMETRIA, 919964}, {TABELLA, 3675}, {PERCORSO, 13815}, {SCHEDA, 3733}, {RALLENTAMENTI, 46}};
  for (const auto& [nome, dimensione] : dimensioni) {
    ASSERT_TRUE(cartella.esiste(nome)) << nome;
    EXPECT_EQ(fs::file_size(cartella / nome), dimensione) << nome;
  }
  EXPECT_GT(fs::file_size(cartella / NOTE), 0u);
}

TEST(Eseguibile, IntestazioneNeiFileCompilati) {
  cartella_temporanea cartella;
  esecuzione e(cartella);
  ASSERT_EQ(e.avvia().stato, 0);

  // Track: cell 1 at offset 15; dato1 = 5121 = 0x1401 at 16, dato2 = og at 18. The
  // identity text is "r7302castrea_tovena" + "tgkwrp": og = 1805 + 671 = 2476 = 0x09AC,
  // st = 19423 + 15110 = 34533.
  const std::string percorso = cartella.leggi(PERCORSO);
  ASSERT_EQ(percorso.size(), 13815u);
  EXPECT_EQ(static_cast<unsigned char>(percorso[16]), 0x01);
  EXPECT_EQ(static_cast<unsigned char>(percorso[17]), 0x14);
  EXPECT_EQ(static_cast<unsigned char>(percorso[18]), 0xAC);
  EXPECT_EQ(static_cast<unsigned char>(percorso[19]), 0x09);

  // Table: walk the 87 entries by their name lengths; the walk ends at the end of the
  // file, entry 85 names the line and carries 610 and st, entry 86 names the train.
  const std::string tabella = cartella.leggi(TABELLA);
  size_t offset = 0;
  for (int indice = 0; indice < 87; ++indice) {
    ASSERT_LE(offset + 34, tabella.size()) << "voce " << indice;
    const size_t n = intero_le(tabella, offset + 14, 2);
    ASSERT_LE(offset + 34 + n, tabella.size()) << "voce " << indice;
    const std::string nome = tabella.substr(offset + 16, n);
    if (indice == 85) {
      EXPECT_EQ(nome, "Castrea_Tovena");
      EXPECT_EQ(intero_le(tabella, offset + 16 + n, 2), 610u);
      EXPECT_EQ(intero_le(tabella, offset + 30 + n, 4), 34533u);
    }
    if (indice == 86) {
      EXPECT_EQ(nome, "R7302");
    }
    if (indice == 0) {
      EXPECT_EQ(tabella.substr(0, 34), std::string(34, '\0'));
    }
    offset += 34 + n;
  }
  EXPECT_EQ(offset, tabella.size());
}

TEST(Eseguibile, DigestDiRiferimento) {
  if (!fs::exists(fs::path(CARTELLA_RIFERIMENTI) / "embedded.sha256")) {
    GTEST_SKIP() << "digest di riferimento assenti: " << CARTELLA_RIFERIMENTI;
  }
  const auto digest = digest_di_riferimento();
  ASSERT_EQ(digest.size(), 5u);
  cartella_temporanea cartella;
  esecuzione e(cartella);
  ASSERT_EQ(e.avvia().stato, 0);
  for (const auto& [nome, atteso] : digest) {
    ASSERT_TRUE(cartella.esiste(nome)) << nome;
    EXPECT_EQ(sha256_di(cartella / nome), atteso) << nome;
  }
}

TEST(Eseguibile, SecondaEsecuzioneIdentica) {
  cartella_temporanea cartella;
  esecuzione e(cartella);
  ASSERT_EQ(e.avvia().stato, 0);
  std::map<std::string, std::string> prima;
  for (const std::string& nome : nomi_in(cartella.percorso())) prima[nome] = cartella.leggi(nome);
  ASSERT_EQ(prima.size(), 7u);

  const esito seconda = e.avvia();
  EXPECT_EQ(seconda.stato, 0) << seconda.errori;
  std::map<std::string, std::string> dopo;
  for (const std::string& nome : nomi_in(cartella.percorso())) dopo[nome] = cartella.leggi(nome);
  EXPECT_EQ(dopo.size(), prima.size());
  for (const auto& [nome, byte] : prima) {
    ASSERT_EQ(dopo.count(nome), 1u) << nome;
    EXPECT_TRUE(dopo[nome] == byte) << nome << " cambiato";
  }
}

TEST(Eseguibile, CartellaAlPostoDelFileDelPercorso) {
  cartella_temporanea cartella;
  esecuzione e(cartella);
  fs::create_directory(cartella / PERCORSO);
  cartella.scrivi(PERCORSO + "/dentro", "resta");

  const esito risultato = e.avvia();
  EXPECT_EQ(risultato.stato, 2) << risultato.errori;
  EXPECT_NE(risultato.errori.find(PERCORSO), std::string::npos) << risultato.errori;

  EXPECT_TRUE(fs::is_directory(cartella / PERCORSO));
  EXPECT_EQ(cartella.leggi(PERCORSO + "/dentro"), "resta");
  const std::set<std::string> trovati = nomi_in(cartella.percorso());
  for (const std::string& nome : trovati) {
    EXPECT_FALSE(testo_di_descrizione(nome)) << nome;
    EXPECT_EQ(nome.find(".tmp"), std::string::npos) << nome;
  }
  // The geometry and table files come before the track file: written whole, or not at all.
  if (trovati.count(GEOMETRIA)) {
    EXPECT_EQ(fs::file_size(cartella / GEOMETRIA), 919964u);
  }
  if (trovati.count(TABELLA)) {
    EXPECT_EQ(fs::file_size(cartella / TABELLA), 3675u);
  }
  if (fs::exists(fs::path(CARTELLA_RIFERIMENTI) / "embedded.sha256")) {
    const auto digest = digest_di_riferimento();
    for (const std::string& nome : {GEOMETRIA, TABELLA}) {
      if (trovati.count(nome) && digest.count(nome)) {
        EXPECT_EQ(sha256_di(cartella / nome), digest.at(nome)) << nome;
      }
    }
  }
}

}  // namespace
}  // namespace scenario
