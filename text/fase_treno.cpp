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

bool entro16(int64_t valore) { return entro(valore, INT16_MIN, INT16_MAX); }

// The run records, each looked up once in the description.
struct descrizioni_treno {
  const formato::record& massa = *formato::cerca(formato::testo::treno, "percentuale massa frenata");
  const formato::record& vetture = *formato::cerca(formato::testo::treno, "numero vetture");
  const formato::record& velocita = *formato::cerca(formato::testo::treno, "velocita");
  const formato::record& aderenza = *formato::cerca(formato::testo::treno, "aderenza");
  const formato::record& orologio = *formato::cerca(formato::testo::treno, "orologio");
  const formato::record& sabbia = *formato::cerca(formato::testo::treno, "sabbia");
  const formato::record& segnale = *formato::cerca(formato::testo::treno, "segnale");
  const formato::record& rallentamento = *formato::cerca(formato::testo::treno, "rallentamento");
  const formato::record& abbattimento = *formato::cerca(formato::testo::treno, "abbattimento");
  const formato::record& stazione = *formato::cerca(formato::testo::treno, "stazione");
};

// The description's records are constants: looked up once, before the first reading.
const descrizioni_treno DESCRIZIONI;
const descrizioni_treno& D() { return DESCRIZIONI; }

// ---- Speeds and adhesion ---------------------------------------------------------------

// How one profile goes into the cells: its field, its coding, and the last cell a record
// may write. A speed record stops one cell short of the last cell (its loop stops once the
// cursor is at N); an adhesion record and both tails reach the last cell.
struct campo_profilo {
  uint8_t cella::*campo;
  uint8_t (*codifica)(int32_t valore);
  int32_t celle_escluse_dai_record;
};

uint8_t codice_velocita(int32_t limite) { return basso8(formato::velocita_in_cella(limite)); }
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

// The value of a record accepted at `p`: the value in force before it runs up to
// round(p / 50).
void scrivi_valore(modello& m, profilo& pr, const campo_profilo& c, int32_t p, int32_t valore) {
  const int64_t n = arrotonda_quoziente(p, 50);
  if (n > 0) {
    if (!pr.precedente) pr.precedente = valore;
    scrivi_profilo(m, pr, c, n, int64_t{m.ultima_cella()} - c.celle_escluse_dai_record);
  }
  pr.precedente = valore;
}

// "velocita" and "aderenza" (p, value): the value in force runs up to round(p / 50).
esito_record record_profilo(stato_lettura& s, profilo& pr, const campo_profilo& c, const int32_t* v) {
  const int32_t p = v[0];
  const int32_t valore = v[1];
  if (!entro_percorso(s.m, p)) return oltre_percorso(s, p);
  const bool velocita = c.campo == &cella::velocita;
  // The cells keep round(v / 5) and the adhesion as they are, in 8 bits.
  const esito_record limiti = controlla_campo(s, velocita ? D().velocita : D().aderenza, 1, valore, p);
  if (limiti != esito_record::prosegui) return limiti;
  controlla_ordine(s, velocita ? s.ultima_velocita : s.ultima_aderenza, p,
                   velocita ? dal_catalogo("lettura.ordine.velocita") : dal_catalogo("lettura.ordine.aderenza"));
  scrivi_valore(s.m, pr, c, p, valore);
  return esito_record::prosegui;
}

// A speed limit or an adhesion on the track, in its field's range, not before the one
// before it: the record has nothing to say, and is read as record_profilo reads it. Any
// other is left as it is.
template <const campo_profilo& C>
bool profilo_veloce(stato_lettura& s, profilo& pr, const int32_t* v) {
  const int32_t p = v[0];
  const int32_t valore = v[1];
  constexpr bool velocita = &C == &VELOCITA;
  std::optional<int32_t>& ultima = velocita ? s.ultima_velocita : s.ultima_aderenza;
  if (!entro_percorso(s.m, p) || !formato::entro_limiti((velocita ? D().velocita : D().aderenza).campi[1], valore) ||
      (ultima && p < *ultima)) {
    return false;
  }
  ultima = p;
  scrivi_valore(s.m, pr, C, p, valore);
  return true;
}

