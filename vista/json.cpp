#include "vista/json.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>

#include "lingue/diagnostiche.h"
#include "model/formato.h"
#include "nucleo/verifica_orario.h"

#include "text/codifica.h"
#include "vista/analisi.h"
#include "vista/confronto.h"
#include "vista/resoconto.h"

namespace scenario {

namespace {

using ordinato = nlohmann::ordered_json;

ordinato da_campi(const std::vector<json::campo>& campi) {
  ordinato o = ordinato::object();
  for (const json::campo& c : campi) {
    std::visit(
        [&](const auto& v) {
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, std::string>) {
            o[c.nome] = latin1_in_utf8(v);
          } else {
            o[c.nome] = v;
          }
        },
        c.v);
  }
  return o;
}

}  // namespace

namespace json {

std::string oggetto(const std::vector<campo>& campi) { return da_campi(campi).dump(); }

std::string elenco(const std::vector<std::vector<campo>>& oggetti, bool rientro) {
  if (!rientro) {
    ordinato a = ordinato::array();
    for (const auto& o : oggetti) a.push_back(da_campi(o));
    return a.dump();
  }
  std::string r = "[";
  for (size_t i = 0; i < oggetti.size(); ++i) r += (i ? ",\n  " : "\n  ") + oggetto(oggetti[i]);
  r += oggetti.empty() ? "]" : "\n]";
  return r;
}

}  // namespace json

