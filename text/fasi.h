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
// What reading a line in plain form notes of its keyword and of its `n` values `v`, as after
// leggi_parola_chiave, inizia_valori and the reading of its numbers: the line is line `riga`,
// whose first byte is byte `inizio_riga` of the text.
inline void nota_riga_semplice(stato_lettura& s, const formato::record& forma, const riga_semplice& r,
                               const int32_t* v, size_t n, int32_t riga, size_t inizio_riga) {
  // The keyword item stands alone at the line's first byte, a comma after it; the values
  // begin after that.
  s.riga = r.parola;
  s.forma = &forma;
  s.riga_minuscola.clear();
  s.luogo_record.riga = riga;
  s.luogo_record.colonna = 1;
  s.luogo_record.fine = 1 + static_cast<int32_t>(r.parola.size());
  s.byte_record = inizio_riga;
  s.valori_testo = s.valori_vuoti = 0;
  s.parola_a_inizio_riga = true;
  s.parola_con_virgola = true;
  s.dopo_parola = s.byte_record + r.parola.size() + 1;
  s.riga_dopo_parola = riga;
  s.inizio_riga_dopo_parola = inizio_riga;
  // The line before was most often one of the same record: its values' room is taken again.
  s.valori.resize(n);
  inizia_valori(s, forma, s.dopo_parola, riga, inizio_riga);
  s.primo_valore = 0;
  std::copy(v, v + n, s.valori.begin());
}

