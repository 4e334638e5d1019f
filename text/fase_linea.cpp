// The line phase of the reading stage: the line description text into the track, the
// table and the plan of the line.
#include <algorithm>
#include <cstdint>
#include <string>

#include "model/numeri.h"
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

// Ends the line phase with an error that stops the whole reading stage.
esito_fase interrompi(stato_lettura& s, int32_t codice, std::optional<int32_t> posizione = {}) {
  chiudi_ed_elimina(s, quale_testo::linea);
  registra_errore(s, codice, posizione);
  return esito_fase::interrompi;
}

// Keywords and section headers of the line text, for the warnings about unknown words.
constexpr std::string_view PAROLE_GENERALE[] = {
    "lunghezza percorso", "progressiva chilometrica uno", "progressiva chilometrica due",
    "progressiva chilometrica tre", "sfondo uno", "sfondo due", "sfondo tre",
    "ripetizione segnali 4 codici", "ripetizione segnali 9 codici"};
constexpr std::string_view PAROLE_CORPO[] = {
    "pendenza", "curvas1", "curvas2", "curvas3", "curvas4", "curvas5", "curvas6", "curvad1",
    "curvad2", "curvad3", "curvad4", "curvad5", "curvad6", "montagna", "indicatori_vmax",
    "cartello_indicatore"};
constexpr std::string_view SEZIONI_LINEA[] = {
    "[generale]", "[curve]", "[pendenze]", "[montagne]", "[cartelli]", "[indicazioni]", "[fine]"};

// A value refused because its field in the compiled files cannot hold it.
esito_record fuori_campo(stato_lettura& s, int32_t codice, int32_t posizione, std::string motivo) {
  return rifiuta_valore(s, quale_testo::linea, codice, posizione, std::move(motivo));
}

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

// Curvature of a curve keyword: the first class digit found, tested from 1 to 6; the
// side letter "s" turns towards -x.
std::optional<double> curvatura(const std::string& parola) {
  static constexpr double classi[] = {0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};
  for (int classe = 1; classe <= 6; ++classe) {
    if (contiene_esatto(parola, std::to_string(classe))) {
      const double k = classi[classe - 1];
      return contiene(parola, "s") ? -k : k;
    }
  }
  return std::nullopt;
}

// ---- Gradients -------------------------------------------------------------------------

// Writes the gradient in force into the cell at the cursor and advances, at least once
// and then until the cursor reaches `fino_a`; never beyond the last cell.
void scrivi_pendenze(modello& m, cursori_linea& cur, int64_t fino_a) {
  const int64_t ultima = m.ultima_cella();
  do {
    if (cur.pendenza > ultima) return;
    m.percorso[static_cast<size_t>(cur.pendenza)].pendenza = basso8(int64_t{cur.pendenza_precedente} + 100);
    ++cur.pendenza;
  } while (cur.pendenza < fino_a);
}

// ---- General section -------------------------------------------------------------------

// "lunghezza percorso": the line length. The track and the plan are made once the
// general section is over, from the last length read, so that a length repeated many
// times costs nothing more than reading it.
esito_fase lunghezza_percorso(stato_lettura& s) {
  const int32_t lunghezza = s.testo.leggi_numero32();
  s.m.tabella[voce_tabella::dati_treno].fine = lunghezza;
  // A negative length would give a track of negative size: it is refused like one too long.
  if (lunghezza > LUNGHEZZA_MASSIMA || lunghezza < 0) return interrompi(s, codice::lunghezza_eccessiva);
  s.lunghezza_letta = true;
  return esito_fase::prosegui;
}

// The track, cells 0 to round((L + 7000) / 50), and the plan, metres 0 to L + 7000, all
// empty.
void crea_percorso(modello& m) {
  const int32_t lunghezza = m.tabella[voce_tabella::dati_treno].fine;
  const int64_t ultima = arrotonda((lunghezza + 7000.0) / 50);
  m.percorso.assign(static_cast<size_t>(ultima + 1), cella{});
  if (m.genera_linea != 0) {
    m.tracciato = piano_tracciato{};
    m.tracciato.ultimo_metro = int64_t{lunghezza} + MARGINE_OLTRE_FINE;
  }
}

