#include "app/lettura_compilati.h"

#include "app/costruzione.h"
#include "piattaforma/piattaforma.h"
#include "piattaforma/sostituzione.h"
#include "vista/pagina.h"

namespace scenario {

namespace {

// A compiled file whole: a missing one is said as such, any other failure with the
// reason of the file reader (a folder, a device or a pipe is refused without waiting).
bool leggi_regolare(const std::filesystem::path& file, std::string& contenuto, std::string& errore) {
  try {
    contenuto = leggi_file(file);
  } catch (const errore_file& e) {
    errore = e.assente() ? sistema::testo(file) + ": " + traduci("file.non_trovato") : e.what();
    return false;
  }
  return true;
}

}  // namespace

bool leggi_file_compilati(const std::filesystem::path& cartella, const std::string& linea,
                          const std::string& treno, file_compilati_letti& file, std::string& errore) {
  file.nome_geometria = nome_geometria(linea);
  file.nome_tabella = nome_tabella(linea, treno);
  file.nome_percorso = nome_percorso(linea, treno);
  return leggi_regolare(cartella / sistema::percorso(file.nome_geometria), file.geometria, errore) &&
         leggi_regolare(cartella / sistema::percorso(file.nome_tabella), file.tabella, errore) &&
         leggi_regolare(cartella / sistema::percorso(file.nome_percorso), file.percorso, errore);
}

lettura_scenario leggi_scenario_compilato(const std::filesystem::path& cartella, const std::string& linea,
                                          const std::string& treno, bool altri_nomi) {
  lettura_scenario r;
  file_compilati_letti file;
  if (!leggi_file_compilati(cartella, linea, treno, file, r.errore)) return r;
  auto esito = decodifica_scenario(file, linea, treno, altri_nomi);
  if (!esito) {
    r.errore = testo_errore(esito.errore);
    r.file_rovinato = true;
    return r;
  }
  r.scenario = std::move(esito.valore);
  return r;
}

std::string scrivi_anteprima(const std::filesystem::path& cartella, const std::string& linea,
                             const std::string& treno, const std::filesystem::path& pagina) {
  const lettura_scenario letto = leggi_scenario_compilato(cartella, linea, treno);
  if (!letto.scenario) return letto.errore;
  try {
    sostituisci_file(pagina, vista::pagina_html(*letto.scenario));
  } catch (const errore_file& e) {
    return e.what();
  }
  return "";
}

}  // namespace scenario
