// The author's build: the same reading stage, finishing pass, header values and writers
// as the embedded build, on the author's two description texts. The reading stage deletes
// the texts it has read, so it works on copies in a private folder; the author's files
// are only read.
#pragma once

#include <filesystem>

#include "app/piattaforma.h"
#include "app/riga_comando.h"
#include "model/modello.h"

namespace scenario {

// A private folder made with mkdtemp under the system's folder for temporary files
// (TMPDIR when set), removed with everything in it when the value goes out of scope.
class cartella_privata {
 public:
  cartella_privata();  // throws errore_file when the folder cannot be made
  ~cartella_privata();
  cartella_privata(const cartella_privata&) = delete;
  cartella_privata& operator=(const cartella_privata&) = delete;

  const std::filesystem::path& percorso() const { return percorso_; }

 private:
  std::filesystem::path percorso_;
};

// Builds the scenario of `r` (an `azione_richiesta::costruzione_autore`): the compiled
// files go to `r.uscita`, or nowhere with `r.solo_controllo`. A scenario error ends the
// program through `errore` (status 1) with nothing written; a missing text, an output
// folder that is not there, or any other failure of the file system throws errore_file.
void costruzione_autore(const riga_comando& r, modello& m, piattaforma& p);

}  // namespace scenario
