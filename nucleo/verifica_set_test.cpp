// The finished set checked against the texts, as a property of texts drawn as loosely as
// the reading accepts them: every record the set holds gives no word from the check, and
// each single overwrite put into them is reported at the record that loses.
#include "nucleo/verifica_set.h"

#include <gtest/gtest.h>

#include "lingue/catalogo.h"

#include <array>
#include <string>
#include <vector>

#include "nucleo/compilazione.h"
#include "tests/supporto/testi_liberi.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

using prova::sovrascrittura;

// The texts compiled as of old, so that what the reading itself warns of (a record over
// two lines) still builds and the check runs on the finished set; or in author mode.
risultato compila(const prova::testi_generati& t, modello& m, bool permissivo = true) {
  richiesta r;
  r.linea = "Libera";
  r.treno = std::string("T1");
  r.permissivo = permissivo;
  r.testo_linea = {"Libera_linea.txt", t.linea, true, ""};
  r.testo_treno = {"Libera_T1-.txt", t.treno, true, ""};
  return memorizza_percorso(r, m, nullptr);
}

bool del_controllo(const diagnostica& d) {
  return d.numero == avviso::oggetto_perso || d.numero == avviso::valore_cambiato;
}

std::string elenco(const elenco_diagnostiche& d) {
  std::string s;
  for (const diagnostica& x : d) {
    s += std::to_string(x.numero) + " " + (x.luogo ? x.luogo->file + ":" + std::to_string(x.luogo->riga) : "") + " " +
         rendi(motivo_di(x)) + "\n";
  }
  return s;
}

TEST(VerificaSet, OgniRecordTenutoNessunaParola) {
  int costruiti = 0;
  for (uint64_t seme = 1; seme <= 300; ++seme) {
    SCOPED_TRACE(seme);
    const prova::testi_generati t = prova::testi_liberi(seme);
    modello m;
    const risultato e = compila(t, m);
    costruiti += e.riuscito;
    for (const diagnostica& d : e.diagnostiche) {
      EXPECT_FALSE(del_controllo(d)) << elenco(e.diagnostiche) << t.linea << t.treno;
      // Nothing else may stop them either: the texts are a scenario as drawn.
      EXPECT_NE(d.livello, gravita::errore) << elenco(e.diagnostiche);
    }
  }
  EXPECT_EQ(costruiti, 300);
}

TEST(VerificaSet, OgniSovrascritturaDetta) {
  const sovrascrittura tipi[] = {sovrascrittura::sotto_fermata, sovrascrittura::preavviso, sovrascrittura::montagna,
                                 sovrascrittura::curva, sovrascrittura::generale, sovrascrittura::progressiva};
  for (const sovrascrittura s : tipi) {
    int messe = 0;
    for (uint64_t seme = 1; seme <= 120; ++seme) {
      SCOPED_TRACE(std::to_string(static_cast<int>(s)) + " seme " + std::to_string(seme));
      const prova::testi_generati t = prova::testi_liberi(seme, s);
      if (t.riga == 0) continue;  // no room for it in this scenario
      ++messe;
      modello m;
      const risultato e = compila(t, m);
      const std::string file = t.in_linea ? "Libera_linea.txt" : "Libera_T1-.txt";
      bool detta = false;
      for (const diagnostica& d : e.diagnostiche) {
        detta = detta || (del_controllo(d) && d.luogo && d.luogo->file == file && d.luogo->riga == t.riga);
      }
      EXPECT_TRUE(detta) << file << ":" << t.riga << "\n" << elenco(e.diagnostiche) << t.linea << t.treno;
      // In author mode the same texts fail.
      modello severo;
      EXPECT_FALSE(compila(t, severo, false).riuscito);
    }
    // Most scenarios have room for each kind of overwrite.
    EXPECT_GE(messe, 60) << static_cast<int>(s);
  }
}

}  // namespace
}  // namespace scenario

