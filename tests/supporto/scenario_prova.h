// Test support for the reading stage: description texts in memory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <array>
#include <optional>
#include <vector>
#include <string>

#include "model/modello.h"
#include "model/tracciato.h"
#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"
#include "text/lettura_dati.h"

namespace scenario::prova {

// Put into posizione_errore before reading: an error that carries no position leaves it.
inline constexpr int32_t POSIZIONE_INTATTA = -777;

// Names of the files of the embedded scenario, written out as the simulator expects them.
inline const std::string GEOMETRIA = "Castrea_Tovena_linea.dat";
inline const std::string TABELLA = "Castrea_Tovena_R7302.sim";
inline const std::string PERCORSO = "Castrea_Tovena_R7302.dat";
inline const std::string SCHEDA = "Castrea_Tovena_R7302_scheda_treno.txt";
inline const std::string RALLENTAMENTI = "Castrea_Tovena_R7302_rallentamenti.txt";
inline const std::string NOTE = "Castrea_Tovena_R7302_note.txt";
inline const std::string TESTO_LINEA = "Castrea_Tovena_linea.txt";
inline const std::string TESTO_TRENO = "Castrea_Tovena_R7302-.txt";

// A model for the line "L" and the train "T", read from texts in memory.
struct scenario_prova {
  modello m;
  testi_eliminati eliminati;

  scenario_prova() {
    m.linea = "L";
    m.treno = "T";
    m.genera_linea = 1;
    m.posizione_errore = POSIZIONE_INTATTA;
  }
  // Reads both texts as the build does after clearing the table; a missing line text is
  // one that does not exist, a missing run text one that cannot be read.
  void leggi(const std::optional<std::string>& linea, const std::optional<std::string>& treno) {
    m.codice_errore = 0;
    for (voce& v : m.tabella) v = voce{};
    const testo_ingresso l{nome_testo_linea(m), linea, linea.has_value(), ""};
    const testo_ingresso t{nome_testo_treno(m), treno, true, "testo illeggibile"};
    eliminati = memorizza_dati(m, l, t);
  }
  // The embedded scenario: its identifiers and its two texts, read.
  void leggi_incorporati() {
    m.linea = "Castrea_Tovena";
    m.treno = "R7302";
    leggi(componi_testo(elenco_linea()), componi_testo(elenco_treno()));
  }
  // What a reading left: the error and its position, the line text done with (unless
  // there was none), and the run text too: it is read whatever the line text held, unless
  // the line text gave no track to read into (no text, no [generale], no usable length).
  void attesi(int32_t codice, int32_t posizione = POSIZIONE_INTATTA) const {
    EXPECT_EQ(m.codice_errore, codice);
    EXPECT_EQ(m.posizione_errore, posizione);
    EXPECT_EQ(eliminati.linea, codice != 101);
    const bool senza_percorso = codice == 101 || codice == 102 || codice == 104 || codice == 1;
    EXPECT_EQ(eliminati.treno, !senza_percorso);
  }
  // The place of the last diagnostic.
  luogo_testo luogo() const {
    return m.diagnostiche.empty() || !m.diagnostiche.back().luogo ? luogo_testo{}
                                                                   : *m.diagnostiche.back().luogo;
  }
};

// Every point of the plan, metre by metre.
inline std::vector<std::array<valore_tracciato, 2>> punti_di(const piano_tracciato& piano) {
  std::vector<std::array<valore_tracciato, 2>> punti;
  per_ogni_punto(piano, [&](int64_t, tipo_valore tipo, const std::array<double, 2>& p) {
    punti.push_back({elemento_tracciato(tipo, p[X]), elemento_tracciato(tipo, p[Y])});
  });
  return punti;
}

// A line description of `lunghezza` metres whose body holds `corpo` (CR LF lines).
inline std::string linea_di(int lunghezza, const std::string& corpo = "") {
  return "[generale]\r\nlunghezza percorso, " + std::to_string(lunghezza) +
         "\r\nripetizione segnali 4 codici, 0, 0\r\n[curve]\r\n" + corpo + "[fine]\r\n";
}

// `numero` line-side boards with the text "B", at 100, 200, 300 ... m.
inline std::string cartelli(int numero) {
  std::string corpo;
  for (int i = 1; i <= numero; ++i) {
    corpo += "cartello_indicatore, " + std::to_string(100 * i) + ", B\r\n";
  }
  return corpo;
}

// A run description whose records are `corpo` (CR LF lines).
inline std::string treno_di(const std::string& corpo = "") {
  return "[generale]\r\n" + corpo + "[fine]\r\n";
}

}  // namespace scenario::prova
