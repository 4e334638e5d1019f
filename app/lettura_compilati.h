// The edge of the inspector: reads a scenario's three compiled files from a folder and
// writes its page. Every file-system operation of the inspector is here.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "nucleo/marcia_tesa.h"
#include "output/decodifica.h"

namespace scenario {

// Reads LINEA_linea.dat, LINEA_TRENO.sim and LINEA_TRENO.dat from `cartella` (regular
// files only). On failure returns false with the file and the reason in `errore`.
bool leggi_file_compilati(const std::filesystem::path& cartella, const std::string& linea,
                          const std::string& treno, file_compilati_letti& file, std::string& errore);

// Result of reading and decoding a compiled scenario from a folder.
struct lettura_scenario {
  std::optional<scenario_decodificato> scenario;
  std::string errore;      // one line, when `scenario` is empty
  bool file_rovinato = false;  // the files were read but do not decode (status 1, not 2)
};
// With `altri_nomi`, files copied under other names than those the set carries are read.
lettura_scenario leggi_scenario_compilato(const std::filesystem::path& cartella, const std::string& linea,
                                          const std::string& treno, bool altri_nomi = false);

// The page of the compiled scenario in `cartella`, written whole to `pagina`: what
// `compila_scenario --anteprima PAGINA` does after a successful build, from the bytes
// just written, with the fastest run of the train `marcia` describes. Returns an empty
// text, or the reason it could not.
std::string scrivi_anteprima(const std::filesystem::path& cartella, const std::string& linea,
                             const std::string& treno, const std::filesystem::path& pagina,
                             const scelte_marcia& marcia = {});

}  // namespace scenario
