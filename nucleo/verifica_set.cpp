#include "nucleo/verifica_set.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lingue/catalogo.h"
#include "lingue/parole_formato.h"
#include "model/formato.h"
#include "model/numeri.h"
#include "text/lettura_dati.h"
#include "track/rapporto_errori.h"

namespace scenario {

namespace {

namespace F = formato;

constexpr size_t MASSIMO_VALORI = 17;
constexpr int32_t NESSUNO = -1;

// A record's numbers in the order of its text (0 for its text value), where the reading
// keeps them; a value it does not have reads as 0.
struct numeri_record {
  const int64_t* v = nullptr;
  size_t n = 0;
  std::span<const int64_t> tutti() const { return {v, n}; }
  int64_t operator[](size_t i) const { return i < n ? v[i] : 0; }
};

// "la cella 183 (da 9100 a 9150 m)": the 50 m an object's cell covers; `di`: "della cella ...".
messaggio cella_e_metri(int64_t c, bool di = false) {
  return frase(di ? dal_catalogo("verifica.cella.di") : dal_catalogo("verifica.cella"),
               {{"cella", c}, {"da", (c - 1) * 50}, {"a", c * 50}});
}

// What a kind of cell holds, for a cell no record claims; `da`: as "held by" says it.
const char* nome_tipo(uint8_t tipo, bool da = false) {
  switch (tipo) {
    case tipo_cella::vuota: return da ? dal_catalogo("verifica.tipo.vuota.da") : dal_catalogo("verifica.tipo.vuota");
    case tipo_cella::segnale: return da ? dal_catalogo("verifica.tipo.segnale.da") : dal_catalogo("verifica.tipo.segnale");
    case tipo_cella::fine_rallentamento: return da ? dal_catalogo("verifica.tipo.fine_rallentamento.da") : dal_catalogo("verifica.tipo.fine_rallentamento");
    case tipo_cella::inizio_rallentamento: return da ? dal_catalogo("verifica.tipo.inizio_rallentamento.da") : dal_catalogo("verifica.tipo.inizio_rallentamento");
    case tipo_cella::avviso_rallentamento: return da ? dal_catalogo("verifica.tipo.avviso_rallentamento.da") : dal_catalogo("verifica.tipo.avviso_rallentamento");
    case tipo_cella::anticipo_rallentamento: return da ? dal_catalogo("verifica.tipo.anticipo_rallentamento.da") : dal_catalogo("verifica.tipo.anticipo_rallentamento");
    case tipo_cella::indicatore_vmax: return da ? dal_catalogo("verifica.tipo.indicatore_vmax.da") : dal_catalogo("verifica.tipo.indicatore_vmax");
    case tipo_cella::fermata: return da ? dal_catalogo("verifica.tipo.fermata.da") : dal_catalogo("verifica.tipo.fermata");
    case tipo_cella::libera_in_montagna: return da ? dal_catalogo("verifica.tipo.libera_in_montagna.da") : dal_catalogo("verifica.tipo.libera_in_montagna");
    case tipo_cella::abbattimento: return da ? dal_catalogo("verifica.tipo.abbattimento.da") : dal_catalogo("verifica.tipo.abbattimento");
    case tipo_cella::abbattimento_senza_valore: return da ? dal_catalogo("verifica.tipo.abbattimento_senza_valore.da") : dal_catalogo("verifica.tipo.abbattimento_senza_valore");
    case tipo_cella::cartello: return da ? dal_catalogo("verifica.tipo.cartello.da") : dal_catalogo("verifica.tipo.cartello");
    default: return da ? dal_catalogo("verifica.tipo.altro.da") : dal_catalogo("verifica.tipo.altro");
  }
}

class verifica {
 public:
  explicit verifica(modello& m)
      : m_(m),
        l_(m.letti),
        ultima_(m.ultima_cella()),
        lunghezza_(m.tabella[voce_tabella::dati_treno].fine),
        ripetizione_(F::cerca(F::testo::linea, "ripetizione segnali 4 codici")) {}

  attese_finitura esegui() {
    raccogli_segnalati();
    classifica();
    proprietari_voci();
    for (const classe c : {classe::voce, classe::progressiva, classe::piano, classe::oggetto, classe::rallentamento,
                           classe::stazione, classe::tratto}) {
      for (const serie& s : serie_) {
        if (s.c == c) controlla_serie(s);
      }
    }
    controlla_montagne();
    controlla_preavvisi();
    controlla_nomi();
    for (const serie& s : serie_) {
      if (s.c != classe::oggetto || l_.records[s.da].descrizione->tipo_oggetto != tipo_cella::abbattimento) continue;
      for (uint32_t i = s.da; i < s.a; ++i) attese_.abbattimenti.push_back(i);
    }
    return std::move(attese_);
  }

 private:
  // ---- Records by how the set keeps them ----------------------------------------------------

  enum class classe : uint8_t { profilo, progressiva, piano, tratto, rallentamento, stazione, oggetto, voce, numero };

  static classe classe_di(const F::record& d) {
    if (d.campi.size() == 2 && d.campi[1].in_set.dove == F::sede::profilo) return classe::profilo;
    if (d.campi[0].in_set.dove == F::sede::progressiva) return classe::progressiva;
    if (d.campi.size() == 2 && d.campi[1].in_set.dove == F::sede::piano) return classe::piano;
    if (d.campi.size() == 3 && d.campi[2].in_set.dove == F::sede::tratto) return classe::tratto;
    if (d.tipo_oggetto == tipo_cella::inizio_rallentamento) return classe::rallentamento;
    if (d.campi.size() == MASSIMO_VALORI) return classe::stazione;
    if (d.tipo_oggetto != 0) return classe::oggetto;
    return classe::voce;
  }

  // The records as runs of one kind each, in reading order, with their class: a text
  // writes its records a section at a time, so a few runs hold them all. A run of profile
  // values is checked as it is walked (they come first, and are most of a long text).
  struct serie {
    uint32_t da, a;  // records da to a - 1
    classe c;
  };

  void classifica() {
    const std::vector<record_letto>& r = l_.records;
    const auto n = static_cast<uint32_t>(r.size());
    for (uint32_t i = 0; i < n;) {
      const F::record* d = r[i].descrizione;
      const classe c = classe_di(*d);
      uint32_t j = i + 1;
      if (c == classe::profilo) {
        j = controlla_profili(i);
      } else {
        while (j < n && r[j].descrizione == d) ++j;
      }
      serie_.push_back({i, j, c});
      quanti_[static_cast<size_t>(c)] += j - i;
      i = j;
    }
  }

  uint32_t quanti(classe c) const { return quanti_[static_cast<size_t>(c)]; }

  // `fai(i)` for every record of class `c`, in reading order.
  template <typename Fai>
  void per_record(classe c, Fai&& fai) {
    for (const serie& s : serie_) {
      if (s.c != c) continue;
      for (uint32_t i = s.da; i < s.a; ++i) fai(i);
    }
  }
  // ---- The records and their places ----------------------------------------------------

  const F::record& descrizione(uint32_t i) const { return *l_.records[i].descrizione; }

  numeri_record numeri(uint32_t i) const {
    const record_letto& r = l_.records[i];
    return {l_.valori.data() + r.primo_valore, std::min<size_t>(r.numero_valori, MASSIMO_VALORI)};
  }

  std::string_view testo(uint32_t i) const {
    const record_letto& r = l_.records[i];
    return std::string_view(*l_.testi[r.testo]).substr(r.primo_carattere, r.caratteri);
  }

  luogo_testo luogo(uint32_t i) const {
    const record_letto& r = l_.records[i];
    return luogo_testo{l_.etichette[r.testo], r.riga, r.colonna, r.fine};
  }

  luogo_testo luogo_valore(uint32_t i, size_t indice) const { return luogo_valore_letto(l_, l_.records[i], indice); }

  bool stazione(uint32_t i) const { return descrizione(i).campi.size() == MASSIMO_VALORI; }

  // The record's position along the line, when its first value is one.
  std::optional<int64_t> posizione(uint32_t i) const {
    const F::record& d = descrizione(i);
    if (d.campi.empty() || !d.campi[0].posizione_lungo_linea || l_.records[i].numero_valori == 0) return std::nullopt;
    return l_.valori[l_.records[i].primo_valore];
  }

  // "la stazione 'Borgo Fonte' (riga 22)", "il segnale a 6800 m (riga 31)"; with `forma`
  // ".di" or ".da", as a sentence joins it ("del segnale ...", "dal segnale ...").
  messaggio descrivi(uint32_t i, std::string_view forma = {}) const {
    const messaggio oggetto = oggetto_record(descrizione(i), forma);
    const int32_t riga = l_.records[i].riga;
    if (stazione(i)) return frase("verifica.descrivi.nome", {{"oggetto", oggetto}, {"nome", std::string(testo(i))}, {"riga", riga}});
    if (const auto p = posizione(i)) return frase("verifica.descrivi.posizione", {{"oggetto", oggetto}, {"metri", *p}, {"riga", riga}});
    return frase("verifica.descrivi", {{"oggetto", oggetto}, {"riga", riga}});
  }

  messaggio di(uint32_t i) const { return descrivi(i, ".di"); }

