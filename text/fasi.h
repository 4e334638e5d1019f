// State shared by the two phases of the reading stage (internal to text/).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/modello.h"
#include "text/lettore.h"
#include "text/lettura_dati.h"

namespace scenario {

enum class quale_testo { linea, treno };

struct stato_lettura {
  stato_lettura(modello& modello_, const testo_ingresso& testo_linea, const testo_ingresso& testo_treno)
      : m(modello_), linea(testo_linea), treno(testo_treno) {}

  modello& m;
  const testo_ingresso& linea;
  const testo_ingresso& treno;
  lettore_testo testo;
  testi_eliminati eliminati;
  int32_t slot_cartello = 80;  // next free board entry of the table, counting down
  bool lunghezza_letta = false;  // the general section has given the line length
  luogo_testo luogo_record;    // where the keyword of the record being read stands

  // The texts in ISO 8859-1 when they came as UTF-8.
  std::string linea_convertita;
  std::string treno_convertito;
  // How the keyword item of the record being read stood on its line.
  bool parola_a_inizio_riga = false;
  bool parola_con_virgola = false;     // a comma followed it
  bool parola_con_numero = false;      // and then a number, as in a record
  bool in_record = false;              // the values of a recognised record are being read
  // Positions of the last record of each kind along the line, for the order warnings.
  std::optional<int32_t> ultima_curva, ultima_pendenza, ultima_velocita, ultima_aderenza,
      ultima_stazione;
  std::optional<int32_t> ultimo_orario;  // timetable time of the last station that gives one
  std::vector<std::pair<int64_t, int64_t>> rallentamenti;  // from, to (m)
  int64_t fine_rallentamenti = INT64_MIN;  // the furthest end among them
  bool stazione_letta = false;
  // The record of each progressive (entries 81, 82, 83) whose start or value is no
  // multiple of 50, for error 2 at the end of the run phase.
  std::array<std::optional<luogo_testo>, 3> progressiva_errata;
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
// A value refused because its field in the compiled files cannot hold it: the text is
// done with and the error recorded at the record; the reading stage ends.
esito_record rifiuta_valore(stato_lettura& s, quale_testo quale, int32_t codice, int32_t posizione,
                            std::string motivo);
inline bool entro(int64_t valore, int64_t minimo, int64_t massimo) {
  return valore >= minimo && valore <= massimo;
}
// The range test of a record at `posizione`: (p + 100) / 50 must not exceed the last cell.
bool entro_percorso(const modello& m, int32_t posizione, int32_t margine = 100);
// A record beyond the track: error 15 at its position; the phase ends as if the text had ended.
esito_record oltre_percorso(stato_lettura& s, int32_t posizione);
// A warning at the record being read.
void registra_avviso(stato_lettura& s, int32_t codice, std::string motivo = {});
void registra_avviso(stato_lettura& s, int32_t codice, int32_t posizione, std::string motivo);
// An error at the record being read, saying why.
void registra_errore(stato_lettura& s, int32_t codice, std::optional<int32_t> posizione,
                     std::string motivo);
// The text of a description as the reading sees it: ISO 8859-1. A UTF-8 text whose every
// character fits is converted, with a warning; a byte-order mark or UTF-16 is error 105,
// and then nothing (the caller stops).
std::optional<std::string_view> testo_latin1(stato_lettura& s, const testo_ingresso& t,
                                             std::string& convertito);
// After the keyword item: notes how it stood on its line.
void annota_parola_chiave(stato_lettura& s);
// A keyword item that no record test matched: a line shaped like a record ("word, number")
// whose word is not one of `parole`, or a section header not among `sezioni`, is warned
// about, with the nearest known word when one is close.
void controlla_parola(stato_lettura& s, bool riconosciuta,
                      std::span<const std::string_view> parole,
                      std::span<const std::string_view> sezioni);
// After a recognised record: its values must end at its own line end.
void controlla_fine_record(stato_lettura& s);
// A record at `posizione` that comes before the previous one of its kind.
void controlla_ordine(stato_lettura& s, std::optional<int32_t>& ultima, int32_t posizione,
                      const char* cosa);
// The known word nearest to `parola` (by edit distance, letters without regard to case),
// when it is close.
std::optional<std::string_view> parola_vicina(std::string_view parola,
                                              std::span<const std::string_view> parole);

// After a record: the first record that puts a value on cell 1, which carries the header
// values, is remembered, so that errors 1250 and 1251 point at it.
void annota_cella_uno(stato_lettura& s);

// Reads the keyword item of the next record into `riga`, passing over up to two items that
// contain a minus sign. False at the end of the text (the item is then not acted on).
bool leggi_parola_chiave(stato_lettura& s);

}  // namespace scenario
