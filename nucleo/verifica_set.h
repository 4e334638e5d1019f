// The finished set checked against the texts. Every record the reading accepted is looked
// up in the compiled set through the format's description (model/formato.h), run the other
// way: its object on its cell, its values as their fields keep them, its stretch of cells
// or of the plan, its table entry. A record the set does not hold as written gets a
// diagnostic at that record, saying what the set holds instead and which record or pass
// put it there; a value that only the format's own step changes gets a warning naming
// what is kept. One check for every way an object can be lost or overwritten, whatever
// the order of the sections.
#pragma once

#include <cstdint>
#include <vector>

#include "model/modello.h"

namespace scenario {

// Looks every record of `m.letti` up in `m` (the track, the table, the plan) and records
// what differs into `m.diagnostiche`. A record that already has an error or a warning of
// lost data at its line is left to it: one mistake, one message. Also warns of objects
// past the line's end and of station names used twice or left empty.
// What the finishing pass may yet take from a record that the set holds as written: the
// free cells (kind 11) that a mountain-side stretch keeps, where the pass may put its
// abbattimento points.
struct attese_finitura {
  struct tratto_libero {
    uint32_t record;              // in `m.letti.records`
    std::vector<int64_t> celle;   // its cells left free
  };
  std::vector<tratto_libero> tratti;
  std::vector<uint32_t> abbattimenti;  // the records of abbattimento points, in reading order
};

attese_finitura verifica_set(modello& m);

// After the finishing pass: the author's abbattimento points it lowered to 180 (those just
// before a signal near a slow-down's warning board), and the stretches of `attese` whose
// every free cell it took, each warned about at its value.
void verifica_dopo_finitura(modello& m, const attese_finitura& attese = {});

}  // namespace scenario
