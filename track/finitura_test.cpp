#include "track/finitura.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "model/numeri.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

using celle = std::vector<int64_t>;

// A track of cells 0 to 299, all empty; the vector holds exactly these cells, so that a
// read past cell 299 is caught by the sanitizer build.
modello traccia(size_t numero_celle = 300) {
  modello m;
  m.percorso = std::vector<cella>(numero_celle);
  return m;
}

void metti(modello& m, int64_t i, uint8_t tipo, int16_t dato1 = 0) {
  m.percorso[i].tipo = tipo;
  m.percorso[i].dato1 = dato1;
}

void rallentamento(modello& m, int64_t inizio, int64_t fine, int16_t velocita) {
  metti(m, inizio, 3, velocita);
  metti(m, fine, 2, velocita);
}

// Runs the pass and returns the cells it changed. Each must have been free and now be an
// abbattimento with 180 with every other field as before.
celle nuovi_abbattimenti(modello& m) {
  const std::vector<cella> prima = m.percorso;
  rifinitura_percorso(m);
  celle cambiate;
  for (size_t i = 0; i < prima.size(); ++i) {
    if (m.percorso[i] == prima[i]) continue;
    cella attesa = prima[i];
    attesa.tipo = 12;
    attesa.dato1 = 180;
    EXPECT_TRUE(cella_libera(prima[i])) << "cell " << i;
    EXPECT_TRUE(m.percorso[i] == attesa) << "cell " << i;
    cambiate.push_back(static_cast<int64_t>(i));
  }
  return cambiate;
}

TEST(RifinituraAvviso, OgniSegnaleNelleVentiCellePrima) {
  modello m = traccia();
  metti(m, 100, 4);
  metti(m, 95, 1);   // 5 cells before the board
  metti(m, 88, 1);   // 12 cells before: the look-back goes past the first signal
  metti(m, 200, 4);
  metti(m, 180, 1);  // 20 cells before: still looked at
  metti(m, 250, 4);
  metti(m, 229, 1);  // 21 cells before: not
  EXPECT_EQ(nuovi_abbattimenti(m), (celle{87, 94, 179}));
  EXPECT_EQ(m.codice_errore, 0);
}

TEST(RifinituraAvviso, SecondaCellaQuandoLaPrimaEOccupata) {
  modello m = traccia();
  metti(m, 100, 4);
  metti(m, 95, 1);
  metti(m, 94, 6);  // an indicator board
  EXPECT_EQ(nuovi_abbattimenti(m), (celle{93}));
}

TEST(RifinituraAvviso, CartelloVicinoAllInizio) {
  // From a board at 6 the look-back reaches cell 3, whose signal gets cell 2.
  modello m = traccia();
  metti(m, 6, 4);
  metti(m, 3, 1);
  EXPECT_EQ(nuovi_abbattimenti(m), (celle{2}));
  // From a board at 5 it stops at s = 2: a signal there would need cells 1 and 0.
  modello n = traccia();
  metti(n, 5, 4);
  metti(n, 2, 1);
  EXPECT_EQ(nuovi_abbattimenti(n), celle{});
}

TEST(RifinituraAvviso, AbbattimentiEsistenti) {
  // 270 before the signal is capped at 180; the 150 behind it is left alone.
  modello m = traccia();
  metti(m, 100, 4);
  metti(m, 95, 1);
  metti(m, 94, 12, 270);
  metti(m, 93, 12, 150);
  rifinitura_percorso(m);
  EXPECT_EQ(m.percorso[94].tipo, 12);
  EXPECT_EQ(m.percorso[94].dato1, 180);
  EXPECT_EQ(m.percorso[93].dato1, 150);
  EXPECT_EQ(m.codice_errore, 0);

  // 120 before the signal with a free cell behind it: a new 180 goes there, 120 stays.
  modello n = traccia();
  metti(n, 100, 4);
  metti(n, 95, 1);
  metti(n, 94, 12, 120);
  EXPECT_EQ(nuovi_abbattimenti(n), (celle{93}));
  EXPECT_EQ(n.percorso[94].dato1, 120);
}

