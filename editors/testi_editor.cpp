#include "editors/testi_editor.h"

#include <nlohmann/json.hpp>

namespace scenario {

namespace {

using nlohmann::ordered_json;

// The catalogue's ids of each text, by the name the package looks it up by.
struct voce {
  const char* nome;
  const char* id;
};

constexpr voce MANIFESTO[] = {
    {"nome", dal_catalogo("editor.vscode.nome")},
    {"descrizione", dal_catalogo("editor.vscode.descrizione")},
    {"linguaggio.linea", dal_catalogo("editor.vscode.linguaggio.linea")},
    {"linguaggio.corsa", dal_catalogo("editor.vscode.linguaggio.corsa")},
    {"impostazione.programma", dal_catalogo("editor.vscode.impostazione.programma")},
    {"impostazione.traccia", dal_catalogo("editor.vscode.impostazione.traccia")},
    {"comando.riavvia", dal_catalogo("editor.vscode.comando.riavvia")},
    {"parola_sconosciuta", dal_catalogo("editor.vscode.parola_sconosciuta")},
    {"impostazione.lingua", dal_catalogo("editor.vscode.impostazione.lingua")},
    {"impostazione.permissivo", dal_catalogo("editor.vscode.impostazione.permissivo")},
    {"impostazione.severo", dal_catalogo("editor.vscode.impostazione.severo")},
    {"impostazione.note", dal_catalogo("editor.vscode.impostazione.note")},
    {"comando.pagina", dal_catalogo("editor.vscode.comando.pagina")},
};

constexpr voce MESSAGGI_VSCODE[] = {
    {"assente", dal_catalogo("editor.vscode.assente")},
    {"apri", dal_catalogo("editor.vscode.apri")},
    {"riavviato", dal_catalogo("editor.vscode.riavviato")},
    {"pagina", dal_catalogo("editor.vscode.pagina")},
};

constexpr voce MESSAGGI_NEOVIM[] = {
    {"assente", dal_catalogo("editor.neovim.assente")},
    {"riavvio", dal_catalogo("editor.neovim.riavvio")},
    {"arreso", dal_catalogo("editor.neovim.arreso")},
    {"pagina", dal_catalogo("editor.neovim.pagina")},
    {"senza_browser", dal_catalogo("editor.neovim.senza_browser")},
};

// The texts as they stand, their `{nome}` left for the package to fill.
template <size_t n>
ordered_json testi(const voce (&voci)[n], lingua l) {
  ordered_json o = ordered_json::object();
  for (const voce& v : voci) o[v.nome] = std::string(testo_catalogo(v.id, l));
  return o;
}

}  // namespace

std::string manifesto_vscode(lingua l) { return testi(MANIFESTO, l).dump(2) + "\n"; }

std::string messaggi_vscode() {
  ordered_json o = ordered_json::object();
  for (const lingua l : LINGUE) o[std::string(sigla(l))] = testi(MESSAGGI_VSCODE, l);
  return o.dump(2) + "\n";
}

std::string messaggi_neovim() {
  std::string s = "local TESTI_LINGUE = {\n";
  for (const lingua l : LINGUE) {
    s += "  " + std::string(sigla(l)) + " = {\n";
    for (const voce& v : MESSAGGI_NEOVIM) {
      // Written as JSON writes a string: UTF-8 as it stands, quotes, backslashes and line
      // ends escaped as Lua reads them too.
      s += "    " + std::string(v.nome) + " = " + ordered_json(std::string(testo_catalogo(v.id, l))).dump() + ",\n";
    }
    s += "  },\n";
  }
  return s + "}\n";
}

}  // namespace scenario
