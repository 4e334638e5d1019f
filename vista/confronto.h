// What changed from one compiled scenario to another, said in the author's terms: the
// header values, the stations (added, removed, moved, renamed, with their times and
// stops), the profiles along the line by kilometre range, the objects, and how many cells
// and plan metres differ at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "output/decodifica.h"

namespace scenario::vista {

struct cambio_valore {  // a header value, or a detail of a station
  std::string campo;
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
  std::string profilo;  // "velocita'", "pendenza", "aderenza", "curva"
  int32_t da_m = 0, a_m = 0;
  std::string prima, dopo;  // in the author's units
};

struct cambio_oggetto {
  std::string cosa;  // "aggiunto", "tolto", "spostato"
  std::string tipo;  // "segnale", "cartello", ...
  std::string descrizione;
  std::optional<int32_t> prima_m, dopo_m;
};

struct confronto_scenari {
  std::vector<cambio_valore> intestazione;
  std::vector<cambio_stazione> stazioni;
  std::vector<cambio_profilo> profili;
  std::vector<cambio_oggetto> oggetti;
  size_t celle_diverse = 0, celle = 0;
  size_t metri_diversi = 0, metri = 0;
  bool voci_diverse = false;  // some table entry differs
  bool uguali() const {
    return celle_diverse == 0 && metri_diversi == 0 && !voci_diverse && intestazione.empty() &&
           stazioni.empty() && profili.empty() && oggetti.empty();
  }
};

confronto_scenari confronta(const scenario_decodificato& prima, const scenario_decodificato& dopo);

// The comparison as text, one change a line, under a heading for each kind of change;
// kilometres are those of `dopo`.
std::string testo_confronto(const confronto_scenari& c, const scenario_decodificato& dopo);

}  // namespace scenario::vista
