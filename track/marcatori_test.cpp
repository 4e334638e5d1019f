#include "track/marcatori.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <type_traits>
#include <vector>

#include "track/rapporto_errori.h"

namespace scenario {
namespace {

// The cells that are not empty, by index: the whole track in one comparison.
using segni = std::map<int, cella>;

// A line of 39000 m: cells 0 to round((39000 + 7000) / 50) = 920, empty but for `prima`.
modello traccia(const segni& prima = {}) {
  modello m;
  m.percorso.resize(921);
  for (const auto& [i, c] : prima) m.percorso[static_cast<size_t>(i)] = c;
  return m;
}

cella di_tipo(uint8_t tipo) { return cella{tipo}; }
cella preavviso(uint8_t codice) { return {.preavviso = codice}; }

segni segni_di(const modello& m) {
  segni s;
  for (size_t i = 0; i < m.percorso.size(); ++i) {
    if (!(m.percorso[i] == cella{})) s[static_cast<int>(i)] = m.percorso[i];
  }
  return s;
}

// Numbers in the order of a "segnale" line, and of a "rallentamento" line.
struct segnale_arg {
  int32_t pos, sx, s1 = 0, s2 = 0, s3 = 0, rapp = 0, dx = 0, d1 = 0, d2 = 0, d3 = 0, tempo = 0;
};
void segnale(modello& m, const segnale_arg& a) {
  memo_segnale(m, a.pos, a.sx, a.s1, a.s2, a.s3, a.rapp, a.dx, a.d1, a.d2, a.d3, a.tempo);
}
struct rallentamento_arg {
  int32_t x, v, l, f_tt, f_ta, d_v;
};
void rallentamento(modello& m, const rallentamento_arg& a) {
  memo_rallentamento(m, a.x, a.v, a.l, a.f_tt, a.f_ta, a.d_v);
}

// One object of each kind at a position: the embedded signal "segnale, 6800, 2, 3, 1,
// 0, 0, 0, 0,0,0, 0" (at 6800 m, cell 137), a slow-down over 500 m with its advance cells,
// the board "indicatori_vmax, 700, 95, 100, 105, 0, 95, 100, 105, 0" (at 700 m, cell 15).
// A board refused for its cell still returns true: the refusal is its error number.
using marcatore = void (*)(modello&, int32_t);
void segnale_a(modello& m, int32_t pos) { segnale(m, {pos, 2, 3, 1}); }
void rallentamento_a(modello& m, int32_t x) { rallentamento(m, {x, 60, 500, 2, 1, 30}); }
void indicatore_a(modello& m, int32_t pos) {
  EXPECT_TRUE(memo_indicatori_v_max(m, pos, 95, 100, 105, 0, 95, 100, 105, 0));
}

// ---------------------------------------------------------------- memo_segnale

TEST(MemoSegnale, CelleSegnate) {
  const struct {
    segnale_arg a;
    segni attesi, prima = {};
  } casi[] = {
      // Cell round(6800 / 50 + 1) = 137; dato1 = 3*10 + 0, dato2 = 1*10 + 0,
      // dato4 = 0*10 + 2*3 + 0 = 6; approach codes 30*2 + 10*0 + b on cells 137 - 2b.
      {{6800, 2, 3, 1},
       {{137, {1, 30, 10, 0, 6}}, {135, preavviso(61)}, {133, preavviso(62)},
        {131, preavviso(63)}, {129, preavviso(64)}}},
      // Every field: sx 1, dx 2 give 1*3 + 2 = 5, dato4 = 4*10 + 5 = 45, approach 50 + b;
      // dato1..3 = 2*10 + 5, 3*10 + 6, 4*10 + 7. Only sx 2 keeps a time.
      {{1000, 1, 2, 3, 4, 4, 2, 5, 6, 7, 50},
       {{21, {1, 25, 36, 47, 45}}, {19, preavviso(51)}, {17, preavviso(52)},
        {15, preavviso(53)}, {13, preavviso(54)}}},
      // 300 m: cell 7; approach cells 5, 3, 1 and -1, which does not exist.
      {{300, 2},
       {{7, {1, 0, 0, 0, 6}}, {5, preavviso(61)}, {3, preavviso(62)}, {1, preavviso(63)}}},
      // -75 m: -1.5 + 1 = -0.5 rounds to cell 0, which exists; no approach cell does.
      {{-75, 2}, {{0, {1, 0, 0, 0, 6}}}},
      // 45950 m is the last cell, 920.
      {{45950, 2},
       {{920, {1, 0, 0, 0, 6}}, {918, preavviso(61)}, {916, preavviso(62)},
        {914, preavviso(63)}, {912, preavviso(64)}}},
      // Low bits: s1 4000, d1 7 give 40007 - 65536 = -25529; sx 9 gives dato4 27 and
      // approach codes 270 + b, kept as 270 - 256 + b = 14 + b.
      {{1000, 9, 4000, 0, 0, 0, 0, 7},
       {{21, {1, -25529, 0, 0, 27}}, {19, preavviso(15)}, {17, preavviso(16)},
        {15, preavviso(17)}, {13, preavviso(18)}}},
      // On a free mountain cell (kind 11), which keeps its mountain type; the approach
      // cells keep their kind and values, only `preavviso` changes.
      {{6800, 2, 3, 1},
       {{137, {.tipo = 1, .dato1 = 30, .dato2 = 10, .dato4 = 6, .montagna = 2}},
        {135, {.tipo = 3, .dato1 = 60, .preavviso = 61}}, {133, preavviso(62)},
        {131, {.tipo = 14, .preavviso = 63}}, {129, preavviso(64)}},
       {{137, {.tipo = 11, .montagna = 2}}, {135, {3, 60}}, {131, {.tipo = 14, .preavviso = 9}}}},
  };
  for (const auto& c : casi) {
    modello m = traccia(c.prima);
    segnale(m, c.a);
    EXPECT_EQ(m.codice_errore, 0) << "posizione " << c.a.pos;
    EXPECT_EQ(segni_di(m), c.attesi) << "posizione " << c.a.pos;
  }
}

TEST(MemoSegnale, Tempo) {
  // Times 1 to 100 become 101, others stay (low 8 bits); only sx 2 keeps the time.
  const struct {
    int32_t sx, tempo;
    uint8_t atteso;
  } casi[] = {{2, 50, 101},  {2, 1, 101},  {2, 100, 101}, {2, 0, 0},  {2, 101, 101},
              {2, 200, 200}, {2, 300, 44},  // 300 - 256
              {2, -5, 251},                 // 256 - 5
              {1, 50, 0},    {1, 200, 0},  {0, 150, 0},   {3, 150, 0}};
  for (const auto& c : casi) {
    modello m = traccia();
    segnale(m, {.pos = 1000, .sx = c.sx, .tempo = c.tempo});
    EXPECT_EQ(m.percorso[21].tempo, c.atteso) << "sx " << c.sx << " tempo " << c.tempo;
  }
}

TEST(Marcatori, OggettoRifiutatoNonSegnaNulla) {
  struct caso {
    marcatore posa;
    int32_t pos, errore;
    int indice = -1;  // the cell taken beforehand, by an object of kind `tipo`
    uint8_t tipo = 0;
  };
  std::vector<caso> casi = {
      // Taken cells: the board at 700 m (cell 15); the slow-down from 2000 m, warning
      // round(800 / 50 + 1) = 17, start 41, end 51.
      {indicatore_a, 700, codice::indicatore_occupato, 15, 14},
      {rallentamento_a, 2000, codice::avviso_occupato, 17, 6},
      {rallentamento_a, 2000, codice::inizio_rallentamento_occupato, 41, 6},
      {rallentamento_a, 2000, codice::fine_rallentamento_occupata, 51, 6},
      // Before cell 0 or beyond cell 920.
      {segnale_a, -100, codice::prima_inizio_linea},  // cell round(-2 + 1) = -1
      {segnale_a, 46000, codice::oltre_percorso},     // cell 921
      {segnale_a, 46050, codice::oltre_percorso},     // cell 922
      {rallentamento_a, -200, codice::prima_inizio_linea},  // start round(-4 + 1) = -3
      {rallentamento_a, 46000, codice::oltre_percorso},     // start 921
      // From 100 m over -300 m: the end round(-200 / 50 + 1) = -3 lies before cell 0.
      {[](modello& m, int32_t x) { rallentamento(m, {x, 60, -300, 2, 1, 30}); }, 100,
       codice::prima_inizio_linea},
      {indicatore_a, -100, codice::prima_inizio_linea},
      {indicatore_a, 46050, codice::oltre_percorso},
  };
  // The signal at 6800 m (cell 137) on every kind that is not free.
  for (uint8_t tipo : {1, 2, 3, 4, 5, 6, 10, 12, 13, 14}) {
    casi.push_back({segnale_a, 6800, codice::segnale_occupato, 137, tipo});
  }
  for (const caso& c : casi) {
    SCOPED_TRACE(testing::Message() << "posizione " << c.pos << " tipo " << int(c.tipo));
    const segni prima = c.indice < 0 ? segni{} : segni{{c.indice, di_tipo(c.tipo)}};
    modello m = traccia(prima);
    c.posa(m, c.pos);
    EXPECT_EQ(m.codice_errore, c.errore);
    EXPECT_EQ(segni_di(m), prima);
    // Without a track nothing can be marked at all.
    modello vuoto;
    c.posa(vuoto, c.pos);
    EXPECT_EQ(vuoto.codice_errore, codice::oltre_percorso);
    EXPECT_TRUE(vuoto.percorso.empty());
  }
  modello vuoto;
  memo_montagna(vuoto, 1000, 2000, 1);
  EXPECT_EQ(vuoto.codice_errore, codice::oltre_percorso);
  EXPECT_EQ(vuoto.numero_montagne, 0);
}

// ---------------------------------------------------------- memo_rallentamento

TEST(MemoRallentamento, CelleSegnate) {
  const struct {
    rallentamento_arg a;
    int32_t errore;
    segni attesi, prima = {};
  } casi[] = {
      // x = 1500 is not beyond 1500: no warning, no advance cells even with f_ta 1.
      // Start round(30 + 1) = 31, end round(2000 / 50 + 1) = 41.
      {{1500, 60, 500, 2, 1, 30}, 0, {{31, {3, 60, 30, 2}}, {41, {2, 60, 30, 2}}}},
      // x = 1550: warning round(350 / 50 + 1) = 8, start 32, end round(2050 / 50 + 1) = 42,
      // advance cells from h = round(350 / 50) = 7 down to 4, numbered 1 to 4.
      {{1550, 60, 500, 2, 1, 30},
       0,
       {{32, {3, 60, 30, 2}}, {42, {2, 60, 30, 2}}, {8, {4, 60, 30}}, {7, {5, 1, 1}},
        {6, {5, 2, 2}}, {5, {5, 3, 3}}, {4, {5, 4, 4}}}},
      // f_ta 0: no advance cells.
      {{1550, 60, 500, 2, 0, 30},
       0,
       {{32, {3, 60, 30, 2}}, {42, {2, 60, 30, 2}}, {8, {4, 60, 30}}}},
      // x = 1575: warning round(8.5) = 8 and h = round(7.5) = 8: the slow-down's own
      // warning takes its first advance cell. Error 20, marks kept; start round(32.5) = 32,
      // end round(42.5) = 42.
      {{1575, 60, 500, 2, 1, 30},
       codice::anticipo_occupato,
       {{32, {3, 60, 30, 2}}, {42, {2, 60, 30, 2}}, {8, {4, 60, 30}}}},
      // x = 2000, l = 10: start round(41) = 41, end round(41.2) = 41; the cell stays a start.
      // Warning round(800 / 50 + 1) = 17.
      {{2000, 60, 10, 2, 0, 0}, 0, {{41, {3, 60, 0, 2}}, {17, {4, 60}}}},
      // x = 45000, l = 2000: start 901, warning round(43800 / 50 + 1) = 877, advance 876..873;
      // the end round(47000 / 50 + 1) = 941 lies beyond cell 920 and is not written.
      {{45000, 60, 2000, 2, 1, 30},
       0,
       {{901, {3, 60, 30, 2}}, {877, {4, 60, 30}}, {876, {5, 1, 1}}, {875, {5, 2, 2}},
        {874, {5, 3, 3}}, {873, {5, 4, 4}}}},
      // d_v = 0 leaves every dato2 as it was (77 on free mountain cells).
      {{1550, 60, 500, 2, 1, 0},
       0,
       {{32, {3, 60, 77, 2}}, {42, {2, 60, 77, 2}}, {8, {4, 60, 77}}, {7, {5, 1, 77}},
        {6, {5, 2, 77}}, {5, {5, 3, 77}}, {4, {5, 4, 77}}},
       {{4, {11, 0, 77}}, {5, {11, 0, 77}}, {6, {11, 0, 77}}, {7, {11, 0, 77}}, {8, {11, 0, 77}},
        {32, {11, 0, 77}}, {42, {11, 0, 77}}}},
      // A signal on advance cell 5: error 20; start, end and warning stay marked, the
      // advance cells are not written.
      {{1550, 60, 500, 2, 1, 30},
       codice::anticipo_occupato,
       {{5, {1, 0, 0, 0, 6}}, {32, {3, 60, 30, 2}}, {42, {2, 60, 30, 2}}, {8, {4, 60, 30}}},
       {{5, {1, 0, 0, 0, 6}}}},
      // A signal on the fourth advance cell (h - 3 = 4): error 20 as well, the signal kept.
      {{1550, 60, 500, 2, 1, 30},
       codice::anticipo_occupato,
       {{4, {1, 0, 0, 0, 6}}, {32, {3, 60, 30, 2}}, {42, {2, 60, 30, 2}}, {8, {4, 60, 30}}},
       {{4, {1, 0, 0, 0, 6}}}},
  };
  for (const auto& c : casi) {
    modello m = traccia(c.prima);
    rallentamento(m, c.a);
    EXPECT_EQ(m.codice_errore, c.errore) << "x " << c.a.x;
    EXPECT_EQ(segni_di(m), c.attesi) << "x " << c.a.x;
  }
}

// ------------------------------------------------------- memo_indicatori_v_max

TEST(MemoIndicatori, VelocitaCodificateESoloA16Bit) {
  const struct {
    int32_t pos, vas, vbs, vcs, strisces, vad, vbd, vcd, strisced;
    int indice;
    cella attesa, prima = {};
  } casi[] = {
      // 700 m: cell 15; 95*20 + 95/5 = 1919, 100*20 + 20 = 2020, 105*20 + 21 = 2121.
      {700, 95, 100, 105, 0, 95, 100, 105, 0, 15, {6, 1919, 2020, 2121, 0}},
      // 2200 m: cell 45; empty right-hand values read as 0: 1600, 1700, 1700.
      {2200, 80, 85, 85, 0, 0, 0, 0, 0, 45, {6, 1600, 1700, 1700, 0}},
      // 20 + 12/5 = 22.4 -> 22; 20 + 13/5 = 22.6 -> 23; -20 - 13/5 = -22.6 -> -23;
      // stripes 2*10 + 3 = 23.
      {1000, 1, 1, -1, 2, 12, 13, -13, 3, 21, {6, 22, 23, -23, 23}},
      // Stripes 4000*10 + 7 = 40007 keep their low 16 bits: -25529.
      {2000, 0, 0, 0, 4000, 0, 0, 0, 7, 41, {6, 0, 0, 0, -25529}},
      // The ends of 16 bits: 1638*20 + 35/5 = 32767, -1638*20 - 40/5 = -32768.
      {700, 1638, 0, 0, 0, 35, 0, 0, 0, 15, {6, 32767}},
      {1000, -1638, 0, 0, 0, -40, 0, 0, 0, 21, {6, -32768}},
      // A free mountain cell takes the board.
      {700, 95, 100, 105, 0, 95, 100, 105, 0, 15, {6, 1919, 2020, 2121, 0}, di_tipo(11)},
      // 1639*20 = 32780 and -1639*20 = -32780 do not fit, nor 1638*20 + 40/5 = 32768; with
      // 2147483647*20 the product itself needs 64 bits. The overflowing speed is the last
      // of the three: nothing at all is written (an empty cell expected), and the result
      // false makes the reader report the failure.
      {700, 95, 100, 1639, 0, 0, 0, 0, 0, 15, {}},
      {700, 95, 100, -1639, 0, 0, 0, 0, 0, 15, {}},
      {700, 95, 100, std::numeric_limits<int32_t>::max(), 0, 0, 0, 0, 0, 15, {}},
      {700, 95, 100, 1638, 0, 0, 0, 40, 0, 15, {}},
  };
  for (const auto& c : casi) {
    modello m = traccia({{c.indice, c.prima}});
    const bool scritto = !(c.attesa == cella{});
    EXPECT_EQ(memo_indicatori_v_max(m, c.pos, c.vas, c.vbs, c.vcs, c.strisces, c.vad, c.vbd,
                                    c.vcd, c.strisced),
              scritto);
    EXPECT_EQ(m.codice_errore, 0);
    const segni attesi = scritto ? segni{{c.indice, c.attesa}} : segni{};
    EXPECT_EQ(segni_di(m), attesi) << c.pos << " " << c.vcs;
  }
}

// --------------------------------------------------------------- memo_montagna

// `base` with the mountain type `valore` on cells da..a and kind 11 on `libere`.
std::vector<cella> tratto(std::vector<cella> base, int da, int a, uint8_t valore,
                          const std::vector<int>& libere) {
  for (int c = da; c <= a; ++c) base[static_cast<size_t>(c)].montagna = valore;
  for (int c : libere) base[static_cast<size_t>(c)].tipo = 11;
  return base;
}

TEST(MemoMontagna, CelleDelTratto) {
  const struct {
    int32_t inizio, fine, tipo;
    int da, a;
    uint8_t valore;
    std::vector<int> libere;
    segni prima = {};
  } casi[] = {
      // Cells round(1000 / 50) = 20 to round(2000 / 50 - 1) = 39, type 1, no free cells.
      {1000, 2000, 1, 20, 39, 1, {}},
      // Halves to even at both ends: round(20.5) = 20 to round(42.5 - 1) = 42, and
      // round(21.5) = 22 to round(41.5 - 1) = 40.
      {1025, 2125, 1, 20, 42, 1, {}},
      {1075, 2075, 1, 22, 40, 1, {}},
      // Type 12 = type 2 with kind 11 on the 4th, 8th, ... cells (23, 27, 31, 35, 39) that
      // are empty: the signal on 27 gets the type but keeps its kind.
      {1000, 2000, 12, 20, 39, 2, {23, 31, 35, 39}, {{27, di_tipo(1)}}},
      // round(1000 / 50) = 20 > round(1000 / 50 - 1) = 19: stored, nothing marked.
      {1000, 1000, 12, 20, 19, 0, {}},
      // -200 to 300, type 11: cells -4 to 5, of which 0 to 5 exist. Counting from -4, the
      // 4th cell is -1 (not written) and the 8th is 3.
      {-200, 300, 11, 0, 5, 1, {3}},
      // 45000 to 50000: cells 900 to 999, of which 900 to 920 exist.
      {45000, 50000, 12, 900, 920, 2, {903, 907, 911, 915, 919}},
  };
  for (const auto& c : casi) {
    modello m = traccia(c.prima);
    memo_montagna(m, c.inizio, c.fine, c.tipo);
    EXPECT_EQ(m.codice_errore, 0);
    EXPECT_EQ(m.percorso, tratto(traccia(c.prima).percorso, c.da, c.a, c.valore, c.libere))
        << c.inizio << " - " << c.fine;
    EXPECT_EQ(m.numero_montagne, 1);
    EXPECT_EQ(m.montagne_inizio[1], c.inizio);
    EXPECT_EQ(m.montagne_fine[1], c.fine);
  }
}

TEST(MemoMontagna, TrattoSeguenteEntro150Metri) {
  modello m = traccia();
  std::vector<cella> atteso = tratto(m.percorso, 20, 39, 2, {});
  memo_montagna(m, 1000, 2000, 2);
  // 2150 - 3000 starts 150 m after 2000: type 3 instead of its own 1; its own type 11
  // still asks for free cells. Cells 43 to 59, kind 11 on 46, 50, 54, 58.
  memo_montagna(m, 2150, 3000, 11);
  atteso = tratto(atteso, 43, 59, 3, {46, 50, 54, 58});
  // 151 m after 3000: its own type 4 on cells round(63.02) = 63 to 79, no free cells.
  memo_montagna(m, 3151, 4000, 4);
  atteso = tratto(atteso, 63, 79, 4, {});
  // Compared with the stretch read just before, not the nearest: 100 - 6000 <= 150, so
  // 100 - 500 (cells 2 to 9) gets type 3, not 5.
  memo_montagna(m, 5000, 6000, 1);
  atteso = tratto(atteso, 100, 119, 1, {});
  memo_montagna(m, 100, 500, 5);
  atteso = tratto(atteso, 2, 9, 3, {});
  EXPECT_EQ(m.percorso, atteso);
  EXPECT_EQ(m.numero_montagne, 5);
}

TEST(MemoMontagna, OttantunesimoTratto28) {
  modello m = traccia();
  for (int32_t i = 1; i <= 80; ++i) memo_montagna(m, i * 500, i * 500 + 100, 1);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.montagne_inizio[80], 40000);

  const modello prima = m;
  memo_montagna(m, 44000, 45000, 12);
  EXPECT_EQ(m.codice_errore, codice::troppe_montagne);
  EXPECT_EQ(m.numero_montagne, 80);
  EXPECT_EQ(m.montagne_inizio, prima.montagne_inizio);
  EXPECT_EQ(m.montagne_fine, prima.montagne_fine);
  EXPECT_EQ(m.percorso, prima.percorso);
}

// ---------------------------------------------------------------------- minimo

TEST(Minimo, IlMinoreDeiDue) {
  const int16_t cap = 180;
  EXPECT_EQ(minimo(cap, int16_t{200}), 180);
  EXPECT_EQ(minimo(cap, int16_t{120}), 120);
  static_assert(std::is_same_v<decltype(minimo(cap, int16_t{200})), int16_t>);
  // Equal values give the first argument: +0.0 and -0.0 compare equal but differ in sign.
  EXPECT_TRUE(std::signbit(minimo(-0.0, 0.0)));
  EXPECT_FALSE(std::signbit(minimo(0.0, -0.0)));
}

}  // namespace
}  // namespace scenario
