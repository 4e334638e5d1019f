#include "nucleo/diagnostiche_in_testo.h"

#include <gtest/gtest.h>

#include <string>

#include "track/rapporto_errori.h"

namespace scenario {
namespace {

std::string descrizione(int32_t n) { return cerca_errore(n)->descrizione; }

TEST(RigaDiagnostica, LuogoGravitaNumeroDescrizionePosizione) {
  struct caso {
    diagnostica d;
    std::string attesa;
  };
  const luogo_testo record{"Valmora_linea.txt", 38, 1};
  const caso casi[] = {
      // A record's place, the English severity word, " Errore n. " kept in the text, the
      // position where the error has one.
      {{15, gravita::errore, 48000, record, "", {}, std::nullopt},
       "Valmora_linea.txt:38:1: error: Errore n. 15: " + descrizione(15) + " (posizione 48000 m)"},
      // No position shown for an error that has none, even when one is recorded.
      {{102, gravita::errore, 450, luogo_testo{"t.txt", 0, 0}, "", {}, std::nullopt}, "t.txt: error: Errore n. 102: " + descrizione(102)},
      // No place at all: the program's name.
      {{13, gravita::errore, 500, std::nullopt, "", {}, std::nullopt},
       "compila_scenario: error: Errore n. 13: " + descrizione(13) + " (posizione 500 m)"},
      // A warning with its reason; a Latin-1 byte of the reason shown in UTF-8.
      {{301, gravita::avviso, std::nullopt, luogo_testo{"c.txt", 4, 3}, "'stazone\xE0'", {}, std::nullopt},
       "c.txt:4:3: warning: Avviso n. 301: " + descrizione(301) + ": 'stazone\xC3\xA0'"},
      // A number outside the catalogue says its reason only.
      {{0, gravita::nota, std::nullopt, std::nullopt, "nota", {}, std::nullopt}, "compila_scenario: note: nota"},
  };
  for (const caso& c : casi) EXPECT_EQ(riga_diagnostica(c.d), c.attesa);
}

TEST(RigaDiagnostica, RigaDelTestoECursore) {
  // Line 2 holds a tab, a Latin-1 a-grave, a comma and a blank before the column 5 item:
  // the caret line keeps the tab and counts the a-grave as one character.
  const std::string testo = "[generale]\r\n\t\xE0, x, 7\r\nfine\n";
  const diagnostica d{25, gravita::errore, std::nullopt, luogo_testo{"t.txt", 2, 5}, "m", {}, std::nullopt};
  EXPECT_EQ(rendi_diagnostica(d, testo), riga_diagnostica(d) + "\n    2 | \t\xC3\xA0, x, 7\n      | \t   ^");
  EXPECT_EQ(riga_del_testo(testo, 3), "fine");
  EXPECT_EQ(riga_del_testo(testo, 4), "");
  // Without the text, or a line of UTF-16, the first line alone.
  EXPECT_EQ(rendi_diagnostica(d, ""), riga_diagnostica(d));
  EXPECT_EQ(rendi_diagnostica(d, std::string("a\0b\nc\0d", 7)), riga_diagnostica(d));

  // A line of 1000 characters with the item at column 700: a window of 160 characters
  // around the column, cut on both sides ("..." each), the caret under the 'y' still.
  const std::string lunga = std::string(699, 'x') + "y" + std::string(300, 'z');
  const diagnostica in_fondo{25, gravita::errore, std::nullopt, luogo_testo{"t.txt", 1, 700}, "m", {}, std::nullopt};
  const std::string resa = rendi_diagnostica(in_fondo, lunga);
  const size_t a_capo = resa.find('\n');
  const std::string sorgente = resa.substr(a_capo + 1, resa.find('\n', a_capo + 1) - a_capo - 1);
  const std::string cursore = resa.substr(resa.rfind('\n') + 1);
  EXPECT_EQ(sorgente.size(), 8u + 3 + 160 + 3) << sorgente;  // "    1 | " and the two cuts
  EXPECT_EQ(sorgente[cursore.size() - 1], 'y') << resa;
}

TEST(RigaDiagnostica, ElencoComeInConsole) {
  // What the page of a check shows: each message on lines of its own, a diagnostic's note
  // under it with the line of the other text it names; a text not given shows no line,
  // and a diagnostic without a place is its first line alone.
  const std::string linea = "[generale]\r\nlunghezza, 9000\r\n";
  const std::string corsa = "[stazioni]\nstazione, 500, A\n";
  diagnostica d{25, gravita::errore, std::nullopt, luogo_testo{"T.txt", 2, 11, 14}, "m", {}, std::nullopt};
  d.note.push_back({luogo_testo{"L.txt", 2, 12}, "qui", {}});
  const diagnostica senza_testo{25, gravita::avviso, std::nullopt, luogo_testo{"X.txt", 1, 1}, "m", {}, std::nullopt};
  const diagnostica senza_luogo{0, gravita::nota, std::nullopt, std::nullopt, "fine", {}, std::nullopt};
  const testo_sorgente testi[] = {{"L.txt", linea}, {"T.txt", corsa}};
  EXPECT_EQ(diagnostiche_in_testo({d, senza_testo, senza_luogo}, testi),
            riga_diagnostica(d) + "\n    2 | stazione, 500, A\n      |           ^~~\n" +
                "L.txt:2:12: note: qui\n    2 | lunghezza, 9000\n      |            ^\n" +
                riga_diagnostica(senza_testo) + "\n" + "compila_scenario: note: fine\n");
  EXPECT_EQ(diagnostiche_in_testo({}, testi), "");
}

}  // namespace
}  // namespace scenario
