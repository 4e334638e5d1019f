// State shared by the two phases of the reading stage (internal to text/).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/formato.h"
#include "model/modello.h"
#include "text/lettore.h"
#include "text/lettura_dati.h"

namespace scenario {

// What a text holds, for the record tests to pass over at once a keyword item that lacks a
// letter of a test word, or two bytes that stand side by side in it: the letters a to z, a
// bit each, and the pairs of adjacent bytes, each in one of 64 bits. A word the item holds
// has its letters and its pairs among the item's.
struct impronta {
  uint32_t lettere = 0;
  uint64_t coppie = 0;

  bool comprende(const impronta& parola) const {
    return (parola.lettere & ~lettere) == 0 && (parola.coppie & ~coppie) == 0;
  }
  void aggiungi(unsigned char c) {
    const unsigned d = c - unsigned{'a'};
    lettere |= uint32_t{d < 26} << (d & 31);
  }
  void aggiungi(unsigned char prima, unsigned char c) {
    aggiungi(c);
    coppie |= uint64_t{1} << ((prima * 47u + c) & 63u);
  }
};
impronta impronta_di(std::string_view testo);

// What a warning about an unknown word proposes: the message's key, and the known word
// put in its place, if any.
struct proposta_parola {
  const char* chiave = "lettura.parola";
  std::optional<std::string_view> vicina;
};

struct stato_lettura {
  stato_lettura(modello& modello_, const testo_ingresso& testo_linea, const testo_ingresso& testo_treno,
                int32_t errori_massimi)
      : m(modello_), linea(testo_linea), treno(testo_treno), max_errori(errori_massimi) {}

  modello& m;
  const testo_ingresso& linea;
  const testo_ingresso& treno;
  int32_t max_errori;
  lettore_testo testo;
  testi_eliminati eliminati;
  int32_t slot_cartello = 80;  // next free board entry of the table, counting down
  bool lunghezza_letta = false;  // the general section has given the line length
  bool lunghezza_scritta = false;  // a line length record was met, read or not
  int32_t parole_dell_altro_testo = 0;  // records of the other text met in this one
  bool lunghezza_impossibile = false;  // a line length out of range: no track can be made
  luogo_testo luogo_record;    // where the keyword of the record being read stands
  size_t byte_record = 0;      // and its first byte, to go on after a record that failed
  std::string_view riga;       // the keyword item being read (`riga` of the model), in the text
  std::string riga_minuscola;  // the same in lower case, for the record tests, when no
                               // spelling of a record names it
  impronta impronta_minuscola;  // what that holds, for the record tests
  const formato::record* forma = nullptr;  // the record the item spells exactly, if any
  bool in_treno = false;       // the run text is being read
  bool cella_uno_annotata = false;
  // The values of the record tests that the keyword item matched, in the order read: a
  // number, or 0 for a text item. Where one stands is read again from the text when a
  // message names it, each item before it read again as a number or a text as it was.
  std::vector<int64_t> valori;
  uint64_t valori_testo = 0;  // bit k: value k is a text item
  uint64_t valori_vuoti = 0;  // bit k: value k held nothing
  std::string_view testo_valore;  // the record's text value, once read
  const formato::record* record_corrente = nullptr;  // the record test reading its values
  size_t primo_valore = 0;   // where its values begin among `valori`
  // and in the text: the byte, its line and the line's first byte
  size_t byte_valori = 0;
  int32_t riga_valori = 0;
  size_t inizio_riga_valori = 0;
  int32_t voce_record = -1;  // the table entry the record being read filled
  int32_t dalla_parola = 0;  // what its keyword says (a curve's class, the repetition's codes)
  size_t errori_contati = 0;  // diagnostics already looked at by `troppi_errori`
  int32_t errori = 0;         // errors among them
  bool fermata = false;       // the reading stopped at the most errors asked for
  // The first error 15 of the text being read, and how many records beyond the track
  // came after it.
  std::optional<size_t> primo_oltre;
  int32_t altri_oltre = 0;

