// The fastest run of the train over its line, the "marcia tesa": a pure function of the
// compiled set (the cells' speed limits, slow-downs and gradients, the stations with their
// stop points, stop times and timetable, the train's braked mass and number of vehicles).
// It is built as running-time calculations build it, from envelopes: the most restrictive
// speed profile, held at a lower limit until the train's tail has passed it; a braking
// curve back from every drop and every stop; an acceleration curve forward from every rise
// and every departure; the run is the least of them. Beside it stands the bound that needs
// no assumption at all: each stretch at its limit, the speed changed at once.
//
// Acceleration and braking are not in the compiled set: the run takes them as stated below
// unless the author gives them, and every result says which it used.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "model/modello.h"

namespace scenario {

inline constexpr double GRAVITA = 9.81;                   // m/s^2
inline constexpr double ACCELERAZIONE_PREDEFINITA = 0.5;  // m/s^2 on the level
inline constexpr double LUNGHEZZA_VETTURA = 26.4;         // m, a coach of the UIC-X type

// The mean braking deceleration on the level, m/s^2, that the Minden formula gives for a
// braked-mass percentage (a passenger train's brake): a stop from v km/h takes
// s = 3.85 v^2 / (6.1 (1 + percentuale / 10)) metres, so b = v^2 / 2s with v in m/s is
// 6.1 (1 + percentuale / 10) / (2 x 3.6^2 x 3.85). A percentage below 0 counts as 0.
double frenatura_da_massa(int64_t percentuale);

// What the author gives of the train beyond the compiled set (--accelerazione,
// --frenatura), in m/s^2 on the level; nothing: the run's own assumption.
struct scelte_marcia {
  std::optional<double> accelerazione;
  std::optional<double> frenatura;
};

// The assumptions a run was worked out with, to be shown with it.
struct ipotesi_marcia {
  double accelerazione = 0;     // m/s^2 on the level
  double frenatura = 0;         // m/s^2 on the level
  double lunghezza_treno = 0;   // m: vehicles x LUNGHEZZA_VETTURA
  bool accelerazione_data = false;  // given by the author, not the default
  bool frenatura_data = false;      // given by the author, not from the braked mass
  int32_t massa_frenata = 0;    // the braked-mass percentage the set holds
  int32_t vetture = 0;          // the number of vehicles the set holds
};
ipotesi_marcia ipotesi_di(const std::array<voce, VOCI_TABELLA>& tabella, const scelte_marcia& s);

// Timetable times as one clock that runs on past midnight. `orari` are the stations' times
// of day in seconds, in the order of the stations, 0 for a station without one (nothing
// comes back for it). A time that drops by more than 12 h from the previous station's is
// the next day's (24 h more); a time written as 24 h or more is taken as written.
std::vector<std::optional<int64_t>> orari_continui(std::span<const int32_t> orari);

// A station as the run meets it.
struct fermata_marcia {
  int voce = 0;               // its table entry
  int32_t punto = 0;          // m: its stop point, or its position when it has none
  bool ferma = false;         // the train stops: the first, the last, and where it waits
  int32_t sosta = 0;          // s, the wait of an intermediate stop
  std::optional<int64_t> orario;  // s on the run's clock (orari_continui); nothing: no time
};

// A leg of the timetable: from one station with a time to the next with one.
struct tratta_marcia {
  size_t da = 0, a = 0;      // indexes into `fermate`
  int64_t partenza = 0;      // s: the time at `da` (its departure, or its passing)
  int64_t arrivo = 0;        // s: the time at `a`, less its wait where it stops and goes on
  double minimo_senza_ipotesi = 0;  // s, the least time with no assumption; may be infinite
  double minimo = 0;                // s, the fastest run's; may be infinite
  // Where the train can go no further: a limit of 0 km/h for the bound, a gradient the
  // assumed train cannot climb (or hold on when braking) for the run.
  std::optional<double> blocco_senza_ipotesi, blocco;
  int64_t concesso() const { return arrivo - partenza; }
};

// A point of the fastest run. Its time runs from the departure at the last station with a
// time (at the first station, when that has none), so that every leg starts at 0: a
// station with a time shows as two points at its metre, the arrival and the departure at
// 0; a stop without one as two points its wait apart. Past a point the train cannot pass
// the leg has no more points.
struct punto_marcia {
  double metro = 0;
  double velocita = 0;  // m/s
  double tempo = 0;     // s
};

struct marcia_tesa {
  ipotesi_marcia ipotesi;
  std::vector<fermata_marcia> fermate;  // the stations the run passes, in order along the line
  std::vector<tratta_marcia> tratte;
  std::vector<punto_marcia> punti;  // the run drawn: only when asked for
};

// The fastest run from the first station to the last, and the legs of its timetable. With
// `con_punti` the run's points too (for a chart: its kinks, and points at most every
// 25 m where it accelerates or brakes). Stations are the table's entries from 1 up to the
// first empty entry or board text; those that do not lie further along the line than the
// one before are left out.
marcia_tesa calcola_marcia_tesa(const std::vector<cella>& percorso, const std::array<voce, VOCI_TABELLA>& tabella,
                                const scelte_marcia& scelte, bool con_punti = false);

// The least whole number of seconds a leg needs, its time rounded up (nothing for an
// infinite one): what a timetable of whole seconds is held against.
std::optional<int64_t> secondi_necessari(double minimo);

}  // namespace scenario
