#include "vista/resoconto.h"

#include <cstdarg>
#include <cstdio>

#include "text/codifica.h"
#include "vista/analisi.h"

namespace scenario::vista {

namespace {

// printf-style append; every value printed here is a number or a short text.
void scrivi(std::string& r, const char* formato, ...) __attribute__((format(printf, 2, 3)));
void scrivi(std::string& r, const char* formato, ...) {
  char b[512];
  va_list argomenti;
  va_start(argomenti, formato);
  const int n = std::vsnprintf(b, sizeof b, formato, argomenti);
  va_end(argomenti);
  if (n > 0) r.append(b, std::min(static_cast<size_t>(n), sizeof b - 1));
}

}  // namespace

std::string testo_cartello(const std::string& nome) {
  std::string r, riga;
  bool dentro = false;
  for (char c : nome) {
    if (c == '(') {
      dentro = true;
      riga.clear();
    } else if (c == ')' && dentro) {
      dentro = false;
      while (!riga.empty() && riga.back() == ' ') riga.pop_back();
      if (!r.empty()) r += " / ";
      r += riga;
    } else if (dentro) {
      riga += c;
    }
  }
  return r.empty() ? nome : r;
}

std::string elenco_celle(const scenario_decodificato& s) {
  std::string r = "Celle (cella, metri, tipo, dato1-4, tempo, preavviso, montagna, velocita' km/h, pendenza, aderenza):\n";
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    const cella& x = s.percorso[c];
    scrivi(r, "%6zu %8d %-32s %6d %6d %6d %6d %3d %3d %3d %4d %4d %3d\n", c, metro_profilo(c),
           std::string(nome_tipo_cella(x.tipo)).c_str(), x.dato1, x.dato2, x.dato3, x.dato4, x.tempo, x.preavviso,
           x.montagna, x.velocita * 5, x.pendenza - 100, x.aderenza);
  }
  return r;
}

