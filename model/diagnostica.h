// What the build has to tell the author: one type for every error, warning and note,
// collected in one list by the stages and turned into what the user sees by the program's
// edge alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace scenario {

enum class gravita : uint8_t { errore, avviso, nota };

// Where in a description text something stands: the text's label and a 1-based line and
// column.
struct luogo_testo {
  std::string file;
  int32_t riga = 0;
  int32_t colonna = 0;

  bool operator==(const luogo_testo&) const = default;
};

struct diagnostica {
  int32_t numero = 0;  // the catalogue's number
  gravita livello = gravita::errore;
  std::optional<int32_t> posizione;  // metres from the start of the line
  std::optional<luogo_testo> luogo;  // the record that caused it
  std::string motivo;                // what went wrong, when the number alone does not say

  bool operator==(const diagnostica&) const = default;
};

using elenco_diagnostiche = std::vector<diagnostica>;

// True when the list holds at least one error.
inline bool con_errori(const elenco_diagnostiche& d) {
  for (const diagnostica& x : d) {
    if (x.livello == gravita::errore) return true;
  }
  return false;
}

}  // namespace scenario
