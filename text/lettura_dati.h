// The reading stage: the line description text, then the run description text, into
// the scenario model. The texts come as bytes; the stage says which of them the build
// deletes once read, and the program's edge acts on it.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "model/modello.h"

namespace scenario {

// One description text as the edge hands it over.
struct testo_ingresso {
  std::string etichetta;            // its name in every report
  std::optional<std::string> byte;  // its bytes; nothing when it could not be read
  bool esiste = true;               // false: there is no such text at all
  std::string motivo;               // why it could not be read
};

// Which description texts the reading stage has done with and deletes.
struct testi_eliminati {
  bool linea = false;
  bool treno = false;
};

// Reads both texts into `m`, every problem into the diagnostics in reading order (the line
// text first). A record with an error is reported and passed over, and the reading goes on
// with the next line; only a line length that is missing or out of range, or a text that
// cannot be read, stops it, and so do `max_errori` errors (0: no limit). Never throws for a
// problem of the texts: a text that cannot be read gives error 25. `dopo_linea`, when
// given, is called once the line text is read and the run text is about to be: from
// then on the reading leaves `m.tracciato` as it is.
testi_eliminati memorizza_dati(modello& m, const testo_ingresso& linea,
                               const testo_ingresso& treno, int32_t max_errori = 50,
                               const std::function<void()>& dopo_linea = {});

// Where value `indice` of a record that the reading kept stands in its text, read again
// from where its values began (the texts must be those it was read from); the keyword's
// place when the record has no such value.
luogo_testo luogo_valore_letto(const testi_letti& l, const record_letto& r, size_t indice);

}  // namespace scenario
