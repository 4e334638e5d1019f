#include "lsp/pagina_viva.h"

#include <exception>
#include <vector>

#include "lingue/catalogo.h"
#include "nucleo/diagnostiche_in_testo.h"
#include "nucleo/nomi_testi.h"
#include "output/decodifica.h"
#include "output/file_compilati.h"
#include "vista/json.h"
#include "vista/pagina.h"

namespace scenario::lsp {

namespace {

bool fallito(const elenco_diagnostiche& d, bool severo) {
  for (const diagnostica& x : d) {
    if (x.livello == gravita::errore || (severo && x.livello == gravita::avviso)) return true;
  }
  return false;
}

// The diagnostics of a failed check, each under its text's line, as the console shows them.
std::string come_in_console(const richiesta& q, const elenco_diagnostiche& d, bool note) {
  elenco_diagnostiche mostrate;
  for (const diagnostica& x : d) {
    if (x.livello != gravita::nota || x.numero == 0 || note) mostrate.push_back(x);
  }
  std::vector<testo_sorgente> testi;
  for (const testo_ingresso* t : {&q.testo_linea, &q.testo_treno}) {
    if (t->byte) testi.push_back({t->etichetta, *t->byte});
  }
  return diagnostiche_in_testo(mostrate, testi);
}

// The scenario's JSON, as mostra_scenario --json gives it, from the compiled files made in
// memory; the reason in `perche` when they do not decode.
std::string json_del_modello(const richiesta& q, const modello& m, std::string& perche) {
  try {
    const file_compilati_letti file{nome_geometria(q.linea), serializza_tracciato(m.tracciato),
                                    nome_tabella(q.linea, q.treno), serializza_tabella(m.tabella),
                                    nome_percorso(q.linea, q.treno), serializza_percorso(m.percorso)};
    const auto s = decodifica_scenario(file, q.linea, q.treno);
    if (s.valore) return vista::resoconto_json(*s.valore, false, false);
    perche = testo_errore(s.errore);
  } catch (const std::exception& e) {
    perche = e.what();
  }
  return "";
}

}  // namespace

std::string pagina_del_controllo(const richiesta& q, const modello& m, bool severo, bool note, pagina_viva& p,
                                 std::string_view ora) {
  vista::opzioni_pagina o;
  o.ricarica_secondi = RICARICA_PAGINA_VIVA;
  if (fallito(m.diagnostiche, severo)) {
    o.diagnostiche = come_in_console(q, m.diagnostiche, note);
    if (o.diagnostiche.empty()) o.diagnostiche = traduci("osserva.non_riuscita") + "\n";
  } else {
    std::string perche;
    std::string json = json_del_modello(q, m, perche);
    if (json.empty()) {
      o.diagnostiche = perche + "\n";
    } else {
      p.json = std::move(json);
    }
  }
  ++p.numero;
  o.marca = traduci("osserva.marca", {{"ora", std::string(ora)}, {"numero", p.numero}});
  return vista::pagina_da_json(p.json, o);
}

}  // namespace scenario::lsp
