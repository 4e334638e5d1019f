#include "text/lettura_dati.h"

#include <algorithm>
#include <array>

#include "text/codifica.h"
#include "text/fasi.h"
#include "track/codici_gara.h"
#include "track/rapporto_errori.h"

namespace scenario {

void chiudi_ed_elimina(stato_lettura& s, quale_testo quale) {
  s.testo.chiudi();
  (quale == quale_testo::linea ? s.eliminati.linea : s.eliminati.treno) = true;
}

void registra_errore(stato_lettura& s, int32_t codice, std::optional<int32_t> posizione) {
  scenario::registra_errore(s.m, codice, posizione, s.luogo_record);
}

void registra_errore(stato_lettura& s, int32_t codice, std::optional<int32_t> posizione,
                     std::string motivo) {
  scenario::registra_errore(s.m, codice, posizione, s.luogo_record, std::move(motivo));
}

void registra_avviso(stato_lettura& s, int32_t codice, std::string motivo) {
  scenario::registra_avviso(s.m, codice, s.luogo_record, std::move(motivo));
}

void registra_avviso(stato_lettura& s, int32_t codice, int32_t posizione, std::string motivo) {
  scenario::registra_avviso(s.m, codice, posizione, s.luogo_record, std::move(motivo));
}

std::optional<std::string_view> testo_latin1(stato_lettura& s, const testo_ingresso& t,
                                             std::string& convertito) {
  const std::string& byte = *t.byte;
  esame_codifica esame = esamina_codifica(byte);
  const luogo_testo prima_riga{t.etichetta, 1, 1};
  switch (esame.tipo) {
    case codifica::latin1: return std::string_view(byte);
    case codifica::bom_utf8:
      scenario::registra_errore(s.m, codice::codifica_testo, std::nullopt, prima_riga,
                                "il testo comincia con il segno d'ordine dei byte (BOM) UTF-8: "
                                "salvarlo senza BOM, in ISO 8859-1 o UTF-8");
      return std::nullopt;
    case codifica::utf16:
      scenario::registra_errore(s.m, codice::codifica_testo, std::nullopt, prima_riga,
                                "il testo e' in UTF-16: salvarlo in ISO 8859-1 o UTF-8");
      return std::nullopt;
    case codifica::utf8_convertito:
      scenario::registra_avviso(s.m, avviso::testo_utf8, luogo_testo{t.etichetta, esame.riga, 1});
      convertito = std::move(esame.convertito);
      return std::string_view(convertito);
    case codifica::utf8_non_latin1:
      scenario::registra_avviso(s.m, avviso::caratteri_non_latini,
                                luogo_testo{t.etichetta, esame.riga, 1});
      return std::string_view(byte);
  }
  return std::string_view(byte);
}

void annota_parola_chiave(stato_lettura& s) {
  s.luogo_record = s.testo.luogo_elemento();
  s.parola_a_inizio_riga = s.testo.elemento_a_inizio_riga();
  s.parola_con_virgola = s.testo.chiusura() == chiusura_elemento::virgola;
  s.parola_con_numero = s.parola_con_virgola && s.testo.segue_numero();
}

namespace {

std::string senza_spazi_ai_lati(std::string_view t) {
  const size_t a = t.find_first_not_of(" \t");
  if (a == std::string_view::npos) return "";
  const size_t b = t.find_last_not_of(" \t");
  return std::string(t.substr(a, b - a + 1));
}

// Edit distance between two words of at most PAROLA_MASSIMA characters, or more than
// `limite` once every way through exceeds it: only close words matter here.
constexpr size_t PAROLA_MASSIMA = 40;

size_t distanza(std::string_view a, std::string_view b, size_t limite) {
  std::array<size_t, PAROLA_MASSIMA + 1> riga{};
  for (size_t j = 0; j <= b.size(); ++j) riga[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonale = riga[0];
    riga[0] = i;
    size_t minima_riga = riga[0];
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t sopra = riga[j];
      riga[j] = std::min({riga[j] + 1, riga[j - 1] + 1, diagonale + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonale = sopra;
      minima_riga = std::min(minima_riga, riga[j]);
    }
    if (minima_riga > limite) return limite + 1;
  }
  return riga[b.size()];
}

}  // namespace

std::optional<std::string_view> parola_vicina(std::string_view parola,
                                              std::span<const std::string_view> parole) {
  // Words of an author's notes are long: only a keyword-sized item is compared, and only
  // with keywords of nearly its length (a distance is at least the difference of lengths).
  constexpr size_t vicinanza = 2;
  if (parola.size() > PAROLA_MASSIMA) return std::nullopt;
  const std::string cercata = minuscolo_latin1(parola);
  std::optional<std::string_view> migliore;
  size_t minima = 0;
  for (std::string_view p : parole) {
    if (p.size() > PAROLA_MASSIMA || p.size() + vicinanza < cercata.size() ||
        cercata.size() + vicinanza < p.size()) {
      continue;
    }
    const size_t d = distanza(cercata, p, vicinanza);
    if (!migliore || d < minima) {
      migliore = p;
      minima = d;
    }
  }
  // Close: two edits at most, and fewer than a third of the word.
  if (!migliore || minima == 0 || minima > vicinanza || minima * 3 > migliore->size()) return std::nullopt;
  return migliore;
}

void controlla_parola(stato_lettura& s, bool riconosciuta,
                      std::span<const std::string_view> parole,
                      std::span<const std::string_view> sezioni) {
  // Items that do not begin a line are values of a record already warned about.
  if (riconosciuta || !s.parola_a_inizio_riga) return;
  const std::string parola = senza_spazi_ai_lati(s.m.riga);
  if (parola.size() >= 2 && parola.front() == '[' && parola.back() == ']') {
    if (std::find(sezioni.begin(), sezioni.end(), minuscolo_latin1(parola)) != sezioni.end()) return;
    std::string motivo = "'" + parola + "'";
    if (const auto vicina = parola_vicina(parola, sezioni)) motivo += ": forse '" + std::string(*vicina) + "'?";
    registra_avviso(s, avviso::sezione_sconosciuta, motivo);
    return;
  }
  if (!s.parola_con_numero) return;
  std::string motivo = "'" + parola + "'";
  if (const auto vicina = parola_vicina(parola, parole)) motivo += ": forse '" + std::string(*vicina) + "'?";
  registra_avviso(s, avviso::parola_sconosciuta, motivo);
}

void controlla_fine_record(stato_lettura& s) {
  const lettore_testo& t = s.testo;
  if (t.luogo_elemento().riga != s.luogo_record.riga) {
    registra_avviso(s, avviso::valori_fuori_riga,
                    "valori mancanti: il record prende i suoi ultimi valori dalla riga " +
                        std::to_string(t.luogo_elemento().riga));
  } else if (t.chiusura() == chiusura_elemento::virgola) {
    registra_avviso(s, avviso::valori_fuori_riga,
                    "valori in piu' dalla colonna " + std::to_string(t.luogo_corrente().colonna) +
                        ": sono letti come record seguenti (una virgola decimale?)");
  }
}

void controlla_ordine(stato_lettura& s, std::optional<int32_t>& ultima, int32_t posizione,
                      const char* cosa) {
  if (ultima && posizione < *ultima) {
    registra_avviso(s, avviso::fuori_ordine, posizione,
                    std::string(cosa) + " dopo quella a " + std::to_string(*ultima) + " m");
  }
  ultima = posizione;
}

void annota_cella_uno(stato_lettura& s) {
  if (s.m.percorso.size() < 2 || s.m.luoghi_oggetti.count(1) != 0) return;
  const cella& prima = s.m.percorso[1];
  if (prima.dato1 != 0 || prima.dato2 != 0) s.m.luoghi_oggetti[1] = s.luogo_record;
}

esito_record rifiuta_valore(stato_lettura& s, quale_testo quale, int32_t codice, int32_t posizione,
                            std::string motivo) {
  chiudi_ed_elimina(s, quale);
  registra_errore(s, codice, posizione, std::move(motivo));
  return esito_record::interrompi;
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
  annota_parola_chiave(s);
  return true;
}

testi_eliminati memorizza_dati(modello& m, const testo_ingresso& linea,
                               const testo_ingresso& treno) {
  stato_lettura s(m, linea, treno);
  try {
    if (fase_linea(s) == esito_fase::interrompi) return s.eliminati;
    fase_treno(s);
  } catch (const guasto_lettura& guasto) {
    // A failed read ends the whole stage: both description texts go, so that none
    // outlives the build.
    s.testo.chiudi();
    s.eliminati = {true, true};
    // A record whose values ran on into the next line is short of values: the failure is
    // its own, and is reported at it.
    if (s.in_record && guasto.luogo().file == s.luogo_record.file &&
        guasto.luogo().riga > s.luogo_record.riga) {
      registra_errore(m, codice::lettura_fallita, std::nullopt, s.luogo_record,
                      "valori mancanti nel record; alla riga " + std::to_string(guasto.luogo().riga) +
                          ", colonna " + std::to_string(guasto.luogo().colonna) + ": " + guasto.what());
    } else {
      registra_errore(m, codice::lettura_fallita, std::nullopt, guasto.luogo(), guasto.what());
    }
  }
  return s.eliminati;
}

}  // namespace scenario
