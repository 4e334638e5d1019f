// The fastest run in the views: the text account, the JSON and the page give each leg's
// times and slack, with the assumptions they were worked out with.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <array>
#include <cstdio>
#include <sstream>
#include <vector>

#include "lingue/catalogo.h"
#include "tests/supporto/compilazione_prova.h"
#include "vista/json.h"
#include "vista/pagina.h"
#include "vista/resoconto.h"

namespace scenario::vista {
namespace {

// From the stop at 200 m to the one at 3400 m under 90 km/h (25 m/s), one vehicle at
// 120 %: 128 s at the limit alone; the fastest run adds 25 / 2a = 25 s at 0.5 m/s^2 and
// 25 / 2b = 15.73 s (b = 6.1 x 13 / 99.792 m/s^2), 168.7 s, so 169 s in whole seconds.
// The timetable gives 8:00 to 8:04: 240 s, 71 s of slack. At 1 m/s^2 the fastest run
// takes 12.5 s less.
scenario_decodificato una_tratta() {
  const std::string linea = "[generale]\r\nlunghezza percorso, 6000\r\n[fine]\r\n";
  const std::string treno =
      "[generale]\r\nnumero vetture, 1\r\npercentuale massa frenata, 120\r\n[vel_limite]\r\nvelocita, 0, 90\r\n"
      "[stazioni]\r\nstazione, 0, 8, 300, 0, 0, 0, 1,1,0, 5,6,1, 1, 8, 0, 0, Alto\r\n"
      "stazione, 3300, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 0, 8, 4, 0, Basso\r\n[fine]\r\n";
  modello m;
  const file_compilati_letti f = prova::compila_in_memoria("Val", "R1", linea, treno, m);
  return *decodifica_scenario(f, "Val", "R1").valore;
}

TEST(MarciaVista, OgniTrattaConIlSuoMargine) {
  const lingua_per_ora italiano(lingua::italiano);
  const scenario_decodificato s = una_tratta();
  const std::string testo = resoconto_testo(s, false);
  EXPECT_NE(testo.find("Marcia tesa, accelerazione 0,5 m/s² (predefinita), frenatura 0,79 m/s² (dalla massa frenata "
                       "del 120 %), treno di 26,4 m (1 × 26,4 m):\n"
                       "  Alto - Basso: orario 4 min 0 s, ai limiti 2 min 8 s, marcia tesa 2 min 49 s, margine 1 min 11 s\n"),
            std::string::npos)
      << testo;

  const auto j = nlohmann::json::parse(resoconto_json(s, false));
  const auto& m = j["marcia"];
  EXPECT_EQ(m["ipotesi"]["accelerazione"], 0.5);
  EXPECT_EQ(m["ipotesi"]["accelerazione_data"], false);
  EXPECT_EQ(m["ipotesi"]["lunghezza_treno_m"], 26.4);
  ASSERT_EQ(m["tratte"].size(), 1u);
  const auto& t = m["tratte"][0];
  EXPECT_EQ(t["da_m"], 200);
  EXPECT_EQ(t["a_m"], 3400);
  EXPECT_EQ(t["concesso_s"], 240);
  EXPECT_EQ(t["minimo_senza_ipotesi_s"], 128.0);
  EXPECT_NEAR(t["minimo_s"].get<double>(), 128 + 25 + 25 / (2 * 6.1 * 13 / 99.792), 0.05);
  EXPECT_EQ(t["margine_s"], 71);
  EXPECT_EQ(t["possibile"], true);
  EXPECT_EQ(t["margine"], "1 min 11 s");
  // The run's points: at rest at both stops, its last the leg's time; never above 90 km/h.
  std::istringstream punti(m["punti"].get<std::string>());
  std::vector<std::array<double, 3>> p;
  for (std::string terna; punti >> terna;) {
    std::array<double, 3> x{};
    ASSERT_EQ(std::sscanf(terna.c_str(), "%lf,%lf,%lf", &x[0], &x[1], &x[2]), 3) << terna;
    p.push_back(x);
  }
  ASSERT_GE(p.size(), 4u);
  EXPECT_EQ(p.front(), (std::array<double, 3>{200, 0, 0}));
  EXPECT_EQ(p.back()[0], 3400);
  EXPECT_EQ(p.back()[1], 0);
  EXPECT_NEAR(p.back()[2], t["minimo_s"].get<double>(), 0.05);
  for (const auto& x : p) EXPECT_LE(x[1], 90);

  // The author's acceleration, and the other language.
  const lingua_per_ora inglese(lingua::inglese);
  const auto k = nlohmann::json::parse(resoconto_json(s, false, true, {.accelerazione = 1.0, .frenatura = {}}));
  EXPECT_EQ(k["marcia"]["ipotesi"]["accelerazione_data"], true);
  EXPECT_NEAR(k["marcia"]["tratte"][0]["minimo_s"].get<double>(), t["minimo_s"].get<double>() - 12.5, 0.1);
  EXPECT_EQ(k["marcia"]["ipotesi"]["testo"],
            "acceleration 1 m/s² (given), braking 0.79 m/s² (from the braked mass of 120 %), train of 26.4 m (1 × 26.4 m)");
  const std::string pagina = pagina_html(s, {.accelerazione = 1.0, .frenatura = {}});
  EXPECT_NE(pagina.find("acceleration 1 m/s² (given)"), std::string::npos);
  EXPECT_NE(pagina.find("\"legenda_marcia\":"), std::string::npos);
}

}  // namespace
}  // namespace scenario::vista
