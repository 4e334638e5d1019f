#include "app/osserva.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include "app/costruzione.h"
#include "app/modo_autore.h"
#include "app/piattaforma.h"
#include "app/sostituzione.h"
#include "app/tappe_prova.h"

namespace scenario {

namespace fs = std::filesystem;
using orologio = std::chrono::steady_clock;

namespace {

std::string ora_attuale() {
  const std::tm locale = sistema::ora_locale(std::time(nullptr));
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
  const fs::path cartella = sistema::percorso(r.uscita.empty() ? "." : r.uscita);
  const std::string geometria = leggi_file(cartella / sistema::percorso(nome_geometria(r.linea)));
  const std::string tabella = leggi_file(cartella / sistema::percorso(nome_tabella(r.linea, r.treno)));
  const std::string percorso = leggi_file(cartella / sistema::percorso(nome_percorso(r.linea, r.treno)));
  const std::string html = pagina(geometria, tabella, percorso);
  const std::string script = nome_ricarica(sistema::testo(sistema::percorso(r.anteprima).filename()));
  // The page first, the mark after it: a browser that sees the new mark finds the new page.
  sostituisci_file(sistema::percorso(r.anteprima), con_ricarica(html, marca, script));
  sostituisci_file(sistema::percorso(nome_ricarica(r.anteprima)), "ricarica_anteprima(\"" + marca + "\");\n");
  return html;
}

void chiudi_anteprima_osservata(const riga_comando& r, const std::string& html) {
  sostituisci_file(sistema::percorso(r.anteprima), html);
  const fs::path script = sistema::percorso(nome_ricarica(r.anteprima));
  if (const auto motivo = sistema::elimina(script)) throw errore_file(script, *motivo);
}

int osserva(const riga_comando& r, piattaforma& p, std::ostream& uscita, const opzioni_osserva& o) {
  sistema::osservatore testi({r.testo_linea, r.testo_treno});
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
    std::optional<std::chrono::milliseconds> attesa;
    if (salvataggio) attesa = std::chrono::ceil<std::chrono::milliseconds>(pronto - orologio::now());
    auto evento = sistema::osservatore::evento::scaduto;
    if (!attesa && tappe_di_prova()) {
      // Nothing to build and nothing waiting: every save made so far has been built.
      evento = testi.attendi(std::chrono::milliseconds(0));
      if (evento == sistema::osservatore::evento::scaduto) tappa_di_prova("osserva");
    }
    if (evento == sistema::osservatore::evento::scaduto) evento = testi.attendi(attesa);
    if (evento == sistema::osservatore::evento::fine) break;
    if (evento == sistema::osservatore::evento::salvataggio) {
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
