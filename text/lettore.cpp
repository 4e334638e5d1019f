#include "text/lettore.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "track/codici_gara.h"

namespace scenario {

namespace {

// What each byte is to the reader, looked up in one step.
enum : uint8_t { SPAZIO = 1, FINE_RIGA = 2, VIRGOLA = 4, CIFRA = 8 };

constexpr std::array<uint8_t, 256> CLASSI = [] {
  std::array<uint8_t, 256> c{};
  for (size_t b = 0; b < c.size(); ++b) {
    if (spazio(static_cast<char>(b))) c[b] = SPAZIO;
    if (fine_riga(static_cast<char>(b))) c[b] = FINE_RIGA;
  }
  c[','] = VIRGOLA;
  for (int d = '0'; d <= '9'; ++d) c[static_cast<size_t>(d)] = CIFRA;
  return c;
}();

inline uint8_t classe(char c) { return CLASSI[static_cast<unsigned char>(c)]; }

constexpr bool PAROLE_DAL_BASSO = std::endian::native == std::endian::little;

// The first byte from `p` on that is a comma or a line end, or `fine`. Sixteen bytes are
// looked at in one step where the processor can, eight where words keep their first byte
// lowest.
inline const char* fino_a_separatore(const char* p, const char* fine) {
#if defined(__SSE2__)
  const __m128i virgola = _mm_set1_epi8(',');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  while (fine - p >= 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i separatori =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, virgola), _mm_cmpeq_epi8(x, cr)), _mm_cmpeq_epi8(x, lf));
    const auto maschera = static_cast<unsigned>(_mm_movemask_epi8(separatori));
    if (maschera != 0) return p + std::countr_zero(maschera);
    p += 16;
  }
#endif
  while (p < fine && (classe(*p) & (VIRGOLA | FINE_RIGA)) == 0) ++p;
  return p;
}

// The first byte from `p` on that is not a blank. The NUL after the text is none. Runs of
// spaces (a text lined up in columns) are passed over eight at a time.
inline const char* salta_spazi(const char* p, const char* fine) {
  if (!spazio(*p)) return p;
  if constexpr (PAROLE_DAL_BASSO) {
    while (fine - p >= 8) {
      uint64_t w = 0;
      std::memcpy(&w, p, 8);
      const uint64_t altri = w ^ 0x2020202020202020ull;  // 0 in each byte that is a space
      if (altri == 0) {
        p += 8;
        continue;
      }
      p += std::countr_zero(altri) / 8;
      if (*p != '\t') return p;
      ++p;
    }
  }
  while (spazio(*p)) ++p;
  return p;
}

}  // namespace

void lettore_testo::apri(const std::string& contenuto, const std::string& etichetta) {
  contenuto_ = contenuto;
  etichetta_ = etichetta;
  posizione_ = 0;
  riga_ = 1;
  inizio_riga_ = 0;
  chiusura_ = chiusura_elemento::altro;
  aperto_ = true;
  inizio_elemento_ = fine_elemento_ = 0;
  riga_elemento_ = 1;
  inizio_riga_elemento_ = 0;
  elemento_letto_ = false;
}

void lettore_testo::chiudi() {
  contenuto_ = {};
  posizione_ = 0;
  aperto_ = false;
}

luogo_testo lettore_testo::luogo_corrente() const {
  return luogo_testo{etichetta_, riga_, colonna_di(posizione_, inizio_riga_)};
}

luogo_testo lettore_testo::luogo_dopo_spazi() const {
  size_t i = posizione_;
  while (i < contenuto_.size() && spazio(contenuto_[i])) ++i;
  return luogo_testo{etichetta_, riga_, colonna_di(i, inizio_riga_)};
}

bool lettore_testo::elemento_a_inizio_riga() const {
  for (size_t i = inizio_riga_elemento_; i < inizio_elemento_; ++i) {
    if (!spazio(contenuto_[i])) return false;
  }
  return true;
}

