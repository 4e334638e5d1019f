// What every record of the two description texts is, written once: its keyword and how
// the reading recognises it, its values in order with name, unit, range and how each is
// stored in the compiled files; the words that say what each means, in every language,
// are the catalogue's (lingue/parole_formato.h). The reading's checks, the keyword suggestions, the
// views' decoding, the starting pair, the author's reference, the language server and the
// writer of texts all read it from here, so that none of them can tell an author something
// the others do not.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/modello.h"
#include "model/numeri.h"

namespace scenario::formato {

// Which description text a record or section belongs to.
enum class testo { linea, treno };

// How a value is read from the text.
enum class lettura : uint8_t {
  numero32,  // a number item into a 32-bit signed field
  numero16,  // into a 16-bit signed field
  numero8,   // into an 8-bit unsigned field
  testo,     // a text item that runs to the end of the line (a name, a board's text)
};

// ---- Where a value is kept in the compiled set ----------------------------------------

// A field of a compiled cell, in the track file's order.
enum class campo_cella : uint8_t {
  tipo, dato1, dato2, dato3, dato4, tempo, preavviso, montagna, velocita, pendenza, aderenza
};
// A field of a compiled table entry, in the table file's order.
enum class campo_voce : uint8_t {
  tipo, inizio, fine, posizione, opzione1, nome, valore1, valore2, valore3, valore4, valore5,
  opzione2, sosta, opzione3, opzione4, orario
};

// Where a value goes.
enum class sede : uint8_t {
  nessuna,      // it places the record (a position, a stretch's end), or is kept with another value
  voce,         // a field of a fixed table entry
  voce_propria, // a field of the table entry the record fills (a station's, a board's text)
  cella,        // a field of the record's object cell
  profilo,      // a per-cell field, from the record's cell up to the next record's
  tratto,       // a per-cell field over the record's own stretch
  piano,        // the plan's turn, metre by metre, over the record's length
  progressiva,  // one of the three kilometre numberings (entries 81 to 83, ordered)
};

// How an author's value becomes what its field keeps.
enum class codifica_campo : uint8_t {
  diretta,        // as written
  velocita,       // round(v / 5): steps of 5 km/h
  pendenza,       // g + 100
  coppia,         // 10 x this + the partner
  indicatore,     // round(this x 20 + partner / 5)
  segnale,        // this (rapp) x 10 + sx x 3 + dx
  tempo_segnale,  // 1 to 100 become 101; kept only when sx is 2
  orario,         // (this x 60 + minuti) x 60 + secondi
  montagna,       // above 10: less 10 (every fourth cell then left free)
  area,           // the station's area around its position, by kind
};

struct deposito {
  sede dove = sede::nessuna;
  uint8_t campo = 0;  // a campo_cella or a campo_voce, by `dove`
  uint8_t voce = 0;   // the entry, for sede::voce
  codifica_campo come = codifica_campo::diretta;
  // The other values of the record (by index) that the coding takes.
  std::array<int8_t, 2> con{-1, -1};
};

// A range of whole numbers, both ends included; the whole range of a 64-bit number when
// left as it is.
struct intervallo {
  int64_t minimo = INT64_MIN;
  int64_t massimo = INT64_MAX;
  constexpr bool contiene(int64_t v) const { return v >= minimo && v <= massimo; }
  constexpr bool tutto() const { return minimo == INT64_MIN && massimo == INT64_MAX; }
};

// One value of a record, in the order of the text.
struct campo {
  std::string_view nome;         // as the reference and the snippets name it
  std::string_view unita;        // "m", "km/h", "per mille", "s", or empty
  lettura letto;                 // how the item is read
  int64_t minimo;                // the range an author may write
  int64_t massimo;
  // The catalogue's number for a value above `massimo` and for one below `minimo` (0: the
  // width's own range is the only limit on that side). Whether it is an error (the value
  // is refused) or a warning (taken as written) is the catalogue's to say.
  int32_t numero_sopra;
  int32_t numero_sotto;
  deposito in_set{};             // where and how the compiled files keep it, for the checks
                                 // that look it up (the words of both: lingue/parole_formato.h)
  bool posizione_lungo_linea = false;  // a position along the line, in metres
  bool vuoto_ammesso = false;    // an empty item means 0 ("no second set")
  // An empty item means 0 only together with every other such value of its record left
  // empty: the second set of an indicator is there whole or not at all.
  bool vuoto_insieme = false;
  // The values the field means, within the range an author may write (the words that say
  // what they mean: "formato.<parola>.<campo>.senso" of the catalogue). Outside `inteso`
  // the compiled files would take the value for something the author did not mean (a
  // flag of 2 read as 0, a mountain-side type 0 that marks nothing): warning 325, an error
  // in author mode. Outside `solito` it is kept as written and means what it says, but an
  // author almost never means it (a speed limit of 0 km/h): warning 326.
  intervallo inteso{};
  intervallo solito{};
};

// True when `valore` is among the values `c` means, and among those an author means.
inline bool inteso(const campo& c, int64_t valore) { return c.inteso.contiene(valore); }
inline bool solito(const campo& c, int64_t valore) { return c.solito.contiene(valore); }
// True when the field says what its values mean beyond their range.
inline bool con_senso(const campo& c) { return !c.inteso.tutto() || !c.solito.tutto(); }

// Where a record may stand.
enum class ambito : uint8_t {
  generale,  // only inside the line text's [generale] section
  corpo,     // after the [generale] section
};

// One record kind.
struct record {
  std::string_view parola;  // the keyword as written
  testo in;
  ambito dove;
  // The words the keyword item must contain (one or two), and whether case counts.
  std::array<std::string_view, 2> parole;
  bool esatto;
  std::string_view sezione;  // the customary section it is written in
  std::span<const campo> campi;
  // Every keyword spelling that names this record exactly (the curve forms, the two
  // signal repetitions); the first is `parola`.
  std::span<const std::string_view> forme;
  // The cell kind of the object the record puts on the track (0: none), and the offset of
  // its cell: round(p / 50 + scarto).
  uint8_t tipo_oggetto = 0;
  int8_t scarto_cella = 1;
  std::string_view nome_oggetto = {};  // "il segnale", as a message names it
};

// A customary section header of a text.
struct sezione {
  std::string_view nome;  // "[generale]"
  testo in;
};

// Every record of a text in the reading's test order: the general records, then the body.
std::span<const record> records(testo t);
// The records the reading tests in one place of a text.
std::span<const record> records(testo t, ambito dove);
std::span<const sezione> sezioni(testo t);

// The position a record writes for an object that stands in cell `c`: the cell's start,
// the first position whose round(p / 50 + scarto) is `c`.
inline int64_t posizione_in_cella(const record& r, int64_t c) { return (c - r.scarto_cella) * 50; }

// The record whose keyword as written (or one of its forms) is `parola`, letters compared
// without regard to case.
const record* cerca(testo t, std::string_view parola);
// The record of `t` one of whose spellings is exactly `parola` (already in lower case, no
// blanks at either side), or nothing. No spelling of a record is recognised by another
// record's test, so such an item names that record alone.
const record* record_della_forma(testo t, std::string_view parola);
// The field named `nome` of `r`, or nothing.
const campo* cerca_campo(const record& r, std::string_view nome);

// True when the keyword item `parola` is recognised as `r` by the reading's own test.
bool riconosce(const record& r, std::string_view parola);

// How a record is written: "pendenza, p, g" (a template for the starting pair, the
// completion snippets and the reference).
std::string modello_record(const record& r);

// ---- Fields of the compiled set ----------------------------------------------------------

// The number a compiled field holds, widened (`nome` has none: 0).
int64_t valore_campo(const cella& c, campo_cella f);
int64_t valore_campo(const voce& v, campo_voce f);
// The number a field keeps for `valore`: its low 8 or 16 bits, by the field's width.
int64_t nel_campo(campo_cella f, int64_t valore);
int64_t nel_campo(campo_voce f, int64_t valore);
std::string_view nome_campo(campo_cella f);
std::string_view nome_campo(campo_voce f);

// What the field of value `indice` keeps, by its coding, from the values of its record
// (`valori` in the order of the text). Not for the station's area, which its kind decides.
int64_t codifica_valore(const campo& c, std::span<const int64_t> valori, size_t indice);
// The value as the set gives it back in the author's units, when the coding's step keeps
// it otherwise than written: a speed in steps of 5 km/h. Nothing when it is kept as
// written. (The format's own rules, a signal's time raised to 101, the options a short
// station has not, a stretch close to the one before taking type 3, are how it is kept.)
inline std::optional<int64_t> come_memorizzato(const campo& c, std::span<const int64_t> valori, size_t indice);

// What a field that keeps several values of its record in one number gives back from the
// number `codice` it holds: this value, then its partners in the order of `in_set.con`, in
// the author's units, as the texts given back read them. A signal's aspect sx x 3 + dx is
// the one its approach cells keep, here the one `valori` (the record's values) write.
// Nothing for a field that keeps one value.
struct valori_resi {
  std::array<int64_t, 3> valori{};
  size_t n = 0;
};
std::optional<valori_resi> resi_dal_campo(const campo& c, std::span<const int64_t> valori, int64_t codice);

// True when `valore` lies within the range an author may write for `c`.
inline bool entro_limiti(const campo& c, int64_t valore) {
  return valore >= c.minimo && valore <= c.massimo;
}

// The width's own range of a number item (32-bit, 16-bit signed, 8-bit unsigned).
std::pair<int64_t, int64_t> limiti_lettura(lettura l);

// ---- Codings of the compiled files -----------------------------------------------------
// Each pair turns an author's value into what a compiled field holds and back. The reading
// writes with the first, the views show with the second.

// A speed limit: round(v / 5) in the cell's `velocita`; shown back as km/h.
inline int32_t velocita_in_cella(int32_t kmh) { return static_cast<int32_t>(arrotonda_quoziente(kmh, 5)); }
inline int32_t velocita_da_cella(uint8_t codice) { return int32_t{codice} * 5; }

// A gradient in per mille: g + 100 in the cell's `pendenza`.
inline int32_t pendenza_in_cella(int32_t per_mille) { return per_mille + 100; }
inline int32_t pendenza_da_cella(uint8_t codice) { return int32_t{codice} - 100; }

// A maximum-speed indicator's pair of speeds: round(a x 20 + b / 5), that is hundreds of
// a / 5 and units of b / 5. Shown back in km/h, side a then side b.
int64_t indicatore_in_cella(int32_t kmh_a, int32_t kmh_b);
std::pair<int32_t, int32_t> indicatore_da_cella(int16_t codice);

// A pair of one-digit values of two sides kept as 10 x first + second (signal lights,
// indicator stripes).
inline int64_t coppia_in_cella(int64_t primo, int64_t secondo) { return primo * 10 + secondo; }
std::pair<int32_t, int32_t> coppia_da_cella(int16_t codice);

// A signal's code: rapp x 10 + sx x 3 + dx. Its aspect sx x 3 + dx also forms the
// approach codes (aspect x 10 + 1 to 4) of the cells before it.
inline int64_t codice_segnale(int64_t rapp, int64_t sx, int64_t dx) { return rapp * 10 + sx * 3 + dx; }
struct segnale_decodificato {
  int32_t rapp, sx, dx;
};
segnale_decodificato segnale_da_cella(int16_t codice);

// A mountain-side type as written: above 10 stands for type - 10 with free cells.
struct montagna_scritta {
  int32_t tipo;       // the type the cells keep
  bool celle_libere;  // every fourth cell left free for objects
};
montagna_scritta montagna_da_testo(int32_t tipo_scritto);
// Back: the type as written, from the type the cells keep and whether the stretch left
// free cells (kind 11).
inline int32_t montagna_come_scritta(int32_t tipo, bool celle_libere) { return celle_libere ? tipo + 10 : tipo; }

// A station's area around its position, by kind: kinds 5 and 6 end 150 m after it, kinds 7
// and 8 reach its length to either side, any other kind half its length to either side
// (and 50 m further when its third option is set).
struct area_stazione {
  int64_t inizio = 0;
  int64_t fine = 0;
};
area_stazione area_di_stazione(int64_t posizione, int64_t tipo, int64_t lunghezza, int64_t opzione3);
// Back from an area to what the station's record wrote: its length, and whether its third
// option was set (an ordinary station's area then ends 50 m further); nothing when no
// length gives the area.
struct area_scritta {
  int64_t lunghezza = 0;
  bool opzione3 = false;
};
std::optional<area_scritta> area_come_scritta(int64_t posizione, int64_t tipo, int64_t inizio, int64_t fine);
// The third option is kept only by an ordinary station that is not the first, the fourth
// only by one of 600 m or more that is not the first.
bool tiene_opzione3(int64_t tipo, bool prima);
bool tiene_opzione4(int64_t lunghezza, bool prima);

// A timetable time of day: (h x 60 + min) x 60 + s seconds.
inline int64_t orario_in_tabella(int64_t ore, int64_t minuti, int64_t secondi) {
  return (ore * 60 + minuti) * 60 + secondi;
}

// A kilometre numbering: `valore` is the count, in metres, at the line's origin; the
// numbering holds from `inizio` on, counting up, or down with flag 1. The kilometre of
// the line's position `p` under it.
inline int64_t chilometro_di(int64_t valore, int32_t flag, int64_t p) {
  return flag == 1 ? valore - p : valore + p;
}

// Curve classes: the turn per metre of each class digit 1 to 6, and its radius.
inline constexpr std::array<double, 6> CURVATURE{0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};
// The class whose turn per metre is `k` (either side), or nothing.
std::optional<int> classe_curva(double k);
// The radius of a class in metres (1 / turn per metre, rounded).
int32_t raggio_curva(int classe);
// The class of a turn per metre measured back from the plan's points, whose last bits
// the sums of the plan have blurred: the nearest class within a tenth of it, or nothing.
std::optional<int> classe_curva_misurata(double k);

inline std::optional<int64_t> come_memorizzato(const campo& c, std::span<const int64_t> valori, size_t indice) {
  if (c.in_set.come != codifica_campo::velocita) return std::nullopt;
  const int64_t v = indice < valori.size() ? valori[indice] : 0;
  const int64_t memorizzato = int64_t{velocita_in_cella(static_cast<int32_t>(v))} * 5;
  if (memorizzato == v) return std::nullopt;
  return memorizzato;
}

}  // namespace scenario::formato
