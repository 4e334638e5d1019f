// The compile core: two description texts in, three compiled files and the diagnostics
// out. It touches no file: the texts come as bytes, and each compiled file goes to a
// destination that the caller provides, only when the scenario has no error.
#pragma once

#include <functional>
#include <string>

#include "model/modello.h"
#include "nucleo/marcia_tesa.h"
#include "output/file_compilati.h"
#include "text/lettura_dati.h"

namespace scenario {

enum class file_compilato { geometria, tabella, percorso };

// Where the compiled files go: the caller hands out one destination a file, in the order
// geometry (when the plan is built), table, track.
class uscite_compilate {
 public:
  virtual ~uscite_compilate() = default;
  virtual destinazione_byte& apri(file_compilato quale) = 0;
};

struct richiesta {
  testo_ingresso testo_linea;
  testo_ingresso testo_treno;
  std::string linea;
  std::string treno;
  bool genera_linea = true;  // build the plan of the line and its geometry file
  int32_t max_errori = 50;   // the reading stops after this many errors (0: no limit)
  // The reading of old: what the set will not hold as written is a warning, and the
  // scenario is built as it always was. Otherwise it is an error, and nothing is built.
  bool permissivo = false;
  // The train's acceleration and braking for the fastest run the timetable is held
  // against (nucleo/verifica_orario.h); nothing: the run's own assumptions.
  scelte_marcia marcia;
  // Called once the plan of the line is final, the line text read without an error and
  // the run text still to be read, with a copy of the plan: the edge may write the
  // geometry file from it while the build goes on. When it answers true the geometry
  // file is the edge's, and `uscite` is not asked for it. Never called without the plan.
  std::function<bool(piano_tracciato)> piano_pronto;
};

struct risultato {
  elenco_diagnostiche diagnostiche;
  testi_eliminati eliminati;  // the description texts the build is done with
  bool riuscito = false;      // no error: every compiled file went to its destination
};

// The scenario of `r` into `m` (a fresh model): the table and the error state cleared,
// both texts read, the finishing pass, the header values and identity codes stamped.
testi_eliminati compila_modello(const richiesta& r, modello& m);

// `compila_modello`, then, when no error was recorded, the compiled files into `uscite`
// (none with a null `uscite`: a check only).
risultato memorizza_percorso(const richiesta& r, modello& m, uscite_compilate* uscite);

}  // namespace scenario
