#include "piattaforma/sostituzione.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "lingue/catalogo.h"
#include "tests/supporto/cartella_temporanea.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using prova::cartella_temporanea;
using nomi = std::set<std::string>;

nomi nomi_in(const cartella_temporanea& c) {
  nomi trovati;
  for (const auto& voce : fs::directory_iterator(c.percorso())) {
    trovati.insert(voce.path().filename().string());
  }
  return trovati;
}

// The message of the errore_file that `operazione` throws, which must name `file`.
std::string messaggio_di(const std::function<void()>& operazione, const fs::path& file) {
  try {
    operazione();
  } catch (const errore_file& e) {
    EXPECT_EQ(e.file(), file);
    EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
    return e.what();
  }
  ADD_FAILURE() << "nessun errore_file per " << file;
  return "";
}

TEST(SostituisciFile, SostituisceOCreaIlFileIntero) {
  cartella_temporanea c;
  c.scrivi("percorso.dat", std::string(1000, 'x'));
  sostituisci_file(c / "percorso.dat", std::string("ab\0c", 4));
  sostituisci_file(c / "nuovo.sim", "contenuto");
  sostituisci_file(c / "vuoto.dat", "");
  EXPECT_EQ(c.leggi("percorso.dat"), std::string("ab\0c", 4));
  EXPECT_EQ(c.leggi("nuovo.sim"), "contenuto");
  EXPECT_EQ(fs::file_size(c / "vuoto.dat"), 0u);
  // No temporary file left behind.
  EXPECT_EQ(nomi_in(c), (nomi{"nuovo.sim", "percorso.dat", "vuoto.dat"}));
  // The compiled files are read by another program: not private to their writer.
  const auto permessi = fs::status(c / "nuovo.sim").permissions();
  for (fs::perms p : {fs::perms::owner_write, fs::perms::group_read, fs::perms::others_read}) {
    EXPECT_NE(permessi & p, fs::perms::none);
  }
}

TEST(SostituisciFile, ErroriDelFileSystem) {
  // A folder in the file's place stays as it was; the message names the file and why.
  cartella_temporanea c;
  fs::create_directory(c / "linea.dat");
  c.scrivi("linea.dat/dentro", "resta");
  const std::string messaggio =
      messaggio_di([&] { sostituisci_file(c / "linea.dat", "nuovo"); }, c / "linea.dat");
  EXPECT_TRUE(messaggio.ends_with(": è una cartella")) << messaggio;
  EXPECT_EQ(c.leggi("linea.dat/dentro"), "resta");

  // A missing folder: nothing is created.
  const fs::path senza_cartella = c / "manca" / "percorso.dat";
  messaggio_di([&] { sostituisci_file(senza_cartella, "x"); }, senza_cartella);
  EXPECT_EQ(nomi_in(c), nomi{"linea.dat"});
}