  // A diagnostic at record `i` (at its value `indice`, or its keyword), with a note at the
  // record `altro` that put what the set holds, when there is one.
  void segnala(int32_t numero, uint32_t i, std::optional<size_t> indice, messaggio motivo,
               int32_t altro = NESSUNO) {
    const luogo_testo dove = indice ? luogo_valore(i, *indice) : luogo(i);
    // A position is read into 32 bits.
    if (const auto p = posizione(i)) {
      registra_avviso(m_, numero, static_cast<int32_t>(*p), dove, std::move(motivo));
    } else {
      registra_avviso(m_, numero, dove, std::move(motivo));
    }
    if (altro != NESSUNO && static_cast<uint32_t>(altro) != i) {
      m_.diagnostiche.back().note.push_back(
          {luogo(static_cast<uint32_t>(altro)), {}, frase("verifica.e_qui", {{"oggetto", descrivi(static_cast<uint32_t>(altro))}})});
    }
    segna(l_.records[i].testo, l_.records[i].riga);
  }

  // A warning at value `indice` of record `i` that leaves the record to the other checks;
  // `correggi`: the text the value becomes in a fix, when writing it silences the warning.
  void avvisa(int32_t numero, uint32_t i, size_t indice, messaggio motivo,
              std::optional<std::string> correggi = std::nullopt, int32_t altro = NESSUNO) {
    const luogo_testo dove = luogo_valore(i, indice);
    if (const auto p = posizione(i)) {
      registra_avviso(m_, numero, static_cast<int32_t>(*p), dove, std::move(motivo));
    } else {
      registra_avviso(m_, numero, dove, std::move(motivo));
    }
    diagnostica& d = m_.diagnostiche.back();
    if (correggi && dove.fine > dove.colonna) d.correggi = correzione{dove, std::move(*correggi)};
    if (altro != NESSUNO && static_cast<uint32_t>(altro) != i) {
      d.note.push_back({luogo(static_cast<uint32_t>(altro)), {},
                        frase("verifica.e_qui", {{"oggetto", descrivi(static_cast<uint32_t>(altro))}})});
    }
  }

  // Value `k` of record `i`, written `scritto`, is kept as `tenuto` by a rule of the format
  // (`perche` says which): a warning naming it, and the kept value as the fix, so that
  // writing what is kept silences it. No fix where writing it would change the set.
  void tenuto_per_regola(uint32_t i, size_t k, int64_t tenuto, messaggio perche, bool con_correzione = true,
                         int32_t altro = NESSUNO) {
    const F::campo& c = descrizione(i).campi[k];
    const std::string unita = c.unita.empty() ? "" : " " + std::string(c.unita);
    messaggio motivo = frase("verifica.tenuto_come", {{"nome", std::string(c.nome)},
                                                     {"scritto", std::to_string(numeri(i)[k]) + unita},
                                                     {"tenuto", std::to_string(tenuto) + unita},
                                                     {"perche", std::move(perche)}});
    avvisa(avviso::regola_del_formato, i, k, std::move(motivo),
           con_correzione ? std::optional<std::string>(std::to_string(tenuto)) : std::nullopt, altro);
  }

  // A position or length of record `i` (its value `k`) that the cells give back as `tenuto`
  // m, as `perche` says: the 50 m of a cell.
  void al_passo_delle_celle(uint32_t i, size_t k, int64_t tenuto, messaggio perche) {
    const F::campo& campo = descrizione(i).campi[k];
    messaggio motivo = frase("verifica.tenuto_come",
                             {{"nome", std::string(campo.nome)},
                              {"scritto", std::to_string(numeri(i)[k]) + " m"},
                              {"tenuto", std::to_string(tenuto) + " m"},
                              {"perche", std::move(perche)}});
    avvisa(avviso::passo_del_formato, i, k, std::move(motivo), std::to_string(tenuto));
  }
  // An object's position, kept as its cell `c`.
  void posizione_della_cella(uint32_t i, size_t k, int64_t tenuto, int64_t c) {
    const int8_t scarto = descrizione(i).scarto_cella;
    al_passo_delle_celle(i, k, tenuto,
                         frase("verifica.passo_cella", {{"cella", c},
                                                        {"formula", "round(" + std::to_string(numeri(i)[k]) + " / 50" +
                                                                        (scarto != 0 ? " + " + std::to_string(scarto) : "") + ")"},
                                                        {"tenuto", tenuto}}));
  }

  // ---- What each value means --------------------------------------------------------------

  // The values of a kind of record that the set keeps somewhere or codes, in the order of
  // the text: the others only place the record. Then the values whose meaning is checked
  // (F::con_senso), in the same order.
  // An object whose values are kept in its own cell alone, numbers every one, has the
  // fields of the cell it keeps them in in `in_cella`.
  struct valori_da_vedere {
    std::array<uint8_t, MASSIMO_VALORI> indice{};
    uint8_t n = 0;
    std::array<uint8_t, MASSIMO_VALORI> senso{};
    uint8_t con_senso = 0;
    const F::campo* campi = nullptr;
    bool solo_in_cella = false;
    std::array<F::campo_cella, MASSIMO_VALORI> in_cella{};
    uint8_t campi_cella = 0;
    explicit valori_da_vedere(const F::record& d) : campi(d.campi.data()) {
      solo_in_cella = d.tipo_oggetto != 0;
      for (size_t k = 0; k < d.campi.size() && k < MASSIMO_VALORI; ++k) {
        const F::deposito& dep = d.campi[k].in_set;
        if (dep.dove != F::sede::nessuna || dep.come != F::codifica_campo::diretta) indice[n++] = static_cast<uint8_t>(k);
        if (F::con_senso(d.campi[k])) senso[con_senso++] = static_cast<uint8_t>(k);
        if (dep.dove == F::sede::cella) in_cella[campi_cella++] = static_cast<F::campo_cella>(dep.campo);
        solo_in_cella = solo_in_cella && d.campi[k].letto != F::lettura::testo &&
                        (dep.dove == F::sede::cella || dep.dove == F::sede::nessuna);
      }
    }
  };

  // Value `k` of record `i` as its meaning is told: the number, or a text's length without
  // the blanks at its ends.
  int64_t per_senso(uint32_t i, const numeri_record& v, size_t k) const {
    if (descrizione(i).campi[k].letto != F::lettura::testo) return v[k];
    const std::string_view t = testo(i);
    const size_t a = t.find_first_not_of(" \t");
    return a == std::string_view::npos ? 0 : static_cast<int64_t>(t.find_last_not_of(" \t") - a + 1);
  }

  // Every value of record `i` against the values its field means. False once a value the
  // set would take for something the author did not mean has been said: the record is
  // left to it. A value kept as written that an author rarely means is warned about, and
  // the record is checked on.
  bool controlla_senso(uint32_t i, const numeri_record& v) { return controlla_senso(i, v, valori_da_vedere(descrizione(i))); }
  // The same, with the fields that have a meaning to check worked out once for the kind.
  bool controlla_senso(uint32_t i, const numeri_record& v, const valori_da_vedere& da_vedere) {
    const F::record& d = descrizione(i);
    for (uint8_t j = 0; j < da_vedere.con_senso && da_vedere.senso[j] < v.n; ++j) {
      const size_t k = da_vedere.senso[j];
      const F::campo& c = d.campi[k];
      const int64_t x = per_senso(i, v, k);
      const bool inteso = F::inteso(c, x);
      if (inteso && F::solito(c, x)) continue;
      const std::string scritto = c.letto == F::lettura::testo ? "\"" + std::string(testo(i)) + "\""
                                  : std::to_string(x) + (c.unita.empty() ? "" : " " + std::string(c.unita));
      messaggio motivo = frase("verifica.senso", {{"nome", std::string(c.nome)}, {"scritto", scritto},
                                                  {"senso", senso_campo(d, c)}});
      if (!inteso) {
        segnala(avviso::valore_non_inteso, i, k, std::move(motivo));
        return false;
      }
      avvisa(avviso::valore_insolito, i, k, std::move(motivo));
    }
    return true;
  }

  // ---- Records already reported ----------------------------------------------------------

  // Line `riga` of text `testo` has a message of its own.
  void segna(uint8_t testo, int32_t riga) {
    if (riga < 0) return;
    std::vector<uint8_t>& righe = righe_segnalate_[testo];
    if (static_cast<size_t>(riga) >= righe.size()) righe.resize(static_cast<size_t>(riga) + 1);
    righe[static_cast<size_t>(riga)] = 1;
  }

  // A record that already has an error or a warning of lost data at its line is left to
  // that message.
  void raccogli_segnalati() {
    for (const diagnostica& d : m_.diagnostiche) {
      if (!d.luogo) continue;
      const auto voce = cerca_errore(d.numero);
      if (d.livello != gravita::errore && !(voce && voce->perdita)) continue;
      for (uint8_t t = 0; t < 2; ++t) {
        if (d.luogo->file == l_.etichette[t]) segna(t, d.luogo->riga);
      }
    }
  }

  bool gia_segnalato(uint32_t i) const {
    const record_letto& r = l_.records[i];
    const std::vector<uint8_t>& righe = righe_segnalate_[r.testo];
    return static_cast<uint32_t>(r.riga) < righe.size() && righe[static_cast<size_t>(r.riga)] != 0;
  }

  // Value `k` of record `i` as read.
  int64_t valore(uint32_t i, size_t k) const {
    const record_letto& r = l_.records[i];
    return k < r.numero_valori ? l_.valori[r.primo_valore + k] : 0;
  }

  // Where a keyword stands, as one number that orders the places of both texts.
  static uint64_t chiave(uint8_t testo, int32_t riga, int32_t colonna) {
    return (uint64_t{testo} << 48) | (uint64_t{static_cast<uint32_t>(riga)} << 16) |
           static_cast<uint64_t>(colonna & 0xFFFF);
  }