// ---- Signals, slow-downs, abbattimento points -----------------------------------------

// The value of a signal that its cell cannot hold, said as the field and its value.
// v: posizione, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo.
// `indice` is the value the reason is about.
std::optional<std::pair<messaggio, int>> segnale_fuori_campo(const int32_t* v) {
  const int64_t aspetto = int64_t{v[1]} * 3 + v[6];
  const std::tuple<const char*, int64_t, int> a16[] = {
      {"s1 x 10 + d1", formato::coppia_in_cella(v[2], v[7]), 2},
      {"s2 x 10 + d2", formato::coppia_in_cella(v[3], v[8]), 3},
      {"s3 x 10 + d3", formato::coppia_in_cella(v[4], v[9]), 4},
      {"rapp x 10 + sx x 3 + dx", formato::codice_segnale(v[5], v[1], v[6]), 5},
  };
  for (const auto& [campo, valore, indice] : a16) {
    if (!entro16(valore)) {
      return std::pair{frase("lettura.tra", {{"valore", std::string(campo) + " = " + std::to_string(valore)},
                                             {"minimo", -32768}, {"massimo", 32767}}),
                       indice};
    }
  }
  // The approach codes (sx x 3 + dx) x 10 + 1 to 4 are bytes.
  if (!entro(aspetto, 0, 25)) {
    return std::pair{frase("lettura.tra", {{"valore", "sx x 3 + dx = " + std::to_string(aspetto)}, {"minimo", 0}, {"massimo", 25}}), 1};
  }
  // The time is kept, in 8 bits, by a signal whose first side shows code 2.
  if (v[1] == 2 && !entro(v[10], 0, 255)) {
    return std::pair{frase("lettura.tra", {{"valore", "tempo " + std::to_string(v[10])}, {"minimo", 0}, {"massimo", 255}}), 10};
  }
  return std::nullopt;
}

esito_record record_segnale(stato_lettura& s, const int32_t* v) {
  if (!entro_percorso(s.m, v[0])) return oltre_percorso(s, v[0]);
  if (auto motivo = segnale_fuori_campo(v)) {
    return errore_record(s, codice::segnale_fuori_campo, v[0], motivo->first, motivo->second);
  }
  const int32_t codice = chiama_marcatore(s.m, [&] {
    memo_segnale(s.m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]);
  });
  if (codice > 0) return errore_cella_occupata(s, codice, v[0], cella_di(v[0]));
  annota_oggetto(s, cella_di(v[0]), dal_catalogo("oggetto.da_segnale"), v[0]);
  return esito_record::prosegui;
}