void lettore_testo::nessun_carattere() const {
  if (!aperto_) throw guasto_lettura(frase("lettore.non_aperto"), luogo_corrente());
  throw guasto_lettura(frase("lettore.oltre_la_fine"), luogo_corrente());
}

// Blanks skipped from `p`: the item begins there. Blanks are never line ends: the line
// stays the same.
inline const char* lettore_testo::inizia_elemento(const char* p, const char* fine) {
  p = salta_spazi(p, fine);
  inizio_elemento_ = static_cast<size_t>(p - contenuto_.data());
  riga_elemento_ = riga_;
  inizio_riga_elemento_ = inizio_riga_;
  elemento_letto_ = true;
  return p;
}

namespace {

// After every item, from `p`: blanks, then one comma or one line end; where the reading
// goes on after them, how the item closed, and past a line end the next line's number and
// first byte. A line end is CR LF; a lone LF or CR is accepted as one too.
inline const char* oltre_separatore(const char* p, const char* fine, chiusura_elemento& chiusura, int32_t& riga,
                                    const char*& inizio_riga) {
  p = salta_spazi(p, fine);
  if (p == fine) {
    chiusura = chiusura_elemento::fine_testo;
  } else if (*p == ',') {
    ++p;
    chiusura = chiusura_elemento::virgola;
  } else if (fine_riga(*p)) {
    if (*p++ == '\r' && p < fine && *p == '\n') ++p;
    ++riga;
    inizio_riga = p;
    chiusura = chiusura_elemento::fine_riga;
  } else {
    chiusura = chiusura_elemento::altro;
  }
  return p;
}

}  // namespace

inline void lettore_testo::chiudi_elemento(const char* p, const char* fine) {
  const char* const base = contenuto_.data();
  const char* inizio_riga = base + inizio_riga_;
  p = oltre_separatore(p, fine, chiusura_, riga_, inizio_riga);
  inizio_riga_ = static_cast<size_t>(inizio_riga - base);
  posizione_ = static_cast<size_t>(p - base);
}

void lettore_testo::riprendi_dalla_riga_dopo(size_t byte, int32_t riga) {
  if (!aperto_) return;
  size_t i = std::min(byte, contenuto_.size());
  while (i < contenuto_.size() && !fine_riga(contenuto_[i])) ++i;
  if (i >= contenuto_.size()) {
    posizione_ = contenuto_.size();
    return;
  }
  // Back to wherever the reading had gone, or forward to the line after `riga`.
  if (contenuto_[i] == '\r' && i + 1 < contenuto_.size() && contenuto_[i + 1] == '\n') ++i;
  posizione_ = i + 1;
  riga_ = riga + 1;
  inizio_riga_ = posizione_;
  chiusura_ = chiusura_elemento::fine_riga;
}

void lettore_testo::riprendi_da(size_t byte, int32_t riga, size_t inizio_riga) {
  posizione_ = std::min(byte, contenuto_.size());
  riga_ = riga;
  inizio_riga_ = std::min(inizio_riga, posizione_);
}

size_t lettore_testo::elementi_restanti_nella_riga() const {
  const std::string_view resto = resto_della_riga();
  return resto.empty() ? 0 : static_cast<size_t>(std::count(resto.begin(), resto.end(), ',')) + 1;
}

std::string_view lettore_testo::resto_della_riga() const {
  size_t i = posizione_;
  while (i < contenuto_.size() && spazio(contenuto_[i])) ++i;
  size_t j = i;
  while (j < contenuto_.size() && !fine_riga(contenuto_[j])) ++j;
  return contenuto_.substr(i, j - i);
}

