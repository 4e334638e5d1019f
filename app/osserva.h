// --osserva: the author's loop. The scenario is compiled once, then again whenever one of
// its two description texts is saved, until the program is interrupted (Ctrl-C or
// SIGTERM), which ends it with status 0 once the build under way, if any, is finished.
//
// Editors save by writing a new file and renaming it over the old one, which ends any
// watch on the file itself; so the folders of the texts are watched, and only events for
// the texts' own names count. A save is a burst of events: the build waits until the
// texts have been quiet for a moment.
#pragma once

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "piattaforma/piattaforma.h"
#include "app/riga_comando.h"

namespace scenario {

// The scenario's JSON (as `mostra_scenario --json` prints it) from the bytes of the three
// compiled files, in the order geometry, table, track; empty when they do not decode.
using dati_anteprima = std::function<std::string(
    std::string_view geometria, std::string_view tabella, std::string_view percorso)>;

struct opzioni_osserva {
  // The scenario's data for the --anteprima page; with none, --anteprima writes nothing.
  dati_anteprima dati;
  // How often the page written while watching reads itself again.
  int ricarica_secondi = 2;
  // How long the texts must stay quiet after a save before the build starts.
  std::chrono::milliseconds quiete{150};
  // A burst of saves never holds the build back longer than this.
  std::chrono::milliseconds attesa_massima{1000};
};

// Runs the loop for `r` (an author's build with `osserva`): the builds' messages go to
// `p`, the loop's own lines (a separator with the time before each build, the outcome
// after it) to `uscita`. Returns 0 when interrupted. A folder that cannot be watched
// throws errore_file; a failure of the file system during one build is reported and the
// watch goes on.
int osserva(const riga_comando& r, piattaforma& p, std::ostream& uscita, const opzioni_osserva& o);

// ---- The preview page while watching ----------------------------------------------------

// The page is written after every build: the last good build's scenario and, when the
// build just made failed, its messages above it, the scenario marked as old. While the
// watch goes on the page reads itself again every few seconds (a page opened from the
// disk can read no other file), keeping the part of the line in view; when the watch
// ends it is written once more without that.
struct stato_anteprima {
  std::string json;          // the last good build's; empty before the first
  std::string diagnostiche;  // the messages of the build just made, when it failed
  std::string marca;         // when and which build
};
std::string pagina_osservata(const stato_anteprima& stato, int ricarica_secondi);

// The JSON of the compiled files of `r` just built. Throws errore_file.
std::string dati_compilati(const riga_comando& r, const dati_anteprima& dati);

}  // namespace scenario
