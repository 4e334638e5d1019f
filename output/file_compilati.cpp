#include "output/file_compilati.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "model/tracciato.h"

namespace scenario {

namespace {

// The bytes of `v` at `dove`, least significant first.
template <typename U>
void metti_le(char* dove, U v) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(dove, &v, sizeof(U));
  } else {
    for (size_t i = 0; i < sizeof(U); ++i) dove[i] = static_cast<char>(static_cast<uint8_t>((v >> (8 * i)) & 0xFFu));
  }
}

// Gathers little-endian fields in a small buffer and hands it to the destination each
// time it fills, so that no whole file is ever held in memory.
class scrittore {
 public:
  explicit scrittore(destinazione_byte& d) : destinazione_(d) {}
  scrittore(const scrittore&) = delete;
  scrittore& operator=(const scrittore&) = delete;
  ~scrittore() = default;

  void u8(uint8_t v) { le(v); }
  void u16(uint16_t v) { le(v); }
  void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
  void i32(int32_t v) { le(static_cast<uint32_t>(v)); }
  // Texts are already ISO 8859-1 bytes: the length is the number of bytes.
  void testo(const std::string& t) {
    u16(static_cast<uint16_t>(t.size()));
    for (const char c : t) u8(static_cast<uint8_t>(c));
  }
  // Hands what is left to the destination; called once the file is complete.
  void svuota() {
    if (pieni_ == 0) return;
    destinazione_.scrivi(std::string_view(buffer_.data(), pieni_));
    pieni_ = 0;
  }

 private:
  // Least significant byte first, whatever the machine's own order; room for the whole
  // field is made once.
  template <typename U>
  void le(U v) {
    if (pieni_ + sizeof(U) > buffer_.size()) svuota();
    metti_le(buffer_.data() + pieni_, v);
    pieni_ += sizeof(U);
  }

  destinazione_byte& destinazione_;
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

namespace {

// Bytes of one half of the geometry file: 4 for each 16-bit element, 10 for each double,
// 2 for each empty one.
uint64_t byte_di_una_meta(const piano_tracciato& t) {
  if (!t.esiste()) return 0;
  const uint64_t metri = static_cast<uint64_t>(t.ultimo_metro) + 1;
  if (!t.origine) return 2 * metri;
  const uint64_t calcolati = static_cast<uint64_t>(std::min(t.cursore, t.ultimo_metro + 1) - 2);
  return 2 * 4 + 10 * calcolati + 2 * (metri - 2 - calcolati);
}

// The two halves of the geometry file, `byte` long each, gathered a piece at a time, the
// piece of x and the piece of y side by side (the halves grow in step: every metre takes
// as many bytes in both). A full pair goes to the destination by scrivi_a_poi, each piece
// at its own offset, and the next pair is made in a buffer of its own: a few pairs take
// turns, the older ones being written while the newest is made. Pieces are small, so
// that the buffers cost little to touch, and large enough that the file system takes
// them in few writes.
class meta_tracciato {
 public:
  meta_tracciato(destinazione_byte& d, uint64_t byte)
      : destinazione_(d),
        posizione_{0, byte},
        dimensione_(std::max<size_t>(static_cast<size_t>(std::min<uint64_t>(byte, d.scrive_dopo() ? PEZZO : PEZZO_IN_TURNO)), 16)),
        turni_(d.scrive_dopo() ? static_cast<size_t>(std::clamp<uint64_t>((byte + dimensione_ - 1) / dimensione_, 1, TURNI)) : 1),
        buffer_(new char[2 * turni_ * dimensione_]) {}  // every byte is written before it is handed over
  meta_tracciato(const meta_tracciato&) = delete;
  meta_tracciato& operator=(const meta_tracciato&) = delete;
  // The buffers are not given back while a write may still read them.
  ~meta_tracciato() {
    try {
      destinazione_.attendi_scritture(0);
    } catch (...) {
    }
  }

  // Where the next bytes of x and of y go.
  char* x() { return buffer_.get() + 2 * turno_ * dimensione_ + pieni_; }
  char* y() { return x() + dimensione_; }
  // Whole elements of `dimensione` bytes that still fit in both before they are handed over.
  size_t liberi(size_t dimensione) const { return (dimensione_ - pieni_) / dimensione; }
  // Room for `n` more bytes in each half.
  void spazio(size_t n) {
    if (dimensione_ - pieni_ < n) svuota();
  }
  void scritti(size_t n) { pieni_ += n; }
  // Hands over the full pair and turns to the next buffer, once the pair it held is written.
  void svuota() {
    if (pieni_ == 0) return;
    const char* inizio = buffer_.get() + 2 * turno_ * dimensione_;
    destinazione_.scrivi_a_poi(posizione_[X], std::string_view(inizio, pieni_));
    destinazione_.scrivi_a_poi(posizione_[Y], std::string_view(inizio + dimensione_, pieni_));
    posizione_[X] += pieni_;
    posizione_[Y] += pieni_;
    pieni_ = 0;
    turno_ = (turno_ + 1) % turni_;
    destinazione_.attendi_scritture(2 * (turni_ - 1));
  }
  // Hands over what is left and waits until all is written.
  void finisci() {
    svuota();
    destinazione_.attendi_scritture(0);
  }

