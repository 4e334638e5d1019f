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

TEST(FaseLineaIncorporata, TabellaCelleEPendenze) {
  scenario_prova s;
  s.m.linea = "Castrea_Tovena";
  s.m.treno = "R7302";
  s.testi(componi_testo(elenco_linea()), componi_testo(elenco_treno()));
  s.leggi();
  ASSERT_EQ(s.m.codice_errore, 0);
  const auto& t = s.m.tabella;
  EXPECT_EQ(t[84].fine, 39000);
  // Read as (0,0,0), (1500,-1900,0), (0,150300,1); the only largest start comes first,
  // and of the two equal starts the higher entry (83) goes before 81; its flag adds 100.
  EXPECT_EQ((std::array{t[81].inizio, t[81].fine, t[81].posizione}), (std::array{1500, -1900, 0}));
  EXPECT_EQ((std::array{t[82].inizio, t[82].fine, t[82].posizione}), (std::array{0, 150400, 1}));
  EXPECT_EQ((std::array{t[83].inizio, t[83].fine, t[83].posizione}), (std::array{0, 0, 0}));
  EXPECT_EQ(t[85].inizio, 0);  // sfondo uno
  EXPECT_EQ(t[85].posizione, 0);  // sfondo due
  EXPECT_EQ(t[85].fine, 1);  // sfondo tre
  EXPECT_EQ(t[85].nome, "Castrea_Tovena");
  EXPECT_EQ((std::array{t[86].inizio, t[86].fine, t[86].posizione}), (std::array{0, 35000, 4}));
  EXPECT_EQ(t[86].nome, "R7302");
  // Fifteen boards, first at entry 80, last at 66; their cells point at the entries.
  EXPECT_EQ(t[80].nome, "(PONTE SUL     )(FIUME ORSENA 1)");
  EXPECT_EQ(t[66].nome, "(P.L.     )(Km 31.122)");
  EXPECT_TRUE(t[65].nome.empty());
  EXPECT_EQ(s.m.percorso[cella_di(450)].tipo, 14);  // 450 m: cell 10
  EXPECT_EQ(s.m.percorso[10].dato1, 80);
  EXPECT_EQ(s.m.percorso[cella_di(33000)].dato1, 66);
  // (39000 + 7000) / 50 = 920.
  EXPECT_EQ(s.m.percorso.size(), 921u);
  // "pendenza, 7400, 2" writes gradient 0 (+100) into cells 0 to 147; "pendenza, 13700, 0"
  // writes 102 into 148 to 273.
  for (int c = 0; c <= 147; ++c) ASSERT_EQ(s.m.percorso[c].pendenza, 100) << c;
  for (int c = 148; c <= 273; ++c) ASSERT_EQ(s.m.percorso[c].pendenza, 102) << c;
  // The last gradient record (31100 m, 0) holds to cell N - 3 = 917; the last three stay 0.
  EXPECT_EQ(s.m.percorso[917].pendenza, 100);
  EXPECT_EQ(s.m.percorso[918].pendenza, 0);
  EXPECT_FALSE(s.testi_rimasti());
}

TEST(FaseLineaIncorporata, Tracciato) {
  scenario_prova s;
  s.testi(componi_testo(elenco_linea()), componi_testo(elenco_treno()));
  s.leggi();
  ASSERT_EQ(s.m.codice_errore, 0);
  const auto& p = s.m.tracciato;
  ASSERT_EQ(p.size(), 46001u);
  EXPECT_EQ(p[0][X], valore_tracciato::da_intero(0));
  EXPECT_EQ(p[1][Y], valore_tracciato::da_intero(1));
  // Metres 2 to 350 are straight steps along +y before the first curve "curvas6, 350".
  EXPECT_EQ(p[350][X], valore_tracciato::da_reale(0.0));
  EXPECT_EQ(p[350][Y], valore_tracciato::da_reale(350.0));
  // The first curve turns left (towards -x) with k = -0.003: x[351] = 0 + 0 - 0.003 * 1.
  EXPECT_EQ(p[351][X].tipo, tipo_valore::reale);
  EXPECT_DOUBLE_EQ(p[351][X].reale, -0.003);
  EXPECT_DOUBLE_EQ(p[351][Y].reale, 351.0);
  // The last two metres stay empty; every metre before them is a double.
  EXPECT_EQ(p[45999][X].tipo, tipo_valore::vuoto);
  EXPECT_EQ(p[46000][Y].tipo, tipo_valore::vuoto);
  for (size_t k = 2; k <= 45998; ++k) ASSERT_EQ(p[k][Y].tipo, tipo_valore::reale) << k;
}

