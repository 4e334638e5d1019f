// Benchmarks of the build.
//  - CompilaIncorporato: the compile core on the embedded scenario's texts, in memory, the
//    three compiled files handed to a destination that counts and drops their bytes.
//  - CostruzioneIncorporata: the whole embedded build as the program runs it (five texts
//    written, both description texts read back, the compiled files written through
//    temporary files and put in place), into a private folder.
//  - LineaMassima: a line of the greatest accepted length, 1000000 m, with curves all
//    along it, a signal every kilometre and as many stations as the table holds beside its
//    boards: the core with its compiled files written to the folder and put in place.
//  - ScritturaSemplice: the same number of bytes as LineaMassima writes, written with one
//    file replacement: the floor under the compiled files' writing.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include <map>

#include "app/costruzione.h"
#include "piattaforma/piattaforma.h"
#include "piattaforma/sostituzione.h"
#include "bench/scenario_massimo.h"
#include "nucleo/compilazione.h"
#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"
#include "vista/testi_indietro.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;

// A private folder, removed with everything in it at the end of the benchmark.
struct cartella_lavoro : cartella_privata {
  cartella_lavoro() : cartella_privata("bench-compilatore") {}
};

// ---- The longest line ------------------------------------------------------------------

richiesta richiesta_di(const std::string& linea, const std::string& treno, std::string testo_linea,
                       std::string testo_treno) {
  richiesta r;
  r.linea = linea;
  r.treno = treno;
  r.testo_linea = {"linea.txt", std::move(testo_linea), true, ""};
  r.testo_treno = {"treno.txt", std::move(testo_treno), true, ""};
  return r;
}

// Counts the bytes handed to it and keeps none.
class destinazione_conta : public destinazione_byte {
 public:
  void scrivi(std::string_view byte) override { contati += static_cast<int64_t>(byte.size()); }
  void scrivi_a(uint64_t, std::string_view byte) override { contati += static_cast<int64_t>(byte.size()); }
  int64_t contati = 0;
};

class uscite_conta : public uscite_compilate {
 public:
  destinazione_byte& apri(file_compilato) override { return conta; }
  destinazione_conta conta;
};

class finestra_muta : public piattaforma {
 public:
  void mostra_finestra() override {}
  void mostra_messaggio(const std::string&) override {}
};

// ---- Benchmarks ------------------------------------------------------------------------

void CompilaIncorporato(benchmark::State& state) {
  const richiesta r = richiesta_di(LINEA_INCORPORATA, TRENO_INCORPORATO, componi_testo(elenco_linea()),
                                   componi_testo(elenco_treno()));
  int64_t byte = 0;
  for (auto _ : state) {
    modello m;
    uscite_conta u;
    if (!memorizza_percorso(r, m, &u).riuscito) throw std::runtime_error("errore nello scenario");
    byte += u.conta.contati;
  }
  state.SetBytesProcessed(byte);
}
BENCHMARK(CompilaIncorporato)->Unit(benchmark::kMillisecond)->UseRealTime();

void CostruzioneIncorporata(benchmark::State& state) {
  const cartella_lavoro cartella;
  finestra_muta finestra;
  for (auto _ : state) {
    if (Form_Load(cartella.percorso(), finestra) != 0) throw std::runtime_error("costruzione fallita");
  }
}
BENCHMARK(CostruzioneIncorporata)->Unit(benchmark::kMillisecond)->UseRealTime();

void LineaMassima(benchmark::State& state) {
  const cartella_lavoro cartella;
  const richiesta r = richiesta_di("Linea_Massima", "R1", testo_linea_massima(), testo_treno_massimo());
  for (auto _ : state) {
    modello m;
    uscite_su_file u(cartella.percorso(), r.linea, r.treno);
    if (!memorizza_percorso(r, m, &u).riuscito) throw std::runtime_error("errore nello scenario");
    u.conferma();
  }
}
BENCHMARK(LineaMassima)->Unit(benchmark::kMillisecond)->UseRealTime();

