// The lines of a description text as the editor and the formatter see them: where each
// begins, the section it stands in and the record it holds, and the comma-separated items
// of a record line, by the reading's own tests and the one description of the format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/formato.h"

namespace scenario {

// The byte after the line end that follows byte `da` (CR LF, LF or a lone CR, as the
// reading counts them), or nothing when no line end does.
std::optional<size_t> dopo_fine_riga(std::string_view testo, size_t da);

// Where each line of a text begins.
std::vector<size_t> inizi_righe(std::string_view testo);

// The line `riga` (0-based) of `testo`, without its line end; empty past the last line.
std::string_view riga_di(std::string_view testo, const std::vector<size_t>& inizi, int64_t riga);

// One comma-separated item of a line: its bytes without the blanks around it.
struct elemento {
  size_t da = 0;
  size_t a = 0;
};
// Bytes `da` to `a` of a line without the blanks (spaces, tabs) around them.
elemento senza_spazi_attorno(std::string_view riga, size_t da, size_t a);

// The items of a line as the reading splits a record: the keyword, then the values; the
// value of a text field (a name) runs to the end of the line. The record's last value, a
// number, ends at a blank: what follows it is a note.
std::vector<elemento> elementi_riga(std::string_view riga, const formato::record* r);
// What stands on the line after its items, which the reading passes over (a note after the
// last number): without the blanks around it; empty (da == a) when nothing does.
elemento nota_dopo_valori(std::string_view riga, const std::vector<elemento>& elementi);

// The section a header line opens ("[stazioni]", in lower case), or nothing for any other
// line.
std::optional<std::string> intestazione_di(std::string_view riga);
// Which records a section holds: the line's opening ones in its "[generale]", the body's
// everywhere else.
formato::ambito ambito_della_sezione(formato::testo t, std::string_view sezione);
// The record a line holds in `sezione`, by the reading's own test; none for a header, a
// note, a blank line.
const formato::record* record_della_sezione(std::string_view riga, formato::testo t, std::string_view sezione);

// Each line of a text as the reading takes it: the section it stands in (its header's line,
// -1 before the first), and the record it holds (none for a header, a note, a blank line).
struct riga_letta {
  int64_t sezione = -1;
  const formato::record* r = nullptr;
};
std::vector<riga_letta> righe_lette(std::string_view testo, const std::vector<size_t>& inizi, formato::testo t);

}  // namespace scenario
