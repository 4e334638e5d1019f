// The language server while an author types in the run text of the longest legal
// scenario (1000000 m, both texts open): one change, an incremental edit of a speed
// limit or an adhesion, then the diagnostics of both texts published. Each iteration is one keystroke
// from the message to the last diagnostic sent; the time is the editor's wait. The
// counters give the bytes of the open texts and the process's resident memory after the
// run, which should follow the texts (the model of a check lives only for that check).
// The argument adds that many lines of free notes before the run text's end, to see the
// cost grow with the texts: 30000 of them bring the pair to the 1.4 MB that the largest
// scenarios' texts reach. The second benchmark adds misspelt keywords instead, each a
// warning: the diagnostics published stay at the cap whatever their number. The largest
// texts of many short records are timed too, and the largest scenario with its page kept
// beside the texts: the diagnostics, then the page made again (and written nowhere).
#include <benchmark/benchmark.h>

#include <fstream>
#include <stdexcept>
#include <string>

#include "lsp/server.h"
#include "lsp/testi.h"
#include "bench/scenario_massimo.h"

namespace scenario {
namespace {

class disco_vuoto : public lsp::disco {
 public:
  std::optional<std::string> leggi(const std::string&, std::string*) override { return std::nullopt; }
  std::vector<std::string> nomi(const std::string&) override { return {}; }
  lsp::forma_percorsi forma() const override { return lsp::forma_percorsi::posix; }
  std::optional<std::string> scrivi_pagina(const std::string& nome, std::string_view, std::string*) override {
    return "/pagine/" + nome;
  }
  std::string ora() override { return ""; }
};

std::string stringa_json(const std::string& testo) {
  std::string s = "\"";
  for (const char c : testo) {
    if (c == '\r') {
      s += "\\r";
    } else if (c == '\n') {
      s += "\\n";
    } else if (c == '"' || c == '\\') {
      s += '\\', s += c;
    } else {
      s += c;
    }
  }
  return s + "\"";
}

std::string apri(const std::string& uri, const std::string& testo) {
  return R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":")" + uri +
         R"(","languageId":"scenario","version":1,"text":)" + stringa_json(testo) + "}}}";
}

// Resident memory of the process in KiB (Linux), 0 elsewhere.
double memoria_residente_kib() {
  std::ifstream f("/proc/self/status");
  std::string parola;
  while (f >> parola) {
    if (parola == "VmRSS:") {
      double kib = 0;
      f >> kib;
      return kib;
    }
  }
  return 0;
}

// Keystrokes in the run text of an open pair: the character at `carattere` of line `riga`
// typed over, `cifre` in turn, each change answered with the two texts' diagnostics, none
// when `pulito`, some otherwise.
void batti_tasti(benchmark::State& state, const std::string& linea, const std::string& treno, int64_t riga,
                 int64_t carattere, const char* cifre, bool pulito, bool con_pagina = false) {
  const std::string uri_linea = "file:///scenari/Massima_linea.txt";
  const std::string uri_treno = "file:///scenari/Massima_R1-.txt";
  disco_vuoto d;
  lsp::server s(d);
  s.ricevi(std::string(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}})"));
  s.ricevi(apri(uri_linea, linea));
  s.ricevi(apri(uri_treno, treno));
  if (con_pagina) {
    s.ricevi(std::string(R"({"jsonrpc":"2.0","id":2,"method":"workspace/executeCommand","params":{"command":)"
                         R"("compilaScenario.pagina","arguments":[")") + uri_treno + R"("]}})");
  }
  int64_t versione = 2;
  for (auto _ : state) {
    const std::string cifra(1, cifre[versione % 2]);
    const std::string dove = R"({"line":)" + std::to_string(riga) + R"(,"character":)";
    const std::string modifica =
        R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":")" + uri_treno +
        R"(","version":)" + std::to_string(versione++) + R"(},"contentChanges":[{"range":{"start":)" + dove +
        std::to_string(carattere) + R"(},"end":)" + dove + std::to_string(carattere + 1) + R"(}},"text":")" + cifra +
        R"("}]}})";
    const std::vector<std::string> inviati = s.ricevi(modifica);
    // The page, written once the diagnostics have gone.
    if (con_pagina) s.in_quiete();
    if (inviati.size() != 2 || (inviati[0].find("\"diagnostics\":[]") == std::string::npos) == pulito) {
      throw std::runtime_error("diagnostiche inattese: " + (inviati.empty() ? std::string() : inviati[0].substr(0, 300)));
    }
  }
  state.counters["testi_kib"] = static_cast<double>(linea.size() + treno.size()) / 1024.0;
  state.counters["residente_kib"] = memoria_residente_kib();
}

// The run text with `state.range(0)` lines of `riga_aggiunta` and a number before its end.
// Line 9 of the run text is "velocita, 10000, 90": its speed typed over, 90 and 95 in turn.
void ModificaTestoCorsa(benchmark::State& state, const std::string& riga_aggiunta, bool pulito) {
  std::string treno = testo_treno_massimo();
  std::string note;
  for (int64_t i = 0; i < state.range(0); ++i) note += riga_aggiunta + std::to_string(i) + "\r\n";
  treno.insert(treno.rfind("[fine]"), note);
  batti_tasti(state, testo_linea_massima(), treno, 9, 18, "50", pulito);
}

void ModificaTestoCorsaMassimo(benchmark::State& state) {
  ModificaTestoCorsa(state, "Annotazione libera dell'autore sulla riga ", true);
}
BENCHMARK(ModificaTestoCorsaMassimo)->Arg(0)->Arg(30000)->Unit(benchmark::kMillisecond)->UseRealTime();

void ModificaConMoltiAvvisi(benchmark::State& state) { ModificaTestoCorsa(state, "stazone, ", false); }
BENCHMARK(ModificaConMoltiAvvisi)->Arg(11000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The largest texts as a generator writes them: line 7 of the run text is
// "aderenza,      0,  80", its adhesion typed over, 80 and 85 in turn.
void ModificaTestoCorsaMoltiRecord(benchmark::State& state) {
  const auto [linea, treno] = testi_molti_record();
  batti_tasti(state, linea, treno, 7, 20, "50", true);
}
BENCHMARK(ModificaTestoCorsaMoltiRecord)->Unit(benchmark::kMillisecond)->UseRealTime();

void ModificaConPaginaViva(benchmark::State& state) {
  batti_tasti(state, testo_linea_massima(), testo_treno_massimo(), 9, 18, "50", true, true);
}
BENCHMARK(ModificaConPaginaViva)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace scenario
