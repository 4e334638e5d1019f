// What a program says, as data: an entry of the catalogue of texts and its named
// arguments. The stages say what happened; the edge renders it once, in the language the
// author chose (lingue/catalogo.h). Numbers, names and the bytes of a description text
// travel as texts shown as they stand.
#pragma once

#include <concepts>
#include <string>
#include <vector>

namespace scenario {

struct argomento;

struct messaggio {
  std::string id;     // the catalogue's entry; empty for a text shown as it stands
  std::string testo;  // without an id: the text itself, UTF-8 or the bytes of a description text
  std::vector<argomento> argomenti;

  messaggio();
  // A text shown as it stands in every language.
  messaggio(std::string letterale);

  bool vuoto() const { return id.empty() && testo.empty(); }
  bool operator==(const messaggio&) const;
};

// `{nome}` in the catalogue's text becomes `valore`, itself rendered in the same language.
struct argomento {
  std::string nome;
  messaggio valore;

  argomento(std::string n, messaggio v) : nome(std::move(n)), valore(std::move(v)) {}
  argomento(std::string n, std::string v) : nome(std::move(n)), valore(std::move(v)) {}
  argomento(std::string n, const char* v) : nome(std::move(n)), valore(std::string(v)) {}
  template <std::integral intero>
  argomento(std::string n, intero v) : nome(std::move(n)), valore(std::to_string(v)) {}

  bool operator==(const argomento& o) const;
};

// Defined once `argomento` is complete: building the list of arguments needs its size.
inline messaggio::messaggio() = default;
inline messaggio::messaggio(std::string letterale) : testo(std::move(letterale)) {}
// Written out, not defaulted: a message and its arguments hold each other, and a compiler
// that derives the two comparisons from each other does not stop.
inline bool messaggio::operator==(const messaggio& o) const {
  return id == o.id && testo == o.testo && argomenti == o.argomenti;
}
inline bool argomento::operator==(const argomento& o) const { return nome == o.nome && valore == o.valore; }

// The catalogue's entry `id` with its arguments. The ids written as the first argument
// of `frase` or `dal_catalogo` are the ones the catalogue's completeness test collects
// from the sources.
inline messaggio frase(std::string id, std::vector<argomento> argomenti = {}) {
  messaggio m;
  m.id = std::move(id);
  m.argomenti = std::move(argomenti);
  return m;
}

// An id named where it is not yet used (a table of ids): the same text, marked for the test.
constexpr const char* dal_catalogo(const char* id) { return id; }

}  // namespace scenario
