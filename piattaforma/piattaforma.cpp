#include "piattaforma/piattaforma.h"

namespace scenario {

void piattaforma_console::mostra_finestra() {
  if (finestra_mostrata_) return;
  finestra_mostrata_ = true;
  uscita_ << ATTENDERE << "\n" << std::flush;
}

void piattaforma_console::mostra_messaggio(const std::string& testo) {
  uscita_ << testo << "\n" << std::flush;
}

std::string motivo(causa_file c) {
  switch (c) {
    case causa_file::non_trovato: return traduci("motivo.non_trovato");
    case causa_file::accesso_negato: return traduci("motivo.accesso_negato");
    case causa_file::file_sola_lettura: return traduci("motivo.file_sola_lettura");
    case causa_file::disco_sola_lettura: return traduci("motivo.disco_sola_lettura");
    case causa_file::in_uso: return traduci("motivo.in_uso");
    case causa_file::non_cartella: return traduci("motivo.non_cartella");
    case causa_file::cartella: return traduci("motivo.cartella");
    case causa_file::non_regolare: return traduci("motivo.non_regolare");
    case causa_file::disco_pieno: return traduci("motivo.disco_pieno");
    case causa_file::file_troppo_grande: return traduci("motivo.file_troppo_grande");
    case causa_file::nome_troppo_lungo: return traduci("motivo.nome_troppo_lungo");
    case causa_file::nome_non_valido: return traduci("motivo.nome_non_valido");
    case causa_file::esistente: return traduci("motivo.esistente");
  }
  return {};
}

namespace {

// "   12 | the text's line" and "      |    ^~~" under a diagnostic.
bool riga_di_sorgente(std::string_view riga) {
  const size_t cifre = riga.find_first_not_of(' ');
  if (cifre == 0 || cifre == std::string_view::npos) return false;
  const size_t barra = riga.find_first_not_of(' ', riga.find_first_not_of("0123456789", cifre));
  return barra != std::string_view::npos && riga[barra] == '|' && riga[barra - 1] == ' ';
}

}  // namespace

sistema::riassunto sistema::riassunto_per_riquadro(std::string_view testo, size_t righe, size_t larghezza) {
  riassunto r;
  size_t mostrate = 0;
  while (!testo.empty()) {
    const size_t a_capo = std::min(testo.find('\n'), testo.size());
    std::string_view riga = testo.substr(0, a_capo);
    testo.remove_prefix(std::min(a_capo + 1, testo.size()));
    if (!riga.empty() && riga.back() == '\r') riga.remove_suffix(1);
    if (riga_di_sorgente(riga)) {
      r.ridotto = true;
    } else if (mostrate == righe) {
      ++r.righe_tolte;
      r.ridotto = true;
    } else {
      // Only the diagnostics after the first are cut: the first names the first problem
      // and its cause, and a message of the program's own says what to do.
      const bool diagnostica = riga.find(": error: ") != std::string_view::npos ||
                               riga.find(": warning: ") != std::string_view::npos ||
                               riga.find(": note: ") != std::string_view::npos;
      if (riga.size() > larghezza && mostrate > 0 && diagnostica) {
        // Cut before a character's continuation bytes.
        size_t fine = larghezza;
        while (fine > 0 && (static_cast<unsigned char>(riga[fine]) & 0xC0) == 0x80) --fine;
        r.testo += std::string(riga.substr(0, fine)) + "...\n";
        r.ridotto = true;
      } else {
        r.testo += std::string(riga) + "\n";
      }
      ++mostrate;
    }
  }
  while (!r.testo.empty() && r.testo.back() == '\n') r.testo.pop_back();
  return r;
}

std::vector<std::string> sistema::file_in_cartella(const std::filesystem::path& cartella) {
  std::vector<std::string> nomi;
  std::error_code ec;
  for (auto i = std::filesystem::directory_iterator(cartella, ec); !ec && i != std::filesystem::directory_iterator();
       i.increment(ec)) {
    if (i->is_regular_file(ec)) nomi.push_back(testo(i->path().filename()));
  }
  return nomi;
}

void errore(piattaforma& p, const std::string& a, const std::string& dettaglio) {
  std::string testo = " Errore n. " + a;
  if (!dettaglio.empty()) testo += "\n" + dettaglio;
  p.mostra_messaggio(testo);
}

}  // namespace scenario
