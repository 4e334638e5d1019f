#include "output/file_compilati.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace scenario {

namespace {

// Appends little-endian fields to a byte buffer.
class scrittore {
 public:
  explicit scrittore(std::string& destinazione) : byte_(destinazione) {}

  void u8(uint8_t v) { byte_.push_back(static_cast<char>(v)); }
  void u16(uint16_t v) { le(v); }
  void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
  void i32(int32_t v) { le(static_cast<uint32_t>(v)); }
  void f64(double v) { le(std::bit_cast<uint64_t>(v)); }
  // Texts are already ISO 8859-1 bytes: the length is the number of bytes.
  void testo(const std::string& t) {
    if (t.size() > 0xFFFFu) throw std::length_error("testo piu' lungo di 65535 byte: " + t.substr(0, 40));
    u16(static_cast<uint16_t>(t.size()));
    byte_.append(t);
  }

 private:
  // Least significant byte first.
  template <typename U>
  void le(U v) {
    for (size_t i = 0; i < sizeof(U); ++i) u8(static_cast<uint8_t>((v >> (8 * i)) & 0xFFu));
  }

  std::string& byte_;
};

void scrivi_valore(scrittore& s, const valore_tracciato& v) {
  s.u16(static_cast<uint16_t>(v.tipo));
  switch (v.tipo) {
    case tipo_valore::vuoto:
      break;
    case tipo_valore::intero16:
      s.i16(v.intero);
      break;
    case tipo_valore::reale:
      s.f64(v.reale);
      break;
  }
}

}  // namespace

std::string serializza_percorso(const std::vector<cella>& percorso) {
  std::string byte;
  byte.reserve(percorso.size() * 15);
  scrittore s(byte);
  for (const cella& c : percorso) {
    s.u8(c.tipo);
    s.i16(c.dato1);
    s.i16(c.dato2);
    s.i16(c.dato3);
    s.i16(c.dato4);
    s.u8(c.tempo);
    s.u8(c.preavviso);
    s.u8(c.montagna);
    s.u8(c.velocita);
    s.u8(c.pendenza);
    s.u8(c.aderenza);
  }
  return byte;
}

std::string serializza_tabella(const std::array<voce, VOCI_TABELLA>& tabella) {
  std::string byte;
  scrittore s(byte);
  for (const voce& v : tabella) {
    s.u8(v.tipo);
    s.i32(v.inizio);
    s.i32(v.fine);
    s.i32(v.posizione);
    s.u8(v.opzione1);
    s.testo(v.nome);
    s.i16(v.valore1);
    s.i16(v.valore2);
    s.i16(v.valore3);
    s.i16(v.valore4);
    s.i16(v.valore5);
    s.u8(v.opzione2);
    s.u8(v.sosta);
    s.u8(v.opzione3);
    s.u8(v.opzione4);
    s.i32(v.orario);
  }
  return byte;
}

std::string serializza_tracciato(const std::vector<std::array<valore_tracciato, 2>>& tracciato) {
  std::string byte;
  byte.reserve(tracciato.size() * 20);
  scrittore s(byte);
  for (int coordinata : {X, Y}) {
    for (const auto& punto : tracciato) scrivi_valore(s, punto[coordinata]);
  }
  return byte;
}

}  // namespace scenario