namespace scenario {
namespace {

// A set changed after the reading, one field at a time, as a pass or a later record could
// change it: each change is named at the record that wrote the field, with what the set
// holds. The pair below compiles without a word.
TEST(VerificaSet, OgniCampoCambiatoDettoAlSuoRecord) {
  const std::string linea =
      "[generale]\r\nlunghezza percorso, 10000\r\nprogressiva chilometrica uno, 0, 12000, 0\r\n"  // lines 1-3
      "sfondo uno, 3\r\n[curve]\r\ncurvad4, 2000, 300\r\n[montagne]\r\nmontagna, 5000, 6000, 1\r\n"  // 4-8
      "[cartelli]\r\nindicatori_vmax, 700, 80, 85, 90, 0, 60, 65, 70, 0\r\n"                       // 9-10
      "cartello_indicatore, 450, (PONTE)\r\n[fine]\r\n";                                           // 11-12
  const std::string treno =
      "[generale]\r\nvelocita, 0, 60\r\n"                                                          // 1-2
      "stazione, 0, 8, 300, 0, 0, 0, 1, 1, 0, 5, 6, 1, 1, 19, 5, 0, PARTENZA\r\n"                  // 3
      "stazione, 4000, 24, 400, 0, 0, 0, 1, 1, 0, 2, 1, 1, 30, 19, 10, 0, Borgo Fonte\r\n"         // 4
      "segnale, 3000, 2, 3, 1, 0, 0, 0, 0, 0, 0, 50\r\n"                                           // 5
      "rallentamento, 6000, 30, 300, 0, 1, 2\r\nabbattimento, 7500, 60\r\n[fine]\r\n";             // 6-7
  richiesta r;
  r.linea = "Val";
  r.treno = "R1";
  r.testo_linea = {"Val_linea.txt", linea, true, ""};
  r.testo_treno = {"Val_R1-.txt", treno, true, ""};
  modello letto;
  const risultato e = memorizza_percorso(r, letto, nullptr);
  ASSERT_TRUE(e.riuscito) << elenco(e.diagnostiche);
  ASSERT_TRUE(e.diagnostiche.empty()) << elenco(e.diagnostiche);
  struct cambio {
    const char* cosa;
    void (*cambia)(modello&);
    const char* file;
    int riga;
    std::string dice;
    int colonna = 0;  // the value it stands at; 0: anywhere on the line
  };
  // Cells: the board at 450 m in round(450 / 50 + 1) = 10, the indicator in 15, the signal
  // at 3000 m in 61 with approach codes 61 to 64 in 59, 57, 55, 53 (2 x 30 + b), Borgo
  // Fonte's stop (area to 4200 m) in 83 with codes 81 to 84 in 82 down to 79; the
  // slow-down's warning in round(4800 / 50 + 1) = 97, its advance cells 96 to 93; the
  // mountain stretch in cells 100 to 119; the abbattimento in round(7500 / 50) = 150.
  const cambio cambi[] = {
      {"a station value", [](modello& m) { m.tabella[2].valore3 = 99; }, "Val_R1-.txt", 4, "valore3 = 2"},
      {"a station name", [](modello& m) { m.tabella[2].nome = "Altro"; }, "Val_R1-.txt", 4, "tenuto come 'Altro'"},
      {"a station area", [](modello& m) { m.tabella[2].fine = 4250; }, "Val_R1-.txt", 4, "a 4200 m e' tenuta da"},
      {"a stop point", [](modello& m) { m.percorso[83].tipo = 0; }, "Val_R1-.txt", 4, "il punto di fermata"},
      // At the station's position, the value that places its stop.
      {"a stop point's entry", [](modello& m) { m.percorso[83].dato1 = 7; }, "Val_R1-.txt", 4, "tiene 7 invece di 2", 11},
      {"a station's first approach code", [](modello& m) { m.percorso[82].preavviso = 0; }, "Val_R1-.txt", 4,
       "il codice di preavviso 81"},
      {"a signal's time", [](modello& m) { m.percorso[61].tempo = 50; }, "Val_R1-.txt", 5,
       "il campo tempo della cella 61 (da 3000 a 3050 m) tiene 50 invece di 101"},
      {"a signal's first approach code", [](modello& m) { m.percorso[59].preavviso = 0; }, "Val_R1-.txt", 5,
       "il codice di preavviso 61"},
      {"an advance cell's number", [](modello& m) { m.percorso[96].dato1 = 9; }, "Val_R1-.txt", 6, "dato1", 34},
      {"a warning's d_v", [](modello& m) { m.percorso[97].dato2 = 0; }, "Val_R1-.txt", 6, "dato2", 37},
      {"an abbattimento's kind", [](modello& m) { m.percorso[150].tipo = 13; }, "Val_R1-.txt", 7, "l'abbattimento"},
      {"a mountain type", [](modello& m) { m.percorso[110].montagna = 5; }, "Val_linea.txt", 8, "il tipo 5 invece di 1",
       23},
      {"an indicator's speeds", [](modello& m) { m.percorso[15].dato3 = 0; }, "Val_linea.txt", 10, "dato3"},
      {"a board's text", [](modello& m) { m.tabella[80].nome = "X"; }, "Val_linea.txt", 11, "tenuto come 'X'"},
      {"a curve's turn", [](modello& m) { m.tracciato.tratti[1].k = -0.001; }, "Val_linea.txt", 6, "svolta altrimenti"},
      {"a curve made straight", [](modello& m) { m.tracciato.tratti[1].k = 0; }, "Val_linea.txt", 6,
       "da 2001 m a 2300 m il tracciato e' in rettilineo"},
      {"a background", [](modello& m) { m.tabella[85].inizio = 4; }, "Val_linea.txt", 4, "v = 3 non e' tenuto"},
      {"a numbering", [](modello& m) { m.tabella[81].fine = 500; }, "Val_linea.txt", 3, "l'ordinamento"},
  };
  for (const cambio& c : cambi) {
    SCOPED_TRACE(c.cosa);
    modello m = letto;
    c.cambia(m);
    m.diagnostiche.clear();
    verifica_set(m);
    bool detto = false;
    for (const diagnostica& d : m.diagnostiche) {
      detto = detto || (del_controllo(d) && d.livello == gravita::errore && d.luogo && d.luogo->file == c.file &&
                        d.luogo->riga == c.riga && (c.colonna == 0 || d.luogo->colonna == c.colonna) &&
                        rendi(motivo_di(d)).find(c.dice) != std::string::npos);
    }
    EXPECT_TRUE(detto) << elenco(m.diagnostiche);
  }
}

// A field that keeps two or three values in one number (a signal's lights 10 x s + d, its
// code rapp x 10 + sx x 3 + dx, an indicator's speeds a x 20 + b / 5, the stripes) must give
// back what was written: one signal or indicator a case, the number it holds worked out
// beside it. The column is the first value that comes back otherwise: after "segnale, 3000, "
// sx stands at 16, s1 at 19, s2 at 22; after "indicatori_vmax, 700, " vas stands at 23,
// strisces at 35, vcd at 46.
TEST(VerificaSet, UnCampoDiPiuValoriLiRendeComeScritti) {
  struct caso {
    const char* linea;  // an indicator record, or none
    const char* treno;  // a signal record, or none
    int32_t numero;     // 0: nothing said
    int colonna;
  };
  const caso casi[] = {
      // 10 x 1 + 2 = 12 gives back 1 and 2; 10 x -3 - 5 = -35 gives back -3 and -5.
      {nullptr, "segnale, 3000, 2, 1, -3, 0, 0, 0, 2, -5, 0, 0", 0, 0},
      // 10 x 1 + 12 = 22 gives back 2 and 2.
      {nullptr, "segnale, 3000, 2, 1, 0, 0, 0, 0, 12, 0, 0, 0", avviso::valore_cambiato, 19},
      // 10 x -3 + 5 = -25 gives back -2 and -5.
      {nullptr, "segnale, 3000, 2, 0, -3, 0, 0, 0, 0, 5, 0, 0", avviso::valore_cambiato, 22},
      // Aspect 3 x 3 + 1 = 10: its approach codes 101 to 104 keep it, the code rapp x 10 + 10.
      {nullptr, "segnale, 3000, 3, 0, 0, 0, 2, 1, 0, 0, 0, 0", 0, 0},
      // Aspect 2 x 3 + 3 = 9 is sx 3, dx 0; 0 x 3 + 7 = 7 is sx 2, dx 1.
      {nullptr, "segnale, 3000, 2, 0, 0, 0, 0, 3, 0, 0, 0, 0", avviso::valore_cambiato, 16},
      {nullptr, "segnale, 3000, 0, 0, 0, 0, 0, 7, 0, 0, 0, 0", avviso::valore_cambiato, 16},
      // 80 x 20 + 103 / 5 = 1620.6, kept as 1621: 105 km/h, the step of 5 km/h.
      {"indicatori_vmax, 700, 80, 85, 90, 0, 60, 65, 103, 0", nullptr, avviso::passo_del_formato, 46},
      // 103 x 20 + 60 / 5 = 2072: 100 km/h, and 72 x 5 = 360 km/h on the other side.
      {"indicatori_vmax, 700, 103, 85, 90, 0, 60, 65, 70, 0", nullptr, avviso::valore_cambiato, 23},
      // Stripes 10 x 12 + 15 = 135: 13 and 5.
      {"indicatori_vmax, 700, 80, 85, 90, 12, 60, 65, 70, 15", nullptr, avviso::valore_cambiato, 35},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.linea != nullptr ? c.linea : c.treno);
    richiesta r;
    r.linea = "Val";
    r.treno = "R1";
    r.testo_linea = {"Val_linea.txt",
                     std::string("[generale]\r\nlunghezza percorso, 10000\r\n[cartelli]\r\n") +
                         (c.linea != nullptr ? c.linea : "") + "\r\n[fine]\r\n",
                     true, ""};
    r.testo_treno = {"Val_R1-.txt",
                     std::string("[generale]\r\nvelocita, 0, 60\r\n"
                                 "stazione, 0, 8, 300, 0, 0, 0, 1, 1, 0, 5, 6, 1, 1, 19, 5, 0, PARTENZA\r\n") +
                         (c.treno != nullptr ? c.treno : "") + "\r\n[fine]\r\n",
                     true, ""};
    modello m;
    const risultato e = memorizza_percorso(r, m, nullptr);
    std::vector<std::pair<int32_t, int>> detti;
    for (const diagnostica& d : e.diagnostiche) detti.emplace_back(d.numero, d.luogo ? d.luogo->colonna : 0);
    const std::vector<std::pair<int32_t, int>> attesi =
        c.numero == 0 ? std::vector<std::pair<int32_t, int>>{} : std::vector<std::pair<int32_t, int>>{{c.numero, c.colonna}};
    EXPECT_EQ(detti, attesi) << elenco(e.diagnostiche);
    if (c.numero == avviso::valore_cambiato && c.colonna == 19) {
      // 10 x 1 + 12 = 22: what was written, the field, and what its number gives back.
      EXPECT_NE(elenco(e.diagnostiche).find("s1 = 1, d1 = 12 sono tenuti nel campo dato1 come 22, che i file "
                                            "compilati rendono come s1 = 2, d1 = 2"),
                std::string::npos)
          << elenco(e.diagnostiche);
    }
    EXPECT_EQ(e.riuscito, c.numero != avviso::valore_cambiato);
  }
}

}  // namespace
}  // namespace scenario

