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

// One build as the author's build runs it, with the loop's lines around it. A failure
// of the file system is this build's outcome, not the end of the watch.
int compila_una_volta(const riga_comando& r, piattaforma& p, std::ostream& uscita) {
  uscita << "---- " << ora_attuale() << " ----\n" << std::flush;
  int stato = STATO_ERRORE_SISTEMA;
  try {
    stato = costruzione_autore(r, p);
  } catch (const std::exception& e) {
    uscita << NOME_PROGRAMMA << ": " << e.what() << "\n";
  }
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

// Percent-encodes every byte but unreserved ones: safe inside a script's string and as a
// relative address.
std::string indirizzo_relativo(std::string_view nome) {
  static constexpr char cifre[] = "0123456789ABCDEF";
  std::string fuori;
  for (const char c : nome) {
    const auto b = static_cast<unsigned char>(c);
    if (std::isalnum(b) || c == '.' || c == '_' || c == '~' || c == '-') {
      fuori += c;
    } else {
      fuori += '%';
      fuori += cifre[b >> 4];
      fuori += cifre[b & 15];
    }
  }
  return fuori;
}

}  // namespace

std::string nome_ricarica(const std::string& pagina) { return pagina + ".ricarica.js"; }

std::string con_ricarica(const std::string& html, std::string_view marca,
                         std::string_view nome_script) {
  // The mark is made by this program of digits, colons and blanks; the script's name is
  // percent-encoded, so neither can close the string it stands in.
  const std::string script =
      "<script>\n"
      "(function () {\n"
      "  var marca = \"" + std::string(marca) + "\";\n"
      "  var script = \"" + indirizzo_relativo(nome_script) + "\";\n"
      "  var chiave = \"anteprima_scorrimento\";\n"
      "  try {\n"
      "    var posto = sessionStorage.getItem(chiave);\n"
      "    if (posto) {\n"
      "      sessionStorage.removeItem(chiave);\n"
      "      var xy = posto.split(\" \");\n"
      "      addEventListener(\"load\", function () { scrollTo(+xy[0], +xy[1]); });\n"
      "    }\n"
      "  } catch (e) {}\n"
      "  window.ricarica_anteprima = function (nuova) {\n"
      "    if (nuova === marca) return;\n"
      "    try { sessionStorage.setItem(chiave, scrollX + \" \" + scrollY); } catch (e) {}\n"
      "    location.reload();\n"
      "  };\n"
      "  function guarda() {\n"
      "    var s = document.createElement(\"script\");\n"
      "    s.src = script + \"?\" + Date.now();\n"
      "    s.onload = s.onerror = function () { s.remove(); setTimeout(guarda, 1000); };\n"
      "    document.head.appendChild(s);\n"
      "  }\n"
      "  setTimeout(guarda, 1000);\n"
      "})();\n"
      "</script>\n";
  // After the <head ...> tag, matched without regard to case.
  std::string minuscolo = html;
  for (char& c : minuscolo) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t posto = 0;
  for (size_t i = minuscolo.find("<head"); i != std::string::npos; i = minuscolo.find("<head", i + 1)) {
    const char dopo = i + 5 < minuscolo.size() ? minuscolo[i + 5] : '\0';
    if (dopo != '>' && dopo != ' ' && dopo != '\t' && dopo != '\n' && dopo != '\r') continue;
    const size_t chiusa = minuscolo.find('>', i);
    if (chiusa != std::string::npos) posto = chiusa + 1;
    break;
  }
  return html.substr(0, posto) + "\n" + script + html.substr(posto);
}

std::string scrivi_anteprima_osservata(const riga_comando& r, const pagina_anteprima& pagina,
                                       const std::string& marca) {
  const fs::path cartella = r.uscita.empty() ? fs::path(".") : fs::path(r.uscita);
  const std::string geometria = leggi_file(cartella / nome_geometria(r.linea));
  const std::string tabella = leggi_file(cartella / nome_tabella(r.linea, r.treno));
  const std::string percorso = leggi_file(cartella / nome_percorso(r.linea, r.treno));
  const std::string html = pagina(geometria, tabella, percorso);
  const std::string script = nome_ricarica(fs::path(r.anteprima).filename().string());
  // The page first, the mark after it: a browser that sees the new mark finds the new page.
  sostituisci_file(r.anteprima, con_ricarica(html, marca, script));
  sostituisci_file(nome_ricarica(r.anteprima), "ricarica_anteprima(\"" + marca + "\");\n");
  return html;
}

void chiudi_anteprima_osservata(const riga_comando& r, const std::string& html) {
  sostituisci_file(r.anteprima, html);
  if (::unlink(nome_ricarica(r.anteprima).c_str()) != 0 && errno != ENOENT) {
    throw errore_file(nome_ricarica(r.anteprima), motivo_errno());
  }
}

int osserva(const riga_comando& r, piattaforma& p, std::ostream& uscita, const opzioni_osserva& o) {
  segnali_di_fine segnali;
  osservatore_testi testi(r.testo_linea, r.testo_treno);
  const bool con_pagina = !r.anteprima.empty() && o.pagina && !r.solo_controllo;
  if (!r.anteprima.empty() && !con_pagina) {
    uscita << NOME_PROGRAMMA << ": --anteprima: nessuna pagina da scrivere\n";
  }
  uscita << "In osservazione: " << r.testo_linea << " e " << r.testo_treno
         << " (Ctrl-C per finire)\n";

  int numero = 0;
  std::optional<std::string> ultima_pagina;  // as the writer made it, for the end
  const auto compila = [&] {
    ++numero;
    if (compila_una_volta(r, p, uscita) != STATO_SUCCESSO || !con_pagina) return;
    try {
      ultima_pagina = scrivi_anteprima_osservata(r, o.pagina, ora_attuale() + " " + std::to_string(numero));
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

  if (ultima_pagina) {
    try {
      chiudi_anteprima_osservata(r, *ultima_pagina);
    } catch (const std::exception& e) {
      uscita << NOME_PROGRAMMA << ": " << e.what() << "\n";
    }
  }
  uscita << "Osservazione finita\n" << std::flush;
  return STATO_SUCCESSO;
}

}  // namespace scenario