TEST(SostituisciFile, MotiviComuniNellaLinguaDelProgramma) {
  // The system's reason for a common failure is said in the words of the catalogue, in
  // the language the program speaks, whichever the system's own is: one line, one
  // language. The same words on both systems.
  cartella_temporanea c;
  fs::create_directory(c / "cartella");
  c.scrivi("sola_lettura.sim", "vecchio");
  fs::permissions(c / "sola_lettura.sim", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  enum class dove { ovunque, posix, windows };
  const dove qui = sistema::percorsi_di_windows() ? dove::windows : dove::posix;
  const struct {
    std::function<void()> operazione;
    fs::path file;
    const char *italiano, *inglese;
    dove solo = dove::ovunque;
  } casi[] = {
      {[&] { leggi_file(c / "assente.txt"); }, c / "assente.txt", "file non trovato", "file not found"},
      {[&] { leggi_file(c / "cartella"); }, c / "cartella", "è una cartella", "is a folder"},
      {[&] { sostituisci_file(c / "cartella", "x"); }, c / "cartella", "è una cartella", "is a folder"},
      // The name of a file 300 letters long, more than any file system holds (which Wine
      // takes for a name not found).
      {[&] { leggi_file(c / std::string(300, 'n')); }, c / std::string(300, 'n'), "nome troppo lungo",
       "name too long", dove::posix},
      // A read-only file stands in the way only on Windows (elsewhere the folder's
      // permissions decide): said so, not as access denied.
      {[&] { sostituisci_file(c / "sola_lettura.sim", "nuovo"); }, c / "sola_lettura.sim",
       "il file è di sola lettura", "the file is read-only", dove::windows},
      {[&] { leggi_file(c / "a<b.txt"); }, c / "a<b.txt", "nome non valido", "invalid name", dove::windows},
  };
  for (const auto& caso : casi) {
    if (caso.solo != dove::ovunque && caso.solo != qui) continue;
    for (const auto& [l, atteso] : {std::pair{lingua::italiano, caso.italiano}, std::pair{lingua::inglese, caso.inglese}}) {
      const lingua_per_ora parla(l);
      const std::string messaggio = messaggio_di(caso.operazione, caso.file);
      EXPECT_TRUE(messaggio.ends_with(std::string(": ") + atteso)) << messaggio;
    }
  }
  fs::permissions(c / "sola_lettura.sim", fs::perms::owner_write, fs::perm_options::add);
}

TEST(CartelleNuove, FattePerUnaCostruzioneRiuscita) {
  // The missing folders are made, the outermost first; they go again, each only while
  // empty, unless kept.
  cartella_temporanea c;
  {
    const cartelle_nuove fatte(c / "a" / "b");
    EXPECT_TRUE(fatte.fatte());
    EXPECT_TRUE(fs::is_directory(c / "a" / "b"));
  }
  EXPECT_EQ(nomi_in(c), nomi{});
  {
    cartelle_nuove fatte(c / "a" / "b");
    fatte.tieni();
  }
  EXPECT_TRUE(fs::is_directory(c / "a" / "b"));
  {
    // "a" was there: only "c" is new, and what came into it keeps it.
    const cartelle_nuove fatte(c / "a" / "c" / "d");
    c.scrivi("a/c/altro", "resta");
  }
  EXPECT_TRUE(fs::exists(c / "a" / "c" / "altro"));
  EXPECT_FALSE(fs::exists(c / "a" / "c" / "d"));
  EXPECT_FALSE(cartelle_nuove(c / "a" / "b").fatte());
  EXPECT_FALSE(cartelle_nuove(fs::path()).fatte());
#ifndef _WIN32
  // A folder that takes none of the user's: named, with where and why, not its parent.
  if (fs::is_directory("/proc/self")) {
    const std::string messaggio = messaggio_di([] { cartelle_nuove("/proc/x"); }, "/proc/x");
    EXPECT_EQ(messaggio, "/proc/x: la cartella non si può creare in '/proc': il sistema non vi accetta cartelle");
  }
#endif
}

#ifndef _WIN32
// A file-size limit is a POSIX process limit.
// Replaces `file` with 4096 bytes under a file size limit of 16 bytes, so that the write
// fails halfway; ends the process with 0 when errore_file was thrown.
[[noreturn]] void sostituisci_oltre_il_limite(const fs::path& file) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limite{16, 16};
  if (setrlimit(RLIMIT_FSIZE, &limite) != 0) std::_Exit(3);
  try {
    sostituisci_file(file, std::string(4096, 'n'));
  } catch (const errore_file&) {
    std::_Exit(0);
  }
  std::_Exit(1);
}

