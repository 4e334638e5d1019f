// The character encoding of a description text. The texts are ISO 8859-1; a text that an
// editor saved as UTF-8 (with or without a byte-order mark) is turned into it, a character
// that ISO 8859-1 has no place for becoming its nearest plain form; UTF-16 is recognised
// as such and cannot be read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scenario {

// How a text's bytes are read: ISO 8859-1 as they stand; UTF-8 or Windows-1252 (what
// Windows editors call ANSI: ISO 8859-1 but for 0x80 to 0x9F, control codes there that no
// name means) converted; UTF-16, or bytes holding NUL, not a text at all.
enum class codifica { latin1, utf8, windows1252, utf16, con_nul };

// A character of a UTF-8 text that ISO 8859-1 cannot hold, where it first stands and what
// is stored in its place.
struct carattere_sostituito {
  uint32_t codice = 0;     // its Unicode code point
  std::string originale;   // its UTF-8 bytes
  char al_suo_posto = '?';
  int32_t riga = 0;        // line and column (in characters) of its first occurrence
  int32_t colonna = 0;
};

struct esame_codifica {
  codifica tipo = codifica::latin1;
  bool con_bom = false;     // a UTF-8 byte-order mark opened the text; it is not read
  std::string convertito;   // the text in ISO 8859-1, for utf8 and windows1252
  int32_t riga = 0;         // first line holding a character beyond ASCII (utf8), or a NUL
  std::vector<carattere_sostituito> sostituiti;  // each distinct one, in order found
  // A UTF-8 text with bytes of an 8-bit code page among its characters (a line taken from
  // an older text): the first such byte (its value as `codice`, the character it is read
  // as), and how many there are. Each is read as Windows-1252 reads it.
  std::optional<carattere_sostituito> misto;
  size_t byte_misti = 0;
};

// What the bytes of a text are, in one pass. A text of ASCII bytes only, or one that is
// not valid UTF-8 and holds no byte from 0x80 to 0x9F, is ISO 8859-1 as it stands
// (nothing is copied).
esame_codifica esamina_codifica(std::string_view byte);

// The character stored for a code point beyond ISO 8859-1: a plain letter for the
// accented letters of Latin Extended-A, straight quotes for curly ones, '-' for dashes,
// '?' for anything else.
char sostituto_latin1(uint32_t codice);

// An ISO 8859-1 text in UTF-8: each byte from 0x80 up becomes its two-byte form.
std::string latin1_in_utf8(std::string_view latin1);

// An identifier of the line or the train, a part of file names, as an 8-bit program reads
// those names (the simulator, through the system's Western European code page): a UTF-8
// name with each character beyond ISO 8859-1 as sostituto_latin1 gives it; a name that is
// not UTF-8 (the bytes of a Linux file name) as it stands.
std::string identificativo_8bit(std::string_view nome);
// The same identifier to show in UTF-8: as written when it is UTF-8, otherwise its bytes
// read as ISO 8859-1.
std::string identificativo_mostrato(std::string_view nome);

// A description text in UTF-8, whatever it was written in: as it is when it is UTF-8,
// its characters from Windows-1252 or ISO 8859-1 otherwise.
std::string testo_in_utf8(std::string_view testo);

}  // namespace scenario
