#include "text/lettura_dati.h"

#include "text/fasi.h"
#include "track/rapporto_errori.h"

namespace scenario {

void chiudi_ed_elimina(stato_lettura& s, quale_testo quale) {
  s.testo.chiudi();
  (quale == quale_testo::linea ? s.eliminati.linea : s.eliminati.treno) = true;
}

void registra_errore(stato_lettura& s, int32_t codice, std::optional<int32_t> posizione) {
  scenario::registra_errore(s.m, codice, posizione, s.luogo_record);
}

bool entro_percorso(const modello& m, int32_t posizione, int32_t margine) {
  return (static_cast<double>(posizione) + margine) / 50 <= m.ultima_cella();
}

esito_record oltre_percorso(stato_lettura& s, int32_t posizione) {
  registra_errore(s, codice::oltre_percorso, posizione);
  return esito_record::fine_fase;
}

bool leggi_parola_chiave(stato_lettura& s) {
  if (s.testo.fine_file()) return false;
  s.m.riga = s.testo.leggi_testo();
  if (s.testo.fine_file()) return false;
  for (int volte = 0; volte < 2 && contiene(s.m.riga, "-"); ++volte) {
    s.m.riga = s.testo.leggi_testo();
    if (s.testo.fine_file()) return false;
  }
  s.luogo_record = s.testo.luogo_elemento();
  return true;
}

testi_eliminati memorizza_dati(modello& m, const testo_ingresso& linea,
                               const testo_ingresso& treno) {
  stato_lettura s{m, linea, treno, {}, {}, 80, false, {}};
  try {
    if (fase_linea(s) == esito_fase::interrompi) return s.eliminati;
    fase_treno(s);
  } catch (const guasto_lettura& guasto) {
    // A failed read ends the whole stage: both description texts go, so that none
    // outlives the build.
    s.testo.chiudi();
    s.eliminati = {true, true};
    registra_errore(m, codice::lettura_fallita, std::nullopt, guasto.luogo(), guasto.what());
  }
  return s.eliminati;
}

}  // namespace scenario
