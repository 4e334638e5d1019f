// Benchmarks of the fastest run (nucleo/marcia_tesa.h), which every check of a text runs,
// the language server's on every change included.
//  - MarciaTesaLineaMassima: the longest line (1000000 m, 58 stations, a limit every 10 km,
//    a gradient every 5 km), the legs alone as the check of the timetable asks for them;
//    with argument 1 the run's points too, as the views ask for them.
//  - MarciaTesaIncorporata: the same on the embedded scenario.
#include <benchmark/benchmark.h>

#include <stdexcept>

#include "app/costruzione.h"
#include "bench/scenario_massimo.h"
#include "nucleo/compilazione.h"
#include "nucleo/marcia_tesa.h"
#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"

namespace scenario {
namespace {

modello compilato(const std::string& linea, const std::string& treno, std::string testo_linea, std::string testo_treno) {
  richiesta r;
  r.linea = linea;
  r.treno = treno;
  r.testo_linea = {"linea.txt", std::move(testo_linea), true, ""};
  r.testo_treno = {"treno.txt", std::move(testo_treno), true, ""};
  modello m;
  compila_modello(r, m);
  if (con_errori(m.diagnostiche)) throw std::runtime_error("errore nello scenario");
  return m;
}

void misura(benchmark::State& state, const modello& m) {
  const bool con_punti = state.range(0) != 0;
  size_t tratte = 0, punti = 0;
  for (auto _ : state) {
    const marcia_tesa x = calcola_marcia_tesa(m.percorso, m.tabella, {}, con_punti);
    tratte = x.tratte.size();
    punti = x.punti.size();
    benchmark::DoNotOptimize(x.tratte.data());
  }
  state.counters["tratte"] = static_cast<double>(tratte);
  state.counters["punti"] = static_cast<double>(punti);
}

void MarciaTesaLineaMassima(benchmark::State& state) {
  static const modello m = compilato("Linea_Massima", "R1", testo_linea_massima(), testo_treno_massimo());
  misura(state, m);
}
BENCHMARK(MarciaTesaLineaMassima)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void MarciaTesaIncorporata(benchmark::State& state) {
  static const modello m =
      compilato(LINEA_INCORPORATA, TRENO_INCORPORATO, componi_testo(elenco_linea()), componi_testo(elenco_treno()));
  misura(state, m);
}
BENCHMARK(MarciaTesaIncorporata)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace scenario
