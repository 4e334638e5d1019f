#include "lsp/impagina_file.h"

#include <algorithm>
#include <ostream>

#include "piattaforma/piattaforma.h"
#include "nucleo/impaginazione.h"
#include "nucleo/nomi_testi.h"
#include "piattaforma/sostituzione.h"
#include "lsp/contenuti.h"
#include "lsp/coppie.h"
#include "lsp/testi.h"

namespace scenario::lsp {

namespace {

constexpr int STATO_NON_IMPAGINATO = 1;
constexpr int STATO_ERRORE_FILE = 2;

testo_ingresso leggi(disco& d, const std::string& percorso) {
  testo_ingresso t;
  t.etichetta = percorso;
  if (percorso.empty()) return t;
  t.byte = d.leggi(percorso);
  if (!t.byte) t.motivo = traduci("lsp.illeggibile");
  return t;
}

// The pair of `testo`: its partner on disk, as the server looks for one.
richiesta coppia_di(disco& d, const std::string& testo, formato::testo t) {
  // Both texts of a pair are in one folder, listed once.
  std::vector<std::string> nomi = d.nomi(cartella_di(testo));
  std::sort(nomi.begin(), nomi.end());
  const auto esiste = [&](const std::string& p) { return std::binary_search(nomi.begin(), nomi.end(), nome_di(p)); };
  if (t == formato::testo::treno) {
    const std::string linea = linea_della_corsa(testo, esiste);
    return richiesta_di_controllo(linea, leggi(d, linea), testo, leggi(d, testo));
  }
  const auto treno = std::find_if(nomi.begin(), nomi.end(), [&](const std::string& n) {
    return corsa_della_linea(testo, n, esiste);
  });
  const std::string altro = treno == nomi.end() ? "" : unisci(cartella_di(testo), *treno);
  return richiesta_di_controllo(testo, leggi(d, testo), altro, leggi(d, altro));
}

}  // namespace

int impagina_file(const std::vector<std::string>& testi, bool solo_verifica, disco& d, std::ostream& uscita,
                  std::ostream& errori) {
  int stato = 0;
  for (const std::string& scritto : testi) {
    // A Windows path may be written with backslashes; the partner is looked for by '/'.
    // The messages name the text as the author wrote it.
    std::string testo = scritto;
    if (d.forma() == forma_percorsi::windows) std::replace(testo.begin(), testo.end(), '\\', '/');
    std::string perche;
    const auto byte = d.leggi(testo, &perche);
    if (!byte) {
      errori << NOME_PROGRAMMA << ": " << scritto << ": " << perche << "\n";
      stato = STATO_ERRORE_FILE;
      continue;
    }
    // A name of neither form: a text that holds the line's length is a line text.
    const std::string_view lunghezza = formato::records(formato::testo::linea).front().parola;
    const formato::testo t = tipo_da_nome(testo).value_or(
        byte->find(lunghezza) != std::string::npos ? formato::testo::linea : formato::testo::treno);
    const impaginato esito = impagina_controllato(coppia_di(d, testo, t), t);
    if (esito.rifiuto) {
      errori << NOME_PROGRAMMA << ": " << scritto << ": " << *esito.rifiuto << "\n";
      stato = std::max(stato, STATO_NON_IMPAGINATO);
      continue;
    }
    if (esito.testo == *byte) continue;
    if (solo_verifica) {
      uscita << scritto << "\n";
      stato = std::max(stato, STATO_NON_IMPAGINATO);
      continue;
    }
    try {
      salva_testo(sistema::percorso(testo), esito.testo);
    } catch (const std::exception& e) {
      errori << NOME_PROGRAMMA << ": " << e.what() << "\n";
      stato = STATO_ERRORE_FILE;
    }
  }
  return stato;
}

}  // namespace scenario::lsp
