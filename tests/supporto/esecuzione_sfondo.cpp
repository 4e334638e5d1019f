#include "tests/supporto/esecuzione_sfondo.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;

namespace scenario::prova {

using namespace std::chrono_literals;

processo_sfondo::processo_sfondo(const std::string& eseguibile,
                                 const std::vector<std::string>& argomenti,
                                 const std::filesystem::path& corrente,
                                 const std::filesystem::path& tmpdir, tappe* punti,
                                 const std::vector<std::string>& variabili) {
  const std::string file_uscita = (appunti_ / "stdout").string();
  const std::string file_errori = (appunti_ / "stderr").string();
  std::vector<std::string> parole = {eseguibile};
  parole.insert(parole.end(), argomenti.begin(), argomenti.end());
  std::vector<char*> argv;
  for (std::string& p : parole) argv.push_back(p.data());
  argv.push_back(nullptr);
  std::vector<std::string> ambiente = {"TMPDIR=" + tmpdir.string()};
  if (punti != nullptr) ambiente.push_back(punti->variabile());
  ambiente.insert(ambiente.end(), variabili.begin(), variabili.end());
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string v(*e);
    bool tolta = false;
    for (const char* nome : {"TMPDIR=", "LANGUAGE=", "LC_ALL=", "LC_MESSAGES=", "LANG="}) tolta = tolta || v.starts_with(nome);
    if (!tolta) ambiente.push_back(v);
  }
  std::vector<char*> envp;
  for (std::string& v : ambiente) envp.push_back(v.data());
  envp.push_back(nullptr);
  const std::string cartella = corrente.string();

  pid_ = fork();
  if (pid_ == 0) {
    const int nulla = open("/dev/null", O_RDONLY);
    const int out = open(file_uscita.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(file_errori.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (nulla < 0 || out < 0 || err < 0 || chdir(cartella.c_str()) != 0) _exit(127);
    dup2(nulla, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (punti != nullptr) fcntl(punti->descrittore_programma(), F_SETFD, 0);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  if (punti != nullptr) punti->avviato();
}

processo_sfondo::~processo_sfondo() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

std::string processo_sfondo::uscita_grezza() const { return uscita(); }

std::string processo_sfondo::errori_grezzi() const { return errori(); }

std::string processo_sfondo::uscita() const {
  return appunti_.esiste("stdout") ? appunti_.leggi("stdout") : "";
}

std::string processo_sfondo::errori() const {
  return appunti_.esiste("stderr") ? appunti_.leggi("stderr") : "";
}

void processo_sfondo::segnala(int segnale) const {
  if (pid_ > 0) kill(pid_, segnale);
}

int processo_sfondo::attendi(std::chrono::milliseconds limite) {
  if (pid_ <= 0) return -1;
  const auto fine = std::chrono::steady_clock::now() + limite;
  int stato = 0;
  for (;;) {
    const pid_t finito = waitpid(pid_, &stato, WNOHANG);
    if (finito == pid_) break;
    if (finito < 0 || std::chrono::steady_clock::now() > fine) return -1;  // killed by the destructor
    std::this_thread::sleep_for(20ms);
  }
  pid_ = -1;
  return WIFEXITED(stato) ? WEXITSTATUS(stato) : -1;
}

size_t occorrenze(const std::string& testo, const std::string& parte) {
  size_t n = 0;
  for (size_t i = testo.find(parte); i != std::string::npos; i = testo.find(parte, i + 1)) ++n;
  return n;
}

}  // namespace scenario::prova
