// What an author writes and the reading takes otherwise than meant: each gets its
// diagnostic at the item it is about, and what compiled before compiles to the same cells.
#include <gtest/gtest.h>

#include "lingue/catalogo.h"

#include <string>
#include <vector>

#include "tests/supporto/scenario_prova.h"
#include "track/finitura.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

using namespace prova;

std::string stazione(const std::string& orario, const std::string& nome = "S") {
  return "stazione, 1000, 12, 200, 0, 0, 0, 1, 1, 0, 4, 1, 1, 30, " + orario + ", " + nome + "\r\n";
}

// The first diagnostic numbered `numero`, or nothing.
const diagnostica* trova(const modello& m, int32_t numero) {
  for (const diagnostica& d : m.diagnostiche) {
    if (d.numero == numero) return &d;
  }
  return nullptr;
}

TEST(Silenziosi, OgniCasoAlSuoValore) {
  struct caso {
    const char* cosa;
    bool in_linea;       // the line text's body, else the run text's
    std::string corpo;
    int32_t numero;
    int riga;            // in the text: the line body begins at line 5, the run's at 2
    std::string presso;  // the item the diagnostic stands at, on that line
    std::string dice;    // a part of what it says
  };
  const caso casi[] = {
      // A run past midnight may be written so: kept, said how.
      {"station at 25 h", false, stazione("25, 0, 0"), 316, 2, "25", "90000 s"},
      {"station at 99 h", false, stazione("99, 0, 0"), 316, 2, "99", ""},
      {"station at -1 h", false, stazione("-1, 0, 0"), 38, 2, "-1", "ore = -1"},
      {"minutes 75", false, stazione("7, 75, 30"), 38, 2, "75", "minuti = 75"},
      {"speed -1", false, "velocita, 1000, -1\r\n", 31, 2, "-1", "v = -1"},
      {"speed -2", false, "velocita, 1000, -2\r\n", 31, 2, "-2", ""},
      // "destra" holds an s: a left curve of class 5.
      {"curva destra 5", true, "curva destra 5, 1000, 100\r\n", 313, 5, "curva", "'curvas5'"},
      {"curve written apart", true, "curva d4, 1000, 100\r\n", 313, 5, "curva", "'curvad4'"},
      {"stretch ending before it starts", true, "montagna, 3000, 2000, 1\r\n", 315, 5, "2000", ""},
      // A minus sign makes the whole line a passed-over item.
      {"tabs and a minus", true, "pendenza\t1500\t-10\r\n", 314, 5, "pendenza", "tabulazioni"},
      {"semicolons", true, "pendenza; 1500; 10\r\npendenza, 2000, 5\r\n", 25, 5, "pendenza", "virgole"},
      {"comma in a name", false, stazione("7, 0, 0", "San Vito, al Passo"), 302, 2, ", al", "taglia"},
      {"note holding a keyword", true, "Qui la pendenza diventa la piu' forte\r\npendenza, 1500, 10\r\n", 25, 5,
       "Qui", "nota"},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.cosa);
    scenario_prova s;
    s.leggi(c.in_linea ? linea_di(20000, c.corpo) : linea_di(20000), treno_di(c.in_linea ? "" : c.corpo));
    const diagnostica* d = trova(s.m, c.numero);
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(d->luogo.has_value());
    const std::string testo = c.in_linea ? linea_di(20000, c.corpo) : treno_di(c.corpo);
    // The column of `presso` on line `riga` of the text.
    size_t inizio = 0;
    for (int r = 1; r < c.riga; ++r) inizio = testo.find('\n', inizio) + 1;
    const int colonna = static_cast<int>(testo.find(c.presso, inizio) - inizio) + 1;
    EXPECT_EQ(d->luogo->file, c.in_linea ? "L_linea.txt" : "L_T-.txt");
    EXPECT_EQ(d->luogo->riga, c.riga);
    EXPECT_EQ(d->luogo->colonna, colonna);
    EXPECT_NE(rendi(motivo_di(*d)).find(c.dice), std::string::npos) << rendi(motivo_di(*d));
  }
}