namespace scenario {
namespace {

// Gradients at the positions given, one a line from line 4, each with a value of its own:
// the lines the check reports, with the number, and where each report's note stands.
// A value begins in cell round(p / 50), halves to the even cell; the reading begins a
// value one cell after the value before at least, so a value in the cell of the one
// before begins later than written (319), and in the first cell the later value leaves
// the earlier nowhere (318).
TEST(VerificaSet, IlValoreDiOgniCellaDoveComincia) {
  struct caso {
    std::vector<int> posizioni;
    std::vector<std::array<int, 3>> detti;  // number, line, line of the note
  };
  const caso casi[] = {
      {{1000, 1025}, {{319, 5, 4}}},             // 20, round(20.5) = 20
      {{1050, 1075}, {}},                        // 21, round(21.5) = 22
      {{1050, 1074}, {{319, 5, 4}}},             // 21, round(21.48) = 21
      {{1000, 1124}, {}},                        // 20, 22: two cells on
      {{1000, 1126}, {}},                        // 20, 23
      {{1000, 1100, 1125}, {{319, 6, 5}}},       // 20, 22, round(22.5) = 22
      {{1000, 1075, 1090}, {{319, 6, 5}}},       // 20, round(21.5) = 22, 22
      {{1000, 1160, 1170}, {{319, 6, 5}}},       // 20, 23: three cells on, 23
      {{1000, 1050, 1060, 5000}, {{319, 6, 5}}}, // 20, 21, 21: the note at the one before
      {{0, 10, 1000}, {{318, 4, 5}}},            // both in cell 0: the first held nowhere
      {{1000, 1010, 1020}, {{319, 5, 4}, {319, 6, 5}}},  // each a cell later than the last
      // Past the line's end (10000 m) in the run-on: said once, and a record already said
      // to begin later is not said again to stand there.
      {{1000, 10010, 10020}, {{321, 5, 0}, {319, 6, 5}}},
  };
  for (const caso& c : casi) {
    std::string linea = "[generale]\r\nlunghezza percorso, 10000\r\n[pendenze]\r\n";
    for (size_t k = 0; k < c.posizioni.size(); ++k) {
      linea += "pendenza, " + std::to_string(c.posizioni[k]) + ", " + std::to_string(k + 1) + "\r\n";
    }
    linea += "[fine]\r\n";
    SCOPED_TRACE(linea);
    richiesta r;
    r.linea = "Val";
    r.treno = "R1";
    r.permissivo = true;
    r.testo_linea = {"Val_linea.txt", linea, true, ""};
    r.testo_treno = {"Val_R1-.txt", "[generale]\r\nvelocita, 0, 60\r\n[fine]\r\n", true, ""};
    modello m;
    const risultato e = memorizza_percorso(r, m, nullptr);
    std::vector<std::array<int, 3>> detti;
    for (const diagnostica& d : e.diagnostiche) {
      if (!del_controllo(d) && d.numero != avviso::oltre_fine_linea) continue;
      detti.push_back({d.numero, d.luogo ? d.luogo->riga : 0, d.note.empty() ? 0 : d.note[0].luogo.riga});
    }
    EXPECT_EQ(detti, c.detti) << elenco(e.diagnostiche);
  }
}

}  // namespace
}  // namespace scenario

