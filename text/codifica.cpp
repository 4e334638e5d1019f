#include "text/codifica.h"

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

esame_codifica esamina_codifica(std::string_view b) {
  esame_codifica esito;
  if (b.starts_with("\xEF\xBB\xBF")) {
    esito.tipo = codifica::bom_utf8;
    return esito;
  }
  // UTF-16 with its mark, or without: a NUL among the first two bytes, which no text of
  // single-byte characters holds.
  if (b.starts_with("\xFF\xFE") || b.starts_with("\xFE\xFF") ||
      (b.size() >= 2 && (b[0] == '\0' || b[1] == '\0'))) {
    esito.tipo = codifica::utf16;
    return esito;
  }
  std::string convertito;
  convertito.reserve(b.size());
  bool oltre_ascii = false;
  bool fuori_latin1 = false;
  int32_t riga = 1;
  for (size_t i = 0; i < b.size();) {
    const auto codice = carattere_utf8(b, i);
    if (!codice) return esito;  // not UTF-8: ISO 8859-1 as it stands
    if (*codice >= 0x80 && !oltre_ascii) {
      oltre_ascii = true;
      esito.riga = riga;
    }
    if (*codice > 0xFF) fuori_latin1 = true;
    // Lines counted as the reader counts them: LF, CR LF, or a lone CR.
    if (*codice == '\n' || (*codice == '\r' && (i >= b.size() || b[i] != '\n'))) ++riga;
    convertito.push_back(static_cast<char>(static_cast<uint8_t>(*codice & 0xFFu)));
  }
  if (!oltre_ascii) return esito;
  esito.tipo = fuori_latin1 ? codifica::utf8_non_latin1 : codifica::utf8_convertito;
  if (!fuori_latin1) esito.convertito = std::move(convertito);
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

}  // namespace scenario
