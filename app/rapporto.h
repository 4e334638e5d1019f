// The diagnostics of a build shown on the console: as text (nucleo/diagnostiche_in_testo.h),
// or one JSON object each.
#pragma once

#include <span>
#include <string>

#include "model/modello.h"
#include "nucleo/diagnostiche_in_testo.h"
#include "piattaforma/piattaforma.h"

namespace scenario {

enum class formato_diagnostiche { testo, json };

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

}  // namespace scenario