// Up to the next comma or line end, blanks before it included; the item's place ends
// before them.
std::string_view lettore_testo::leggi_testo() {
  if (!aperto_ || fine_file()) nessun_carattere();
  const char* const fine = contenuto_.data() + contenuto_.size();
  const char* const inizio = inizia_elemento(contenuto_.data() + posizione_, fine);
  const char* const p = fino_a_separatore(inizio, fine);
  const char* ultimo = p;
  while (ultimo > inizio && spazio(ultimo[-1])) --ultimo;
  fine_elemento_ = static_cast<size_t>(ultimo - contenuto_.data());
  chiudi_elemento(p, fine);
  return std::string_view(inizio, static_cast<size_t>(p - inizio));
}

std::string_view lettore_testo::leggi_testo_memorizzato(const char* cosa) {
  const std::string_view elemento = leggi_testo();
  if (elemento.size() > LUNGHEZZA_MASSIMA_TESTO) {
    throw guasto_lettura(frase("lettore.testo_lungo", {{"cosa", frase(cosa)}, {"massimo", LUNGHEZZA_MASSIMA_TESTO}}),
                         luogo_elemento());
  }
  return elemento;
}

namespace {

bool cifra(char c) { return c >= '0' && c <= '9'; }

// Digits in groups of three after the first, joined by `separatore`: "40.000", "1,000".
bool migliaia(std::string_view e, char separatore) {
  const size_t primo = e.find(separatore);
  if (primo == std::string_view::npos || primo == 0 || primo > 3) return false;
  for (size_t i = 0; i < primo; ++i) {
    if (!cifra(e[i])) return false;
  }
  for (size_t i = primo; i < e.size(); i += 4) {
    if (e.size() - i < 4 || e[i] != separatore) return false;
    if (!cifra(e[i + 1]) || !cifra(e[i + 2]) || !cifra(e[i + 3])) return false;
  }
  return true;
}

// Why an item is not a number, in the author's terms: a separator of thousands, a decimal
// point, a character that cannot be seen.
messaggio perche_non_numero(std::string_view e) {
  const std::string_view corpo = !e.empty() && e[0] == '-' ? e.substr(1) : e;
  if (migliaia(corpo, '.') || migliaia(corpo, '\'')) {
    std::string senza;
    for (char c : e) {
      if (c != '.' && c != '\'') senza.push_back(c);
    }
    return frase("lettore.migliaia", {{"senza", senza}});
  }
  for (const unsigned char c : e) {
    if (c == 0xA0) return frase("lettore.spazio_non_divisibile");
    if (c == 0xAD) return frase("lettore.trattino_morbido");
    if (c < 0x20 || c == 0x7F) {
      char codice[8];
      std::snprintf(codice, sizeof codice, "U+%04X", static_cast<unsigned>(c));
      return frase("lettore.controllo", {{"codice", std::string(codice)}});
    }
  }
  if (corpo.find('.') != std::string_view::npos) return frase("lettore.decimali");
  return {};
}

}  // namespace

namespace {

// A number item ends at a blank, a comma or a line end.
bool fine_numero(char c) { return (classe(c) & (VIRGOLA | SPAZIO | FINE_RIGA)) != 0; }

}  // namespace

void lettore_testo::fuori_dal_campo(const char* campo) {
  posizione_ = fine_elemento_;
  const std::string_view elemento = contenuto_.substr(inizio_elemento_, fine_elemento_ - inizio_elemento_);
  throw guasto_lettura(frase("lettore.fuori_dal_campo", {{"campo", frase(campo)}, {"elemento", std::string(elemento)}}),
                       luogo_elemento());
}

// The item that is not a number, whole, at its place.
void lettore_testo::numero_non_valido(const char* dove) {
  const char* const fine = contenuto_.data() + contenuto_.size();
  while (dove < fine && !fine_numero(*dove)) ++dove;
  posizione_ = fine_elemento_ = static_cast<size_t>(dove - contenuto_.data());
  const std::string_view elemento = contenuto_.substr(inizio_elemento_, fine_elemento_ - inizio_elemento_);
  throw guasto_lettura(frase("lettore.non_numero", {{"elemento", std::string(elemento)}, {"perche", perche_non_numero(elemento)}}),
                       luogo_elemento(), true);
}

