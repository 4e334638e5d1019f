#include "nucleo/marcia_tesa.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "tests/supporto/casuale.h"

namespace scenario {
namespace {

// The braking the Minden formula gives for 120 % of braked mass: a stop from 100 km/h
// takes s = 3.85 x 100^2 / (6.1 x (1 + 120 / 10)) m, and b = v^2 / 2s.
const double V100 = 100 / 3.6;
const double FRENATURA_120 = V100 * V100 / (2 * (3.85 * 100 * 100 / (6.1 * (1 + 120.0 / 10))));
const double A = ACCELERAZIONE_PREDEFINITA;

// Stop to stop over d metres at a steady limit v: up to v at a, v held, down at b.
double trapezio(double d, double v, double a, double b) { return d / v + v / (2 * a) + v / (2 * b); }

// A straight, level line with one limit, and its train: cells as a compiled set holds them.
struct linea_prova {
  std::vector<cella> percorso;
  std::array<voce, VOCI_TABELLA> tabella{};
  size_t stazioni = 0;

  linea_prova(int32_t metri, int kmh) : percorso(static_cast<size_t>((metri + 7000) / 50 + 1)) {
    for (cella& c : percorso) {
      c.velocita = static_cast<uint8_t>(kmh / 5);
      c.pendenza = 100;
    }
    treno(0, 120);
  }
  // The profile cells from metre `da` to `a`.
  void limite(int32_t da, int32_t a, int kmh) {
    for (int32_t c = da / 50; c < a / 50; ++c) percorso[static_cast<size_t>(c)].velocita = static_cast<uint8_t>(kmh / 5);
  }
  void pendenza(int32_t da, int32_t a, int per_mille) {
    for (int32_t c = da / 50; c < a / 50; ++c) percorso[static_cast<size_t>(c)].pendenza = static_cast<uint8_t>(per_mille + 100);
  }
  void treno(int32_t vetture, int32_t massa) {
    tabella[voce_tabella::dati_treno].posizione = vetture;
    tabella[voce_tabella::dati_treno].inizio = massa;
  }
  // A station whose stop point is at `punto`: its stop cell is punto / 50 + 1.
  void stazione(int32_t punto, uint8_t sosta, int32_t orario) {
    voce& v = tabella[++stazioni];
    v.tipo = 12;
    v.posizione = punto;
    v.nome = "S" + std::to_string(stazioni);
    v.sosta = sosta;
    v.orario = orario;
    cella& c = percorso[static_cast<size_t>(punto / 50 + 1)];
    c.tipo = tipo_cella::fermata;
    c.dato1 = static_cast<int16_t>(stazioni);
  }
  marcia_tesa marcia(const scelte_marcia& s = {}) const { return calcola_marcia_tesa(percorso, tabella, s, true); }
};

TEST(MarciaTesa, LimiteCostanteInPiano) {
  // 5000 m from stop to stop under 100 km/h, 4 vehicles, 120 %: the length changes nothing
  // under a limit that does not change, not even where the train's tail stands before the
  // line's origin (the first cell's limit holds there).
  linea_prova l(10000, 100);
  l.treno(4, 120);
  l.stazione(0, 0, 36000);
  l.stazione(5000, 0, 36600);
  const marcia_tesa m = l.marcia();
  EXPECT_NEAR(m.ipotesi.frenatura, FRENATURA_120, 1e-12);
  EXPECT_DOUBLE_EQ(m.ipotesi.lunghezza_treno, 4 * 26.4);
  ASSERT_EQ(m.tratte.size(), 1u);
  EXPECT_EQ(m.tratte[0].concesso(), 600);
  EXPECT_NEAR(m.tratte[0].minimo, trapezio(5000, V100, A, FRENATURA_120), 1e-9);
  EXPECT_NEAR(m.tratte[0].minimo_senza_ipotesi, 5000 / V100, 1e-9);
  EXPECT_FALSE(m.tratte[0].blocco.has_value());
  // The run starts and ends at rest, and its last point is the leg's time; no points
  // unless asked for.
  EXPECT_TRUE(calcola_marcia_tesa(l.percorso, l.tabella, {}).punti.empty());
  EXPECT_EQ(m.punti.front().velocita, 0);
  EXPECT_EQ(m.punti.back().velocita, 0);
  EXPECT_NEAR(m.punti.back().tempo, m.tratte[0].minimo, 1e-9);
}

TEST(MarciaTesa, AccelerazioneEFrenaturaDate) {
  // From stop to stop under 100 km/h with the author's a and b: where v^2 / 2a + v^2 / 2b
  // is more than the distance the train never reaches the limit, and up at a meets down
  // at b where v^2 = 2 a b d / (a + b), reached in v / a and left in v / b.
  const struct {
    double d, a, b;
  } casi[] = {{400, 0.5, 0.5}, {400, 1.0, 0.3}, {5000, 1.0, 1.0}, {1500, 0.25, 2.0}};
  for (const auto& c : casi) {
    SCOPED_TRACE(c.d);
    linea_prova l(10000, 100);
    l.stazione(1000, 0, 36000);
    l.stazione(static_cast<int32_t>(1000 + c.d), 0, 36600);
    const marcia_tesa m = l.marcia({.accelerazione = c.a, .frenatura = c.b});
    ASSERT_EQ(m.tratte.size(), 1u);
    const double cima = std::sqrt(2 * c.a * c.b * c.d / (c.a + c.b));
    const double atteso = cima < V100 ? cima / c.a + cima / c.b : trapezio(c.d, V100, c.a, c.b);
    EXPECT_NEAR(m.tratte[0].minimo, atteso, 1e-9);
  }
}

TEST(MarciaTesa, FraDueFermateVicineConUnaSalitaInMezzo) {
  // Stops at 1000 m and 1400 m, level for 100 m and then 10 per mille up: the train starts
  // at a = 0.5 m/s^2 and has v^2 = 2 a 100 = 100 at 1100 m; from there it speeds up at
  // a' = a - 9.81 x 0.01 until it must brake at b' = b + 9.81 x 0.01 for the stop, where
  // 100 + 2 a' s = 2 b' (300 - s), well under 100 km/h. v^2 runs straight in each part, so
  // each takes 2 d / (v0 + v1).
  linea_prova l(10000, 100);
  l.pendenza(1100, 17000, 10);
  l.stazione(1000, 0, 36000);
  l.stazione(1400, 0, 36600);
  const marcia_tesa m = l.marcia();
  ASSERT_EQ(m.tratte.size(), 1u);
  const double a = A - 0.0981, b = FRENATURA_120 + 0.0981;
  const double s = (2 * b * 300 - 100) / (2 * (a + b)), cima = std::sqrt(100 + 2 * a * s);
  EXPECT_NEAR(m.tratte[0].minimo, 2 * 100 / 10.0 + 2 * s / (10 + cima) + 2 * (300 - s) / cima, 1e-9);
}

TEST(MarciaTesa, UnaDiscesaDelLimiteFrenaDoveLaFormulaDice) {
  // 100 km/h, then 60 from 4000 m: the braking curve back from the drop meets 100 km/h
  // at 4000 - (v1^2 - v2^2) / 2b.
  linea_prova l(12000, 100);
  l.limite(4000, 12000, 60);
  l.stazione(500, 0, 0);
  l.stazione(9000, 0, 0);
  const marcia_tesa m = l.marcia();
  const double v1 = V100, v2 = 60 / 3.6, b = FRENATURA_120;
  const double frena_da = 4000 - (v1 * v1 - v2 * v2) / (2 * b);
  double ultimo_a_v1 = 0;
  for (const punto_marcia& p : m.punti) {
    if (p.metro < 4000 && p.velocita >= v1 - 1e-9) ultimo_a_v1 = p.metro;
    if (std::fabs(p.metro - 4000) < 1e-9) {
      EXPECT_NEAR(p.velocita, v2, 1e-9);
    }
  }
  EXPECT_NEAR(ultimo_a_v1, frena_da, 1e-6);
  const double tempo = v1 / A + (frena_da - 500 - v1 * v1 / (2 * A)) / v1 + (v1 - v2) / b +
                       (9000 - 4000 - v2 * v2 / (2 * b)) / v2 + v2 / b;
  // No station has a time: no leg; the run's own clock says it.
  EXPECT_TRUE(m.tratte.empty());
  EXPECT_NEAR(m.punti.back().tempo, tempo, 1e-9);
}

TEST(MarciaTesa, UnaSalitaDelLimiteAttendeLaCoda) {
  // 40 km/h up to 3000 m, 100 after it: the train speeds up once its tail has passed
  // 3000 m, its length (vehicles x 26.4 m) after its head.
  const struct {
    int32_t vetture;
    double accelera_da;
  } casi[] = {{0, 3000}, {4, 3105.6}, {10, 3264}};
  for (const auto& c : casi) {
    SCOPED_TRACE(c.vetture);
    linea_prova l(12000, 100);
    l.limite(0, 3000, 40);
    l.treno(c.vetture, 120);
    l.stazione(500, 0, 0);
    l.stazione(9000, 0, 0);
    double ultimo_lento = 0;
    for (const punto_marcia& p : l.marcia().punti) {
      if (p.metro > 1000 && p.metro < 6000 && p.velocita <= 40 / 3.6 + 1e-9) ultimo_lento = p.metro;
    }
    EXPECT_NEAR(ultimo_lento, c.accelera_da, 1e-6);
  }
}

TEST(MarciaTesa, UnaFermataAspettaLaSuaSosta) {
  // Three stations, 100 km/h: the middle one stops 30 s. Without a time of its own the
  // wait is in the leg; with one, the leg ends at its arrival (its time less the wait)
  // and the next leg starts at its time.
  for (const bool con_orario : {false, true}) {
    SCOPED_TRACE(con_orario);
    linea_prova l(10000, 100);
    l.stazione(1000, 0, 36000);
    l.stazione(4000, 30, con_orario ? 36300 : 0);
    l.stazione(8000, 0, 36600);
    const marcia_tesa m = l.marcia();
    const double t1 = trapezio(3000, V100, A, FRENATURA_120), t2 = trapezio(4000, V100, A, FRENATURA_120);
    if (!con_orario) {
      ASSERT_EQ(m.tratte.size(), 1u);
      EXPECT_NEAR(m.tratte[0].minimo, t1 + 30 + t2, 1e-9);
      EXPECT_NEAR(m.tratte[0].minimo_senza_ipotesi, 7000 / V100 + 30, 1e-9);
      EXPECT_EQ(m.tratte[0].concesso(), 600);
      continue;
    }
    ASSERT_EQ(m.tratte.size(), 2u);
    EXPECT_NEAR(m.tratte[0].minimo, t1, 1e-9);
    EXPECT_EQ(m.tratte[0].concesso(), 300 - 30);
    EXPECT_NEAR(m.tratte[1].minimo, t2, 1e-9);
    EXPECT_EQ(m.tratte[1].concesso(), 300);
    EXPECT_EQ(m.tratte[1].da, 1u);
  }
}

TEST(MarciaTesa, LaPendenzaTogliePesoAllAccelerazioneEloDaAllaFrenata) {
  // A constant gradient of i per mille: the train accelerates at a - g i / 1000 and brakes
  // at b + g i / 1000.
  for (const int i : {10, -10, 30}) {
    SCOPED_TRACE(i);
    linea_prova l(10000, 100);
    l.pendenza(0, 17000, i);
    l.stazione(1000, 0, 36000);
    l.stazione(6000, 0, 36600);
    const marcia_tesa m = l.marcia();
    ASSERT_EQ(m.tratte.size(), 1u);
    const double g = 9.81 * i / 1000;
    EXPECT_NEAR(m.tratte[0].minimo, trapezio(5000, V100, A - g, FRENATURA_120 + g), 1e-9);
    EXPECT_NEAR(m.tratte[0].minimo_senza_ipotesi, 5000 / V100, 1e-9);
  }
}

TEST(MarciaTesa, DoveIlTrenoNonPassa) {
  // 60 per mille is more than the assumed train can climb (0.5 < 9.81 x 0.06): from 100
  // km/h at 2000 m it comes to rest after v^2 / 2 (g i - a); the limits alone still pass.
  {
    linea_prova l(12000, 100);
    l.pendenza(2000, 9000, 60);
    l.stazione(1000, 0, 36000);
    l.stazione(9000, 0, 37000);
    const marcia_tesa m = l.marcia();
    ASSERT_EQ(m.tratte.size(), 1u);
    EXPECT_TRUE(std::isinf(m.tratte[0].minimo));
    ASSERT_TRUE(m.tratte[0].blocco.has_value());
    EXPECT_NEAR(*m.tratte[0].blocco, 2000 + V100 * V100 / (2 * (9.81 * 0.06 - A)), 1e-6);
    EXPECT_NEAR(m.tratte[0].minimo_senza_ipotesi, 8000 / V100, 1e-9);
    // Given a stronger train, it climbs.
    EXPECT_TRUE(std::isfinite(l.marcia({.accelerazione = 0.7, .frenatura = std::nullopt}).tratte[0].minimo));
  }
  {
    // 100 per mille down into a limit of 20 km/h: braking at 0.79 m/s^2 the train still
    // gains 9.81 x 0.1 - 0.79 m/s^2 there, so it cannot reach the limit slow enough from
    // anywhere on the descent; the limits alone pass.
    linea_prova l(12000, 100);
    l.pendenza(5000, 5500, -100);
    l.limite(5500, 12000, 20);
    l.stazione(1000, 0, 36000);
    l.stazione(9000, 0, 37000);
    const marcia_tesa m = l.marcia();
    ASSERT_EQ(m.tratte.size(), 1u);
    EXPECT_TRUE(std::isinf(m.tratte[0].minimo));
    EXPECT_EQ(m.tratte[0].blocco, 5000);
    EXPECT_TRUE(std::isfinite(m.tratte[0].minimo_senza_ipotesi));
  }
  {
    // A limit of 0 km/h on one cell stops both; the next leg is its own.
    linea_prova l(12000, 100);
    l.limite(3000, 3050, 0);
    l.stazione(1000, 0, 36000);
    l.stazione(5000, 20, 37000);
    l.stazione(9000, 0, 38000);
    const marcia_tesa m = l.marcia();
    ASSERT_EQ(m.tratte.size(), 2u);
    EXPECT_TRUE(std::isinf(m.tratte[0].minimo_senza_ipotesi));
    EXPECT_EQ(m.tratte[0].blocco_senza_ipotesi, 3000);
    EXPECT_TRUE(std::isinf(m.tratte[0].minimo));
    EXPECT_NEAR(m.tratte[1].minimo, trapezio(4000, V100, A, FRENATURA_120), 1e-9);
  }
}

TEST(MarciaTesa, OltreLUltimaCellaValeLUltimoLimite) {
  // A set read from files may put a station past the track: there the last cell's limit
  // holds. The track of a 2000 m line ends with cell 180, 9000 to 9050 m, here at 60 km/h;
  // a station without a stop cell at 10000 m.
  linea_prova l(2000, 100);
  l.percorso.back().velocita = 60 / 5;
  l.stazione(1000, 0, 36000);
  voce& oltre = l.tabella[2];
  oltre.tipo = 30;
  oltre.posizione = 10000;
  oltre.nome = "Oltre";
  oltre.orario = 37000;
  const marcia_tesa m = l.marcia();
  ASSERT_EQ(m.tratte.size(), 1u);
  EXPECT_NEAR(m.tratte[0].minimo_senza_ipotesi, 8000 / V100 + 1000 / (60 / 3.6), 1e-9);
}

TEST(MarciaTesa, DueStazioniAUnMetro) {
  // Files may hold stations without a stop cell 1 m apart: up at a and down at b meet at
  // v^2 = 2 a b / (a + b) over that metre.
  linea_prova l(2000, 100);
  for (const int32_t p : {1000, 1001}) {
    voce& v = l.tabella[++l.stazioni];
    v.tipo = 30;
    v.posizione = p;
    v.nome = "S";
    v.orario = 36000 + p;
  }
  const marcia_tesa m = l.marcia();
  ASSERT_EQ(m.tratte.size(), 1u);
  const double cima = std::sqrt(2 * A * FRENATURA_120 / (A + FRENATURA_120));
  EXPECT_NEAR(m.tratte[0].minimo, cima / A + cima / FRENATURA_120, 1e-9);
}

TEST(MarciaTesa, LeIpotesiDetteDallAutoreEQuellePredefinite) {
  std::array<voce, VOCI_TABELLA> t{};
  t[voce_tabella::dati_treno].inizio = 120;
  t[voce_tabella::dati_treno].posizione = 4;
  const ipotesi_marcia p = ipotesi_di(t, {});
  EXPECT_EQ(p.accelerazione, 0.5);
  EXPECT_NEAR(p.frenatura, FRENATURA_120, 1e-12);
  EXPECT_FALSE(p.accelerazione_data || p.frenatura_data);
  const ipotesi_marcia d = ipotesi_di(t, {.accelerazione = 0.8, .frenatura = 0.6});
  EXPECT_EQ(d.accelerazione, 0.8);
  EXPECT_EQ(d.frenatura, 0.6);
  EXPECT_TRUE(d.accelerazione_data && d.frenatura_data);
  // A braked mass below 0 brakes as 0 does; vehicles below 0 make no length.
  t[voce_tabella::dati_treno].inizio = -40;
  t[voce_tabella::dati_treno].posizione = -3;
  const ipotesi_marcia n = ipotesi_di(t, {});
  EXPECT_NEAR(n.frenatura, 6.1 / (2 * 3.6 * 3.6 * 3.85), 1e-12);
  EXPECT_EQ(n.lunghezza_treno, 0);
}

TEST(MarciaTesa, OrariOltreLaMezzanotte) {
  const int64_t G = 86400;
  const struct {
    std::vector<int32_t> orari;
    std::vector<std::optional<int64_t>> continui;
  } casi[] = {
      // 0 is no time, and the next is held against the last that had one.
      {{68700, 0, 69180}, {68700, std::nullopt, 69180}},
      // 23:50 then 0:10: midnight passed.
      {{85800, 600}, {85800, G + 600}},
      // 24:30 as written, then 0:50: the drop is more than 12 h.
      {{85800, 88200, 3000}, {85800, 88200, G + 3000}},
      // Back by 12 h exactly, or less: the same day (the reading warns of it).
      {{50000, 6800}, {50000, 6800}},
      {{50000, 6799}, {50000, G + 6799}},
      // Two midnights.
      {{80000, 20000, 70000, 10000}, {80000, G + 20000, G + 70000, 2 * G + 10000}},
  };
  for (const auto& c : casi) EXPECT_EQ(orari_continui(c.orari), c.continui);
}

TEST(MarciaTesa, SecondiNecessari) {
  EXPECT_EQ(secondi_necessari(120.0), 120);
  EXPECT_EQ(secondi_necessari(120.0 + 1e-9), 120);  // what sums leave over a whole second
  EXPECT_EQ(secondi_necessari(120.3), 121);
  EXPECT_EQ(secondi_necessari(std::numeric_limits<double>::infinity()), std::nullopt);
}

// ---- Property: drawn as loosely as compiled files can hold it -----------------------------

struct linea_casuale {
  linea_prova l{0, 0};
  std::vector<double> testa;  // each profile cell's limit at the head, m/s
};

linea_casuale disegna(uint64_t seme) {
  prova::casuale r(seme);
  const int32_t metri = static_cast<int32_t>(r.tra(1, 60)) * 500;
  linea_casuale x{linea_prova(metri, 0), {}};
  linea_prova& l = x.l;
  const size_t n = l.percorso.size();
  for (size_t c = 0; c < n;) {
    const size_t fino = std::min(n, c + static_cast<size_t>(r.tra(1, 80)));
    const auto v = static_cast<uint8_t>(r.moneta(25) ? 0 : r.tra(1, 255));
    const auto g = static_cast<uint8_t>(r.moneta(3) ? 100 : r.tra(0, 255));
    for (; c < fino; ++c) {
      l.percorso[c].velocita = v;
      l.percorso[c].pendenza = g;
    }
  }
  x.testa.resize(n);
  for (size_t c = 0; c < n; ++c) x.testa[c] = l.percorso[c].velocita * 5 / 3.6;
  // Slow-downs in order, one without an end now and then, at speeds an int16 holds.
  for (size_t s = static_cast<size_t>(r.tra(1, 40)); s + 2 < n; s += static_cast<size_t>(r.tra(3, 200))) {
    const size_t e = std::min(n - 1, s + static_cast<size_t>(r.tra(1, 60)));
    const auto v = static_cast<int16_t>(r.tra(-50, 300));
    l.percorso[s].tipo = tipo_cella::inizio_rallentamento;
    l.percorso[s].dato1 = v;
    const bool fine = !r.moneta(5);
    if (fine) {
      l.percorso[e].tipo = tipo_cella::fine_rallentamento;
      l.percorso[e].dato1 = v;
    }
    const size_t a = fine ? std::max(e - 1, s) : s;
    for (size_t c = s - 1; c < a; ++c) x.testa[c] = std::min(x.testa[c], std::max<int16_t>(v, 0) / 3.6);
    s = e;
  }
  // Stations anywhere, out of order too, with and without a stop cell.
  const int stazioni = static_cast<int>(r.tra(0, 12));
  for (int k = 1; k <= stazioni; ++k) {
    voce& v = l.tabella[static_cast<size_t>(k)];
    v.tipo = static_cast<uint8_t>(r.tra(0, 40));
    v.posizione = static_cast<int32_t>(r.tra(-500, metri + 500));
    v.nome = "S";
    v.sosta = static_cast<uint8_t>(r.tra(0, 255));
    v.orario = r.moneta(3) ? 0 : static_cast<int32_t>(r.tra(0, 100000));
    const size_t c = static_cast<size_t>(r.tra(2, static_cast<int64_t>(n) - 1));
    if (r.moneta(4) && l.percorso[c].tipo == 0) {
      l.percorso[c].tipo = tipo_cella::fermata;
      l.percorso[c].dato1 = static_cast<int16_t>(k);
    }
  }
  l.treno(static_cast<int32_t>(r.tra(-3, 300)), static_cast<int32_t>(r.tra(-20, 400)));
  return x;
}

// The least limit at the head between the tail and the head of a train of `lunghezza` m
// with its head at x.
double limite_del_treno(const linea_casuale& x, double metro, double lunghezza) {
  const double ultima = static_cast<double>(x.testa.size() - 1);
  double v = INFINITY;
  for (double c = std::clamp(std::floor((metro - lunghezza) / 50), 0.0, ultima); c <= ultima; ++c) {
    if (c * 50 > metro && c > 0) break;
    v = std::min(v, x.testa[static_cast<size_t>(c)]);
  }
  return v;
}

TEST(MarciaTesa, MaiOltreIlProfiloNePiuSvelteDelLimite) {
  for (uint64_t seme = 1; seme <= 300; ++seme) {
    SCOPED_TRACE(seme);
    const linea_casuale x = disegna(seme);
    prova::casuale r(seme * 7919);
    scelte_marcia s;
    if (r.moneta()) s.accelerazione = static_cast<double>(r.tra(5, 300)) / 100;
    if (r.moneta()) s.frenatura = static_cast<double>(r.tra(5, 300)) / 100;
    const marcia_tesa m = x.l.marcia(s);
    // The run never exceeds the limit of the whole train, at any point drawn.
    for (const punto_marcia& p : m.punti) {
      const double v = limite_del_treno(x, p.metro, m.ipotesi.lunghezza_treno);
      ASSERT_LE(p.velocita, v * (1 + 1e-9) + 1e-9) << p.metro;
    }
    // Forward along the line; in a leg, time only grows.
    for (size_t i = 1; i < m.punti.size(); ++i) {
      ASSERT_GE(m.punti[i].metro, m.punti[i - 1].metro);
      if (m.punti[i].tempo < m.punti[i - 1].tempo) {
        ASSERT_EQ(m.punti[i].tempo, 0);
      }
    }
    // No leg is quicker than its limits alone allow.
    for (const tratta_marcia& t : m.tratte) {
      ASSERT_GE(t.minimo, t.minimo_senza_ipotesi - 1e-9);
      if (std::isinf(t.minimo_senza_ipotesi)) {
        ASSERT_TRUE(std::isinf(t.minimo));
      }
    }
    // A train of no length that changes speed almost at once runs as the bound does.
    linea_prova corto = x.l;
    corto.treno(0, 120);
    const marcia_tesa subito = corto.marcia({.accelerazione = 1e7, .frenatura = 1e7});
    ASSERT_EQ(subito.tratte.size(), m.tratte.size());
    for (const tratta_marcia& t : subito.tratte) {
      if (std::isinf(t.minimo_senza_ipotesi)) continue;
      ASSERT_NEAR(t.minimo, t.minimo_senza_ipotesi, 1e-3 + 1e-6 * t.minimo_senza_ipotesi);
    }
  }
}

}  // namespace
}  // namespace scenario
