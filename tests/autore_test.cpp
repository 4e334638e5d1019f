// The author's build, run as an author runs it: the built program started on description
// texts in a folder of the author's, with a private folder for temporary files.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"
#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/esecuzione.h"
#include "tests/supporto/scenario_prova.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using namespace prova;

const std::string LINEA = "Prova_linea.txt";
const std::string TRENO = "Prova_T1-.txt";

std::vector<std::string> righe_di(const std::string& testo) {
  std::vector<std::string> righe;
  std::istringstream flusso(testo);
  for (std::string riga; std::getline(flusso, riga);) righe.push_back(riga);
  return righe;
}

// A small line of 5000 m, without curves or boards: cells 0 to round(12000 / 50) = 240.
const std::string LINEA_PICCOLA = linea_di(5000);
// A run text holding `record`.
std::string corsa(std::initializer_list<std::string_view> record) {
  return "[generale]\r\n" + righe_crlf(record) + "[fine]\r\n";
}
const std::string SEGNALE = "segnale, 2000, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0";
const std::string CORSA_PICCOLA = corsa({SEGNALE});

// The author's desk: a folder holding the texts (the current folder of the program), an
// output folder, and the folder for temporary files.
struct scrivania {
  cartella_temporanea autore;
  cartella_temporanea uscita;
  cartella_temporanea temporanei;
  std::map<std::string, std::string> scritti;  // the author's files, as written

  void scrivi(const std::string& nome, const std::string& contenuto) {
    autore.scrivi(nome, contenuto);
    scritti[nome] = contenuto;
  }
  void testi_incorporati(const std::string& linea = TESTO_LINEA,
                         const std::string& treno = TESTO_TRENO) {
    scrivi(linea, componi_testo(elenco_linea()));
    scrivi(treno, componi_testo(elenco_treno()));
  }
  esito esegui(std::vector<std::string> argomenti, bool in_uscita = true) const {
    if (in_uscita) argomenti.insert(argomenti.begin(), {"-o", uscita.percorso().string()});
    return prova::esegui(ESEGUIBILE, argomenti, autore.percorso(), temporanei.percorso());
  }
  // The author's files are there byte for byte, with `altri` beside them at most, and no
  // temporary file is left.
  void intatta(const std::set<std::string>& altri = {}) const {
    auto contenuti = contenuti_in(autore.percorso());
    for (const std::string& nome : altri) EXPECT_EQ(contenuti.erase(nome), 1u) << nome;
    EXPECT_TRUE(contenuti == scritti);
    EXPECT_TRUE(nomi_in(temporanei.percorso()).empty());
  }
};

TEST(ModoAutore, TestiIncorporatiComeLaCostruzioneIncorporata) {
  cartella_temporanea incorporata;
  cartella_temporanea corrente;
  const esito base =
      esegui_copia(ESEGUIBILE, incorporata.percorso(), corrente.percorso(), corrente.percorso());
  ASSERT_EQ(base.stato, 0) << base.errori;

  scrivania s;
  s.testi_incorporati();
  // A check writes nothing at all; -q drops the summary line.
  esito e = s.esegui({"--controlla", "-q", TESTO_LINEA, TESTO_TRENO});
  EXPECT_EQ(e.stato, 0) << e.errori;
  EXPECT_EQ(e.errori + e.uscita, "");
  EXPECT_TRUE(nomi_in(s.uscita.percorso()).empty());
  s.intatta();
  // Without an output folder the build writes into the current one: the three compiled
  // files only, neither the driver's sheets nor the texts, byte for byte those of the
  // embedded build.
  e = s.esegui({TESTO_LINEA, TESTO_TRENO}, false);
  EXPECT_EQ(e.stato, 0) << e.errori;
  // The summary: eleven stations, eighteen signals, no slow-down, cells 0 to 920, and not
  // one warning.
  EXPECT_EQ(e.errori, "compila_scenario: 11 stazioni, 18 segnali, 0 rallentamenti, 921 celle, 0 avvisi\n");
  EXPECT_EQ(e.uscita, "");
  const std::set<std::string> compilati = {"Castrea_Tovena_linea.dat", "Castrea_Tovena_R7302.sim",
                                           "Castrea_Tovena_R7302.dat"};
  for (const std::string& nome : compilati) {
    EXPECT_FALSE(incorporata.leggi(nome).empty()) << nome;
    EXPECT_TRUE(s.autore.leggi(nome) == incorporata.leggi(nome)) << nome;
  }
  s.intatta(compilati);
}

