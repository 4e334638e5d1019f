// The build driver of the embedded scenario, and what the author's build shares with it:
// the names of the files, the texts read into memory, the compiled files written through
// temporary files and put in place together once all are written.
#pragma once

#include <array>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>

#include "piattaforma/piattaforma.h"
#include "piattaforma/scrittura_in_sfondo.h"
#include "piattaforma/sostituzione.h"
#include "nucleo/compilazione.h"
#include "nucleo/nomi_testi.h"

namespace scenario {

// Identifiers of the embedded scenario.
inline constexpr const char* LINEA_INCORPORATA = "Castrea_Tovena";
inline constexpr const char* TRENO_INCORPORATO = "R7302";

// A description text that the build has just written, read back into memory. It is there
// unless the file system failed, so any failure, a missing file too, throws errore_file:
// it is never passed on as a scenario error.
testo_ingresso leggi_testo_ingresso(const std::filesystem::path& file, const std::string& etichetta);

// The compiled files of one build in `cartella`: each goes to a temporary file beside
// its name; `conferma` puts them in place in the order geometry, table, track. What was
// not confirmed is removed when the value goes, and the earlier files stay.
class uscite_su_file : public uscite_compilate {
 public:
  uscite_su_file(std::filesystem::path cartella, std::string linea, std::string treno);
  ~uscite_su_file() override;
  destinazione_byte& apri(file_compilato quale) override;
  // Has the geometry file written from `piano` on threads of its own while the build
  // goes on (richiesta::piano_pronto), when it is large enough to gain by it: false
  // otherwise, and it is written in turn. A failure, of its making too, is thrown where
  // it would be thrown with the geometry written in turn: by the next `apri` or `conferma`.
  bool scrivi_geometria(piano_tracciato piano);
  void conferma();

 private:
  file_temporaneo& crea(file_compilato quale);
  // Until the geometry written on its own threads is whole; throws what failed.
  void attendi_geometria();

  std::filesystem::path cartella_;
  std::string linea_;
  std::string treno_;
  std::array<std::unique_ptr<file_temporaneo>, 3> file_;
  piano_tracciato piano_;
  std::unique_ptr<scrittura_in_sfondo> geometria_;  // goes before the file and the plan it writes
  std::exception_ptr guasto_geometria_;
};

// `r` has the geometry file written by `uscite` as soon as the plan is final.
void geometria_in_sfondo(richiesta& r, uscite_su_file& uscite);

// The whole build of the embedded scenario into `cartella`. Returns the exit status;
// throws errore_file on a failure of the file system.
int Form_Load(const std::filesystem::path& cartella, piattaforma& p);

}  // namespace scenario
