// The scenario model: the track of 50-metre cells, the table of stations, boards,
// progressives and header values, the metre-by-metre plan of the line, the list of
// mountain-side stretches and the pending error. One value of `modello` is owned by
// the build driver and handed by reference to every stage.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "model/diagnostica.h"

namespace scenario {

// One 50-metre cell of the track. Field order is the order of the track file.
struct cella {
  uint8_t tipo = 0;
  int16_t dato1 = 0;
  int16_t dato2 = 0;
  int16_t dato3 = 0;
  int16_t dato4 = 0;
  uint8_t tempo = 0;
  uint8_t preavviso = 0;
  uint8_t montagna = 0;
  uint8_t velocita = 0;
  uint8_t pendenza = 0;
  uint8_t aderenza = 0;

  bool operator==(const cella&) const = default;
};

// One entry of the table. `nome` holds ISO 8859-1 bytes, one byte a character.
struct voce {
  uint8_t tipo = 0;
  int32_t inizio = 0;
  int32_t fine = 0;
  int32_t posizione = 0;
  uint8_t opzione1 = 0;
  std::string nome;
  int16_t valore1 = 0;
  int16_t valore2 = 0;
  int16_t valore3 = 0;
  int16_t valore4 = 0;
  int16_t valore5 = 0;
  uint8_t opzione2 = 0;
  uint8_t sosta = 0;
  uint8_t opzione3 = 0;
  uint8_t opzione4 = 0;
  int32_t orario = 0;

  bool operator==(const voce&) const = default;
};

// One coordinate of the plan as the geometry file holds it: empty, a 16-bit integer or a
// double.
enum class tipo_valore : uint16_t { vuoto = 0, intero16 = 2, reale = 5 };

struct valore_tracciato {
  tipo_valore tipo = tipo_valore::vuoto;
  int16_t intero = 0;
  double reale = 0.0;

  static valore_tracciato da_intero(int16_t v) { return {tipo_valore::intero16, v, 0.0}; }
  static valore_tracciato da_reale(double v) { return {tipo_valore::reale, 0, v}; }
  // The numeric value whatever the type; an empty element counts as 0.
  double numero() const {
    return tipo == tipo_valore::reale ? reale : tipo == tipo_valore::intero16 ? intero : 0.0;
  }
  bool operator==(const valore_tracciato&) const = default;
};

// Coordinate indices of a point of the plan.
inline constexpr int X = 0;
inline constexpr int Y = 1;

// One run of steps of the plan: every metre up to `fino_a` computed with curvature `k`
// (0 for a straight step).
struct tratto_tracciato {
  int64_t fino_a = 0;
  double k = 0.0;

  bool operator==(const tratto_tracciato&) const = default;
};

// The plan of the line, metres 0 to L + 7000. Every point is computed once, in metre
// order, from the two points before it, and no later record changes it; so the plan is
// kept as the runs of steps that make it and worked out again, metre by metre, when it
// is written (model/tracciato.h). Metres 0 and 1 hold the 16-bit points (0, 0) and
// (0, 1) once the origin is set; metres 2 to cursore - 1 the computed doubles; the rest
// stays empty.
struct piano_tracciato {
  int64_t ultimo_metro = -1;  // L + 7000; -1 while the plan does not exist
  bool origine = false;
  std::vector<tratto_tracciato> tratti;
  int64_t cursore = 2;  // next metre whose point is still to be computed

