// The layout of texts on disk, for the command line: --formatta rewrites each text that
// is not laid out, --controlla-formato only names them (for a CI check).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "lsp/server.h"

namespace scenario::lsp {

// Each text is laid out and checked against its partner (found as the server finds it);
// a text whose layout would change the compiled set is named and left alone. Returns the
// exit status: 0 every text laid out, 1 a text not laid out (with `solo_verifica`) or
// refused, 2 a text that could not be read or written.
int impagina_file(const std::vector<std::string>& testi, bool solo_verifica, disco& d, std::ostream& uscita,
                  std::ostream& errori);

}  // namespace scenario::lsp
