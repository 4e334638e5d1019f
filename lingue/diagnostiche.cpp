#include "lingue/diagnostiche.h"

#include "track/rapporto_errori.h"

namespace scenario {

std::string messaggio_diagnostica(const diagnostica& d, lingua l) {
  const auto voce = cerca_errore(d.numero);
  if (!voce) return rendi(motivo_di(d), l);
  const char* apre = d.livello == gravita::errore   ? dal_catalogo("diagnostica.errore")
                     : d.livello == gravita::avviso ? dal_catalogo("diagnostica.avviso")
                                                    : dal_catalogo("diagnostica.nota");
  std::string testo = rendi(frase(apre, {{"numero", d.numero}}), l) + ": " + rendi(descrizione_errore(d.numero), l);
  if (const messaggio perche = motivo_di(d); !perche.vuoto()) testo += ": " + rendi(perche, l);
  if (voce->con_posizione && d.posizione) {
    testo += " " + rendi(frase("diagnostica.posizione", {{"metri", *d.posizione}}), l);
  }
  return testo;
}

std::string messaggio_nota(const nota_diagnostica& n, lingua l) { return rendi(testo_di(n), l); }

}  // namespace scenario
