#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "piattaforma/piattaforma.h"

namespace scenario {
namespace {

// Preparing memory only puts pages in place: what the build writes into the room given to
// it, while the preparation runs and after it, stays as written. The writing starts at
// once, so that it goes on while pages are prepared under it.
TEST(MemoriaPreparata, CiòCheLaCostruzioneScriveResta) {
  constexpr size_t VALORI = size_t{3} << 20;  // 24 MiB, within the room prepared
  std::vector<uint64_t> valori;
  {
    const sistema::memoria_preparata memoria(uint64_t{32} << 20);
    valori.resize(VALORI);
    for (size_t i = 0; i < VALORI; ++i) valori[i] = i * 0x9E3779B97F4A7C15u;
  }
  size_t diversi = 0;
  for (size_t i = 0; i < VALORI; ++i) diversi += valori[i] != i * 0x9E3779B97F4A7C15u;
  EXPECT_EQ(diversi, 0u);
}

}  // namespace
}  // namespace scenario
