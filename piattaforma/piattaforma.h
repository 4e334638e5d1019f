// The program's edge towards the user and the operating system.
//
// What the build shows: a window asking to wait, and messages; the console implementation
// writes both to standard error.
//
// Every call into the operating system goes through the functions and classes of
// `sistema` below (with the folder lock, blocco.h, and the interrupts, segnali.h). They
// have two halves, piattaforma_posix.cpp and piattaforma_windows.cpp; everything above
// them is the same code on both systems. Outside the halves every path and every
// text is UTF-8; the Windows half speaks to the system in wide characters.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "lingue/catalogo.h"

namespace scenario {

// The label of the window shown while the build runs.
inline constexpr const char* ATTENDERE = "Attendere";

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

// The common reasons why a file cannot be read or written, which the programs say in the
// user's language. Each half turns the system's numbers into these; any other reason is
// given in the system's own words.
enum class causa_file : uint8_t {
  non_trovato,
  accesso_negato,
  file_sola_lettura,    // the file's own read-only mark
  disco_sola_lettura,   // a file system mounted read-only, a write-protected medium
  in_uso,               // held by another program
  non_cartella,         // a file stands where a folder is needed
  cartella,             // a folder stands where a file is needed
  non_regolare,         // a device or a pipe
  disco_pieno,
  file_troppo_grande,
  nome_troppo_lungo,
  nome_non_valido,
  esistente,
};
std::string motivo(causa_file c);

namespace sistema {

// An open file: a descriptor, or a Windows handle.
using maniglia = std::intptr_t;

// The start of a program: its arguments as UTF-8 (on Windows from the wide command line,
// which holds any name), standard output and error passing bytes unchanged, and a console
// that shows UTF-8.
std::vector<std::string> prepara_processo(int argc, char** argv);

// Standard output and error redirected to a file on Windows (`> errori.txt`) are written as
// the system's own tools write such a file, UTF-16 with its byte-order mark and CR LF,
// which `type`, `more` and Notepad all read right whatever the console's code page (the
// UTF-8 the programs speak would show there as another code page's letters). Output for
// other programs (JSON, the language server) stays UTF-8: called before writing it.
// Pipes, a console, POSIX: nothing changes.
void uscita_per_programmi();

// When the program is the only one in a console window of its own (started from Explorer:
// a double click, files dropped on it; not from a prompt or a script), that window closes
// with it. What it wrote there is then shown once more, in a message box captioned
// `titolo`, until the user closes it: the console's text without the "Attendere" line
// (riassunto_per_riquadro), or `se_nulla` when nothing else was written (no box when that
// is empty too). When the box cannot hold it all, the whole text goes into `titolo`.log
// in `cartella_registro` (the current folder when empty; the temporary folder when that
// cannot be written), and the box names it. Nothing happens otherwise, nor on POSIX.
// `coda`, when given, follows whatever the box shows (where a build put its files).
void congedo(const char* titolo, std::string_view se_nulla, const std::filesystem::path& cartella_registro = {},
             std::string_view coda = {});

// Whether the program is the only one in a console window of its own, as Explorer starts
// it (a double click, files dropped on it, an entry of a file's menu): what it shows is
// then read in a message box (congedo), and the files it makes go beside the texts it was
// given. Never on POSIX.
bool avviato_da_esplora();

// What a message box, which does not scroll, shows of a console's text: its messages and
// diagnostics (each names its place) without the text's lines and the carets under them,
// the first `righe` of them, each diagnostic after the first cut after `larghezza` bytes
// (the first line, which names the first problem and its cause, and the program's own
// messages are shown whole); how many lines of that kind
// it left out, and whether it left out anything at all.
struct riassunto {
  std::string testo;
  size_t righe_tolte = 0;
  bool ridotto = false;
};
riassunto riassunto_per_riquadro(std::string_view testo, size_t righe, size_t larghezza);

// A path from UTF-8 text. (On Windows std::filesystem reads a narrow string in the local
// code page, so a name with an accent would come out wrong.)
std::filesystem::path percorso(std::string_view utf8);
// The path as UTF-8 text.
std::string testo(const std::filesystem::path& p);
// Whether the system writes paths the Windows way: drive letters, network shares.
bool percorsi_di_windows();
// Whether the system takes two names (UTF-8) for one: byte for byte on POSIX, without
// regard to letter case on Windows.
bool stesso_nome(std::string_view a, std::string_view b);

// The folder that holds the running executable.
std::filesystem::path cartella_eseguibile(const char* argv0);
// The folder for temporary files: TMPDIR when set and not empty, otherwise /tmp; on
// Windows the system's temporary folder.
std::filesystem::path cartella_temporanei();
// Makes a new folder under `base`, named `prefisso`, "-" and six letters or digits.
std::filesystem::path crea_cartella_unica(const std::filesystem::path& base, std::string_view prefisso);

// The names (UTF-8) of the files in `cartella`; none when it cannot be read.
std::vector<std::string> file_in_cartella(const std::filesystem::path& cartella);

// Makes the folder `cartella`, whose parent must exist. Throws errore_file naming it when
// it cannot be made, or when a file that is no folder stands at its name.
enum class esito_cartella { fatta, esistente, manca_genitore };
esito_cartella crea_cartella(const std::filesystem::path& cartella);

// Reads the whole of `file`, a regular file of at most `limite` bytes. A folder, a device
// or a pipe is refused without waiting on it.
std::string leggi_regolare(const std::filesystem::path& file, size_t limite);

// The memory of a build about to take some `byte` of it, made ready ahead. A process is
// given each page of its memory only when it first touches it, one fault at a time, and
// the memory a large build takes is fresh: here its pages are put in place at once, on a
// thread of its own, while the build reads its texts. The allocator keeps for the build
// the room so prepared. Only a hint, that changes no byte: where the system cannot
// (another allocator, a kernel without the call, Windows, no thread to be had) nothing
// happens. The preparation stops, and is waited for, when the value goes.
class memoria_preparata {
 public:
  explicit memoria_preparata(uint64_t byte);
  ~memoria_preparata();
  memoria_preparata(const memoria_preparata&) = delete;
  memoria_preparata& operator=(const memoria_preparata&) = delete;

