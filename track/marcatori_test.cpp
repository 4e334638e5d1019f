#include "track/marcatori.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <vector>

#include "track/rapporto_errori.h"

namespace scenario {
namespace {

// A line of 39000 m: cells 0 to round((39000 + 7000) / 50) = 920.
constexpr int32_t CELLE = 921;

modello con_percorso(int32_t celle = CELLE) {
  modello m;
  m.percorso.resize(static_cast<size_t>(celle));
  return m;
}

cella di_tipo(uint8_t tipo) {
  cella c;
  c.tipo = tipo;
  return c;
}

// ---------------------------------------------------------------- memo_segnale

// Arguments in the order of a "segnale" line.
void segnale(modello& m, int32_t pos, int32_t sx, int32_t s1, int32_t s2, int32_t s3,
             int32_t rapp, int32_t dx, int32_t d1, int32_t d2, int32_t d3, int32_t tempo) {
  memo_segnale(m, pos, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo);
}

TEST(MemoSegnale, SegnaleA6800Metri) {
  // "segnale, 6800, 2, 3, 1, 0, 0, 0, 0,0,0, 0": cell round(6800 / 50 + 1) = 137;
  // dato1 = 3*10 + 0, dato2 = 1*10 + 0, dato3 = 0, dato4 = 0*10 + 2*3 + 0 = 6;
  // approach codes 30*2 + 10*0 + b on cells 137 - 2b.
  modello m = con_percorso();
  std::vector<cella> atteso = m.percorso;
  atteso[137].tipo = 1;
  atteso[137].dato1 = 30;
  atteso[137].dato2 = 10;
  atteso[137].dato3 = 0;
  atteso[137].dato4 = 6;
  atteso[135].preavviso = 61;
  atteso[133].preavviso = 62;
  atteso[131].preavviso = 63;
  atteso[129].preavviso = 64;

  segnale(m, 6800, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso, atteso);
}

TEST(MemoSegnale, TuttiICampi) {
  // sx 1, dx 2: code 1*3 + 2 = 5, dato4 = 4*10 + 5 = 45; approach codes 50 + b.
  modello m = con_percorso();
  segnale(m, 1000, 1, 2, 3, 4, 4, 2, 5, 6, 7, 0);
  const cella& c = m.percorso[21];
  EXPECT_EQ(c.tipo, 1);
  EXPECT_EQ(c.dato1, 25);
  EXPECT_EQ(c.dato2, 36);
  EXPECT_EQ(c.dato3, 47);
  EXPECT_EQ(c.dato4, 45);
  EXPECT_EQ(m.percorso[19].preavviso, 51);
  EXPECT_EQ(m.percorso[13].preavviso, 54);
}

TEST(MemoSegnale, VicinoAllInizioSaltaLeCelleMancanti) {
  // 300 m: cell 7; approach cells 5, 3, 1 and -1, which does not exist.
  modello m = con_percorso();
  std::vector<cella> atteso = m.percorso;
  segnale(m, 300, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  atteso[7].tipo = 1;
  atteso[7].dato4 = 6;
  atteso[5].preavviso = 61;
  atteso[3].preavviso = 62;
  atteso[1].preavviso = 63;
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso, atteso);

  // -75 m: -1.5 + 1 = -0.5 rounds to cell 0, which exists; no approach cell does.
  modello n = con_percorso();
  segnale(n, -75, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(n.codice_errore, 0);
  EXPECT_EQ(n.percorso[0].tipo, 1);
  EXPECT_EQ(n.percorso[0].preavviso, 0);
}

TEST(MemoSegnale, Tempo) {
  struct caso {
    int32_t sx, tempo;
    uint8_t atteso;
  };
  const caso casi[] = {
      {2, 50, 101},   // 1..100 become 101
      {2, 1, 101},    {2, 100, 101}, {2, 0, 0},  // 0 stays
      {2, 101, 101},  {2, 200, 200},             // 101 and more stay
      {2, 300, 44},                              // low 8 bits: 300 - 256
      {2, -5, 251},                              // -5 stays; low 8 bits 256 - 5
      {1, 50, 0},     {1, 200, 0},  {0, 150, 0}, {3, 150, 0},  // only sx 2 keeps it
  };
  for (const caso& c : casi) {
    modello m = con_percorso();
    segnale(m, 1000, c.sx, 0, 0, 0, 0, 0, 0, 0, 0, c.tempo);
    EXPECT_EQ(m.percorso[21].tempo, c.atteso) << "sx " << c.sx << " tempo " << c.tempo;
  }
}

TEST(MemoSegnale, CellaLiberaDiMontagna) {
  modello m = con_percorso();
  m.percorso[137].tipo = 11;
  m.percorso[137].montagna = 2;
  segnale(m, 6800, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso[137].tipo, 1);
  EXPECT_EQ(m.percorso[137].montagna, 2);
}

TEST(MemoSegnale, PreavvisoSuCelleDiOgniTipo) {
  // Approach cells keep their kind and values; only `preavviso` changes.
  modello m = con_percorso();
  m.percorso[135] = di_tipo(3);
  m.percorso[135].dato1 = 60;
  m.percorso[131] = di_tipo(14);
  m.percorso[131].preavviso = 9;
  segnale(m, 6800, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso[135].tipo, 3);
  EXPECT_EQ(m.percorso[135].dato1, 60);
  EXPECT_EQ(m.percorso[135].preavviso, 61);
  EXPECT_EQ(m.percorso[131].tipo, 14);
  EXPECT_EQ(m.percorso[131].preavviso, 63);
}

TEST(MemoSegnale, CellaOccupata16) {
  for (uint8_t tipo : {1, 2, 3, 4, 5, 6, 10, 12, 13, 14}) {
    modello m = con_percorso();
    m.percorso[137] = di_tipo(tipo);
    const std::vector<cella> prima = m.percorso;
    segnale(m, 6800, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(m.codice_errore, codice::segnale_occupato) << "tipo " << int(tipo);
    EXPECT_EQ(m.percorso, prima) << "tipo " << int(tipo);
  }
}

TEST(MemoSegnale, FuoriDalPercorso) {
  // -100 m: cell round(-2 + 1) = -1, before the start of the line.
  modello m = con_percorso();
  const std::vector<cella> prima = m.percorso;
  segnale(m, -100, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(m.codice_errore, codice::prima_inizio_linea);
  EXPECT_EQ(m.percorso, prima);

  // 46050 m: cell 922, beyond the last cell 920; 46000 m is cell 921, also beyond.
  for (int32_t pos : {46050, 46000}) {
    modello n = con_percorso();
    segnale(n, pos, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(n.codice_errore, codice::oltre_percorso);
    EXPECT_EQ(n.percorso, prima);
  }

  // 45950 m is the last cell, 920: accepted, approach down to 912.
  modello u = con_percorso();
  segnale(u, 45950, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(u.codice_errore, 0);
  EXPECT_EQ(u.percorso[920].tipo, 1);
  EXPECT_EQ(u.percorso[912].preavviso, 64);

  modello vuoto;
  segnale(vuoto, 1000, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(vuoto.codice_errore, codice::oltre_percorso);
  EXPECT_TRUE(vuoto.percorso.empty());
}

TEST(MemoSegnale, BitBassiDeiCampi) {
  // s1 = 4000, d1 = 7: 40007 keeps its low 16 bits, 40007 - 65536 = -25529.
  // sx = 9, dx = 0: approach code 270 + b keeps its low 8 bits, 14 + b.
  modello m = con_percorso();
  segnale(m, 1000, 9, 4000, 0, 0, 0, 0, 7, 0, 0, 0);
  EXPECT_EQ(m.percorso[21].dato1, -25529);
  EXPECT_EQ(m.percorso[21].dato4, 27);
  EXPECT_EQ(m.percorso[19].preavviso, 15);
  EXPECT_EQ(m.percorso[13].preavviso, 18);
}

// ---------------------------------------------------------- memo_rallentamento

TEST(MemoRallentamento, A1500MetriSenzaAvviso) {
  // x = 1500 is not beyond 1500: no warning, no advance cells even with f_ta 1.
  // Start round(30 + 1) = 31, end round(2000 / 50 + 1) = 41.
  modello m = con_percorso();
  std::vector<cella> atteso = m.percorso;
  memo_rallentamento(m, 1500, 60, 500, 2, 1, 30);
  for (int c : {31, 41}) {
    atteso[c].dato1 = 60;
    atteso[c].dato2 = 30;
    atteso[c].dato3 = 2;
  }
  atteso[31].tipo = 3;
  atteso[41].tipo = 2;
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso, atteso);
}

TEST(MemoRallentamento, A1550MetriConAvvisoEAnticipo) {
  // x = 1550: warning round(350 / 50 + 1) = 8, start 32, end round(2050 / 50 + 1) = 42,
  // advance cells from h = round(350 / 50) = 7 down to 4, numbered 1 to 4.
  modello m = con_percorso();
  std::vector<cella> atteso = m.percorso;
  memo_rallentamento(m, 1550, 60, 500, 2, 1, 30);
  for (int c : {32, 42}) {
    atteso[c].dato1 = 60;
    atteso[c].dato2 = 30;
    atteso[c].dato3 = 2;
  }
  atteso[32].tipo = 3;
  atteso[42].tipo = 2;
  atteso[8].tipo = 4;
  atteso[8].dato1 = 60;
  atteso[8].dato2 = 30;
  for (int i = 0; i < 4; ++i) {
    atteso[7 - i].tipo = 5;
    atteso[7 - i].dato1 = static_cast<int16_t>(i + 1);
    atteso[7 - i].dato2 = static_cast<int16_t>(i + 1);
  }
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso, atteso);
}

TEST(MemoRallentamento, SenzaAnticipo) {
  // f_ta 0: warning at 8, nothing on 4 to 7.
  modello m = con_percorso();
  memo_rallentamento(m, 1550, 60, 500, 2, 0, 30);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso[8].tipo, 4);
  for (int c = 4; c <= 7; ++c) EXPECT_EQ(m.percorso[c], cella{}) << "cella " << c;
}

TEST(MemoRallentamento, DifferenzaZeroLasciaDato2) {
  // Free cells (kind 11) carrying a dato2 of 77: with d_v = 0 it stays everywhere.
  modello m = con_percorso();
  for (int c : {4, 5, 6, 7, 8, 32, 42}) {
    m.percorso[c].tipo = 11;
    m.percorso[c].dato2 = 77;
  }
  memo_rallentamento(m, 1550, 60, 500, 2, 1, 0);
  EXPECT_EQ(m.codice_errore, 0);
  for (int c : {4, 5, 6, 7, 8, 32, 42}) EXPECT_EQ(m.percorso[c].dato2, 77) << "cella " << c;
  EXPECT_EQ(m.percorso[32].tipo, 3);
  EXPECT_EQ(m.percorso[5].dato1, 3);
}

TEST(MemoRallentamento, AnticipoOccupato20TieneISegni) {
  // A signal on advance cell 5: error 20; start, end and warning stay marked, the
  // advance cells are not written.
  modello m = con_percorso();
  m.percorso[5] = di_tipo(1);
  m.percorso[5].dato4 = 6;
  std::vector<cella> atteso = m.percorso;
  memo_rallentamento(m, 1550, 60, 500, 2, 1, 30);
  EXPECT_EQ(m.codice_errore, codice::anticipo_occupato);
  EXPECT_EQ(m.percorso[32].tipo, 3);
  EXPECT_EQ(m.percorso[42].tipo, 2);
  EXPECT_EQ(m.percorso[8].tipo, 4);
  for (int c = 4; c <= 7; ++c) EXPECT_EQ(m.percorso[c], atteso[c]) << "cella " << c;
}

TEST(MemoRallentamento, AvvisoSullaPrimaCellaDiAnticipo) {
  // x = 1575: warning round(375 / 50 + 1) = round(8.5) = 8, and h = round(7.5) = 8 as
  // well. The slow-down's own warning takes its first advance cell: error 20, with the
  // warning (kind 4, not 5) kept.
  modello m = con_percorso();
  memo_rallentamento(m, 1575, 60, 500, 2, 1, 30);
  EXPECT_EQ(m.codice_errore, codice::anticipo_occupato);
  EXPECT_EQ(m.percorso[8].tipo, 4);
  EXPECT_EQ(m.percorso[8].dato1, 60);
  for (int c = 5; c <= 7; ++c) EXPECT_EQ(m.percorso[c], cella{}) << "cella " << c;
}

TEST(MemoRallentamento, MoltoBreveRestaInizio) {
  // x = 2000, l = 10: start round(41) = 41, end round(41.2) = 41; the cell ends a start.
  modello m = con_percorso();
  memo_rallentamento(m, 2000, 60, 10, 2, 0, 0);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso[41].tipo, 3);
  EXPECT_EQ(m.percorso[41].dato1, 60);
  EXPECT_EQ(m.percorso[42].tipo, 0);
}

TEST(MemoRallentamento, CelleOccupate17a19) {
  // x = 2000, l = 500: warning round(800 / 50 + 1) = 17, start 41, end 51, advance 16..13.
  struct caso {
    int cella;
    int32_t errore;
  };
  const caso casi[] = {{17, codice::avviso_occupato},
                       {41, codice::inizio_rallentamento_occupato},
                       {51, codice::fine_rallentamento_occupata}};
  for (const caso& c : casi) {
    modello m = con_percorso();
    m.percorso[c.cella] = di_tipo(6);
    const std::vector<cella> prima = m.percorso;
    memo_rallentamento(m, 2000, 60, 500, 2, 1, 30);
    EXPECT_EQ(m.codice_errore, c.errore) << "cella " << c.cella;
    EXPECT_EQ(m.percorso, prima) << "cella " << c.cella;
  }

  // With everything free the same slow-down is accepted.
  modello m = con_percorso();
  memo_rallentamento(m, 2000, 60, 500, 2, 1, 30);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso[13].tipo, 5);
  EXPECT_EQ(m.percorso[13].dato1, 4);
}

TEST(MemoRallentamento, FineOltreIlPercorso) {
  // x = 45000, l = 2000: start 901, warning round(43800 / 50 + 1) = 877, advance 876..873;
  // the end round(47000 / 50 + 1) = 941 lies beyond cell 920 and is not written.
  modello m = con_percorso();
  memo_rallentamento(m, 45000, 60, 2000, 2, 1, 30);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso[901].tipo, 3);
  EXPECT_EQ(m.percorso[877].tipo, 4);
  EXPECT_EQ(m.percorso[873].tipo, 5);
  EXPECT_EQ(m.percorso[873].dato1, 4);
  for (int c = 902; c <= 920; ++c) EXPECT_EQ(m.percorso[c], cella{}) << "cella " << c;
}

TEST(MemoRallentamento, OggettoFuoriDalPercorso) {
  struct caso {
    int32_t x, l, errore;
  };
  const caso casi[] = {
      {-200, 100, codice::prima_inizio_linea},  // start round(-4 + 1) = -3
      {100, -300, codice::prima_inizio_linea},  // end round(-200 / 50 + 1) = -3
      {46000, 100, codice::oltre_percorso},     // start 921
  };
  for (const caso& c : casi) {
    modello m = con_percorso();
    const std::vector<cella> prima = m.percorso;
    memo_rallentamento(m, c.x, 60, c.l, 2, 1, 30);
    EXPECT_EQ(m.codice_errore, c.errore) << "x " << c.x;
    EXPECT_EQ(m.percorso, prima) << "x " << c.x;
  }

  modello vuoto;
  memo_rallentamento(vuoto, 2000, 60, 500, 2, 1, 30);
  EXPECT_EQ(vuoto.codice_errore, codice::oltre_percorso);
  EXPECT_TRUE(vuoto.percorso.empty());
}

// ------------------------------------------------------- memo_indicatori_v_max

TEST(MemoIndicatori, EsempiDelTesto) {
  // 700 m: cell 15; 95*20 + 95/5 = 1919, 100*20 + 20 = 2020, 105*20 + 21 = 2121.
  modello m = con_percorso();
  std::vector<cella> atteso = m.percorso;
  EXPECT_TRUE(memo_indicatori_v_max(m, 700, 95, 100, 105, 0, 95, 100, 105, 0));
  atteso[15].tipo = 6;
  atteso[15].dato1 = 1919;
  atteso[15].dato2 = 2020;
  atteso[15].dato3 = 2121;
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso, atteso);

