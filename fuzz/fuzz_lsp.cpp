// Fuzz target of the language server: the input is what a client writes on the server's
// standard input, framed messages ("Content-Length: N", an empty line, N bytes), cut
// into pieces as a pipe may deliver them. The server starts initialized by a client that
// takes everything it offers (snippets, markdown, inlay hints, watched files), with a
// small line text and a run text on its (in-memory) disk beside the texts a message may
// open, so that changes, saves, renames and formatting reach the compile core with a
// partner.
//
// Byte 0 chooses the size of the pieces (1 to 256 bytes, 0: all at once); the rest is
// the stream. Besides what the sanitizers catch, the target stops the run when the server
// answers anything but a JSON-RPC object with "jsonrpc": "2.0", or an answer without a
// framing the client could read back (the server never produces a body over the limit).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "lsp/server.h"
#include "lsp/testi.h"

namespace {

using namespace scenario::lsp;

class disco_memoria : public disco {
 public:
  std::optional<std::string> leggi(const std::string& p, std::string*) override {
    if (p == "/s/Valle_linea.txt") {
      return std::string(
          "[generale]\r\nlunghezza percorso, 6000\r\nprogressiva chilometrica uno, 0, 12000, 0\r\n"
          "[pendenze]\r\npendenza, 0, 0\r\npendenza, 1000, 5\r\n[fine]\r\n");
    }
    if (p == "/s/Valle_R9-.txt") return std::string("[generale]\r\n[stazioni]\r\nstazione, 100\r\n[fine]\r\n");
    return std::nullopt;
  }
  std::vector<std::string> nomi(const std::string& cartella) override {
    if (cartella == "/s") return {"Valle_linea.txt", "Valle_R9-.txt"};
    return {};
  }
  forma_percorsi forma() const override { return forma_percorsi::posix; }
  std::optional<std::string> scrivi_pagina(const std::string& nome, std::string_view, std::string*) override {
    return "/pagine/" + nome;
  }
  std::string ora() override { return ""; }
};

void controlla(const std::string& risposta) {
  // Every answer is one object of the protocol's version.
  if (risposta.size() > LIMITE_MESSAGGIO || risposta.rfind("{\"", 0) != 0 ||
      risposta.find("\"jsonrpc\":\"2.0\"") == std::string::npos) {
    std::fprintf(stderr, "risposta non valida: %.200s\n", risposta.c_str());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t dimensione) {
  if (dimensione == 0) return 0;
  disco_memoria d;
  server s(d);
  for (const std::string& r : s.ricevi(std::string(
           R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{"capabilities":{)"
           R"("textDocument":{"completion":{"completionItem":{"snippetSupport":true}},)"
           R"("hover":{"contentFormat":["markdown"]},"inlayHint":{}},)"
           R"("workspace":{"didChangeWatchedFiles":{"dynamicRegistration":true}}}}})"))) {
    controlla(r);
  }
  const size_t pezzo = dati[0] == 0 ? dimensione : dati[0];
  const std::string_view flusso(reinterpret_cast<const char*>(dati) + 1, dimensione - 1);
  cornici c;
  for (size_t i = 0; i < flusso.size() && !s.uscita(); i += pezzo) {
    c.aggiungi(flusso.substr(i, pezzo));
    std::vector<std::string> corpi;
    while (auto e = c.prossimo()) {
      if (e->quale == cornici::evento::tipo::messaggio) {
        corpi.push_back(std::move(e->corpo));
      } else {
        controlla(s.rifiutato(e->motivo));
      }
    }
    for (const std::string& r : s.ricevi(corpi)) controlla(r);
  }
  return 0;
}
