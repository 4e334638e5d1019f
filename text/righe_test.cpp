#include "text/righe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/supporto/casuale.h"

namespace scenario {
namespace {

// Every line's first byte, a byte at a time, as the reading counts line ends: a CR LF is
// one end, a lone CR and a lone LF one each; after a last line end, one more line, empty.
std::vector<size_t> inizi_byte_per_byte(std::string_view t) {
  std::vector<size_t> inizi = {0};
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') ++i;
    if (t[i] == '\r' || t[i] == '\n') inizi.push_back(i + 1);
  }
  return inizi;
}

TEST(Righe, OgniFineDiRigaComeLaLettura) {
  struct caso {
    std::string testo;
    std::vector<size_t> inizi;
  };
  const std::string lunga(63, 'x');
  const caso casi[] = {
      {"", {0}},
      {"abc", {0}},
      {"a\r\nb", {0, 3}},
      {"a\nb\n", {0, 2, 4}},
      {"a\rb", {0, 2}},
      // LF CR is two ends; CR CR LF a lone CR and then one end.
      {"a\n\rb", {0, 2, 3}},
      {"a\r\r\nb", {0, 2, 4}},
      // A CR LF whose CR ends a block of sixty-four bytes and whose LF begins the next.
      {lunga + "\r\nz", {0, 65}},
      {lunga + "\rz", {0, 64}},
      {lunga + "\n\r", {0, 64, 65}},
  };
  for (const caso& c : casi) {
    righe_testo righe(c.testo);
    for (size_t k = 0; k < c.inizi.size(); ++k) {
      EXPECT_EQ(righe.inizio(static_cast<int64_t>(k) + 1), c.inizi[k]) << c.testo.size() << " riga " << k + 1;
    }
    EXPECT_FALSE(righe.inizio(static_cast<int64_t>(c.inizi.size()) + 1)) << c.testo.size();
    EXPECT_FALSE(righe.inizio(0));
    EXPECT_EQ(fini_riga(c.testo, 0, c.testo.size()), c.inizi.size() - 1);
  }
  righe_testo righe("uno\r\ndue\rtre\n");
  EXPECT_EQ(righe.riga(1), "uno");
  EXPECT_EQ(righe.riga(2), "due");
  EXPECT_EQ(righe.riga(3), "tre");
  EXPECT_EQ(righe.riga(4), "");
  EXPECT_EQ(righe.riga(5), "");
}

// Texts of line ends of every kind in long and short runs, asked for lines in any order:
// each line's first byte is where the byte-by-byte walk puts it, found forwards, backwards
// or from the start; the line that holds a byte begins where the walk says.
TEST(Righe, ComeIlPassoAPassoInOgniOrdine) {
  prova::casuale c(45);
  const char byte[] = {'a', ' ', '\r', '\n', ','};
  for (int giro = 0; giro < 300; ++giro) {
    std::string t;
    const int64_t n = c.tra(0, giro % 10 == 0 ? 2000 : 300);
    // Runs of one byte, so that whole blocks may hold no line end, or only line ends.
    while (static_cast<int64_t>(t.size()) < n) t.append(static_cast<size_t>(c.tra(1, c.moneta(4) ? 130 : 3)), byte[c.sotto(5)]);
    const std::vector<size_t> inizi = inizi_byte_per_byte(t);
    righe_testo righe(t);
    for (int domanda = 0; domanda < 40; ++domanda) {
      const int64_t riga = c.tra(1, static_cast<int64_t>(inizi.size()) + 1);
      const auto trovato = righe.inizio(riga);
      if (static_cast<size_t>(riga) > inizi.size()) {
        EXPECT_FALSE(trovato) << "giro " << giro << " riga " << riga;
      } else {
        EXPECT_EQ(trovato, inizi[static_cast<size_t>(riga - 1)]) << "giro " << giro << " riga " << riga;
      }
    }
    for (int domanda = 0; domanda < 20 && !t.empty(); ++domanda) {
      const auto b = static_cast<size_t>(c.sotto(static_cast<int64_t>(t.size()) + 1));
      const auto a = static_cast<size_t>(c.sotto(static_cast<int64_t>(b) + 1));
      // The line that holds byte b begins at the last start at or before it.
      size_t atteso = 0;
      for (size_t s : inizi) atteso = s <= b ? s : atteso;
      EXPECT_EQ(inizio_della_riga(t, b), atteso) << "giro " << giro << " byte " << b;
      size_t fini = 0;
      for (size_t s : inizi) fini += s > a && s <= b ? 1 : 0;
      EXPECT_EQ(fini_riga(t, a, b), fini) << "giro " << giro << " da " << a << " a " << b;
    }
  }
}

}  // namespace
}  // namespace scenario
