// The header values of the compiled files: 610 and 5121, and the two identity codes.
#pragma once

#include <cstdint>

#include "model/modello.h"

namespace scenario {

// Checks that the four header places are still zero and stamps them: table entry 85
// valore1 = 610 and cell 1 dato1 = 5121, then entry 85 orario = codice_gara_st and
// cell 1 dato2 = codice_gara_og. A place already taken is error 1250 (values) or 1251
// (codes), recorded; nothing is stamped from that check on. Returns the error, or 0.
int32_t timbra_intestazione(modello& m);

}  // namespace scenario