TEST(Silenziosi, LeFormeNonCambianoICompilati) {
  // A curve written "curva destra 5" is read as it always was: a left curve of class 5,
  // the same plan as "curvas5". In author mode that is an error (the author meant a right
  // one); read as of old, a warning.
  scenario_prova severa;
  severa.leggi(linea_di(3000, "curva destra 5, 1000, 100\r\n"), treno_di());
  EXPECT_TRUE(con_errori(severa.m.diagnostiche));
  scenario_prova scritta, propria;
  scritta.m.permissivo = true;
  scritta.leggi(linea_di(3000, "curva destra 5, 1000, 100\r\n"), treno_di());
  propria.leggi(linea_di(3000, "curvas5, 1000, 100\r\n"), treno_di());
  EXPECT_EQ(scritta.m.tracciato.tratti.size(), propria.m.tracciato.tratti.size());
  for (size_t i = 0; i < propria.m.tracciato.tratti.size(); ++i) {
    EXPECT_EQ(scritta.m.tracciato.tratti[i].k, propria.m.tracciato.tratti[i].k);
  }
  EXPECT_FALSE(con_errori(scritta.m.diagnostiche));
  // Written apart, the form is certain: the fix puts it in place.
  scenario_prova apart;
  apart.leggi(linea_di(3000, "curva d4, 1000, 100\r\n"), treno_di());
  const diagnostica* d = trova(apart.m, avviso::parola_in_altra_forma);
  ASSERT_NE(d, nullptr);
  ASSERT_TRUE(d->correggi.has_value());
  EXPECT_EQ(d->correggi->sostituzione, "curvad4");
  EXPECT_EQ(d->correggi->luogo.colonna, 1);
  EXPECT_EQ(d->correggi->luogo.fine, 9);  // "curva d4" is 8 characters
}

TEST(Silenziosi, CellaOccupataELuoghiDellaFinitura) {
  // A slow-down at 12200 m wants its warning board at round((12200 - 1200) / 50 + 1) =
  // cell 221, which holds the board written at 11000 m (round(220 + 1) = 221): error 17 at
  // the slow-down's position, with a note at the board's record (line 5 of the line text).
  scenario_prova s;
  s.leggi(linea_di(20000, "cartello_indicatore, 11000, (X)\r\n"),
          treno_di("rallentamento, 12200, 50, 400, 0, 0, 0\r\n"));
  const diagnostica* d = trova(s.m, codice::avviso_occupato);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->luogo->riga, 2);
  EXPECT_EQ(d->luogo->colonna, 16);  // "rallentamento, 12200"
  ASSERT_EQ(d->note.size(), 1u);
  EXPECT_EQ(d->note[0].luogo.file, "L_linea.txt");
  EXPECT_EQ(d->note[0].luogo.riga, 5);
  EXPECT_NE(rendi(testo_di(d->note[0])).find("cartello indicatore a 11000 m"), std::string::npos) << d->note[0].testo;

  // A slow-down at 50 km/h from cell 101 (5000 m) to 121 walks 8 cells to 109, which with
  // 108 and 110 holds a signal (at 5350, 5400, 5450 m): error 13 at the slow-down's own
  // record, line 2, and its position as written, with a note at each signal; the error
  // state keeps the cell's start, 109 x 50 = 5450 m, as it always has.
  scenario_prova f;
  f.leggi(linea_di(20000), treno_di("rallentamento, 5000, 50, 1000, 0, 0, 0\r\n"
                                    "segnale, 5350, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0\r\n"
                                    "segnale, 5400, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0\r\n"
                                    "segnale, 5450, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0\r\n"));
  ASSERT_FALSE(con_errori(f.m.diagnostiche));
  rifinitura_percorso(f.m);
  const diagnostica* t = trova(f.m, codice::abbattimento_interno);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->posizione, 5000);
  EXPECT_EQ(f.m.posizione_errore, 5450);
  ASSERT_TRUE(t->luogo.has_value());
  EXPECT_EQ(t->luogo->riga, 2);
  ASSERT_EQ(t->note.size(), 3u);
  EXPECT_EQ((std::array{t->note[0].luogo.riga, t->note[1].luogo.riga, t->note[2].luogo.riga}), (std::array{4, 3, 5}));

  // Two signals in cell 240 (12000 m and 12010 m), each a line in plain form after the run
  // text's "[generale]": the second one's error, on line 3, has its note span the first one's
  // keyword on line 2, "segnale", columns 1 to 7.
  scenario_prova c;
  c.leggi(linea_di(20000), treno_di("segnale, 12000, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0\r\n"
                                    "segnale, 12010, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0\r\n"));
  ASSERT_TRUE(con_errori(c.m.diagnostiche));
  const diagnostica& o = c.m.diagnostiche.front();
  EXPECT_EQ(o.luogo->riga, 3);
  ASSERT_EQ(o.note.size(), 1u);
  EXPECT_EQ(o.note[0].luogo, (luogo_testo{"L_T-.txt", 2, 1, 8}));
}

