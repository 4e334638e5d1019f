// The driver's timetable card of a compiled scenario, in the layout of the embedded
// scenario's card: heading boxes, then one row per station and per level-crossing or
// bridge board, with the speed limit in force, the kilometre label and the times.
#pragma once

#include <string>

#include "output/decodifica.h"

namespace scenario::vista {

// Texts in UTF-8 and lines ended by LF, for the terminal, as every view.
std::string scheda_orario(const scenario_decodificato& s);

// A station or board name as the card writes it: upper case, no spaces around "/".
std::string nome_scheda(std::string_view latin1);

}  // namespace scenario::vista
