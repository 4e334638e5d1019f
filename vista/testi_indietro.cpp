#include "vista/testi_indietro.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <queue>
#include <set>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <variant>

#include "lingue/catalogo.h"
#include "model/formato.h"
#include "model/numeri.h"
#include "model/tracciato.h"
#include "nucleo/compilazione.h"
#include "nucleo/impaginazione.h"
#include "text/codifica.h"
#include "text/lettura_dati.h"
#include "track/finitura.h"
#include "track/progressive.h"
#include "track/rapporto_errori.h"

namespace scenario::vista {

namespace {

namespace F = scenario::formato;

// What the texts given back say of themselves, in their opening lines (before the first
// header, where the reading looks for nothing), in the language shown: words only, no
// comma and no keyword, in ISO 8859-1 as the texts are composed.
std::string nota(std::string id, std::vector<argomento> argomenti = {}) {
  const std::string utf8 = traduci(std::move(id), std::move(argomenti));
  esame_codifica esame = esamina_codifica(utf8);
  return esame.tipo == scenario::codifica::utf8 ? std::move(esame.convertito) : utf8;
}

using valore = std::variant<int64_t, std::string>;
using valori = std::vector<std::pair<std::string_view, valore>>;

// The record of a text by its keyword as written, from the one description of the format.
const F::record& record_di(F::testo t, std::string_view parola) {
  const F::record* r = F::cerca(t, parola);
  if (r == nullptr) throw std::logic_error("nessun record '" + std::string(parola) + "'");
  return *r;
}

// The values of a record line in the order the format gives its fields, as written.
std::vector<std::string> valori_riga(const F::record& r, const valori& v) {
  std::vector<std::string> esito;
  for (const F::campo& c : r.campi) {
    const auto trovato = std::find_if(v.begin(), v.end(), [&](const auto& p) { return p.first == c.nome; });
    if (trovato == v.end()) throw std::logic_error("il campo '" + std::string(c.nome) + "' non ha valore");
    if (const auto* n = std::get_if<int64_t>(&trovato->second)) {
      esito.push_back(std::to_string(*n));
    } else {
      esito.push_back(std::get<std::string>(trovato->second));
    }
  }
  return esito;
}

size_t indice_sezione(F::testo t, std::string_view nome) {
  const auto sezioni = F::sezioni(t);
  for (size_t i = 0; i < sezioni.size(); ++i) {
    if (sezioni[i].nome == nome) return i;
  }
  throw std::logic_error("nessuna sezione '" + std::string(nome) + "'");
}

// A text built record by record, each under its customary section. The sections come out
// in their order: a record that must be read after one of a later section stays in the
// section reached (the reading recognises a record wherever it stands). The records of
// one kind in one section are laid out in columns by the formatter (nucleo/impaginazione.h),
// numbers to the right, as the embedded texts are written; the opening lines, before the
// first header, are notes the reading passes over.
class testo_ricavato {
 public:
  explicit testo_ricavato(F::testo t) : t_(t) {}

  void aggiungi(const F::record& r, std::string_view forma, const valori& v) {
    righe_.push_back({indice_sezione(t_, r.sezione), {&r, std::string(forma), valori_riga(r, v)}});
  }
  void aggiungi(const F::record& r, const valori& v) { aggiungi(r, r.parola, v); }

  std::string componi(const std::vector<std::string>& apertura) const {
    const auto sezioni = F::sezioni(t_);
    std::vector<std::string> intestazioni;
    for (const F::sezione& z : sezioni) intestazioni.emplace_back(z.nome);
    std::vector<riga_in_colonne> righe;
    righe.reserve(apertura.size() + sezioni.size() + righe_.size());
    const auto scritta = [](std::string_view r) {
      riga_in_colonne x;
      x.scritta = r;
      x.a_capo = "\r\n";
      return x;
    };
    for (const std::string& nota : apertura) righe.push_back(scritta(nota));
    size_t aperte = 0;   // sections whose header is written
    size_t in_vigore = 0;  // the section a record stands in: the furthest reached
    const auto apri_fino_a = [&](size_t i) {
      for (; aperte <= i && aperte < sezioni.size(); ++aperte) righe.push_back(scritta(intestazioni[aperte]));
    };
    for (const riga& r : righe_) {
      const record_ricavato& x = r.record;
      in_vigore = std::max(in_vigore, r.sezione);
      apri_fino_a(in_vigore);
      riga_in_colonne y;
      y.r = x.descrizione;
      y.sezione = static_cast<int64_t>(in_vigore);
      y.elementi.reserve(x.valori.size() + 1);
      y.elementi.push_back(x.parola);
      for (const std::string& v : x.valori) y.elementi.push_back(v);
      // A text value (a name) is the record's last: as it is.
      for (size_t k = 0; k < x.valori.size(); ++k) {
        if (x.descrizione->campi[k].letto == F::lettura::testo) y.testo = x.valori[k];
      }
      y.a_capo = "\r\n";
      righe.push_back(std::move(y));
    }
    apri_fino_a(sezioni.size() - 1);
    return in_colonne(righe);
  }

  void records(std::vector<record_ricavato>& r) const {
    for (const riga& x : righe_) r.push_back(x.record);
  }

