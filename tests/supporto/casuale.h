// Test support: a fixed sequence of numbers for a seed, the same on every machine (no
// library distribution, whose results the standard leaves to each implementation).
#pragma once

#include <cstdint>

namespace scenario::prova {

// splitmix64.
class casuale {
 public:
  explicit casuale(uint64_t seme) : stato_(seme) {}
  uint64_t prossimo() {
    uint64_t z = (stato_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 to n - 1.
  int64_t sotto(int64_t n) { return n <= 0 ? 0 : static_cast<int64_t>(prossimo() % static_cast<uint64_t>(n)); }
  int64_t tra(int64_t a, int64_t b) { return a + sotto(b - a + 1); }
  bool moneta(int su = 2) { return sotto(su) == 0; }

 private:
  uint64_t stato_;
};

}  // namespace scenario::prova
