// The longest legal scenario, for the benchmarks: a 1000000 m line with curves all along
// it, a signal every kilometre and as many stations as the table holds beside its boards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/modello.h"

namespace scenario {

// The bytes of a description text: each line followed by CR LF. The run text of the
// longest line holds more lines than a writer's list of the embedded scenario has room
// for, so it is joined here.
inline std::string unisci_righe(const std::vector<std::string>& righe) {
  std::string testo;
  for (const std::string& riga : righe) testo += riga + "\r\n";
  return testo;
}

constexpr int32_t LUNGHEZZA = LUNGHEZZA_MASSIMA;  // 1000000 m
// Boards take table entries from 80 down; with B boards the stations can fill entries 1
// to 78 - B (the 79 - B-th would meet the boards: error 10).
constexpr int CARTELLI = 20;
constexpr int STAZIONI = 78 - CARTELLI;
constexpr int32_t PASSO_STAZIONI = 17000;  // 58 stations at 8000, 25000, ... 977000

// Line text: a curve of 300 m every 2 km (500 curves, sides and classes alternating), a
// gradient every 5 km, a board every 50 km. Boards stand at 50000 b + 250 m, cell
// 1000 b + 6, never the cell of a signal (20 j + 11) nor of a stop (340 i + 163).
inline std::string testo_linea_massima() {
  std::vector<std::string> righe = {
      "[generale]",
      "lunghezza percorso, " + std::to_string(LUNGHEZZA),
      "progressiva chilometrica uno, 0, 150300, 1",
      "progressiva chilometrica due, 0, 0, 0",
      "progressiva chilometrica tre, 0, 0, 0",
      "sfondo uno, 0",
      "sfondo due, 0",
      "sfondo tre, 1",
      "ripetizione segnali 4 codici, 0, 900000",
      "[curve]",
  };
  for (int c = 0; c < 500; ++c) {
    const std::string lato = c % 2 == 0 ? "d" : "s";
    righe.push_back("curva" + lato + std::to_string(1 + c % 6) + ", " +
                    std::to_string(2000 * c + 100) + ", 300");
  }
  righe.push_back("[pendenze]");
  for (int g = 0; g < 200; ++g) {
    righe.push_back("pendenza, " + std::to_string(5000 * g) + ", " + std::to_string(g % 25 - 12));
  }
  righe.push_back("[indicazioni]");
  for (int b = 0; b < CARTELLI; ++b) {
    righe.push_back("cartello_indicatore, " + std::to_string(50000 * b + 250) +
                    ", (P.L.     )(Km " + std::to_string(50 * b) + ".250)");
  }
  righe.push_back("[fine]");
  return unisci_righe(righe);
}

// Run text: a speed limit every 10 km, 58 stations of kind 12 and 400 m (stop cell
// P / 50 + 3 = 340 i + 163), a signal every kilometre at 1000 j + 500 (cell 20 j + 11).
inline std::string testo_treno_massimo() {
  std::vector<std::string> righe = {
      "[generale]",         "numero vetture, 6", "percentuale massa frenata, 110",
      "sabbia, 300",        "orologio, 6 0 0",   "[aderenze]",
      "aderenza, 0, 100",   "[vel_limite]",
  };
  for (int v = 0; v < 100; ++v) {
    righe.push_back("velocita, " + std::to_string(10000 * v) + ", " + std::to_string(80 + v % 5 * 10));
  }
  righe.push_back("[stazioni]");
  for (int i = 0; i < STAZIONI; ++i) {
    const int32_t posizione = PASSO_STAZIONI * i + 8000;
    const int minuti = 10 * i;
    righe.push_back("stazione, " + std::to_string(posizione) + ", 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 30, " +
                    std::to_string(6 + minuti / 60) + "," + std::to_string(minuti % 60) +
                    ",0, Stazione " + std::to_string(i + 1) + " / Bahnhof " + std::to_string(i + 1));
  }
  righe.push_back("[segnali]");
  for (int j = 0; j < LUNGHEZZA / 1000; ++j) {
    righe.push_back("segnale, " + std::to_string(1000 * j + 500) + ", 2, 4, 0, 0, 0, 0, 0,0,0, 0");
  }
  righe.push_back("[fine]");
  return unisci_righe(righe);
}

}  // namespace scenario