TEST(FaseLinea, ParoleChiaveEsatteEMaiuscole) {
  scenario_prova s;
  s.testi("[generale]\r\nLunghezza Percorso, 1000\r\n"
          "Progressiva chilometrica uno, 0, 150300, 1\r\n"
          "progressiva chilometrica due, 0, 500, 0\r\n"
          "Sfondo uno, 7\r\nsfondo tre, 3\r\n[curve]\r\n[fine]\r\n",
          treno_di());
  s.leggi();
  EXPECT_EQ(s.m.codice_errore, 0);
  EXPECT_EQ(s.m.tabella[84].fine, 1000);
  // Only "due" was recognised; with all starts 0 and its value the only positive one it
  // goes first; the capitalised record and its values were passed over.
  EXPECT_EQ(s.m.tabella[81].fine, 500);
  EXPECT_EQ(s.m.tabella[82].fine, 0);
  EXPECT_EQ(s.m.tabella[85].inizio, 0);
  EXPECT_EQ(s.m.tabella[85].fine, 3);
}

TEST(FaseLinea, RipetizioneSegnali) {
  struct caso {
    const char* riga;
    int32_t codice;
    int32_t codici_attesi;
  };
  for (const caso& c : {caso{"ripetizione segnali 9 codici, 0, 35000", 0, 9},
                        caso{"ripetizione segnali 9 codici, 0, 0", 0, 0},
                        caso{"ripetizione segnali codici, 0, 35000", 5, 0},
                        caso{"ripetizione segnali 4 codici, 25, 35000", 3, 0},
                        caso{"ripetizione segnali 4 codici, 50, 35025", 4, 0}}) {
    scenario_prova s;
    s.m.posizione_errore = 77;
    s.testi(std::string("[generale]\r\nlunghezza percorso, 1000\r\n") + c.riga + "\r\n[fine]\r\n",
            treno_di());
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, c.codice) << c.riga;
    if (c.codice == 0) {
      EXPECT_EQ(s.m.tabella[86].posizione, c.codici_attesi) << c.riga;
    }
    EXPECT_EQ(s.m.posizione_errore, 77) << c.riga;  // these errors carry no position
    EXPECT_FALSE(s.cartella.esiste("L_linea.txt")) << c.riga;
  }
}

TEST(FaseLinea, LunghezzaLimite) {
  {
    scenario_prova s;
    s.testi(linea_di(1000000), treno_di());
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, 0);
    EXPECT_EQ(s.m.percorso.size(), 20141u);  // (1000000 + 7000) / 50 = 20140
  }
  for (int lunghezza : {1000001, -8000}) {
    scenario_prova s;
    s.testi(linea_di(lunghezza), treno_di());
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, codice::lunghezza_eccessiva) << lunghezza;
    EXPECT_TRUE(s.m.percorso.empty());
    EXPECT_FALSE(s.testi_rimasti() && s.cartella.esiste("L_linea.txt"));
  }
}

TEST(FaseLinea, TestoMancanteOSenzaGenerale) {
  {
    scenario_prova s;
    s.m.posizione_errore = 5;
    s.cartella.scrivi("L_T-.txt", treno_di());
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, codice::testo_linea_assente);
    EXPECT_EQ(s.m.posizione_errore, 5);
    EXPECT_TRUE(s.cartella.esiste("L_T-.txt"));  // the run phase does not take place
  }
  for (const char* testo : {"[curve]\r\npendenza, 0, 0\r\n[generale]\r\n",  // last item
                            "[curve]\r\npendenza, 0, 0\r\n[fine]\r\n"}) {
    scenario_prova s;
    s.testi(testo, treno_di());
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, codice::generale_assente);
    EXPECT_FALSE(s.cartella.esiste("L_linea.txt"));
  }
  {
    scenario_prova s;
    s.testi("[generale]\r\nsfondo uno, 1\r\n[curve]\r\npendenza, 100, 1\r\n[fine]\r\n", treno_di());
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, codice::lunghezza_assente);
    EXPECT_FALSE(s.cartella.esiste("L_linea.txt"));
  }
}

