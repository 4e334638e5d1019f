// Byte layouts of the three compiled files the simulator loads: every field
// little-endian, records one after another with no gap, no header and no trailer.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/modello.h"

namespace scenario {

// Where the bytes of a compiled file go, a piece at a time: a file opened by the program's
// edge, or memory.
class destinazione_byte {
 public:
  virtual ~destinazione_byte() = default;
  // Appends `byte` after what was written so far.
  virtual void scrivi(std::string_view byte) = 0;
  // Writes `byte` at `posizione` from the start of the file; the file grows as needed.
  virtual void scrivi_a(uint64_t posizione, std::string_view byte) = 0;
  // The file about to be written will be `byte` long: room may be made for it at once.
  virtual void riserva(uint64_t byte) { static_cast<void>(byte); }
  // The same, perhaps later and elsewhere while the caller makes the next pieces, in the
  // order handed over: `byte` stays untouched until attendi_scritture says it is written.
  virtual void scrivi_a_poi(uint64_t posizione, std::string_view byte) { scrivi_a(posizione, byte); }
  // Once at most the last `al_piu` pieces handed to scrivi_a_poi are still to be written
  // (all before them are): returns, or throws what failed.
  virtual void attendi_scritture(size_t al_piu) { static_cast<void>(al_piu); }
  // Whether scrivi_a_poi may leave a piece to be written later: otherwise each is written
  // before the call returns, and its buffer may be filled again at once.
  virtual bool scrive_dopo() const { return false; }
};

class destinazione_memoria : public destinazione_byte {
 public:
  void scrivi(std::string_view pezzo) override { byte.append(pezzo); }
  void riserva(uint64_t n) override { byte.reserve(static_cast<size_t>(n)); }
  void scrivi_a(uint64_t posizione, std::string_view pezzo) override {
    const auto inizio = static_cast<size_t>(posizione);
    if (byte.size() < inizio + pezzo.size()) byte.resize(inizio + pezzo.size());
    byte.replace(inizio, pezzo.size(), pezzo);
  }
  std::string byte;
};

// Track file: 15 bytes a cell, cell i at offset 15 * i.
void serializza_percorso(const std::vector<cella>& percorso, destinazione_byte& d);

// Table file: 87 entries of 34 + n bytes, n the length of `nome`. A `nome` longer than
// the 16-bit length can tell is refused with std::length_error before anything is written.
void serializza_tabella(const std::array<voce, VOCI_TABELLA>& tabella, destinazione_byte& d);

// Geometry file: every x of the plan, then every y, each a tagged value. The plan is
// worked out once; the y half goes to its own place in the file as it is made, a piece of
// each half at a time, handed over by scrivi_a_poi while the next pieces are made.
void serializza_tracciato(const piano_tracciato& tracciato, destinazione_byte& d);

// The bytes of the geometry file of `tracciato`.
uint64_t byte_tracciato(const piano_tracciato& tracciato);

// The same, into memory.
std::string serializza_percorso(const std::vector<cella>& percorso);
std::string serializza_tabella(const std::array<voce, VOCI_TABELLA>& tabella);
std::string serializza_tracciato(const piano_tracciato& tracciato);

}  // namespace scenario