// A failed write must leave the earlier file whole and no temporary file beside it. The
// limit belongs to the process: the replacement runs in a forked child, which works on
// this test's folder and ends without running any destructor.
TEST(SostituisciFileMorte, ScritturaInterrottaLasciaIlVecchioFile) {
  cartella_temporanea c;
  c.scrivi("tabella.sim", "vecchio");
  EXPECT_EXIT(sostituisci_oltre_il_limite(c / "tabella.sim"), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(c.leggi("tabella.sim"), "vecchio");
  EXPECT_EQ(nomi_in(c), nomi{"tabella.sim"});
}

#endif

#ifndef _WIN32
// Links and permissions as POSIX has them.
// An author's text saved as an editor saves it: through a link to the file it leads to,
// the link left a link; a file with a second name rewritten, not replaced, so both names
// see the new text; a text marked read-only refused, whoever runs the program, unchanged.
TEST(SalvaTesto, ComeUnEditor) {
  cartella_temporanea c;
  c.scrivi("vero.txt", "vecchio");
  fs::create_symlink("vero.txt", c / "collegamento.txt");
  salva_testo(c / "collegamento.txt", "nuovo");
  EXPECT_TRUE(fs::is_symlink(c / "collegamento.txt"));
  EXPECT_EQ(c.leggi("vero.txt"), "nuovo");

  fs::create_hard_link(c / "vero.txt", c / "secondo.txt");
  salva_testo(c / "secondo.txt", "terzo");
  EXPECT_EQ(c.leggi("vero.txt"), "terzo");

  c.scrivi("fisso.txt", "fermo");
  fs::permissions(c / "fisso.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const std::string m = messaggio_di([&] { salva_testo(c / "fisso.txt", "no"); }, c / "fisso.txt");
  EXPECT_NE(m.find(traduci("file.sola_lettura")), std::string::npos) << m;
  EXPECT_EQ(c.leggi("fisso.txt"), "fermo");
  EXPECT_EQ(nomi_in(c), (nomi{"collegamento.txt", "fisso.txt", "secondo.txt", "vero.txt"}));
}

// Saves `file` as its owner, the user nobody when the test runs as root (who may add to
// any folder); ends the process with 0 when saved.
[[noreturn]] void salva_come_proprietario(const fs::path& file, std::string_view contenuto) {
  if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(3);
  try {
    salva_testo(file, contenuto);
  } catch (const errore_file&) {
    std::_Exit(1);
  }
  std::_Exit(0);
}

// A writable text in a folder its owner may not add to: no temporary file can be made
// beside it, so it is written in place, cut to the new, shorter length.
TEST(SalvaTestoMorte, CartellaInSolaLettura) {
  cartella_temporanea c;
  c.scrivi("testo.txt", "un testo di prima, più lungo");
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown((c / "testo.txt").c_str(), 65534, 65534), 0);
  }
  fs::permissions(c.percorso(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  EXPECT_EXIT(salva_come_proprietario(c / "testo.txt", "il nuovo"), ::testing::ExitedWithCode(0), "");
  fs::permissions(c.percorso(), fs::perms::owner_all);
  EXPECT_EQ(c.leggi("testo.txt"), "il nuovo");
  EXPECT_EQ(nomi_in(c), nomi{"testo.txt"});
}
#endif

TEST(LeggiFile, TuttiIByteOppureUnErrore) {
  cartella_temporanea c;
  std::string tutti;
  for (int b = 0; b < 256; ++b) tutti.push_back(static_cast<char>(b));
  c.scrivi("byte.dat", tutti + "\r\n" + tutti);
  EXPECT_EQ(leggi_file(c / "byte.dat"), tutti + "\r\n" + tutti);

  messaggio_di([&] { leggi_file(c / "assente.txt"); }, c / "assente.txt");
  // A folder opens like a file but cannot be read: a failure, not an empty content.
  fs::create_directory(c / "cartella");
  messaggio_di([&] { leggi_file(c / "cartella"); }, c / "cartella");
}

#ifndef _WIN32
// TMPDIR is the POSIX way; Windows has its own temporary folder.
TEST(CartellaTemporanei, TmpdirVuotoComeNonImpostato) {
  // Restores TMPDIR as it was, for the tests that follow.
  const char* prima = std::getenv("TMPDIR");
  const std::optional<std::string> salvato = prima ? std::optional<std::string>(prima) : std::nullopt;
  struct ripristino {
    const std::optional<std::string>& valore;
    ~ripristino() { valore ? setenv("TMPDIR", valore->c_str(), 1) : unsetenv("TMPDIR"); }
  } ripristina{salvato};
  const struct {
    const char* valore;  // nullptr: not set
    fs::path atteso;
  } casi[] = {{nullptr, "/tmp"}, {"", "/tmp"}, {"/var/tmp", "/var/tmp"}};
  for (const auto& c : casi) {
    c.valore ? setenv("TMPDIR", c.valore, 1) : unsetenv("TMPDIR");
    EXPECT_EQ(sistema::cartella_temporanei(), c.atteso) << (c.valore ? c.valore : "(non impostato)");
  }
}

#endif

}  // namespace
}  // namespace scenario