TEST(FaseLinea, CartelliIndicatori) {
  {
    // Same position twice: the second finds kind 14.
    scenario_prova s;
    s.testi(linea_di(5000, "cartello_indicatore, 450, (A)\r\ncartello_indicatore, 450, (B)\r\n"),
            treno_di());
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, codice::cartello_occupato);
    EXPECT_EQ(s.m.posizione_errore, 450);
    EXPECT_EQ(s.m.tabella[80].nome, "(A)");
    EXPECT_TRUE(s.m.tabella[79].nome.empty());
    EXPECT_FALSE(s.testi_rimasti() && s.cartella.esiste("L_linea.txt"));
  }
  {
    // A text cut at its comma: "(PONTE" is the board, " SUL)" the next keyword item.
    scenario_prova s;
    s.testi(linea_di(5000, "cartello_indicatore, 450, (PONTE, SUL)\r\n"), treno_di());
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, 0);
    EXPECT_EQ(s.m.tabella[80].nome, "(PONTE");
  }
  {
    // Before the first cell: -100 m would be cell -1.
    scenario_prova s;
    s.testi(linea_di(5000, "cartello_indicatore, -100, (A)\r\n"), treno_di());
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, codice::prima_inizio_linea);
    EXPECT_EQ(s.m.posizione_errore, -100);
  }
  {
    // Eighty boards fill entries 80 to 1; the 81st is refused and entry 0 stays empty.
    std::string corpo;
    for (int i = 0; i < 81; ++i) corpo += "cartello_indicatore, " + std::to_string(100 * i + 100) + ", B\r\n";
    scenario_prova s;
    s.testi(linea_di(20000, corpo), treno_di());
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, codice::troppi_cartelli);
    EXPECT_EQ(s.m.posizione_errore, 8100);
    EXPECT_EQ(s.m.tabella[1].nome, "B");
    EXPECT_TRUE(s.m.tabella[0].nome.empty());
  }
}

TEST(FaseLinea, CartelloEIndicatoreSullaStessaCella) {
  {
    scenario_prova s;
    s.testi(linea_di(5000, "indicatori_vmax, 700, 95, 100, 105, 0, 95, 100, 105, 0\r\n"
                           "cartello_indicatore, 700, (A)\r\n"),
            treno_di());
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, codice::cartello_occupato);
    EXPECT_EQ(s.m.posizione_errore, 700);
  }
  {
    scenario_prova s;
    s.testi(linea_di(5000, "cartello_indicatore, 700, (A)\r\n"
                           "indicatori_vmax, 720, 95, 100, 105, 0, 95, 100, 105, 0\r\n"),
            treno_di());
    s.leggi();
    // 720 m is cell round(15.4) = 15, the board's cell.
    EXPECT_EQ(s.m.codice_errore, codice::indicatore_occupato);
    EXPECT_EQ(s.m.posizione_errore, 720);
    EXPECT_FALSE(s.cartella.esiste("L_linea.txt"));
    EXPECT_TRUE(s.cartella.esiste("L_T-.txt"));  // the run phase does not take place
  }
  {
    // A coded speed beyond 16 bits is a reading failure.
    scenario_prova s;
    s.testi(linea_di(5000, "indicatori_vmax, 700, 5000, 0, 0, 0, 0, 0, 0, 0\r\n"), treno_di());
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, codice::lettura_fallita);
    EXPECT_FALSE(s.testi_rimasti());
  }
}

