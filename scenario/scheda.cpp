// The driver's timetable card of train 7302: a fixed-width drawing for a monospaced
// font, so every space counts, trailing ones included (line 9 ends with seven).
// ISO 8859-1 text: the u-umlaut of KESTL Sud is the byte 0xFC.
#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"

namespace scenario {

std::vector<std::string> elenco_scheda() {
  return {
      // Two empty lines, then the heading: train number, termini, speed class and
      // braked-mass percentage.
      "",
      "",
      "  ___________________                                               ______________",
      " |                   |                    SCHEDA                   |              |",
      " |   TRENO n.7302    |                   da: CASTREA/KESTL         |    V100 B    |",
      " |___________________|                    a: TOVENA/TUVEL          |     120%     |",
      "                                                                   |______________|",
      // Classification and locked mass.
      "  ___________________                ___________________",
      " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ",
      " |   REGIONALE       |              |      300T         |",
      " |___________________|              |___________________|",
      "",
      // The timetable: headings, one empty row, the 20 rows of the run, ten empty rows.
      "  ________________________________________________________________________________",
      " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |",
      " | Lim.|Marc.|          |  Rs |                            |                |     |",
      " |_____|_____|__________|_____|____________________________|________________|_____|",
      " |     |     |          |     |                            |                |     |",
      // Limit speed, kilometre point, place, times (arrival left, departure right,
      // a "+" for half a minute) and recovery margin.
      " |  30 |     | 150.200  |  30 | CASTREA/KESTL              |          19.05 |     |",
      " | 100 |     | 149.550  | 100 | deviatoio di uscita        |     19.07      |     |",
      " |  60 |     | 148.850  |  60 | Bivio TOVENA/TUVEL         |     19.07+     |     |",
      " |  85 |     |   0.600  |  85 | uscita Bivio TOVENA/TUVEL  |     19.08+     |     |",
      " |     |     |   2.100  |     | CASTREA Sud / KESTL S\xFC" "d    |     19.09      |     |",
      " |  65 |     |   4.743  |  65 | P.L. Km 4.743              |     19.11+     |     |",
      " |     |     |   5.300  |     | PONTE D'ORVIA/FALKENMOORER | 19.12+   19.13 | 0.5 |",
      " |  75 |     |   9.400  |  75 | CINQUEPIANI/DREIBRUNNL     |     19.17      |     |",
      " |     |     |  12.100  |     | SARVINO/SARWIN             | 19.20+   19.21 |     |",
      " |  65 |     |  15.500  |  65 | segn.prot. CORBIANO/KORBIAN|     19.25+     |     |",
      " |     |     |  15.950  |     | CORBIANO/KORBIAN           | 19.25    19.28 |     |",
      " |  95 |     |  17.000  |  95 | Km 17.000                  |     19.29      |     |",
      " |     |     |  19.150  |     | MONTACCONE/MUNTAKON        |     19.31      |     |",
      " |  80 |     |  22.500  |  80 | segn.prot. ROVA/ROVA       |     19.33+     |     |",
      " |     |     |  23.000  |     | ROVA/ROVA                  | 19.34    19.34+|     |",
      " |  95 |     |  23.550  |  95 | Km 23.550                  |     19.35      |     |",
      " |  65 |     |  28.950  |  65 | segn.prot. S.BASSA/NIEDER. |     19.40      |     |",
      " |     |     |  29.350  |     | SELA BASSA/NIEDERLAU       | 19.41    19.41+| 0.5 |",
      " |  55 |     |  30.700  |  55 | segn.prot. TOVENA/TUVEL    |     19.45      |     |",
      " |     |     |  31.700  |     | TOVENA/TUVEL               | 19.46          |     |",
      // Ten empty rows for the driver's own notes, then the bottom rule.
      " |     |     |          |     |                            |                |     |",
      " |     |     |          |     |                            |                |     |",
      " |     |     |          |     |                            |                |     |",
      " |     |     |          |     |                            |                |     |",
      " |     |     |          |     |                            |                |     |",
      " |     |     |          |     |                            |                |     |",
      " |     |     |          |     |                            |                |     |",
      " |     |     |          |     |                            |                |     |",
      " |     |     |          |     |                            |                |     |",
      " |     |     |          |     |                            |                |     |",
      " |_____|_____|__________|_____|____________________________|________________|_____|",
      "",
      std::string(SENTINELLA),
  };
}

}  // namespace scenario