// The longest line built into memory, and the texts given back from its three files
// (worked out, then compiled to prove them): the one against the other.
class uscite_memoria : public uscite_compilate {
 public:
  destinazione_byte& apri(file_compilato quale) override { return file[quale]; }
  std::map<file_compilato, destinazione_memoria> file;
};

void LineaMassimaInMemoria(benchmark::State& state) {
  const richiesta r = richiesta_di("Linea_Massima", "R1", testo_linea_massima(), testo_treno_massimo());
  for (auto _ : state) {
    modello m;
    uscite_memoria u;
    if (!memorizza_percorso(r, m, &u).riuscito) throw std::runtime_error("errore nello scenario");
  }
}
BENCHMARK(LineaMassimaInMemoria)->Unit(benchmark::kMillisecond)->UseRealTime();

void TestiIndietroLineaMassima(benchmark::State& state) {
  const richiesta r = richiesta_di("Linea_Massima", "R1", testo_linea_massima(), testo_treno_massimo());
  modello m;
  uscite_memoria u;
  if (!memorizza_percorso(r, m, &u).riuscito) throw std::runtime_error("errore nello scenario");
  const file_compilati_letti f{"Linea_Massima_linea.dat", u.file[file_compilato::geometria].byte,
                               "Linea_Massima_R1.sim", u.file[file_compilato::tabella].byte,
                               "Linea_Massima_R1.dat", u.file[file_compilato::percorso].byte};
  const auto s = decodifica_scenario(f, r.linea, r.treno);
  if (!s) throw std::runtime_error("file non decodificati");
  for (auto _ : state) {
    if (!vista::testi_da_scenario(*s.valore).completi()) throw std::runtime_error("testi incompleti");
  }
}
BENCHMARK(TestiIndietroLineaMassima)->Unit(benchmark::kMillisecond)->UseRealTime();

void ScritturaSemplice(benchmark::State& state) {
  const cartella_lavoro cartella;
  // 20 * 1000000 + 139964 bytes of geometry, 20141 cells of track, a small table.
  const std::string byte(20139964 + 20141 * 15 + 8000, 'x');
  for (auto _ : state) sostituisci_file(cartella.percorso() / "pavimento.dat", byte);
}
BENCHMARK(ScritturaSemplice)->Unit(benchmark::kMillisecond)->UseRealTime();

// A check (-c) of a run text with `errori` mistakes, every one reported (no limit): half
// of them speeds out of range, half misspelt keywords, between good signals. The time
// grows with the text, not with the square of the mistakes.
void ControlloConErrori(benchmark::State& state) {
  const int64_t errori = state.range(0);
  std::vector<std::string> treno = {"[generale]"};
  for (int64_t i = 0; i < errori; ++i) {
    const int64_t p = 1000 + 100 * i;
    treno.push_back(i % 2 == 0 ? "velocita, " + std::to_string(p) + ", 2000" : "segnle, " + std::to_string(p) + ", 2, 2");
    treno.push_back("segnale, " + std::to_string(p + 50) + ", 2, 3, 1, 0, 0, 0, 0, 0, 0, 0");
  }
  treno.push_back("[fine]");
  std::string testo_treno;
  for (const std::string& riga : treno) testo_treno += riga + "\r\n";
  richiesta r = richiesta_di("Errata", "R1", "[generale]\r\nlunghezza percorso, 1000000\r\n[fine]\r\n",
                             testo_treno);
  r.max_errori = 0;
  r.genera_linea = false;
  for (auto _ : state) {
    modello m;
    const risultato esito = memorizza_percorso(r, m, nullptr);
    if (esito.diagnostiche.size() < static_cast<size_t>(errori)) throw std::runtime_error("errori persi");
  }
  state.SetComplexityN(errori);
}
BENCHMARK(ControlloConErrori)->Arg(250)->Arg(1000)->Arg(4000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace scenario
