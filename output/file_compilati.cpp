#include "output/file_compilati.h"

#include <bit>
#include <cstdint>
#include <stdexcept>

#include "model/tracciato.h"

namespace scenario {

namespace {

// Gathers little-endian fields in a small buffer and hands it to the destination each
// time it fills, so that no whole file is ever held in memory.
class scrittore {
 public:
  explicit scrittore(destinazione_byte& d) : destinazione_(d) {}
  scrittore(const scrittore&) = delete;
  scrittore& operator=(const scrittore&) = delete;
  ~scrittore() = default;

  void u8(uint8_t v) {
    if (pieni_ == buffer_.size()) svuota();
    buffer_[pieni_++] = static_cast<char>(v);
  }
  void u16(uint16_t v) { le(v); }
  void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
  void i32(int32_t v) { le(static_cast<uint32_t>(v)); }
  void f64(double v) { le(std::bit_cast<uint64_t>(v)); }
  // Texts are already ISO 8859-1 bytes: the length is the number of bytes.
  void testo(const std::string& t) {
    u16(static_cast<uint16_t>(t.size()));
    for (const char c : t) u8(static_cast<uint8_t>(c));
  }
  // Hands what is left to the destination; called once the file is complete.
  void svuota() {
    if (pieni_ > 0) destinazione_.scrivi(std::string_view(buffer_.data(), pieni_));
    pieni_ = 0;
  }

 private:
  // Least significant byte first.
  template <typename U>
  void le(U v) {
    for (size_t i = 0; i < sizeof(U); ++i) u8(static_cast<uint8_t>((v >> (8 * i)) & 0xFFu));
  }

  destinazione_byte& destinazione_;
  std::array<char, 64 * 1024> buffer_{};
  size_t pieni_ = 0;
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

template <typename F>
std::string in_memoria(F&& scrivi) {
  destinazione_memoria d;
  scrivi(d);
  return std::move(d.byte);
}

}  // namespace

void serializza_percorso(const std::vector<cella>& percorso, destinazione_byte& d) {
  scrittore s(d);
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
  s.svuota();
}

void serializza_tabella(const std::array<voce, VOCI_TABELLA>& tabella, destinazione_byte& d) {
  for (const voce& v : tabella) {
    if (v.nome.size() > 0xFFFFu) {
      throw std::length_error("testo piu' lungo di 65535 byte: " + v.nome.substr(0, 40));
    }
  }
  scrittore s(d);
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
  s.svuota();
}

// The plan is worked out twice, once for the x half and once for the y half: cheaper
// than holding two coordinates a metre for a line of up to a million metres.
void serializza_tracciato(const piano_tracciato& tracciato, destinazione_byte& d) {
  scrittore s(d);
  for (const int coordinata : {X, Y}) {
    per_ogni_punto(tracciato, [&](int64_t, const std::array<valore_tracciato, 2>& punto) {
      scrivi_valore(s, punto[static_cast<size_t>(coordinata)]);
    });
  }
  s.svuota();
}

std::string serializza_percorso(const std::vector<cella>& percorso) {
  return in_memoria([&](destinazione_byte& d) { serializza_percorso(percorso, d); });
}

std::string serializza_tabella(const std::array<voce, VOCI_TABELLA>& tabella) {
  return in_memoria([&](destinazione_byte& d) { serializza_tabella(tabella, d); });
}

std::string serializza_tracciato(const piano_tracciato& tracciato) {
  return in_memoria([&](destinazione_byte& d) { serializza_tracciato(tracciato, d); });
}

}  // namespace scenario
