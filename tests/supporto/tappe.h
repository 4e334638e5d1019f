// The test's end of the program's test hook (piattaforma/tappe_prova.h): the program, started with
// `variabile()` in its environment and `descrittore_programma()` open, stops at each point
// it reaches until the test lets it go on.
#pragma once

#include <string>

namespace scenario::prova {

class tappe {
 public:
  tappe();  // throws std::runtime_error when the socket cannot be made
  ~tappe();
  tappe(const tappe&) = delete;
  tappe& operator=(const tappe&) = delete;

  // For the child process, between fork and exec: the descriptor left open across exec,
  // and the variable that names it.
  int descrittore_programma() const { return programma_; }
  std::string variabile() const;
  // In the parent once the program is started: its end is closed here, so that the end of
  // the program is seen as the end of the socket.
  void avviato();

  // The next point the program has reached, waiting at most 30 s; "" when the program
  // ended (or did not get anywhere in that time).
  std::string prossima();
  // Lets the program go on past every point until `nome`, where it stays. False when it
  // ended first.
  bool fino_a(const std::string& nome);
  // Lets the program go on from the point where it is.
  void prosegui();
  // Closes the test's end: the program goes on and stops nowhere else.
  void lascia();

 private:
  int test_ = -1;
  int programma_ = -1;
};

}  // namespace scenario::prova
