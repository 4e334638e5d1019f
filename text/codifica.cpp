#include "text/codifica.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scenario {

namespace {

// One UTF-8 character from `i`: its code point, or nothing when the bytes there are not
// a well-formed character (overlong forms and surrogates included).
std::optional<uint32_t> carattere_utf8(std::string_view b, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(b[k]); };
  const uint8_t primo = byte(i);
  size_t seguenti = 0;
  uint32_t codice = 0;
  uint32_t minimo = 0;
  if (primo < 0x80) {
    ++i;
    return primo;
  } else if ((primo & 0xE0) == 0xC0) {
    seguenti = 1, codice = primo & 0x1Fu, minimo = 0x80;
  } else if ((primo & 0xF0) == 0xE0) {
    seguenti = 2, codice = primo & 0x0Fu, minimo = 0x800;
  } else if ((primo & 0xF8) == 0xF0) {
    seguenti = 3, codice = primo & 0x07u, minimo = 0x10000;
  } else {
    return std::nullopt;
  }
  if (i + seguenti >= b.size()) return std::nullopt;
  for (size_t k = 1; k <= seguenti; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return std::nullopt;
    codice = (codice << 6) | (byte(i + k) & 0x3Fu);
  }
  if (codice < minimo || codice > 0x10FFFF || (codice >= 0xD800 && codice <= 0xDFFF)) {
    return std::nullopt;
  }
  i += seguenti + 1;
  return codice;
}

}  // namespace

char sostituto_latin1(uint32_t codice) {
  // Latin Extended-A, U+0100 to U+017F: each letter without its mark.
  static constexpr std::string_view LATINO_ESTESO =
      "AaAaAaCcCcCcCcDd" "DdEeEeEeEeEeGgGg" "GgGgHhHhIiIiIiIi" "IiIiJjKkkLlLlLlL"
      "lLlNnNnNnnNnOoOo" "OoOoRrRrRrSsSsSs" "SsTtTtTtUuUuUuUu" "UuUuWwYyYZzZzZzs";
  if (codice >= 0x100 && codice <= 0x17F) return LATINO_ESTESO[codice - 0x100];
  switch (codice) {
    case 0x2018: case 0x2019: case 0x201A: case 0x201B: case 0x2032: return '\'';
    case 0x201C: case 0x201D: case 0x201E: case 0x2033: return '"';
    case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: case 0x2015: case 0x2212:
      return '-';
    case 0x2026: return '.';
    case 0x20AC: return 'E';
    default: return '?';
  }
}

namespace {

// Lines as the reader counts them: LF, CR LF, or a lone CR.
// `lf_segue`: a line feed comes right after this character.
struct contatore_righe {
  int32_t riga = 1;
  int32_t colonna = 1;
  void avanza(uint32_t c, bool lf_segue) {
    if (c == '\n' || (c == '\r' && !lf_segue)) {
      ++riga;
      colonna = 1;
    } else if (c != '\r') {
      ++colonna;
    }
  }
};

// The first byte from `i` on that is not ASCII, eight bytes at a time.
size_t primo_non_ascii(std::string_view b, size_t i) {
  constexpr uint64_t alti = 0x8080808080808080ull;
#if defined(__SSE2__)
  // Sixty-four bytes a step through the long ASCII stretches where the processor can.
  while (i + 64 <= b.size()) {
    const auto* p = reinterpret_cast<const __m128i*>(b.data() + i);
    const __m128i tutti = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(p), _mm_loadu_si128(p + 1)),
                                       _mm_or_si128(_mm_loadu_si128(p + 2), _mm_loadu_si128(p + 3)));
    if (_mm_movemask_epi8(tutti) != 0) break;
    i += 64;
  }
#endif
  // Thirty-two bytes a step, then eight.
  while (i + 32 <= b.size()) {
    uint64_t w[4];
    std::memcpy(w, b.data() + i, 32);
    if (((w[0] | w[1] | w[2] | w[3]) & alti) != 0) break;
    i += 32;
  }
  while (i + 8 <= b.size()) {
    uint64_t otto = 0;
    std::memcpy(&otto, b.data() + i, 8);  // any byte order: only the high bits are looked at
    if ((otto & alti) != 0) break;
    i += 8;
  }
  while (i < b.size() && static_cast<uint8_t>(b[i]) < 0x80) ++i;
  return i;
}

}  // namespace

