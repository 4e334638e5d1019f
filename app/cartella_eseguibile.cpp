#include "app/cartella_eseguibile.h"

#include <system_error>

namespace scenario {

std::filesystem::path cartella_eseguibile(const char* argv0) {
  std::error_code ec;
  const auto collegamento = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) return collegamento.parent_path();
  // Without /proc, fall back on the path the program was started with.
  auto assoluto = std::filesystem::absolute(argv0 ? argv0 : ".", ec);
  return ec ? std::filesystem::current_path() : assoluto.parent_path();
}

}  // namespace scenario
