// JSON output. Every use of the JSON library in the project is in json.cpp; other
// stages build their JSON through the small generic functions below.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "model/diagnostica.h"
#include "nucleo/marcia_tesa.h"
#include "output/decodifica.h"

namespace scenario::json {

// A field of a flat object. Texts are ISO 8859-1 bytes, as everywhere in the system;
// they come out as UTF-8 JSON strings.
using valore = std::variant<int64_t, double, bool, std::string>;
struct campo {
  std::string nome;
  valore v;
};

// One object, fields in the order given, on one line: {"numero":16,"gravita":"error"}.
std::string oggetto(const std::vector<campo>& campi);

// An array of such objects; with `rientro` one object per line, indented.
std::string elenco(const std::vector<std::vector<campo>>& oggetti, bool rientro);

}  // namespace scenario::json

namespace scenario::vista {

// The text account's content as JSON (UTF-8), every value as the texts wrote it; with
// `celle` every cell too. Indented for a person, or on one line for the page
// (`rientro` false).
std::string resoconto_json(const scenario_decodificato& s, bool celle, bool rientro = true,
                           const scelte_marcia& marcia = {});

struct confronto_scenari;
// What changed from one compiled scenario to another (vista/confronto.h), as JSON.
std::string confronto_json(const confronto_scenari& c);

}  // namespace scenario::vista

namespace scenario {

// One diagnostic as a JSON object on one line: "file", "line", "column", "severity",
// "number", "position", "message" and, when given, "source" (the text's line).
// `messaggio` and `riga_sorgente` are UTF-8; a missing place or position is null. No line
// end.
std::string diagnostica_in_json(const diagnostica& d, const std::string& messaggio,
                                const std::string& riga_sorgente);

}  // namespace scenario
