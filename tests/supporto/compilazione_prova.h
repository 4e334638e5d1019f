// Test support: a scenario compiled in memory by the core, its three files as bytes.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "nucleo/compilazione.h"
#include "output/decodifica.h"

namespace scenario::prova {

class uscite_in_memoria : public uscite_compilate {
 public:
  destinazione_byte& apri(file_compilato quale) override { return file[quale]; }
  std::map<file_compilato, destinazione_memoria> file;
};

// Compiles the two texts into `m`; the files, named as the program names them, are
// empty when the scenario has an error.
inline file_compilati_letti compila_in_memoria(const std::string& linea, const std::string& treno,
                                               const std::string& testo_linea,
                                               const std::string& testo_treno, modello& m) {
  richiesta r;
  r.linea = linea;
  r.treno = treno;
  r.testo_linea = {linea + "_linea.txt", testo_linea, true, ""};
  r.testo_treno = {linea + "_" + treno + "-.txt", testo_treno, true, ""};
  uscite_in_memoria u;
  const risultato e = memorizza_percorso(r, m, &u);
  EXPECT_TRUE(e.riuscito);
  return {linea + "_linea.dat", u.file[file_compilato::geometria].byte,
          linea + "_" + treno + ".sim", u.file[file_compilato::tabella].byte,
          linea + "_" + treno + ".dat", u.file[file_compilato::percorso].byte};
}

}  // namespace scenario::prova
