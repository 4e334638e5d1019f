#include "vista/analisi.h"

#include "text/codifica.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace scenario::vista {

std::vector<tratto> tratti(const scenario_decodificato& s, uint8_t cella::*campo) {
  std::vector<tratto> r;
  for (size_t c = 0; c < s.percorso.size() && metro_profilo(c) < s.lunghezza; ++c) {
    const int v = s.percorso[c].*campo;
    const int32_t da = metro_profilo(c);
    const int32_t a = std::min(metro_profilo(c + 1), s.lunghezza);
    if (!r.empty() && r.back().valore == v) {
      r.back().a = a;
    } else {
      r.push_back({da, a, v});
    }
  }
  return r;
}

int64_t chilometro(const scenario_decodificato& s, int32_t p) {
  for (int i = 81; i <= 83; ++i) {
    const voce& v = s.tabella[static_cast<size_t>(i)];
    const bool definita = v.inizio != 0 || v.fine != 0 || v.posizione != 0;
    if (!definita || v.inizio > p) continue;
    return v.posizione == 1 ? v.fine - int64_t{p} : v.fine + int64_t{p};
  }
  return p;
}

std::string testo_km(int64_t metri) {
  const int64_t assoluto = metri < 0 ? -metri : metri;
  char b[40];
  std::snprintf(b, sizeof b, "%s%lld.%03lld", metri < 0 ? "-" : "", static_cast<long long>(assoluto / 1000),
                static_cast<long long>(assoluto % 1000));
  return b;
}

std::string testo_ora(int32_t secondi) {
  char b[40];
  const int32_t s = secondi < 0 ? 0 : secondi;
  std::snprintf(b, sizeof b, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
  return b;
}

std::string ora_scheda(int32_t secondi) {
  char b[40];
  const int32_t s = secondi < 0 ? 0 : secondi;
  std::snprintf(b, sizeof b, "%d.%02d%s", s / 3600, s / 60 % 60, s % 60 >= 30 ? "+" : "");
  return b;
}

std::vector<bool> voci_cartelli(const scenario_decodificato& s) {
  std::vector<bool> cartelli(VOCI_TABELLA, false);
  for (const cella& c : s.percorso) {
    if (c.tipo == tipo_cella::cartello && c.dato1 > 0 && c.dato1 < VOCI_TABELLA) cartelli[static_cast<size_t>(c.dato1)] = true;
  }
  return cartelli;
}

std::vector<stazione> stazioni(const scenario_decodificato& s) {
  const std::vector<bool> cartelli = voci_cartelli(s);
  std::vector<stazione> r;
  for (int i = 1; i <= 80; ++i) {
    const voce& v = s.tabella[static_cast<size_t>(i)];
    const bool vuota = v == voce{};
    if (vuota || cartelli[static_cast<size_t>(i)]) break;
    r.push_back({i, &v, -1});
  }
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    const cella& x = s.percorso[c];
    if (x.tipo != tipo_cella::fermata) continue;
    for (stazione& st : r) {
      if (st.indice == x.dato1 && st.cella_fermata < 0) st.cella_fermata = static_cast<int32_t>(c);
    }
  }
  return r;
}

std::vector<rallentamento> rallentamenti(const scenario_decodificato& s) {
  std::vector<rallentamento> r;
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    if (s.percorso[c].tipo != tipo_cella::inizio_rallentamento) continue;
    rallentamento x{c, c, s.percorso[c].dato1};
    for (size_t j = c + 1; j < s.percorso.size(); ++j) {
      if (s.percorso[j].tipo == tipo_cella::fine_rallentamento) {
        x.fine = j;
        break;
      }
      if (s.percorso[j].tipo == tipo_cella::inizio_rallentamento) break;
    }
    r.push_back(x);
  }
  return r;
}

std::vector<tratto_montagna> montagne(const scenario_decodificato& s) {
  std::vector<tratto_montagna> r;
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    const int t = s.percorso[c].montagna;
    if (t == 0) continue;
    if (!r.empty() && r.back().a == metro_profilo(c) && r.back().tipo == t) {
      r.back().a = metro_profilo(c + 1);
    } else {
      r.push_back({metro_profilo(c), metro_profilo(c + 1), t});
    }
  }
  return r;
}

std::vector<double> svolta_per_cella(const scenario_decodificato& s) {
  const auto& x = s.geometria.x;
  const auto& y = s.geometria.y;
  const size_t metri = std::min(x.size(), y.size());
  auto direzione = [&](size_t k) {
    // Heading between metres k and k + 1, measured from +y towards +x.
    return std::atan2(x[k + 1].valore - x[k].valore, y[k + 1].valore - y[k].valore);
  };
  std::vector<double> r(s.percorso.size(), 0.0);
  for (size_t c = 0; c < r.size(); ++c) {
    const size_t da = c * 50, a = da + 50;
    if (a + 1 >= metri) break;
    if (x[da].etichetta == ETICHETTA_VUOTO || x[a + 1].etichetta == ETICHETTA_VUOTO) continue;
    double d = direzione(a) - direzione(da);
    if (d > std::numbers::pi) d -= 2 * std::numbers::pi;
    if (d < -std::numbers::pi) d += 2 * std::numbers::pi;
    r[c] = d;
  }
  return r;
}

std::vector<double> quote(const scenario_decodificato& s) {
  std::vector<double> r(s.percorso.size() + 1, 0.0);
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    r[c + 1] = r[c] + (s.percorso[c].pendenza - 100) * 50.0 / 1000.0;
  }
  return r;
}

std::string_view nome_tipo_cella(uint8_t tipo) {
  switch (tipo) {
    case 0: return "vuota";
    case 1: return "segnale";
    case 2: return "fine rallentamento";
    case 3: return "inizio rallentamento";
    case 4: return "avviso di rallentamento";
    case 5: return "preavviso di rallentamento";
    case 6: return "indicatore di velocita' massima";
    case 10: return "fermata";
    case 11: return "libera in montagna";
    case 12: return "abbattimento";
    case 13: return "abbattimento senza valore";
    case 14: return "cartello";
    default: return "sconosciuto";
  }
}

}  // namespace scenario::vista
