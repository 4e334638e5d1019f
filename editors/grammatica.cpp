// Writes the editors' TextMate grammar of both description texts from the one
// description of the records, so that the colours tell notes from records as the reading
// does: a line is a record when its first item holds a record's keyword words (the
// reading's own test, letters without regard to case unless the record asks otherwise),
// a keyword the reading does not know when its first item is followed by a number (where
// the reading warns), and a note otherwise. `make vsix` writes it into the extension.
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "model/formato.h"

namespace {

using nlohmann::json;
using scenario::formato::record;
using scenario::formato::testo;

// "the first item holds this word": a look-ahead that stops at the first comma.
std::string contiene(std::string_view parola, bool esatto) {
  if (parola.empty()) return "";
  return std::string("(?=") + (esatto ? "" : "(?i)") + "[^,]*" + std::string(parola) + ")";
}

// Any record of either text, each as the look-aheads of its words.
std::string parole_chiave() {
  std::set<std::string> alternative;
  for (const testo t : {testo::linea, testo::treno}) {
    for (const record& r : scenario::formato::records(t)) {
      alternative.insert("(?:" + contiene(r.parole[0], r.esatto) + contiene(r.parole[1], r.esatto) + ")");
    }
  }
  std::string s;
  for (const std::string& a : alternative) s += (s.empty() ? "" : "|") + a;
  return s;
}

// The values after a keyword: numbers (with a sign, several to an item), a text.
json valori() {
  return json::array({
      {{"match", ","}, {"name", "punctuation.separator.scenario"}},
      {{"match", "(?<=,)\\s*-?[0-9]+\\s*(?=,|$)"}, {"name", "constant.numeric.scenario"}},
      {{"match", "(?<=[0-9\\s])-?[0-9]+(?=\\s|,|$)"}, {"name", "constant.numeric.scenario"}},
      {{"match", "(?<=,)\\s*[^,\\s0-9-][^,]*"}, {"name", "string.unquoted.scenario"}},
  });
}

}  // namespace

int main() {
  // A first item with a minus sign is passed over by the reading: such a line is a note.
  const std::string primo = "^(?=[^,-]*(?:,|$))";
  const json g = {
      {"$comment", "Written by editors/grammatica.cpp from the description of the records; do not edit."},
      {"name", "Scenario"},
      {"scopeName", "source.scenario"},
      {"patterns", json::array({{{"include", "#sezione"}}, {{"include", "#record"}}, {{"include", "#sconosciuta"}},
                                {{"include", "#nota"}}})},
      {"repository",
       {{"sezione",
         {{"match", "^\\s*(\\[[^\\]]*\\])(.*)$"},
          {"captures", {{"1", {{"name", "entity.name.section.scenario"}}}, {"2", {{"name", "comment.line.scenario"}}}}}}},
        {"record",
         {{"begin", primo + "(?:" + parole_chiave() + ")\\s*([^,]*?)\\s*(?=,|$)"},
          {"beginCaptures", {{"1", {{"name", "keyword.other.record.scenario"}}}}},
          {"end", "$"},
          {"patterns", valori()}}},
        {"sconosciuta",
         {{"begin", primo + "\\s*([^,\\[\\s][^,]*?)\\s*(?=,\\s*-?[0-9])"},
          {"beginCaptures", {{"1", {{"name", "invalid.illegal.parola.scenario"}}}}},
          {"end", "$"},
          {"patterns", valori()}}},
        {"nota", {{"match", "^(?!\\s*\\[).+$"}, {"name", "comment.line.nota.scenario"}}}}}};
  std::cout << g.dump(2) << "\n";
  return std::cout ? 0 : 1;
}
