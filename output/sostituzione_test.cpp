#include "output/sostituzione.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "tests/supporto/cartella_temporanea.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using prova::cartella_temporanea;

std::set<std::string> nomi_in(const fs::path& cartella) {
  std::set<std::string> nomi;
  for (const auto& voce : fs::directory_iterator(cartella)) nomi.insert(voce.path().filename().string());
  return nomi;
}

TEST(SostituisciFile, FileVecchioPiuLungoSparisce) {
  cartella_temporanea c;
  c.scrivi("percorso.dat", std::string(1000, 'x'));
  sostituisci_file(c / "percorso.dat", std::string("ab\0c", 4));
  EXPECT_EQ(c.leggi("percorso.dat"), std::string("ab\0c", 4));
  EXPECT_EQ(nomi_in(c.percorso()), std::set<std::string>{"percorso.dat"});
}

TEST(SostituisciFile, CreaUnFileNuovoLeggibileDaTutti) {
  cartella_temporanea c;
  sostituisci_file(c / "nuovo.sim", "contenuto");
  EXPECT_EQ(c.leggi("nuovo.sim"), "contenuto");
  EXPECT_EQ(leggi_file(c / "nuovo.sim"), "contenuto");
  // The compiled files are read by another program: not private to their writer.
  const auto permessi = fs::status(c / "nuovo.sim").permissions();
  EXPECT_NE(permessi & fs::perms::owner_write, fs::perms::none);
  EXPECT_NE(permessi & fs::perms::group_read, fs::perms::none);
  EXPECT_NE(permessi & fs::perms::others_read, fs::perms::none);

  sostituisci_file(c / "vuoto.dat", "");
  EXPECT_TRUE(c.esiste("vuoto.dat"));
  EXPECT_EQ(fs::file_size(c / "vuoto.dat"), 0u);
}

TEST(SostituisciFile, CartellaAlPostoDelFile) {
  cartella_temporanea c;
  fs::create_directory(c / "linea.dat");
  c.scrivi("linea.dat/dentro", "resta");
  try {
    sostituisci_file(c / "linea.dat", "nuovo");
    FAIL() << "nessun errore_file";
  } catch (const errore_file& e) {
    const std::string messaggio = e.what();
    EXPECT_EQ(e.file(), c / "linea.dat");
    EXPECT_NE(messaggio.find((c / "linea.dat").string()), std::string::npos) << messaggio;
    EXPECT_NE(messaggio.find(std::strerror(EISDIR)), std::string::npos) << messaggio;
  }
  EXPECT_TRUE(fs::is_directory(c / "linea.dat"));
  EXPECT_EQ(c.leggi("linea.dat/dentro"), "resta");
  EXPECT_EQ(nomi_in(c.percorso()), std::set<std::string>{"linea.dat"});
}

TEST(SostituisciFile, CartellaInesistente) {
  cartella_temporanea c;
  const fs::path file = c / "manca" / "percorso.dat";
  try {
    sostituisci_file(file, "x");
    FAIL() << "nessun errore_file";
  } catch (const errore_file& e) {
    EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
  }
  EXPECT_TRUE(nomi_in(c.percorso()).empty());
}

// Replaces `file` with 4096 bytes under a file size limit of 16 bytes, so that the write
// fails halfway; ends the process with 0 when errore_file was thrown.
[[noreturn]] void sostituisci_oltre_il_limite(const fs::path& file) {
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit limite{};
  limite.rlim_cur = 16;
  limite.rlim_max = 16;
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
  EXPECT_EQ(nomi_in(c.percorso()), std::set<std::string>{"tabella.sim"});
}

TEST(LeggiFile, FileMancante) {
  cartella_temporanea c;
  try {
    leggi_file(c / "assente.txt");
    FAIL() << "nessun errore_file";
  } catch (const errore_file& e) {
    EXPECT_EQ(e.file(), c / "assente.txt");
    EXPECT_NE(std::string(e.what()).find("assente.txt"), std::string::npos);
  }
}

TEST(LeggiFile, UnaCartellaNonPassaPerUnFileVuoto) {
  // A folder opens like a file but cannot be read: that is a failure to report, not an
  // empty content.
  cartella_temporanea c;
  fs::create_directory(c / "cartella");
  EXPECT_THROW(leggi_file(c / "cartella"), errore_file);
}

TEST(LeggiFile, TuttiIByte) {
  cartella_temporanea c;
  std::string tutti;
  for (int b = 0; b < 256; ++b) tutti.push_back(static_cast<char>(b));
  c.scrivi("byte.dat", tutti + "\r\n" + tutti);
  EXPECT_EQ(leggi_file(c / "byte.dat"), tutti + "\r\n" + tutti);
}

}  // namespace
}  // namespace scenario
