// The writing steps shared by the five text writers: a list of lines ended by the
// sentinel, turned into the bytes of a text line by line with CR LF, one byte a
// character (ISO 8859-1).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace scenario {

inline constexpr std::string_view SENTINELLA = "riferimento fine del file";
inline constexpr size_t POSTI_ELENCO = 1001;  // room of a line list, sentinel included

// The bytes of a text: every line before the sentinel, each followed by CR LF.
std::string componi_testo(const std::vector<std::string>& elenco);

}  // namespace scenario
