#include "track/codici_gara.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace scenario {
namespace {

// (codice_gara_og, codice_gara_st) for the train and line identifiers.
std::pair<int32_t, int32_t> codici(const std::string& treno, const std::string& linea) {
  modello m;
  m.tabella[86].nome = treno;
  m.tabella[85].nome = linea;
  return {codice_gara_og(m), codice_gara_st(m)};
}

TEST(CodiciGara, Somme) {
  const struct {
    std::string treno, linea;
    int32_t og, st;
  } casi[] = {
      // a..y, codes 96 + i for i = 1..25: og = 25 * (97 + 121) / 2 = 2725;
      // st = sum i * (96 + i) = 96 * 325 + 5525 = 36725.
      {"ABCDEFGHIJ", "klmnopqrstuvwxy", 2725, 36725},
      // "r7302castrea_tovena" (19 characters) + "tgkwrp", the first six filler letters:
      //   r 114, 7 55, 3 51, 0 48, 2 50, c 99, a 97, s 115, t 116, r 114, e 101, a 97,
      //   _ 95, t 116, o 111, v 118, e 101, n 110, a 97 | t 116, g 103, k 107, w 119,
      //   r 114, p 112.
      // og: the identifiers sum to 1805, the filler part to 671: 2476.
      // st: 114 + 110 + 153 + 192 + 250 + 594 + 679 + 920 + 1044 + 1140 + 1111 + 1164
      //     + 1235 + 1624 + 1665 + 1888 + 1717 + 1980 + 1843 = 19423 for the identifiers,
      //     20*116 + 21*103 + 22*107 + 23*119 + 24*114 + 25*112
      //     = 2320 + 2163 + 2354 + 2737 + 2736 + 2800 = 15110 for the filler: 34533.
      {"R7302", "Castrea_Tovena", 2476, 34533},
      // The filler alone: the 26 letters a..z in another order; its first 25 leave out 'i'.
      // og = (97 + 122) * 13 - 105 = 2742.
      // st = 1*116 + 2*103 + 3*107 + 4*119 + 5*114 + 6*112 + 7*109 + 8*101 + 9*122
      //    + 10*113 + 11*104 + 12*118 + 13*110 + 14*115 + 15*120 + 16*100 + 17*117
      //    + 18*98 + 19*99 + 20*108 + 21*121 + 22*97 + 23*102 + 24*106 + 25*111 = 35294.
      {"", "", 2742, 35294},
      // Codes are 0 to 255, never negative: 25 x 0xFC (252) gives og = 6300 and
      // st = 252 * 325 = 81900; 0xDC (U with diaeresis) counts as its lower case 0xFC.
      {std::string(25, '\xFC'), "", 6300, 81900},
      {std::string(25, '\xDC'), "", 6300, 81900},
      // Letter case does not count.
      {"r7302", "castrea_tovena", 2476, 34533},
      {"r7302", "cAsTrEa_ToVeNa", 2476, 34533},
      // Only 25 characters count: nothing after them, not even the line's name when the
      // train's identifier fills them.
      {"ABCDEFGHIJ", "klmnopqrstuvwxyZZZZ", 2725, 36725},
      {"ABCDEFGHIJ", "klmnopqrstuvwxy\xFF\x01 ", 2725, 36725},
      {"abcdefghijklmnopqrstuvwxy", "Castrea_Tovena", 2725, 36725},
      // The first two characters exchanged: og unchanged, st changed by
      // (1*55 + 2*114) - (1*114 + 2*55) = 114 - 55 = 59.
      {"7R302", "Castrea_Tovena", 2476, 34533 + 59},
  };
  for (const auto& c : casi) {
    EXPECT_EQ(codici(c.treno, c.linea), std::pair(c.og, c.st)) << c.treno << " " << c.linea;
  }
}

TEST(CodiciGara, DaiNomiDeiFileComeLiLeggeIlSimulatore) {
  // The identifiers as the files' names write them (UTF-8), read through the 8-bit code
  // page: each against a plain name whose codes differ at known places. "r1" then the
  // line: its second letter is character 4 of the identity text.
  const struct {
    std::string treno, linea, simile;
    int32_t og, st;  // what the name adds to the codes of `simile`
  } casi[] = {
      // à is 0xE0 (224) where a is 97: og + 127, st + 4 * 127.
      {"R1", "V\xc3\xa0lmora", "Valmora", 127, 508},
      // À lower-cases to à; a Linux name in ISO 8859-1 bytes is read as it stands.
      {"R1", "V\xc3\x80LMORA", "Valmora", 127, 508},
      {"R1", "V\xe0lmora", "Valmora", 127, 508},
      // Ł has no place in the code page and reads as L; ó is 0xF3 (243) where o is 111,
      // also character 4: og + 132, st + 4 * 132; ź reads as z.
      {"R1", "\xc5\x81\xc3\xb3\x64\xc5\xba", "Lodz", 132, 528},
      // A Greek name has no place at all: five '?' (63).
      {"R1", "\xce\x9b\xce\xaf\xce\xbc\xce\xbd\xce\xb7", "?????", 0, 0},
  };
  for (const auto& c : casi) {
    const codici_identita simile = calcola_codici_identita(c.treno, c.simile);
    const codici_identita nome = codici_dei_nomi(c.treno, c.linea);
    EXPECT_EQ(std::pair(nome.og, nome.st), std::pair(simile.og + c.og, simile.st + c.st)) << c.simile;
  }
}

TEST(MinuscoloLatin1, SoloLeMaiuscole) {
  EXPECT_EQ(minuscolo_latin1("AZaz Kestl S\xDC" "D"), "azaz kestl s\xFC" "d");
  EXPECT_EQ(minuscolo_latin1("\xC0\xC9\xDE"), "\xE0\xE9\xFE");
  // The multiplication sign and the sharp s have no case partner; neither has any
  // character next to the letters in the ASCII range.
  EXPECT_EQ(minuscolo_latin1("\xD7\xDF\xFF@[`{_0-9"), "\xD7\xDF\xFF@[`{_0-9");
}

}  // namespace
}  // namespace scenario