TEST(ModoAutore, ErroriDelloScenario) {
  struct caso {
    const char* cosa;
    std::string linea, corsa;
    int32_t numero;
    std::string posizione;
    std::string luogo;            // FILE:LINE:COL of the record
    bool controllo = false;       // with --controlla
    bool percorso_pieno = false;  // the run text given by its full path, and so reported
  };
  // The second board at 1000 m finds the cell of the first; its keyword stands on line 6
  // after two blanks.
  const std::string due_cartelli = linea_di(
      5000, "cartello_indicatore, 1000, (PRIMO)\r\n  cartello_indicatore, 1000, (SECONDO)\r\n");
  // A slow-down at 3000 m (start cell 61, warning cell 37, advance cells 36 to 33); signals
  // on the whole window 5 to 7 cells before the start (cells 54 to 56) leave the finishing
  // pass no room: error 12 at the slow-down's record and its position, 3000 m.
  // Cells round(p / 50) = 54, 55 and 56 hold abbattimenti: the window 5 to 7 cells before
  // the start at cell 61 is full.
  const std::string finestra_piena =
      corsa({"abbattimento, 2700, 60", "abbattimento, 2750, 60", "abbattimento, 2800, 60",
             "rallentamento, 3000, 30, 500, 0, 1, 0"});
  const caso casi[] = {
      // At the value the error is about: the second board's position.
      {"line text", due_cartelli, CORSA_PICCOLA, 6, "1000 m", "Prova_linea.txt:6:24"},
      {"run text", LINEA_PICCOLA, corsa({SEGNALE, " " + SEGNALE}), 16, "2000 m",
       "Prova_T1-.txt:3:11", false, true},
      {"finishing pass", LINEA_PICCOLA, finestra_piena, 12, "3000 m", "Prova_T1-.txt:5:1"},
      // A check reports like a build: 1025 m is no multiple of 50.
      {"check only", LINEA_PICCOLA,
       corsa({"stazione, 1025, 12, 400, 0,0,0, 1,1,0, 4,1,1, 30, 8,0,0, X"}), 8, "1025 m",
       "Prova_T1-.txt:2:11", true},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.cosa);
    scrivania s;
    s.scrivi(LINEA, c.linea);
    s.scrivi(TRENO, c.corsa);
    s.uscita.scrivi("Prova_T1.sim", "build precedente");
    std::vector<std::string> argomenti = {LINEA, TRENO};
    if (c.percorso_pieno) argomenti[1] = (s.autore / TRENO).string();
    if (c.controllo) argomenti.insert(argomenti.begin(), "-c");
    const esito e = s.esegui(argomenti);
    EXPECT_EQ(e.stato, 1);
    EXPECT_EQ(e.uscita, "");
    // FILE:LINE:COL, "error", " Errore n. " and the number, the catalogue's description
    // with the position; then the record's line and a caret under its item (notes on the
    // related places may follow). A run text without stations is warned about on a line
    // of its own.
    std::vector<std::string> righe = righe_di(e.errori);
    std::erase_if(righe, [](const std::string& r) { return r.find(": warning: Avviso n. 305") != std::string::npos; });
    ASSERT_GE(righe.size(), 3u) << e.errori;
    const std::string luogo = c.percorso_pieno ? (s.autore / c.luogo).string() : c.luogo;
    EXPECT_EQ(righe[0], luogo + ": error: Errore n. " + std::to_string(c.numero) + ": " +
                            cerca_errore(c.numero)->descrizione + " (posizione " + c.posizione + ")");
    const int colonna = std::stoi(c.luogo.substr(c.luogo.rfind(':') + 1));
    EXPECT_TRUE(righe[2].starts_with("      | " + std::string(static_cast<size_t>(colonna - 1), ' ') + "^"))
        << righe[2];
    // An earlier build's compiled file stays as it was, and nothing is added.
    EXPECT_EQ(contenuti_in(s.uscita.percorso()),
              (std::map<std::string, std::string>{{"Prova_T1.sim", "build precedente"}}));
    s.intatta();
  }
}

