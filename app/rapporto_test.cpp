#include "app/rapporto.h"

#include <gtest/gtest.h>

#include <string>

#include "track/rapporto_errori.h"

namespace scenario {
namespace {

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
