// The editor's side of the language server, without JSON: the framing of the messages,
// the open texts and their edits, and the translation between the protocol's positions
// (UTF-16 code units or UTF-8 bytes of a line of Unicode text) and the columns of the
// diagnostics (characters of the ISO 8859-1 text the reading made of it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/diagnostica.h"
#include "text/righe.h"
#include "text/righe_record.h"

namespace scenario::lsp {

// A message or a text beyond this is refused whole, never held in memory: the largest
// scenario's two texts are about 1.4 MB.
inline constexpr size_t LIMITE_MESSAGGIO = size_t{64} << 20;

// Splits the byte stream of standard input into message bodies ("Content-Length: N",
// other header lines, an empty line, then N bytes). Bytes come in whatever pieces the
// pipe gives; a body over LIMITE_MESSAGGIO is counted off and dropped as it passes. After a
// header without a valid length the stream is read on from the next "Content-Length": the
// body of the broken message, whose end nothing tells, is passed over with it.
class cornici {
 public:
  struct evento {
    enum class tipo { messaggio, rifiutato, intestazione_errata } quale;
    std::string corpo;  // the body of a message
    messaggio motivo{};  // what is wrong, for the others
  };

  void aggiungi(std::string_view byte);
  // The next complete event, or nothing until more bytes come.
  std::optional<evento> prossimo();

 private:
  std::string attesa_;  // bytes received and not yet taken
  size_t inizio_ = 0;   // where in `attesa_` the untaken bytes begin
  bool in_corpo_ = false;
  size_t lunghezza_ = 0;  // of the body being read
  bool scarta_ = false;   // the body being read is over the limit
  size_t scartati_ = 0;
  bool cerca_intestazione_ = false;  // after a broken header: the next one is looked for
};

// How a client counts characters in a line.
enum class unita { utf16, utf8 };

struct posizione {
  int64_t riga = 0;       // 0-based
  int64_t carattere = 0;  // units from the start of the line
  bool operator==(const posizione&) const = default;
};

struct intervallo {
  posizione inizio;
  posizione fine;
  bool operator==(const intervallo&) const = default;
};

// The first byte of the lines a caller asks for, counted from 0 as the protocol counts
// them: the core's search over the line ends (text/righe.h), from the line found last.
class righe_testo {
 public:
  explicit righe_testo(std::string_view testo) : righe_(testo) {}
  // The first byte of line `riga` (0-based); nothing past the last line.
  std::optional<size_t> inizio(int64_t riga) {
    if (riga < 0 || riga == INT64_MAX) return std::nullopt;
    return righe_.inizio(riga + 1);
  }
  // The line without its line end; empty past the last line.
  std::string_view riga(int64_t riga) { return riga < 0 || riga == INT64_MAX ? std::string_view() : righe_.riga(riga + 1); }

 private:
  scenario::righe_testo righe_;
};

// The byte offset in a UTF-8 line of the character at `unita_` units from its start; the
// line's length when it holds fewer.
size_t byte_da_unita(std::string_view riga_utf8, int64_t quante, unita u);
// The units before byte `byte` of a UTF-8 line.
int64_t unita_fino_a(std::string_view riga_utf8, size_t byte, unita u);

// The byte offset in a UTF-8 text of a protocol position (past the end of a line: the end
// of that line; past the last line: the end of the text).
size_t offset_di(std::string_view testo, const std::vector<size_t>& inizi, posizione p, unita u);

// Replaces the range of a UTF-8 text by `nuovo` (an incremental change). False, and the
// text unchanged, when the result would exceed LIMITE_MESSAGGIO.
bool applica_modifica(std::string& testo, const intervallo& r, std::string_view nuovo, unita u);

// A description text as the reading saw it, for placing its diagnostics: the bytes handed
// to the reading (held by the caller while this lives) and what their columns count.
class colonne_testo {
 public:
  explicit colonne_testo(std::string_view byte) : byte_(byte), righe_(byte) {}
  // A diagnostic's place (1-based line and columns) as a protocol range; a place without a
  // column covers the whole line, one without an end the rest of the item.
  // The text is looked at only when a diagnostic is placed: a check without diagnostics
  // costs nothing here.
  intervallo intervallo_di(const luogo_testo& l, unita u);

 private:
  // The line in UTF-8; a column of the reading is one character of it.
  std::string riga_utf8(int64_t riga);

  std::string_view byte_;
  righe_testo righe_;
  std::optional<bool> utf8_;  // the bytes are UTF-8 (the editor's text), not ISO 8859-1
  bool con_bom_ = false;      // and begin with a byte-order mark, which the reading passes over
};

// How the system writes a path, as the server keeps it: POSIX ("/home/a/x.txt"), or
// Windows with '/' between the names, which Windows takes as well ("C:/a/x.txt", the drive
// letter in upper case; a network share "//server/share/x.txt").
enum class forma_percorsi { posix, windows };

// The path of a file: URI as every editor sends it, escapes (%20, %3A) decoded: on
// Windows with a drive letter in either case, escaped or not ("file:///c%3A/...",
// "file:///C:/..."), or a share's host ("file://server/share/..."). Empty for any other
// URI, and for another host's file on POSIX.
std::string percorso_da_uri(std::string_view uri, forma_percorsi forma);
// The file: URI of an absolute path, with the characters outside the unreserved set
// escaped but a drive's colon.
std::string uri_da_percorso(std::string_view percorso, forma_percorsi forma);

}  // namespace scenario::lsp
