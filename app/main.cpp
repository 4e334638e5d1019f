// Entry point. Without arguments: the embedded scenario into the executable's folder.
// With the author's two description texts: the author's scenario into an output folder.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "app/cartella_eseguibile.h"
#include "app/costruzione.h"
#include "app/modo_autore.h"
#include "app/nomi_uscita.h"
#include "app/piattaforma.h"
#include "app/riga_comando.h"
#include "app/segnali.h"
#include "app/sostituzione.h"

namespace {

// --help and --version: standard output, status 0 unless it cannot be written.
int stampa(const std::string& testo) {
  std::cout << testo << std::flush;
  return std::cout ? scenario::STATO_SUCCESSO : scenario::STATO_ERRORE_SISTEMA;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace scenario;
  // Before any file is touched: an interrupt removes what the build has begun.
  prepara_segnali();
  const std::vector<std::string> argomenti(argv + (argc > 0 ? 1 : 0), argv + argc);
  const riga_comando comando = leggi_riga_comando(argomenti);
  switch (comando.azione) {
    case azione_richiesta::aiuto: return stampa(testo_aiuto());
    case azione_richiesta::versione: return stampa(testo_versione());
    case azione_richiesta::errore_uso:
      std::cerr << riga_errore_uso(comando.messaggio) << std::flush;
      return STATO_ERRORE_SISTEMA;
    case azione_richiesta::costruzione_incorporata:
    case azione_richiesta::costruzione_autore: break;
  }
  if (comando.azione == azione_richiesta::costruzione_autore) {
    if (const auto conflitto = nomi_in_conflitto(comando)) {
      std::cerr << riga_errore_uso(*conflitto) << std::flush;
      return STATO_ERRORE_SISTEMA;
    }
  }

  piattaforma_console console(std::cerr);
  try {
    if (comando.azione == azione_richiesta::costruzione_autore) {
      return costruzione_autore(comando, console);
    }
    return Form_Load(cartella_eseguibile(argc > 0 ? argv[0] : nullptr), console);
  } catch (const std::exception& e) {
    std::cerr << NOME_PROGRAMMA << ": " << e.what() << "\n";
    return STATO_ERRORE_SISTEMA;
  }
}
