// The author's reference in a language: the blocks of it that are written from the
// description of the format (the tables of records and of their values) and from the
// catalogue of numbers (the tables of errors and warnings), in the words of the catalogue
// of texts. The rest of each reference (docs/LINGUA/autori.md) is written by hand around
// them; its test writes the blocks anew and fails where they differ.
#pragma once

#include <string>
#include <string_view>

#include "lingue/catalogo.h"

namespace scenario {

// A block by its name, in `l`, Markdown: "linea generale", "linea corpo", "treno" (the
// records of one place of a text), "campi PAROLA" (the values of the record PAROLA),
// "errori" (the errors of a scenario, with the object their position names), "errori di
// campo" (values their field cannot hold), "avvisi" (the numbers from 301 up), "marcia"
// (the fastest run's worked example). Empty for an unknown name.
std::string blocco_riferimento(std::string_view nome, lingua l);

}  // namespace scenario
