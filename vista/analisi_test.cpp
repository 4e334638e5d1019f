#include "vista/analisi.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>

#include "vista/pagina.h"

namespace scenario::vista {
namespace {

// A decoded scenario of L metres, every cell empty, the plan a straight line along +y.
scenario_decodificato linea_dritta(int32_t L) {
  scenario_decodificato s;
  s.linea = "L";
  s.treno = "T";
  s.lunghezza = L;
  s.percorso.resize(static_cast<size_t>((L + 7000) / 50) + 1);
  const size_t metri = static_cast<size_t>(L) + 7001;
  s.geometria.x.assign(metri, {ETICHETTA_REALE, 0.0});
  s.geometria.y.resize(metri);
  for (size_t k = 0; k < metri; ++k) s.geometria.y[k] = {ETICHETTA_REALE, static_cast<double>(k)};
  return s;
}

TEST(Chilometri, ProgressiveDellaLineaIncorporata) {
  // The embedded line after ordering: from 1500 m the value -1900 rising, from 0 the
  // value 150400 falling. Its card gives km 150.200 where the train starts (200 m),
  // 2.100 at Castrea Sud (4000 m); its board "P.L. Km 4.743" stands in the cell of 6650 m.
  scenario_decodificato s = linea_dritta(39000);
  s.tabella[81] = voce{.inizio = 1500, .fine = -1900, .nome = {}};
  s.tabella[82] = voce{.inizio = 0, .fine = 150400, .posizione = 1, .nome = {}};
  const struct {
    int32_t p;
    const char* km;
  } casi[] = {{200, "150.200"}, {1450, "148.950"}, {1500, "-0.400"}, {4000, "2.100"}, {6650, "4.750"}};
  for (const auto& c : casi) EXPECT_EQ(testo_km(chilometro(s, c.p)), c.km) << c.p;
  // The reference's worked example: down from 150300 + 100 at the origin, and from
  // 14000 m up from -11900 at the origin, so that 14000 m is km 2.100.
  scenario_decodificato esempio = linea_dritta(30000);
  esempio.tabella[81] = voce{.inizio = 14000, .fine = -11900, .nome = {}};
  esempio.tabella[82] = voce{.inizio = 0, .fine = 150400, .posizione = 1, .nome = {}};
  const struct {
    int32_t p;
    const char* km;
  } esempi[] = {{13000, "137.400"}, {14000, "2.100"}, {20000, "8.100"}};
  for (const auto& c : esempi) EXPECT_EQ(testo_km(chilometro(esempio, c.p)), c.km) << c.p;
  // Without progressives the kilometres are the positions.
  EXPECT_EQ(testo_km(chilometro(linea_dritta(1000), 750)), "0.750");
  EXPECT_EQ(testo_km(-1900), "-1.900");
}

TEST(Orari, FormeDellaScheda) {
  // 70470 s = 19 h 34 min 30 s: the card writes the thirty seconds as "+".
  EXPECT_EQ(ora_scheda(70470), "19.34+");
  EXPECT_EQ(ora_scheda(68700), "19.05");
  // 35990 s = 9 h 59 min 50 s: still the hour 9, and past the half minute.
  EXPECT_EQ(ora_scheda(35990), "9.59+");
  EXPECT_EQ(ora_scheda(35999), "9.59+");
  EXPECT_EQ(ora_scheda(36000), "10.00");
  EXPECT_EQ(testo_ora(70470), "19:34:30");
}

TEST(Orari, ArrivoEPartenzaDelleStazioni) {
  // The files keep one time a station (the departure, the arrival at the last) and its
  // stop: the first station departs, a stop arrives its stop earlier, a station passed
  // with a time is passed then, one with no time has none.
  const voce v[] = {{.nome = {}, .sosta = 1, .orario = 36000}, {.nome = {}, .orario = 36300},
                    {.nome = {}, .sosta = 30, .orario = 36600}, {.nome = {}},
                    {.nome = {}, .orario = 37200}};
  std::vector<stazione> elenco;
  for (const voce& x : v) elenco.push_back({0, &x, -1});
  const std::optional<int32_t> no;
  const orario_stazione attesi[] = {{no, 36000}, {no, 36300}, {36570, 36600}, {no, no}, {37200, no}};
  for (size_t i = 0; i < elenco.size(); ++i) {
    EXPECT_EQ(orario_di(elenco, i).arrivo, attesi[i].arrivo) << i;
    EXPECT_EQ(orario_di(elenco, i).partenza, attesi[i].partenza) << i;
  }
}

TEST(Tratti, ProfiliPerCellaInCorse) {
  // Speeds fill from round(p / 50): cells 0-13 hold 55 km/h (11), from cell 14 (700 m) 100.
  scenario_decodificato s = linea_dritta(1000);
  for (size_t c = 0; c < s.percorso.size(); ++c) s.percorso[c].velocita = c < 14 ? 11 : 20;
  const auto t = tratti(s, &cella::velocita);
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].da, 0);
  EXPECT_EQ(t[0].a, 700);
  EXPECT_EQ(t[1].a, 1000);  // runs end at the line's end, not in the 7000 m beyond
  // A gradient of 4 per mille over 20 cells builds 4 m of height.
  for (size_t c = 0; c < 20; ++c) s.percorso[c].pendenza = 104;
  EXPECT_DOUBLE_EQ(quote(s)[20], 4.0);
}

