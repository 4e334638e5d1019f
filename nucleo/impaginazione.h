// The one layout of a description text: each record's values in columns, per section and
// record kind, numbers to the right as the embedded texts are written. Notes, headers,
// blank lines, line ends and the author's words (a name, a board's text) stay as they
// are. Laying out twice changes nothing; a layout that would change what the compiler
// makes of the pair is refused.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/formato.h"
#include "nucleo/compilazione.h"

namespace scenario {

// The text laid out (the bytes of either encoding: only blanks around commas change).
std::string impagina(std::string_view testo, formato::testo t);

// A line of a text as the layout takes it. The lines of one record kind in one section
// share their columns: the keyword's, then each value's, numbers to the right.
struct riga_in_colonne {
  const formato::record* r = nullptr;      // the record the line holds; none: kept as written
  int64_t sezione = -1;                    // the section it stands in, one number for each
  std::vector<std::string_view> elementi;  // the keyword, then the values, without blanks around
  std::string_view scritta;                // the line as written, kept when it has fewer than two items
  std::string_view testo;   // from the record's text value (a name) to the line's end, as written
  std::string_view nota;    // what follows the last value, from where it ends; empty for nothing
  std::string_view a_capo;  // the line's end
};
// The lines laid out in columns, each followed by its line end; `attesi` bytes are made
// room for.
std::string in_colonne(std::span<const riga_in_colonne> righe, size_t attesi = 0);

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

// What the layout changes: from byte `da` of line `riga_da` to byte `a` of line `riga_a`
// of the text as written (bytes of those lines, without their line ends) becomes `nuovo`.
struct modifica_testo {
  int64_t riga_da = 0;
  size_t da = 0;
  int64_t riga_a = 0;
  size_t a = 0;
  std::string nuovo;
};
// The changes that make `prima` into `dopo`; both texts have the same lines, ended alike
// (a text and its layout), nothing when they do not. A few changed lines are one change
// each, of the part of the line that changes (the layout moves blanks alone, so that is
// one stretch of it); many are changed a stretch of lines at a time, which editors apply
// faster than as many changes as lines.
std::optional<std::vector<modifica_testo>> modifiche_righe(std::string_view prima, std::string_view dopo);

// Up to this many changed lines are changed one by one.
inline constexpr size_t RIGHE_UNA_A_UNA = 200;
// Beyond, a change covers at most this many lines.
inline constexpr int64_t RIGHE_PER_BLOCCO = 400;

}  // namespace scenario
