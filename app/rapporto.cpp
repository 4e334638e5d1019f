#include "app/rapporto.h"

#include "vista/json.h"
#include "app/riga_comando.h"
#include "text/codifica.h"
#include "track/rapporto_errori.h"

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

const testo_sorgente* testo_di(const diagnostica& d, std::span<const testo_sorgente> testi) {
  if (!d.luogo) return nullptr;
  for (const testo_sorgente& t : testi) {
    if (t.etichetta == d.luogo->file) return &t;
  }
  return nullptr;
}

// Under the text's line, blanks up to the column (a tab stays a tab, so that the caret
// lines up), then the caret. Columns count characters.
std::string caret(const std::string& riga_utf8, int32_t colonna) {
  std::string sotto;
  int32_t carattere = 1;
  for (char c : riga_utf8) {
    if (carattere >= colonna) break;
    if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) continue;  // within a character
    sotto.push_back(c == '\t' ? '\t' : ' ');
    ++carattere;
  }
  for (; carattere < colonna; ++carattere) sotto.push_back(' ');
  return sotto + "^";
}

}  // namespace

std::string in_utf8(std::string_view testo) {
  const codifica tipo = esamina_codifica(testo).tipo;
  if (tipo == codifica::utf8_convertito || tipo == codifica::utf8_non_latin1) return std::string(testo);
  return latin1_in_utf8(testo);
}

std::string messaggio_diagnostica(const diagnostica& d) {
  const auto voce = cerca_errore(d.numero);
  if (!voce) return in_utf8(d.motivo);
  std::string testo = (d.livello == gravita::errore ? "Errore n. " : "Avviso n. ") +
                      std::to_string(d.numero) + ": " + voce->descrizione;
  if (!d.motivo.empty()) testo += ": " + in_utf8(d.motivo);
  if (voce->con_posizione && d.posizione) testo += " (posizione " + std::to_string(*d.posizione) + " m)";
  return testo;
}

std::string riga_diagnostica(const diagnostica& d) {
  std::string luogo = NOME_PROGRAMMA;
  if (d.luogo && !d.luogo->file.empty()) {
    luogo = in_utf8(d.luogo->file);
    if (d.luogo->riga > 0) {
      luogo += ":" + std::to_string(d.luogo->riga) + ":" + std::to_string(d.luogo->colonna);
    }
  }
  return luogo + ": " + parola_gravita(d.livello) + ": " + messaggio_diagnostica(d);
}

std::string riga_del_testo(std::string_view testo, int32_t riga) {
  size_t inizio = 0;
  for (int32_t n = 1; n < riga; ++n) {
    const size_t fine = testo.find_first_of("\r\n", inizio);
    if (fine == std::string_view::npos) return "";
    inizio = fine + (testo[fine] == '\r' && fine + 1 < testo.size() && testo[fine + 1] == '\n' ? 2 : 1);
  }
  if (riga < 1 || inizio > testo.size()) return "";
  const size_t fine = testo.find_first_of("\r\n", inizio);
  const std::string_view linea = testo.substr(inizio, fine == std::string_view::npos ? std::string_view::npos : fine - inizio);
  // A line of a text that is not read byte by byte (UTF-16) is not shown.
  if (linea.find('\0') != std::string_view::npos) return "";
  return in_utf8(linea);
}

std::string rendi_diagnostica(const diagnostica& d, std::string_view testo) {
  std::string uscita = riga_diagnostica(d);
  if (!con_riga(d) || testo.empty()) return uscita;
  const std::string linea = riga_del_testo(testo, d.luogo->riga);
  if (linea.empty()) return uscita;
  // As compilers show it: the line number, a bar, the line; under it the caret.
  std::string numero = std::to_string(d.luogo->riga);
  if (numero.size() < 5) numero.insert(0, 5 - numero.size(), ' ');
  uscita += "\n" + numero + " | " + linea + "\n" + std::string(5, ' ') + " | " + caret(linea, d.luogo->colonna);
  return uscita;
}

conteggio_diagnostiche mostra_diagnostiche(piattaforma& p, const elenco_diagnostiche& elenco,
                                           std::span<const testo_sorgente> testi,
                                           formato_diagnostiche formato) {
  conteggio_diagnostiche conto;
  for (const diagnostica& d : elenco) {
    (d.livello == gravita::errore ? conto.errori : conto.avvisi) += d.livello == gravita::nota ? 0 : 1;
    const testo_sorgente* t = testo_di(d, testi);
    const std::string_view byte = t != nullptr ? t->byte : std::string_view{};
    if (formato == formato_diagnostiche::json) {
      const std::string linea = con_riga(d) && t != nullptr ? riga_del_testo(byte, d.luogo->riga) : "";
      p.mostra_messaggio(diagnostica_in_json(d, messaggio_diagnostica(d), linea));
    } else {
      p.mostra_messaggio(rendi_diagnostica(d, byte));
    }
  }
  return conto;
}

std::string riepilogo_costruzione(const modello& m, int avvisi) {
  // Boards fill the table from entry 80 down, one per board cell; the stations fill it
  // from entry 1 up to just below them.
  int cartelli = 0, segnali = 0, rallentamenti = 0;
  for (const cella& c : m.percorso) {
    cartelli += c.tipo == tipo_cella::cartello;
    segnali += c.tipo == tipo_cella::segnale;
    rallentamenti += c.tipo == tipo_cella::inizio_rallentamento;
  }
  int stazioni = 0;
  for (int i = 1; i <= 80 - cartelli; ++i) stazioni += m.tabella[static_cast<size_t>(i)] != voce{};
  return std::string(NOME_PROGRAMMA) + ": " + std::to_string(stazioni) + " stazioni, " +
         std::to_string(segnali) + " segnali, " + std::to_string(rallentamenti) + " rallentamenti, " +
         std::to_string(m.percorso.size()) + " celle, " + std::to_string(avvisi) + " avvisi";
}

bool mostra_errori(piattaforma& p, const elenco_diagnostiche& elenco) {
  return mostra_diagnostiche(p, elenco, {}, formato_diagnostiche::testo).errori > 0;
}

}  // namespace scenario
