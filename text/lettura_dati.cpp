#include "text/lettura_dati.h"

#include <system_error>

#include "scenario/testi_incorporati.h"
#include "text/fasi.h"
#include "track/rapporto_errori.h"

namespace scenario {

void chiudi_ed_elimina(stato_lettura& s, const std::filesystem::path& file) {
  s.testo.chiudi();
  std::error_code ec;
  std::filesystem::remove(file, ec);
  if (ec) throw guasto_lettura("impossibile eliminare il testo: " + ec.message(), s.luogo_record);
}

void registra_errore(stato_lettura& s, int32_t codice, std::optional<int32_t> posizione) {
  s.m.codice_errore = codice;
  if (posizione) s.m.posizione_errore = *posizione;
  s.m.luogo_errore = s.luogo_record;
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

namespace {

std::string etichetta_o_nome(const std::string& etichetta, const std::string& nome) {
  return etichetta.empty() ? nome : etichetta;
}

// A failed read ends the whole stage: every text is closed and both description texts
// are removed, so that none outlives the build.
void applica_regola_guasto(stato_lettura& s, const guasto_lettura& guasto) {
  s.testo.chiudi();
  elimina_testi_descrizione(s.m);
  s.m.codice_errore = codice::lettura_fallita;
  s.m.luogo_errore = guasto.luogo();
  s.m.motivo_errore = guasto.what();
}

}  // namespace

void elimina_testi_descrizione(const modello& m) {
  std::error_code ignorato;
  std::filesystem::remove(m.cartella / nome_testo_linea(m), ignorato);
  std::filesystem::remove(m.cartella / nome_testo_treno(m), ignorato);
}

void memorizza_dati(modello& m) {
  stato_lettura s{m, {}, m.cartella / nome_testo_linea(m), m.cartella / nome_testo_treno(m),
                  etichetta_o_nome(m.etichetta_linea, nome_testo_linea(m)),
                  etichetta_o_nome(m.etichetta_treno, nome_testo_treno(m)), 80, {}};
  m.luogo_errore = {};
  m.motivo_errore.clear();
  try {
    if (fase_linea(s) == esito_fase::interrompi) return;
    fase_treno(s);
  } catch (const guasto_lettura& guasto) {
    applica_regola_guasto(s, guasto);
  }
}

}  // namespace scenario
