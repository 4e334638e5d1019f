// The timetable held against the fastest run (nucleo/marcia_tesa.h). For every leg between
// two stations with a time, at the later station's time: warning 329 where the timetable
// gives less than even the limits alone allow (no train can keep it), warning 330, naming
// the assumptions, where it gives less than the fastest run under them. Warnings only: the
// set holds what was written. Beside it, the words every view uses for a run's results.
#pragma once

#include <cstdint>
#include <optional>

#include "lingue/catalogo.h"
#include "model/messaggio.h"
#include "model/modello.h"
#include "nucleo/marcia_tesa.h"

namespace scenario {

// Records the warnings of the legs of `m`'s timetable (a finished set read from texts). A
// station whose time the reading already warned about (times running back, or past
// midnight in two ways, or far after the one before) is left to that warning.
void verifica_orario(modello& m, const scelte_marcia& scelte);

// "accelerazione 0,5 m/s² (predefinita), frenatura 0,79 m/s² (dalla massa frenata del
// 120 %), treno di 105,6 m (4 × 26,4 m)".
messaggio testo_ipotesi(const ipotesi_marcia& ip);
// "5 min 45 s", "45 s", "-1 min 5 s".
messaggio testo_durata(int64_t secondi);
// A least time in whole seconds, rounded up; past where the train cannot go on, that place.
messaggio testo_minimo(double minimo, const std::optional<double>& blocco);
// The timetable's time less the least whole seconds the fastest run needs: below 0 where
// the timetable cannot be kept; nothing when the train cannot make the leg at all.
std::optional<int64_t> margine(const tratta_marcia& t);

// The author's reference's worked example, in `l` (Markdown, a table): one leg worked out
// step by step from the formulas, and the fastest run's time for it as this module gives it.
std::string esempio_marcia(lingua l);

}  // namespace scenario
