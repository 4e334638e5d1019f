// State shared by the two phases of the reading stage (internal to text/).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model/modello.h"
#include "text/lettore.h"
#include "text/lettura_dati.h"

namespace scenario {

enum class quale_testo { linea, treno };

struct stato_lettura {
  modello& m;
  const testo_ingresso& linea;
  const testo_ingresso& treno;
  lettore_testo testo;
  testi_eliminati eliminati;
  int32_t slot_cartello = 80;  // next free board entry of the table, counting down
  bool lunghezza_letta = false;  // the general section has given the line length
  luogo_testo luogo_record;    // where the keyword of the record being read stands
};

enum class esito_fase { prosegui, interrompi };

// How a record leaves its phase: on to the next record, to the end of the phase as if the
// text had ended (error 15), or out of the reading stage.
enum class esito_record { prosegui, fine_fase, interrompi };

// The line phase: line length, progressives, gradients, plan, mountain stretches,
// indicator and line-side boards. `interrompi` when an error ends the reading stage.
esito_fase fase_linea(stato_lettura& s);

// The run phase: train, clock, adhesion, speeds, stations, signals, slow-downs.
void fase_treno(stato_lettura& s);

// Shared steps of both phases.
// The text being read is closed, and the build is done with it: it goes.
void chiudi_ed_elimina(stato_lettura& s, quale_testo quale);
// An error of the record being read, at its place.
void registra_errore(stato_lettura& s, int32_t codice, std::optional<int32_t> posizione);
// The range test of a record at `posizione`: (p + 100) / 50 must not exceed the last cell.
bool entro_percorso(const modello& m, int32_t posizione, int32_t margine = 100);
// A record beyond the track: error 15 at its position; the phase ends as if the text had ended.
esito_record oltre_percorso(stato_lettura& s, int32_t posizione);
// Reads the keyword item of the next record into `riga`, passing over up to two items that
// contain a minus sign. False at the end of the text (the item is then not acted on).
bool leggi_parola_chiave(stato_lettura& s);

}  // namespace scenario
