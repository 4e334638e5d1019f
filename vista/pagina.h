// One self-contained HTML page of a compiled scenario (no network, no other file): the
// whole line at a glance with zoom and pan, the profile in the line's own kilometres,
// the objects at their places with what the texts said of them on hover, the plan and
// the timetable. The page is a fixed template (vista/pagina.html, built into the
// program) holding the same JSON that `mostra_scenario --json` prints; its script draws
// the part of the line in view from that JSON alone.
#pragma once

#include <string>
#include <string_view>

#include "nucleo/marcia_tesa.h"
#include "output/decodifica.h"

namespace scenario::vista {

// What a page written while the build is watched carries besides the scenario.
struct opzioni_pagina {
  // The diagnostics of a failed build (UTF-8 lines as the console shows them): shown
  // above the scenario, which is then marked as the last good build's.
  std::string diagnostiche;
  std::string marca;       // when and which build, shown with the diagnostics
  int ricarica_secondi = 0;  // not 0: the page reads itself again this often
};

std::string pagina_html(const scenario_decodificato& s, const scelte_marcia& marcia = {});
// The page of a scenario's JSON (as resoconto_json gives it; empty: no scenario yet).
std::string pagina_da_json(std::string_view json, const opzioni_pagina& o);

// The template as built into the program.
std::string_view modello_pagina();

}  // namespace scenario::vista
