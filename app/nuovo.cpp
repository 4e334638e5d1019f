#include "app/nuovo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/piattaforma.h"
#include "app/sostituzione.h"
#include "scenario/testi_nuovi.h"

namespace scenario {

namespace fs = std::filesystem;

namespace {

// A file made by this run and not yet finished: removed when the value goes, unless kept.
class file_nuovo {
 public:
  // Creates `file`, which must not exist yet (O_EXCL: an author's file is never touched).
  explicit file_nuovo(fs::path file) : file_(std::move(file)) {
    descrittore_ = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descrittore_ < 0) {
      const int numero = errno;
      if (numero == EEXIST) throw errore_file(file_, "esiste gia' e non viene sovrascritto");
      throw errore_file(file_, std::strerror(numero));
    }
  }
  file_nuovo(const file_nuovo&) = delete;
  file_nuovo& operator=(const file_nuovo&) = delete;
  ~file_nuovo() {
    if (descrittore_ >= 0) ::close(descrittore_);
    if (!tenuto_) ::unlink(file_.c_str());
  }

  void scrivi(std::string_view byte) {
    while (!byte.empty()) {
      const ssize_t scritti = ::write(descrittore_, byte.data(), byte.size());
      if (scritti < 0 && errno == EINTR) continue;
      if (scritti < 0) throw errore_file(file_, std::strerror(errno));
      byte.remove_prefix(static_cast<size_t>(scritti));
    }
  }
  void chiudi() {
    const int d = descrittore_;
    descrittore_ = -1;
    if (::close(d) != 0) throw errore_file(file_, std::strerror(errno));
  }
  void tieni() { tenuto_ = true; }

 private:
  fs::path file_;
  int descrittore_ = -1;
  bool tenuto_ = false;
};

}  // namespace

void scrivi_coppia_nuova(const fs::path& linea, std::string_view testo_linea, const fs::path& treno,
                         std::string_view testo_treno) {
  // Both are created before either is written: when the second is already there, the
  // first, just made and empty, goes again and the folder is as it was.
  file_nuovo file_linea(linea);
  file_nuovo file_treno(treno);
  file_linea.scrivi(testo_linea);
  file_treno.scrivi(testo_treno);
  file_linea.chiudi();
  file_treno.chiudi();
  file_linea.tieni();
  file_treno.tieni();
}

int scrivi_testi_nuovi(const riga_comando& r, std::ostream& uscita) {
  const fs::path cartella(r.uscita);  // empty: the names alone, in the current folder
  const fs::path linea = cartella / (r.linea + "_linea.txt");
  const fs::path treno = cartella / (r.linea + "_" + r.treno + "-.txt");
  const testi_nuovi testi = testi_di_partenza();
  scrivi_coppia_nuova(linea, testi.linea, treno, testi.treno);
  uscita << "Scritti " << linea.string() << " e " << treno.string() << ".\n"
         << "Per compilarli: " << NOME_PROGRAMMA << " " << linea.string() << " " << treno.string()
         << "\n"
         << std::flush;
  return STATO_SUCCESSO;
}

}  // namespace scenario
