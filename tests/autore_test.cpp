// The author's build, run as an author runs it: the built program started on description
// texts in a folder of the author's, with a private folder for temporary files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"
#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/esecuzione.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using prova::cartella_temporanea;
using prova::righe_crlf;
using prova::esito;
using prova::nomi_in;
using prova::esegui;

const std::string TESTO_LINEA = "Castrea_Tovena_linea.txt";
const std::string TESTO_TRENO = "Castrea_Tovena_R7302-.txt";
const std::vector<std::string> COMPILATI = {"Castrea_Tovena_linea.dat", "Castrea_Tovena_R7302.sim",
                                            "Castrea_Tovena_R7302.dat"};

std::vector<std::string> righe_di(const std::string& testo) {
  std::vector<std::string> righe;
  size_t inizio = 0;
  for (size_t fine; (fine = testo.find('\n', inizio)) != std::string::npos; inizio = fine + 1) {
    righe.push_back(testo.substr(inizio, fine - inizio));
  }
  if (inizio < testo.size()) righe.push_back(testo.substr(inizio));
  return righe;
}

// A small line of 5000 m, without curves or boards: cells 0 to round(12000 / 50) = 240.
const std::string LINEA_PICCOLA = righe_crlf({
    "[generale]",
    "lunghezza percorso, 5000",
    "ripetizione segnali 4 codici, 0, 0",
    "[fine]",
});
// A run with one signal.
const std::string CORSA_PICCOLA = righe_crlf({
    "[generale]",
    "segnale, 2000, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0",
    "[fine]",
});

// The author's desk: a folder holding the texts (the current folder of the program), an
// output folder, and the folder for temporary files, which must be empty after each run.
struct scrivania {
  cartella_temporanea autore;
  cartella_temporanea uscita;
  cartella_temporanea temporanei;

  void testi(const std::string& nome_linea, const std::string& linea, const std::string& nome_treno,
             const std::string& treno) const {
    autore.scrivi(nome_linea, linea);
    autore.scrivi(nome_treno, treno);
  }
  void testi_incorporati(const std::string& nome_linea = TESTO_LINEA,
                         const std::string& nome_treno = TESTO_TRENO) const {
    testi(nome_linea, componi_testo(elenco_linea()), nome_treno, componi_testo(elenco_treno()));
  }
  esito esegui(const std::vector<std::string>& argomenti) const {
    return prova::esegui(ESEGUIBILE, argomenti, autore.percorso(), temporanei.percorso());
  }
  bool nessun_temporaneo() const { return nomi_in(temporanei.percorso()).empty(); }
};

// The author's texts are still there, byte for byte as written.
void testi_intatti(const scrivania& s, const std::string& nome_linea, const std::string& linea,
                   const std::string& nome_treno, const std::string& treno) {
  EXPECT_EQ(nomi_in(s.autore.percorso()), (std::set<std::string>{nome_linea, nome_treno}));
  EXPECT_EQ(s.autore.leggi(nome_linea), linea);
  EXPECT_EQ(s.autore.leggi(nome_treno), treno);
}

// The report of a scenario error: " Errore n. " and the number on the first line, then
// the catalogue's description with the position in metres, then the place in the text.
void rapporto_atteso(const std::string& errori, int32_t numero, const std::string& posizione,
                     const std::string& luogo) {
  const auto voce = cerca_errore(numero);
  ASSERT_TRUE(voce.has_value());
  const std::vector<std::string> righe = righe_di(errori);
  ASSERT_EQ(righe.size(), 3u) << errori;
  EXPECT_EQ(righe[0], " Errore n. " + std::to_string(numero));
  EXPECT_EQ(righe[1].rfind(voce->descrizione, 0), 0u) << righe[1];
  EXPECT_NE(righe[1].find(posizione), std::string::npos) << righe[1];
  EXPECT_EQ(righe[2], luogo);
}

// The names of entries 85 and 86 of a table file: entries of 34 + n bytes, the name's
// length n at offset 14 of the entry and the name at 16.
std::pair<std::string, std::string> nomi_intestazione(const std::string& tabella) {
  std::pair<std::string, std::string> nomi;
  size_t offset = 0;
  for (int indice = 0; indice < 87 && offset + 34 <= tabella.size(); ++indice) {
    const size_t n = static_cast<unsigned char>(tabella[offset + 14]) |
                     static_cast<size_t>(static_cast<unsigned char>(tabella[offset + 15])) << 8;
    if (indice == 85) nomi.first = tabella.substr(offset + 16, n);
    if (indice == 86) nomi.second = tabella.substr(offset + 16, n);
    offset += 34 + n;
  }
  return nomi;
}