  bool esiste() const { return ultimo_metro >= 0; }
  bool operator==(const piano_tracciato&) const = default;
};

inline constexpr int VOCI_TABELLA = 87;

// Table entries with a use of their own (stations fill entries 1 up, board texts 80 down).
namespace voce_tabella {
inline constexpr size_t ultimo_cartello = 80;   // the first board's text
inline constexpr size_t progressiva_tre = 81;   // the three kilometre progressives
inline constexpr size_t progressiva_due = 82;
inline constexpr size_t progressiva_uno = 83;
inline constexpr size_t dati_treno = 84;        // braked mass, line length, cars
inline constexpr size_t intestazione = 85;      // backgrounds, `linea`, header values
inline constexpr size_t dati_corsa = 86;        // signal repetition, `treno`, sand, clock
}  // namespace voce_tabella

// Kinds of a cell (`cella::tipo`).
namespace tipo_cella {
inline constexpr uint8_t vuota = 0;
inline constexpr uint8_t segnale = 1;
inline constexpr uint8_t fine_rallentamento = 2;
inline constexpr uint8_t inizio_rallentamento = 3;
inline constexpr uint8_t avviso_rallentamento = 4;
inline constexpr uint8_t anticipo_rallentamento = 5;
inline constexpr uint8_t indicatore_vmax = 6;
inline constexpr uint8_t fermata = 10;
inline constexpr uint8_t libera_in_montagna = 11;
inline constexpr uint8_t abbattimento = 12;
inline constexpr uint8_t abbattimento_senza_valore = 13;
inline constexpr uint8_t cartello = 14;
}  // namespace tipo_cella
inline constexpr int SLOT_MONTAGNE = 81;  // slots 1 to 80 hold stretches; slot 0 is never used
inline constexpr int32_t LUNGHEZZA_MASSIMA = 1000000;
inline constexpr int32_t MARGINE_OLTRE_FINE = 7000;  // metres of track kept beyond the line's end

namespace formato {
struct record;
}

// A record as the reading took it, kept for the check of the finished set against the
// texts: which record of the description, where its keyword stands, its values as read.
// The places of its values are not kept: where its values begin is, so that the place of
// one that a diagnostic names is read again from the text.
struct record_letto {
  const formato::record* descrizione = nullptr;
  uint32_t primo_valore = 0;  // its numbers: testi_letti::valori from here
  int32_t riga = 0;   // the keyword's line and columns
  int32_t colonna = 0;
  int32_t fine = 0;
  // Where the reading of its values began: the byte, its line, and the line's first byte.
  // Places in a text are kept in 32 bits (a text is read up to 64 MiB; one beyond 4 GiB
  // would only have its places named wrong).
  uint32_t byte_valori = 0;
  int32_t riga_valori = 0;
  uint32_t inizio_riga_valori = 0;
  // What the keyword itself says: the codes of a signal repetition, a curve's class
  // (negative for a left curve).
  int32_t dalla_parola = 0;
  int32_t voce = -1;  // the table entry it filled: a station's, a board text's
  // Its text value (a name, a board's text): where it stands in its text.
  uint32_t primo_carattere = 0;
  uint32_t caratteri = 0;
  uint8_t testo = 0;  // 0: the line text, 1: the run text
  uint8_t numero_valori = 0;
};

struct testi_letti {
  std::array<std::string, 2> etichette;  // the two texts' labels
  // The two texts as the reading read them (ISO 8859-1): the bytes handed to the reading,
  // or `convertiti` when the reading converted them; valid while those are.
  std::array<const std::string*, 2> testi{};
  std::array<std::string, 2> convertiti;
  std::vector<record_letto> records;     // in reading order
  std::vector<int64_t> valori;           // every record's numbers, 0 for a text value
};

// What a record put on a cell: for the notes of an error on that cell.
struct oggetto_posto {
  uint8_t testo = 0;      // the text of the record (0 the line's, 1 the run's),
  int32_t riga = 0;       // and its keyword's line and columns there
  int32_t colonna = 0;
  int32_t fine = 0;
  const char* cosa = "";  // the catalogue's "un segnale", "l'inizio di un rallentamento" ...
  int32_t posizione = 0;  // the record's position, m
};

// The object last put on each cell, found by the cell in one step: a long text puts
// thousands, nearly always in the order of the cells, and looks few of them up.
class oggetti_posti {
 public:
  // Room for cells 0 to `celle` - 1, made at once.
  void prepara(size_t celle) {
    if (indice_.size() < celle) indice_.resize(celle, NESSUNO);
  }
  // The entry of cell `cella`, made empty when there is none.
  oggetto_posto& operator[](int64_t cella) {
    if (cella < 0) return negativi_[cella];
    const auto c = static_cast<size_t>(cella);
    if (c >= indice_.size()) indice_.resize(std::max(c + 1, 2 * indice_.size()), NESSUNO);
    if (indice_[c] == NESSUNO) {
      indice_[c] = static_cast<uint32_t>(posti_.size());
      posti_.emplace_back();
    }
    return posti_[indice_[c]];
  }
  // The entry of cell `cella`, or nothing.
  const oggetto_posto* cerca(int64_t cella) const {
    if (cella < 0) {
      const auto trovato = negativi_.find(cella);
      return trovato == negativi_.end() ? nullptr : &trovato->second;
    }
    const auto c = static_cast<size_t>(cella);
    return c < indice_.size() && indice_[c] != NESSUNO ? &posti_[indice_[c]] : nullptr;
  }
  bool contiene(int64_t cella) const { return cerca(cella) != nullptr; }

 private:
  static constexpr uint32_t NESSUNO = UINT32_MAX;
  std::vector<uint32_t> indice_;  // by cell, its entry in `posti_`
  std::vector<oggetto_posto> posti_;
  std::map<int64_t, oggetto_posto> negativi_;  // cells before the first, which no record keeps
};

struct modello {
  std::string linea;
  std::string treno;
  std::string riga;  // the last item read from a description text
  int32_t genera_linea = 0;
  // The pending error as the stages test it: the last number recorded and its position.
  int32_t codice_errore = 0;
  int32_t posizione_errore = 0;
  // Everything recorded, in the order it was found, with its place in the texts.
  elenco_diagnostiche diagnostiche;
  // The record that put an object on a cell (every board, indicator, signal, slow-down
  // mark, abbattimento and stop point, and whatever marked cell 1), so that an error on
  // that cell, found while reading or after it, can say what holds it and where it was
  // written.
  oggetti_posti oggetti;
  // Every record the reading accepted, for the check of the finished set against the texts.
  testi_letti letti;
  // The reading of old: a record that the set will not hold as written is a warning, not
  // an error, and the scenario is built as it always was.
  bool permissivo = false;

  std::vector<cella> percorso;  // cells 0 to N; empty until the line length is read
  std::array<voce, VOCI_TABELLA> tabella{};
  piano_tracciato tracciato;  // metres 0 to L + 7000

  std::array<int32_t, SLOT_MONTAGNE> montagne_inizio{};
  std::array<int32_t, SLOT_MONTAGNE> montagne_fine{};
  int32_t numero_montagne = 0;

  // Last index of `percorso`, -1 while it does not exist.
  int32_t ultima_cella() const { return static_cast<int32_t>(percorso.size()) - 1; }
  // Where the record that put object `o` on its cell stands.
  luogo_testo luogo_di(const oggetto_posto& o) const {
    return luogo_testo{letti.etichette[o.testo], o.riga, o.colonna, o.fine};
  }
};

}  // namespace scenario