TEST(ModoAutore, ControlloSenzaCartellaTemporanea) {
  // A check writes nothing, so it needs no folder for temporary files: a TMPDIR that does
  // not exist gives the same answer as a good one, for a clean scenario and a wrong one.
  for (const std::string& corsa_prova : {CORSA_PICCOLA, corsa({SEGNALE, SEGNALE})}) {
    scrivania s;
    s.scrivi(LINEA, LINEA_PICCOLA);
    s.scrivi(TRENO, corsa_prova);
    const esito buona = s.esegui({"-c", LINEA, TRENO}, false);
    const esito senza = prova::esegui(ESEGUIBILE, {"-c", LINEA, TRENO}, s.autore.percorso(),
                                      "/nonesiste/davvero");
    EXPECT_EQ(senza.stato, buona.stato);
    EXPECT_EQ(senza.errori, buona.errori);
    EXPECT_EQ(senza.uscita, buona.uscita);
    s.intatta();
  }
}

TEST(ModoAutore, IdentificativiDalleOpzioni) {
  // Names that follow no form: the identifiers come from the options, and name the
  // compiled files and table entries 85 and 86 (a 16-bit length, then the bytes).
  scrivania s;
  s.testi_incorporati("linea.txt", "corsa.txt");
  const esito e = s.esegui({"--linea", "Altra", "-t", "X9", "linea.txt", "corsa.txt"});
  ASSERT_EQ(e.stato, 0) << e.errori;
  EXPECT_EQ(nomi_in(s.uscita.percorso()),
            (std::set<std::string>{"Altra_linea.dat", "Altra_X9.sim", "Altra_X9.dat"}));
  const std::string tabella = s.uscita.leggi("Altra_X9.sim");
  EXPECT_NE(tabella.find(std::string("\x05\0Altra", 7)), std::string::npos);
  EXPECT_NE(tabella.find(std::string("\x02\0X9", 4)), std::string::npos);
  s.intatta();
}

TEST(ModoAutore, AiutoEVersione) {
  scrivania s;
  esito e = s.esegui({"--help"}, false);
  EXPECT_EQ(e.stato, 0);
  EXPECT_EQ(e.errori, "");
  for (const char* opzione : {"-o,", "--uscita", "-l,", "--linea", "-t,", "--treno", "-c,",
                              "--controlla", "-h,", "--help", "-V,", "--version"}) {
    EXPECT_NE(e.uscita.find(opzione), std::string::npos) << opzione;
  }
  e = s.esegui({"--version"}, false);
  EXPECT_EQ(e.stato, 0);
  EXPECT_EQ(e.errori, "");
  EXPECT_EQ(e.uscita, std::string("compila_scenario ") + VERSIONE_PROGRAMMA + "\n");
  // Neither writes anything, nor builds the embedded scenario.
  s.intatta();
}