TEST(FaseLinea, Curve) {
  {
    scenario_prova s;
    s.testi(linea_di(1000, "curvad6, 10, 5\r\ncurvas6, 100, 5\r\n"), treno_di());
    s.leggi();
    ASSERT_EQ(s.m.codice_errore, 0);
    const auto& p = s.m.tracciato;
    // Right-hand curve from metre 10: x[11] = 0 + 0 + 0.003 * 1.
    EXPECT_DOUBLE_EQ(p[11][X].reale, 0.003);
    EXPECT_GT(p[15][X].reale, p[14][X].reale);
    // After the left-hand curve of the same length the heading is back to +y within
    // the lengthening factor, and x keeps what the first curve gained.
    EXPECT_GT(p[200][X].reale, 0.0);
    EXPECT_NEAR(p[200][X].reale - p[199][X].reale, 0.0, 1e-9);
  }
  {
    scenario_prova s;
    s.testi(linea_di(1000, "curva, 10, 5\r\n"), treno_di());
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, codice::curva_errata);
    EXPECT_FALSE(s.cartella.esiste("L_linea.txt"));
  }
  {
    // A curve running past metre L + 7000 = 8000 stops at the last metre.
    scenario_prova s;
    s.testi(linea_di(1000, "curvad6, 100, 9000\r\n"), treno_di());
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, codice::curva_errata);
    EXPECT_EQ(s.m.tracciato.size(), 8001u);
    EXPECT_EQ(s.m.tracciato[8000][X].tipo, tipo_valore::reale);
  }
  {
    // Without the plan a curve is not a record: its item and values are passed over.
    scenario_prova s;
    s.m.genera_linea = 0;
    s.testi(linea_di(1000, "curva, 10, 5\r\n"), treno_di());
    s.leggi();
    EXPECT_EQ(s.m.codice_errore, 0);
    EXPECT_TRUE(s.m.tracciato.empty());
  }
}

TEST(FaseLinea, OltreIlPercorsoProsegueConLaCorsa) {
  // L = 1000: N = 160. A gradient at 7950 m has (7950 + 100) / 50 = 161 > 160.
  scenario_prova s;
  s.testi(linea_di(1000, "pendenza, 500, 3\r\npendenza, 7950, 1\r\ncartello_indicatore, 50, X\r\n"),
          treno_di("velocita, 0, 50\r\nsegnale, 1450, 2, 2, 5, 6, 1, 2, 2, 1, 0, 0\r\n"));
  s.leggi();
  EXPECT_EQ(s.m.codice_errore, codice::oltre_percorso);
  // The run phase ended at its first signal, which now gives the position.
  EXPECT_EQ(s.m.posizione_errore, 1450);
  EXPECT_EQ(s.m.luogo_errore.file, "L_linea.txt");
  EXPECT_EQ(s.m.luogo_errore.riga, 6);
  EXPECT_TRUE(s.m.tabella[80].nome.empty());  // the board after the error was not read
  // The gradient tail still ran: gradient 3 from cell 10 to N - 3 = 157.
  EXPECT_EQ(s.m.percorso[157].pendenza, 103);
  EXPECT_EQ(s.m.percorso[158].pendenza, 0);
  EXPECT_FALSE(s.testi_rimasti());
}

TEST(FaseLinea, OltreIlPercorsoSenzaSegnaliNellaCorsa) {
  scenario_prova s;
  s.testi(linea_di(1000, "pendenza, 7950, 1\r\n"), treno_di("velocita, 0, 50\r\n"));
  s.leggi();
  EXPECT_EQ(s.m.codice_errore, codice::oltre_percorso);
  EXPECT_EQ(s.m.posizione_errore, 7950);
  // The run phase ran to its end: the speed tail is written.
  EXPECT_EQ(s.m.percorso[0].velocita, 10);
}

TEST(FaseLinea, ElementiConSegnoMenoEUltimoElemento) {
  scenario_prova s;
  s.testi("[generale]\r\n-------\r\nlunghezza percorso, 1000\r\n[curve]\r\n"
          "----------\r\ncartello_indicatore, 100, (A)\r\n"
          "\r\n"
          "cartello_indicatore, 200, (B)\r\n"
          "cartello_indicatore",  // the text's last item: read, never acted on
          treno_di());
  s.leggi();
  EXPECT_EQ(s.m.codice_errore, 0);
  EXPECT_EQ(s.m.tabella[80].nome, "(A)");
  EXPECT_EQ(s.m.tabella[79].nome, "(B)");
  EXPECT_TRUE(s.m.tabella[78].nome.empty());
}

}  // namespace
}  // namespace scenario
