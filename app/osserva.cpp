#include "app/osserva.h"

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include "app/costruzione.h"
#include "app/modo_autore.h"
#include "app/sostituzione.h"
#include "app/tappe_prova.h"
#include "vista/pagina.h"

namespace scenario {

namespace fs = std::filesystem;
using orologio = std::chrono::steady_clock;

namespace {

std::string motivo_errno() { return std::strerror(errno); }

// SIGINT and SIGTERM, blocked for the whole watch and read from a descriptor in the loop:
// an interruption never lands in the middle of a build, which always ends whole (its
// temporary files removed, the compiled files replaced all together or not at all).
// They stay blocked when the watch ends, since the program ends right after it.
class segnali_di_fine {
 public:
  segnali_di_fine() {
    sigset_t insieme;
    sigemptyset(&insieme);
    sigaddset(&insieme, SIGINT);
    sigaddset(&insieme, SIGTERM);
    if (sigprocmask(SIG_BLOCK, &insieme, nullptr) != 0) throw std::runtime_error(motivo_errno());
    descrittore_ = signalfd(-1, &insieme, SFD_CLOEXEC | SFD_NONBLOCK);
    if (descrittore_ < 0) throw std::runtime_error("signalfd: " + motivo_errno());
  }
  segnali_di_fine(const segnali_di_fine&) = delete;
  segnali_di_fine& operator=(const segnali_di_fine&) = delete;
  ~segnali_di_fine() { ::close(descrittore_); }
  int descrittore() const { return descrittore_; }

 private:
  int descrittore_ = -1;
};

// The folders of the two texts, watched for files written and closed or moved in.
class osservatore_testi {
 public:
  osservatore_testi(const std::string& testo_linea, const std::string& testo_treno) {
    descrittore_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (descrittore_ < 0) throw std::runtime_error("inotify: " + motivo_errno());
    testi_[0] = guarda(testo_linea);
    testi_[1] = guarda(testo_treno);
  }
  osservatore_testi(const osservatore_testi&) = delete;
  osservatore_testi& operator=(const osservatore_testi&) = delete;
  ~osservatore_testi() { ::close(descrittore_); }
  int descrittore() const { return descrittore_; }

  // Reads the events waiting. True when one of them is about a text (or events were
  // lost, which may have hidden one). Throws errore_file when a text's folder is gone.
  bool leggi() {
    bool cambiato = false;
    alignas(inotify_event) char zona[8192];
    for (;;) {
      const ssize_t letti = ::read(descrittore_, zona, sizeof zona);
      if (letti < 0 && errno == EINTR) continue;
      if (letti < 0 && errno == EAGAIN) return cambiato;
      if (letti <= 0) throw std::runtime_error("inotify: " + motivo_errno());
      const auto fine = static_cast<size_t>(letti);
      for (size_t i = 0; i + sizeof(inotify_event) <= fine;) {
        inotify_event evento;
        std::memcpy(&evento, zona + i, sizeof evento);
        const size_t nome_da = i + sizeof evento;
        const size_t lunghezza = std::min<size_t>(evento.len, fine - nome_da);
        const std::string nome(zona + nome_da, strnlen(zona + nome_da, lunghezza));
        i = nome_da + lunghezza;
        if (evento.mask & IN_Q_OVERFLOW) cambiato = true;
        for (const testo_osservato& t : testi_) {
          if (evento.wd != t.guardia) continue;
          if (evento.mask & IN_IGNORED) {
            throw errore_file(t.cartella, "la cartella non e' piu' osservabile");
          }
          if (nome == t.nome) cambiato = true;
        }
      }
    }
  }

 private:
  struct testo_osservato {
    fs::path cartella;
    std::string nome;
    int guardia = -1;
  };

  testo_osservato guarda(const std::string& testo) {
    const fs::path file(testo);
    testo_osservato t;
    t.cartella = file.has_parent_path() ? file.parent_path() : fs::path(".");
    t.nome = file.filename().string();
    // Both texts in one folder give the same watch, and the same descriptor.
    t.guardia = inotify_add_watch(descrittore_, t.cartella.c_str(),
                                  IN_CLOSE_WRITE | IN_MOVED_TO | IN_ONLYDIR);
    if (t.guardia < 0) throw errore_file(t.cartella, motivo_errno());
    return t;
  }

  int descrittore_ = -1;
  testo_osservato testi_[2];
};

std::string ora_attuale() {
  const std::time_t adesso = std::time(nullptr);
  std::tm locale{};
  localtime_r(&adesso, &locale);
  char testo[16];
  std::strftime(testo, sizeof testo, "%H:%M:%S", &locale);
  return testo;
}

// Shows the build's messages as the console does and keeps them for the page.
class piattaforma_registrata : public piattaforma {
 public:
  explicit piattaforma_registrata(piattaforma& p) : p_(p) {}
  void mostra_finestra() override { p_.mostra_finestra(); }
  void mostra_messaggio(const std::string& testo) override {
    p_.mostra_messaggio(testo);
    registro += testo;
    if (!testo.empty() && testo.back() != '\n') registro += '\n';
  }
  std::string registro;