esito_record record_rallentamento(stato_lettura& s, const int32_t* v) {
  if (!entro_percorso(s.m, v[0])) return oltre_percorso(s, v[0]);
  // v, f_tt and d_v go into 16-bit fields of the cells.
  const formato::record& r = D().rallentamento;
  for (const int i : {1, 3, 5}) {
    if (controlla_campo(s, r, static_cast<size_t>(i), v[i], v[0]) != esito_record::prosegui) {
      return esito_record::scarta;
    }
  }
  controlla_campo(s, r, 2, v[2], v[0]);
  const int64_t da = v[0];
  const int64_t a = int64_t{v[0]} + v[2];
  // Its end must be on the track: without it the slow-down would have no end at all.
  if (!cella_esiste(s.m, celle_rallentamento(v[0], v[2]).fine)) {
    return errore_record(s, codice::rallentamento_oltre_fine, v[0],
                         frase("lettura.fine_oltre", {{"fine", a}, {"percorso", int64_t{s.m.ultima_cella()} * 50}}),
                         2);
  }
  // Slow-downs written along the line each start past the ends of all before them: only
  // one that starts earlier can overlap, and only then are the earlier ones searched.
  if (da < s.fine_rallentamenti) {
    for (const auto& [inizio, fine] : s.rallentamenti) {
      if (da < fine && inizio < a) {
        avviso_record(s, avviso::rallentamenti_sovrapposti, v[0],
                      frase("lettura.sovrapposto", {{"inizio", inizio}, {"fine", fine}}), 0);
        break;
      }
    }
  }
  s.rallentamenti.emplace_back(da, a);
  s.fine_rallentamenti = std::max(s.fine_rallentamenti, a);
  // The marks a slow-down leaves when one of its advance cells is taken: kept to be put
  // back, so that a refused slow-down leaves nothing behind.
  const celle_di_rallentamento dove = celle_rallentamento(v[0], v[2]);
  const int64_t celle[] = {dove.avviso, dove.inizio, dove.fine};
  std::vector<std::pair<int64_t, cella>> prima;
  for (const int64_t c : celle) {
    if (cella_esiste(s.m, c)) prima.emplace_back(c, s.m.percorso[static_cast<size_t>(c)]);
  }
  const int32_t codice = chiama_marcatore(s.m, [&] { memo_rallentamento(s.m, v[0], v[1], v[2], v[3], v[4], v[5]); });
  if (codice > 0) {
    for (const auto& [c, vecchia] : prima) s.m.percorso[static_cast<size_t>(c)] = vecchia;
    s.rallentamenti.pop_back();
    // A taken warning, start or end cell: the note says what holds it.
    if (codice == codice::avviso_occupato) return errore_cella_occupata(s, codice, v[0], dove.avviso);
    if (codice == codice::inizio_rallentamento_occupato) return errore_cella_occupata(s, codice, v[0], dove.inizio);
    if (codice == codice::fine_rallentamento_occupata) return errore_cella_occupata(s, codice, v[0], dove.fine);
    errore_record(s, codice, v[0], {}, 0);
    // Taken advance cells: what holds each of them.
    if (codice == codice::anticipo_occupato) {
      const int64_t h = arrotonda((v[0] - 1200) / 50.0);
      for (int64_t c = h; c >= h - 3; --c) {
        if (cella_esiste(s.m, c) && !cella_libera(s.m.percorso[static_cast<size_t>(c)])) {
          if (auto nota = nota_cella_presa(s.m, c)) s.m.diagnostiche.back().note.push_back(std::move(*nota));
        }
      }
    }
    return esito_record::scarta;
  }
  const char* cosa[] = {dal_catalogo("oggetto.da_avviso"), dal_catalogo("oggetto.da_inizio"), dal_catalogo("oggetto.da_fine")};
  for (size_t i = 0; i < 3; ++i) {
    const int64_t c = celle[i];
    if (cella_esiste(s.m, c) && s.m.percorso[static_cast<size_t>(c)].tipo != 0 && (i != 0 || v[0] > 1500)) {
      annota_oggetto(s, c, cosa[i], v[0]);
    }
  }
  // The four advance cells before the warning, so that an object refused on one of them
  // is told which slow-down holds it.
  if (v[0] > 1500 && v[4] != 0) {
    const int64_t h = arrotonda((v[0] - 1200) / 50.0);
    for (int64_t c = h - 3; c <= h; ++c) {
      if (cella_esiste(s.m, c)) annota_oggetto(s, c, dal_catalogo("oggetto.da_preavviso"), v[0]);
    }
  }
  return esito_record::prosegui;
}

esito_record record_abbattimento(stato_lettura& s, const int32_t* v) {
  const int32_t p = v[0];
  const int32_t w = v[1];
  if (!entro_percorso(s.m, p)) return oltre_percorso(s, p);
  // A positive value is kept in 16 bits.
  if (controlla_campo(s, D().abbattimento, 1, w, p) != esito_record::prosegui) {
    return esito_record::scarta;
  }
  // An abbattimento line marks round(p / 50); below -25 m that is no cell of the track.
  const int64_t c = arrotonda(p / 50.0);
  if (c < 0) return errore_record(s, codice::prima_inizio_linea, p, {}, 0);
  cella& cel = s.m.percorso[static_cast<size_t>(c)];
  if (!cella_libera(cel)) return errore_cella_occupata(s, codice::abbattimento_occupato, p, c);
  annota_oggetto(s, c, dal_catalogo("oggetto.da_abbattimento"), p);
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
  e.opzione1 = leggi8(s);
  e.opzione4 = leggi8(s);
  e.opzione3 = leggi8(s);
  e.valore1 = leggi16(s);
  e.valore2 = leggi16(s);
  e.opzione2 = leggi8(s);
  e.valore3 = leggi16(s);
  e.valore4 = leggi16(s);
  e.valore5 = leggi16(s);
  e.sosta = leggi8(s);
  d.ore = leggi32(s);
  d.minuti = leggi32(s);
  d.secondi = leggi32(s);
  e.nome = leggi_testo_valore(s, dal_catalogo("lettore.nome_della_stazione"));
}

