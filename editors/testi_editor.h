// The editor packages' texts, written from the catalogue so that they speak the languages
// the programs speak: the VS Code extension's manifest strings (package.nls.json in
// English, as VS Code falls back to it, and package.nls.LANGUAGE.json for the others), its
// messages in every language (testi.json, bundled into the client), and the Neovim
// set-up's table of messages. The files hold what these return; the reference's test
// fails where they differ and writes them anew with AGGIORNA_RIFERIMENTO=1.
#pragma once

#include <string>

#include "lingue/catalogo.h"

namespace scenario {

// The manifest's strings in `l`: {"nome": ..., "descrizione": ...}, the keys that
// package.json names as "%nome%".
std::string manifesto_vscode(lingua l);
// The extension's messages, every language by its name: {"it": {...}, "en": {...}}.
std::string messaggi_vscode();
// The Lua table of the Neovim set-up's messages, every language by its name.
std::string messaggi_neovim();

}  // namespace scenario
