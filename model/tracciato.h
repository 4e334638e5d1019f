// Working the plan of the line out metre by metre from its runs of steps.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "model/modello.h"

namespace scenario {

// One step of the plan: the point after `p1` from the two points before it. With k = 0
// the step is straight; otherwise the direction d = p1 - p2 turns by about k radians:
// x = x1 + d.x + k d.y, y = y1 + d.y - k d.x, summed left to right.
inline std::array<double, 2> passo_tracciato(const std::array<double, 2>& p2,
                                             const std::array<double, 2>& p1, double k) {
  const double dx = p1[X] - p2[X];
  const double dy = p1[Y] - p2[Y];
  if (k == 0.0) return {p1[X] + dx, p1[Y] + dy};
  return {p1[X] + dx + k * dy, p1[Y] + dy - k * dx};
}

// Calls `f(metro, tipo, punto)` for every metre of the plan, 0 to ultimo_metro, in order:
// the type of both coordinates of the metre and their values (0 for an empty metre).
template <typename F>
void per_ogni_punto(const piano_tracciato& piano, F&& f) {
  std::array<double, 2> p2{0.0, 0.0};
  std::array<double, 2> p1{0.0, 1.0};
  int64_t metro = 0;
  if (piano.origine) {
    f(int64_t{0}, tipo_valore::intero16, p2);
    f(int64_t{1}, tipo_valore::intero16, p1);
    metro = 2;
  }
  // The runs follow one another from metre 2 up to the cursor: each is walked with its
  // own curvature.
  const int64_t calcolati = piano.origine ? std::min(piano.cursore, piano.ultimo_metro + 1) : 0;
  for (size_t t = 0; metro < calcolati; ++t) {
    const bool con_tratto = t < piano.tratti.size();
    const int64_t fino_a = con_tratto ? std::min(piano.tratti[t].fino_a, calcolati - 1) : calcolati - 1;
    const double k = con_tratto ? piano.tratti[t].k : 0.0;
    for (; metro <= fino_a; ++metro) {
      const std::array<double, 2> p = passo_tracciato(p2, p1, k);
      f(metro, tipo_valore::reale, p);
      p2 = p1;
      p1 = p;
    }
  }
  const std::array<double, 2> zero{0.0, 0.0};
  for (; metro <= piano.ultimo_metro; ++metro) f(metro, tipo_valore::vuoto, zero);
}

// The element of one coordinate of a metre, as the geometry file holds it.
inline valore_tracciato elemento_tracciato(tipo_valore tipo, double valore) {
  if (tipo == tipo_valore::intero16) return valore_tracciato::da_intero(static_cast<int16_t>(valore));
  if (tipo == tipo_valore::reale) return valore_tracciato::da_reale(valore);
  return {};
}

}  // namespace scenario
