#include "vista/analisi.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "lingue/catalogo.h"
#include "model/formato.h"
#include "vista/resoconto.h"

namespace scenario::vista {

namespace {

bool definita(const voce& v) { return v.inizio != 0 || v.fine != 0 || v.posizione != 0; }

// The ordered progressive that holds at p, or none.
const voce* progressiva_a(const scenario_decodificato& s, int32_t p) {
  for (size_t i = voce_tabella::progressiva_tre; i <= voce_tabella::progressiva_uno; ++i) {
    const voce& v = s.tabella[i];
    if (definita(v) && v.inizio <= p) return &v;
  }
  return nullptr;
}

}  // namespace

std::string metri_cella(size_t c) {
  return std::to_string(metro_oggetto(c)) + "-" + std::to_string(metro_oggetto(c) + 50);
}

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

std::vector<tratto> velocita_kmh(const scenario_decodificato& s) {
  std::vector<tratto> r = tratti(s, &cella::velocita);
  for (tratto& t : r) t.valore = formato::velocita_da_cella(static_cast<uint8_t>(t.valore));
  return r;
}

std::vector<tratto> pendenze_per_mille(const scenario_decodificato& s) {
  std::vector<tratto> r = tratti(s, &cella::pendenza);
  for (tratto& t : r) t.valore = formato::pendenza_da_cella(static_cast<uint8_t>(t.valore));
  return r;
}

int64_t chilometro(const scenario_decodificato& s, int32_t p) {
  const voce* v = progressiva_a(s, p);
  return v ? formato::chilometro_di(v->fine, v->posizione, p) : p;
}

std::vector<tratto_chilometrico> tratti_chilometrici(const scenario_decodificato& s) {
  std::vector<int32_t> tagli{0, std::max(s.lunghezza, 0)};
  for (size_t i = voce_tabella::progressiva_tre; i <= voce_tabella::progressiva_uno; ++i) {
    const voce& v = s.tabella[i];
    if (definita(v) && v.inizio > 0 && v.inizio < s.lunghezza) tagli.push_back(v.inizio);
  }
  std::sort(tagli.begin(), tagli.end());
  tagli.erase(std::unique(tagli.begin(), tagli.end()), tagli.end());
  if (tagli.size() == 1) tagli.push_back(tagli[0]);  // a line of 0 m
  std::vector<tratto_chilometrico> r;
  for (size_t i = 0; i + 1 < tagli.size(); ++i) {
    const voce* v = progressiva_a(s, tagli[i]);
    r.push_back({tagli[i], tagli[i + 1], chilometro(s, tagli[i]), v != nullptr && v->posizione == 1});
  }
  return r;
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

orario_stazione orario_di(const std::vector<stazione>& elenco, size_t i) {
  const voce& v = *elenco[i].v;
  if (v.orario == 0) return {};
  if (i + 1 == elenco.size()) return {v.orario, std::nullopt};
  if (i == 0 || v.sosta == 0) return {std::nullopt, v.orario};
  return {v.orario - v.sosta, v.orario};
}

std::vector<segnale> segnali(const scenario_decodificato& s) {
  std::vector<segnale> r;
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    const cella& x = s.percorso[c];
    if (x.tipo != tipo_cella::segnale) continue;
    const auto codice = formato::segnale_da_cella(x.dato4);
    const auto l1 = formato::coppia_da_cella(x.dato1);
    const auto l2 = formato::coppia_da_cella(x.dato2);
    const auto l3 = formato::coppia_da_cella(x.dato3);
    r.push_back({c, metro_oggetto(c), codice.sx, l1.first, l2.first, l3.first, codice.rapp, codice.dx, l1.second,
                 l2.second, l3.second, x.tempo});
  }
  return r;
}

std::vector<indicatore> indicatori(const scenario_decodificato& s) {
  std::vector<indicatore> r;
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    const cella& x = s.percorso[c];
    if (x.tipo != tipo_cella::indicatore_vmax) continue;
    r.push_back({c, metro_oggetto(c),
                 {formato::indicatore_da_cella(x.dato1), formato::indicatore_da_cella(x.dato2),
                  formato::indicatore_da_cella(x.dato3)},
                 formato::coppia_da_cella(x.dato4)});
  }
  return r;
}

std::vector<cartello> cartelli(const scenario_decodificato& s) {
  std::vector<cartello> r;
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    const cella& x = s.percorso[c];
    if (x.tipo != tipo_cella::cartello) continue;
    const bool valida = x.dato1 > 0 && x.dato1 < VOCI_TABELLA;
    r.push_back({c, metro_oggetto(c), x.dato1, valida ? testo_cartello(s.tabella[static_cast<size_t>(x.dato1)].nome) : ""});
  }
  return r;
}

