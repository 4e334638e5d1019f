// The names a build will write, checked against each other and against the author's texts
// before anything is read: two compiled files under one name would leave one of them
// overwritten by the other, and a compiled file under a text's name would replace it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/riga_comando.h"

namespace scenario {

enum class identificativo { linea, treno };

// Why `id`, the identifier of the line or of the train, cannot be part of a file's name,
// as a usage error's message; nothing when it can. The same on every system, so that a scenario made on one builds on the other: no
// folder separator, none of the characters Windows keeps for itself, no control
// character, no trailing dot or space (which Windows drops), and no device name (CON,
// NUL, COM1...) that Windows would open instead of a file.
std::optional<messaggio> identificativo_errato(std::string_view id, identificativo cosa);

// What makes the names of an author's build clash, as a usage error's message; nothing
// when every name is distinct. A check-only build writes nothing, so only the compiled
// names are compared then.
std::optional<messaggio> nomi_in_conflitto(const riga_comando& r);

}  // namespace scenario
