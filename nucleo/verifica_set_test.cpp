// The finished set checked against the texts, as a property of texts drawn as loosely as
// the reading accepts them: every record the set holds gives no word from the check, and
// each single overwrite put into them is reported at the record that loses.
#include "nucleo/verifica_set.h"

#include <gtest/gtest.h>

#include "lingue/catalogo.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "nucleo/compilazione.h"
#include "tests/supporto/compilazione_prova.h"
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
  return d.numero == avviso::oggetto_perso || d.numero == avviso::valore_cambiato ||
         d.numero == avviso::valore_non_inteso;
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
      "stazione, 4000, 24, 400, 0, 0, 0, 1, 1, 0, 2, 1, 1, 30, 19, 15, 0, Borgo Fonte\r\n"         // 4
      "segnale, 3000, 2, 3, 1, 0, 0, 0, 0, 0, 0, 101\r\n"                                          // 5
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
      {"a station area", [](modello& m) { m.tabella[2].fine = 4250; }, "Val_R1-.txt", 4, "a 4200 m è tenuta da"},
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
       "da 2001 m a 2300 m il tracciato è in rettilineo"},
      {"a background", [](modello& m) { m.tabella[85].inizio = 4; }, "Val_linea.txt", 4, "v = 3 non è tenuto"},
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
      // 10 x 1 + 2 = 12 gives back 1 and 2; 10 x -3 - 5 = -35 gives back -3 and -5 (lights
      // below 0 are an author's slip, but kept as written).
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
    for (const diagnostica& d : e.diagnostiche) {
      // A light or a stripes count past one digit is a slip of its own, said apart.
      if (d.numero != avviso::valore_insolito) detti.emplace_back(d.numero, d.luogo ? d.luogo->colonna : 0);
    }
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

