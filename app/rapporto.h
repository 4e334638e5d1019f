// Turns the diagnostics of a build into what the user reads: one line each,
// "FILE:LINE:COL: error|warning|note: ...", the form that editors' compiler parsers match,
// then the text's line with a caret under the column; or one JSON object each.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "lingue/diagnostiche.h"
#include "piattaforma/piattaforma.h"
#include "model/diagnostica.h"
#include "model/modello.h"

namespace scenario {

enum class formato_diagnostiche { testo, json };

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

// Shows every diagnostic of the list, in the order found, each with its text's line when
// `testi` holds the text it names.
conteggio_diagnostiche mostra_diagnostiche(piattaforma& p, const elenco_diagnostiche& elenco,
                                           std::span<const testo_sorgente> testi,
                                           formato_diagnostiche formato);

// The embedded build: each error as the program's message " Errore n. " and its number,
// followed by the diagnostic's line. True when there was one.
bool mostra_errori(piattaforma& p, const elenco_diagnostiche& elenco);

// The line that ends a successful build: stations, signals, slow-downs, cells, warnings.
std::string riepilogo_costruzione(const modello& m, int avvisi);

// A text in UTF-8: as it is when it already is valid UTF-8, otherwise read as ISO 8859-1.
std::string in_utf8(std::string_view testo);

}  // namespace scenario
