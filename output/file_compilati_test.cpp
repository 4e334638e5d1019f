#include "output/file_compilati.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
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

uint16_t u16_a(const std::string& b, size_t offset) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[offset]) |
                               static_cast<unsigned char>(b[offset + 1]) << 8);
}

double f64_a(const std::string& b, size_t offset) {
  uint64_t u = 0;
  for (int i = 7; i >= 0; --i) u = (u << 8) | static_cast<unsigned char>(b[offset + static_cast<size_t>(i)]);
  double d;
  std::memcpy(&d, &u, sizeof d);
  return d;
}

// ---- Track file --------------------------------------------------------------------------

TEST(FilePercorso, UnaCellaQuindiciByteSenzaVuoti) {
  cella c;
  c.tipo = 0x81;
  c.dato1 = 0x1234;
  c.dato2 = -2;       // FE FF
  c.dato3 = 0x0A0B;
  c.dato4 = -32768;   // 00 80
  c.tempo = 0x21;
  c.preavviso = 0x62;
  c.montagna = 0x03;
  c.velocita = 0x20;
  c.pendenza = 0x96;
  c.aderenza = 0x07;
  const std::string atteso = byte_di({0x81, 0x34, 0x12, 0xFE, 0xFF, 0x0B, 0x0A, 0x00, 0x80, 0x21,
                                      0x62, 0x03, 0x20, 0x96, 0x07});
  EXPECT_EQ(serializza_percorso({c}), atteso);

  // Cell i starts at 15 * i: the second cell follows the first with no gap.
  cella seconda;
  seconda.tipo = 0x0E;
  seconda.aderenza = 0x55;
  const std::string due = serializza_percorso({c, seconda});
  ASSERT_EQ(due.size(), 30u);
  EXPECT_EQ(due.substr(0, 15), atteso);
  EXPECT_EQ(static_cast<unsigned char>(due[15]), 0x0E);
  EXPECT_EQ(static_cast<unsigned char>(due[29]), 0x55);
}

TEST(FilePercorso, LineaDi39000Metri) {
  // N = round((39000 + 7000) / 50) = 920: 921 cells of 15 bytes = 13815 bytes.
  std::vector<cella> percorso(921);
  percorso[1].dato1 = 5121;  // 0x1401
  const std::string b = serializza_percorso(percorso);
  ASSERT_EQ(b.size(), 13815u);
  EXPECT_EQ(static_cast<unsigned char>(b[16]), 0x01);
  EXPECT_EQ(static_cast<unsigned char>(b[17]), 0x14);
  EXPECT_EQ(serializza_percorso({}), "");
}

// ---- Table file --------------------------------------------------------------------------

TEST(FileTabella, VoceIntattaTrentaquattroByteAZero) {
  const std::array<voce, VOCI_TABELLA> tabella{};
  const std::string b = serializza_tabella(tabella);
  // 87 entries of 34 bytes: every number 0 and a zero text length.
  EXPECT_EQ(b, std::string(2958, '\0'));
}

TEST(FileTabella, VoceConNomeDiQuindiciCaratteri) {
  voce v;
  v.tipo = 0x0B;
  v.inizio = 0x01020304;
  v.fine = -100000;  // 2^32 - 100000 = 0xFFFE7960
  v.posizione = -1;
  v.opzione1 = 0xA1;
  v.nome = "ABCDEFGHIJKLMNO";
  v.valore1 = 610;  // 0x0262
  v.valore2 = -2;
  v.valore3 = 0x1122;
  v.valore4 = -32768;
  v.valore5 = 0x7FFF;
  v.opzione2 = 0xB2;
  v.sosta = 30;
  v.opzione3 = 0xC3;
  v.opzione4 = 0xD4;
  v.orario = INT32_MIN;  // 00 00 00 80

  std::array<voce, VOCI_TABELLA> tabella{};
  tabella[5] = v;
  tabella[6].tipo = 0x66;
  tabella[86].orario = 0x0A0B0C0D;
  const std::string b = serializza_tabella(tabella);

  // 87 * 34 = 2958 bytes, plus the 15 bytes of the one name.
  ASSERT_EQ(b.size(), 2958u + 15u);
  const std::string atteso =
      byte_di({0x0B, 0x04, 0x03, 0x02, 0x01, 0x60, 0x79, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xA1,
               0x0F, 0x00}) +
      "ABCDEFGHIJKLMNO" +
      byte_di({0x62, 0x02, 0xFE, 0xFF, 0x22, 0x11, 0x00, 0x80, 0xFF, 0x7F, 0xB2, 30, 0xC3, 0xD4,
               0x00, 0x00, 0x00, 0x80});
  ASSERT_EQ(atteso.size(), 49u);
  EXPECT_EQ(b.substr(5 * 34, 49), atteso);
  // Entry 6 starts 15 bytes later than it would after five plain entries: 5 * 34 + 49 = 219.
  EXPECT_EQ(static_cast<unsigned char>(b[219]), 0x66);
  // The last entry's time of day fills the last four bytes.
  EXPECT_EQ(b.substr(b.size() - 4), byte_di({0x0D, 0x0C, 0x0B, 0x0A}));
}

