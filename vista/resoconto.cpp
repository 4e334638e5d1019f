#include "vista/resoconto.h"

#include <cstdarg>
#include <cstdio>

#include "lingue/catalogo.h"
#include "model/formato.h"
#include "nucleo/verifica_orario.h"
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

// The same into a text of its own, for an argument of the catalogue's texts.
std::string f(const char* formato, ...) __attribute__((format(printf, 1, 2)));
std::string f(const char* formato, ...) {
  char b[512];
  va_list argomenti;
  va_start(argomenti, formato);
  const int n = std::vsnprintf(b, sizeof b, formato, argomenti);
  va_end(argomenti);
  return n > 0 ? std::string(b, std::min(static_cast<size_t>(n), sizeof b - 1)) : std::string();
}

// A line of the account from the catalogue.
void riga(std::string& r, const char* id, std::vector<argomento> argomenti = {}) {
  r += traduci(id, std::move(argomenti));
  r += '\n';
}
void riga(std::string& r, const messaggio& m) {
  r += rendi(m);
  r += '\n';
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
    case tipo_cella::anticipo_rallentamento: r = traduci("resoconto.cella_anticipo", {{"numero", x.dato1}}); break;
    case tipo_cella::indicatore_vmax: {
      const auto st = formato::coppia_da_cella(x.dato4);
      for (int16_t d : {x.dato1, x.dato2, x.dato3}) {
        const auto v = formato::indicatore_da_cella(d);
        scrivi(r, "%d/%d ", v.first, v.second);
      }
      r += traduci("resoconto.cella_strisce", {{"primo", st.first}, {"secondo", st.second}});
      break;
    }
    case tipo_cella::fermata:
    case tipo_cella::cartello: r = traduci("resoconto.cella_voce", {{"voce", x.dato1}}); break;
    case tipo_cella::abbattimento: scrivi(r, "%d km/h", x.dato1); break;
    default: break;
  }
  return r;
}

std::string testo_curva(const curva& x) {
  return traduci(x.destra ? "resoconto.curva_destra" : "resoconto.curva_sinistra",
                 {{"classe", x.classe}, {"da", x.inizio}, {"lunghezza", x.lunghezza}});
}

std::string elenco_celle(const scenario_decodificato& s) {
  std::string r;
  riga(r, "resoconto.celle");
  const auto lista_curve = curve(s);
  const auto curva_di = curve_delle_celle(s, lista_curve);
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    const cella& x = s.percorso[c];
    std::string contenuto = descrizione_cella(s, c);
    if (curva_di[c] >= 0) {
      contenuto += (contenuto.empty() ? "" : "; ") + testo_curva(lista_curve[static_cast<size_t>(curva_di[c])]);
    }
    scrivi(r, "%6zu %15s %-32s %6d %6d %6d %6d %3d %3d %3d %4d %4d %3d  %s\n", c, metri_cella(c).c_str(),
           nome_tipo_cella(x.tipo).c_str(), x.dato1, x.dato2, x.dato3, x.dato4, x.tempo, x.preavviso,
           x.montagna, formato::velocita_da_cella(x.velocita), formato::pendenza_da_cella(x.pendenza), x.aderenza,
           contenuto.c_str());
  }
  return r;
}

namespace {

// The fastest run's legs: the timetable's time, the least times, the slack.
void righe_marcia(std::string& r, const scenario_decodificato& s, const scelte_marcia& scelte) {
  const marcia_tesa m = calcola_marcia_tesa(s.percorso, s.tabella, scelte);
  riga(r, "resoconto.marcia", {{"ipotesi", testo_ipotesi(m.ipotesi)}});
  if (m.tratte.empty()) riga(r, "resoconto.marcia_nessuna");
  auto nome = [&](size_t f) { return latin1_in_utf8(s.tabella[static_cast<size_t>(m.fermate[f].voce)].nome); };
  for (const tratta_marcia& t : m.tratte) {
    const auto resta = margine(t);
    riga(r, "resoconto.marcia_tratta",
         {{"da", nome(t.da)}, {"a", nome(t.a)}, {"concesso", testo_durata(t.concesso())},
          {"senza_ipotesi", testo_minimo(t.minimo_senza_ipotesi, t.blocco_senza_ipotesi)},
          {"minimo", testo_minimo(t.minimo, t.blocco)},
          {"margine", resta ? testo_durata(*resta) : messaggio("-")}});
  }
}

}  // namespace

