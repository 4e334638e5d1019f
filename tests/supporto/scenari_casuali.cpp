#include "tests/supporto/scenari_casuali.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/supporto/casuale.h"

namespace scenario::prova {

namespace {

std::string riga(const std::string& parola, const std::vector<int64_t>& valori, const std::string& testo = "",
                 bool con_testo = false) {
  std::string s = parola;
  for (int64_t v : valori) s += ", " + std::to_string(v);
  if (con_testo) s += ", " + testo;
  return s + "\r\n";
}

const char* const NOMI[] = {"CASTREA / KESTL", "Kestl S\xFC" "d", "Ponte d'Orvia", "Bivio per Tovena / Tuvel",
                            "Pr\xE0" " Alto", "", "Cima   Erba ", "Lago (bivio)"};
const char* const CARTELLI[] = {"(GALLERIA   )(VALMORA 1  )", "(P.L.     )(Km. 4.743)", "FINE GALLERIA",
                                "Stra\xDF" "e", "", "  "};

}  // namespace

coppia_casuale scenario_casuale(uint64_t seme) {
  casuale r(seme);
  const int64_t L = 50 * r.tra(40, 1200) + (r.moneta(4) ? r.tra(1, 49) : 0);
  const auto N = static_cast<int64_t>(std::nearbyint(static_cast<double>(L + 7000) / 50));
  const int64_t ultima_posizione = 50 * N - 100;
  const auto pos = [&](int64_t da, int64_t a) { return r.moneta(3) ? r.tra(da, a) : 50 * r.tra(da / 50 + 1, a / 50); };

  std::string l = "Linea casuale\r\n[generale]\r\n" + riga("lunghezza percorso", {L});
  const char* progressive[] = {"progressiva chilometrica uno", "progressiva chilometrica due",
                               "progressiva chilometrica tre"};
  for (const char* p : progressive) {
    if (r.moneta(3)) {
      l += riga(p, {0, 0, 0});
    } else {
      l += riga(p, {50 * r.tra(0, L / 50), 50 * r.tra(-2000, 4000), r.tra(0, 1)});
    }
  }
  l += riga("sfondo uno", {r.tra(0, 4)}) + riga("sfondo due", {r.tra(0, 4)}) + riga("sfondo tre", {r.tra(0, 4)});
  const int64_t rip = r.moneta(4) ? 0 : 50 * r.tra(1, L / 50);
  l += riga(r.moneta() ? "ripetizione segnali 4 codici" : "ripetizione segnali 9 codici", {50 * r.tra(0, 10), rip});

  l += "[curve]\r\n";
  int64_t cursore = 0;
  for (int64_t i = r.tra(0, 14); i > 0; --i) {
    const int64_t p = r.moneta(5) ? std::max<int64_t>(0, cursore - r.tra(0, 300)) : cursore + r.tra(1, L / 8 + 1);
    const int64_t lunghezza = r.tra(20, 700);
    if (p + lunghezza > L + 6000) break;
    l += riga(std::string("curva") + (r.moneta() ? "s" : "d") + std::to_string(r.tra(1, 6)), {p, lunghezza});
    cursore = std::max(cursore, p + lunghezza);
  }
  l += "[pendenze]\r\n";
  if (r.moneta()) l += riga("pendenza", {0, r.tra(-20, 20)});
  int64_t p = 0;
  for (int64_t i = r.tra(0, 10); i > 0; --i) {
    p += r.tra(1, L / 6 + 1);
    if (p > ultima_posizione) break;
    l += riga("pendenza", {p, r.tra(-35, 35)});
  }
  if (r.moneta(6)) l += riga("pendenza", {ultima_posizione, r.tra(-5, 5)});
  l += "[montagne]\r\n";
  p = r.tra(0, 3000);
  for (int64_t i = r.tra(0, 6); i > 0 && p < L; --i) {
    const int64_t fine = p + r.tra(100, 4000);
    l += riga("montagna", {p, fine, r.tra(0, 16)});
    p = fine + (r.moneta() ? r.tra(0, 150) : r.tra(151, 5000));
  }
  l += "[cartelli]\r\n";
  for (int64_t i = r.tra(0, 4); i > 0; --i) {
    l += riga("indicatori_vmax", {50 * r.tra(2, L / 50), 5 * r.tra(6, 30), 5 * r.tra(6, 30), 5 * r.tra(6, 30),
                                  r.tra(0, 2), r.tra(0, 160), r.tra(0, 160), r.tra(0, 160), r.tra(0, 2)});
  }
  l += "[indicazioni]\r\n";
  for (int64_t i = r.tra(0, 6); i > 0; --i) {
    l += riga("cartello_indicatore", {50 * r.tra(2, L / 50)}, CARTELLI[r.sotto(std::size(CARTELLI))], true);
  }
  l += "[fine]\r\n";

  std::string t = "Corsa casuale\r\n[generale]\r\n";
  t += riga("numero vetture", {r.tra(1, 12)}) + riga("percentuale massa frenata", {r.tra(50, 150)}) +
       riga("sabbia", {r.tra(0, 500)}) + riga("orologio", {r.tra(0, 23), r.tra(0, 59), r.tra(0, 59)});
  t += "[aderenze]\r\n";
  if (r.moneta()) t += riga("aderenza", {0, r.tra(60, 110)});
  p = 0;
  for (int64_t i = r.tra(0, 4); i > 0; --i) {
    p += r.tra(1, L / 3 + 1);
    if (p > ultima_posizione) break;
    t += riga("aderenza", {p, r.tra(40, 120)});
  }
  t += "[vel_limite]\r\n";
  if (r.moneta()) t += riga("velocita", {0, r.tra(20, 160)});
  p = 0;
  for (int64_t i = r.tra(0, 9); i > 0; --i) {
    p += r.tra(1, L / 5 + 1);
    if (p > ultima_posizione) break;
    t += riga("velocita", {p, r.tra(20, 160)});
  }
  std::vector<std::string> stazioni;
  const int64_t tipi[] = {5, 6, 7, 8, 11, 12, 24, 30};
  int64_t fine_prec = -100000;
  int64_t orario = 6 * 3600 + r.tra(0, 3600);
  for (int64_t i = r.tra(1, 6); i > 0; --i) {
    const int64_t tipo = tipi[r.sotto(8)];
    const int64_t lunghezza = 100 * r.tra(1, 9);
    const int64_t posizione = std::max<int64_t>(500, fine_prec + 350 + lunghezza + 50 * r.tra(1, 60));
    if (posizione + 800 > 50 * N) break;
    const int64_t terza = r.tra(0, 1);
    stazioni.push_back(riga("stazione", {posizione, tipo, lunghezza, r.tra(0, 2), r.tra(0, 1), terza, r.tra(0, 5), r.tra(0, 5),
                           r.tra(0, 1), r.tra(0, 9), r.tra(0, 9), r.tra(0, 9), r.tra(0, 60), orario / 3600,
                           orario % 3600 / 60, orario % 60},
              NOMI[r.sotto(std::size(NOMI))], true));
    orario += r.tra(60, 1200);
    fine_prec = posizione + lunghezza + 150 + 50;
  }
  std::vector<std::string> oggetti;
  for (int64_t i = r.tra(0, 3); i > 0; --i) {
    oggetti.push_back(riga("rallentamento", {pos(100, L), r.tra(20, 150), r.tra(0, 2500), r.tra(0, 3), r.tra(0, 1),
                                             r.moneta() ? 0 : r.tra(1, 5)}));
  }
  for (int64_t i = r.tra(0, L / 1500 + 1); i > 0; --i) {
    const int64_t tempi[] = {0, 0, 50, 120, 255};
    oggetti.push_back(riga("segnale", {pos(100, L + 2000), r.tra(0, 3), r.tra(0, 6), r.tra(0, 6), r.tra(0, 6),
                                       r.tra(0, 3), r.tra(0, 2), r.tra(0, 6), r.tra(0, 6), r.tra(0, 6),
                                       tempi[r.sotto(5)]}));
  }
  for (int64_t i = r.tra(0, 4); i > 0; --i) {
    const int64_t valori[] = {0, 60, 120, 180, 270};
    oggetti.push_back(riga("abbattimento", {pos(100, L), valori[r.sotto(5)]}));
  }
  // Now in the customary sections, now mixed, stations among signals: the order of the
  // objects is the author's, and the last written of two approach codes stays.
  if (r.moneta()) {
    t += "[stazioni]\r\n";
    for (const std::string& o : stazioni) t += o;
    std::stable_sort(oggetti.begin(), oggetti.end(), [](const std::string& a, const std::string& b) { return a[0] > b[0]; });
    t += "[rallentamenti]\r\n";
    for (const std::string& o : oggetti) t += o;
  } else {
    for (size_t i = oggetti.size(); i > 1; --i) std::swap(oggetti[i - 1], oggetti[static_cast<size_t>(r.sotto(static_cast<int64_t>(i)))]);
    t += "[segnali]\r\n";
    size_t k = 0;
    for (const std::string& o : oggetti) {
      while (k < stazioni.size() && r.moneta(3)) t += stazioni[k++];
      t += o;
    }
    while (k < stazioni.size()) t += stazioni[k++];
  }
  t += "[codici]\r\n[fine]\r\n";
  return {l, t};
}

coppia_casuale scenario_massimo() {
  const int64_t L = 1000000;
  std::string l = "[generale]\r\n" + riga("lunghezza percorso", {L}) +
                  riga("progressiva chilometrica uno", {0, 150300, 1}) + riga("progressiva chilometrica due", {0, 0, 0}) +
                  riga("progressiva chilometrica tre", {0, 0, 0}) + riga("sfondo uno", {0}) + riga("sfondo due", {0}) +
                  riga("sfondo tre", {1}) + riga("ripetizione segnali 4 codici", {0, 900000}) + "[curve]\r\n";
  for (int64_t c = 0; c < 500; ++c) {
    l += riga(std::string("curva") + (c % 2 == 0 ? "d" : "s") + std::to_string(1 + c % 6), {2000 * c + 100, 300});
  }
  l += "[pendenze]\r\n";
  for (int64_t g = 0; g < 200; ++g) l += riga("pendenza", {5000 * g, g % 25 - 12});
  l += "[indicazioni]\r\n";
  for (int64_t b = 0; b < 20; ++b) {
    l += riga("cartello_indicatore", {50000 * b + 250}, "(P.L.     )(Km " + std::to_string(50 * b) + ".250)", true);
  }
  l += "[fine]\r\n";
  std::string t = "[generale]\r\n" + riga("numero vetture", {6}) + riga("percentuale massa frenata", {110}) +
                  riga("sabbia", {300}) + riga("orologio", {6, 0, 0}) + "[aderenze]\r\n" + riga("aderenza", {0, 100}) +
                  "[vel_limite]\r\n";
  for (int64_t v = 0; v < 100; ++v) t += riga("velocita", {10000 * v, 80 + v % 5 * 10});
  t += "[stazioni]\r\n";
  for (int64_t i = 0; i < 58; ++i) {
    const int64_t m = 10 * i;
    t += riga("stazione", {17000 * i + 8000, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 30, 6 + m / 60, m % 60, 0},
              "Stazione " + std::to_string(i + 1) + " / Bahnhof " + std::to_string(i + 1), true);
  }
  t += "[segnali]\r\n";
  for (int64_t j = 0; j < L / 1000; ++j) t += riga("segnale", {1000 * j + 500, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0});
  t += "[fine]\r\n";
  return {l, t};
}

}  // namespace scenario::prova
