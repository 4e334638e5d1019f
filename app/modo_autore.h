// The author's build: the same reading stage, finishing pass, header values and writers
// as the embedded build, on the author's two description texts. The reading stage deletes
// the texts it has read, so it works on copies in a private folder; the author's files
// are only read.
#pragma once

#include "app/piattaforma.h"
#include "app/riga_comando.h"
#include "model/modello.h"

namespace scenario {

// Builds the scenario of `r` (an `azione_richiesta::costruzione_autore`): the compiled
// files go to `r.uscita`, or nowhere with `r.solo_controllo`. A scenario error ends the
// program through `errore` (status 1) with nothing written; a missing text, an output
// folder that is not there, or any other failure of the file system throws errore_file.
void costruzione_autore(const riga_comando& r, modello& m, piattaforma& p);

}  // namespace scenario