TEST(ModoAutore, TestiIncorporatiComeLaCostruzioneIncorporata) {
  // The embedded build, from a copy of the program in a folder of its own.
  cartella_temporanea incorporata;
  cartella_temporanea temporanei_incorporata;
  const fs::path copia = incorporata / fs::path(ESEGUIBILE).filename().string();
  fs::copy_file(ESEGUIBILE, copia);
  const esito base = esegui(copia.string(), {}, temporanei_incorporata.percorso(),
                            temporanei_incorporata.percorso());
  ASSERT_EQ(base.stato, 0) << base.errori;

  // The author's build of the same two texts.
  scrivania s;
  s.testi_incorporati();
  const esito e = s.esegui({"-o", s.uscita.percorso().string(), TESTO_LINEA, TESTO_TRENO});
  EXPECT_EQ(e.stato, 0) << e.errori;
  EXPECT_EQ(e.errori, "");
  EXPECT_EQ(e.uscita, "");
  // Only the three compiled files: neither the driver's sheets nor the texts.
  EXPECT_EQ(nomi_in(s.uscita.percorso()), std::set<std::string>(COMPILATI.begin(), COMPILATI.end()));
  for (const std::string& nome : COMPILATI) {
    ASSERT_TRUE(incorporata.esiste(nome)) << nome;
    EXPECT_TRUE(s.uscita.leggi(nome) == incorporata.leggi(nome)) << nome << " differisce";
  }
  testi_intatti(s, TESTO_LINEA, componi_testo(elenco_linea()), TESTO_TRENO, componi_testo(elenco_treno()));
  EXPECT_TRUE(s.nessun_temporaneo());
}

TEST(ModoAutore, CartellaCorrentePerDifetto) {
  scrivania s;
  s.testi("Prova_linea.txt", LINEA_PICCOLA, "Prova_T1-.txt", CORSA_PICCOLA);
  const esito e = s.esegui({"Prova_linea.txt", "Prova_T1-.txt"});
  ASSERT_EQ(e.stato, 0) << e.errori;
  EXPECT_EQ(nomi_in(s.autore.percorso()),
            (std::set<std::string>{"Prova_linea.txt", "Prova_T1-.txt", "Prova_linea.dat", "Prova_T1.sim",
                                   "Prova_T1.dat"}));
  EXPECT_EQ(s.autore.leggi("Prova_linea.txt"), LINEA_PICCOLA);
  EXPECT_EQ(s.autore.leggi("Prova_T1-.txt"), CORSA_PICCOLA);
  EXPECT_TRUE(s.nessun_temporaneo());
}

TEST(ModoAutore, ErroreNelTestoDellaLinea) {
  // Two boards at 1000 m: the second finds the cell taken by the first, error 6 at its
  // position. Its keyword stands on line 6, after two blanks: column 3.
  const std::string linea = righe_crlf({
      "[generale]",
      "lunghezza percorso, 5000",
      "ripetizione segnali 4 codici, 0, 0",
      "[indicazioni]",
      "cartello_indicatore, 1000, (PRIMO)",
      "  cartello_indicatore, 1000, (SECONDO)",
      "[fine]",
  });
  scrivania s;
  s.testi("Prova_linea.txt", linea, "Prova_T1-.txt", CORSA_PICCOLA);
  // A compiled file of an earlier build stays as it was.
  s.uscita.scrivi("Prova_T1.sim", "build precedente");
  const esito e = s.esegui({"--uscita", s.uscita.percorso().string(), "Prova_linea.txt", "Prova_T1-.txt"});
  EXPECT_EQ(e.stato, 1);
  rapporto_atteso(e.errori, codice::cartello_occupato, "1000 m", "Prova_linea.txt:6:3");
  EXPECT_EQ(e.uscita, "");
  EXPECT_EQ(nomi_in(s.uscita.percorso()), std::set<std::string>{"Prova_T1.sim"});
  EXPECT_EQ(s.uscita.leggi("Prova_T1.sim"), "build precedente");
  testi_intatti(s, "Prova_linea.txt", linea, "Prova_T1-.txt", CORSA_PICCOLA);
  EXPECT_TRUE(s.nessun_temporaneo());
}

TEST(ModoAutore, ErroreNelTestoDellaCorsa) {
  // A second signal at 2000 m finds its cell taken: error 16, on line 3 after one blank.
  // The run text is given by its full path, and the report names it so.
  const std::string corsa = righe_crlf({
      "[generale]",
      "segnale, 2000, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0",
      " segnale, 2000, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0",
      "[fine]",
  });
  scrivania s;
  s.testi("Prova_linea.txt", LINEA_PICCOLA, "Prova_T1-.txt", corsa);
  const std::string pieno = (s.autore / "Prova_T1-.txt").string();
  const esito e = s.esegui({"-o", s.uscita.percorso().string(), "Prova_linea.txt", pieno});
  EXPECT_EQ(e.stato, 1);
  rapporto_atteso(e.errori, codice::segnale_occupato, "2000 m", pieno + ":3:2");
  EXPECT_TRUE(nomi_in(s.uscita.percorso()).empty());
  testi_intatti(s, "Prova_linea.txt", LINEA_PICCOLA, "Prova_T1-.txt", corsa);
  EXPECT_TRUE(s.nessun_temporaneo());
}