TEST(RifinituraAvviso, SegnaleSenzaPostoErrore11ELaRicercaProsegue) {
  modello m = traccia();
  metti(m, 100, 4);
  metti(m, 95, 1);
  metti(m, 94, 1);  // a signal right before it...
  metti(m, 93, 5);  // ...and a slow-down advance cell: error 11 at 95 x 50 = 4750
  metti(m, 85, 1);
  // The signal at 94 then gets 92 (93 is taken) and the farther one at 85 gets 84.
  EXPECT_EQ(nuovi_abbattimenti(m), (celle{84, 92}));
  EXPECT_EQ(m.codice_errore, codice::segnale_senza_abbattimento);
  EXPECT_EQ(m.posizione_errore, 4750);
}

TEST(RifinituraFinestre, FinestreSecondoLaCellaDiInizio) {
  // Windows 5-7, 11-13 and 18-20 cells back, used when i > 7, > 13, > 20; the first
  // free cell of each (here the nearest) is taken. A fast slow-down: no inner points.
  const struct {
    int64_t inizio;
    celle attesi;
  } casi[] = {{7, {}},          {8, {3}},           {10, {5}},           {13, {8}},
              {14, {3, 9}},     {20, {9, 15}},      {21, {3, 10, 16}}};
  for (const auto& caso : casi) {
    SCOPED_TRACE(caso.inizio);
    modello m = traccia();
    rallentamento(m, caso.inizio, caso.inizio + 20, 120);
    EXPECT_EQ(nuovi_abbattimenti(m), caso.attesi);
    EXPECT_EQ(m.codice_errore, 0);
  }
}

TEST(RifinituraFinestre, PrimeDueCelleSegnali) {
  modello m = traccia();
  rallentamento(m, 50, 60, 120);
  metti(m, 45, 1);
  metti(m, 44, 1);
  EXPECT_EQ(nuovi_abbattimenti(m), (celle{32, 39, 43}));
}

TEST(RifinituraFinestre, FinestraPienaErrore12LeAltreProseguono) {
  modello m = traccia();
  rallentamento(m, 50, 60, 120);
  for (int64_t c : {37, 38, 39}) metti(m, c, 6);
  EXPECT_EQ(nuovi_abbattimenti(m), (celle{32, 45}));
  EXPECT_EQ(m.codice_errore, codice::finestra_occupata);
  EXPECT_EQ(m.posizione_errore, 2500);  // 50 x 50
}

TEST(RifinituraFinestre, CellaDiMontagnaTieneIlSuoTipoDiMontagna) {
  modello m = traccia();
  rallentamento(m, 50, 60, 120);
  cella& libera = m.percorso[45];
  libera.tipo = 11;
  libera.montagna = 2;
  libera.pendenza = 103;
  libera.velocita = 24;
  rifinitura_percorso(m);
  EXPECT_EQ(libera.tipo, 12);
  EXPECT_EQ(libera.dato1, 180);
  EXPECT_EQ(libera.montagna, 2);
  EXPECT_EQ(libera.pendenza, 103);
  EXPECT_EQ(libera.velocita, 24);
}

// A slow-down from 200 to 230: its windows take 195, 189 and 182.
modello rallentamento_200_230(int16_t velocita) {
  modello m = traccia();
  rallentamento(m, 200, 230, velocita);
  return m;
}

TEST(RifinituraPercorrenza, UnoOgniOttoCelleSottoI110) {
  modello m = rallentamento_200_230(100);
  EXPECT_EQ(nuovi_abbattimenti(m), (celle{182, 189, 195, 208, 216, 224}));
  EXPECT_EQ(m.codice_errore, 0);

  modello veloce = rallentamento_200_230(110);
  EXPECT_EQ(nuovi_abbattimenti(veloce), (celle{182, 189, 195}));

  // 40000 km/h kept in 16 bits reads -25536: below 110 as a signed number.
  modello negativa = rallentamento_200_230(basso16(40000));
  EXPECT_EQ(nuovi_abbattimenti(negativa), (celle{182, 189, 195, 208, 216, 224}));
}