 private:
  piattaforma& p_;
};

// One build as the author's build runs it, with the loop's lines around it. A failure
// of the file system is this build's outcome, not the end of the watch. `messaggi`
// receives what the build showed.
int compila_una_volta(const riga_comando& r, piattaforma& p, std::ostream& uscita, std::string& messaggi) {
  uscita << "---- " << ora_attuale() << " ----\n" << std::flush;
  int stato = STATO_ERRORE_SISTEMA;
  piattaforma_registrata registrata(p);
  try {
    stato = costruzione_autore(r, registrata);
  } catch (const std::exception& e) {
    uscita << NOME_PROGRAMMA << ": " << e.what() << "\n";
    registrata.registro += std::string(NOME_PROGRAMMA) + ": " + e.what() + "\n";
  }
  messaggi = std::move(registrata.registro);
  if (stato == STATO_SUCCESSO) {
    uscita << (r.solo_controllo ? "Controllo riuscito\n" : "Compilazione riuscita: file compilati aggiornati\n");
  } else if (r.solo_controllo) {
    uscita << "Controllo non riuscito\n";
  } else {
    uscita << "File compilati non cambiati: restano quelli dell'ultima compilazione riuscita\n";
  }
  uscita << std::flush;
  return stato;
}

}  // namespace

std::string pagina_osservata(const stato_anteprima& stato, int ricarica_secondi) {
  vista::opzioni_pagina o;
  o.diagnostiche = stato.diagnostiche;
  o.marca = stato.marca;
  o.ricarica_secondi = ricarica_secondi;
  return vista::pagina_da_json(stato.json, o);
}

std::string dati_compilati(const riga_comando& r, const dati_anteprima& dati) {
  const fs::path cartella = r.uscita.empty() ? fs::path(".") : fs::path(r.uscita);
  const std::string geometria = leggi_file(cartella / nome_geometria(r.linea));
  const std::string tabella = leggi_file(cartella / nome_tabella(r.linea, r.treno));
  const std::string percorso = leggi_file(cartella / nome_percorso(r.linea, r.treno));
  return dati(geometria, tabella, percorso);
}

int osserva(const riga_comando& r, piattaforma& p, std::ostream& uscita, const opzioni_osserva& o) {
  segnali_di_fine segnali;
  osservatore_testi testi(r.testo_linea, r.testo_treno);
  const bool con_pagina = !r.anteprima.empty() && o.dati && !r.solo_controllo;
  if (!r.anteprima.empty() && !con_pagina) {
    uscita << NOME_PROGRAMMA << ": --anteprima: nessuna pagina da scrivere\n";
  }
  uscita << "In osservazione: " << r.testo_linea << " e " << r.testo_treno
         << " (Ctrl-C per finire)\n";

  int numero = 0;
  stato_anteprima anteprima;
  bool pagina_scritta = false;
  const auto compila = [&] {
    ++numero;
    std::string messaggi;
    const int stato = compila_una_volta(r, p, uscita, messaggi);
    if (!con_pagina) return;
    try {
      // A failed build keeps the last good scenario on the page, under its messages.
      if (stato == STATO_SUCCESSO) {
        anteprima.json = dati_compilati(r, o.dati);
        anteprima.diagnostiche.clear();
      } else {
        anteprima.diagnostiche = messaggi.empty() ? "compilazione non riuscita\n" : messaggi;
      }
      anteprima.marca = ora_attuale() + ", compilazione n. " + std::to_string(numero);
      sostituisci_file(r.anteprima, pagina_osservata(anteprima, o.ricarica_secondi));
      pagina_scritta = true;
      uscita << "Anteprima aggiornata: " << r.anteprima << "\n" << std::flush;
    } catch (const std::exception& e) {
      uscita << NOME_PROGRAMMA << ": " << e.what() << "\n" << std::flush;
    }
  };
  compila();

  // A save in progress: the time of its first event, and when the texts may be built.
  bool salvataggio = false;
  orologio::time_point primo_evento{};
  orologio::time_point pronto{};
  for (;;) {
    int attesa = -1;
    if (salvataggio) {
      const auto resto = std::chrono::ceil<std::chrono::milliseconds>(pronto - orologio::now());
      attesa = static_cast<int>(std::max<int64_t>(0, resto.count()));
    }
    pollfd attesi[2] = {{segnali.descrittore(), POLLIN, 0}, {testi.descrittore(), POLLIN, 0}};
    // Nothing to build and nothing waiting: every save made so far has been built.
    if (attesa < 0 && tappe_di_prova() && ::poll(attesi, 2, 0) == 0) tappa_di_prova("osserva");
    const int pronti = ::poll(attesi, 2, attesa);
    if (pronti < 0 && errno == EINTR) continue;
    if (pronti < 0) throw std::runtime_error("poll: " + motivo_errno());
    if (attesi[0].revents != 0) break;  // interrupted: the signal stays pending, unread
    if (attesi[1].revents != 0 && testi.leggi()) {
      const auto adesso = orologio::now();
      if (!salvataggio) primo_evento = adesso;
      salvataggio = true;
      pronto = std::min(adesso + o.quiete, primo_evento + o.attesa_massima);
    }
    if (salvataggio && orologio::now() >= pronto) {
      salvataggio = false;
      compila();
    }
  }

  if (pagina_scritta) {
    // The watch is over: the same page, without reading itself again.
    try {
      sostituisci_file(r.anteprima, pagina_osservata(anteprima, 0));
    } catch (const std::exception& e) {
      uscita << NOME_PROGRAMMA << ": " << e.what() << "\n";
    }
  }
  uscita << "Osservazione finita\n" << std::flush;
  return STATO_SUCCESSO;
}

}  // namespace scenario
