#include "app/sostituzione.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace scenario {

namespace {

std::string motivo_di(int numero) { return std::strerror(numero); }

}  // namespace

errore_file::errore_file(const std::filesystem::path& file, const std::string& motivo)
    : std::runtime_error(file.string() + ": " + motivo), file_(file) {}

file_temporaneo::file_temporaneo(const std::filesystem::path& destinazione)
    : destinazione_(destinazione) {
  std::error_code ec;
  if (std::filesystem::is_directory(destinazione, ec)) throw errore_file(destinazione, motivo_di(EISDIR));
  std::string modello = destinazione.string() + ".tmpXXXXXX";
  descrittore_ = mkstemp(modello.data());
  if (descrittore_ < 0) throw errore_file(destinazione, motivo_di(errno));
  percorso_ = modello;
}

file_temporaneo::~file_temporaneo() {
  if (descrittore_ >= 0) ::close(descrittore_);
  if (!confermato_) ::unlink(percorso_.c_str());
}

void file_temporaneo::scrivi(std::string_view byte) {
  const char* dati = byte.data();
  size_t resto = byte.size();
  while (resto > 0) {
    const ssize_t scritti = ::write(descrittore_, dati, resto);
    if (scritti < 0) {
      if (errno == EINTR) continue;
      throw errore_file(destinazione_, motivo_di(errno));
    }
    dati += scritti;
    resto -= static_cast<size_t>(scritti);
  }
}

void file_temporaneo::scrivi_a(uint64_t posizione, std::string_view byte) {
  const char* dati = byte.data();
  size_t resto = byte.size();
  auto dove = static_cast<off_t>(posizione);
  while (resto > 0) {
    const ssize_t scritti = ::pwrite(descrittore_, dati, resto, dove);
    if (scritti < 0) {
      if (errno == EINTR) continue;
      throw errore_file(destinazione_, motivo_di(errno));
    }
    dati += scritti;
    dove += scritti;
    resto -= static_cast<size_t>(scritti);
  }
}

void file_temporaneo::chiudi() {
  if (descrittore_ < 0) return;
  // A file created by mkstemp is private to its owner; compiled files are for everyone.
  if (::fchmod(descrittore_, 0644) != 0) throw errore_file(destinazione_, motivo_di(errno));
  const int chiuso = ::close(descrittore_);
  descrittore_ = -1;
  if (chiuso != 0) throw errore_file(destinazione_, motivo_di(errno));
}

void file_temporaneo::conferma() {
  chiudi();
  if (::rename(percorso_.c_str(), destinazione_.c_str()) != 0) {
    throw errore_file(destinazione_, motivo_di(errno));
  }
  confermato_ = true;
}

void sostituisci_file(const std::filesystem::path& file, std::string_view contenuto) {
  file_temporaneo temporaneo(file);
  temporaneo.scrivi(contenuto);
  temporaneo.conferma();
}

cartella_privata::cartella_privata(std::string_view prefisso) {
  std::filesystem::path base;
  try {
    base = std::filesystem::temp_directory_path();
  } catch (const std::filesystem::filesystem_error& e) {
    // The folder named by TMPDIR is missing or is no folder.
    const char* tmpdir = std::getenv("TMPDIR");
    const std::filesystem::path cartella =
        !e.path1().empty() ? e.path1() : std::filesystem::path(tmpdir ? tmpdir : "TMPDIR");
    throw errore_file(cartella, e.code().message());
  }
  std::string modello_nome = (base / (std::string(prefisso) + "-XXXXXX")).string();
  if (mkdtemp(modello_nome.data()) == nullptr) throw errore_file(base, motivo_di(errno));
  percorso_ = modello_nome;
}

cartella_privata::~cartella_privata() {
  std::error_code ignorato;
  std::filesystem::remove_all(percorso_, ignorato);
}

std::string leggi_file(const std::filesystem::path& file) {
  // Opened without waiting, so that a pipe with no writer does not hold the program.
  const int d = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (d < 0) throw errore_file(file, motivo_di(errno));
  struct chiusura {
    int d;
    ~chiusura() { ::close(d); }
  } chiudi{d};
  struct stat stato {};
  if (::fstat(d, &stato) != 0) throw errore_file(file, motivo_di(errno));
  if (S_ISDIR(stato.st_mode)) throw errore_file(file, motivo_di(EISDIR));
  if (!S_ISREG(stato.st_mode)) throw errore_file(file, "non e' un file regolare");
  std::string contenuto;
  contenuto.reserve(static_cast<size_t>(stato.st_size));
  char pezzo[64 * 1024];
  for (;;) {
    const ssize_t letti = ::read(d, pezzo, sizeof pezzo);
    if (letti < 0) {
      if (errno == EINTR) continue;
      throw errore_file(file, motivo_di(errno));
    }
    if (letti == 0) break;
    contenuto.append(pezzo, static_cast<size_t>(letti));
  }
  return contenuto;
}

}  // namespace scenario
