// Number conventions shared by every stage: rounding, the cell of a position,
// narrowing stores and the free-cell test.
#pragma once

#include <cstdint>

#include "model/modello.h"

namespace scenario {

// Rounds to the nearest integer, halves to even (2.5 -> 2, 3.5 -> 4, -0.5 -> 0), in
// double precision. Values beyond the 64-bit range saturate instead of overflowing.
int64_t arrotonda(double valore);

// round(p / d) for a whole p and a d above 0, halves to even, worked out in whole numbers:
// the same as arrotonda(p / double(d)) for a 32-bit p and a d up to 50, whose quotient in
// double precision is never so close to a half as to fall on its other side.
inline int64_t arrotonda_quoziente(int64_t p, int64_t d) {
  int64_t q = p / d;
  int64_t r = p % d;
  if (r < 0) {
    r += d;
    --q;
  }
  if (2 * r > d || (2 * r == d && (q & 1) != 0)) ++q;
  return q;
}

// The cell of a position by the general rule: round(p / 50 + 1).
inline int64_t cella_di(int32_t posizione) { return arrotonda_quoziente(int64_t{posizione} + 50, 50); }

// A 32-bit value stored into a 16-bit or 8-bit field keeps its low bits.
inline int16_t basso16(int64_t valore) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(valore) & 0xFFFFu));
}
inline uint8_t basso8(int64_t valore) {
  return static_cast<uint8_t>(static_cast<uint64_t>(valore) & 0xFFu);
}

// A cell is free for an object when it is empty or a free cell of a mountain-side stretch.
inline bool cella_libera(const cella& c) { return c.tipo == tipo_cella::vuota || c.tipo == tipo_cella::libera_in_montagna; }

// True when `indice` names a cell of the track.
inline bool cella_esiste(const modello& m, int64_t indice) {
  return indice >= 0 && indice < static_cast<int64_t>(m.percorso.size());
}

// Clears every field of a table entry.
inline void pulisci_voce(voce& v) { v = voce{}; }

}  // namespace scenario
