#include "tests/supporto/esecuzione.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/supporto/cartella_temporanea.h"

extern char** environ;

namespace scenario::prova {

esito esegui(const std::string& eseguibile, const std::vector<std::string>& argomenti,
             const std::filesystem::path& corrente, const std::filesystem::path& tmpdir) {
  const cartella_temporanea appunti;
  const std::string file_uscita = (appunti / "stdout").string();
  const std::string file_errori = (appunti / "stderr").string();

  // Everything the child needs is prepared before the fork.
  std::vector<std::string> parole = {eseguibile};
  parole.insert(parole.end(), argomenti.begin(), argomenti.end());
  std::vector<char*> argv;
  for (std::string& p : parole) argv.push_back(p.data());
  argv.push_back(nullptr);
  std::vector<std::string> ambiente = {"TMPDIR=" + tmpdir.string()};
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string(*e).rfind("TMPDIR=", 0) != 0) ambiente.emplace_back(*e);
  }
  std::vector<char*> envp;
  for (std::string& v : ambiente) envp.push_back(v.data());
  envp.push_back(nullptr);
  const std::string cartella = corrente.string();

  const pid_t figlio = fork();
  if (figlio == 0) {
    const int nulla = open("/dev/null", O_RDONLY);
    const int out = open(file_uscita.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(file_errori.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (nulla < 0 || out < 0 || err < 0 || chdir(cartella.c_str()) != 0) _exit(127);
    dup2(nulla, 0);
    dup2(out, 1);
    dup2(err, 2);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  esito e;
  int stato = 0;
  if (figlio > 0 && waitpid(figlio, &stato, 0) == figlio && WIFEXITED(stato)) {
    e.stato = WEXITSTATUS(stato);
  }
  e.uscita = appunti.leggi("stdout");
  e.errori = appunti.leggi("stderr");
  return e;
}

esito esegui_copia(const std::string& eseguibile, const std::filesystem::path& cartella,
                   const std::filesystem::path& corrente, const std::filesystem::path& tmpdir) {
  const std::filesystem::path copia = cartella / std::filesystem::path(eseguibile).filename();
  std::filesystem::copy_file(eseguibile, copia, std::filesystem::copy_options::overwrite_existing);
  return esegui(copia.string(), {}, corrente, tmpdir);
}

std::set<std::string> nomi_in(const std::filesystem::path& cartella) {
  std::set<std::string> nomi;
  for (const auto& voce : std::filesystem::directory_iterator(cartella)) {
    nomi.insert(voce.path().filename().string());
  }
  return nomi;
}

std::map<std::string, std::string> contenuti_in(const std::filesystem::path& cartella) {
  std::map<std::string, std::string> contenuti;
  for (const std::string& nome : nomi_in(cartella)) {
    const std::filesystem::path file = cartella / nome;
    contenuti[nome] = std::filesystem::is_directory(file) ? "<cartella>" : leggi_tutto(file);
  }
  return contenuti;
}

}  // namespace scenario::prova
