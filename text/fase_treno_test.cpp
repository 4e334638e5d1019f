#include <gtest/gtest.h>

#include "lingue/catalogo.h"

#include <array>
#include <string>

#include "tests/supporto/scenario_prova.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

using namespace prova;

// A station line: position, kind, length, the three options (first, second, third), then
// values 1 1 0 4 1 1, stop 30, time 19:00:00 and a name.
std::string stazione(int posizione, int tipo, int lunghezza, const std::string& nome = "S",
                     const std::string& opzioni = "0, 0, 0") {
  return "stazione, " + std::to_string(posizione) + ", " + std::to_string(tipo) + ", " +
         std::to_string(lunghezza) + ", " + opzioni + ", 1, 1, 0, 4, 1, 1, 30, 19, 0, 0, " + nome +
         "\r\n";
}

TEST(FaseTreno, CorsaIncorporata) {
  scenario_prova s;
  s.leggi_incorporati();
  s.attesi(0);
  const auto& t = s.m.tabella;
  const auto& p = s.m.percorso;
  ASSERT_EQ(p.size(), 921u);
  EXPECT_EQ((std::array{t[84].inizio, t[84].posizione}), (std::array{120, 4}));  // brakes, cars
  EXPECT_EQ((std::array{t[86].valore1, t[86].valore3, t[86].valore4, t[86].valore5}),
            (std::array<int16_t, 4>{300, 19, 4, 20}));  // sand, clock
  for (int k = 1; k <= 11; ++k) EXPECT_FALSE(t[k].nome.empty()) << k;
  EXPECT_TRUE(t[12].nome.empty());
  // First station, kind 8, length 300 at 0 m: area -300 to 300, departure 19:05:00.
  EXPECT_EQ((std::array{t[1].inizio, t[1].fine, t[1].orario}), (std::array{-300, 300, 68700}));
  EXPECT_EQ(t[1].nome, "CASTREA / KESTL");
  // Approach marks: f = 300 / 50 - j - 1 = 4, 3, 2 for j = 1..3; j = 4 gives 1, not > 1.
  EXPECT_EQ((std::array{p[4].preavviso, p[3].preavviso, p[2].preavviso, p[1].preavviso}),
            (std::array<uint8_t, 4>{81, 82, 83, 0}));
  EXPECT_EQ(p[5].tipo, 10);  // stop cell 300 / 50 - 1
  EXPECT_EQ(p[5].dato1, 1);
  // Rova: 24900, kind 12, length 400, options 0 0 0, values 1 1 0 4 1 1, stop 30,
  // 19:34:30 = (19 * 60 + 34) * 60 + 30 = 70470.
  const voce& rova = t[9];
  EXPECT_EQ(rova.nome, "Rova / Rova");
  EXPECT_EQ((std::array{rova.posizione, rova.inizio, rova.fine, rova.orario}),
            (std::array{24900, 24700, 25100, 70470}));
  EXPECT_EQ((std::array{rova.tipo, rova.opzione1, rova.opzione4, rova.opzione3, rova.opzione2,
                        rova.sosta}),
            (std::array<uint8_t, 6>{12, 0, 0, 0, 0, 30}));
  EXPECT_EQ((std::array{rova.valore1, rova.valore2, rova.valore3, rova.valore4, rova.valore5}),
            (std::array<int16_t, 5>{1, 1, 4, 1, 1}));
  EXPECT_EQ(t[3].nome, "Castrea Sud / Kestl S\xFC" "d");
  // "velocita, 700, 100" writes the 55 km/h in force (55 / 5 = 11) into cells 0 to 13;
  // after "velocita, 32600, 55" the tail writes 11 into cells 652 to 917; 918-920 stay 0.
  // Adhesion 100 from the tail into cells 0 to 917.
  for (int c = 0; c <= 920; ++c) {
    if (c <= 13 || c >= 652) {
      ASSERT_EQ(p[c].velocita, c <= 917 ? 11 : 0) << c;
    }
    ASSERT_EQ(p[c].aderenza, c <= 917 ? 100 : 0) << c;
  }
  EXPECT_EQ(p[14].velocita, 20);   // 100 / 5 from 700 m
  EXPECT_EQ(p[651].velocita, 13);  // 65 / 5
  // The signal of 6800 m: cell 137 with the values of its sides.
  EXPECT_EQ(p[137].tipo, 1);
  EXPECT_EQ(p[137].dato1, 30);
  EXPECT_EQ(p[129].preavviso, 64);
}