TEST(Pianta, CentrataAncheQuandoTornaSottoLInizio) {
  // Up 1000 m along +y, a half turn of radius 500 to the right, then down along -y to
  // 5600 m: the line spans 1000 m across and about 3529 m from the top of the turn to
  // below its start. The longer side fills the square less its margins and the shorter
  // is centred; the same line laid on its side (x and y swapped) the other way round.
  const double giro = std::numbers::pi * 500;  // the half turn's length
  for (const bool di_lato : {false, true}) {
    SCOPED_TRACE(di_lato);
    scenario_decodificato s = linea_dritta(5600);
    for (size_t k = 0; k < s.geometria.x.size(); ++k) {
      const double m = static_cast<double>(k);
      double a = 0, b = m;  // across, along
      if (m > 1000 && m <= 1000 + giro) {
        a = 500 - 500 * std::cos((m - 1000) / 500);
        b = 1000 + 500 * std::sin((m - 1000) / 500);
      } else if (m > 1000 + giro) {
        a = 1000;
        b = 1000 - (m - 1000 - giro);
      }
      s.geometria.x[k].valore = di_lato ? b : a;
      s.geometria.y[k].valore = di_lato ? a : b;
    }
    double alto = 0;  // the top of the turn, as the metres reach it
    for (size_t k = 0; k <= 5600; ++k) alto = std::max(alto, di_lato ? s.geometria.x[k].valore : s.geometria.y[k].valore);
    const double basso = di_lato ? s.geometria.x[5600].valore : s.geometria.y[5600].valore;
    ASSERT_LT(basso, -2000);  // below the start
    const double lato = 1000, bordo = 40;
    const pianta p = pianta_in_quadrato(s, lato, bordo, 100000);
    std::array<double, 2> minimo{lato, lato}, massimo{0, 0};
    for (const auto& q : p.punti) {
      for (size_t i = 0; i < 2; ++i) {
        minimo[i] = std::min(minimo[i], q[i]);
        massimo[i] = std::max(massimo[i], q[i]);
      }
    }
    const double scala = (lato - 2 * bordo) / (alto - basso);
    EXPECT_NEAR(p.scala, scala, 1e-12);
    // Along: from margin to margin. Across: 1000 m, with equal room either side.
    const size_t lungo = di_lato ? 0 : 1, largo = 1 - lungo;
    EXPECT_NEAR(minimo[lungo], bordo, 1e-6);
    EXPECT_NEAR(massimo[lungo], lato - bordo, 1e-6);
    EXPECT_NEAR(minimo[largo], lato - massimo[largo], 1e-6);
    EXPECT_NEAR(massimo[largo] - minimo[largo], 1000 * scala, 1e-6);
    // The start (0, 0): `alto` below the top (y grows downwards in the square), or to
    // the left of the right-hand end of the line laid on its side.
    const double inizio = di_lato ? lato - bordo - alto * scala : bordo + alto * scala;
    EXPECT_NEAR(p.punti.front()[lungo], inizio, 1e-6);
  }
  // Thinned to every third metre, the line's last metre is still drawn.
  EXPECT_EQ(pianta_in_quadrato(linea_dritta(5600), 1000, 40, 1500).metri.back(), 5600);
}

TEST(Pagina, LineaDiUnMilioneDiMetriSottoCinqueMegabyte) {
  // The longest legal line with a busy profile: the speed changes every cell and a signal
  // stands every 500 m. The page draws runs and decimates the plan, so it stays small.
  scenario_decodificato s = linea_dritta(1000000);
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    s.percorso[c].velocita = static_cast<uint8_t>(10 + c % 2);
    s.percorso[c].pendenza = 100;
    if (c % 10 == 5) s.percorso[c].tipo = 1;
  }
  const std::string pagina = pagina_html(s);
  EXPECT_LT(pagina.size(), 5u * 1000 * 1000);
  EXPECT_EQ(pagina.rfind("</html>\n"), pagina.size() - 8);
}

}  // namespace
}  // namespace scenario::vista
