#include "nucleo/diagnostiche_in_testo.h"

#include <algorithm>
#include <map>
#include <vector>

#include "nucleo/nomi_testi.h"
#include "text/codifica.h"
#include "text/righe.h"

namespace scenario {

namespace {

const char* parola_gravita(gravita g) {
  switch (g) {
    case gravita::errore: return "error";
    case gravita::avviso: return "warning";
    case gravita::nota: return "note";
  }
  return "error";
}

bool con_riga(const diagnostica& d) { return d.luogo && !d.luogo->file.empty() && d.luogo->riga > 0; }

const testo_sorgente* testo_di(const luogo_testo& luogo, std::span<const testo_sorgente> testi) {
  for (const testo_sorgente& t : testi) {
    if (t.etichetta == luogo.file) return &t;
  }
  return nullptr;
}

// Under the text's line, blanks up to the column (a tab stays a tab, so that the caret
// lines up), then the caret, and '~' under the rest of the item up to `fine`. Columns count
// characters.
std::string caret(const std::string& riga_utf8, int32_t colonna, int32_t fine) {
  std::string sotto;
  int32_t carattere = 1;
  for (char c : riga_utf8) {
    if (carattere >= colonna) break;
    if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) continue;  // within a character
    sotto.push_back(c == '\t' ? '\t' : ' ');
    ++carattere;
  }
  for (; carattere < colonna; ++carattere) sotto.push_back(' ');
  sotto += "^";
  for (int32_t c = colonna + 1; c < fine; ++c) sotto.push_back('~');
  return sotto;
}

}  // namespace

std::string in_utf8(std::string_view testo) { return testo_in_utf8(testo); }

std::string riga_diagnostica(const diagnostica& d, lingua l) {
  std::string luogo = NOME_PROGRAMMA;
  if (d.luogo && !d.luogo->file.empty()) {
    luogo = in_utf8(d.luogo->file);
    if (d.luogo->riga > 0) {
      luogo += ":" + std::to_string(d.luogo->riga) + ":" + std::to_string(d.luogo->colonna);
    }
  }
  return luogo + ": " + parola_gravita(d.livello) + ": " + messaggio_diagnostica(d, l);
}

namespace {

// The line that starts at `inizio`, up to its line end.
std::string riga_da(std::string_view testo, size_t inizio) {
  if (inizio > testo.size()) return "";
  const size_t fine = testo.find_first_of("\r\n", inizio);
  const std::string_view linea = testo.substr(inizio, fine == std::string_view::npos ? std::string_view::npos : fine - inizio);
  // A line of a text that is not read byte by byte (UTF-16) is not shown.
  if (linea.find('\0') != std::string_view::npos) return "";
  return in_utf8(linea);
}

// Line `riga` of a text, found from the line found before in it. A UTF-8 byte-order mark is
// not part of the first line: it is never shown.
std::string riga_cercata(std::string_view testo, righe_testo& righe, int32_t riga) {
  const auto inizio = righe.inizio(riga);
  if (!inizio) return "";
  return riga_da(testo, riga == 1 && testo.starts_with("\xEF\xBB\xBF") ? size_t{3} : *inizio);
}

// A line longer than a terminal shows is cut to a window around the column, marked with
// "..." where it was cut; `colonna` becomes the column within what is shown.
constexpr size_t LARGHEZZA_RIGA = 160;

std::string finestra_della_riga(const std::string& riga_utf8, int32_t& colonna) {
  std::vector<size_t> caratteri;  // byte offset of each character
  for (size_t i = 0; i < riga_utf8.size(); ++i) {
    if ((static_cast<unsigned char>(riga_utf8[i]) & 0xC0) != 0x80) caratteri.push_back(i);
  }
  if (caratteri.size() <= LARGHEZZA_RIGA) return riga_utf8;
  const size_t col = colonna > 0 ? static_cast<size_t>(colonna - 1) : 0;
  const size_t primo = col > LARGHEZZA_RIGA / 2 ? std::min(col - LARGHEZZA_RIGA / 2, caratteri.size() - LARGHEZZA_RIGA) : 0;
  const size_t ultimo = primo + LARGHEZZA_RIGA;  // one past, in characters
  std::string mostrata = primo > 0 ? "..." : "";
  const size_t da = caratteri[primo];
  const size_t a = ultimo < caratteri.size() ? caratteri[ultimo] : riga_utf8.size();
  mostrata += riga_utf8.substr(da, a - da);
  if (ultimo < caratteri.size()) mostrata += "...";
  colonna = static_cast<int32_t>(static_cast<size_t>(colonna) - primo + (primo > 0 ? 3 : 0));
  return mostrata;
}

// The diagnostic's line, with its caret, as compilers show it: the line number, a bar,
// the line; under it the caret.
std::string con_sorgente(std::string uscita, const luogo_testo& luogo, std::string linea) {
  if (linea.empty()) return uscita;
  int32_t colonna = luogo.colonna;
  const int32_t larghezza = luogo.fine > luogo.colonna ? luogo.fine - luogo.colonna : 1;
  linea = finestra_della_riga(linea, colonna);
  std::string numero = std::to_string(luogo.riga);
  if (numero.size() < 5) numero.insert(0, 5 - numero.size(), ' ');
  return uscita + "\n" + numero + " | " + linea + "\n" + std::string(5, ' ') + " | " +
         caret(linea, colonna, colonna + larghezza);
}

std::string con_sorgente(const diagnostica& d, std::string linea) {
  return con_sorgente(riga_diagnostica(d), *d.luogo, std::move(linea));
}

// A note's first line: its place when it has one, then "note:" and its text.
std::string riga_nota(const nota_diagnostica& n) {
  std::string luogo = n.luogo.file.empty() ? std::string(NOME_PROGRAMMA) : in_utf8(n.luogo.file);
  if (!n.luogo.file.empty() && n.luogo.riga > 0) {
    luogo += ":" + std::to_string(n.luogo.riga) + ":" + std::to_string(n.luogo.colonna);
  }
  return luogo + ": note: " + messaggio_nota(n);
}

}  // namespace

