// Entry point. Without arguments: the embedded scenario into the executable's folder.
// With the author's two description texts: the author's scenario into an output folder.
#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/lettura_compilati.h"
#include "lsp/impagina_file.h"
#include "lsp/server.h"
#include "app/costruzione.h"
#include "app/modo_autore.h"
#include "app/nuovo.h"
#include "app/osserva.h"
#include "app/nomi_uscita.h"
#include "piattaforma/piattaforma.h"
#include "app/riga_comando.h"
#include "piattaforma/segnali.h"
#include "piattaforma/sostituzione.h"
#include "piattaforma/tappe_prova.h"
#include "output/decodifica.h"
#include "vista/json.h"

namespace {

// --help and --version: standard output, status 0 unless it cannot be written.
int stampa(const std::string& testo) {
  std::cout << testo << std::flush;
  return std::cout ? scenario::STATO_SUCCESSO : scenario::STATO_ERRORE_SISTEMA;
}

// The JSON of the files just built, from their bytes; empty when they do not decode.
std::string dati_di(const scenario::riga_comando& r, std::string_view geometria, std::string_view tabella,
                      std::string_view percorso) {
  using namespace scenario;
  const file_compilati_letti file{nome_geometria(r.linea), std::string(geometria),
                                  nome_tabella(r.linea, r.treno), std::string(tabella),
                                  nome_percorso(r.linea, r.treno), std::string(percorso)};
  const auto s = decodifica_scenario(file, r.linea, r.treno);
  return s ? vista::resoconto_json(*s.valore, false, false, r.marcia) : std::string();
}

// --anteprima after a successful build: the page of the files just written.
int scrivi_pagina(const scenario::riga_comando& r) {
  using namespace scenario;
  const std::string errore = scrivi_anteprima(sistema::percorso(r.uscita.empty() ? "." : r.uscita), r.linea,
                                              r.treno, sistema::percorso(r.anteprima), r.marcia);
  if (errore.empty()) return STATO_SUCCESSO;
  std::cerr << NOME_PROGRAMMA << ": " << errore << "\n";
  return STATO_ERRORE_SISTEMA;
}

int esegui(const scenario::riga_comando& comando, const char* argv0) {
  using namespace scenario;
  switch (comando.azione) {
    case azione_richiesta::aiuto: return stampa(testo_aiuto());
    case azione_richiesta::versione: return stampa(testo_versione());
    case azione_richiesta::errore_uso:
      std::cerr << riga_errore_uso(comando.errore) << std::flush;
      return STATO_ERRORE_SISTEMA;
    case azione_richiesta::lsp:  // served by main, on standard input and output
    case azione_richiesta::impagina: {
      const auto disco = lsp::disco_di_sistema();
      return lsp::impagina_file(comando.da_impaginare, comando.solo_verifica_impaginazione, *disco, std::cout,
                                std::cerr);
    }
    case azione_richiesta::costruzione_incorporata:
    case azione_richiesta::costruzione_autore:
    case azione_richiesta::nuovo: break;
  }
  if (comando.azione == azione_richiesta::costruzione_autore) {
    if (const auto conflitto = nomi_in_conflitto(comando)) {
      std::cerr << riga_errore_uso(*conflitto) << std::flush;
      return STATO_ERRORE_SISTEMA;
    }
  }

  piattaforma_console console(std::cerr);
  try {
    if (comando.azione == azione_richiesta::nuovo) return scrivi_testi_nuovi(comando, std::cout, std::cerr);
    if (comando.azione == azione_richiesta::costruzione_autore && comando.osserva) {
      opzioni_osserva opzioni;
      opzioni.dati = [&comando](std::string_view geometria, std::string_view tabella,
                                std::string_view percorso) { return dati_di(comando, geometria, tabella, percorso); };
      return osserva(comando, console, std::cerr, opzioni);
    }
    if (comando.azione == azione_richiesta::costruzione_autore) {
      const int stato = costruzione_autore(comando, console);
      if (stato != STATO_SUCCESSO || comando.anteprima.empty() || comando.solo_controllo) return stato;
      return scrivi_pagina(comando);
    }
    return Form_Load(sistema::cartella_eseguibile(argv0), console);
  } catch (const errore_file& e) {
    std::cerr << NOME_PROGRAMMA << ": " << e.what() << "\n";
    // A folder the user may not write (where an installer puts programs and their
    // examples, a read-only disk) is said as such, with where to go instead: the embedded
    // build writes beside the program, the author's build into its output folder.
    const bool non_scrivibile =
        e.motivo() == motivo(causa_file::accesso_negato) || e.motivo() == motivo(causa_file::disco_sola_lettura);
    if (non_scrivibile && comando.azione == azione_richiesta::costruzione_incorporata) {
      std::cerr << NOME_PROGRAMMA << ": "
                << traduci("incorporata.cartella_non_scrivibile",
                           {{"cartella", sistema::testo(sistema::cartella_eseguibile(argv0))}})
                << "\n";
    } else if (non_scrivibile && comando.azione == azione_richiesta::costruzione_autore &&
               e.file() != sistema::percorso(comando.testo_linea) && e.file() != sistema::percorso(comando.testo_treno)) {
      const std::filesystem::path cartella = e.file().parent_path();
      std::cerr << NOME_PROGRAMMA << ": "
                << traduci("autore.uscita_non_scrivibile", {{"cartella", cartella.empty() ? "." : sistema::testo(cartella)}})
                << "\n";
    }
    return STATO_ERRORE_SISTEMA;
  } catch (const std::exception& e) {
    std::cerr << NOME_PROGRAMMA << ": " << e.what() << "\n";
    return STATO_ERRORE_SISTEMA;
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace scenario;
  const std::vector<std::string> argomenti = sistema::prepara_processo(argc, argv);
  // Before any file is touched: an interrupt removes what the build has begun.
  prepara_segnali();
  tappa_di_prova("gestori");
  riga_comando comando = leggi_riga_comando(argomenti);
  imposta_lingua(comando.lingua_scelta.value_or(sistema::lingua_utente()));
  // Texts dropped on the program, or the entry of Explorer's menu on a text: the compiled
  // files go beside them (Explorer starts the program in a folder of its choosing).
  if (comando.azione == azione_richiesta::costruzione_autore && comando.uscita.empty() && sistema::avviato_da_esplora()) {
    comando.uscita = sistema::testo(sistema::percorso(comando.testo_linea).parent_path());
  }
  if (comando.azione == azione_richiesta::lsp || comando.diagnostica_json) sistema::uscita_per_programmi();
  if (comando.azione == azione_richiesta::lsp) {
    const auto disco = lsp::disco_di_sistema();
    return lsp::servi_lsp(0, std::cout, *disco);
  }
  const int stato = esegui(comando, argc > 0 ? argv[0] : nullptr);
  std::cout.flush();
  const bool costruzione = comando.azione == azione_richiesta::costruzione_incorporata ||
                           comando.azione == azione_richiesta::costruzione_autore;
  // A log of what the box cannot hold goes beside the texts, which is where Explorer's
  // user dropped them (beside the program for the embedded build).
  const std::filesystem::path registro =
      comando.azione == azione_richiesta::costruzione_incorporata ? sistema::cartella_eseguibile(argc > 0 ? argv[0] : nullptr)
      : comando.azione == azione_richiesta::costruzione_autore    ? sistema::percorso(comando.testo_linea).parent_path()
                                                                  : std::filesystem::path();
  // After a build, where its files are.
  std::string riuscita;
  if (stato == STATO_SUCCESSO && costruzione) {
    std::error_code ec;
    const std::filesystem::path uscita =
        comando.azione == azione_richiesta::costruzione_incorporata ? registro
        : comando.solo_controllo ? std::filesystem::path()
                                 : std::filesystem::absolute(sistema::percorso(comando.uscita.empty() ? "." : comando.uscita), ec);
    riuscita = uscita.empty() ? traduci("congedo.riuscita")
                              : traduci("congedo.riuscita_in", {{"cartella", sistema::testo(uscita.lexically_normal())}});
  }
  sistema::congedo(NOME_PROGRAMMA, "", registro, riuscita);
  return stato;
}
