#include "app/costruzione.h"

#include <string>
#include <system_error>

#include "output/file_compilati.h"
#include "output/sostituzione.h"
#include "scenario/testi_incorporati.h"
#include "text/lettura_dati.h"
#include "track/codici_gara.h"
#include "track/finitura.h"
#include "track/rapporto_errori.h"

namespace scenario {

std::string nome_geometria(const modello& m) { return m.linea + "_linea.dat"; }
std::string nome_tabella(const modello& m) { return m.linea + "_" + m.treno + ".sim"; }
std::string nome_percorso(const modello& m) { return m.linea + "_" + m.treno + ".dat"; }

void leggi_e_rifinisci(modello& m, int32_t j) {
  m.genera_linea = j;
  m.codice_errore = 0;
  for (voce& v : m.tabella) v = voce{};
  memorizza_dati(m);
  rifinitura_percorso(m);
}

int32_t timbra_intestazione(modello& m) {
  // Without a track there is no cell 1 to carry the header; the reading stage has then
  // recorded an error, which the caller reports first.
  if (m.percorso.size() < 2) return codice::intestazione_valore;
  voce& intestazione = m.tabella[85];
  cella& prima = m.percorso[1];
  if (intestazione.valore1 != 0 || prima.dato1 != 0) return codice::intestazione_valore;
  intestazione.valore1 = 610;
  prima.dato1 = 5121;
  if (intestazione.orario != 0 || prima.dato2 != 0) return codice::intestazione_codice;
  intestazione.orario = codice_gara_st(m);
  prima.dato2 = static_cast<int16_t>(codice_gara_og(m));
  return 0;
}

void scrivi_file_compilati(const modello& m) {
  if (m.genera_linea != 0) {
    sostituisci_file(m.cartella / nome_geometria(m), serializza_tracciato(m.tracciato));
  }
  sostituisci_file(m.cartella / nome_tabella(m), serializza_tabella(m.tabella));
  sostituisci_file(m.cartella / nome_percorso(m), serializza_percorso(m.percorso));
}

void compila_in_memoria(modello& m, piattaforma& p, int32_t j) {
  leggi_e_rifinisci(m, j);
  // A scenario with an error must not leave compiled files that look finished.
  if (m.codice_errore != 0) errore(p, std::to_string(m.codice_errore), dettaglio_errore(m));
  const int32_t intestazione = timbra_intestazione(m);
  if (intestazione != 0) {
    // A header place is taken by an object of the first cell: no record of the texts is
    // being read any more, so the description goes alone.
    const auto voce = cerca_errore(intestazione);
    errore(p, std::to_string(intestazione), voce ? voce->descrizione : "");
  }
}

void memorizza_percorso(modello& m, piattaforma& p, int32_t j) {
  compila_in_memoria(m, p, j);
  scrivi_file_compilati(m);
}

void Form_Load(modello& m, piattaforma& p) {
  m.linea = LINEA_INCORPORATA;
  m.treno = TRENO_INCORPORATO;
  p.mostra_finestra();
  try {
    dati_linea(m);
    dati_treno(m);
    dati_note(m);
    dati_rallentamenti(m);
    dati_scheda(m);
    memorizza_percorso(m, p, 1);
  } catch (...) {
    // The description texts are the build's own scratch files: none outlives it.
    elimina_testi_descrizione(m);
    throw;
  }
}

}  // namespace scenario
