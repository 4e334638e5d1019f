#include "track/finitura.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "model/numeri.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

using celle = std::vector<int64_t>;

// What a case puts on the track before the pass: kind, value, mountain type of one cell.
struct oggetto {
  int64_t indice;
  uint8_t tipo;
  int16_t dato1 = 0;
  uint8_t montagna = 0;
};

// A slow-down: start (kind 3, its speed in dato1) and end (kind 2).
std::vector<oggetto> rallentamento(int64_t inizio, int64_t fine, int16_t velocita,
                                   std::vector<oggetto> altri = {}) {
  altri.push_back({inizio, 3, velocita});
  altri.push_back({fine, 2, velocita});
  return altri;
}

struct caso {
  const char* cosa;
  std::vector<oggetto> oggetti;
  celle attesi;  // cells that change, ascending
  int32_t errore = 0;
  int32_t posizione = 0;
  size_t numero_celle = 300;
};

// Runs the pass on a track of cells 0 to numero_celle - 1 (exactly those, so that a read
// past the end is caught by the sanitizer build). Every changed cell must have been free
// or an abbattimento and now be an abbattimento with 180, its other fields as before.
void verifica(const caso& c) {
  SCOPED_TRACE(c.cosa);
  modello m;
  m.percorso.resize(c.numero_celle);
  for (const oggetto& o : c.oggetti) {
    m.percorso[static_cast<size_t>(o.indice)] = {
        .tipo = o.tipo, .dato1 = o.dato1, .montagna = o.montagna};
  }
  const std::vector<cella> prima = m.percorso;
  rifinitura_percorso(m);
  celle cambiate;
  for (size_t i = 0; i < prima.size(); ++i) {
    if (m.percorso[i] == prima[i]) continue;
    cella attesa = prima[i];
    attesa.tipo = 12;
    attesa.dato1 = 180;
    EXPECT_TRUE(cella_libera(prima[i]) || prima[i].tipo == 12) << "cell " << i;
    EXPECT_TRUE(m.percorso[i] == attesa) << "cell " << i;
    cambiate.push_back(static_cast<int64_t>(i));
  }
  EXPECT_EQ(cambiate, c.attesi);
  EXPECT_EQ(m.codice_errore, c.errore);
  EXPECT_EQ(m.posizione_errore, c.posizione);
  // An error of the pass is not one found in a description text.
  for (const diagnostica& d : m.diagnostiche) EXPECT_FALSE(d.luogo.has_value());
  EXPECT_EQ(m.diagnostiche.empty(), c.errore == 0);
}

TEST(Rifinitura, SegnaliPrimaDelCartelloDiAvviso) {
  const caso casi[] = {
      {"every signal in the 20 cells before a board, nearest first, the 21st cell not",
       {{100, 4}, {95, 1}, {88, 1}, {200, 4}, {180, 1}, {250, 4}, {229, 1}}, {87, 94, 179}},
      {"first cell before the signal taken: the second", {{100, 4}, {95, 1}, {94, 6}}, {93}},
      {"board at 6: the look-back reaches cell 3, its signal gets 2", {{6, 4}, {3, 1}}, {2}},
      {"board at 5: it stops at s = 2, which would need cells 1 and 0", {{5, 4}, {2, 1}}, {}},
      {"an abbattimento of 120 before the signal stays; a new 180 goes behind it",
       {{100, 4}, {95, 1}, {94, 12, 120}}, {93}},
      // Both cells before the signal taken: the first abbattimento of the two gets the
      // smaller of 180 and its value, the other is left.
      {"270 just before the signal is capped, the 150 behind it stays",
       {{100, 4}, {95, 1}, {94, 12, 270}, {93, 12, 150}}, {94}},
      {"120 just before the signal stays", {{100, 4}, {95, 1}, {94, 12, 120}, {93, 6}}, {}},
      {"270 two cells before the signal is capped", {{100, 4}, {95, 1}, {94, 6}, {93, 12, 270}},
       {93}},
      // The signal at 95 has a signal and an advance cell before it: error 11 at
      // 95 x 50 = 4750. The look-back goes on: 94 gets 92, 85 gets 84.
      {"no room before a signal: error 11, the look-back goes on",
       {{100, 4}, {95, 1}, {94, 1}, {93, 5}, {85, 1}}, {84, 92},
       codice::segnale_senza_abbattimento, 4750},
  };
  for (const caso& c : casi) verifica(c);
}

TEST(Rifinitura, FinestrePrimaDellInizio) {
  // Windows 5-7, 11-13 and 18-20 cells back, used when i > 7, > 13, > 20; the first free
  // cell of each (here the nearest) is taken. Fast slow-downs: no inner points.
  const caso casi[] = {
      {"start 7: no window", rallentamento(7, 27, 120), {}},
      {"start 8", rallentamento(8, 28, 120), {3}},
      {"start 10", rallentamento(10, 30, 120), {5}},
      {"start 13", rallentamento(13, 33, 120), {8}},
      {"start 14: two windows", rallentamento(14, 34, 120), {3, 9}},
      {"start 20", rallentamento(20, 40, 120), {9, 15}},
      {"start 21: three windows", rallentamento(21, 41, 120), {3, 10, 16}},
      {"i - 5 and i - 6 signals: i - 7", rallentamento(50, 60, 120, {{45, 1}, {44, 1}}),
       {32, 39, 43}},
      {"a full window: error 12 at 50 x 50, the others go on",
       rallentamento(50, 60, 120, {{37, 6}, {38, 6}, {39, 6}}), {32, 45},
       codice::finestra_occupata, 2500},
      {"a free mountain cell becomes an abbattimento and keeps its mountain type",
       rallentamento(50, 60, 120, {{45, 11, 0, 2}}), {32, 39, 45}},
  };
  for (const caso& c : casi) verifica(c);
}

