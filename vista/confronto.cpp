#include "vista/confronto.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <tuple>

#include "lingue/catalogo.h"
#include "model/formato.h"
#include "text/codifica.h"
#include "vista/analisi.h"
#include "vista/testi_indietro.h"

namespace scenario::vista {

namespace {

namespace F = scenario::formato;

// The words of the comparison, in one place.
constexpr const char* AGGIUNTO = "aggiunto";
constexpr const char* TOLTO = "tolto";
constexpr const char* SPOSTATO = "spostato";
constexpr const char* CAMBIATO = "cambiato";

std::string n(int64_t v) { return std::to_string(v); }

// A word the JSON keeps as it is ("spostato", "velocita'", "segnale"), in the words of the
// language shown: the catalogue's "confronto.<gruppo>.<parola>", its letters kept and the
// rest as '_'; the word itself where the catalogue has none.
std::string parola(std::string_view gruppo, std::string_view detta) {
  std::string id = "confronto." + std::string(gruppo) + ".";
  for (const char c : detta) id += (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ? c : '_';
  while (id.ends_with('_')) id.pop_back();
  return nel_catalogo(id, lingua_attiva()) ? traduci(std::move(id)) : std::string(detta);
}

// The records of the texts given back, by what they are.
struct records_per_tipo {
  std::vector<record_ricavato> generali, stazioni, oggetti;
};

bool profilo(const F::record& r) { return r.campi.size() == 2 && r.campi[1].in_set.dove == F::sede::profilo; }

records_per_tipo records_di(const scenario_decodificato& s) {
  records_per_tipo r;
  for (record_ricavato& x : testi_da_scenario(s).records) {
    const F::record& d = *x.descrizione;
    if (d.sezione == "[generale]") {
      r.generali.push_back(std::move(x));
    } else if (d.sezione == "[stazioni]") {
      r.stazioni.push_back(std::move(x));
    } else if (!profilo(d)) {
      r.oggetti.push_back(std::move(x));
    }
  }
  return r;
}

int64_t numero(const std::string& v) { return std::stoll(v); }

// "7:28:00": hours, minutes and seconds as written.
std::string ora(const std::string& h, const std::string& m, const std::string& s) {
  const auto due = [](int64_t x) { return (x < 10 ? "0" : "") + n(x); };
  return n(numero(h)) + ":" + due(numero(m)) + ":" + due(numero(s));
}

// A general record's values as the comparison shows them: the clock as a time, a record
// with several spellings with its own, the others as written.
std::string valori_generali(const record_ricavato& x) {
  if (x.descrizione->parola == "orologio" && x.valori.size() == 3) return ora(x.valori[0], x.valori[1], x.valori[2]);
  std::string s = x.descrizione->forme.size() > 1 ? x.parola : "";
  for (const std::string& v : x.valori) s += (s.empty() ? "" : ", ") + v;
  return latin1_in_utf8(s);
}

void valore(std::vector<cambio_valore>& r, std::string campo, const std::string& prima, const std::string& dopo) {
  if (prima != dopo) r.push_back({std::move(campo), prima, dopo});
}

void intestazione(const records_per_tipo& a, const records_per_tipo& b, std::vector<cambio_valore>& r) {
  // Each general record once, in the order of the texts; one present on one side only
  // is said absent on the other.
  std::vector<const F::record*> ordine;
  for (const auto* lista : {&a.generali, &b.generali}) {
    for (const record_ricavato& x : *lista) {
      if (std::find(ordine.begin(), ordine.end(), x.descrizione) == ordine.end()) ordine.push_back(x.descrizione);
    }
  }
  const auto di = [](const records_per_tipo& t, const F::record* d) {
    for (const record_ricavato& x : t.generali) {
      if (x.descrizione == d) return valori_generali(x);
    }
    return traduci("confronto.assente");
  };
  for (const F::record* d : ordine) {
    const std::string nome = d->forme.size() > 1 ? "ripetizione segnali" : std::string(d->parola);
    valore(r, nome, di(a, d), di(b, d));
  }
}

// ---- Stations ----

// The values of a station record that changed, by the names the reference gives them; the
// time of day as h:mm:ss.
void dettagli_stazione(const record_ricavato& a, const record_ricavato& b, std::vector<cambio_valore>& r) {
  const auto& campi = a.descrizione->campi;
  for (size_t i = 1; i < campi.size() && i < a.valori.size() && i < b.valori.size(); ++i) {
    const std::string_view nome = campi[i].nome;
    if (nome == "minuti" || nome == "secondi" || campi[i].letto == F::lettura::testo) continue;
    if (nome == "ore" && i + 2 < a.valori.size() && i + 2 < b.valori.size()) {
      valore(r, "orario", ora(a.valori[i], a.valori[i + 1], a.valori[i + 2]),
             ora(b.valori[i], b.valori[i + 1], b.valori[i + 2]));
      continue;
    }
    std::string campo(nome);
    if (!campi[i].unita.empty()) campo += " (" + std::string(campi[i].unita) + ")";
    valore(r, campo, a.valori[i], b.valori[i]);
  }
}

// Stations are paired by name (in order, for a name used twice), then the rest by
// position: a station whose name changed at the same place was renamed.
void stazioni_cambiate(const std::vector<record_ricavato>& a, const std::vector<record_ricavato>& b,
                       std::vector<cambio_stazione>& r) {
  const auto nome = [](const record_ricavato& x) { return latin1_in_utf8(x.valori.back()); };
  const auto posizione = [](const record_ricavato& x) { return static_cast<int32_t>(numero(x.valori[0])); };
  std::vector<std::optional<size_t>> coppia(a.size());
  std::vector<bool> presa(b.size(), false);
  for (const bool per_nome : {true, false}) {
    for (size_t i = 0; i < a.size(); ++i) {
      for (size_t j = 0; j < b.size() && !coppia[i]; ++j) {
        const bool stessa = per_nome ? nome(b[j]) == nome(a[i]) : posizione(b[j]) == posizione(a[i]);
        if (!presa[j] && stessa) {
          coppia[i] = j;
          presa[j] = true;
        }
      }
    }
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (!coppia[i]) {
      r.push_back({"tolta", nome(a[i]), "", posizione(a[i]), std::nullopt, {}});
      continue;
    }
    const record_ricavato& vb = b[*coppia[i]];
    cambio_stazione c{"cambiata", nome(a[i]), nome(vb), posizione(a[i]), posizione(vb), {}};
    dettagli_stazione(a[i], vb, c.dettagli);
    if (c.nome != c.nome_dopo) {
      c.cosa = "rinominata";
    } else if (c.prima_m != c.dopo_m) {
      c.cosa = "spostata";
    }
    if (c.cosa != "cambiata" || !c.dettagli.empty()) r.push_back(std::move(c));
  }
  for (size_t j = 0; j < b.size(); ++j) {
    if (!presa[j]) r.push_back({"aggiunta", nome(b[j]), "", std::nullopt, posizione(b[j]), {}});
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

// ---- Objects ----

// "curva" from "la curva": what the record puts on the line, as a message names it.
std::string tipo_oggetto(const F::record& r) {
  const std::string_view nome = r.nome_oggetto;
  const size_t spazio = nome.find_first_of(" '");
  return std::string(spazio == std::string_view::npos ? nome : nome.substr(spazio + 1));
}

// A record as written, and for a curve what its keyword says: side, class, radius.
std::string riga_oggetto(const record_ricavato& x) {
  std::string s = latin1_in_utf8(x.riga());
  if (x.descrizione->campi.size() == 2 && x.descrizione->campi[1].in_set.dove == F::sede::piano) {
    for (char c : x.parola) {
      if (c < '1' || c > '6') continue;
      const int classe = c - '0';
      const bool sinistra = x.parola.find_first_of("sS") != std::string::npos;
      s += traduci("confronto.curva", {{"lato", frase(sinistra ? dal_catalogo("confronto.sinistra") : dal_catalogo("confronto.destra"))},
                                        {"classe", classe}, {"raggio", F::raggio_curva(classe)}});
      break;
    }
  }
  return s;
}

int32_t posizione_oggetto(const record_ricavato& x) { return static_cast<int32_t>(numero(x.valori[0])); }

// Objects of one kind, before and after: the same record at the same place is no change;
// the same values at another place, an object moved (paired along the line); other values
// at the same place, an object changed; what is left was added or removed.
void oggetti_di_un_tipo(std::vector<const record_ricavato*> a, std::vector<const record_ricavato*> b,
                        std::vector<cambio_oggetto>& r) {
  const auto resto = [](const record_ricavato& x) {
    return std::make_pair(x.parola, std::vector<std::string>(x.valori.begin() + 1, x.valori.end()));
  };
  const auto accoppia = [&](const auto& uguali, const char* cosa) {
    for (auto i = a.begin(); i != a.end();) {
      const auto j = std::find_if(b.begin(), b.end(), [&](const record_ricavato* y) { return uguali(**i, *y); });
      if (j == b.end()) {
        ++i;
        continue;
      }
      if (cosa != nullptr) {
        r.push_back({cosa, tipo_oggetto(*(*i)->descrizione), riga_oggetto(**i), riga_oggetto(**j),
                     posizione_oggetto(**i), posizione_oggetto(**j)});
      }
      b.erase(j);
      i = a.erase(i);
    }
  };
  accoppia([](const record_ricavato& x, const record_ricavato& y) { return x == y; }, nullptr);
  accoppia([&](const record_ricavato& x, const record_ricavato& y) { return resto(x) == resto(y); }, SPOSTATO);
  accoppia([](const record_ricavato& x, const record_ricavato& y) { return x.valori[0] == y.valori[0]; }, CAMBIATO);
  for (const record_ricavato* x : a) {
    r.push_back({TOLTO, tipo_oggetto(*x->descrizione), riga_oggetto(*x), "", posizione_oggetto(*x), std::nullopt});
  }
  for (const record_ricavato* y : b) {
    r.push_back({AGGIUNTO, tipo_oggetto(*y->descrizione), "", riga_oggetto(*y), std::nullopt, posizione_oggetto(*y)});
  }
}

void oggetti_cambiati(const std::vector<record_ricavato>& a, const std::vector<record_ricavato>& b,
                      std::vector<cambio_oggetto>& r) {
  std::map<const F::record*, std::pair<std::vector<const record_ricavato*>, std::vector<const record_ricavato*>>> tipi;
  for (const record_ricavato& x : a) tipi[x.descrizione].first.push_back(&x);
  for (const record_ricavato& y : b) tipi[y.descrizione].second.push_back(&y);
  for (const auto& [d, coppia] : tipi) oggetti_di_un_tipo(coppia.first, coppia.second, r);
  std::stable_sort(r.begin(), r.end(), [](const cambio_oggetto& x, const cambio_oggetto& y) {
    return x.dopo_m.value_or(x.prima_m.value_or(0)) < y.dopo_m.value_or(y.prima_m.value_or(0));
  });
}

bool stessi_bit(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// "segnale spostato", "curva spostata": the object and what happened to it, the participle
// as the noun asks in the language shown.
std::string accordato(const std::string& cosa, const std::string& tipo) {
  const std::string participio = tipo == "curva" && cosa.ends_with('o') ? cosa.substr(0, cosa.size() - 1) + "a" : cosa;
  return traduci("confronto.oggetto", {{"tipo", parola("tipo", tipo)}, {"cosa", parola("cosa", participio)}});
}

}  // namespace

confronto_scenari confronta(const scenario_decodificato& a, const scenario_decodificato& b) {
  confronto_scenari c;
  const records_per_tipo ra = records_di(a);
  const records_per_tipo rb = records_di(b);
  intestazione(ra, rb, c.intestazione);
  stazioni_cambiate(ra.stazioni, rb.stazioni, c.stazioni);
  profilo(a, b, &cella::velocita, "velocita'", [](uint8_t v) { return n(F::velocita_da_cella(v)) + " km/h"; }, c.profili);
  profilo(a, b, &cella::pendenza, "pendenza", [](uint8_t v) { return n(F::pendenza_da_cella(v)) + " per mille"; },
          c.profili);
  profilo(a, b, &cella::aderenza, "aderenza", [](uint8_t v) { return n(v); }, c.profili);
  oggetti_cambiati(ra.oggetti, rb.oggetti, c.oggetti);
  c.celle = std::max(a.percorso.size(), b.percorso.size());
  for (size_t i = 0; i < c.celle; ++i) {
    if (i < a.percorso.size() && i < b.percorso.size() && a.percorso[i] == b.percorso[i]) continue;
    ++c.celle_diverse;
    if (!c.tratti_diversi.empty() && c.tratti_diversi.back().a + 1 == i) {
      c.tratti_diversi.back().a = i;
    } else {
      c.tratti_diversi.push_back({i, i});
    }
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

std::string testo_confronto(const confronto_scenari& c, const scenario_decodificato& prima,
                            const scenario_decodificato& dopo) {
  // Each set's places by its own numbering: "6500 m (km 58.500)"; a place of both sets
  // whose kilometre the change of numbering moved, "6500 m (km 58.500 -> km 106.500)".
  const auto km = [](const scenario_decodificato& s, int32_t m) { return "km " + testo_km(chilometro(s, m)); };
  const auto kilometri = [&](int32_t m) {
    const std::string a = km(prima, m), b = km(dopo, m);
    return a == b ? a : a + " -> " + b;
  };
  const auto luogo_prima = [&](int32_t m) { return n(m) + " m (" + km(prima, m) + ")"; };
  const auto luogo_dopo = [&](int32_t m) { return n(m) + " m (" + km(dopo, m) + ")"; };
  const auto luogo = [&](int32_t m) { return n(m) + " m (" + kilometri(m) + ")"; };
  // A place of one side only, or of both.
  const auto dove = [&](std::optional<int32_t> a, std::optional<int32_t> b) {
    return !b ? luogo_prima(*a) : !a ? luogo_dopo(*b) : luogo(*b);
  };
  std::string s;
  if (c.uguali()) return traduci("confronto.uguali") + "\n";
  if (!c.intestazione.empty()) {
    s += traduci("confronto.intestazione") + "\n";
    for (const cambio_valore& v : c.intestazione) s += "  " + v.campo + ": " + v.prima + " -> " + v.dopo + "\n";
  }
  if (!c.stazioni.empty()) {
    s += traduci("confronto.stazioni") + "\n";
    for (const cambio_stazione& st : c.stazioni) {
      s += "  " + parola("cosa", st.cosa) + ": " + st.nome;
      if (st.cosa == "rinominata") s += " -> " + st.nome_dopo;
      if (st.cosa == "spostata") {
        s += " " + traduci("confronto.da_a", {{"da", luogo_prima(*st.prima_m)}, {"a", luogo_dopo(*st.dopo_m)}});
      } else {
        s += " " + traduci("confronto.a", {{"dove", dove(st.prima_m, st.dopo_m)}});
      }
      s += "\n";
      for (const cambio_valore& d : st.dettagli) s += "      " + d.campo + ": " + d.prima + " -> " + d.dopo + "\n";
    }
  }
  std::string titolo;
  for (const cambio_profilo& p : c.profili) {
    if (p.profilo != titolo) {
      titolo = p.profilo;
      s += traduci("confronto.profilo", {{"nome", parola("profilo", titolo)}}) + "\n";
    }
    const std::string tratto_prima = km(prima, p.da_m) + " - " + km(prima, p.a_m);
    const std::string tratto_dopo = km(dopo, p.da_m) + " - " + km(dopo, p.a_m);
    s += "  " + (tratto_prima == tratto_dopo ? tratto_dopo : tratto_prima + " -> " + tratto_dopo) + " (" + n(p.da_m) +
         "-" + n(p.a_m) + " m): " + p.prima + " -> " + p.dopo + "\n";
  }
  if (!c.oggetti.empty()) {
    s += traduci("confronto.oggetti") + "\n";
    for (const cambio_oggetto& o : c.oggetti) {
      s += "  " + accordato(o.cosa, o.tipo);
      if (o.cosa == SPOSTATO) {
        s += " " + traduci("confronto.da_a", {{"da", luogo_prima(*o.prima_m)}, {"a", luogo_dopo(*o.dopo_m)}}) + ": " +
             o.dopo + "\n";
      } else if (o.cosa == CAMBIATO) {
        s += " " + traduci("confronto.a", {{"dove", dove(o.prima_m, o.dopo_m)}}) + ": " + o.prima + " -> " + o.dopo + "\n";
      } else {
        s += " " + traduci("confronto.a", {{"dove", dove(o.prima_m, o.dopo_m)}}) + ": " + (o.dopo.empty() ? o.prima : o.dopo) +
             "\n";
      }
    }
  }
  std::string elenco;
  const size_t mostrati = std::min<size_t>(c.tratti_diversi.size(), 12);
  for (size_t i = 0; i < mostrati; ++i) {
    const tratto_diverso& t = c.tratti_diversi[i];
    elenco += (i == 0 ? ": " : ", ") + n(static_cast<int64_t>(t.da));
    if (t.a > t.da) elenco += "-" + n(static_cast<int64_t>(t.a));
    elenco += " (" + n(metro_oggetto(t.da)) + "-" + n(metro_profilo(t.a)) + " m)";
  }
  if (mostrati < c.tratti_diversi.size()) elenco += traduci("confronto.e_altre");
  s += traduci("confronto.dettaglio",
               {{"diverse", c.celle_diverse}, {"celle", c.celle}, {"elenco", elenco}, {"metri_diversi", c.metri_diversi},
                {"metri", c.metri},
                {"tabella", frase(c.voci_diverse ? dal_catalogo("confronto.tabella_diversa") : dal_catalogo("confronto.tabella_uguale"))}}) +
       "\n";
  return s;
}

}  // namespace scenario::vista
