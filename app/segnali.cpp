#include "app/segnali.h"

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/sostituzione.h"

namespace scenario {

namespace {

// A build has at most three temporary compiled files, one text being replaced and the two
// description texts of the embedded build.
constexpr int POSTI = 16;

char percorsi[POSTI][PATH_MAX];
volatile sig_atomic_t occupato[POSTI];

constexpr int SEGNALI_GESTITI[] = {SIGINT, SIGTERM, SIGHUP};

sigset_t insieme_gestiti() {
  sigset_t insieme;
  sigemptyset(&insieme);
  for (int s : SEGNALI_GESTITI) sigaddset(&insieme, s);
  return insieme;
}

extern "C" void alla_interruzione(int segnale) {
  const int errno_salvato = errno;
  for (int i = 0; i < POSTI; ++i) {
    if (occupato[i]) ::unlink(percorsi[i]);
  }
  errno = errno_salvato;
  _exit(128 + segnale);
}

}  // namespace

void prepara_segnali() {
  struct sigaction azione {};
  azione.sa_handler = alla_interruzione;
  // While one interrupt cleans up, the others wait: the table is walked once.
  azione.sa_mask = insieme_gestiti();
  for (int s : SEGNALI_GESTITI) {
    // A signal ignored by whoever started the program (nohup) stays ignored.
    struct sigaction prima {};
    if (::sigaction(s, nullptr, &prima) == 0 && prima.sa_handler == SIG_IGN) continue;
    ::sigaction(s, &azione, nullptr);
  }
  ::signal(SIGXFSZ, SIG_IGN);
}

segnali_sospesi::segnali_sospesi() {
  const sigset_t gestiti = insieme_gestiti();
  ::sigprocmask(SIG_BLOCK, &gestiti, &precedenti_);
}

segnali_sospesi::~segnali_sospesi() { ::sigprocmask(SIG_SETMASK, &precedenti_, nullptr); }

void scarto::registra(const std::string& percorso) {
  dimentica();
  if (percorso.size() >= PATH_MAX) throw errore_file(percorso, std::strerror(ENAMETOOLONG));
  const segnali_sospesi sospesi;
  for (int i = 0; i < POSTI; ++i) {
    if (occupato[i]) continue;
    std::memcpy(percorsi[i], percorso.c_str(), percorso.size() + 1);
    occupato[i] = 1;
    posto_ = i;
    return;
  }
  throw errore_file(percorso, "troppi file temporanei aperti insieme");
}

void scarto::dimentica() {
  if (posto_ < 0) return;
  const segnali_sospesi sospesi;
  occupato[posto_] = 0;
  posto_ = -1;
}

}  // namespace scenario
