// --nuovo: the starting pair of description texts written for a new author.
#pragma once

#include <filesystem>
#include <ostream>
#include <string_view>

#include "app/riga_comando.h"

namespace scenario {

// Writes LINEA_linea.txt and LINEA_TRENO-.txt into `r.uscita` (the current folder when
// empty), which must exist. A file already there is never replaced: nothing is written
// and errore_file names it. On success tells on `uscita` what was written and how to
// compile it, and returns 0.
// Writes a pair of description texts into two files that must not exist yet: neither is
// written when either is already there (errore_file names it), and a failure part way
// leaves neither behind.
void scrivi_coppia_nuova(const std::filesystem::path& linea, std::string_view testo_linea,
                         const std::filesystem::path& treno, std::string_view testo_treno);

int scrivi_testi_nuovi(const riga_comando& r, std::ostream& uscita);

}  // namespace scenario
