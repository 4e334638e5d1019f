// What the language server tells about a text, without JSON: the hover over a record or a
// value, the completions where the cursor stands, and the outline. Every word of it comes
// from the one description of the records (model/formato.h). Texts are UTF-8, as the
// editor holds them; places are lines and byte offsets within them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/formato.h"
#include "text/righe_record.h"

namespace scenario::lsp {

// Which description text a file is, by the names the compiler reads from: "_linea.txt"
// for the line, "-.txt" for a run. Nothing for any other name.
std::optional<formato::testo> tipo_da_nome(std::string_view nome_file);

// A kilometre numbering of the line after the reading has ordered them (table entries 81
// to 83): from `inizio` on, the count `valore` at the origin, up or down (`flag` 1).
struct progressiva {
  int32_t inizio = 0;
  int32_t valore = 0;
  int32_t flag = 0;
};
using progressive = std::array<progressiva, 3>;

// The cell a record written at `p` lands on: an object's own cell, round(p / 50 + its
// offset); round(p / 50) for the profiles and the mountain-side stretches, which fill from
// there; round(p / 50 + 1) for the rest.
int64_t cella_di(const formato::record& r, int64_t p);

// "km 149+400": the kilometre of line position `p` under the numbering that holds there.
std::optional<std::string> chilometro(const progressive& km, int64_t p);

// The record a line holds, by the reading's own test in the section the line stands in.
const formato::record* record_della_riga(std::string_view testo, int64_t riga, formato::testo t);

// A text for the editor in the two forms the protocol knows: markdown, and plain text for
// the clients that show nothing else.
struct testo_doppio {
  std::string markdown;
  std::string semplice;

  testo_doppio& testo(std::string_view s);    // the catalogue's words: `a code span` in markdown
  testo_doppio& forte(std::string_view s);    // a name: bold in markdown
  testo_doppio& codice(std::string_view s);   // something written in a text: a code span
  testo_doppio& separatore();                 // a rule between two parts
};

struct testo_hover {
  testo_doppio contenuto;
  elemento dove;  // the item it describes, in its line
};
std::optional<testo_hover> hover(std::string_view testo, int64_t riga, size_t byte, formato::testo t,
                                 const std::optional<progressive>& km);

struct completamento {
  std::string etichetta;
  std::string dettaglio;
  testo_doppio documentazione;
  std::string inserisci;  // a snippet: ${1:p} for each value
  std::string semplice;   // the same for a client without snippets: the keyword and the commas
  bool sezione = false;   // a section header rather than a keyword
  bool valore = false;    // a value of the record the cursor stands in
};
struct completamenti_riga {
  std::vector<completamento> voci;
  size_t da = 0;  // byte of the line where the completed item begins
};
// On a line's first item: the section headers, and the records of the section the line
// stands in (a record of a general section the text holds already is not offered again).
// On a value: the values the field means, when the description leaves few (a flag, a
// digit), each with what the field means.
completamenti_riga completamenti(std::string_view testo, int64_t riga, size_t byte, formato::testo t);

// The values worth offering for a field: those of its range that it means and that an
// author means, when they are at most ten; none otherwise.
std::vector<int64_t> valori_da_offrire(const formato::campo& c);

// An entry of the outline: a section with the objects written in it.
struct simbolo {
  enum class tipo { sezione, stazione, cartello, oggetto } quale = tipo::oggetto;
  std::string nome;
  std::string dettaglio;
  int64_t riga_da = 0;
  int64_t riga_a = 0;      // last line, inclusive
  elemento selezione;      // in line `riga_da`
  std::vector<simbolo> figli;
};
std::vector<simbolo> simboli(std::string_view testo, formato::testo t);

// The record of a line and the value the cursor is on, for the signature help: `campo` is
// the index of the value among the record's fields, nothing on the keyword.
struct firma_riga {
  const formato::record* r = nullptr;
  std::optional<size_t> campo;
};
std::optional<firma_riga> firma(std::string_view testo, int64_t riga, size_t byte, formato::testo t);
// True when a line holds nothing after byte `byte` but blanks and commas: a record whose
// values are being written there.
bool da_riempire(std::string_view riga, size_t byte);
// A field's unit and the values an author may write: "km/h, da 0 a 255".
std::string unita_e_limiti(const formato::campo& c);
testo_doppio descrivi_campo(const formato::record& r, const formato::campo& c, std::string_view scritto);

// A short label after a value: the kilometre after a position, the unit after a value
// that has one. `byte` is the end of the value in its line.
struct suggerimento {
  int64_t riga = 0;
  size_t byte = 0;
  std::string testo;
};
std::vector<suggerimento> suggerimenti(std::string_view testo, int64_t da, int64_t a, formato::testo t,
                                       const std::optional<progressive>& km);

// The lines a section spans, header included, for folding.
struct piega {
  int64_t da = 0;
  int64_t a = 0;
};
std::vector<piega> pieghe(std::string_view testo, formato::testo t);

// What each part of a line is, as the reading takes it: a section header, a record's known
// keyword, a keyword the reading does not know (an item at the start of a line followed by
// a number: it warns there), a number, a text value, a note.
enum class gettone { sezione, parola, parola_sconosciuta, numero, testo, nota };
struct pezzo {
  int64_t riga = 0;
  elemento dove;
  gettone quale = gettone::nota;
};
// Those of lines `da` to `a` (both included) alone, when given.
std::vector<pezzo> pezzi(std::string_view testo, formato::testo t, int64_t da = 0, int64_t a = INT64_MAX);

}  // namespace scenario::lsp