 private:
  std::atomic<bool> basta_{false};
  std::thread preparazione_;
};

// Creates `file` for writing, empty; it must not exist yet. Nothing when it does; throws
// errore_file naming `nome` on any other failure.
std::optional<maniglia> crea_nuovo(const std::filesystem::path& file, const std::filesystem::path& nome);
// A file about to replace `precedente` takes its permissions (and, where the system lets
// it, its owner). Nothing when `precedente` is no regular file.
void prendi_permessi(maniglia m, const std::filesystem::path& precedente, const std::filesystem::path& nome);
void scrivi(maniglia m, std::string_view byte, const std::filesystem::path& nome);
void scrivi_a(maniglia m, uint64_t posizione, std::string_view byte, const std::filesystem::path& nome);
// Makes room on the disk at once for the `byte` bytes that the new file open at `m` is
// about to be given whole, so that the file system does not look for it a page at a time
// as the writes come. Only a hint: where room cannot be made beforehand (another file
// system, a full disk, Windows) nothing happens, and the writes say what they meet.
void riserva(maniglia m, uint64_t byte);
// Closes, checking the close (a write the system had deferred may fail only here).
void chiudi(maniglia m, const std::filesystem::path& nome);
void chiudi_senza_controllo(maniglia m);
// Throws errore_file naming `destinazione` when a rename onto it is bound to fail: a
// folder stands at its name, or (Windows) the file is read-only or held open by a program
// that does not let it be replaced.
void verifica_sostituibile(const std::filesystem::path& destinazione);
// Renames `da` over `a`: `a` holds the earlier file or the whole new one, never less.
void sostituisci_nome(const std::filesystem::path& da, const std::filesystem::path& a);
// Exchanges the files of `da` and `a` in one step, where the system can (Linux): true when
// done, the earlier file of `a` now under `da`. False, with nothing changed, where it
// cannot (another system, a file system without the exchange, no file at `a`).
bool scambia_nomi(const std::filesystem::path& da, const std::filesystem::path& a);
// Gives the file `file` the second name `altro` (a hard link).
enum class esito_collegamento { fatto, nome_occupato, nessun_file, impossibile };
esito_collegamento collega(const std::filesystem::path& file, const std::filesystem::path& altro);
// Whether an existing `file` is not to be written: its permissions or its file system
// forbid this process to, or (POSIX) no one has leave to write it, which root would pass
// over: a text its author marked read-only is left alone.
bool sola_lettura(const std::filesystem::path& file);
// Whether a new file renamed over `file` would not be the same file to others: `file` has
// further names (hard links) that would keep the earlier content, or (POSIX) an owner the
// new file could not be given.
bool da_riscrivere_sul_posto(const std::filesystem::path& file);
// Writes `byte` over the existing `file`, in place, cut to their length. The room for them
// is taken first where the system can, so that a full disk refuses before a byte changes.
// Throws errore_file naming `nome`.
void riscrivi_sul_posto(const std::filesystem::path& file, std::string_view byte, const std::filesystem::path& nome);
// Deletes `file`: the reason when it could not, nothing when it is gone or was never there.
std::optional<std::string> elimina(const std::filesystem::path& file);

// Standard input as the language server reads it, from the descriptor `d`: the bytes read
// into `zona` (0 at its end, or when it fails), and whether more wait, without waiting.
size_t leggi_ingresso(int d, char* zona, size_t dimensione);
bool altro_in_arrivo(int d);
// A write into a pipe whose reader has gone fails as any write does, instead of ending
// the program (SIGPIPE on POSIX).
void scrittura_su_tubo_chiuso_fallisce();

// A number of this process, for names no other process draws.
uint64_t numero_processo();
// The language the user's settings ask for: LANGUAGE, then the first of LC_ALL,
// LC_MESSAGES and LANG that is set, as gettext reads them (lingua_delle_variabili); on Windows, where none is set, the user's interface
// language. Italian where none names a language the programs speak.
lingua lingua_utente();
// The local time of `t`.
std::tm ora_locale(std::time_t t);

// The folders of some files, watched for saves of those files, and the user's request to
// end the watch (Ctrl-C; SIGTERM on POSIX; Ctrl-Break on Windows). An interrupt that
// arrives during a build waits for `attendi`, so a build always ends whole.
class osservatore {
 public:
  // Throws errore_file naming a folder that cannot be watched.
  explicit osservatore(const std::vector<std::string>& file);
  ~osservatore();
  osservatore(const osservatore&) = delete;
  osservatore& operator=(const osservatore&) = delete;

  enum class evento { scaduto, salvataggio, fine };
  // Waits for a save of one of the files (or events lost, which may hide one), for the
  // end, or for `limite` to pass; without a limit, as long as it takes. The end comes
  // first when both are waiting. Throws errore_file when a folder is no longer watchable.
  evento attendi(std::optional<std::chrono::milliseconds> limite);

 private:
  struct stato;
  std::unique_ptr<stato> stato_;
};

}  // namespace sistema

}  // namespace scenario
