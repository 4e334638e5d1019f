// --nuovo: the starting pair of description texts written for a new author.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

#include "app/riga_comando.h"

namespace scenario {

// The line that says the output folder `cartella` was made (cartelle_nuove,
// sostituzione.h), headed by the program's name: said once the files are in it.
std::string cartella_creata(const std::filesystem::path& cartella, const char* programma);

// Writes a pair of description texts into two files that must not exist yet: neither is
// written when either is already there (errore_file names it), and a failure part way
// leaves neither behind, nor their folder when it was made for them.
void scrivi_coppia_nuova(const std::filesystem::path& linea, std::string_view testo_linea,
                         const std::filesystem::path& treno, std::string_view testo_treno, const char* programma,
                         std::ostream& avvisi);

// Writes LINEA_linea.txt and LINEA_TRENO-.txt into `r.uscita` (the current folder when
// empty). A file already there is never replaced: nothing is written and errore_file
// names it. On success tells on `uscita` what was written and how to compile it, and
// returns 0.
int scrivi_testi_nuovi(const riga_comando& r, std::ostream& uscita, std::ostream& avvisi);

}  // namespace scenario