  // How the keyword item of the record being read stood on its line.
  bool parola_a_inizio_riga = false;
  bool parola_con_virgola = false;     // a comma followed it
  size_t letture = 1;                  // how many records its item names (several: each reads)
  // Where the reading stood after it and its comma: the byte, its line and that line's
  // first byte. The values begin there.
  size_t dopo_parola = 0;
  int32_t riga_dopo_parola = 0;
  size_t inizio_riga_dopo_parola = 0;
  bool in_record = false;              // the values of a recognised record are being read
  int32_t riga_detta = 0;
  bool migliaia_dette = false;         // a thousands separator on the record's line was named              // a line whose every item a message at its first has told
  // Positions of the last record of each kind along the line, for the order warnings.
  std::optional<int32_t> ultima_curva, ultima_pendenza, ultima_velocita, ultima_aderenza,
      ultima_stazione;
  std::optional<int32_t> ultimo_orario;  // timetable time of the last station that gives one
  // The first time of the run past midnight written each way, where its hours stand and as
  // it is said: hours from 24 on, and a drop of more than 12 h taken as midnight passed.
  struct modo_mezzanotte {
    luogo_testo luogo;
    messaggio detto;
  };
  std::optional<modo_mezzanotte> oltre_24, mezzanotte;
  bool due_modi_detti = false;
  // The last unknown word warned about, the known words it was looked for among, and what
  // was found.
  struct {
    std::string parola;
    const std::string_view* note = nullptr;
    proposta_parola proposta;
  } ultima_proposta;
  std::vector<std::pair<int64_t, int64_t>> rallentamenti;  // from, to (m)
  int64_t fine_rallentamenti = INT64_MIN;  // the furthest end among them
  bool stazione_letta = false;
  bool stazioni_piene = false;  // error 10 said: the table has no room for more stations
  luogo_testo luogo_ultima_stazione;  // the record of the last station stored
  // The record of each progressive (entries 81, 82, 83) whose start or value is no
  // multiple of 50, for error 2 at the end of the run phase.
  std::array<std::optional<luogo_testo>, 3> progressiva_errata;
};

enum class esito_fase { prosegui, interrompi };

// How a record leaves its phase: on to the next record, or refused. A refused record is
// reported and the reading goes on with the next line as if it were absent.
enum class esito_record { prosegui, scarta };

// The line phase: line length, progressives, gradients, plan, mountain stretches,
// indicator and line-side boards. `interrompi` when the track cannot be made (no line
// length, or one out of range) or too many errors were found.
esito_fase fase_linea(stato_lettura& s);

// The run phase: train, clock, adhesion, speeds, stations, signals, slow-downs.
void fase_treno(stato_lettura& s);

// ---- Shared steps of both phases --------------------------------------------------------

// Values of the record being read, each remembered (its place can be read again).
inline void ricorda_valore(stato_lettura& s, int64_t numero, bool testo = false) {
  const size_t k = s.valori.size();
  s.valori.push_back(numero);
  if (k < 64) {
    const uint64_t bit = uint64_t{1} << k;
    if (s.testo.elemento_vuoto()) s.valori_vuoti |= bit;
    if (testo) s.valori_testo |= bit;
  }
}
inline int32_t leggi32(stato_lettura& s) {
  const int32_t v = s.testo.leggi_numero32();
  ricorda_valore(s, v);
  return v;
}
inline int16_t leggi16(stato_lettura& s) {
  const int16_t v = s.testo.leggi_numero16();
  ricorda_valore(s, v);
  return v;
}
// Values of the record being read into 32-bit fields, as many as `v` holds.
inline void leggi32(stato_lettura& s, std::span<int32_t> v) {
  const size_t prima = s.valori.size();
  const uint64_t vuoti = s.testo.leggi_numeri32(v, s.valori);
  if (vuoti != 0 && prima < 64) s.valori_vuoti |= vuoti << prima;
}
inline uint8_t leggi8(stato_lettura& s) {
  const uint8_t v = s.testo.leggi_numero8();
  ricorda_valore(s, v);
  return v;
}
std::string_view leggi_testo_valore(stato_lettura& s, const char* cosa);
// The place of value `indice` (0 is the first after the keyword) of the record being
// read; the keyword's place when there is no such value.
luogo_testo luogo_valore(const stato_lettura& s, int indice);
// From value `da` to value `a`, on one line: the range that a diagnostic underlines.
luogo_testo luogo_valori(const stato_lettura& s, int da, int a);

// An error at the record being read (at its keyword, or at value `indice`); the record is
// refused.
esito_record errore_record(stato_lettura& s, int32_t codice, std::optional<int32_t> posizione,
                           messaggio motivo = {}, int indice = -1);
// An error on an occupied cell: the record is refused, and a note says what holds the
// cell and where it was written.
esito_record errore_cella_occupata(stato_lettura& s, int32_t codice, int32_t posizione, int64_t cella);
// A warning at the record being read (at its keyword, or at value `indice`).
void avviso_record(stato_lettura& s, int32_t codice, std::optional<int32_t> posizione,
                   messaggio motivo = {}, int indice = -1);

// The range check of value `indice` of record `r` by the description of its field: a
// value beyond the range an author may write gets the field's number, as an error (the
// record is refused) or a warning (taken as written).
esito_record fuori_limiti(stato_lettura& s, const formato::campo& c, int64_t valore, int indice,
                          std::optional<int32_t> posizione);
inline esito_record controlla_campo(stato_lettura& s, const formato::record& r, size_t indice, int64_t valore,
                                    std::optional<int32_t> posizione) {
  const formato::campo& c = r.campi[indice];
  if (formato::entro_limiti(c, valore)) return esito_record::prosegui;
  return fuori_limiti(s, c, valore, static_cast<int>(indice), posizione);
}

// A record accepted: kept in the model's list of records read, with its values from
// `primo` on (the values a keyword item's earlier record tests read come before).
void ricorda_record(stato_lettura& s, const formato::record& r, size_t primo);

// Record `r` as the reading stands at it, with its `n` values kept next.
inline record_letto da_ricordare(const stato_lettura& s, const formato::record& r, size_t n) {
  return record_letto{.descrizione = &r,
                      .primo_valore = static_cast<uint32_t>(s.m.letti.valori.size()),
                      .riga = s.luogo_record.riga,
                      .colonna = s.luogo_record.colonna,
                      .fine = s.luogo_record.fine,
                      .byte_valori = static_cast<uint32_t>(s.byte_valori),
                      .riga_valori = s.riga_valori,
                      .inizio_riga_valori = static_cast<uint32_t>(s.inizio_riga_valori),
                      .dalla_parola = s.dalla_parola,
                      .voce = s.voce_record,
                      .testo = static_cast<uint8_t>(s.in_treno ? 1 : 0),
                      .numero_valori = static_cast<uint8_t>(n)};
}

// The same for a record of the `n` numbers `v` alone, read from a line in plain form: every
// value was written, and the record's fields are those numbers. Nearly every line of a long
// text is kept so, one after another.
inline void ricorda_numeri(stato_lettura& s, const formato::record& r, const int32_t* v, size_t n) {
  testi_letti& l = s.m.letti;
  l.records.push_back(da_ricordare(s, r, n));
  for (size_t k = 0; k < n; ++k) l.valori.push_back(v[k]);
}

// Record `r` begins to read its values, from byte `byte` of line `riga`, whose first byte is
// `inizio_riga`.
inline void inizia_valori(stato_lettura& s, const formato::record& r, size_t byte, int32_t riga, size_t inizio_riga) {
  s.record_corrente = &r;
  s.primo_valore = s.valori.size();
  s.byte_valori = byte;
  s.riga_valori = riga;
  s.inizio_riga_valori = inizio_riga;
  s.voce_record = -1;
  s.dalla_parola = 0;
}

// One record test that matched: the record read by `leggi` and, when accepted, remembered.
template <typename F>
esito_record leggi_e_ricorda(stato_lettura& s, const formato::record& r, F leggi) {
  const size_t primo = s.valori.size();
  inizia_valori(s, r, s.testo.letti(), s.testo.riga_corrente(), s.testo.inizio_riga_corrente());
  const esito_record e = leggi();
  if (e == esito_record::prosegui) ricorda_record(s, r, primo);
  return e;
}

// What a record put on a cell, for the notes of a later error on it.
void annota_oggetto(stato_lettura& s, int64_t cella, const char* cosa, int32_t posizione);

inline bool entro(int64_t valore, int64_t minimo, int64_t massimo) {
  return valore >= minimo && valore <= massimo;
}
// The range test of a record at `posizione`: (p + 100) / 50 must not exceed the last cell.
inline bool entro_percorso(const modello& m, int32_t posizione, int32_t margine = 100) {
  return (static_cast<double>(posizione) + margine) / 50 <= m.ultima_cella();
}
// A record beyond the track: error 15 at its position (once a text: every record after it
// would say the same), and the record is refused.
esito_record oltre_percorso(stato_lettura& s, int32_t posizione);
// The text of a description as the reading sees it: ISO 8859-1. A UTF-8 text (with or
// without a byte-order mark) is converted; UTF-16 is error 105, and then nothing. The text
// is kept with the records read from it, as text `quale` (0 the line's, 1 the run's).
// Nothing when it cannot be read.
const std::string* testo_latin1(stato_lettura& s, const testo_ingresso& t, size_t quale);
// True when the keyword item being read is recognised as `r` by the reading's own test.
bool riconosciuto(const stato_lettura& s, const formato::record& r);
// The records of the text being read, in one place of it, that the keyword item may be:
// the one it spells, when it spells one, or else every one, each to be tested in turn.
inline std::span<const formato::record> records_riconosciuti(const stato_lettura& s, formato::ambito dove) {
  if (s.forma != nullptr) {
    return s.forma->dove == dove ? std::span<const formato::record>(s.forma, 1) : std::span<const formato::record>();
  }
  return s.in_treno ? formato::records(formato::testo::treno) : formato::records(formato::testo::linea, dove);
}
// After the keyword item: notes how it stood on its line.
void annota_parola_chiave(stato_lettura& s);
// A keyword item that no record test matched: a line shaped like a record ("word, number")
// whose word is not a keyword of `t` here, or a section header not among its sections,
// is warned about, with the nearest known word when one is close and a fix.
void parola_non_letta(stato_lettura& s, formato::testo t, formato::ambito dove);
inline void controlla_parola(stato_lettura& s, bool riconosciuta, formato::testo t, formato::ambito dove) {
  // Items that do not begin a line are values of a record already warned about.
  if (riconosciuta || !s.parola_a_inizio_riga) return;
  parola_non_letta(s, t, dove);
}
// A keyword item that the reading recognised as `riconosciuti` though it is not written as
// any of their forms: what the reading took it for.
void controlla_forma(stato_lettura& s, std::span<const formato::record* const> riconosciuti,
                     std::string_view come_letta);
// After a recognised record: its values must end at its own line end.
void fine_record_altrove(stato_lettura& s, bool finisce_con_testo);
void fine_record_detta(stato_lettura& s, bool finisce_con_testo);
inline void controlla_fine_record(stato_lettura& s, bool finisce_con_testo) {
  const chiusura_elemento c = s.testo.chiusura();
  if (s.testo.riga_elemento() == s.luogo_record.riga && c != chiusura_elemento::virgola &&
      (c != chiusura_elemento::altro || finisce_con_testo)) {
    return;
  }
  fine_record_altrove(s, finisce_con_testo);
}
// A record at `posizione` that comes before the previous one of its kind.
void fuori_ordine(stato_lettura& s, int32_t ultima, int32_t posizione, const char* cosa);
inline void controlla_ordine(stato_lettura& s, std::optional<int32_t>& ultima, int32_t posizione,
                             const char* cosa) {
  if (ultima && posizione < *ultima) fuori_ordine(s, *ultima, posizione, cosa);
  ultima = posizione;
}
// The known word nearest to `parola` (by edit distance, letters without regard to case),
// when it is close.
std::optional<std::string_view> parola_vicina(std::string_view parola,
                                              std::span<const std::string_view> parole);

// After a record: the first record that puts a value on cell 1, which carries the header
// values, is remembered, so that errors 1250 and 1251 point at it.
void annota_cella_uno_scritta(stato_lettura& s);
inline void annota_cella_uno(stato_lettura& s) {
  if (s.cella_uno_annotata || s.m.percorso.size() < 2) return;
  const cella& prima = s.m.percorso[1];
  if (prima.dato1 != 0 || prima.dato2 != 0) annota_cella_uno_scritta(s);
}

// ---- Lines in plain form ---------------------------------------------------------------
// Nearly every line of a long text is a record of numbers alone in its plain form (see
// riga_semplice): such a line is read in one pass, and leaves everything as reading it item
// by item leaves it.

// The most numbers a record read so takes.
inline constexpr size_t NUMERI_SEMPLICI = 11;

// The record spelt by the keyword of a line in plain form, when the reading stands at the
// line's first byte and that record belongs where `dove` says; nothing otherwise.
const formato::record* parola_semplice(stato_lettura& s, formato::ambito dove, riga_semplice& r);
// The reading past such a line, and what it notes of its keyword and of its `n` values `v`,
// as after leggi_parola_chiave, inizia_valori and the reading of its numbers.
inline void entra_riga_semplice(stato_lettura& s, const formato::record& forma, const riga_semplice& r,
                                const int32_t* v, size_t n) {
  // The keyword item stands alone at the line's first byte, a comma after it; the values
  // begin after that.
  lettore_testo& t = s.testo;
  const int32_t riga = t.riga_corrente();
  const size_t inizio_riga = t.inizio_riga_corrente();
  s.riga = r.parola;
  s.forma = &forma;
  s.riga_minuscola.clear();
  s.luogo_record.riga = riga;
  s.luogo_record.colonna = 1;
  s.luogo_record.fine = 1 + static_cast<int32_t>(r.parola.size());
  s.byte_record = t.letti();
  s.valori_testo = s.valori_vuoti = 0;
  s.parola_a_inizio_riga = true;
  s.parola_con_virgola = true;
  s.dopo_parola = s.byte_record + r.parola.size() + 1;
  s.riga_dopo_parola = riga;
  s.inizio_riga_dopo_parola = inizio_riga;
  t.passa_numeri(r);
  // The line before was most often one of the same record: its values' room is taken again.
  s.valori.resize(n);
  inizia_valori(s, forma, s.dopo_parola, riga, inizio_riga);
  s.primo_valore = 0;
  std::copy(v, v + n, s.valori.begin());
}

// Reads the keyword item of the next record into `riga`, passing over up to two items that
// contain a minus sign. False at the end of the text (the item is then not acted on).
bool leggi_parola_chiave(stato_lettura& s);

// How one record went, and whether it read any value (a keyword that read none was
// recognised by no test).
struct esito_lettura {
  esito_record esito = esito_record::prosegui;
  bool valori_letti = false;
};

// One record read by `leggi`, which returns how it went: a reading failure or a refused
// record is reported, and the reading goes on from the line after the record's keyword.
template <typename F>
esito_lettura leggi_record(stato_lettura& s, F leggi);

// A marker's own error: the error state is cleared before the call and put back after it,
// so that an earlier record's error does not count as this one's. 0 when it found none.
template <typename F>
int32_t chiama_marcatore(modello& m, F marca) {
  const int32_t prima = m.codice_errore;
  m.codice_errore = 0;
  marca();
  const int32_t codice = m.codice_errore;
  if (codice == 0) m.codice_errore = prima;
  return codice;
}

// True once the errors found reach the most the author asked to see: the reading stops.
bool conta_errori(stato_lettura& s);
inline bool troppi_errori(stato_lettura& s) {
  // Nothing new since the last count: the count stands.
  if (s.errori_contati == s.m.diagnostiche.size()) return s.fermata;
  return conta_errori(s);
}

// A reading failure of the record being read, as error 25 at its place.
void segnala_guasto(stato_lettura& s, const guasto_lettura& guasto);

// The diagnostics from `detti` on, said of the record just read: a number written with a
// thousands separator on its line is named in the first of them.
void con_separatore_migliaia(stato_lettura& s, size_t detti);

template <typename F>
esito_lettura leggi_record(stato_lettura& s, F leggi) {
  esito_lettura r;
  const size_t prima = s.testo.letti();
  const size_t detti = s.m.diagnostiche.size();
  s.migliaia_dette = false;
  s.in_record = true;
  try {
    r.esito = leggi();
  } catch (const guasto_lettura& guasto) {
    segnala_guasto(s, guasto);
    r.esito = esito_record::scarta;
  }
  s.in_record = false;
  if (s.m.diagnostiche.size() != detti) con_separatore_migliaia(s, detti);
  r.valori_letti = s.testo.letti() != prima || r.esito == esito_record::scarta;
  if (r.esito == esito_record::scarta) s.testo.riprendi_dalla_riga_dopo(s.byte_record, s.luogo_record.riga);
  return r;
}

// The keywords of the last lines read in plain form and what they name, with what each
// record does with its numbers: a line that begins with the same bytes as one of them is
// known by them. The last line's is tried first, then the others by their first eight
// bytes, for a text whose records take turns, as curves to the left and to the right do.
template <typename A>
struct parola_recente {
  struct parola_nota {
    uint64_t primi_byte = 0;
    std::string_view parola;
    const formato::record* forma = nullptr;
    A applica = nullptr;
  };
  std::array<parola_nota, 8> note{};
  parola_nota* ultima = &note[0];
  size_t prossima = 0;  // the note a new keyword takes, in turn
};

// A line in plain form read in one pass, when the reading stands at one whose record reads
// numbers alone, one for each of its fields: `di_numeri(s, r)` gives what record `r` does
// with its numbers, called as `applica(s, cursori..., valori)` (nothing for a record that
// reads otherwise). The record is refused or kept as leggi_record and leggi_e_ricorda refuse
// or keep it. Nothing else is said of such a line: it is what it spells, and its values end
// on its own line. False, and nothing read, for any other line.
template <typename A, typename D, typename... C>
bool leggi_riga_semplice(stato_lettura& s, parola_recente<A>& recente, D di_numeri, C&... cursori) {
  using nota = typename parola_recente<A>::parola_nota;
  riga_semplice r;
  if (recente.ultima->forma == nullptr || !s.testo.stessa_parola(r, recente.ultima->parola)) {
    const uint64_t primi = s.testo.primi_byte();
    nota* trovata = nullptr;
    for (nota& n : recente.note) {
      if (n.forma != nullptr && n.primi_byte == primi && s.testo.stessa_parola(r, n.parola)) {
        trovata = &n;
        break;
      }
    }
    if (trovata == nullptr) {
      const formato::record* forma = parola_semplice(s, formato::ambito::corpo, r);
      if (forma == nullptr) return false;
      const A applica = di_numeri(s, *forma);
      if (applica == nullptr) return false;
      trovata = &recente.note[recente.prossima];
      recente.prossima = (recente.prossima + 1) % recente.note.size();
      *trovata = {primi, r.parola, forma, applica};
    }
    recente.ultima = trovata;
  }
  const nota& ultima = *recente.ultima;
  const formato::record& forma = *ultima.forma;
  const size_t n = forma.campi.size();
  int32_t v[NUMERI_SEMPLICI];
  if (!s.testo.numeri_semplici(r, v, n)) return false;
  entra_riga_semplice(s, forma, r, v, n);
  leggi_record(s, [&] {
    const esito_record e = ultima.applica(s, cursori..., v);
    if (e == esito_record::prosegui) ricorda_numeri(s, forma, v, n);
    return e;
  });
  return true;
}

}  // namespace scenario
