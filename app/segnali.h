// What an interrupted build leaves: nothing of its own. SIGINT, SIGTERM and SIGHUP remove
// every scratch file the build has registered (temporary files not yet renamed, and the
// description texts the embedded build wrote) and end the program with 128 + the signal's
// number. SIGXFSZ is ignored, so that a file-size limit is an ordinary write failure.
//
// The handler only walks a fixed table of paths with unlink and then calls _exit, both
// safe inside a signal handler. A path is put in the table, and taken out, with the three
// signals blocked, so the handler never sees a half-written entry; blocking them around a
// creation and its registration, or around a set of renames, makes each one whole as far
// as the handler is concerned.
#pragma once

#include <signal.h>

#include <string>

namespace scenario {

// Installs the handlers. Called once, before the build touches any file.
void prepara_segnali();

// SIGINT, SIGTERM and SIGHUP held back for the life of the value; one that arrives
// meanwhile is delivered when the value goes.
class segnali_sospesi {
 public:
  segnali_sospesi();
  ~segnali_sospesi();
  segnali_sospesi(const segnali_sospesi&) = delete;
  segnali_sospesi& operator=(const segnali_sospesi&) = delete;

 private:
  sigset_t precedenti_;
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
