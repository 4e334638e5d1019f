// The POSIX half of the platform layer (piattaforma.h, blocco.h, segnali.h).
#include <cstdio>
#include <fcntl.h>
#include <limits.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/mman.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include "piattaforma/blocco.h"
#include "piattaforma/piattaforma.h"
#include "piattaforma/segnali.h"
#include "piattaforma/sostituzione.h"
#include "piattaforma/tappe_prova.h"

namespace scenario {

namespace fs = std::filesystem;

namespace {

// A failure's reason: the common ones in the catalogue's words, the others in the system's.
std::string motivo_di(int numero) {
  switch (numero) {
    case ENOENT: return motivo(causa_file::non_trovato);
    case EACCES:
    case EPERM: return motivo(causa_file::accesso_negato);
    case EROFS: return motivo(causa_file::disco_sola_lettura);
    case ETXTBSY:
    case EBUSY: return motivo(causa_file::in_uso);
    case ENOTDIR: return motivo(causa_file::non_cartella);
    case EISDIR: return motivo(causa_file::cartella);
    case ENOSPC:
    case EDQUOT: return motivo(causa_file::disco_pieno);
    case EFBIG: return motivo(causa_file::file_troppo_grande);
    case ENAMETOOLONG: return motivo(causa_file::nome_troppo_lungo);
    case EILSEQ: return motivo(causa_file::nome_non_valido);  // a name the file system cannot hold
    case EEXIST: return motivo(causa_file::esistente);
    default: return std::strerror(numero);
  }
}
std::string motivo_errno() { return motivo_di(errno); }

int descrittore(sistema::maniglia m) { return static_cast<int>(m); }

}  // namespace

// ---- Interrupts --------------------------------------------------------------------------

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

// Nesting of segnali_sospesi, and the mask the outermost found.
int sospensioni = 0;
sigset_t maschera_precedente;

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
  if (sospensioni++ > 0) return;
  const sigset_t gestiti = insieme_gestiti();
  ::sigprocmask(SIG_BLOCK, &gestiti, &maschera_precedente);
}

segnali_sospesi::~segnali_sospesi() {
  if (--sospensioni > 0) return;
  ::sigprocmask(SIG_SETMASK, &maschera_precedente, nullptr);
}

void scarto::registra(const std::string& percorso) {
  dimentica();
  if (percorso.size() >= PATH_MAX) throw errore_file(percorso, motivo_di(ENAMETOOLONG));
  const segnali_sospesi sospesi;
  for (int i = 0; i < POSTI; ++i) {
    if (occupato[i]) continue;
    std::memcpy(percorsi[i], percorso.c_str(), percorso.size() + 1);
    occupato[i] = 1;
    posto_ = i;
    return;
  }
  throw errore_file(percorso, traduci("file.troppi_temporanei"));
}

void scarto::dimentica() {
  if (posto_ < 0) return;
  const segnali_sospesi sospesi;
  occupato[posto_] = 0;
  posto_ = -1;
}

// ---- The folder lock ---------------------------------------------------------------------

