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

#include "app/piattaforma.h"
#include "app/riga_comando.h"

namespace scenario {

// Makes the preview page from the bytes of the three compiled files, in the order
// geometry, table, track.
using pagina_anteprima = std::function<std::string(
    std::string_view geometria, std::string_view tabella, std::string_view percorso)>;

struct opzioni_osserva {
  // The page writer for --anteprima; with none, --anteprima writes nothing.
  pagina_anteprima pagina;
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

// Beside the page PAGINA the watch keeps a small script PAGINA.ricarica.js that holds the
// mark of the latest build. The page, as written while watching, loads that script again
// every second and reloads itself when the mark differs from its own, keeping its scroll
// position. A page opened from the disk cannot read another file, but it can run one.

// The name of the script beside `pagina`.
std::string nome_ricarica(const std::string& pagina);

// `html` with the reloading script put right after its <head> tag (at its start when it
// has none), for a page whose build carries `marca` and whose script is `nome_script`.
std::string con_ricarica(const std::string& html, std::string_view marca,
                         std::string_view nome_script);

// Writes the page `r.anteprima` from the compiled files of `r` just built, with the
// reloading script for `marca`, then the script beside it holding `marca`. Returns the
// page as the writer made it (without the script). Throws errore_file.
std::string scrivi_anteprima_osservata(const riga_comando& r, const pagina_anteprima& pagina,
                                       const std::string& marca);

// At the end of the watch: the page as the writer made it (`html`, without the reloading
// script), and the script beside it removed.
void chiudi_anteprima_osservata(const riga_comando& r, const std::string& html);

}  // namespace scenario