 private:
  // Pieces written later are made in turns, one pair while the other is written, and
  // large, for the fewer and longer writes. Pieces written at once are smaller: the pair is
  // filled again at once, and the fewer fresh pages it takes cost less than the writes.
  static constexpr size_t PEZZO = size_t{256} << 10;
  static constexpr size_t TURNI = 2;
  static constexpr size_t PEZZO_IN_TURNO = size_t{64} << 10;
  destinazione_byte& destinazione_;
  std::array<uint64_t, 2> posizione_;
  size_t dimensione_;
  size_t turni_;
  std::unique_ptr<char[]> buffer_;
  size_t turno_ = 0;
  size_t pieni_ = 0;
};

// A double of the plan: its type, 5, and its 8 bytes.
void metti_reale(char* dove, double v) {
  metti_le(dove, static_cast<uint16_t>(tipo_valore::reale));
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(dove + 2, &v, sizeof v);
  } else {
    metti_le(dove + 2, std::bit_cast<uint64_t>(v));
  }
}

// `quanti` metres of one run into the two halves from `px` and `py`, stepped on from the
// points `penultimo` and `ultimo`; the two points last written. The points stay in the
// processor's registers.
struct passi_scritti {
  punto_piano penultimo;
  punto_piano ultimo;
};

passi_scritti scrivi_passi(char* px, char* py, int64_t quanti, double k, punto_piano penultimo, punto_piano ultimo) {
  for (int64_t i = 0; i < quanti; ++i) {
    const punto_piano p = passo_tracciato(penultimo.x, penultimo.y, ultimo.x, ultimo.y, k);
    metti_reale(px, p.x);
    metti_reale(py, p.y);
    px += 10;
    py += 10;
    penultimo = ultimo;
    ultimo = p;
  }
  return {penultimo, ultimo};
}

}  // namespace

void serializza_tracciato(const piano_tracciato& tracciato, destinazione_byte& d) {
  const uint64_t meta = byte_di_una_meta(tracciato);
  d.riserva(2 * meta);
  meta_tracciato m(d, meta);
  per_ogni_tratto(
      tracciato,
      [&](const std::array<double, 2>& p2, const std::array<double, 2>& p1) {
        // Metres 0 and 1: 16-bit integers, 4 bytes each.
        m.spazio(8);
        char* px = m.x();
        char* py = m.y();
        for (const auto& p : {p2, p1}) {
          metti_le(px, static_cast<uint16_t>(tipo_valore::intero16));
          metti_le(px + 2, static_cast<uint16_t>(static_cast<int16_t>(p[X])));
          metti_le(py, static_cast<uint16_t>(tipo_valore::intero16));
          metti_le(py + 2, static_cast<uint16_t>(static_cast<int16_t>(p[Y])));
          px += 4;
          py += 4;
        }
        m.scritti(8);
      },
      [&](int64_t da, int64_t a, double k, std::array<double, 2>& p2, std::array<double, 2>& p1) {
        // As many metres at a time as the buffers hold: no test for room at each one.
        for (int64_t metro = da; metro <= a;) {
          const auto quanti = std::min<int64_t>(a - metro + 1, static_cast<int64_t>(m.liberi(10)));
          if (quanti == 0) {
            m.svuota();
            continue;
          }
          const passi_scritti fatti = scrivi_passi(m.x(), m.y(), quanti, k, {p2[X], p2[Y]}, {p1[X], p1[Y]});
          p2 = {fatti.penultimo.x, fatti.penultimo.y};
          p1 = {fatti.ultimo.x, fatti.ultimo.y};
          m.scritti(static_cast<size_t>(quanti) * 10);
          metro += quanti;
        }
      },
      [&](int64_t da, int64_t a) {
        // Empty metres: their type alone, 0.
        for (int64_t metro = da; metro <= a; ++metro) {
          m.spazio(2);
          metti_le(m.x(), static_cast<uint16_t>(tipo_valore::vuoto));
          metti_le(m.y(), static_cast<uint16_t>(tipo_valore::vuoto));
          m.scritti(2);
        }
      });
  m.finisci();
}

uint64_t byte_tracciato(const piano_tracciato& tracciato) { return 2 * byte_di_una_meta(tracciato); }

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
