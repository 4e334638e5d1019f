// Benchmarks of the build.
//  - CostruzioneIncorporata: the whole build of the embedded scenario, as the program runs
//    it (five texts written, both description texts read back, finishing pass, three
//    compiled files replaced), into a private folder; the window and any message go to a
//    stream that discards them.
//  - LineaMassima: a line of the greatest accepted length, 1000000 m, with curves all
//    along it, a signal every kilometre and as many stations as the table holds beside its
//    boards, read from its description texts, finished, stamped and written. The texts
//    are generated once; since the reading stage deletes them, they are written again
//    before every iteration with the timer paused, so the time is that of reading,
//    finishing, stamping and writing the compiled files.
//  - ScritturaSemplice: the same number of bytes as LineaMassima writes, written with one
//    file replacement: the floor under the compiled files' writing. LineaMassima reports
//    its own time over this floor (measured the same way in its setup) as the counter
//    `su_scrittura_semplice`.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "app/costruzione.h"
#include "app/piattaforma.h"
#include "model/modello.h"
#include "output/file_compilati.h"
#include "app/sostituzione.h"
#include "scenario/testi_incorporati.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;

// A private folder, removed with everything in it at the end of the benchmark.
struct cartella_lavoro : cartella_privata {
  cartella_lavoro() : cartella_privata("bench-compilatore") {}
};

// ---- The longest line ------------------------------------------------------------------

// The bytes of a description text: each line followed by CR LF. The run text of the
// longest line holds more lines than a writer's list of the embedded scenario has room
// for, so it is joined here.
std::string unisci_righe(const std::vector<std::string>& righe) {
  std::string testo;
  for (const std::string& riga : righe) testo += riga + "\r\n";
  return testo;
}

constexpr int32_t LUNGHEZZA = LUNGHEZZA_MASSIMA;  // 1000000 m
// Boards take table entries from 80 down; with B boards the stations can fill entries 1
// to 78 - B (the 79 - B-th would meet the boards: error 10).
constexpr int CARTELLI = 20;
constexpr int STAZIONI = 78 - CARTELLI;
constexpr int32_t PASSO_STAZIONI = 17000;  // 58 stations at 8000, 25000, ... 977000

// Line text: a curve of 300 m every 2 km (500 curves, sides and classes alternating), a
// gradient every 5 km, a board every 50 km. Boards stand at 50000 b + 250 m, cell
// 1000 b + 6, never the cell of a signal (20 j + 11) nor of a stop (340 i + 163).
std::string testo_linea_massima() {
  std::vector<std::string> righe = {
      "[generale]",
      "lunghezza percorso, " + std::to_string(LUNGHEZZA),
      "progressiva chilometrica uno, 0, 150300, 1",
      "progressiva chilometrica due, 0, 0, 0",
      "progressiva chilometrica tre, 0, 0, 0",
      "sfondo uno, 0",
      "sfondo due, 0",
      "sfondo tre, 1",
      "ripetizione segnali 4 codici, 0, 900000",
      "[curve]",
  };
  for (int c = 0; c < 500; ++c) {
    const std::string lato = c % 2 == 0 ? "d" : "s";
    righe.push_back("curva" + lato + std::to_string(1 + c % 6) + ", " +
                    std::to_string(2000 * c + 100) + ", 300");
  }
  righe.push_back("[pendenze]");
  for (int g = 0; g < 200; ++g) {
    righe.push_back("pendenza, " + std::to_string(5000 * g) + ", " + std::to_string(g % 25 - 12));
  }
  righe.push_back("[indicazioni]");
  for (int b = 0; b < CARTELLI; ++b) {
    righe.push_back("cartello_indicatore, " + std::to_string(50000 * b + 250) +
                    ", (P.L.     )(Km " + std::to_string(50 * b) + ".250)");
  }
  righe.push_back("[fine]");
  return unisci_righe(righe);
}

// Run text: a speed limit every 10 km, 58 stations of kind 12 and 400 m (stop cell
// P / 50 + 3 = 340 i + 163), a signal every kilometre at 1000 j + 500 (cell 20 j + 11).
std::string testo_treno_massimo() {
  std::vector<std::string> righe = {
      "[generale]",         "numero vetture, 6", "percentuale massa frenata, 110",
      "sabbia, 300",        "orologio, 6 0 0",   "[aderenze]",
      "aderenza, 0, 100",   "[vel_limite]",
  };
  for (int v = 0; v < 100; ++v) {
    righe.push_back("velocita, " + std::to_string(10000 * v) + ", " + std::to_string(80 + v % 5 * 10));
  }
  righe.push_back("[stazioni]");
  for (int i = 0; i < STAZIONI; ++i) {
    const int32_t posizione = PASSO_STAZIONI * i + 8000;
    const int minuti = 10 * i;
    righe.push_back("stazione, " + std::to_string(posizione) + ", 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 30, " +
                    std::to_string(6 + minuti / 60) + "," + std::to_string(minuti % 60) +
                    ",0, Stazione " + std::to_string(i + 1) + " / Bahnhof " + std::to_string(i + 1));
  }
  righe.push_back("[segnali]");
  for (int j = 0; j < LUNGHEZZA / 1000; ++j) {
    righe.push_back("segnale, " + std::to_string(1000 * j + 500) + ", 2, 4, 0, 0, 0, 0, 0,0,0, 0");
  }
  righe.push_back("[fine]");
  return unisci_righe(righe);
}

