// Test helpers for the embedded texts: the lines of the written bytes, and the bytes
// outside ASCII. Used by the tests only.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace scenario::prova_testi {

// The lines of a written text: every line must end with CR LF, with no bare CR or LF.
inline std::vector<std::string> righe_di(const std::string& testo) {
  std::vector<std::string> righe;
  size_t inizio = 0;
  while (inizio < testo.size()) {
    const size_t fine = testo.find("\r\n", inizio);
    EXPECT_NE(fine, std::string::npos) << "ultima riga senza CR LF";
    if (fine == std::string::npos) break;
    const std::string riga = testo.substr(inizio, fine - inizio);
    EXPECT_EQ(riga.find_first_of("\r\n"), std::string::npos) << "riga " << righe.size() + 1;
    righe.push_back(riga);
    inizio = fine + 2;
  }
  return righe;
}

inline size_t byte_oltre_ascii(const std::string& testo) {
  return static_cast<size_t>(std::count_if(testo.begin(), testo.end(), [](char c) {
    return static_cast<unsigned char>(c) > 0x7F;
  }));
}

}  // namespace scenario::prova_testi