namespace vista {

namespace {

ordinato o_nulla(const std::optional<int32_t>& secondi) {
  return secondi ? ordinato(testo_ora(*secondi)) : ordinato(nullptr);
}

// Numbered points as one text, "m,a m,a ..." or "m,a,b m,a,b ...": the metre, then each
// value to a tenth (below anything a screen shows). Thousands of points stay one line.
std::string punti_in_testo(const std::vector<double>& valori, size_t per_punto) {
  std::string r;
  char b[40];
  for (size_t i = 0; i < valori.size(); ++i) {
    const double v = std::isfinite(valori[i]) ? std::nearbyint(valori[i] * 10) / 10 : 0.0;
    const bool primo = i % per_punto == 0;
    std::snprintf(b, sizeof b, primo ? "%s%.0f" : ",%s%.1f", primo && i > 0 ? " " : "", v);
    r += b;
  }
  return r;
}

ordinato corse(const std::vector<tratto>& t) {
  ordinato a = ordinato::array();
  for (const tratto& x : t) a.push_back({{"da", x.da}, {"a", x.a}, {"valore", x.valore}});
  return a;
}

ordinato numero_o_nulla(double x, double passo) {
  return std::isfinite(x) ? ordinato(std::nearbyint(x / passo) * passo) : ordinato(nullptr);
}
ordinato metro_o_nulla(const std::optional<double>& m) { return m ? ordinato(std::floor(*m)) : ordinato(nullptr); }

// The points of the run for a chart, "m,km/h,s ...": a point in the middle of a stretch at
// one speed says nothing the two at its ends do not, and goes.
std::string punti_marcia(const std::vector<punto_marcia>& punti) {
  std::vector<double> valori;
  for (size_t i = 0; i < punti.size(); ++i) {
    const punto_marcia& p = punti[i];
    if (i > 0 && i + 1 < punti.size()) {
      const punto_marcia &a = punti[i - 1], &b = punti[i + 1];
      const bool dritto = a.velocita == p.velocita && p.velocita == b.velocita && a.metro < p.metro &&
                          p.metro < b.metro && a.tempo < p.tempo && p.tempo < b.tempo;
      if (dritto) continue;
    }
    valori.insert(valori.end(), {p.metro, p.velocita * 3.6, p.tempo});
  }
  return punti_in_testo(valori, 3);
}

ordinato marcia_json(const scenario_decodificato& s, const scelte_marcia& scelte) {
  const marcia_tesa m = calcola_marcia_tesa(s.percorso, s.tabella, scelte, true);
  const ipotesi_marcia& ip = m.ipotesi;
  ordinato r;
  r["ipotesi"] = {{"accelerazione", ip.accelerazione},
                  {"accelerazione_data", ip.accelerazione_data},
                  {"frenatura", ip.frenatura},
                  {"frenatura_data", ip.frenatura_data},
                  {"massa_frenata", ip.massa_frenata},
                  {"vetture", ip.vetture},
                  {"lunghezza_vettura_m", LUNGHEZZA_VETTURA},
                  {"lunghezza_treno_m", ip.lunghezza_treno},
                  {"testo", rendi(testo_ipotesi(ip))}};
  ordinato tratte = ordinato::array();
  for (const tratta_marcia& t : m.tratte) {
    const fermata_marcia &da = m.fermate[t.da], &a = m.fermate[t.a];
    const auto resta = margine(t);
    tratte.push_back({{"da", da.voce},
                      {"a", a.voce},
                      {"da_nome", latin1_in_utf8(s.tabella[static_cast<size_t>(da.voce)].nome)},
                      {"a_nome", latin1_in_utf8(s.tabella[static_cast<size_t>(a.voce)].nome)},
                      {"da_m", da.punto},
                      {"a_m", a.punto},
                      {"partenza", testo_ora(static_cast<int32_t>(std::min<int64_t>(t.partenza, INT32_MAX)))},
                      {"arrivo", testo_ora(static_cast<int32_t>(std::min<int64_t>(t.arrivo, INT32_MAX)))},
                      {"partenza_s", t.partenza},
                      {"arrivo_s", t.arrivo},
                      {"concesso_s", t.concesso()},
                      {"minimo_senza_ipotesi_s", numero_o_nulla(t.minimo_senza_ipotesi, 0.1)},
                      {"minimo_s", numero_o_nulla(t.minimo, 0.1)},
                      {"margine_s", resta ? ordinato(*resta) : ordinato(nullptr)},
                      {"possibile", resta.has_value() && *resta >= 0},
                      {"blocco_senza_ipotesi_m", metro_o_nulla(t.blocco_senza_ipotesi)},
                      {"blocco_m", metro_o_nulla(t.blocco)},
                      {"concesso", rendi(testo_durata(t.concesso()))},
                      {"minimo_senza_ipotesi", rendi(testo_minimo(t.minimo_senza_ipotesi, t.blocco_senza_ipotesi))},
                      {"minimo", rendi(testo_minimo(t.minimo, t.blocco))},
                      {"margine", resta ? ordinato(rendi(testo_durata(*resta))) : ordinato(nullptr)}});
  }
  r["tratte"] = std::move(tratte);
  r["punti"] = punti_marcia(m.punti);
  return r;
}

}  // namespace

std::string resoconto_json(const scenario_decodificato& s, bool celle, bool rientro, const scelte_marcia& marcia) {
  const auto& t = s.tabella;
  const codici_identita codici = codici_dei_nomi(s.treno, s.linea);
  auto km = [&](int32_t p) { return testo_km(chilometro(s, p)); };
  ordinato r;
  r["linea"] = identificativo_mostrato(s.linea);
  r["treno"] = identificativo_mostrato(s.treno);
  r["lunghezza_m"] = s.lunghezza;
  r["celle"] = s.percorso.size();
  r["punti_tracciato"] = s.geometria.x.size();
  r["intestazione"] = {{"cella1_dato1", s.percorso[1].dato1}, {"voce85_valore1", t[voce_tabella::intestazione].valore1}};
  r["codici_identita"] = {{"cella1", s.percorso[1].dato2},
                          {"voce85", t[voce_tabella::intestazione].orario},
                          {"attesi_cella1", codici.og},
                          {"attesi_voce85", codici.st}};
  r["treno_dati"] = {{"vetture", t[voce_tabella::dati_treno].posizione},
                     {"massa_frenata", t[voce_tabella::dati_treno].inizio},
                     {"sabbia", t[voce_tabella::dati_corsa].valore1},
                     {"orologio", {t[voce_tabella::dati_corsa].valore3, t[voce_tabella::dati_corsa].valore4, t[voce_tabella::dati_corsa].valore5}}};
  r["sfondi"] = {t[voce_tabella::intestazione].inizio, t[voce_tabella::intestazione].posizione, t[voce_tabella::intestazione].fine};
  r["ripetizione_segnali"] = {{"da", t[voce_tabella::dati_corsa].inizio}, {"a", t[voce_tabella::dati_corsa].fine}, {"codici", t[voce_tabella::dati_corsa].posizione}};
  ordinato progressive = ordinato::array();
  for (size_t i = voce_tabella::progressiva_tre; i <= voce_tabella::progressiva_uno; ++i) {
    const voce& v = t[i];
    progressive.push_back({{"voce", i}, {"da", v.inizio}, {"km_origine_m", v.fine}, {"decrescente", v.posizione == 1}});
  }
  r["progressive"] = progressive;
  ordinato chilometraggio = ordinato::array();
  for (const tratto_chilometrico& x : tratti_chilometrici(s)) {
    chilometraggio.push_back({{"da", x.da}, {"a", x.a}, {"km_da_m", x.km_da}, {"decrescente", x.decrescente}});
  }
  r["chilometraggio"] = chilometraggio;

  ordinato stazioni_json = ordinato::array();
  const auto elenco = stazioni(s);
  for (size_t i = 0; i < elenco.size(); ++i) {
    const stazione& st = elenco[i];
    const voce& v = *st.v;
    const orario_stazione o = orario_di(elenco, i);
    stazioni_json.push_back({{"voce", st.indice},
                             {"posizione", v.posizione},
                             {"km", km(v.posizione)},
                             {"tipo", v.tipo},
                             {"inizio", v.inizio},
                             {"fine", v.fine},
                             {"cella_fermata", st.cella_fermata},
                             {"fermata_m", st.cella_fermata < 0 ? ordinato(nullptr)
                                                                : ordinato(metro_oggetto(static_cast<size_t>(st.cella_fermata)))},
                             {"sosta", v.sosta},
                             {"orario", v.orario},
                             {"arrivo", o_nulla(o.arrivo)},
                             {"partenza", o_nulla(o.partenza)},
                             {"nome", latin1_in_utf8(v.nome)},
                             {"opzioni", {v.opzione1, v.opzione2, v.opzione3, v.opzione4}},
                             {"valori", {v.valore1, v.valore2, v.valore3, v.valore4, v.valore5}}});
  }
  r["stazioni"] = stazioni_json;
  r["marcia"] = marcia_json(s, marcia);

  ordinato lista = ordinato::array();
  for (const segnale& x : segnali(s)) {
    lista.push_back({{"cella", x.cella}, {"metri_cella", metri_cella(x.cella)}, {"posizione", x.posizione},
                     {"km", km(x.posizione)}, {"sx", x.sx}, {"s1", x.s1}, {"s2", x.s2}, {"s3", x.s3},
                     {"rapp", x.rapp}, {"dx", x.dx}, {"d1", x.d1}, {"d2", x.d2}, {"d3", x.d3}, {"tempo", x.tempo}});
  }
  r["segnali"] = lista;
  lista = ordinato::array();
  for (const cartello& x : cartelli(s)) {
    lista.push_back({{"cella", x.cella}, {"posizione", x.posizione}, {"km", km(x.posizione)}, {"voce", x.voce},
                     {"testo", latin1_in_utf8(x.testo)}});
  }
  r["cartelli"] = lista;
  lista = ordinato::array();
  for (const indicatore& x : indicatori(s)) {
    ordinato kmh = ordinato::array();
    for (const auto& [a, b] : x.kmh) kmh.push_back({a, b});
    lista.push_back({{"cella", x.cella}, {"posizione", x.posizione}, {"km", km(x.posizione)}, {"kmh", kmh},
                     {"strisce", {x.strisce.first, x.strisce.second}}});
  }
  r["indicatori_vmax"] = lista;
  lista = ordinato::array();
  for (const rallentamento& x : rallentamenti(s)) {
    lista.push_back({{"da", x.da()}, {"a", x.a()}, {"km_da", km(x.da())}, {"km_a", km(x.a())},
                     {"velocita_kmh", x.velocita}, {"f_tt", x.f_tt}, {"d_v", x.d_v},
                     {"avviso", x.avviso ? ordinato(metro_oggetto(*x.avviso)) : ordinato(nullptr)},
                     {"celle_preavviso", x.anticipi}});
  }
  r["rallentamenti"] = lista;
  lista = ordinato::array();
  for (const abbattimento& x : abbattimenti(s)) {
    lista.push_back({{"cella", x.cella}, {"posizione", x.posizione}, {"km", km(x.posizione)},
                     {"valore_kmh", x.valore ? ordinato(*x.valore) : ordinato(nullptr)}});
  }
  r["abbattimenti"] = lista;
  r["velocita_kmh"] = corse(velocita_kmh(s));
  r["pendenze_per_mille"] = corse(pendenze_per_mille(s));
  r["aderenza"] = corse(tratti(s, &cella::aderenza));
  lista = ordinato::array();
  for (const curva& x : curve(s)) {
    lista.push_back({{"da", x.inizio}, {"lunghezza", x.lunghezza}, {"lato", x.destra ? "destra" : "sinistra"},
                     {"classe", x.classe}, {"raggio_m", x.raggio}});
  }
  r["curve"] = lista;
  lista = ordinato::array();
  for (const tratto_montagna& x : montagne(s)) {
    lista.push_back({{"da", x.da}, {"a", x.a}, {"tipo", x.tipo},
                     {"tipo_scritto", x.tipo_scritto ? ordinato(*x.tipo_scritto) : ordinato(nullptr)},
                     {"celle_libere", x.celle_libere}, {"testo", testo_montagna(x)}});
  }
  r["montagne"] = lista;
  {
    // Heights at most every 2000th of the line, for the profile's height line.
    const auto q = quote(s);
    const size_t celle_linea = std::min(q.size(), static_cast<size_t>(std::max(s.lunghezza, 0) / 50) + 1);
    const size_t salto = std::max<size_t>(1, celle_linea / 2000);
    std::vector<double> punti;
    for (size_t c = 0; c < celle_linea; c += salto) punti.insert(punti.end(), {double(metro_profilo(c)), q[c]});
    r["quote"] = punti_in_testo(punti, 2);
  }
  {
    constexpr double LATO = 1000;
    const pianta p = pianta_in_quadrato(s, LATO, 40, 3000);
    std::vector<double> punti;
    for (size_t i = 0; i < p.punti.size(); ++i) punti.insert(punti.end(), {double(p.metri[i]), p.punti[i][0], p.punti[i][1]});
    r["pianta"] = {{"lato", LATO}, {"unita_per_metro", p.scala}, {"punti", punti_in_testo(punti, 3)}};
  }
  if (celle) {
    ordinato tutte = ordinato::array();
    const auto curva_di = curve_delle_celle(s, curve(s));
    for (size_t c = 0; c < s.percorso.size(); ++c) {
      const cella& x = s.percorso[c];
      tutte.push_back({metri_cella(c), x.tipo, x.dato1, x.dato2, x.dato3, x.dato4, x.tempo, x.preavviso, x.montagna,
                       formato::velocita_da_cella(x.velocita), formato::pendenza_da_cella(x.pendenza), x.aderenza,
                       descrizione_cella(s, c), curva_di[c] < 0 ? ordinato(nullptr) : ordinato(curva_di[c])});
    }
    r["celle_campi"] = {"metri", "tipo", "dato1", "dato2", "dato3", "dato4", "tempo", "preavviso", "montagna",
                        "velocita_kmh", "pendenza_per_mille", "aderenza", "contenuto", "curva"};
    r["celle_elenco"] = tutte;
  }
  return r.dump(rientro ? 2 : -1);
}

// ---- Comparison of two compiled scenarios ----

namespace {

ordinato metri_o_nulla(const std::optional<int32_t>& m) { return m ? ordinato(*m) : ordinato(nullptr); }

ordinato valori_cambiati(const std::vector<cambio_valore>& v) {
  ordinato a = ordinato::array();
  for (const cambio_valore& c : v) a.push_back({{"campo", c.campo}, {"prima", c.prima}, {"dopo", c.dopo}});
  return a;
}

ordinato testo_o_nulla(const std::string& s) { return s.empty() ? ordinato(nullptr) : ordinato(s); }

}  // namespace

std::string confronto_json(const confronto_scenari& c) {
  ordinato r;
  r["uguali"] = c.uguali();
  r["intestazione"] = valori_cambiati(c.intestazione);
  ordinato st = ordinato::array();
  for (const cambio_stazione& s : c.stazioni) {
    ordinato o;
    o["cosa"] = s.cosa;
    o["nome"] = s.nome;
    if (s.cosa == "rinominata") o["nome_dopo"] = s.nome_dopo;
    o["prima_m"] = metri_o_nulla(s.prima_m);
    o["dopo_m"] = metri_o_nulla(s.dopo_m);
    o["dettagli"] = valori_cambiati(s.dettagli);
    st.push_back(std::move(o));
  }
  r["stazioni"] = std::move(st);
  ordinato pr = ordinato::array();
  for (const cambio_profilo& p : c.profili) {
    pr.push_back({{"profilo", latin1_in_utf8(p.profilo)}, {"da_m", p.da_m}, {"a_m", p.a_m}, {"prima", p.prima},
                  {"dopo", p.dopo}});
  }
  r["profili"] = std::move(pr);
  ordinato og = ordinato::array();
  for (const cambio_oggetto& o : c.oggetti) {
    og.push_back({{"cosa", o.cosa}, {"tipo", latin1_in_utf8(o.tipo)}, {"prima", testo_o_nulla(o.prima)},
                  {"dopo", testo_o_nulla(o.dopo)}, {"prima_m", metri_o_nulla(o.prima_m)},
                  {"dopo_m", metri_o_nulla(o.dopo_m)}});
  }
  r["oggetti"] = std::move(og);
  ordinato celle = ordinato::array();
  for (const tratto_diverso& t : c.tratti_diversi) celle.push_back({{"da", t.da}, {"a", t.a}});
  r["celle_diverse"] = c.celle_diverse;
  r["tratti_diversi"] = std::move(celle);
  r["celle"] = c.celle;
  r["metri_diversi"] = c.metri_diversi;
  r["metri"] = c.metri;
  r["tabella_diversa"] = c.voci_diverse;
  return r.dump(2);
}

}  // namespace vista

}  // namespace scenario

