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
      {"a\r\nFerr\xC3\xA0\r\n", codifica::utf8_convertito, "a\r\nFerr\xE0\r\n", 2},
      // The euro sign has no Latin-1 byte; an overlong form is no UTF-8.
      {"x\n\xE2\x82\xAC", codifica::utf8_non_latin1, "", 2},
      {"\xC0\xAF", codifica::latin1, "", 0},
      {"\xEF\xBB\xBF[generale]", codifica::bom_utf8, "", 0},
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
