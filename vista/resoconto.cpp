#include "vista/resoconto.h"

#include <cstdarg>
#include <cstdio>

#include "model/formato.h"
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

std::string descrizione_cella(const scenario_decodificato& s, size_t c) {
  const cella& x = s.percorso[c];
  std::string r;
  switch (x.tipo) {
    case tipo_cella::segnale: {
      const auto l1 = formato::coppia_da_cella(x.dato1), l2 = formato::coppia_da_cella(x.dato2),
                 l3 = formato::coppia_da_cella(x.dato3);
      const auto codice = formato::segnale_da_cella(x.dato4);
      scrivi(r, "sx %d, %d %d %d, rapp %d, dx %d, %d %d %d, tempo %d", codice.sx, l1.first, l2.first, l3.first,
             codice.rapp, codice.dx, l1.second, l2.second, l3.second, x.tempo);
      break;
    }
    case tipo_cella::fine_rallentamento:
    case tipo_cella::inizio_rallentamento:
    case tipo_cella::avviso_rallentamento: scrivi(r, "%d km/h", x.dato1); break;
    case tipo_cella::anticipo_rallentamento: scrivi(r, "n. %d", x.dato1); break;
    case tipo_cella::indicatore_vmax: {
      const auto st = formato::coppia_da_cella(x.dato4);
      for (int16_t d : {x.dato1, x.dato2, x.dato3}) {
        const auto v = formato::indicatore_da_cella(d);
        scrivi(r, "%d/%d ", v.first, v.second);
      }
      scrivi(r, "km/h, strisce %d/%d", st.first, st.second);
      break;
    }
    case tipo_cella::fermata:
    case tipo_cella::cartello: scrivi(r, "voce %d", x.dato1); break;
    case tipo_cella::abbattimento: scrivi(r, "%d km/h", x.dato1); break;
    default: break;
  }
  return r;
}

std::string testo_curva(const curva& x) {
  return std::string("curva a ") + (x.destra ? "destra" : "sinistra") + " classe " + std::to_string(x.classe) +
         " (da " + std::to_string(x.inizio) + " m, " + std::to_string(x.lunghezza) + " m)";
}

std::string elenco_celle(const scenario_decodificato& s) {
  std::string r =
      "Celle (cella, metri che copre, tipo, dato1-4, tempo, preavviso, montagna, velocita' km/h, pendenza per mille,\n"
      "aderenza, il contenuto come scritto, la curva). Velocita', pendenza, aderenza e montagna scritte a p stanno dalla\n"
      "cella p / 50: la cella c porta il valore scritto per c x 50 m.\n";
  const auto lista_curve = curve(s);
  const auto curva_di = curve_delle_celle(s, lista_curve);
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    const cella& x = s.percorso[c];
    std::string contenuto = descrizione_cella(s, c);
    if (curva_di[c] >= 0) {
      contenuto += (contenuto.empty() ? "" : "; ") + testo_curva(lista_curve[static_cast<size_t>(curva_di[c])]);
    }
    scrivi(r, "%6zu %15s %-32s %6d %6d %6d %6d %3d %3d %3d %4d %4d %3d  %s\n", c, metri_cella(c).c_str(),
           std::string(nome_tipo_cella(x.tipo)).c_str(), x.dato1, x.dato2, x.dato3, x.dato4, x.tempo, x.preavviso,
           x.montagna, formato::velocita_da_cella(x.velocita), formato::pendenza_da_cella(x.pendenza), x.aderenza,
           contenuto.c_str());
  }
  return r;
}

