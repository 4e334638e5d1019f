// Runs the built program as a user does: its own arguments, a current folder, nothing on
// standard input, both outputs captured.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace scenario::prova {

struct esito {
  int stato = -1;      // exit status, -1 when the program did not exit normally
  std::string uscita;  // standard output
  std::string errori;  // standard error
};

// Runs `eseguibile` with `argomenti` from the folder `corrente`, with TMPDIR set to `tmpdir`
// and `variabili` ("NOME=valore") added to the environment (esecuzione_sfondo.h).
esito esegui(const std::string& eseguibile, const std::vector<std::string>& argomenti,
             const std::filesystem::path& corrente, const std::filesystem::path& tmpdir,
             const std::vector<std::string>& variabili = {});

// Copies `eseguibile` into `cartella` and runs it there without arguments, as the embedded
// build is run, from the folder `corrente`.
esito esegui_copia(const std::string& eseguibile, const std::filesystem::path& cartella,
                   const std::filesystem::path& corrente, const std::filesystem::path& tmpdir);

// The names of the entries of a folder.
std::set<std::string> nomi_in(const std::filesystem::path& cartella);
// The entries of a folder with their bytes ("<cartella>" for a folder).
std::map<std::string, std::string> contenuti_in(const std::filesystem::path& cartella);

}  // namespace scenario::prova