modello modello_linea_massima(const fs::path& cartella) {
  modello m;
  m.cartella = cartella;
  m.linea = "Linea_Massima";
  m.treno = "R1";
  return m;
}

void scrivi_testi(const modello& m, const std::string& linea, const std::string& treno) {
  sostituisci_file(m.cartella / nome_testo_linea(m), linea);
  sostituisci_file(m.cartella / nome_testo_treno(m), treno);
}

// One compile of the longest line, as the build does it after writing the texts.
// Returns the error left (0, or a header error), so that the caller can check it.
int32_t compila_linea_massima(modello& m) {
  leggi_e_rifinisci(m, 1);
  if (m.codice_errore != 0) return m.codice_errore;
  if (const int32_t intestazione = timbra_intestazione(m); intestazione != 0) return intestazione;
  scrivi_file_compilati(m);
  return 0;
}

// Bytes of the three compiled files of a finished model.
int64_t byte_compilati(const modello& m) {
  return static_cast<int64_t>(serializza_tracciato(m.tracciato).size() +
                              serializza_tabella(m.tabella).size() +
                              serializza_percorso(m.percorso).size());
}

using orologio = std::chrono::steady_clock;

double secondi_da(orologio::time_point inizio) {
  return std::chrono::duration<double>(orologio::now() - inizio).count();
}

// The floor: one replacement of a file of `byte` bytes, the mean of ten after one that
// is not counted, measured as ScritturaSemplice measures it.
double scrittura_semplice(const fs::path& cartella, int64_t byte) {
  const std::string buffer(static_cast<size_t>(byte), 'x');
  sostituisci_file(cartella / "pavimento.dat", buffer);
  constexpr int volte = 10;
  const auto inizio = orologio::now();
  for (int i = 0; i < volte; ++i) sostituisci_file(cartella / "pavimento.dat", buffer);
  const double secondi = secondi_da(inizio) / volte;
  fs::remove(cartella / "pavimento.dat");
  return secondi;
}

// ---- Benchmarks ------------------------------------------------------------------------

void CostruzioneIncorporata(benchmark::State& state) {
  cartella_lavoro cartella;
  std::ostream scarto(nullptr);  // no buffer: everything written to it is discarded
  piattaforma_console console(scarto);
  for (auto _ : state) {
    modello m;
    m.cartella = cartella.percorso();
    Form_Load(m, console);
    benchmark::DoNotOptimize(m.percorso.data());
  }
}
BENCHMARK(CostruzioneIncorporata)->Unit(benchmark::kMillisecond)->UseRealTime();

void LineaMassima(benchmark::State& state) {
  cartella_lavoro cartella;
  const std::string linea = testo_linea_massima();
  const std::string treno = testo_treno_massimo();

  // Once, untimed: the scenario must compile without error, and its size is measured.
  modello prova = modello_linea_massima(cartella.percorso());
  scrivi_testi(prova, linea, treno);
  if (const int32_t esito = compila_linea_massima(prova); esito != 0) {
    state.SkipWithError(("la linea massima non si compila: errore " + std::to_string(esito)).c_str());
    return;
  }
  const int64_t byte = byte_compilati(prova);
  prova = modello{};
  const double pavimento = scrittura_semplice(cartella.percorso(), byte);

  double secondi = 0;
  for (auto _ : state) {
    state.PauseTiming();
    modello m = modello_linea_massima(cartella.percorso());
    scrivi_testi(m, linea, treno);
    state.ResumeTiming();
    const auto inizio = orologio::now();
    benchmark::DoNotOptimize(compila_linea_massima(m));
    secondi += secondi_da(inizio);
  }
  state.SetBytesProcessed(state.iterations() * byte);
  state.counters["byte_scritti"] = static_cast<double>(byte);
  state.counters["su_scrittura_semplice"] =
      secondi / static_cast<double>(state.iterations()) / pavimento;
}
BENCHMARK(LineaMassima)->Unit(benchmark::kMillisecond)->UseRealTime();

void ScritturaSemplice(benchmark::State& state) {
  cartella_lavoro cartella;
  // The size of the longest line's compiled files, measured as LineaMassima does.
  modello m = modello_linea_massima(cartella.percorso());
  scrivi_testi(m, testo_linea_massima(), testo_treno_massimo());
  if (const int32_t esito = compila_linea_massima(m); esito != 0) {
    state.SkipWithError(("la linea massima non si compila: errore " + std::to_string(esito)).c_str());
    return;
  }
  const int64_t byte = byte_compilati(m);
  m = modello{};
  const std::string buffer(static_cast<size_t>(byte), 'x');
  for (auto _ : state) sostituisci_file(cartella.percorso() / "pavimento.dat", buffer);
  state.SetBytesProcessed(state.iterations() * byte);
  state.counters["byte_scritti"] = static_cast<double>(byte);
}
BENCHMARK(ScritturaSemplice)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace scenario
