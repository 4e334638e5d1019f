// The program's touch of the file system: reading a text whole, and replacing a file
// whole through a temporary file beside it, renamed over the target only once every byte
// is written. A failure halfway leaves the earlier file as it was.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "piattaforma/piattaforma.h"
#include "piattaforma/segnali.h"
#include "output/file_compilati.h"

namespace scenario {

// A failure of the file system, naming the file and the reason (piattaforma.h's
// `motivo` for the common ones).
class errore_file : public std::runtime_error {
 public:
  errore_file(const std::filesystem::path& file, const std::string& motivo);
  const std::filesystem::path& file() const { return file_; }
  // The reason alone, without the file's name.
  const std::string& motivo() const { return motivo_; }

 private:
  std::filesystem::path file_;
  std::string motivo_;
};

// A new file beside `destinazione`, named after it with ".tmp" and six characters,
// written a piece at a time; `conferma` renames it over the destination. Until then the
// destination is untouched, and a temporary file never confirmed is removed when the value
// goes, or by an interrupt (segnali.h). A file that replaces another keeps the earlier
// file's permissions (and, run by root, its owner); a new file gets those the umask leaves
// of rw-rw-rw-, as a file that cp creates.
class file_temporaneo : public destinazione_byte {
 public:
  explicit file_temporaneo(const std::filesystem::path& destinazione);  // throws errore_file
  file_temporaneo(const file_temporaneo&) = delete;
  file_temporaneo& operator=(const file_temporaneo&) = delete;
  ~file_temporaneo() override;

  void scrivi(std::string_view byte) override;  // throws errore_file
  void scrivi_a(uint64_t posizione, std::string_view byte) override;  // throws errore_file
  void riserva(uint64_t byte) override;
  // Closes the file, checking the close, without renaming it yet.
  void chiudi();
  // Closes (when still open) and renames over the destination.
  void conferma();
  // The same, keeping the destination's earlier file: the path where it now lies (this
  // file's temporary name, or another beside the destination), empty when there was
  // none. The caller deletes it, or gives it back with `ripristina`.
  std::filesystem::path metti_al_posto();
  // Throws errore_file when a folder has come to stand at the destination's name since
  // the file was made; checked for every file of a set before the first is renamed.
  void verifica_destinazione() const;
  const std::filesystem::path& destinazione() const { return destinazione_; }

 private:
  std::filesystem::path destinazione_;
  std::filesystem::path percorso_;
  // Closes and removes the file unless it was confirmed.
  void rimuovi();

  sistema::maniglia maniglia_ = -1;
  bool confermato_ = false;
  scarto scarto_;
};

// Gives `destinazione` back its earlier file, kept at `precedente` by metti_al_posto; with
// no earlier file (`precedente` empty), the name is left empty as it was.
void ripristina(const std::filesystem::path& destinazione, const std::filesystem::path& precedente);

// Puts several temporary files in place, in order, as one set: when one cannot take its
// place, those already in place are given back their earlier files, and the failure is
// thrown. The test hook stops after the first ("rinomina") and the second ("rinomina2").
void conferma_insieme(const std::vector<file_temporaneo*>& file);

// Replaces `file` with exactly `contenuto`. Throws errore_file on any failure; the
// temporary file is then removed and `file` keeps its earlier content.
void sostituisci_file(const std::filesystem::path& file, std::string_view contenuto);

// Writes an author's text `file` anew, as an editor saves one: through a link, to the file
// it leads to; never over a text marked read-only (errore_file, the text as it was). The
// new content goes into a temporary file beside the text, renamed over it once whole, as
// sostituisci_file does; in place, the room taken first, only where that rename cannot be
// made (a folder this process may not add to) or would not keep the same file (another
// owner, further names).
void salva_testo(const std::filesystem::path& file, std::string_view contenuto);

// The folder `cartella` made, with those of its parents that are missing, as `mkdir -p`
// does, for files about to go there (nothing for an empty path); throws errore_file
// naming the first that could not be made, and why. Unless `tieni` is called, the folders
// made go again with the value, each only while empty: a build that fails leaves no new
// folder behind.
class cartelle_nuove {
 public:
  explicit cartelle_nuove(const std::filesystem::path& cartella);
  ~cartelle_nuove() { togli(); }
  cartelle_nuove(const cartelle_nuove&) = delete;
  cartelle_nuove& operator=(const cartelle_nuove&) = delete;

  bool fatte() const { return !fatte_.empty(); }
  void tieni() { fatte_.clear(); }

 private:
  void crea(const std::filesystem::path& cartella);
  void togli();
  std::vector<std::filesystem::path> fatte_;  // the outermost first
};

// A private folder made under sistema::cartella_temporanei(), named after `prefisso`,
// removed with everything in it when the value goes out of scope.
class cartella_privata {
 public:
  explicit cartella_privata(std::string_view prefisso);  // throws errore_file on failure
  ~cartella_privata();
  cartella_privata(const cartella_privata&) = delete;
  cartella_privata& operator=(const cartella_privata&) = delete;

  const std::filesystem::path& percorso() const { return percorso_; }

 private:
  std::filesystem::path percorso_;
};

// The largest text read: far above the largest scenario's texts (about 1.4 MB together),
// far below what would exhaust memory.
inline constexpr size_t LIMITE_TESTO = size_t{64} << 20;

// Why a text of more than `limite` bytes is refused.
errore_file testo_troppo_grande(const std::filesystem::path& file, size_t limite);

// Reads a whole regular file as bytes. A folder, a device or a pipe is refused without
// waiting on it, and so is a file of more than LIMITE_TESTO bytes. Throws errore_file
// when it cannot be read.
std::string leggi_file(const std::filesystem::path& file);

}  // namespace scenario
