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

std::optional<std::string> identificativo_errato(std::string_view id, const char* cosa) {
  const std::string inizio = std::string("identificativo ") + cosa;
  if (id.empty()) return inizio + " vuoto";
  // Not echoed: a control character would act on the terminal.
  for (const char c : id) {
    if (static_cast<unsigned char>(c) < 0x20) return inizio + " non valido: contiene caratteri di controllo";
  }
  const std::string errato = inizio + " non valido " + tra_apici(std::string(id)) + ": ";
  for (const char c : id) {
    if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) {
      return errato + "non puo' contenere " + tra_apici(std::string(1, c));
    }
  }
  if (id.back() == '.' || id.back() == ' ') return errato + "non puo' finire con un punto o uno spazio";
  if (nome_di_dispositivo(id)) return errato + "e' il nome di un dispositivo di Windows";
  return std::nullopt;
}

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
      if (!sistema::stesso_nome(compilati[i].nome, compilati[k].nome)) continue;
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
      if (!sistema::stesso_nome(sistema::testo(risolto(sistema::percorso(testo))), sistema::testo(file))) continue;
      return "il testo " + tra_apici(testo) + " ha il nome del file compilato " +
             tra_apici(c.nome) + " nella cartella di uscita e sarebbe sostituito";
    }
  }
  return std::nullopt;
}

}  // namespace scenario
