// The embedded scenario: the line lists of the five texts a build writes, and their names.
#pragma once

#include <string>
#include <vector>

#include "model/modello.h"

namespace scenario {

// Line lists, each ended by the sentinel. Texts are ISO 8859-1 bytes.
std::vector<std::string> elenco_linea();          // line description, 112 lines
std::vector<std::string> elenco_treno();          // run description, 53 lines
std::vector<std::string> elenco_note();           // scenario notes, 47 lines
std::vector<std::string> elenco_rallentamenti();  // slow-down prescriptions, 4 lines
std::vector<std::string> elenco_scheda();         // timetable card, 49 lines

// File names, from the line and train identifiers.
std::string nome_testo_linea(const modello& m);          // linea_linea.txt
std::string nome_testo_treno(const modello& m);          // linea_treno-.txt
std::string nome_note(const modello& m);                 // linea_treno_note.txt
std::string nome_rallentamenti(const modello& m);        // linea_treno_rallentamenti.txt
std::string nome_scheda(const modello& m);               // linea_treno_scheda_treno.txt

}  // namespace scenario