std::string resoconto_testo(const scenario_decodificato& s, bool celle) {
  std::string r;
  const auto& t = s.tabella;
  const codici_identita codici = calcola_codici_identita(s.treno, s.linea);
  scrivi(r, "Scenario %s, treno %s\n", latin1_in_utf8(s.linea).c_str(), latin1_in_utf8(s.treno).c_str());
  scrivi(r, "Linea: %d m, %zu celle da 50 m (0-%zu), tracciato di %zu punti per coordinata\n", s.lunghezza,
         s.percorso.size(), s.percorso.size() - 1, s.geometria.x.size());
  scrivi(r, "Intestazione: cella 1 dato1 = %d, voce 85 valore1 = %d\n", s.percorso[1].dato1, t[voce_tabella::intestazione].valore1);
  scrivi(r, "Codici d'identita': %d nella cella 1, %d nella voce 85 (attesi %d e %d)\n", s.percorso[1].dato2,
         t[voce_tabella::intestazione].orario, codici.og, codici.st);
  scrivi(r, "Treno: %d vetture, massa frenata %d%%, sabbia %d, orologio %02d:%02d:%02d\n", t[voce_tabella::dati_treno].posizione,
         t[voce_tabella::dati_treno].inizio, t[voce_tabella::dati_corsa].valore1, t[voce_tabella::dati_corsa].valore3, t[voce_tabella::dati_corsa].valore4, t[voce_tabella::dati_corsa].valore5);
  scrivi(r, "Sfondi: uno %d, due %d, tre %d\n", t[voce_tabella::intestazione].inizio, t[voce_tabella::intestazione].posizione, t[voce_tabella::intestazione].fine);
  scrivi(r, "Ripetizione segnali: da %d m a %d m, %d codici\n", t[voce_tabella::dati_corsa].inizio, t[voce_tabella::dati_corsa].fine, t[voce_tabella::dati_corsa].posizione);
  r += "Progressive chilometriche (dalla posizione, km, verso):\n";
  for (int i = 81; i <= 83; ++i) {
    const voce& v = t[static_cast<size_t>(i)];
    if (v.inizio == 0 && v.fine == 0 && v.posizione == 0) continue;
    scrivi(r, "  voce %d: da %d m, km %s, %s\n", i, v.inizio, testo_km(v.fine).c_str(),
           v.posizione == 1 ? "decrescente" : "crescente");
  }

  const auto elenco = stazioni(s);
  scrivi(r, "Stazioni (%zu):\n", elenco.size());
  r += "  voce posizione       km tipo  area (m)          fermata  sosta  orario    nome\n";
  for (const stazione& st : elenco) {
    const voce& v = *st.v;
    std::string fermata = st.cella_fermata < 0 ? "-" : std::to_string(metro_oggetto(static_cast<size_t>(st.cella_fermata)));
    scrivi(r, "  %4d %9d %8s %4d  %7d - %-7d  %7s  %4d s %s  %s\n", st.indice, v.posizione,
           testo_km(chilometro(s, v.posizione)).c_str(), v.tipo, v.inizio, v.fine, fermata.c_str(), v.sosta,
           v.orario != 0 ? testo_ora(v.orario).c_str() : "   --   ", latin1_in_utf8(v.nome).c_str());
  }

  std::string segnali, cartelli, indicatori, abbattimenti;
  int n_segnali = 0, n_cartelli = 0, n_indicatori = 0, n_abbattimenti = 0;
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    const cella& x = s.percorso[c];
    const int32_t p = metro_oggetto(c);
    const std::string km = testo_km(chilometro(s, p));
    switch (x.tipo) {
      case 1:
        ++n_segnali;
        scrivi(segnali, "  %8d m  km %8s  codice %d, valori %d %d %d, tempo %d\n", p, km.c_str(), x.dato4, x.dato1,
               x.dato2, x.dato3, x.tempo);
        break;
      case 14: {
        ++n_cartelli;
        const bool valida = x.dato1 > 0 && x.dato1 < VOCI_TABELLA;
        const std::string testo = valida ? testo_cartello(t[static_cast<size_t>(x.dato1)].nome) : "?";
        scrivi(cartelli, "  %8d m  km %8s  voce %d: %s\n", p, km.c_str(), x.dato1, latin1_in_utf8(testo).c_str());
        break;
      }
      case 6:
        ++n_indicatori;
        scrivi(indicatori, "  %8d m  km %8s  velocita' codificate %d %d %d, strisce %d\n", p, km.c_str(), x.dato1,
               x.dato2, x.dato3, x.dato4);
        break;
      case 12:
      case 13:
        ++n_abbattimenti;
        if (x.tipo == tipo_cella::abbattimento) {
          scrivi(abbattimenti, "  %8d m  valore %d\n", metro_profilo(c), x.dato1);
        } else {
          scrivi(abbattimenti, "  %8d m  senza valore\n", metro_profilo(c));
        }
        break;
      default:
        break;
    }
  }
  scrivi(r, "Segnali (%d):\n", n_segnali);
  r += segnali;
  scrivi(r, "Cartelli (%d):\n", n_cartelli);
  r += cartelli;
  scrivi(r, "Indicatori di velocita' massima (%d), velocita' codificate (20 x sinistra + destra / 5):\n", n_indicatori);
  r += indicatori;

  const auto lenti = rallentamenti(s);
  scrivi(r, "Rallentamenti (%zu):\n", lenti.size());
  for (const rallentamento& x : lenti) {
    scrivi(r, "  da %d m a %d m, %d km/h\n", metro_oggetto(x.inizio), metro_oggetto(x.fine), x.velocita);
  }
  scrivi(r, "Abbattimenti (%d):\n", n_abbattimenti);
  r += abbattimenti;

  r += "Velocita' limite (da - a, km/h):\n";
  for (const tratto& x : tratti(s, &cella::velocita)) scrivi(r, "  %8d - %-8d %4d\n", x.da, x.a, x.valore * 5);
  r += "Pendenze (da - a, per mille):\n";
  for (const tratto& x : tratti(s, &cella::pendenza)) scrivi(r, "  %8d - %-8d %4d\n", x.da, x.a, x.valore - 100);
  r += "Aderenza (da - a, valore):\n";
  for (const tratto& x : tratti(s, &cella::aderenza)) scrivi(r, "  %8d - %-8d %4d\n", x.da, x.a, x.valore);
  const auto monti = montagne(s);
  scrivi(r, "Tratti di montagna (%zu):\n", monti.size());
  for (const tratto_montagna& x : monti) scrivi(r, "  %8d - %-8d tipo %d\n", x.da, x.a, x.tipo);
  if (celle) r += elenco_celle(s);
  return r;
}

}  // namespace scenario::vista
