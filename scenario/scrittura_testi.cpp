#include "scenario/scrittura_testi.h"

#include <stdexcept>


namespace scenario {

std::string componi_testo(const std::vector<std::string>& elenco) {
  if (elenco.size() > POSTI_ELENCO) throw std::length_error("elenco di righe oltre 1001 posti");
  std::string testo;
  for (const std::string& riga : elenco) {
    if (riga == SENTINELLA) return testo;
    testo += riga;
    testo += "\r\n";
  }
  // Every list carries its sentinel; one without it is a fault of the program itself.
  throw std::logic_error("elenco di righe senza riga di fine");
}

}  // namespace scenario
