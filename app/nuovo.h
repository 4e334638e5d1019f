// --nuovo: the starting pair of description texts written for a new author.
#pragma once

#include <ostream>

#include "app/riga_comando.h"

namespace scenario {

// Writes LINEA_linea.txt and LINEA_TRENO-.txt into `r.uscita` (the current folder when
// empty), which must exist. A file already there is never replaced: nothing is written
// and errore_file names it. On success tells on `uscita` what was written and how to
// compile it, and returns 0.
int scrivi_testi_nuovi(const riga_comando& r, std::ostream& uscita);

}  // namespace scenario
