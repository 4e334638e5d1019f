#include <gtest/gtest.h>

#include "model/numeri.h"
#include "scenario/scrittura_testi.h"
#include "tests/supporto/scenario_prova.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

using prova::linea_di;
using prova::scenario_prova;
using prova::treno_di;

// A station line: position, kind, length, then the fourteen items of the embedded runs
// (options 0, values 1 1 0 4 1 1, stop 30, time 19:00:00) and a name.
std::string stazione(int posizione, int tipo, int lunghezza, const std::string& nome = "S") {
  return "stazione, " + std::to_string(posizione) + ", " + std::to_string(tipo) + ", " +
         std::to_string(lunghezza) + ", 0, 0, 0, 1, 1, 0, 4, 1, 1, 30, 19, 0, 0, " + nome + "\r\n";
}

TEST(FaseTrenoIncorporata, TabellaEStazioni) {
  scenario_prova s;
  s.m.linea = "Castrea_Tovena";
  s.m.treno = "R7302";
  s.testi(componi_testo(elenco_linea()), componi_testo(elenco_treno()));
  s.leggi();
  ASSERT_EQ(s.m.codice_errore, 0);
  const auto& t = s.m.tabella;
  EXPECT_EQ(t[84].inizio, 120);
  EXPECT_EQ(t[84].posizione, 4);
  EXPECT_EQ(t[86].valore1, 300);
  EXPECT_EQ((std::array{t[86].valore3, t[86].valore4, t[86].valore5}),
            (std::array<int16_t, 3>{19, 4, 20}));
  for (int k = 1; k <= 11; ++k) EXPECT_FALSE(t[k].nome.empty()) << k;
  EXPECT_TRUE(t[12].nome.empty());
  // First station, kind 8, length 300 at 0 m: area -300 to 300, departure 19:05:00.
  EXPECT_EQ(t[1].inizio, -300);
  EXPECT_EQ(t[1].fine, 300);
  EXPECT_EQ(t[1].orario, 68700);
  EXPECT_EQ(t[1].nome, "CASTREA / KESTL");
  // Approach marks: f = 300 / 50 - j - 1 = 4, 3, 2 for j = 1..3; j = 4 gives 1, not > 1.
  EXPECT_EQ(s.m.percorso[4].preavviso, 81);
  EXPECT_EQ(s.m.percorso[3].preavviso, 82);
  EXPECT_EQ(s.m.percorso[2].preavviso, 83);
  EXPECT_EQ(s.m.percorso[1].preavviso, 0);
  EXPECT_EQ(s.m.percorso[5].tipo, 10);  // stop cell 300 / 50 - 1
  EXPECT_EQ(s.m.percorso[5].dato1, 1);
  // Rova: 24900, kind 12, length 400, options 0 0 0, values 1 1 0 4 1 1, stop 30,
  // 19:34:30 = (19 * 60 + 34) * 60 + 30 = 70470.
  const voce& rova = t[9];
  EXPECT_EQ(rova.nome, "Rova / Rova");
  EXPECT_EQ(rova.posizione, 24900);
  EXPECT_EQ(rova.tipo, 12);
  EXPECT_EQ((std::array{rova.opzione1, rova.opzione4, rova.opzione3, rova.opzione2, rova.sosta}),
            (std::array<uint8_t, 5>{0, 0, 0, 0, 30}));
  EXPECT_EQ((std::array{rova.valore1, rova.valore2, rova.valore3, rova.valore4, rova.valore5}),
            (std::array<int16_t, 5>{1, 1, 4, 1, 1}));
  EXPECT_EQ(rova.orario, 70470);
  EXPECT_EQ(rova.inizio, 24700);
  EXPECT_EQ(rova.fine, 25100);
  EXPECT_EQ(t[3].nome, "Castrea Sud / Kestl S\xFC" "d");
  EXPECT_FALSE(s.testi_rimasti());
}

TEST(FaseTrenoIncorporata, VelocitaEAderenza) {
  scenario_prova s;
  s.testi(componi_testo(elenco_linea()), componi_testo(elenco_treno()));
  s.leggi();
  ASSERT_EQ(s.m.codice_errore, 0);
  const auto& p = s.m.percorso;
  // "velocita, 700, 100" writes the 55 km/h in force (55 / 5 = 11) into cells 0 to 13.
  for (int c = 0; c <= 13; ++c) ASSERT_EQ(p[c].velocita, 11) << c;
  EXPECT_EQ(p[14].velocita, 20);  // 100 / 5 from 700 m
  // After "velocita, 32600, 55" the tail writes 11 into cells 652 to 917; 918-920 stay 0.
  EXPECT_EQ(p[651].velocita, 13);  // 65 / 5
  for (int c = 652; c <= 917; ++c) ASSERT_EQ(p[c].velocita, 11) << c;
  for (int c = 918; c <= 920; ++c) ASSERT_EQ(p[c].velocita, 0) << c;
  for (int c = 0; c <= 917; ++c) ASSERT_EQ(p[c].aderenza, 100) << c;
  EXPECT_EQ(p[918].aderenza, 0);
  // The signal of 6800 m: cell 137 with the values of its sides.
  EXPECT_EQ(p[137].tipo, 1);
  EXPECT_EQ(p[137].dato1, 30);
  EXPECT_EQ(p[129].preavviso, 64);
}

