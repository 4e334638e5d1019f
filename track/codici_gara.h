// The two identity codes of a scenario, computed from the train and line identifiers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/modello.h"

namespace scenario {

// The 26 letters that fill the identity text when the identifiers are short.
inline constexpr std::string_view RIEMPITIVO = "tgkwrpmezqhvnsxdubclyafjoi";

// Lower-case form of an ISO 8859-1 character (A-Z and the accented capitals).
constexpr char minuscola_latin1(char carattere) {
  const auto c = static_cast<unsigned char>(carattere);
  const bool maiuscola = (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
  return maiuscola ? static_cast<char>(c + 32) : carattere;
}

// Lower-case form of an ISO 8859-1 text (A-Z and the accented capitals).
std::string minuscolo_latin1(std::string_view testo);

// The two identity codes of a train and a line identifier: the lower-case form of train
// then line, then the filler; over its first 25 characters, the plain sum of their codes
// and the sum of i times the code of character i.
struct codici_identita {
  int32_t og = 0;  // plain sum, carried by track cell 1 `dato2`
  int32_t st = 0;  // weighted sum, carried by table entry 85 `orario`
};
codici_identita calcola_codici_identita(std::string_view treno, std::string_view linea);
// The same for the identifiers as the files' names write them (identificativo_8bit).
codici_identita codici_dei_nomi(std::string_view treno, std::string_view linea);

// Plain sum of the codes of the first 25 characters of the identity text.
int32_t codice_gara_og(const modello& m);

// Sum of i times the code of character i, for i = 1 to 25.
int32_t codice_gara_st(const modello& m);

}  // namespace scenario