  // 2200 m: cell 45; empty right-hand values read as 0: 1600, 1700, 1700.
  EXPECT_TRUE(memo_indicatori_v_max(m, 2200, 80, 85, 85, 0, 0, 0, 0, 0));
  atteso[45].tipo = 6;
  atteso[45].dato1 = 1600;
  atteso[45].dato2 = 1700;
  atteso[45].dato3 = 1700;
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso, atteso);
}

TEST(MemoIndicatori, ArrotondamentoEStrisce) {
  // 1*20 + 12/5 = 22.4 -> 22; 1*20 + 13/5 = 22.6 -> 23; -1*20 + -13/5 = -22.6 -> -23.
  // Stripes 2*10 + 3 = 23.
  modello m = con_percorso();
  EXPECT_TRUE(memo_indicatori_v_max(m, 1000, 1, 1, -1, 2, 12, 13, -13, 3));
  const cella& c = m.percorso[21];
  EXPECT_EQ(c.dato1, 22);
  EXPECT_EQ(c.dato2, 23);
  EXPECT_EQ(c.dato3, -23);
  EXPECT_EQ(c.dato4, 23);

  // Stripes 4000*10 + 7 = 40007 keep their low 16 bits: -25529.
  EXPECT_TRUE(memo_indicatori_v_max(m, 2000, 0, 0, 0, 4000, 0, 0, 0, 7));
  EXPECT_EQ(m.percorso[41].dato4, -25529);
}

