// The line phase of the reading stage: the line description text into the track, the
// table and the plan of the line.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>

#include "model/numeri.h"
#include "text/codifica.h"
#include "text/fasi.h"
#include "track/marcatori.h"
#include "track/progressive.h"
#include "track/rapporto_errori.h"

namespace scenario {

namespace {

// Cursors of the line phase.
struct cursori_linea {
  int64_t pendenza = 0;            // next cell whose gradient is still to be written
  int32_t pendenza_precedente = 0;  // gradient in force up to the next record
};

// Ends the line phase with an error after which there is no track to read into: the
// whole reading stage stops.
esito_fase interrompi(stato_lettura& s, int32_t codice, std::optional<luogo_testo> luogo = {},
                      messaggio motivo = {}) {
  registra_errore(s.m, codice, std::nullopt, luogo ? luogo : std::optional<luogo_testo>(s.luogo_record),
                  std::move(motivo));
  return esito_fase::interrompi;
}

// The line records, each looked up once in the description.
struct descrizioni_linea {
  const formato::record& lunghezza = *formato::cerca(formato::testo::linea, "lunghezza percorso");
  const formato::record& tre = *formato::cerca(formato::testo::linea, "progressiva chilometrica tre");
  const formato::record& due = *formato::cerca(formato::testo::linea, "progressiva chilometrica due");
  const formato::record& uno = *formato::cerca(formato::testo::linea, "progressiva chilometrica uno");
  const formato::record& sfondo_uno = *formato::cerca(formato::testo::linea, "sfondo uno");
  const formato::record& sfondo_due = *formato::cerca(formato::testo::linea, "sfondo due");
  const formato::record& sfondo_tre = *formato::cerca(formato::testo::linea, "sfondo tre");
  const formato::record& pendenza = *formato::cerca(formato::testo::linea, "pendenza");
  const formato::record& curva = *formato::cerca(formato::testo::linea, "curvad4");
  const formato::record& montagna = *formato::cerca(formato::testo::linea, "montagna");
  const formato::record& indicatori = *formato::cerca(formato::testo::linea, "indicatori_vmax");
  const formato::record& cartello = *formato::cerca(formato::testo::linea, "cartello_indicatore");
};

// The description's records are constants: looked up once, before the first reading.
const descrizioni_linea DESCRIZIONI;
const descrizioni_linea& D() { return DESCRIZIONI; }

// ---- Plan of the line ------------------------------------------------------------------

// Steps of the plan from the metre cursor up to metre `fino_a` with curvature `k`; the
// points themselves are worked out when the plan is written.
void aggiungi_passi(piano_tracciato& p, int64_t fino_a, double k) {
  if (fino_a < p.cursore) return;
  if (!p.tratti.empty() && p.tratti.back().k == k) {
    p.tratti.back().fino_a = fino_a;
  } else {
    p.tratti.push_back({fino_a, k});
  }
  p.cursore = fino_a + 1;
}

// Steps of a curve record up to metre `fino_a`. False when a step would fall past the
// last metre of the plan, or once the cursor has gone past metre 1000000 (the step onto
// metre 1000000 is still taken).
bool estendi_curva(piano_tracciato& p, int64_t fino_a, double k) {
  if (fino_a < p.cursore) return true;
  aggiungi_passi(p, std::min({fino_a, p.ultimo_metro, int64_t{LUNGHEZZA_MASSIMA}}), k);
  return p.cursore <= LUNGHEZZA_MASSIMA && fino_a <= p.ultimo_metro;
}

// The class of a curve keyword: the first class digit found, tested from 1 to 6, negative
// when the side letter "s" (either case) turns it towards -x.
std::optional<int> classe_della_parola(std::string_view parola) {
  // The digits and the side letter present, in one look at each byte.
  unsigned cifre = 0;
  bool sinistra = false;
  for (const char c : parola) {
    const unsigned d = static_cast<unsigned char>(c) - unsigned{'0'};
    if (d <= 9) cifre |= 1u << d;
    sinistra = sinistra || c == 's' || c == 'S';
  }
  cifre &= 0x7Eu;  // the classes, 1 to 6
  if (cifre == 0) return std::nullopt;
  const int classe = std::countr_zero(cifre);
  return sinistra ? -classe : classe;
}

// ---- Gradients -------------------------------------------------------------------------

// Writes the gradient in force into the cell at the cursor and advances, at least once
// and then until the cursor reaches `fino_a`; never beyond the last cell.
void scrivi_pendenze(modello& m, cursori_linea& cur, int64_t fino_a) {
  const int64_t ultima = m.ultima_cella();
  do {
    if (cur.pendenza > ultima) return;
    m.percorso[static_cast<size_t>(cur.pendenza)].pendenza = basso8(formato::pendenza_in_cella(cur.pendenza_precedente));
    ++cur.pendenza;
  } while (cur.pendenza < fino_a);
}

// ---- General section -------------------------------------------------------------------

// "lunghezza percorso": the line length. The track and the plan are made once the
// general section is over, from the last length read, so that a length repeated many
// times costs nothing more than reading it. A length out of range leaves no track to
// read into: the reading stops there.
esito_record lunghezza_percorso(stato_lettura& s) {
  s.lunghezza_scritta = true;
  const int32_t lunghezza = leggi32(s);
  s.m.tabella[voce_tabella::dati_treno].fine = lunghezza;
  // A negative length would give a track of negative size: it is refused like one too long.
  if (controlla_campo(s, D().lunghezza, 0, lunghezza, std::nullopt) !=
      esito_record::prosegui) {
    s.lunghezza_impossibile = true;
    return esito_record::scarta;
  }
  s.lunghezza_letta = true;
  return esito_record::prosegui;
}

// The track, cells 0 to round((L + 7000) / 50), and the plan, metres 0 to L + 7000, all
// empty.
void crea_percorso(modello& m) {
  const int32_t lunghezza = m.tabella[voce_tabella::dati_treno].fine;
  const int64_t ultima = arrotonda((lunghezza + 7000.0) / 50);
  m.percorso.assign(static_cast<size_t>(ultima + 1), cella{});
  m.oggetti.prepara(m.percorso.size());
  if (m.genera_linea != 0) {
    m.tracciato = piano_tracciato{};
    m.tracciato.ultimo_metro = int64_t{lunghezza} + MARGINE_OLTRE_FINE;
  }
}

// A kilometre progressive into entry 81 + `quale`; one whose start or value is no multiple
// of 50 is remembered for error 2, found at the end of the run phase.
esito_record leggi_terna(stato_lettura& s, int quale) {
  voce& v = s.m.tabella[static_cast<size_t>(81 + quale)];
  v.inizio = leggi32(s);
  v.fine = leggi32(s);
  v.posizione = leggi32(s);
  auto& errata = s.progressiva_errata[static_cast<size_t>(quale)];
  errata.reset();
  if (v.inizio % 50 != 0) errata = luogo_valore(s, 0);
  else if (v.fine % 50 != 0) errata = luogo_valore(s, 1);
  return esito_record::prosegui;
}

esito_record ripetizione_segnali(stato_lettura& s, const formato::record& r) {
  voce& v = s.m.tabella[voce_tabella::dati_corsa];
  v.inizio = leggi32(s);
  v.fine = leggi32(s);
  if (v.inizio % 50 != 0) return errore_record(s, codice::ripetizione_inizio, std::nullopt, {}, 0);
  if (v.fine % 50 != 0) return errore_record(s, codice::ripetizione_fine, std::nullopt, {}, 1);
  if (contiene(s.riga, "4")) {
    v.posizione = 4;
  } else if (contiene(s.riga, "9")) {
    v.posizione = 9;
  } else {
    return errore_record(s, codice::ripetizione_codici, std::nullopt);
  }
  s.dalla_parola = v.posizione;
  // Written otherwise than as its two forms ("ripetizione segnali 94 codici"), the item
  // is read by the first digit it holds of the two: said, with the form it is read as.
  if (s.forma != &r && s.letture == 1) {
    const formato::record* const letto = &r;
    controlla_forma(s, std::span<const formato::record* const>(&letto, 1), r.forme[v.posizione == 4 ? 0 : 1]);
  }
  if (v.fine == 0) v.posizione = 0;
  return esito_record::prosegui;
}

esito_record sfondo(stato_lettura& s, int32_t voce::*campo) {
  s.m.tabella[voce_tabella::intestazione].*campo = leggi32(s);
  return esito_record::prosegui;
}

// One general record by its keyword as the description writes it.
esito_record record_generale(stato_lettura& s, const formato::record& r) {
  const descrizioni_linea& d = D();
  if (&r == &d.lunghezza) return lunghezza_percorso(s);
  if (&r == &d.tre) return leggi_terna(s, 0);
  if (&r == &d.due) return leggi_terna(s, 1);
  if (&r == &d.uno) return leggi_terna(s, 2);
  if (&r == &d.sfondo_uno) return sfondo(s, &voce::inizio);
  if (&r == &d.sfondo_due) return sfondo(s, &voce::posizione);
  if (&r == &d.sfondo_tre) return sfondo(s, &voce::fine);
  return ripetizione_segnali(s, r);
}

// The general records, every one that matches the keyword item, in the description's order.
esito_record records_generali(stato_lettura& s, std::vector<const formato::record*>& trovati) {
  trovati.clear();
  for (const formato::record& r : records_riconosciuti(s, formato::ambito::generale)) {
    // An item spelt as a record is that record alone: there is nothing to test.
    if (s.forma == nullptr && !riconosciuto(s, r)) continue;
    trovati.push_back(&r);
  }
  s.letture = trovati.size();
  for (const formato::record* r : trovati) {
    if (leggi_e_ricorda(s, *r, [&] { return record_generale(s, *r); }) == esito_record::scarta) {
      return esito_record::scarta;
    }
  }
  return esito_record::prosegui;
}

// A header: not led by a minus sign, holding both brackets.
bool intestazione_sezione(std::string_view riga) {
  const size_t primo = riga.find_first_not_of(" \t");
  if (primo != std::string_view::npos && riga[primo] == '-') return false;
  return contiene_esatto(riga, "[") && contiene_esatto(riga, "]");
}

esito_fase sezione_generale(stato_lettura& s) {
  std::vector<const formato::record*> trovati;
  do {
    if (s.testo.fine_file()) break;
    s.riga = s.testo.leggi_testo();
    if (s.testo.fine_file()) break;
    for (int volte = 0; volte < 10; ++volte) {
      if (s.riga.find('-') != std::string_view::npos) s.riga = s.testo.leggi_testo();
    }
    annota_parola_chiave(s);
    const esito_lettura e = leggi_record(s, [&] { return records_generali(s, trovati); });
    s.letture = 1;
    if (s.lunghezza_impossibile || troppi_errori(s)) return esito_fase::interrompi;
    controlla_parola(s, e.valori_letti, formato::testo::linea, formato::ambito::generale);
    if (trovati.size() > 1) controlla_forma(s, trovati, {});
    if (e.valori_letti && e.esito == esito_record::prosegui) controlla_fine_record(s, false);
  } while (!intestazione_sezione(s.riga));
  return esito_fase::prosegui;
}

// ---- Body records ----------------------------------------------------------------------

// A gradient at `p` of `g` into the cells, once its record is accepted.
void scrivi_pendenza(stato_lettura& s, cursori_linea& cur, int32_t p, int32_t g) {
  const int64_t n = arrotonda_quoziente(p, 50);
  if (n > 0) scrivi_pendenze(s.m, cur, n);
  cur.pendenza_precedente = g;
}

esito_record record_pendenza(stato_lettura& s, cursori_linea& cur, const int32_t* v) {
  const int32_t p = v[0];
  const int32_t g = v[1];
  if (!entro_percorso(s.m, p)) return oltre_percorso(s, p);
  // Stored as g + 100 in 8 bits.
  if (controlla_campo(s, D().pendenza, 1, g, p) != esito_record::prosegui) return esito_record::scarta;
  controlla_ordine(s, s.ultima_pendenza, p, dal_catalogo("lettura.ordine.pendenza"));
  scrivi_pendenza(s, cur, p, g);
  return esito_record::prosegui;
}

// A gradient on the track, in its field's range, not before the one before it: the record
// has nothing to say, and is read as record_pendenza reads it. Any other is left as it is.
bool pendenza_veloce(stato_lettura& s, cursori_linea& cur, const int32_t* v, int32_t) {
  const int32_t p = v[0];
  const int32_t g = v[1];
  if (!entro_percorso(s.m, p) || !formato::entro_limiti(D().pendenza.campi[1], g) ||
      (s.ultima_pendenza && p < *s.ultima_pendenza)) {
    return false;
  }
  s.ultima_pendenza = p;
  scrivi_pendenza(s, cur, p, g);
  return true;
}

// A curve from `p` of length `l` that would carry the plan past its last metre (or past
// metre 1000000).
bool curva_oltre(const modello& m, int32_t p, int32_t l) {
  const int64_t fine = int64_t{p} + l;
  const int64_t ultimo = std::min<int64_t>(m.tracciato.ultimo_metro, LUNGHEZZA_MASSIMA);
  return std::max<int64_t>(p, fine) > ultimo && std::max<int64_t>(p, fine) >= m.tracciato.cursore;
}

// The plan's steps of a curve accepted: straight up to its start, then turning by `k`.
void scrivi_curva(modello& m, int32_t p, int32_t l, double k) {
  estendi_curva(m.tracciato, p, 0.0);
  estendi_curva(m.tracciato, int64_t{p} + l, k);
}

// How a curve's keyword is read: "'curvad6' (a destra, classe 6)".
std::string curva_letta(int classe) {
  return rendi(frase(classe < 0 ? dal_catalogo("lettura.curva_letta_sinistra") : dal_catalogo("lettura.curva_letta_destra"),
                     {{"classe", std::to_string(std::abs(classe))}}));
}

esito_record record_curva(stato_lettura& s, const int32_t* v) {
  const int32_t p = v[0];
  const int32_t l = v[1];
  if (!entro_percorso(s.m, p)) return oltre_percorso(s, p);
  const std::optional<int> classe = classe_della_parola(s.riga);
  if (!classe) {
    return errore_record(s, codice::curva_errata, std::nullopt,
                         frase("lettura.curva_senza_classe", {{"parola", std::string(s.riga)}}));
  }
  const formato::record* curva = &D().curva;
  const double k = (*classe < 0 ? -1 : 1) * formato::CURVATURE[static_cast<size_t>(std::abs(*classe) - 1)];
  // A keyword written as one of the curve's own spellings says what it means. An item
  // that names other records too is said once, with all of them, after it.
  if (s.forma != curva && s.letture == 1) {
    controlla_forma(s, std::span<const formato::record* const>(&curva, 1), curva_letta(*classe));
  }
  controlla_campo(s, *curva, 1, l, p);
  controlla_ordine(s, s.ultima_curva, p, dal_catalogo("lettura.ordine.curva"));
  // A curve that would carry the plan past its last metre is refused like one past
  // metre 1000000: nothing is written outside the plan.
  // Checked before any step is taken, so that a refused curve leaves the plan as it was.
  if (curva_oltre(s.m, p, l)) {
    const int64_t ultimo = std::min<int64_t>(s.m.tracciato.ultimo_metro, LUNGHEZZA_MASSIMA);
    return errore_record(s, codice::curva_errata, std::nullopt,
                         frase("lettura.curva_oltre", {{"da", p}, {"lunghezza", l}, {"ultimo", ultimo}}),
                         1);
  }
  scrivi_curva(s.m, p, l, k);
  s.dalla_parola = *classe;
  return esito_record::prosegui;
}

// A curve of class `classe` (from one of its own spellings), on the track, of a length in
// its field's range, not before the one before it, that carries the plan no further than
// its last metre: the record has nothing to say, and is read as record_curva reads it. Any
// other is left as it is.
bool curva_veloce(stato_lettura& s, cursori_linea&, const int32_t* v, int32_t classe) {
  const int32_t p = v[0];
  const int32_t l = v[1];
  if (!entro_percorso(s.m, p) || !formato::entro_limiti(D().curva.campi[1], l) ||
      (s.ultima_curva && p < *s.ultima_curva) || curva_oltre(s.m, p, l)) {
    return false;
  }
  s.ultima_curva = p;
  scrivi_curva(s.m, p, l, (classe < 0 ? -1 : 1) * formato::CURVATURE[static_cast<size_t>(std::abs(classe) - 1)]);
  return true;
}

esito_record record_montagna(stato_lettura& s, const int32_t* v) {
  const int32_t inizio = v[0];
  const int32_t fine = v[1];
  const int32_t tipo = v[2];
  if (!entro_percorso(s.m, inizio)) return oltre_percorso(s, inizio);
  // The cells keep the type in 8 bits, after 10 is taken off a type above 10.
  if (controlla_campo(s, D().montagna, 2, tipo, inizio) != esito_record::prosegui) {
    return esito_record::scarta;
  }
  // Nothing is marked for it; the stretch still counts for the next one's 150 m rule.
  if (fine < inizio) {
    avviso_record(s, avviso::tratto_rovesciato, inizio,
                  frase("lettura.montagna_rovesciata", {{"inizio", inizio}, {"fine", fine}}),
                  1);
  }
  const int32_t codice = chiama_marcatore(s.m, [&] { memo_montagna(s.m, inizio, fine, tipo); });
  if (codice > 0) return errore_record(s, codice, inizio, {}, 0);
  return esito_record::prosegui;
}

esito_record record_indicatori(stato_lettura& s, const int32_t* v) {
  if (!entro_percorso(s.m, v[0])) return oltre_percorso(s, v[0]);
  // The stripes code strisces x 10 + strisced is stored in 16 bits.
  if (const int64_t strisce = formato::coppia_in_cella(v[4], v[8]); !entro(strisce, INT16_MIN, INT16_MAX)) {
    return errore_record(s, codice::indicatore_fuori_campo, v[0],
                         "strisces x 10 + strisced = " + std::to_string(strisce), 4);
  }
  bool entro_16 = true;
  const int32_t codice = chiama_marcatore(s.m, [&] {
    entro_16 = memo_indicatori_v_max(s.m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
  });
  if (!entro_16) {
    throw guasto_lettura(frase("lettore.velocita_codificata"), luogo_valori(s, 1, 7));
  }
  if (codice > 0) return errore_cella_occupata(s, codice, v[0], cella_di(v[0]));
  annota_oggetto(s, cella_di(v[0]), dal_catalogo("oggetto.da_indicatore"), v[0]);
  return esito_record::prosegui;
}

esito_record record_cartello(stato_lettura& s) {
  const int32_t p = leggi32(s);
  const std::string_view testo = leggi_testo_valore(s, dal_catalogo("lettore.testo_del_cartello"));
  if (!entro_percorso(s.m, p)) return oltre_percorso(s, p);
  const int64_t c = cella_di(p);
  // A board before the first cell, or an 81st board that would need table entry 0, has
  // no place in the model.
  if (c < 0) return errore_record(s, codice::prima_inizio_linea, p, {}, 0);
  if (s.slot_cartello < 1) return errore_record(s, codice::troppi_cartelli, p, {}, 0);
  cella& cel = s.m.percorso[static_cast<size_t>(c)];
  if (!cella_libera(cel)) return errore_cella_occupata(s, codice::cartello_occupato, p, c);
  annota_oggetto(s, c, dal_catalogo("oggetto.da_cartello"), p);
  cel.tipo = tipo_cella::cartello;
  cel.dato1 = basso16(s.slot_cartello);
  s.m.tabella[static_cast<size_t>(s.slot_cartello)].nome = testo;
  s.voce_record = s.slot_cartello;
  --s.slot_cartello;
  return esito_record::prosegui;
}

// What a body record of numbers alone, one for each of its fields, does with them; nothing
// for a record that reads otherwise. A curve is recognised only while the plan is built.
using record_di_numeri = esito_record (*)(stato_lettura&, cursori_linea&, const int32_t*);
record_di_numeri di_numeri(const stato_lettura& s, const formato::record& r) {
  const descrizioni_linea& d = D();
  if (r.campi.size() > NUMERI_SEMPLICI) return nullptr;
  if (&r == &d.pendenza) return [](stato_lettura& t, cursori_linea& cur, const int32_t* v) { return record_pendenza(t, cur, v); };
  if (&r == &d.curva && s.m.genera_linea != 0) {
    return [](stato_lettura& t, cursori_linea&, const int32_t* v) { return record_curva(t, v); };
  }
  if (&r == &d.montagna) return [](stato_lettura& t, cursori_linea&, const int32_t* v) { return record_montagna(t, v); };
  if (&r == &d.indicatori) {
    return [](stato_lettura& t, cursori_linea&, const int32_t* v) { return record_indicatori(t, v); };
  }
  return nullptr;
}

// The same for a record that has nothing to say, read without a word (see leggi_riga_semplice).
// A curve's keyword says its class.
using record_veloce = bool (*)(stato_lettura&, cursori_linea&, const int32_t*, int32_t);
record_veloce di_veloce(const stato_lettura& s, const formato::record& r, std::string_view parola, int32_t& dalla_parola) {
  if (&r == &D().pendenza) return pendenza_veloce;
  if (&r != &D().curva || s.m.genera_linea == 0) return nullptr;
  const std::optional<int> classe = classe_della_parola(parola);
  if (!classe) return nullptr;
  dalla_parola = *classe;
  return curva_veloce;
}

// An item that several body records recognise, each reading its own values: said once,
// the curve first, as its keyword is read.
void piu_letture(stato_lettura& s, std::vector<const formato::record*>& trovati) {
  const auto curva = std::find(trovati.begin(), trovati.end(), &D().curva);
  const std::optional<int> classe = curva != trovati.end() ? classe_della_parola(s.riga) : std::nullopt;
  if (!classe) return controlla_forma(s, trovati, {});
  std::rotate(trovati.begin(), curva, curva + 1);
  // Named by the curve's own spelling that the reading reads alike.
  const auto& forme = D().curva.forme;
  const auto forma = std::find_if(forme.begin(), forme.end(), [&](std::string_view f) { return classe_della_parola(f) == classe; });
  controlla_forma(s, trovati, *forma);
}

// The body records, every one that matches the keyword item, in the description's order.
// A curve is recognised only while the plan is built.
esito_record record_corpo(stato_lettura& s, cursori_linea& cur, std::vector<const formato::record*>& trovati) {
  const descrizioni_linea& d = D();
  trovati.clear();
  for (const formato::record& r : records_riconosciuti(s, formato::ambito::corpo)) {
    // An item spelt as a record is that record alone: there is nothing to test.
    if (s.forma == nullptr && !riconosciuto(s, r)) continue;
    // A curve is recognised only while the plan is built.
    if (&r == &d.curva && s.m.genera_linea == 0) continue;
    trovati.push_back(&r);
  }
  s.letture = trovati.size();
  for (const formato::record* trovato : trovati) {
    const formato::record& r = *trovato;
    const esito_record e = leggi_e_ricorda(s, r, [&] {
      if (const record_di_numeri applica = di_numeri(s, r)) {
        int32_t v[NUMERI_SEMPLICI];
        leggi32(s, std::span<int32_t>(v, r.campi.size()));
        return applica(s, cur, v);
      }
      return record_cartello(s);
    });
    if (e == esito_record::scarta) return e;
  }
  return esito_record::prosegui;
}

// End of the line phase: the gradient in force runs to the last cells but three, and the
// plan runs straight to its last metres but two.
void chiudi_fase_linea(stato_lettura& s, cursori_linea& cur) {
  modello& m = s.m;
  scrivi_pendenze(m, cur, int64_t{m.ultima_cella()} - 2);
  if (m.genera_linea == 0) return;
  const int64_t fino_a = int64_t{m.tabella[voce_tabella::dati_treno].fine} + MARGINE_OLTRE_FINE - 2;
  aggiungi_passi(m.tracciato, std::min(fino_a, m.tracciato.ultimo_metro), 0.0);
}

}  // namespace

esito_fase fase_linea(stato_lettura& s) {
  modello& m = s.m;
  // The identifiers as the simulator reads them from the files' names.
  m.tabella[voce_tabella::intestazione].nome = identificativo_8bit(m.linea);
  m.tabella[voce_tabella::dati_corsa].nome = identificativo_8bit(m.treno);
  if (!s.linea.esiste) {
    registra_errore(m, codice::testo_linea_assente, std::nullopt);
    return esito_fase::interrompi;
  }
  if (!s.linea.byte) throw guasto_lettura(s.linea.motivo, luogo_testo{s.linea.etichetta, 0, 0});
  const std::string* const testo = testo_latin1(s, s.linea, 0);
  if (testo == nullptr) return esito_fase::interrompi;
  s.testo.apri(*testo, s.linea.etichetta);
  // A header that looks like the general one is where the author meant it to be.
  std::optional<luogo_testo> quasi_generale;
  std::string scritta;
  s.luogo_record.file = s.linea.etichetta;
  do {
    s.riga = s.testo.leggi_testo();
    s.luogo_record.riga = s.testo.riga_elemento();
    s.luogo_record.colonna = s.testo.colonna_elemento();
    s.luogo_record.fine = s.testo.fine_colonna_elemento();
    if (!quasi_generale && s.testo.elemento_a_inizio_riga()) {
      const std::string_view generale[] = {"[generale]"};
      if (parola_vicina(s.riga, generale)) {
        quasi_generale = s.luogo_record;
        scritta = s.riga;
      }
    }
    if (s.testo.fine_file()) {
      if (!quasi_generale) return interrompi(s, codice::generale_assente);
      interrompi(s, codice::generale_assente, quasi_generale, frase("lettura.forse", {{"parola", scritta}, {"vicina", "[generale]"}}));
      m.diagnostiche.back().correggi = correzione{*quasi_generale, "[generale]"};
      return esito_fase::interrompi;
    }
  } while (!contiene(s.riga, "[generale]"));

  if (sezione_generale(s) == esito_fase::interrompi) return esito_fase::interrompi;
  // Without a line length there is no track to put anything on. A length that could not
  // be read has been said already.
  if (!s.lunghezza_letta && s.lunghezza_scritta) return esito_fase::interrompi;
  if (!s.lunghezza_letta) {
    return interrompi(s, codice::lunghezza_assente, std::nullopt,
                      s.parole_dell_altro_testo > 0 ? frase("lettura.testi_scambiati") : messaggio());
  }
  crea_percorso(m);

  progressive_ordina(m);
  m.numero_montagne = 0;
  s.slot_cartello = voce_tabella::ultimo_cartello;
  cursori_linea cur;
  if (m.genera_linea != 0) m.tracciato.origine = true;
  parola_recente<record_di_numeri, record_veloce> recente;
  std::vector<const formato::record*> trovati;
  while (true) {
    // A line in plain form, read in one pass.
    if (leggi_riga_semplice(s, recente, di_numeri, di_veloce, cur)) {
      if (troppi_errori(s)) return esito_fase::interrompi;
      annota_cella_uno(s);
      continue;
    }
    if (!leggi_parola_chiave(s)) break;
    const esito_lettura e = leggi_record(s, [&] { return record_corpo(s, cur, trovati); });
    s.letture = 1;
    if (troppi_errori(s)) return esito_fase::interrompi;
    annota_cella_uno(s);
    // A curve is a known word even when the plan is not built and its record is not read.
    const bool curva = s.forma != nullptr ? s.forma == &D().curva : s.riga_minuscola.find("curva") != std::string::npos;
    controlla_parola(s, e.valori_letti || curva, formato::testo::linea, formato::ambito::corpo);
    if (trovati.size() > 1) piu_letture(s, trovati);
    if (e.valori_letti && e.esito == esito_record::prosegui) {
      controlla_fine_record(s, riconosciuto(s, D().cartello));
    }
  }
  chiudi_fase_linea(s, cur);
  return esito_fase::prosegui;
}

}  // namespace scenario
