// Byte layouts of the three compiled files the simulator loads: every field
// little-endian, records one after another with no gap, no header and no trailer.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/modello.h"

namespace scenario {

// Track file: 15 bytes a cell, cell i at offset 15 * i.
std::string serializza_percorso(const std::vector<cella>& percorso);

// Table file: 87 entries of 34 + n bytes, n the length of `nome`.
std::string serializza_tabella(const std::array<voce, VOCI_TABELLA>& tabella);

// Geometry file: every x of the plan, then every y, each a tagged value.
std::string serializza_tracciato(const std::vector<std::array<valore_tracciato, 2>>& tracciato);

}  // namespace scenario
