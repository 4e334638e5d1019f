#include <gtest/gtest.h>

#include "lingue/catalogo.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "model/numeri.h"
#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/scenario_prova.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

using namespace prova;

std::array<int32_t, 3> terna(const voce& v) { return {v.inizio, v.fine, v.posizione}; }

TEST(FaseLinea, LineaIncorporata) {
  scenario_prova s;
  s.leggi_incorporati();
  s.attesi(0);
  ASSERT_EQ(s.m.percorso.size(), 921u);  // (39000 + 7000) / 50 = 920
  const auto& t = s.m.tabella;
  EXPECT_EQ(t[84].fine, 39000);
  // Read as (0,0,0), (1500,-1900,0), (0,150300,1); the only largest start comes first,
  // and of the two equal starts the higher entry (83) goes before 81; its flag adds 100.
  EXPECT_EQ(terna(t[81]), (std::array{1500, -1900, 0}));
  EXPECT_EQ(terna(t[82]), (std::array{0, 150400, 1}));
  EXPECT_EQ(terna(t[83]), (std::array{0, 0, 0}));
  EXPECT_EQ(terna(t[85]), (std::array{0, 1, 0}));  // sfondo uno, tre, due
  EXPECT_EQ(terna(t[86]), (std::array{0, 35000, 4}));
  EXPECT_EQ(t[85].nome, "Castrea_Tovena");
  EXPECT_EQ(t[86].nome, "R7302");
  // Fifteen boards, first at entry 80, last at 66; their cells point at the entries.
  EXPECT_EQ(t[80].nome, "(PONTE SUL     )(FIUME ORSENA 1)");
  EXPECT_EQ(t[66].nome, "(P.L.     )(Km 31.122)");
  EXPECT_TRUE(t[65].nome.empty());
  EXPECT_EQ(s.m.percorso[cella_di(450)].tipo, 14);  // 450 m: cell 10
  EXPECT_EQ(s.m.percorso[10].dato1, 80);
  EXPECT_EQ(s.m.percorso[cella_di(33000)].dato1, 66);
  // "pendenza, 7400, 2" writes gradient 0 (+100) into cells 0 to 147; "pendenza, 13700, 0"
  // writes 102 into 148 to 273; the last record (31100 m, 0) holds to N - 3 = 917.
  for (int c = 0; c <= 273; ++c) ASSERT_EQ(s.m.percorso[c].pendenza, c <= 147 ? 100 : 102) << c;
  EXPECT_EQ(s.m.percorso[917].pendenza, 100);
  EXPECT_EQ(s.m.percorso[918].pendenza, 0);

  const auto p = punti_di(s.m.tracciato);
  ASSERT_EQ(p.size(), 46001u);
  EXPECT_EQ(p[0][X], valore_tracciato::da_intero(0));
  EXPECT_EQ(p[1][Y], valore_tracciato::da_intero(1));
  // Metres 2 to 350 are straight steps along +y before the first curve "curvas6, 350";
  // it turns towards -x with k = -0.003: x[351] = 0 + 0 - 0.003 * 1.
  EXPECT_EQ(p[350][X], valore_tracciato::da_reale(0.0));
  EXPECT_EQ(p[350][Y], valore_tracciato::da_reale(350.0));
  EXPECT_DOUBLE_EQ(p[351][X].reale, -0.003);
  EXPECT_DOUBLE_EQ(p[351][Y].reale, 351.0);
  // Every metre up to L + 6998 is computed; the last two stay empty.
  for (size_t k = 2; k <= 45998; ++k) ASSERT_EQ(p[k][Y].tipo, tipo_valore::reale) << k;
  EXPECT_EQ(p[45999][X].tipo, tipo_valore::vuoto);
  EXPECT_EQ(p[46000][Y].tipo, tipo_valore::vuoto);
}

