// The starting pair that `--nuovo` gives a new author: a line description and a run
// description that compile with no diagnostic at all, every section present with one or
// two records, and above each record a line of plain Italian words saying what its values
// are. Those lines are read as keyword items that match no record, so the reading passes
// over them in silence.
#pragma once

#include <string>
#include <vector>

namespace scenario {

struct testi_nuovi {
  std::string linea;  // bytes of LINEA_linea.txt, ISO 8859-1, CR LF
  std::string treno;  // bytes of LINEA_TRENO-.txt, ISO 8859-1, CR LF
};

// The two texts. They name neither the line nor the train: the identifiers come from the
// files' names, so the pair may be renamed freely.
testi_nuovi testi_di_partenza();

// Line lists of the two texts, each ended by the sentinel.
std::vector<std::string> elenco_linea_nuova();
std::vector<std::string> elenco_treno_nuovo();

}  // namespace scenario