std::string resoconto_testo(const scenario_decodificato& s, bool celle, const scelte_marcia& marcia) {
  std::string r;
  const auto& t = s.tabella;
  const codici_identita codici = codici_dei_nomi(s.treno, s.linea);
  auto km = [&](int32_t p) { return testo_km(chilometro(s, p)); };
  const voce& intestazione = t[voce_tabella::intestazione];
  const voce& treno = t[voce_tabella::dati_treno];
  const voce& corsa = t[voce_tabella::dati_corsa];
  riga(r, "resoconto.scenario", {{"linea", identificativo_mostrato(s.linea)}, {"treno", identificativo_mostrato(s.treno)}});
  riga(r, "resoconto.linea", {{"metri", s.lunghezza}, {"celle", s.percorso.size()}, {"ultima", s.percorso.size() - 1},
                              {"punti", s.geometria.x.size()}});
  riga(r, "resoconto.intestazione", {{"dato1", s.percorso[1].dato1}, {"valore1", intestazione.valore1}});
  riga(r, "resoconto.codici", {{"cella", s.percorso[1].dato2}, {"voce", intestazione.orario}, {"attesi_cella", codici.og},
                               {"attesi_voce", codici.st}});
  riga(r, frase_conto(treno.posizione, dal_catalogo("resoconto.treno_uno"), dal_catalogo("resoconto.treno"),
                      {{"vetture", treno.posizione}, {"massa", treno.inizio}, {"sabbia", corsa.valore1},
                       {"orologio", f("%02d:%02d:%02d", corsa.valore3, corsa.valore4, corsa.valore5)}}));
  riga(r, "resoconto.sfondi", {{"uno", intestazione.inizio}, {"due", intestazione.posizione}, {"tre", intestazione.fine}});
  riga(r, "resoconto.ripetizione", {{"da", corsa.inizio}, {"a", corsa.fine}, {"codici", corsa.posizione}});
  riga(r, "resoconto.progressive");
  for (size_t i = voce_tabella::progressiva_tre; i <= voce_tabella::progressiva_uno; ++i) {
    const voce& v = t[i];
    if (v.inizio == 0 && v.fine == 0 && v.posizione == 0) continue;
    riga(r, v.posizione == 1 ? "resoconto.progressiva_decrescente" : "resoconto.progressiva_crescente",
         {{"voce", i}, {"da", v.inizio}, {"km", km(v.inizio)}, {"origine", testo_km(v.fine)}});
  }

  const auto elenco = stazioni(s);
  riga(r, "resoconto.stazioni", {{"quante", elenco.size()}});
  riga(r, "resoconto.stazioni_colonne");
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

  righe_marcia(r, s, marcia);

  const auto lista_segnali = segnali(s);
  riga(r, "resoconto.segnali", {{"quanti", lista_segnali.size()}});
  for (const segnale& x : lista_segnali) {
    riga(r, "resoconto.segnale",
         {{"posizione", f("%8d", x.posizione)}, {"km", f("%8s", km(x.posizione).c_str())}, {"cella", x.cella},
          {"metri", metri_cella(x.cella)},
          {"valori", f("sx %d, %d %d %d, rapp %d, dx %d, %d %d %d, tempo %d", x.sx, x.s1, x.s2, x.s3, x.rapp, x.dx, x.d1,
                       x.d2, x.d3, x.tempo)}});
  }
  const auto lista_cartelli = cartelli(s);
  riga(r, "resoconto.cartelli", {{"quanti", lista_cartelli.size()}});
  for (const cartello& x : lista_cartelli) {
    riga(r, "resoconto.cartello", {{"posizione", f("%8d", x.posizione)}, {"km", f("%8s", km(x.posizione).c_str())},
                                   {"voce", x.voce}, {"testo", x.testo.empty() ? "?" : latin1_in_utf8(x.testo)}});
  }
  const auto lista_indicatori = indicatori(s);
  riga(r, "resoconto.indicatori", {{"quanti", lista_indicatori.size()}});
  for (const indicatore& x : lista_indicatori) {
    riga(r, "resoconto.indicatore",
         {{"posizione", f("%8d", x.posizione)}, {"km", f("%8s", km(x.posizione).c_str())},
          {"velocita", f("%d/%d %d/%d %d/%d", x.kmh[0].first, x.kmh[0].second, x.kmh[1].first, x.kmh[1].second,
                         x.kmh[2].first, x.kmh[2].second)},
          {"primo", x.strisce.first}, {"secondo", x.strisce.second}});
  }

  const auto lenti = rallentamenti(s);
  riga(r, "resoconto.rallentamenti", {{"quanti", lenti.size()}});
  for (const rallentamento& x : lenti) {
    std::vector<argomento> a = {{"da", x.da()}, {"a", x.a()}, {"km_da", km(x.da())}, {"km_a", km(x.a())},
                                {"velocita", x.velocita}, {"f_tt", x.f_tt}, {"d_v", x.d_v}};
    if (!x.avviso) {
      riga(r, "resoconto.rallentamento_senza_avviso", std::move(a));
      continue;
    }
    a.insert(a.end(), {{"avviso", metro_oggetto(*x.avviso)}, {"cella", *x.avviso}, {"preavvisi", x.anticipi}});
    riga(r, frase_conto(x.anticipi, dal_catalogo("resoconto.rallentamento_uno"), dal_catalogo("resoconto.rallentamento"),
                        std::move(a)));
  }
  const auto lista_abbattimenti = abbattimenti(s);
  riga(r, "resoconto.abbattimenti", {{"quanti", lista_abbattimenti.size()}});
  for (const abbattimento& x : lista_abbattimenti) {
    const std::vector<argomento> dove = {{"posizione", f("%8d", x.posizione)}, {"km", f("%8s", km(x.posizione).c_str())}};
    if (x.valore) {
      scrivi(r, "  %s m  km %s  %d km/h\n", f("%8d", x.posizione).c_str(), f("%8s", km(x.posizione).c_str()).c_str(), *x.valore);
    } else {
      riga(r, "resoconto.abbattimento_senza_valore", dove);
    }
  }

  riga(r, "resoconto.velocita");
  for (const tratto& x : velocita_kmh(s)) scrivi(r, "  %8d - %-8d %4d\n", x.da, x.a, x.valore);
  riga(r, "resoconto.pendenze");
  for (const tratto& x : pendenze_per_mille(s)) scrivi(r, "  %8d - %-8d %4d\n", x.da, x.a, x.valore);
  riga(r, "resoconto.aderenza");
  for (const tratto& x : tratti(s, &cella::aderenza)) scrivi(r, "  %8d - %-8d %4d\n", x.da, x.a, x.valore);
  const auto lista_curve = curve(s);
  riga(r, "resoconto.curve", {{"quante", lista_curve.size()}});
  for (const curva& x : lista_curve) {
    riga(r, "resoconto.curva", {{"posizione", f("%8d", x.inizio)}, {"lunghezza", f("%6d", x.lunghezza)},
                                {"lato", f("%-8s", traduci(x.destra ? "resoconto.destra" : "resoconto.sinistra").c_str())},
                                {"classe", x.classe}, {"raggio", x.raggio}});
  }
  const auto monti = montagne(s);
  riga(r, "resoconto.montagne", {{"quanti", monti.size()}});
  for (const tratto_montagna& x : monti) scrivi(r, "  %8d - %-8d %s\n", x.da, x.a, testo_montagna(x).c_str());
  if (celle) r += elenco_celle(s);
  return r;
}

}  // namespace scenario::vista
