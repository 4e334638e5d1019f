#include "piattaforma/sostituzione.h"

#include <cstdint>
#include <optional>
#include <random>

#include "lingue/catalogo.h"
#include "piattaforma/tappe_prova.h"

namespace scenario {

namespace fs = std::filesystem;

namespace {

// Six letters or digits for a temporary file's name, drawn afresh by every process.
std::string suffisso_casuale() {
  static std::mt19937_64 generatore{(uint64_t{std::random_device{}()} << 32) ^ sistema::numero_processo()};
  static constexpr char cifre[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string suffisso(6, ' ');
  for (char& c : suffisso) c = cifre[generatore() % (sizeof cifre - 1)];
  return suffisso;
}

// A name beside `destinazione` (its own, ".tmp" and six letters or digits) that `prendi`
// manages to take; `prendi` answers false when another file has it already.
template <typename F>
fs::path nome_libero(const fs::path& destinazione, F prendi) {
  for (int tentativo = 0; tentativo < 100; ++tentativo) {
    fs::path nome = destinazione;
    nome += sistema::percorso(".tmp" + suffisso_casuale());
    if (prendi(nome)) return nome;
  }
  throw errore_file(destinazione, traduci("file.nessun_nome_libero"));
}

}  // namespace

errore_file::errore_file(const fs::path& file, const std::string& motivo)
    : std::runtime_error(sistema::testo(file) + ": " + motivo), file_(file), motivo_(motivo) {}

errore_file testo_troppo_grande(const fs::path& file, size_t limite) {
  return errore_file(file, traduci("file.troppo_grande", {{"mib", limite >> 20}}));
}

file_temporaneo::file_temporaneo(const fs::path& destinazione) : destinazione_(destinazione) {
  verifica_destinazione();
  {
    // The file and its entry in the interrupt's table come into being together.
    const segnali_sospesi sospesi;
    percorso_ = nome_libero(destinazione, [&](const fs::path& nome) {
      const auto m = sistema::crea_nuovo(nome, destinazione);
      if (m) maniglia_ = *m;
      return m.has_value();
    });
    try {
      scarto_.registra(sistema::testo(percorso_));
    } catch (...) {
      rimuovi();
      throw;
    }
  }
  try {
    sistema::prendi_permessi(maniglia_, destinazione_, destinazione_);
  } catch (...) {
    rimuovi();
    throw;
  }
}

void file_temporaneo::rimuovi() {
  const segnali_sospesi sospesi;
  if (maniglia_ != -1) sistema::chiudi_senza_controllo(maniglia_);
  maniglia_ = -1;
  if (!confermato_ && !percorso_.empty()) sistema::elimina(percorso_);
  scarto_.dimentica();
}

file_temporaneo::~file_temporaneo() { rimuovi(); }

void file_temporaneo::verifica_destinazione() const { sistema::verifica_sostituibile(destinazione_); }

void file_temporaneo::scrivi(std::string_view byte) { sistema::scrivi(maniglia_, byte, destinazione_); }

void file_temporaneo::riserva(uint64_t byte) { sistema::riserva(maniglia_, byte); }

void file_temporaneo::scrivi_a(uint64_t posizione, std::string_view byte) {
  sistema::scrivi_a(maniglia_, posizione, byte, destinazione_);
}

// No fsync: a compiled file can always be built again from its texts, and the rename
// only ever shows a whole file under the compiled name (see the README).
void file_temporaneo::chiudi() {
  if (maniglia_ == -1) return;
  const sistema::maniglia m = maniglia_;
  maniglia_ = -1;
  sistema::chiudi(m, destinazione_);
}

void file_temporaneo::conferma() {
  chiudi();
  const segnali_sospesi sospesi;
  sistema::sostituisci_nome(percorso_, destinazione_);
  confermato_ = true;
  scarto_.dimentica();
}

namespace {

// A second name beside `file` for its content, so that a rename over it does not lose it:
// a hard link, or a copy where the file system has none. Empty when there is no file.
fs::path tieni_da_parte(const fs::path& file) {
  bool nessun_file = false;
  std::optional<sistema::maniglia> copia;
  const fs::path riserva = nome_libero(file, [&](const fs::path& nome) {
    switch (sistema::collega(file, nome)) {
      case sistema::esito_collegamento::fatto: return true;
      case sistema::esito_collegamento::nessun_file: nessun_file = true; return true;
      case sistema::esito_collegamento::nome_occupato: return false;
      case sistema::esito_collegamento::impossibile: break;
    }
    copia = sistema::crea_nuovo(nome, file);
    return copia.has_value();
  });
  if (nessun_file) return {};
  if (!copia) return riserva;
  try {
    sistema::scrivi(*copia, leggi_file(file), file);
  } catch (...) {
    sistema::chiudi_senza_controllo(*copia);
    sistema::elimina(riserva);
    throw;
  }
  try {
    sistema::chiudi(*copia, file);
  } catch (...) {
    sistema::elimina(riserva);
    throw;
  }
  return riserva;
}

}  // namespace

fs::path file_temporaneo::metti_al_posto() {
  chiudi();
  fs::path precedente;
  if (sistema::scambia_nomi(percorso_, destinazione_)) {
    precedente = percorso_;
  } else {
    precedente = tieni_da_parte(destinazione_);
    try {
      sistema::sostituisci_nome(percorso_, destinazione_);
    } catch (...) {
      if (!precedente.empty()) sistema::elimina(precedente);
      throw;
    }
  }
  confermato_ = true;
  scarto_.dimentica();
  return precedente;
}

void ripristina(const fs::path& destinazione, const fs::path& precedente) {
  if (precedente.empty()) {
    sistema::elimina(destinazione);
  } else {
    sistema::sostituisci_nome(precedente, destinazione);
  }
}

void conferma_insieme(const std::vector<file_temporaneo*>& file) {
  // An interrupt waits for the end: the set is all old or all new.
  const segnali_sospesi sospesi;
  std::vector<std::pair<fs::path, fs::path>> al_posto;  // destination, earlier file
  try {
    for (file_temporaneo* f : file) {
      al_posto.emplace_back(f->destinazione(), f->metti_al_posto());
      if (al_posto.size() <= 2) tappa_di_prova(al_posto.size() == 1 ? "rinomina" : "rinomina2");
    }
  } catch (...) {
    // Best effort: an earlier file that cannot go back stays under its temporary name,
    // never lost.
    for (auto i = al_posto.rbegin(); i != al_posto.rend(); ++i) {
      try {
        ripristina(i->first, i->second);
      } catch (const errore_file&) {
      }
    }
    throw;
  }
  for (const auto& [destinazione, precedente] : al_posto) {
    if (!precedente.empty()) sistema::elimina(precedente);
  }
}

void sostituisci_file(const fs::path& file, std::string_view contenuto) {
  file_temporaneo temporaneo(file);
  temporaneo.scrivi(contenuto);
  temporaneo.conferma();
}

void salva_testo(const fs::path& file, std::string_view contenuto) {
  std::error_code ec;
  fs::path destinazione = fs::canonical(file, ec);
  if (ec) destinazione = file;
  if (sistema::sola_lettura(destinazione)) throw errore_file(file, traduci("file.sola_lettura"));
  if (!sistema::da_riscrivere_sul_posto(destinazione)) {
    std::optional<file_temporaneo> temporaneo;
    try {
      temporaneo.emplace(destinazione);
    } catch (const errore_file&) {
      // No file can be made beside it: written in place below, or refused there with the
      // reason the text itself gives.
    }
    if (temporaneo) {
      temporaneo->scrivi(contenuto);
      temporaneo->conferma();
      return;
    }
  }
  sistema::riscrivi_sul_posto(destinazione, contenuto, file);
}

cartelle_nuove::cartelle_nuove(const fs::path& cartella) {
  if (cartella.empty()) return;
  try {
    crea(cartella);
  } catch (...) {
    togli();
    throw;
  }
}

void cartelle_nuove::crea(const fs::path& cartella) {
  switch (sistema::crea_cartella(cartella)) {
    case sistema::esito_cartella::fatta: fatte_.push_back(cartella); return;
    case sistema::esito_cartella::esistente: return;
    case sistema::esito_cartella::manca_genitore: break;
  }
  const fs::path genitore = cartella.parent_path();
  // A drive's or a share's root that is not there: it is that which cannot be reached, not
  // a folder to be made in it.
  if (cartella.relative_path().empty() || genitore == cartella) {
    throw errore_file(cartella, traduci("file.radice_irraggiungibile"));
  }
  if (!genitore.empty()) crea(genitore);
  switch (sistema::crea_cartella(cartella)) {
    case sistema::esito_cartella::fatta: fatte_.push_back(cartella); return;
    case sistema::esito_cartella::esistente: return;
    // The parent is there, yet the system says it is not: a folder of the system's own
    // (/proc) that takes no folders of the user's.
    case sistema::esito_cartella::manca_genitore:
      throw errore_file(cartella, traduci("file.cartella_impossibile",
                                          {{"genitore", sistema::testo(genitore.empty() ? fs::path(".") : genitore)}}));
  }
}

void cartelle_nuove::togli() {
  for (auto i = fatte_.rbegin(); i != fatte_.rend(); ++i) {
    std::error_code ec;
    if (fs::is_directory(*i, ec)) fs::remove(*i, ec);  // not while something is in it
  }
  fatte_.clear();
}

cartella_privata::cartella_privata(std::string_view prefisso)
    : percorso_(sistema::crea_cartella_unica(sistema::cartella_temporanei(), prefisso)) {}

cartella_privata::~cartella_privata() {
  std::error_code ignorato;
  fs::remove_all(percorso_, ignorato);
}

std::string leggi_file(const fs::path& file) { return sistema::leggi_regolare(file, LIMITE_TESTO); }

}  // namespace scenario
