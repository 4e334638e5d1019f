// The cell markers: each turns one object of a description text into marks on the
// 50-metre cells of the track. A marker either writes all its marks or records its
// error number in `codice_errore` and leaves the cells as they were (a slow-down whose
// advance cells are taken keeps its start, end and warning marks: error 20).
// The caller stores the object's position in `posizione_errore` afterwards.
#pragma once

#include <cstdint>
#include <type_traits>

#include "model/modello.h"

namespace scenario {

// A signal: cell round(posizione / 50 + 1) becomes kind 1; approach codes on the four
// cells 2, 4, 6 and 8 before it. Error 16 when the cell is taken.
void memo_segnale(modello& m, int32_t posizione, int32_t sx, int32_t s1, int32_t s2, int32_t s3,
                  int32_t rapp, int32_t dx, int32_t d1, int32_t d2, int32_t d3, int32_t tempo);

// The cells of a slow-down from `x` over `l` metres: its warning board (1200 m before the
// start; placed only when x > 1500), its start and its end.
struct celle_di_rallentamento {
  int64_t avviso;
  int64_t inizio;
  int64_t fine;
};
celle_di_rallentamento celle_rallentamento(int32_t x, int32_t l);

// A slow-down from `x` over `l` metres at `v` km/h: end, start, warning (1200 m before,
// when x > 1500) and four advance cells (when f_ta is not 0). Errors 17 to 20.
void memo_rallentamento(modello& m, int32_t x, int32_t v, int32_t l, int32_t f_tt, int32_t f_ta,
                        int32_t d_v);

// A maximum-speed indicator board. Error 21 when the cell is taken. Returns false, and
// writes nothing, when a coded speed does not fit in 16 bits: the reader treats that as
// a reading failure.
bool memo_indicatori_v_max(modello& m, int32_t posizione, int32_t vas, int32_t vbs, int32_t vcs,
                           int32_t strisces, int32_t vad, int32_t vbd, int32_t vcd,
                           int32_t strisced);

// A mountain-side stretch from `inizio` to `fine` metres of kind `tipo` (above 10: with
// free cells every fourth cell). Stored in the mountain lists.
void memo_montagna(modello& m, int32_t inizio, int32_t fine, int32_t tipo);

// The smaller of two values: `y` when x > y, otherwise `x`.
template <typename A, typename B>
auto minimo(const A& x, const B& y) {
  using T = std::common_type_t<A, B>;
  return static_cast<T>(x) > static_cast<T>(y) ? static_cast<T>(y) : static_cast<T>(x);
}

}  // namespace scenario
