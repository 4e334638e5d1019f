// File names of the five embedded texts, each built from the line and train identifiers.
#include "scenario/testi_incorporati.h"


namespace scenario {

namespace {

// The prefix shared by the sheets of one run: line, "_", train.
std::string linea_e_treno(const modello& m) { return m.linea + "_" + m.treno; }

}  // namespace

std::string nome_testo_linea(const modello& m) { return m.linea + "_linea.txt"; }

// The hyphen before the extension belongs to the name of the run description.
std::string nome_testo_treno(const modello& m) { return linea_e_treno(m) + "-.txt"; }

std::string nome_note(const modello& m) { return linea_e_treno(m) + "_note.txt"; }

std::string nome_rallentamenti(const modello& m) {
  return linea_e_treno(m) + "_rallentamenti.txt";
}

std::string nome_scheda(const modello& m) { return linea_e_treno(m) + "_scheda_treno.txt"; }

}  // namespace scenario
