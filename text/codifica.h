// The character encoding of a description text. The texts are ISO 8859-1; a text that an
// editor saved as UTF-8 is turned into it when every character fits, and a text that
// cannot be read byte by byte at all (a byte-order mark, UTF-16) is recognised as such.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace scenario {

enum class codifica { latin1, utf8_convertito, utf8_non_latin1, bom_utf8, utf16 };

struct esame_codifica {
  codifica tipo = codifica::latin1;
  std::string convertito;  // the text in ISO 8859-1, for utf8_convertito
  int32_t riga = 0;        // first line holding a character beyond ASCII (UTF-8 texts)
};

// What the bytes of a text are. A text of ASCII bytes only, or one that is not valid
// UTF-8, is ISO 8859-1 as it stands.
esame_codifica esamina_codifica(std::string_view byte);

// An ISO 8859-1 text in UTF-8: each byte from 0x80 up becomes its two-byte form.
std::string latin1_in_utf8(std::string_view latin1);

}  // namespace scenario
