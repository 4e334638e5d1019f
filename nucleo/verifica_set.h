// The finished set checked against the texts. Every record the reading accepted is looked
// up in the compiled set through the format's description (model/formato.h), run the other
// way: its object on its cell, its values as their fields keep them, its stretch of cells
// or of the plan, its table entry. A record the set does not hold as written gets a
// diagnostic at that record, saying what the set holds instead and which record or pass
// put it there; a value that only the format's own step changes gets a warning naming
// what is kept. One check for every way an object can be lost or overwritten, whatever
// the order of the sections.
#pragma once

#include "model/modello.h"

namespace scenario {

// Looks every record of `m.letti` up in `m` (the track, the table, the plan) and records
// what differs into `m.diagnostiche`. A record that already has an error or a warning of
// lost data at its line is left to it: one mistake, one message. Also warns of objects
// past the line's end and of station names used twice or left empty.
void verifica_set(modello& m);

// After the finishing pass: the author's abbattimento points it lowered to 180 (those just
// before a signal near a slow-down's warning board), each warned about at its value.
void verifica_dopo_finitura(modello& m);

}  // namespace scenario
