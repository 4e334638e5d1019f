#include "app/rapporto.h"

#include "track/rapporto_errori.h"

namespace scenario {

std::string dettaglio_diagnostica(const diagnostica& d) {
  const auto voce = cerca_errore(d.numero);
  if (!voce) return d.motivo;
  std::string testo = voce->descrizione;
  if (!d.motivo.empty()) testo += ": " + d.motivo;
  if (voce->con_posizione && d.posizione) testo += " (posizione " + std::to_string(*d.posizione) + " m)";
  if (d.luogo && !d.luogo->file.empty()) {
    testo += "\n" + d.luogo->file + ":" + std::to_string(d.luogo->riga) + ":" +
             std::to_string(d.luogo->colonna);
  }
  return testo;
}

bool mostra_errori(piattaforma& p, const elenco_diagnostiche& elenco) {
  bool trovati = false;
  for (const diagnostica& d : elenco) {
    if (d.livello != gravita::errore) continue;
    errore(p, std::to_string(d.numero), dettaglio_diagnostica(d));
    trovati = true;
  }
  return trovati;
}

}  // namespace scenario
