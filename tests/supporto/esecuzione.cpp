#include "tests/supporto/esecuzione.h"

#include <chrono>

#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/esecuzione_sfondo.h"

namespace scenario::prova {

esito esegui(const std::string& eseguibile, const std::vector<std::string>& argomenti,
             const std::filesystem::path& corrente, const std::filesystem::path& tmpdir,
             const std::vector<std::string>& variabili) {
  processo_sfondo processo(eseguibile, argomenti, corrente, tmpdir, nullptr, variabili);
  esito e;
  e.stato = processo.attendi(std::chrono::minutes(5));
  e.uscita = processo.uscita();
  e.errori = processo.errori();
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
