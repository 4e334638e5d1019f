// Working the plan of the line out metre by metre from its runs of steps.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "model/modello.h"

namespace scenario {

// One step of the plan: the point after p1 = (x1, y1) from the two points before it. With
// k = 0 the step is straight; otherwise the direction d = p1 - p2 turns by about k radians:
// x = x1 + d.x + k d.y, y = y1 + d.y - k d.x, summed left to right.
struct punto_piano {
  double x;
  double y;
};
inline punto_piano passo_tracciato(double x2, double y2, double x1, double y1, double k) {
  const double dx = x1 - x2;
  const double dy = y1 - y2;
  if (k == 0.0) return {x1 + dx, y1 + dy};
  return {x1 + dx + k * dy, y1 + dy - k * dx};
}

inline std::array<double, 2> passo_tracciato(const std::array<double, 2>& p2,
                                             const std::array<double, 2>& p1, double k) {
  const punto_piano p = passo_tracciato(p2[X], p2[Y], p1[X], p1[Y], k);
  return {p.x, p.y};
}

// The plan walked run by run, metres 0 to ultimo_metro in order: `origine(p2, p1)` for
// metres 0 and 1 when the origin is set (the 16-bit points (0, 0) and (0, 1)); then
// `passi(da, a, k, p2, p1)` for each run of computed metres `da` to `a` of curvature `k`,
// which takes the metres' points one after another by passo_tracciato from the two points
// before them, `p2` and `p1`, leaving them the run's last two; then `vuoti(da, a)` for the
// empty metres that no step reached.
template <typename O, typename P, typename V>
void per_ogni_tratto(const piano_tracciato& piano, O&& origine, P&& passi, V&& vuoti) {
  std::array<double, 2> p2{0.0, 0.0};
  std::array<double, 2> p1{0.0, 1.0};
  int64_t metro = 0;
  if (piano.origine) {
    origine(p2, p1);
    metro = 2;
  }
  // The runs follow one another from metre 2 up to the cursor: each is walked with its
  // own curvature.
  const int64_t calcolati = piano.origine ? std::min(piano.cursore, piano.ultimo_metro + 1) : 0;
  for (size_t t = 0; metro < calcolati; ++t) {
    const bool con_tratto = t < piano.tratti.size();
    const int64_t fino_a = con_tratto ? std::min(piano.tratti[t].fino_a, calcolati - 1) : calcolati - 1;
    if (fino_a < metro) continue;
    passi(metro, fino_a, con_tratto ? piano.tratti[t].k : 0.0, p2, p1);
    metro = fino_a + 1;
  }
  if (metro <= piano.ultimo_metro) vuoti(metro, piano.ultimo_metro);
}

// Calls `f(metro, tipo, punto)` for every metre of the plan, 0 to ultimo_metro, in order:
// the type of both coordinates of the metre and their values (0 for an empty metre).
template <typename F>
void per_ogni_punto(const piano_tracciato& piano, F&& f) {
  per_ogni_tratto(
      piano,
      [&](const std::array<double, 2>& p2, const std::array<double, 2>& p1) {
        f(int64_t{0}, tipo_valore::intero16, p2);
        f(int64_t{1}, tipo_valore::intero16, p1);
      },
      [&](int64_t da, int64_t a, double k, std::array<double, 2>& p2, std::array<double, 2>& p1) {
        for (int64_t metro = da; metro <= a; ++metro) {
          const std::array<double, 2> p = passo_tracciato(p2, p1, k);
          f(metro, tipo_valore::reale, p);
          p2 = p1;
          p1 = p;
        }
      },
      [&](int64_t da, int64_t a) {
        const std::array<double, 2> zero{0.0, 0.0};
        for (int64_t metro = da; metro <= a; ++metro) f(metro, tipo_valore::vuoto, zero);
      });
}

// The element of one coordinate of a metre, as the geometry file holds it.
inline valore_tracciato elemento_tracciato(tipo_valore tipo, double valore) {
  if (tipo == tipo_valore::intero16) return valore_tracciato::da_intero(static_cast<int16_t>(valore));
  if (tipo == tipo_valore::reale) return valore_tracciato::da_reale(valore);
  return {};
}

}  // namespace scenario