namespace scenario {

// One diagnostic of a build, for editors and scripts: kept here so that the whole program
// has one translation unit that uses the JSON library.
std::string diagnostica_in_json(const diagnostica& d, const std::string& messaggio,
                                const std::string& riga_sorgente) {
  using nlohmann::json;
  json oggetto;
  const bool con_riga = d.luogo && d.luogo->riga > 0;
  oggetto["file"] = d.luogo ? json(d.luogo->file) : json(nullptr);
  oggetto["line"] = con_riga ? json(d.luogo->riga) : json(nullptr);
  oggetto["column"] = con_riga ? json(d.luogo->colonna) : json(nullptr);
  oggetto["severity"] = d.livello == gravita::errore ? "error"
                        : d.livello == gravita::avviso ? "warning"
                                                       : "note";
  oggetto["number"] = d.numero;
  oggetto["position"] = d.posizione ? json(*d.posizione) : json(nullptr);
  // The end column is one past the item, as editors take a range's end.
  oggetto["end_column"] = con_riga && d.luogo->fine > d.luogo->colonna ? json(d.luogo->fine) : json(nullptr);
  oggetto["message"] = messaggio;
  if (!riga_sorgente.empty()) oggetto["source"] = riga_sorgente;
  json note = json::array();
  for (const nota_diagnostica& n : d.note) {
    json nota;
    nota["file"] = n.luogo.file.empty() ? json(nullptr) : json(n.luogo.file);
    nota["line"] = n.luogo.riga > 0 ? json(n.luogo.riga) : json(nullptr);
    nota["column"] = n.luogo.riga > 0 ? json(n.luogo.colonna) : json(nullptr);
    nota["end_column"] = n.luogo.fine > n.luogo.colonna ? json(n.luogo.fine) : json(nullptr);
    nota["message"] = messaggio_nota(n);
    note.push_back(std::move(nota));
  }
  oggetto["notes"] = std::move(note);
  if (d.correggi) {
    const correzione& c = *d.correggi;
    oggetto["fix"] = {{"file", c.luogo.file}, {"line", c.luogo.riga}, {"column", c.luogo.colonna},
                      {"end_column", c.luogo.fine}, {"replacement", latin1_in_utf8(c.sostituzione)}};
  } else {
    oggetto["fix"] = nullptr;
  }
  // A file name that is not UTF-8 has its stray bytes replaced rather than failing.
  return oggetto.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace scenario