TEST(ModoAutore, ErroreDellaRifinituraSenzaLuogo) {
  // A slow-down at 3000 m (start cell 61, warning cell 37) with advance cells 36 to 33;
  // signals in all three cells of the window 5 to 7 cells before the start (cells 54 to
  // 56: positions 2650, 2700, 2750 m) leave the finishing pass no room: error 12 at cell
  // 61, that is 3050 m. It comes from no record, so no place in a text follows.
  const std::string corsa = righe_crlf({
      "[generale]",
      "segnale, 2650, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0",
      "segnale, 2700, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0",
      "segnale, 2750, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0",
      "rallentamento, 3000, 30, 500, 0, 1, 0",
      "[fine]",
  });
  scrivania s;
  s.testi("Prova_linea.txt", LINEA_PICCOLA, "Prova_T1-.txt", corsa);
  const esito e = s.esegui({"-o", s.uscita.percorso().string(), "Prova_linea.txt", "Prova_T1-.txt"});
  EXPECT_EQ(e.stato, 1);
  const std::vector<std::string> righe = righe_di(e.errori);
  ASSERT_EQ(righe.size(), 2u) << e.errori;
  EXPECT_EQ(righe[0], " Errore n. 12");
  EXPECT_NE(righe[1].find("3050 m"), std::string::npos) << righe[1];
  EXPECT_TRUE(nomi_in(s.uscita.percorso()).empty());
  EXPECT_TRUE(s.nessun_temporaneo());
}

TEST(ModoAutore, ControlloNonScriveNulla) {
  scrivania s;
  s.testi_incorporati();
  esito e = s.esegui({"--controlla", TESTO_LINEA, TESTO_TRENO});
  EXPECT_EQ(e.stato, 0) << e.errori;
  EXPECT_EQ(e.errori, "");
  testi_intatti(s, TESTO_LINEA, componi_testo(elenco_linea()), TESTO_TRENO, componi_testo(elenco_treno()));
  EXPECT_TRUE(s.nessun_temporaneo());

  // A check that finds an error reports it like a build.
  const std::string corsa = righe_crlf({"[generale]", "stazione, 1025, 12, 400, 0,0,0, 1,1,0, 4,1,1, 30, 8,0,0, X", "[fine]"});
  s.autore.scrivi(TESTO_TRENO, corsa);
  e = s.esegui({"-c", "-o", s.uscita.percorso().string(), TESTO_LINEA, TESTO_TRENO});
  EXPECT_EQ(e.stato, 1);
  // 1025 is no multiple of 50: error 8 at the station's position, keyword at line 2.
  rapporto_atteso(e.errori, codice::stazione_posizione, "1025 m", TESTO_TRENO + ":2:1");
  EXPECT_TRUE(nomi_in(s.uscita.percorso()).empty());
  testi_intatti(s, TESTO_LINEA, componi_testo(elenco_linea()), TESTO_TRENO, corsa);
  EXPECT_TRUE(s.nessun_temporaneo());
}

TEST(ModoAutore, IdentificativiDalleOpzioni) {
  // Names that follow no form: the identifiers come from the options.
  scrivania s;
  s.testi_incorporati("linea.txt", "corsa.txt");
  esito e = s.esegui({"-o", s.uscita.percorso().string(), "--linea", "Altra", "-t", "X9", "linea.txt",
                      "corsa.txt"});
  ASSERT_EQ(e.stato, 0) << e.errori;
  EXPECT_EQ(nomi_in(s.uscita.percorso()),
            (std::set<std::string>{"Altra_linea.dat", "Altra_X9.sim", "Altra_X9.dat"}));
  // The identifiers are the names of table entries 85 and 86.
  EXPECT_EQ(nomi_intestazione(s.uscita.leggi("Altra_X9.sim")),
            (std::pair<std::string, std::string>{"Altra", "X9"}));

  // Without the options such names give a usage error naming the option to use.
  e = s.esegui({"linea.txt", "corsa.txt"});
  EXPECT_EQ(e.stato, 2);
  EXPECT_EQ(righe_di(e.errori).size(), 1u) << e.errori;
  EXPECT_NE(e.errori.find("--linea"), std::string::npos) << e.errori;

  // Options win over names that do follow the form.
  cartella_temporanea uscita2;
  s.testi_incorporati();
  e = s.esegui({"-o", uscita2.percorso().string(), "-l", "Nuova", "-t", "N1", TESTO_LINEA, TESTO_TRENO});
  ASSERT_EQ(e.stato, 0) << e.errori;
  EXPECT_EQ(nomi_in(uscita2.percorso()), (std::set<std::string>{"Nuova_linea.dat", "Nuova_N1.sim", "Nuova_N1.dat"}));
  EXPECT_TRUE(s.nessun_temporaneo());
}