TEST(RifinituraPercorrenza, CellaOccupataSpostaIlPunto) {
  // 208 taken: the point goes to 207 and the next ones 8 cells later, 215 and 223.
  modello indietro = rallentamento_200_230(100);
  metti(indietro, 208, 6);
  EXPECT_EQ(nuovi_abbattimenti(indietro), (celle{182, 189, 195, 207, 215, 223}));

  // 208 and 207 taken: 209, then 217 and 225.
  modello avanti = rallentamento_200_230(100);
  metti(avanti, 208, 6);
  metti(avanti, 207, 6);
  EXPECT_EQ(nuovi_abbattimenti(avanti), (celle{182, 189, 195, 209, 217, 225}));
}

TEST(RifinituraPercorrenza, Errore13FermaIPuntiNonLaPercorrenza) {
  modello m = rallentamento_200_230(100);
  for (int64_t c : {207, 208, 209}) metti(m, c, 6);
  metti(m, 235, 1);  // still found after the end: 234
  EXPECT_EQ(nuovi_abbattimenti(m), (celle{182, 189, 195, 234}));
  EXPECT_EQ(m.codice_errore, codice::abbattimento_interno);
  EXPECT_EQ(m.posizione_errore, 10400);  // 208 x 50
}

TEST(RifinituraSegnaleSeguente, PortataDiDodiciCelle) {
  const celle interni{182, 189, 195, 208, 216, 224};
  modello m = rallentamento_200_230(100);
  metti(m, 242, 1);  // 230 + 12
  celle attesi = interni;
  attesi.push_back(241);
  EXPECT_EQ(nuovi_abbattimenti(m), attesi);

  modello oltre = rallentamento_200_230(100);
  metti(oltre, 243, 1);  // 230 + 13
  EXPECT_EQ(nuovi_abbattimenti(oltre), interni);

  modello due = rallentamento_200_230(100);
  metti(due, 235, 1);
  metti(due, 240, 1);  // only the first signal after the end is served
  attesi = interni;
  attesi.push_back(234);
  EXPECT_EQ(nuovi_abbattimenti(due), attesi);
}

TEST(RifinituraSegnaleSeguente, CelleDavantiAlSegnale) {
  modello m = rallentamento_200_230(120);
  metti(m, 235, 1);
  metti(m, 234, 6);
  EXPECT_EQ(nuovi_abbattimenti(m), (celle{182, 189, 195, 233}));

  // Both taken: error 13 at the slow-down's end, 230 x 50, not at the signal.
  modello n = rallentamento_200_230(120);
  metti(n, 235, 1);
  metti(n, 234, 6);
  metti(n, 233, 6);
  EXPECT_EQ(nuovi_abbattimenti(n), (celle{182, 189, 195}));
  EXPECT_EQ(n.codice_errore, codice::abbattimento_interno);
  EXPECT_EQ(n.posizione_errore, 11500);
}

TEST(RifinituraSegnaleSeguente, RallentamentoVeloceCercaDallaSuaFine) {
  modello m = traccia();
  // A slow one from 100 to 110: windows 95, 89, 82; inner 108; its end finds 115 -> 114.
  rallentamento(m, 100, 110, 100);
  metti(m, 115, 1);
  // A fast one from 200 to 230: windows only, then 240 -> 239. Searching from the
  // slow one's end (110) instead would meet 115 again and take 113.
  rallentamento(m, 200, 230, 120);
  metti(m, 240, 1);
  EXPECT_EQ(nuovi_abbattimenti(m), (celle{82, 89, 95, 108, 114, 182, 189, 195, 239}));
  EXPECT_EQ(m.codice_errore, 0);
}

