#include "text/codifica.h"

#include <gtest/gtest.h>

#include <string>

#include "text/fasi.h"

namespace scenario {
namespace {

TEST(Codifica, TestiRiconosciuti) {
  struct caso {
    std::string byte;
    codifica tipo;
    std::string convertito;
    int32_t riga;
  };
  const caso casi[] = {
      {"stazione, 0\r\n", codifica::latin1, "", 0},
      // The embedded run's u-umlaut alone is no UTF-8: read as it stands.
      {"Kestl S\xFC" "d\r\n", codifica::latin1, "", 0},
      // Two UTF-8 bytes for a-grave on line 2 become the one Latin-1 byte.
      {"a\r\nFerr\xC3\xA0\r\n", codifica::utf8, "a\r\nFerr\xE0\r\n", 2},
      // The euro sign has no Latin-1 byte: its nearest plain letter stands in.
      {"x\n\xE2\x82\xAC", codifica::utf8, "x\nE", 2},
      // An overlong form is no UTF-8.
      {"\xC0\xAF", codifica::latin1, "", 0},
      // A byte-order mark is left out, and what follows is read as UTF-8.
      {"\xEF\xBB\xBF[generale]", codifica::utf8, "[generale]", 0},
      {"\xEF\xBB\xBF" "Citt\xC3\xA0\r\n", codifica::utf8, "Citt\xE0\r\n", 1},
      {"\xFF\xFE[\0g\0", codifica::utf16, "", 0},
      {std::string("\0[\0g", 4), codifica::utf16, "", 0},
  };
  for (const caso& c : casi) {
    const esame_codifica e = esamina_codifica(c.byte);
    EXPECT_EQ(e.tipo, c.tipo) << c.byte;
    EXPECT_EQ(e.convertito, c.convertito) << c.byte;
    EXPECT_EQ(e.riga, c.riga) << c.byte;
  }
}

// Each character ISO 8859-1 has no place for is named once, where it first stands (line
// and column in characters, as the reader counts them), with what is stored instead.
TEST(Codifica, CaratteriSostituiti) {
  // Line 2: "O" then o-double-acute (U+0151) at column 2; line 3 opens with a curly quote
  // (U+2019) after a CR LF; the second o-double-acute is not named again.
  const esame_codifica e = esamina_codifica("x\r\nO\xC5\x91\r\n\xE2\x80\x99" "a\xC5\x91");
  ASSERT_EQ(e.sostituiti.size(), 2u);
  EXPECT_EQ(e.sostituiti[0].codice, 0x151u);
  EXPECT_EQ(e.sostituiti[0].al_suo_posto, 'o');
  EXPECT_EQ(e.sostituiti[0].riga, 2);
  EXPECT_EQ(e.sostituiti[0].colonna, 2);
  EXPECT_EQ(e.sostituiti[1].al_suo_posto, '\'');
  EXPECT_EQ(e.sostituiti[1].riga, 3);
  EXPECT_EQ(e.sostituiti[1].colonna, 1);
  EXPECT_EQ(e.convertito, "x\r\nOo\r\n'ao");
  EXPECT_EQ(sostituto_latin1(0x2014), '-');
  EXPECT_EQ(sostituto_latin1(0x4E2D), '?');
}

// A UTF-8 text with a line taken from an 8-bit text: its UTF-8 characters read as UTF-8,
// each other byte as Windows-1252 reads it, the first named where it stands. Bytes that are
// no UTF-8 in a text without UTF-8 characters beyond ASCII are an 8-bit text, as before.
TEST(Codifica, TestoMisto) {
  struct caso {
    std::string byte;
    codifica tipo;
    std::string convertito;  // ISO 8859-1
    int32_t riga, colonna;   // the first byte of the other code (0: none)
    size_t misti;
    std::string in_utf8;
    char al_suo_posto;  // stored for the first of them
  };
  const caso casi[] = {
      // a-grave in UTF-8 on line 1, e-grave (0xE8) of ISO 8859-1 at column 4 of line 2.
      {"Citt\xC3\xA0\r\nFon\xE8\r\n", codifica::utf8, "Citt\xE0\r\nFon\xE8\r\n", 2, 4, 1,
       "Citt\xC3\xA0\r\nFon\xC3\xA8\r\n", '\xE8'},
      // The byte first, the UTF-8 character after; a curly apostrophe of Windows-1252 (0x92)
      // is stored as its plain letter, as the UTF-8 one is.
      {"\x92x\xE8\nCitt\xC3\xA0", codifica::utf8, "'x\xE8\nCitt\xE0", 1, 1, 2,
       "\xE2\x80\x99x\xC3\xA8\nCitt\xC3\xA0", '\''},
      // The euro sign of Windows-1252 (0x80) is stored as its plain letter; 0x81, which it
      // leaves unused, as '?'.
      {"\x80\x81 Citt\xC3\xA0", codifica::utf8, "E? Citt\xE0", 1, 1, 2, "\xE2\x82\xAC? Citt\xC3\xA0", 'E'},
      // y-diaeresis, the last byte of ISO 8859-1, is stored as itself.
      {"\xFF Citt\xC3\xA0", codifica::utf8, "\xFF Citt\xE0", 1, 1, 1, "\xC3\xBF Citt\xC3\xA0", '\xFF'},
      // No UTF-8 character beyond ASCII: ISO 8859-1 as it stands.
      {"Fon\xE8\r\nCitt\xE0", codifica::latin1, "", 0, 0, 0, "Fon\xC3\xA8\r\nCitt\xC3\xA0", '\0'},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.byte);
    const esame_codifica e = esamina_codifica(c.byte);
    EXPECT_EQ(e.tipo, c.tipo);
    EXPECT_EQ(e.convertito, c.convertito);
    EXPECT_EQ(e.misto ? e.misto->riga : 0, c.riga);
    EXPECT_EQ(e.misto ? e.misto->colonna : 0, c.colonna);
    EXPECT_EQ(e.byte_misti, c.misti);
    EXPECT_EQ(e.misto ? e.misto->al_suo_posto : '\0', c.al_suo_posto);
    EXPECT_EQ(testo_in_utf8(c.byte), c.in_utf8);
  }
}

TEST(Codifica, ParolaVicina) {
  constexpr std::string_view parole[] = {"stazione", "segnale", "rallentamento", "sfondo uno"};
  EXPECT_EQ(parola_vicina("stazone", parole), "stazione");
  EXPECT_EQ(parola_vicina("SEGNLE", parole), "segnale");
  EXPECT_EQ(parola_vicina("rallentamneto", parole), "rallentamento");  // two edits
  // An exact word is no mistake; a far one, or a short one two edits away, has no match.
  EXPECT_EQ(parola_vicina("segnale", parole), std::nullopt);
  EXPECT_EQ(parola_vicina("orario", parole), std::nullopt);
  EXPECT_EQ(parola_vicina("sfondo", parole), std::nullopt);
}

}  // namespace
}  // namespace scenario
