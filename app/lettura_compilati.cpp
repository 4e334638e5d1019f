#include "app/lettura_compilati.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include "app/sostituzione.h"
#include "vista/pagina.h"

namespace scenario {

namespace {

bool leggi_regolare(const std::filesystem::path& file, std::string& contenuto, std::string& errore) {
  std::error_code ec;
  const auto stato = std::filesystem::status(file, ec);
  if (ec || !std::filesystem::exists(stato)) {
    errore = file.string() + ": file non trovato";
    return false;
  }
  if (!std::filesystem::is_regular_file(stato)) {
    errore = file.string() + ": non e' un file regolare";
    return false;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    errore = file.string() + ": non si puo' aprire: " + std::strerror(errno);
    return false;
  }
  contenuto.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    errore = file.string() + ": errore di lettura";
    return false;
  }
  return true;
}

}  // namespace

bool leggi_file_compilati(const std::filesystem::path& cartella, const std::string& linea,
                          const std::string& treno, file_compilati_letti& file, std::string& errore) {
  file.nome_geometria = linea + "_linea.dat";
  file.nome_tabella = linea + "_" + treno + ".sim";
  file.nome_percorso = linea + "_" + treno + ".dat";
  return leggi_regolare(cartella / file.nome_geometria, file.geometria, errore) &&
         leggi_regolare(cartella / file.nome_tabella, file.tabella, errore) &&
         leggi_regolare(cartella / file.nome_percorso, file.percorso, errore);
}

lettura_scenario leggi_scenario_compilato(const std::filesystem::path& cartella, const std::string& linea,
                                          const std::string& treno) {
  lettura_scenario r;
  file_compilati_letti file;
  if (!leggi_file_compilati(cartella, linea, treno, file, r.errore)) return r;
  auto esito = decodifica_scenario(file, linea, treno);
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
