#include "app/modo_autore.h"

#include <optional>
#include <string>
#include <system_error>

#include "piattaforma/blocco.h"
#include "app/costruzione.h"
#include "app/nuovo.h"
#include "app/rapporto.h"
#include "piattaforma/sostituzione.h"

namespace scenario {

namespace fs = std::filesystem;

namespace {

bool stesso_file(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

uint64_t dimensione(const std::string& file) {
  std::error_code ec;
  const uintmax_t byte = fs::file_size(sistema::percorso(file), ec);
  return ec ? 0 : byte;
}

// A compiled file may not take the place of one of the author's texts: the texts are never
// changed. The names were compared before anything was read (nomi_uscita.h); this finds
// the same file under another name, a hard link.
void richiedi_uscite_distinte(const riga_comando& r, const fs::path& uscita) {
  for (const std::string& nome : {nome_geometria(r.linea), nome_tabella(r.linea, r.treno),
                                  nome_percorso(r.linea, r.treno)}) {
    const fs::path file = uscita / sistema::percorso(nome);
    for (const std::string& testo : {r.testo_linea, r.testo_treno}) {
      if (stesso_file(file, sistema::percorso(testo))) {
        throw errore_file(file, traduci("file.sostituirebbe_testo", {{"testo", testo}}));
      }
    }
  }
}

// An author's text, whole, as given: a text that is missing or cannot be read stops the
// build before anything is compiled.
testo_ingresso testo_autore(const std::string& file) {
  testo_ingresso testo;
  testo.etichetta = file;
  testo.byte = leggi_file(sistema::percorso(file));
  return testo;
}

}  // namespace

elenco_diagnostiche diagnostiche_da_mostrare(const elenco_diagnostiche& tutte, const riga_comando& r) {
  elenco_diagnostiche mostrate;
  for (const diagnostica& d : tutte) {
    // A note of the catalogue only informs: with --verboso. One of the build's own (the
    // reading stopped at the most errors asked for) unless -q.
    if (d.livello == gravita::nota && (r.silenzioso || (d.numero != 0 && !r.verboso))) continue;
    mostrate.push_back(d);
  }
  return mostrate;
}

int costruzione_autore(const riga_comando& r, piattaforma& p) {
  const fs::path uscita = sistema::percorso(r.uscita.empty() ? "." : r.uscita);
  richiesta q;
  q.linea = r.linea;
  q.treno = r.treno;
  q.genera_linea = true;
  q.max_errori = r.max_errori;
  q.permissivo = r.permissivo;
  q.marcia = r.marcia;
  // The output folder, made when missing, is held, one build at a time, until the
  // compiled files are in place.
  // A build that fails takes the folder away again when it made it.
  std::optional<cartelle_nuove> cartella;
  std::optional<blocco_cartella> blocco;
  if (!r.solo_controllo) {
    cartella.emplace(uscita);
    blocco.emplace(uscita);
    richiedi_uscite_distinte(r, uscita);
  }
  // A build takes some five bytes of fresh memory for each byte of its texts: the texts,
  // the records kept of them for the check of the compiled set, their values, the plan.
  const sistema::memoria_preparata memoria(5 * (dimensione(r.testo_linea) + dimensione(r.testo_treno)));
  q.testo_linea = testo_autore(r.testo_linea);
  q.testo_treno = testo_autore(r.testo_treno);
  modello m;
  // Every diagnostic, each under its text's line; with --severo a warning stops the build
  // as an error does. Once the files are in place, one summary line, unless -q.
  int avvisi = 0;
  const auto concludi = [&](const risultato& esito) {
    const testo_sorgente testi[] = {
        {q.testo_linea.etichetta, q.testo_linea.byte ? std::string_view(*q.testo_linea.byte) : ""},
        {q.testo_treno.etichetta, q.testo_treno.byte ? std::string_view(*q.testo_treno.byte) : ""}};
    const conteggio_diagnostiche conto = mostra_diagnostiche(
        p, diagnostiche_da_mostrare(esito.diagnostiche, r), testi,
        r.diagnostica_json ? formato_diagnostiche::json : formato_diagnostiche::testo);
    if (conto.errori > 0) return false;
    if (r.severo && conto.avvisi > 0) {
      if (!r.diagnostica_json) {
        p.mostra_messaggio(std::string(NOME_PROGRAMMA) + ": error: " +
                           rendi(frase_conto(conto.avvisi, dal_catalogo("costruzione.severo_uno"),
                                             dal_catalogo("costruzione.severo"))));
      }
      return false;
    }
    avvisi = conto.avvisi;
    return true;
  };
  const auto riuscita = [&] {
    const bool fatta = cartella && cartella->fatte();
    if (cartella) cartella->tieni();
    if (fatta && !r.silenzioso && !r.diagnostica_json) p.mostra_messaggio(cartella_creata(uscita, NOME_PROGRAMMA));
    if (!r.silenzioso && !r.diagnostica_json) p.mostra_messaggio(riepilogo_costruzione(m, avvisi));
    return STATO_SUCCESSO;
  };
  if (r.solo_controllo) {
    return concludi(memorizza_percorso(q, m, nullptr)) ? riuscita() : STATO_ERRORE_SCENARIO;
  }
  uscite_su_file uscite(uscita, r.linea, r.treno);
  geometria_in_sfondo(q, uscite);
  if (!concludi(memorizza_percorso(q, m, &uscite))) return STATO_ERRORE_SCENARIO;
  uscite.conferma();
  return riuscita();
}

}  // namespace scenario