TEST(Rifinitura, PuntiDentroIlRallentamento) {
  // From 200 to 230: windows 195, 189, 182; below 110 km/h a point every 8 cells, 208,
  // 216, 224; the first signal within 12 cells after the end gets one before it.
  const caso casi[] = {
      {"100 km/h", rallentamento(200, 230, 100), {182, 189, 195, 208, 216, 224}},
      {"110 km/h: none inside", rallentamento(200, 230, 110), {182, 189, 195}},
      {"109 km/h: inside as below", rallentamento(200, 230, 109), {182, 189, 195, 208, 216, 224}},
      // 40000 kept in 16 bits reads -25536: below 110 as a signed number.
      {"speed -25536", rallentamento(200, 230, basso16(40000)), {182, 189, 195, 208, 216, 224}},
      {"208 taken: 207, then 8 cells later", rallentamento(200, 230, 100, {{208, 6}}),
       {182, 189, 195, 207, 215, 223}},
      {"208 and 207 taken: 209, then 8 cells later",
       rallentamento(200, 230, 100, {{208, 6}, {207, 6}}), {182, 189, 195, 209, 217, 225}},
      {"207 to 209 taken: error 13 at 208 x 50, no more points, the end still found",
       rallentamento(200, 230, 100, {{207, 6}, {208, 6}, {209, 6}, {235, 1}}),
       {182, 189, 195, 234}, codice::abbattimento_interno, 10400},
      {"signal 12 cells after the end", rallentamento(200, 230, 100, {{242, 1}}),
       {182, 189, 195, 208, 216, 224, 241}},
      {"signal 13 cells after the end: not served", rallentamento(200, 230, 100, {{243, 1}}),
       {182, 189, 195, 208, 216, 224}},
      {"only the first signal after the end",
       rallentamento(200, 230, 100, {{235, 1}, {240, 1}}), {182, 189, 195, 208, 216, 224, 234}},
      {"cell before the signal taken: the one before",
       rallentamento(200, 230, 120, {{235, 1}, {234, 6}}), {182, 189, 195, 233}},
      {"both taken: error 13 at the end, 230 x 50, not at the signal",
       rallentamento(200, 230, 120, {{235, 1}, {234, 6}, {233, 6}}), {182, 189, 195},
       codice::abbattimento_interno, 11500},
      // The slow one (100-110): windows 82, 89, 95, inner 108, 115 -> 114. The fast one
      // (200-230): 240 -> 239; searching from the slow one's end would take 113.
      {"a fast slow-down searches from its own end",
       rallentamento(100, 110, 100, rallentamento(200, 230, 120, {{115, 1}, {240, 1}})),
       {82, 89, 95, 108, 114, 182, 189, 195, 239}},
  };
  for (const caso& c : casi) verifica(c);
}

TEST(Rifinitura, FineDellaTracciaEdErrori) {
  const caso casi[] = {
      {"no track", {}, {}, 0, 0, 0},
      {"cells 0 to 2: none is visited", {{1, 3, 100}}, {}, 0, 0, 3},
      // Windows 278, 272, 265; inner 291; at 299, the last cell, 299 and 298 are taken and
      // 300 does not exist: error 13 at 299 x 50 = 14950, and the walk stops there.
      {"no end, last cells taken", {{283, 3, 100}, {298, 6}, {299, 6}},
       {265, 272, 278, 291}, codice::abbattimento_interno, 14950},
      {"no end: 292, then the track runs out after 7 steps", {{284, 3, 100}},
       {266, 273, 279, 292}, codice::abbattimento_interno, 14950},
      {"fast, no end: error 13, no search for the signal", {{250, 3, 120}, {255, 1}},
       {232, 239, 245}, codice::abbattimento_interno, 14950},
      {"an end on the last cell is an end", rallentamento(290, 299, 100), {272, 279, 285, 298}},
      {"the search stops at the last cell and finds its signal",
       rallentamento(280, 295, 120, {{299, 1}}), {262, 269, 275, 298}},
      // Error 12 at 50 x 50 first, then error 11 at 140 x 50: the last stays.
      {"the last error stays",
       rallentamento(50, 60, 120, {{37, 6}, {38, 6}, {39, 6}, {150, 4}, {140, 1}, {139, 6},
                                   {138, 6}}),
       {32, 45}, codice::segnale_senza_abbattimento, 7000},
  };
  for (const caso& c : casi) verifica(c);
}

TEST(Rifinitura, ErroreDellaLetturaNonVieneAzzerato) {
  modello m;
  m.percorso.resize(300);
  m.percorso[200] = {3, 100};
  m.percorso[230] = {2, 100};
  m.codice_errore = codice::abbattimento_occupato;
  m.posizione_errore = 1234;
  rifinitura_percorso(m);
  EXPECT_EQ(m.codice_errore, codice::abbattimento_occupato);
  EXPECT_EQ(m.posizione_errore, 1234);
}

}  // namespace
}  // namespace scenario