 private:
  struct riga {
    size_t sezione;
    record_ricavato record;
  };
  F::testo t_;
  std::vector<riga> righe_;
};

int64_t n64(int64_t v) { return v; }

// "500-502, 610 e altre": numbers in runs, the first twelve runs; `e_altri` ends a longer
// list in the words of what is counted.
std::string testo_celle(const std::vector<size_t>& celle, const char* e_altri = dal_catalogo("indietro.e_altre")) {
  std::string s;
  size_t i = 0;
  size_t mostrati = 0;
  while (i < celle.size() && mostrati < 12) {
    size_t j = i;
    while (j + 1 < celle.size() && celle[j + 1] == celle[j] + 1) ++j;
    if (!s.empty()) s += ", ";
    s += std::to_string(celle[i]);
    if (j > i) s += "-" + std::to_string(celle[j]);
    i = j + 1;
    ++mostrati;
  }
  if (i < celle.size()) s += traduci(e_altri);
  return s;
}

// A text item (a name, a board's text) that the reading gives back as it is: no comma or
// line end inside, no blank in front.
std::optional<std::string> testo_non_scrivibile(const std::string& t) {
  if (t.find(',') != std::string::npos) return traduci("indietro.virgola");
  if (t.find_first_of("\r\n") != std::string::npos) return traduci("indietro.a_capo");
  if (!t.empty() && (t[0] == ' ' || t[0] == '\t')) return traduci("indietro.spazio");
  return std::nullopt;
}

bool stessi_bit(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

// The curvature of the step onto metre m: the one, among a straight step and the twelve
// curve classes, that gives its point bit for bit from the two before it (`prima` tried
// first); nothing when none does.
std::optional<double> curvatura_passo(const geometria_decodificata& g, size_t m, double prima) {
  const std::array<double, 2> p2{g.x[m - 2].valore, g.y[m - 2].valore};
  const std::array<double, 2> p1{g.x[m - 1].valore, g.y[m - 1].valore};
  const auto da = [&](double k) {
    const auto p = passo_tracciato(p2, p1, k);
    return stessi_bit(p[X], g.x[m].valore) && stessi_bit(p[Y], g.y[m].valore);
  };
  if (da(prima)) return prima;
  if (da(0.0)) return 0.0;
  for (double k : F::CURVATURE) {
    if (da(k)) return k;
    if (da(-k)) return -k;
  }
  return std::nullopt;
}

// ---- What the scenario holds, worked back into records ---------------------------------

// An object of the run text whose place in the reading order matters: a station's stop
// cell overwrites whatever stands there, and the approach codes of stations and signals
// before them are those of the last one written.
struct oggetto_corsa {
  const F::record* r = nullptr;
  std::string forma;
  valori v;
  int ordine = 0;                              // the customary order
  std::vector<std::pair<size_t, uint8_t>> preavvisi;  // cells and the approach codes it writes
  std::vector<size_t> sotto_fermata;           // its cells that a stop cell covers later
  std::optional<size_t> fermata;               // a station's stop cell
  int stazione = 0;                            // table entry of a station
};

class ricostruzione {
 public:
  explicit ricostruzione(const scenario_decodificato& s)
      : s_(s), ultima_(s.percorso.size() - 1), linea_(F::testo::linea), treno_(F::testo::treno) {}

  // Everything but the abbattimenti, which are chosen by compiling (see testi_da_scenario).
  void analizza() {
    cerca_coperti();
    rallentamenti();
    indicatori_coperti();
    generale_linea();
    curve();
    profilo(F::testo::linea, "pendenza", "p", "g", &cella::pendenza, [](uint8_t c) { return F::pendenza_da_cella(c); });
    montagne();
    indicatori();
    generale_treno();
    profilo(F::testo::treno, "aderenza", "p", "a", &cella::aderenza, [](uint8_t c) { return int32_t{c}; });
    profilo(F::testo::treno, "velocita", "p", "v", &cella::velocita, [](uint8_t c) { return F::velocita_da_cella(c); });
    stazioni();
    cartelli();  // after the stations: a board whose cell a stop point covers stands there
    segnali();
    ordina_oggetti();
  }

  // The two texts, in ISO 8859-1, with the abbattimenti `abbattimenti` (cell -> value; 0
  // for one without) and the opening notes `note`.
  std::pair<std::string, std::string> testi(const std::map<size_t, int32_t>& abbattimenti,
                                            const std::vector<std::string>& note) const {
    const testo_ricavato treno = testo_treno(abbattimenti);
    std::vector<std::string> apertura_linea{nota("testi.titolo_linea", {{"linea", s_.linea}})};
    std::vector<std::string> apertura_treno{nota("testi.titolo_treno", {{"treno", s_.treno}, {"linea", s_.linea}})};
    apertura_linea.insert(apertura_linea.end(), note.begin(), note.end());
    apertura_treno.insert(apertura_treno.end(), note.begin(), note.end());
    return {linea_.componi(apertura_linea), treno.componi(apertura_treno)};
  }

  std::vector<std::string>& scarti() { return scarti_; }

  std::vector<record_ricavato> records(const std::map<size_t, int32_t>& abbattimenti) const {
    std::vector<record_ricavato> r;
    linea_.records(r);
    testo_treno(abbattimenti).records(r);
    return r;
  }

 private:
  testo_ricavato testo_treno(const std::map<size_t, int32_t>& abbattimenti) const {
    testo_ricavato treno = treno_;
    for (const oggetto_corsa* o : in_ordine_) treno.aggiungi(*o->r, o->forma, o->v);
    const F::record& ab = record_di(F::testo::treno, "abbattimento");
    for (const auto& [c, w] : abbattimenti) {
      treno.aggiungi(ab, {{"p", F::posizione_in_cella(ab, static_cast<int64_t>(c))}, {"w", n64(w)}});
    }
    return treno;
  }

  void scarta(std::string s) { scarti_.push_back(std::move(s)); }
  const cella& c(size_t i) const { return s_.percorso[i]; }
  const voce& e(size_t i) const { return s_.tabella[i]; }

  // The range test of a record at p: (p + margine) / 50 within the track.
  bool entro(int64_t p, int64_t margine = 100) const {
    return static_cast<double>(p + margine) / 50 <= static_cast<double>(ultima_);
  }

  // ---- Line text, [generale] ----

  void generale_linea() {
    const F::testo L = F::testo::linea;
    linea_.aggiungi(record_di(L, "lunghezza percorso"), {{"L", n64(s_.lunghezza)}});
    progressive();
    const voce& h = e(voce_tabella::intestazione);
    linea_.aggiungi(record_di(L, "sfondo uno"), {{"v", n64(h.inizio)}});
    linea_.aggiungi(record_di(L, "sfondo due"), {{"v", n64(h.posizione)}});
    linea_.aggiungi(record_di(L, "sfondo tre"), {{"v", n64(h.fine)}});
    voce resto = h;
    resto.inizio = resto.fine = resto.posizione = 0;
    resto.nome.clear();
    resto.valore1 = 0;
    resto.orario = 0;
    if (resto != voce{}) scarta(traduci("indietro.voce_85"));

    const voce& r = e(voce_tabella::dati_corsa);
    const F::record& rip = record_di(L, "ripetizione segnali 4 codici");
    std::string_view forma = rip.forme[0];
    if (r.posizione == 9) forma = rip.forme[1];
    if ((r.fine == 0) != (r.posizione == 0) || (r.posizione != 0 && r.posizione != 4 && r.posizione != 9)) {
      scarta(traduci("indietro.ripetizione", {{"codici", r.posizione}, {"fine", r.fine}}));
    }
    linea_.aggiungi(rip, forma, {{"inizio", n64(r.inizio)}, {"fine", n64(r.fine)}});
  }

  // The three kilometre numberings, in the entries the ordering gives them: the order of
  // the three records that the ordering turns into the entries as they stand.
  void progressive() {
    const F::testo L = F::testo::linea;
    const size_t prima = voce_tabella::progressiva_tre;
    std::array<voce, 3> attese;
    for (size_t i = 0; i < 3; ++i) attese[i] = e(prima + i);
    for (const voce& v : attese) {
      voce resto = v;
      resto.inizio = resto.fine = resto.posizione = 0;
      if (resto != voce{}) scarta(traduci("indietro.voci_progressive"));
    }
    // As read: the value without the 100 m its flag adds.
    std::array<voce, 3> lette = attese;
    for (voce& v : lette) {
      if (v.posizione == 1) v.fine -= 100;
    }
    // ordine[i]: the numbering written as record i (tre, due, uno: entries 81, 82, 83 as
    // read). The set rarely tells which record an author used: the numberings along the
    // line as uno, due, tre are tried first, then every other order.
    std::array<size_t, 3> lungo_la_linea{0, 1, 2};
    std::stable_sort(lungo_la_linea.begin(), lungo_la_linea.end(), [&](size_t a, size_t b) {
      const bool za = lette[a] == voce{}, zb = lette[b] == voce{};
      return za != zb ? zb : lette[a].inizio < lette[b].inizio;
    });
    std::vector<std::array<size_t, 3>> ordini{{lungo_la_linea[2], lungo_la_linea[1], lungo_la_linea[0]}};
    std::array<size_t, 3> ordine{0, 1, 2};
    do {
      ordini.push_back(ordine);
    } while (std::next_permutation(ordine.begin(), ordine.end()));
    for (const auto& o : ordini) {
      modello m;
      for (size_t i = 0; i < 3; ++i) m.tabella[prima + i] = lette[o[i]];
      progressive_ordina(m);
      bool uguali = true;
      for (size_t i = 0; i < 3; ++i) uguali = uguali && m.tabella[prima + i] == attese[i];
      if (!uguali) continue;
      // A numbering of three zeros is no numbering: its entry is as if none were written.
      const char* parole[] = {"progressiva chilometrica tre", "progressiva chilometrica due",
                              "progressiva chilometrica uno"};
      for (size_t i = 3; i-- > 0;) {
        const voce& v = lette[o[i]];
        if (v == voce{}) continue;
        linea_.aggiungi(record_di(L, parole[i]),
                        {{"inizio", n64(v.inizio)}, {"valore", n64(v.fine)}, {"flag", n64(v.posizione)}});
      }
      return;
    }
    scarta(traduci("indietro.ordine_progressive"));
  }

  // ---- Line text, curves ----

  // Each metre's point follows from the two before it and the curvature of its step: the
  // curvature is the one, among a straight step and the twelve curve classes, that gives
  // the point bit for bit. Runs of one curvature are the curve records.
  void curve() {
    const auto& gx = s_.geometria.x;
    const auto& gy = s_.geometria.y;
    const size_t metri = gx.size();  // L + 7001
    const F::record& curva = record_di(F::testo::linea, "curvad4");
    const auto intero = [](const valore_geometria& v, double atteso) {
      return v.etichetta == ETICHETTA_INTERO16 && v.valore == atteso;
    };
    if (metri < 3 || !intero(gx[0], 0) || !intero(gy[0], 0) || !intero(gx[1], 0) || !intero(gy[1], 1)) {
      scarta(traduci("indietro.tracciato_inizio"));
      return;
    }
    size_t calcolati = 2;
    while (calcolati < metri && gx[calcolati].etichetta == ETICHETTA_REALE && gy[calcolati].etichetta == ETICHETTA_REALE) {
      ++calcolati;
    }
    for (size_t m = calcolati; m < metri; ++m) {
      if (gx[m] != valore_geometria{} || gy[m] != valore_geometria{}) {
        scarta(traduci("indietro.tipo_dopo", {{"metro", m}, {"x", gx[m].etichetta}, {"y", gy[m].etichetta}}));
        break;
      }
    }
    if (calcolati + 2 < metri) {
      scarta(traduci("indietro.punti_corti", {{"ultimo", calcolati - 1}, {"dritta", metri - 3}}));
    }
    std::vector<size_t> sbagliati;
    double k_prec = 0.0;
    size_t inizio = 2;
    const auto chiudi = [&](size_t fine) {  // the run [inizio, fine] with k_prec
      if (fine < inizio) return;
      if (k_prec == 0.0) {
        if (fine + 3 > metri) {
          scarta(traduci("indietro.dritto_oltre", {{"da", metri - 2}, {"a", fine}, {"oltre", metri - 3}}));
        }
        return;
      }
      const int64_t p = static_cast<int64_t>(inizio) - 1;
      const int64_t l = static_cast<int64_t>(fine - inizio) + 1;
      if (fine > static_cast<size_t>(LUNGHEZZA_MASSIMA) - 1) {
        scarta(traduci("indietro.curva_oltre_milione", {{"da", inizio}, {"a", fine}}));
      } else if (!entro(p)) {
        scarta(traduci("indietro.curva_tardi", {{"metro", inizio}}));
      }
      linea_.aggiungi(curva, forma_curva(curva, k_prec), {{"p", n64(p)}, {"l", n64(l)}});
    };
    for (size_t m = 2; m < calcolati; ++m) {
      const std::optional<double> trovata = curvatura_passo(s_.geometria, m, k_prec);
      if (!trovata) {
        sbagliati.push_back(m);
        continue;  // the next points are checked from the file's own
      }
      const double k = *trovata;
      if (k != k_prec) {
        chiudi(m - 1);
        k_prec = k;
        inizio = m;
      }
    }
    chiudi(calcolati - 1);
    if (!sbagliati.empty()) {
      scarta(rendi(frase_conto(static_cast<int64_t>(sbagliati.size()), dal_catalogo("indietro.punto_non_segue_uno"),
                               dal_catalogo("indietro.punto_non_segue"),
                               {{"metri", testo_celle(sbagliati, dal_catalogo("indietro.e_altri"))}})));
    }
  }

  // The curve keyword whose class and side the reading turns into `k`.
  static std::string forma_curva(const F::record& r, double k) {
    for (std::string_view f : r.forme) {
      for (size_t classe = 0; classe < F::CURVATURE.size(); ++classe) {
        if (f.find(static_cast<char>('1' + classe)) == std::string_view::npos) continue;
        const double kf = f.find_first_of("sS") != std::string_view::npos ? -F::CURVATURE[classe] : F::CURVATURE[classe];
        if (kf == k) return std::string(f);
        break;
      }
    }
    throw std::logic_error("nessuna forma di curva");
  }

  // ---- Profiles: gradient, speed, adhesion ----

  // A profile's cells are written in order from a cursor: a record at p writes the value
  // in force from the cursor up to round(p / 50) (one cell at least, so a record at the
  // cursor's own place writes that one cell), then its own value is in force; after the
  // last record the tail writes on to cell N - 3, again one cell at least. So the values
  // come back as a record at 0 for the first cell and one at each cell where the value
  // changes, up to N - 2, the last place a record may stand; the cells after it that the
  // set fills come from records repeated at N - 2, each writing one cell and handing its
  // own value on, and the tail writes the last. Cells no record and no tail reach hold 0.
  void profilo(F::testo t, std::string_view parola, std::string_view nome_p, std::string_view nome_v,
               uint8_t cella::*campo, const std::function<int32_t(uint8_t)>& da_cella) {
    const F::record& r = record_di(t, parola);
    testo_ricavato& testo = t == F::testo::linea ? linea_ : treno_;
    const auto valore_in = [&](size_t i) { return da_cella(c(i).*campo); };
    const auto scrivi = [&](size_t i, size_t da) {
      testo.aggiungi(r, {{nome_p, n64(static_cast<int64_t>(i) * 50)}, {nome_v, n64(valore_in(da))}});
    };
    const size_t ultimo_posto = ultima_ - 2;
    size_t scritte = ultimo_posto;  // the cells the set fills: 0 to scritte - 1
    for (size_t i = ultima_ + 1; i-- > ultimo_posto;) {
      if (c(i).*campo != 0) {
        scritte = i + 1;
        break;
      }
    }
    scrivi(0, 0);
    for (size_t i = 1; i < ultimo_posto; ++i) {
      if (c(i).*campo != c(i - 1).*campo) scrivi(i, i);
    }
    if (scritte == ultimo_posto) return;
    for (size_t i = ultimo_posto; i < scritte; ++i) scrivi(ultimo_posto, i);
  }

  // ---- Mountain-side stretches ----

  // A stretch from cell a to b is written from 50 a to 50 (b + 1): its cells keep its
  // type, less 10 when written above 10, and then its every fourth cell (a + 3, a + 7, ...)
  // that is empty when it is read becomes free (kind 11); a later stretch over a cell
  // writes its own type there. A stretch that starts 150 m or less after the end of the
  // one read just before it keeps type 3 whatever was written. The stretches are read
  // before the boards and indicators, so every fourth cell of one written above 10 is free
  // unless an object was put on it later.
  struct tratto_scritto {
    int64_t da, a;  // cells; a stretch from the line's origin may start before cell 0
    bool libere;    // written above 10
    uint8_t tipo;
    int64_t inizio() const { return da * 50; }
    int64_t fine() const { return (a + 1) * 50; }
    // The latest start and the earliest end that keep its first cell, round(inizio / 50),
    // and its last, round(fine / 50 - 1), halves going to the even cell.
    int64_t inizio_tardi() const { return da * 50 + (da % 2 == 0 ? 25 : 24); }
    int64_t fine_presto() const { return a * 50 + (a % 2 == 0 ? 25 : 26); }
  };

  void montagne() {
    const F::record& r = record_di(F::testo::linea, "montagna");
    // Each run of one type as the author writes it where a series of stretches gives it
    // so; the cells of the others, and free cells outside every run, by stretches over
    // others, read first.
    std::vector<tratto_scritto> scritti;
    std::vector<bool> sopra(ultima_ + 1, false);
    for (size_t i = 0; i <= ultima_;) {
      const uint8_t tipo = c(i).montagna;
      if (tipo == 0) {
        sopra[i] = c(i).tipo == tipo_cella::libera_in_montagna;
        ++i;
        continue;
      }
      size_t b = i;
      while (b + 1 <= ultima_ && c(b + 1).montagna == tipo) ++b;
      if (const auto parti = tratti_montagna(i, b, tipo, true)) {
        scritti.insert(scritti.end(), parti->begin(), parti->end());
      } else {
        std::fill(sopra.begin() + static_cast<std::ptrdiff_t>(i), sopra.begin() + static_cast<std::ptrdiff_t>(b) + 1, true);
      }
      i = b + 1;
    }
    std::vector<tratto_letto> tratti;
    montagne_sovrapposte(sopra, tratti);
    montagne_come_scritte(scritti, tratti);
    if (tratti.size() > SLOT_MONTAGNE - 1) {
      scarta(traduci("indietro.montagne", {{"tratti", tratti.size()}}));
    }
    for (const tratto_letto& t : tratti) {
      linea_.aggiungi(r, {{"inizio", n64(t.inizio)}, {"fine", n64(t.fine)}, {"tipo", n64(t.tipo)}});
    }
  }

  // A record as read: where it starts and ends (m) and the type written.
  struct tratto_letto {
    int64_t inizio, fine, tipo;
  };

  // `t`, whose cells keep `tipo`, read after the stretches of `letti`: one that starts 150 m
  // or less after the end of the one read just before it would keep type 3, so a stretch
  // that marks nothing, ending 200 m before it, is read between (as only the reading of
  // old takes it).
  static void leggi_dopo(std::vector<tratto_letto>& letti, const tratto_letto& t, uint8_t tipo) {
    if (tipo != 3 && !letti.empty() && t.inizio - letti.back().fine <= 150) {
      const int64_t vuoto = t.inizio - 200;
      letti.push_back({vuoto + 100, vuoto, 0});
    }
    letti.push_back(t);
  }

  // Stretches one beside the other, none over another, in an order that gives each the
  // type its cells keep: a stretch whose cells keep another type than 3 must be read first
  // or right after one that ends more than 150 m before it starts. One that no such
  // stretch can come before, past the first, is read after a stretch that marks nothing.
  void montagne_come_scritte(const std::vector<tratto_scritto>& tratti, std::vector<tratto_letto>& esito) const {
    // Each stretch that needs one is given a stretch far enough before it, the nearest
    // ones first (each may stand before one only); one left without stands first. Ends
    // and starts are written on the 50 m steps unless only the metres within their cells
    // keep the two far enough apart.
    const size_t n = tratti.size();
    std::vector<std::optional<size_t>> dopo(n);  // the stretch read right after each
    std::vector<bool> ha_prima(n, false);
    std::vector<int64_t> inizio(n), fine(n);
    for (size_t k = 0; k < n; ++k) {
      inizio[k] = tratti[k].inizio();
      fine[k] = tratti[k].fine();
    }
    std::optional<size_t> primo;
    size_t libero = 0;  // stretches before it already stand before another
    for (size_t k = 0; k < n; ++k) {
      if (tratti[k].tipo == 3) continue;
      while (libero < k && dopo[libero]) ++libero;
      if (libero < k && tratti[k].inizio_tardi() - tratti[libero].fine_presto() > 150) {
        dopo[libero] = k;
        ha_prima[k] = true;
        if (inizio[k] - fine[libero] <= 150) {
          inizio[k] = tratti[k].inizio_tardi();
          fine[libero] = tratti[libero].fine_presto();
        }
        continue;
      }
      if (!primo) primo = k;
    }
    const auto catena = [&](size_t k) {
      for (std::optional<size_t> q = k; q; q = dopo[*q]) {
        const tratto_scritto& t = tratti[*q];
        leggi_dopo(esito, {inizio[*q], fine[*q], F::montagna_come_scritta(t.tipo, t.libere)}, t.tipo);
      }
    };
    if (primo) catena(*primo);
    for (size_t k = 0; k < n; ++k) {
      if (!ha_prima[k] && k != primo) catena(k);
    }
  }

  // The cells of `sopra` by stretches over others (as only the reading of old takes them):
  // first short stretches written above 10 whose every fourth cell gives the free cells,
  // then the types over them, each run in its fewest stretches. Nothing when no cell is
  // left to them.
  void montagne_sovrapposte(const std::vector<bool>& sopra, std::vector<tratto_letto>& esito) {
    std::vector<bool> data(ultima_ + 1, false);     // free cells those first stretches give
    std::vector<bool> coperta(ultima_ + 1, false);  // the cells they write
    const auto occupata = [&](size_t q) { return c(q).tipo != tipo_cella::vuota; };
    for (size_t i = 0; i <= ultima_; ++i) {
      if (!sopra[i] || c(i).tipo != tipo_cella::libera_in_montagna || data[i]) continue;
      // The stretch from i - 3 gives i; it goes on by fours over cells that are not
      // empty, up to the last free cell it reaches.
      size_t fine = i;
      for (size_t q = i; q <= ultima_ && occupata(q); q += 4) {
        data[q] = true;
        if (c(q).tipo == tipo_cella::libera_in_montagna) fine = q;
      }
      const int64_t da = static_cast<int64_t>(i) - 3;
      for (int64_t q = std::max<int64_t>(da, 0); q <= static_cast<int64_t>(fine); ++q) coperta[static_cast<size_t>(q)] = true;
      esito.push_back({da * 50, static_cast<int64_t>(fine + 1) * 50, 13});
    }
    // The cells left to them, and those of no type the first stretches wrote over; the
    // cells of runs given as written are written again by those.
    const auto mia = [&](size_t q) { return sopra[q] || (c(q).montagna == 0 && coperta[q]); };
    for (size_t i = 0; i <= ultima_;) {
      const uint8_t tipo = c(i).montagna;
      if (!mia(i)) {
        ++i;
        continue;
      }
      size_t b = i;
      while (b + 1 <= ultima_ && c(b + 1).montagna == tipo && mia(b + 1)) ++b;
      const auto parti = tratti_montagna(i, b, tipo, false);
      for (const tratto_scritto& t : *parti) {
        leggi_dopo(esito, {t.inizio(), t.fine(), F::montagna_come_scritta(t.tipo, t.libere)}, t.tipo);
      }
      i = b + 1;
    }
  }

  // The fewest stretches that give the run [a, b] of one type: one written above 10 has
  // no empty cell on its every fourth cell; as the author writes them (`come_scritte`) it
  // also leaves no free cell off them, and one written as the type itself (up to 10)
  // leaves no free cell at all. Stretches of three cells or less have no fourth cell; the
  // first of a run from cell 0 may start up to three cells before it. A breadth-first
  // search over the cells where a stretch may start. Nothing when no series gives the run.
  std::optional<std::vector<tratto_scritto>> tratti_montagna(size_t a, size_t b, uint8_t tipo, bool come_scritte) {
    const size_t prima = a == 0 ? 3 : 0;  // cells before the origin a stretch may start at
    const size_t n = b - a + 1 + prima;
    const auto t = [&](size_t q) { return q < prima ? tipo_cella::segnale : c(a + q - prima).tipo; };
    // prossimo_undici[q]: the first kind 11 at q or after; cattiva[f][q]: the first cell at
    // q or after that a stretch with free cells starting at a phase f of 4 cannot hold.
    std::vector<size_t> prossimo_undici(n + 1, n);
    std::array<std::vector<size_t>, 4> cattiva;
    for (auto& v : cattiva) v.assign(n + 1, n);
    for (size_t q = n; q-- > 0;) {
      const bool undici = t(q) == tipo_cella::libera_in_montagna;
      prossimo_undici[q] = undici && come_scritte ? q : prossimo_undici[q + 1];
      for (size_t f = 0; f < 4; ++f) {
        const bool schema = (q + 1) % 4 == f;
        const bool male = schema ? t(q) == tipo_cella::vuota : undici && come_scritte;
        cattiva[f][q] = male ? q : cattiva[f][q + 1];
      }
    }
    // da[q]: where the stretch that ends at q - 1 begins, and whether it leaves free cells.
    std::vector<std::optional<std::pair<size_t, bool>>> da(n + 1);
    std::vector<size_t> libero(n + 2);  // the next start not reached yet, at q or after
    for (size_t q = 0; q <= n + 1; ++q) libero[q] = q;
    const std::function<size_t(size_t)> radice = [&](size_t q) {
      while (libero[q] != q) q = libero[q] = libero[libero[q]];
      return q;
    };
    std::vector<size_t> coda;
    for (size_t q = 0; q <= prima; ++q) {
      coda.push_back(q);
      libero[q] = q + 1;
    }
    for (size_t k = 0; k < coda.size() && !da[n]; ++k) {
      const size_t s = coda[k];
      for (const bool con_libere : {true, false}) {
        // Written above 10 is type - 10 with free cells: type 0 has no such spelling, a
        // type above 10 no other.
        if (con_libere ? tipo == 0 : tipo > 10) continue;
        const size_t fine = con_libere ? cattiva[s % 4][s] : prossimo_undici[s];
        for (size_t q = radice(std::max(s + 1, prima + 1)); q <= fine && q <= n; q = radice(q)) {
          da[q] = {s, con_libere};
          libero[q] = q + 1;
          coda.push_back(q);
        }
      }
    }
    if (!da[n]) return std::nullopt;
    std::vector<tratto_scritto> tratti;
    const auto cella_di = [&](size_t q) { return static_cast<int64_t>(a + q) - static_cast<int64_t>(prima); };
    for (size_t q = n; q > prima;) {
      const auto [s, con_libere] = *da[q];
      tratti.push_back({cella_di(s), cella_di(q - 1), con_libere && (tipo > 10 || lascia_libere(cella_di(s), cella_di(q - 1))), tipo});
      q = s;
    }
    std::reverse(tratti.begin(), tratti.end());
    return tratti;
  }

  // Whether a stretch over cells `da` to `a` written above 10 leaves a free cell on one of
  // its every fourth cells: one that leaves none gives the same bytes written as the type
  // itself (a later object takes an empty cell as it takes a free one), and is written so
  // where a type up to 10 can be.
  bool lascia_libere(int64_t da, int64_t a) const {
    for (int64_t q = da + 3; q <= a; q += 4) {
      if (q >= 0 && static_cast<size_t>(q) <= ultima_ && c(static_cast<size_t>(q)).tipo == tipo_cella::libera_in_montagna) {
        return true;
      }
    }
    return false;
  }

  // ---- Line text, boards and indicators ----

  // A stop cell takes its kind and first value over whatever stood there and keeps the
  // rest: an object it covered shows in the other values, and a signal in the approach
  // codes before it, a slow-down start in its warning 24 cells before. A signal or a
  // slow-down is written before the station; any other leftover values are given by an
  // indicator under the stop cell (the line text is read before the stations).
  enum class coperto { segnale, rallentamento, indicatore };

  void cerca_coperti() {
    for (size_t i = 0; i <= ultima_; ++i) {
      const cella& x = c(i);
      if (x.tipo != tipo_cella::fermata) continue;
      if (x.tempo != 0 || prove_di_aspetto(i, aspetto_segnale(i)) > 0) {
        coperti_[i] = coperto::segnale;
      } else if (i >= 24 && c(i - 24).tipo == tipo_cella::avviso_rallentamento) {
        coperti_[i] = coperto::rallentamento;
      }
    }
  }

  // After the slow-downs: a stop cell over one of their cells shows that cell's values.
  void indicatori_coperti() {
    std::set<size_t> di_rallentamenti;
    for (const auto& o : oggetti_) di_rallentamenti.insert(o->sotto_fermata.begin(), o->sotto_fermata.end());
    for (size_t i = 0; i <= ultima_; ++i) {
      const cella& x = c(i);
      if (x.tipo != tipo_cella::fermata || coperti_.count(i) != 0 || di_rallentamenti.count(i) != 0) continue;
      if (x.dato2 != 0 || x.dato3 != 0 || x.dato4 != 0) coperti_[i] = coperto::indicatore;
    }
  }

  bool coperto_da(size_t i, coperto che) const {
    const auto t = coperti_.find(i);
    return t != coperti_.end() && t->second == che;
  }

  // The approach codes a signal in cell k with aspect a writes, found before it.
  int prove_di_aspetto(size_t k, int32_t a) const {
    int uguali = 0;
    for (size_t b = 1; b <= 4; ++b) {
      if (k >= 2 * b && c(k - 2 * b).preavviso == a * 10 + static_cast<int32_t>(b)) ++uguali;
    }
    return uguali;
  }

  // The signal's code keeps rapp x 10 + aspect; the aspect (0 to 25) is the one whose
  // approach codes the cells before it show.
  int32_t aspetto_segnale(size_t k) const {
    const int32_t codice = c(k).dato4;
    const int32_t resto = ((codice % 10) + 10) % 10;
    int32_t aspetto = resto;
    int migliori = -1;
    for (int32_t a = resto; a <= 25; a += 10) {
      if (const int uguali = prove_di_aspetto(k, a); uguali > migliori) {
        migliori = uguali;
        aspetto = a;
      }
    }
    return aspetto;
  }

  void indicatori() {
    const F::record& r = record_di(F::testo::linea, "indicatori_vmax");
    for (size_t i = 0; i <= ultima_; ++i) {
      const bool sotto = coperto_da(i, coperto::indicatore);
      if (c(i).tipo != tipo_cella::indicatore_vmax && !sotto) continue;
      const auto [vas, vad] = F::indicatore_da_cella(sotto ? int16_t{0} : c(i).dato1);
      const auto [vbs, vbd] = F::indicatore_da_cella(c(i).dato2);
      const auto [vcs, vcd] = F::indicatore_da_cella(c(i).dato3);
      const auto [ss, sd] = F::coppia_da_cella(c(i).dato4);
      linea_.aggiungi(r, {{"posizione", F::posizione_in_cella(r, static_cast<int64_t>(i))},
                          {"vas", n64(vas)}, {"vbs", n64(vbs)}, {"vcs", n64(vcs)}, {"strisces", n64(ss)},
                          {"vad", n64(vad)}, {"vbd", n64(vbd)}, {"vcd", n64(vcd)}, {"strisced", n64(sd)}});
    }
  }


  // Boards take the table entries from 80 down in the order of their records. A board
  // whose cell a stop point covered has an entry and no cell: it is written at a stop
  // point, which covers it again.
  void cartelli() {
    const F::record& r = record_di(F::testo::linea, "cartello_indicatore");
    std::map<size_t, size_t> cella_di;  // entry -> cell
    size_t piu_bassa = voce_tabella::ultimo_cartello + 1;
    for (size_t i = 0; i <= ultima_; ++i) {
      if (c(i).tipo != tipo_cella::cartello) continue;
      const int32_t slot = c(i).dato1;
      if (slot < 1 || slot > static_cast<int32_t>(voce_tabella::ultimo_cartello) ||
          static_cast<size_t>(slot) <= n_stazioni_ || cella_di.count(static_cast<size_t>(slot)) != 0) {
        scarta(traduci("indietro.cartello_voce", {{"cella", i}, {"voce", slot}}));
        continue;
      }
      cella_di[static_cast<size_t>(slot)] = i;
      piu_bassa = std::min(piu_bassa, static_cast<size_t>(slot));
    }
    for (size_t v = n_stazioni_ + 1; v < piu_bassa; ++v) {
      if (e(v) != voce{}) piu_bassa = v;  // a board text without a cell, below the others
    }
    size_t fermata_libera = 0;
    for (size_t v = voce_tabella::ultimo_cartello; v >= piu_bassa && v > n_stazioni_; --v) {
      voce resto = e(v);
      resto.nome.clear();
      if (resto != voce{}) scarta(traduci("indietro.cartello_campi", {{"voce", v}}));
      if (auto perche = testo_non_scrivibile(e(v).nome)) scarta(traduci("indietro.cartello_testo", {{"voce", v}, {"perche", *perche}}));
      size_t dove = 0;
      if (const auto trovata = cella_di.find(v); trovata != cella_di.end()) {
        dove = trovata->second;
      } else {
        while (fermata_libera < fermate_.size() && coperti_.count(fermate_[fermata_libera]) != 0) ++fermata_libera;
        if (fermata_libera >= fermate_.size()) {
          scarta(traduci("indietro.cartello_senza_cella", {{"voce", v}}));
          continue;
        }
        dove = fermate_[fermata_libera++];
      }
      linea_.aggiungi(r, {{"p", F::posizione_in_cella(r, static_cast<int64_t>(dove))}, {"testo", e(v).nome}});
    }
  }

  // ---- Run text, [generale] ----

  void generale_treno() {
    const F::testo T = F::testo::treno;
    const voce& d = e(voce_tabella::dati_treno);
    treno_.aggiungi(record_di(T, "numero vetture"), {{"numero", n64(d.posizione)}});
    treno_.aggiungi(record_di(T, "percentuale massa frenata"), {{"percentuale", n64(d.inizio)}});
    voce resto = d;
    resto.inizio = resto.fine = resto.posizione = 0;
    if (resto != voce{}) scarta(traduci("indietro.voce_campi", {{"voce", 84}}));
    const voce& r = e(voce_tabella::dati_corsa);
    treno_.aggiungi(record_di(T, "sabbia"), {{"sabbia", n64(r.valore1)}});
    treno_.aggiungi(record_di(T, "orologio"), {{"ore", n64(r.valore3)}, {"minuti", n64(r.valore4)}, {"secondi", n64(r.valore5)}});
    resto = r;
    resto.inizio = resto.fine = resto.posizione = 0;
    resto.nome.clear();
    resto.valore1 = resto.valore3 = resto.valore4 = resto.valore5 = 0;
    if (resto != voce{}) scarta(traduci("indietro.voce_campi", {{"voce", 86}}));
  }

  // ---- Stations ----

  void stazioni() {
    const F::record& r = record_di(F::testo::treno, "stazione");
    while (n_stazioni_ + 1 < voce_tabella::ultimo_cartello && e(n_stazioni_ + 1) != voce{} &&
           !solo_nome(e(n_stazioni_ + 1))) {
      ++n_stazioni_;
    }
    for (size_t k = 1; k <= n_stazioni_; ++k) {
      const voce& v = e(k);
      const std::string dove = traduci("indietro.stazione", {{"voce", k}, {"nome", latin1_in_utf8(v.nome)}});
      const int64_t p = v.posizione;
      const bool prima = k == 1;
      const auto area = F::area_come_scritta(p, v.tipo, v.inizio, v.fine).value_or(F::area_scritta{});
      const int64_t lunghezza = area.lunghezza;
      if (!F::area_come_scritta(p, v.tipo, v.inizio, v.fine)) {
        scarta(traduci("indietro.area", {{"dove", dove}, {"da", v.inizio}, {"a", v.fine}}));
      }
      // The third option moves an ordinary station's end; the first station's is not kept.
      if (F::tiene_opzione3(v.tipo, prima) ? area.opzione3 != (v.opzione3 != 0) : v.opzione3 != 0) {
        scarta(traduci("indietro.terza_opzione", {{"dove", dove}}));
      }
      if (!F::tiene_opzione4(lunghezza, prima) && v.opzione4 != 0) {
        scarta(traduci("indietro.seconda_opzione", {{"dove", dove}}));
      }
      if (lunghezza % 100 != 0 || lunghezza < INT32_MIN || lunghezza > INT32_MAX) {
        scarta(traduci("indietro.lunghezza", {{"dove", dove}, {"lunghezza", lunghezza}}));
      }
      if (auto perche = testo_non_scrivibile(v.nome)) scarta(traduci("indietro.nome", {{"dove", dove}, {"perche", *perche}}));
      const int64_t terza_scritta = F::tiene_opzione3(v.tipo, prima) ? v.opzione3 : area.opzione3 ? 1 : 0;
      const int64_t orario = v.orario;
      auto o = std::make_unique<oggetto_corsa>();
      o->r = &r;
      o->forma = r.parola;
      o->v = {{"posizione", n64(p)}, {"tipo", n64(v.tipo)}, {"lunghezza", n64(lunghezza)},
              {"opzione1", n64(v.opzione1)}, {"opzione4", n64(v.opzione4)}, {"opzione3", terza_scritta},
              {"valore1", n64(v.valore1)}, {"valore2", n64(v.valore2)}, {"opzione2", n64(v.opzione2)},
              {"valore3", n64(v.valore3)}, {"valore4", n64(v.valore4)}, {"valore5", n64(v.valore5)},
              {"sosta", n64(v.sosta)}, {"ore", orario / 3600}, {"minuti", orario % 3600 / 60},
              {"secondi", orario % 60}, {"nome", v.nome}};
      o->ordine = static_cast<int>(k);
      o->stazione = static_cast<int>(k);
      if (v.tipo < 25) {
        if (v.tipo != 5 && v.tipo != 6) {
          for (int j = 1; j <= 4; ++j) {
            const double f = v.fine / 50.0 - j - 1;
            if (f > 1 && f <= static_cast<double>(ultima_)) {
              o->preavvisi.emplace_back(static_cast<size_t>(arrotonda(f)), static_cast<uint8_t>(80 + j));
            }
          }
        }
        const double f = v.fine / 50.0 - 1;
        if (f > 1 && f <= static_cast<double>(ultima_)) {
          o->fermata = static_cast<size_t>(arrotonda(f));
          fermate_.push_back(*o->fermata);
        }
      }
      oggetti_.push_back(std::move(o));
    }
  }

  static bool solo_nome(const voce& v) {
    voce resto = v;
    resto.nome.clear();
    return resto == voce{};
  }

  bool coperta_da_fermata(size_t i) const {
    return i <= ultima_ && c(i).tipo == tipo_cella::fermata;
  }

  // ---- Slow-downs ----

  // A start (kind 3) pairs with the first free end (kind 2) after it carrying the same
  // values; without one it is a slow-down of one cell. Its warning stands 24 cells before
  // the start when x > 1500, its four advance cells the four before that.
  void rallentamenti() {
    std::set<size_t> fini;
    for (size_t i = 0; i <= ultima_; ++i) {
      if (c(i).tipo == tipo_cella::fine_rallentamento) fini.insert(i);
    }
    for (size_t s = 0; s <= ultima_; ++s) {
      const bool nascosto = coperto_da(s, coperto::rallentamento);
      if (c(s).tipo != tipo_cella::inizio_rallentamento && !nascosto) continue;
      cella a = c(s);
      if (nascosto) a.dato1 = c(s - 24).dato1;
      size_t fine = s;
      for (auto it = fini.upper_bound(s); it != fini.end(); ++it) {
        const cella& b = c(*it);
        if (b.dato1 == a.dato1 && b.dato2 == a.dato2 && b.dato3 == a.dato3) {
          fine = *it;
          fini.erase(it);
          break;
        }
      }
      rallentamento(s, a, fine, nascosto);
    }
    // An end without its start: the start lay under a stop cell that keeps its values,
    // the nearest such before the end.
    for (const size_t e : fini) {
      const cella& b = c(e);
      for (size_t s = e; s-- > 0;) {
        const cella& x = c(s);
        if (x.tipo == tipo_cella::fermata && coperti_.count(s) == 0 && x.dato2 == b.dato2 && x.dato3 == b.dato3 &&
            x.dato4 == 0 && x.tempo == 0) {
          coperti_[s] = coperto::rallentamento;
          cella a = x;
          a.dato1 = b.dato1;
          rallentamento(s, a, e, true);
          break;
        }
      }
    }
  }

  // The slow-down from the start cell s (its values in a) to the end cell `fine`.
  void rallentamento(size_t s, const cella& a, size_t fine, bool nascosto) {
    const F::record& r = record_di(F::testo::treno, "rallentamento");
    {
      auto o = std::make_unique<oggetto_corsa>();
      if (nascosto) o->sotto_fermata.push_back(s);
      int64_t x = F::posizione_in_cella(r, static_cast<int64_t>(s));
      // A start at cell 31 with a warning: x between 1500 and 1525 m.
      if (s == 31 && c(7).tipo == tipo_cella::avviso_rallentamento) x = 1510;
      int64_t f_ta = 0;
      if (x > 1500) {
        const size_t w = s - 24;
        const bool avviso = c(w).tipo == tipo_cella::avviso_rallentamento && c(w).dato1 == a.dato1 &&
                            (a.dato2 == 0 || c(w).dato2 == a.dato2);
        if (!avviso && !coperta_da_fermata(w)) {
          scarta(traduci("indietro.senza_avviso", {{"cella", s}}));
        }
        if (!avviso) o->sotto_fermata.push_back(w);
        // The four advance cells from round((x - 1200) / 50) down: 25 cells before the
        // start, or 26 when x / 50 + 1 is an odd number and a half (the start rounds up
        // to even, the advance cells down), which only an even start can have.
        std::vector<size_t> coperte;
        const auto anticipi = [&](size_t primo) {
          coperte.clear();
          int presenti = 0;
          for (size_t q = 0; q < 4; ++q) {
            if (primo < q) return false;
            const size_t h = primo - q;
            const cella& av = c(h);
            const auto numero = static_cast<int16_t>(q + 1);
            if (av.tipo == tipo_cella::anticipo_rallentamento && av.dato1 == numero &&
                av.dato2 == (a.dato2 != 0 ? numero : 0) && anticipi_presi_.count(h) == 0) {
              ++presenti;
            } else if (coperta_da_fermata(h)) {
              coperte.push_back(h);
            } else {
              return false;
            }
          }
          return presenti > 0;
        };
        size_t primo = 0;
        if (s >= 25 && anticipi(s - 25)) {
          f_ta = 1;
          primo = s - 25;
        } else if (s % 2 == 0 && s >= 26 && x - 25 > 1500 && anticipi(s - 26)) {
          f_ta = 1;
          primo = s - 26;
          x -= 25;
        }
        // Four advance cells belong to one slow-down (the starts are taken in order, and
        // another's could only be the cells one before its own).
        for (size_t q = 0; f_ta != 0 && q < 4; ++q) anticipi_presi_.insert(primo - q);
        if (f_ta != 0) o->sotto_fermata.insert(o->sotto_fermata.end(), coperte.begin(), coperte.end());
      }
      const int64_t l = (static_cast<int64_t>(fine) - 1) * 50 - x;
      o->r = &r;
      o->forma = r.parola;
      o->v = {{"x", n64(x)}, {"v", n64(a.dato1)}, {"l", n64(l)}, {"f_tt", n64(a.dato3)}, {"f_ta", n64(f_ta)},
              {"d_v", n64(a.dato2)}};
      o->ordine = 1000 + static_cast<int>(s);
      oggetti_.push_back(std::move(o));
    }
  }

  // ---- Signals ----

  // A time is kept only with sx = 2.
  void segnali() {
    const F::record& r = record_di(F::testo::treno, "segnale");
    for (size_t k = 0; k <= ultima_; ++k) {
      const bool nascosto = coperto_da(k, coperto::segnale);
      if (c(k).tipo != tipo_cella::segnale && !nascosto) continue;
      cella g = c(k);
      if (nascosto) g.dato1 = 0;  // the stop cell's own value now
      const int32_t codice = g.dato4;
      const int32_t aspetto = aspetto_segnale(k);
      const int32_t rapp = (codice - aspetto) / 10;
      int32_t sx = aspetto / 3;
      int32_t dx = aspetto % 3;
      if (g.tempo != 0) {
        sx = 2;
        dx = aspetto - 6;
        if (g.tempo <= 100) {
          scarta(traduci("indietro.tempo", {{"cella", k}, {"tempo", g.tempo}}));
        }
      }
      const auto [s1, d1] = F::coppia_da_cella(g.dato1);
      const auto [s2, d2] = F::coppia_da_cella(g.dato2);
      const auto [s3, d3] = F::coppia_da_cella(g.dato3);
      auto o = std::make_unique<oggetto_corsa>();
      o->r = &r;
      o->forma = r.parola;
      o->v = {{"posizione", F::posizione_in_cella(r, static_cast<int64_t>(k))}, {"sx", n64(sx)}, {"s1", n64(s1)}, {"s2", n64(s2)},
              {"s3", n64(s3)}, {"rapp", n64(rapp)}, {"dx", n64(dx)}, {"d1", n64(d1)}, {"d2", n64(d2)},
              {"d3", n64(d3)}, {"tempo", n64(g.tempo)}};
      o->ordine = 2000000 + static_cast<int>(k);
      if (nascosto) o->sotto_fermata.push_back(k);
      for (int b = 1; b <= 4; ++b) {
        if (k >= static_cast<size_t>(2 * b)) {
          o->preavvisi.emplace_back(k - static_cast<size_t>(2 * b), static_cast<uint8_t>(aspetto * 10 + b));
        }
      }
      oggetti_.push_back(std::move(o));
    }
  }

  // ---- Order of the run text's objects ----

  // Each cell's approach code is the last one written there, and a stop cell covers what
  // was written before it: the order of the records follows from that, the customary
  // order wherever the cells leave a choice.
  void ordina_oggetti() {
    const size_t n = oggetti_.size();
    std::vector<std::set<size_t>> dopo(n);  // i -> the objects that must come after i
    std::vector<int> prima(n, 0);
    const auto vincolo = [&](size_t a, size_t b) {  // a before b
      if (a != b && dopo[a].insert(b).second) ++prima[b];
    };
    std::map<size_t, std::vector<std::pair<size_t, uint8_t>>> scrittori;  // cell -> (object, code)
    std::map<size_t, size_t> fermata_di;                                  // stop cell -> station
    size_t precedente = n;
    for (size_t i = 0; i < n; ++i) {
      for (const auto& [q, codice] : oggetti_[i]->preavvisi) scrittori[q].emplace_back(i, codice);
      if (oggetti_[i]->fermata) fermata_di[*oggetti_[i]->fermata] = i;
      if (oggetti_[i]->stazione > 0) {
        if (precedente < n) vincolo(precedente, i);
        precedente = i;
      }
    }
    for (size_t i = 0; i < n; ++i) {
      for (size_t q : oggetti_[i]->sotto_fermata) {
        if (const auto f = fermata_di.find(q); f != fermata_di.end()) vincolo(i, f->second);
      }
    }
    std::vector<size_t> senza_scrittore;
    for (size_t q = 0; q <= ultima_; ++q) {
      const uint8_t finale = c(q).preavviso;
      const auto it = scrittori.find(q);
      if (it == scrittori.end()) {
        if (finale != 0) senza_scrittore.push_back(q);
        continue;
      }
      std::optional<size_t> vincitore;
      for (const auto& [o, codice] : it->second) {
        if (codice == finale && (!vincitore || oggetti_[o]->ordine > oggetti_[*vincitore]->ordine)) vincitore = o;
      }
      if (!vincitore) {
        senza_scrittore.push_back(q);
        continue;
      }
      for (const auto& [o, codice] : it->second) {
        if (codice != finale) vincolo(o, *vincitore);
      }
    }
    if (!senza_scrittore.empty()) {
      scarta(rendi(frase_conto(static_cast<int64_t>(senza_scrittore.size()), dal_catalogo("indietro.preavviso_orfano_uno"),
                               dal_catalogo("indietro.preavviso_orfano"), {{"celle", testo_celle(senza_scrittore)}})));
    }
    using chiave = std::pair<int, size_t>;
    std::priority_queue<chiave, std::vector<chiave>, std::greater<>> pronti;
    for (size_t i = 0; i < n; ++i) {
      if (prima[i] == 0) pronti.emplace(oggetti_[i]->ordine, i);
    }
    while (!pronti.empty()) {
      const size_t i = pronti.top().second;
      pronti.pop();
      in_ordine_.push_back(oggetti_[i].get());
      for (size_t j : dopo[i]) {
        if (--prima[j] == 0) pronti.emplace(oggetti_[j]->ordine, j);
      }
    }
    if (in_ordine_.size() != n) {
      scarta(traduci("indietro.ordine_circolare"));
    }
  }

  const scenario_decodificato& s_;
  size_t ultima_;
  testo_ricavato linea_;
  testo_ricavato treno_;
  std::vector<std::string> scarti_;
  size_t n_stazioni_ = 0;
  std::vector<size_t> fermate_;
  std::vector<std::unique_ptr<oggetto_corsa>> oggetti_;
  std::vector<const oggetto_corsa*> in_ordine_;
  std::map<size_t, coperto> coperti_;
  std::set<size_t> anticipi_presi_;
};

std::string testo_cella(const cella& x) {
  return "tipo " + std::to_string(x.tipo) + ", dati " + std::to_string(x.dato1) + " " + std::to_string(x.dato2) +
         " " + std::to_string(x.dato3) + " " + std::to_string(x.dato4) + ", tempo " + std::to_string(x.tempo) +
         ", preavviso " + std::to_string(x.preavviso) + ", montagna " + std::to_string(x.montagna) +
         ", velocità " + std::to_string(x.velocita) + ", pendenza " + std::to_string(x.pendenza) +
         ", aderenza " + std::to_string(x.aderenza);
}

// What the texts give and the files hold differ in: each differing cell, entry and metre;
// the entries of `dette` are left out, a line before said why.
void differenze(const modello& m, const scenario_decodificato& s, const std::set<size_t>& dette,
                std::vector<std::string>& scarti) {
  std::vector<size_t> celle;
  for (size_t i = 0; i < s.percorso.size(); ++i) {
    if (i >= m.percorso.size() || m.percorso[i] != s.percorso[i]) celle.push_back(i);
  }
  if (!celle.empty()) {
    const size_t i = celle.front();
    scarti.push_back(rendi(frase_conto(
        static_cast<int64_t>(celle.size()), dal_catalogo("indietro.celle_non_ridate_uno"),
        dal_catalogo("indietro.celle_non_ridate"),
        {{"celle", testo_celle(celle)},
         {"cella", i},
         {"file", testo_cella(s.percorso[i])},
         {"testi", i < m.percorso.size() ? frase("indietro.i_testi_danno", {{"cella", testo_cella(m.percorso[i])}})
                                         : messaggio()}})));
  }
  for (size_t v = 0; v < s.tabella.size(); ++v) {
    if (m.tabella[v] != s.tabella[v] && dette.count(v) == 0)
      scarti.push_back(traduci("indietro.voce_non_ridata", {{"voce", v}}));
  }
  std::vector<size_t> metri;
  const auto& gx = s.geometria.x;
  const auto& gy = s.geometria.y;
  size_t contati = 0;
  per_ogni_punto(m.tracciato, [&](int64_t k, tipo_valore tipo, const std::array<double, 2>& p) {
    const auto i = static_cast<size_t>(k);
    ++contati;
    if (i >= gx.size()) return;
    const auto uguale = [&](const valore_geometria& g, double v) {
      return g.etichetta == static_cast<uint16_t>(tipo) && stessi_bit(g.valore, tipo == tipo_valore::vuoto ? 0.0 : v);
    };
    if (!uguale(gx[i], p[X]) || !uguale(gy[i], p[Y])) metri.push_back(i);
  });
  if (!metri.empty()) {
    scarti.push_back(rendi(frase_conto(static_cast<int64_t>(metri.size()), dal_catalogo("indietro.metri_non_ridati_uno"),
                                       dal_catalogo("indietro.metri_non_ridati"),
                                       {{"metri", testo_celle(metri, dal_catalogo("indietro.e_altri"))}})));
  }
  if (contati != gx.size())
    scarti.push_back(traduci("indietro.punti_non_ridati", {{"testi", contati}, {"file", gx.size()}}));
}

std::string testo_diagnostica(const diagnostica& d) {
  std::string s = traduci("indietro.non_si_compilano", {{"numero", d.numero}});
  if (cerca_errore(d.numero)) s += " (" + rendi(descrizione_errore(d.numero)) + ")";
  if (d.luogo) s += traduci("indietro.riga", {{"file", d.luogo->file}, {"riga", d.luogo->riga}});
  if (d.posizione) s += traduci("indietro.a_metri", {{"metri", *d.posizione}});
  if (const std::string motivo = rendi(motivo_di(d)); !motivo.empty()) s += ": " + motivo;
  return s;
}

// The author's abbattimenti of the value 180 among those of the files: the finishing pass
// places its own on free cells, and an author's one where the pass would place one sends
// the pass to a neighbouring cell. From the cells before the pass (the texts without
// them, read), each step takes the first cell where the pass does not give the files,
// and adds the author's point, there or within two cells, that carries the agreement
// furthest along the line.
std::set<size_t> abbattimenti_da_180(const modello& letto, const scenario_decodificato& s,
                                     const std::map<size_t, int32_t>& certi) {
  const std::vector<cella>& f = s.percorso;
  const size_t n = std::min(f.size(), letto.percorso.size());
  const auto candidato = [&](size_t z, const std::set<size_t>& scelti) {
    return z < n && f[z].tipo == tipo_cella::abbattimento && f[z].dato1 == 180 && certi.count(z) == 0 &&
           scelti.count(z) == 0 && cella_libera(letto.percorso[z]);
  };
  // The first cell whose kind or first value differ from the files' after the pass.
  const auto primo_diverso = [&](const std::set<size_t>& scelti) {
    modello prova;
    prova.percorso = letto.percorso;
    for (size_t z : scelti) {
      prova.percorso[z].tipo = tipo_cella::abbattimento;
      prova.percorso[z].dato1 = 180;
    }
    // The pass goes on after a cell it finds no room for: the cells still tell how far
    // the points agree.
    rifinitura_percorso(prova);
    for (size_t i = 0; i < n; ++i) {
      if (prova.percorso[i].tipo != f[i].tipo || (i != 1 && prova.percorso[i].dato1 != f[i].dato1)) return i;
    }
    return n;
  };
  std::set<size_t> scelti;
  size_t primo = primo_diverso(scelti);
  for (size_t passi = 0; primo < n && passi < n; ++passi) {
    std::optional<size_t> migliore;
    size_t fin_dove = 0;
    for (size_t z = primo >= 2 ? primo - 2 : 0; z <= primo + 2; ++z) {
      if (!candidato(z, scelti)) continue;
      std::set<size_t> prova = scelti;
      prova.insert(z);
      const size_t d = primo_diverso(prova);
      if (!migliore || d > fin_dove || (d == fin_dove && z == primo)) {
        migliore = z;
        fin_dove = d;
      }
    }
    if (!migliore || fin_dove <= primo) break;
    scelti.insert(*migliore);
    primo = fin_dove;
  }
  return scelti;
}

}  // namespace

std::string record_ricavato::riga() const {
  std::string s = parola;
  for (const std::string& v : valori) s += ", " + v;
  return s;
}

std::vector<double> curvature_per_metro(const scenario_decodificato& s) {
  const geometria_decodificata& g = s.geometria;
  std::vector<double> k(g.x.size(), 0.0);
  double prima = 0.0;
  for (size_t m = 2; m < g.x.size() && m < g.y.size(); ++m) {
    if (g.x[m].etichetta != ETICHETTA_REALE || g.y[m].etichetta != ETICHETTA_REALE ||
        g.x[m - 1].etichetta == ETICHETTA_VUOTO || g.x[m - 2].etichetta == ETICHETTA_VUOTO) {
      continue;
    }
    const auto trovata = curvatura_passo(g, m, prima);
    k[m] = trovata.value_or(std::nan(""));
    if (trovata) prima = *trovata;
  }
  return k;
}

testi_ricavati testi_da_scenario(const scenario_decodificato& s, codifica_testi codifica) {
  testi_ricavati esito;
  ricostruzione r(s);
  r.analizza();
  esito.scarti = std::move(r.scarti());
  // The finishing pass places abbattimenti of 180 around slow-downs and signals, and
  // compiling places them again: the author's own are those of another value, those
  // without a value, and those of 180 the pass does not give.
  std::map<size_t, int32_t> abbattimenti;
  for (size_t i = 0; i < s.percorso.size(); ++i) {
    const cella& x = s.percorso[i];
    if (x.tipo == tipo_cella::abbattimento_senza_valore) abbattimenti[i] = 0;
    if (x.tipo == tipo_cella::abbattimento && x.dato1 != 180) abbattimenti[i] = x.dato1;
  }
  const auto richiesta_di = [&](const std::pair<std::string, std::string>& testi, bool permissivo) {
    richiesta q;
    q.linea = s.linea;
    q.treno = s.treno;
    q.permissivo = permissivo;
    q.testo_linea = {s.linea + "_linea.txt", testi.first, true, ""};
    q.testo_treno = {s.linea + "_" + s.treno + "-.txt", testi.second, true, ""};
    return q;
  };
  {
    const richiesta q = richiesta_di(r.testi(abbattimenti, {}), true);
    modello letto;
    letto.linea = s.linea;
    letto.treno = s.treno;
    letto.genera_linea = 1;
    letto.permissivo = true;
    memorizza_dati(letto, q.testo_linea, q.testo_treno);
    if (!con_errori(letto.diagnostiche)) {
      for (size_t z : abbattimenti_da_180(letto, s, abbattimenti)) abbattimenti[z] = 180;
    }
  }
  // Compiling checks the whole; a point the search left out is added and the texts are
  // compiled again.
  bool trovati = false;
  for (int giro = 0; giro < 16 && !trovati; ++giro) {
    modello m;
    compila_modello(richiesta_di(r.testi(abbattimenti, {}), true), m);
    if (con_errori(m.diagnostiche)) break;
    trovati = true;
    for (size_t i = 0; i < s.percorso.size() && i < m.percorso.size(); ++i) {
      const cella& x = s.percorso[i];
      const bool punto = x.tipo == tipo_cella::abbattimento || x.tipo == tipo_cella::abbattimento_senza_valore;
      if (punto && abbattimenti.count(i) == 0 && (m.percorso[i].tipo != x.tipo || m.percorso[i].dato1 != x.dato1)) {
        abbattimenti[i] = x.tipo == tipo_cella::abbattimento ? x.dato1 : 0;
        trovati = false;
      }
    }
  }
  if (!trovati) esito.scarti.push_back(traduci("indietro.abbattimenti"));
  esito.records = r.records(abbattimenti);
  // The texts as they are handed over, compiled as the author compiles them; where only
  // the reading of old gives the set, they say so, and are compiled so.
  // The entries whose name or board text holds a control code of ISO 8859-1 (0x80 to
  // 0x9F): an ISO 8859-1 text holding one is read as Windows-1252.
  std::set<size_t> di_controllo;
  for (size_t v = 0; v < s.tabella.size(); ++v) {
    const std::string& nome = s.tabella[v].nome;
    if (std::any_of(nome.begin(), nome.end(),
                    [](char c) { return static_cast<uint8_t>(c) >= 0x80 && static_cast<uint8_t>(c) <= 0x9F; })) {
      di_controllo.insert(v);
    }
  }
  std::set<size_t> dette;  // entries a line names already
  const auto componi = [&](bool permissivo) {
    std::vector<std::string> note;
    if (permissivo) note.push_back(nota("testi.permissivo"));
    auto t = r.testi(abbattimenti, note);
    if (codifica == codifica_testi::utf8) return std::pair{latin1_in_utf8(t.first), latin1_in_utf8(t.second)};
    // Accented letters that would also read as UTF-8 would be converted: one more note
    // with such letters keeps the text read byte by byte. Bytes 0x80 to 0x9F (control
    // codes in ISO 8859-1) make it read as Windows-1252: only UTF-8 gives them back.
    const scenario::codifica letta = esamina_codifica(t.first + t.second).tipo;
    if (letta == scenario::codifica::utf8) {
      note.push_back(nota("testi.latin1"));
      t = r.testi(abbattimenti, note);
    } else if (letta == scenario::codifica::windows1252 && !permissivo) {
      dette = di_controllo;
      esito.scarti.push_back(rendi(frase_conto(
          static_cast<int64_t>(di_controllo.size()), dal_catalogo("testi.scarto_windows_uno"),
          dal_catalogo("testi.scarto_windows"),
          {{"voci", testo_celle({di_controllo.begin(), di_controllo.end()}, dal_catalogo("indietro.e_altre"))}})));
    }
    return t;
  };
  // Files copied under other names carry another line's or train's names, and the
  // identity codes that go with them: texts under the names asked for give their own.
  // That is said once, and the rest compared as if the names agreed.
  const voce& della_linea = s.tabella[voce_tabella::intestazione];
  const voce& del_treno = s.tabella[voce_tabella::dati_corsa];
  const bool altri_nomi = della_linea.nome != identificativo_8bit(s.linea) || del_treno.nome != identificativo_8bit(s.treno);
  if (altri_nomi) {
    const std::string linea = latin1_in_utf8(della_linea.nome), treno = latin1_in_utf8(del_treno.nome);
    esito.scarti.push_back(traduci("indietro.altri_nomi", {{"linea", linea},
                                                          {"treno", treno},
                                                          {"linea_chiesta", s.linea},
                                                          {"treno_chiesto", s.treno},
                                                          {"testo_linea", linea + "_linea.txt"},
                                                          {"testo_treno", linea + "_" + treno + "-.txt"}}));
  }
  for (const bool permissivo : {false, true}) {
    std::tie(esito.linea, esito.treno) = componi(permissivo);
    esito.permissivo = permissivo;
    modello m;
    compila_modello(richiesta_di({esito.linea, esito.treno}, permissivo), m);
    if (!con_errori(m.diagnostiche)) {
      if (altri_nomi && m.percorso.size() > 1) {
        m.tabella[voce_tabella::intestazione].nome = della_linea.nome;
        m.tabella[voce_tabella::intestazione].orario = della_linea.orario;
        m.tabella[voce_tabella::dati_corsa].nome = del_treno.nome;
        m.percorso[1].dato2 = s.percorso[1].dato2;
      }
      differenze(m, s, dette, esito.scarti);
      break;
    }
    if (permissivo) {
      for (const diagnostica& d : m.diagnostiche) {
        if (d.livello == gravita::errore) esito.scarti.push_back(testo_diagnostica(d));
      }
    }
  }
  return esito;
}

}  // namespace scenario::vista
