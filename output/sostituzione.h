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

// Reads a whole file as bytes. Throws errore_file when it cannot be read.
std::string leggi_file(const std::filesystem::path& file);

}  // namespace scenario
