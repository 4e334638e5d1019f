#include "app/sostituzione.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <random>

namespace scenario {

namespace {

std::string motivo_di(int numero) { return std::strerror(numero); }

// Six letters or digits for a temporary file's name, drawn afresh by every process.
std::string suffisso_casuale() {
  static std::mt19937_64 generatore{(uint64_t{std::random_device{}()} << 32) ^
                                    static_cast<uint64_t>(::getpid())};
  static constexpr char cifre[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string suffisso(6, ' ');
  for (char& c : suffisso) c = cifre[generatore() % (sizeof cifre - 1)];
  return suffisso;
}

}  // namespace

errore_file::errore_file(const std::filesystem::path& file, const std::string& motivo)
    : std::runtime_error(file.string() + ": " + motivo), file_(file) {}

file_temporaneo::file_temporaneo(const std::filesystem::path& destinazione)
    : destinazione_(destinazione) {
  verifica_destinazione();
  struct stat precedente {};
  const bool sostituisce =
      ::stat(destinazione.c_str(), &precedente) == 0 && S_ISREG(precedente.st_mode);
  {
    // The file and its entry in the interrupt's table come into being together.
    const segnali_sospesi sospesi;
    for (int tentativo = 1;; ++tentativo) {
      std::string nome = destinazione.string() + ".tmp" + suffisso_casuale();
      descrittore_ = ::open(nome.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (descrittore_ >= 0) {
        percorso_ = std::move(nome);
        break;
      }
      if (errno != EEXIST || tentativo == 100) throw errore_file(destinazione, motivo_di(errno));
    }
    try {
      scarto_.registra(percorso_);
    } catch (...) {
      rimuovi();
      throw;
    }
  }
  if (!sostituisce) return;
  // The earlier file's owner (which only root can give away; otherwise the file stays
  // the writer's) and then its permissions, since a change of owner clears set-user-ID.
  if (precedente.st_uid != ::geteuid() || precedente.st_gid != ::getegid()) {
    [[maybe_unused]] const int ignorato = ::fchown(descrittore_, precedente.st_uid, precedente.st_gid);
  }
  if (::fchmod(descrittore_, precedente.st_mode & 07777) != 0) {
    const int numero = errno;
    rimuovi();
    throw errore_file(destinazione_, motivo_di(numero));
  }
}

void file_temporaneo::rimuovi() {
  const segnali_sospesi sospesi;
  if (descrittore_ >= 0) ::close(descrittore_);
  descrittore_ = -1;
  if (!confermato_ && !percorso_.empty()) ::unlink(percorso_.c_str());
  scarto_.dimentica();
}

file_temporaneo::~file_temporaneo() { rimuovi(); }

void file_temporaneo::verifica_destinazione() const {
  std::error_code ec;
  if (std::filesystem::is_directory(destinazione_, ec)) {
    throw errore_file(destinazione_, motivo_di(EISDIR));
  }
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

// No fsync: a compiled file can always be built again from its texts, and the rename
// only ever shows a whole file under the compiled name (see the README).
void file_temporaneo::chiudi() {
  if (descrittore_ < 0) return;
  const int chiuso = ::close(descrittore_);
  descrittore_ = -1;
  if (chiuso != 0) throw errore_file(destinazione_, motivo_di(errno));
}

void file_temporaneo::conferma() {
  chiudi();
  const segnali_sospesi sospesi;
  if (::rename(percorso_.c_str(), destinazione_.c_str()) != 0) {
    throw errore_file(destinazione_, motivo_di(errno));
  }
  confermato_ = true;
  scarto_.dimentica();
}

void sostituisci_file(const std::filesystem::path& file, std::string_view contenuto) {
  file_temporaneo temporaneo(file);
  temporaneo.scrivi(contenuto);
  temporaneo.conferma();
}

std::filesystem::path cartella_temporanei() {
  const char* tmpdir = std::getenv("TMPDIR");
  return tmpdir != nullptr && *tmpdir != '\0' ? std::filesystem::path(tmpdir)
                                                : std::filesystem::path("/tmp");
}

cartella_privata::cartella_privata(std::string_view prefisso) {
  const std::filesystem::path base = cartella_temporanei();
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
  const auto troppo_grande = [&] {
    return errore_file(file, "testo troppo grande: oltre " +
                                 std::to_string(LIMITE_TESTO >> 20) + " MiB");
  };
  if (static_cast<uintmax_t>(stato.st_size) > LIMITE_TESTO) throw troppo_grande();
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
    // A file that grows while it is read is held to the same limit.
    if (contenuto.size() + static_cast<size_t>(letti) > LIMITE_TESTO) throw troppo_grande();
    contenuto.append(pezzo, static_cast<size_t>(letti));
  }
  return contenuto;
}

}  // namespace scenario