  // The record whose keyword stands at `l` (the first read there), or none. The records
  // are kept in reading order, the line text's first: in the order of their places.
  int32_t record_in(const luogo_testo& l) const {
    for (uint8_t t = 0; t < 2; ++t) {
      if (l.file != l_.etichette[t]) continue;
      const uint64_t k = chiave(t, l.riga, l.colonna);
      const auto trovato = std::ranges::lower_bound(l_.records, k, {}, [](const record_letto& r) {
        return chiave(r.testo, r.riga, r.colonna);
      });
      if (trovato != l_.records.end() && chiave(trovato->testo, trovato->riga, trovato->colonna) == k) {
        return static_cast<int32_t>(trovato - l_.records.begin());
      }
    }
    return NESSUNO;
  }

  // The record that last put an object on cell `c`, or none.
  int32_t proprietario_cella(int64_t c) {
    const oggetto_posto* const o = m_.oggetti.cerca(c);
    return o == nullptr ? NESSUNO : record_in(m_.luogo_di(*o));
  }

  // What cell `c` holds, as a message says it.
  // `da`: as "held by" says it.
  messaggio cosa_tiene(int64_t c, int32_t chi, bool da = false) const {
    if (chi != NESSUNO) {
      const cella& x = m_.percorso[static_cast<size_t>(c)];
      if (x.tipo == tipo_cella::fermata) {
        return frase(da ? dal_catalogo("verifica.punto_fermata.da") : dal_catalogo("verifica.punto_fermata"),
                     {{"stazione", di(static_cast<uint32_t>(chi))}});
      }
      return descrivi(static_cast<uint32_t>(chi), da ? ".da" : "");
    }
    return frase(nome_tipo(m_.percorso[static_cast<size_t>(c)].tipo, da));
  }

  // ---- Fixed table entries: which record wrote each field last ------------------------------

  static size_t posto_voce(size_t voce, F::campo_voce f) { return voce * 16 + static_cast<size_t>(f); }

  void proprietari_voci() {
    proprietari_voce_.assign(VOCI_TABELLA * 16, NESSUNO);
    per_record(classe::voce, [&](uint32_t i) {
      const F::record& d = descrizione(i);
      for (size_t k = 0; k < d.campi.size() && k < l_.records[i].numero_valori; ++k) {
        const F::deposito& dep = d.campi[k].in_set;
        if (dep.dove == F::sede::voce) {
          proprietari_voce_[posto_voce(dep.voce, static_cast<F::campo_voce>(dep.campo))] = static_cast<int32_t>(i);
        }
      }
      if (&d == ripetizione_) proprietari_voce_[posto_voce(voce_tabella::dati_corsa, F::campo_voce::posizione)] = static_cast<int32_t>(i);
    });
  }

  // A fixed entry's field against the value the record wrote; the record that wrote the
  // field after it is named.
  // `indice` is the value it is about, or none for what the keyword says (`nome` names it).
  bool controlla_voce(uint32_t i, std::optional<size_t> indice, size_t voce, F::campo_voce f, int64_t atteso,
                      std::string_view nome = {}) {
    const int64_t tenuto = F::valore_campo(m_.tabella[voce], f);
    if (tenuto == F::nel_campo(f, atteso)) return true;
    const int32_t chi = proprietari_voce_[posto_voce(voce, f)];
    const std::string_view detto = indice ? descrizione(i).campi[*indice].nome : nome;
    const messaggio motivo =
        frase("verifica.voce_non_tenuta",
              {{"nome", std::string(detto)}, {"atteso", atteso}, {"tenuto", tenuto},
               {"scritto", chi != NESSUNO && static_cast<uint32_t>(chi) != i
                               ? frase("verifica.scritto_da", {{"da", descrivi(static_cast<uint32_t>(chi), ".da")}})
                               : messaggio()}});
    segnala(avviso::valore_cambiato, i, indice, std::move(motivo), chi);
    return false;
  }

  // ---- One record --------------------------------------------------------------------------

  // A run of records of one kind, each on its own. Out of line, as the walk of profiles.
  // Objects of one kind in a long text are mostly written alike but for their position (a
  // signal every kilometre, each with the same lights): one that has the values of the last
  // one found as written, after their position, and whose cell holds what that one's holds,
  // has only what its position changes to be looked at (come_il_precedente).
  [[gnu::noinline]] void controlla_serie(const serie& s) {
    const valori_da_vedere k(*l_.records[s.da].descrizione);
    const bool in_cella = s.c == classe::oggetto && k.solo_in_cella;
    int32_t pulito = NESSUNO;  // the last record of the run with nothing to say
    for (uint32_t i = s.da; i < s.a; ++i) {
      if (pulito != NESSUNO && come_il_precedente(i, static_cast<uint32_t>(pulito), k)) continue;
      const size_t detti = m_.diagnostiche.size();
      controlla_record(i, s.c, k);
      pulito = in_cella && m_.diagnostiche.size() == detti && !gia_segnalato(i) &&
                       cella_esiste(m_, cella_oggetto(i, numeri(i)))
                   ? static_cast<int32_t>(i)
                   : NESSUNO;
    }
  }

  // Object `i`, when its values after its position are those of `j`, which was found as
  // written with nothing to say, and its own cell holds in every field the kind keeps what
  // `j`'s does: the values' meanings, codings and what their fields give back are `j`'s,
  // and its cell is as written; what is left is what controlla_record says of its position.
  // False, having said nothing, for any other, which controlla_record then checks.
  bool come_il_precedente(uint32_t i, uint32_t j, const valori_da_vedere& k) {
    const record_letto& r = l_.records[i];
    const record_letto& q = l_.records[j];
    if (r.numero_valori != q.numero_valori || r.numero_valori == 0) return false;
    const int64_t* const a = l_.valori.data() + r.primo_valore;
    const int64_t* const b = l_.valori.data() + q.primo_valore;
    if (!std::equal(a + 1, a + r.numero_valori, b + 1)) return false;
    if (gia_segnalato(i)) return true;
    const numeri_record v = numeri(i);
    const int64_t c = cella_oggetto(i, v);
    // Cell 1 carries the header values, which the full check looks at.
    if (c == 1 || !cella_esiste(m_, c)) return false;
    const cella& x = m_.percorso[static_cast<size_t>(c)];
    const cella& y = m_.percorso[static_cast<size_t>(cella_oggetto(j, numeri(j)))];
    if (x.tipo != y.tipo) return false;
    for (uint8_t f = 0; f < k.campi_cella; ++f) {
      if (F::valore_campo(x, k.in_cella[f]) != F::valore_campo(y, k.in_cella[f])) return false;
    }
    // The position's own meaning, the first value checked; any other than the usual is
    // left to the full check.
    if (k.con_senso > 0 && k.senso[0] == 0) {
      const F::campo& p = descrizione(i).campi[0];
      if (!F::inteso(p, v[0]) || !F::solito(p, v[0])) return false;
    }
    oltre_la_linea(i, classe::oggetto, v);
    const int64_t resa = F::posizione_in_cella(descrizione(i), c);
    if (v[0] != resa) posizione_della_cella(i, 0, resa, c);
    return true;
  }

  void controlla_record(uint32_t i, classe c, const valori_da_vedere& da_vedere) {
    const F::record& d = descrizione(i);
    if (gia_segnalato(i)) return;
    const numeri_record v = numeri(i);
    if (!controlla_senso(i, v, da_vedere)) return;
    oltre_la_linea(i, c, v);
    if (c == classe::progressiva) return controlla_progressiva(i, v);
    if (c == classe::piano) return controlla_curva(i, v);
    if (c == classe::tratto) return;  // with the other stretches
    if (c == classe::rallentamento) return controlla_rallentamento(i, v);
    // The object's cell, worked out once for the object and its fields.
    int64_t cella_ = 0;
    if (d.tipo_oggetto != 0) {
      cella_ = cella_oggetto(i, v);
      if (!controlla_oggetto(i, v, cella_)) return;
      const int64_t resa = F::posizione_in_cella(d, cella_);
      if (v[0] != resa) posizione_della_cella(i, 0, resa, cella_);
      // A point of 0 or less is one without a value.
      if (d.tipo_oggetto == tipo_cella::abbattimento && v[1] < 0) {
        tenuto_per_regola(i, 1, 0, frase("verifica.regola.abbattimento_senza_valore"));
      }
    }
    for (uint8_t j = 0; j < da_vedere.n && da_vedere.indice[j] < v.n; ++j) {
      const size_t k = da_vedere.indice[j];
      if (!controlla_valore(i, v, k, da_vedere.campi[k], cella_)) return;
    }
    if (&d == ripetizione_) {
      const int64_t codici = v[1] == 0 ? 0 : l_.records[i].dalla_parola;
      if (controlla_voce(i, std::nullopt, voce_tabella::dati_corsa, F::campo_voce::posizione, codici, "codici") &&
          codici == 0 && l_.records[i].dalla_parola != 4) {
        // No repetition keeps no number of codes: the texts give it back as 4.
        registra_avviso(m_, avviso::regola_del_formato, luogo(i), frase("verifica.regola.ripetizione_senza_fine"));
        m_.diagnostiche.back().correggi = correzione{luogo(i), std::string(F::cerca(F::testo::linea, "ripetizione segnali 4 codici")->forme[0])};
      }
    }
    if (stazione(i)) controlla_fermata(i, v);
  }

