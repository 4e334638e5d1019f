// The text account of a decoded scenario, in Italian, for the terminal (UTF-8).
#pragma once

#include <string>

#include "nucleo/marcia_tesa.h"
#include "output/decodifica.h"

namespace scenario::vista {

// Line, header values and identity codes, train, progressives, stations, signals,
// boards, indicators, slow-downs, abbattimenti, speed, gradient and adhesion runs,
// mountain stretches, the fastest run's legs (nucleo/marcia_tesa.h, with the train's
// acceleration and braking as `marcia` gives them). With `celle`, one line per cell at the end.
std::string resoconto_testo(const scenario_decodificato& s, bool celle, const scelte_marcia& marcia = {});

// One line per cell: the metres it covers, the columns of the track file and what the
// author wrote for its object ("sx 2, 3 0 0, rapp 1, ...", "80/80 85/85 90/90 km/h").
std::string elenco_celle(const scenario_decodificato& s);
std::string descrizione_cella(const scenario_decodificato& s, size_t c);

// A board's text as rows: "(P.L.    )(Km 4.437)" gives "P.L. / Km 4.437".
std::string testo_cartello(const std::string& nome);

}  // namespace scenario::vista
