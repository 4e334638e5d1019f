// File names of the five embedded texts and their writers. Every name is built from
// the line and train identifiers; every writer replaces its file in the scenario's
// folder whole, so nothing of an earlier build's file survives.
#include "scenario/testi_incorporati.h"

#include "scenario/scrittura_testi.h"

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

void dati_linea(const modello& m) {
  scrivi_elenco(m.cartella / nome_testo_linea(m), elenco_linea());
}

void dati_treno(const modello& m) {
  scrivi_elenco(m.cartella / nome_testo_treno(m), elenco_treno());
}

void dati_note(const modello& m) { scrivi_elenco(m.cartella / nome_note(m), elenco_note()); }

void dati_rallentamenti(const modello& m) {
  scrivi_elenco(m.cartella / nome_rallentamenti(m), elenco_rallentamenti());
}

void dati_scheda(const modello& m) {
  scrivi_elenco(m.cartella / nome_scheda(m), elenco_scheda());
}

}  // namespace scenario
