// The embedded run: regional train R7302 from Castrea to Tovena, as a run description
// text. The clock line keeps its trailing space and separates its values by spaces only.
// The station names are ISO 8859-1: the u-umlaut of Castrea Sud is the byte 0xFC.
#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"

namespace scenario {

std::vector<std::string> elenco_treno() {
  return {
      // Train make-up, sand and the starting clock 19 h 4 min 20 s.
      "[generale]",
      "numero vetture,    4",
      "percentuale massa frenata,    120",
      "sabbia,    300",
      "orologio,    19              4             20 ",
      // Adhesion, then the speed limits in order of position.
      "[aderenze]",
      "aderenza,   0,    100",
      "[vel_limite]",
      "velocita,       0,    55",
      "velocita,     700,   100",
      "velocita,    2200,    85",
      "velocita,    6700,    65",
      "velocita,   11200,    75",
      "velocita,   17400,    65",
      "velocita,   18900,    95",
      "velocita,   24400,    80",
      "velocita,   25450,    95",
      "velocita,   30850,    65",
      "velocita,   32600,    55",
      // Eleven stations: position, then fifteen numbers, then the two-language name.
      "[stazioni]",
      "stazione,       0,  8,  300,  0, 0, 0,  1,1,0,  5,6,1,    1,  19, 5, 0, CASTREA / KESTL",
      "stazione,    1900, 11,  500,  1, 0, 0,  4,1,1,  2,1,1,    0,   0, 0, 0, Bivio per Tovena / Tuvel",
      "stazione,    4000, 24,  200,  0, 0, 0,  0,0,0,  4,1,1,    0,   0, 0, 0, Castrea Sud / Kestl S\xFC" "d",
      "stazione,    7200, 12,  300,  0, 0, 0,  1,1,0,  4,1,1,   30,  19,13, 0, Ponte d'Orvia / Falkenmoorer",
      "stazione,   11100, 24,  300,  0, 0, 0,  0,0,0,  4,1,1,    0,   0, 0, 0, Cinquepiani / Dreibrunnl",
      "stazione,   14000, 12,  400,  0, 0, 0,  1,1,0,  4,1,1,   30,  19,21, 0, Sarvino / Sarwin",
      "stazione,   17850, 12,  400,  0, 0, 0,  1,1,0,  4,1,1,   30,  19,28, 0, Corbiano / Korbian",
      "stazione,   21050, 24,  300,  0, 0, 0,  0,0,0,  4,1,1,    0,   0, 0, 0, Montaccone / Muntakon",
      "stazione,   24900, 12,  400,  0, 0, 0,  1,1,0,  4,1,1,   30,  19,34,30, Rova / Rova",
      "stazione,   31250, 24,  400,  0, 0, 0,  0,0,0,  5,1,1,   30,  19,41,30, Sela Bassa / Niederlau",
      "stazione,   33400, 12,  600,  0, 0, 0,  1,1,0,  2,1,1,    0,  19,46, 0, TOVENA / TUVEL",
      // No slow-downs, so the signals follow at once: eighteen in order of position.
      "[rallentamenti]",
      "[segnali]",
      "segnale,    1450,   2, 2, 5,  6, 1,    2,  2,1,0, 0",
      "segnale,    2750,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
      "segnale,    5950,   2, 5, 1,  0, 0,    0,  0,0,0, 0",
      "segnale,    6800,   2, 3, 1,  0, 0,    0,  0,0,0, 0",
      "segnale,    9600,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
      "segnale,   10550,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
      "segnale,   12400,   1, 5, 1,  0, 0,    0,  0,0,0, 0",
      "segnale,   13500,   2, 3, 1,  0, 0,    0,  0,0,0, 0",
      "segnale,   16050,   1, 5, 1,  0, 0,    0,  0,0,0, 0",
      "segnale,   17400,   2, 3, 1,  0, 0,    0,  0,0,0, 0",
      "segnale,   19650,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
      "segnale,   20600,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
      "segnale,   23200,   1, 5, 1,  0, 0,    0,  0,0,0, 0",
      "segnale,   24400,   2, 3, 1,  0, 0,    0,  0,0,0, 0",
      "segnale,   28000,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
      "segnale,   29500,   1, 5, 0,  0, 0,    0,  0,0,0, 0",
      "segnale,   30850,   2, 3, 0,  0, 0,    0,  0,0,0, 0",
      "segnale,   32600,   2, 3, 1,  0, 0,    0,  0,0,0, 0",
      // No identity codes.
      "[codici]",
      "[fine]",
      std::string(SENTINELLA),
  };
}

}  // namespace scenario
