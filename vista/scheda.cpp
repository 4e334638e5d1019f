#include "vista/scheda.h"

#include <algorithm>
#include <cstdio>

#include "model/formato.h"
#include "text/codifica.h"
#include "vista/analisi.h"
#include "vista/resoconto.h"

namespace scenario::vista {

namespace {

// A UTF-8 text cut or filled with spaces to `larghezza` characters.
std::string a_sinistra(std::string t, size_t larghezza) {
  size_t caratteri = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    if ((static_cast<unsigned char>(t[i]) & 0xC0) == 0x80) continue;  // inside a character
    if (caratteri == larghezza) {
      t.resize(i);
      break;
    }
    ++caratteri;
  }
  return t + std::string(larghezza - caratteri, ' ');
}

std::string a_destra(std::string t, size_t larghezza) {
  if (t.size() > larghezza) t.resize(larghezza);
  return std::string(larghezza - t.size(), ' ') + t;
}

// Kilometres with the decimal point as the fifth character of a 10-character cell.
std::string cella_km(int64_t metri) {
  const std::string km = testo_km(metri);
  const size_t punto = km.find('.');
  return a_destra(km.substr(0, punto), 4) + km.substr(punto) + "  ";
}

std::string cella_velocita(int kmh) {
  return kmh > 0 ? a_destra(std::to_string(kmh), 4) + " " : std::string(5, ' ');
}

enum class genere_orario { nessuno, partenza_origine, transito, fermata, arrivo_termine };

// The 16-character time cell; the place of a time tells its kind.
std::string cella_orario(genere_orario g, int32_t arrivo, int32_t partenza) {
  switch (g) {
    case genere_orario::partenza_origine: return a_destra(ora_scheda(partenza), 15) + " ";
    case genere_orario::transito: return a_sinistra("     " + ora_scheda(partenza), 16);
    case genere_orario::fermata: {
      std::string p = ora_scheda(partenza);
      const bool mezzo = p.back() == '+';
      if (mezzo) p.pop_back();
      return a_sinistra(" " + ora_scheda(arrivo), 10) + a_destra(p, 5) + (mezzo ? "+" : " ");
    }
    case genere_orario::arrivo_termine: return a_sinistra(" " + ora_scheda(arrivo), 16);
    case genere_orario::nessuno: break;
  }
  return std::string(16, ' ');
}

struct riga_tabella {
  int32_t posizione = 0;  // where the speed limit is read
  int64_t km = 0;
  std::string nome;
  genere_orario orario = genere_orario::nessuno;
  int32_t arrivo = 0, partenza = 0;
};

std::string maiuscolo(std::string_view latin1) {
  std::string r(latin1);
  for (char& carattere : r) {
    const auto c = static_cast<unsigned char>(carattere);
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) carattere = static_cast<char>(c - 32);
  }
  return r;
}

}  // namespace

std::string nome_scheda(std::string_view latin1) {
  std::string r;
  const std::string alto = maiuscolo(latin1);
  for (size_t i = 0; i < alto.size(); ++i) {
    if (alto[i] == ' ' && ((i + 1 < alto.size() && alto[i + 1] == '/') || (i > 0 && alto[i - 1] == '/'))) continue;
    r += alto[i];
  }
  return r;
}

