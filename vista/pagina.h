// One self-contained HTML page of a compiled scenario (no network, no other file): the
// profile along the line in its own kilometres, the objects at their places with their
// details on hover, the plan of the line and the timetable. The page is XHTML with
// inline SVG, so an XML parser can check it.
#pragma once

#include <string>

#include "output/decodifica.h"

namespace scenario::vista {

std::string pagina_html(const scenario_decodificato& s);

}  // namespace scenario::vista
