// The command line. Without arguments the program builds the embedded scenario; with
// two description texts it builds the author's scenario. Reading the command line runs
// nothing: it only fills a plain record that the entry point acts on.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lingue/catalogo.h"
#include "nucleo/marcia_tesa.h"
#include "nucleo/nomi_testi.h"

namespace scenario {

enum class azione_richiesta {
  costruzione_incorporata,  // no argument at all
  costruzione_autore,       // the author's two description texts
  aiuto,                    // --help
  versione,                 // --version
  nuovo,                    // --nuovo LINEA TRENO [DIR]: a starting pair of texts
  lsp,                      // --lsp: a language server for editors on standard input and output
  impagina,                 // --formatta / --controlla-formato TESTO...: the texts' one layout
  errore_uso,               // a wrong option or a wrong number of arguments
};

struct riga_comando {
  azione_richiesta azione = azione_richiesta::costruzione_incorporata;
  // The author's texts, as given on the command line.
  std::string testo_linea;
  std::string testo_treno;
  // The line and train identifiers: from the options, otherwise from the texts' names.
  std::string linea;
  std::string treno;
  // Folder of the compiled files (of the new texts with --nuovo); empty for the current
  // folder.
  std::string uscita;
  // Read and check the scenario, writing nothing.
  bool solo_controllo = false;
  // Rebuild whenever one of the two texts is saved, until interrupted.
  bool osserva = false;
  // The preview page to write after a successful build; empty for none.
  std::string anteprima;
  // Diagnostics as JSON objects, one a line, instead of text.
  bool diagnostica_json = false;
  // Warnings count as errors: status 1, nothing written.
  bool severo = false;
  // The reading of old: what the compiled set would not hold as written is a warning,
  // and the scenario is built as it always was.
  bool permissivo = false;
  // Standalone notes too (the conversion of a UTF-8 text).
  bool verboso = false;
  int32_t max_errori = 50;  // the reading stops after this many errors; 0: no limit
  // --accelerazione, --frenatura: the train's, for the fastest run the timetable is held
  // against.
  scelte_marcia marcia;
  // No summary line after a successful build.
  bool silenzioso = false;
  // With `impagina`: the texts to lay out, and whether only to say which are not laid out.
  std::vector<std::string> da_impaginare;
  bool solo_verifica_impaginazione = false;
  // The language asked for with --lingua; otherwise the user's settings choose.
  std::optional<lingua> lingua_scelta;
  // What is wrong with the command line, for `errore_uso` (without the program's name).
  messaggio errore;
};

// Reads the arguments that follow the program's name.
riga_comando leggi_riga_comando(const std::vector<std::string>& argomenti);

// The line identifier from a line text named "<linea>_linea.txt", or empty when the name
// does not follow that form. Only the file's own name counts, not its folder; names are
// compared as the system compares them (nucleo/nomi_testi.h).
std::string linea_da_nome(const std::string& testo_linea);
// The train identifier from a run text named "<linea>_<treno>-.txt" for the given line,
// or empty when the name does not follow that form.
std::string treno_da_nome(const std::string& testo_treno, const std::string& linea);

// The pair a single text belongs to, from the names of the files in its folder (`nomi`),
// by the rule of nucleo/nomi_testi.h: paths in the text's own folder; the reason when
// there is none, or when a line has several runs.
struct coppia_testi {
  std::string linea, treno;
  std::optional<messaggio> errore;
};
coppia_testi coppia_di(const std::string& testo, const std::vector<std::string>& nomi);

// What --help and --version print on standard output, in the language of the process.
std::string testo_aiuto();
std::string testo_versione(std::string_view programma = NOME_PROGRAMMA);
// The one line that a usage error of `programma` prints on standard error, ended by a
// line feed: the same form for both programs.
std::string riga_errore_uso(const messaggio& perche, std::string_view programma = NOME_PROGRAMMA);

// The value of --accelerazione or --frenatura: m/s^2 above 0 and at most 100, with a point
// or a comma before the decimals ("0.5", "0,5"); nothing for anything else.
std::optional<double> valore_marcia(std::string_view valore);

// The help asked for the Windows way, "/?": only where paths are written the Windows way,
// since elsewhere it is a file's name.
bool aiuto_alla_windows(std::string_view argomento);
// On Windows the prompt reads a backslash before a closing quote as a quote kept in the
// argument ("C:\Uscita nuova\" runs on into the next arguments): an argument holding a
// quote, which no Windows name can, is refused with that hint. Nothing elsewhere.
std::optional<messaggio> virgolette_nel_nome(const std::vector<std::string>& argomenti);

}  // namespace scenario
