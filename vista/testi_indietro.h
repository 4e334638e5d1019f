// The two description texts given back from a compiled scenario: texts an author can edit
// that compile into the same three files, byte for byte. Where no text can give some byte
// (files another program wrote, or damaged ones), the texts hold everything else and the
// cells, entries or metres left out are named with the reason.
#pragma once

#include <string>
#include <vector>

#include "output/decodifica.h"

namespace scenario::formato {
struct record;
}

namespace scenario::vista {

// How the texts are written: UTF-8, as editors open them and an author's texts are read,
// or ISO 8859-1, the simulator's own (and the old) form.
enum class codifica_testi { utf8, latin1 };

// A record of the texts given back as the author writes it: which record, its keyword as
// written, its values in the order of the record's fields (ISO 8859-1).
struct record_ricavato {
  const formato::record* descrizione = nullptr;
  std::string parola;
  std::vector<std::string> valori;
  bool operator==(const record_ricavato&) const = default;
  // "segnale, 6800, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0"
  std::string riga() const;
};

struct testi_ricavati {
  std::string linea;  // LINEA_linea.txt, CR LF
  std::string treno;  // LINEA_TRENO-.txt
  // The set holds what only the reading of old gives (the leftovers of an object a stop
  // point covered): the texts compile into it with --permissivo, and say so.
  bool permissivo = false;
  // What the texts cannot give, one line each ("cella 812: ..."); empty when compiling
  // the texts gives the three files back byte for byte.
  std::vector<std::string> scarti;
  // The records of the line text, then those of the run text, in the texts' order.
  std::vector<record_ricavato> records;
  bool completi() const { return scarti.empty(); }
};

// Works the texts out of `s` and compiles them back in memory to check them: the check is
// part of the answer, so `completi()` is true only for texts proven to give the same bytes.
testi_ricavati testi_da_scenario(const scenario_decodificato& s, codifica_testi codifica = codifica_testi::utf8);

// The curvature of each metre's step of the plan, worked out from the points: 0 for a
// straight step, a class's turn per metre (negative to the left), NaN where no step of a
// description text gives the point; 0 for metres without a computed point.
std::vector<double> curvature_per_metro(const scenario_decodificato& s);

}  // namespace scenario::vista