// "7:28:00": a time of the timetable as an author writes it.
std::string ora_del_giorno(int64_t secondi) {
  const auto due = [](int64_t n) { return (n < 10 ? "0" : "") + std::to_string(n); };
  return std::to_string(secondi / 3600) + ":" + due(secondi / 60 % 60) + ":" + due(secondi % 60);
}

int64_t orario_di(const dati_stazione& d) { return formato::orario_in_tabella(d.ore, d.minuti, d.secondi); }

// The timetable time by the description of its fields (minutes and seconds of an hour, a
// time not before midnight, a warning for one of 24 hours or more), and the 32 bits the
// table keeps it in.
esito_record controlla_orario(stato_lettura& s, const voce& e, const dati_stazione& d) {
  const formato::record& r = D().stazione;
  const int32_t valori[] = {d.ore, d.minuti, d.secondi};
  for (int i = 0; i < 3; ++i) {
    const int indice = 13 + i;
    if (i == 0 && valori[0] >= 24) continue;  // after the errors: a warning, below
    if (controlla_campo(s, r, static_cast<size_t>(indice), valori[i], e.posizione) != esito_record::prosegui) {
      return esito_record::scarta;
    }
  }
  const int64_t orario = orario_di(d);
  if (!entro(orario, INT32_MIN, INT32_MAX)) {
    return errore_record(s, codice::orario_fuori_campo, e.posizione,
                         frase("lettura.orario_oltre_32", {{"ore", d.ore}, {"minuti", d.minuti}, {"secondi", d.secondi}}),
                         13);
  }
  if (d.ore >= 24) {
    avviso_record(s, avviso::orario_oltre_giorno, e.posizione,
                  frase("lettura.orario_oltre_giorno",
                        {{"ore", d.ore}, {"minuti", d.minuti}, {"secondi", d.secondi}, {"memorizzato", orario}}),
                  13);
  }
  return esito_record::prosegui;
}

// "23 h 7 min": a span of the timetable.
messaggio durata(int64_t secondi) {
  return frase("lettura.durata", {{"ore", secondi / 3600}, {"minuti", secondi / 60 % 60}});
}

