// What an interrupted build leaves: nothing of its own. SIGINT, SIGTERM and SIGHUP remove
// every scratch file the build has registered (temporary files not yet renamed, and the
// description texts the embedded build wrote) and end the program with 128 + the signal's
// number. SIGXFSZ is ignored, so that a file-size limit is an ordinary write failure.
// On Windows the console's events do the same: Ctrl-C and Ctrl-Break end with 130 (as
// SIGINT), closing the console with 129 (as SIGHUP), logging off or shutting down with 143
// (as SIGTERM).
//
// The handler only walks a fixed table of paths, deleting each, and then ends the process.
// A path is put in the table, and taken out, with the interrupts held back, so the handler
// never sees a half-written entry; holding them back around a creation and its
// registration, or around a set of renames, makes each one whole as far as the handler is
// concerned. (On POSIX the three signals are blocked; on Windows the handler runs on a
// thread of its own and waits for a critical section.)
#pragma once

#include <string>

namespace scenario {

// Installs the handlers. Called once, before the build touches any file.
void prepara_segnali();

// The interrupts held back for the life of the value; one that arrives meanwhile is
// delivered when the value goes. Values nest.
class segnali_sospesi {
 public:
  segnali_sospesi();
  ~segnali_sospesi();
  segnali_sospesi(const segnali_sospesi&) = delete;
  segnali_sospesi& operator=(const segnali_sospesi&) = delete;
};

// A file that an interrupt removes, registered until `dimentica` or until the value goes.
// Register and forget with the signals blocked (segnali_sospesi) when the file's creation
// or removal must go together with it.
class scarto {
 public:
  scarto() = default;
  ~scarto() { dimentica(); }
  scarto(const scarto&) = delete;
  scarto& operator=(const scarto&) = delete;

  // Throws errore_file when the path does not fit the table (a path longer than the
  // system allows, or more scratch files at once than a build ever has).
  void registra(const std::string& percorso);
  void dimentica();

 private:
  int posto_ = -1;
};

}  // namespace scenario
