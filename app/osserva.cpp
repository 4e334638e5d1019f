#include "app/osserva.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include "app/costruzione.h"
#include "app/modo_autore.h"
#include "piattaforma/piattaforma.h"
#include "piattaforma/sostituzione.h"
#include "piattaforma/tappe_prova.h"
#include "vista/pagina.h"

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
    uscita << traduci(r.solo_controllo ? "osserva.controllo_riuscito" : "osserva.compilazione_riuscita") << "\n";
  } else if (r.solo_controllo) {
    uscita << traduci("osserva.controllo_non_riuscito") << "\n";
  } else {
    uscita << traduci("osserva.non_cambiati") << "\n";
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
  const fs::path cartella = sistema::percorso(r.uscita.empty() ? "." : r.uscita);
  const std::string geometria = leggi_file(cartella / sistema::percorso(nome_geometria(r.linea)));
  const std::string tabella = leggi_file(cartella / sistema::percorso(nome_tabella(r.linea, r.treno)));
  const std::string percorso = leggi_file(cartella / sistema::percorso(nome_percorso(r.linea, r.treno)));
  return dati(geometria, tabella, percorso);
}

int osserva(const riga_comando& r, piattaforma& p, std::ostream& uscita, const opzioni_osserva& o) {
  sistema::osservatore testi({r.testo_linea, r.testo_treno});
  const bool con_pagina = !r.anteprima.empty() && o.dati && !r.solo_controllo;
  if (!r.anteprima.empty() && !con_pagina) {
    uscita << NOME_PROGRAMMA << ": --anteprima: " << traduci("osserva.nessuna_pagina") << "\n";
  }
  uscita << traduci("osserva.in_osservazione", {{"linea", r.testo_linea}, {"treno", r.testo_treno}}) << "\n";

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
        anteprima.diagnostiche = messaggi.empty() ? traduci("osserva.non_riuscita") + "\n" : messaggi;
      }
      anteprima.marca = traduci("osserva.marca", {{"ora", ora_attuale()}, {"numero", numero}});
      sostituisci_file(sistema::percorso(r.anteprima), pagina_osservata(anteprima, o.ricarica_secondi));
      pagina_scritta = true;
      uscita << traduci("osserva.anteprima_aggiornata", {{"pagina", r.anteprima}}) << "\n" << std::flush;
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

  if (pagina_scritta) {
    // The watch is over: the same page, without reading itself again.
    try {
      sostituisci_file(sistema::percorso(r.anteprima), pagina_osservata(anteprima, 0));
    } catch (const std::exception& e) {
      uscita << NOME_PROGRAMMA << ": " << e.what() << "\n";
    }
  }
  uscita << traduci("osserva.finita") << "\n" << std::flush;
  return STATO_SUCCESSO;
}

}  // namespace scenario
