// One build at a time in an output folder. The lock is taken on the folder itself (an
// advisory flock on the open folder), so no lock file is ever left beside the outputs;
// a second build into the same folder waits for the first to finish. The lock goes with
// the process, however it ends.
#pragma once

#include <filesystem>

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
  int descrittore_ = -1;
};

}  // namespace scenario
