#include "app/nomi_uscita.h"

#include <filesystem>
#include <system_error>

#include "app/costruzione.h"
#include "piattaforma/piattaforma.h"

namespace scenario {

namespace fs = std::filesystem;

namespace {

std::string tra_apici(const std::string& testo) { return "'" + testo + "'"; }

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

std::optional<std::string> nomi_in_conflitto(const riga_comando& r) {
  struct compilato {
    const char* cosa;
    std::string nome;
  };
  const compilato compilati[] = {{"alla geometria", nome_geometria(r.linea)},
                                 {"alla tabella", nome_tabella(r.linea, r.treno)},
                                 {"al percorso", nome_percorso(r.linea, r.treno)}};
  for (size_t i = 0; i < std::size(compilati); ++i) {
    for (size_t k = i + 1; k < std::size(compilati); ++k) {
      if (compilati[i].nome != compilati[k].nome) continue;
      return "la linea " + tra_apici(r.linea) + " e il treno " + tra_apici(r.treno) +
             " darebbero lo stesso nome " + tra_apici(compilati[i].nome) + " " +
             compilati[i].cosa + " e " + compilati[k].cosa +
             ": indicare altri identificativi con --linea e --treno";
    }
  }
  if (r.solo_controllo) return std::nullopt;
  const fs::path uscita = sistema::percorso(r.uscita.empty() ? "." : r.uscita);
  for (const compilato& c : compilati) {
    const fs::path file = risolto(uscita / sistema::percorso(c.nome));
    for (const std::string& testo : {r.testo_linea, r.testo_treno}) {
      if (risolto(sistema::percorso(testo)) != file) continue;
      return "il testo " + tra_apici(testo) + " ha il nome del file compilato " +
             tra_apici(c.nome) + " nella cartella di uscita e sarebbe sostituito";
    }
  }
  return std::nullopt;
}

}  // namespace scenario
