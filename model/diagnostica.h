// What the build has to tell the author: one type for every error, warning and note,
// collected in one list by the stages and turned into what the user sees by the program's
// edge alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/messaggio.h"

namespace scenario {

enum class gravita : uint8_t { errore, avviso, nota };

// Where in a description text something stands: the text's label and a 1-based line and
// column (in bytes of the text as read, ISO 8859-1: one byte a character). `fine` is the
// column just past the item that the diagnostic is about, on the same line; 0 when only
// the start is known.
struct luogo_testo {
  std::string file;
  int32_t riga = 0;
  int32_t colonna = 0;
  int32_t fine = 0;

  bool operator==(const luogo_testo&) const = default;
};

// A related place: "the board that holds the cell is here".
struct nota_diagnostica {
  luogo_testo luogo;
  std::string testo;  // a text in the reading's words, shown as it stands
  messaggio frase{};  // what the note says, from the catalogue: shown instead of `testo`

  bool operator==(const nota_diagnostica&) const = default;
};

// A change that certainly mends the problem: the text from `luogo` (its line, from
// `colonna` to `fine`) becomes `sostituzione`.
struct correzione {
  luogo_testo luogo;
  std::string sostituzione;

  bool operator==(const correzione&) const = default;
};

struct diagnostica {
  int32_t numero = 0;  // the catalogue's number
  gravita livello = gravita::errore;
  std::optional<int32_t> posizione;  // metres from the start of the line
  std::optional<luogo_testo> luogo;  // the item that caused it
  std::string motivo;                // what went wrong, in the reading's words, shown as it stands
  std::vector<nota_diagnostica> note;
  std::optional<correzione> correggi;
  messaggio frase{};  // what went wrong, from the catalogue: shown instead of `motivo`

  bool operator==(const diagnostica&) const = default;
};

// What a diagnostic or a note says beyond its number: its words from the catalogue, or
// the text it was given.
inline messaggio motivo_di(const diagnostica& d) { return d.frase.vuoto() ? messaggio(d.motivo) : d.frase; }
inline messaggio testo_di(const nota_diagnostica& n) { return n.frase.vuoto() ? messaggio(n.testo) : n.frase; }

using elenco_diagnostiche = std::vector<diagnostica>;

// True when the list holds at least one error.
inline bool con_errori(const elenco_diagnostiche& d) {
  for (const diagnostica& x : d) {
    if (x.livello == gravita::errore) return true;
  }
  return false;
}

}  // namespace scenario
