// The one layout of a description text: each record's values in columns, per section and
// record kind, numbers to the right as the embedded texts are written. Notes, headers,
// blank lines, line ends and the author's words (a name, a board's text) stay as they
// are. Laying out twice changes nothing; a layout that would change what the compiler
// makes of the pair is refused.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/formato.h"
#include "nucleo/compilazione.h"

namespace scenario::lsp {

// The text laid out (the bytes of either encoding: only blanks around commas change).
std::string impagina(std::string_view testo, formato::testo t);

struct impaginato {
  std::string testo;                   // the text laid out
  std::optional<std::string> rifiuto;  // why it may not replace the text
};
// The text `quale` of the pair `q` laid out, and the pair compiled before and after in
// memory: refused when the compiled files or the diagnostics would differ, or when the
// text could not be read.
impaginato impagina_controllato(const richiesta& q, formato::testo quale);

}  // namespace scenario::lsp
