// Test support: description texts of random scenarios, the same for the same seed on every
// machine (a fixed generator and no library distribution, whose results the standard
// leaves to each implementation).
#pragma once

#include <cstdint>
#include <string>

namespace scenario::prova {

struct coppia_casuale {
  std::string linea;  // line text, CR LF
  std::string treno;  // run text
};

// A line of random length with runs of every kind of record: kilometre numberings,
// backgrounds, signal repetition, curves (overlapping ones too), gradients, mountain-side
// stretches (close together, with and without free cells), indicators, boards with
// accented texts, adhesion, speed limits off the 5 km/h steps, stations of every kind,
// slow-downs, signals and abbattimenti. Objects may collide: such a pair fails to compile.
coppia_casuale scenario_casuale(uint64_t seme);

// The longest line the compiler accepts (1000000 m) with 500 curves, 200 gradients, 20
// boards, 58 stations and a signal every kilometre.
coppia_casuale scenario_massimo();

}  // namespace scenario::prova