// Times of the timetable run forward, station by station (0 is no time). A run past
// midnight is written one way: as times of day (0:05 after 23:55: a drop of more than
// 12 h is taken as midnight passed), or with hours from 24 on (warned of by itself). Said
// at the station's hours: a time back by 12 h or less, the two ways in one run (once,
// with a note at the first time written the other way), and a time more than 12 h after
// the one before, which no leg between neighbouring stations takes.
void controlla_orari(stato_lettura& s, const voce& e) {
  if (e.orario == 0) return;
  constexpr int64_t dodici_ore = 12 * 3600;
  const int64_t ora = e.orario;
  const std::optional<int64_t> prima = s.ultimo_orario;
  s.ultimo_orario = e.orario;
  const luogo_testo qui = luogo_valore(s, 13);
  if (ora >= 24 * 3600 && !s.oltre_24) {
    s.oltre_24 = stato_lettura::modo_mezzanotte{qui, frase("lettura.mezzanotte.oltre_24", {{"ora", ora_del_giorno(ora)}})};
  }
  if (prima && ora < *prima && *prima - ora > dodici_ore && !s.mezzanotte) {
    s.mezzanotte = stato_lettura::modo_mezzanotte{
        qui, frase("lettura.mezzanotte.ritorno", {{"ora", ora_del_giorno(ora)}, {"prima", ora_del_giorno(*prima)}})};
  }
  if (s.oltre_24 && s.mezzanotte && !s.due_modi_detti) {
    s.due_modi_detti = true;
    // This station's time made the second way; the first way's time is elsewhere.
    const bool oltre_qui = s.oltre_24->luogo == qui;
    const stato_lettura::modo_mezzanotte& questo = oltre_qui ? *s.oltre_24 : *s.mezzanotte;
    const stato_lettura::modo_mezzanotte& altro = oltre_qui ? *s.mezzanotte : *s.oltre_24;
    avviso_record(s, avviso::mezzanotte_in_due_modi, e.posizione,
                  frase("lettura.mezzanotte_due_modi",
                        {{"questo", questo.detto}, {"altro", altro.detto}, {"riga", altro.luogo.riga}}),
                  13);
    s.m.diagnostiche.back().note.push_back({altro.luogo, {}, frase("lettura.mezzanotte.altro_modo")});
    return;
  }
  if (!prima) return;
  if (ora < *prima && *prima - ora <= dodici_ore) {
    avviso_record(s, avviso::orari_indietro, e.posizione,
                  frase("lettura.orario_indietro", {{"ora", ora_del_giorno(ora)}, {"prima", ora_del_giorno(*prima)}}), 13);
  } else if (ora - *prima > dodici_ore && !s.due_modi_detti) {
    // (After the two ways, a step from a time of day to one from 24 h on is one more of them.)
    avviso_record(s, avviso::salto_di_orario, e.posizione,
                  frase("lettura.orario_salto",
                        {{"ora", ora_del_giorno(ora)}, {"salto", durata(ora - *prima)}, {"prima", ora_del_giorno(*prima)}}),
                  13);
  }
}

// The station area by kind. False when it does not fit the 32-bit fields.
bool area_stazione(voce& e, const dati_stazione& d) {
  const formato::area_stazione a = formato::area_di_stazione(e.posizione, e.tipo, d.lunghezza, e.opzione3);
  if (e.tipo >= 5 && e.tipo <= 8) e.opzione3 = 0;
  constexpr int64_t minimo = std::numeric_limits<int32_t>::min();
  constexpr int64_t massimo = std::numeric_limits<int32_t>::max();
  if (a.inizio < minimo || a.inizio > massimo || a.fine < minimo || a.fine > massimo) return false;
  e.inizio = static_cast<int32_t>(a.inizio);
  e.fine = static_cast<int32_t>(a.fine);
  return true;
}

// Approach marks and stop cell of a station of kind below 25.
esito_record segna_fermata(stato_lettura& s, voce& e, int32_t k) {
  modello& m = s.m;
  if (e.tipo >= 25) return esito_record::prosegui;
  // The stop cell is the furthest cell a station marks: beyond the track it is refused
  // before anything is written.
  if (arrotonda(e.fine / 50.0 - 1) > m.ultima_cella()) {
    return errore_record(s, codice::stazione_oltre_fine, e.posizione, {}, 0);
  }
  if (e.tipo != 5 && e.tipo != 6) {
    for (int j = 1; j <= 4; ++j) {
      const double f = e.fine / 50.0 - j - 1;
      if (f > 1) m.percorso[static_cast<size_t>(arrotonda(f))].preavviso = basso8(80 + j);
    }
  }
  const double f = e.fine / 50.0 - 1;
  if (!(f > 1)) return errore_record(s, codice::fermata_troppo_vicina, std::nullopt);
  cella& fermata = m.percorso[static_cast<size_t>(arrotonda(f))];
  fermata.tipo = tipo_cella::fermata;
  fermata.dato1 = basso16(k);
  annota_oggetto(s, arrotonda(f), dal_catalogo("oggetto.da_fermata"), e.posizione);
  return esito_record::prosegui;
}

