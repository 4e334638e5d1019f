#include "piattaforma/piattaforma.h"

namespace scenario {

void piattaforma_console::mostra_finestra() {
  if (finestra_mostrata_) return;
  finestra_mostrata_ = true;
  uscita_ << ATTENDERE << "\n" << std::flush;
}

void piattaforma_console::mostra_messaggio(const std::string& testo) {
  uscita_ << testo << "\n" << std::flush;
}

void errore(piattaforma& p, const std::string& a, const std::string& dettaglio) {
  std::string testo = " Errore n. " + a;
  if (!dettaglio.empty()) testo += "\n" + dettaglio;
  p.mostra_messaggio(testo);
}

}  // namespace scenario
