#include "nucleo/marcia_tesa.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <limits>

#include "model/formato.h"

namespace scenario {

namespace {

constexpr double INFINITO = std::numeric_limits<double>::infinity();
constexpr double METRI_CELLA = 50;
// Two places closer than this are one: the train's length is a tenth of a metre's multiple
// and every other place a whole metre.
constexpr double TOLLERANZA = 1e-6;
constexpr double PASSO_PUNTI = 25;  // m between the points drawn where the speed changes
constexpr int64_t DODICI_ORE = 12 * 3600;
constexpr int64_t GIORNO = 24 * 3600;

// A stretch of the line over which a limit stays the same, m/s.
struct pezzo {
  double da = 0, a = 0;
  double v = 0;
};

// The stretch from `da` to `a` of value `v` after those in `r`: the last one made longer
// when it has the same value.
void accoda(std::vector<pezzo>& r, double da, double a, double v) {
  if (!r.empty() && r.back().v == v) {
    r.back().a = a;
  } else {
    r.push_back({da, a, v});
  }
}

// The profile cell of a place, within the track: the cells before the first and past the
// last stand for the line beyond its ends.
size_t cella_di(const std::vector<cella>& percorso, double x) {
  if (!(x >= METRI_CELLA)) return 0;
  const double c = std::floor(x / METRI_CELLA);
  const double ultima = static_cast<double>(percorso.size() - 1);
  return static_cast<size_t>(std::min(c, ultima));
}

// Each profile cell's limit at the head of the train, m/s: the speed limit, and the
// slow-downs, from their start cell's metre to their end cell's (one cell at least).
std::vector<double> limiti_testa(const std::vector<cella>& percorso) {
  std::vector<double> v(percorso.size());
  for (size_t c = 0; c < percorso.size(); ++c) v[c] = percorso[c].velocita * 5 / 3.6;
  for (size_t s = 0; s < percorso.size(); ++s) {
    if (percorso[s].tipo != tipo_cella::inizio_rallentamento) continue;
    size_t e = s;
    for (size_t j = s + 1; j < percorso.size(); ++j) {
      if (percorso[j].tipo == tipo_cella::inizio_rallentamento) break;
      if (percorso[j].tipo == tipo_cella::fine_rallentamento) {
        e = j;
        break;
      }
    }
    // An object of cell c stands at (c - 1) x 50 m: profile cells s - 1 to e - 2.
    const double lento = std::max<int16_t>(percorso[s].dato1, 0) / 3.6;
    const size_t da = s == 0 ? 0 : s - 1;
    const size_t a = std::max(e == 0 ? 0 : e - 1, da + 1);
    for (size_t c = da; c < a && c < v.size(); ++c) v[c] = std::min(v[c], lento);
  }
  return v;
}

// A per-cell value as stretches from `da` to `a`, the same value of cells next to each
// other joined: a cell's value holds over its 50 m, the first cell's before the line, the
// last's beyond the track. The cell of x ends after x, so every step goes forward.
template <class valore_cella>
std::vector<pezzo> pezzi(const std::vector<cella>& percorso, double da, double a, valore_cella valore) {
  std::vector<pezzo> r;
  for (double x = da; x < a;) {
    const size_t c = cella_di(percorso, x);
    const double fine = c + 1 == percorso.size() ? a : std::min((static_cast<double>(c) + 1) * METRI_CELLA, a);
    const double v = valore(c);
    accoda(r, x, fine, v);
    x = fine;
  }
  return r;
}

// The limit the whole train keeps with its head at x, from `da` to `a`: the least of the
// stretches between its tail, `lunghezza` metres back, and its head. A stretch holds for
// the heads from its start until its end plus the train's length.
std::vector<pezzo> pezzi_treno(const std::vector<pezzo>& testa, double lunghezza, double da, double a) {
  std::vector<pezzo> r;
  std::deque<size_t> minimi;  // the stretches that may still be the least, values rising
  size_t entrati = 0, usciti = 0;
  for (double x = da; x < a;) {
    while (entrati < testa.size() && testa[entrati].da <= x + TOLLERANZA) {
      while (!minimi.empty() && testa[minimi.back()].v >= testa[entrati].v) minimi.pop_back();
      minimi.push_back(entrati++);
    }
    while (usciti < entrati && testa[usciti].a + lunghezza <= x + TOLLERANZA) ++usciti;
    while (!minimi.empty() && minimi.front() < usciti) minimi.pop_front();
    double fine = a;
    if (entrati < testa.size()) fine = std::min(fine, testa[entrati].da);
    if (usciti < testa.size()) fine = std::min(fine, testa[usciti].a + lunghezza);
    if (!(fine > x)) fine = a;
    const double v = minimi.empty() ? 0.0 : testa[minimi.front()].v;
    accoda(r, x, fine, v);
    x = fine;
  }
  return r;
}

// A stretch of the run over which limit, gradient and the train's means stay the same.
struct segmento {
  double da = 0, a = 0;
  double v2 = 0;        // the train's limit squared, m^2/s^2
  double testa = 0;     // the limit at the head, m/s, for the bound without assumptions
  double accelerazione = 0, frenatura = 0;  // m/s^2, the gradient counted
  int fermata = -1;     // the station whose point ends it, or -1
};

// How the speed runs over a segment of length d: v^2 = the least of the limit squared,
// F(s) = f0 + 2 a s (from its start) and B(s) = g1 + 2 b (d - s) (back from its end), never
// below 0. Between two places where two of them cross, or one of them meets 0, v^2 is
// linear in the distance, so the time is 2 ds / (v_l + v_r) exactly.
struct moto_segmento {
  double d, v2, f0, a, g1, b;
  double accelera(double s) const { return f0 + 2 * a * s; }
  double frena(double s) const { return g1 + 2 * b * (d - s); }
  // A speed squared below a millimetre a second is the train at rest: what is left of
  // a curve that meets 0 after the sums.
  double quadrato(double s) const {
    const double e = std::min({v2, accelera(s), frena(s)});
    return e < 1e-6 ? 0.0 : e;
  }
  // The places where v^2 may change its slope: where two of the three cross, or a curve
  // meets 0, unless the third is plainly lower there (v^2 runs straight through). At most
  // five between the two ends, kept in order.
  struct elenco_nodi {
    std::array<double, 7> s{};
    size_t n = 0;
  };
  elenco_nodi nodi() const {
    elenco_nodi r;
    r.s[r.n++] = 0.0;
    auto aggiungi = [&](double x, double valore, double terzo) {
      if (!std::isfinite(x) || x <= 0 || x >= d) return;
      if (terzo >= valore - 1e-6 * (1 + std::fabs(valore))) r.s[r.n++] = x;
    };
    if (a != 0) {
      const double x = (v2 - f0) / (2 * a), zero = -f0 / (2 * a);
      aggiungi(x, v2, frena(x));
      aggiungi(zero, 0, std::min(v2, frena(zero)));
    }
    if (b != 0) {
      const double x = d - (v2 - g1) / (2 * b), zero = d + g1 / (2 * b);
      aggiungi(x, v2, accelera(x));
      aggiungi(zero, 0, std::min(v2, accelera(zero)));
    }
    if (a + b != 0) {
      const double x = (g1 + 2 * b * d - f0) / (2 * (a + b));
      aggiungi(x, accelera(x), v2);
    }
    for (size_t i = 2; i < r.n; ++i) {
      for (size_t j = i; j > 1 && r.s[j - 1] > r.s[j]; --j) std::swap(r.s[j - 1], r.s[j]);
    }
    r.s[r.n++] = d;
    return r;
  }
};

std::vector<fermata_marcia> fermate_di(const std::vector<cella>& percorso, const std::array<voce, VOCI_TABELLA>& tabella) {
  std::array<bool, VOCI_TABELLA> cartello{};
  std::array<int64_t, VOCI_TABELLA> punto_fermata{};
  punto_fermata.fill(-1);
  for (size_t c = 0; c < percorso.size(); ++c) {
    const cella& x = percorso[c];
    if (x.dato1 <= 0 || x.dato1 >= VOCI_TABELLA) continue;
    const auto i = static_cast<size_t>(x.dato1);
    if (x.tipo == tipo_cella::cartello) cartello[i] = true;
    if (x.tipo == tipo_cella::fermata && punto_fermata[i] < 0) punto_fermata[i] = static_cast<int64_t>(c);
  }
  std::vector<fermata_marcia> tutte;
  std::vector<int32_t> orari;
  for (size_t i = 1; i <= voce_tabella::ultimo_cartello; ++i) {
    const voce& v = tabella[i];
    if (v == voce{} || cartello[i]) break;
    fermata_marcia f;
    f.voce = static_cast<int>(i);
    // An object of cell c stands at (c - 1) x 50 m.
    f.punto = punto_fermata[i] >= 0 ? static_cast<int32_t>((punto_fermata[i] - 1) * 50) : v.posizione;
    f.sosta = v.sosta;
    tutte.push_back(f);
    orari.push_back(v.orario);
  }
  const auto continui = orari_continui(orari);
  std::vector<fermata_marcia> r;
  for (size_t k = 0; k < tutte.size(); ++k) {
    if (!r.empty() && tutte[k].punto <= r.back().punto) continue;
    tutte[k].orario = continui[k];
    r.push_back(tutte[k]);
  }
  for (size_t k = 0; k < r.size(); ++k) {
    const bool estremo = k == 0 || k + 1 == r.size();
    r[k].ferma = estremo || r[k].sosta > 0;
    if (estremo) r[k].sosta = 0;
  }
  return r;
}

// The segments from the first station's point to the last's: cut where the train's limit,
// the limit at its head or the gradient changes, and at every station.
std::vector<segmento> segmenti_di(const std::vector<cella>& percorso, const std::vector<fermata_marcia>& fermate,
                                  const ipotesi_marcia& ip) {
  const double da = fermate.front().punto, a = fermate.back().punto;
  const std::vector<double> limiti = limiti_testa(percorso);
  const std::vector<pezzo> testa = pezzi(percorso, da - ip.lunghezza_treno, a, [&](size_t c) { return limiti[c]; });
  const std::vector<pezzo> treno = pezzi_treno(testa, ip.lunghezza_treno, da, a);
  const std::vector<pezzo> pendenze =
      pezzi(percorso, da, a, [&](size_t c) { return static_cast<double>(formato::pendenza_da_cella(percorso[c].pendenza)); });
  std::vector<segmento> r;
  r.reserve(treno.size() + testa.size() + pendenze.size() + fermate.size());
  size_t t = 0, h = 0, g = 0, f = 1;
  for (double x = da; x < a - TOLLERANZA;) {
    while (t + 1 < treno.size() && treno[t].a <= x + TOLLERANZA) ++t;
    while (h + 1 < testa.size() && testa[h].a <= x + TOLLERANZA) ++h;
    while (g + 1 < pendenze.size() && pendenze[g].a <= x + TOLLERANZA) ++g;
    double fine = std::min({a, treno[t].a, testa[h].a, pendenze[g].a});
    if (f < fermate.size()) fine = std::min(fine, static_cast<double>(fermate[f].punto));
    if (fine <= x + TOLLERANZA) fine = a;
    segmento s;
    s.da = x;
    s.a = fine;
    s.v2 = treno[t].v * treno[t].v;
    s.testa = testa[h].v;
    s.accelerazione = ip.accelerazione - GRAVITA * pendenze[g].v / 1000;
    s.frenatura = ip.frenatura + GRAVITA * pendenze[g].v / 1000;
    if (f < fermate.size() && std::fabs(fine - fermate[f].punto) <= TOLLERANZA) s.fermata = static_cast<int>(f++);
    r.push_back(s);
    x = fine;
  }
  return r;
}

}  // namespace

double frenatura_da_massa(int64_t percentuale) {
  const double lambda = static_cast<double>(std::max<int64_t>(percentuale, 0));
  return 6.1 * (1 + lambda / 10) / (2 * 3.6 * 3.6 * 3.85);
}

ipotesi_marcia ipotesi_di(const std::array<voce, VOCI_TABELLA>& tabella, const scelte_marcia& s) {
  const voce& treno = tabella[voce_tabella::dati_treno];
  ipotesi_marcia ip;
  ip.massa_frenata = treno.inizio;
  ip.vetture = treno.posizione;
  ip.lunghezza_treno = std::max(treno.posizione, 0) * LUNGHEZZA_VETTURA;
  ip.accelerazione_data = s.accelerazione && std::isfinite(*s.accelerazione);
  ip.accelerazione = ip.accelerazione_data ? *s.accelerazione : ACCELERAZIONE_PREDEFINITA;
  ip.frenatura_data = s.frenatura && std::isfinite(*s.frenatura);
  ip.frenatura = ip.frenatura_data ? *s.frenatura : frenatura_da_massa(treno.inizio);
  return ip;
}

std::vector<std::optional<int64_t>> orari_continui(std::span<const int32_t> orari) {
  std::vector<std::optional<int64_t>> r;
  std::optional<int32_t> prima;
  int64_t giorni = 0;
  for (const int32_t o : orari) {
    if (o == 0) {
      r.push_back(std::nullopt);
      continue;
    }
    if (prima && int64_t{*prima} - o > DODICI_ORE) ++giorni;
    prima = o;
    r.push_back(o + giorni * GIORNO);
  }
  return r;
}

std::optional<int64_t> secondi_necessari(double minimo) {
  if (!std::isfinite(minimo)) return std::nullopt;
  return static_cast<int64_t>(std::ceil(minimo - TOLLERANZA));
}

marcia_tesa calcola_marcia_tesa(const std::vector<cella>& percorso, const std::array<voce, VOCI_TABELLA>& tabella,
                                const scelte_marcia& scelte, bool con_punti) {
  marcia_tesa r;
  r.ipotesi = ipotesi_di(tabella, scelte);
  if (percorso.empty()) return r;
  r.fermate = fermate_di(percorso, tabella);
  if (r.fermate.size() < 2) return r;
  const std::vector<segmento> segmenti = segmenti_di(percorso, r.fermate, r.ipotesi);
  const size_t n = segmenti.size();

  // Forward from every departure, back from every stop: v^2 at each segment's start (the
  // acceleration curve) and at its end (the braking curve), within its limit.
  std::vector<double> inizio(n), fine(n);
  double v2 = 0;
  for (size_t i = 0; i < n; ++i) {
    const segmento& s = segmenti[i];
    const bool partenza = i == 0 || (segmenti[i - 1].fermata >= 0 && r.fermate[static_cast<size_t>(segmenti[i - 1].fermata)].ferma);
    inizio[i] = partenza ? 0.0 : std::min(v2, s.v2);
    const double u = inizio[i] + 2 * s.accelerazione * (s.a - s.da);
    v2 = s.accelerazione >= 0 ? std::min(u, s.v2) : std::max(u, 0.0);
  }
  v2 = 0;
  for (size_t i = n; i-- > 0;) {
    const segmento& s = segmenti[i];
    const bool arrivo = s.fermata >= 0 && r.fermate[static_cast<size_t>(s.fermata)].ferma;
    fine[i] = arrivo ? 0.0 : std::min(v2, s.v2);
    const double u = fine[i] + 2 * s.frenatura * (s.a - s.da);
    v2 = s.frenatura >= 0 ? std::min(u, s.v2) : std::max(u, 0.0);
  }

  // The clocks of the leg under way: the fastest run's and the bound's. Each starts at the
  // departure from a station with a time (or from the first station).
  double t = 0, t_libero = 0;
  std::optional<double> blocco, blocco_libero;
  std::optional<size_t> da;  // the station with a time the leg under way started from
  if (r.fermate.front().orario) da = 0;
  auto punto = [&](double x, double v) {
    if (con_punti && std::isfinite(t)) r.punti.push_back({x, v, t});
  };
  punto(segmenti.front().da, 0);
  for (size_t i = 0; i < n; ++i) {
    const segmento& s = segmenti[i];
    const moto_segmento m{s.a - s.da, s.v2, inizio[i], s.accelerazione, fine[i], s.frenatura};
    const auto nodi = m.nodi();
    for (size_t k = 0; k + 1 < nodi.n; ++k) {
      const double e0 = m.quadrato(nodi.s[k]), e1 = m.quadrato(nodi.s[k + 1]);
      const double v0 = std::sqrt(e0), v1 = std::sqrt(e1), lungo = nodi.s[k + 1] - nodi.s[k];
      if (lungo <= 0) continue;
      if (v0 + v1 <= 0) {
        if (!blocco) blocco = s.da + nodi.s[k];
        t = INFINITO;
        continue;
      }
      if (con_punti && e0 != e1 && lungo > PASSO_PUNTI) {
        // Where v^2 is linear, v at a fraction u of the way is sqrt(e0 + (e1 - e0) u),
        // reached in 2 u lungo / (v0 + v).
        const int passi = static_cast<int>(std::ceil(lungo / PASSO_PUNTI));
        for (int p = 1; p < passi; ++p) {
          const double u = static_cast<double>(p) / passi, v = std::sqrt(e0 + (e1 - e0) * u);
          if (std::isfinite(t)) r.punti.push_back({s.da + nodi.s[k] + u * lungo, v, t + 2 * u * lungo / (v0 + v)});
        }
      }
      t += 2 * lungo / (v0 + v1);
      punto(s.da + nodi.s[k + 1], v1);
    }
    if (s.testa > 0) {
      t_libero += (s.a - s.da) / s.testa;
    } else {
      if (!blocco_libero) blocco_libero = s.da;
      t_libero = INFINITO;
    }
    if (s.fermata < 0) continue;
    // At a station: the leg that ends here, its wait, and the leg that starts here.
    const auto f = static_cast<size_t>(s.fermata);
    const fermata_marcia& st = r.fermate[f];
    const bool ultima = f + 1 == r.fermate.size();
    if (st.orario && da) {
      tratta_marcia x;
      x.da = *da;
      x.a = f;
      x.partenza = *r.fermate[*da].orario;
      x.arrivo = *st.orario - (ultima ? 0 : st.sosta);
      x.minimo = t;
      x.minimo_senza_ipotesi = t_libero;
      x.blocco = blocco;
      x.blocco_senza_ipotesi = blocco_libero;
      r.tratte.push_back(x);
    }
    if (ultima) break;
    if (st.orario) {
      da = f;
      t = t_libero = 0;
      blocco = blocco_libero = std::nullopt;
      punto(s.a, std::sqrt(m.quadrato(m.d)));
    } else if (st.ferma) {
      t += st.sosta;
      t_libero += st.sosta;
      punto(s.a, 0);
    }
  }
  return r;
}

}  // namespace scenario
