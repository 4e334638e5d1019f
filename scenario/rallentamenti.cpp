// The slow-down prescriptions sheet: the embedded run has no temporary speed
// restrictions, so the sheet only says so, indented by 18 spaces.
#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"

namespace scenario {

std::vector<std::string> elenco_rallentamenti() {
  return {
      "",
      "",
      "",
      "                  NESSUNA PRESCRIZIONE",
      std::string(SENTINELLA),
  };
}

}  // namespace scenario