TEST(ModoAutore, AiutoEVersione) {
  scrivania s;
  esito e = s.esegui({"--help"});
  EXPECT_EQ(e.stato, 0);
  EXPECT_EQ(e.errori, "");
  for (const char* opzione : {"-o", "--uscita", "-l", "--linea", "-t", "--treno", "-c", "--controlla",
                              "-h", "--help", "-V", "--version"}) {
    EXPECT_NE(e.uscita.find(opzione), std::string::npos) << opzione;
  }
  e = s.esegui({"--version"});
  EXPECT_EQ(e.stato, 0);
  EXPECT_EQ(e.errori, "");
  EXPECT_EQ(righe_di(e.uscita).size(), 1u) << e.uscita;
  EXPECT_EQ(e.uscita.rfind("compila_scenario ", 0), 0u) << e.uscita;
  // Neither writes anything, nor builds the embedded scenario.
  EXPECT_TRUE(nomi_in(s.autore.percorso()).empty());
}

TEST(ModoAutore, ErroriDUsoEDelFileSystem) {
  scrivania s;
  s.testi("Prova_linea.txt", LINEA_PICCOLA, "Prova_T1-.txt", CORSA_PICCOLA);
  // A wrong option, a wrong number of texts: one line on standard error, status 2.
  for (const std::vector<std::string>& argomenti :
       {std::vector<std::string>{"--sconosciuta", "Prova_linea.txt", "Prova_T1-.txt"},
        std::vector<std::string>{"Prova_linea.txt"}}) {
    const esito e = s.esegui(argomenti);
    EXPECT_EQ(e.stato, 2) << argomenti[0];
    EXPECT_EQ(e.uscita, "");
    ASSERT_EQ(righe_di(e.errori).size(), 1u) << e.errori;
    EXPECT_EQ(e.errori.back(), '\n');
    EXPECT_EQ(e.errori.rfind("compila_scenario: ", 0), 0u) << e.errori;
    EXPECT_NE(e.errori.find("--help"), std::string::npos) << e.errori;
  }
  // A missing text is named.
  esito e = s.esegui({"Prova_linea.txt", "Prova_T2-.txt"});
  EXPECT_EQ(e.stato, 2);
  EXPECT_NE(e.errori.find("Prova_T2-.txt"), std::string::npos) << e.errori;
  // An output folder that is not there.
  e = s.esegui({"-o", "mancante", "Prova_linea.txt", "Prova_T1-.txt"});
  EXPECT_EQ(e.stato, 2);
  EXPECT_NE(e.errori.find("mancante"), std::string::npos) << e.errori;
  // A compiled file that cannot be written (a folder in its place) after the reading:
  // status 2, and the private copies are gone all the same.
  fs::create_directory(s.uscita / "Prova_T1.sim");
  e = s.esegui({"-o", s.uscita.percorso().string(), "Prova_linea.txt", "Prova_T1-.txt"});
  EXPECT_EQ(e.stato, 2);
  EXPECT_NE(e.errori.find("Prova_T1.sim"), std::string::npos) << e.errori;
  // A text named like a compiled file in the output folder is never overwritten.
  e = s.esegui({"-l", "Prova", "-t", "T1", "Prova_linea.txt", "Prova_T1-.txt"});
  ASSERT_EQ(e.stato, 0) << e.errori;
  const std::string geometria = s.autore.leggi("Prova_linea.dat");
  s.autore.scrivi("Prova_T1.dat", LINEA_PICCOLA);
  e = s.esegui({"-l", "Prova", "-t", "T1", "Prova_T1.dat", "Prova_T1-.txt"});
  EXPECT_EQ(e.stato, 2);
  EXPECT_EQ(s.autore.leggi("Prova_T1.dat"), LINEA_PICCOLA);
  EXPECT_EQ(s.autore.leggi("Prova_linea.dat"), geometria);
  EXPECT_EQ(s.autore.leggi("Prova_linea.txt"), LINEA_PICCOLA);
  EXPECT_EQ(s.autore.leggi("Prova_T1-.txt"), CORSA_PICCOLA);
  EXPECT_TRUE(s.nessun_temporaneo());
}

}  // namespace
}  // namespace scenario
