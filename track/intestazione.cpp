#include "track/intestazione.h"

#include "model/numeri.h"
#include "track/codici_gara.h"
#include "track/rapporto_errori.h"

namespace scenario {

int32_t timbra_intestazione(modello& m) {
  // Without a track there is no cell 1 to carry the header; the reading stage has then
  // recorded an error of its own.
  if (m.percorso.size() < 2) {
    registra_errore(m, codice::intestazione_valore, std::nullopt);
    return codice::intestazione_valore;
  }
  voce& intestazione = m.tabella[voce_tabella::intestazione];
  cella& prima = m.percorso[1];
  if (intestazione.valore1 != 0 || prima.dato1 != 0) {
    registra_errore(m, codice::intestazione_valore, std::nullopt);
    return codice::intestazione_valore;
  }
  intestazione.valore1 = 610;
  prima.dato1 = 5121;
  if (intestazione.orario != 0 || prima.dato2 != 0) {
    registra_errore(m, codice::intestazione_codice, std::nullopt);
    return codice::intestazione_codice;
  }
  intestazione.orario = codice_gara_st(m);
  prima.dato2 = basso16(codice_gara_og(m));
  return 0;
}

}  // namespace scenario
