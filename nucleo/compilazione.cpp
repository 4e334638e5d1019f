#include "nucleo/compilazione.h"

#include "nucleo/verifica_orario.h"
#include "nucleo/verifica_set.h"
#include "track/finitura.h"
#include "track/intestazione.h"

namespace scenario {

namespace {

// `compila_modello`; true when `r.piano_pronto` took the geometry file.
bool compila(const richiesta& r, modello& m, testi_eliminati& eliminati) {
  m.linea = r.linea;
  m.treno = r.treno;
  m.genera_linea = r.genera_linea ? 1 : 0;
  m.codice_errore = 0;
  m.permissivo = r.permissivo;
  for (voce& v : m.tabella) v = voce{};
  bool consegnato = false;
  std::function<void()> dopo_linea;
  if (r.piano_pronto && m.genera_linea != 0) {
    dopo_linea = [&] {
      if (con_errori(m.diagnostiche) || !m.tracciato.esiste()) return;
      consegnato = r.piano_pronto(m.tracciato);
    };
  }
  eliminati = memorizza_dati(m, r.testo_linea, r.testo_treno, r.max_errori, dopo_linea);
  // Every record is looked up in what was read: what the finishing pass adds goes only on
  // free cells, so whatever a record lost is lost already.
  attese_finitura attese;
  if (!m.percorso.empty()) attese = verifica_set(m);
  // The finishing pass and the header places are looked at only when the texts read
  // clean: on cells that a refused or lost record left out, their errors could only
  // mislead.
  if (!con_errori(m.diagnostiche)) {
    rifinitura_percorso(m);
    verifica_dopo_finitura(m, attese);
    if (!con_errori(m.diagnostiche)) timbra_intestazione(m);
    // Whether the timetable can be kept, once there is a whole set to run over.
    if (!con_errori(m.diagnostiche)) verifica_orario(m, r.marcia);
  }
  return consegnato;
}

}  // namespace

testi_eliminati compila_modello(const richiesta& r, modello& m) {
  testi_eliminati eliminati;
  compila(r, m, eliminati);
  return eliminati;
}

risultato memorizza_percorso(const richiesta& r, modello& m, uscite_compilate* uscite) {
  risultato esito;
  const bool geometria_consegnata = compila(r, m, esito.eliminati);
  esito.riuscito = !con_errori(m.diagnostiche);
  if (esito.riuscito && uscite != nullptr) {
    if (m.genera_linea != 0 && !geometria_consegnata) {
      serializza_tracciato(m.tracciato, uscite->apri(file_compilato::geometria));
    }
    serializza_tabella(m.tabella, uscite->apri(file_compilato::tabella));
    serializza_percorso(m.percorso, uscite->apri(file_compilato::percorso));
  }
  esito.diagnostiche = m.diagnostiche;
  return esito;
}

}  // namespace scenario