TEST(MemoIndicatori, CellaLiberaDiMontagna) {
  modello m = con_percorso();
  m.percorso[15].tipo = 11;
  EXPECT_TRUE(memo_indicatori_v_max(m, 700, 95, 100, 105, 0, 95, 100, 105, 0));
  EXPECT_EQ(m.percorso[15].tipo, 6);
}

TEST(MemoIndicatori, CellaOccupata21) {
  modello m = con_percorso();
  m.percorso[15] = di_tipo(14);
  const std::vector<cella> prima = m.percorso;
  EXPECT_TRUE(memo_indicatori_v_max(m, 700, 95, 100, 105, 0, 95, 100, 105, 0));
  EXPECT_EQ(m.codice_errore, codice::indicatore_occupato);
  EXPECT_EQ(m.percorso, prima);
}

TEST(MemoIndicatori, VelocitaOltre16Bit) {
  // 1638*20 + 35/5 = 32767 fits; 1639*20 = 32780 and -1639*20 = -32780 do not; with
  // 2147483647*20 the product itself needs 64 bits.
  modello m = con_percorso();
  EXPECT_TRUE(memo_indicatori_v_max(m, 700, 1638, 0, 0, 0, 35, 0, 0, 0));
  EXPECT_EQ(m.percorso[15].dato1, 32767);
  // -1638*20 + -40/5 = -32768, the lowest value that fits.
  EXPECT_TRUE(memo_indicatori_v_max(m, 1000, -1638, 0, 0, 0, -40, 0, 0, 0));
  EXPECT_EQ(m.percorso[21].dato1, -32768);

  const int32_t massimo = std::numeric_limits<int32_t>::max();
  const int32_t eccessi[][2] = {{1639, 0}, {-1639, 0}, {massimo, 0}, {1638, 40}};
  for (const auto& e : eccessi) {
    // The coded speed that overflows is the last of the three: nothing at all is written.
    modello n = con_percorso();
    const std::vector<cella> prima = n.percorso;
    EXPECT_FALSE(memo_indicatori_v_max(n, 700, 95, 100, e[0], 0, 0, 0, e[1], 0)) << e[0];
    EXPECT_EQ(n.codice_errore, 0);
    EXPECT_EQ(n.percorso, prima) << e[0];
  }
}

