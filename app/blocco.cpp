#include "app/blocco.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/sostituzione.h"
#include "app/tappe_prova.h"

namespace scenario {

blocco_cartella::blocco_cartella(const std::filesystem::path& cartella) {
  descrittore_ = ::open(cartella.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descrittore_ < 0) throw errore_file(cartella, std::strerror(errno));
  while (::flock(descrittore_, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    // A file system without locks (some network mounts): the build goes on unserialised,
    // as any compiler's would; each file is still replaced whole.
    if (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS) return;
    const int numero = errno;
    ::close(descrittore_);
    descrittore_ = -1;
    throw errore_file(cartella, std::strerror(numero));
  }
  tappa_di_prova("blocco");
}

blocco_cartella::~blocco_cartella() {
  if (descrittore_ >= 0) ::close(descrittore_);
}

}  // namespace scenario
