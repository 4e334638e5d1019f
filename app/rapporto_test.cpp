#include "app/rapporto.h"

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

TEST(RigaDiagnostica, RiepilogoEJson) {
  // Two stations, one board (entry 80), one signal, one slow-down start, 5 cells.
  modello m;
  m.percorso.resize(5);
  m.percorso[1].tipo = 1;
  m.percorso[2].tipo = 3;
  m.percorso[3].tipo = 14;
  m.tabella[1].posizione = 100;
  m.tabella[2].nome = "B";
  m.tabella[80].nome = "cartello";
  EXPECT_EQ(riepilogo_costruzione(m, 2),
            "compila_scenario: 2 stazioni, 1 segnale, 1 rallentamento, 5 celle, 2 avvisi");
  // One alone takes the singular in both languages, none the plural; one warning, then
  // none.
  {
    const lingua_per_ora inglese(lingua::inglese);
    EXPECT_EQ(riepilogo_costruzione(m, 1), "compila_scenario: 2 stations, 1 signal, 1 slow-down, 5 cells, 1 warning");
  }
  // One cell, a signal's, and no board: entry 80 is free again.
  m.percorso.resize(1);
  m.percorso[0].tipo = 1;
  m.tabella[80] = voce{};
  EXPECT_EQ(riepilogo_costruzione(m, 0), "compila_scenario: 2 stazioni, 1 segnale, 0 rallentamenti, 1 cella, 0 avvisi");

  class raccolta : public piattaforma {
   public:
    void mostra_finestra() override {}
    void mostra_messaggio(const std::string& t) override { righe += t + "\n"; }
    std::string righe;
  } p;
  const elenco_diagnostiche elenco = {
      {15, gravita::errore, 48000, luogo_testo{"L.txt", 2, 1}, "", {}, std::nullopt},
      {304, gravita::avviso, std::nullopt, luogo_testo{"T.txt", 0, 0}, "", {}, std::nullopt}};
  const testo_sorgente testi[] = {{"L.txt", "[generale]\r\ncartello, 48000\r\n"}};
  const auto conto = mostra_diagnostiche(p, elenco, testi, formato_diagnostiche::json);
  EXPECT_EQ(conto.errori, 1);
  EXPECT_EQ(conto.avvisi, 1);
  // One object a line: the fields by name, the source line when there is one, null for a
  // place or position that is missing.
  const std::string prima = p.righe.substr(0, p.righe.find('\n'));
  for (const std::string campo :
       {"\"file\":\"L.txt\"", "\"line\":2", "\"column\":1", "\"severity\":\"error\"", "\"number\":15",
        "\"position\":48000", "\"message\":\"Errore n. 15: ", "\"source\":\"cartello, 48000\""}) {
    EXPECT_NE(prima.find(campo), std::string::npos) << campo << " in " << prima;
  }
  const std::string seconda = p.righe.substr(prima.size() + 1);
  for (const std::string campo : {"\"line\":null", "\"position\":null", "\"severity\":\"warning\""}) {
    EXPECT_NE(seconda.find(campo), std::string::npos) << campo << " in " << seconda;
  }

  // The embedded build shows its errors only, each as " Errore n. " and the number (a
  // leading blank, one before the number), then the diagnostic's line.
  p.righe.clear();
  EXPECT_TRUE(mostra_errori(p, elenco));
  EXPECT_EQ(p.righe, " Errore n. 15\n" + riga_diagnostica(elenco[0]) + "\n");
  EXPECT_EQ(seconda.find("source"), std::string::npos);
}

}  // namespace
}  // namespace scenario
