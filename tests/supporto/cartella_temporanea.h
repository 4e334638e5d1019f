// A private folder for one test, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "piattaforma/sostituzione.h"

namespace scenario::prova {

class cartella_temporanea {
 public:
  cartella_temporanea() : cartella_("scenario-prova") {}

  const std::filesystem::path& percorso() const { return cartella_.percorso(); }
  std::filesystem::path operator/(const std::string& nome) const { return percorso() / nome; }

  void scrivi(const std::string& nome, std::string_view contenuto) const;
  std::string leggi(const std::string& nome) const;
  bool esiste(const std::string& nome) const;

 private:
  cartella_privata cartella_;
};

// Every byte of a file.
std::string leggi_tutto(const std::filesystem::path& file);

// Joins lines with CR LF after each, as the description texts are written.
std::string righe_crlf(std::initializer_list<std::string_view> righe);

}  // namespace scenario::prova
