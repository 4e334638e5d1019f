// The page of the open texts beside the editor: the same page as --anteprima writes, made
// from what the check of a pair just compiled in memory (the editor's unsaved texts), and
// written again after every check of that pair. A check that fails leaves the last good
// scenario on the page under its diagnostics, as the console shows them, as --osserva
// does.
#pragma once

#include <string>
#include <string_view>

#include "model/modello.h"
#include "nucleo/compilazione.h"

namespace scenario::lsp {

// How often the page in a browser reads itself again, in seconds.
inline constexpr int RICARICA_PAGINA_VIVA = 1;

// One page kept beside the texts.
struct pagina_viva {
  std::string nome;      // its file, in the server's folder of pages
  std::string json;      // the last good build's scenario; empty before one
  int numero = 0;        // the checks written so far
};

// What a check (the pair `q` compiled into `m`) shows on the page `p`, which keeps the
// scenario of a good one. `severo`: a warning fails the build, as with --severo; `note`:
// the catalogue's notes are shown among the diagnostics, as with --verboso. `ora` is the
// time of the check, for the page's mark.
std::string pagina_del_controllo(const richiesta& q, const modello& m, bool severo, bool note, pagina_viva& p,
                                 std::string_view ora);

}  // namespace scenario::lsp