TEST(MemoIndicatori, FuoriDalPercorso) {
  modello m = con_percorso();
  const std::vector<cella> prima = m.percorso;
  EXPECT_TRUE(memo_indicatori_v_max(m, -100, 95, 100, 105, 0, 0, 0, 0, 0));
  EXPECT_EQ(m.codice_errore, codice::prima_inizio_linea);
  EXPECT_EQ(m.percorso, prima);

  modello n = con_percorso();
  EXPECT_TRUE(memo_indicatori_v_max(n, 46050, 95, 100, 105, 0, 0, 0, 0, 0));
  EXPECT_EQ(n.codice_errore, codice::oltre_percorso);
  EXPECT_EQ(n.percorso, prima);

  modello vuoto;
  EXPECT_TRUE(memo_indicatori_v_max(vuoto, 700, 95, 100, 105, 0, 0, 0, 0, 0));
  EXPECT_EQ(vuoto.codice_errore, codice::oltre_percorso);
}

// --------------------------------------------------------------- memo_montagna

TEST(MemoMontagna, Da1000a2000) {
  // Cells round(1000 / 50) = 20 to round(2000 / 50 - 1) = 39, type 1, no free cells.
  modello m = con_percorso();
  std::vector<cella> atteso = m.percorso;
  for (int c = 20; c <= 39; ++c) atteso[c].montagna = 1;
  memo_montagna(m, 1000, 2000, 1);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso, atteso);
  EXPECT_EQ(m.numero_montagne, 1);
  EXPECT_EQ(m.montagne_inizio[1], 1000);
  EXPECT_EQ(m.montagne_fine[1], 2000);
}

