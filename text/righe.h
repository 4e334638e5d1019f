// Where the lines of a text begin, found only when a place is asked for: a line's first byte
// from a line already known, by counting the line ends between them, sixty-four bytes at a
// step. A text's lines are never indexed whole: one diagnostic at the end of a long text
// costs a count of its line ends, and the next one near it almost nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace scenario {

// How many line ends (CR LF, a lone LF, a lone CR: as the reading counts them) end in bytes
// `da` to `a` - 1 of `testo`: a CR LF is counted at its LF.
size_t fini_riga(std::string_view testo, size_t da, size_t a);

// The byte after the `quante`-th line end that ends from byte `da` on (1 the first), when
// there are so many.
std::optional<size_t> dopo_fini_riga(std::string_view testo, size_t da, size_t quante);

// The first byte of the line that holds byte `byte`: the byte after the line end before it,
// or 0.
size_t inizio_della_riga(std::string_view testo, size_t byte);

// The first byte of the lines a caller asks for, found from the line found last, forwards
// or backwards, or from the text's start when that is nearer: a text's lines are asked for
// mostly in order, a few at a time, and most are never asked for at all.
class righe_testo {
 public:
  explicit righe_testo(std::string_view testo) : testo_(testo) {}
  // The first byte of line `riga` (1-based); nothing past the last line. A text that ends
  // with a line end has one more line, empty.
  std::optional<size_t> inizio(int64_t riga);
  // The line without its line end; empty past the last line.
  std::string_view riga(int64_t riga);

 private:
  std::string_view testo_;
  int64_t riga_ = 1;  // a line already found, and its first byte
  size_t byte_ = 0;
};

}  // namespace scenario
