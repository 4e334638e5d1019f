// The build driver: writes the embedded texts, compiles the scenario and replaces the
// compiled files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "app/piattaforma.h"
#include "model/modello.h"

namespace scenario {

// Identifiers of the embedded scenario.
inline constexpr const char* LINEA_INCORPORATA = "Castrea_Tovena";
inline constexpr const char* TRENO_INCORPORATO = "R7302";

// Names of the compiled files.
std::string nome_geometria(const modello& m);  // linea_linea.dat
std::string nome_tabella(const modello& m);    // linea_treno.sim
std::string nome_percorso(const modello& m);   // linea_treno.dat

// Clears the error state and the table, reads both description texts and runs the
// finishing pass. `j` not 0 also builds the plan of the line.
void leggi_e_rifinisci(modello& m, int32_t j);

// Checks that the header places are still zero and stamps the header values and the two
// identity codes. Returns 0, or 1250 / 1251 when a place was already taken (nothing is
// stamped then from that check on).
int32_t timbra_intestazione(modello& m);

// Replaces the compiled files in `m.cartella`: geometry (when genera_linea is not 0),
// table, track, in this order.
void scrivi_file_compilati(const modello& m);

// The compile stage up to the writing: reads and finishes the scenario, then checks and
// stamps the header values. Ends the program through `errore`, with the error's
// description and place, when the scenario has an error or a header place is taken.
// Touches no file but the two description texts, which the reading stage deletes.
void compila_in_memoria(modello& m, piattaforma& p, int32_t j);

// The compile stage: `compila_in_memoria`, then the compiled files into `m.cartella`.
// When the program ends through `errore`, no compiled file has been touched.
void memorizza_percorso(modello& m, piattaforma& p, int32_t j);

// The whole build of the embedded scenario into `m.cartella`.
void Form_Load(modello& m, piattaforma& p);

}  // namespace scenario