std::string scheda_orario(const scenario_decodificato& s) {
  const auto elenco = stazioni(s);
  std::vector<riga_tabella> righe;
  for (size_t i = 0; i < elenco.size(); ++i) {
    const voce& v = *elenco[i].v;
    riga_tabella r;
    // Every station at its own position, as the text account gives it.
    r.posizione = v.posizione;
    r.km = chilometro(s, r.posizione);
    r.nome = nome_scheda(v.nome);
    // The times of the text account and the page's timetable; their place in the cell
    // tells their kind.
    const orario_stazione o = orario_di(elenco, i);
    r.arrivo = o.arrivo.value_or(0);
    r.partenza = o.partenza.value_or(0);
    if (!o.arrivo && !o.partenza) {
      r.orario = genere_orario::nessuno;
    } else if (i == 0) {
      r.orario = genere_orario::partenza_origine;
    } else if (!o.partenza) {
      r.orario = genere_orario::arrivo_termine;
    } else if (o.arrivo) {
      r.orario = genere_orario::fermata;
    } else {
      r.orario = genere_orario::transito;
    }
    righe.push_back(r);
  }
  // Level crossings and bridges announced by a board, within the run.
  const int32_t fine_corsa = righe.empty() ? s.lunghezza : righe.back().posizione;
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    const cella& x = s.percorso[c];
    if (x.tipo != tipo_cella::cartello || x.dato1 <= 0 || x.dato1 >= VOCI_TABELLA) continue;
    const std::string testo = testo_cartello(s.tabella[static_cast<size_t>(x.dato1)].nome);
    const bool utile = testo.rfind("P.L.", 0) == 0 || testo.rfind("PONTE", 0) == 0 || testo.rfind("INIZIO PONTE", 0) == 0;
    if (!utile || metro_oggetto(c) > fine_corsa) continue;
    riga_tabella r;
    r.posizione = metro_oggetto(c);
    r.km = chilometro(s, r.posizione);
    std::string breve = testo;
    for (size_t p = breve.find(" / "); p != std::string::npos; p = breve.find(" / ")) breve.replace(p, 3, " ");
    r.nome = breve;
    righe.push_back(r);
  }
  std::stable_sort(righe.begin(), righe.end(),
                   [](const riga_tabella& a, const riga_tabella& b) { return a.posizione < b.posizione; });

  int massima = 0;
  for (const cella& x : s.percorso) massima = std::max(massima, formato::velocita_da_cella(x.velocita));
  const std::string origine = elenco.empty() ? "" : nome_scheda(elenco.front().v->nome);
  const std::string termine = elenco.empty() ? "" : nome_scheda(elenco.back().v->nome);

  std::vector<std::string> l;
  l.push_back("");
  l.push_back("");
  l.push_back("  ___________________                                               ______________");
  l.push_back(" |                   |                    SCHEDA                   |              |");
  l.push_back(" |   " + a_sinistra("TRENO " + identificativo_mostrato(s.treno), 16) + "|" +
              a_sinistra(latin1_in_utf8("                   da: " + origine), 45) +
              "|" + a_sinistra("    V" + std::to_string(massima), 14) + "|");
  l.push_back(" |___________________|" + a_sinistra(latin1_in_utf8("                    a: " + termine), 45) + "|" +
              a_sinistra("     " + std::to_string(s.tabella[voce_tabella::dati_treno].inizio) + "%", 14) + "|");
  l.push_back("                                                                   |______________|");
  l.push_back("");
  l.push_back("  ________________________________________________________________________________");
  l.push_back(" | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |");
  l.push_back(" | Lim.|Marc.|          |  Rs |                            |                |     |");
  l.push_back(" |_____|_____|__________|_____|____________________________|________________|_____|");
  const std::string vuota = " |     |     |          |     |                            |                |     |";
  l.push_back(vuota);
  for (const riga_tabella& r : righe) {
    const size_t c = static_cast<size_t>(std::max<int32_t>(0, r.posizione) / 50);
    const int kmh = c < s.percorso.size() ? formato::velocita_da_cella(s.percorso[c].velocita) : 0;
    l.push_back(" |" + cella_velocita(kmh) + "|     |" + cella_km(r.km) + "|" + cella_velocita(kmh) + "| " +
                a_sinistra(latin1_in_utf8(r.nome), 27) + "|" + cella_orario(r.orario, r.arrivo, r.partenza) + "|     |");
  }
  l.push_back(vuota);
  l.push_back(" |_____|_____|__________|_____|____________________________|________________|_____|");
  l.push_back("");
  std::string testo;
  for (const std::string& riga : l) testo += riga + "\n";
  return testo;
}

}  // namespace scenario::vista
