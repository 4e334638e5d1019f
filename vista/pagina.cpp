#include "vista/pagina.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "text/codifica.h"
#include "vista/analisi.h"
#include "vista/resoconto.h"

namespace scenario::vista {

namespace {

// Text for XML: the table's ISO 8859-1 bytes as UTF-8, markup characters escaped.
std::string xml(std::string_view latin1) {
  std::string r;
  for (char c : latin1_in_utf8(latin1)) {
    switch (c) {
      case '&': r += "&amp;"; break;
      case '<': r += "&lt;"; break;
      case '>': r += "&gt;"; break;
      case '"': r += "&quot;"; break;
      case '\'': r += "&#39;"; break;
      default: r += c;
    }
  }
  return r;
}

// Short decimal for coordinates: one decimal is below what a screen shows.
std::string num(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.1f", v);
  std::string r = b;
  if (r.size() > 2 && r.compare(r.size() - 2, 2, ".0") == 0) r.resize(r.size() - 2);
  if (r == "-0") r = "0";
  return r;
}

// Layout of the profile, in pixels.
constexpr double MARGINE_SINISTRO = 90;
constexpr double MARGINE_DESTRO = 30;
constexpr double CORSIA_NOMI = 150;     // station names, slanted
constexpr double CORSIA_OGGETTI = 56;   // signals, boards, indicators, abbattimenti
constexpr double CORSIA_KM = 26;
constexpr double CORSIA_VELOCITA = 170;
constexpr double CORSIA_PENDENZA = 120;
constexpr double CORSIA_CURVE = 70;
constexpr double CORSIA_ADERENZA = 60;
constexpr double INTERVALLO = 14;

struct profilo {
  const scenario_decodificato& s;
  double larghezza_linea;  // px for L metres
  double scala;            // px a metre
  std::string svg;

