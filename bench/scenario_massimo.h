// The longest legal scenario, for the benchmarks: a 1000000 m line with curves all along
// it, a signal every kilometre and as many stations as the table holds beside its boards.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
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
    // Sixteen minutes a leg of 17 km: time for the fastest run at limits of 80 to 120 km/h.
    const int minuti = 16 * i;
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

// The same length written as a generator writes it: many short records of every kind,
// columns lined up, about 1.4 MB of texts (scripts/misura_velocita.sh writes the same).
// Stations every 13 km (stop cell P / 50 + 3, approach marks on the four cells before it),
// a signal every 500 m but where its cells would meet a station's, an indicator every
// 2 km, two boards: no two objects and no two approach codes share a cell.
inline std::pair<std::string, std::string> testi_molti_record() {
  const auto campo = [](int64_t v, int larghezza) {
    std::string s = std::to_string(v);
    return std::string(static_cast<size_t>(std::max<int>(0, larghezza - static_cast<int>(s.size()))), ' ') + s;
  };
  std::string linea = "Linea generata\r\n[generale]\r\nlunghezza percorso, " + std::to_string(LUNGHEZZA) +
                      "\r\nprogressiva chilometrica uno, 0, 150300, 1\r\nprogressiva chilometrica due, 0, 0, 0\r\n"
                      "progressiva chilometrica tre, 0, 0, 0\r\nsfondo uno, 0\r\nsfondo due, 0\r\nsfondo tre, 1\r\n"
                      "ripetizione segnali 4 codici, 0, 900000\r\n[curve]\r\n";
  for (int c = 0; c < 4900; ++c) {
    linea += std::string("curva") + (c % 2 ? "s" : "d") + std::to_string(1 + c % 6) + ", " + campo(200 * c + 100, 7) +
             ", " + campo(60, 4) + "\r\n";
  }
  linea += "[pendenze]\r\n";
  for (int g = 0; g < 10000; ++g) linea += "pendenza, " + campo(100 * g, 7) + ", " + campo(g % 25 - 12, 3) + "\r\n";
  linea += "[cartelli]\r\n";
  for (int i = 0; i < 500; ++i) {
    linea += "indicatori_vmax, " + campo(2000 * i + 1000, 7) + ", " + campo(80 + i % 5 * 10, 3) + ",  85,  90, " +
             std::to_string(i % 2) + ",  80,  85,  90, 0\r\n";
  }
  linea += "[indicazioni]\r\ncartello_indicatore,    1150, (P.L.     )(Km 1.150)\r\n"
           "cartello_indicatore,  500150, (P.L.     )(Km 500.150)\r\n[fine]\r\n";
  std::string treno = "Corsa generata\r\n[generale]\r\nnumero vetture, 6\r\npercentuale massa frenata, 110\r\n"
                      "sabbia, 300\r\norologio, 6, 0, 0\r\n[aderenze]\r\n";
  for (int a = 0; a < 20000; ++a) treno += "aderenza, " + campo(50 * a, 6) + ", " + campo(80 + a % 21, 3) + "\r\n";
  treno += "[vel_limite]\r\n";
  for (int v = 0; v < 20000; ++v) treno += "velocita, " + campo(50 * v, 6) + ", " + campo(60 + v % 9 * 10, 3) + "\r\n";
  treno += "[stazioni]\r\n";
  std::vector<bool> fermata(LUNGHEZZA / 50 + 200, false);
  for (int i = 0; i < 76; ++i) {
    const int p = 13000 * i + 6000;
    // Fourteen minutes a leg of 13 km: time for the fastest run at limits of 60 to 140 km/h.
    const int m = 14 * i;
    fermata[static_cast<size_t>(p / 50 + 3)] = true;
    treno += "stazione, " + campo(p, 7) + ", 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 30, " + campo(6 + m / 60, 2) + "," +
             campo(m % 60, 2) + ", 0, Stazione " + std::to_string(i + 1) + " / Bahnhof " + std::to_string(i + 1) + "\r\n";
  }
  treno += "[segnali]\r\n";
  for (int j = 0, n = 0; n < 1900; ++j) {
    const int k = 10 * j + 6;
    bool libero = true;
    for (int c = k - 8; c <= k + 4; ++c) libero = libero && !(c >= 0 && fermata[static_cast<size_t>(c)]);
    if (!libero) continue;
    treno += "segnale, " + campo(500 * j + 250, 7) + ", 2, 4, 0, 0, 0, 0, 0, 0, 0, 0\r\n";
    ++n;
  }
  treno += "[fine]\r\n";
  return {linea, treno};
}

}  // namespace scenario
