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