TEST(Silenziosi, IntestazioniEMaiuscole) {
  // "[general]" where "[generale]" belongs: error 102 at that line, with the fix.
  scenario_prova g;
  g.leggi("[general]\r\nlunghezza percorso, 1000\r\n[fine]\r\n", treno_di());
  const diagnostica* d = trova(g.m, codice::generale_assente);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->luogo->riga, 1);
  ASSERT_TRUE(d->correggi.has_value());
  EXPECT_EQ(d->correggi->sostituzione, "[generale]");
  // An exact record written in another case is not recognised: the nearest is offered.
  scenario_prova m;
  m.leggi("[generale]\r\nlunghezza percorso, 1000\r\nSfondo uno, 1\r\n[curve]\r\n[fine]\r\n", treno_di());
  const diagnostica* w = trova(m.m, avviso::parola_sconosciuta);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->correggi.has_value());
  EXPECT_EQ(w->correggi->sostituzione, "sfondo uno");
}

TEST(Silenziosi, ParoleSconosciuteUnaDopoLAltra) {
  // Misspellings one after another: another word, the same in capitals, the same again in a
  // section of the body. Each is offered what its own place knows for it, and is named as
  // it is written there.
  scenario_prova s;
  s.leggi("[generale]\r\nlunghezza percorso, 1000\r\nsfondo un, 1\r\nsfondo du, 1\r\nSFONDO DU, 1\r\n"
          "[curve]\r\nSFONDO DU, 1\r\n[fine]\r\n",
          treno_di());
  std::vector<const diagnostica*> w;
  for (const diagnostica& d : s.m.diagnostiche) {
    if (d.numero == avviso::parola_sconosciuta) w.push_back(&d);
  }
  ASSERT_EQ(w.size(), 4u);
  const char* vicine[] = {"sfondo uno", "sfondo due", "sfondo due"};
  for (size_t i = 0; i < 3; ++i) {
    ASSERT_TRUE(w[i]->correggi.has_value()) << i;
    EXPECT_EQ(w[i]->correggi->sostituzione, vicine[i]);
  }
  ASSERT_FALSE(w[2]->frase.argomenti.empty());
  EXPECT_EQ(w[2]->frase.argomenti[0].valore.testo, "SFONDO DU");
  // No record of the body is within two letters of it.
  EXPECT_FALSE(w[3]->correggi.has_value());
  EXPECT_EQ(w[3]->frase.id, "lettura.parola");
}

TEST(Silenziosi, Codifiche) {
  // UTF-8 with a byte-order mark: read as UTF-8, the same cells and table as without it,
  // and not a word about it when every character is ASCII.
  scenario_prova senza, con_bom;
  senza.leggi(linea_di(3000, "cartello_indicatore, 1000, (A)\r\n"), treno_di(stazione("7, 0, 0", "Citta")));
  con_bom.leggi("\xEF\xBB\xBF" + linea_di(3000, "cartello_indicatore, 1000, (A)\r\n"),
                "\xEF\xBB\xBF" + treno_di(stazione("7, 0, 0", "Citta")));
  EXPECT_EQ(con_bom.m.percorso, senza.m.percorso);
  EXPECT_EQ(con_bom.m.tabella, senza.m.tabella);
  EXPECT_TRUE(con_bom.m.diagnostiche.empty());
  // A UTF-8 a-grave fits ISO 8859-1: a note, not a warning, and one byte stored. A euro
  // sign does not: a warning naming it and the 'E' stored in its place.
  scenario_prova utf8;
  utf8.leggi(linea_di(3000), treno_di(stazione("7, 0, 0", "Citt\xC3\xA0 \xE2\x82\xAC")));
  ASSERT_GE(utf8.m.diagnostiche.size(), 2u);
  EXPECT_EQ(utf8.m.diagnostiche[0].numero, avviso::testo_utf8);
  EXPECT_EQ(utf8.m.diagnostiche[0].livello, gravita::nota);
  EXPECT_EQ(utf8.m.diagnostiche[1].numero, avviso::caratteri_non_latini);
  EXPECT_EQ(utf8.m.diagnostiche[1].livello, gravita::avviso);
  EXPECT_NE(rendi(motivo_di(utf8.m.diagnostiche[1])).find("come 'E'"), std::string::npos);
  EXPECT_EQ(utf8.m.tabella[1].nome, "Citt\xE0 E");
}

}  // namespace
}  // namespace scenario
