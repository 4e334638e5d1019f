// What a person wants to know of a decoded scenario, worked out once for every view
// (text account, JSON, page, driver's card): where each object stands, the runs of the
// per-cell profiles, the line's own kilometres, the stations and their stop cells.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "output/decodifica.h"

namespace scenario::vista {

// Objects are placed in cell round(p / 50 + 1), so the cell c stands at (c - 1) * 50 m.
// Profiles (speed, gradient, adhesion, mountain) and abbattimenti fill from round(p / 50):
// the cell c starts at c * 50 m.
inline int32_t metro_oggetto(size_t c) { return (static_cast<int32_t>(c) - 1) * 50; }
inline int32_t metro_profilo(size_t c) { return static_cast<int32_t>(c) * 50; }

// A stretch of the line over which a per-cell value stays the same.
struct tratto {
  int32_t da = 0;  // m
  int32_t a = 0;   // m
  int valore = 0;
};

// Runs of one 8-bit profile field over the line, from 0 to L.
std::vector<tratto> tratti(const scenario_decodificato& s, uint8_t cella::*campo);

// Kilometre value (in metres) that the driver reads at the line position p. The ordered
// progressives in entries 81 to 83 each hold from their start on; the first whose start
// is not after p applies. Its value is the kilometre that the line's origin has in that
// numbering: with flag 0 the numbering rises along the line (value + p), with flag 1 it
// falls (value - p). The embedded line counts down from km 150.400 to the junction at
// 1500 m, then up from km -1.900 + p: its board "P.L. Km 4.743" stands at 6650 m.
// Without any progressive the kilometres are the positions themselves.
int64_t chilometro(const scenario_decodificato& s, int32_t p);
// "150.200", "-1.900": kilometres with three decimals.
std::string testo_km(int64_t metri);

// "19:05:00" and the card's "19.05" / "19.12+" (+ for thirty seconds past the minute).
std::string testo_ora(int32_t secondi);
std::string ora_scheda(int32_t secondi);

struct stazione {
  int indice = 0;            // table entry
  const voce* v = nullptr;
  int32_t cella_fermata = -1;  // cell of kind 10 that points at it, -1 when none
  bool fermata() const { return v->sosta > 0; }
  // Arrival time: the timetable's time less the stop (the departure at a stop).
  int32_t arrivo() const { return v->orario - v->sosta; }
};
// Stations: entries 1 upward, until the first entry that is empty or a board text.
std::vector<stazione> stazioni(const scenario_decodificato& s);

// Whether the entry i holds a line-side board's text (a board cell points at it).
std::vector<bool> voci_cartelli(const scenario_decodificato& s);

struct rallentamento {
  size_t inizio = 0;  // cell of kind 3
  size_t fine = 0;    // cell of kind 2 (same as inizio for a one-cell slow-down)
  int velocita = 0;   // dato1
};
std::vector<rallentamento> rallentamenti(const scenario_decodificato& s);

struct tratto_montagna {
  int32_t da = 0, a = 0;
  int tipo = 0;
};
std::vector<tratto_montagna> montagne(const scenario_decodificato& s);

// Turning of the plan over each 50-metre cell: the change of heading in radians
// (positive to the right of the direction of travel), from the geometry.
std::vector<double> svolta_per_cella(const scenario_decodificato& s);

// Height gained from the start at the start of each cell, in metres (gradient in per
// mille, 50 m a cell).
std::vector<double> quote(const scenario_decodificato& s);

// Readable name of a cell kind.
std::string_view nome_tipo_cella(uint8_t tipo);

}  // namespace scenario::vista
