// Reading the three compiled files back: the geometry (tagged values), the table (87
// entries) and the track (15-byte cells), byte for byte in the layout the writers use.
// Every size, tag and header value is checked; a damaged or foreign file gives an error
// that names the file and the byte offset where reading stopped, never a read outside
// the bytes given.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/modello.h"
#include "track/codici_gara.h"

namespace scenario {

// One coordinate of the plan as the geometry file holds it: its type tag (0 empty, 2
// 16-bit integer, 5 double) and its value (0 when empty).
struct valore_geometria {
  uint16_t etichetta = 0;
  double valore = 0.0;
  bool operator==(const valore_geometria&) const = default;
};

inline constexpr uint16_t ETICHETTA_VUOTO = 0;
inline constexpr uint16_t ETICHETTA_INTERO16 = 2;
inline constexpr uint16_t ETICHETTA_REALE = 5;

// The plan, metre by metre: x[k] and y[k] for metres 0 to M.
struct geometria_decodificata {
  std::vector<valore_geometria> x;
  std::vector<valore_geometria> y;
};

// Where and why a compiled file could not be read.
struct errore_decodifica {
  std::string file;
  uint64_t byte = 0;  // offset from the start of the file
  messaggio motivo;
};

// "FILE: error: byte N: motivo".
std::string testo_errore(const errore_decodifica& e);

template <typename T>
struct esito_decodifica {
  std::optional<T> valore;
  errore_decodifica errore;  // meaningful only when `valore` is empty
  explicit operator bool() const { return valore.has_value(); }
};

// Header values the build stamps.
inline constexpr int16_t INTESTAZIONE_PERCORSO = 5121;  // cell 1 `dato1`
inline constexpr int16_t INTESTAZIONE_TABELLA = 610;    // entry 85 `valore1`

// Each file on its own: sizes, tags and its own header value.
esito_decodifica<std::vector<cella>> decodifica_percorso(std::string_view byte, const std::string& file);
esito_decodifica<std::array<voce, VOCI_TABELLA>> decodifica_tabella(std::string_view byte,
                                                                     const std::string& file);
esito_decodifica<geometria_decodificata> decodifica_geometria(std::string_view byte,
                                                              const std::string& file);


// A whole compiled scenario, read back and checked as a set.
struct scenario_decodificato {
  std::string linea;
  std::string treno;
  int32_t lunghezza = 0;  // L, table entry 84 `fine`
  std::vector<cella> percorso;
  std::array<voce, VOCI_TABELLA> tabella{};
  geometria_decodificata geometria;
};

struct file_compilati_letti {
  std::string nome_geometria, geometria;
  std::string nome_tabella, tabella;
  std::string nome_percorso, percorso;
};

// Decodes the three files and checks that they belong together: the identifiers in the
// table are `linea` and `treno`, the identity codes agree with them, and the track and
// the plan have the length the table gives; with `altri_nomi`, a set whose names and
// codes are another's (files copied under new names) is decoded all the same.
esito_decodifica<scenario_decodificato> decodifica_scenario(const file_compilati_letti& file,
                                                            std::string_view linea,
                                                            std::string_view treno, bool altri_nomi = false);

}  // namespace scenario
