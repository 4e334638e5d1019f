#include "output/file_compilati.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "model/tracciato.h"

namespace scenario {

namespace {

// Gathers little-endian fields in a small buffer and hands it to the destination each
// time it fills, so that no whole file is ever held in memory.
class scrittore {
 public:
  explicit scrittore(destinazione_byte& d) : destinazione_(d) {}
  // A writer of the part of the file that starts at `posizione`.
  scrittore(destinazione_byte& d, uint64_t posizione) : destinazione_(d), posizione_(posizione) {}
  scrittore(const scrittore&) = delete;
  scrittore& operator=(const scrittore&) = delete;
  ~scrittore() = default;

  void u8(uint8_t v) { le(v); }
  void u16(uint16_t v) { le(v); }
  void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
  void i32(int32_t v) { le(static_cast<uint32_t>(v)); }
  void f64(double v) { le(std::bit_cast<uint64_t>(v)); }
  // One element of the plan: its 16-bit type, then nothing, a 16-bit integer or a double.
  void elemento(tipo_valore tipo, double valore) {
    if (tipo == tipo_valore::reale) {
      // The common case, a double: its 10 bytes with one check for room.
      if (pieni_ + 10 > buffer_.size()) svuota();
      scrivi_le(static_cast<uint16_t>(tipo), 0);
      scrivi_le(std::bit_cast<uint64_t>(valore), 2);
      pieni_ += 10;
      return;
    }
    u16(static_cast<uint16_t>(tipo));
    if (tipo == tipo_valore::intero16) i16(static_cast<int16_t>(valore));
  }
  // Texts are already ISO 8859-1 bytes: the length is the number of bytes.
  void testo(const std::string& t) {
    u16(static_cast<uint16_t>(t.size()));
    for (const char c : t) u8(static_cast<uint8_t>(c));
  }
  // Hands what is left to the destination; called once the file is complete.
  void svuota() {
    if (pieni_ == 0) return;
    const std::string_view pezzo(buffer_.data(), pieni_);
    if (posizione_) {
      destinazione_.scrivi_a(*posizione_, pezzo);
      *posizione_ += pieni_;
    } else {
      destinazione_.scrivi(pezzo);
    }
    pieni_ = 0;
  }

 private:
  // Least significant byte first, whatever the machine's own order; room for the whole
  // field is made once.
  template <typename U>
  void le(U v) {
    if (pieni_ + sizeof(U) > buffer_.size()) svuota();
    scrivi_le(v, 0);
    pieni_ += sizeof(U);
  }
  // The bytes of `v`, least significant first, `scarto` bytes after the filled part; the
  // room is the caller's.
  template <typename U>
  void scrivi_le(U v, size_t scarto) {
    char* dove = buffer_.data() + pieni_ + scarto;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(dove, &v, sizeof(U));
    } else {
      for (size_t i = 0; i < sizeof(U); ++i) {
        dove[i] = static_cast<char>(static_cast<uint8_t>((v >> (8 * i)) & 0xFFu));
      }
    }
  }

  destinazione_byte& destinazione_;
  std::optional<uint64_t> posizione_;
  std::array<char, 64 * 1024> buffer_{};
  size_t pieni_ = 0;
};

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

// Bytes of one half of the geometry file: 4 for each 16-bit element, 10 for each double,
// 2 for each empty one.
uint64_t byte_di_una_meta(const piano_tracciato& t) {
  if (!t.esiste()) return 0;
  const uint64_t metri = static_cast<uint64_t>(t.ultimo_metro) + 1;
  if (!t.origine) return 2 * metri;
  const uint64_t calcolati = static_cast<uint64_t>(std::min(t.cursore, t.ultimo_metro + 1) - 2);
  return 2 * 4 + 10 * calcolati + 2 * (metri - 2 - calcolati);
}

void serializza_tracciato(const piano_tracciato& tracciato, destinazione_byte& d) {
  scrittore x(d, 0);
  scrittore y(d, byte_di_una_meta(tracciato));
  per_ogni_punto(tracciato, [&](int64_t, tipo_valore tipo, const std::array<double, 2>& punto) {
    x.elemento(tipo, punto[X]);
    y.elemento(tipo, punto[Y]);
  });
  x.svuota();
  y.svuota();
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