namespace {

// The digits of a number item from `p`, its value into `valore`: where they end, or where
// a byte that is neither a digit nor the item's end stands (checked by the caller). The
// NUL after the text stops them.
inline const char* cifre(const char* p, const char* fine, int64_t& valore) {
  uint64_t v = 0;
  const char* q = p;
  if (PAROLE_DAL_BASSO && fine - p >= 8) {
    const size_t n = otto_cifre(p, v);
    q += n;
    if (n < 8) {
      valore = static_cast<int64_t>(v);
      return q;
    }
  }
  while ((classe(*q) & CIFRA) != 0) v = v * 10 + static_cast<unsigned char>(*q++) - '0';
  // Twelve digits are still below 2^40.
  if (q - p <= 12) {
    valore = static_cast<int64_t>(v);
    return q;
  }
  valore = 0;
  for (; p < fine; ++p) {
    const auto cifra = static_cast<unsigned>(static_cast<unsigned char>(*p) - '0');
    if (cifra > 9) return p;
    valore = valore * 10 + cifra;
    if (valore > (int64_t{1} << 40)) {
      // Already out of every field's range: the rest of the item is not looked at.
      while (p < fine && !fine_numero(*p)) ++p;
      return p;
    }
  }
  return p;
}

}  // namespace

// Number items, as many as `n`, into fields from `minimo` to `massimo`: each an optional
// minus sign and decimal digits, parsed where it stands (without digits, 0), its value
// into `valori` and, with `letti`, appended there too. Bit k of the result: item k held
// nothing. The reading's place and the last item's are kept in locals while the items go
// by, and stored once at the end, or before a failure.
template <typename T>
uint32_t lettore_testo::numeri(int64_t minimo, int64_t massimo, const char* campo, T* valori, size_t n,
                               std::vector<int64_t>* letti) {
  if (!aperto_) nessun_carattere();
  uint32_t vuoti = 0;
  const char* const base = contenuto_.data();
  const char* const fine = base + contenuto_.size();
  const char* p = base + posizione_;
  int32_t riga = riga_;
  const char* inizio_riga = base + inizio_riga_;
  chiusura_elemento chiusura = chiusura_;
  const char* inizio = nullptr;  // the item being read
  // The last item: where it ends, its line and the line's first byte.
  const char* fine_ultimo = nullptr;
  int32_t riga_ultimo = riga;
  const char* inizio_riga_ultimo = inizio_riga;
  const auto salva = [&] {
    posizione_ = static_cast<size_t>(p - base);
    riga_ = riga;
    inizio_riga_ = static_cast<size_t>(inizio_riga - base);
    chiusura_ = chiusura;
  };
  const auto salva_elemento = [&](const char* dopo) {
    inizio_elemento_ = static_cast<size_t>(inizio - base);
    fine_elemento_ = static_cast<size_t>(dopo - base);
    riga_elemento_ = riga;
    inizio_riga_elemento_ = static_cast<size_t>(inizio_riga - base);
    elemento_letto_ = true;
  };
  for (size_t k = 0; k < n; ++k) {
    if (p >= fine) {
      salva();
      nessun_carattere();
    }
    // The plain form first, in one step: spaces, an optional minus sign, one to eight
    // digits, spaces, then a comma or a line end. The NUL after the text stops every scan.
    {
      const char* q = p;
      while (*q == ' ') ++q;
      const bool negativo = *q == '-';
      const char* const cifre_da = q + (negativo ? 1 : 0);
      uint64_t v = 0;
      size_t quante = 0;
      if (PAROLE_DAL_BASSO && fine - cifre_da >= 8) {
        quante = otto_cifre(cifre_da, v);
      } else {
        for (unsigned d = 0; quante < 8 && (d = static_cast<unsigned char>(cifre_da[quante]) - unsigned{'0'}) <= 9; ++quante) {
          v = v * 10 + d;
        }
      }
      const char* const dopo = cifre_da + quante;
      const char* t = dopo;
      while (*t == ' ') ++t;
      const int64_t valore = negativo ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
      if (quante > 0 && (*t == ',' || fine_riga(*t)) && (classe(*dopo) & CIFRA) == 0 && valore >= minimo &&
          valore <= massimo) {
        valori[k] = static_cast<T>(valore);
        if (letti != nullptr) letti->push_back(valore);
        inizio = q;
        fine_ultimo = dopo;
        riga_ultimo = riga;
        inizio_riga_ultimo = inizio_riga;
        p = t + 1;
        if (*t == ',') {
          chiusura = chiusura_elemento::virgola;
        } else {
          if (*t == '\r' && *p == '\n') ++p;
          ++riga;
          inizio_riga = p;
          chiusura = chiusura_elemento::fine_riga;
        }
        continue;
      }
    }
    p = salta_spazi(p, fine);
    inizio = p;
    const bool negativo = p < fine && *p == '-';
    int64_t valore = 0;
    p = cifre(p + (negativo ? 1 : 0), fine, valore);
    if (p < fine && *p != ',' && !fine_numero(*p)) {
      salva_elemento(p);
      salva();
      numero_non_valido(p);
    }
    if (negativo) valore = -valore;
    if (valore < minimo || valore > massimo) {
      salva_elemento(p);
      salva();
      fuori_dal_campo(campo);
    }
    valori[k] = static_cast<T>(valore);
    if (letti != nullptr) letti->push_back(valore);
    if (p == inizio) vuoti |= uint32_t{1} << (k & 31);
    fine_ultimo = p;
    riga_ultimo = riga;
    inizio_riga_ultimo = inizio_riga;
    p = oltre_separatore(p, fine, chiusura, riga, inizio_riga);
  }
  if (n > 0) {
    inizio_elemento_ = static_cast<size_t>(inizio - base);
    fine_elemento_ = static_cast<size_t>(fine_ultimo - base);
    riga_elemento_ = riga_ultimo;
    inizio_riga_elemento_ = static_cast<size_t>(inizio_riga_ultimo - base);
    elemento_letto_ = true;
  }
  salva();
  return vuoti;
}

