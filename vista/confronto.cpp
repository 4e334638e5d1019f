#include "vista/confronto.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <cstring>
#include <map>
#include <set>
#include <tuple>

#include "model/formato.h"
#include "vista/analisi.h"
#include "vista/testi_indietro.h"

namespace scenario::vista {

namespace {

namespace F = scenario::formato;

std::string n(int64_t v) { return std::to_string(v); }

void valore(std::vector<cambio_valore>& r, std::string campo, const std::string& prima, const std::string& dopo) {
  if (prima != dopo) r.push_back({std::move(campo), prima, dopo});
}

void intestazione(const scenario_decodificato& a, const scenario_decodificato& b, std::vector<cambio_valore>& r) {
  const auto& ta = a.tabella;
  const auto& tb = b.tabella;
  valore(r, "lunghezza percorso (m)", n(a.lunghezza), n(b.lunghezza));
  valore(r, "percentuale massa frenata", n(ta[84].inizio), n(tb[84].inizio));
  valore(r, "numero vetture", n(ta[84].posizione), n(tb[84].posizione));
  valore(r, "sabbia", n(ta[86].valore1), n(tb[86].valore1));
  const auto orologio = [](const voce& v) { return n(v.valore3) + ":" + n(v.valore4) + ":" + n(v.valore5); };
  valore(r, "orologio", orologio(ta[86]), orologio(tb[86]));
  valore(r, "sfondo uno", n(ta[85].inizio), n(tb[85].inizio));
  valore(r, "sfondo due", n(ta[85].posizione), n(tb[85].posizione));
  valore(r, "sfondo tre", n(ta[85].fine), n(tb[85].fine));
  const auto ripetizione = [](const voce& v) {
    return n(v.inizio) + "-" + n(v.fine) + " m, " + n(v.posizione) + " codici";
  };
  valore(r, "ripetizione segnali", ripetizione(ta[86]), ripetizione(tb[86]));
  for (size_t i = 81; i <= 83; ++i) {
    const auto progressiva = [](const voce& v) {
      return "da " + n(v.inizio) + " m, valore " + n(v.fine) + (v.posizione == 1 ? " decrescente" : " crescente");
    };
    valore(r, "progressiva chilometrica (voce " + n(static_cast<int64_t>(i)) + ")", progressiva(ta[i]), progressiva(tb[i]));
  }
}

// ---- Stations ----

void dettagli_stazione(const voce& a, const voce& b, std::vector<cambio_valore>& r) {
  valore(r, "orario", testo_ora(a.orario), testo_ora(b.orario));
  valore(r, "sosta (s)", n(a.sosta), n(b.sosta));
  valore(r, "tipo", n(a.tipo), n(b.tipo));
  valore(r, "area (m)", n(a.inizio) + "-" + n(a.fine), n(b.inizio) + "-" + n(b.fine));
  const auto opzioni = [](const voce& v) {
    return n(v.opzione1) + " " + n(v.opzione2) + " " + n(v.opzione3) + " " + n(v.opzione4);
  };
  valore(r, "opzioni", opzioni(a), opzioni(b));
  const auto valori = [](const voce& v) {
    return n(v.valore1) + " " + n(v.valore2) + " " + n(v.valore3) + " " + n(v.valore4) + " " + n(v.valore5);
  };
  valore(r, "valori", valori(a), valori(b));
}

// Stations are paired by name (in order, for a name used twice), then the rest by
// position: a station whose name changed at the same place was renamed.
void stazioni_cambiate(const scenario_decodificato& sa, const scenario_decodificato& sb,
                       std::vector<cambio_stazione>& r) {
  const std::vector<stazione> a = stazioni(sa);
  const std::vector<stazione> b = stazioni(sb);
  std::vector<std::optional<size_t>> coppia(a.size());
  std::vector<bool> presa(b.size(), false);
  for (size_t i = 0; i < a.size(); ++i) {
    for (size_t j = 0; j < b.size(); ++j) {
      if (!presa[j] && b[j].v->nome == a[i].v->nome) {
        coppia[i] = j;
        presa[j] = true;
        break;
      }
    }
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (coppia[i]) continue;
    for (size_t j = 0; j < b.size(); ++j) {
      if (!presa[j] && b[j].v->posizione == a[i].v->posizione) {
        coppia[i] = j;
        presa[j] = true;
        break;
      }
    }
  }
  for (size_t i = 0; i < a.size(); ++i) {
    const voce& va = *a[i].v;
    if (!coppia[i]) {
      r.push_back({"tolta", va.nome, "", va.posizione, std::nullopt, {}});
      continue;
    }
    const voce& vb = *b[*coppia[i]].v;
    cambio_stazione c{"cambiata", va.nome, vb.nome, va.posizione, vb.posizione, {}};
    dettagli_stazione(va, vb, c.dettagli);
    if (va.nome != vb.nome) {
      c.cosa = "rinominata";
    } else if (va.posizione != vb.posizione) {
      c.cosa = "spostata";
      // The area moves with the station: only a change of its size is a change.
      std::erase_if(c.dettagli, [&](const cambio_valore& d) {
        return d.campo == "area (m)" && vb.inizio - va.inizio == vb.posizione - va.posizione &&
               vb.fine - va.fine == vb.posizione - va.posizione;
      });
    }
    if (c.cosa != "cambiata" || !c.dettagli.empty()) r.push_back(std::move(c));
  }
  for (size_t j = 0; j < b.size(); ++j) {
    if (!presa[j]) r.push_back({"aggiunta", b[j].v->nome, "", std::nullopt, b[j].v->posizione, {}});
  }
}

// ---- Profiles ----

// Runs of cells where the two profiles differ, each with one value before and one after.
void profilo(const scenario_decodificato& a, const scenario_decodificato& b, uint8_t cella::*campo,
             const std::string& nome, const std::function<std::string(uint8_t)>& testo,
             std::vector<cambio_profilo>& r) {
  const size_t celle = std::min(a.percorso.size(), b.percorso.size());
  for (size_t c = 0; c < celle; ++c) {
    const uint8_t va = a.percorso[c].*campo;
    const uint8_t vb = b.percorso[c].*campo;
    if (va == vb) continue;
    if (!r.empty() && r.back().profilo == nome && r.back().a_m == metro_profilo(c) && r.back().prima == testo(va) &&
        r.back().dopo == testo(vb)) {
      r.back().a_m = metro_profilo(c + 1);
    } else {
      r.push_back({nome, metro_profilo(c), metro_profilo(c + 1), testo(va), testo(vb)});
    }
  }
}

std::string testo_curvatura(double k) {
  if (std::isnan(k)) return "punto fuori da ogni curva";
  if (k == 0.0) return "rettilineo";
  const auto classe = F::classe_curva(k);
  return "curva di classe " + n(classe.value_or(0)) + (k < 0 ? " a sinistra" : " a destra") + " (raggio " +
         n(F::raggio_curva(classe.value_or(0))) + " m)";
}

void curve(const scenario_decodificato& a, const scenario_decodificato& b, std::vector<cambio_profilo>& r) {
  const std::vector<double> ka = curvature_per_metro(a);
  const std::vector<double> kb = curvature_per_metro(b);
  const size_t metri = std::min(ka.size(), kb.size());
  const auto uguale = [](double x, double y) { return x == y || (std::isnan(x) && std::isnan(y)); };
  for (size_t m = 0; m < metri; ++m) {
    if (uguale(ka[m], kb[m])) continue;
    const auto da = static_cast<int32_t>(m);
    if (!r.empty() && r.back().profilo == "curva" && r.back().a_m == da && r.back().prima == testo_curvatura(ka[m]) &&
        r.back().dopo == testo_curvatura(kb[m])) {
      r.back().a_m = da + 1;
    } else {
      r.push_back({"curva", da, da + 1, testo_curvatura(ka[m]), testo_curvatura(kb[m])});
    }
  }
}

// ---- Objects ----

struct oggetto {
  std::string tipo;
  std::string descrizione;
  int32_t m = 0;
};

std::vector<oggetto> oggetti(const scenario_decodificato& s) {
  std::vector<oggetto> r;
  const auto& p = s.percorso;
  for (size_t c = 0; c < p.size(); ++c) {
    const cella& x = p[c];
    switch (x.tipo) {
      case tipo_cella::segnale:
        r.push_back({"segnale", "codice " + n(x.dato4) + ", luci " + n(x.dato1) + " " + n(x.dato2) + " " + n(x.dato3) +
                                    ", tempo " + n(x.tempo),
                     metro_oggetto(c)});
        break;
      case tipo_cella::indicatore_vmax: {
        std::string d;
        for (int16_t v : {x.dato1, x.dato2, x.dato3}) {
          const auto [sa, sb] = F::indicatore_da_cella(v);
          d += (d.empty() ? "" : ", ") + n(sa) + "/" + n(sb);
        }
        r.push_back({"indicatore", d + " km/h, strisce " + n(x.dato4), metro_oggetto(c)});
        break;
      }
      case tipo_cella::cartello: {
        const bool voce = x.dato1 > 0 && x.dato1 < VOCI_TABELLA;
        r.push_back({"cartello", voce ? "\"" + s.tabella[static_cast<size_t>(x.dato1)].nome + "\"" : "?", metro_oggetto(c)});
        break;
      }
      case tipo_cella::inizio_rallentamento:
        r.push_back({"rallentamento", n(x.dato1) + " km/h", metro_oggetto(c)});
        break;
      case tipo_cella::fine_rallentamento:
        r.push_back({"fine di rallentamento", n(x.dato1) + " km/h", metro_oggetto(c)});
        break;
      case tipo_cella::abbattimento:
        r.push_back({"abbattimento", n(x.dato1) + " km/h", metro_profilo(c)});
        break;
      case tipo_cella::abbattimento_senza_valore:
        r.push_back({"abbattimento", "senza valore", metro_profilo(c)});
        break;
      default:
        break;
    }
  }
  for (const tratto_montagna& t : montagne(s)) {
    r.push_back({"montagna", "tipo " + n(t.tipo) + " fino a " + n(t.a) + " m", t.da});
  }
  return r;
}

// Objects equal in kind and description are paired where they stand, then in the order
// of the line: a pair at two places is an object moved.
void oggetti_cambiati(const scenario_decodificato& sa, const scenario_decodificato& sb, std::vector<cambio_oggetto>& r) {
  using chiave = std::pair<std::string, std::string>;
  std::map<chiave, std::vector<int32_t>> a;
  std::map<chiave, std::vector<int32_t>> b;
  for (const oggetto& o : oggetti(sa)) a[{o.tipo, o.descrizione}].push_back(o.m);
  for (const oggetto& o : oggetti(sb)) b[{o.tipo, o.descrizione}].push_back(o.m);
  std::vector<std::tuple<int32_t, size_t, cambio_oggetto>> trovati;
  const auto aggiungi = [&](cambio_oggetto c) {
    const int32_t dove = c.dopo_m.value_or(c.prima_m.value_or(0));
    trovati.emplace_back(dove, trovati.size(), std::move(c));
  };
  std::set<chiave> chiavi;
  for (const auto& [k, v] : a) chiavi.insert(k);
  for (const auto& [k, v] : b) chiavi.insert(k);
  for (const chiave& k : chiavi) {
    std::vector<int32_t> pa = a[k];
    std::vector<int32_t> pb = b[k];
    std::vector<int32_t> restano_a;
    for (int32_t m : pa) {
      const auto stessa = std::find(pb.begin(), pb.end(), m);
      if (stessa != pb.end()) {
        pb.erase(stessa);
      } else {
        restano_a.push_back(m);
      }
    }
    const size_t coppie = std::min(restano_a.size(), pb.size());
    for (size_t i = 0; i < coppie; ++i) aggiungi({"spostato", k.first, k.second, restano_a[i], pb[i]});
    for (size_t i = coppie; i < restano_a.size(); ++i) aggiungi({"tolto", k.first, k.second, restano_a[i], std::nullopt});
    for (size_t i = coppie; i < pb.size(); ++i) aggiungi({"aggiunto", k.first, k.second, std::nullopt, pb[i]});
  }
  std::sort(trovati.begin(), trovati.end(), [](const auto& x, const auto& y) {
    return std::tie(std::get<0>(x), std::get<1>(x)) < std::tie(std::get<0>(y), std::get<1>(y));
  });
  for (auto& t : trovati) r.push_back(std::move(std::get<2>(t)));
}

bool stessi_bit(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

confronto_scenari confronta(const scenario_decodificato& a, const scenario_decodificato& b) {
  confronto_scenari c;
  intestazione(a, b, c.intestazione);
  stazioni_cambiate(a, b, c.stazioni);
  profilo(a, b, &cella::velocita, "velocita'", [](uint8_t v) { return n(F::velocita_da_cella(v)) + " km/h"; }, c.profili);
  profilo(a, b, &cella::pendenza, "pendenza", [](uint8_t v) { return n(F::pendenza_da_cella(v)) + " per mille"; },
          c.profili);
  profilo(a, b, &cella::aderenza, "aderenza", [](uint8_t v) { return n(v); }, c.profili);
  curve(a, b, c.profili);
  oggetti_cambiati(a, b, c.oggetti);
  c.celle = std::max(a.percorso.size(), b.percorso.size());
  for (size_t i = 0; i < c.celle; ++i) {
    if (i >= a.percorso.size() || i >= b.percorso.size() || a.percorso[i] != b.percorso[i]) ++c.celle_diverse;
  }
  c.metri = std::max(a.geometria.x.size(), b.geometria.x.size());
  for (size_t m = 0; m < c.metri; ++m) {
    const bool entrambi = m < a.geometria.x.size() && m < b.geometria.x.size();
    if (!entrambi || a.geometria.x[m].etichetta != b.geometria.x[m].etichetta ||
        a.geometria.y[m].etichetta != b.geometria.y[m].etichetta ||
        !stessi_bit(a.geometria.x[m].valore, b.geometria.x[m].valore) ||
        !stessi_bit(a.geometria.y[m].valore, b.geometria.y[m].valore)) {
      ++c.metri_diversi;
    }
  }
  c.voci_diverse = a.tabella != b.tabella;
  return c;
}

std::string testo_confronto(const confronto_scenari& c, const scenario_decodificato& dopo) {
  const auto km = [&](int32_t m) { return "km " + testo_km(chilometro(dopo, m)); };
  const auto luogo = [&](int32_t m) { return n(m) + " m (" + km(m) + ")"; };
  std::string s;
  if (c.uguali()) return "Nessuna differenza: i tre file compilati sono identici.\n";
  if (!c.intestazione.empty()) {
    s += "Intestazione:\n";
    for (const cambio_valore& v : c.intestazione) s += "  " + v.campo + ": " + v.prima + " -> " + v.dopo + "\n";
  }
  if (!c.stazioni.empty()) {
    s += "Stazioni:\n";
    for (const cambio_stazione& st : c.stazioni) {
      s += "  " + st.cosa + ": " + st.nome;
      if (st.cosa == "rinominata") s += " -> " + st.nome_dopo;
      if (st.cosa == "spostata") {
        s += " da " + luogo(*st.prima_m) + " a " + luogo(*st.dopo_m);
      } else if (st.dopo_m) {
        s += " a " + luogo(*st.dopo_m);
      } else if (st.prima_m) {
        s += " a " + n(*st.prima_m) + " m";
      }
      s += "\n";
      for (const cambio_valore& d : st.dettagli) s += "      " + d.campo + ": " + d.prima + " -> " + d.dopo + "\n";
    }
  }
  std::string titolo;
  for (const cambio_profilo& p : c.profili) {
    if (p.profilo != titolo) {
      titolo = p.profilo;
      s += (titolo == "curva" ? std::string("Curve") : "Profilo " + titolo) + ":\n";
    }
    const int32_t a = p.profilo == "curva" ? p.a_m - 1 : p.a_m;
    s += "  " + km(p.da_m) + " - " + km(a) + " (" + n(p.da_m) + "-" + n(a) + " m): " + p.prima + " -> " + p.dopo + "\n";
  }
  if (!c.oggetti.empty()) {
    s += "Oggetti:\n";
    for (const cambio_oggetto& o : c.oggetti) {
      s += "  " + o.tipo + " " + o.cosa + " (" + o.descrizione + ")";
      if (o.cosa == "spostato") {
        s += ": da " + luogo(*o.prima_m) + " a " + luogo(*o.dopo_m);
      } else {
        s += ": a " + luogo(o.dopo_m.value_or(o.prima_m.value_or(0)));
      }
      s += "\n";
    }
  }
  s += "Celle diverse: " + n(static_cast<int64_t>(c.celle_diverse)) + " su " + n(static_cast<int64_t>(c.celle)) +
       "; metri del tracciato diversi: " + n(static_cast<int64_t>(c.metri_diversi)) + " su " +
       n(static_cast<int64_t>(c.metri)) + (c.voci_diverse ? "; tabella diversa" : "; tabella uguale") + ".\n";
  return s;
}

}  // namespace scenario::vista