TEST(FaseTreno, RecordDellaCorsa) {
  scenario_prova s;
  s.leggi(linea_di(39000),
          treno_di("velocita, 500, 80\r\naderenza, 250, 90\r\nvelocita, 1000, 40\r\n"
                   "abbattimento, 1000, 0\r\nabbattimento, 2000, 130\r\n" +
                   stazione(10000, 30, 600, "S1", "0, 1, 1") +
                   stazione(11000, 12, 600, "S2", "0, 1, 1")));
  s.attesi(0);
  const auto& p = s.m.percorso;
  ASSERT_EQ(p.size(), 921u);
  // The first limit stated holds back to the origin: cells 0 to 19 get 80 / 5 = 16.
  EXPECT_EQ((std::array{p[0].velocita, p[19].velocita, p[20].velocita}),
            (std::array<uint8_t, 3>{16, 16, 8}));
  EXPECT_EQ(p[0].aderenza, 90);
  // round(1000 / 50) = 20 without a value; round(2000 / 50) = 40 with 130.
  EXPECT_EQ(p[20].tipo, 13);
  EXPECT_EQ(p[40].tipo, 12);
  EXPECT_EQ(p[40].dato1, 130);
  // The first station, kind 30: area 9700 to 10000 + 300 + 50 (third option), then its
  // options cleared; no approach marks and no stop cell (that would be 10350 / 50 - 1).
  const voce& prima = s.m.tabella[1];
  EXPECT_EQ((std::array{prima.fine, int32_t{prima.opzione3}, int32_t{prima.opzione4}}),
            (std::array{10350, 0, 0}));
  for (int c = 195; c <= 210; ++c) {
    EXPECT_EQ(p[c].tipo, 0) << c;
    EXPECT_EQ(p[c].preavviso, 0) << c;
  }
  // The second starts at 10700: 10700 - 350 = 10350 is not before the first's end. Its
  // options stay (length 600); stop cell 11350 / 50 - 1 = 226, marks 225 down to 222.
  const voce& seconda = s.m.tabella[2];
  EXPECT_EQ((std::array{seconda.inizio, seconda.fine, int32_t{seconda.opzione3},
                        int32_t{seconda.opzione4}}),
            (std::array{10700, 11350, 1, 1}));
  EXPECT_EQ(p[226].tipo, 10);
  EXPECT_EQ(p[226].dato1, 2);
  EXPECT_EQ((std::array{p[225].preavviso, p[224].preavviso, p[223].preavviso, p[222].preavviso}),
            (std::array<uint8_t, 4>{81, 82, 83, 84}));
}

TEST(FaseTreno, CodaDelleVelocitaScriveLaCellaAlCursore) {
  // L = 5000: N = round(12000 / 50) = 240. The tail writes the cell at the cursor first,
  // then goes on while the cursor is below N - 2 = 238.
  struct caso {
    const char* cosa;
    std::string velocita;
    int ultima_scritta;  // last cell holding the final limit; the cells after it hold 0
  };
  const caso casi[] = {
      // 11900 m is cell 238: the first record writes cells 0 to 237 and the two repeats
      // 238 and 239; the speed loop stops at N, so the cursor ends on cell 240, which the
      // tail writes with 80 / 5 = 16.
      {"cursor at N", "velocita, 11900, 60\r\nvelocita, 11900, 70\r\nvelocita, 11900, 80\r\n", 240},
      // One record at 11900: cursor 238, the tail writes 238 only and stops (239 > 238).
      {"cursor short of N", "velocita, 11900, 80\r\n", 238},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.cosa);
    scenario_prova s;
    s.leggi(linea_di(5000), treno_di("aderenza, 0, 100\r\nvelocita, 0, 50\r\n" + c.velocita));
    s.attesi(0);
    const auto& p = s.m.percorso;
    ASSERT_EQ(p.size(), 241u);
    EXPECT_EQ(p[237].velocita, 10);  // 50 / 5 up to the first record at 11900
    for (int cella = c.ultima_scritta + 1; cella <= 240; ++cella) EXPECT_EQ(p[cella].velocita, 0) << cella;
    EXPECT_EQ(p[c.ultima_scritta].velocita, 16);
    // The adhesion tail reads alike: 100 in cells 0 to 237, nothing after.
    EXPECT_EQ((std::array{p[237].aderenza, p[238].aderenza}), (std::array<uint8_t, 2>{100, 0}));
  }
}

