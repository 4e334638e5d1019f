#include "vista/json.h"

#include <nlohmann/json.hpp>

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

std::string resoconto_json(const scenario_decodificato& s, bool celle) {
  const auto& t = s.tabella;
  const codici_identita codici = calcola_codici_identita(s.treno, s.linea);
  ordinato r;
  r["linea"] = latin1_in_utf8(s.linea);
  r["treno"] = latin1_in_utf8(s.treno);
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
  for (int i = 81; i <= 83; ++i) {
    const voce& v = t[static_cast<size_t>(i)];
    progressive.push_back({{"voce", i}, {"da", v.inizio}, {"km_m", v.fine}, {"decrescente", v.posizione == 1}});
  }
  r["progressive"] = progressive;

  ordinato stazioni_json = ordinato::array();
  for (const stazione& st : stazioni(s)) {
    const voce& v = *st.v;
    stazioni_json.push_back({{"voce", st.indice},
                             {"posizione", v.posizione},
                             {"km", testo_km(chilometro(s, v.posizione))},
                             {"tipo", v.tipo},
                             {"inizio", v.inizio},
                             {"fine", v.fine},
                             {"cella_fermata", st.cella_fermata},
                             {"sosta", v.sosta},
                             {"orario", v.orario},
                             {"orario_testo", v.orario != 0 ? testo_ora(v.orario) : ""},
                             {"nome", latin1_in_utf8(v.nome)},
                             {"opzioni", {v.opzione1, v.opzione2, v.opzione3, v.opzione4}},
                             {"valori", {v.valore1, v.valore2, v.valore3, v.valore4, v.valore5}}});
  }
  r["stazioni"] = stazioni_json;

  ordinato segnali = ordinato::array(), cartelli = ordinato::array(), indicatori = ordinato::array(),
           abbattimenti = ordinato::array();
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    const cella& x = s.percorso[c];
    const int32_t p = metro_oggetto(c);
    if (x.tipo == tipo_cella::segnale) {
      segnali.push_back({{"cella", c}, {"posizione", p}, {"km", testo_km(chilometro(s, p))}, {"codice", x.dato4},
                         {"valori", {x.dato1, x.dato2, x.dato3}}, {"tempo", x.tempo}});
    } else if (x.tipo == tipo_cella::cartello) {
      const bool valida = x.dato1 > 0 && x.dato1 < VOCI_TABELLA;
      cartelli.push_back({{"cella", c}, {"posizione", p}, {"km", testo_km(chilometro(s, p))}, {"voce", x.dato1},
                          {"testo", valida ? latin1_in_utf8(testo_cartello(t[static_cast<size_t>(x.dato1)].nome)) : ""}});
    } else if (x.tipo == tipo_cella::indicatore_vmax) {
      indicatori.push_back({{"cella", c}, {"posizione", p}, {"valori", {x.dato1, x.dato2, x.dato3}}, {"strisce", x.dato4}});
    } else if (x.tipo == tipo_cella::abbattimento || x.tipo == tipo_cella::abbattimento_senza_valore) {
      abbattimenti.push_back({{"cella", c}, {"posizione", metro_profilo(c)}, {"valore", x.tipo == tipo_cella::abbattimento ? x.dato1 : 0}});
    }
  }
  r["segnali"] = segnali;
  r["cartelli"] = cartelli;
  r["indicatori_vmax"] = indicatori;
  ordinato lenti = ordinato::array();
  for (const rallentamento& x : rallentamenti(s)) {
    lenti.push_back({{"da", metro_oggetto(x.inizio)}, {"a", metro_oggetto(x.fine)}, {"velocita", x.velocita}});
  }
  r["rallentamenti"] = lenti;
  r["abbattimenti"] = abbattimenti;
  auto tratti_json = [&](uint8_t cella::*campo, int per, int piu) {
    ordinato a = ordinato::array();
    for (const tratto& x : tratti(s, campo)) a.push_back({{"da", x.da}, {"a", x.a}, {"valore", x.valore * per + piu}});
    return a;
  };
  r["velocita_kmh"] = tratti_json(&cella::velocita, 5, 0);
  r["pendenze_per_mille"] = tratti_json(&cella::pendenza, 1, -100);
  r["aderenza"] = tratti_json(&cella::aderenza, 1, 0);
  ordinato monti = ordinato::array();
  for (const tratto_montagna& x : montagne(s)) monti.push_back({{"da", x.da}, {"a", x.a}, {"tipo", x.tipo}});
  r["montagne"] = monti;
  if (celle) {
    ordinato tutte = ordinato::array();
    for (const cella& x : s.percorso) {
      tutte.push_back({x.tipo, x.dato1, x.dato2, x.dato3, x.dato4, x.tempo, x.preavviso, x.montagna, x.velocita,
                       x.pendenza, x.aderenza});
    }
    r["celle_campi"] = {"tipo", "dato1", "dato2", "dato3", "dato4", "tempo", "preavviso", "montagna", "velocita",
                        "pendenza", "aderenza"};
    r["celle_elenco"] = tutte;
  }
  return r.dump(2);
}

// ---- Comparison of two compiled scenarios ----

namespace {

ordinato metri_o_nulla(const std::optional<int32_t>& m) { return m ? ordinato(*m) : ordinato(nullptr); }

ordinato valori_cambiati(const std::vector<cambio_valore>& v) {
  ordinato a = ordinato::array();
  for (const cambio_valore& c : v) {
    a.push_back({{"campo", latin1_in_utf8(c.campo)}, {"prima", latin1_in_utf8(c.prima)}, {"dopo", latin1_in_utf8(c.dopo)}});
  }
  return a;
}

}  // namespace

std::string confronto_json(const confronto_scenari& c) {
  ordinato r;
  r["uguali"] = c.uguali();
  r["intestazione"] = valori_cambiati(c.intestazione);
  ordinato st = ordinato::array();
  for (const cambio_stazione& s : c.stazioni) {
    ordinato o;
    o["cosa"] = s.cosa;
    o["nome"] = latin1_in_utf8(s.nome);
    if (s.cosa == "rinominata") o["nome_dopo"] = latin1_in_utf8(s.nome_dopo);
    o["prima_m"] = metri_o_nulla(s.prima_m);
    o["dopo_m"] = metri_o_nulla(s.dopo_m);
    o["dettagli"] = valori_cambiati(s.dettagli);
    st.push_back(std::move(o));
  }
  r["stazioni"] = std::move(st);
  ordinato pr = ordinato::array();
  for (const cambio_profilo& p : c.profili) {
    pr.push_back({{"profilo", latin1_in_utf8(p.profilo)}, {"da_m", p.da_m}, {"a_m", p.a_m},
                  {"prima", latin1_in_utf8(p.prima)}, {"dopo", latin1_in_utf8(p.dopo)}});
  }
  r["profili"] = std::move(pr);
  ordinato og = ordinato::array();
  for (const cambio_oggetto& o : c.oggetti) {
    og.push_back({{"cosa", o.cosa}, {"tipo", o.tipo}, {"descrizione", latin1_in_utf8(o.descrizione)},
                  {"prima_m", metri_o_nulla(o.prima_m)}, {"dopo_m", metri_o_nulla(o.dopo_m)}});
  }
  r["oggetti"] = std::move(og);
  r["celle_diverse"] = c.celle_diverse;
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
    nota["message"] = latin1_in_utf8(n.testo);
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
