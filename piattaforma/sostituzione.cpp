#include "piattaforma/sostituzione.h"

#include <cstdint>
#include <random>

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

}  // namespace

errore_file::errore_file(const fs::path& file, const std::string& motivo)
    : std::runtime_error(sistema::testo(file) + ": " + motivo), file_(file) {}

errore_file testo_troppo_grande(const fs::path& file, size_t limite) {
  return errore_file(file, "testo troppo grande: oltre " + std::to_string(limite >> 20) + " MiB");
}

file_temporaneo::file_temporaneo(const fs::path& destinazione) : destinazione_(destinazione) {
  verifica_destinazione();
  {
    // The file and its entry in the interrupt's table come into being together.
    const segnali_sospesi sospesi;
    for (int tentativo = 1;; ++tentativo) {
      fs::path nome = destinazione;
      nome += sistema::percorso(".tmp" + suffisso_casuale());
      if (const auto m = sistema::crea_nuovo(nome, destinazione)) {
        maniglia_ = *m;
        percorso_ = std::move(nome);
        break;
      }
      if (tentativo == 100) throw errore_file(destinazione, "nessun nome libero per il file temporaneo");
    }
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

void sostituisci_file(const fs::path& file, std::string_view contenuto) {
  file_temporaneo temporaneo(file);
  temporaneo.scrivi(contenuto);
  temporaneo.conferma();
}

bool crea_cartelle(const fs::path& cartella) {
  switch (sistema::crea_cartella(cartella)) {
    case sistema::esito_cartella::fatta: return true;
    case sistema::esito_cartella::esistente: return false;
    case sistema::esito_cartella::manca_genitore: break;
  }
  const fs::path genitore = cartella.parent_path();
  if (!genitore.empty() && genitore != cartella) crea_cartelle(genitore);
  if (sistema::crea_cartella(cartella) == sistema::esito_cartella::manca_genitore) {
    throw errore_file(cartella, "la cartella che la contiene non si puo' creare");
  }
  return true;
}

cartella_privata::cartella_privata(std::string_view prefisso)
    : percorso_(sistema::crea_cartella_unica(sistema::cartella_temporanei(), prefisso)) {}

cartella_privata::~cartella_privata() {
  std::error_code ignorato;
  fs::remove_all(percorso_, ignorato);
}

std::string leggi_file(const fs::path& file) { return sistema::leggi_regolare(file, LIMITE_TESTO); }

}  // namespace scenario