std::string riga_del_testo(std::string_view testo, int32_t riga) {
  righe_testo righe(testo);
  return riga_cercata(testo, righe, riga);
}

std::string rendi_diagnostica(const diagnostica& d, std::string_view testo) {
  if (!con_riga(d) || testo.empty()) return riga_diagnostica(d);
  return con_sorgente(d, riga_del_testo(testo, d.luogo->riga));
}

conteggio_diagnostiche rendi_diagnostiche(const elenco_diagnostiche& elenco, std::span<const testo_sorgente> testi,
                                          const std::function<void(const std::string&)>& mostra,
                                          const diagnostica_in_json_fn& in_json) {
  conteggio_diagnostiche conto;
  // Where each text's lines begin, found from the line shown last in it: a diagnostic at
  // the end of a long text counts its line ends once, and those near it almost nothing.
  std::map<const testo_sorgente*, righe_testo> righe;
  // The line a place names, when `testi` holds its text.
  const auto riga_di = [&](const luogo_testo& luogo) -> std::string {
    const testo_sorgente* t = testo_di(luogo, testi);
    if (luogo.riga <= 0 || t == nullptr || t->byte.empty()) return {};
    auto trovato = righe.find(t);
    if (trovato == righe.end()) trovato = righe.emplace(t, righe_testo(t->byte)).first;
    return riga_cercata(t->byte, trovato->second, luogo.riga);
  };
  for (const diagnostica& d : elenco) {
    (d.livello == gravita::errore ? conto.errori : conto.avvisi) += d.livello == gravita::nota ? 0 : 1;
    const std::string linea = con_riga(d) ? riga_di(*d.luogo) : std::string();
    if (in_json) {
      mostra(in_json(d, linea));
      continue;
    }
    mostra(con_riga(d) ? con_sorgente(d, linea) : riga_diagnostica(d));
    for (const nota_diagnostica& n : d.note) mostra(con_sorgente(riga_nota(n), n.luogo, riga_di(n.luogo)));
  }
  return conto;
}

std::string diagnostiche_in_testo(const elenco_diagnostiche& elenco, std::span<const testo_sorgente> testi) {
  std::string scritto;
  rendi_diagnostiche(elenco, testi, [&scritto](const std::string& testo) {
    scritto += testo;
    if (!testo.empty() && testo.back() != '\n') scritto += '\n';
  });
  return scritto;
}

}  // namespace scenario
