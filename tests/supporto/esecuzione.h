// Runs the built program as a user does: its own arguments, a current folder, nothing on
// standard input, both outputs captured.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace scenario::prova {

struct esito {
  int stato = -1;      // exit status, -1 when the program did not exit normally
  std::string uscita;  // standard output
  std::string errori;  // standard error
};

// Runs `eseguibile` with `argomenti` from the folder `corrente`, with TMPDIR set to `tmpdir`.
esito esegui(const std::string& eseguibile, const std::vector<std::string>& argomenti,
             const std::filesystem::path& corrente, const std::filesystem::path& tmpdir);

// The names of the entries of a folder.
std::set<std::string> nomi_in(const std::filesystem::path& cartella);

}  // namespace scenario::prova
