// The reading stage: the line description text, then the run description text, into
// the scenario model. Each text is deleted once read.
#pragma once

#include "model/modello.h"

namespace scenario {

// Reads both description texts from `m.cartella`. Stops at the first error, recorded in
// `codice_errore` (error 15 ends only the phase it occurs in). Never throws for a
// problem of the texts: a text that cannot be read gives error 25.
void memorizza_dati(modello& m);

// Removes the two description texts of `m` from `m.cartella` if they are still there.
void elimina_testi_descrizione(const modello& m);

}  // namespace scenario
