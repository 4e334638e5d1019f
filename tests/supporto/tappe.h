// The test's end of the program's test hook (piattaforma/tappe_prova.h): the program,
// started with `variabile()` in its environment and its end of the channel inherited,
// stops at each point it reaches until the test lets it go on.
#pragma once

#include <string>

namespace scenario::prova {

class tappe {
 public:
  tappe();  // throws std::runtime_error when the channel cannot be made
  ~tappe();
  tappe(const tappe&) = delete;
  tappe& operator=(const tappe&) = delete;

#ifndef _WIN32
  // For the child process, between fork and exec: the descriptor left open across exec.
  int descrittore_programma() const { return programma_; }
#endif
  // The variable that names the program's end (on Windows two pipe handles, which the
  // child inherits).
  std::string variabile() const;
  // In the parent once the program is started: its end is closed here, so that the end of
  // the program is seen as the end of the socket.
  void avviato();

  // The next point the program has reached, waiting at most 30 s; "" when the program
  // ended (or did not get anywhere in that time).
  std::string prossima();
  // Lets the program go on past every point until `nome`, where it stays. False when it
  // ended first.
  bool fino_a(const std::string& nome) {
    for (std::string tappa = prossima(); !tappa.empty(); tappa = prossima()) {
      if (tappa == nome) return true;
      prosegui();
    }
    return false;
  }
  // Lets the program go on from the point where it is.
  void prosegui();
  // Closes the test's end: the program goes on and stops nowhere else.
  void lascia();

 private:
#ifdef _WIN32
  void* dal_programma_ = nullptr;  // the test's ends
  void* al_programma_ = nullptr;
  void* programma_scrive_ = nullptr;  // the program's, closed here once it has started
  void* programma_legge_ = nullptr;
#else
  int test_ = -1;
  int programma_ = -1;
#endif
};

}  // namespace scenario::prova
