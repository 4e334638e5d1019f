// The item reader of the description texts. A text held in memory is walked as a stream
// of comma-separated items; what kind of item comes next (a text
// or a number of a given width) is decided by the caller.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "lingue/catalogo.h"
#include "model/modello.h"

namespace scenario {

// A reading failure: a text that cannot be opened, an item read past the end, a number
// that is malformed or too large for its field. The reading stage turns it into error 25.
// It says why as the catalogue's words (`motivo`); `what` gives them in Italian.
class guasto_lettura : public std::runtime_error {
 public:
  guasto_lettura(messaggio motivo, luogo_testo luogo, bool numero_non_valido = false)
      : std::runtime_error(rendi(motivo, LINGUA_PREDEFINITA)),
        motivo_(std::move(motivo)),
        luogo_(std::move(luogo)),
        numero_non_valido_(numero_non_valido) {}
  const luogo_testo& luogo() const { return luogo_; }
  const messaggio& motivo() const { return motivo_; }
  // An item that is no number at all (not one too large for its field).
  bool numero_non_valido() const { return numero_non_valido_; }

 private:
  messaggio motivo_;
  luogo_testo luogo_;
  bool numero_non_valido_;
};

// Longest text stored in the table: a text field of a compiled file carries a 16-bit
// length. Items that are only passed over (an author's notes) have no limit.
inline constexpr size_t LUNGHEZZA_MASSIMA_TESTO = 65535;

// Blanks are spaces; a tab is taken as a blank too. A line ends at CR or LF.
constexpr bool spazio(char c) { return c == ' ' || c == '\t'; }
constexpr bool fine_riga(char c) { return c == '\r' || c == '\n'; }
// True when the item from byte `da` of `testo` on begins like a number: blanks, then a
// digit, or a minus sign and a digit.
inline bool inizia_numero(std::string_view testo, size_t da) {
  while (da < testo.size() && spazio(testo[da])) ++da;
  if (da < testo.size() && testo[da] == '-') ++da;
  return da < testo.size() && testo[da] >= '0' && testo[da] <= '9';
}

// How the last item read came to its end.
enum class chiusura_elemento { virgola, fine_riga, fine_testo, altro };

// A record line in its plain form, as nearly every line of a long text is written: a keyword
// of small letters, digits and underscores from the line's first byte, a comma, then numbers
// alone, each an optional minus sign and one to eight digits with blanks about it, parted by
// commas, the last followed by the line's end. Where its parts stand, found in one pass; the
// item reader makes the same of such a line item by item.
struct riga_semplice {
  std::string_view parola;
  const char* valori = nullptr;       // the byte after the keyword's comma
  const char* ultimo = nullptr;       // the last number's first byte (its minus sign)
  const char* fine_ultimo = nullptr;  // the byte after its digits
  const char* dopo = nullptr;         // the next line's first byte (the text's end after it)
};

// The leading digits of the eight bytes at `p`, read as one word (the first byte lowest):
// how many there are (8 when all are), and their value.
inline size_t otto_cifre(const char* p, uint64_t& valore) {
  uint64_t w = 0;
  std::memcpy(&w, p, 8);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  constexpr uint64_t ZERI = 0x3030303030303030ull;
  constexpr uint64_t ALTI = 0xF0F0F0F0F0F0F0F0ull;
  // A byte is a digit when its high half is 3 and its low half at most 9 (its low half
  // plus 6 does not carry); a carry out of a byte that is no digit only reaches bytes after
  // it, which are not counted.
  const uint64_t altre = ((w & ALTI) ^ ZERI) | (((w + 0x0606060606060606ull) & ALTI) ^ ZERI);
  const size_t n = altre == 0 ? 8 : static_cast<size_t>(std::countr_zero(altre)) / 8;
  // The digits as numbers 0 to 9, the first at the top of the word behind leading zeros;
  // then pairs, fours and eights of digits joined by multiplications.
  uint64_t x = n == 0 ? 0 : (w - ZERI) << (8 * (8 - n));
  x = x * 10 + (x >> 8);
  valore = (((x & 0x000000FF000000FFull) * 0x000F424000000064ull) +
            (((x >> 16) & 0x000000FF000000FFull) * 0x0000271000000001ull)) >> 32;
  return n;
}

// One number of a line in plain form from `p`: blanks, an optional minus sign, one to eight
// digits, blanks. Its value into `v`, and the byte after the blanks that follow it; nullptr
// when the item is not so written. The NUL after the text stops every scan.
inline const char* numero_semplice(const char* p, const char* fine, int32_t& v) {
  // Most often one blank after the comma before it, and none after the digits.
  p += *p == ' ' ? 1 : 0;
  while (spazio(*p)) ++p;
  const bool negativo = *p == '-';
  p += negativo ? 1 : 0;
  uint64_t valore = 0;
  size_t n = 0;
  if (fine - p >= 9) {
    // The digits read as one word, the first byte lowest: each byte less '0' is a digit
    // when it is below 10; a borrow or a carry out of a byte that is none only reaches the
    // bytes after it, which are not counted.
    uint64_t w = 0;
    std::memcpy(&w, p, 8);
    if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
    const uint64_t x = w - 0x3030303030303030ull;
    const uint64_t altre = (x | (x + 0x7676767676767676ull)) & 0x8080808080808080ull;
    if ((altre & 0x80) != 0) return nullptr;
    // A ninth digit: no longer a plain number.
    if (altre == 0 && static_cast<unsigned>(static_cast<unsigned char>(p[8]) - unsigned{'0'}) <= 9) return nullptr;
    n = altre == 0 ? 8 : static_cast<size_t>(std::countr_zero(altre)) / 8;
    // The digits as numbers 0 to 9, the first at the top of the word behind leading zeros;
    // then pairs, fours and eights of digits joined by multiplications.
    uint64_t y = x << (64 - 8 * n);
    y = y * 10 + (y >> 8);
    valore = (((y & 0x000000FF000000FFull) * 0x000F424000000064ull) +
              (((y >> 16) & 0x000000FF000000FFull) * 0x0000271000000001ull)) >> 32;
  } else {
    // The last bytes of the text: a byte at a time.
    for (unsigned d = 0; (d = static_cast<unsigned char>(p[n]) - unsigned{'0'}) <= 9; ++n) valore = valore * 10 + d;
    if (n == 0 || n > 8) return nullptr;
  }
  p += n;
  v = negativo ? -static_cast<int32_t>(valore) : static_cast<int32_t>(valore);
  while (spazio(*p)) ++p;
  return p;
}

class lettore_testo {
 public:
  // Reads from `contenuto`, which must outlive the reading; `etichetta` is the name of
  // the text in reports. The NUL that ends a string's bytes stops every scan of the text
  // without a test for its end at each byte.
  void apri(const std::string& contenuto, const std::string& etichetta);
  void chiudi();
  bool aperto() const { return aperto_; }