std::string resoconto_testo(const scenario_decodificato& s, bool celle) {
  std::string r;
  const auto& t = s.tabella;
  const codici_identita codici = codici_dei_nomi(s.treno, s.linea);
  auto km = [&](int32_t p) { return testo_km(chilometro(s, p)); };
  scrivi(r, "Scenario %s, treno %s\n", identificativo_mostrato(s.linea).c_str(), identificativo_mostrato(s.treno).c_str());
  scrivi(r, "Linea: %d m, %zu celle da 50 m (0-%zu), tracciato di %zu punti per coordinata\n", s.lunghezza,
         s.percorso.size(), s.percorso.size() - 1, s.geometria.x.size());
  scrivi(r, "Intestazione: cella 1 dato1 = %d, voce 85 valore1 = %d\n", s.percorso[1].dato1, t[voce_tabella::intestazione].valore1);
  scrivi(r, "Codici d'identita': %d nella cella 1, %d nella voce 85 (attesi %d e %d)\n", s.percorso[1].dato2,
         t[voce_tabella::intestazione].orario, codici.og, codici.st);
  scrivi(r, "Treno: %d vetture, massa frenata %d%%, sabbia %d, orologio %02d:%02d:%02d\n", t[voce_tabella::dati_treno].posizione,
         t[voce_tabella::dati_treno].inizio, t[voce_tabella::dati_corsa].valore1, t[voce_tabella::dati_corsa].valore3, t[voce_tabella::dati_corsa].valore4, t[voce_tabella::dati_corsa].valore5);
  scrivi(r, "Sfondi: uno %d, due %d, tre %d\n", t[voce_tabella::intestazione].inizio, t[voce_tabella::intestazione].posizione, t[voce_tabella::intestazione].fine);
  scrivi(r, "Ripetizione segnali: da %d m a %d m, %d codici\n", t[voce_tabella::dati_corsa].inizio, t[voce_tabella::dati_corsa].fine, t[voce_tabella::dati_corsa].posizione);
  r += "Progressive chilometriche (dalla posizione; km all'origine della linea; verso):\n";
  for (size_t i = voce_tabella::progressiva_tre; i <= voce_tabella::progressiva_uno; ++i) {
    const voce& v = t[i];
    if (v.inizio == 0 && v.fine == 0 && v.posizione == 0) continue;
    scrivi(r, "  voce %zu: da %d m (km %s), km %s all'origine, %s\n", i, v.inizio, km(v.inizio).c_str(),
           testo_km(v.fine).c_str(), v.posizione == 1 ? "decrescente" : "crescente");
  }

  const auto elenco = stazioni(s);
  scrivi(r, "Stazioni (%zu):\n", elenco.size());
  r += "  voce posizione       km tipo  area (m)          fermata  sosta  arrivo    partenza  nome\n";
  for (size_t i = 0; i < elenco.size(); ++i) {
    const stazione& st = elenco[i];
    const voce& v = *st.v;
    const std::string fermata = st.cella_fermata < 0 ? "-" : std::to_string(metro_oggetto(static_cast<size_t>(st.cella_fermata)));
    const orario_stazione o = orario_di(elenco, i);
    scrivi(r, "  %4d %9d %8s %4d  %7d - %-7d  %7s  %4d s %-8s  %-8s  %s\n", st.indice, v.posizione,
           km(v.posizione).c_str(), v.tipo, v.inizio, v.fine, fermata.c_str(), v.sosta,
           o.arrivo ? testo_ora(*o.arrivo).c_str() : "   --", o.partenza ? testo_ora(*o.partenza).c_str() : "   --",
           latin1_in_utf8(v.nome).c_str());
  }

  const auto lista_segnali = segnali(s);
  scrivi(r, "Segnali (%zu; posizione, km, cella; sx, s1 s2 s3, rapp, dx, d1 d2 d3, tempo):\n", lista_segnali.size());
  for (const segnale& x : lista_segnali) {
    scrivi(r, "  %8d m  km %8s  cella %zu (%s m)  sx %d, %d %d %d, rapp %d, dx %d, %d %d %d, tempo %d\n", x.posizione,
           km(x.posizione).c_str(), x.cella, metri_cella(x.cella).c_str(), x.sx, x.s1, x.s2, x.s3, x.rapp, x.dx, x.d1,
           x.d2, x.d3, x.tempo);
  }
  const auto lista_cartelli = cartelli(s);
  scrivi(r, "Cartelli (%zu):\n", lista_cartelli.size());
  for (const cartello& x : lista_cartelli) {
    scrivi(r, "  %8d m  km %8s  voce %d: %s\n", x.posizione, km(x.posizione).c_str(), x.voce,
           x.testo.empty() ? "?" : latin1_in_utf8(x.testo).c_str());
  }
  const auto lista_indicatori = indicatori(s);
  scrivi(r, "Indicatori di velocita' massima (%zu; km/h del primo / del secondo gruppo):\n", lista_indicatori.size());
  for (const indicatore& x : lista_indicatori) {
    scrivi(r, "  %8d m  km %8s  %d/%d %d/%d %d/%d km/h, strisce %d/%d\n", x.posizione, km(x.posizione).c_str(),
           x.kmh[0].first, x.kmh[0].second, x.kmh[1].first, x.kmh[1].second, x.kmh[2].first, x.kmh[2].second,
           x.strisce.first, x.strisce.second);
  }

  const auto lenti = rallentamenti(s);
  scrivi(r, "Rallentamenti (%zu):\n", lenti.size());
  for (const rallentamento& x : lenti) {
    scrivi(r, "  da %d m a %d m (km %s - %s), %d km/h, f_tt %d, d_v %d", x.da(), x.a(), km(x.da()).c_str(),
           km(x.a()).c_str(), x.velocita, x.f_tt, x.d_v);
    if (x.avviso) {
      scrivi(r, ", avviso a %d m (cella %zu), %d celle di preavviso\n", metro_oggetto(*x.avviso), *x.avviso, x.anticipi);
    } else {
      r += ", senza avviso\n";
    }
  }
  const auto lista_abbattimenti = abbattimenti(s);
  scrivi(r, "Abbattimenti (%zu):\n", lista_abbattimenti.size());
  for (const abbattimento& x : lista_abbattimenti) {
    if (x.valore) {
      scrivi(r, "  %8d m  km %8s  %d km/h\n", x.posizione, km(x.posizione).c_str(), *x.valore);
    } else {
      scrivi(r, "  %8d m  km %8s  senza valore\n", x.posizione, km(x.posizione).c_str());
    }
  }

  r += "Velocita' limite (da - a, km/h):\n";
  for (const tratto& x : velocita_kmh(s)) scrivi(r, "  %8d - %-8d %4d\n", x.da, x.a, x.valore);
  r += "Pendenze (da - a, per mille):\n";
  for (const tratto& x : pendenze_per_mille(s)) scrivi(r, "  %8d - %-8d %4d\n", x.da, x.a, x.valore);
  r += "Aderenza (da - a, valore):\n";
  for (const tratto& x : tratti(s, &cella::aderenza)) scrivi(r, "  %8d - %-8d %4d\n", x.da, x.a, x.valore);
  const auto lista_curve = curve(s);
  scrivi(r, "Curve (%zu; dalla posizione, lunghezza, lato, classe, raggio):\n", lista_curve.size());
  for (const curva& x : lista_curve) {
    scrivi(r, "  %8d m  %6d m  %-8s classe %d  raggio %d m\n", x.inizio, x.lunghezza, x.destra ? "destra" : "sinistra",
           x.classe, x.raggio);
  }
  const auto monti = montagne(s);
  scrivi(r, "Tratti di montagna (%zu):\n", monti.size());
  for (const tratto_montagna& x : monti) scrivi(r, "  %8d - %-8d %s\n", x.da, x.a, testo_montagna(x).c_str());
  if (celle) r += elenco_celle(s);
  return r;
}

}  // namespace scenario::vista
