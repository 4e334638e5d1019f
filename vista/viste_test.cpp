// Every view shows what the texts tests/dati/Prova_linea.txt and Prova_R1-.txt wrote,
// after the compiler has coded it into the files and the decoder has read it back.
// The expected values come from the texts and the codings, reasoned beside each.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <map>
#include <sstream>

#include "lingue/catalogo.h"
#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/compilazione_prova.h"
#include "vista/analisi.h"
#include "vista/json.h"
#include "vista/pagina.h"
#include "vista/resoconto.h"
#include "vista/scheda.h"

namespace scenario::vista {
namespace {

const scenario_decodificato& prova() {
  static const scenario_decodificato s = [] {
    modello m;
    const file_compilati_letti f =
        prova::compila_in_memoria("Prova", "R1", prova::leggi_tutto(CARTELLA_DATI_PROVA "/Prova_linea.txt"),
                                  prova::leggi_tutto(CARTELLA_DATI_PROVA "/Prova_R1-.txt"), m);
    return *decodifica_scenario(f, "Prova", "R1").valore;
  }();
  return s;
}

// The line of `testo` that holds `inizio`, or nothing.
std::string riga_con(const std::string& testo, const std::string& inizio) {
  std::istringstream righe(testo);
  for (std::string r; std::getline(righe, r);) {
    if (r.find(inizio) != std::string::npos) return r;
  }
  return "";
}

// Kilometres: `uno` counts down from 150300 + 100 at the origin; from 4000 m `due`
// counts up from -2000 at the origin. So 1500 m is km 148.900, 2500 m 147.900, 6000 m
// km 4.000.
TEST(Viste, ResocontoComeScritto) {
  const std::string t = resoconto_testo(prova(), false);
  const char* attese[] = {
      // segnale, 1500, 2, 3, 1, 0, 1, 0, 2, 0, 0, 101: cell round(1500 / 50 + 1) = 31,
      // the 50 m from 1500; a tempo of 101 is kept with sx 2.
      "1500 m  km  148.900  cella 31 (1500-1550 m)  sx 2, 3 1 0, rapp 1, dx 0, 2 0 0, tempo 101",
      // indicatori_vmax, 2500, 80, 85, 90, 2, 80, 85, 90, 1: 1616 1717 1818 and 21 in the cell.
      "2500 m  km  147.900  80/80 85/85 90/90 km/h, strisce 2/1",
      // rallentamento, 7000, 30, 400, 1, 1, 0: to cell round(7400 / 50 + 1), the warning
      // 1200 m before, the four advance cells before that.
      "da 7000 m a 7400 m (km 5.000 - 5.400), 30 km/h, f_tt 1, d_v 0, avviso a 5800 m (cella 117), 4 celle di preavviso",
      // rallentamento, 2000, 40, 100, 0, 0, 0: a warning at 800 m but, with f_ta 0, no
      // advance cells.
      "da 2000 m a 2100 m (km 148.400 - 148.300), 40 km/h, f_tt 0, d_v 0, avviso a 800 m (cella 17), 0 celle di preavviso",
      "2000 m     300 m  destra   classe 4  raggio 1000 m",    // curvad4, 2000, 300
      "4999 m     150 m  sinistra classe 6  raggio 333 m",     // curvas6, 4999, 150
      "8000 m     100 m  destra   classe 1  raggio 10000 m",   // curvad1, 8000, 100: the widest
      "3000 - 4000     tipo 13",                                 // montagna, 3000, 4000, 13
      // montagna, 4100, 5000, 13 starts 100 m after the one before: kept as type 3 (with
      // free cells), as it must be written, and a 3 could have been written in many ways.
      "4100 - 5000     tipo 3 (con celle libere)",
      "5500 - 6000     tipo 2",  // montagna, 5500, 6000, 2: no free cells
      "3550 m  km  146.850  voce 80: P.L. / Km 1.550",  // the first board's text in entry 80
      "         0 - 1000       60\n      1000 - 10000     100\n",  // the speed limits
      "      1000 - 10000       5\n",                            // pendenza, 1000, 5
      "8000 m  km    6.000  60 km/h",        // abbattimento, 8000, 60: cell 160
      "8500 m  km    6.500  senza valore",   // abbattimento, 8500, 0
      // Beta stops 30 s and leaves at 10:05:00: it arrives at 10:04:30.
      "6000    4.000   12     5800 - 6200        6100    30 s 10:04:30  10:05:00  Beta",
      "voce 82: da 0 m (km 150.400), km 150.400 all'origine, decrescente",
  };
  for (const char* a : attese) EXPECT_NE(t.find(a), std::string::npos) << a << "\n" << t;
}

// A count of one takes the singular: "numero vetture, 1" is one vehicle.
TEST(Viste, UnoAlSingolare) {
  std::string treno = prova::leggi_tutto(CARTELLA_DATI_PROVA "/Prova_R1-.txt");
  treno.replace(treno.find("numero vetture, 3"), 17, "numero vetture, 1");
  modello m;
  const auto f = prova::compila_in_memoria("Prova", "R1", prova::leggi_tutto(CARTELLA_DATI_PROVA "/Prova_linea.txt"),
                                           treno, m);
  const scenario_decodificato s = *decodifica_scenario(f, "Prova", "R1").valore;
  const struct {
    lingua l;
    const char* atteso;
  } casi[] = {{lingua::italiano, "Treno: 1 vettura, massa"}, {lingua::inglese, "Train: 1 vehicle, braked"}};
  for (const auto& c : casi) {
    const lingua_per_ora in(c.l);
    EXPECT_NE(resoconto_testo(s, false).find(c.atteso), std::string::npos) << c.atteso;
  }
}

TEST(Viste, CelleConIMetriCheCoprono) {
  const std::string t = elenco_celle(prova());
  const struct {
    const char* inizio;  // cell number and metres
    const char* contenuto;
  } attese[] = {
      {"    31       1500-1550 segnale", "sx 2, 3 1 0, rapp 1, dx 0, 2 0 0, tempo 101"},
      {"    51       2500-2550 indicatore", "80/80 85/85 90/90 km/h, strisce 2/1"},
      {"   141       7000-7050 inizio rallentamento", "30 km/h"},
      {"   149       7400-7450 fine rallentamento", "30 km/h"},
      {"   117       5800-5850 avviso di rallentamento", "30 km/h"},
      // The advance cells count away from the warning: round((7000 - 1200) / 50) = 116 first.
      {"   116       5750-5800 preavviso di rallentamento", "n. 1"},
      {"   113       5600-5650 preavviso di rallentamento", "n. 4"},
      {"    72       3550-3600 cartello", "voce 80"},
      // Beta's area ends at 6200 m: its stop point is the cell of 6100 m.
      {"   123       6100-6150 fermata", "voce 2"},
      // abbattimento, 8000, 60 fills cell round(8000 / 50) = 160.
      {"   160       7950-8000 abbattimento", "60 km/h"},
      // curvad4, 2000, 300 turns metres 2001 to 2300: cells 41 (2000-2050) to 47.
      {"    41       2000-2050 inizio rallentamento", "40 km/h; curva a destra classe 4 (da 2000 m, 300 m)"},
      {"    47       2300-2350 vuota", "curva a destra classe 4 (da 2000 m, 300 m)"},
  };
  for (const auto& a : attese) {
    const std::string riga = riga_con(t, a.inizio);
    ASSERT_FALSE(riga.empty()) << a.inizio;
    EXPECT_EQ(riga.substr(riga.size() - std::string(a.contenuto).size()), a.contenuto) << riga;
  }
  EXPECT_EQ(riga_con(t, "    40       1950-2000 ").find("curva"), std::string::npos);
  EXPECT_EQ(riga_con(t, "    48       2350-2400 ").find("curva"), std::string::npos);
  // curvas6, 4999, 150 turns metres 5000 to 5149: from cell 101 (5000-5050), not before.
  EXPECT_EQ(riga_con(t, "   100       4950-5000 ").find("curva"), std::string::npos);
  const std::string riga101 = riga_con(t, "   101       5000-5050 ");
  EXPECT_TRUE(riga101.ends_with("curva a sinistra classe 6 (da 4999 m, 150 m)")) << riga101;
  // The gradient written at 1000 m fills from cell 1000 / 50 = 20 (950-1000 m).
  EXPECT_NE(riga_con(t, "    20        950-1000 ").find("    5 100"), std::string::npos) << riga_con(t, "    20 ");
}

TEST(Viste, JsonComeScritto) {
  const auto j = nlohmann::json::parse(resoconto_json(prova(), false));
  const auto& g = j["segnali"].at(0);
  EXPECT_EQ(g["posizione"], 1500);
  EXPECT_EQ(g["cella"], 31);
  EXPECT_EQ(g["metri_cella"], "1500-1550");
  const int scritti[] = {2, 3, 1, 0, 1, 0, 2, 0, 0};
  const char* nomi[] = {"sx", "s1", "s2", "s3", "rapp", "dx", "d1", "d2", "d3"};
  for (size_t i = 0; i < 9; ++i) EXPECT_EQ(g[nomi[i]], scritti[i]) << nomi[i];
  EXPECT_EQ(g["tempo"], 101);
  EXPECT_EQ(j["indicatori_vmax"].at(0)["kmh"], nlohmann::json::parse("[[80,80],[85,85],[90,90]]"));
  EXPECT_EQ(j["curve"], nlohmann::json::parse(R"([{"da":2000,"lunghezza":300,"lato":"destra","classe":4,"raggio_m":1000},
                                                   {"da":4999,"lunghezza":150,"lato":"sinistra","classe":6,"raggio_m":333},
                                                   {"da":8000,"lunghezza":100,"lato":"destra","classe":1,"raggio_m":10000}])"));
  EXPECT_EQ(j["montagne"].at(0)["tipo_scritto"], 13);
  EXPECT_EQ(j["montagne"].at(0)["tipo"], 3);
  EXPECT_TRUE(j["montagne"].at(1)["tipo_scritto"].is_null());
  EXPECT_EQ(j["rallentamenti"].at(0)["celle_preavviso"], 0);
  const auto& r = j["rallentamenti"].at(1);
  EXPECT_EQ(r["da"], 7000);
  EXPECT_EQ(r["a"], 7400);
  EXPECT_EQ(r["velocita_kmh"], 30);
  EXPECT_EQ(r["avviso"], 5800);
  EXPECT_EQ(r["celle_preavviso"], 4);
  // The written abbattimenti among those the finishing pass adds: each at cell x 50 m.
  std::map<int, nlohmann::json> abbattimenti;
  for (const auto& a : j["abbattimenti"]) {
    EXPECT_EQ(a["posizione"].get<int>(), a["cella"].get<int>() * 50);
    abbattimenti[a["posizione"].get<int>()] = a["valore_kmh"];
  }
  EXPECT_EQ(abbattimenti.at(8000), 60);
  EXPECT_TRUE(abbattimenti.at(8500).is_null());
  // The timetable: the first departs, a stop arrives its stop before it departs, a
  // station passed is passed at its time, the last arrives.
  const struct {
    const char *arrivo, *partenza, *km;
  } orari[] = {{nullptr, "10:00:00", "149.900"},
               {"10:04:30", "10:05:00", "4.000"},
               {nullptr, "10:08:00", "5.800"},
               {"10:10:00", nullptr, "7.000"}};
  ASSERT_EQ(j["stazioni"].size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    const auto& st = j["stazioni"].at(i);
    EXPECT_EQ(st["arrivo"], orari[i].arrivo ? nlohmann::json(orari[i].arrivo) : nlohmann::json()) << i;
    EXPECT_EQ(st["partenza"], orari[i].partenza ? nlohmann::json(orari[i].partenza) : nlohmann::json()) << i;
    EXPECT_EQ(st["km"], orari[i].km) << i;
  }
  EXPECT_EQ(j["cartelli"].at(0)["posizione"], 3550);
  EXPECT_EQ(j["cartelli"].at(0)["testo"], "P.L. / Km 1.550");
  EXPECT_EQ(j["velocita_kmh"], nlohmann::json::parse(R"([{"da":0,"a":1000,"valore":60},{"da":1000,"a":10000,"valore":100}])"));
  EXPECT_EQ(j["pendenze_per_mille"], nlohmann::json::parse(R"([{"da":0,"a":1000,"valore":0},{"da":1000,"a":10000,"valore":5}])"));
  EXPECT_EQ(j["indicatori_vmax"].at(0)["strisce"], nlohmann::json::parse("[2,1]"));
  // The ordered progressives: due (from 4000 m) first, then uno with its 100 m added.
  EXPECT_EQ(j["progressive"].at(0)["da"], 4000);
  EXPECT_EQ(j["progressive"].at(1)["km_origine_m"], 150400);
  EXPECT_EQ(j["progressive"].at(1)["decrescente"], true);
  // Heights and the plan as numbered points in one text: 5 per mille from cell 20
  // (1000 m) raise the line 0.25 m a cell, so by 1100 m it is 0.5 m up.
  const std::string quote = j["quote"];
  EXPECT_EQ(quote.substr(0, 12), "0,0.0 50,0.0");
  EXPECT_NE(quote.find(" 1000,0.0 1050,0.2 1100,0.5 "), std::string::npos);  // 0.25 to the even tenth
  const std::string pianta = j["pianta"]["punti"];
  EXPECT_EQ(pianta.substr(0, 2), "0,");
  EXPECT_EQ(pianta.substr(pianta.rfind(' ') + 1, 6), "10000,");  // the line's last metre
  // Every cell on request, labelled with its metres.
  const auto c = nlohmann::json::parse(resoconto_json(prova(), true));
  EXPECT_EQ(c["celle_elenco"].at(31).at(0), "1500-1550");
  EXPECT_EQ(c["celle_elenco"].at(31).at(12), "sx 2, 3 1 0, rapp 1, dx 0, 2 0 0, tempo 101");
  EXPECT_TRUE(c["celle_elenco"].at(40).at(13).is_null());
  EXPECT_EQ(c["celle_elenco"].at(41).at(13), 0);  // in the first of "curve"
  EXPECT_EQ(j["chilometraggio"], nlohmann::json::parse(R"([{"da":0,"a":4000,"km_da_m":150400,"decrescente":true},
                                                            {"da":4000,"a":10000,"km_da_m":2000,"decrescente":false}])"));
}

TEST(Viste, LaPaginaPortaIlJson) {
  // The page's script draws from the JSON that --json prints, put in whole.
  EXPECT_NE(pagina_html(prova()).find(resoconto_json(prova(), false, false)), std::string::npos);
  EXPECT_EQ(nlohmann::json::parse(resoconto_json(prova(), false, false)), nlohmann::json::parse(resoconto_json(prova(), false)));
  // A "<" in a text cannot close the script element: it is written as its escape.
  const std::string p = pagina_da_json(R"({"nome":"</script><b>"})", {});
  EXPECT_NE(p.find(R"({"nome":"\u003c/script>\u003cb>"})"), std::string::npos);
  // Before any good build: the messages alone, and no scenario for the script.
  const std::string sola = pagina_da_json("", {"errore\n", "10:00:00", 1});
  EXPECT_NE(sola.find("<body class=\"vecchia\" data-ricarica=\"1\">"), std::string::npos);
  EXPECT_NE(sola.find(">null</script>"), std::string::npos);
  EXPECT_NE(sola.find("Nessuna compilazione riuscita finora."), std::string::npos);
  // What an author wrote is put in once and never read again for the template's marks:
  // a board's text or a diagnostic holding "@DATI@" stays as written, and the data land
  // in their own place.
  const std::string segni = pagina_da_json(R"({"testo":"@DATI@ @T:pagina.fallita@"})", {"'@DATI@'\n", "", 0});
  EXPECT_NE(segni.find(R"(<pre>'@DATI@'
</pre>)"), std::string::npos);
  EXPECT_NE(segni.find(R"(id="dati">{"testo":"@DATI@ @T:pagina.fallita@"}</script>)"), std::string::npos);
}

// The page speaks one language: each word its template and its script name is in every
// catalogue, and the page carries the words of the language chosen.
TEST(Viste, LaPaginaNellaLinguaScelta) {
  const std::string_view modello = modello_pagina();
  std::vector<std::string> ids;
  for (size_t p = modello.find("@T:pagina."); p != std::string_view::npos; p = modello.find("@T:pagina.", p + 1)) {
    ids.emplace_back(modello.substr(p + 3, modello.find('@', p + 3) - p - 3));
  }
  for (size_t p = modello.find("dici(\""); p != std::string_view::npos; p = modello.find("dici(\"", p + 1)) {
    // A word whose id the script puts together ("lato." and the side) is not named whole.
    const std::string id(modello.substr(p + 6, modello.find('"', p + 6) - p - 6));
    if (!id.ends_with(".")) ids.push_back("pagina." + id);
  }
  EXPECT_GT(ids.size(), 40u);
  for (const std::string& id : ids) {
    for (const lingua l : LINGUE) EXPECT_TRUE(nel_catalogo(id, l)) << id << " " << sigla(l);
  }
  for (const auto& [l, parole] : {std::pair{lingua::italiano, "Profilo della linea"}, std::pair{lingua::inglese, "Profile of the line"}}) {
    const lingua_per_ora in(l);
    const std::string pagina = pagina_html(prova());
    EXPECT_NE(pagina.find(std::string("<html lang=\"") + std::string(sigla(l)) + "\">"), std::string::npos);
    EXPECT_NE(pagina.find(parole), std::string::npos) << sigla(l);
    EXPECT_EQ(pagina.find("@T:"), std::string::npos);
  }
}

TEST(Viste, SchedaComeIlResoconto) {
  const std::string t = scheda_orario(prova());
  EXPECT_NE(t.find(" |   TRENO R1        |"), std::string::npos) << t;  // the train as written
  EXPECT_NE(t.find("|    V100      |"), std::string::npos);  // the highest limit
  EXPECT_NE(t.find("|     110%     |"), std::string::npos);  // percentuale massa frenata
  const char* righe[] = {
      // Alfa at 500 m (not its stop point, 700 m): km 149.900; it departs at 10.00.
      " 149.900  |  60 | ALFA                       |          10.00 |",
      // Beta arrives at 10:04:30 (10.04+) and departs at 10.05.
      "   4.000  | 100 | BETA                       | 10.04+   10.05 |",
      // Delta is passed at 10.08: the time alone from the cell's sixth character.
      "   5.800  | 100 | DELTA                      |     10.08      |",
      "   7.000  | 100 | GAMMA                      | 10.10          |",
  };
  for (const char* r : righe) EXPECT_NE(t.find(r), std::string::npos) << r << "\n" << t;
}

}  // namespace
}  // namespace scenario::vista

namespace scenario {
namespace {

// A diagnostic's notes in the JSON form say what the text form says: a note worded by the
// catalogue and one in the reading's own words (ISO 8859-1), both in UTF-8.
TEST(DiagnosticaJson, LeNoteDiconoIlLoroTesto) {
  diagnostica d{22, gravita::errore, std::nullopt, luogo_testo{"A_R1-.txt", 3, 1, 9}, {}, {}, std::nullopt,
                messaggio("stazione troppo vicina")};
  d.note.push_back({luogo_testo{"A_R1-.txt", 2, 1, 9}, "", frase("verifica.e_qui", {{"oggetto", "Citt\xC3\xA0"}})});
  d.note.push_back({luogo_testo{"A_R1-.txt", 1, 1, 2}, "sosta di 30 s a Citt\xE0", {}});
  const auto j = nlohmann::json::parse(diagnostica_in_json(d, "m", ""));
  ASSERT_EQ(j["notes"].size(), 2u);
  EXPECT_EQ(j["notes"][0]["message"], "Citt\xC3\xA0 è qui");
  EXPECT_EQ(j["notes"][0]["line"], 2);
  EXPECT_EQ(j["notes"][1]["message"], "sosta di 30 s a Citt\xC3\xA0");
}

}  // namespace
}  // namespace scenario
