// Working the plan of the line out metre by metre from its runs of steps.
#pragma once

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

// Calls `f(metro, punto)` for every metre of the plan, 0 to ultimo_metro, in order, with
// the point as its two typed coordinates.
template <typename F>
void per_ogni_punto(const piano_tracciato& piano, F&& f) {
  using punto = std::array<valore_tracciato, 2>;
  const punto vuoto{};
  int64_t metro = 0;
  if (piano.origine) {
    f(int64_t{0}, punto{valore_tracciato::da_intero(0), valore_tracciato::da_intero(0)});
    f(int64_t{1}, punto{valore_tracciato::da_intero(0), valore_tracciato::da_intero(1)});
    metro = 2;
  }
  std::array<double, 2> p2{0.0, 0.0};
  std::array<double, 2> p1{0.0, 1.0};
  size_t t = 0;
  for (; piano.origine && metro < piano.cursore && metro <= piano.ultimo_metro; ++metro) {
    while (t < piano.tratti.size() && piano.tratti[t].fino_a < metro) ++t;
    const double k = t < piano.tratti.size() ? piano.tratti[t].k : 0.0;
    const std::array<double, 2> p = passo_tracciato(p2, p1, k);
    f(metro, punto{valore_tracciato::da_reale(p[X]), valore_tracciato::da_reale(p[Y])});
    p2 = p1;
    p1 = p;
  }
  for (; metro <= piano.ultimo_metro; ++metro) f(metro, vuoto);
}

}  // namespace scenario
