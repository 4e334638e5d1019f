#include "vista/pagina.h"

#include <nlohmann/json.hpp>

#include "lingue/catalogo.h"
#include "vista/json.h"

namespace scenario::vista {

namespace {

std::string html(std::string_view utf8) {
  std::string r;
  for (char c : utf8) {
    switch (c) {
      case '&': r += "&amp;"; break;
      case '<': r += "&lt;"; break;
      case '>': r += "&gt;"; break;
      case '"': r += "&quot;"; break;
      default: r += c;
    }
  }
  return r;
}

// JSON inside a script element: a "<" can only stand inside a string, where its escape
// means the same and cannot close the element or open a comment.
std::string json_in_script(std::string_view json) {
  std::string r;
  r.reserve(json.size());
  for (char c : json) {
    if (c == '<') {
      r += "\\u003c";
    } else {
      r += c;
    }
  }
  return r;
}

constexpr std::string_view PREFISSO = "pagina.";

// The words the page's script says, by their id without "pagina.", as JSON.
std::string parole_dello_script() {
  nlohmann::json o = nlohmann::json::object();
  for (const std::string_view id : voci_catalogo(lingua_attiva())) {
    if (id.starts_with(PREFISSO)) o[std::string(id.substr(PREFISSO.size()))] = std::string(testo_catalogo(id, lingua_attiva()));
  }
  return json_in_script(o.dump());
}

// The template with each of its marks filled in one pass: "@NAME@" by `valore(NAME)`,
// "@T:pagina.ID@" by the catalogue's text for HTML. What is put in is never read again
// for marks, so that an author's text holding "@DATI@" stays as it is.
template <class fonte>
std::string riempi(std::string_view modello, fonte valore) {
  std::string r;
  r.reserve(modello.size());
  size_t da = 0;
  for (size_t p = modello.find('@'); p != std::string_view::npos; p = modello.find('@', da)) {
    const size_t fine = modello.find('@', p + 1);
    if (fine == std::string_view::npos) break;
    const std::string_view nome = modello.substr(p + 1, fine - p - 1);
    r.append(modello, da, p - da);
    if (nome.starts_with("T:")) {
      r += html(traduci(std::string(nome.substr(2))));
    } else {
      r += valore(nome);
    }
    da = fine + 1;
  }
  r.append(modello, da);
  return r;
}

}  // namespace

std::string pagina_da_json(std::string_view json, const opzioni_pagina& o) {
  std::string classe;
  if (!o.diagnostiche.empty()) classe += "vecchia";
  std::string corpo = classe.empty() ? "" : " class=\"" + classe + "\"";
  if (o.ricarica_secondi > 0) corpo += " data-ricarica=\"" + std::to_string(o.ricarica_secondi) + "\"";
  std::string avviso;
  if (!o.diagnostiche.empty()) {
    avviso = "<section class=\"fallita\" id=\"compilazione_fallita\"><h2>" + html(traduci("pagina.fallita")) +
             (o.marca.empty() ? std::string() : " (" + html(o.marca) + ")") + "</h2><pre>" + html(o.diagnostiche) +
             "</pre><p>" + html(json.empty() ? traduci("pagina.nessuna_riuscita") : traduci("pagina.sotto_vecchia")) +
             "</p></section>";
  }
  return riempi(modello_pagina(), [&](std::string_view segno) -> std::string {
    if (segno == "LINGUA") return std::string(sigla(lingua_attiva()));
    if (segno == "TITOLO") return html(json.empty() ? traduci("pagina.fallita") : traduci("pagina.scenario"));
    if (segno == "CLASSE_CORPO") return corpo;
    if (segno == "AVVISO") return avviso;
    if (segno == "DATI") return json.empty() ? std::string("null") : json_in_script(json);
    if (segno == "TESTI") return parole_dello_script();
    return "@" + std::string(segno) + "@";
  });
}

std::string pagina_html(const scenario_decodificato& s, const scelte_marcia& marcia) {
  return pagina_da_json(resoconto_json(s, false, false, marcia), {});
}

}  // namespace scenario::vista
