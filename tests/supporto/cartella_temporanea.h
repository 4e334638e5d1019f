// A private folder for one test, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace scenario::prova {

class cartella_temporanea {
 public:
  cartella_temporanea();
  ~cartella_temporanea();
  cartella_temporanea(const cartella_temporanea&) = delete;
  cartella_temporanea& operator=(const cartella_temporanea&) = delete;

  const std::filesystem::path& percorso() const { return percorso_; }
  std::filesystem::path operator/(const std::string& nome) const { return percorso_ / nome; }

  void scrivi(const std::string& nome, std::string_view contenuto) const;
  std::string leggi(const std::string& nome) const;
  bool esiste(const std::string& nome) const;

 private:
  std::filesystem::path percorso_;
};

// Every byte of a file.
std::string leggi_tutto(const std::filesystem::path& file);

// Joins lines with CR LF after each, as the description texts are written.
std::string righe_crlf(std::initializer_list<std::string_view> righe);

}  // namespace scenario::prova
