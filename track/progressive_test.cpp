#include "track/progressive.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <string>

namespace scenario {
namespace {

// (inizio, fine, posizione) of entries 81 ("tre"), 82 ("due") and 83 ("uno").
using terna = std::array<int32_t, 3>;
using terne = std::array<terna, 3>;

terne ordina(const terne& lette) {
  modello m;
  for (size_t i = 0; i < 3; ++i) {
    voce& v = m.tabella[81 + i];
    v.inizio = lette[i][0];
    v.fine = lette[i][1];
    v.posizione = lette[i][2];
  }
  progressive_ordina(m);
  terne risultato;
  for (size_t i = 0; i < 3; ++i) {
    const voce& v = m.tabella[81 + i];
    risultato[i] = {v.inizio, v.fine, v.posizione};
  }
  return risultato;
}

constexpr int32_t MASSIMO = std::numeric_limits<int32_t>::max();
constexpr terna ZERO{0, 0, 0};

TEST(ProgressiveOrdina, Casi) {
  const struct {
    const char* cosa;
    terne lette, attese;
  } casi[] = {
      // B = 1500 is the only largest start; A = C = 0, so U precedes T; U's flag adds 100.
      {"embedded line", {{{0, 0, 0}, {1500, -1900, 0}, {0, 150300, 1}}},
       {{{1500, -1900, 0}, {0, 150400, 1}, ZERO}}},
      // Starts 2000, 1000, 3000: U, T, D; D's flag gives 300 + 100.
      {"decreasing start", {{{2000, 500, 0}, {1000, 300, 1}, {3000, 900, 0}}},
       {{{3000, 900, 0}, {2000, 500, 0}, {1000, 400, 1}}}},
      // Each entry in turn has the furthest start; the other two follow by decreasing
      // start, the higher entry number first on equal starts.
      {"T", {{{900, 1, 0}, {300, 2, 0}, {600, 3, 0}}}, {{{900, 1, 0}, {600, 3, 0}, {300, 2, 0}}}},
      {"D", {{{300, 1, 0}, {900, 2, 0}, {600, 3, 0}}}, {{{900, 2, 0}, {600, 3, 0}, {300, 1, 0}}}},
      {"U", {{{600, 1, 0}, {300, 2, 0}, {900, 3, 0}}}, {{{900, 3, 0}, {600, 1, 0}, {300, 2, 0}}}},
      {"U before D on equal starts", {{{900, 1, 0}, {300, 2, 0}, {300, 3, 0}}},
       {{{900, 1, 0}, {300, 3, 0}, {300, 2, 0}}}},
      // A shared largest start clears all three, and no flag adds anything afterwards.
      {"largest start shared by two", {{{1000, 10, 0}, {1000, 20, 0}, {0, 30, 0}}}, {}},
      {"three equal starts", {{{500, 10, 1}, {500, 20, 1}, {500, 30, 1}}}, {}},
      // All starts 0: the first positive value from entry 83 down leads.
      {"all zero", {}, {}},
      {"U positive: U, D, T", {{{0, 100, 0}, ZERO, {0, 200, 0}}},
       {{{0, 200, 0}, ZERO, {0, 100, 0}}}},
      {"D positive: D, T, U", {{{0, 100, 0}, {0, 50, 0}, {0, -200, 0}}},
       {{{0, 50, 0}, {0, 100, 0}, {0, -200, 0}}}},
      {"none positive: cleared", {{{0, -100, 1}, {0, 0, 1}, {0, -200, 0}}}, {}},
      {"T alone positive stays, +100", {{{0, 150300, 1}, ZERO, ZERO}},
       {{{0, 150400, 1}, ZERO, ZERO}}},
      // Starts -1000, 1000, 0 sum to 0 although not all are 0: chosen by value.
      {"starts summing to 0", {{{-1000, 5, 0}, {1000, 0, 0}, ZERO}},
       {{{-1000, 5, 0}, {1000, 0, 0}, ZERO}}},
      // MAX + MAX + 2 would be 0 in 32 bits; the true sum is not, so the shared largest
      // start clears the entries instead of U leading by value.
      {"sum beyond 32 bits", {{{MASSIMO, 0, 0}, {MASSIMO, 0, 0}, {2, 300, 0}}}, {}},
      // 2147483600 + 100 = 2^31 + 52 wraps to -2^31 + 52.
      {"+100 wraps in 32 bits", {{{100, 2147483600, 1}, ZERO, ZERO}},
       {{{100, std::numeric_limits<int32_t>::min() + 52, 1}, ZERO, ZERO}}},
  };
  for (const auto& c : casi) EXPECT_EQ(ordina(c.lette), c.attese) << c.cosa;
}

TEST(ProgressiveOrdina, AltriCampiEVociIntatti) {
  modello m;
  for (size_t i = 80; i <= 84; ++i) {
    m.tabella[i] = voce{.tipo = static_cast<uint8_t>(i), .inizio = static_cast<int32_t>(i),
                        .fine = 7, .nome = "voce " + std::to_string(i), .orario = 10};
  }
  modello atteso = m;
  // Starts 82, 83, 81: entries become U, D, T with their whole triples.
  for (size_t i = 81; i <= 83; ++i) atteso.tabella[i].inizio = static_cast<int32_t>(164 - i);
  progressive_ordina(m);
  EXPECT_EQ(m.tabella, atteso.tabella);
}

}  // namespace
}  // namespace scenario
