#include "scenario/testi_nuovi.h"

#include <gtest/gtest.h>

#include "lingue/catalogo.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "model/formato.h"
#include "nucleo/compilazione.h"
#include "scenario/scrittura_testi.h"

namespace scenario {
namespace {

std::vector<std::string> righe_di(const std::string& testo) {
  std::vector<std::string> righe;
  size_t inizio = 0;
  for (size_t fine; (fine = testo.find("\r\n", inizio)) != std::string::npos; inizio = fine + 2) {
    righe.push_back(testo.substr(inizio, fine - inizio));
  }
  EXPECT_EQ(inizio, testo.size()) << "the last line is not ended by CR LF";
  return righe;
}

std::string minuscolo(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// A note line is one item that no record test matches and that does not change how the
// next item is read: no keyword word, no comma (it would split into further items), no
// minus sign (the next item would be taken as the keyword), not a header, and plain
// printable ASCII.
TEST(TestiNuovi, LeNoteSonoParoleCheLaLetturaSalta) {
  const testi_nuovi t = testi_di_partenza();
  for (const formato::testo quale : {formato::testo::linea, formato::testo::treno}) {
    const auto righe = righe_di(quale == formato::testo::linea ? t.linea : t.treno);
    int note = 0;
    int record = 0;
    for (size_t i = 0; i < righe.size(); ++i) {
      const std::string& riga = righe[i];
      SCOPED_TRACE(riga);
      if (riga.front() == '[') continue;
      if (riga.find(',') != std::string::npos) {
        ++record;
        // Every record has its own note on the line above, and is written as the
        // description writes it: one of its spellings and exactly its values.
        ASSERT_GT(i, 0u);
        EXPECT_EQ(righe[i - 1].find(','), std::string::npos) << "record without a note above it";
        const std::string parola = riga.substr(0, riga.find(','));
        const formato::record* r = formato::cerca(quale, parola);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(static_cast<size_t>(std::count(riga.begin(), riga.end(), ',')), r->campi.size());
        continue;
      }
      ++note;
      // No record of the text would take it for its keyword.
      for (const formato::record& r : formato::records(quale)) {
        EXPECT_FALSE(formato::riconosce(r, riga)) << r.parola;
      }
      EXPECT_EQ(minuscolo(riga).find("[generale]"), std::string::npos);
      EXPECT_EQ(riga.find('-'), std::string::npos);
      EXPECT_FALSE(riga.find('[') != std::string::npos && riga.find(']') != std::string::npos);
      EXPECT_TRUE(std::all_of(riga.begin(), riga.end(), [](char c) { return c >= ' ' && c < 127; }));
    }
    // Two opening notes, then one note a record (the empty [codici] holds one note more).
    EXPECT_GE(note, record + 2);
  }
}

// The pair compiles with no diagnostic at all, and every record arrives where it belongs:
// a note that swallowed its record would leave one of these places empty. In every
// language of the notes: a translated note that read as a record would be caught here.
TEST(TestiNuovi, CompilanoSenzaDiagnosticheEOgniRecordArriva) {
  for (const lingua l : LINGUE) {
    const lingua_per_ora parla(l);
    SCOPED_TRACE(std::string(sigla(l)));
    const testi_nuovi t = testi_di_partenza();
    EXPECT_NE(t.linea.find(rendi(frase("nuovo.linea.1"), l)), std::string::npos);
    EXPECT_EQ(t.linea, componi_testo(elenco_linea_nuova()));
    richiesta q;
    q.linea = "Nuova";
    q.treno = "N1";
    q.testo_linea = {"Nuova_linea.txt", t.linea, true, ""};
    q.testo_treno = {"Nuova_N1-.txt", t.treno, true, ""};
    modello m;
    const risultato esito = memorizza_percorso(q, m, nullptr);
    EXPECT_TRUE(esito.diagnostiche.empty()) << esito.diagnostiche.front().numero;
    EXPECT_TRUE(esito.riuscito);

    const auto& v = m.tabella;
    EXPECT_EQ(v[84].fine, 10000);  // line length
    EXPECT_EQ(v[84].inizio, 110);  // braked mass
    EXPECT_EQ(v[84].posizione, 3);  // vehicles
    // All three numberings start at 0: the one with a positive value comes first.
    EXPECT_EQ((std::vector{v[81].inizio, v[81].fine, v[81].posizione}), (std::vector{0, 12000, 0}));
    EXPECT_EQ((std::vector{v[85].inizio, v[85].posizione, v[85].fine}), (std::vector{0, 0, 1}));
    EXPECT_EQ((std::vector{v[86].inizio, v[86].fine, v[86].posizione}), (std::vector{0, 10000, 4}));
    EXPECT_EQ((std::vector<int>{v[86].valore1, v[86].valore3, v[86].valore4, v[86].valore5}),
              (std::vector<int>{300, 19, 4, 0}));  // sand and the clock 19:04:00
    EXPECT_EQ(v[1].nome, "PARTENZA");
    EXPECT_EQ(v[1].orario, (19 * 60 + 5) * 60);
    EXPECT_EQ(v[2].nome, "ARRIVO");
    EXPECT_EQ(v[2].orario, (19 * 60 + 15) * 60);
    EXPECT_EQ(v[3].nome, "");
    EXPECT_EQ(v[80].nome, "(PONTE SUL  )(TORRENTE   )");
    EXPECT_EQ(v[79].nome, "");

    // Cells: an object at p stands in round(p / 50 + 1).
    struct atteso {
      size_t cella;
      int tipo;
      const char* cosa;
    };
    const atteso celle[] = {
        {5, 10, "stop of the departure: area end 300 m, 300 / 50 - 1"},
        {11, 6, "indicator at 500 m"},
        {30, 1, "signal at 1450 m"},
        {51, 14, "board at 2500 m"},
        {57, 4, "slow-down warning 1200 m before 4000 m"},
        {81, 3, "slow-down start at 4000 m"},
        {87, 2, "slow-down end at 4300 m"},
        {137, 1, "signal at 6800 m"},
        {160, 13, "abbattimento at 8000 m: round(8000 / 50), one cell before the rule"},
        {183, 10, "stop of the arrival: area end 9200 m, 9200 / 50 - 1"},
    };
    for (const atteso& a : celle) {
      EXPECT_EQ(m.percorso.at(a.cella).tipo, a.tipo) << a.cosa;
    }
    EXPECT_EQ(m.percorso.at(100).montagna, 1);  // stretch 5000 to 6000 m: cells 100 to 119
    EXPECT_EQ(m.percorso.at(119).montagna, 1);
    EXPECT_EQ(m.percorso.at(120).montagna, 0);
    EXPECT_EQ(m.percorso.at(59).pendenza, 100);  // level up to 3000 m, stored as g + 100
    EXPECT_EQ(m.percorso.at(60).pendenza, 105);
    EXPECT_EQ(m.percorso.at(9).velocita, 60 / 5);  // 60 km/h up to 500 m, in steps of 5
    EXPECT_EQ(m.percorso.at(10).velocita, 80 / 5);
    EXPECT_EQ(m.percorso.at(10).aderenza, 100);
  }
}

}  // namespace
}  // namespace scenario
