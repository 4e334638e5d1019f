// One build at a time in an output folder; a second build into the same folder waits for
// the first to finish. No lock file is ever left beside the outputs, and the lock goes
// with the process, however it ends. On POSIX it is an advisory flock on the open folder
// itself. On Windows a folder takes no byte-range lock, so it is a named mutex whose name
// is drawn from the folder's final path (links and drive substitutions resolved, the case
// as stored): the system releases it when its owner dies, and two names of one folder
// give one mutex. Neither serialises builds run from two machines on one network share.
#pragma once

#include <filesystem>

#include "piattaforma/piattaforma.h"

namespace scenario {

class blocco_cartella {
 public:
  // Waits for the folder's lock. Throws errore_file naming the folder when it is missing,
  // is no folder or cannot be opened.
  explicit blocco_cartella(const std::filesystem::path& cartella);
  ~blocco_cartella();
  blocco_cartella(const blocco_cartella&) = delete;
  blocco_cartella& operator=(const blocco_cartella&) = delete;

 private:
  sistema::maniglia maniglia_ = -1;
};

}  // namespace scenario
