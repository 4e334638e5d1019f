#include "output/sostituzione.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace scenario {

namespace {

std::string motivo_di(int numero) { return std::strerror(numero); }

// Owns the temporary file until it has been renamed over the target.
class file_temporaneo {
 public:
  explicit file_temporaneo(const std::filesystem::path& destinazione)
      : destinazione_(destinazione) {
    std::string modello = destinazione.string() + ".tmpXXXXXX";
    descrittore_ = mkstemp(modello.data());
    if (descrittore_ < 0) throw errore_file(destinazione, motivo_di(errno));
    percorso_ = modello;
  }
  file_temporaneo(const file_temporaneo&) = delete;
  file_temporaneo& operator=(const file_temporaneo&) = delete;
  ~file_temporaneo() {
    if (descrittore_ >= 0) ::close(descrittore_);
    if (!confermato_) ::unlink(percorso_.c_str());
  }

  void scrivi(std::string_view contenuto) {
    const char* dati = contenuto.data();
    size_t resto = contenuto.size();
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

  void conferma() {
    // A file created by mkstemp is private to its owner; compiled files are for everyone.
    if (::fchmod(descrittore_, 0644) != 0) throw errore_file(destinazione_, motivo_di(errno));
    const int chiuso = ::close(descrittore_);
    descrittore_ = -1;
    if (chiuso != 0) throw errore_file(destinazione_, motivo_di(errno));
    if (::rename(percorso_.c_str(), destinazione_.c_str()) != 0) {
      throw errore_file(destinazione_, motivo_di(errno));
    }
    confermato_ = true;
  }

 private:
  std::filesystem::path destinazione_;
  std::string percorso_;
  int descrittore_ = -1;
  bool confermato_ = false;
};

}  // namespace

errore_file::errore_file(const std::filesystem::path& file, const std::string& motivo)
    : std::runtime_error(file.string() + ": " + motivo), file_(file) {}

void sostituisci_file(const std::filesystem::path& file, std::string_view contenuto) {
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) throw errore_file(file, motivo_di(EISDIR));
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
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) throw errore_file(file, motivo_di(EISDIR));
  errno = 0;
  std::ifstream flusso(file, std::ios::binary);
  if (!flusso) throw errore_file(file, motivo_di(errno ? errno : ENOENT));
  std::ostringstream contenuto;
  contenuto << flusso.rdbuf();
  if (flusso.bad()) throw errore_file(file, motivo_di(EIO));
  return contenuto.str();
}

}  // namespace scenario
