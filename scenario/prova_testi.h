// Test helpers for the embedded texts: the lines of the written bytes, and the bytes
// outside ASCII. Used by the tests only.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scenario/scrittura_testi.h"

namespace scenario::prova_testi {

// The lines of a written text: every line must end with CR LF, with no bare CR or LF.
inline std::vector<std::string> righe_di(const std::string& testo) {
  std::vector<std::string> righe;
  for (size_t inizio = 0; inizio < testo.size();) {
    const size_t fine = testo.find("\r\n", inizio);
    EXPECT_NE(fine, std::string::npos) << "ultima riga senza CR LF";
    if (fine == std::string::npos) break;
    righe.push_back(testo.substr(inizio, fine - inizio));
    EXPECT_EQ(righe.back().find_first_of("\r\n"), std::string::npos) << "riga " << righe.size();
    inizio = fine + 2;
  }
  return righe;
}

// The lines of a line list as its writer puts them in the file.
inline std::vector<std::string> righe_scritte(const std::vector<std::string>& elenco) {
  return righe_di(componi_testo(elenco));
}

inline size_t byte_oltre_ascii(const std::string& testo) {
  return static_cast<size_t>(std::count_if(testo.begin(), testo.end(), [](char c) {
    return static_cast<unsigned char>(c) > 0x7F;
  }));
}

}  // namespace scenario::prova_testi