// The reading past such a line, and what it notes of it.
inline void entra_riga_semplice(stato_lettura& s, const formato::record& forma, const riga_semplice& r,
                                const int32_t* v, size_t n) {
  lettore_testo& t = s.testo;
  nota_riga_semplice(s, forma, r, v, n, t.riga_corrente(), t.inizio_riga_corrente());
  t.passa_numeri(r);
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
// record does with its numbers (`A`, and `V` for a record that has a way without a word to
// say): a line that begins with the same bytes as one of them is known by them. The last
// line's is tried first, then the others by their first eight bytes, for a text whose
// records take turns, as curves to the left and to the right do.
template <typename A, typename V>
struct parola_recente {
  struct parola_nota {
    uint64_t primi_byte = 0;
    std::string_view parola;
    const formato::record* forma = nullptr;
    A applica = nullptr;
    V veloce = nullptr;
    int32_t dalla_parola = 0;  // what the keyword says, for `veloce`
    // The keyword's bytes as two words, its first and its last eight (four for a keyword
    // shorter than eight bytes), overlapping where it is short.
    uint64_t testa = 0;
    uint64_t coda = 0;
  };
  std::array<parola_nota, 8> note{};
  parola_nota* ultima = &note[0];
  size_t prossima = 0;  // the note a new keyword takes, in turn
};

// True when the line at `p` (sixteen bytes of the text at least after it) begins with
// keyword `n` and a comma.
template <typename N>
inline bool con_parola(const char* p, const N& n) {
  const size_t k = n.parola.size();
  if (p[k] != ',') return false;
  if (k >= 8) {
    uint64_t a = 0, b = 0;
    std::memcpy(&a, p, 8);
    std::memcpy(&b, p + k - 8, 8);
    return a == n.testa && b == n.coda;
  }
  uint32_t a = 0, b = 0;
  std::memcpy(&a, p, 4);
  std::memcpy(&b, p + k - 4, 4);
  return a == n.testa && b == n.coda;
}

// The lines read by `veloce` (see leggi_riga_semplice), from the one the reading stands at,
// whose keyword is the last one noted: each keyword, its two numbers and its line end read
// where they stand, its record applied and put in the table, until a line that is not so
// read. False when the first one is not.
template <typename A, typename V, typename... C>
bool leggi_righe_veloci(stato_lettura& s, parola_recente<A, V>& recente, C&... cursori) {
  using nota = typename parola_recente<A, V>::parola_nota;
  lettore_testo& t = s.testo;
  testi_letti& letti = s.m.letti;
  const uint8_t quale = s.in_treno ? 1 : 0;
  const char* const base = t.inizio_testo();
  const char* const fine = t.fine_testo();
  const char* p = t.dove();
  int32_t riga = t.riga_corrente();
  nota* n = recente.ultima;
  // The last line read: its first byte and its keyword's note.
  const char* ultima = nullptr;
  nota* di_ultima = nullptr;
  while (fine - p > 16) {
    if (!con_parola(p, *n)) {
      nota* altra = nullptr;
      for (nota& x : recente.note) {
        if (x.veloce != nullptr && con_parola(p, x)) {
          altra = &x;
          break;
        }
      }
      if (altra == nullptr) break;
      n = altra;
    }
    int32_t v[2];
    const char* q = numero_semplice(p + n->parola.size() + 1, fine, v[0]);
    if (q == nullptr || *q != ',') break;
    q = numero_semplice(q + 1, fine, v[1]);
    if (q == nullptr || !fine_riga(*q)) break;
    if (!n->veloce(s, cursori..., v, n->dalla_parola)) break;
    const auto inizio = static_cast<uint32_t>(p - base);
    const auto lunghezza = static_cast<uint32_t>(n->parola.size());
    // Made where it stays: keyword, values, the keyword's line and columns, where its
    // values begin, what the keyword says, no entry, no text value.
    letti.records.push_back(record_letto{n->forma, static_cast<uint32_t>(letti.valori.size()), riga, 1,
                                         1 + static_cast<int32_t>(lunghezza), inizio + lunghezza + 1, riga, inizio,
                                         n->dalla_parola, -1, 0u, 0u, quale, uint8_t{2}});
    letti.valori.push_back(v[0]);
    letti.valori.push_back(v[1]);
    ultima = p;
    di_ultima = n;
    if (*q++ == '\r' && *q == '\n') ++q;
    p = q;
    ++riga;
  }
  if (ultima == nullptr) return false;
  // The last line read again, for what its reading leaves noted.
  recente.ultima = di_ultima;
  t.passa_righe(ultima, riga - 1);
  riga_semplice r;
  r.parola = std::string_view(ultima, di_ultima->parola.size());
  r.valori = ultima + r.parola.size() + 1;
  int32_t v[2];
  t.numeri_semplici(r, v, 2);
  entra_riga_semplice(s, *di_ultima->forma, r, v, 2);
  s.dalla_parola = di_ultima->dalla_parola;
  return true;
}

// Lines in plain form read in one pass each, one after another, when the reading stands at
// one whose record reads numbers alone, one for each of its fields: `di_numeri(s, r)` gives
// what record `r` does with its numbers, called as `applica(s, cursori..., valori)` (nothing
// for a record that reads otherwise), and `di_veloce(s, r, parola, dalla_parola)` the same for
// a record of two numbers about which nothing is to be said, with what its keyword says,
// called as `veloce(s, cursori..., valori, dalla_parola)`: false, having changed nothing, for
// a record that has something to say,
// which `applica` then reads. Lines read by `veloce` go into the table of records one after
// another, and nothing else is noted of them but what the line after needs (the places and
// values a message would name are read again from its line if one ever does); after the last
// of them the reading stands as the one-pass reading of each would leave it. A record read by
// `applica` is refused or kept as leggi_record and leggi_e_ricorda refuse or keep it. Nothing
// else is said of such a line: it is what it spells, and its values end on its own line.
// False, and nothing read, when the reading does not stand at such a line.
template <typename A, typename V, typename D, typename W, typename... C>
bool leggi_riga_semplice(stato_lettura& s, parola_recente<A, V>& recente, D di_numeri, W di_veloce, C&... cursori) {
  using nota = typename parola_recente<A, V>::parola_nota;
  lettore_testo& t = s.testo;
  riga_semplice r;
  if (recente.ultima->forma == nullptr || !t.stessa_parola(r, recente.ultima->parola)) {
    const uint64_t primi = t.primi_byte();
    nota* trovata = nullptr;
    for (nota& n : recente.note) {
      if (n.forma != nullptr && n.primi_byte == primi && t.stessa_parola(r, n.parola)) {
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
      const size_t k = r.parola.size();
      int32_t dalla_parola = 0;
      const V veloce = forma->campi.size() == 2 && k >= 4 && k <= 16 ? di_veloce(s, *forma, r.parola, dalla_parola) : nullptr;
      *trovata = {primi, r.parola, forma, applica, veloce, dalla_parola};
      if (k >= 8) {
        std::memcpy(&trovata->testa, r.parola.data(), 8);
        std::memcpy(&trovata->coda, r.parola.data() + k - 8, 8);
      } else if (k >= 4) {
        uint32_t a = 0, b = 0;
        std::memcpy(&a, r.parola.data(), 4);
        std::memcpy(&b, r.parola.data() + k - 4, 4);
        trovata->testa = a;
        trovata->coda = b;
      }
    }
    recente.ultima = trovata;
  }
  if (recente.ultima->veloce != nullptr && leggi_righe_veloci(s, recente, cursori...)) return true;
  const nota& ultima = *recente.ultima;
  const formato::record& forma = *ultima.forma;
  const size_t n = forma.campi.size();
  int32_t v[NUMERI_SEMPLICI];
  if (!t.numeri_semplici(r, v, n)) return false;
  entra_riga_semplice(s, forma, r, v, n);
  leggi_record(s, [&] {
    const esito_record e = ultima.applica(s, cursori..., v);
    if (e == esito_record::prosegui) ricorda_numeri(s, forma, v, n);
    return e;
  });
  return true;
}

}  // namespace scenario