  // True when no character of the open text remains.
  bool fine_file() const { return posizione_ >= contenuto_.size(); }
  // How many bytes of the open text have been read.
  size_t letti() const { return posizione_; }

  // A text item: blanks skipped, then every character up to the next comma or line end
  // (its place ends before the blanks that precede them). The item is a view into the
  // text, valid while the text is.
  std::string_view leggi_testo();
  // A text item that goes into the table (a station name, a board text): longer than a
  // table text can be, it is a reading failure naming `cosa`.
  std::string_view leggi_testo_memorizzato(const char* cosa);
  // A number item into a field of 32-bit signed, 16-bit signed or 8-bit unsigned width.
  int32_t leggi_numero32() { return static_cast<int32_t>(leggi_numero(INT32_MIN, INT32_MAX, dal_catalogo("lettore.campo.32"))); }
  // Number items into 32-bit fields, as many as `valori` holds; each value is also
  // appended to `letti` as it is read, so that a failure leaves those before it there.
  // Bit k of the result is set when item k held nothing.
  uint32_t leggi_numeri32(std::span<int32_t> valori, std::vector<int64_t>& letti);
  int16_t leggi_numero16() { return static_cast<int16_t>(leggi_numero(INT16_MIN, INT16_MAX, dal_catalogo("lettore.campo.16"))); }
  uint8_t leggi_numero8() { return static_cast<uint8_t>(leggi_numero(0, 255, dal_catalogo("lettore.campo.8"))); }

