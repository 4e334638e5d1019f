// Turns the diagnostics of a build into what the user reads.
#pragma once

#include <string>

#include "app/piattaforma.h"
#include "model/diagnostica.h"

namespace scenario {

// What follows " Errore n. " and the number: the catalogue's description (with the reason
// of a reading failure) and, where the error has one, the position in metres; then, on a
// line of its own, the place in the description text (file:line:column).
std::string dettaglio_diagnostica(const diagnostica& d);

// Shows every error of the list, in the order found. True when there was one.
bool mostra_errori(piattaforma& p, const elenco_diagnostiche& elenco);

}  // namespace scenario
