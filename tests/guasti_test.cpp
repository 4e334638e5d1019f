// The build against the faults a user's machine meets: two builds into one folder at once,
// an interrupt at any moment, a file-size limit, a full disk, names that clash, texts that
// are no regular files. Whatever happens, the compiled set in the output folder is whole
// (all the earlier files or all the new ones) and nothing of the build is left behind.
//
// The moments that matter are made to happen: the program stops at the points of its test
// hook (piattaforma/tappe_prova.h) while the test sends a signal or starts a second build there,
// and a build waiting for the folder's lock is seen in the kernel's list of locks. The
// loops over random moments check, for every round, what must hold whenever the moment
// falls; they run a few rounds here, GUASTI_GIRI=50 (scripts/prove_guasti.sh) runs more.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/esecuzione.h"
#include "tests/supporto/scenario_prova.h"
#include "tests/supporto/tappe.h"

extern char** environ;

namespace scenario {
namespace {

namespace fs = std::filesystem;
using namespace prova;
using insieme_file = std::map<std::string, std::string>;

int giri(int predefiniti) {
  const char* valore = std::getenv("GUASTI_GIRI");
  return valore != nullptr && std::atoi(valore) > 0 ? std::atoi(valore) : predefiniti;
}

// One start of the program, as a user's shell starts it: the interrupts at their default
// (whatever this test runner was started with), an optional file-size limit and umask.
struct avvio {
  std::string eseguibile = ESEGUIBILE;
  std::vector<std::string> argomenti;
  fs::path corrente;
  fs::path tmpdir;
  std::optional<rlim_t> limite_file;
  std::optional<mode_t> umask;
  tappe* punti = nullptr;  // with it, the program stops at the points of its test hook
};

// The embedded build as it is run: a copy of the program in `cartella`, started from
// `temporanei`, which is its TMPDIR too.
avvio avvio_incorporato(const fs::path& cartella, const fs::path& temporanei) {
  avvio a;
  a.eseguibile = (cartella / fs::path(ESEGUIBILE).filename()).string();
  fs::copy_file(ESEGUIBILE, a.eseguibile);
  a.corrente = temporanei;
  a.tmpdir = temporanei;
  return a;
}

struct processo {
  pid_t pid = -1;
  fs::path errori;  // standard error goes here
};

processo parti(const avvio& a, const fs::path& file_errori) {
  std::vector<std::string> parole = {a.eseguibile};
  parole.insert(parole.end(), a.argomenti.begin(), a.argomenti.end());
  std::vector<char*> argv;
  for (std::string& p : parole) argv.push_back(p.data());
  argv.push_back(nullptr);
  std::vector<std::string> ambiente = {"TMPDIR=" + a.tmpdir.string()};
  if (a.punti != nullptr) ambiente.push_back(a.punti->variabile());
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string(*e).rfind("TMPDIR=", 0) != 0) ambiente.emplace_back(*e);
  }
  std::vector<char*> envp;
  for (std::string& v : ambiente) envp.push_back(v.data());
  envp.push_back(nullptr);
  const std::string corrente = a.corrente.string();
  const std::string errori = file_errori.string();

