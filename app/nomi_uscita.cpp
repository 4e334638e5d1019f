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

// A name that Windows opens as a device, whatever follows its first dot.
bool nome_di_dispositivo(std::string_view id) {
  std::string radice(id.substr(0, id.find('.')));
  while (!radice.empty() && radice.back() == ' ') radice.pop_back();
  for (char& c : radice) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  for (const char* nome : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (radice == nome) return true;
  }
  // COM and LPT with a digit, superscript ones too (UTF-8 of ¹ ² ³).
  if (radice.size() < 4 || (radice.compare(0, 3, "COM") != 0 && radice.compare(0, 3, "LPT") != 0)) return false;
  const std::string_view numero = std::string_view(radice).substr(3);
  return (numero.size() == 1 && numero[0] >= '0' && numero[0] <= '9') || numero == "\xc2\xb9" ||
         numero == "\xc2\xb2" || numero == "\xc2\xb3";
}

}  // namespace

std::optional<messaggio> identificativo_errato(std::string_view id, identificativo cosa) {
  const messaggio di = frase(cosa == identificativo::linea ? dal_catalogo("identificativo.linea")
                                                           : dal_catalogo("identificativo.treno"));
  if (id.empty()) return frase("identificativo.vuoto", {{"cosa", di}});
  // Not echoed: a control character would act on the terminal.
  for (const char c : id) {
    if (static_cast<unsigned char>(c) < 0x20) return frase("identificativo.controllo", {{"cosa", di}});
  }
  const auto errato = [&](const char* perche, std::vector<argomento> altri = {}) {
    altri.insert(altri.begin(), {{"cosa", di}, {"id", std::string(id)}});
    return frase(perche, std::move(altri));
  };
  for (const char c : id) {
    if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) {
      return errato(dal_catalogo("identificativo.carattere"), {{"carattere", std::string(1, c)}});
    }
  }
  if (id.back() == '.' || id.back() == ' ') return errato(dal_catalogo("identificativo.punto_finale"));
  if (nome_di_dispositivo(id)) return errato(dal_catalogo("identificativo.dispositivo"));
  return std::nullopt;
}

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
