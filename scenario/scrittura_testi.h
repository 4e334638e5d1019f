// The writing steps shared by the five text writers: a list of lines ended by the
// sentinel, written line by line with CR LF, one byte a character (ISO 8859-1),
// replacing the file whole.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace scenario {

inline constexpr std::string_view SENTINELLA = "riferimento fine del file";
inline constexpr size_t POSTI_ELENCO = 1001;  // room of a line list, sentinel included

// The bytes of a text: every line before the sentinel, each followed by CR LF.
std::string componi_testo(const std::vector<std::string>& elenco);

// Writes the line list to `file`, replacing it whole.
void scrivi_elenco(const std::filesystem::path& file, const std::vector<std::string>& elenco);

}  // namespace scenario
