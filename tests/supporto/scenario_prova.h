// Test support for the reading stage: a scenario folder with description texts.
#pragma once

#include <string>

#include "model/modello.h"
#include "scenario/testi_incorporati.h"
#include "tests/supporto/cartella_temporanea.h"
#include "text/lettura_dati.h"

namespace scenario::prova {

// A model for the line "L" and the train "T" whose texts live in a private folder.
struct scenario_prova {
  cartella_temporanea cartella;
  modello m;

  scenario_prova() {
    m.cartella = cartella.percorso();
    m.linea = "L";
    m.treno = "T";
    m.genera_linea = 1;
  }
  void testi(const std::string& linea, const std::string& treno) {
    cartella.scrivi(nome_testo_linea(m), linea);
    cartella.scrivi(nome_testo_treno(m), treno);
  }
  // Reads both texts as the build does after clearing the table.
  void leggi() {
    m.codice_errore = 0;
    for (voce& v : m.tabella) v = voce{};
    memorizza_dati(m);
  }
  bool testi_rimasti() const {
    return cartella.esiste(nome_testo_linea(m)) || cartella.esiste(nome_testo_treno(m));
  }
};

// A line description of `lunghezza` metres whose body holds `corpo` (CR LF lines).
inline std::string linea_di(int lunghezza, const std::string& corpo = "") {
  return "[generale]\r\nlunghezza percorso, " + std::to_string(lunghezza) +
         "\r\nripetizione segnali 4 codici, 0, 0\r\n[curve]\r\n" + corpo + "[fine]\r\n";
}

// A run description whose records are `corpo` (CR LF lines).
inline std::string treno_di(const std::string& corpo = "") {
  return "[generale]\r\n" + corpo + "[fine]\r\n";
}

}  // namespace scenario::prova
