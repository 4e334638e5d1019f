#include "track/codici_gara.h"

#include <gtest/gtest.h>

#include <string>

namespace scenario {
namespace {

modello con_nomi(const std::string& treno, const std::string& linea) {
  modello m;
  m.tabella[86].nome = treno;
  m.tabella[85].nome = linea;
  return m;
}

struct codici {
  int32_t og;
  int32_t st;
};

codici codici_di(const std::string& treno, const std::string& linea) {
  const modello m = con_nomi(treno, linea);
  return {codice_gara_og(m), codice_gara_st(m)};
}

TEST(CodiciGara, EsempioSenzaRiempitivo) {
  // "ABCDEFGHIJ" + "klmnopqrstuvwxy" in lower case is a..y, codes 96 + i for i = 1..25.
  // og = 25 * (97 + 121) / 2 = 2725; st = sum i * (96 + i) = 96 * 325 + 5525 = 36725.
  const codici c = codici_di("ABCDEFGHIJ", "klmnopqrstuvwxy");
  EXPECT_EQ(c.og, 2725);
  EXPECT_EQ(c.st, 36725);
}

TEST(CodiciGara, ScenarioIncorporato) {
  // "r7302castrea_tovena" (19 characters) + "tgkwrp", the first six filler letters:
  //   r 114, 7 55, 3 51, 0 48, 2 50, c 99, a 97, s 115, t 116, r 114, e 101, a 97,
  //   _ 95, t 116, o 111, v 118, e 101, n 110, a 97 | t 116, g 103, k 107, w 119,
  //   r 114, p 112.
  // og: the identifiers sum to 1805, the filler part to 671: 2476.
  // st: 114 + 110 + 153 + 192 + 250 + 594 + 679 + 920 + 1044 + 1140 + 1111 + 1164
  //     + 1235 + 1624 + 1665 + 1888 + 1717 + 1980 + 1843 = 19423 for the identifiers,
  //     20*116 + 21*103 + 22*107 + 23*119 + 24*114 + 25*112
  //     = 2320 + 2163 + 2354 + 2737 + 2736 + 2800 = 15110 for the filler: 34533.
  const codici c = codici_di("R7302", "Castrea_Tovena");
  EXPECT_EQ(c.og, 2476);
  EXPECT_EQ(c.st, 34533);
}

TEST(CodiciGara, SoloRiempitivo) {
  // The filler is the 26 letters a..z in another order; its first 25 leave out 'i'.
  // og = (97 + 122) * 13 - 105 = 2847 - 105 = 2742.
  // st = 1*116 + 2*103 + 3*107 + 4*119 + 5*114 + 6*112 + 7*109 + 8*101 + 9*122
  //    + 10*113 + 11*104 + 12*118 + 13*110 + 14*115 + 15*120 + 16*100 + 17*117
  //    + 18*98 + 19*99 + 20*108 + 21*121 + 22*97 + 23*102 + 24*106 + 25*111 = 35294.
  const codici c = codici_di("", "");
  EXPECT_EQ(c.og, 2742);
  EXPECT_EQ(c.st, 35294);
}

TEST(CodiciGara, MaiuscoleEMinuscoleUguali) {
  const codici base = codici_di("R7302", "Castrea_Tovena");
  for (const auto& [treno, linea] : {std::pair<std::string, std::string>{"r7302", "castrea_tovena"},
                                     {"R7302", "CASTREA_TOVENA"},
                                     {"r7302", "cAsTrEa_ToVeNa"}}) {
    const codici c = codici_di(treno, linea);
    EXPECT_EQ(c.og, base.og) << treno << " " << linea;
    EXPECT_EQ(c.st, base.st) << treno << " " << linea;
  }
}

TEST(CodiciGara, ScambioDeiPrimiDueCaratteri) {
  // "7r..." instead of "r7...": st changes by (1*55 + 2*114) - (1*114 + 2*55) = 114 - 55.
  const codici base = codici_di("R7302", "Castrea_Tovena");
  const codici scambiato = codici_di("7R302", "Castrea_Tovena");
  EXPECT_EQ(scambiato.og, base.og);
  EXPECT_EQ(scambiato.st - base.st, 'r' - '7');
}

TEST(CodiciGara, ContanoSoloVenticinqueCaratteri) {
  const codici base = codici_di("ABCDEFGHIJ", "klmnopqrstuvwxy");
  const codici c1 = codici_di("ABCDEFGHIJ", "klmnopqrstuvwxyZZZZ");
  const codici c2 = codici_di("ABCDEFGHIJ", "klmnopqrstuvwxy\xFF\x01 ");
  EXPECT_EQ(c1.og, base.og);
  EXPECT_EQ(c1.st, base.st);
  EXPECT_EQ(c2.og, base.og);
  EXPECT_EQ(c2.st, base.st);
  // The train identifier alone beyond 25 characters: the line's name does not count.
  const codici solo_treno = codici_di("abcdefghijklmnopqrstuvwxy", "Castrea_Tovena");
  EXPECT_EQ(solo_treno.og, base.og);
  EXPECT_EQ(solo_treno.st, base.st);
}

TEST(CodiciGara, CodiciOltre127SenzaSegno) {
  // Codes are 0 to 255, never negative. 25 times 0xFC (252): og = 25 * 252 = 6300,
  // st = 252 * (1 + ... + 25) = 252 * 325 = 81900.
  const codici c = codici_di(std::string(25, '\xFC'), "");
  EXPECT_EQ(c.og, 6300);
  EXPECT_EQ(c.st, 81900);
  // 0xDC (U with diaeresis) counts as its lower-case form 0xFC.
  const codici maiuscole = codici_di(std::string(25, '\xDC'), "");
  EXPECT_EQ(maiuscole.og, 6300);
  EXPECT_EQ(maiuscole.st, 81900);
}

TEST(MinuscoloLatin1, LettereAccentate) {
  EXPECT_EQ(minuscolo_latin1("\xDC"), "\xFC");
  EXPECT_EQ(minuscolo_latin1("Kestl S\xDC" "D"), "kestl s\xFC" "d");
  EXPECT_EQ(minuscolo_latin1("\xC0\xC9\xDE"), "\xE0\xE9\xFE");
  // The multiplication sign and the sharp s have no case partner; neither has any
  // character next to the letters in the ASCII range.
  EXPECT_EQ(minuscolo_latin1("\xD7\xDF\xFF"), "\xD7\xDF\xFF");
  EXPECT_EQ(minuscolo_latin1("@[`{_0-9"), "@[`{_0-9");
  EXPECT_EQ(minuscolo_latin1("AZaz"), "azaz");
}

}  // namespace
}  // namespace scenario
