// The one layout of a description text: each record's values in columns, per section and
// record kind, numbers to the right as the embedded texts are written. Notes, headers,
// blank lines, line ends and the author's words (a name, a board's text) stay as they
// are. Laying out twice changes nothing; a layout that would change what the compiler
// makes of the pair is refused.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/formato.h"
#include "nucleo/compilazione.h"

namespace scenario::lsp {

// The text laid out (the bytes of either encoding: only blanks around commas change).
std::string impagina(std::string_view testo, formato::testo t);

// Lines `da` to `a` (0-based, both included) of a text laid out, the others as written.
struct righe_scelte {
  int64_t da = 0;
  int64_t a = 0;
};

struct impaginato {
  std::string testo;                   // the text laid out
  std::optional<std::string> rifiuto;  // why it may not replace the text
};
// The text `quale` of the pair `q` laid out (only the lines `righe`, when given), and the
// pair compiled before and after in memory: refused when the compiled files or the
// diagnostics would differ, or when the text could not be read.
impaginato impagina_controllato(const richiesta& q, formato::testo quale,
                                std::optional<righe_scelte> righe = std::nullopt);

// What the layout changes in one line: bytes `da` to `a` of the line as written become
// `nuovo` (the layout moves blanks alone, so a line's change is one stretch of it).
struct modifica_riga {
  int64_t riga = 0;
  size_t da = 0;
  size_t a = 0;
  std::string nuovo;
};
// The changes that make `prima` into `dopo`, line by line, for the lines that differ; both
// texts have the same lines, ended alike (a text and its layout). Nothing when they do not.
std::optional<std::vector<modifica_riga>> modifiche_righe(std::string_view prima, std::string_view dopo);

}  // namespace scenario::lsp
