#include "app/diagnostica_json.h"

#include <nlohmann/json.hpp>

namespace scenario {

std::string diagnostica_in_json(const diagnostica& d, const std::string& messaggio,
                                const std::string& riga_sorgente) {
  using nlohmann::json;
  json oggetto;
  const bool con_riga = d.luogo && d.luogo->riga > 0;
  oggetto["file"] = d.luogo ? json(d.luogo->file) : json(nullptr);
  oggetto["line"] = con_riga ? json(d.luogo->riga) : json(nullptr);
  oggetto["column"] = con_riga ? json(d.luogo->colonna) : json(nullptr);
  oggetto["severity"] = d.livello == gravita::errore ? "error"
                        : d.livello == gravita::avviso ? "warning"
                                                       : "note";
  oggetto["number"] = d.numero;
  oggetto["position"] = d.posizione ? json(*d.posizione) : json(nullptr);
  oggetto["message"] = messaggio;
  if (!riga_sorgente.empty()) oggetto["source"] = riga_sorgente;
  // A file name that is not UTF-8 has its stray bytes replaced rather than failing.
  return oggetto.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace scenario
