// The two description texts given back from a compiled scenario: texts an author can edit
// that compile into the same three files, byte for byte. Where no text can give some byte
// (files another program wrote, or damaged ones), the texts hold everything else and the
// cells, entries or metres left out are named with the reason.
#pragma once

#include <string>
#include <vector>

#include "output/decodifica.h"

namespace scenario::vista {

struct testi_ricavati {
  std::string linea;  // LINEA_linea.txt, ISO 8859-1 with CR LF
  std::string treno;  // LINEA_TRENO-.txt
  // What the texts cannot give, one line each ("cella 812: ..."); empty when compiling
  // the texts gives the three files back byte for byte.
  std::vector<std::string> scarti;
  bool completi() const { return scarti.empty(); }
};

// Works the texts out of `s` and compiles them back in memory to check them: the check is
// part of the answer, so `completi()` is true only for texts proven to give the same bytes.
testi_ricavati testi_da_scenario(const scenario_decodificato& s);

// The curvature of each metre's step of the plan, worked out from the points: 0 for a
// straight step, a class's turn per metre (negative to the left), NaN where no step of a
// description text gives the point; 0 for metres without a computed point.
std::vector<double> curvature_per_metro(const scenario_decodificato& s);

}  // namespace scenario::vista