TEST(FaseTreno, Errori) {
  struct caso {
    const char* cosa;
    std::string corpo;
    int32_t codice;
    int32_t posizione = POSIZIONE_INTATTA;
    std::string linea = linea_di(39000);
  };
  const caso casi[] = {
      {"station at 25 m", stazione(25, 12, 200), codice::stazione_posizione, 25},
      {"station length 250", stazione(1000, 12, 250), codice::stazione_lunghezza, 1000},
      // Areas 9800-10200 and 10300-10700: 10300 - 350 < 10200.
      {"stations too close", stazione(10000, 12, 400) + stazione(10500, 12, 400), 22, 10500},
      // Area ends at 100 m: the stop cell 100 / 50 - 1 = 1 is not beyond cell 1.
      {"stop cell 1", stazione(0, 12, 200), codice::fermata_troppo_vicina},
      // N = 920: a kind-8 station of 8000 m at 38200 ends at 46200, stop cell 923.
      {"stop cell beyond the track", stazione(38200, 8, 8000), codice::stazione_oltre_fine, 38200},
      // (45250 + 800) / 50 = 921 > 920: the run phase ends there as at the end of its text.
      {"station beyond the track", stazione(45250, 12, 200), codice::oltre_percorso, 45250},
      {"kind 300 in an 8-bit field", stazione(1000, 300, 200), codice::lettura_fallita},
      // A station name goes into the table, whose texts carry a 16-bit length.
      {"name of 65536 characters", stazione(1000, 12, 200, std::string(65536, 'N')),
       codice::lettura_fallita},
      // round(2000 / 50) = 40 = round(2010 / 50).
      {"second abbattimento on one cell", "abbattimento, 2000, 130\r\nabbattimento, 2010, 90\r\n",
       codice::abbattimento_occupato, 2010},
      {"abbattimento at -50 m, cell -1", "abbattimento, -50, 100\r\n", codice::prima_inizio_linea,
       -50},
      // 1010 m is cell round(20.2 + 1) = 21, the board's.
      {"signal on a board", "segnale, 1010, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0\r\n",
       codice::segnale_occupato, 1010, linea_di(5000, "cartello_indicatore, 1000, (A)\r\n")},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.cosa);
    scenario_prova s;
    s.leggi(c.linea, treno_di(c.corpo + "sabbia, 5\r\n"));
    s.attesi(c.codice, c.posizione);
    EXPECT_EQ(s.m.tabella[86].valore1, 5);  // the record after the error was read
  }
}

TEST(FaseTreno, StazioniECartelliSiIncontrano) {
  // With B boards, stations 1 to 78 - B are stored without error; station 79 - B is
  // stored and then gives error 10. With 80 boards no entry is left for a station.
  struct caso {
    int cartelli, stazioni;
    int32_t codice;
  };
  for (const caso c : {caso{75, 3, 0}, caso{75, 4, codice::troppe_stazioni},
                       caso{80, 1, codice::troppe_stazioni}}) {
    SCOPED_TRACE(c.stazioni);
    std::string corsa;
    for (int k = 1; k <= c.stazioni; ++k) {
      corsa += stazione(20000 + 1000 * k, 12, 200, "S" + std::to_string(k));
    }
    scenario_prova s;
    s.leggi(linea_di(39000, cartelli(c.cartelli)), treno_di(corsa));
    s.attesi(c.codice);
    const int ultimo_cartello = 81 - c.cartelli;
    EXPECT_EQ(s.m.tabella[ultimo_cartello].nome, "B");
    if (c.stazioni < ultimo_cartello) {
      EXPECT_EQ(s.m.tabella[c.stazioni].nome, "S" + std::to_string(c.stazioni));
    }
  }
}

TEST(FaseTreno, SenzaVelocitaNeAderenzaOgniCellaZero) {
  // No limit and no adhesion stated: the tails write the 0 in force into every cell.
  scenario_prova s;
  s.leggi(linea_di(5000), treno_di("sabbia, 5\r\n"));
  s.attesi(0);
  for (const cella& c : s.m.percorso) {
    ASSERT_EQ(c.velocita, 0);
    ASSERT_EQ(c.aderenza, 0);
  }
}

TEST(FaseTreno, SenzaGeneraleIlControlloDelleProgressiveResta) {
  // No record of the run text is read, so no speed is in force for the tail; the check
  // of the progressives still runs: 150310 is no multiple of 50.
  scenario_prova s;
  s.leggi("[generale]\r\nlunghezza percorso, 1000\r\n"
          "progressiva chilometrica uno, 0, 150310, 1\r\n[fine]\r\n",
          "velocita, 0, 50\r\n[fine]\r\n");
  s.attesi(codice::progressive_non_multiple);
  ASSERT_FALSE(s.m.percorso.empty());
  EXPECT_EQ(s.m.percorso[0].velocita, 0);
}