  // One value by where its field keeps it. False once a difference has been said.
  bool controlla_valore(uint32_t i, const numeri_record& v, size_t k, const F::campo& c, int64_t cella_) {
    const F::deposito& dep = c.in_set;
    if (const auto memorizzato = F::come_memorizzato(c, v.tutti(), k)) {
      passo_del_formato(i, k, *memorizzato);
    }
    switch (dep.dove) {
      case F::sede::voce:
        return controlla_voce(i, k, dep.voce, static_cast<F::campo_voce>(dep.campo), F::codifica_valore(c, v.tutti(), k));
      case F::sede::voce_propria: return controlla_voce_propria(i, v, k);
      case F::sede::cella:
        if (!controlla_campo_cella(i, v, k, c, cella_)) return false;
        if (dep.come == F::codifica_campo::tempo_segnale) tempo_del_segnale(i, v, k, cella_);
        return true;
      default: return true;
    }
  }

  // A signal's time, which its cell keeps only when sx is 2, and then 101 for 1 to 100.
  void tempo_del_segnale(uint32_t i, const numeri_record& v, size_t k, int64_t cella_) {
    if (!cella_esiste(m_, cella_)) return;
    const int64_t tenuto = m_.percorso[static_cast<size_t>(cella_)].tempo;
    if (tenuto == v[k]) return;
    const int64_t sx = v[static_cast<size_t>(descrizione(i).campi[k].in_set.con[0])];
    tenuto_per_regola(i, k, tenuto,
                      sx != 2 ? frase("verifica.regola.tempo_sx", {{"sx", sx}}) : frase("verifica.regola.tempo_101"));
  }

  // Value `k` kept as `memorizzato` by the format's step: a speed's 5 km/h, the only step.
  void passo_del_formato(uint32_t i, size_t k, int64_t memorizzato) {
    const F::campo& c = descrizione(i).campi[k];
    const std::string unita = c.unita.empty() ? "" : " " + std::string(c.unita);
    messaggio motivo = frase("verifica.tenuto_come", {{"nome", std::string(c.nome)},
                                                     {"scritto", std::to_string(numeri(i)[k]) + unita},
                                                     {"tenuto", std::to_string(memorizzato) + unita},
                                                     {"perche", frase("verifica.passi_di_5")}});
    registra_avviso(m_, avviso::passo_del_formato, luogo_valore(i, k), std::move(motivo));
  }

  // The table entry the record filled (a station's, a board text's).
  bool controlla_voce_propria(uint32_t i, const numeri_record& v, size_t k) {
    const record_letto& r = l_.records[i];
    if (r.voce < 0 || r.voce >= VOCI_TABELLA) return true;
    const voce& e = m_.tabella[static_cast<size_t>(r.voce)];
    const F::campo& c = descrizione(i).campi[k];
    const auto f = static_cast<F::campo_voce>(c.in_set.campo);
    if (f == F::campo_voce::nome) {
      if (e.nome == testo(i)) return true;
      segnala(avviso::valore_cambiato, i, k, frase("verifica.testo_tenuto", {{"testo", e.nome}}));
      return false;
    }
    const bool prima = r.voce == 1 && stazione(i);
    if (c.in_set.come == F::codifica_campo::area) {
      const F::area_stazione a = F::area_di_stazione(v[0], v[1], v[2], v[5]);
      if (e.inizio == a.inizio && e.fine == a.fine) return true;
      segnala(avviso::valore_cambiato, i, k,
              frase("verifica.area", {{"da", a.inizio}, {"a", a.fine}, {"tenuta_da", e.inizio}, {"tenuta_a", e.fine}}));
      return false;
    }
    int64_t atteso = F::nel_campo(f, F::codifica_valore(c, v.tutti(), k));
    // Options the format keeps only for some stations: the rule, said at the option.
    const bool tenuta = f == F::campo_voce::opzione3   ? F::tiene_opzione3(v[1], prima)
                        : f == F::campo_voce::opzione4 ? F::tiene_opzione4(v[2], prima)
                                                       : true;
    if (!tenuta) atteso = 0;
    const int64_t tenuto = F::valore_campo(e, f);
    if (tenuto == atteso && !tenuta && v[k] != 0) opzione_non_tenuta(i, v, k, f, prima);
    if (tenuto == atteso) return true;
    segnala(avviso::valore_cambiato, i, k,
            frase("verifica.valore_tenuto", {{"nome", std::string(c.nome)}, {"atteso", atteso}, {"tenuto", tenuto}}));
    return false;
  }

  // Option `k` of station `i`, written other than 0, that the station's entry keeps as 0.
  void opzione_non_tenuta(uint32_t i, const numeri_record& v, size_t k, F::campo_voce f, bool prima) {
    const bool terza = f == F::campo_voce::opzione3;
    messaggio perche = prima ? frase("verifica.regola.opzioni_prima")
                       : terza ? frase("verifica.regola.opzione3_tipo", {{"tipo", v[1]}})
                               : frase("verifica.regola.opzione4_corta", {{"lunghezza", v[2]}});
    // An ordinary station's area still ends 50 m further for a third option not 0: writing 0
    // would take that away.
    const bool area = terza && v[1] != 5 && v[1] != 6 && v[1] != 7 && v[1] != 8;
    if (area) perche = frase("verifica.regola.con_area", {{"regola", std::move(perche)}});
    tenuto_per_regola(i, k, 0, std::move(perche), !area);
  }

  // ---- Objects on cells ------------------------------------------------------------------

  // round(p / 50 + scarto), in whole numbers.
  int64_t cella_oggetto(uint32_t i, const numeri_record& v) const {
    return arrotonda_quoziente(v[0] + int64_t{descrizione(i).scarto_cella} * 50, 50);
  }

  uint8_t tipo_atteso(uint32_t i, const numeri_record& v) const {
    const F::record& d = descrizione(i);
    if (d.tipo_oggetto == tipo_cella::abbattimento && v[1] <= 0) return tipo_cella::abbattimento_senza_valore;
    return d.tipo_oggetto;
  }

  // The record's object on its cell `c`. False when it is not there (said once).
  bool controlla_oggetto(uint32_t i, const numeri_record& v, int64_t c) {
    if (!cella_esiste(m_, c)) return false;
    return oggetto_in(i, c, tipo_atteso(i, v));
  }

  // The object of kind `tipo` on cell `c`: the record's own, or its `parte` (a catalogue
  // id: the stop point, a slow-down's end ...), named only when it is not there.
  bool oggetto_in(uint32_t i, int64_t c, uint8_t tipo, const char* parte = nullptr) {
    const cella& x = m_.percorso[static_cast<size_t>(c)];
    if (x.tipo == tipo) return true;
    const messaggio cosa = parte != nullptr ? frase(parte) : oggetto_record(descrizione(i));
    const int32_t chi = proprietario_cella(c);
    // Italian's participle agrees with the object's noun ("la fine ... e' coperta"): the
    // catalogue has both forms, which other languages may word alike.
    const std::string nome = rendi(cosa, lingua::italiano);
    const bool femminile = nome.starts_with("la ") || nome.starts_with("una ");
    messaggio motivo =
        chi != NESSUNO && static_cast<uint32_t>(chi) != i
            ? frase(femminile ? dal_catalogo("verifica.coperta") : dal_catalogo("verifica.coperto"),
                    {{"cosa", cosa}, {"da", cosa_tiene(c, chi, true)}, {"cella", cella_e_metri(c)}})
            : frase("verifica.non_nei_file", {{"cosa", cosa}, {"cella", cella_e_metri(c)}, {"tiene", cosa_tiene(c, chi)}});
    segnala(avviso::oggetto_perso, i, std::nullopt, std::move(motivo), chi);
    return false;
  }

  bool controlla_campo_cella(uint32_t i, const numeri_record& v, size_t k, const F::campo& c, int64_t cella_) {
    const auto f = static_cast<F::campo_cella>(c.in_set.campo);
    if (!cella_esiste(m_, cella_)) return true;
    const int64_t atteso = F::nel_campo(f, F::codifica_valore(c, v.tutti(), k));
    // Cell 1 carries the header values of the compiled files in its first two fields: an
    // object there would have them written over its own (one that is not 0 is error 1250).
    if (cella_ == 1 && atteso == 0 && (f == F::campo_cella::dato1 || f == F::campo_cella::dato2)) {
      segnala(avviso::valore_cambiato, i, k,
              frase("verifica.cella_uno", {{"campo", std::string(F::nome_campo(f))}}));
      return false;
    }
    return campo_in(i, k, cella_, f, atteso) && controlla_resi(i, v, k, c, atteso);
  }