namespace {

// UTF-16 without its mark: among the first characters, NUL in every other byte and a
// character in the bytes between (a text of zeros alone is no text of any kind).
bool utf16_senza_segno(std::string_view b) {
  const size_t n = std::min<size_t>(b.size() & ~size_t{1}, 64);
  if (n < 2) return false;
  for (const size_t nulli : {size_t{0}, size_t{1}}) {
    bool tutti = true;
    bool qualcosa = false;
    for (size_t i = 0; i < n; i += 2) {
      tutti = tutti && b[i + nulli] == '\0';
      qualcosa = qualcosa || b[i + 1 - nulli] != '\0';
    }
    if (tutti && qualcosa) return true;
  }
  return false;
}

// The characters Windows-1252 puts at 0x80 to 0x9F (0: none).
constexpr uint16_t WINDOWS_1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// A byte of an 8-bit code page among UTF-8 characters: the code point Windows-1252 gives
// it, '?' for one it leaves unused.
uint32_t carattere_8_bit(uint8_t u) {
  const uint32_t w = u >= 0x80 && u <= 0x9F ? WINDOWS_1252[u - 0x80] : u;
  return w == 0 ? uint32_t{'?'} : w;
}

// The UTF-8 bytes of a code point below 0x10000.
std::string in_utf8(uint32_t c) {
  std::string s;
  if (c < 0x80) {
    s.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    s.push_back(static_cast<char>(0xC0 | (c >> 6)));
    s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    s.push_back(static_cast<char>(0xE0 | (c >> 12)));
    s.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
  return s;
}

}  // namespace

namespace {

// A text of 8-bit characters: ISO 8859-1 as it stands, or Windows-1252 when it holds a
// byte from 0x80 to 0x9F, converted as a UTF-8 text is.
esame_codifica esame_8_bit(std::string_view b) {
  esame_codifica esito;
  const auto di_controllo = [](char c) {
    const auto u = static_cast<uint8_t>(c);
    return u >= 0x80 && u <= 0x9F;
  };
  if (std::none_of(b.begin(), b.end(), di_controllo)) return esito;
  esito.tipo = codifica::windows1252;
  esito.convertito.reserve(b.size());
  contatore_righe posto;
  for (size_t i = 0; i < b.size(); ++i) {
    const auto u = static_cast<uint8_t>(b[i]);
    char byte = b[i];
    if (u >= 0x80 && u <= 0x9F) {
      const uint32_t codice = WINDOWS_1252[u - 0x80];
      byte = codice == 0 ? '?' : sostituto_latin1(codice);
      // A byte that Windows-1252 leaves unused is named by itself.
      const uint32_t chiave = codice == 0 ? u : codice;
      bool gia_visto = false;
      for (const carattere_sostituito& c : esito.sostituiti) gia_visto = gia_visto || c.codice == chiave;
      if (!gia_visto) {
        char nome[16];
        std::snprintf(nome, sizeof nome, "byte 0x%02X", static_cast<unsigned>(u));
        esito.sostituiti.push_back({chiave, codice == 0 ? std::string(nome) : in_utf8(codice), byte, posto.riga,
                                    posto.colonna});
      }
    }
    if (u >= 0x80 && esito.riga == 0) esito.riga = posto.riga;
    esito.convertito.push_back(byte);
    posto.avanza(u, i + 1 < b.size() && b[i + 1] == '\n');
  }
  return esito;
}

}  // namespace

esame_codifica esamina_codifica(std::string_view b) {
  esame_codifica esito;
  // UTF-16 with its mark, or without: NUL in every other byte.
  if (b.starts_with("\xFF\xFE") || b.starts_with("\xFE\xFF") || utf16_senza_segno(b)) {
    esito.tipo = codifica::utf16;
    return esito;
  }
  // A NUL byte anywhere else: no text holds one (a file of zeros, a binary file).
  if (const size_t nul = b.find('\0'); nul != std::string_view::npos) {
    esito.tipo = codifica::con_nul;
    esito.riga = 1 + static_cast<int32_t>(std::count(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(nul), '\n'));
    return esito;
  }
  size_t inizio = 0;
  if (b.starts_with("\xEF\xBB\xBF")) {
    esito.con_bom = true;
    inizio = 3;
  }
  const size_t primo = primo_non_ascii(b, inizio);
  if (primo == b.size()) {
    // ASCII throughout: as it stands, after the mark if there was one.
    if (esito.con_bom) {
      esito.tipo = codifica::utf8;
      esito.convertito.assign(b.substr(inizio));
    }
    return esito;
  }
  // The lines of the ASCII part, then the rest character by character.
  contatore_righe posto;
  for (size_t i = inizio; i < primo; ++i) {
    posto.avanza(static_cast<uint8_t>(b[i]), i + 1 < b.size() && b[i + 1] == '\n');
  }
  std::string convertito(b.substr(inizio, primo - inizio));
  convertito.reserve(b.size() - inizio);
  bool oltre_ascii = false;  // a UTF-8 character beyond ASCII was read
  for (size_t i = primo; i < b.size();) {
    const size_t prima = i;
    auto codice = carattere_utf8(b, i);
    if (codice) {
      oltre_ascii = oltre_ascii || *codice >= 0x80;
    } else {
      // A byte that is no UTF-8 character: one of an 8-bit code page, read as Windows-1252
      // reads it (a byte it leaves unused, as '?').
      const auto u = static_cast<uint8_t>(b[i++]);
      codice = carattere_8_bit(u);
      if (!esito.misto) {
        char nome[8];
        std::snprintf(nome, sizeof nome, "0x%02X", static_cast<unsigned>(u));
        esito.misto = carattere_sostituito{u, nome, *codice <= 0xFF ? static_cast<char>(*codice) : sostituto_latin1(*codice),
                                           posto.riga, posto.colonna};
      }
      ++esito.byte_misti;
    }
    if (*codice >= 0x80 && esito.riga == 0) esito.riga = posto.riga;
    char byte = static_cast<char>(static_cast<uint8_t>(*codice & 0xFFu));
    if (*codice > 0xFF) {
      byte = sostituto_latin1(*codice);
      bool gia_visto = false;
      for (const carattere_sostituito& c : esito.sostituiti) gia_visto = gia_visto || c.codice == *codice;
      if (!gia_visto) {
        esito.sostituiti.push_back(
            {*codice, std::string(b.substr(prima, i - prima)), byte, posto.riga, posto.colonna});
      }
    }
    convertito.push_back(byte);
    posto.avanza(*codice, i < b.size() && b[i] == '\n');
  }
  // Not UTF-8 at all: ISO 8859-1 as it stands (a mark before it is kept as its bytes too),
  // or Windows-1252 when it holds what ISO 8859-1 has only control codes for. A text with
  // UTF-8 characters beyond ASCII is UTF-8 with bytes of another code among them.
  if (esito.misto && !oltre_ascii) return esame_8_bit(b);
  esito.tipo = codifica::utf8;
  esito.convertito = std::move(convertito);
  return esito;
}

std::string testo_in_utf8(std::string_view testo) {
  const esame_codifica esame = esamina_codifica(testo);
  const codifica tipo = esame.tipo;
  if (tipo == codifica::utf8 && !esame.misto) return std::string(testo);
  if (tipo == codifica::utf8) {
    // Its UTF-8 characters as they stand, each other byte as Windows-1252 reads it.
    std::string r;
    r.reserve(testo.size() + esame.byte_misti);
    for (size_t i = 0; i < testo.size();) {
      const size_t prima = i;
      if (carattere_utf8(testo, i)) {
        r.append(testo.substr(prima, i - prima));
        continue;
      }
      r += in_utf8(carattere_8_bit(static_cast<uint8_t>(testo[i++])));
    }
    return r;
  }
  if (tipo != codifica::windows1252) return latin1_in_utf8(testo);
  std::string r;
  r.reserve(testo.size());
  for (const char carattere : testo) {
    const auto c = static_cast<unsigned char>(carattere);
    const uint32_t codice = c >= 0x80 && c <= 0x9F && WINDOWS_1252[c - 0x80] != 0 ? WINDOWS_1252[c - 0x80] : c;
    r += in_utf8(codice);
  }
  return r;
}

std::string latin1_in_utf8(std::string_view latin1) {
  std::string r;
  r.reserve(latin1.size());
  for (const char carattere : latin1) {
    const auto c = static_cast<unsigned char>(carattere);
    if (c < 0x80) {
      r.push_back(carattere);
    } else {
      r.push_back(static_cast<char>(0xC0 | (c >> 6)));
      r.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return r;
}

namespace {

// The code points of a whole UTF-8 text; nothing when it is not UTF-8 throughout.
std::optional<std::vector<uint32_t>> caratteri_utf8(std::string_view b) {
  std::vector<uint32_t> caratteri;
  for (size_t i = 0; i < b.size();) {
    const auto codice = carattere_utf8(b, i);
    if (!codice) return std::nullopt;
    caratteri.push_back(*codice);
  }
  return caratteri;
}

}  // namespace

std::string identificativo_8bit(std::string_view nome) {
  const auto caratteri = caratteri_utf8(nome);
  if (!caratteri) return std::string(nome);
  std::string r;
  for (const uint32_t c : *caratteri) r.push_back(c <= 0xFF ? static_cast<char>(c) : sostituto_latin1(c));
  return r;
}

std::string identificativo_mostrato(std::string_view nome) {
  return caratteri_utf8(nome) ? std::string(nome) : latin1_in_utf8(nome);
}

}  // namespace scenario
