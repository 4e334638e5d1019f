// What the build shows the user: a window asking to wait, and messages. The console
// implementation writes both to standard error.
#pragma once

#include <ostream>
#include <string>

namespace scenario {

class piattaforma {
 public:
  virtual ~piattaforma() = default;
  // Shows the window whose only label reads "Attendere".
  virtual void mostra_finestra() = 0;
  // Shows a message to the user.
  virtual void mostra_messaggio(const std::string& testo) = 0;
};

class piattaforma_console : public piattaforma {
 public:
  explicit piattaforma_console(std::ostream& uscita) : uscita_(uscita) {}
  void mostra_finestra() override;
  void mostra_messaggio(const std::string& testo) override;

 private:
  std::ostream& uscita_;
  bool finestra_mostrata_ = false;
};

// Exit status of the program.
inline constexpr int STATO_SUCCESSO = 0;
inline constexpr int STATO_ERRORE_SCENARIO = 1;
inline constexpr int STATO_ERRORE_SISTEMA = 2;

// Shows " Errore n. " followed by `a` (and, on the following lines, `dettaglio` when
// given). The caller then ends the build with status 1.
void errore(piattaforma& p, const std::string& a, const std::string& dettaglio = "");

}  // namespace scenario
