#include "tests/supporto/cartella_temporanea.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace scenario::prova {

void cartella_temporanea::scrivi(const std::string& nome, std::string_view contenuto) const {
  std::ofstream flusso(percorso() / nome, std::ios::binary | std::ios::trunc);
  flusso.write(contenuto.data(), static_cast<std::streamsize>(contenuto.size()));
}

std::string cartella_temporanea::leggi(const std::string& nome) const {
  return leggi_tutto(percorso() / nome);
}

std::string leggi_tutto(const std::filesystem::path& file) {
  std::ifstream flusso(file, std::ios::binary);
  std::ostringstream letto;
  letto << flusso.rdbuf();
  return letto.str();
}

bool cartella_temporanea::esiste(const std::string& nome) const {
  return std::filesystem::exists(percorso() / nome);
}

std::string righe_crlf(std::initializer_list<std::string_view> righe) {
  std::string testo;
  for (std::string_view riga : righe) {
    testo += riga;
    testo += "\r\n";
  }
  return testo;
}

}  // namespace scenario::prova
