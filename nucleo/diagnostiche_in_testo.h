// The diagnostics of a build as the user reads them: one line each,
// "FILE:LINE:COL: error|warning|note: ...", the form that editors' compiler parsers match,
// then the text's line with a caret under the column. The console, the page of a check
// and the command line's report all show them through here.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "lingue/diagnostiche.h"
#include "model/diagnostica.h"

namespace scenario {

// A description text as read, for the lines shown under the diagnostics.
struct testo_sorgente {
  std::string etichetta;
  std::string_view byte;
};

// The first line: the place ("FILE:LINE:COL: ", "FILE: " for a whole text, or the
// program's name for no text at all), the severity, the message (lingue/diagnostiche.h).
std::string riga_diagnostica(const diagnostica& d, lingua l = lingua_attiva());

// Line `riga` (1-based) of a text, without its line end, in UTF-8; empty when there is no
// such line or it cannot be shown.
std::string riga_del_testo(std::string_view testo, int32_t riga);

// The diagnostic as shown: its first line, then the text's line and a caret under the
// column when `testo` holds the text it names.
std::string rendi_diagnostica(const diagnostica& d, std::string_view testo);

struct conteggio_diagnostiche {
  int errori = 0;
  int avvisi = 0;
};

// The messages that show the list, in the order found, each handed to `mostra`: a
// diagnostic's own, with its text's line when `testi` holds the text it names, then one for
// each of its notes. With `in_json` a diagnostic is one message, made by it from the
// diagnostic and its text's line (empty when there is none).
using diagnostica_in_json_fn = std::function<std::string(const diagnostica&, const std::string&)>;
conteggio_diagnostiche rendi_diagnostiche(const elenco_diagnostiche& elenco, std::span<const testo_sorgente> testi,
                                          const std::function<void(const std::string&)>& mostra,
                                          const diagnostica_in_json_fn& in_json = nullptr);

// The list as the console shows it: every message, each ended by a line end.
std::string diagnostiche_in_testo(const elenco_diagnostiche& elenco, std::span<const testo_sorgente> testi);

// A text in UTF-8: as it is when it already is valid UTF-8, otherwise read as ISO 8859-1.
std::string in_utf8(std::string_view testo);

}  // namespace scenario