TEST(FaseLinea, RecordRiconosciutiEPassatiOltre) {
  scenario_prova s;
  s.leggi(righe_crlf({"[generale]",
                      // Ten items in a row are passed over after one with a minus sign:
                      // "sfondo due-" is the third, and its value is the item that is left.
                      "-", "-", "sfondo due-, 7", "-------",
                      // Case is ignored, except in the exact tests.
                      "Lunghezza Percorso, 1000", "Progressiva chilometrica uno, 0, 150300, 1",
                      "progressiva chilometrica due, 0, 500, 0", "Sfondo uno, 7", "sfondo tre, 3",
                      "ripetizione segnali 9 codici, 0, 35000", "[curve]", "----------",
                      "curvad6, 10, 5", "cartello_indicatore, 100, (A)", "",
                      "cartello_indicatore, 200, (PONTE, SUL)",
                      // In the body two items are passed over; the third is acted on.
                      "-", "-", "cartello_indicatore-, 300, (C)"}) +
              "cartello_indicatore",  // the text's last item: read, never acted on
          treno_di());
  s.attesi(0);
  EXPECT_EQ(s.m.tabella[84].fine, 1000);
  // Only "due" was recognised; with all starts 0 and its value the only positive one it
  // goes first.
  EXPECT_EQ(s.m.tabella[81].fine, 500);
  EXPECT_EQ(s.m.tabella[82].fine, 0);
  EXPECT_EQ(terna(s.m.tabella[85]), (std::array{0, 3, 0}));
  EXPECT_EQ(s.m.tabella[86].posizione, 9);
  EXPECT_EQ(s.m.tabella[80].nome, "(A)");
  EXPECT_EQ(s.m.tabella[79].nome, "(PONTE");  // cut at the comma; "SUL)" is passed over
  EXPECT_EQ(s.m.tabella[78].nome, "(C)");
  EXPECT_TRUE(s.m.tabella[77].nome.empty());
  // A right-hand curve from metre 10: x[11] = 0 + 0 + 0.003 * 1.
  const auto p = punti_di(s.m.tracciato);
  ASSERT_EQ(p.size(), 8001u);
  EXPECT_DOUBLE_EQ(p[11][X].reale, 0.003);

  // Without the plan a curve is not a record: its item and values are passed over. And
  // "ripetizione segnali 4 codici, 0, 0", with a second value of 0, leaves no codes.
  scenario_prova senza_tracciato;
  senza_tracciato.m.genera_linea = 0;
  senza_tracciato.leggi(linea_di(1000, "curva, 10, 5\r\n"), treno_di());
  senza_tracciato.attesi(0);
  EXPECT_FALSE(senza_tracciato.m.tracciato.esiste());
  EXPECT_EQ(senza_tracciato.m.tabella[86].posizione, 0);

  // A record holding only "percorso" is no line length, and a lone "[" no header: the
  // length stays 1000 and the section goes on to the board's repetition record.
  scenario_prova parole_sole;
  parole_sole.leggi("[generale]\r\nlunghezza percorso, 1000\r\npercorso, 7000\r\n[\r\n"
                    "ripetizione segnali 9 codici, 0, 35000\r\n[fine]\r\n",
                    treno_di());
  parole_sole.attesi(0);
  EXPECT_EQ(parole_sole.m.percorso.size(), 161u);  // round(8000 / 50) + 1
  EXPECT_EQ(parole_sole.m.tabella[86].posizione, 9);

  scenario_prova piu_lunga;
  piu_lunga.leggi(linea_di(1000000), treno_di());
  piu_lunga.attesi(0);
  EXPECT_EQ(piu_lunga.m.percorso.size(), 20141u);  // (1000000 + 7000) / 50 = 20140
}

// A record read on from the middle of a line, after another record's last number and a
// blank, is no line in plain form even when it repeats the keyword of the line before:
// it is kept at its own column.
TEST(FaseLinea, RecordAMetaRiga) {
  scenario_prova s;
  s.m.permissivo = true;
  s.leggi(linea_di(5000, "pendenza, 100, 1\r\npendenza, 200, 2 pendenza, 300, 3\r\n"), treno_di());
  ASSERT_FALSE(con_errori(s.m.diagnostiche));
  std::vector<std::pair<int32_t, int32_t>> pendenze;  // line, column
  for (const record_letto& r : s.m.letti.records) {
    if (r.numero_valori == 2 && s.m.letti.valori[r.primo_valore + 1] == 3) pendenze.emplace_back(r.riga, r.colonna);
  }
  // "pendenza, 200, 2 " is 17 bytes: the third record's keyword is at column 18.
  ASSERT_EQ(pendenze.size(), 1u);
  EXPECT_EQ(pendenze[0].second, 18);
}

