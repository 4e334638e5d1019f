// The SHA-256 digest of some bytes, as 64 lower-case hexadecimal digits: the reference
// digests of the embedded build are checked on every system, without an outside tool.
#pragma once

#include <string>
#include <string_view>

namespace scenario::prova {

std::string sha256(std::string_view byte);

}  // namespace scenario::prova