TEST(FaseTreno, StazioniErrate) {
  struct caso {
    std::string stazioni;
    int32_t codice;
    int32_t posizione;
  };
  const std::vector<caso> casi = {
      {stazione(25, 12, 200), codice::stazione_posizione, 25},
      {stazione(1000, 12, 250), codice::stazione_lunghezza, 1000},
      // Areas 9800-10200 and 10300-10700: 10300 - 350 < 10200.
      {stazione(10000, 12, 400) + stazione(10500, 12, 400), codice::stazioni_ravvicinate, 10500},
      // Area ends at 100 m: the stop cell 100 / 50 - 1 = 1 is not beyond cell 1.
      {stazione(0, 12, 200), codice::fermata_troppo_vicina, -1},
      // L = 39000, N = 920: a 2000 m kind-8 station at 38000 ends at 40000, stop cell 799
      // is fine; at 38200 with 8000 m it would end at 46200, stop cell 923 > 920.
      {stazione(38200, 8, 8000), codice::stazione_oltre_fine, 38200},
  };
  for (const caso& c : casi) {
    scenario_prova s;
    s.m.posizione_errore = -1;
    s.testi(linea_di(39000), treno_di(c.stazioni));
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, c.codice) << c.stazioni;
    EXPECT_EQ(s.m.posizione_errore, c.posizione) << c.stazioni;
    EXPECT_FALSE(s.testi_rimasti()) << c.stazioni;
  }
}

TEST(FaseTreno, StazioneOltreTrenta) {
  scenario_prova s;
  s.testi(linea_di(39000), treno_di(stazione(10000, 30, 400)));
  s.leggi();
  EXPECT_EQ(s.m.codice_errore, 0);
  EXPECT_EQ(s.m.tabella[1].fine, 10200);
  for (const cella& c : s.m.percorso) {
    ASSERT_EQ(c.tipo, 0);
    ASSERT_EQ(c.preavviso, 0);
  }
}

TEST(FaseTreno, StazioniECartelliSiIncontrano) {
  // With B boards, stations 1 to 78 - B are stored without error; station 79 - B is
  // stored and then gives error 10.
  constexpr int cartelli = 75;
  std::string corpo;
  for (int i = 0; i < cartelli; ++i) corpo += "cartello_indicatore, " + std::to_string(100 * i + 100) + ", B\r\n";
  for (int stazioni : {78 - cartelli, 79 - cartelli}) {
    std::string corsa;
    for (int k = 0; k < stazioni; ++k) corsa += stazione(20000 + 1000 * k, 12, 200, "S" + std::to_string(k + 1));
    scenario_prova s;
    s.testi(linea_di(39000, corpo), treno_di(corsa));
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, stazioni == 78 - cartelli ? 0 : codice::troppe_stazioni);
    EXPECT_EQ(s.m.tabella[stazioni].nome, "S" + std::to_string(stazioni));
    EXPECT_EQ(s.m.tabella[80 - cartelli + 1].nome, "B");  // the last board is intact
  }
}

TEST(FaseTreno, NessunaStazioneSopraUnCartello) {
  // Eighty boards take entries 80 to 1: a station has nowhere to go.
  std::string corpo;
  for (int i = 0; i < 80; ++i) corpo += "cartello_indicatore, " + std::to_string(100 * i + 100) + ", B\r\n";
  scenario_prova s;
  s.testi(linea_di(39000, corpo), treno_di(stazione(20000, 12, 200, "S")));
  s.leggi();
  EXPECT_EQ(s.m.codice_errore, codice::troppe_stazioni);
  EXPECT_EQ(s.m.tabella[1].nome, "B");
}