// A curve keyword's class is the lowest class digit it holds, whatever else it holds; an "s"
// of either case anywhere in it turns the curve towards -x. Every spelling is read so, in a
// line in plain form or not.
TEST(FaseLinea, ClasseDellaCurva) {
  const struct {
    std::string parola;
    double k;
  } casi[] = {
      {"curvad4", 0.001},   {"curvas4", -0.001}, {"curvaS2", -0.0002}, {"curvad61", 0.0001},
      {"curva 6d5", 0.002}, {"CURVAD3", 0.0004}, {"curvad9 6", 0.003},
  };
  for (const auto& c : casi) {
    SCOPED_TRACE(c.parola);
    scenario_prova s;
    s.m.permissivo = true;
    s.leggi(linea_di(1000, c.parola + ", 10, 5\r\n"), treno_di());
    ASSERT_FALSE(con_errori(s.m.diagnostiche));
    // Straight up to metre 10, then the curve's five metres.
    ASSERT_EQ(s.m.tracciato.tratti.size(), 3u);
    EXPECT_EQ(s.m.tracciato.tratti[1].fino_a, 15);
    EXPECT_EQ(s.m.tracciato.tratti[1].k, c.k);
  }
}

// Records of many spellings taking turns, more of them than the reading keeps in mind, and
// a word that begins with a keyword's eight bytes: read a line at a time in plain form, they
// make what the same lines make read item by item (a blank before each keyword takes that
// way), and each curve is of the class of its lowest digit, to -x when it holds an "s".
TEST(FaseLinea, RecordCheSiAlternano) {
  const std::vector<std::string> parole = {"curvad1", "curvas2", "curvad3", "curvas4",  "curvad5",   "curvas6", "curvas1",
                                           "curvad2", "curvas3", "curvad4", "curvas5", "curvad6", "pendenza", "pendenzas"};
  const double per_classe[] = {0, 0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};  // as ClasseDellaCurva
  std::string piane, spostate;
  std::vector<double> attesi;
  for (size_t i = 0; i < 60; ++i) {
    // A turn other than the list's order: 5 and 14 have no common factor, so every word comes.
    const std::string& p = parole[(i * 5) % parole.size()];
    const std::string valori = ", " + std::to_string(100 + 100 * i) + ", " + (p[0] == 'p' ? std::to_string(i % 7) : "50") + "\r\n";
    piane += p + valori;
    spostate += " " + p + valori;
    if (p[0] == 'c') attesi.push_back((p[5] == 's' ? -1 : 1) * per_classe[p[6] - '0']);
  }
  scenario_prova a, b;
  a.m.permissivo = b.m.permissivo = true;
  a.leggi(linea_di(10000, piane), treno_di());
  b.leggi(linea_di(10000, spostate), treno_di());
  ASSERT_FALSE(con_errori(a.m.diagnostiche));
  EXPECT_EQ(a.m.tracciato, b.m.tracciato);
  EXPECT_EQ(a.m.percorso, b.m.percorso);
  std::vector<double> curve;
  for (const auto& t : a.m.tracciato.tratti) {
    if (t.k != 0) curve.push_back(t.k);
  }
  EXPECT_EQ(curve, attesi);
}

std::string generale(const std::string& riga) {
  return "[generale]\r\nlunghezza percorso, 1000\r\n" + riga + "\r\n[fine]\r\n";
}

std::string cartello(int posizione, const std::string& testo = "(A)") {
  return "cartello_indicatore, " + std::to_string(posizione) + ", " + testo + "\r\n";
}

std::string indicatore(int posizione, int vas = 95) {
  return "indicatori_vmax, " + std::to_string(posizione) + ", " + std::to_string(vas) +
         ", 100, 105, 0, 95, 100, 105, 0\r\n";
}