blocco_cartella::blocco_cartella(const fs::path& cartella) {
  const int d = ::open(cartella.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (d < 0) throw errore_file(cartella, motivo_errno());
  maniglia_ = d;
  while (::flock(d, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    // A file system without locks (some network mounts): the build goes on unserialised,
    // as any compiler's would; each file is still replaced whole.
    if (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS) return;
    const int numero = errno;
    ::close(d);
    maniglia_ = -1;
    throw errore_file(cartella, motivo_di(numero));
  }
  tappa_di_prova("blocco");
}

blocco_cartella::~blocco_cartella() {
  if (maniglia_ >= 0) ::close(descrittore(maniglia_));
}

namespace sistema {

// ---- Process, names and folders ----------------------------------------------------------

std::vector<std::string> prepara_processo(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

// A terminal's window outlives the program.
void congedo(const char*, std::string_view, const fs::path&, std::string_view) {}
bool avviato_da_esplora() { return false; }
void uscita_per_programmi() {}

fs::path percorso(std::string_view utf8) { return fs::path(utf8); }
std::string testo(const fs::path& p) { return p.string(); }
bool stesso_nome(std::string_view a, std::string_view b) { return a == b; }
bool percorsi_di_windows() { return false; }

fs::path cartella_eseguibile(const char* argv0) {
  std::error_code ec;
  const auto collegamento = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) return collegamento.parent_path();
  // Without /proc, fall back on the path the program was started with.
  auto assoluto = fs::absolute(argv0 ? argv0 : ".", ec);
  return ec ? fs::current_path() : assoluto.parent_path();
}

fs::path cartella_temporanei() {
  const char* tmpdir = std::getenv("TMPDIR");
  return tmpdir != nullptr && *tmpdir != '\0' ? fs::path(tmpdir) : fs::path("/tmp");
}

fs::path crea_cartella_unica(const fs::path& base, std::string_view prefisso) {
  std::string modello_nome = (base / (std::string(prefisso) + "-XXXXXX")).string();
  if (::mkdtemp(modello_nome.data()) == nullptr) throw errore_file(base, motivo_errno());
  return modello_nome;
}

esito_cartella crea_cartella(const fs::path& cartella) {
  if (::mkdir(cartella.c_str(), 0777) == 0) return esito_cartella::fatta;
  const int numero = errno;
  if (numero == ENOENT) return esito_cartella::manca_genitore;
  struct stat stato {};
  if (numero == EEXIST && ::stat(cartella.c_str(), &stato) == 0 && S_ISDIR(stato.st_mode)) {
    return esito_cartella::esistente;
  }
  throw errore_file(cartella, motivo_di(numero == EEXIST ? ENOTDIR : numero));
}

uint64_t numero_processo() { return static_cast<uint64_t>(::getpid()); }

lingua lingua_utente() {
  return lingua_delle_variabili(::getenv("LANGUAGE"), ::getenv("LC_ALL"), ::getenv("LC_MESSAGES"), ::getenv("LANG"));
}

size_t leggi_ingresso(int d, char* zona, size_t dimensione) {
  for (;;) {
    const ssize_t n = ::read(d, zona, dimensione);
    if (n < 0 && errno == EINTR) continue;
    return n > 0 ? static_cast<size_t>(n) : 0;
  }
}

bool altro_in_arrivo(int d) {
  pollfd p{d, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
}

void scrittura_su_tubo_chiuso_fallisce() { ::signal(SIGPIPE, SIG_IGN); }

std::tm ora_locale(std::time_t t) {
  std::tm locale{};
  ::localtime_r(&t, &locale);
  return locale;
}

// ---- Files -------------------------------------------------------------------------------

std::string leggi_regolare(const fs::path& file, size_t limite) {
  // Opened without waiting, so that a pipe with no writer does not hold the program.
  const int d = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (d < 0) throw errore_file(file, motivo_errno());
  struct chiusura {
    int d;
    ~chiusura() { ::close(d); }
  } chiudi_d{d};
  struct stat stato {};
  if (::fstat(d, &stato) != 0) throw errore_file(file, motivo_errno());
  if (S_ISDIR(stato.st_mode)) throw errore_file(file, motivo_di(EISDIR));
  if (!S_ISREG(stato.st_mode)) throw errore_file(file, motivo(causa_file::non_regolare));
  if (static_cast<uintmax_t>(stato.st_size) > limite) throw testo_troppo_grande(file, limite);
  // Read straight into the text, one byte more than its size, so that a file that grew
  // meanwhile is seen and read on, held to the same limit.
  std::string contenuto(static_cast<size_t>(stato.st_size) + 1, '\0');
  size_t letti_tutti = 0;
  for (;;) {
    if (letti_tutti == contenuto.size()) {
      if (contenuto.size() > limite) throw testo_troppo_grande(file, limite);
      contenuto.resize(std::min(contenuto.size() * 2, limite + 1));
    }
    const ssize_t letti = ::read(d, contenuto.data() + letti_tutti, contenuto.size() - letti_tutti);
    if (letti < 0) {
      if (errno == EINTR) continue;
      throw errore_file(file, motivo_errno());
    }
    if (letti == 0) break;
    letti_tutti += static_cast<size_t>(letti);
  }
  if (letti_tutti > limite) throw testo_troppo_grande(file, limite);
  contenuto.resize(letti_tutti);
  return contenuto;
}

memoria_preparata::memoria_preparata([[maybe_unused]] uint64_t byte) {
#if defined(__GLIBC__) && defined(MADV_POPULATE_WRITE)
  // Below a megabyte a thread costs more than the faults it spares; past the allocator's
  // largest heap block, the room would be handed back to the system at once.
  static constexpr uint64_t MEGABYTE = uint64_t{1} << 20, FINO_A = uint64_t{32} << 20;
  if (byte < MEGABYTE) return;
  const size_t dimensione = static_cast<size_t>(std::min(byte, FINO_A));
  // Blocks up to that size come from the heap, and the heap, once grown, stays: the room
  // taken and given back here is the room the build's texts and records are given next.
  if (mallopt(M_MMAP_THRESHOLD, static_cast<int>(FINO_A)) == 0) return;
  if (mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * FINO_A)) == 0) return;
  void* const stanza = std::malloc(dimensione);
  if (stanza == nullptr) return;
  const uintptr_t pagina = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  const uintptr_t da = (reinterpret_cast<uintptr_t>(stanza) + pagina - 1) & ~(pagina - 1);
  const uintptr_t a = (reinterpret_cast<uintptr_t>(stanza) + dimensione) & ~(pagina - 1);
  std::free(stanza);
  if (a <= da) return;
  try {
    const segnali_sospesi sospesi;
    // A megabyte at a time, so that a build that ends early does not wait for the rest.
    // The call only puts pages in place: what the build writes there meanwhile stays.
    preparazione_ = std::thread([this, da, a] {
      for (uintptr_t p = da; p < a && !basta_.load(std::memory_order_relaxed); p += MEGABYTE) {
        if (::madvise(reinterpret_cast<void*>(p), std::min<uintptr_t>(MEGABYTE, a - p), MADV_POPULATE_WRITE) != 0) return;
      }
    });
  } catch (const std::system_error&) {
  }
#endif
}

memoria_preparata::~memoria_preparata() {
  basta_ = true;
  if (preparazione_.joinable()) preparazione_.join();
}

std::optional<maniglia> crea_nuovo(const fs::path& file, const fs::path& nome) {
  const int d = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (d >= 0) return d;
  if (errno == EEXIST) return std::nullopt;
  throw errore_file(nome, motivo_errno());
}

void prendi_permessi(maniglia m, const fs::path& precedente, const fs::path& nome) {
  struct stat stato {};
  if (::stat(precedente.c_str(), &stato) != 0 || !S_ISREG(stato.st_mode)) return;
  // The earlier file's owner (which only root can give away; otherwise the file stays
  // the writer's) and then its permissions, since a change of owner clears set-user-ID.
  if (stato.st_uid != ::geteuid() || stato.st_gid != ::getegid()) {
    [[maybe_unused]] const int ignorato = ::fchown(descrittore(m), stato.st_uid, stato.st_gid);
  }
  if (::fchmod(descrittore(m), stato.st_mode & 07777) != 0) throw errore_file(nome, motivo_errno());
}

void scrivi(maniglia m, std::string_view byte, const fs::path& nome) {
  while (!byte.empty()) {
    const ssize_t scritti = ::write(descrittore(m), byte.data(), byte.size());
    if (scritti < 0) {
      if (errno == EINTR) continue;
      throw errore_file(nome, motivo_errno());
    }
    byte.remove_prefix(static_cast<size_t>(scritti));
  }
}

void scrivi_a(maniglia m, uint64_t posizione, std::string_view byte, const fs::path& nome) {
  auto dove = static_cast<off_t>(posizione);
  while (!byte.empty()) {
    const ssize_t scritti = ::pwrite(descrittore(m), byte.data(), byte.size(), dove);
    if (scritti < 0) {
      if (errno == EINTR) continue;
      throw errore_file(nome, motivo_errno());
    }
    dove += scritti;
    byte.remove_prefix(static_cast<size_t>(scritti));
  }
}

void riserva([[maybe_unused]] maniglia m, [[maybe_unused]] uint64_t byte) {
#if defined(__linux__)
  if (byte == 0) return;
  while (::fallocate(descrittore(m), 0, 0, static_cast<off_t>(byte)) != 0 && errno == EINTR) {
  }
#endif
}

void chiudi(maniglia m, const fs::path& nome) {
  if (::close(descrittore(m)) != 0) throw errore_file(nome, motivo_errno());
}

void chiudi_senza_controllo(maniglia m) { ::close(descrittore(m)); }

bool sola_lettura(const fs::path& file) {
  struct stat stato {};
  if (::stat(file.c_str(), &stato) != 0) return false;
  return (stato.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(file.c_str(), W_OK) != 0;
}

bool da_riscrivere_sul_posto(const fs::path& file) {
  struct stat stato {};
  if (::stat(file.c_str(), &stato) != 0) return false;
  return stato.st_nlink > 1 || (::geteuid() != 0 && stato.st_uid != ::geteuid());
}

void riscrivi_sul_posto(const fs::path& file, std::string_view byte, const fs::path& nome) {
  const int d = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
  if (d < 0) throw errore_file(nome, motivo_errno());
  const maniglia m = d;
  try {
#if defined(__linux__)
    // The room, without changing the length yet; a file system without the call writes on.
    int esito = 0;
    while ((esito = ::fallocate(d, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(byte.size()))) != 0 && errno == EINTR) {
    }
    if (esito != 0 && errno != EOPNOTSUPP && errno != ENOSYS && errno != EINVAL) throw errore_file(nome, motivo_errno());
#endif
    scrivi_a(m, 0, byte, nome);
    if (::ftruncate(d, static_cast<off_t>(byte.size())) != 0) throw errore_file(nome, motivo_errno());
  } catch (...) {
    chiudi_senza_controllo(m);
    throw;
  }
  chiudi(m, nome);
}

void verifica_sostituibile(const fs::path& destinazione) {
  std::error_code ec;
  if (fs::is_directory(destinazione, ec)) throw errore_file(destinazione, motivo_di(EISDIR));
}

// Where the name already holds a file, the two names are exchanged in one step and the
// earlier file, now under the temporary name, is deleted. The name holds the earlier file
// or the whole new one throughout, as with a rename; but ext4 answers a rename that
// replaces a file by writing the whole new file out at once, which costs a large compiled
// file more than its own writing (the README says why no build waits for the disk).
// Where there is no earlier file, or the file system cannot exchange, a rename.
void sostituisci_nome(const fs::path& da, const fs::path& a) {
  if (scambia_nomi(da, a)) {
    ::unlink(da.c_str());
    return;
  }
  if (::rename(da.c_str(), a.c_str()) != 0) throw errore_file(a, motivo_errno());
}

bool scambia_nomi([[maybe_unused]] const fs::path& da, [[maybe_unused]] const fs::path& a) {
#if defined(__linux__) && defined(RENAME_EXCHANGE)
  return ::renameat2(AT_FDCWD, da.c_str(), AT_FDCWD, a.c_str(), RENAME_EXCHANGE) == 0;
#else
  return false;
#endif
}

esito_collegamento collega(const fs::path& file, const fs::path& altro) {
  if (::link(file.c_str(), altro.c_str()) == 0) return esito_collegamento::fatto;
  if (errno == EEXIST) return esito_collegamento::nome_occupato;
  return errno == ENOENT ? esito_collegamento::nessun_file : esito_collegamento::impossibile;
}

std::optional<std::string> elimina(const fs::path& file) {
  if (::unlink(file.c_str()) == 0 || errno == ENOENT) return std::nullopt;
  return motivo_errno();
}

// ---- Watching the texts ------------------------------------------------------------------

// SIGINT and SIGTERM, blocked for the whole watch and read from a descriptor beside the
// folders' events: an interruption never lands in the middle of a build. They stay blocked
// when the watch ends, since the program ends right after it. The folders are watched for
// files written and closed or moved in.
struct osservatore::stato {
  struct testo_osservato {
    fs::path cartella;
    std::string nome;
    int guardia = -1;
  };
  int segnali = -1;
  int inotify = -1;
  testo_osservato testi[2];

  ~stato() {
    if (segnali >= 0) ::close(segnali);
    if (inotify >= 0) ::close(inotify);
  }

  testo_osservato guarda(const std::string& testo_file) {
    const fs::path file(testo_file);
    testo_osservato t;
    t.cartella = file.has_parent_path() ? file.parent_path() : fs::path(".");
    t.nome = file.filename().string();
    // Both texts in one folder give the same watch, and the same descriptor.
    t.guardia = inotify_add_watch(inotify, t.cartella.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_ONLYDIR);
    if (t.guardia < 0) throw errore_file(t.cartella, motivo_errno());
    return t;
  }

  // Reads the events waiting: true when one of them is about a text (or events were
  // lost, which may have hidden one).
  bool leggi() {
    bool cambiato = false;
    alignas(inotify_event) char zona[8192];
    for (;;) {
      const ssize_t letti = ::read(inotify, zona, sizeof zona);
      if (letti < 0 && errno == EINTR) continue;
      if (letti < 0 && errno == EAGAIN) return cambiato;
      if (letti <= 0) throw std::runtime_error("inotify: " + motivo_errno());
      const auto fine = static_cast<size_t>(letti);
      for (size_t i = 0; i + sizeof(inotify_event) <= fine;) {
        inotify_event evento;
        std::memcpy(&evento, zona + i, sizeof evento);
        const size_t nome_da = i + sizeof evento;
        const size_t lunghezza = std::min<size_t>(evento.len, fine - nome_da);
        const std::string nome(zona + nome_da, strnlen(zona + nome_da, lunghezza));
        i = nome_da + lunghezza;
        if (evento.mask & IN_Q_OVERFLOW) cambiato = true;
        for (const testo_osservato& t : testi) {
          if (evento.wd != t.guardia) continue;
          if (evento.mask & IN_IGNORED) throw errore_file(t.cartella, traduci("file.non_osservabile"));
          if (nome == t.nome) cambiato = true;
        }
      }
    }
  }
};

osservatore::osservatore(const std::vector<std::string>& file) : stato_(std::make_unique<stato>()) {
  sigset_t insieme;
  sigemptyset(&insieme);
  sigaddset(&insieme, SIGINT);
  sigaddset(&insieme, SIGTERM);
  if (sigprocmask(SIG_BLOCK, &insieme, nullptr) != 0) throw std::runtime_error(motivo_errno());
  stato_->segnali = signalfd(-1, &insieme, SFD_CLOEXEC | SFD_NONBLOCK);
  if (stato_->segnali < 0) throw std::runtime_error("signalfd: " + motivo_errno());
  stato_->inotify = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (stato_->inotify < 0) throw std::runtime_error("inotify: " + motivo_errno());
  for (size_t i = 0; i < file.size() && i < 2; ++i) stato_->testi[i] = stato_->guarda(file[i]);
}

osservatore::~osservatore() = default;

osservatore::evento osservatore::attendi(std::optional<std::chrono::milliseconds> limite) {
  const int attesa = limite ? static_cast<int>(std::max<int64_t>(0, limite->count())) : -1;
  for (;;) {
    pollfd attesi[2] = {{stato_->segnali, POLLIN, 0}, {stato_->inotify, POLLIN, 0}};
    const int pronti = ::poll(attesi, 2, attesa);
    if (pronti < 0 && errno == EINTR) continue;
    if (pronti < 0) throw std::runtime_error("poll: " + motivo_errno());
    if (attesi[0].revents != 0) return evento::fine;  // the signal stays pending, unread
    if (attesi[1].revents != 0 && stato_->leggi()) return evento::salvataggio;
    return evento::scaduto;
  }
}

}  // namespace sistema

}  // namespace scenario
