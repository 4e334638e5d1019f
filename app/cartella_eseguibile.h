#pragma once

#include <filesystem>

namespace scenario {

// The folder that holds the running executable: the base of every path of the build.
std::filesystem::path cartella_eseguibile(const char* argv0);

}  // namespace scenario
