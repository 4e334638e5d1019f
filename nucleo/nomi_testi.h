// The names a scenario's files go by, and the rules that pair its two texts by their names:
// the same for the command line, the language server and the formatter. Names alone, never
// a folder: the caller takes a file's own name from its path, and says how the system
// compares two names.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lingue/catalogo.h"

namespace scenario {

inline constexpr const char* NOME_PROGRAMMA = "compila_scenario";

// Names of the compiled files.
std::string nome_geometria(const std::string& linea);                            // linea_linea.dat
std::string nome_tabella(const std::string& linea, const std::string& treno);   // linea_treno.sim
std::string nome_percorso(const std::string& linea, const std::string& treno);  // linea_treno.dat

// Whether the system takes two names (UTF-8) for one: byte for byte, or as the system
// compares them (without regard to letter case on Windows).
using stesso_nome_file = bool (*)(std::string_view, std::string_view);
bool stessi_byte(std::string_view a, std::string_view b);

// The line identifier from a line text's own name "<linea>_linea.txt", or empty when the
// name does not follow that form.
std::string linea_del_nome(std::string_view nome, stesso_nome_file stesso);
// The train identifier from a run text's own name "<linea>_<treno>-.txt" for the given
// line, or empty when the name does not follow that form.
std::string treno_del_nome(std::string_view nome, std::string_view linea, stesso_nome_file stesso);

// The partner of a text among the names of the files in its folder (`nomi`): a run text
// LINEA_TRENO-.txt goes with LINEA_linea.txt (the longest LINEA that has one, for a line
// whose name holds "_"), a line text with its one run text. The reason when there is none,
// or when a line has several runs.
struct partner_testo {
  std::string nome;    // the partner's name, one of `nomi`
  bool linea = false;  // the partner is the line text: `nome_testo` is a run text
  std::optional<messaggio> errore;
};
partner_testo partner_del_nome(const std::string& nome_testo, const std::vector<std::string>& nomi,
                               stesso_nome_file stesso);

enum class identificativo { linea, treno };

// Why `id`, the identifier of the line or of the train, cannot be part of a file's name,
// as a usage error's message; nothing when it can. The same on every system, so that a
// scenario made on one builds on the other: no folder separator, none of the characters
// Windows keeps for itself, no control character, no trailing dot or space (which Windows
// drops), and no device name (CON, NUL, COM1...) that Windows would open instead of a file.
std::optional<messaggio> identificativo_errato(std::string_view id, identificativo cosa);

}  // namespace scenario