TEST(ModoAutore, CartellaDiUscitaFattaQuandoManca) {
  // The folder and its parents are made, and one line says so; not again, and not with -q
  // (which drops the summary line too).
  scrivania s;
  s.scrivi(LINEA, LINEA_PICCOLA);
  s.scrivi(TRENO, CORSA_PICCOLA);
  const esito prima = s.esegui({"-o", "nuova/sotto", LINEA, TRENO}, false);
  EXPECT_EQ(prima.stato, 0) << prima.errori;
  // Said once the files are in it, before the summary.
  EXPECT_NE(prima.errori.find("compila_scenario: creata la cartella 'nuova/sotto'\ncompila_scenario: 0 stazioni"),
            std::string::npos)
      << prima.errori;
  EXPECT_EQ(nomi_in(s.autore / "nuova" / "sotto"), (std::set<std::string>{"Prova_linea.dat", "Prova_T1.sim", "Prova_T1.dat"}));
  const esito ancora = s.esegui({"-o", "nuova/sotto", LINEA, TRENO}, false);
  EXPECT_EQ(ancora.errori.find("creata"), std::string::npos) << ancora.errori;
  const esito zitto = s.esegui({"-q", "-o", "altra", LINEA, TRENO}, false);
  EXPECT_EQ(zitto.stato, 0);
  EXPECT_EQ(zitto.errori.find("creata"), std::string::npos) << zitto.errori;
  EXPECT_TRUE(s.autore.esiste("altra/Prova_T1.sim"));
  // A build that fails (status 1, an error in the texts; status 2, a text missing)
  // leaves no folder behind, and says it made none.
  s.scrivi("Rotta_linea.txt", "sconosciuta, 1\r\n");
  s.scrivi("Rotta_T1-.txt", CORSA_PICCOLA);
  for (const auto& [testo, stato] : {std::pair{std::string("Rotta_linea.txt"), 1}, std::pair{std::string("Manca_linea.txt"), 2}}) {
    const esito fallita = s.esegui({"-t", "T1", "-o", "mai/fatta", testo, "Rotta_T1-.txt"}, false);
    EXPECT_EQ(fallita.stato, stato) << fallita.errori;
    EXPECT_EQ(fallita.errori.find("creata"), std::string::npos) << fallita.errori;
    EXPECT_FALSE(s.autore.esiste("mai")) << testo;
  }
}

TEST(ModoAutore, ErroriDUsoEDelFileSystem) {
  scrivania s;
  s.scrivi(LINEA, LINEA_PICCOLA);
  s.scrivi(TRENO, CORSA_PICCOLA);
  // A text named like the compiled track file of its scenario, in the output folder.
  s.scrivi("Prova_T1.dat", LINEA_PICCOLA);
  // A folder where the table file must go, found only after the reading.
  fs::create_directory(s.uscita / "Prova_T1.sim");
  struct caso {
    std::vector<std::string> argomenti;
    std::string nominato;
    bool uso;  // a usage error: one line, pointing to --help
  };
  const caso casi[] = {
      {{"--sconosciuta", LINEA, TRENO}, "--sconosciuta", true},
      // A text alone with no partner beside it: the name looked for.
      {{"Sola_linea.txt"}, "Sola_TRENO-.txt", true},
      {{"linea.txt", "corsa.txt"}, "--linea", true},  // names of no form: the option to use
      {{LINEA, "Prova_T2-.txt"}, "Prova_T2-.txt", false},
      // An output folder that cannot be made: a file stands where it would go.
      {{"-o", "Prova_T1.dat/sotto", LINEA, TRENO}, "Prova_T1.dat", false},
      {{"-o", s.uscita.percorso().string(), LINEA, TRENO}, "Prova_T1.sim", false},
      {{"-l", "Prova", "-t", "T1", "Prova_T1.dat", TRENO}, "Prova_T1.dat", false},
  };
  for (const caso& c : casi) {
    const esito e = s.esegui(c.argomenti, false);
    EXPECT_EQ(e.stato, 2) << e.errori;
    EXPECT_EQ(e.uscita, "");
    EXPECT_TRUE(e.errori.starts_with("compila_scenario: ")) << e.errori;
    EXPECT_NE(e.errori.find(c.nominato), std::string::npos) << e.errori;
    if (c.uso) {
      EXPECT_EQ(e.errori.find('\n'), e.errori.size() - 1) << e.errori;
      EXPECT_NE(e.errori.find("--help"), std::string::npos) << e.errori;
    }
  }
  // The compiled files go in place together or not at all: the geometry file, written
  // before the table file failed, is not there either.
  EXPECT_EQ(nomi_in(s.uscita.percorso()), (std::set<std::string>{"Prova_T1.sim"}));
  s.intatta();
}

}  // namespace
}  // namespace scenario
