// Which two texts are checked together: a run text with the line text its name begins
// with, a line text with a run text of that line. The server and the formatter find a
// partner the same way, in the folder of the text, by the names the compiler reads from.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "nucleo/compilazione.h"

namespace scenario::lsp {

std::string cartella_di(const std::string& percorso);
std::string nome_di(const std::string& percorso);
std::string unisci(const std::string& cartella, const std::string& nome);

// The line and train identifiers a text's own name gives (nucleo/nomi_testi.h), its folder
// aside, names compared as the system compares them; empty for a name of neither form.
std::string linea_da_percorso(const std::string& percorso);
std::string treno_da_percorso(const std::string& percorso, const std::string& linea);

// The line texts a run text "LINEA_TRENO-.txt" may belong to, the longest LINEA first: those
// whose name and the run's give the command line two identifiers it takes.
std::vector<std::string> linee_possibili(const std::string& treno);
// A run text's line text: the first of them for which `esiste` holds, or empty.
std::string linea_della_corsa(const std::string& treno, const std::function<bool(const std::string&)>& esiste);
// Whether the file named `nome`, beside the line text `linea`, is one of its run texts: the
// line text that run is paired with is this one, by the one rule above (a run text whose
// name also begins with a longer line's name present belongs to that line alone).
bool corsa_della_linea(const std::string& linea, const std::string& nome,
                       const std::function<bool(const std::string&)>& esiste);

// The request that checks a pair as the command line's -c does, from the two texts as
// read (an empty path: no such text, a stand-in takes its place: the longest line the
// format allows, or an empty run). Nothing is written.
richiesta richiesta_di_controllo(const std::string& linea, testo_ingresso testo_linea, const std::string& treno,
                                 testo_ingresso testo_treno);

}  // namespace scenario::lsp