namespace scenario {
namespace {

// A pair of texts in which one value is marked with angle brackets, "<50>": its line and columns
// in the text without them, and the text with the value replaced.
struct segnato {
  std::string testo;
  int riga = 0, colonna = 0, fine = 0;
  std::string valore;
  std::string con(const std::string& altro) const {
    size_t inizio = 0;
    for (int r = 1; r < riga; ++r) inizio = testo.find('\n', inizio) + 1;
    return testo.substr(0, inizio + static_cast<size_t>(colonna - 1)) + altro +
           testo.substr(inizio + static_cast<size_t>(fine - 1));
  }
};

segnato segna_valore(const std::string& con_parentesi) {
  segnato s;
  const size_t a = con_parentesi.find('<'), b = con_parentesi.find('>', a);
  s.testo = con_parentesi.substr(0, a) + con_parentesi.substr(a + 1, b - a - 1) + con_parentesi.substr(b + 1);
  s.valore = con_parentesi.substr(a + 1, b - a - 1);
  s.riga = 1 + static_cast<int>(std::count(con_parentesi.begin(), con_parentesi.begin() + static_cast<std::ptrdiff_t>(a), '\n'));
  const size_t inizio_riga = con_parentesi.rfind('\n', a) == std::string::npos ? 0 : con_parentesi.rfind('\n', a) + 1;
  s.colonna = static_cast<int>(a - inizio_riga) + 1;
  s.fine = s.colonna + static_cast<int>(s.valore.size());
  return s;
}

// A line of 10000 m (track to cell round(17000 / 50) = 340) with a numbering, a curve, a
// stretch and an indicator; a run from 0 m with a station at 0 m and one at 4000 m.
std::string linea_di(const std::string& generale, const std::string& corpo) {
  return "[generale]\r\nlunghezza percorso, 10000\r\nprogressiva chilometrica uno, 0, 12000, 0\r\n" + generale +
         "sfondo uno, 3\r\n[curve]\r\ncurvad4, 2000, 300\r\n[montagne]\r\nmontagna, 5000, 6000, 1\r\n"
         "[cartelli]\r\nindicatori_vmax, 700, 80, 85, 90, 0, 60, 65, 70, 0\r\n" + corpo + "[fine]\r\n";
}
std::string treno_di(const std::string& corpo, const std::string& velocita = "velocita, 0, 60\r\n") {
  return "[generale]\r\nnumero vetture, 3\r\npercentuale massa frenata, 110\r\n" + velocita +
         "aderenza, 0, 100\r\n"
         "stazione, 0, 8, 300, 0, 0, 0, 1, 1, 0, 5, 6, 1, 1, 19, 5, 0, PARTENZA\r\n"
         "stazione, 4000, 12, 600, 0, 0, 0, 1, 1, 0, 2, 1, 1, 30, 19, 10, 0, Borgo Fonte\r\n" +
         corpo + "[fine]\r\n";
}

struct compilato {
  risultato e;
  std::string byte;  // the three files, one after the other
};

compilato compila_coppia(const std::string& linea, const std::string& treno, bool permissivo = false) {
  richiesta r;
  r.linea = "Val";
  r.treno = "R1";
  r.permissivo = permissivo;
  r.testo_linea = {"Val_linea.txt", linea, true, ""};
  r.testo_treno = {"Val_R1-.txt", treno, true, ""};
  prova::uscite_in_memoria u;
  modello m;
  compilato c{memorizza_percorso(r, m, &u), ""};
  for (auto& [quale, file] : u.file) c.byte += file.byte;
  return c;
}

// A value the compiled files keep otherwise than written, by a rule or a step of the
// format, is a warning at that value whose fix is the value kept: with the fix written
// the same files are compiled, and nothing more is said of it.
TEST(VerificaSet, OgniRegolaDettaAlValoreConLaCorrezione) {
  struct caso {
    const char* cosa;
    bool in_linea;  // the marked record goes into the line text's body, else the run's
    std::string riga;
    int32_t numero;
    std::string correzione;
    std::string generale = {};       // for a general record of the line text
    std::string velocita = "velocita, 0, 60\r\n";
  };
  const caso casi[] = {
      // A time of 1 to 100 becomes 101; a time is kept only with sx 2.
      {"signal time", false, "segnale, 3000, 2, 3, 1, 0, 0, 0, 0, 0, 0, <50>", 324, "101"},
      {"signal time without sx 2", false, "segnale, 3000, 1, 3, 1, 0, 0, 0, 0, 0, 0, <120>", 324, "0"},
      // round(3030 / 50 + 1) = round(61.6) = 62: the cell of 3050 m.
      {"signal off its cell", false, "segnale, <3030>, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0", 320, "3050"},
      // Start cell round(121) = 121, end round((6000 + 310) / 50 + 1) = round(127.2) = 127:
      // 6 cells, 300 m.
      {"slow-down length", false, "rallentamento, 6000, 30, <310>, 0, 0, 0", 320, "300"},
      {"advance cells without a warning board", false, "rallentamento, 1500, 30, 300, 0, <1>, 0", 324, "0"},
      {"advance cells asked by 2", false, "rallentamento, 6000, 30, 300, 0, <2>, 0", 324, "1"},
      {"abbattimento below 0", false, "abbattimento, 7500, <-5>", 324, "0"},
      // round(7510 / 50) = 150, the cell of 7500 m.
      {"abbattimento off its cell", false, "abbattimento, <7510>, 60", 320, "7500"},
      // Borgo Fonte is 600 m long and keeps its second option; one of 400 m does not.
      {"short station's second option", false,
       "stazione, 8000, 12, 400, 0, <1>, 0, 1, 1, 0, 2, 1, 1, 30, 19, 20, 0, Lago", 324, "0"},
      {"kind 7's third option", false, "stazione, 8000, 7, 400, 0, 0, <1>, 1, 1, 0, 2, 1, 1, 30, 19, 20, 0, Lago", 324,
       "0"},
      // 6100 m is 100 m after the end of the stretch before it (5000 to 6000 m).
      {"stretch close to the one before", true, "montagna, 6100, 7000, <4>", 324, "3"},
      {"close stretch with free cells", true, "montagna, 6100, 7000, <14>", 324, "13"},
      // Cells round(8000 / 50) = 160 to round(8150 / 50 - 1) = 162: no fourth cell.
      {"free cells on three cells", true, "montagna, 8000, 8150, <12>", 324, "2"},
      // round(8010 / 50) = 160; round(8980 / 50 - 1) = round(178.6) = 179, ending at 9000 m.
      {"stretch start off its cell", true, "montagna, <8010>, 9000, 1", 320, "8000"},
      {"stretch end off its cell", true, "montagna, 8000, <8980>, 1", 320, "9000"},
      // A gradient holds from round(3010 / 50) = 60, 3000 m.
      {"gradient off its cell", true, "pendenza, <3010>, 5", 320, "3000"},
      {"board off its cell", true, "cartello_indicatore, <455>, (PONTE)", 320, "450"},
      {"first speed limit after the origin", false, "", 324, "0", {}, "velocita, <500>, 60\r\n"},
      {"repetition without an end", true, "", 324, "ripetizione segnali 4 codici", "<ripetizione segnali 9 codici>, 0, 0\r\n"},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.cosa);
    const bool nel_generale = !c.generale.empty();
    const bool nella_velocita = c.velocita.find('<') != std::string::npos;
    const std::string corpo = c.riga.empty() ? "" : c.riga + "\r\n";
    const segnato s = segna_valore(nel_generale ? linea_di(c.generale, "")
                                   : c.in_linea ? linea_di("", corpo)
                                   : treno_di(nella_velocita ? "" : corpo, c.velocita));
    const bool linea = nel_generale || c.in_linea;
    const std::string testo_linea = linea ? s.testo : linea_di("", "");
    const std::string testo_treno = linea ? treno_di("") : s.testo;
    const compilato prima = compila_coppia(testo_linea, testo_treno);
    ASSERT_TRUE(prima.e.riuscito) << elenco(prima.e.diagnostiche);
    const diagnostica* detta = nullptr;
    for (const diagnostica& d : prima.e.diagnostiche) {
      if (d.luogo && d.luogo->file == (linea ? "Val_linea.txt" : "Val_R1-.txt") && d.luogo->riga == s.riga) detta = &d;
    }
    ASSERT_NE(detta, nullptr) << elenco(prima.e.diagnostiche);
    EXPECT_EQ(detta->numero, c.numero) << elenco(prima.e.diagnostiche);
    EXPECT_EQ(detta->livello, gravita::avviso);
    EXPECT_EQ(detta->luogo->colonna, s.colonna);
    ASSERT_TRUE(detta->correggi.has_value());
    EXPECT_EQ(detta->correggi->sostituzione, c.correzione);
    EXPECT_EQ(detta->correggi->luogo.colonna, s.colonna);
    EXPECT_EQ(detta->correggi->luogo.fine, s.fine);
    // The fix written: the same files, and not a word at that line.
    const std::string corretto = s.con(c.correzione);
    const compilato dopo = compila_coppia(linea ? corretto : testo_linea, linea ? testo_treno : corretto);
    ASSERT_TRUE(dopo.e.riuscito) << elenco(dopo.e.diagnostiche);
    EXPECT_EQ(dopo.byte, prima.byte);
    for (const diagnostica& d : dopo.e.diagnostiche) {
      EXPECT_FALSE(d.luogo && d.luogo->riga == s.riga && d.luogo->file == detta->luogo->file) << elenco(dopo.e.diagnostiche);
    }
  }
}

// A value its field does not mean is an error at it in author mode (the compiled files
// would take it for something else), a warning with --permissivo, which builds the same
// files as of old; one the field means but an author hardly ever writes is a warning.
TEST(VerificaSet, OgniValoreFuoriDalSuoSensoDetto) {
  struct caso {
    const char* cosa;
    bool in_linea;
    std::string riga;
    int32_t numero;
    std::string generale = {};
  };
  const caso casi[] = {
      {"numbering flag 2", true, "", avviso::valore_non_inteso, "progressiva chilometrica due, 3000, 0, <2>\r\n"},
      {"curve of no length", true, "curvas2, 3000, <0>", avviso::valore_non_inteso},
      {"mountain type 0", true, "montagna, 7000, 8000, <0>", avviso::valore_non_inteso},
      {"indicator speed below 0", true, "indicatori_vmax, 1500, <-5>, 85, 90, 0, 60, 65, 70, 0", avviso::valore_non_inteso},
      {"board without text", true, "cartello_indicatore, 450, <>", avviso::valore_non_inteso},
      // The second set is there whole or not at all: one speed left out is a value lost.
      {"one speed of the second set empty", true, "indicatori_vmax, 1500, 80, 85, 90, 0, 60, <>, 70, 0",
       avviso::valore_vuoto},
      {"slow-down below 0 km/h", false, "rallentamento, 6000, <-40>, 300, 0, 0, 0", avviso::valore_non_inteso},
      {"negative vehicles", false, "numero vetture, <-2>", avviso::valore_non_inteso},
      {"slow-down at 0 km/h", false, "rallentamento, 6000, <0>, 300, 0, 0, 0", avviso::valore_insolito},
      {"speed limit 0 km/h", false, "velocita, 5000, <0>", avviso::valore_insolito},
      {"adhesion 0", false, "aderenza, 5000, <0>", avviso::valore_insolito},
      {"no vehicles", false, "numero vetture, <0>", avviso::valore_insolito},
      {"light of two digits", false, "segnale, 3000, 2, <12>, 1, 0, 0, 0, 0, 0, 0, 0", avviso::valore_insolito},
      // Past the line's end (10000 m), no kilometre is read by it.
      {"numbering past the end", true, "", avviso::valore_insolito, "progressiva chilometrica due, <20000>, 0, 0\r\n"},
      // tre from 5000 m, uno and due from 0: tre, the furthest, first, then of the two at an
      // equal start the one read into the higher entry (uno, 83) before due (82), which
      // then never holds.
      {"numbering under another", true, "", avviso::valore_insolito,
       "progressiva chilometrica tre, 5000, 5000, 0\r\nprogressiva chilometrica due, <0>, 9000, 0\r\n"},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.cosa);
    const bool linea = c.in_linea;
    const std::string corpo = c.riga.empty() ? "" : c.riga + "\r\n";
    std::string treno = treno_di(corpo);
    // A general record of the run text in place of the pair's own.
    if (c.riga.starts_with("numero vetture")) treno.erase(treno.find("numero vetture, 3\r\n"), 19);
    const segnato s = segna_valore(linea ? linea_di(c.generale, corpo) : treno);
    const std::string testo_linea = linea ? s.testo : linea_di("", "");
    const std::string testo_treno = linea ? treno_di("") : s.testo;
    for (const bool permissivo : {false, true}) {
      const compilato e = compila_coppia(testo_linea, testo_treno, permissivo);
      const diagnostica* detta = nullptr;
      for (const diagnostica& d : e.e.diagnostiche) {
        if (d.numero == c.numero && d.luogo && d.luogo->riga == s.riga) detta = &d;
      }
      ASSERT_NE(detta, nullptr) << elenco(e.e.diagnostiche);
      EXPECT_EQ(detta->luogo->colonna, s.colonna) << elenco(e.e.diagnostiche);
      const bool errore = cerca_errore(c.numero)->perdita && !permissivo;
      EXPECT_EQ(detta->livello, errore ? gravita::errore : gravita::avviso);
      EXPECT_EQ(e.e.riuscito, !errore) << elenco(e.e.diagnostiche);
      // What the field means is said, with the value written.
      if (c.numero != avviso::valore_vuoto) {
        EXPECT_NE(rendi(motivo_di(*detta)).find(s.valore.empty() ? "\"\"" : s.valore), std::string::npos);
      }
    }
  }
}

}  // namespace
}  // namespace scenario