  // The keyword of a line in plain form when the reading stands at a line's first byte
  // (empty otherwise); numeri_semplici then puts its `n` numbers into `valori`, false when
  // the line has any other form, which the item reader then reads. Neither moves the reading.
  std::string_view parola_semplice(riga_semplice& r) const;
  // The same as parola_semplice when the line begins with the bytes of `come` (the keyword of
  // an earlier line in plain form, of at most sixteen bytes) and a comma: true, and `r` has
  // them.
  bool stessa_parola(riga_semplice& r, std::string_view come) const {
    const size_t n = come.size();
    if (posizione_ != inizio_riga_ || n < 4 || n > 16 || contenuto_.size() - posizione_ <= 16) return false;
    const char* const p = contenuto_.data() + posizione_;
    if (p[n] != ',') return false;
    // Two words, the first bytes and the last, overlapping where the keyword is short.
    const auto uguali = [&](size_t da, auto parola) {
      decltype(parola) a = 0;
      std::memcpy(&a, p + da, sizeof a);
      std::memcpy(&parola, come.data() + da, sizeof parola);
      return a == parola;
    };
    if (n >= 8 ? !(uguali(0, uint64_t{}) && uguali(n - 8, uint64_t{})) : !(uguali(0, uint32_t{}) && uguali(n - 4, uint32_t{}))) {
      return false;
    }
    r.parola = std::string_view(p, n);
    r.valori = p + n + 1;
    return true;
  }
  bool numeri_semplici(riga_semplice& r, int32_t* valori, size_t n) const {
    if (n == 0) return false;
    const char* p = r.valori;
    const char* inizio = p;
    const char* dopo_cifre = p;
    for (size_t k = 0;; ++k) {
      // Blanks, a minus sign, one to eight digits and blanks, a byte at a time: numbers are
      // short. The NUL after the text stops every scan, and no form of the line ends there.
      while (spazio(*p)) ++p;
      inizio = p;
      const bool negativo = *p == '-';
      p += negativo ? 1 : 0;
      const char* const cifre_da = p;
      unsigned d = static_cast<unsigned char>(*p) - unsigned{'0'};
      if (d > 9) return false;
      uint32_t v = d;
      while ((d = static_cast<unsigned char>(*++p) - unsigned{'0'}) <= 9) v = v * 10 + d;
      if (p - cifre_da > 8) return false;
      valori[k] = negativo ? -static_cast<int32_t>(v) : static_cast<int32_t>(v);
      dopo_cifre = p;
      while (spazio(*p)) ++p;
      if (k + 1 == n) break;
      if (*p++ != ',') return false;
    }
    if (!fine_riga(*p)) return false;
    r.ultimo = inizio;
    r.fine_ultimo = dopo_cifre;
    if (*p++ == '\r' && p < contenuto_.data() + contenuto_.size() && *p == '\n') ++p;
    r.dopo = p;
    return true;
  }
  // The text's bytes as the reading stands: where it stands, and the text's end.
  const char* dove() const { return contenuto_.data() + posizione_; }
  const char* fine_testo() const { return contenuto_.data() + contenuto_.size(); }
  const char* inizio_testo() const { return contenuto_.data(); }
  // The reading moved on to the first byte of line `riga`, at `p`, from the first byte of
  // an earlier line, past lines in plain form: it stands as if it had read each of them.
  void passa_righe(const char* p, int32_t riga) {
    posizione_ = inizio_riga_ = static_cast<size_t>(p - contenuto_.data());
    riga_ = riga;
  }
  // The eight bytes from where the reading stands, when sixteen more follow; 0 otherwise.
  uint64_t primi_byte() const {
    uint64_t w = 0;
    if (contenuto_.size() - posizione_ > 16) std::memcpy(&w, contenuto_.data() + posizione_, sizeof w);
    return w;
  }
  // The reading moved past such a line, as reading it item by item moves it.
  void passa_numeri(const riga_semplice& r) {
    const char* const base = contenuto_.data();
    inizio_elemento_ = static_cast<size_t>(r.ultimo - base);
    fine_elemento_ = static_cast<size_t>(r.fine_ultimo - base);
    riga_elemento_ = riga_;
    inizio_riga_elemento_ = inizio_riga_;
    elemento_letto_ = true;
    posizione_ = inizio_riga_ = static_cast<size_t>(r.dopo - base);
    ++riga_;
    chiusura_ = chiusura_elemento::fine_riga;
  }