TEST(FaseLinea, Errori) {
  struct caso {
    const char* cosa;
    std::string linea;  // empty: no line text at all
    int32_t codice;
    int32_t posizione = POSIZIONE_INTATTA;
    bool corsa_letta = false;  // an error that returns leaves the run text unread
  };
  const caso casi[] = {
      {"ripetizione without 4 or 9", generale("ripetizione segnali codici, 0, 35000"), 5},
      {"first ripetizione value", generale("ripetizione segnali 4 codici, 25, 35000"), 3},
      {"second ripetizione value", generale("ripetizione segnali 4 codici, 50, 35025"), 4},
      {"line too long", linea_di(1000001), codice::lunghezza_eccessiva},
      {"negative length", linea_di(-8000), codice::lunghezza_eccessiva},
      {"no line text", "", codice::testo_linea_assente},
      {"[generale] as the last item", "[curve]\r\npendenza, 0, 0\r\n[generale]\r\n", 102},
      {"no [generale]", "[curve]\r\npendenza, 0, 0\r\n[fine]\r\n", 102},
      {"no length", "[generale]\r\nsfondo uno, 1\r\n[curve]\r\npendenza, 100, 1\r\n[fine]\r\n",
       codice::lunghezza_assente},
      {"second board finds kind 14", linea_di(5000, cartello(450) + cartello(450, "(B)")), 6, 450},
      {"board at -100 m, cell -1", linea_di(5000, cartello(-100)), codice::prima_inizio_linea,
       -100},
      // Eighty boards fill entries 80 to 1; entry 0 is no board's.
      {"81st board", linea_di(20000, cartelli(81)), codice::troppi_cartelli, 8100},
      {"board on an indicator", linea_di(5000, indicatore(700) + cartello(700)), 6, 700},
      // 720 m is cell round(15.4) = 15, the board's cell.
      {"indicator on a board", linea_di(5000, cartello(700) + indicatore(720)), 21, 720},
      {"curve without class", linea_di(1000, "curva, 10, 5\r\n"), codice::curva_errata},
      {"curve past metre L + 7000", linea_di(1000, "curvad6, 100, 9000\r\n"), codice::curva_errata},
      // A coded speed beyond 16 bits is a reading failure: both texts go.
      {"indicator speed 5000", linea_di(5000, indicatore(700, 5000)), 25, POSIZIONE_INTATTA, true},
      // L = 1000: N = 160; (7950 + 100) / 50 = 161 > 160. The run phase still follows.
      {"gradient beyond the track", linea_di(1000, "pendenza, 7950, 1\r\n"), 15, 7950, true},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.cosa);
    scenario_prova s;
    if (c.linea.empty()) {
      s.leggi(std::nullopt, treno_di());
    } else {
      s.leggi(c.linea, treno_di());
    }
    s.attesi(c.codice, c.posizione);
    EXPECT_TRUE(s.m.tabella[0].nome.empty());
  }
  // A general-section error is reported at its value: line 2, columns 21 to 27.
  scenario_prova s;
  s.leggi("[generale]\r\nlunghezza percorso, 2000000\r\n[fine]\r\n", treno_di());
  s.attesi(codice::lunghezza_eccessiva, POSIZIONE_INTATTA);
  EXPECT_EQ(s.luogo(), (luogo_testo{"L_linea.txt", 2, 21, 28}));
}

TEST(FaseLinea, OltreIlPercorsoSoloQuelRecordEScartato) {
  // L = 1000: N = 160. A gradient at 7950 m has (7950 + 100) / 50 = 161 > 160: error 15 at
  // its position, said once for the text; the records after it are read as ever, the run
  // text too, and its first signal is no error of its own.
  scenario_prova s;
  s.leggi(linea_di(1000, "pendenza, 500, 3\r\npendenza, 7950, 1\r\npendenza, 8000, 2\r\n" + cartello(50)),
          treno_di("velocita, 0, 50\r\nsegnale, 1450, 2, 2, 5, 6, 1, 2, 2, 1, 0, 0\r\n"));
  s.attesi(codice::oltre_percorso, 7950);
  ASSERT_EQ(std::count_if(s.m.diagnostiche.begin(), s.m.diagnostiche.end(),
                          [](const diagnostica& d) { return d.livello == gravita::errore; }),
            1);
  const diagnostica& d = s.m.diagnostiche.front();
  EXPECT_EQ(d.luogo->riga, 6);
  EXPECT_EQ(d.luogo->colonna, 11);  // "pendenza, 7950": the position
  EXPECT_NE(rendi(motivo_di(d)).find("anche 1 record"), std::string::npos) << rendi(motivo_di(d));
  EXPECT_EQ(s.m.tabella[80].nome, "(A)");  // the board after it was read
  ASSERT_EQ(s.m.percorso.size(), 161u);
  EXPECT_EQ(s.m.percorso[30].tipo, tipo_cella::segnale);  // round(1450 / 50 + 1)
}

}  // namespace
}  // namespace scenario
