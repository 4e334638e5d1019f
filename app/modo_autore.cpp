#include "app/modo_autore.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

#include "app/costruzione.h"
#include "output/sostituzione.h"
#include "scenario/testi_incorporati.h"

namespace scenario {

namespace fs = std::filesystem;

namespace {

std::string motivo(int numero) { return std::strerror(numero); }

// An author's text must be there and must not be a folder.
void richiedi_testo(const fs::path& testo) {
  std::error_code ec;
  const fs::file_status stato = fs::status(testo, ec);
  if (stato.type() == fs::file_type::not_found) throw errore_file(testo, motivo(ENOENT));
  if (ec) throw errore_file(testo, ec.message());
  if (fs::is_directory(stato)) throw errore_file(testo, motivo(EISDIR));
}

// The output folder must already be there: it is not made on the author's behalf.
void richiedi_cartella(const fs::path& cartella) {
  std::error_code ec;
  const fs::file_status stato = fs::status(cartella, ec);
  if (stato.type() == fs::file_type::not_found) throw errore_file(cartella, motivo(ENOENT));
  if (ec) throw errore_file(cartella, ec.message());
  if (!fs::is_directory(stato)) throw errore_file(cartella, motivo(ENOTDIR));
}

bool stesso_file(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

// A compiled file may not take the place of one of the author's texts (a text named like
// a compiled file, in the output folder): the texts are never changed.
void richiedi_uscite_distinte(const riga_comando& r, const modello& m, const fs::path& uscita) {
  for (const std::string& nome : {nome_geometria(m), nome_tabella(m), nome_percorso(m)}) {
    const fs::path file = uscita / nome;
    for (const std::string& testo : {r.testo_linea, r.testo_treno}) {
      if (stesso_file(file, testo)) {
        throw errore_file(file, "sostituirebbe il testo di descrizione '" + testo + "'");
      }
    }
  }
}

}  // namespace

void costruzione_autore(const riga_comando& r, modello& m, piattaforma& p) {
  m.linea = r.linea;
  m.treno = r.treno;
  const fs::path uscita = r.uscita.empty() ? fs::path(".") : fs::path(r.uscita);
  richiedi_testo(r.testo_linea);
  richiedi_testo(r.testo_treno);
  if (!r.solo_controllo) {
    richiedi_cartella(uscita);
    richiedi_uscite_distinte(r, m, uscita);
  }

  // The reading stage reads the texts under the scenario's own names and deletes them:
  // it gets copies, and every error it records names the author's files as given.
  const cartella_privata privata("compila_scenario");
  m.cartella = privata.percorso();
  m.etichetta_linea = r.testo_linea;
  m.etichetta_treno = r.testo_treno;
  sostituisci_file(m.cartella / nome_testo_linea(m), leggi_file(r.testo_linea));
  sostituisci_file(m.cartella / nome_testo_treno(m), leggi_file(r.testo_treno));

  compila_in_memoria(m, p, 1);
  if (r.solo_controllo) return;
  m.cartella = uscita;
  scrivi_file_compilati(m);
}

}  // namespace scenario