// Why station entry `voce` has no room: the boards of the line text hold the entries from
// the slot below theirs up to 80, and stations and boards share the table.
messaggio posti_per_stazioni(const stato_lettura& s, int32_t voce) {
  return frase("lettura.posti_per_stazioni", {{"cartelli", 80 - s.slot_cartello}, {"da", s.slot_cartello + 1},
                                              {"posti", std::max(s.slot_cartello - 1, 0)}, {"voce", voce}});
}

esito_record leggi_stazione(stato_lettura& s, cursori_treno& cur) {
  modello& m = s.m;
  const int32_t k = cur.stazione;
  // Entry k already holds a board text when the boards have come down to it: storing
  // the station there would overwrite the board. Said once: every later station would
  // only repeat it.
  s.stazione_letta = true;
  if (k > s.slot_cartello) {
    if (s.stazioni_piene) return esito_record::scarta;
    s.stazioni_piene = true;
    return errore_record(s, codice::troppe_stazioni, std::nullopt, posti_per_stazioni(s, k), 0);
  }
  voce& e = m.tabella[static_cast<size_t>(k)];
  e.posizione = leggi32(s);
  if (!entro_percorso(m, e.posizione, 800)) return oltre_percorso(s, e.posizione);
  if (e.posizione % 50 != 0) return errore_record(s, codice::stazione_posizione, e.posizione, {}, 0);
  dati_stazione d;
  e.tipo = leggi8(s);
  d.lunghezza = leggi32(s);
  if (d.lunghezza % 100 != 0) return errore_record(s, codice::stazione_lunghezza, e.posizione, {}, 2);
  leggi_resto_stazione(s, e, d);
  if (controlla_orario(s, e, d) != esito_record::prosegui) return esito_record::scarta;
  e.orario = static_cast<int32_t>(orario_di(d));
  const bool fuori_ordine = s.ultima_stazione && e.posizione < *s.ultima_stazione;
  controlla_ordine(s, s.ultima_stazione, e.posizione, dal_catalogo("lettura.ordine.stazione"));
  controlla_orari(s, e);
  if (!area_stazione(e, d)) return errore_record(s, codice::stazione_oltre_fine, e.posizione, {}, 0);
  if (!formato::tiene_opzione4(d.lunghezza, k == 1)) e.opzione4 = 0;
  if (k == 1) e.opzione3 = 0;
  // The spacing is tested after the marks, as the stations have always been read; a
  // station refused for it takes its marks back.
  std::vector<std::pair<int64_t, cella>> prima;
  for (int j = 0; j <= 4; ++j) {
    const int64_t c = arrotonda(e.fine / 50.0 - 1 - j);
    if (cella_esiste(m, c)) prima.emplace_back(c, m.percorso[static_cast<size_t>(c)]);
  }
  if (const esito_record r = segna_fermata(s, e, k); r != esito_record::prosegui) return r;
  if (k > 1 && int64_t{e.inizio} - 350 < m.tabella[static_cast<size_t>(k - 1)].fine) {
    for (const auto& [c, vecchia] : prima) m.percorso[static_cast<size_t>(c)] = vecchia;
    // A station before the one above it in the text is told so, an error to an author:
    // that it starts within 350 m of that one's end follows from it and is not told again.
    if (fuori_ordine && !m.permissivo) return esito_record::scarta;
    errore_record(s, codice::stazioni_ravvicinate, e.posizione, {}, 0);
    const voce& precedente = m.tabella[static_cast<size_t>(k - 1)];
    m.diagnostiche.back().note.push_back(
        {s.luogo_ultima_stazione, {},
         frase("lettura.stazione_precedente", {{"nome", precedente.nome}, {"fine", precedente.fine}, {"inizio", e.inizio}})});
    return esito_record::scarta;
  }
  s.luogo_ultima_stazione = s.luogo_record;
  s.voce_record = k;
  cur.stazione = k + 1;
  if (cur.stazione >= s.slot_cartello) {
    s.stazioni_piene = true;
    return errore_record(s, codice::troppe_stazioni, std::nullopt, posti_per_stazioni(s, cur.stazione), 0);
  }
  return esito_record::prosegui;
}

