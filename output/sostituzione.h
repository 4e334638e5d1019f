// Replacing a file whole: the new bytes go to a temporary file beside the target,
// which is then renamed over it. A failure halfway leaves the earlier file as it was.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace scenario {

// A failure of the file system, naming the file and the operating system's reason.
class errore_file : public std::runtime_error {
 public:
  errore_file(const std::filesystem::path& file, const std::string& motivo);
  const std::filesystem::path& file() const { return file_; }

 private:
  std::filesystem::path file_;
};

// Replaces `file` with exactly `contenuto`. Throws errore_file on any failure; the
// temporary file is then removed and `file` keeps its earlier content.
void sostituisci_file(const std::filesystem::path& file, std::string_view contenuto);

// A private folder made with mkdtemp under the system's folder for temporary files
// (TMPDIR when set), named after `prefisso`, removed with everything in it when the value
// goes out of scope.
class cartella_privata {
 public:
  explicit cartella_privata(std::string_view prefisso);  // throws errore_file on failure
  ~cartella_privata();
  cartella_privata(const cartella_privata&) = delete;
  cartella_privata& operator=(const cartella_privata&) = delete;

  const std::filesystem::path& percorso() const { return percorso_; }

 private:
  std::filesystem::path percorso_;
};

// Reads a whole file as bytes. Throws errore_file when it cannot be read.
std::string leggi_file(const std::filesystem::path& file);

}  // namespace scenario
