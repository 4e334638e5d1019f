#include "app/lettura_compilati.h"

#include "app/costruzione.h"
#include "piattaforma/piattaforma.h"
#include "piattaforma/sostituzione.h"
#include "text/codifica.h"
#include "vista/pagina.h"

namespace scenario {

namespace {

// A compiled file whole, or the reason of the file reader (a folder, a device or a pipe
// is refused without waiting).
bool leggi_regolare(const std::filesystem::path& file, std::string& contenuto, std::string& errore) {
  try {
    contenuto = leggi_file(file);
  } catch (const errore_file& e) {
    errore = e.what();
    return false;
  }
  return true;
}

}  // namespace

bool leggi_file_compilati(const std::filesystem::path& cartella, const std::string& linea,
                          const std::string& treno, file_compilati_letti& file, std::string& errore) {
  // Each named with its folder, unless it is the current one: two sets compared are told
  // apart.
  const auto nome = [&](const std::string& solo) {
    return cartella.empty() || cartella == "." ? solo : sistema::testo(cartella / sistema::percorso(solo));
  };
  file.nome_geometria = nome(nome_geometria(linea));
  file.nome_tabella = nome(nome_tabella(linea, treno));
  file.nome_percorso = nome(nome_percorso(linea, treno));
  return leggi_regolare(sistema::percorso(file.nome_geometria), file.geometria, errore) &&
         leggi_regolare(sistema::percorso(file.nome_tabella), file.tabella, errore) &&
         leggi_regolare(sistema::percorso(file.nome_percorso), file.percorso, errore);
}

lettura_scenario leggi_scenario_compilato(const std::filesystem::path& cartella, const std::string& linea,
                                          const std::string& treno, bool altri_nomi) {
  lettura_scenario r;
  file_compilati_letti file;
  if (!leggi_file_compilati(cartella, linea, treno, file, r.errore)) return r;
  // The identifiers given were found as the system finds names (on Windows without regard
  // to case): the set is read as that of the identifiers it holds when they are the same
  // names, as the simulator loading those files would.
  std::string linea_tenuta = linea, treno_tenuto = treno;
  if (const auto tabella = decodifica_tabella(file.tabella, file.nome_tabella)) {
    const std::string l = latin1_in_utf8((*tabella.valore)[voce_tabella::intestazione].nome);
    const std::string t = latin1_in_utf8((*tabella.valore)[voce_tabella::dati_corsa].nome);
    if (sistema::stesso_nome(l, linea)) linea_tenuta = l;
    if (sistema::stesso_nome(t, treno)) treno_tenuto = t;
  }
  auto esito = decodifica_scenario(file, linea_tenuta, treno_tenuto, altri_nomi);
  if (!esito) {
    r.errore = testo_errore(esito.errore);
    r.file_rovinato = true;
    return r;
  }
  r.scenario = std::move(esito.valore);
  return r;
}

std::string scrivi_anteprima(const std::filesystem::path& cartella, const std::string& linea,
                             const std::string& treno, const std::filesystem::path& pagina,
                             const scelte_marcia& marcia) {
  const lettura_scenario letto = leggi_scenario_compilato(cartella, linea, treno);
  if (!letto.scenario) return letto.errore;
  try {
    sostituisci_file(pagina, vista::pagina_html(*letto.scenario, marcia));
  } catch (const errore_file& e) {
    return e.what();
  }
  return "";
}

}  // namespace scenario
