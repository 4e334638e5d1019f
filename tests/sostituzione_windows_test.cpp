// Replacing the compiled set where Windows differs: a file that another program holds
// open without letting it be deleted (the simulator with the scenario loaded), or one
// marked read-only, cannot be renamed over. Found before the first rename, the earlier
// set stays whole, and no temporary file is left.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/esecuzione.h"
#include "tests/supporto/esecuzione_sfondo.h"
#include "tests/supporto/scenario_prova.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using namespace prova;

const fs::path ESEMPI = fs::path(CARTELLA_RIFERIMENTI) / ".." / ".." / "examples";

TEST(SostituzioneWindows, FileTenutoApertoOSolaLettura) {
  for (const bool sola_lettura : {false, true}) {
    SCOPED_TRACE(sola_lettura ? "sola lettura" : "aperto");
    cartella_temporanea testi, uscita;
    testi.scrivi("Valmora_linea.txt", leggi_tutto(ESEMPI / "Valmora_linea.txt"));
    testi.scrivi("Valmora_R2215-.txt", leggi_tutto(ESEMPI / "Valmora_R2215-.txt"));
    // The earlier set; the track file, renamed last, is the one held.
    for (const char* nome : {"Valmora_linea.dat", "Valmora_R2215.sim", "Valmora_R2215.dat"}) {
      uscita.scrivi(nome, std::string("prima ") + nome);
    }
    const fs::path tenuto = uscita / "Valmora_R2215.dat";
    HANDLE aperto = INVALID_HANDLE_VALUE;
    if (sola_lettura) {
      ASSERT_TRUE(SetFileAttributesW(tenuto.c_str(), FILE_ATTRIBUTE_READONLY));
    } else {
      aperto = CreateFileW(tenuto.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(aperto, INVALID_HANDLE_VALUE);
    }
    const auto prima = contenuti_in(uscita.percorso());
    const esito e = esegui(ESEGUIBILE, {"-o", uscita.percorso().string(), "Valmora_linea.txt", "Valmora_R2215-.txt"},
                           testi.percorso(), testi.percorso());
    if (aperto != INVALID_HANDLE_VALUE) CloseHandle(aperto);
    SetFileAttributesW(tenuto.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(e.stato, 2) << e.errori;
    EXPECT_NE(e.errori.find("Valmora_R2215.dat: "), std::string::npos) << e.errori;
    EXPECT_TRUE(contenuti_in(uscita.percorso()) == prima);
  }
}

// However the holder shares the file (nothing, reading, writing, deleting, all of them),
// a compiled file held open is told as in use before anything is renamed: the earlier set
// whole, no temporary file or second name of an earlier file beside it, while the holder
// still has it open.
TEST(SostituzioneWindows, OgniModoDiCondivisioneEInUso) {
  const struct {
    const char* nome;
    DWORD accesso;
    DWORD condivisione;
  } casi[] = {
      {"niente", GENERIC_READ, 0},
      {"lettura", GENERIC_READ, FILE_SHARE_READ},
      {"lettura e scrittura", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE},
      {"lettura ed eliminazione", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE},
      {"tutto", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
      {"solo eliminazione", GENERIC_READ, FILE_SHARE_DELETE},
      {"scrittura, tutto condiviso", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
  };
  cartella_temporanea testi;
  testi.scrivi("Valmora_linea.txt", leggi_tutto(ESEMPI / "Valmora_linea.txt"));
  testi.scrivi("Valmora_R2215-.txt", leggi_tutto(ESEMPI / "Valmora_R2215-.txt"));
  for (const auto& c : casi) {
    for (const char* tenuto_nome : {"Valmora_linea.dat", "Valmora_R2215.dat"}) {
      SCOPED_TRACE(std::string(c.nome) + ", " + tenuto_nome);
      cartella_temporanea uscita;
      for (const char* nome : {"Valmora_linea.dat", "Valmora_R2215.sim", "Valmora_R2215.dat"}) {
        uscita.scrivi(nome, std::string("prima ") + nome);
      }
      const fs::path tenuto = uscita / tenuto_nome;
      // Read before the holder opens it: a holder that shares no reading keeps the test
      // from reading the file too.
      const auto prima = contenuti_in(uscita.percorso());
      std::set<std::string> nomi_prima;
      for (const auto& [nome, byte] : prima) nomi_prima.insert(nome);
      const HANDLE aperto = CreateFileW(tenuto.c_str(), c.accesso, c.condivisione, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(aperto, INVALID_HANDLE_VALUE);
      const esito e = esegui(ESEGUIBILE, {"--lingua=it", "-o", uscita.percorso().string(), "Valmora_linea.txt",
                                          "Valmora_R2215-.txt"},
                             testi.percorso(), testi.percorso());
      // Looked at while the holder still has the file: a name being deleted, or a
      // temporary beside it, would still be there.
      const auto nomi_dopo = nomi_in(uscita.percorso());
      CloseHandle(aperto);
      EXPECT_EQ(e.stato, 2) << e.errori;
      EXPECT_NE(e.errori.find(std::string(tenuto_nome) + ": il file è in uso da un altro programma"), std::string::npos)
          << e.errori;
      EXPECT_EQ(nomi_dopo, nomi_prima);
      EXPECT_TRUE(contenuti_in(uscita.percorso()) == prima);
    }
  }
}

TEST(SostituzioneWindows, CondivisioneDiReteIrraggiungibile) {
  // An output folder on a share that does not answer, in both its forms: the share is
  // named, with why, not a folder of it nor the root of a drive.
  cartella_temporanea testi;
  testi.scrivi("Valmora_linea.txt", leggi_tutto(ESEMPI / "Valmora_linea.txt"));
  testi.scrivi("Valmora_R2215-.txt", leggi_tutto(ESEMPI / "Valmora_R2215-.txt"));
  for (const std::string uscita : {"\\\\nessun-server\\condivisa\\scenari\\out",
                                   "\\\\?\\UNC\\nessun-server\\condivisa\\scenari\\out"}) {
    const esito e = esegui(ESEGUIBILE, {"--lingua=it", "-o", uscita, "Valmora_linea.txt", "Valmora_R2215-.txt"},
                           testi.percorso(), testi.percorso());
    EXPECT_EQ(e.stato, 2) << e.errori;
    EXPECT_TRUE(e.errori.starts_with("compila_scenario: \\\\nessun-server\\condivisa: la condivisione di rete non si "
                                     "raggiunge ("))
        << uscita << ": " << e.errori;
  }
}

TEST(SostituzioneWindows, DueCostruzioniIncorporateNellaStessaCartella) {
  // Without the folder's lock the second build's texts would be overwritten and deleted
  // under the first one ("file not found", status 2). With it every build succeeds,
  // however their starts fall, and the folder holds the six files and the program alone.
  cartella_temporanea cartella;
  const fs::path copia = cartella / fs::path(ESEGUIBILE).filename().string();
  fs::copy_file(ESEGUIBILE, copia);
  for (int giro = 0; giro < 6; ++giro) {
    processo_sfondo primo(copia.string(), {}, cartella.percorso(), cartella.percorso());
    processo_sfondo secondo(copia.string(), {}, cartella.percorso(), cartella.percorso());
    EXPECT_EQ(primo.attendi(), 0) << primo.errori();
    EXPECT_EQ(secondo.attendi(), 0) << secondo.errori();
  }
  EXPECT_EQ(nomi_in(cartella.percorso()),
            (std::set<std::string>{GEOMETRIA, TABELLA, PERCORSO, SCHEDA, RALLENTAMENTI, NOTE,
                                   copia.filename().string()}));
}

}  // namespace
}  // namespace scenario
