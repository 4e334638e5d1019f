// The run phase of the reading stage: the run description text into the stations of
// the table and the speeds, adhesion, signals and slow-downs of the track.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "model/numeri.h"
#include "text/fasi.h"
#include "track/marcatori.h"
#include "track/rapporto_errori.h"

namespace scenario {

namespace {

// A value that holds along the line from its record's position up to the next record's:
// the speed limit or the adhesion. `cursore` is the next cell still to be written. Before
// the first record at a position past 0 the cells take that record's own value: the first
// value stated holds from the origin.
struct profilo {
  int64_t cursore = 0;
  std::optional<int32_t> precedente;
};

// Cursors of the run phase.
struct cursori_treno {
  int32_t stazione = 1;  // table entry of the next station
  profilo velocita;
  profilo aderenza;
};

esito_record interrompi(stato_lettura& s, int32_t codice, std::optional<int32_t> posizione = {}) {
  chiudi_ed_elimina(s, quale_testo::treno);
  registra_errore(s, codice, posizione);
  return esito_record::interrompi;
}

// A value refused because its field in the compiled files cannot hold it.
esito_record fuori_campo(stato_lettura& s, int32_t codice, int32_t posizione, std::string motivo) {
  return rifiuta_valore(s, quale_testo::treno, codice, posizione, std::move(motivo));
}

bool entro16(int64_t valore) { return entro(valore, INT16_MIN, INT16_MAX); }

// Keywords and section headers of the run text, for the warnings about unknown words.
constexpr std::string_view PAROLE_TRENO[] = {
    "percentuale massa frenata", "numero vetture", "velocita", "aderenza", "orologio",
    "sabbia", "segnale", "rallentamento", "abbattimento", "stazione"};
constexpr std::string_view SEZIONI_TRENO[] = {
    "[generale]", "[aderenze]", "[vel_limite]", "[stazioni]", "[rallentamenti]",
    "[segnali]", "[codici]", "[fine]"};

// After a marker: any pending error ends the reading, and `posizione_errore` takes the
// object's position. An error the marker itself recorded is reported at the record; an
// error 15 still standing from the line phase has been reported at its own record there.
esito_record dopo_marcatore(stato_lettura& s, int32_t codice_prima, int32_t posizione) {
  if (s.m.codice_errore <= 0) return esito_record::prosegui;
  chiudi_ed_elimina(s, quale_testo::treno);
  if (s.m.codice_errore != codice_prima) {
    registra_errore(s, s.m.codice_errore, posizione);
  } else {
    s.m.posizione_errore = posizione;
  }
  return esito_record::interrompi;
}

// ---- Speeds and adhesion ---------------------------------------------------------------

// How one profile goes into the cells: its field, its coding, and the last cell a record
// may write. A speed record stops one cell short of the last cell (its loop stops once the
// cursor is at N); an adhesion record and both tails reach the last cell.
struct campo_profilo {
  uint8_t cella::*campo;
  uint8_t (*codifica)(int32_t valore);
  int32_t celle_escluse_dai_record;
};

uint8_t codice_velocita(int32_t limite) { return basso8(arrotonda(limite / 5.0)); }
uint8_t codice_aderenza(int32_t aderenza) { return basso8(aderenza); }

constexpr campo_profilo VELOCITA{&cella::velocita, codice_velocita, 1};
constexpr campo_profilo ADERENZA{&cella::aderenza, codice_aderenza, 0};

// Writes the value in force from the cursor on: the cell at the cursor first (when it is
// still within `ultima`), then on until the cursor reaches `fino_a`.
void scrivi_profilo(modello& m, profilo& pr, const campo_profilo& c, int64_t fino_a,
                    int64_t ultima) {
  const uint8_t valore = c.codifica(pr.precedente.value_or(0));
  do {
    if (pr.cursore > ultima) return;
    m.percorso[static_cast<size_t>(pr.cursore)].*c.campo = valore;
    ++pr.cursore;
  } while (pr.cursore < fino_a);
}

// The tail after the last record: the value in force is written at the cursor, even when
// the cursor stands on the last cell, and on while the cursor is below N - 2.
void coda_profilo(modello& m, profilo& pr, const campo_profilo& c) {
  scrivi_profilo(m, pr, c, int64_t{m.ultima_cella()} - 2, m.ultima_cella());
}

// "velocita" and "aderenza" (p, value): the value in force runs up to round(p / 50).
esito_record record_profilo(stato_lettura& s, profilo& pr, const campo_profilo& c) {
  const int32_t p = s.testo.leggi_numero32();
  const int32_t valore = s.testo.leggi_numero32();
  if (!entro_percorso(s.m, p)) return oltre_percorso(s, p);
  const bool velocita = c.campo == &cella::velocita;
  // The cells keep round(v / 5) and the adhesion as they are, in 8 bits.
  if (velocita && !entro(arrotonda(valore / 5.0), 0, 255)) {
    return fuori_campo(s, codice::velocita_fuori_campo, p, "velocita' " + std::to_string(valore));
  }
  if (!velocita && !entro(valore, 0, 255)) {
    return fuori_campo(s, codice::aderenza_fuori_campo, p, "aderenza " + std::to_string(valore));
  }
  controlla_ordine(s, velocita ? s.ultima_velocita : s.ultima_aderenza, p,
                   velocita ? "velocita'" : "aderenza");
  const int64_t n = arrotonda(p / 50.0);
  if (n > 0) {
    if (!pr.precedente) pr.precedente = valore;
    scrivi_profilo(s.m, pr, c, n, int64_t{s.m.ultima_cella()} - c.celle_escluse_dai_record);
  }
  pr.precedente = valore;
  return esito_record::prosegui;
}

// ---- Signals, slow-downs, abbattimento points -----------------------------------------

// The value of a signal that its cell cannot hold, said as the field and its value.
// v: posizione, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo.
std::optional<std::string> segnale_fuori_campo(const int32_t (&v)[11]) {
  const int64_t aspetto = int64_t{v[1]} * 3 + v[6];
  const std::pair<const char*, int64_t> a16[] = {
      {"s1 x 10 + d1", int64_t{v[2]} * 10 + v[7]},
      {"s2 x 10 + d2", int64_t{v[3]} * 10 + v[8]},
      {"s3 x 10 + d3", int64_t{v[4]} * 10 + v[9]},
      {"rapp x 10 + sx x 3 + dx", int64_t{v[5]} * 10 + aspetto},
  };
  for (const auto& [campo, valore] : a16) {
    if (!entro16(valore)) {
      return std::string(campo) + " = " + std::to_string(valore) + ": deve stare tra -32768 e 32767";
    }
  }
  // The approach codes (sx x 3 + dx) x 10 + 1 to 4 are bytes.
  if (!entro(aspetto, 0, 25)) {
    return "sx x 3 + dx = " + std::to_string(aspetto) + ": deve stare tra 0 e 25";
  }
  // The time is kept, in 8 bits, by a signal whose first side shows code 2.
  if (v[1] == 2 && !entro(v[10], 0, 255)) {
    return "tempo " + std::to_string(v[10]) + ": deve stare tra 0 e 255";
  }
  return std::nullopt;
}

esito_record record_segnale(stato_lettura& s) {
  int32_t v[11];
  for (int32_t& valore : v) valore = s.testo.leggi_numero32();
  if (!entro_percorso(s.m, v[0])) return oltre_percorso(s, v[0]);
  if (auto motivo = segnale_fuori_campo(v)) {
    return fuori_campo(s, codice::segnale_fuori_campo, v[0], *motivo);
  }
  const int32_t prima = s.m.codice_errore;
  memo_segnale(s.m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]);
  const esito_record e = dopo_marcatore(s, prima, v[0]);
  if (e == esito_record::prosegui) s.m.luoghi_oggetti[cella_di(v[0])] = s.luogo_record;
  return e;
}

esito_record record_rallentamento(stato_lettura& s) {
  int32_t v[6];
  for (int32_t& valore : v) valore = s.testo.leggi_numero32();
  if (!entro_percorso(s.m, v[0])) return oltre_percorso(s, v[0]);
  // v, f_tt and d_v go into 16-bit fields of the cells.
  const std::pair<const char*, int32_t> a16[] = {{"v", v[1]}, {"f_tt", v[3]}, {"d_v", v[5]}};
  for (const auto& [campo, valore] : a16) {
    if (!entro16(valore)) {
      return fuori_campo(s, codice::rallentamento_fuori_campo, v[0],
                         std::string(campo) + " = " + std::to_string(valore));
    }
  }
  const int64_t da = v[0];
  const int64_t a = int64_t{v[0]} + v[2];
  // Slow-downs written along the line each start past the ends of all before them: only
  // one that starts earlier can overlap, and only then are the earlier ones searched.
  if (da < s.fine_rallentamenti) {
    for (const auto& [inizio, fine] : s.rallentamenti) {
      if (da < fine && inizio < a) {
        registra_avviso(s, avviso::rallentamenti_sovrapposti, v[0],
                        "quello da " + std::to_string(inizio) + " a " + std::to_string(fine) + " m");
        break;
      }
    }
  }
  s.rallentamenti.emplace_back(da, a);
  s.fine_rallentamenti = std::max(s.fine_rallentamenti, a);
  const int32_t prima = s.m.codice_errore;
  memo_rallentamento(s.m, v[0], v[1], v[2], v[3], v[4], v[5]);
  const esito_record e = dopo_marcatore(s, prima, v[0]);
  if (e == esito_record::prosegui) s.m.luoghi_oggetti[cella_di(v[0])] = s.luogo_record;
  return e;
}

esito_record record_abbattimento(stato_lettura& s) {
  const int32_t p = s.testo.leggi_numero32();
  const int32_t w = s.testo.leggi_numero32();
  if (!entro_percorso(s.m, p)) return oltre_percorso(s, p);
  // A positive value is kept in 16 bits.
  if (w > INT16_MAX) {
    return fuori_campo(s, codice::abbattimento_fuori_campo, p, "valore " + std::to_string(w));
  }
  // An abbattimento line marks round(p / 50); below -25 m that is no cell of the track.
  const int64_t c = arrotonda(p / 50.0);
  if (c < 0) return interrompi(s, codice::prima_inizio_linea, p);
  cella& cel = s.m.percorso[static_cast<size_t>(c)];
  if (!cella_libera(cel)) return interrompi(s, codice::abbattimento_occupato, p);
  if (w > 0) {
    cel.tipo = tipo_cella::abbattimento;
    cel.dato1 = basso16(w);
  } else {
    cel.tipo = tipo_cella::abbattimento_senza_valore;
  }
  return esito_record::prosegui;
}

// ---- Stations --------------------------------------------------------------------------

struct dati_stazione {
  int32_t lunghezza = 0;
  int32_t ore = 0, minuti = 0, secondi = 0;
};

void leggi_resto_stazione(stato_lettura& s, voce& e, dati_stazione& d) {
  lettore_testo& t = s.testo;
  e.opzione1 = t.leggi_numero8();
  e.opzione4 = t.leggi_numero8();
  e.opzione3 = t.leggi_numero8();
  e.valore1 = t.leggi_numero16();
  e.valore2 = t.leggi_numero16();
  e.opzione2 = t.leggi_numero8();
  e.valore3 = t.leggi_numero16();
  e.valore4 = t.leggi_numero16();
  e.valore5 = t.leggi_numero16();
  e.sosta = t.leggi_numero8();
  d.ore = t.leggi_numero32();
  d.minuti = t.leggi_numero32();
  d.secondi = t.leggi_numero32();
  e.nome = t.leggi_testo_memorizzato("nome della stazione");
}

int64_t orario_di(const dati_stazione& d) {
  return (int64_t{d.ore} * 60 + d.minuti) * 60 + d.secondi;
}

// The station area by kind. False when it does not fit the 32-bit fields.
bool area_stazione(voce& e, const dati_stazione& d) {
  const int64_t p = e.posizione;
  int64_t inizio = 0;
  int64_t fine = 0;
  if (e.tipo == 5 || e.tipo == 6) {
    fine = p + 150;
    inizio = p - d.lunghezza;
    e.opzione3 = 0;
  } else if (e.tipo == 7 || e.tipo == 8) {
    inizio = p - d.lunghezza;
    fine = p + d.lunghezza;
    e.opzione3 = 0;
  } else {
    inizio = p - d.lunghezza / 2;
    fine = p + d.lunghezza / 2 + (e.opzione3 != 0 ? 50 : 0);
  }
  constexpr int64_t minimo = std::numeric_limits<int32_t>::min();
  constexpr int64_t massimo = std::numeric_limits<int32_t>::max();
  if (inizio < minimo || inizio > massimo || fine < minimo || fine > massimo) return false;
  e.inizio = static_cast<int32_t>(inizio);
  e.fine = static_cast<int32_t>(fine);
  return true;
}

// Approach marks and stop cell of a station of kind below 25.
esito_record segna_fermata(stato_lettura& s, voce& e, int32_t k) {
  modello& m = s.m;
  if (e.tipo >= 25) return esito_record::prosegui;
  // The stop cell is the furthest cell a station marks: beyond the track it is refused
  // before anything is written.
  if (arrotonda(e.fine / 50.0 - 1) > m.ultima_cella()) {
    return interrompi(s, codice::stazione_oltre_fine, e.posizione);
  }
  if (e.tipo != 5 && e.tipo != 6) {
    for (int j = 1; j <= 4; ++j) {
      const double f = e.fine / 50.0 - j - 1;
      if (f > 1) m.percorso[static_cast<size_t>(arrotonda(f))].preavviso = basso8(80 + j);
    }
  }
  const double f = e.fine / 50.0 - 1;
  if (!(f > 1)) return interrompi(s, codice::fermata_troppo_vicina);
  cella& fermata = m.percorso[static_cast<size_t>(arrotonda(f))];
  fermata.tipo = tipo_cella::fermata;
  fermata.dato1 = basso16(k);
  return esito_record::prosegui;
}

esito_record record_stazione(stato_lettura& s, cursori_treno& cur) {
  modello& m = s.m;
  const int32_t k = cur.stazione;
  // Entry k already holds a board text when the boards have come down to it: storing
  // the station there would overwrite the board.
  if (k > s.slot_cartello) return interrompi(s, codice::troppe_stazioni);
  voce& e = m.tabella[static_cast<size_t>(k)];
  e.posizione = s.testo.leggi_numero32();
  if (!entro_percorso(m, e.posizione, 800)) return oltre_percorso(s, e.posizione);
  if (e.posizione % 50 != 0) return interrompi(s, codice::stazione_posizione, e.posizione);
  dati_stazione d;
  e.tipo = s.testo.leggi_numero8();
  d.lunghezza = s.testo.leggi_numero32();
  if (d.lunghezza % 100 != 0) return interrompi(s, codice::stazione_lunghezza, e.posizione);
  leggi_resto_stazione(s, e, d);
  const int64_t orario = orario_di(d);
  if (!entro(orario, INT32_MIN, INT32_MAX)) {
    return fuori_campo(s, codice::orario_fuori_campo, e.posizione,
                       std::to_string(d.ore) + " h " + std::to_string(d.minuti) + " min " +
                           std::to_string(d.secondi) + " s");
  }
  e.orario = static_cast<int32_t>(orario);
  controlla_ordine(s, s.ultima_stazione, e.posizione, "stazione");
  // Times of the timetable run forward; a drop of more than 12 h is taken as midnight passed.
  if (e.orario != 0) {
    if (s.ultimo_orario && e.orario < *s.ultimo_orario && *s.ultimo_orario - e.orario <= 12 * 3600) {
      registra_avviso(s, avviso::orari_indietro, e.posizione,
                      std::to_string(e.orario) + " s dopo " + std::to_string(*s.ultimo_orario) + " s");
    }
    s.ultimo_orario = e.orario;
  }
  s.stazione_letta = true;
  if (!area_stazione(e, d)) return interrompi(s, codice::stazione_oltre_fine, e.posizione);
  if (d.lunghezza < 600) e.opzione4 = 0;
  if (k == 1) {
    e.opzione3 = 0;
    e.opzione4 = 0;
  }
  if (const esito_record r = segna_fermata(s, e, k); r != esito_record::prosegui) return r;
  if (k > 1 && int64_t{e.inizio} - 350 < m.tabella[static_cast<size_t>(k - 1)].fine) {
    return interrompi(s, codice::stazioni_ravvicinate, e.posizione);
  }
  cur.stazione = k + 1;
  if (cur.stazione >= s.slot_cartello) return interrompi(s, codice::troppe_stazioni);
  return esito_record::prosegui;
}

// ---- Records ---------------------------------------------------------------------------

// The run records, every one that matches the keyword item, in this order.
esito_record record_treno(stato_lettura& s, cursori_treno& cur) {
  const std::string r = s.m.riga;
  auto& t = s.m.tabella;
  const esito_record nessuno = esito_record::prosegui;
  esito_record e = nessuno;
  if (contiene(r, "frenata") && contiene(r, "massa")) t[voce_tabella::dati_treno].inizio = s.testo.leggi_numero32();
  if (contiene(r, "vetture")) t[voce_tabella::dati_treno].posizione = s.testo.leggi_numero32();
  if (contiene(r, "velocit") && (e = record_profilo(s, cur.velocita, VELOCITA)) != nessuno) return e;
  if (contiene(r, "aderenza") && (e = record_profilo(s, cur.aderenza, ADERENZA)) != nessuno) return e;
  if (contiene(r, "orologio")) {
    t[voce_tabella::dati_corsa].valore3 = s.testo.leggi_numero16();
    t[voce_tabella::dati_corsa].valore4 = s.testo.leggi_numero16();
    t[voce_tabella::dati_corsa].valore5 = s.testo.leggi_numero16();
    if (!entro(t[voce_tabella::dati_corsa].valore3, 0, 23) || !entro(t[voce_tabella::dati_corsa].valore4, 0, 59) || !entro(t[voce_tabella::dati_corsa].valore5, 0, 59)) {
      registra_avviso(s, avviso::orologio_fuori_limiti,
                      std::to_string(t[voce_tabella::dati_corsa].valore3) + " h " + std::to_string(t[voce_tabella::dati_corsa].valore4) +
                          " min " + std::to_string(t[voce_tabella::dati_corsa].valore5) + " s");
    }
  }
  if (contiene(r, "sabbia")) t[voce_tabella::dati_corsa].valore1 = s.testo.leggi_numero16();
  if (contiene(r, "segnale") && (e = record_segnale(s)) != nessuno) return e;
  if (contiene(r, "rallentamento") && (e = record_rallentamento(s)) != nessuno) return e;
  if (contiene(r, "abbattimento") && (e = record_abbattimento(s)) != nessuno) return e;
  if (contiene(r, "stazione") && (e = record_stazione(s, cur)) != nessuno) return e;
  return nessuno;
}

bool progressive_multiple_di_50(const modello& m) {
  for (size_t i = voce_tabella::progressiva_tre; i <= voce_tabella::progressiva_uno; ++i) {
    if (m.tabella[i].inizio % 50 != 0 || m.tabella[i].fine % 50 != 0) return false;
  }
  return true;
}

// End of the run phase: the text goes, the speed and adhesion in force run to the last
// cells but three, and the progressives are checked.
void chiudi_fase_treno(stato_lettura& s, cursori_treno& cur) {
  modello& m = s.m;
  chiudi_ed_elimina(s, quale_testo::treno);
  coda_profilo(m, cur.velocita, VELOCITA);
  coda_profilo(m, cur.aderenza, ADERENZA);
  if (!progressive_multiple_di_50(m)) {
    // At the progressive's own record in the line text, when one was read so.
    std::optional<luogo_testo> luogo;
    for (const auto& errata : s.progressiva_errata) {
      if (errata && (!luogo || errata->riga < luogo->riga)) luogo = errata;
    }
    registra_errore(m, codice::progressive_non_multiple, std::nullopt, luogo);
  }
}

}  // namespace