  // After a record that failed: the reading goes on from the start of the line after
  // line `riga`, the one that holds byte `byte` (the record's keyword), wherever the
  // record's values had taken it.
  void riprendi_dalla_riga_dopo(size_t byte, int32_t riga);
  // Where the reading stands: the line, and the first byte of that line. The reading goes
  // on from a place so taken, byte `byte` on line `riga` that begins at `inizio_riga`,
  // as it went on from there the first time.
  int32_t riga_corrente() const { return riga_; }
  size_t inizio_riga_corrente() const { return inizio_riga_; }
  void riprendi_da(size_t byte, int32_t riga, size_t inizio_riga);
  // Where the last item began: its first byte.
  size_t inizio_elemento() const { return inizio_elemento_; }

  // Where the last item read began (file, 1-based line and column) and, once it has been
  // read, where it ends; the same three numbers alone, without the text's name.
  luogo_testo luogo_elemento() const {
    return luogo_testo{etichetta_, riga_elemento_, colonna_elemento(), fine_colonna_elemento()};
  }
  int32_t riga_elemento() const { return riga_elemento_; }
  int32_t colonna_elemento() const { return colonna_di(inizio_elemento_, inizio_riga_elemento_); }
  int32_t fine_colonna_elemento() const {
    return elemento_letto_ ? colonna_di(fine_elemento_, inizio_riga_elemento_) : 0;
  }
  // True when the last item read held nothing.
  bool elemento_vuoto() const { return fine_elemento_ == inizio_elemento_; }
  // Where the next item will begin to be read, and where it begins once its blanks are
  // passed over.
  luogo_testo luogo_corrente() const;
  luogo_testo luogo_dopo_spazi() const;
  // True when only blanks stand before the last item read on its line.
  bool elemento_a_inizio_riga() const;
  // How the last item read ended: at a comma, a line end or the end of the text.
  chiusura_elemento chiusura() const { return chiusura_; }
  // True when the item from byte `da` on, on the same line, begins like a number (a
  // digit, or a minus sign and a digit).
  bool segue_numero(size_t da) const { return inizia_numero(contenuto_, da); }
  // How many items the rest of the current line holds (0 when only blanks remain).
  size_t elementi_restanti_nella_riga() const;
  // What stands from the read position to the line's end, the blanks before it passed over.
  std::string_view resto_della_riga() const;

 private:
  int64_t leggi_numero(int64_t minimo, int64_t massimo, const char* campo);
  template <typename T>
  uint32_t numeri(int64_t minimo, int64_t massimo, const char* campo, T* valori, size_t n,
                  std::vector<int64_t>* letti);
  // The reading failures: no character left to read, an item that is no number, a
  // number beyond its field.
  [[noreturn]] void nessun_carattere() const;
  [[noreturn]] void numero_non_valido(const char* dove);
  [[noreturn]] void fuori_dal_campo(const char* campo);
  const char* inizia_elemento(const char* p, const char* fine);
  void chiudi_elemento(const char* p, const char* fine);
  // Column (1-based) of byte `byte` on the line that begins at byte `inizio_riga`: a line
  // holds no line end before its own, so every byte on it is one column.
  static int32_t colonna_di(size_t byte, size_t inizio_riga) {
    return static_cast<int32_t>(byte - inizio_riga) + 1;
  }

  std::string_view contenuto_;
  std::string etichetta_;
  size_t posizione_ = 0;
  int32_t riga_ = 1;
  size_t inizio_riga_ = 0;  // first byte of the line being read
  bool aperto_ = false;
  chiusura_elemento chiusura_ = chiusura_elemento::altro;
  // The last item: its first byte, the byte after its last character but blanks, and its
  // line with the first byte of that line. Nothing is read yet after `apri`.
  size_t inizio_elemento_ = 0;
  size_t fine_elemento_ = 0;
  int32_t riga_elemento_ = 1;
  size_t inizio_riga_elemento_ = 0;
  bool elemento_letto_ = false;
};

// True when `riga` contains `parola`, letters compared without regard to case.
bool contiene(std::string_view riga, std::string_view parola);
// True when `riga` contains `parola`, character codes compared exactly.
bool contiene_esatto(std::string_view riga, std::string_view parola);

}  // namespace scenario
