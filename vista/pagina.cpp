#include "vista/pagina.h"

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

void sostituisci(std::string& testo, std::string_view segno, const std::string& con) {
  const size_t p = testo.find(segno);
  if (p != std::string::npos) testo.replace(p, segno.size(), con);
}

}  // namespace

std::string pagina_da_json(std::string_view json, const opzioni_pagina& o) {
  std::string r(modello_pagina());
  std::string classe;
  if (!o.diagnostiche.empty()) classe += "vecchia";
  std::string corpo = classe.empty() ? "" : " class=\"" + classe + "\"";
  if (o.ricarica_secondi > 0) corpo += " data-ricarica=\"" + std::to_string(o.ricarica_secondi) + "\"";
  std::string avviso;
  if (!o.diagnostiche.empty()) {
    avviso = "<section class=\"fallita\" id=\"compilazione_fallita\"><h2>Compilazione non riuscita" +
             (o.marca.empty() ? std::string() : " (" + html(o.marca) + ")") + "</h2><pre>" + html(o.diagnostiche) +
             "</pre><p>" +
             (json.empty() ? std::string("Nessuna compilazione riuscita finora.")
                           : std::string("Sotto, in grigio, l'ultima compilazione riuscita: non e' quella dei testi attuali.")) +
             "</p></section>";
  }
  sostituisci(r, "@TITOLO@", json.empty() ? std::string("Compilazione non riuscita") : "Scenario");
  sostituisci(r, "@CLASSE_CORPO@", corpo);
  sostituisci(r, "@AVVISO@", avviso);
  sostituisci(r, "@DATI@", json.empty() ? std::string("null") : json_in_script(json));
  return r;
}

std::string pagina_html(const scenario_decodificato& s) {
  return pagina_da_json(resoconto_json(s, false, false), {});
}

}  // namespace scenario::vista