TEST(RifinituraErrori, UltimoErroreResta) {
  modello m = traccia();
  rallentamento(m, 50, 60, 120);
  for (int64_t c : {37, 38, 39}) metti(m, c, 6);  // error 12 at 50 x 50
  metti(m, 150, 4);
  metti(m, 140, 1);
  metti(m, 139, 6);
  metti(m, 138, 6);  // then error 11 at 140 x 50
  m.luogo_errore = {"testo.txt", 3, 4};
  rifinitura_percorso(m);
  EXPECT_EQ(m.codice_errore, codice::segnale_senza_abbattimento);
  EXPECT_EQ(m.posizione_errore, 7000);
  EXPECT_TRUE(m.luogo_errore.file.empty());  // not an error found in a text
}

TEST(RifinituraErrori, ErroreDellaLetturaNonVieneAzzerato) {
  modello m = rallentamento_200_230(100);
  m.codice_errore = codice::abbattimento_occupato;
  m.posizione_errore = 1234;
  rifinitura_percorso(m);
  EXPECT_EQ(m.codice_errore, codice::abbattimento_occupato);
  EXPECT_EQ(m.posizione_errore, 1234);
}

TEST(RifinituraLimiti, TracciaVuotaOCorta) {
  modello vuota;
  rifinitura_percorso(vuota);
  EXPECT_EQ(vuota.codice_errore, 0);
  // Cells 0 to 2: no cell is visited, so the start at cell 1 has no walk.
  modello corta = traccia(3);
  metti(corta, 1, 3, 100);
  EXPECT_EQ(nuovi_abbattimenti(corta), celle{});
  EXPECT_EQ(corta.codice_errore, 0);
}

TEST(RifinituraLimiti, RallentamentoSenzaFineEntroLaTraccia) {
  // Start at 283, no end: windows 278, 272, 265; inner point at 291. At 299 (the last
  // cell) 299 and 298 are taken and 300 does not exist: error 13; the walk stops there
  // with error 13 at 299 x 50 = 14950.
  modello m = traccia();
  metti(m, 283, 3, 100);
  metti(m, 298, 6);
  metti(m, 299, 6);
  EXPECT_EQ(nuovi_abbattimenti(m), (celle{265, 272, 278, 291}));
  EXPECT_EQ(m.codice_errore, codice::abbattimento_interno);
  EXPECT_EQ(m.posizione_errore, 14950);

  // Start at 284: 292 placed, then the walk runs out at 299 after 7 steps.
  modello n = traccia();
  metti(n, 284, 3, 100);
  EXPECT_EQ(nuovi_abbattimenti(n), (celle{266, 273, 279, 292}));
  EXPECT_EQ(n.codice_errore, codice::abbattimento_interno);
  EXPECT_EQ(n.posizione_errore, 14950);

  // A fast one without an end: error 13 at the last cell, and no search, so the signal
  // just after its start gets nothing.
  modello veloce = traccia();
  metti(veloce, 250, 3, 120);
  metti(veloce, 255, 1);
  EXPECT_EQ(nuovi_abbattimenti(veloce), (celle{232, 239, 245}));
  EXPECT_EQ(veloce.codice_errore, codice::abbattimento_interno);
  EXPECT_EQ(veloce.posizione_errore, 14950);
}

TEST(RifinituraLimiti, FineESegnaleSulleUltimeCelle) {
  // An end on the last cell is an end: 298 inner (290 + 8), no error.
  modello m = traccia();
  rallentamento(m, 290, 299, 100);
  EXPECT_EQ(nuovi_abbattimenti(m), (celle{272, 279, 285, 298}));
  EXPECT_EQ(m.codice_errore, 0);

  // The search from 295 stops at 299 and finds the signal there.
  modello n = traccia();
  rallentamento(n, 280, 295, 120);
  metti(n, 299, 1);
  EXPECT_EQ(nuovi_abbattimenti(n), (celle{262, 269, 275, 298}));
}

}  // namespace
}  // namespace scenario