  // A field that keeps several values in one number (a signal's lights, an indicator's
  // speeds): what the number gives back must be what was written, or two different
  // writings would pass for one. An indicator's speed that comes back at the nearest
  // step of 5 km/h is the format's step; any other difference is a value lost.
  bool controlla_resi(uint32_t i, const numeri_record& v, size_t k, const F::campo& c, int64_t codice) {
    const auto resi = F::resi_dal_campo(c, v.tutti(), codice);
    if (!resi) return true;
    std::array<size_t, 3> indici{k, 0, 0};
    std::optional<size_t> primo;  // the first value given back otherwise
    bool al_passo = true;
    for (size_t j = 0; j < resi->n; ++j) {
      if (j > 0) indici[j] = static_cast<size_t>(c.in_set.con[j - 1]);
      const int64_t scritto = v[indici[j]];
      if (resi->valori[j] == scritto) continue;
      if (!primo) primo = indici[j];
      al_passo = al_passo && c.in_set.come == F::codifica_campo::indicatore &&
                 resi->valori[j] == int64_t{F::velocita_in_cella(static_cast<int32_t>(scritto))} * 5;
    }
    if (!primo) return true;
    if (al_passo) {
      for (size_t j = 0; j < resi->n; ++j) {
        if (resi->valori[j] != v[indici[j]]) passo_del_formato(i, indici[j], resi->valori[j]);
      }
      return true;
    }
    const F::record& d = descrizione(i);
    std::string scritti;
    std::string resi_come;
    for (size_t j = 0; j < resi->n; ++j) {
      const std::string nome(d.campi[indici[j]].nome);
      const std::string sep = j == 0 ? "" : ", ";
      scritti += sep + nome + " = " + std::to_string(v[indici[j]]);
      resi_come += sep + nome + " = " + std::to_string(resi->valori[j]);
    }
    const auto f = static_cast<F::campo_cella>(c.in_set.campo);
    segnala(avviso::valore_cambiato, i, *primo,
            frase("verifica.resi_come", {{"scritti", scritti}, {"campo", std::string(F::nome_campo(f))},
                                         {"codice", codice}, {"resi", resi_come}}));
    return false;
  }

  // A field of an object's cell against what the record wrote.
  bool campo_in(uint32_t i, size_t k, int64_t c, F::campo_cella f, int64_t atteso) {
    const int64_t tenuto = F::valore_campo(m_.percorso[static_cast<size_t>(c)], f);
    if (tenuto == atteso) return true;
    campo_diverso(i, k, c, f, tenuto, atteso);
    return false;
  }

  void campo_diverso(uint32_t i, size_t k, int64_t c, F::campo_cella f, int64_t tenuto, int64_t atteso) {
    messaggio motivo = frase("verifica.campo_tiene", {{"campo", std::string(F::nome_campo(f))}, {"cella", cella_e_metri(c, true)},
                                                     {"tenuto", tenuto}, {"atteso", atteso}});
    segnala(avviso::valore_cambiato, i, k, std::move(motivo));
  }

  // A station's stop point: kind 10 with its table entry.
  void controlla_fermata(uint32_t i, const numeri_record& v) {
    const record_letto& r = l_.records[i];
    if (v[1] >= 25 || r.voce < 0) return;
    const F::area_stazione a = F::area_di_stazione(v[0], v[1], v[2], v[5]);
    const int64_t c = arrotonda(static_cast<double>(a.fine) / 50 - 1);
    if (!cella_esiste(m_, c)) return;
    if (oggetto_in(i, c, tipo_cella::fermata, dal_catalogo("verifica.parte.fermata"))) campo_in(i, 0, c, F::campo_cella::dato1, r.voce);
  }

  // ---- Slow-downs ------------------------------------------------------------------------

  // v: x, v, l, f_tt, f_ta, d_v. Start, end and warning cells, and the four advance cells.
  void controlla_rallentamento(uint32_t i, const numeri_record& v) {
    const int64_t x = v[0];
    const int64_t s = arrotonda(static_cast<double>(x) / 50 + 1);
    const int64_t e = arrotonda(static_cast<double>(x + v[2]) / 50 + 1);
    // An end past the track is refused by the reading (error 39).
    if (!cella_esiste(m_, e)) return;
    if (e == s) {
      segnala(avviso::oggetto_perso, i, 2,
              frase("verifica.fine_nell_inizio", {{"cella", cella_e_metri(s)}}));
      return;
    }
    const int64_t d_v = v[5];
    struct parte {
      int64_t cella;
      uint8_t tipo;
      const char* nome;
      bool f_tt;
    };
    // The warning board only for a slow-down that starts more than 1500 m in.
    const parte parti[] = {{s, tipo_cella::inizio_rallentamento, dal_catalogo("verifica.parte.inizio"), true},
                           {e, tipo_cella::fine_rallentamento, dal_catalogo("verifica.parte.fine"), true},
                           {arrotonda(static_cast<double>(x - 1200) / 50 + 1), tipo_cella::avviso_rallentamento,
                            dal_catalogo("verifica.parte.avviso"), false}};
    for (const parte& p : std::span(parti, x > 1500 ? 3 : 2)) {
      if (!cella_esiste(m_, p.cella) || !oggetto_in(i, p.cella, p.tipo, p.nome)) return;
      if (!campo_in(i, 1, p.cella, F::campo_cella::dato1, basso16(v[1]))) return;
      if (p.f_tt && !campo_in(i, 3, p.cella, F::campo_cella::dato3, basso16(v[3]))) return;
      if (d_v != 0 && !campo_in(i, 5, p.cella, F::campo_cella::dato2, basso16(d_v))) return;
    }
    // Its start and length come back from its start and end cells.
    const int64_t da = (s - 1) * 50;
    if (x != da) posizione_della_cella(i, 0, da, s);
    if (v[2] != (e - s) * 50) al_passo_delle_celle(i, 2, (e - s) * 50, frase("verifica.passo_fine", {{"cella", cella_e_metri(e)}}));
    if (v[4] == 0) return;
    // A slow-down that starts within 1500 m of the origin has no warning board, and then
    // no advance cells: they are asked for in vain.
    if (x <= 1500) return tenuto_per_regola(i, 4, 0, frase("verifica.regola.senza_avviso"));
    const int64_t h = arrotonda(static_cast<double>(x - 1200) / 50);
    for (int64_t k = 0; k < 4; ++k) {
      const int64_t c = h - k;
      if (!cella_esiste(m_, c) || !oggetto_in(i, c, tipo_cella::anticipo_rallentamento, dal_catalogo("verifica.parte.preavviso"))) return;
      if (!campo_in(i, 4, c, F::campo_cella::dato1, k + 1)) return;
    }
    // Any value but 0 asks for the advance cells.
    if (v[4] != 1) tenuto_per_regola(i, 4, 1, frase("verifica.regola.preavviso_uno"));
  }

  // ---- Kilometre numberings --------------------------------------------------------------

  void controlla_progressiva(uint32_t i, const numeri_record& v) {
    const int64_t a = v[0], b = v[1] + (v[2] == 1 ? 100 : 0), c = v[2];
    for (size_t e = voce_tabella::progressiva_tre; e <= voce_tabella::progressiva_uno; ++e) {
      const voce& x = m_.tabella[e];
      if (x.inizio == a && x.fine == F::nel_campo(F::campo_voce::fine, b) && x.posizione == c) {
        return vale_da_qualche_parte(i, e);
      }
    }
    // A later record of the same numbering took its entry; otherwise the ordering cleared it.
    for (uint32_t j = i + 1; j < l_.records.size(); ++j) {
      if (l_.records[j].descrizione == l_.records[i].descrizione) {
        segnala(avviso::valore_cambiato, i, std::nullopt, frase("verifica.sostituita", {{"da", descrivi(j, ".da")}}), static_cast<int32_t>(j));
        return;
      }
    }
    segnala(avviso::valore_cambiato, i, std::nullopt,
            frase("verifica.progressive_azzerate"));
  }

  // A numbering holds from its start, where the numberings ordered before it (those that
  // start further on) do not: numbering `i`, kept in entry `e`, that holds nowhere along
  // the line is kept, but no kilometre is ever read by it. Three zeros are no numbering.
  void vale_da_qualche_parte(uint32_t i, size_t e) {
    const auto definita = [](const voce& x) { return x.inizio != 0 || x.fine != 0 || x.posizione != 0; };
    const voce& x = m_.tabella[e];
    if (!definita(x)) return;
    const int64_t da = std::max<int64_t>(x.inizio, 0);
    if (da > lunghezza_) {
      avvisa(avviso::valore_insolito, i, 0,
             frase("verifica.progressiva_mai", {{"perche", frase("verifica.progressiva_oltre", {{"inizio", x.inizio}, {"linea", lunghezza_}})}}));
      return;
    }
    for (size_t f = voce_tabella::progressiva_tre; f < e; ++f) {
      const voce& prima = m_.tabella[f];
      if (!definita(prima) || prima.inizio > da) continue;
      // The numbering that holds from there on instead, as written.
      int32_t chi = NESSUNO;
      per_record(classe::progressiva, [&](uint32_t j) {
        const int64_t b = valore(j, 1) + (valore(j, 2) == 1 ? 100 : 0);
        if (valore(j, 0) == prima.inizio && F::nel_campo(F::campo_voce::fine, b) == prima.fine &&
            valore(j, 2) == prima.posizione) {
          chi = static_cast<int32_t>(j);
        }
      });
      avvisa(avviso::valore_insolito, i, 0,
             frase("verifica.progressiva_mai",
                   {{"perche", frase("verifica.progressiva_coperta",
                                     {{"da", prima.inizio},
                                      {"chi", chi != NESSUNO ? descrivi(static_cast<uint32_t>(chi)) : messaggio()}})}}),
             std::nullopt, chi);
      return;
    }
  }

  // ---- The plan ------------------------------------------------------------------------

  // The turn of metre `metro` of the plan, and the last metre of the run of steps it is in.
  // Curves come mostly in the order of the line: the runs are walked beside them from the
  // last one found, and searched only when a curve goes back.
  std::pair<double, int64_t> passo(int64_t metro) {
    const auto& t = m_.tracciato.tratti;
    size_t j = passo_;
    if (j > 0 && t[j - 1].fino_a >= metro) {
      j = static_cast<size_t>(std::lower_bound(t.begin(), t.end(), metro,
                                               [](const tratto_tracciato& x, int64_t m) { return x.fino_a < m; }) -
                              t.begin());
    }
    while (j < t.size() && t[j].fino_a < metro) ++j;
    passo_ = j;
    if (j == t.size()) return {0.0, INT64_MAX};
    return {t[j].k, t[j].fino_a};
  }

