#include "lsp/coppie.h"

#include "model/formato.h"
#include "nucleo/nomi_testi.h"
#include "piattaforma/piattaforma.h"

namespace scenario::lsp {

namespace {

// A line text for a run text that has none: the longest line the format allows, so that
// the run text's own records are checked and nothing of the line is invented.
std::string linea_sostitutiva() {
  const formato::record& lunghezza = formato::records(formato::testo::linea, formato::ambito::generale).front();
  return "[generale]\r\n" + std::string(lunghezza.parola) + ", " + std::to_string(lunghezza.campi.front().massimo) +
         "\r\n[fine]\r\n";
}

// Labels of a stand-in text: never the path of a file.
constexpr std::string_view SENZA_LINEA = "(linea assente)";
constexpr std::string_view SENZA_TRENO = "(corsa assente)";

}  // namespace

std::string cartella_di(const std::string& percorso) {
  const size_t barra = percorso.rfind('/');
  if (barra == std::string::npos) return ".";
  // The root keeps its slash: "/", and a drive's "C:/".
  const bool radice = barra == 0 || (barra == 2 && percorso[1] == ':');
  return percorso.substr(0, radice ? barra + 1 : barra);
}

std::string nome_di(const std::string& percorso) {
  const size_t barra = percorso.rfind('/');
  return barra == std::string::npos ? percorso : percorso.substr(barra + 1);
}

std::string unisci(const std::string& cartella, const std::string& nome) {
  return cartella.ends_with('/') ? cartella + nome : cartella + "/" + nome;
}

std::string linea_da_percorso(const std::string& percorso) {
  return linea_del_nome(sistema::testo(sistema::percorso(percorso).filename()), sistema::stesso_nome);
}

std::string treno_da_percorso(const std::string& percorso, const std::string& linea) {
  return treno_del_nome(sistema::testo(sistema::percorso(percorso).filename()), linea, sistema::stesso_nome);
}

std::vector<std::string> linee_possibili(const std::string& treno) {
  const std::string nome = nome_di(treno);
  std::vector<std::string> esito;
  for (size_t trattino = nome.rfind('_'); trattino != std::string::npos && trattino > 0;
       trattino = nome.rfind('_', trattino - 1)) {
    const std::string id = nome.substr(0, trattino);
    const std::string id_treno = treno_da_percorso(nome, id);
    if (id_treno.empty() || identificativo_errato(id, identificativo::linea) ||
        identificativo_errato(id_treno, identificativo::treno)) {
      continue;
    }
    esito.push_back(unisci(cartella_di(treno), id + "_linea.txt"));
  }
  return esito;
}

std::string linea_della_corsa(const std::string& treno, const std::function<bool(const std::string&)>& esiste) {
  for (const std::string& linea : linee_possibili(treno)) {
    if (esiste(linea)) return linea;
  }
  return "";
}

bool corsa_della_linea(const std::string& linea, const std::string& nome,
                       const std::function<bool(const std::string&)>& esiste) {
  return linea_della_corsa(unisci(cartella_di(linea), nome), esiste) == linea;
}

richiesta richiesta_di_controllo(const std::string& linea, testo_ingresso testo_linea, const std::string& treno,
                                 testo_ingresso testo_treno) {
  richiesta q;
  q.genera_linea = true;
  // Every error of the texts is told: the editor shows a bounded number of them.
  q.max_errori = 0;
  q.testo_linea = linea.empty() ? testo_ingresso{std::string(SENZA_LINEA), linea_sostitutiva(), true, ""}
                                : std::move(testo_linea);
  q.testo_treno = treno.empty() ? testo_ingresso{std::string(SENZA_TRENO), std::string(), true, ""}
                                : std::move(testo_treno);
  q.linea = linea.empty() ? "" : linea_da_percorso(linea);
  if (q.linea.empty()) q.linea = "linea";
  q.treno = treno.empty() ? "" : treno_da_percorso(nome_di(treno), q.linea);
  if (q.treno.empty()) q.treno = "treno";
  return q;
}

}  // namespace scenario::lsp