TEST(MemoMontagna, Tipo12ConCelleLibere) {
  // Type 12 = type 2 with free cells: kind 11 on the 4th, 8th, ... cells (23, 27, 31,
  // 35, 39) that are empty. Cell 27 holds a signal: it gets the type but keeps its kind.
  modello m = con_percorso();
  m.percorso[27] = di_tipo(1);
  std::vector<cella> atteso = m.percorso;
  for (int c = 20; c <= 39; ++c) atteso[c].montagna = 2;
  for (int c : {23, 31, 35, 39}) atteso[c].tipo = 11;
  memo_montagna(m, 1000, 2000, 12);
  EXPECT_EQ(m.percorso, atteso);
}

TEST(MemoMontagna, TrattoSeguenteEntro150Metri) {
  // Second stretch 2150 - 3000 starts 150 m after 2000: type 3 instead of its own 1; its
  // own type 11 still asks for free cells. Cells 43 to 59, kind 11 on 46, 50, 54, 58.
  modello m = con_percorso();
  memo_montagna(m, 1000, 2000, 2);
  memo_montagna(m, 2150, 3000, 11);
  EXPECT_EQ(m.numero_montagne, 2);
  for (int c = 43; c <= 59; ++c) {
    EXPECT_EQ(m.percorso[c].montagna, 3) << "cella " << c;
    const bool libera = (c - 43 + 1) % 4 == 0;
    EXPECT_EQ(m.percorso[c].tipo, libera ? 11 : 0) << "cella " << c;
  }
  EXPECT_EQ(m.percorso[42].montagna, 0);

  // 151 m after 3000: its own type, 4, and no free cells.
  memo_montagna(m, 3151, 4000, 4);
  EXPECT_EQ(m.percorso[63].montagna, 4);
  EXPECT_EQ(m.percorso[66].tipo, 0);

  // Compared with the stretch read just before, not the nearest: 1000 - 4000 <= 150.
  memo_montagna(m, 5000, 6000, 1);
  memo_montagna(m, 100, 500, 5);
  EXPECT_EQ(m.percorso[2].montagna, 3);
  EXPECT_EQ(m.numero_montagne, 5);
}