void fase_treno(stato_lettura& s) {
  if (!s.treno.byte) throw guasto_lettura(s.treno.motivo, luogo_testo{s.treno.etichetta, 0, 0});
  const auto testo = testo_latin1(s, s.treno, s.treno_convertito);
  if (!testo) {
    s.eliminati.treno = true;
    return;
  }
  const luogo_testo tutto_il_testo{s.treno.etichetta, 0, 0};
  if (testo->find_first_not_of(" \t\r\n") == std::string_view::npos) {
    registra_avviso(s.m, avviso::testo_vuoto, tutto_il_testo);
  }
  s.testo.apri(*testo, s.treno.etichetta);
  bool generale = false;
  while (!s.testo.fine_file()) {
    s.m.riga = s.testo.leggi_testo();
    if (contiene(s.m.riga, "[generale]")) {
      generale = true;
      break;
    }
  }
  if (!generale && !testo->empty()) registra_avviso(s.m, avviso::generale_treno_assente, tutto_il_testo);
  cursori_treno cur;
  while (leggi_parola_chiave(s)) {
    const size_t prima = s.testo.letti();
    s.in_record = true;
    const esito_record e = record_treno(s, cur);
    s.in_record = false;
    if (e == esito_record::interrompi) return;
    annota_cella_uno(s);
    if (e == esito_record::fine_fase) break;
    // Every record reads values: a keyword item after which nothing was read matched none.
    const bool riconosciuta = s.testo.letti() != prima;
    controlla_parola(s, riconosciuta, PAROLE_TRENO, SEZIONI_TRENO);
    if (riconosciuta) controlla_fine_record(s);
  }
  if (generale && !s.stazione_letta) registra_avviso(s.m, avviso::nessuna_stazione, tutto_il_testo);
  chiudi_fase_treno(s, cur);
}

}  // namespace scenario