TEST(FaseTreno, Abbattimenti) {
  scenario_prova s;
  s.testi(linea_di(39000), treno_di("abbattimento, 1000, 0\r\nabbattimento, 2000, 130\r\n"
                                    "abbattimento, 2010, 90\r\n"));
  s.leggi();
  // round(1000 / 50) = 20; round(2000 / 50) = 40 = round(2010 / 50).
  EXPECT_EQ(s.m.percorso[20].tipo, 13);
  EXPECT_EQ(s.m.percorso[40].tipo, 12);
  EXPECT_EQ(s.m.percorso[40].dato1, 130);
  EXPECT_EQ(s.m.codice_errore, codice::abbattimento_occupato);
  EXPECT_EQ(s.m.posizione_errore, 2010);
  EXPECT_FALSE(s.testi_rimasti());
}

TEST(FaseTreno, AbbattimentoPrimaDellaLinea) {
  scenario_prova s;
  s.testi(linea_di(39000), treno_di("abbattimento, -50, 100\r\n"));
  s.leggi();
  EXPECT_EQ(s.m.codice_errore, codice::prima_inizio_linea);
  EXPECT_EQ(s.m.posizione_errore, -50);
}

TEST(FaseTreno, TestoSenzaGenerale) {
  scenario_prova s;
  s.testi(linea_di(1000), "velocita, 0, 50\r\n[fine]\r\n");
  s.leggi();
  EXPECT_EQ(s.m.codice_errore, 0);
  // Nothing was read, yet the tails ran with nothing in force.
  EXPECT_EQ(s.m.percorso[0].velocita, 0);
  EXPECT_FALSE(s.testi_rimasti());
}

TEST(FaseTreno, ProgressivaNonMultipla) {
  scenario_prova s;
  s.testi("[generale]\r\nlunghezza percorso, 1000\r\n"
          "progressiva chilometrica uno, 0, 150310, 1\r\n[curve]\r\n[fine]\r\n",
          treno_di());
  s.m.posizione_errore = 9;
  s.leggi();
  EXPECT_EQ(s.m.codice_errore, codice::progressive_non_multiple);
  EXPECT_EQ(s.m.posizione_errore, 9);
}

TEST(FaseTreno, PrimoLimiteOltreLOrigine) {
  // The first limit stated holds back to the origin: cells 0 to 9 get 80 / 5 = 16.
  scenario_prova s;
  s.testi(linea_di(1000), treno_di("velocita, 500, 80\r\naderenza, 250, 90\r\nvelocita, 1000, 40\r\n"));
  s.leggi();
  ASSERT_EQ(s.m.codice_errore, 0);
  EXPECT_EQ(s.m.percorso[0].velocita, 16);
  EXPECT_EQ(s.m.percorso[9].velocita, 16);
  EXPECT_EQ(s.m.percorso[10].velocita, 16);
  EXPECT_EQ(s.m.percorso[20].velocita, 8);
  EXPECT_EQ(s.m.percorso[0].aderenza, 90);
  EXPECT_EQ(s.m.percorso[157].aderenza, 90);
}

TEST(FaseTreno, SegnaleSuCellaOccupata) {
  scenario_prova s;
  s.testi(linea_di(5000, "cartello_indicatore, 1000, (A)\r\n"),
          treno_di("segnale, 1010, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0\r\nsabbia, 5\r\n"));
  s.leggi();
  EXPECT_EQ(s.m.codice_errore, codice::segnale_occupato);
  EXPECT_EQ(s.m.posizione_errore, 1010);
  EXPECT_EQ(s.m.luogo_errore.file, "L_T-.txt");
  EXPECT_EQ(s.m.luogo_errore.riga, 2);
  EXPECT_EQ(s.m.tabella[86].valore1, 0);  // nothing after the error was read
  EXPECT_FALSE(s.testi_rimasti());
}

TEST(FaseTreno, RegolaDelGuasto) {
  for (const std::string& corsa :
       {treno_di(stazione(1000, 300, 200)),   // a kind of 300 does not fit 8 bits
        std::string("[generale]\r\norologio, 19")}) {  // the text ends before the minutes
    scenario_prova s;
    s.testi(linea_di(39000), corsa);
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, codice::lettura_fallita);
    EXPECT_FALSE(s.testi_rimasti());
    // The report says what went wrong and where.
    EXPECT_NE(dettaglio_errore(s.m).find(": "), std::string::npos);
    EXPECT_NE(dettaglio_errore(s.m).find("L_T-.txt:"), std::string::npos);
  }
  {
    // A run text that cannot be opened.
    scenario_prova s;
    s.cartella.scrivi("L_linea.txt", linea_di(1000));
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, codice::lettura_fallita);
    EXPECT_EQ(s.m.percorso.size(), 161u);  // what was stored stays
    EXPECT_FALSE(s.testi_rimasti());
  }
}

}  // namespace
}  // namespace scenario
