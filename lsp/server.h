// The language server: the editor's open texts checked by the same compile core as the
// command line, after every change (a line text with every open run text of it, partners
// followed on disk), with hover, completion, signature help, inlay hints, folding,
// semantic colours, fixes, the outline and the layout.
// The server turns message bodies into message bodies; reading and writing standard
// input and output, reading a partner text from disk and writing the page beside the
// texts are the caller's (`servi_lsp` for the program, the tests for themselves). It
// writes no other file.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/messaggio.h"

namespace scenario::lsp {

enum class forma_percorsi;

// What the server may ask of the file system: a text that is not open in the editor (the
// partner of an open one), and the names in a folder (to find that partner).
class disco {
 public:
  virtual ~disco() = default;
  // The bytes of a regular file of at most 64 MiB, or nothing, and then in `perche` (when
  // given) why not, as the command line says it.
  virtual std::optional<std::string> leggi(const std::string& percorso, std::string* perche = nullptr) = 0;
  // The names of the files of a folder (not their paths).
  virtual std::vector<std::string> nomi(const std::string& cartella) = 0;
  // How the system writes paths, and so the paths the server asks for.
  virtual forma_percorsi forma() const = 0;
  // Writes a page of the open texts as the file `nome` of a folder of the server's own
  // (made when first written to, gone with the server), replacing it whole at once: the
  // file's path, or nothing, and then in `perche` why not. The one file the server writes.
  virtual std::optional<std::string> scrivi_pagina(const std::string& nome, std::string_view byte,
                                                   std::string* perche = nullptr) = 0;
  // The time of day ("14:05:09"), for the mark of a page.
  virtual std::string ora() = 0;
};

class server {
 public:
  explicit server(disco& d);
  ~server();
  server(const server&) = delete;
  server& operator=(const server&) = delete;

  // Takes one batch of messages as they arrived together: a cancellation in the batch
  // reaches a request before it. Returns the bodies to send, in order.
  std::vector<std::string> ricevi(const std::vector<std::string>& corpi);
  // One message alone.
  std::vector<std::string> ricevi(const std::string& corpo) { return ricevi(std::vector<std::string>{corpo}); }
  // What is left for when no message waits, after the answers have gone: the pages kept
  // beside the texts, written again for the checks made since. Returns what to send.
  std::vector<std::string> in_quiete();
  // Whether there is any such work.
  bool attende_quiete() const;
  // What to send for a message refused before it was read (too long, a broken header).
  std::string rifiutato(const messaggio& motivo);

  // The exit status once the client said "exit": 0 after a shutdown, 1 without.
  std::optional<int> uscita() const;

 private:
  struct stato;
  std::unique_ptr<stato> s_;
};

// The file system as the program sees it.
std::unique_ptr<disco> disco_di_sistema();

// The server on a byte stream (standard input and output for --lsp): reads until the
// client's exit or the end of the input, and returns the exit status.
int servi_lsp(int ingresso, std::ostream& uscita, disco& d);

}  // namespace scenario::lsp
