// What a person wants to know of a decoded scenario, worked out once for every view
// (text account, JSON, page, driver's card): where each object stands and what the author
// wrote for it, decoded through the one description of the compiled fields
// (model/formato.h); the runs of the per-cell profiles; the curves read back from the
// plan; the line's own kilometres; the stations and their timetable.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "output/decodifica.h"

namespace scenario::vista {

// Objects are placed in cell round(p / 50 + 1): the cell c stands for the 50 m from
// (c - 1) x 50 to c x 50, and an object written at a multiple of 50 m is at the cell's
// start. Profiles (speed, gradient, adhesion, mountain) and abbattimenti fill from
// round(p / 50): a value written at p holds from the cell c = p / 50, read back as c x 50.
inline int32_t metro_oggetto(size_t c) { return (static_cast<int32_t>(c) - 1) * 50; }
inline int32_t metro_profilo(size_t c) { return static_cast<int32_t>(c) * 50; }
// "1500-1550": the metres a cell covers.
std::string metri_cella(size_t c);

// A stretch of the line over which a per-cell value stays the same.
struct tratto {
  int32_t da = 0;  // m
  int32_t a = 0;   // m
  int valore = 0;
};

// Runs of one 8-bit profile field over the line, from 0 to L, in the field's coding.
std::vector<tratto> tratti(const scenario_decodificato& s, uint8_t cella::*campo);
// The same runs in the author's units: speeds in km/h, gradients in per mille.
std::vector<tratto> velocita_kmh(const scenario_decodificato& s);
std::vector<tratto> pendenze_per_mille(const scenario_decodificato& s);

// Kilometre value (in metres) that the driver reads at the line position p. The ordered
// progressives in entries 81 to 83 each hold from their start on; the first whose start
// is not after p applies. Its value is the kilometre that the line's origin has in that
// numbering: with flag 0 the numbering rises along the line (value + p), with flag 1 it
// falls (value - p). The embedded line counts down from km 150.400 to the junction at
// 1500 m, then up from km -1.900 + p: its board "P.L. Km 4.743" stands at 6650 m.
// Without any progressive the kilometres are the positions themselves.
int64_t chilometro(const scenario_decodificato& s, int32_t p);
// The line cut where its numbering changes: from `da` to `a` the kilometre is
// km_da + (p - da), or km_da - (p - da) when `decrescente`.
struct tratto_chilometrico {
  int32_t da = 0, a = 0;
  int64_t km_da = 0;
  bool decrescente = false;
};
std::vector<tratto_chilometrico> tratti_chilometrici(const scenario_decodificato& s);
// "150.200", "-1.900": kilometres with three decimals.
std::string testo_km(int64_t metri);

// "19:05:00" and the card's "19.05" / "19.12+" (+ for thirty seconds past the minute).
std::string testo_ora(int32_t secondi);
std::string ora_scheda(int32_t secondi);

struct stazione {
  int indice = 0;            // table entry
  const voce* v = nullptr;
  int32_t cella_fermata = -1;  // cell of kind 10 that points at it, -1 when none
};
// Stations: entries 1 upward, until the first entry that is empty or a board text.
std::vector<stazione> stazioni(const scenario_decodificato& s);

// The timetable's two columns of a station, in seconds (nothing where the files give no
// time): the first station departs, the last arrives, a stop has both (the departure is
// the time written, the arrival that less the stop), a station passed has its time as
// a departure.
struct orario_stazione {
  std::optional<int32_t> arrivo, partenza;
};
orario_stazione orario_di(const std::vector<stazione>& elenco, size_t i);

// Whether the entry i holds a line-side board's text (a board cell points at it).
std::vector<bool> voci_cartelli(const scenario_decodificato& s);

// A signal as written: its position and the eleven numbers of its line, decoded from
// the cell (`tempo` as kept: 1 to 100 became 101, and only with sx 2).
struct segnale {
  size_t cella = 0;
  int32_t posizione = 0;
  int32_t sx = 0, s1 = 0, s2 = 0, s3 = 0, rapp = 0, dx = 0, d1 = 0, d2 = 0, d3 = 0;
  int tempo = 0;
};
std::vector<segnale> segnali(const scenario_decodificato& s);

// A maximum-speed indicator board: its three pairs of speeds in km/h (first set, second
// set) and the stripes of each set.
struct indicatore {
  size_t cella = 0;
  int32_t posizione = 0;
  std::array<std::pair<int32_t, int32_t>, 3> kmh{};
  std::pair<int32_t, int32_t> strisce{};
};
std::vector<indicatore> indicatori(const scenario_decodificato& s);

// A line-side board and its text as rows ("P.L. / Km 4.437").
struct cartello {
  size_t cella = 0;
  int32_t posizione = 0;
  int voce = 0;
  std::string testo;  // ISO 8859-1; empty when the cell points outside the table
};
std::vector<cartello> cartelli(const scenario_decodificato& s);

// A slow-down: start cell (kind 3) to end cell (kind 2), its speed, its warning board
// (kind 4, 1200 m before, with the advance cells before it) and the values kept with it.
struct rallentamento {
  size_t inizio = 0;  // cell of kind 3
  size_t fine = 0;    // cell of kind 2 (same as inizio for a one-cell slow-down)
  int velocita = 0;   // dato1, km/h
  int f_tt = 0;       // dato3
  int d_v = 0;        // dato2
  std::optional<size_t> avviso;  // cell of kind 4
  int anticipi = 0;              // cells of kind 5 just before the warning
  int32_t da() const { return metro_oggetto(inizio); }
  int32_t a() const { return metro_oggetto(fine); }
};
std::vector<rallentamento> rallentamenti(const scenario_decodificato& s);

// A speed-control point (cell round(p / 50), so at c x 50 m), with its value or without.
struct abbattimento {
  size_t cella = 0;
  int32_t posizione = 0;
  std::optional<int> valore;
};
std::vector<abbattimento> abbattimenti(const scenario_decodificato& s);

// A mountain-side stretch. The cells keep its type less 10 for a type above 10 (every
// fourth cell then left free, kind 11); a stretch that starts 150 m or less after the
// one before is kept as type 3 whatever was written.
struct tratto_montagna {
  int32_t da = 0, a = 0;
  int tipo = 0;               // as the cells keep it
  bool celle_libere = false;  // some cell of it is of kind 11
  std::optional<int> tipo_scritto;  // what the text said, when the files tell it
};
std::vector<tratto_montagna> montagne(const scenario_decodificato& s);
// "tipo 13", or "tipo 3 (con celle libere)" when the text's type cannot be told.
std::string testo_montagna(const tratto_montagna& m);

// A plan curve read back from the plan: each metre's turn follows from its point and
// the two before it, and a run of metres of one class and side is one curve, written
// as starting one metre before its first turned metre.
struct curva {
  int32_t inizio = 0;     // m, as written
  int32_t lunghezza = 0;  // m
  bool destra = false;    // "curvad": to the right of the direction of travel
  int classe = 0;         // 1 to 6; 0 for a turn of no class (not written by a text)
  int32_t raggio = 0;     // m
};
std::vector<curva> curve(const scenario_decodificato& s);
// For each cell, the curve (an index into `elenco`) whose turned metres reach into the
// 50 m it covers, the first when two do; -1 on the straight.
std::vector<int> curve_delle_celle(const scenario_decodificato& s, const std::vector<curva>& elenco);

// Height gained from the start at the start of each cell, in metres (gradient in per
// mille, 50 m a cell).
std::vector<double> quote(const scenario_decodificato& s);

// The plan drawn in a square of side `lato` with a margin `bordo`: the points every
// `passo` metres (and the last), scaled alike on both axes, centred, y upwards as on a
// map (so the square's y grows downwards). `scala`: units of the square a metre.
struct pianta {
  std::vector<std::array<double, 2>> punti;
  std::vector<int32_t> metri;  // the metre of each point
  double scala = 0;
};
pianta pianta_in_quadrato(const scenario_decodificato& s, double lato, double bordo, size_t punti_massimi);

// Readable name of a cell kind.
std::string nome_tipo_cella(uint8_t tipo);

}  // namespace scenario::vista
