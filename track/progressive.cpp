#include "track/progressive.h"

#include <array>
#include <cstdint>

namespace scenario {
namespace {

// One kilometre progressive: where it applies, the kilometre value there, and the flag
// that adds 100 m to the value.
struct progressiva {
  int32_t inizio = 0;
  int32_t fine = 0;
  int32_t posizione = 0;
};

constexpr size_t VOCE_TRE = voce_tabella::progressiva_tre;  // "progressiva chilometrica tre"
constexpr size_t VOCE_DUE = voce_tabella::progressiva_due;  // "progressiva chilometrica due"
constexpr size_t VOCE_UNO = voce_tabella::progressiva_uno;  // "progressiva chilometrica uno"

progressiva leggi(const voce& v) { return {v.inizio, v.fine, v.posizione}; }

void scrivi(voce& v, const progressiva& p) {
  v.inizio = p.inizio;
  v.fine = p.fine;
  v.posizione = p.posizione;
}

// Entries 81, 82, 83 in order of decreasing start. The first must start strictly beyond
// both others, or no order is taken and all three are cleared; between the other two, an
// equal start puts the one from the higher entry first.
std::array<progressiva, 3> per_inizio(const progressiva& t, const progressiva& d,
                                      const progressiva& u) {
  const int32_t a = t.inizio, b = d.inizio, c = u.inizio;
  if (a > b && a > c) return b > c ? std::array{t, d, u} : std::array{t, u, d};
  if (b > a && b > c) return a > c ? std::array{d, t, u} : std::array{d, u, t};
  if (c > a && c > b) return a > b ? std::array{u, t, d} : std::array{u, d, t};
  return {};
}

// All three start at the origin: the first with a positive kilometre value, looked for
// from entry 83 down, leads; with none positive all three are cleared.
std::array<progressiva, 3> per_valore(const progressiva& t, const progressiva& d,
                                      const progressiva& u) {
  if (u.fine > 0) return {u, d, t};
  if (d.fine > 0) return {d, t, u};
  if (t.fine > 0) return {t, d, u};
  return {};
}

// The flag adds 100 m to the kilometre value; the sum wraps round in 32 bits.
int32_t piu_cento(int32_t valore) {
  return static_cast<int32_t>(static_cast<uint32_t>(valore) + 100u);
}

}  // namespace

void progressive_ordina(modello& m) {
  // Every decision looks at the three entries as they are now; they are written together
  // at the end.
  const progressiva t = leggi(m.tabella[VOCE_TRE]);
  const progressiva d = leggi(m.tabella[VOCE_DUE]);
  const progressiva u = leggi(m.tabella[VOCE_UNO]);

  const int64_t somma_inizi = static_cast<int64_t>(t.inizio) + d.inizio + u.inizio;
  std::array<progressiva, 3> ordinate = somma_inizi != 0 ? per_inizio(t, d, u)
                                                         : per_valore(t, d, u);
  for (progressiva& p : ordinate) {
    if (p.posizione == 1) p.fine = piu_cento(p.fine);
  }

  scrivi(m.tabella[VOCE_TRE], ordinate[0]);
  scrivi(m.tabella[VOCE_DUE], ordinate[1]);
  scrivi(m.tabella[VOCE_UNO], ordinate[2]);
}

}  // namespace scenario
