// Going from a record to the records it touches along the line: a station and the signals,
// slow-downs and boards within its area, a signal and the station or slow-down it stands
// in, two objects on one cell. Read from the texts alone, by the one description of the
// records (model/formato.h): each record placed along the line covers a stretch of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/contenuti.h"
#include "model/formato.h"

namespace scenario::lsp {

// A record of a text and the stretch of the line it covers, in metres, both ends included:
// a station its area, a slow-down, a curve or a mountain-side stretch from its start over
// its length or to its end, an object put on a cell that cell's metres, any other record
// the metre it is written at.
struct record_posto {
  int64_t riga = 0;
  const formato::record* r = nullptr;
  elemento parola;                // its keyword, in its line
  std::optional<elemento> nome;   // its name (a station's, a board's text), when written
  int64_t posizione = 0;          // as written
  int64_t da = 0;
  int64_t a = 0;
  bool tratto = false;            // it covers a stretch of its own, not a point or a cell
};

// Every record of a text that stands at a written position, in the order of the text.
std::vector<record_posto> records_posti(std::string_view testo, formato::testo t);

// Whether two records touch: their stretches meet.
inline bool toccano(const record_posto& x, const record_posto& y) { return x.da <= y.a && y.da <= x.a; }

// The record whose line is `riga`, among `records`.
const record_posto* record_in_riga(const std::vector<record_posto>& records, int64_t riga);

// The name item of line `riga` that byte `byte` stands on, with the record it names.
const record_posto* nome_in(const std::vector<record_posto>& records, int64_t riga, size_t byte);

}  // namespace scenario::lsp
