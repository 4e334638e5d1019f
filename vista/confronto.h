// What changed from one compiled scenario to another, said as the author writes the texts:
// both sets are read back through the texts given back, so that every change is named by
// the record that makes it. The general values (the clock as h:mm:ss), the stations
// (added, removed, moved, renamed, with the values that changed), the profiles along the
// line by kilometre range, each object (a signal, a board and its text, a curve with its
// side, class and radius, a mountain-side stretch with its type as written ...) added,
// moved, changed or removed, and last, as the detail, the cells and plan metres that
// differ at all. Every text is UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "output/decodifica.h"

namespace scenario::vista {

struct cambio_valore {  // a general value, or a value of a station
  std::string campo;    // as the texts name it: "orologio", "sfondo due", "orario" ...
  std::string prima, dopo;
};

struct cambio_stazione {
  std::string cosa;  // "aggiunta", "tolta", "spostata", "rinominata", "cambiata"
  std::string nome;  // the name before (after, for one added)
  std::string nome_dopo;
  std::optional<int32_t> prima_m, dopo_m;  // positions
  std::vector<cambio_valore> dettagli;     // times, stops and other values that changed
};

struct cambio_profilo {
  std::string profilo;  // "velocita'", "pendenza", "aderenza"
  int32_t da_m = 0, a_m = 0;
  std::string prima, dopo;  // in the author's units
};

struct cambio_oggetto {
  std::string cosa;  // "aggiunto", "tolto", "spostato", "cambiato"
  std::string tipo;  // what the record puts on the line: "segnale", "cartello", "curva" ...
  std::string prima, dopo;  // the record as written before and after (empty where none)
  std::optional<int32_t> prima_m, dopo_m;  // its position as written
};

// A run of cells that differ.
struct tratto_diverso {
  size_t da = 0, a = 0;
};

struct confronto_scenari {
  std::vector<cambio_valore> intestazione;
  std::vector<cambio_stazione> stazioni;
  std::vector<cambio_profilo> profili;
  std::vector<cambio_oggetto> oggetti;
  std::vector<tratto_diverso> tratti_diversi;  // the differing cells, in runs
  size_t celle_diverse = 0, celle = 0;
  size_t metri_diversi = 0, metri = 0;
  bool voci_diverse = false;  // some table entry differs
  bool uguali() const {
    return celle_diverse == 0 && metri_diversi == 0 && !voci_diverse && intestazione.empty() &&
           stazioni.empty() && profili.empty() && oggetti.empty();
  }
};

confronto_scenari confronta(const scenario_decodificato& prima, const scenario_decodificato& dopo);

// The comparison of `prima` with `dopo` as text, one change a line, under a heading for
// each kind of change; each set's places are named by its own kilometres.
std::string testo_confronto(const confronto_scenari& c, const scenario_decodificato& prima,
                            const scenario_decodificato& dopo);

}  // namespace scenario::vista