// A kilometre progressive into entry 81 + `quale`; one whose start or value is no multiple
// of 50 is remembered for error 2, found at the end of the run phase.
void leggi_terna(stato_lettura& s, int quale) {
  voce& v = s.m.tabella[static_cast<size_t>(81 + quale)];
  v.inizio = s.testo.leggi_numero32();
  v.fine = s.testo.leggi_numero32();
  v.posizione = s.testo.leggi_numero32();
  auto& errata = s.progressiva_errata[static_cast<size_t>(quale)];
  errata.reset();
  if (v.inizio % 50 != 0 || v.fine % 50 != 0) errata = s.luogo_record;
}

esito_fase ripetizione_segnali(stato_lettura& s) {
  voce& v = s.m.tabella[voce_tabella::dati_corsa];
  v.inizio = s.testo.leggi_numero32();
  v.fine = s.testo.leggi_numero32();
  if (v.inizio % 50 != 0) return interrompi(s, codice::ripetizione_inizio);
  if (v.fine % 50 != 0) return interrompi(s, codice::ripetizione_fine);
  if (contiene(s.m.riga, "4")) {
    v.posizione = 4;
  } else if (contiene(s.m.riga, "9")) {
    v.posizione = 9;
  } else {
    return interrompi(s, codice::ripetizione_codici);
  }
  if (v.fine == 0) v.posizione = 0;
  return esito_fase::prosegui;
}

// The general records, every one that matches the keyword item, in this order.
esito_fase record_generale(stato_lettura& s) {
  const std::string& r = s.m.riga;
  auto& t = s.m.tabella;
  if (contiene(r, "lunghezza") && contiene(r, "percorso")) {
    if (lunghezza_percorso(s) == esito_fase::interrompi) return esito_fase::interrompi;
  }
  if (contiene_esatto(r, "tre") && contiene_esatto(r, "progressiva")) leggi_terna(s, 0);
  if (contiene_esatto(r, "due") && contiene_esatto(r, "progressiva")) leggi_terna(s, 1);
  if (contiene_esatto(r, "uno") && contiene_esatto(r, "progressiva")) leggi_terna(s, 2);
  if (contiene_esatto(r, "sfondo") && contiene_esatto(r, "uno")) t[voce_tabella::intestazione].inizio = s.testo.leggi_numero32();
  if (contiene_esatto(r, "sfondo") && contiene_esatto(r, "due")) t[voce_tabella::intestazione].posizione = s.testo.leggi_numero32();
  if (contiene_esatto(r, "sfondo") && contiene_esatto(r, "tre")) t[voce_tabella::intestazione].fine = s.testo.leggi_numero32();
  if (contiene_esatto(r, "segnali") && contiene_esatto(r, "ripetizione")) {
    return ripetizione_segnali(s);
  }
  return esito_fase::prosegui;
}

// A header: not led by a minus sign, holding both brackets.
bool intestazione_sezione(const std::string& riga) {
  const size_t primo = riga.find_first_not_of(" \t");
  if (primo != std::string::npos && riga[primo] == '-') return false;
  return contiene_esatto(riga, "[") && contiene_esatto(riga, "]");
}

esito_fase sezione_generale(stato_lettura& s) {
  do {
    if (s.testo.fine_file()) break;
    s.m.riga = s.testo.leggi_testo();
    if (s.testo.fine_file()) break;
    for (int volte = 0; volte < 10; ++volte) {
      if (contiene(s.m.riga, "-")) s.m.riga = s.testo.leggi_testo();
    }
    annota_parola_chiave(s);
    const size_t prima = s.testo.letti();
    s.in_record = true;
    if (record_generale(s) == esito_fase::interrompi) return esito_fase::interrompi;
    s.in_record = false;
    // Every record reads values: a keyword item after which nothing was read matched none.
    const bool riconosciuta = s.testo.letti() != prima;
    controlla_parola(s, riconosciuta, PAROLE_GENERALE, SEZIONI_LINEA);
    if (riconosciuta) controlla_fine_record(s);
  } while (!intestazione_sezione(s.m.riga));
  return esito_fase::prosegui;
}

// ---- Body records ----------------------------------------------------------------------

esito_record da_fase(esito_fase e) {
  return e == esito_fase::interrompi ? esito_record::interrompi : esito_record::prosegui;
}

