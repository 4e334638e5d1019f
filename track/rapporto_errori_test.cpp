#include "track/rapporto_errori.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace scenario {
namespace {

TEST(CatalogoErrori, NumeriDescrizioniEPosizioni) {
  // Every number a stage can record: the project's limits 26 to 29 and 104, the values
  // their field cannot hold 30 to 38, a slow-down's end past the track 39, the encoding
  // 105 and the warnings 301 to 330 too. The scenario's errors about a place record a
  // position in metres, the others keep it.
  const std::set<int32_t> numeri = {1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  15,  16,
                                    17,  18,  19,  20,  21,  22,  24,  25,  26,  27,  28,  29,  30,  31,  32,
                                    33,  34,  35,  36,  37,  38,  39,  101, 102, 103, 104, 105, 301, 302, 303,
                                    304, 305, 306, 307, 308, 309, 310, 311, 312, 313, 314, 315, 316, 317, 318,
                                    319, 320, 321, 322, 323, 324, 325, 326, 327, 328, 329, 330, 1250, 1251};
  // What says that the set will not hold what a record wrote: an error in author mode.
  const std::set<int32_t> perdite = {301, 302, 304, 306, 307, 313, 314, 315, 317, 318, 319, 325};
  const std::set<int32_t> con_posizione = {6, 7, 8, 9, 11, 12, 13, 15, 16, 17, 18, 19, 20, 21, 22};
  std::set<std::string> descrizioni;
  for (int32_t numero : numeri) {
    const auto voce = cerca_errore(numero);
    ASSERT_TRUE(voce.has_value()) << numero;
    EXPECT_EQ(voce->numero, numero);
    EXPECT_NE(std::string(voce->descrizione), "") << numero;
    descrizioni.insert(voce->descrizione);
    const bool proprio = (numero >= 26 && numero <= 39) || numero >= 104;
    EXPECT_EQ(voce->perdita, perdite.count(numero) == 1) << numero;
    EXPECT_TRUE(proprio || voce->con_posizione == (con_posizione.count(numero) == 1)) << numero;
    // Numbers from 301 to 399 are warnings, but for the note that a UTF-8 text was
    // converted without loss.
    EXPECT_EQ(voce->livello != gravita::errore, numero > 300 && numero < 400) << numero;
    EXPECT_EQ(voce->livello == gravita::nota, numero == 311) << numero;
  }
  // A description says which error it is: no two numbers share one.
  EXPECT_EQ(descrizioni.size(), numeri.size());
  for (int32_t numero : {0, 14, 23, -1, 40, 100, 106, 300, 331, 1249, 1252}) {
    EXPECT_FALSE(cerca_errore(numero).has_value()) << numero;
  }
}

}  // namespace
}  // namespace scenario
