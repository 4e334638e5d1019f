// Runs the built program in the background, as an author leaves a watching build running
// in a terminal: its standard error can be read while it runs, and it can be sent a
// signal.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/tappe.h"

namespace scenario::prova {

class processo_sfondo {
 public:
  // Starts `eseguibile` with `argomenti` from the folder `corrente`, TMPDIR set to `tmpdir`,
  // nothing on standard input, standard output and error into files of its own; with
  // `punti`, stopping at each point it reaches until the test lets it go on. The
  // variables that choose a language (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) are not passed on, so
  // that the program speaks its default whatever the tester's settings; `variabili`
  // ("NOME=valore") are added.
  processo_sfondo(const std::string& eseguibile, const std::vector<std::string>& argomenti,
                  const std::filesystem::path& corrente, const std::filesystem::path& tmpdir,
                  tappe* punti = nullptr, const std::vector<std::string>& variabili = {});
  // A process still running is killed.
  ~processo_sfondo();
  processo_sfondo(const processo_sfondo&) = delete;
  processo_sfondo& operator=(const processo_sfondo&) = delete;

  // Standard error so far.
  std::string errori() const;
  // Standard output so far.
  std::string uscita() const;
  // The bytes as the program wrote them to its files: on Windows UTF-16 with CR LF for a
  // person's text (uscita and errori give it back as UTF-8 with LF), the same elsewhere.
  std::string uscita_grezza() const;
  std::string errori_grezzi() const;
  void segnala(int segnale) const;
  // Waits for the end: the exit status, -1 when it did not exit normally or not within
  // `limite` (it is then killed).
  int attendi(std::chrono::milliseconds limite = std::chrono::seconds(30));

 private:
  cartella_temporanea appunti_;
  int pid_ = -1;
  void* maniglia_ = nullptr;  // the process on Windows
};

// How many times `parte` occurs in `testo`.
size_t occorrenze(const std::string& testo, const std::string& parte);

}  // namespace scenario::prova
