// The words of a diagnostic, made once for every place that shows one (the command line's
// report, the language server, the views): its number's description from the catalogue,
// what the stage said about it, the position, in the language asked for. The place, the
// number and the severity's word travel apart: tools read them and they never change.
#pragma once

#include "lingue/catalogo.h"
#include "model/diagnostica.h"

namespace scenario {

// "Errore n. N: " (or "Avviso n. N: ", "Nota n. N: ") and the number's description, the
// reason when there is one, and the position in metres where the diagnostic has one; a
// diagnostic without a number of the catalogue says its reason alone. UTF-8.
std::string messaggio_diagnostica(const diagnostica& d, lingua l = lingua_attiva());

// What a note says, UTF-8.
std::string messaggio_nota(const nota_diagnostica& n, lingua l = lingua_attiva());

}  // namespace scenario
