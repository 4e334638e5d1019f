// The names a build will write, checked against each other and against the author's texts
// before anything is read: two compiled files under one name would leave one of them
// overwritten by the other, and a compiled file under a text's name would replace it.
#pragma once

#include <optional>

#include "app/riga_comando.h"
#include "nucleo/nomi_testi.h"

namespace scenario {

// What makes the names of an author's build clash, as a usage error's message; nothing
// when every name is distinct. A check-only build writes nothing, so only the compiled
// names are compared then.
std::optional<messaggio> nomi_in_conflitto(const riga_comando& r);

}  // namespace scenario