  // v: p, l. Its metres p + 1 to p + l turn by its class, to its side. Each metre of the
  // plan is stepped once, in order, from metre 2: a curve that starts inside the one before
  // it turns from there on, and its first metres turn as that one does. It is as written
  // when every one of its metres turns by its class, whichever record stepped it.
  void controlla_curva(uint32_t i, const numeri_record& v) {
    const int32_t classe_curva = l_.records[i].dalla_parola;
    if (classe_curva == 0 || v[1] <= 0 || !m_.tracciato.esiste()) return;
    const double k = (classe_curva < 0 ? -1 : 1) * F::CURVATURE[static_cast<size_t>(std::abs(classe_curva) - 1)];
    const int64_t fine = v[0] + v[1];
    if (fine < 2) {
      segnala(avviso::oggetto_perso, i, 1, frase("verifica.curva_prima_del_piano", {{"fine", fine}}));
      return;
    }
    for (int64_t da = std::max<int64_t>(v[0] + 1, 2); da <= fine;) {
      const auto [svolta, fino_a] = passo(da);
      if (svolta != k) return curva_cambiata(i, v, da, svolta, fino_a);
      da = fino_a + 1;
    }
  }

  // Curve `i` does not turn as written from metre `da`, where the plan turns by `svolta`
  // up to `fino_a`.
  void curva_cambiata(uint32_t i, const numeri_record& v, int64_t da, double svolta, int64_t fino_a) {
    // The curve before it in the text that still runs there.
    int32_t chi = NESSUNO;
    per_record(classe::piano, [&](uint32_t j) {
      if (j < i && valore(j, 0) < da && valore(j, 0) + valore(j, 1) >= da) chi = static_cast<int32_t>(j);
    });
    messaggio motivo = frase(
        "verifica.curva",
        {{"da", da},
         {"a", std::min<int64_t>(fino_a, v[0] + v[1])},
         {"come", chi != NESSUNO ? frase("verifica.curva.segue", {{"chi", descrivi(static_cast<uint32_t>(chi))}})
                  : svolta == 0  ? frase("verifica.curva.rettilineo")
                                 : frase("verifica.curva.altrimenti")}});
    segnala(avviso::valore_cambiato, i, std::nullopt, std::move(motivo), chi);
  }

  // ---- Per-cell profiles: gradients, speeds, adhesion --------------------------------------

  // A value holds from its record's cell, round(p / 50), up to the next record's. The
  // reading writes the value in force from a cursor up to that cell, always at least one
  // cell, so a record in the same cell as the one before it begins a cell later than
  // written, and one more for each further record there. Records out of order are said so
  // by the reading itself. In the first cell, round(p / 50) = 0, nothing is written: the
  // last record there replaces the one before, which then holds nowhere.
  // What the cells of one kind of profile hold as far as the records read so far.
  struct ultimo {
    int32_t record = NESSUNO;  // the kind's last record
    int64_t cursore = 0;       // the cell its value begins in, as the reading writes it
    std::optional<int64_t> codice;  // its coded value, when it was worked out
    // The records before it in the first cell with the same value, not written yet either.
    std::vector<uint32_t> stessi;
  };

  // The first position whose cell, round(p / 50), is after cell `c` (from 0 on): the
  // half between the cells goes to the even one. Two cells on, it is 100 m further.
  static int64_t primo_dopo(int64_t c) { return c * 50 + 25 + ((c & 1) == 0 ? 1 : 0); }

  // Where a profile's values begin, walked along a run of its records.
  struct cammino {
    int64_t cursore;    // the cell the last value begins in
    int64_t dopo;       // the first position whose cell is after it
    int64_t seguente;   // and after the next one
    explicit cammino(int64_t c) : cursore(c), dopo(primo_dopo(c)), seguente(primo_dopo(c + 1)) {}
  };

  // The records from `x` up to `fine` (all of kind `d`, keeping field `c`) that stand in a
  // cell after the one the value before began in, inside the line, with a value the cells
  // keep as written: for them the cell their value begins in is all there is to keep.
  // Returns the first other record. Such a record stands at a whole cell's start, so its
  // value begins in its own cell, and the next one goes the same way only when it stands
  // further on: the walk keeps the last position alone, and the cell is worked out once
  // at its end. Out of line, so that the walk keeps what it needs in registers.
  [[gnu::noinline]] static const record_letto* senza_parola(const record_letto* x, const record_letto* fine,
                                                           const F::record* d, const F::campo& c,
                                                           const int64_t* valori, int64_t lunghezza, cammino& k) {
    // The values an author means and writes as a rule, both: one range.
    const int64_t minimo = std::max(c.inteso.minimo, c.solito.minimo);
    const int64_t massimo = std::min(c.inteso.massimo, c.solito.massimo);
    // A speed is kept in steps of 5 km/h (F::come_memorizzato).
    const bool a_passi = c.in_set.come == F::codifica_campo::velocita;
    int64_t da = k.dopo;  // the first position the next record may stand at
    int64_t ultima = 0;   // the last record's position, once one went this way
    bool una = false;
    for (; x != fine && x->descrizione == d; ++x) {
      if (x->numero_valori < 2) break;
      const int64_t p = valori[x->primo_valore];
      const int64_t v = valori[x->primo_valore + 1];
      if (p < da || p > lunghezza || p % 50 != 0 || v < minimo || v > massimo || (a_passi && v % 5 != 0)) break;
      ultima = p;
      una = true;
      da = p + 1;
    }
    if (una) k = cammino(ultima / 50);
    return x;
  }

  // The run of profile records from `da`, to the first record of another kind, which is
  // returned. Those not placed as written, or past the line's end, or kept in the format's
  // step, go through `profilo_da_dire`, with the kind's state brought up to date first.
  uint32_t controlla_profili(uint32_t da) {
    const record_letto* const r = l_.records.data();
    const record_letto* const fine = r + l_.records.size();
    const F::record* const d = r[da].descrizione;
    const F::campo& c = d->campi[1];
    ultimo& u = per_campo_[c.in_set.campo];
    cammino k(u.cursore);
    const record_letto* x = r + da;
    // The kind's first record: the cells before it may take its value.
    if (u.record == NESSUNO) {
      profilo_da_dire(da, u);
      k = cammino(u.cursore);
      ++x;
    }
    while (true) {
      const record_letto* const dopo = senza_parola(x, fine, d, c, l_.valori.data(), lunghezza_, k);
      if (dopo != x) gia_passato(u, static_cast<uint32_t>(dopo - r) - 1);
      x = dopo;
      if (x == fine || x->descrizione != d) break;
      u.cursore = k.cursore;
      profilo_da_dire(static_cast<uint32_t>(x - r), u);
      k = cammino(u.cursore);
      ++x;
    }
    u.cursore = k.cursore;
    return static_cast<uint32_t>(x - r);
  }

  // Record `i` went the short way: it is the kind's last, past the first cell, its coded
  // value not worked out.
  static void gia_passato(ultimo& u, uint32_t i) {
    u.record = static_cast<int32_t>(i);
    u.codice.reset();
    u.stessi.clear();
  }

  // A profile record the cells may not hold as written: it begins a cell later than
  // written, or it replaced the value the last record put in the first cell; it stands
  // past the line's end; its value is kept in the format's step. `u` is brought to it.
  void profilo_da_dire(uint32_t i, ultimo& u) {
    const numeri_record v = numeri(i);
    const int64_t n = arrotonda_quoziente(v[0], 50);
    const bool primo = u.record == NESSUNO;
    const int64_t inizio = n > 0 && !primo ? std::max(n, u.cursore + 1) : n;
    // A record in the first cell writes no cell: the value of the record before it, not
    // written yet (a value is written when the next record of its kind comes further on),
    // is written nowhere.
    const bool perso = n <= 0 && !primo;
    if (!gia_segnalato(i)) controlla_senso(i, v);
    std::optional<int64_t> mio;
    bool spostato = false;  // it begins elsewhere than written, said so
    if ((perso || inizio != n) && !gia_segnalato(perso ? static_cast<uint32_t>(u.record) : i)) {
      if (!u.codice) u.codice = codice(static_cast<uint32_t>(u.record));
      mio = codice(i);
      if (perso) {
        // Another value with the same coding leaves the cells as written; one with another
        // writes nowhere the last value, nor those before it in the first cell that it
        // carried on.
        if (*mio != *u.codice) {
          for (const uint32_t j : u.stessi) {
            if (!gia_segnalato(j)) profilo_cambiato(i, static_cast<int32_t>(j), true, n, inizio);
          }
          profilo_cambiato(i, u.record, true, n, inizio);
          u.stessi.clear();
        } else {
          u.stessi.push_back(static_cast<uint32_t>(u.record));
        }
      } else if (*mio != *u.codice) {
        profilo_cambiato(i, u.record, false, n, inizio);
        spostato = true;
      } else if (u.cursore != n) {
        // The same value as the record before: it holds from where that one began.
        segnala(avviso::valore_cambiato, i, 0,
                frase("verifica.valore_come_prima", {{"da", u.cursore * 50}, {"scritto", n * 50},
                                                    {"chi", descrivi(static_cast<uint32_t>(u.record))}}),
                u.record);
        spostato = true;
      }
    }
    if (v[0] > lunghezza_ && !gia_segnalato(i)) oltre_la_linea(i, classe::profilo, v);
    if (!gia_segnalato(i)) {
      if (const auto memorizzato = F::come_memorizzato(descrizione(i).campi[1], v.tutti(), 1)) {
        passo_del_formato(i, 1, *memorizzato);
      }
      // The first speed limit and the first adhesion hold from the line's origin (the
      // cells before them take their value); a gradient before its first record is 0.
      const bool dall_origine = descrizione(i).campi[1].in_set.campo != static_cast<uint8_t>(F::campo_cella::pendenza);
      if (primo && n > 0 && dall_origine) {
        tenuto_per_regola(i, 0, 0, frase("verifica.regola.dall_origine"));
      } else if (!spostato && v[0] != std::max<int64_t>(n, 0) * 50) {
        al_passo_delle_celle(i, 0, std::max<int64_t>(n, 0) * 50,
                             frase("verifica.passo_profilo", {{"metri", std::max<int64_t>(n, 0) * 50}}));
      }
    }
    if (n > 0) {
      u.cursore = inizio;
      u.stessi.clear();
    }
    u.record = static_cast<int32_t>(i);
    u.codice = mio;
  }