std::string_view lettore_testo::parola_semplice(riga_semplice& r) const {
  if (!aperto_ || posizione_ != inizio_riga_ || posizione_ >= contenuto_.size()) return {};
  const char* const inizio = contenuto_.data() + posizione_;
  const char* p = inizio;
  // Small letters, digits and underscores; the NUL after the text ends the scan.
  while (static_cast<unsigned char>(*p - 'a') < 26 || (classe(*p) & CIFRA) != 0 || *p == '_') ++p;
  if (*p != ',' || p == inizio) return {};
  r.parola = std::string_view(inizio, static_cast<size_t>(p - inizio));
  r.valori = p + 1;
  return r.parola;
}

int64_t lettore_testo::leggi_numero(int64_t minimo, int64_t massimo, const char* campo) {
  int64_t valore = 0;
  numeri(minimo, massimo, campo, &valore, 1, nullptr);
  return valore;
}

uint32_t lettore_testo::leggi_numeri32(std::span<int32_t> valori, std::vector<int64_t>& letti) {
  return numeri(INT32_MIN, INT32_MAX, dal_catalogo("lettore.campo.32"), valori.data(), valori.size(), &letti);
}

bool contiene(std::string_view riga, std::string_view parola) {
  const auto uguali = [](char a, char b) { return minuscola_latin1(a) == minuscola_latin1(b); };
  return std::search(riga.begin(), riga.end(), parola.begin(), parola.end(), uguali) != riga.end();
}

bool contiene_esatto(std::string_view riga, std::string_view parola) {
  return riga.find(parola) != std::string_view::npos;
}

}  // namespace scenario
