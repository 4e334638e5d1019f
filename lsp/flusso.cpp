// The language server's edge: standard input and output, and the partner texts on disk.
#include <algorithm>
#include <chrono>
#include <thread>
#include <ctime>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "lsp/server.h"
#include "lsp/testi.h"
#include "piattaforma/piattaforma.h"
#include "piattaforma/sostituzione.h"

namespace scenario::lsp {

namespace {

namespace fs = std::filesystem;

class disco_file : public disco {
 public:
  std::optional<std::string> leggi(const std::string& percorso, std::string* perche) override {
    try {
      return leggi_file(sistema::percorso(percorso));  // regular files of at most 64 MiB only
    } catch (const errore_file& e) {
      if (perche != nullptr) *perche = e.motivo();
    } catch (const std::exception& e) {
      if (perche != nullptr) *perche = e.what();
    }
    return std::nullopt;
  }

  std::vector<std::string> nomi(const std::string& cartella) override {
    std::vector<std::string> trovati;
    std::error_code ec;
    for (fs::directory_iterator it(sistema::percorso(cartella), ec), fine; !ec && it != fine; it.increment(ec)) {
      trovati.push_back(sistema::testo(it->path().filename()));
    }
    return trovati;
  }

  forma_percorsi forma() const override {
    return sistema::percorsi_di_windows() ? forma_percorsi::windows : forma_percorsi::posix;
  }

  std::optional<std::string> scrivi_pagina(const std::string& nome, std::string_view byte, std::string* perche) override {
    try {
      if (!pagine_) pagine_.emplace("compila_scenario");
      const fs::path file = pagine_->percorso() / sistema::percorso(nome);
      sostituisci_file(file, byte);
      std::string p = sistema::testo(file);
      if (forma() == forma_percorsi::windows) std::replace(p.begin(), p.end(), '\\', '/');
      return p;
    } catch (const errore_file& e) {
      if (perche != nullptr) *perche = e.motivo();
    } catch (const std::exception& e) {
      if (perche != nullptr) *perche = e.what();
    }
    return std::nullopt;
  }

  std::string ora() override {
    const std::tm locale = sistema::ora_locale(std::time(nullptr));
    char testo[16];
    std::strftime(testo, sizeof testo, "%H:%M:%S", &locale);
    return testo;
  }

 private:
  std::optional<cartella_privata> pagine_;  // the pages' folder, once one is written
};

bool invia(std::ostream& uscita, const std::string& corpo) {
  uscita << "Content-Length: " << corpo.size() << "\r\n\r\n" << corpo;
  return static_cast<bool>(uscita);
}

// True when nothing comes on `ingresso` for QUIETE.
bool quiete(int ingresso) {
  constexpr auto QUIETE = std::chrono::milliseconds(150);
  constexpr auto PASSO = std::chrono::milliseconds(10);
  for (auto atteso = std::chrono::milliseconds(0); atteso < QUIETE; atteso += PASSO) {
    if (sistema::altro_in_arrivo(ingresso)) return false;
    std::this_thread::sleep_for(PASSO);
  }
  return !sistema::altro_in_arrivo(ingresso);
}

}  // namespace

std::unique_ptr<disco> disco_di_sistema() { return std::make_unique<disco_file>(); }

int servi_lsp(int ingresso, std::ostream& uscita, disco& d) {
  // An editor that goes away closes the pipe: the write fails, and the server ends.
  sistema::scrittura_su_tubo_chiuso_fallisce();
  server s(d);
  cornici c;
  std::vector<char> blocco(size_t{1} << 16);
  // Everything that has arrived is read before it is answered, so that a cancellation
  // finds its request still waiting; a batch stops at 16 MiB.
  constexpr size_t LOTTO = size_t{16} << 20;
  while (true) {
    size_t letti = 0;
    bool fine = false;
    do {
      const size_t n = sistema::leggi_ingresso(ingresso, blocco.data(), blocco.size());
      if (n == 0) {
        fine = true;
        break;
      }
      c.aggiungi(std::string_view(blocco.data(), n));
      letti += n;
    } while (letti < LOTTO && sistema::altro_in_arrivo(ingresso));
    std::vector<std::string> corpi;
    while (auto e = c.prossimo()) {
      if (e->quale == cornici::evento::tipo::messaggio) {
        corpi.push_back(std::move(e->corpo));
      } else if (!invia(uscita, s.rifiutato(e->motivo))) {
        return 1;
      }
    }
    for (const std::string& risposta : s.ricevi(corpi)) {
      if (!invia(uscita, risposta)) return 1;
    }
    uscita.flush();
    // The answers are out; what can wait (the page beside the texts, which takes the
    // largest scenario a quarter of a second) is done once nothing has come for a moment:
    // an author typing is not held up by it.
    if (!fine && !s.uscita() && s.attende_quiete() && quiete(ingresso)) {
      for (const std::string& messaggio : s.in_quiete()) {
        if (!invia(uscita, messaggio)) return 1;
      }
      uscita.flush();
    }
    if (s.uscita()) return *s.uscita();
    if (fine) return 1;  // the input ended without "exit"
  }
}

}  // namespace scenario::lsp