  // A profile value `i` that begins a cell later than written, or (`perso`) the value of
  // record `prima` in the first cell that `i` replaced.
  void profilo_cambiato(uint32_t i, int32_t prima, bool perso, int64_t n, int64_t inizio) {
    if (perso) {
      segnala(avviso::oggetto_perso, static_cast<uint32_t>(prima), 0,
              frase("verifica.valore_in_nessuna_cella", {{"chi", descrivi(i)}}), static_cast<int32_t>(i));
    } else {
      segnala(avviso::valore_cambiato, i, 0,
              frase("verifica.valore_spostato", {{"da", inizio * 50}, {"scritto", n * 50}, {"cella_da", (inizio - 1) * 50},
                                                 {"chi", descrivi(static_cast<uint32_t>(prima))}}),
              prima);
    }
  }

  // The coded value a profile record puts into its cells.
  int64_t codice(uint32_t i) const {
    const F::campo& c = descrizione(i).campi[1];
    const int64_t v[2] = {valore(i, 0), valore(i, 1)};
    return F::nel_campo(static_cast<F::campo_cella>(c.in_set.campo), F::codifica_valore(c, v, 1));
  }

  // ---- Mountain-side stretches -----------------------------------------------------------

  void controlla_montagne() {
    if (ultima_ < 0 || quanti(classe::tratto) == 0) return;
    std::vector<int32_t> chi(static_cast<size_t>(ultima_ + 1), NESSUNO);
    struct tratto {
      uint32_t record;
      int64_t da, a;
      int64_t tipo;
      int32_t vicino;  // the stretch just before, when this one starts 150 m or less after it
    };
    std::vector<tratto> tratti;
    int32_t precedente = NESSUNO;
    per_record(classe::tratto, [&](uint32_t i) {
      const F::record& d = descrizione(i);
      const numeri_record v = numeri(i);
      int64_t tipo = F::codifica_valore(d.campi[2], v.tutti(), 2);
      // A stretch that starts 150 m or less after the one before is kept as type 3.
      int32_t vicino = NESSUNO;
      if (precedente != NESSUNO && v[0] - valore(static_cast<uint32_t>(precedente), 1) <= 150) {
        tipo = 3;
        vicino = precedente;
      }
      precedente = static_cast<int32_t>(i);
      const int64_t da = arrotonda(static_cast<double>(v[0]) / 50);
      const int64_t a = arrotonda(static_cast<double>(v[1]) / 50 - 1);
      tratti.push_back({i, da, a, tipo, vicino});
      for (int64_t c = std::max<int64_t>(da, 0); c <= std::min<int64_t>(a, ultima_); ++c) {
        chi[static_cast<size_t>(c)] = static_cast<int32_t>(i);
      }
    });
    for (const tratto& t : tratti) {
      if (gia_segnalato(t.record)) continue;
      const numeri_record v = numeri(t.record);
      if (t.a < t.da) {
        if (v[1] >= v[0]) {
          segnala(avviso::oggetto_perso, t.record, 1,
                  frase("verifica.tratto_corto", {{"da", v[0]}, {"a", v[1]}}));
        }
        continue;
      }
      if (t.a > ultima_) {
        segnala(avviso::oggetto_perso, t.record, 1,
                frase("verifica.tratto_oltre", {{"fine", int64_t{ultima_} * 50}}));
        continue;
      }
      bool tenuto = true;
      std::vector<int64_t> libere;  // its cells left free
      for (int64_t c = std::max<int64_t>(t.da, 0); c <= t.a && tenuto; ++c) {
        const int32_t altro = chi[static_cast<size_t>(c)];
        tenuto = false;
        if (altro == static_cast<int32_t>(t.record)) {
          const cella& x = m_.percorso[static_cast<size_t>(c)];
          if ((c - t.da + 1) % 4 == 0 && x.tipo == tipo_cella::libera_in_montagna) libere.push_back(c);
          if (x.montagna == basso8(t.tipo)) {
            tenuto = true;
            continue;
          }
          segnala(avviso::valore_cambiato, t.record, 2,
                  frase("verifica.tipo_tenuto", {{"da", c * 50}, {"tenuto", x.montagna}, {"tipo", basso8(t.tipo)}}));
          break;
        }
        segnala(avviso::valore_cambiato, t.record, std::nullopt,
                frase("verifica.tratto_sopra", {{"da", c * 50}, {"chi", descrivi(static_cast<uint32_t>(altro))}}),
                altro);
      }
      if (!tenuto) continue;
      tratto_tenuto(t.record, v, t.da, t.a, t.vicino, !libere.empty());
      if (!libere.empty()) attese_.tratti.push_back({t.record, std::move(libere)});
    }
  }

  // Stretch `i`, from cell `da` to cell `a`, whose cells keep what it wrote: what the cells
  // give back of it. `vicino`: the stretch that made it type 3; `libere`: whether a cell of
  // it is left free.
  void tratto_tenuto(uint32_t i, const numeri_record& v, int64_t da, int64_t a, int32_t vicino, bool libere) {
    if (da >= 0 && v[0] != da * 50) posizione_della_cella(i, 0, da * 50, da);
    if (da < 0) {
      // Its cells before the origin are not on the track. Every fourth cell from its
      // first is left free: a start that keeps them is the one nearest the origin four
      // cells apart from it.
      const int64_t dall_origine = F::montagna_da_testo(static_cast<int32_t>(v[2])).celle_libere ? -((-da) % 4) : 0;
      al_passo_delle_celle(i, 0, dall_origine * 50, frase("verifica.passo_prima_origine", {{"da", v[0]}}));
    }
    if (da >= 0 && v[1] != (a + 1) * 50) {
      al_passo_delle_celle(i, 1, (a + 1) * 50, frase("verifica.passo_fine_tratto", {{"cella", cella_e_metri(a + 1)}}));
    }
    const F::montagna_scritta scritta = F::montagna_da_testo(static_cast<int32_t>(v[2]));
    if (vicino != NESSUNO && scritta.tipo != 3) {
      tenuto_per_regola(i, 2, F::montagna_come_scritta(3, scritta.celle_libere),
                        frase("verifica.regola.montagna_3", {{"chi", descrivi(static_cast<uint32_t>(vicino))}}), true,
                        vicino);
    } else if (scritta.celle_libere && !libere && scritta.tipo <= 10) {
      // (A type above 10 that the cells keep is written above 20 whatever the cells.)
      tenuto_per_regola(i, 2, scritta.tipo, frase("verifica.regola.montagna_senza_libere"));
    }
  }

  // ---- Approach codes before signals and stops ---------------------------------------------

  struct segno {
    int64_t cella;
    int64_t codice;
    uint32_t record;
  };

  // `fai(s)` for every approach code a signal or a station writes, in reading order.
  template <typename Fai>
  void per_segno(Fai&& fai) const {
    for (const serie& s : serie_) {
      const F::record& d = *l_.records[s.da].descrizione;
      const bool segnali = s.c == classe::oggetto && d.tipo_oggetto == tipo_cella::segnale;
      if (!segnali && s.c != classe::stazione) continue;
      for (uint32_t i = s.da; i < s.a; ++i) {
        const numeri_record v = numeri(i);
        if (segnali) {
          const int64_t k = cella_oggetto(i, v);
          const int64_t aspetto = v[1] * 3 + v[6];
          for (int64_t b = 1; b <= 4; ++b) fai(segno{k - 2 * b, aspetto * 10 + b, i});
        } else if (l_.records[i].voce >= 0 && v[1] < 25 && v[1] != 5 && v[1] != 6) {
          const F::area_stazione a = F::area_di_stazione(v[0], v[1], v[2], v[5]);
          for (int64_t j = 1; j <= 4; ++j) {
            const double f = static_cast<double>(a.fine) / 50 - static_cast<double>(j) - 1;
            if (f > 1) fai(segno{arrotonda(f), 80 + j, i});
          }
        }
      }
    }
  }