// The station at entry k from its record. A refused station leaves its entry cleared
// (an entry the boards hold stays theirs) and the cells as they were, and the next
// station takes the entry.
esito_record record_stazione(stato_lettura& s, cursori_treno& cur) {
  const int32_t k = cur.stazione;
  const esito_record e = leggi_stazione(s, cur);
  if (e == esito_record::scarta && cur.stazione == k && k <= s.slot_cartello) {
    s.m.tabella[static_cast<size_t>(k)] = voce{};
  }
  return e;
}

// ---- Records ---------------------------------------------------------------------------

esito_record orologio(stato_lettura& s) {
  voce& v = s.m.tabella[voce_tabella::dati_corsa];
  v.valore3 = leggi16(s);
  v.valore4 = leggi16(s);
  v.valore5 = leggi16(s);
  const formato::record& r = D().orologio;
  controlla_campo(s, r, 0, v.valore3, std::nullopt);  // hours, minutes, seconds
  controlla_campo(s, r, 1, v.valore4, std::nullopt);
  controlla_campo(s, r, 2, v.valore5, std::nullopt);
  return esito_record::prosegui;
}

// What a run record of numbers alone, one for each of its fields, does with them; nothing
// for a record that reads otherwise.
using record_di_numeri = esito_record (*)(stato_lettura&, cursori_treno&, const int32_t*);
record_di_numeri di_numeri(const stato_lettura&, const formato::record& r) {
  const descrizioni_treno& d = D();
  if (r.campi.size() > NUMERI_SEMPLICI) return nullptr;
  if (&r == &d.velocita) {
    return [](stato_lettura& s, cursori_treno& cur, const int32_t* v) { return record_profilo(s, cur.velocita, VELOCITA, v); };
  }
  if (&r == &d.aderenza) {
    return [](stato_lettura& s, cursori_treno& cur, const int32_t* v) { return record_profilo(s, cur.aderenza, ADERENZA, v); };
  }
  if (&r == &d.segnale) return [](stato_lettura& s, cursori_treno&, const int32_t* v) { return record_segnale(s, v); };
  if (&r == &d.rallentamento) {
    return [](stato_lettura& s, cursori_treno&, const int32_t* v) { return record_rallentamento(s, v); };
  }
  if (&r == &d.abbattimento) {
    return [](stato_lettura& s, cursori_treno&, const int32_t* v) { return record_abbattimento(s, v); };
  }
  return nullptr;
}

// The same for a record that has nothing to say, read without a word (see leggi_riga_semplice).
using record_veloce = bool (*)(stato_lettura&, cursori_treno&, const int32_t*, int32_t);
record_veloce di_veloce(const stato_lettura&, const formato::record& r, std::string_view, int32_t&) {
  if (&r == &D().velocita) {
    return [](stato_lettura& s, cursori_treno& cur, const int32_t* v, int32_t) { return profilo_veloce<VELOCITA>(s, cur.velocita, v); };
  }
  if (&r == &D().aderenza) {
    return [](stato_lettura& s, cursori_treno& cur, const int32_t* v, int32_t) { return profilo_veloce<ADERENZA>(s, cur.aderenza, v); };
  }
  return nullptr;
}

// One run record by its keyword as the description writes it.
esito_record record_treno(stato_lettura& s, const formato::record& r, cursori_treno& cur) {
  const descrizioni_treno& d = D();
  auto& t = s.m.tabella;
  if (const record_di_numeri applica = di_numeri(s, r)) {
    int32_t v[NUMERI_SEMPLICI];
    leggi32(s, std::span<int32_t>(v, r.campi.size()));
    return applica(s, cur, v);
  }
  if (&r == &d.massa) {
    t[voce_tabella::dati_treno].inizio = leggi32(s);
  } else if (&r == &d.vetture) {
    t[voce_tabella::dati_treno].posizione = leggi32(s);
  } else if (&r == &d.orologio) {
    return orologio(s);
  } else if (&r == &d.sabbia) {
    t[voce_tabella::dati_corsa].valore1 = leggi16(s);
  } else {
    return record_stazione(s, cur);
  }
  return esito_record::prosegui;
}

