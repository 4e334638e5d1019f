#include "app/nomi_uscita.h"

#include <filesystem>
#include <system_error>

#include "app/costruzione.h"
#include "piattaforma/piattaforma.h"

namespace scenario {

namespace fs = std::filesystem;

namespace {

// The path with its folders' links resolved, as far as they exist; `file` itself when
// that cannot be worked out (it is then compared as written).
fs::path risolto(const fs::path& file) {
  std::error_code ec;
  const fs::path assoluto = fs::absolute(file, ec);
  if (ec) return file;
  fs::path r = fs::weakly_canonical(assoluto, ec);
  return ec ? assoluto.lexically_normal() : r;
}

}  // namespace

std::optional<messaggio> nomi_in_conflitto(const riga_comando& r) {
  struct compilato {
    const char* cosa;
    std::string nome;
  };
  const compilato compilati[] = {{dal_catalogo("conflitto.geometria"), nome_geometria(r.linea)},
                                 {dal_catalogo("conflitto.tabella"), nome_tabella(r.linea, r.treno)},
                                 {dal_catalogo("conflitto.percorso"), nome_percorso(r.linea, r.treno)}};
  for (size_t i = 0; i < std::size(compilati); ++i) {
    for (size_t k = i + 1; k < std::size(compilati); ++k) {
      if (!sistema::stesso_nome(compilati[i].nome, compilati[k].nome)) continue;
      return frase("conflitto.nomi", {{"linea", r.linea}, {"treno", r.treno}, {"nome", compilati[i].nome},
                                      {"primo", frase(compilati[i].cosa)}, {"secondo", frase(compilati[k].cosa)}});
    }
  }
  if (r.solo_controllo) return std::nullopt;
  const fs::path uscita = sistema::percorso(r.uscita.empty() ? "." : r.uscita);
  const std::string testi[] = {r.testo_linea, r.testo_treno};
  const std::string testi_risolti[] = {sistema::testo(risolto(sistema::percorso(testi[0]))),
                                       sistema::testo(risolto(sistema::percorso(testi[1])))};
  for (const compilato& c : compilati) {
    const std::string file = sistema::testo(risolto(uscita / sistema::percorso(c.nome)));
    for (size_t t = 0; t < std::size(testi); ++t) {
      if (!sistema::stesso_nome(testi_risolti[t], file)) continue;
      return frase("conflitto.testo", {{"testo", testi[t]}, {"nome", c.nome}});
    }
  }
  return std::nullopt;
}

}  // namespace scenario