TEST(MemoMontagna, PrimaDopoUltimaSoloMemorizzato) {
  // round(1000 / 50) = 20 > round(1000 / 50 - 1) = 19: stored, nothing marked.
  modello m = con_percorso();
  const std::vector<cella> prima = m.percorso;
  memo_montagna(m, 1000, 1000, 12);
  EXPECT_EQ(m.percorso, prima);
  EXPECT_EQ(m.numero_montagne, 1);
  EXPECT_EQ(m.montagne_inizio[1], 1000);
}

TEST(MemoMontagna, CelleFuoriDalPercorso) {
  // -200 to 300, type 11: cells -4 to 5, of which 0 to 5 exist. Counting from -4, the
  // 4th cell is -1 (not written) and the 8th is 3.
  modello m = con_percorso();
  memo_montagna(m, -200, 300, 11);
  EXPECT_EQ(m.codice_errore, 0);
  for (int c = 0; c <= 5; ++c) {
    EXPECT_EQ(m.percorso[c].montagna, 1) << "cella " << c;
    EXPECT_EQ(m.percorso[c].tipo, c == 3 ? 11 : 0) << "cella " << c;
  }
  EXPECT_EQ(m.percorso[6].montagna, 0);

  // 45000 to 50000: cells 900 to 999, of which 900 to 920 exist; free cells 903 ... 919.
  modello n = con_percorso();
  memo_montagna(n, 45000, 50000, 12);
  EXPECT_EQ(n.codice_errore, 0);
  for (int c = 900; c <= 920; ++c) {
    EXPECT_EQ(n.percorso[c].montagna, 2) << "cella " << c;
    EXPECT_EQ(n.percorso[c].tipo, (c - 900 + 1) % 4 == 0 ? 11 : 0) << "cella " << c;
  }
}

