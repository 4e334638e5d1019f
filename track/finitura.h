// The finishing pass over the track: abbattimento points before the signals near a
// slow-down warning board, before and inside every slow-down and before the first
// signal after it.
#pragma once

#include "model/modello.h"

namespace scenario {

// Walks cells 1 to N - 2 once. Records errors 11, 12 and 13 with their positions and
// goes on after each; the last one recorded stays.
void rifinitura_percorso(modello& m);

}  // namespace scenario