TEST(FileTabella, TestoLatinoUnByteACarattere) {
  std::array<voce, VOCI_TABELLA> tabella{};
  tabella[0].nome = "Kestl S\xFC" "d";
  const std::string b = serializza_tabella(tabella);
  ASSERT_EQ(b.size(), 2958u + 9u);
  EXPECT_EQ(b.substr(14, 2), byte_di({0x09, 0x00}));
  EXPECT_EQ(b.substr(16, 9), byte_di({'K', 'e', 's', 't', 'l', ' ', 'S', 0xFC, 'd'}));
}

TEST(FileTabella, TestoTroppoLungoRifiutato) {
  // The length field holds at most 65535: a longer name must not be written with a
  // wrapped length, which would shift every later entry.
  std::array<voce, VOCI_TABELLA> tabella{};
  tabella[3].nome = std::string(65535, 'a');
  EXPECT_EQ(serializza_tabella(tabella).size(), 2958u + 65535u);
  tabella[3].nome.push_back('b');
  EXPECT_ANY_THROW(serializza_tabella(tabella));
}

// ---- Geometry file -----------------------------------------------------------------------

// The plan as the reading stage builds it for a straight line of `lunghezza` metres
// heading along +y: metres 0 and 1 as 16-bit integers, then doubles up to M - 2, the last
// two metres empty.
std::vector<std::array<valore_tracciato, 2>> tracciato_diritto(int32_t lunghezza) {
  const int32_t m = lunghezza + 7000;
  std::vector<std::array<valore_tracciato, 2>> t(static_cast<size_t>(m) + 1);
  t[0] = {valore_tracciato::da_intero(0), valore_tracciato::da_intero(0)};
  t[1] = {valore_tracciato::da_intero(0), valore_tracciato::da_intero(1)};
  for (int32_t metro = 2; metro <= m - 2; ++metro) {
    t[static_cast<size_t>(metro)] = {valore_tracciato::da_reale(0.0),
                                     valore_tracciato::da_reale(metro)};
  }
  return t;
}

TEST(FileTracciato, LineaDiritta) {
  const int32_t l = 10;
  const int32_t m = l + 7000;
  const std::string b = serializza_tracciato(tracciato_diritto(l));
  // Each half: 2 * 4 + (M - 3) * 10 + 2 * 2 = 8 + 70070 + 4 = 70082 = 10 * L + 69982.
  const size_t meta = 10 * l + 69982;
  ASSERT_EQ(b.size(), 20u * l + 139964u);

  EXPECT_EQ(b.substr(0, 18), byte_di({0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x05, 0x00,
                                      0, 0, 0, 0, 0, 0, 0, 0}));
  // y = 0, y = 1 and y = 2.0 (0x4000000000000000).
  EXPECT_EQ(b.substr(meta, 18), byte_di({0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x00, 0x05, 0x00,
                                         0, 0, 0, 0, 0, 0, 0, 0x40}));
  // Both halves end with two empty elements.
  EXPECT_EQ(b.substr(meta - 4, 4), std::string(4, '\0'));
  EXPECT_EQ(b.substr(b.size() - 4), std::string(4, '\0'));

  // Walking the file element by element finds only the types 0, 2 and 5, the metres in
  // order x then y, and ends exactly at the end of the file.
  size_t offset = 0;
  for (int coordinata : {X, Y}) {
    for (int32_t metro = 0; metro <= m; ++metro) {
      ASSERT_LE(offset + 2, b.size());
      const uint16_t tipo = u16_a(b, offset);
      offset += 2;
      if (metro <= 1) {
        ASSERT_EQ(tipo, 2) << "metro " << metro;
        EXPECT_EQ(static_cast<int16_t>(u16_a(b, offset)), coordinata == Y ? metro : 0);
        offset += 2;
      } else if (metro <= m - 2) {
        ASSERT_EQ(tipo, 5) << "metro " << metro;
        EXPECT_EQ(f64_a(b, offset), coordinata == Y ? metro : 0.0) << "metro " << metro;
        offset += 8;
      } else {
        ASSERT_EQ(tipo, 0) << "metro " << metro;
      }
    }
  }
  EXPECT_EQ(offset, b.size());
}

TEST(FileTracciato, ValoriNegativiEDimensioneLineaLunga) {
  std::vector<std::array<valore_tracciato, 2>> t(1);
  t[0] = {valore_tracciato::da_intero(-2), valore_tracciato::da_reale(-1.5)};
  // -1.5 = 0xBFF8000000000000.
  EXPECT_EQ(serializza_tracciato(t),
            byte_di({0x02, 0x00, 0xFE, 0xFF, 0x05, 0x00, 0, 0, 0, 0, 0, 0, 0xF8, 0xBF}));
  // For L = 39000: 20 * 39000 + 139964 = 919964 bytes.
  EXPECT_EQ(serializza_tracciato(tracciato_diritto(39000)).size(), 919964u);
}

}  // namespace
}  // namespace scenario
