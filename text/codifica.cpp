#include "text/codifica.h"

#include <cstring>
#include <optional>

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

esame_codifica esamina_codifica(std::string_view b) {
  esame_codifica esito;
  // UTF-16 with its mark, or without: a NUL among the first two bytes, which no text of
  // single-byte characters holds.
  if (b.starts_with("\xFF\xFE") || b.starts_with("\xFE\xFF") ||
      (b.size() >= 2 && (b[0] == '\0' || b[1] == '\0'))) {
    esito.tipo = codifica::utf16;
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
  for (size_t i = primo; i < b.size();) {
    const size_t prima = i;
    const auto codice = carattere_utf8(b, i);
    // Not UTF-8: ISO 8859-1 as it stands (a mark before it is kept as its bytes too).
    if (!codice) return esame_codifica{};
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
  esito.tipo = codifica::utf8;
  esito.convertito = std::move(convertito);
  return esito;
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