namespace scenario {
namespace {

// A name used a third time is said to repeat the first station's, like the second: the
// driver's card tells stations apart by name alone.
TEST(VerificaSet, UnNomeRipetutoRimandaAllaPrimaStazione) {
  const std::string stazione = "stazione, %, 24, 400, 0, 0, 0, 1, 1, 0, 2, 1, 1, 30, 19, %, 0, ";
  std::string treno = "[generale]\r\nvelocita, 0, 60\r\n[stazioni]\r\n";
  const std::pair<const char*, const char*> righe[] = {{"1000", "5"}, {"3000", "10"}, {"5000", "15"}, {"7000", "20"}};
  const char* nomi[] = {"Borgo", "Valle", "Borgo", "Borgo"};  // lines 4 to 7
  for (size_t k = 0; k < 4; ++k) {
    std::string r = stazione;
    r.replace(r.find('%'), 1, righe[k].first);
    r.replace(r.find('%'), 1, righe[k].second);
    treno += r + nomi[k] + "\r\n";
  }
  treno += "[fine]\r\n";
  richiesta r;
  r.linea = "Val";
  r.treno = "R1";
  r.testo_linea = {"Val_linea.txt", "[generale]\r\nlunghezza percorso, 10000\r\n[fine]\r\n", true, ""};
  r.testo_treno = {"Val_R1-.txt", treno, true, ""};
  modello m;
  const risultato e = memorizza_percorso(r, m, nullptr);
  std::vector<std::pair<int, int>> ripetuti;  // the line said, the line of its note
  for (const diagnostica& d : e.diagnostiche) {
    if (d.numero == avviso::nome_stazione && d.luogo && !d.note.empty()) ripetuti.push_back({d.luogo->riga, d.note[0].luogo.riga});
  }
  EXPECT_EQ(ripetuti, (std::vector<std::pair<int, int>>{{6, 4}, {7, 4}})) << elenco(e.diagnostiche);
}

}  // namespace
}  // namespace scenario
