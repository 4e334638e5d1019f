#include "text/righe.h"

#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scenario {

namespace {

constexpr size_t BLOCCO = 64;

// Bit k set where byte k of the eight at `p` is `c`.
[[maybe_unused]] inline uint64_t otto_uguali(const char* p, char c) {
  uint64_t w = 0;
  std::memcpy(&w, p, 8);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  const uint64_t x = w ^ (0x0101010101010101ull * static_cast<unsigned char>(c));
  // The high bit of each byte that is 0, and of no other: no carry crosses a byte.
  const uint64_t zeri = ~(((x & 0x7F7F7F7F7F7F7F7Full) + 0x7F7F7F7F7F7F7F7Full) | x | 0x7F7F7F7F7F7F7F7Full);
  // Those high bits gathered into the top byte, the first byte's lowest.
  return ((zeri >> 7) * 0x0102040810204080ull) >> 56;
}

struct maschere {
  uint64_t lf = 0;
  uint64_t cr = 0;
};

// The LFs and CRs of the sixty-four bytes at `p`, a bit a byte, the first byte's lowest.
inline maschere di_blocco(const char* p) {
  maschere m;
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  for (int k = 0; k < 4; ++k) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    m.lf |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, lf)))} << (16 * k);
    m.cr |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, cr)))} << (16 * k);
  }
#else
  for (int k = 0; k < 8; ++k) {
    m.lf |= otto_uguali(p + 8 * k, '\n') << (8 * k);
    m.cr |= otto_uguali(p + 8 * k, '\r') << (8 * k);
  }
#endif
  return m;
}

// The line ends of the block at byte `da` of `testo` (which holds sixty-four bytes from
// there), each at its last byte: every LF, and every CR that no LF follows.
inline uint64_t fini_del_blocco(std::string_view testo, size_t da) {
  const maschere m = di_blocco(testo.data() + da);
  uint64_t cr_con_lf = m.cr & (m.lf >> 1);
  // The block's last byte a CR, the next block's first an LF.
  if (da + BLOCCO < testo.size() && testo[da + BLOCCO] == '\n') cr_con_lf |= m.cr & (uint64_t{1} << 63);
  return m.lf | (m.cr & ~cr_con_lf);
}

// The bits set in `w`, counted without the processor's own instruction (which the build
// does not assume).
inline size_t bit_posti(uint64_t w) {
  w = w - ((w >> 1) & 0x5555555555555555ull);
  w = (w & 0x3333333333333333ull) + ((w >> 2) & 0x3333333333333333ull);
  w = (w + (w >> 4)) & 0x0F0F0F0F0F0F0F0Full;
  return static_cast<size_t>((w * 0x0101010101010101ull) >> 56);
}

// Runs of line ends are counted a span at a time before the span that holds the one looked
// for is looked at block by block; a span's count looks one byte past it.
constexpr size_t TRATTO = 256;

// The line ends of the span at byte `da` (which TRATTO + 1 bytes of `testo` follow), each
// counted at its last byte.
inline size_t fini_del_tratto(std::string_view testo, size_t da) {
#if defined(__SSE2__)
  const char* const p = testo.data() + da;
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  // Each byte of `conto` counts, down from 0, the ends in its lane: sixteen at most.
  __m128i conto = _mm_setzero_si128();
  for (size_t k = 0; k < TRATTO; k += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
    const __m128i dopo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k + 1));
    const __m128i a_capo = _mm_cmpeq_epi8(x, cr);
    // A CR is an end of its own when no LF follows it.
    const __m128i solo_cr = _mm_andnot_si128(_mm_cmpeq_epi8(dopo, lf), a_capo);
    conto = _mm_add_epi8(conto, _mm_add_epi8(_mm_cmpeq_epi8(x, lf), solo_cr));
  }
  // The lanes' counts, each negative, summed: 256 - n a byte, summed over sixteen.
  const __m128i somme = _mm_sad_epu8(_mm_sub_epi8(_mm_setzero_si128(), conto), _mm_setzero_si128());
  return static_cast<size_t>(_mm_cvtsi128_si32(somme)) + static_cast<size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(somme, somme)));
