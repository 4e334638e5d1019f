// What the message box of a program started from Explorer shows of its console: it does
// not scroll, so a bounded summary that says when something was left out.
#include <gtest/gtest.h>

#include <string>

#include "piattaforma/piattaforma.h"

namespace scenario {
namespace {

TEST(RiassuntoPerRiquadro, DiagnosticheSenzaRigheDeiTestiEntroIlLimite) {
  const std::string diagnostica = "L_linea.txt:10:14: error: Errore n. 317: valore vuoto\n"
                                  "   10 | sfondo tre,  \n"
                                  "      |              ^\n";
  const struct {
    std::string console;
    size_t righe, larghezza;
    std::string atteso;
    size_t tolte;
    bool ridotto;
  } casi[] = {
      // A message alone: all of it, nothing said about the rest.
      {"compila_scenario: L_linea.txt: file non trovato\n", 3, 80, "compila_scenario: L_linea.txt: file non trovato", 0,
       false},
      // The text's line and the caret under a diagnostic go; the diagnostic stays.
      {diagnostica, 3, 80, "L_linea.txt:10:14: error: Errore n. 317: valore vuoto", 0, true},
      // Four diagnostics and a summary for three lines: two left out, and counted.
      {diagnostica + diagnostica + diagnostica + diagnostica + "fine\n", 3, 80,
       "L_linea.txt:10:14: error: Errore n. 317: valore vuoto\nL_linea.txt:10:14: error: Errore n. 317: valore "
       "vuoto\nL_linea.txt:10:14: error: Errore n. 317: valore vuoto",
       2, true},
      // A diagnostic wider than the box is cut, before a character of two bytes ("à"),
      // not inside it; not the first line, which names the first problem and its cause,
      // nor a message of the program's own, which says what to do: whole.
      {"compila_scenario: Citt\xc3\xa0/L_linea.txt: accesso negato\ncompila_scenario: la cartella non si scrive\n"
       "L_linea.txt:1:1: note: Citt\xc3\xa0 d'Erba\n",
       3, 28,
       "compila_scenario: Citt\xc3\xa0/L_linea.txt: accesso negato\ncompila_scenario: la cartella non si scrive\n"
       "L_linea.txt:1:1: note: Citt...",
       0, true},
      // A line of its own that only looks like a text's line: not indented.
      {"10 | x\n", 3, 80, "10 | x", 0, false},
  };
  for (const auto& c : casi) {
    const sistema::riassunto r = sistema::riassunto_per_riquadro(c.console, c.righe, c.larghezza);
    EXPECT_EQ(r.testo, c.atteso) << c.console;
    EXPECT_EQ(r.righe_tolte, c.tolte) << c.console;
    EXPECT_EQ(r.ridotto, c.ridotto) << c.console;
  }
}

}  // namespace
}  // namespace scenario
