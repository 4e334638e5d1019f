// One diagnostic as a JSON object on one line, for editors and scripts.
#pragma once

#include <string>

#include "model/diagnostica.h"

namespace scenario {

// {"file", "line", "column", "severity", "number", "position", "message"} and, when given,
// "source" (the text's line). `messaggio` and `riga_sorgente` are UTF-8; a missing place or
// position is null. No line end.
std::string diagnostica_in_json(const diagnostica& d, const std::string& messaggio,
                                const std::string& riga_sorgente);

}  // namespace scenario
