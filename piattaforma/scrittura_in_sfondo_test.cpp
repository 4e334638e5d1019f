#include "piattaforma/scrittura_in_sfondo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

namespace scenario {
namespace {

// A file in memory whose writing fails at the piece that starts at `guasto_a`.
class file_prova : public destinazione_memoria {
 public:
  void scrivi_a(uint64_t posizione, std::string_view pezzo) override {
    if (posizione == guasto_a) throw std::runtime_error("disco pieno");
    destinazione_memoria::scrivi_a(posizione, pezzo);
    ++scritti;
  }
  uint64_t guasto_a = UINT64_MAX;
  std::atomic<int> scritti{0};
};

// Hands over "abcd" at 0, 4, 8, ... until `quanti` pieces (or for ever), each from the
// same buffer, rewritten only once the pieces before are written.
void consegna_pezzi(destinazione_byte& d, int quanti) {
  std::string buffer;
  for (int i = 0; i != quanti; ++i) {
    d.attendi_scritture(0);
    buffer = std::string(4, static_cast<char>('a' + i % 26));
    d.scrivi_a_poi(4 * static_cast<uint64_t>(i), buffer);
  }
}

TEST(ScritturaInSfondo, OgniPezzoAlSuoPostoEIlGuastoTorna) {
  file_prova file;
  scrittura_in_sfondo(file, [](destinazione_byte& d) { consegna_pezzi(d, 30); }).attendi();
  EXPECT_EQ(file.byte.size(), 120u);
  EXPECT_EQ(file.byte.substr(100, 8), "zzzzaaaa");

  // The piece at 40 fails: attendi throws the failure itself, and no later piece is written.
  file_prova rotto;
  rotto.guasto_a = 40;
  scrittura_in_sfondo s(rotto, [](destinazione_byte& d) { consegna_pezzi(d, 30); });
  try {
    s.attendi();
    ADD_FAILURE() << "the failure was not thrown";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "disco pieno");
  }
  EXPECT_EQ(rotto.byte.size(), 40u);
  EXPECT_NO_THROW(s.attendi());
}

TEST(ScritturaInSfondo, AbbandonataSiFerma) {
  // A writer that would hand over pieces for ever stops once the writing is abandoned: the
  // value goes (the test would not end otherwise) and nothing is written after.
  file_prova file;
  std::atomic<bool> fermato{false};
  {
    scrittura_in_sfondo s(file, [&](destinazione_byte& d) {
      try {
        consegna_pezzi(d, -1);
      } catch (...) {
        fermato = true;
        throw;
      }
    });
    while (file.scritti == 0) std::this_thread::yield();
  }
  EXPECT_TRUE(fermato);
  const int scritti = file.scritti;
  EXPECT_EQ(file.byte.size(), 4u * static_cast<size_t>(scritti));
}

}  // namespace
}  // namespace scenario