esito_record record_pendenza(stato_lettura& s, cursori_linea& cur) {
  const int32_t p = s.testo.leggi_numero32();
  const int32_t g = s.testo.leggi_numero32();
  if (!entro_percorso(s.m, p)) return oltre_percorso(s, p);
  // Stored as g + 100 in 8 bits.
  if (!entro(int64_t{g} + 100, 0, 255)) {
    return fuori_campo(s, codice::pendenza_fuori_campo, p, "pendenza " + std::to_string(g));
  }
  controlla_ordine(s, s.ultima_pendenza, p, "pendenza");
  const int64_t n = arrotonda(p / 50.0);
  if (n > 0) scrivi_pendenze(s.m, cur, n);
  cur.pendenza_precedente = g;
  return esito_record::prosegui;
}

esito_record record_curva(stato_lettura& s) {
  const int32_t p = s.testo.leggi_numero32();
  const int32_t l = s.testo.leggi_numero32();
  if (!entro_percorso(s.m, p)) return oltre_percorso(s, p);
  const auto k = curvatura(s.m.riga);
  if (!k) {
    chiudi_ed_elimina(s, quale_testo::linea);
    registra_errore(s, codice::curva_errata, std::nullopt,
                    "la parola '" + s.m.riga + "' non ha la classe della curva (da 1 a 6)");
    return esito_record::interrompi;
  }
  controlla_ordine(s, s.ultima_curva, p, "curva");
  // A curve that would carry the plan past its last metre is refused like one past
  // metre 1000000: nothing is written outside the plan.
  if (!estendi_curva(s.m.tracciato, p, 0.0) || !estendi_curva(s.m.tracciato, int64_t{p} + l, *k)) {
    chiudi_ed_elimina(s, quale_testo::linea);
    registra_errore(s, codice::curva_errata, std::nullopt,
                    "la curva da " + std::to_string(p) + " m lunga " + std::to_string(l) +
                        " m va oltre la fine del tracciato (metro " +
                        std::to_string(std::min<int64_t>(s.m.tracciato.ultimo_metro, LUNGHEZZA_MASSIMA)) +
                        ")");
    return esito_record::interrompi;
  }
  return esito_record::prosegui;
}

esito_record record_montagna(stato_lettura& s) {
  const int32_t inizio = s.testo.leggi_numero32();
  const int32_t fine = s.testo.leggi_numero32();
  const int32_t tipo = s.testo.leggi_numero32();
  if (!entro_percorso(s.m, inizio)) return oltre_percorso(s, inizio);
  // The cells keep the type in 8 bits, after 10 is taken off a type above 10.
  if (!entro(tipo, 0, 265)) {
    return fuori_campo(s, codice::montagna_fuori_campo, inizio, "tipo " + std::to_string(tipo));
  }
  memo_montagna(s.m, inizio, fine, tipo);
  if (s.m.codice_errore > 0) return da_fase(interrompi(s, s.m.codice_errore, inizio));
  return esito_record::prosegui;
}

esito_record record_indicatori(stato_lettura& s) {
  int32_t v[9];
  for (int32_t& valore : v) valore = s.testo.leggi_numero32();
  if (!entro_percorso(s.m, v[0])) return oltre_percorso(s, v[0]);
  // The stripes code strisces x 10 + strisced is stored in 16 bits.
  if (const int64_t strisce = int64_t{v[4]} * 10 + v[8]; !entro(strisce, INT16_MIN, INT16_MAX)) {
    return fuori_campo(s, codice::indicatore_fuori_campo, v[0],
                       "strisces x 10 + strisced = " + std::to_string(strisce));
  }
  if (!memo_indicatori_v_max(s.m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8])) {
    throw guasto_lettura("velocita' codificata fuori dal campo a 16 bit", s.luogo_record);
  }
  if (s.m.codice_errore > 0) return da_fase(interrompi(s, s.m.codice_errore, v[0]));
  return esito_record::prosegui;
}

esito_record record_cartello(stato_lettura& s) {
  const int32_t p = s.testo.leggi_numero32();
  std::string testo = s.testo.leggi_testo_memorizzato("testo del cartello");
  if (!entro_percorso(s.m, p)) return oltre_percorso(s, p);
  const int64_t c = cella_di(p);
  // A board before the first cell, or an 81st board that would need table entry 0, has
  // no place in the model.
  if (c < 0) return da_fase(interrompi(s, codice::prima_inizio_linea, p));
  if (s.slot_cartello < 1) return da_fase(interrompi(s, codice::troppi_cartelli, p));
  cella& cel = s.m.percorso[static_cast<size_t>(c)];
  if (!cella_libera(cel)) return da_fase(interrompi(s, codice::cartello_occupato, p));
  cel.tipo = tipo_cella::cartello;
  cel.dato1 = basso16(s.slot_cartello);
  s.m.tabella[static_cast<size_t>(s.slot_cartello)].nome = std::move(testo);
  --s.slot_cartello;
  return esito_record::prosegui;
}