TEST(FaseTreno, RegolaDelGuasto) {
  {
    scenario_prova s;  // the text ends before the clock's minutes
    s.leggi(linea_di(39000), std::string("[generale]\r\norologio, 19"));
    s.attesi(codice::lettura_fallita);
    // The report says what went wrong and where.
    const diagnostica& d = s.m.diagnostiche.front();
    EXPECT_EQ(d.numero, codice::lettura_fallita);
    EXPECT_FALSE(rendi(motivo_di(d)).empty());
    EXPECT_EQ(d.luogo->file, "L_T-.txt");
  }
  scenario_prova s;  // a run text that cannot be read; what was stored stays
  s.leggi(linea_di(1000), std::nullopt);
  s.attesi(codice::lettura_fallita);
  EXPECT_EQ(rendi(motivo_di(s.m.diagnostiche.back())), "testo illeggibile");
  EXPECT_EQ(s.m.percorso.size(), 161u);
}

}  // namespace
}  // namespace scenario

namespace scenario {
namespace {

// A run past midnight is written one way: as times of day, a drop of more than 12 h taken
// as midnight passed, or with hours from 24 on (each said by warning 316 itself). The two
// ways in one run (327), a drop of 12 h or less (308) and a step of more than 12 h (328)
// are each said once, at the hours of the station whose time makes them; 0:00:00 is no
// time and is passed over.
TEST(FaseTreno, OrariOltreLaMezzanotte) {
  struct caso {
    const char* cosa;
    std::vector<std::string> orari;            // hours, minutes, seconds of stations 1, 2 ...
    std::vector<std::pair<int32_t, int>> attesi;  // number, and the station (from 1) it stands at
  };
  const caso casi[] = {
      {"times of day", {"23, 50, 0", "0, 10, 0", "0, 40, 0"}, {}},
      {"hours from 24", {"23, 50, 0", "24, 10, 0", "24, 40, 0"}, {{316, 2}, {316, 3}}},
      {"no time between", {"23, 50, 0", "0, 0, 0", "0, 40, 0"}, {}},
      {"24 h, then times of day", {"23, 50, 0", "24, 10, 0", "0, 40, 0"}, {{316, 2}, {327, 3}}},
      {"times of day, then 24 h", {"23, 50, 0", "0, 10, 0", "24, 40, 0"}, {{316, 3}, {327, 3}}},
      // Said once: the third way back is midnight passed again, nothing more.
      {"both ways twice", {"23, 50, 0", "24, 10, 0", "0, 40, 0", "24, 50, 0", "1, 0, 0"},
       {{316, 2}, {327, 3}, {316, 4}}},
      // 23:17 is 23 h 7 min after 0:10, as a typo of 0:17 makes it.
      {"a step of 23 h", {"0, 10, 0", "23, 17, 0", "23, 30, 0"}, {{328, 2}}},
      // 43200 s either way is a long leg, or times going back; a second more is the other.
      {"12 h on", {"6, 0, 0", "18, 0, 0"}, {}},
      {"12 h and a second on", {"6, 0, 0", "18, 0, 1"}, {{328, 2}}},
      {"12 h back", {"18, 0, 0", "6, 0, 0"}, {{308, 2}}},
      {"12 h and a second back", {"18, 0, 1", "6, 0, 0"}, {}},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.cosa);
    std::string corpo;
    for (size_t k = 0; k < c.orari.size(); ++k) {
      corpo += "stazione, " + std::to_string(1000 + 4000 * k) + ", 12, 200, 0, 0, 0, 1, 1, 0, 4, 1, 1, 30, " +
               c.orari[k] + ", S" + std::to_string(k + 1) + "\r\n";
    }
    scenario_prova s;
    s.leggi(linea_di(39000), treno_di(corpo));
    std::vector<std::pair<int32_t, int>> detti;
    for (const diagnostica& d : s.m.diagnostiche) {
      ASSERT_TRUE(d.posizione.has_value());
      detti.emplace_back(d.numero, 1 + (*d.posizione - 1000) / 4000);
      // At the station's hours, the 14th value.
      EXPECT_EQ(d.luogo->colonna, 1 + static_cast<int32_t>(std::string("stazione, 1000, 12, 200, 0, 0, 0, 1, 1, 0, 4, 1, 1, 30, ").size()) +
                                      (*d.posizione >= 10000 ? 1 : 0));
    }
    EXPECT_EQ(detti, c.attesi);
  }
}

}  // namespace
}  // namespace scenario