  double x(double metri) const { return MARGINE_SINISTRO + metri * scala; }
  double fine_x() const { return x(s.lunghezza); }
};

void etichetta_corsia(std::string& svg, double y, const char* testo) {
  svg += "<text class=\"corsia\" x=\"6\" y=\"" + num(y) + "\">" + testo + "</text>\n";
}

// A step line through runs: each run a horizontal stroke at its value's height.
std::string gradini(const profilo& p, const std::vector<tratto>& runs, double cima, double altezza, double minimo,
                    double massimo, double per, double piu) {
  std::string d;
  auto y = [&](int v) {
    const double valore = v * per + piu;
    const double f = (valore - minimo) / (massimo - minimo);
    return cima + altezza * (1.0 - std::clamp(f, 0.0, 1.0));
  };
  for (size_t i = 0; i < runs.size(); ++i) {
    const tratto& t = runs[i];
    d += (i == 0 ? "M" : "V") + num(i == 0 ? p.x(t.da) : y(t.valore));
    if (i == 0) d += " " + num(y(t.valore));
    d += "H" + num(p.x(t.a));
  }
  return d;
}

void titolo(std::string& svg, const std::string& testo) { svg += "<title>" + testo + "</title>"; }

}  // namespace

std::string pagina_html(const scenario_decodificato& s) {
  const auto elenco = stazioni(s);
  const double L = std::max(s.lunghezza, 1);
  const double larghezza = std::clamp(L / 25.0, 1100.0, 40000.0);
  profilo p{s, larghezza, larghezza / L, {}};
  std::string& svg = p.svg;

  double y0 = 0;
  const double cima_nomi = y0;
  const double cima_oggetti = cima_nomi + CORSIA_NOMI;
  const double cima_km = cima_oggetti + CORSIA_OGGETTI;
  const double cima_velocita = cima_km + CORSIA_KM + INTERVALLO;
  const double cima_pendenza = cima_velocita + CORSIA_VELOCITA + INTERVALLO;
  const double cima_curve = cima_pendenza + CORSIA_PENDENZA + INTERVALLO;
  const double cima_aderenza = cima_curve + CORSIA_CURVE + INTERVALLO;
  const double altezza_totale = cima_aderenza + CORSIA_ADERENZA + 20;
  const double larghezza_totale = MARGINE_SINISTRO + larghezza + MARGINE_DESTRO;

  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"profilo\" width=\"" + num(larghezza_totale) +
         "\" height=\"" + num(altezza_totale) + "\" viewBox=\"0 0 " + num(larghezza_totale) + " " +
         num(altezza_totale) + "\">\n";
  // Lane backgrounds.
  for (auto [cima, alto] : {std::pair{cima_velocita, CORSIA_VELOCITA}, std::pair{cima_pendenza, CORSIA_PENDENZA},
                            std::pair{cima_curve, CORSIA_CURVE}, std::pair{cima_aderenza, CORSIA_ADERENZA}}) {
    svg += "<rect class=\"fondo\" x=\"" + num(p.x(0)) + "\" y=\"" + num(cima) + "\" width=\"" + num(larghezza) +
           "\" height=\"" + num(alto) + "\"/>\n";
  }
  etichetta_corsia(svg, cima_oggetti + 20, "oggetti");
  etichetta_corsia(svg, cima_km + 17, "km");
  etichetta_corsia(svg, cima_velocita + 16, "velocita'");
  etichetta_corsia(svg, cima_velocita + 30, "km/h");
  etichetta_corsia(svg, cima_pendenza + 16, "pendenza");
  etichetta_corsia(svg, cima_pendenza + 30, "e quota");
  etichetta_corsia(svg, cima_curve + 16, "curve");
  etichetta_corsia(svg, cima_curve + 30, "su: destra");
  etichetta_corsia(svg, cima_aderenza + 16, "aderenza");
  etichetta_corsia(svg, cima_aderenza + 30, "montagna");

  // Kilometre ticks at round values of the line's own numbering (which may jump where a
  // progressive begins), at least 90 px apart.
  int64_t passo = 100;
  for (int64_t candidato : {100, 200, 500, 1000, 2000, 5000, 10000, 20000, 50000, 100000}) {
    passo = candidato;
    if (static_cast<double>(candidato) * p.scala >= 90) break;
  }
  double ultima_tacca = -1e9;
  for (int32_t m = 0; m <= s.lunghezza; m += 50) {
    const int64_t km = chilometro(s, m);
    const double x = p.x(m);
    if (km % passo != 0 || x - ultima_tacca < 90) continue;
    ultima_tacca = x;
    svg += "<line class=\"griglia\" x1=\"" + num(x) + "\" y1=\"" + num(cima_km) + "\" x2=\"" + num(x) + "\" y2=\"" +
           num(cima_aderenza + CORSIA_ADERENZA) + "\"/>";
    svg += "<text class=\"km\" x=\"" + num(x) + "\" y=\"" + num(cima_km + 17) + "\">" + testo_km(km) +
           "<title>posizione " + std::to_string(m) + " m</title></text>\n";
  }

  // Slow-downs: shaded across the speed lane.
  for (const rallentamento& r : rallentamenti(s)) {
    const double da = metro_oggetto(r.inizio), a = std::max(da + 50.0, static_cast<double>(metro_oggetto(r.fine)));
    svg += "<g class=\"rallentamento\"><rect x=\"" + num(p.x(da)) + "\" y=\"" + num(cima_velocita) + "\" width=\"" +
           num(std::max(2.0, (a - da) * p.scala)) + "\" height=\"" + num(CORSIA_VELOCITA) + "\"/>";
    titolo(svg, "rallentamento da " + num(da) + " m a " + num(a) + " m, " + std::to_string(r.velocita) + " km/h");
    svg += "</g>\n";
  }

  // Speed limit, cell by cell, as runs.
  const auto velocita = tratti(s, &cella::velocita);
  int massima = 20;
  for (const tratto& t : velocita) massima = std::max(massima, t.valore * 5);
  const double scala_v = std::ceil(massima / 20.0) * 20.0;
  for (double v = 0; v <= scala_v; v += 20) {
    const double y = cima_velocita + CORSIA_VELOCITA * (1 - v / scala_v);
    svg += "<text class=\"scala\" x=\"" + num(MARGINE_SINISTRO - 4) + "\" y=\"" + num(y + 3) + "\">" + num(v) +
           "</text>";
  }
  svg += "<path class=\"velocita\" d=\"" + gradini(p, velocita, cima_velocita, CORSIA_VELOCITA, 0, scala_v, 5, 0) +
         "\"/>\n";
  for (const tratto& t : velocita) {
    svg += "<g class=\"bersaglio\"><rect x=\"" + num(p.x(t.da)) + "\" y=\"" + num(cima_velocita) + "\" width=\"" +
           num(std::max(1.0, (t.a - t.da) * p.scala)) + "\" height=\"" + num(CORSIA_VELOCITA) + "\"/>";
    titolo(svg, "da " + std::to_string(t.da) + " m a " + std::to_string(t.a) + " m: " + std::to_string(t.valore * 5) +
                    " km/h");
    svg += "</g>\n";
  }

  // Gradient (per mille, centred on level) and the height it builds up.
  const auto pendenze = tratti(s, &cella::pendenza);
  int ripida = 5;
  for (const tratto& t : pendenze) ripida = std::max(ripida, std::abs(t.valore - 100));
  const double mezzo = cima_pendenza + CORSIA_PENDENZA / 2;
  svg += "<line class=\"zero\" x1=\"" + num(p.x(0)) + "\" y1=\"" + num(mezzo) + "\" x2=\"" + num(p.fine_x()) +
         "\" y2=\"" + num(mezzo) + "\"/>";
  svg += "<path class=\"pendenza\" d=\"" +
         gradini(p, pendenze, cima_pendenza, CORSIA_PENDENZA, -ripida, ripida, 1, -100) + "\"/>\n";
  for (const tratto& t : pendenze) {
    svg += "<g class=\"bersaglio\"><rect x=\"" + num(p.x(t.da)) + "\" y=\"" + num(cima_pendenza) + "\" width=\"" +
           num(std::max(1.0, (t.a - t.da) * p.scala)) + "\" height=\"" + num(CORSIA_PENDENZA) + "\"/>";
    titolo(svg, "da " + std::to_string(t.da) + " m a " + std::to_string(t.a) + " m: pendenza " +
                    std::to_string(t.valore - 100) + " per mille");
    svg += "</g>\n";
  }
  {
    const auto q = quote(s);
    const size_t celle_linea = std::min(q.size(), static_cast<size_t>(s.lunghezza / 50) + 1);
    double basso = 0, alto = 1;
    for (size_t c = 0; c < celle_linea; ++c) {
      basso = std::min(basso, q[c]);
      alto = std::max(alto, q[c]);
    }
    const size_t salto = std::max<size_t>(1, celle_linea / 2000);
    std::string punti;
    for (size_t c = 0; c < celle_linea; c += salto) {
      const double y = cima_pendenza + CORSIA_PENDENZA - 4 - (CORSIA_PENDENZA - 8) * (q[c] - basso) / (alto - basso);
      punti += num(p.x(std::min<double>(metro_profilo(c), L))) + "," + num(y) + " ";
    }
    svg += "<polyline class=\"quota\" points=\"" + punti + "\"><title>quota raggiunta dall'inizio: da " + num(basso) +
           " m a " + num(alto) + " m</title></polyline>\n";
    svg += "<text class=\"scala\" x=\"" + num(MARGINE_SINISTRO - 4) + "\" y=\"" + num(cima_pendenza + 10) + "\">+" +
           std::to_string(ripida) + "</text><text class=\"scala\" x=\"" + num(MARGINE_SINISTRO - 4) + "\" y=\"" +
           num(cima_pendenza + CORSIA_PENDENZA) + "\">-" + std::to_string(ripida) + "</text>\n";
  }

  // Curves: the turning of each cell, grouped into runs of one side and radius.
  {
    const auto svolta = svolta_per_cella(s);
    const double meta = cima_curve + CORSIA_CURVE / 2;
    svg += "<line class=\"zero\" x1=\"" + num(p.x(0)) + "\" y1=\"" + num(meta) + "\" x2=\"" + num(p.fine_x()) +
           "\" y2=\"" + num(meta) + "\"/>";
    const size_t celle_linea = std::min(svolta.size(), static_cast<size_t>(s.lunghezza / 50) + 1);
    size_t c = 0;
    while (c < celle_linea) {
      // Curvature per metre, in steps of 0.0001 (the smallest class of the texts).
      const long classe = std::lround(svolta[c] / 50.0 * 10000.0);
      size_t fine = c + 1;
      while (fine < celle_linea && std::lround(svolta[fine] / 50.0 * 10000.0) == classe) ++fine;
      if (classe != 0) {
        const double k = static_cast<double>(classe) / 10000.0;
        const double h = std::min(1.0, std::abs(k) / 0.003) * (CORSIA_CURVE / 2 - 3);
        const double da = metro_profilo(c), a = std::min<double>(metro_profilo(fine), L);
        svg += "<g class=\"" + std::string(k > 0 ? "destra" : "sinistra") + "\"><rect x=\"" + num(p.x(da)) +
               "\" y=\"" + num(k > 0 ? meta - h : meta) + "\" width=\"" + num(std::max(1.0, (a - da) * p.scala)) +
               "\" height=\"" + num(std::max(1.0, h)) + "\"/>";
        titolo(svg, std::string("curva a ") + (k > 0 ? "destra" : "sinistra") + " da " + num(da) + " m a " + num(a) +
                        " m, raggio circa " + num(1.0 / std::abs(k)) + " m");
        svg += "</g>\n";
      }
      c = fine;
    }
  }

  // Adhesion and mountain stretches.
  {
    const auto aderenza = tratti(s, &cella::aderenza);
    int massima_a = 1;
    for (const tratto& t : aderenza) massima_a = std::max(massima_a, t.valore);
    for (const tratto_montagna& m : montagne(s)) {
      const double a = std::min<double>(m.a, L);
      if (m.da >= L) continue;
      svg += "<g class=\"montagna\"><rect x=\"" + num(p.x(m.da)) + "\" y=\"" + num(cima_aderenza) + "\" width=\"" +
             num(std::max(1.0, (a - m.da) * p.scala)) + "\" height=\"" + num(CORSIA_ADERENZA) + "\"/>";
      titolo(svg, "tratto di montagna da " + std::to_string(m.da) + " m a " + num(a) + " m, tipo " +
                      std::to_string(m.tipo));
      svg += "</g>\n";
    }
    svg += "<path class=\"aderenza\" d=\"" +
           gradini(p, aderenza, cima_aderenza + 4, CORSIA_ADERENZA - 8, 0, massima_a, 1, 0) + "\"/>\n";
    for (const tratto& t : aderenza) {
      svg += "<g class=\"bersaglio\"><rect x=\"" + num(p.x(t.da)) + "\" y=\"" + num(cima_aderenza) + "\" width=\"" +
             num(std::max(1.0, (t.a - t.da) * p.scala)) + "\" height=\"" + num(CORSIA_ADERENZA) + "\"/>";
      titolo(svg, "da " + std::to_string(t.da) + " m a " + std::to_string(t.a) + " m: aderenza " +
                      std::to_string(t.valore));
      svg += "</g>\n";
    }
  }

  // Objects at their cells.
  const double riga_segnali = cima_oggetti + 10, riga_cartelli = cima_oggetti + 24,
               riga_indicatori = cima_oggetti + 38, riga_abbattimenti = cima_oggetti + 50;
  for (size_t c = 0; c < s.percorso.size(); ++c) {
    const cella& x = s.percorso[c];
    const double metri = x.tipo == tipo_cella::abbattimento || x.tipo == tipo_cella::abbattimento_senza_valore ? metro_profilo(c) : metro_oggetto(c);
    if (metri > L + 1000 || metri < 0) continue;
    const std::string px = num(p.x(std::min(metri, L)));
    const std::string dove = std::to_string(static_cast<int32_t>(metri)) + " m (km " +
                             testo_km(chilometro(s, static_cast<int32_t>(metri))) + ")";
    switch (x.tipo) {
      case 1:
        svg += "<g class=\"segnale\"><line x1=\"" + px + "\" y1=\"" + num(riga_segnali - 6) + "\" x2=\"" + px +
               "\" y2=\"" + num(riga_segnali + 6) + "\"/><circle cx=\"" + px + "\" cy=\"" + num(riga_segnali - 6) +
               "\" r=\"3\"/>";
        titolo(svg, "segnale a " + dove + ", codice " + std::to_string(x.dato4) + ", valori " +
                        std::to_string(x.dato1) + " " + std::to_string(x.dato2) + " " + std::to_string(x.dato3));
        svg += "</g>\n";
        break;
      case 14: {
        const bool valida = x.dato1 > 0 && x.dato1 < VOCI_TABELLA;
        const std::string testo = valida ? xml(testo_cartello(s.tabella[static_cast<size_t>(x.dato1)].nome)) : "?";
        svg += "<g class=\"cartello\"><rect x=\"" + num(p.x(metri) - 4) + "\" y=\"" + num(riga_cartelli - 4) +
               "\" width=\"8\" height=\"8\"/>";
        titolo(svg, "cartello a " + dove + ": " + testo);
        svg += "</g>\n";
        break;
      }
      case 6:
        svg += "<g class=\"indicatore\"><path d=\"M" + num(p.x(metri)) + " " + num(riga_indicatori - 5) + "l5 5l-5 5l-5 -5z\"/>";
        titolo(svg, "indicatore di velocita' massima a " + dove + ", valori " + std::to_string(x.dato1) + " " +
                        std::to_string(x.dato2) + " " + std::to_string(x.dato3) + ", strisce " +
                        std::to_string(x.dato4));
        svg += "</g>\n";
        break;
      case 4:
      case 2:
      case 3:
        svg += "<g class=\"avviso\"><path d=\"M" + px + " " + num(riga_segnali - 7) + "l5 9h-10z\"/>";
        titolo(svg, std::string(nome_tipo_cella(x.tipo)) + " a " + dove + ", " + std::to_string(x.dato1) + " km/h");
        svg += "</g>\n";
        break;
      case 12:
      case 13:
        svg += "<g class=\"abbattimento\"><path d=\"M" + num(p.x(metri) - 3) + " " + num(riga_abbattimenti - 3) +
               "l6 6m0 -6l-6 6\"/>";
        titolo(svg, "abbattimento a " + dove +
                        (x.tipo == tipo_cella::abbattimento ? ", valore " + std::to_string(x.dato1) : std::string(", senza valore")));
        svg += "</g>\n";
        break;
      default:
        break;
    }
  }

  // Stations: a line through every lane and the name slanted above.
  for (const stazione& st : elenco) {
    const voce& v = *st.v;
    const double x = p.x(std::clamp<double>(v.posizione, 0, L));
    const std::string km = testo_km(chilometro(s, v.posizione));
    std::string dettagli = xml(v.nome) + ": posizione " + std::to_string(v.posizione) + " m, km " + km + ", tipo " +
                           std::to_string(v.tipo) + ", area da " + std::to_string(v.inizio) + " a " +
                           std::to_string(v.fine) + " m";
    if (v.orario != 0) dettagli += ", orario " + testo_ora(v.orario);
    if (v.sosta > 0) dettagli += ", sosta " + std::to_string(v.sosta) + " s";
    svg += "<g class=\"stazione\"><rect class=\"area\" x=\"" + num(p.x(std::max<double>(v.inizio, 0))) + "\" y=\"" +
           num(cima_oggetti) + "\" width=\"" +
           num(std::max(2.0, (std::min<double>(v.fine, L) - std::max<double>(v.inizio, 0)) * p.scala)) +
           "\" height=\"" + num(cima_aderenza + CORSIA_ADERENZA - cima_oggetti) + "\"/><line x1=\"" + num(x) +
           "\" y1=\"" + num(cima_oggetti - 4) + "\" x2=\"" + num(x) + "\" y2=\"" +
           num(cima_aderenza + CORSIA_ADERENZA) + "\"/><text transform=\"translate(" + num(x + 3) + " " +
           num(cima_oggetti - 6) + ") rotate(-35)\">" + xml(v.nome) + "</text>";
    titolo(svg, dettagli);
    svg += "</g>\n";
  }
  svg += "</svg>\n";

  // Plan view from the geometry, decimated, with the stations on it.
  std::string pianta;
  {
    const auto& gx = s.geometria.x;
    const auto& gy = s.geometria.y;
    const size_t metri = std::min({gx.size(), gy.size(), static_cast<size_t>(s.lunghezza) + 1});
    double minx = std::numeric_limits<double>::max(), maxx = -minx, miny = minx, maxy = -minx;
    for (size_t k = 0; k < metri; ++k) {
      if (gx[k].etichetta == ETICHETTA_VUOTO || gy[k].etichetta == ETICHETTA_VUOTO) continue;
      minx = std::min(minx, gx[k].valore);
      maxx = std::max(maxx, gx[k].valore);
      miny = std::min(miny, gy[k].valore);
      maxy = std::max(maxy, gy[k].valore);
    }
    const double lato = 560, bordo = 30;
    if (minx > maxx) minx = maxx = miny = maxy = 0;
    const double estensione = std::max({maxx - minx, maxy - miny, 1.0});
    const double k = (lato - 2 * bordo) / estensione;
    const double ox = bordo + ((lato - 2 * bordo) - (maxx - minx) * k) / 2;
    const double oy = bordo + ((lato - 2 * bordo) - (maxy - miny) * k) / 2;
    auto px = [&](double v) { return ox + (v - minx) * k; };
    auto py = [&](double v) { return lato - oy - (v - miny) * k; };
    pianta += "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"pianta\" width=\"" + num(lato) + "\" height=\"" +
              num(lato) + "\" viewBox=\"0 0 " + num(lato) + " " + num(lato) + "\">\n";
    pianta += "<rect class=\"fondo\" x=\"0\" y=\"0\" width=\"" + num(lato) + "\" height=\"" + num(lato) + "\"/>\n";
    const size_t salto = std::max<size_t>(1, metri / 3000);
    std::string punti;
    for (size_t m = 0; m < metri; m += salto) {
      if (gx[m].etichetta == ETICHETTA_VUOTO || gy[m].etichetta == ETICHETTA_VUOTO) continue;
      punti += num(px(gx[m].valore)) + "," + num(py(gy[m].valore)) + " ";
    }
    if (metri > 0 && gx[metri - 1].etichetta != ETICHETTA_VUOTO && gy[metri - 1].etichetta != ETICHETTA_VUOTO) {
      punti += num(px(gx[metri - 1].valore)) + "," + num(py(gy[metri - 1].valore));
    }
    pianta += "<polyline class=\"linea\" points=\"" + punti + "\"><title>la linea in pianta, " +
              std::to_string(s.lunghezza) + " m</title></polyline>\n";
    // Scale bar.
    double barra = 100;
    for (double b : {100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0, 50000.0, 100000.0}) {
      barra = b;
      if (b * k >= 80) break;
    }
    pianta += "<path class=\"barra\" d=\"M20 " + num(lato - 14) + "h" + num(barra * k) + "\"/><text class=\"scala_pianta\" x=\"20\" y=\"" +
              num(lato - 20) + "\">" + (barra >= 1000 ? num(barra / 1000) + " km" : num(barra) + " m") + "</text>\n";
    for (const stazione& st : elenco) {
      const auto m = static_cast<size_t>(std::clamp<int32_t>(st.v->posizione, 0, static_cast<int32_t>(metri) - 1));
      if (metri == 0 || gx[m].etichetta == ETICHETTA_VUOTO || gy[m].etichetta == ETICHETTA_VUOTO) continue;
      pianta += "<g class=\"stazione_pianta\"><circle cx=\"" + num(px(gx[m].valore)) + "\" cy=\"" +
                num(py(gy[m].valore)) + "\" r=\"4\"/><text x=\"" + num(px(gx[m].valore) + 7) + "\" y=\"" +
                num(py(gy[m].valore) + 4) + "\">" + xml(st.v->nome) + "</text><title>" + xml(st.v->nome) + ", " +
                std::to_string(st.v->posizione) + " m</title></g>\n";
    }
    pianta += "</svg>\n";
  }

  // Timetable.
  std::string orario = "<table class=\"orario\">\n<thead><tr><th>n.</th><th>stazione</th><th>km</th><th>posizione</th>"
                       "<th>tipo</th><th>arrivo</th><th>partenza</th><th>sosta</th></tr></thead>\n<tbody>\n";
  for (size_t i = 0; i < elenco.size(); ++i) {
    const voce& v = *elenco[i].v;
    std::string arrivo = "", partenza = "";
    if (v.orario != 0) {
      if (i + 1 == elenco.size()) {
        arrivo = testo_ora(v.orario);
      } else if (i == 0 || v.sosta == 0) {
        partenza = testo_ora(v.orario);
      } else {
        arrivo = testo_ora(v.orario - v.sosta);
        partenza = testo_ora(v.orario);
      }
    }
    orario += "<tr" + std::string(v.sosta > 0 || i + 1 == elenco.size() ? " class=\"ferma\"" : "") + "><td>" +
              std::to_string(elenco[i].indice) + "</td><td>" + xml(v.nome) + "</td><td class=\"n\">" +
              testo_km(chilometro(s, v.posizione)) + "</td><td class=\"n\">" + std::to_string(v.posizione) +
              "</td><td class=\"n\">" + std::to_string(v.tipo) + "</td><td>" + arrivo + "</td><td>" + partenza +
              "</td><td class=\"n\">" + (v.sosta > 0 ? std::to_string(v.sosta) + " s" : "") + "</td></tr>\n";
  }
  orario += "</tbody></table>\n";

  int n_segnali = 0, n_cartelli = 0;
  for (const cella& x : s.percorso) {
    n_segnali += x.tipo == tipo_cella::segnale;
    n_cartelli += x.tipo == tipo_cella::cartello;
  }
  const auto& t = s.tabella;
  std::string r;
  r.reserve(svg.size() + pianta.size() + orario.size() + 4096);
  r += "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"it\">\n<head>\n<meta charset=\"utf-8\"/>\n";
  r += "<title>" + xml(s.linea) + " - treno " + xml(s.treno) + "</title>\n";
  r += "<style>\n"
       "body{font-family:sans-serif;margin:16px;color:#222;background:#fff}\n"
       "h1{font-size:20px;margin:0 0 4px}h2{font-size:16px;margin:14px 0 6px}\n"
       ".sintesi{margin:0 0 8px;color:#444}\n"
       ".scorri{overflow-x:auto;border:1px solid #ccc}\n"
       ".affianca{display:flex;flex-wrap:wrap;gap:24px;align-items:flex-start}\n"
       "svg text{font-size:11px;fill:#222}\n"
       ".corsia{font-weight:bold;fill:#555}.scala{text-anchor:end;fill:#777;font-size:10px}\n"
       ".km{text-anchor:middle;font-size:10px;fill:#333}\n"
       ".fondo{fill:#f6f7f9}.griglia{stroke:#e0e0e0;stroke-width:1}.zero{stroke:#bbb;stroke-dasharray:3 3}\n"
       ".velocita{fill:none;stroke:#1565c0;stroke-width:2}\n"
       ".pendenza{fill:none;stroke:#6d4c41;stroke-width:1.5}.quota{fill:none;stroke:#2e7d32;stroke-width:1.5}\n"
       ".aderenza{fill:none;stroke:#00838f;stroke-width:1.5}\n"
       ".destra rect{fill:#8e24aa}.sinistra rect{fill:#f57c00}\n"
       ".montagna rect{fill:#a1887f;opacity:.35}\n"
       ".rallentamento rect{fill:#ff9800;opacity:.3}\n"
       ".bersaglio rect{fill:transparent}.bersaglio:hover rect{fill:rgba(0,0,0,.05)}\n"
       ".segnale line{stroke:#c62828;stroke-width:1.5}.segnale circle{fill:#c62828}\n"
       ".cartello rect{fill:#1e88e5}.indicatore path{fill:#5e35b1}.avviso path{fill:#ef6c00}\n"
       ".abbattimento path{stroke:#000;stroke-width:1.2}\n"
       ".stazione line{stroke:#37474f;stroke-width:1;stroke-dasharray:4 3}.stazione .area{fill:#90a4ae;opacity:.18}\n"
       ".stazione text{font-size:11px;font-weight:bold}\n"
       ".pianta .linea{fill:none;stroke:#1565c0;stroke-width:2}.stazione_pianta circle{fill:#c62828}\n"
       ".barra{stroke:#333;stroke-width:2}.scala_pianta{font-size:10px}\n"
       ".orario{border-collapse:collapse;font-size:13px}.orario th,.orario td{border:1px solid #ccc;padding:3px 8px}\n"
       ".orario th{background:#eceff1}.orario .n{text-align:right}.orario .ferma{font-weight:bold}\n"
       ".legenda{font-size:12px;color:#444}\n"
       "</style>\n</head>\n<body>\n";
  r += "<h1>Linea " + xml(s.linea) + ", treno " + xml(s.treno) + "</h1>\n";
  r += "<p class=\"sintesi\">" + std::to_string(s.lunghezza) + " m (km " + testo_km(chilometro(s, 0)) + " - km " +
       testo_km(chilometro(s, s.lunghezza)) + "), " + std::to_string(elenco.size()) + " stazioni, " +
       std::to_string(n_segnali) + " segnali, " + std::to_string(n_cartelli) + " cartelli, " +
       std::to_string(rallentamenti(s).size()) + " rallentamenti; " + std::to_string(t[voce_tabella::dati_treno].posizione) +
       " vetture, massa frenata " + std::to_string(t[voce_tabella::dati_treno].inizio) + "%, partenza dell'orologio " +
       std::to_string(t[voce_tabella::dati_corsa].valore3) + ":" + (t[voce_tabella::dati_corsa].valore4 < 10 ? "0" : "") + std::to_string(t[voce_tabella::dati_corsa].valore4) +
       ".</p>\n";
  r += "<h2>Profilo della linea</h2>\n<p class=\"legenda\">Passando sopra un elemento se ne leggono i dettagli. "
       "Oggetti: segnali (rosso), cartelli (quadrati blu), indicatori di velocita' (rombi viola), avvisi e limiti di "
       "rallentamento (triangoli arancio), abbattimenti (croci). Velocita' limite a gradini, rallentamenti in "
       "arancio; pendenza (marrone) e quota raggiunta (verde); curve a destra in su (viola), a sinistra in giu' "
       "(arancio); aderenza e tratti di montagna.</p>\n";
  r += "<div class=\"scorri\">\n" + svg + "</div>\n";
  r += "<div class=\"affianca\">\n<div>\n<h2>Pianta</h2>\n" + pianta + "</div>\n<div>\n<h2>Orario</h2>\n" + orario +
       "</div>\n</div>\n</body>\n</html>\n";
  return r;
}

}  // namespace scenario::vista
