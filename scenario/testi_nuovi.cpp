// The starting pair of a new author: a line of 10000 m with two curves, a gradient, a
// mountain-side stretch, a maximum-speed indicator and a bridge board, and a run with a
// departure and an arrival, one slow-down, two signals and one abbattimento point.
//
// The notes come from the catalogue, in the author's language. The note lines above the
// records are keyword items too. A keyword test is a substring
// test, so a note never holds a word that a record is recognised by (in the line text
// "lunghezza" with "percorso", "progressiva", "sfondo", "ripetizione", "pendenza",
// "curva", "montagna", "indicat"; in the run text "vetture", "massa" with "frenata",
// "velocit", "aderenza", "orologio", "sabbia", "segnale", "rallentamento",
// "abbattimento", "stazione"). Nor does it hold a minus sign (the item after it would be
// taken as the keyword instead, and the record below would be lost), a comma (the rest
// would be read as further items), or both square brackets (in [generale] that ends the
// section).
#include "scenario/testi_nuovi.h"

#include "lingue/catalogo.h"
#include "scenario/scrittura_testi.h"

namespace scenario {

std::vector<std::string> elenco_linea_nuova() {
  return {
      traduci("nuovo.linea.1"),
      traduci("nuovo.linea.2"),
      "[generale]",
      traduci("nuovo.linea.3"),
      "lunghezza percorso, 10000",
      traduci("nuovo.linea.4"),
      "progressiva chilometrica uno, 0, 12000, 0",
      traduci("nuovo.linea.5"),
      "progressiva chilometrica due, 0, 0, 0",
      traduci("nuovo.linea.6"),
      "progressiva chilometrica tre, 0, 0, 0",
      traduci("nuovo.linea.7"),
      "sfondo uno, 0",
      traduci("nuovo.linea.8"),
      "sfondo due, 0",
      traduci("nuovo.linea.9"),
      "sfondo tre, 1",
      traduci("nuovo.linea.10"),
      "ripetizione segnali 4 codici, 0, 10000",
      "[curve]",
      traduci("nuovo.linea.11"),
      "curvad4, 2000, 300",
      traduci("nuovo.linea.12"),
      "curvas4, 5000, 300",
      "[pendenze]",
      traduci("nuovo.linea.13"),
      "pendenza,    0, 0",
      traduci("nuovo.linea.14"),
      "pendenza, 3000, 5",
      "[montagne]",
      traduci("nuovo.linea.15"),
      "montagna, 5000, 6000, 1",
      "[cartelli]",
      traduci("nuovo.linea.16"),
      "indicatori_vmax, 500, 80, 85, 85, 0, , , , 0",
      "[indicazioni]",
      traduci("nuovo.linea.17"),
      "cartello_indicatore, 2500, (PONTE SUL  )(TORRENTE   )",
      "[fine]",
      std::string(SENTINELLA),
  };
}

std::vector<std::string> elenco_treno_nuovo() {
  return {
      traduci("nuovo.treno.1"),
      traduci("nuovo.linea.2"),
      "[generale]",
      traduci("nuovo.treno.3"),
      "numero vetture, 3",
      traduci("nuovo.treno.4"),
      "percentuale massa frenata, 110",
      traduci("nuovo.treno.5"),
      "sabbia, 300",
      traduci("nuovo.treno.6"),
      "orologio, 19, 4, 0",
      "[aderenze]",
      traduci("nuovo.treno.7"),
      "aderenza, 0, 100",
      "[vel_limite]",
      traduci("nuovo.treno.8"),
      "velocita,   0, 60",
      traduci("nuovo.treno.9"),
      "velocita, 500, 80",
      "[stazioni]",
      traduci("nuovo.treno.10"),
      "stazione,    0,  8, 300, 0, 0, 0, 1, 1, 0, 5, 6, 1, 1, 19,  5, 0, PARTENZA",
      traduci("nuovo.treno.11"),
      "stazione, 9000, 12, 400, 0, 0, 0, 1, 1, 0, 2, 1, 1, 0, 19, 15, 0, ARRIVO",
      "[rallentamenti]",
      traduci("nuovo.treno.12"),
      "rallentamento, 4000, 30, 300, 0, 1, 0",
      "[segnali]",
      traduci("nuovo.treno.13"),
      "segnale, 1450, 2, 2, 5, 6, 1, 2, 2, 1, 0, 0",
      traduci("nuovo.treno.14"),
      "segnale, 6800, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0",
      traduci("nuovo.treno.15"),
      "abbattimento, 8000, 0",
      "[codici]",
      traduci("nuovo.treno.16"),
      "[fine]",
      std::string(SENTINELLA),
  };
}

testi_nuovi testi_di_partenza() {
  return {componi_testo(elenco_linea_nuova()), componi_testo(elenco_treno_nuovo())};
}

}  // namespace scenario
