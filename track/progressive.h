// Ordering of the three kilometre progressives held in table entries 81 to 83.
#pragma once

#include "model/modello.h"

namespace scenario {

// Puts the definition with the furthest start first and adds 100 to the kilometre value
// of every definition whose flag is 1.
void progressive_ordina(modello& m);

}  // namespace scenario