std::vector<rallentamento> rallentamenti(const scenario_decodificato& s) {
  std::vector<rallentamento> r;
  const auto& p = s.percorso;
  for (size_t c = 0; c < p.size(); ++c) {
    if (p[c].tipo != tipo_cella::inizio_rallentamento) continue;
    rallentamento x{c, c, p[c].dato1, p[c].dato3, p[c].dato2, std::nullopt, 0};
    for (size_t j = c + 1; j < p.size(); ++j) {
      if (p[j].tipo == tipo_cella::fine_rallentamento) {
        x.fine = j;
        break;
      }
      if (p[j].tipo == tipo_cella::inizio_rallentamento) break;
    }
    // The warning stands 1200 m (24 cells) before the start, the advance cells just
    // before the warning.
    if (c >= 24 && p[c - 24].tipo == tipo_cella::avviso_rallentamento) {
      const size_t w = c - 24;
      x.avviso = w;
      while (x.anticipi < 4 && w > static_cast<size_t>(x.anticipi) &&
             p[w - 1 - static_cast<size_t>(x.anticipi)].tipo == tipo_cella::anticipo_rallentamento) {
        ++x.anticipi;
      }
    }
    r.push_back(x);
  }
  return r;
}

std::vector<abbattimento> abbattimenti(const scenario_decodificato& s) {
  std::vector<abbattimento> r;
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    const cella& x = s.percorso[c];
    if (x.tipo == tipo_cella::abbattimento) r.push_back({c, metro_profilo(c), x.dato1});
    if (x.tipo == tipo_cella::abbattimento_senza_valore) r.push_back({c, metro_profilo(c), std::nullopt});
  }
  return r;
}

std::vector<tratto_montagna> montagne(const scenario_decodificato& s) {
  std::vector<tratto_montagna> r;
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    const cella& x = s.percorso[c];
    if (x.montagna == 0) continue;
    const bool libera = x.tipo == tipo_cella::libera_in_montagna;
    if (!r.empty() && r.back().a == metro_profilo(c) && r.back().tipo == x.montagna) {
      r.back().a = metro_profilo(c + 1);
      r.back().celle_libere = r.back().celle_libere || libera;
    } else {
      r.push_back({metro_profilo(c), metro_profilo(c + 1), x.montagna, libera, std::nullopt});
    }
  }
  for (size_t i = 0; i < r.size(); ++i) {
    // Type 3 after a stretch ending 150 m or less before may have been forced.
    const bool forzabile = r[i].tipo == 3 && i > 0 && r[i].da - r[i - 1].a <= 150;
    if (!forzabile) r[i].tipo_scritto = formato::montagna_come_scritta(r[i].tipo, r[i].celle_libere);
  }
  return r;
}

std::string testo_montagna(const tratto_montagna& m) {
  if (m.tipo_scritto) return traduci("analisi.tipo", {{"tipo", *m.tipo_scritto}});
  return traduci(m.celle_libere ? "analisi.tipo_celle_libere" : "analisi.tipo", {{"tipo", m.tipo}});
}

std::vector<curva> curve(const scenario_decodificato& s) {
  const auto& x = s.geometria.x;
  const auto& y = s.geometria.y;
  const size_t metri = std::min(x.size(), y.size());
  std::vector<curva> r;
  // The plan steps p = p1 + d + k (d.y, -d.x) with d = p1 - p2: k follows back as the
  // cross product of d and the step's bend over |d|^2.
  int ultima = 0;  // class and side of the metre before, signed: + right, - left
  for (size_t m = 2; m < metri; ++m) {
    int questa = 0;
    double k = 0;
    if (x[m].etichetta != ETICHETTA_VUOTO && x[m - 1].etichetta != ETICHETTA_VUOTO && x[m - 2].etichetta != ETICHETTA_VUOTO) {
      const double dx = x[m - 1].valore - x[m - 2].valore, dy = y[m - 1].valore - y[m - 2].valore;
      const double ex = x[m].valore - x[m - 1].valore - dx, ey = y[m].valore - y[m - 1].valore - dy;
      const double d2 = dx * dx + dy * dy;
      k = d2 > 0 ? (ex * dy - ey * dx) / d2 : 0.0;
      if (std::fabs(k) >= formato::CURVATURE[0] / 2) {
        const auto classe = formato::classe_curva_misurata(k);
        // A turn of no class (bytes not written by a text) is kept apart as class 0.
        questa = (classe ? *classe : 7) * (k > 0 ? 1 : -1);
      }
    }
    if (questa != 0 && questa == ultima) {
      ++r.back().lunghezza;
    } else if (questa != 0) {
      const int classe = std::abs(questa) == 7 ? 0 : std::abs(questa);
      const int32_t raggio = classe ? formato::raggio_curva(classe)
                                    : static_cast<int32_t>(std::nearbyint(1.0 / std::fabs(k)));
      r.push_back({static_cast<int32_t>(m) - 1, 1, questa > 0, classe, raggio});
    }
    ultima = questa;
  }
  return r;
}