  const pid_t pid = fork();
  if (pid == 0) {
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) signal(s, SIG_DFL);
    sigset_t nessuno;
    sigemptyset(&nessuno);
    sigprocmask(SIG_SETMASK, &nessuno, nullptr);
    const int nulla = open("/dev/null", O_RDWR);
    const int err = open(errori.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (nulla < 0 || err < 0 || chdir(corrente.c_str()) != 0) _exit(127);
    dup2(nulla, 0);
    dup2(nulla, 1);
    dup2(err, 2);
    if (a.limite_file) {
      const rlimit limite{*a.limite_file, *a.limite_file};
      if (setrlimit(RLIMIT_FSIZE, &limite) != 0) _exit(126);
    }
    if (a.umask) ::umask(*a.umask);
    if (a.punti != nullptr) fcntl(a.punti->descrittore_programma(), F_SETFD, 0);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  if (a.punti != nullptr) a.punti->avviato();
  return {pid, file_errori};
}

// The exit status, 1000 + the signal for a program killed by a signal, -1 for one that
// has not ended within 30 s (it is then killed: a build never waits on its inputs).
int attendi(const processo& p) {
  const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  int stato = 0;
  for (;;) {
    const pid_t finito = waitpid(p.pid, &stato, WNOHANG);
    if (finito == p.pid) break;
    if (finito < 0) return -2;
    if (std::chrono::steady_clock::now() > limite) {
      kill(p.pid, SIGKILL);
      waitpid(p.pid, &stato, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (WIFEXITED(stato)) return WEXITSTATUS(stato);
  return WIFSIGNALED(stato) ? 1000 + WTERMSIG(stato) : -3;
}

// True once the process `pid` waits for a folder's lock that another holds (the kernel
// lists it in /proc/locks after "->"); false when it ends, or has not come to wait within
// 30 s.
bool attende_il_blocco(pid_t pid) {
  const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  const std::string processo = " " + std::to_string(pid) + " ";
  while (std::chrono::steady_clock::now() < limite) {
    std::ifstream elenco("/proc/locks");
    for (std::string riga; std::getline(elenco, riga);) {
      if (riga.find("-> FLOCK") != std::string::npos && riga.find(processo) != std::string::npos) {
        return true;
      }
    }
    siginfo_t finito{};
    if (waitid(P_PID, static_cast<id_t>(pid), &finito, WEXITED | WNOHANG | WNOWAIT) != 0 ||
        finito.si_pid != 0) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// Two builds into one folder, the second started while the first holds the folder's lock
// (stopped there at the test hook), the first let go once the second waits for the lock.
// The exit statuses of both.
std::pair<int, int> una_attende_l_altra(const avvio& primo, const avvio& secondo,
                                        const fs::path& appunti) {
  tappe punti;
  avvio a = primo;
  a.punti = &punti;
  const processo p1 = parti(a, appunti / "primo");
  EXPECT_TRUE(punti.fino_a("blocco"));
  const processo p2 = parti(secondo, appunti / "secondo");
  EXPECT_TRUE(attende_il_blocco(p2.pid)) << "la seconda costruzione non ha atteso la prima";
  punti.lascia();
  const int stato_primo = attendi(p1);
  return {stato_primo, attendi(p2)};
}

// A build signalled at the point `tappa` of the test hook: while it is stopped there, or,
// given a delay, that many microseconds after it has gone on from there. Its exit status.
int interrotta(const avvio& a, const std::string& tappa, int segnale, std::optional<long> ritardo,
               const fs::path& errori) {
  tappe punti;
  avvio con = a;
  con.punti = &punti;
  const processo p = parti(con, errori);
  EXPECT_TRUE(punti.fino_a(tappa)) << tappa;
  if (ritardo) {
    punti.lascia();
    std::this_thread::sleep_for(std::chrono::microseconds(*ritardo));
  }
  kill(p.pid, segnale);
  punti.lascia();
  return attendi(p);
}

struct esito_guasto {
  int stato;
  std::string errori;
};

esito_guasto esegui_fino_in_fondo(const avvio& a) {
  const cartella_temporanea appunti;
  const processo p = parti(a, appunti / "stderr");
  const int stato = attendi(p);
  return {stato, appunti.leggi("stderr")};
}

// The author's scenario "Val" with train "R1" in two versions that differ in all three
// compiled files: the length of the line (geometry and track) and the name of the first
// station (table). Long lines, so that two builds overlap in time.
std::string linea_versione(int lunghezza) { return linea_di(lunghezza); }
std::string corsa_versione(const std::string& stazione) {
  return treno_di("stazione, 0, 8, 300, 0, 0, 0, 1, 1, 0, 5, 6, 1, 1, 19, 5, 0, " + stazione +
                  "\r\nsegnale, 2000, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0\r\n");
}
const std::vector<std::string> COMPILATI = {"Val_linea.dat", "Val_R1.sim", "Val_R1.dat"};

// The author's desk: texts of two versions, an output folder, a folder for temporaries.
struct banco {
  cartella_temporanea testi;
  cartella_temporanea uscita;
  cartella_temporanea temporanei;

  banco() {
    testi.scrivi("a_linea.txt", linea_versione(300000));
    testi.scrivi("a_corsa.txt", corsa_versione("Alfa / Alfa"));
    testi.scrivi("b_linea.txt", linea_versione(400000));
    testi.scrivi("b_corsa.txt", corsa_versione("Beta / Beta"));
    testi.scrivi("grande_linea.txt", linea_versione(1000000));
    testi.scrivi("grande_corsa.txt", corsa_versione("Gamma / Gamma"));
  }
  avvio costruzione(const std::string& versione, const fs::path& cartella) const {
    avvio a;
    a.argomenti = {"-o", cartella.string(), "-l", "Val", "-t", "R1", versione + "_linea.txt",
                   versione + "_corsa.txt"};
    a.corrente = testi.percorso();
    a.tmpdir = temporanei.percorso();
    return a;
  }
  avvio costruzione(const std::string& versione) const {
    return costruzione(versione, uscita.percorso());
  }
  // The set a version gives when built alone.
  insieme_file riferimento(const std::string& versione) const {
    const cartella_temporanea sola;
    const esito_guasto e = esegui_fino_in_fondo(costruzione(versione, sola.percorso()));
    EXPECT_EQ(e.stato, 0) << e.errori;
    return contenuti_in(sola.percorso());
  }
};

bool uguali(const insieme_file& a, const insieme_file& b) { return a == b; }

TEST(Guasti, DueCostruzioniDAutoreInUnaCartella) {
  const banco b;
  const insieme_file a_solo = b.riferimento("a");
  const insieme_file b_solo = b.riferimento("b");
  // Each version's set is the three compiled files, and the two differ in every one, so
  // a mixed set is told from either.
  ASSERT_EQ(a_solo.size(), 3u);
  for (const std::string& nome : COMPILATI) {
    ASSERT_TRUE(a_solo.count(nome) && b_solo.count(nome)) << nome;
    EXPECT_NE(a_solo.at(nome), b_solo.at(nome)) << nome;
  }
  // The first round makes the overlap happen: "b" starts while "a" holds the folder, so
  // "b" waits and its set, put in place last, is the one left. The others start both at
  // once and let them meet however they do.
  const int n = giri(5);
  const cartella_temporanea appunti;
  for (int giro = 0; giro < n; ++giro) {
    SCOPED_TRACE("giro " + std::to_string(giro));
    const auto [stato_primo, stato_secondo] = [&] {
      if (giro == 0) return una_attende_l_altra(b.costruzione("a"), b.costruzione("b"), appunti.percorso());
      const processo primo = parti(b.costruzione("a"), appunti / "primo");
      const processo secondo = parti(b.costruzione("b"), appunti / "secondo");
      const int stato = attendi(primo);
      return std::pair{stato, attendi(secondo)};
    }();
    EXPECT_EQ(stato_primo, 0) << leggi_tutto(appunti / "primo");
    EXPECT_EQ(stato_secondo, 0) << leggi_tutto(appunti / "secondo");
    const insieme_file trovato = contenuti_in(b.uscita.percorso());
    EXPECT_TRUE(giro == 0 ? uguali(trovato, b_solo) : uguali(trovato, a_solo) || uguali(trovato, b_solo));
    EXPECT_TRUE(nomi_in(b.temporanei.percorso()).empty());
  }
}

TEST(Guasti, UnaCostruzioneAllaVoltaPerCartella) {
  // While another holds the output folder's lock, a build waits and writes nothing there:
  // the author's build no temporary file, the embedded build no description text. Once
  // the lock goes, each finishes with its set.
  const banco b;
  const cartella_temporanea incorporata;
  const avvio a_incorporata = avvio_incorporato(incorporata.percorso(), b.temporanei.percorso());
  const cartella_temporanea appunti;
  for (const auto& [cartella, a] : {std::pair{b.uscita.percorso(), b.costruzione("a")},
                                    std::pair{incorporata.percorso(), a_incorporata}}) {
    const std::set<std::string> prima = nomi_in(cartella);
    const int d = open(cartella.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(d, 0);
    ASSERT_EQ(flock(d, LOCK_EX), 0);
    const processo p = parti(a, appunti / "stderr");
    EXPECT_TRUE(attende_il_blocco(p.pid)) << "la costruzione non ha atteso";
    EXPECT_EQ(nomi_in(cartella), prima);
    close(d);
    EXPECT_EQ(attendi(p), 0) << leggi_tutto(appunti / "stderr");
    EXPECT_EQ(nomi_in(cartella).size(), prima.size() + (cartella == incorporata.percorso() ? 6 : 3));
  }
}

TEST(Guasti, DueCostruzioniIncorporateInUnaCartella) {
  // Each run writes its description texts beside itself, reads them back and deletes
  // them: two at once must not read or delete each other's. The first round makes the
  // second start while the first holds the folder; the others let them meet by chance.
  const cartella_temporanea sola;
  const cartella_temporanea temporanei;
  avvio a = avvio_incorporato(sola.percorso(), temporanei.percorso());
  ASSERT_EQ(esegui_fino_in_fondo(a).stato, 0);
  const insieme_file atteso = contenuti_in(sola.percorso());
  // The program and its six files.
  ASSERT_EQ(atteso.size(), 7u);

  const cartella_temporanea cartella;
  a = avvio_incorporato(cartella.percorso(), temporanei.percorso());
  const int n = giri(5);
  const cartella_temporanea appunti;
  for (int giro = 0; giro < n; ++giro) {
    SCOPED_TRACE("giro " + std::to_string(giro));
    const auto [stato_primo, stato_secondo] = [&] {
      if (giro == 0) return una_attende_l_altra(a, a, appunti.percorso());
      const processo primo = parti(a, appunti / "primo");
      const processo secondo = parti(a, appunti / "secondo");
      const int stato = attendi(primo);
      return std::pair{stato, attendi(secondo)};
    }();
    EXPECT_EQ(stato_primo, 0) << leggi_tutto(appunti / "primo");
    EXPECT_EQ(stato_secondo, 0) << leggi_tutto(appunti / "secondo");
    // Whatever is not exactly the program and its six files, with the right bytes, is a
    // mixed set or a leftover.
    EXPECT_TRUE(uguali(contenuti_in(cartella.percorso()), atteso));
  }
}

// How long an uninterrupted run of `a` takes, in microseconds (the shortest of three).
long durata_di(const avvio& a) {
  long durata = 0;
  for (int i = 0; i < 3; ++i) {
    const auto inizio = std::chrono::steady_clock::now();
    EXPECT_EQ(esegui_fino_in_fondo(a).stato, 0);
    const long questa = static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                              std::chrono::steady_clock::now() - inizio).count());
    durata = i == 0 ? questa : std::min(durata, questa);
  }
  return durata;
}

const int SEGNALI[] = {SIGINT, SIGTERM, SIGHUP};

TEST(Guasti, InterruzioneInUnMomentoQualsiasi) {
  // The 1,000,000 m line over an earlier set of a short line: whenever SIGINT, SIGTERM or
  // SIGHUP comes after the handlers are installed, the program ends with 128 + the signal
  // (or 0, when it finished first) and the folder holds the earlier set or the new one,
  // whole, and nothing else.
  banco b;
  b.testi.scrivi("vecchia_linea.txt", linea_versione(5000));
  b.testi.scrivi("vecchia_corsa.txt", corsa_versione("Alfa / Alfa"));
  const insieme_file vecchio = b.riferimento("vecchia");
  const insieme_file nuovo = b.riferimento("grande");
  const cartella_temporanea appunti;
  // At each point that matters: the set stays the earlier one until the first rename; from
  // there the signal waits for the last, and the set is the new one.
  const std::pair<const char*, const insieme_file*> punti[] = {
      {"gestori", &vecchio}, {"blocco", &vecchio}, {"geometria", &vecchio}, {"scritti", &vecchio},
      {"rinomina", &nuovo}};
  int giro = 0;
  for (const auto& [tappa, atteso] : punti) {
    SCOPED_TRACE(tappa);
    for (const auto& [nome, byte] : vecchio) b.uscita.scrivi(nome, byte);
    const int segnale = SEGNALI[giro++ % 3];
    EXPECT_EQ(interrotta(b.costruzione("grande"), tappa, segnale, std::nullopt, appunti / "stderr"),
              128 + segnale) << leggi_tutto(appunti / "stderr");
    EXPECT_TRUE(uguali(contenuti_in(b.uscita.percorso()), *atteso));
    EXPECT_TRUE(nomi_in(b.temporanei.percorso()).empty());
  }
  // Anywhere else within the build.
  const long durata = durata_di(b.costruzione("grande"));
  std::mt19937 caso(12345);
  const int n = giri(6);
  for (int i = 0; i < n; ++i) {
    SCOPED_TRACE("giro a caso " + std::to_string(i));
    for (const auto& [nome, byte] : vecchio) b.uscita.scrivi(nome, byte);
    const int segnale = SEGNALI[i % 3];
    const long ritardo = std::uniform_int_distribution<long>(0, durata)(caso);
    const int stato = interrotta(b.costruzione("grande"), "gestori", segnale, ritardo, appunti / "stderr");
    EXPECT_TRUE(stato == 128 + segnale || stato == 0) << stato << " " << leggi_tutto(appunti / "stderr");
    const insieme_file trovato = contenuti_in(b.uscita.percorso());
    EXPECT_TRUE(stato == 0 ? uguali(trovato, nuovo) : uguali(trovato, vecchio) || uguali(trovato, nuovo));
    EXPECT_TRUE(nomi_in(b.temporanei.percorso()).empty());
  }
}

TEST(Guasti, UnErroreNellaCorsaMentreSiScriveLaGeometria) {
  // The geometry file is begun as soon as the line text is read; an error in the run text
  // then fails the build: status 1, the earlier set as it was, no temporary file left.
  banco b;
  const insieme_file vecchio = b.riferimento("a");
  for (const auto& [nome, byte] : vecchio) b.uscita.scrivi(nome, byte);
  b.testi.scrivi("rotta_linea.txt", linea_versione(1000000));
  b.testi.scrivi("rotta_corsa.txt", treno_di("velocita, 0, x\r\n"));
  tappe punti;
  avvio a = b.costruzione("rotta");
  a.punti = &punti;
  const cartella_temporanea appunti;
  const processo p = parti(a, appunti / "stderr");
  ASSERT_TRUE(punti.fino_a("geometria"));
  // The geometry's temporary file is there, beside the earlier set.
  EXPECT_EQ(nomi_in(b.uscita.percorso()).size(), vecchio.size() + 1);
  punti.lascia();
  EXPECT_EQ(attendi(p), 1) << leggi_tutto(appunti / "stderr");
  EXPECT_TRUE(uguali(contenuti_in(b.uscita.percorso()), vecchio));
  EXPECT_TRUE(nomi_in(b.temporanei.percorso()).empty());
}

TEST(Guasti, InterruzioneDellaCostruzioneIncorporata) {
  // An interrupted embedded build leaves no description text and no temporary file; the
  // compiled set of the earlier run stays whole (the new one has the same bytes). At each
  // point that matters, then at random moments after the handlers are installed.
  const cartella_temporanea cartella;
  const cartella_temporanea temporanei;
  const avvio a = avvio_incorporato(cartella.percorso(), temporanei.percorso());
  ASSERT_EQ(esegui_fino_in_fondo(a).stato, 0);
  const insieme_file atteso = contenuti_in(cartella.percorso());
  const cartella_temporanea appunti;
  int giro = 0;
  for (const char* tappa : {"gestori", "blocco", "testi", "scritti", "rinomina"}) {
    SCOPED_TRACE(tappa);
    const int segnale = SEGNALI[giro++ % 3];
    EXPECT_EQ(interrotta(a, tappa, segnale, std::nullopt, appunti / "stderr"), 128 + segnale);
    EXPECT_TRUE(uguali(contenuti_in(cartella.percorso()), atteso));
  }
  const long durata = durata_di(a);
  std::mt19937 caso(54321);
  const int n = giri(6);
  for (int i = 0; i < n; ++i) {
    SCOPED_TRACE("giro a caso " + std::to_string(i));
    const int segnale = SEGNALI[i % 3];
    const long ritardo = std::uniform_int_distribution<long>(0, durata)(caso);
    const int stato = interrotta(a, "gestori", segnale, ritardo, appunti / "stderr");
    EXPECT_TRUE(stato == 0 || stato == 128 + segnale) << stato;
    EXPECT_TRUE(uguali(contenuti_in(cartella.percorso()), atteso));
  }
}

// A failure of the file system: status 2, one line naming the user's own path and the
// reason, the earlier set whole, nothing of the build left.
void guasto_del_file_system(const banco& b, const avvio& a, const insieme_file& vecchio,
                            const std::string& riga_attesa) {
  const esito_guasto e = esegui_fino_in_fondo(a);
  EXPECT_EQ(e.stato, 2);
  EXPECT_EQ(e.errori, riga_attesa);
  EXPECT_TRUE(uguali(contenuti_in(fs::path(a.argomenti[1])), vecchio));
  EXPECT_TRUE(nomi_in(b.temporanei.percorso()).empty());
}

TEST(Guasti, LimiteDiDimensioneDeiFile) {
  // Under `ulimit -f` of 1 MiB the geometry of the 1,000,000 m line (20 MB) cannot be
  // written: an ordinary write failure, not a death by SIGXFSZ.
  banco b;
  const insieme_file vecchio = b.riferimento("a");
  for (const auto& [nome, byte] : vecchio) b.uscita.scrivi(nome, byte);
  avvio a = b.costruzione("grande");
  a.limite_file = 1 << 20;
  guasto_del_file_system(b, a, vecchio,
                         "compila_scenario: " + (b.uscita / "Val_linea.dat").string() + ": " +
                             "file troppo grande\n");
}

TEST(Guasti, CollegamentoAUnaCartellaAlPostoDelPercorso) {
  // The track file is written last; a link to a folder under its name is found before
  // the first rename, so the geometry and the table stay the earlier ones too.
  banco b;
  const insieme_file vecchio_intero = b.riferimento("a");
  for (const auto& [nome, byte] : vecchio_intero) b.uscita.scrivi(nome, byte);
  fs::remove(b.uscita / "Val_R1.dat");
  fs::create_directory(b.temporanei / "altrove");
  fs::create_directory_symlink(b.temporanei / "altrove", b.uscita / "Val_R1.dat");
  insieme_file vecchio = vecchio_intero;
  vecchio["Val_R1.dat"] = "<cartella>";
  const esito_guasto e = esegui_fino_in_fondo(b.costruzione("b"));
  EXPECT_EQ(e.stato, 2);
  EXPECT_EQ(e.errori, "compila_scenario: " + (b.uscita / "Val_R1.dat").string() + ": " +
                          "è una cartella\n");
  EXPECT_TRUE(uguali(contenuti_in(b.uscita.percorso()), vecchio));
  EXPECT_EQ(nomi_in(b.temporanei / "altrove"), std::set<std::string>{});
}

TEST(Guasti, DiscoPieno) {
  // A small file system of its own (tmpfs of 2 MiB, in a mount namespace of this test
  // process): the earlier short set fits, the 1,000,000 m line's geometry does not.
  const cartella_temporanea montaggio;
  if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("tmpfs", montaggio.percorso().c_str(), "tmpfs", 0, "size=2m") != 0) {
    GTEST_SKIP() << "non è possibile montare un file system piccolo qui: " << std::strerror(errno);
  }
  struct smontaggio {
    fs::path p;
    ~smontaggio() { umount2(p.c_str(), MNT_DETACH); }
  } smonta{montaggio.percorso()};
  banco b;
  b.testi.scrivi("vecchia_linea.txt", linea_versione(5000));
  b.testi.scrivi("vecchia_corsa.txt", corsa_versione("Alfa / Alfa"));
  const fs::path uscita = montaggio.percorso();
  ASSERT_EQ(esegui_fino_in_fondo(b.costruzione("vecchia", uscita)).stato, 0);
  const insieme_file vecchio = contenuti_in(uscita);
  ASSERT_EQ(vecchio.size(), 3u);
  guasto_del_file_system(b, b.costruzione("grande", uscita), vecchio,
                         "compila_scenario: " + (uscita / "Val_linea.dat").string() + ": " +
                             "disco pieno\n");
}

TEST(Guasti, CartellaDelProgrammaNonScrivibile) {
  // The embedded build of a program in a folder that cannot be written (as where a package
  // puts programs, here a file system mounted read-only, which binds root too): the file
  // it could not make, then what the folder is and where to go instead; nothing written.
  const cartella_temporanea montaggio;
  // Room for the program as built (several times larger under the sanitizers) and a little more.
  const std::string spazio = "size=" + std::to_string(fs::file_size(ESEGUIBILE) / (1024 * 1024) + 8) + "m";
  if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("tmpfs", montaggio.percorso().c_str(), "tmpfs", 0, spazio.c_str()) != 0) {
    GTEST_SKIP() << "non è possibile montare un file system qui: " << std::strerror(errno);
  }
  struct smontaggio {
    fs::path p;
    ~smontaggio() { umount2(p.c_str(), MNT_DETACH); }
  } smonta{montaggio.percorso()};
  const fs::path programma = montaggio / "compila_scenario";
  fs::copy_file(ESEGUIBILE, programma);
  ASSERT_EQ(mount(nullptr, montaggio.percorso().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0)
      << std::strerror(errno);
  const cartella_temporanea altrove;
  const esito e = esegui(programma.string(), {}, altrove.percorso(), altrove.percorso(), {"LC_ALL=C.UTF-8", "LANGUAGE="});
  EXPECT_EQ(e.stato, 2);
  const std::string cartella = montaggio.percorso().string();
  EXPECT_EQ(e.errori, "Attendere\ncompila_scenario: " + (montaggio / "Castrea_Tovena_linea.txt").string() +
                          ": il disco è di sola lettura\n"
                          "compila_scenario: la cartella del programma, " + cartella +
                          ", non si può scrivere (come quella in cui un programma d'installazione mette i programmi), e "
                          "lo scenario incorporato si compila accanto al programma: copiare il programma in una cartella "
                          "propria e avviarlo da lì. I propri testi si compilano nella loro cartella: trascinarli sul "
                          "programma, o compila_scenario TESTO_LINEA TESTO_TRENO.\n");
  EXPECT_EQ(nomi_in(montaggio.percorso()), std::set<std::string>{"compila_scenario"});
}

TEST(Guasti, NomiCheSiScontranoETestiNonRegolari) {
  // Refused before anything is read or written, each with one line that names the culprit,
  // without waiting on a pipe or reading a device.
  banco b;
  b.testi.scrivi("Val_linea.txt", linea_versione(5000));
  b.testi.scrivi("Val_R1-.txt", corsa_versione("Alfa / Alfa"));
  ASSERT_EQ(mkfifo((b.testi / "tubo_linea.txt").c_str(), 0600), 0);
  fs::create_directory(b.testi / "cartella_linea.txt");
  // One byte over the cap, without taking the room on the disk.
  {
    std::FILE* f = std::fopen((b.testi / "enorme_linea.txt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    fs::resize_file(b.testi / "enorme_linea.txt", (uintmax_t{64} << 20) + 1);
  }
  // A text that stands in the output folder under a compiled file's name, directly and
  // through a link.
  b.uscita.scrivi("Val_R1.dat", linea_versione(5000));
  fs::create_symlink(b.uscita / "Val_R1.dat", b.testi / "collegato_linea.txt");
  const std::string o = b.uscita.percorso().string();
  const std::string uso = "; 'compila_scenario --help' per l'aiuto\n";
  struct caso {
    std::vector<std::string> argomenti;
    std::string riga;
  };
  const caso casi[] = {
      // The track file "<linea>_<treno>.dat" is the geometry file "<linea>_linea.dat".
      {{"-o", o, "-t", "linea", "Val_linea.txt", "Val_R1-.txt"},
       "compila_scenario: la linea 'Val' e il treno 'linea' darebbero lo stesso nome "
       "'Val_linea.dat' alla geometria e al percorso: indicare altri identificativi con "
       "--linea e --treno" + uso},
      // Even a check would name a set that cannot exist.
      {{"-c", "-t", "linea", "Val_linea.txt", "Val_R1-.txt"},
       "compila_scenario: la linea 'Val' e il treno 'linea' darebbero lo stesso nome "
       "'Val_linea.dat' alla geometria e al percorso: indicare altri identificativi con "
       "--linea e --treno" + uso},
      {{"-o", o, "-l", "Val", "-t", "R1", o + "/Val_R1.dat", "Val_R1-.txt"},
       "compila_scenario: il testo '" + o + "/Val_R1.dat' ha il nome del file compilato "
       "'Val_R1.dat' nella cartella di uscita e sarebbe sostituito" + uso},
      {{"-o", o, "-l", "Val", "-t", "R1", "collegato_linea.txt", "Val_R1-.txt"},
       "compila_scenario: il testo 'collegato_linea.txt' ha il nome del file compilato "
       "'Val_R1.dat' nella cartella di uscita e sarebbe sostituito" + uso},
      {{"-o", o, "-t", "R1", "tubo_linea.txt", "Val_R1-.txt"},
       "compila_scenario: tubo_linea.txt: non è un file regolare\n"},
      {{"-o", o, "-l", "Val", "-t", "R1", "/dev/zero", "Val_R1-.txt"},
       "compila_scenario: /dev/zero: non è un file regolare\n"},
      {{"-o", o, "-t", "R1", "cartella_linea.txt", "Val_R1-.txt"},
       "compila_scenario: cartella_linea.txt: è una cartella\n"},
      {{"-o", o, "-t", "R1", "enorme_linea.txt", "Val_R1-.txt"},
       "compila_scenario: enorme_linea.txt: testo troppo grande: oltre 64 MiB\n"},
  };
  const insieme_file prima = contenuti_in(b.uscita.percorso());
  for (const caso& c : casi) {
    avvio a;
    a.argomenti = c.argomenti;
    a.corrente = b.testi.percorso();
    a.tmpdir = b.temporanei.percorso();
    const esito_guasto e = esegui_fino_in_fondo(a);
    EXPECT_EQ(e.stato, 2) << c.riga;
    EXPECT_EQ(e.errori, c.riga);
    EXPECT_TRUE(uguali(contenuti_in(b.uscita.percorso()), prima)) << c.riga;
  }
  EXPECT_TRUE(nomi_in(b.temporanei.percorso()).empty());
}

TEST(Guasti, PermessiDeiFileSostituitiENuovi) {
  // A compiled file that replaces another keeps its permissions; a new one gets what the
  // umask leaves of rw-rw-rw-, as cp gives it.
  const banco b;
  const insieme_file vecchio = b.riferimento("a");
  for (const auto& [nome, byte] : vecchio) b.uscita.scrivi(nome, byte);
  fs::permissions(b.uscita / "Val_R1.sim", fs::perms(0600));
  fs::permissions(b.uscita / "Val_R1.dat", fs::perms(0664));
  fs::remove(b.uscita / "Val_linea.dat");
  avvio a = b.costruzione("b");
  a.umask = 027;
  ASSERT_EQ(esegui_fino_in_fondo(a).stato, 0);
  const auto permessi = [&](const std::string& nome) {
    return fs::status(b.uscita / nome).permissions() & fs::perms::all;
  };
  EXPECT_EQ(permessi("Val_R1.sim"), fs::perms(0600));
  EXPECT_EQ(permessi("Val_R1.dat"), fs::perms(0664));
  EXPECT_EQ(permessi("Val_linea.dat"), fs::perms(0666 & ~027));
}

}  // namespace
}  // namespace scenario
