#include "output/file_compilati.h"

#include <gtest/gtest.h>

#include <cstring>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

namespace scenario {
namespace {

// Bytes written as a list of numbers, for readable expectations.
std::string byte_di(std::initializer_list<int> valori) {
  std::string risultato;
  for (int v : valori) risultato.push_back(static_cast<char>(v));
  return risultato;
}

TEST(FilePercorso, QuindiciByteACellaSenzaVuoti) {
  const cella c{0x81, 0x1234, -2, 0x0A0B, -32768, 0x21, 0x62, 0x03, 0x20, 0x96, 0x07};
  const cella seconda{.tipo = 0x0E, .aderenza = 0x55};
  // Every field little-endian, in the order of the record; -2 is FE FF, -32768 is 00 80.
  // Cell i starts at 15 * i: the second follows the first with no gap.
  EXPECT_EQ(serializza_percorso({c, seconda}),
            byte_di({0x81, 0x34, 0x12, 0xFE, 0xFF, 0x0B, 0x0A, 0x00, 0x80, 0x21, 0x62, 0x03, 0x20,
                     0x96, 0x07, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x55}));

  // L = 39000: N = round(46000 / 50) = 920, 921 cells of 15 bytes = 13815 bytes; cell 1's
  // dato1 5121 = 0x1401 is at offset 16.
  std::vector<cella> percorso(921);
  percorso[1].dato1 = 5121;
  const std::string b = serializza_percorso(percorso);
  ASSERT_EQ(b.size(), 13815u);
  EXPECT_EQ(b.substr(16, 2), byte_di({0x01, 0x14}));
}

TEST(FileTabella, VociDi34BytePiuIlNome) {
  // 87 untouched entries: 87 x 34 = 2958 zero bytes, each with a zero text length.
  std::array<voce, VOCI_TABELLA> tabella{};
  EXPECT_EQ(serializza_tabella(tabella), std::string(2958, '\0'));

  // -100000 = 2^32 - 100000 = 0xFFFE7960; 610 = 0x0262.
  tabella[5] = {0x0B,   0x01020304, -100000, -1,   0xA1, "ABCDEFGHIJKLMNO", 610, -2,
                0x1122, -32768,     0x7FFF,  0xB2, 30,   0xC3,              0xD4, INT32_MIN};
  tabella[6].tipo = 0x66;
  tabella[86].orario = 0x0A0B0C0D;
  const std::string b = serializza_tabella(tabella);
  ASSERT_EQ(b.size(), 2958u + 15u);
  // A name of 15 characters makes its entry 49 bytes long.
  EXPECT_EQ(b.substr(5 * 34, 49),
            byte_di({0x0B, 0x04, 0x03, 0x02, 0x01, 0x60, 0x79, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                     0xA1, 0x0F, 0x00}) +
                "ABCDEFGHIJKLMNO" +
                byte_di({0x62, 0x02, 0xFE, 0xFF, 0x22, 0x11, 0x00, 0x80, 0xFF, 0x7F, 0xB2, 30,
                         0xC3, 0xD4, 0x00, 0x00, 0x00, 0x80}));
  // Entry 6 starts 15 bytes later than after five plain entries: 5 * 34 + 49 = 219; the
  // last entry's time of day fills the last four bytes.
  EXPECT_EQ(static_cast<unsigned char>(b[219]), 0x66);
  EXPECT_EQ(b.substr(b.size() - 4), byte_di({0x0D, 0x0C, 0x0B, 0x0A}));
}

TEST(FileTabella, TestiLatiniELunghezzaMassima) {
  // "Kestl Sud" with u-umlaut: 9 bytes, the u-umlaut the single byte FC.
  std::array<voce, VOCI_TABELLA> tabella{};
  tabella[0].nome = "Kestl S\xFC" "d";
  EXPECT_EQ(serializza_tabella(tabella).substr(14, 11),
            byte_di({0x09, 0x00, 'K', 'e', 's', 't', 'l', ' ', 'S', 0xFC, 'd'}));

  // The length field holds at most 65535: a longer name must not be written with a
  // wrapped length, which would shift every later entry.
  tabella[3].nome = std::string(65535, 'a');
  EXPECT_EQ(serializza_tabella(tabella).size(), 2958u + 9u + 65535u);
  tabella[3].nome.push_back('b');
  EXPECT_ANY_THROW(serializza_tabella(tabella));
}

// The plan as the reading stage builds it for a straight line of `lunghezza` metres
// heading along +y: metres 0 and 1 as 16-bit integers, then straight steps up to M - 2,
// the last two metres empty.
piano_tracciato tracciato_diritto(int32_t lunghezza) {
  piano_tracciato p;
  p.ultimo_metro = lunghezza + 7000;
  p.origine = true;
  p.tratti = {{p.ultimo_metro - 2, 0.0}};
  p.cursore = p.ultimo_metro - 1;
  return p;
}

TEST(FileTracciato, TutteLeXPoiTutteLeY) {
  const std::string b = serializza_tracciato(tracciato_diritto(10));
  // Each half: 2 * 4 + (M - 3) * 10 + 2 * 2 = 10 * L + 69982 with M = L + 7000.
  const size_t meta = 10 * 10 + 69982;
  ASSERT_EQ(b.size(), 2 * meta);
  // x = 0, 0 and 0.0; y = 0, 1 and 2.0 (0x4000000000000000).
  EXPECT_EQ(b.substr(0, 18), byte_di({0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x05, 0x00,
                                      0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(b.substr(meta, 18), byte_di({0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x00, 0x05,
                                         0x00, 0, 0, 0, 0, 0, 0, 0, 0x40}));
  // y of metre 5000 at 8 + 4998 * 10 bytes into its half: 5000 = 1.220703125 * 2^12,
  // exponent 1023 + 12 = 0x40B, fraction 0.220703125 = 0x388 / 2^12: 0x40B3880000000000.
  EXPECT_EQ(b.substr(meta + 8 + 4998 * 10, 10),
            byte_di({0x05, 0x00, 0, 0, 0, 0, 0, 0x88, 0xB3, 0x40}));
  // Both halves end with two empty elements.
  EXPECT_EQ(b.substr(meta - 4, 4), std::string(4, '\0'));
  EXPECT_EQ(b.substr(b.size() - 4), std::string(4, '\0'));

  // A curve to the left from metre 2 (k = -0.003): x[2] = 0 + 0 + (-0.003) * 1 = -0.003,
  // y[2] = 1 + 1 - (-0.003) * 0 = 2; the bytes are the doubles' own.
  piano_tracciato curva = tracciato_diritto(10);
  curva.tratti = {{2, -0.003}, {curva.ultimo_metro - 2, 0.0}};
  const std::string c = serializza_tracciato(curva);
  double x2 = 0;
  std::memcpy(&x2, c.data() + 10, 8);
  EXPECT_EQ(x2, -0.003);
  // An empty plan (no origin, nothing computed) is all empty elements.
  piano_tracciato vuoto;
  vuoto.ultimo_metro = 1;
  EXPECT_EQ(serializza_tracciato(vuoto), std::string(8, '\0'));
  // For L = 39000: 20 * 39000 + 139964 = 919964 bytes.
  EXPECT_EQ(serializza_tracciato(tracciato_diritto(39000)).size(), 919964u);
}

// A destination that takes each piece when it is handed over and reads its bytes only
// when the writer waits for it, as late as a writer on another thread may. With
// `guasto_alla`, that wait fails before anything is written, as an abandoned writing
// does while its last pieces are still being written.
class destinazione_differita : public destinazione_memoria {
 public:
  void scrivi_a_poi(uint64_t posizione, std::string_view pezzo) override {
    attese.push_back({posizione, pezzo});
    ++consegnati;
  }
  void attendi_scritture(size_t al_piu) override {
    if (++attendi == guasto_alla) throw std::runtime_error("abbandonata");
    while (attese.size() > al_piu) {
      scrivi_a(attese.front().first, attese.front().second);
      attese.erase(attese.begin());
    }
  }
  bool scrive_dopo() const override { return true; }
  std::vector<std::pair<uint64_t, std::string_view>> attese;
  int consegnati = 0;
  int attendi = 0;
  int guasto_alla = -1;
};

TEST(FileTracciato, UnPezzoConsegnatoNonCambiaFinCheEScritto) {
  // The longest line, curving all along, is made in pieces: a piece handed over is not
  // touched again until the writer has waited for it, so the file is the one made at once.
  piano_tracciato p = tracciato_diritto(1000000);
  p.tratti.clear();
  for (int64_t metro = 1000; metro < p.ultimo_metro - 2000; metro += 2000) {
    p.tratti.push_back({metro, 0.0});
    p.tratti.push_back({metro + 1000, metro % 4000 == 1000 ? 0.002 : -0.002});
  }
  p.tratti.push_back({p.ultimo_metro - 2, 0.0});
  destinazione_differita d;
  serializza_tracciato(p, d);
  // 20 * 1000000 + 139964 bytes, in pieces of at most 1 MiB: at least ten of each half.
  EXPECT_GE(d.consegnati, 20);
  EXPECT_TRUE(d.attese.empty());
  EXPECT_TRUE(d.byte == serializza_tracciato(p));

  // A writing that fails midway leaves no piece still to be read when its buffers go.
  destinazione_differita fallita;
  fallita.guasto_alla = 5;
  EXPECT_THROW(serializza_tracciato(p, fallita), std::runtime_error);
  EXPECT_GT(fallita.consegnati, 0);
  EXPECT_TRUE(fallita.attese.empty());
}

}  // namespace
}  // namespace scenario