// The run records, every one that matches the keyword item, in the description's order.
esito_record records_treno(stato_lettura& s, cursori_treno& cur, std::vector<const formato::record*>& trovati) {
  trovati.clear();
  for (const formato::record& r : records_riconosciuti(s, formato::ambito::corpo)) {
    // An item spelt as a record is that record alone: there is nothing to test.
    if (s.forma == nullptr && !riconosciuto(s, r)) continue;
    trovati.push_back(&r);
    if (leggi_e_ricorda(s, r, [&] { return record_treno(s, r, cur); }) == esito_record::scarta) {
      return esito_record::scarta;
    }
  }
  return esito_record::prosegui;
}

bool progressive_multiple_di_50(const modello& m) {
  for (size_t i = voce_tabella::progressiva_tre; i <= voce_tabella::progressiva_uno; ++i) {
    if (m.tabella[i].inizio % 50 != 0 || m.tabella[i].fine % 50 != 0) return false;
  }
  return true;
}

// End of the run phase: the speed and adhesion in force run to the last cells but three,
// and the progressives are checked.
void chiudi_fase_treno(stato_lettura& s, cursori_treno& cur) {
  modello& m = s.m;
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
  const std::string* const testo = testo_latin1(s, s.treno, 1);
  if (testo == nullptr) return;
  const luogo_testo tutto_il_testo{s.treno.etichetta, 0, 0};
  if (testo->find_first_not_of(" \t\r\n") == std::string_view::npos) {
    registra_avviso(s.m, avviso::testo_vuoto, tutto_il_testo);
  }
  s.testo.apri(*testo, s.treno.etichetta);
  s.in_treno = true;
  bool generale = false;
  // A header that looks like the general one is where the author meant it to be.
  std::optional<luogo_testo> quasi_generale;
  std::string scritta;
  s.luogo_record.file = s.treno.etichetta;
  while (!s.testo.fine_file()) {
    s.riga = s.testo.leggi_testo();
    if (contiene(s.riga, "[generale]")) {
      generale = true;
      break;
    }
    const std::string_view cercata[] = {"[generale]"};
    if (!quasi_generale && s.testo.elemento_a_inizio_riga() && parola_vicina(s.riga, cercata)) {
      quasi_generale = s.testo.luogo_elemento();
      scritta = s.riga;
    }
  }
  if (!generale && quasi_generale) {
    registra_avviso(s.m, avviso::generale_treno_assente, *quasi_generale,
                    frase("lettura.forse", {{"parola", scritta}, {"vicina", "[generale]"}}));
    s.m.diagnostiche.back().correggi = correzione{*quasi_generale, "[generale]"};
  } else if (!generale && !testo->empty()) {
    registra_avviso(s.m, avviso::generale_treno_assente, tutto_il_testo);
  }
  cursori_treno cur;
  std::vector<const formato::record*> trovati;
  parola_recente<record_di_numeri, record_veloce> recente;
  while (true) {
    // A line in plain form, read in one pass.
    if (leggi_riga_semplice(s, recente, di_numeri, di_veloce, cur)) {
      if (troppi_errori(s)) break;
      annota_cella_uno(s);
      continue;
    }
    if (!leggi_parola_chiave(s)) break;
    const esito_lettura e = leggi_record(s, [&] { return records_treno(s, cur, trovati); });
    if (troppi_errori(s)) break;
    annota_cella_uno(s);
    controlla_parola(s, e.valori_letti, formato::testo::treno, formato::ambito::corpo);
    if (trovati.size() > 1) controlla_forma(s, trovati, {});
    if (e.valori_letti && e.esito == esito_record::prosegui) {
      controlla_fine_record(s, !trovati.empty() && trovati.back() == &D().stazione);
    }
  }
  // After the most errors asked for, what was not read says nothing of what was written.
  if (generale && !s.stazione_letta && !s.fermata) registra_avviso(s.m, avviso::nessuna_stazione, tutto_il_testo);
  chiudi_fase_treno(s, cur);
}

}  // namespace scenario