std::vector<int> curve_delle_celle(const scenario_decodificato& s, const std::vector<curva>& elenco) {
  std::vector<int> r(s.percorso.size(), -1);
  for (size_t i = elenco.size(); i-- > 0;) {
    // The turned metres are inizio + 1 to inizio + lunghezza; cell c covers
    // (c - 1) x 50 to c x 50, less its last metre.
    const int64_t primo = elenco[i].inizio + 1, ultimo = int64_t{elenco[i].inizio} + elenco[i].lunghezza;
    for (int64_t c = primo / 50 + 1; c <= ultimo / 50 + 1 && c < static_cast<int64_t>(r.size()); ++c) {
      if (c >= 0) r[static_cast<size_t>(c)] = static_cast<int>(i);
    }
  }
  return r;
}

pianta pianta_in_quadrato(const scenario_decodificato& s, double lato, double bordo, size_t punti_massimi) {
  const auto& gx = s.geometria.x;
  const auto& gy = s.geometria.y;
  const size_t metri = std::min({gx.size(), gy.size(), static_cast<size_t>(std::max(s.lunghezza, 0)) + 1});
  auto pieno = [&](size_t k) { return gx[k].etichetta != ETICHETTA_VUOTO && gy[k].etichetta != ETICHETTA_VUOTO; };
  double minx = 0, maxx = 0, miny = 0, maxy = 0;
  bool primo = true;
  for (size_t k = 0; k < metri; ++k) {
    if (!pieno(k)) continue;
    minx = primo ? gx[k].valore : std::min(minx, gx[k].valore);
    maxx = primo ? gx[k].valore : std::max(maxx, gx[k].valore);
    miny = primo ? gy[k].valore : std::min(miny, gy[k].valore);
    maxy = primo ? gy[k].valore : std::max(maxy, gy[k].valore);
    primo = false;
  }
  pianta p;
  const double utile = lato - 2 * bordo;
  p.scala = utile / std::max({maxx - minx, maxy - miny, 1.0});
  // The longer side fills the square; the shorter is centred across it.
  const double ox = bordo + (utile - (maxx - minx) * p.scala) / 2;
  const double oy = bordo + (utile - (maxy - miny) * p.scala) / 2;
  const size_t passo = std::max<size_t>(1, metri / std::max<size_t>(punti_massimi, 1));
  auto aggiungi = [&](size_t k) {
    if (!pieno(k)) return;
    p.punti.push_back({ox + (gx[k].valore - minx) * p.scala, lato - oy - (gy[k].valore - miny) * p.scala});
    p.metri.push_back(static_cast<int32_t>(k));
  };
  for (size_t k = 0; k < metri; k += passo) aggiungi(k);
  if (metri > 0 && (metri - 1) % passo != 0) aggiungi(metri - 1);
  return p;
}

std::vector<double> quote(const scenario_decodificato& s) {
  std::vector<double> r(s.percorso.size() + 1, 0.0);
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    r[c + 1] = r[c] + formato::pendenza_da_cella(s.percorso[c].pendenza) * 50.0 / 1000.0;
  }
  return r;
}

std::string nome_tipo_cella(uint8_t tipo) {
  switch (tipo) {
    case 0: return traduci("cella.vuota");
    case 1: return traduci("cella.segnale");
    case 2: return traduci("cella.fine_rallentamento");
    case 3: return traduci("cella.inizio_rallentamento");
    case 4: return traduci("cella.avviso_rallentamento");
    case 5: return traduci("cella.preavviso_rallentamento");
    case 6: return traduci("cella.indicatore");
    case 10: return traduci("cella.fermata");
    case 11: return traduci("cella.libera_in_montagna");
    case 12: return traduci("cella.abbattimento");
    case 13: return traduci("cella.abbattimento_senza_valore");
    case 14: return traduci("cella.cartello");
    default: return traduci("cella.sconosciuto");
  }
}

}  // namespace scenario::vista