  // Each code on its cell. Only when one is not there are the cells' last writers worked
  // out, to name the one that took its place.
  void controlla_preavvisi() {
    if (ultima_ < 0) return;
    bool tutti = true;
    per_segno([&](const segno& s) {
      tutti = tutti && (!cella_esiste(m_, s.cella) || m_.percorso[static_cast<size_t>(s.cella)].preavviso == basso8(s.codice));
    });
    if (tutti) return;
    std::vector<int32_t> chi(static_cast<size_t>(ultima_ + 1), NESSUNO);
    per_segno([&](const segno& s) {
      if (cella_esiste(m_, s.cella)) chi[static_cast<size_t>(s.cella)] = static_cast<int32_t>(s.record);
    });
    per_segno([&](const segno& s) {
      if (!cella_esiste(m_, s.cella) || gia_segnalato(s.record)) return;
      const int64_t tenuto = m_.percorso[static_cast<size_t>(s.cella)].preavviso;
      if (tenuto == basso8(s.codice)) return;
      const int32_t altro = chi[static_cast<size_t>(s.cella)];
      messaggio motivo = frase("verifica.preavviso",
                               {{"codice", s.codice},
                                {"cella", cella_e_metri(s.cella, true)},
                                {"tenuto", tenuto},
                                {"altro", altro != NESSUNO ? frase("verifica.preavviso.di", {{"di", di(static_cast<uint32_t>(altro))}})
                                                           : messaggio()}});
      segnala(avviso::valore_cambiato, s.record, std::nullopt, std::move(motivo), altro);
    });
  }

  // ---- Warnings of what is kept as written -------------------------------------------------

  // An object in the run-on past the line's end: kept, but an author rarely means it.
  // `c` is its class, `v` its values.
  void oltre_la_linea(uint32_t i, classe c, const numeri_record& v) {
    const F::record& d = descrizione(i);
    if (v.n == 0 || ultima_ < 0 || d.campi.empty() || !d.campi[0].posizione_lungo_linea) return;
    const int64_t p = v[0];
    // A stretch's end: a curve's and a slow-down's length, a mountain stretch's end.
    const int64_t fine = c == classe::rallentamento ? p + v[2]
                         : c == classe::piano       ? p + v[1]
                         : c == classe::tratto      ? v[1]
                                                    : p;
    if (p > lunghezza_ || fine > lunghezza_) dopo_la_linea(i, p, fine);
  }

  // Object `i` at `p`, or its stretch to `fine`, reaches past the line's end.
  void dopo_la_linea(uint32_t i, int64_t p, int64_t fine) {
    const F::record& d = descrizione(i);
    const messaggio dopo = frase("verifica.oltre_linea", {{"linea", lunghezza_}, {"percorso", int64_t{ultima_} * 50}});
    if (p > lunghezza_) {
      registra_avviso(m_, avviso::oltre_fine_linea, static_cast<int32_t>(p), luogo_valore(i, 0),
                      frase("verifica.oggetto_oltre", {{"oggetto", oggetto_record(d)}, {"metri", p}, {"dopo", dopo}}));
    } else {
      registra_avviso(m_, avviso::oltre_fine_linea, static_cast<int32_t>(p), luogo_valore(i, 0),
                      frase("verifica.fine_oltre", {{"oggetto", oggetto_record(d)}, {"metri", fine}, {"dopo", dopo}}));
    }
  }

  // A station name used twice, or left empty: kept, but the card and the page could not
  // tell the stations apart.
  void controlla_nomi() {
    const size_t nome = MASSIMO_VALORI - 1;
    // The stations that filled an entry, in reading order, and among them those named, by
    // name (in reading order among equals): the first of each name is the one it repeats.
    std::vector<uint32_t> stazioni;
    per_record(classe::stazione, [&](uint32_t i) {
      if (l_.records[i].voce >= 0) stazioni.push_back(i);
    });
    std::vector<uint32_t> per_nome;
    for (uint32_t k = 0; k < stazioni.size(); ++k) {
      if (testo(stazioni[k]).find_first_not_of(" \t") != std::string_view::npos) per_nome.push_back(k);
    }
    std::stable_sort(per_nome.begin(), per_nome.end(),
                     [&](uint32_t a, uint32_t b) { return testo(stazioni[a]) < testo(stazioni[b]); });
    std::vector<int32_t> ripete(stazioni.size(), NESSUNO);
    for (size_t k = 1; k < per_nome.size(); ++k) {
      const uint32_t prima = per_nome[k - 1], questa = per_nome[k];
      if (testo(stazioni[prima]) != testo(stazioni[questa])) continue;
      ripete[questa] = ripete[prima] != NESSUNO ? ripete[prima] : static_cast<int32_t>(stazioni[prima]);
    }
    for (uint32_t k = 0; k < stazioni.size(); ++k) {
      const uint32_t i = stazioni[k];
      const std::string_view t = testo(i);
      if (t.find_first_not_of(" \t") == std::string_view::npos) {
        registra_avviso(m_, avviso::nome_stazione, static_cast<int32_t>(numeri(i)[0]), luogo_valore(i, nome),
                        frase("verifica.senza_nome"));
        continue;
      }
      if (ripete[k] == NESSUNO) continue;
      const auto primo = static_cast<uint32_t>(ripete[k]);
      registra_avviso(m_, avviso::nome_stazione, static_cast<int32_t>(numeri(i)[0]), luogo_valore(i, nome),
                      frase("verifica.nome_ripetuto", {{"nome", std::string(t)}, {"di", di(primo)}}));
      m_.diagnostiche.back().note.push_back({luogo(primo), {}, frase("verifica.prima_con_nome")});
    }
  }

  modello& m_;
  const testi_letti& l_;
  const int32_t ultima_;
  const int64_t lunghezza_;               // the line's length, as the table keeps it
  const F::record* const ripetizione_;    // the record of the signal repetition
  std::array<std::vector<uint8_t>, 2> righe_segnalate_;  // by text, the lines already reported
  std::vector<int32_t> proprietari_voce_;  // by fixed entry and field, the record that wrote it last
  std::vector<serie> serie_;
  std::array<uint32_t, static_cast<size_t>(classe::numero)> quanti_{};  // records by class
  size_t passo_ = 0;                      // the run of the plan the last curve was found in
  std::array<ultimo, 11> per_campo_{};    // by the cell field each kind of profile keeps
  attese_finitura attese_;                // what the finishing pass may take from records as written
};

}  // namespace

attese_finitura verifica_set(modello& m) { return verifica(m).esegui(); }

void verifica_dopo_finitura(modello& m, const attese_finitura& attese) {
  const testi_letti& l = m.letti;
  // A stretch whose free cells all took the pass's abbattimento points keeps none: its
  // cells give it back without them. Writing the type without free cells gives the same
  // cells, a free cell and an empty one being alike to the pass.
  for (const attese_finitura::tratto_libero& t : attese.tratti) {
    const bool una_libera = std::ranges::any_of(t.celle, [&](int64_t c) {
      return m.percorso[static_cast<size_t>(c)].tipo == tipo_cella::libera_in_montagna;
    });
    if (una_libera) continue;
    const record_letto& r = l.records[t.record];
    const int64_t tipo = l.valori[r.primo_valore + 2];
    const auto senza = F::montagna_come_scritta(F::montagna_da_testo(static_cast<int32_t>(tipo)).tipo, false);
    const luogo_testo dove = luogo_valore_letto(l, r, 2);
    registra_avviso(m, avviso::regola_del_formato, static_cast<int32_t>(l.valori[r.primo_valore]), dove,
                    frase("verifica.tenuto_come",
                          {{"nome", std::string(r.descrizione->campi[2].nome)},
                           {"scritto", std::to_string(tipo)},
                           {"tenuto", std::to_string(senza)},
                           {"perche", frase("verifica.regola.montagna_libere_prese", {{"cella", cella_e_metri(t.celle.front())}})}}));
    diagnostica& d = m.diagnostiche.back();
    if (dove.fine > dove.colonna) d.correggi = correzione{dove, std::to_string(senza)};
  }
  for (const uint32_t i : attese.abbattimenti) {
    const record_letto& r = l.records[i];
    if (r.numero_valori < 2) continue;
    const int64_t w = l.valori[r.primo_valore + 1];
    const int64_t c = arrotonda_quoziente(l.valori[r.primo_valore] + int64_t{r.descrizione->scarto_cella} * 50, 50);
    if (w <= 180 || !cella_esiste(m, c)) continue;
    const cella& x = m.percorso[static_cast<size_t>(c)];
    if (x.tipo != tipo_cella::abbattimento || x.dato1 != 180) continue;
    const luogo_testo dove = luogo_valore_letto(l, r, 1);
    registra_avviso(m, avviso::regola_del_formato, static_cast<int32_t>(l.valori[r.primo_valore]), dove,
                    frase("verifica.tenuto_come", {{"nome", std::string(r.descrizione->campi[1].nome)},
                                                   {"scritto", std::to_string(w) + " km/h"},
                                                   {"tenuto", "180 km/h"},
                                                   {"perche", frase("verifica.regola.abbattimento_180")}}));
    diagnostica& d = m.diagnostiche.back();
    if (dove.fine > dove.colonna) d.correggi = correzione{dove, "180"};
    // The signal it stands before: one or two cells after it.
    for (const int64_t s : {c + 1, c + 2}) {
      const oggetto_posto* const o = m.oggetti.cerca(s);
      if (!cella_esiste(m, s) || m.percorso[static_cast<size_t>(s)].tipo != tipo_cella::segnale || o == nullptr) continue;
      d.note.push_back({m.luogo_di(*o), {}, frase("verifica.segnale_vicino", {{"posizione", o->posizione}})});
      break;
    }
  }
}

}  // namespace scenario