// The body records, every one that matches the keyword item, in this order.
esito_record record_corpo(stato_lettura& s, cursori_linea& cur) {
  const std::string r = s.m.riga;
  const esito_record nessuno = esito_record::prosegui;
  esito_record e = nessuno;
  if (contiene(r, "pendenza") && (e = record_pendenza(s, cur)) != nessuno) return e;
  if (contiene(r, "curva") && s.m.genera_linea != 0 && (e = record_curva(s)) != nessuno) return e;
  if (contiene(r, "montagna") && (e = record_montagna(s)) != nessuno) return e;
  if (contiene(r, "indicatori_v") && (e = record_indicatori(s)) != nessuno) return e;
  if (contiene(r, "indicat") && contiene(r, "cartello") && (e = record_cartello(s)) != nessuno) return e;
  return nessuno;
}

// End of the line phase: the text goes, the gradient in force runs to the last cells
// but three, and the plan runs straight to its last metres but two.
void chiudi_fase_linea(stato_lettura& s, cursori_linea& cur) {
  modello& m = s.m;
  chiudi_ed_elimina(s, quale_testo::linea);
  scrivi_pendenze(m, cur, int64_t{m.ultima_cella()} - 2);
  if (m.genera_linea == 0) return;
  const int64_t fino_a = int64_t{m.tabella[voce_tabella::dati_treno].fine} + MARGINE_OLTRE_FINE - 2;
  aggiungi_passi(m.tracciato, std::min(fino_a, m.tracciato.ultimo_metro), 0.0);
}

}  // namespace

esito_fase fase_linea(stato_lettura& s) {
  modello& m = s.m;
  m.tabella[voce_tabella::intestazione].nome = m.linea;
  m.tabella[voce_tabella::dati_corsa].nome = m.treno;
  if (!s.linea.esiste) {
    registra_errore(m, codice::testo_linea_assente, std::nullopt);
    return esito_fase::interrompi;
  }
  if (!s.linea.byte) throw guasto_lettura(s.linea.motivo, luogo_testo{s.linea.etichetta, 0, 0});
  const auto testo = testo_latin1(s, s.linea, s.linea_convertita);
  if (!testo) {
    s.eliminati.linea = true;
    return esito_fase::interrompi;
  }
  s.testo.apri(*testo, s.linea.etichetta);
  do {
    m.riga = s.testo.leggi_testo();
    s.luogo_record = s.testo.luogo_elemento();
    if (s.testo.fine_file()) return interrompi(s, codice::generale_assente);
  } while (!contiene(m.riga, "[generale]"));

  if (sezione_generale(s) == esito_fase::interrompi) return esito_fase::interrompi;
  // Without a line length there is no track to put anything on.
  if (!s.lunghezza_letta) return interrompi(s, codice::lunghezza_assente);
  crea_percorso(m);

  progressive_ordina(m);
  m.numero_montagne = 0;
  s.slot_cartello = voce_tabella::ultimo_cartello;
  cursori_linea cur;
  if (m.genera_linea != 0) m.tracciato.origine = true;
  while (leggi_parola_chiave(s)) {
    // A curve is a known word even when the plan is not built and its record is not read.
    const bool curva = contiene(m.riga, "curva");
    const size_t prima = s.testo.letti();
    s.in_record = true;
    const esito_record e = record_corpo(s, cur);
    s.in_record = false;
    if (e == esito_record::interrompi) return esito_fase::interrompi;
    annota_cella_uno(s);
    if (e == esito_record::fine_fase) break;
    // Every record reads values: a keyword item after which nothing was read matched none.
    const bool riconosciuta = s.testo.letti() != prima;
    controlla_parola(s, riconosciuta || curva, PAROLE_CORPO, SEZIONI_LINEA);
    if (riconosciuta) controlla_fine_record(s);
  }
  chiudi_fase_linea(s, cur);
  return esito_fase::prosegui;
}

}  // namespace scenario