TEST(MemoMontagna, OttantunesimoTratto28) {
  modello m = con_percorso();
  for (int32_t i = 1; i <= 80; ++i) memo_montagna(m, i * 500, i * 500 + 100, 1);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.numero_montagne, 80);
  EXPECT_EQ(m.montagne_inizio[80], 40000);

  const std::vector<cella> prima = m.percorso;
  const auto inizi = m.montagne_inizio;
  const auto fini = m.montagne_fine;
  memo_montagna(m, 44000, 45000, 12);
  EXPECT_EQ(m.codice_errore, codice::troppe_montagne);
  EXPECT_EQ(m.numero_montagne, 80);
  EXPECT_EQ(m.montagne_inizio, inizi);
  EXPECT_EQ(m.montagne_fine, fini);
  EXPECT_EQ(m.percorso, prima);
}

TEST(MemoMontagna, PercorsoVuoto) {
  modello m;
  memo_montagna(m, 1000, 2000, 1);
  EXPECT_EQ(m.codice_errore, codice::oltre_percorso);
  EXPECT_EQ(m.numero_montagne, 0);
}

// ---------------------------------------------------------------------- minimo

TEST(Minimo, IlMinoreDeiDue) {
  const int16_t cap = 180;
  EXPECT_EQ(minimo(cap, int16_t{200}), 180);
  EXPECT_EQ(minimo(cap, int16_t{120}), 120);
  EXPECT_EQ(minimo(cap, int16_t{180}), 180);
  static_assert(std::is_same_v<decltype(minimo(cap, int16_t{200})), int16_t>);
  // Equal values give the first argument: +0.0 and -0.0 compare equal but differ in sign.
  EXPECT_TRUE(std::signbit(minimo(-0.0, 0.0)));
  EXPECT_FALSE(std::signbit(minimo(0.0, -0.0)));
}

}  // namespace
}  // namespace scenario
