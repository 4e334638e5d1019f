#include "track/progressive.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace scenario {
namespace {

struct terna {
  int32_t inizio, fine, posizione;
};

// Entries 81 ("tre"), 82 ("due") and 83 ("uno") as the line description reader leaves them.
modello con_progressive(terna t, terna d, terna u) {
  modello m;
  const terna ingresso[3] = {t, d, u};
  for (int i = 0; i < 3; ++i) {
    voce& v = m.tabella[81 + i];
    v.inizio = ingresso[i].inizio;
    v.fine = ingresso[i].fine;
    v.posizione = ingresso[i].posizione;
  }
  return m;
}

void attese(const modello& m, terna t, terna d, terna u) {
  const terna attesa[3] = {t, d, u};
  for (int i = 0; i < 3; ++i) {
    const voce& v = m.tabella[81 + i];
    EXPECT_EQ(v.inizio, attesa[i].inizio) << "voce " << 81 + i;
    EXPECT_EQ(v.fine, attesa[i].fine) << "voce " << 81 + i;
    EXPECT_EQ(v.posizione, attesa[i].posizione) << "voce " << 81 + i;
  }
}

TEST(ProgressiveOrdina, LineaIncorporata) {
  // B = 1500 is the only largest start; A = C = 0, so U (entry 83) precedes T.
  // U's flag adds 100: 150300 + 100 = 150400.
  modello m = con_progressive({0, 0, 0}, {1500, -1900, 0}, {0, 150300, 1});
  progressive_ordina(m);
  attese(m, {1500, -1900, 0}, {0, 150400, 1}, {0, 0, 0});
}

TEST(ProgressiveOrdina, InizioDecrescente) {
  // Starts 2000, 1000, 3000: U, T, D; D's flag gives 300 + 100.
  modello m = con_progressive({2000, 500, 0}, {1000, 300, 1}, {3000, 900, 0});
  progressive_ordina(m);
  attese(m, {3000, 900, 0}, {2000, 500, 0}, {1000, 400, 1});
}

TEST(ProgressiveOrdina, OgniPrimaPossibile) {
  // Each entry in turn has the furthest start; the other two follow by decreasing start,
  // the higher entry number first on equal starts.
  modello m = con_progressive({900, 1, 0}, {300, 2, 0}, {600, 3, 0});
  progressive_ordina(m);
  attese(m, {900, 1, 0}, {600, 3, 0}, {300, 2, 0});

  m = con_progressive({300, 1, 0}, {900, 2, 0}, {600, 3, 0});
  progressive_ordina(m);
  attese(m, {900, 2, 0}, {600, 3, 0}, {300, 1, 0});

  m = con_progressive({600, 1, 0}, {300, 2, 0}, {900, 3, 0});
  progressive_ordina(m);
  attese(m, {900, 3, 0}, {600, 1, 0}, {300, 2, 0});

  m = con_progressive({900, 1, 0}, {300, 2, 0}, {300, 3, 0});
  progressive_ordina(m);
  attese(m, {900, 1, 0}, {300, 3, 0}, {300, 2, 0});
}

TEST(ProgressiveOrdina, InizioMassimoCondivisoAzzeraTutto) {
  modello m = con_progressive({1000, 10, 0}, {1000, 20, 0}, {0, 30, 0});
  progressive_ordina(m);
  attese(m, {0, 0, 0}, {0, 0, 0}, {0, 0, 0});

  // Three equal starts: no flag adds anything to the cleared entries.
  m = con_progressive({500, 10, 1}, {500, 20, 1}, {500, 30, 1});
  progressive_ordina(m);
  attese(m, {0, 0, 0}, {0, 0, 0}, {0, 0, 0});
}

TEST(ProgressiveOrdina, TuttoZeroRestaZero) {
  modello m = con_progressive({0, 0, 0}, {0, 0, 0}, {0, 0, 0});
  progressive_ordina(m);
  attese(m, {0, 0, 0}, {0, 0, 0}, {0, 0, 0});
}

TEST(ProgressiveOrdina, InizioZeroSceglieIlValore) {
  // U's value is positive: U, D, T.
  modello m = con_progressive({0, 100, 0}, {0, 0, 0}, {0, 200, 0});
  progressive_ordina(m);
  attese(m, {0, 200, 0}, {0, 0, 0}, {0, 100, 0});

  // Only D positive: D, T, U.
  m = con_progressive({0, 100, 0}, {0, 50, 0}, {0, -200, 0});
  progressive_ordina(m);
  attese(m, {0, 50, 0}, {0, 100, 0}, {0, -200, 0});

  // None positive: all cleared.
  m = con_progressive({0, -100, 1}, {0, 0, 1}, {0, -200, 0});
  progressive_ordina(m);
  attese(m, {0, 0, 0}, {0, 0, 0}, {0, 0, 0});
}

TEST(ProgressiveOrdina, SoloLaPrimaConValore) {
  modello m = con_progressive({0, 150300, 1}, {0, 0, 0}, {0, 0, 0});
  progressive_ordina(m);
  attese(m, {0, 150400, 1}, {0, 0, 0}, {0, 0, 0});
}

TEST(ProgressiveOrdina, SommaDegliInizi) {
  // Starts -1000, 1000, 0 sum to 0 although not all are 0: chosen by value (T positive).
  modello m = con_progressive({-1000, 5, 0}, {1000, 0, 0}, {0, 0, 0});
  progressive_ordina(m);
  attese(m, {-1000, 5, 0}, {1000, 0, 0}, {0, 0, 0});

  // 2147483647 + 2147483647 + 2 would be 0 in 32 bits; the true sum is not 0, so the
  // shared largest start clears the three entries instead of U leading by value.
  const int32_t massimo = std::numeric_limits<int32_t>::max();
  m = con_progressive({massimo, 0, 0}, {massimo, 0, 0}, {2, 300, 0});
  progressive_ordina(m);
  attese(m, {0, 0, 0}, {0, 0, 0}, {0, 0, 0});
}

TEST(ProgressiveOrdina, PiuCentoGiraA32Bit) {
  // 2147483600 + 100 = 2147483700 = 2^31 + 52, which wraps to -2^31 + 52.
  modello m = con_progressive({100, 2147483600, 1}, {0, 0, 0}, {0, 0, 0});
  progressive_ordina(m);
  attese(m, {100, std::numeric_limits<int32_t>::min() + 52, 1}, {0, 0, 0}, {0, 0, 0});
}

TEST(ProgressiveOrdina, AltriCampiEVociIntatti) {
  modello m = con_progressive({2000, 500, 0}, {1000, 300, 1}, {3000, 900, 0});
  for (int i = 80; i <= 84; ++i) {
    m.tabella[i].nome = "voce " + std::to_string(i);
    m.tabella[i].tipo = static_cast<uint8_t>(i);
    m.tabella[i].orario = i * 10;
  }
  m.tabella[80].inizio = 7;
  m.tabella[84].fine = 39000;
  progressive_ordina(m);
  for (int i = 80; i <= 84; ++i) {
    EXPECT_EQ(m.tabella[i].nome, "voce " + std::to_string(i));
    EXPECT_EQ(m.tabella[i].tipo, i);
    EXPECT_EQ(m.tabella[i].orario, i * 10);
  }
  EXPECT_EQ(m.tabella[80].inizio, 7);
  EXPECT_EQ(m.tabella[84].fine, 39000);
}

}  // namespace
}  // namespace scenario
