// The run phase of the reading stage: the run description text into the stations of
// the table and the speeds, adhesion, signals and slow-downs of the track.
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
  const int64_t n = arrotonda(p / 50.0);
  if (n > 0) {
    if (!pr.precedente) pr.precedente = valore;
    scrivi_profilo(s.m, pr, c, n, int64_t{s.m.ultima_cella()} - c.celle_escluse_dai_record);
  }
  pr.precedente = valore;
  return esito_record::prosegui;
}

// ---- Signals, slow-downs, abbattimento points -----------------------------------------

esito_record record_segnale(stato_lettura& s) {
  int32_t v[11];
  for (int32_t& valore : v) valore = s.testo.leggi_numero32();
  if (!entro_percorso(s.m, v[0])) return oltre_percorso(s, v[0]);
  const int32_t prima = s.m.codice_errore;
  memo_segnale(s.m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]);
  return dopo_marcatore(s, prima, v[0]);
}

esito_record record_rallentamento(stato_lettura& s) {
  int32_t v[6];
  for (int32_t& valore : v) valore = s.testo.leggi_numero32();
  if (!entro_percorso(s.m, v[0])) return oltre_percorso(s, v[0]);
  const int32_t prima = s.m.codice_errore;
  memo_rallentamento(s.m, v[0], v[1], v[2], v[3], v[4], v[5]);
  return dopo_marcatore(s, prima, v[0]);
}

esito_record record_abbattimento(stato_lettura& s) {
  const int32_t p = s.testo.leggi_numero32();
  const int32_t w = s.testo.leggi_numero32();
  if (!entro_percorso(s.m, p)) return oltre_percorso(s, p);
  // An abbattimento line marks round(p / 50); below -25 m that is no cell of the track.
  const int64_t c = arrotonda(p / 50.0);
  if (c < 0) return interrompi(s, codice::prima_inizio_linea, p);
  cella& cel = s.m.percorso[static_cast<size_t>(c)];
  if (!cella_libera(cel)) return interrompi(s, codice::abbattimento_occupato, p);
  if (w > 0) {
    cel.tipo = 12;
    cel.dato1 = basso16(w);
  } else {
    cel.tipo = 13;
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
  e.orario = static_cast<int32_t>((int64_t{d.ore} * 60 + d.minuti) * 60 + d.secondi);
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
  fermata.tipo = 10;
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
  if (contiene(r, "frenata") && contiene(r, "massa")) t[84].inizio = s.testo.leggi_numero32();
  if (contiene(r, "vetture")) t[84].posizione = s.testo.leggi_numero32();
  if (contiene(r, "velocit") && (e = record_profilo(s, cur.velocita, VELOCITA)) != nessuno) return e;
  if (contiene(r, "aderenza") && (e = record_profilo(s, cur.aderenza, ADERENZA)) != nessuno) return e;
  if (contiene(r, "orologio")) {
    t[86].valore3 = s.testo.leggi_numero16();
    t[86].valore4 = s.testo.leggi_numero16();
    t[86].valore5 = s.testo.leggi_numero16();
  }
  if (contiene(r, "sabbia")) t[86].valore1 = s.testo.leggi_numero16();
  if (contiene(r, "segnale") && (e = record_segnale(s)) != nessuno) return e;
  if (contiene(r, "rallentamento") && (e = record_rallentamento(s)) != nessuno) return e;
  if (contiene(r, "abbattimento") && (e = record_abbattimento(s)) != nessuno) return e;
  if (contiene(r, "stazione") && (e = record_stazione(s, cur)) != nessuno) return e;
  return nessuno;
}

bool progressive_multiple_di_50(const modello& m) {
  for (int i = 81; i <= 83; ++i) {
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
    registra_errore(m, codice::progressive_non_multiple, std::nullopt);
  }
}

}  // namespace

void fase_treno(stato_lettura& s) {
  if (!s.treno.byte) throw guasto_lettura(s.treno.motivo, luogo_testo{s.treno.etichetta, 0, 0});
  s.testo.apri(*s.treno.byte, s.treno.etichetta);
  while (!s.testo.fine_file()) {
    s.m.riga = s.testo.leggi_testo();
    if (contiene(s.m.riga, "[generale]")) break;
  }
  cursori_treno cur;
  while (leggi_parola_chiave(s)) {
    const esito_record e = record_treno(s, cur);
    if (e == esito_record::interrompi) return;
    if (e == esito_record::fine_fase) break;
  }
  chiudi_fase_treno(s, cur);
}

}  // namespace scenario