#else
  size_t n = 0;
  for (size_t k = 0; k < TRATTO; k += BLOCCO) n += bit_posti(fini_del_blocco(testo, da + k));
  return n;
#endif
}

// True when byte `i` is the last byte of a line end.
inline bool fine_a(std::string_view testo, size_t i) {
  return testo[i] == '\n' || (testo[i] == '\r' && (i + 1 == testo.size() || testo[i + 1] != '\n'));
}

}  // namespace

size_t fini_riga(std::string_view testo, size_t da, size_t a) {
  a = std::min(a, testo.size());
  size_t n = 0;
  for (; da + TRATTO < a; da += TRATTO) n += fini_del_tratto(testo, da);
  for (; da + BLOCCO <= a; da += BLOCCO) n += bit_posti(fini_del_blocco(testo, da));
  for (; da < a; ++da) n += fine_a(testo, da) ? 1 : 0;
  return n;
}

std::optional<size_t> dopo_fini_riga(std::string_view testo, size_t da, size_t quante) {
  if (quante == 0) return std::min(da, testo.size());
  for (size_t n = 0; da + TRATTO < testo.size() && (n = fini_del_tratto(testo, da)) < quante; da += TRATTO) quante -= n;
  for (; da + BLOCCO <= testo.size(); da += BLOCCO) {
    uint64_t fini = fini_del_blocco(testo, da);
    const size_t n = bit_posti(fini);
    if (n < quante) {
      quante -= n;
      continue;
    }
    for (; quante > 1; --quante) fini &= fini - 1;
    return da + static_cast<size_t>(std::countr_zero(fini)) + 1;
  }
  for (; da < testo.size(); ++da) {
    if (fine_a(testo, da) && --quante == 0) return da + 1;
  }
  return std::nullopt;
}

size_t inizio_della_riga(std::string_view testo, size_t byte) {
  byte = std::min(byte, testo.size());
  // A line is short: its bytes are walked back one at a time.
  for (size_t i = byte; i > 0; --i) {
    if (fine_a(testo, i - 1)) return i;
  }
  return 0;
}

namespace {

// The byte after the `quante`-th line end before byte `a` (1 the nearest; its last byte
// before `a`), or 0 when there are fewer.
size_t prima_di_fini_riga(std::string_view testo, size_t a, size_t quante) {
  for (size_t n = 0; a >= TRATTO && a < testo.size() && (n = fini_del_tratto(testo, a - TRATTO)) < quante; a -= TRATTO) {
    quante -= n;
  }
  for (; a >= BLOCCO; a -= BLOCCO) {
    uint64_t fini = fini_del_blocco(testo, a - BLOCCO);
    const size_t n = bit_posti(fini);
    if (n < quante) {
      quante -= n;
      continue;
    }
    for (; quante > 1; --quante) fini &= ~(uint64_t{1} << (63 - std::countl_zero(fini)));
    return a - BLOCCO + static_cast<size_t>(63 - std::countl_zero(fini)) + 1;
  }
  for (; a > 0; --a) {
    if (fine_a(testo, a - 1) && --quante == 0) return a;
  }
  return 0;
}

}  // namespace

std::optional<size_t> righe_testo::inizio(int64_t riga) {
  if (riga < 1) return std::nullopt;
  if (riga < riga_) {
    // Back from the line found last, or on from the start, whichever is fewer lines.
    if (riga_ - riga < riga - 1) {
      byte_ = prima_di_fini_riga(testo_, byte_, static_cast<size_t>(riga_ - riga + 1));
      riga_ = riga;
      return byte_;
    }
    riga_ = 1;
    byte_ = 0;
  }
  const auto trovato = dopo_fini_riga(testo_, byte_, static_cast<size_t>(riga - riga_));
  if (!trovato) return std::nullopt;
  riga_ = riga;
  byte_ = *trovato;
  return byte_;
}

std::string_view righe_testo::riga(int64_t riga) {
  const auto da = inizio(riga);
  if (!da) return {};
  const size_t a = dopo_fini_riga(testo_, *da, 1).value_or(testo_.size());
  std::string_view r = testo_.substr(*da, a - *da);
  while (!r.empty() && (r.back() == '\n' || r.back() == '\r')) r.remove_suffix(1);
  return r;
}

}  // namespace scenario
