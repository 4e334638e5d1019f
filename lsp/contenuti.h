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

// "km 149+400": the kilometre of line position `p` under the numbering that holds there.
std::optional<std::string> chilometro(const progressive& km, int64_t p);

// One comma-separated item of a line: its bytes without the blanks around it.
struct elemento {
  size_t da = 0;
  size_t a = 0;
};
// The items of a line as the reading splits a record: the keyword, then the values; the
// value of a text field (a name) runs to the end of the line.
std::vector<elemento> elementi_riga(std::string_view riga, const formato::record* r);

// The record a line holds, by the reading's own test in the section the line stands in.
const formato::record* record_della_riga(std::string_view testo, int64_t riga, formato::testo t);

struct testo_hover {
  std::string markdown;
  elemento dove;  // the item it describes, in its line
};
std::optional<testo_hover> hover(std::string_view testo, int64_t riga, size_t byte, formato::testo t,
                                 const std::optional<progressive>& km);

struct completamento {
  std::string etichetta;
  std::string dettaglio;
  std::string documentazione;
  std::string inserisci;  // a snippet: ${1:p} for each value
  bool sezione = false;   // a section header rather than a keyword
};
struct completamenti_riga {
  std::vector<completamento> voci;
  size_t da = 0;  // byte of the line where the completed item begins
};
completamenti_riga completamenti(std::string_view testo, int64_t riga, size_t byte, formato::testo t);

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

}  // namespace scenario::lsp
