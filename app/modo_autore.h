// The author's build: the same compile core as the embedded build, on the author's two
// description texts, read into memory and never changed.
#pragma once

#include "piattaforma/piattaforma.h"
#include "app/riga_comando.h"
#include "model/diagnostica.h"

namespace scenario {

// Builds the scenario of `r` (an `azione_richiesta::costruzione_autore`): the compiled
// files go to `r.uscita`, or nowhere with `r.solo_controllo`. Returns the exit status: a
// scenario error is shown and gives 1 with nothing written. A missing or unreadable text,
// an output folder that is not there, or any other failure of the file system throws
// errore_file.
int costruzione_autore(const riga_comando& r, piattaforma& p);

// What the author is shown of a build's diagnostics: errors and warnings; the notes that
// only inform with --verboso; nothing but errors and warnings with -q.
elenco_diagnostiche diagnostiche_da_mostrare(const elenco_diagnostiche& tutte, const riga_comando& r);

}  // namespace scenario
