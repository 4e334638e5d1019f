#include "tests/supporto/testi_liberi.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/supporto/casuale.h"
#include "text/codifica.h"

namespace scenario::prova {

namespace {

// round(x), halves to even, as the compiler rounds.
int64_t arrotonda(double x) { return static_cast<int64_t>(std::nearbyint(x)); }

struct record_generato {
  record_generato() = default;
  record_generato(std::string p, std::vector<int64_t> v, std::optional<std::string> t = {}, bool e = false)
      : parola(std::move(p)), valori(std::move(v)), testo(std::move(t)), esatto(e) {}
  std::string parola;                // as the description writes it
  std::vector<int64_t> valori;
  std::optional<std::string> testo;  // a name or a board's text, ISO 8859-1, no comma
  bool esatto = false;               // its keyword is matched letter for letter
  bool segnato = false;              // the record an overwrite must be reported at
};

struct sezione_generata {
  std::string intestazione;
  std::vector<record_generato> records;
};

// Notes an author writes between records: no comma, no keyword.
const char* const NOTE[] = {"Note dell'autore",          "linea di prova",   "parte alta della valle",
                            "--- seconda parte ---",     "- - -",            "ultimo tratto in piano",
                            "  rivedere con il capotreno"};
const char* const NOMI[] = {"CASTREA / KESTL", "Kestl S\xFC" "d", "Ponte d'Orvia", "Pr\xE0" " Alto",
                            "Lago (bivio)",    "Stra\xDF" "e",    "Sela Bassa",   "Citt\xE0" " Vecchia"};
// Names an editor on Windows saves with its own letters (a curly apostrophe, the euro).
const char* const NOMI_WINDOWS[] = {"Sant\x92" "Anna", "Bivio \x80 Nord", "Pr\xE0 d\x92" "Orvia"};
// Keywords spelt otherwise, each recognised by its own record's test alone: the reading
// takes them, and says how it read them.
const std::pair<const char*, const char*> ALTRE_FORME[] = {
    {"lunghezza percorso", "Lunghezza del percorso"}, {"progressiva chilometrica tre", "progressiva tre"},
    {"progressiva chilometrica due", "progressiva km due"}, {"progressiva chilometrica uno", "progressiva uno"},
    {"sfondo uno", "sfondo numero uno"}, {"sfondo due", "sfondo due (cielo)"}, {"sfondo tre", "sfondo tre"},
    {"ripetizione segnali 4 codici", "ripetizione segnali a 4"}, {"ripetizione segnali 9 codici", "ripetizione segnali 9"},
    {"pendenza", "pendenza media"}, {"montagna", "Montagna (lato)"}, {"indicatori_vmax", "indicatori_v max"},
    {"cartello_indicatore", "cartello indicatore"}, {"percentuale massa frenata", "massa frenata (%)"},
    {"numero vetture", "vetture"}, {"velocita", "limite di velocit\xE0"}, {"aderenza", "Aderenza del binario"},
    {"orologio", "orologio iniziale"}, {"sabbia", "sabbia (kg)"}, {"segnale", "segnale luminoso"},
    {"rallentamento", "rallentamento programmato"}, {"abbattimento", "punto di abbattimento"},
    {"stazione", "stazione di"}};
const char* const CARTELLI[] = {"(GALLERIA   )(VALMORA 1  )", "(P.L.     )(Km. 4.743)", "FINE GALLERIA",
                                "Stra\xDF" "e", "(PONTE SUL  )(TORRENTE   )"};

// The cells of the track: what holds each (0 free, 1 an object, 2 kept clear around a
// slow-down for the finishing pass), and which carry an approach code.
class celle {
 public:
  explicit celle(int64_t ultima) : stato_(static_cast<size_t>(ultima + 1), 0), preavviso_(stato_.size(), false) {}
  bool libera(int64_t c) const { return c >= 0 && c < dimensione() && stato_[static_cast<size_t>(c)] == 0; }
  bool preavviso_libero(int64_t c) const { return c < 0 || c >= dimensione() || !preavviso_[static_cast<size_t>(c)]; }
  void occupa(int64_t c, uint8_t come = 1) {
    if (c >= 0 && c < dimensione()) stato_[static_cast<size_t>(c)] = come;
  }
  void segna_preavviso(int64_t c) {
    if (c >= 0 && c < dimensione()) preavviso_[static_cast<size_t>(c)] = true;
  }
  int64_t dimensione() const { return static_cast<int64_t>(stato_.size()); }

 private:
  std::vector<uint8_t> stato_;
  std::vector<bool> preavviso_;
};

// A station's area end and stop cell, by kind, as the format places them.
int64_t fine_stazione(int64_t p, int64_t tipo, int64_t lunghezza, int64_t opzione3) {
  if (tipo == 5 || tipo == 6) return p + 150;
  if (tipo == 7 || tipo == 8) return p + lunghezza;
  return p + lunghezza / 2 + (opzione3 != 0 ? 50 : 0);
}
int64_t inizio_stazione(int64_t p, int64_t tipo, int64_t lunghezza) {
  if (tipo >= 5 && tipo <= 8) return p - lunghezza;
  return p - lunghezza / 2;
}

class generatore {
 public:
  generatore(uint64_t seme, sovrascrittura s, bool sciolti) : r_(seme), s_(s), sciolti_(sciolti) {}

  testi_generati genera() {
    // Half the loose texts keep to what author mode takes as written.
    solo_autore_ = sciolti_ && r_.moneta();
    esito_.per_autore = !sciolti_ || solo_autore_;
    if (antico(3)) s_ = static_cast<sovrascrittura>(r_.tra(1, 6));
    L_ = 50 * r_.tra(100, 1200) + (r_.moneta(4) ? r_.tra(1, 49) : 0);
    if (sciolto(6)) L_ = r_.tra(0, 3000);
    ultima_ = arrotonda(static_cast<double>(L_ + 7000) / 50);
    celle_.emplace(ultima_);
    // Up to here the objects may go: past the line's end into the run-on too, loose
    // texts up to the last position the reading takes, (p + 100) / 50 = N.
    fino_a_ = L_ + (r_.moneta(3) ? 4000 : 0);
    if (sciolto(3)) fino_a_ = 50 * ultima_ - 100;
    generale_linea();
    stazioni();
    rallentamenti();
    segnali();
    cartelli();
    abbattimenti();
    curve();
    profilo("pendenza", pendenze_, -30, 40, 1);
    montagne();
    generale_treno();
    profilo("velocita", velocita_, 4, 32, 5);
    profilo("aderenza", aderenze_, 40, 120, 1);
    sovrascrivi();
    return emetti();
  }

 private:
  // ---- Drawing ---------------------------------------------------------------------------

  void generale_linea() {
    auto& g = generale_.records;
    g.push_back({"lunghezza percorso", {L_}});
    const char* nomi[] = {"progressiva chilometrica uno", "progressiva chilometrica due",
                          "progressiva chilometrica tre"};
    std::vector<std::vector<int64_t>> terne(3, {0, 0, 0});
    if (s_ == sovrascrittura::progressiva) {
      // Two share the furthest start: the ordering clears all three.
      const int64_t inizio = 50 * r_.tra(2, std::max<int64_t>(2, L_ / 50));
      terne[0] = {inizio, 50 * r_.tra(1, 3000), r_.tra(0, 1)};
      terne[1] = {inizio, 50 * r_.tra(1, 3000), r_.tra(0, 1)};
      terne[2] = {50 * r_.tra(0, inizio / 50 - 1), 50 * r_.tra(1, 3000), 0};
    } else if (sciolto(2)) {
      // All from the origin: the ordering goes by their counts, the first positive of
      // uno, due, tre; none positive clears all three (a loss author mode refuses).
      for (auto& t : terne) t = {0, 50 * r_.tra(-100, 4000), r_.tra(0, 1)};
      if (solo_autore_) terne[r_.sotto(3)][1] = 50 * r_.tra(1, 4000);
      if (r_.moneta(3)) {
        // Two share a start below the furthest one.
        const int64_t inizio = 50 * r_.tra(1, std::max<int64_t>(1, L_ / 100));
        terne[0] = {inizio, 50 * r_.tra(-100, 4000), r_.tra(0, 1)};
        terne[1] = {inizio, 50 * r_.tra(-100, 4000), r_.tra(0, 1)};
        terne[2] = {inizio + 50 * r_.tra(1, 100), 50 * r_.tra(-100, 4000), r_.tra(0, 1)};
      }
    } else if (r_.moneta()) {
      // One numbering from the origin: a positive count keeps it whatever its slot.
      terne[static_cast<size_t>(r_.sotto(3))] = {0, 50 * r_.tra(1, 4000), r_.tra(0, 1)};
    } else {
      // Distinct starts, the furthest alone.
      std::set<int64_t> inizi;
      while (inizi.size() < 3) inizi.insert(50 * r_.tra(0, std::max<int64_t>(2, L_ / 50)));
      std::vector<int64_t> v(inizi.begin(), inizi.end());
      for (size_t k = 0; k < 3; ++k) terne[k] = {v[k], 50 * r_.tra(-2000, 4000), r_.tra(0, 1)};
    }
    std::vector<size_t> ordine = {0, 1, 2};
    mescola(ordine);
    for (size_t k : ordine) {
      record_generato p{nomi[k], terne[k], {}, true};
      p.segnato = s_ == sovrascrittura::progressiva && k == 0;
      g.push_back(p);
    }
    const char* sfondi[] = {"sfondo uno", "sfondo due", "sfondo tre"};
    for (const char* nome : sfondi) {
      const int64_t estremi[] = {INT32_MIN, INT32_MAX, -1};
      g.push_back({nome, {sciolto(3) ? estremi[r_.sotto(3)] : r_.tra(0, 9)}, {}, true});
    }
    if (s_ == sovrascrittura::generale) g.push_back({"sfondo due", {g[5].valori[0] + 1 + r_.tra(0, 5)}, {}, true});
    const int64_t a = 50 * r_.tra(0, L_ / 100);
    g.push_back({r_.moneta() ? "ripetizione segnali 4 codici" : "ripetizione segnali 9 codici",
                 {a, r_.moneta(4) ? 0 : 50 * r_.tra(sciolti_ ? 0 : a / 50, L_ / 50)}, {}, true});
    mescola(g, 1);  // the line length first, the rest in any order
    if (s_ == sovrascrittura::generale) {
      // The same background twice with two values: the one written first is lost.
      for (record_generato& x : g) {
        if (x.parola == "sfondo due") {
          x.segnato = true;
          break;
        }
      }
    }
  }

  // The room a slow-down from x over l needs (its cells and the finishing pass's around
  // them) free but for cell `tranne`, kept clear of every other object; false when taken.
  bool stanza_rallentamento(int64_t x, int64_t l, int64_t tranne = -1) {
    const int64_t s = arrotonda(static_cast<double>(x) / 50 + 1);
    const int64_t e = arrotonda(static_cast<double>(x + l) / 50 + 1);
    const int64_t w = arrotonda(static_cast<double>(x - 1200) / 50 + 1);
    const int64_t da = std::max<int64_t>(x > 1500 ? w - 4 - 21 : s - 21, 0);
    const int64_t a = e + 14;
    if (a >= ultima_ - 2) return false;
    for (int64_t q = da; q <= a; ++q) {
      if (q != tranne && !celle_->libera(q)) return false;
    }
    for (int64_t q = da; q <= a; ++q) {
      if (q != tranne) celle_->occupa(q, 2);
    }
    return true;
  }

  // Slow-downs: their cells, and the room the finishing pass needs around them kept clear
  // of every other object.
  void rallentamenti() {
    for (int64_t n = r_.tra(0, sciolti_ ? 5 : 3); n > 0; --n) {
      // Loose: one so short that its end falls in its start's cell, where the set keeps no end.
      const int64_t l = antico(4) ? r_.tra(1, 80) : r_.tra(50, 1500);
      // Loose: also where no warning board fits (x up to 1500) and just past it.
      const int64_t x = sciolto(3) ? r_.tra(0, 1560) : r_.tra(1600, std::max<int64_t>(1600, fino_a_ - l - 700));
      const int64_t s = arrotonda(static_cast<double>(x) / 50 + 1);
      const int64_t e = arrotonda(static_cast<double>(x + l) / 50 + 1);
      const int64_t w = arrotonda(static_cast<double>(x - 1200) / 50 + 1);
      const int64_t f_ta = sciolto(5) ? 7 : r_.tra(0, 1);
      // Off the 50 m steps the first advance cell, round((x - 1200) / 50), can be the
      // warning's own: the slow-down would take its own cell.
      const int64_t h = arrotonda(static_cast<double>(x - 1200) / 50);
      if ((e <= s && !sciolti_) || (f_ta != 0 && x > 1500 && h >= w) || !stanza_rallentamento(x, l)) continue;
      // A slow-down below 0 km/h means nothing: only the reading of old takes one.
      const int64_t v = sciolto(4) ? r_.tra(solo_autore_ ? 0 : -5, 300) : 10 * r_.tra(2, 14);
      const int64_t f_tt = sciolto(4) ? r_.tra(-32768, 32767) : r_.tra(0, 3);
      const int64_t d_v = r_.moneta() ? 0 : sciolto(4) ? r_.tra(-32768, 32767) : r_.tra(1, 9);
      oggetti_.push_back({"rallentamento", {x, v, l, f_tt, f_ta, d_v}});
    }
  }

  void stazioni() {
    const int64_t tipi[] = {11, 12, 24, 30, 5, 6, 7, 12};
    int64_t fine_prec = INT64_MIN / 2;
    int64_t orario = 6 * 3600 + r_.tra(0, 3600);
    std::set<std::string> nomi;
    for (int64_t n = r_.tra(sciolti_ ? 0 : 1, sciolti_ ? 14 : 9); n > 0; --n) {
      const bool prima = stazioni_.empty();
      // Loose: any kind (those from 25 up have no stop), the first one too, and any length.
      const int64_t tipo = sciolto(2) ? (r_.moneta(8) ? 255 : r_.tra(0, 40)) : prima ? 8 : tipi[r_.sotto(8)];
      const int64_t lunghezza = sciolti_ ? 100 * r_.tra(0, 16) : prima ? 300 : 100 * r_.tra(1, 8);
      const int64_t terza = sciolto(4) ? r_.tra(2, 255) : r_.tra(0, 1);
      int64_t p = prima && !sciolti_ ? 0 : 50 * ((fine_prec + 350 + lunghezza) / 50 + r_.tra(prima ? 0 : 1, 80));
      if (prima && sciolti_) p = std::max<int64_t>(p, 0);
      if (!prima && inizio_stazione(p, tipo, lunghezza) - 350 < fine_prec) p += 50 * (lunghezza / 50 + 2);
      const int64_t fine = fine_stazione(p, tipo, lunghezza, terza);
      if (p > std::min(fino_a_, 50 * ultima_ - 900) || fine / 50 + 1 > ultima_) break;
      const int64_t fermata = arrotonda(static_cast<double>(fine) / 50 - 1);
      if (tipo < 25) {
        bool libero = celle_->libera(fermata) && fermata > 1;
        // Loose: a stop's approach codes may fall on a signal's.
        const bool sopra = antico(5);
        for (int64_t j = 1; j <= 4 && !sopra; ++j) libero = libero && celle_->preavviso_libero(fermata - j);
        if (!libero) break;
        celle_->occupa(fermata);
        if (tipo != 5 && tipo != 6) {
          for (int64_t j = 1; j <= 4; ++j) {
            if (static_cast<double>(fine) / 50 - static_cast<double>(j) - 1 > 1) celle_->segna_preavviso(fermata - j);
          }
        }
      }
      std::string nome = NOMI[r_.sotto(std::size(NOMI))];
      if (sciolto(4)) nome = NOMI_WINDOWS[r_.sotto(std::size(NOMI_WINDOWS))];
      if (!nomi.insert(nome).second && !sciolti_) nome += " " + std::to_string(nomi.size());
      nomi.insert(nome);
      if (sciolto(12)) nome.clear();
      std::vector<int64_t> v = {p, tipo, lunghezza, r_.tra(0, 2), r_.tra(0, 1), terza, r_.tra(0, 5), r_.tra(0, 5),
                                r_.tra(0, 1), r_.tra(0, 9), r_.tra(0, 9), r_.tra(0, 9), r_.tra(0, 60), orario / 3600,
                                orario % 3600 / 60, orario % 60};
      if (sciolto(3)) {
        // Every option, value and stop over its field's range; a time of none, or past midnight.
        for (size_t k : {3, 4, 8, 12}) v[k] = r_.tra(0, 255);
        for (size_t k : {6, 7, 9, 10, 11}) v[k] = r_.tra(-32768, 32767);
        if (r_.moneta()) v[13] = v[14] = v[15] = 0;
        else if (r_.moneta(3)) v[13] = r_.tra(24, 40);
      }
      stazioni_.push_back({"stazione", v, nome});
      fermate_.push_back(tipo < 25 ? fermata : -1);
      fine_prec = fine;
      orario += r_.tra(60, 1200);
    }
  }

  // A position whose object cell, round(p / 50 + scarto), is free; nothing after some tries.
  std::optional<int64_t> posto_libero(int scarto) {
    for (int tentativi = 0; tentativi < 20; ++tentativi) {
      int64_t p = r_.moneta(3) ? r_.tra(100, fino_a_) : 50 * r_.tra(2, fino_a_ / 50);
      // Loose: from the origin, and right beside another object.
      if (sciolto(6)) p = r_.tra(-25, 200);
      if (sciolto(3) && !vicini_.empty()) p = vicini_[static_cast<size_t>(r_.sotto(static_cast<int64_t>(vicini_.size())))] + 50 * r_.tra(-1, 1);
      const int64_t c = arrotonda(static_cast<double>(p) / 50 + scarto);
      if (c > 1 && c <= ultima_ - 2 && celle_->libera(c) && (p + 100) / 50.0 <= static_cast<double>(ultima_)) {
        vicini_.push_back((c - 1) * 50);
        celle_->occupa(c);
        return p;
      }
    }
    return std::nullopt;
  }

  void segnali() {
    for (int64_t n = r_.tra(0, sciolti_ ? 24 : 12); n > 0; --n) {
      for (int tentativi = 0; tentativi < 20; ++tentativi) {
        int64_t p = 50 * r_.tra(2, fino_a_ / 50);
        // Loose: off the 50 m steps, from the origin (approach cells before cell 0), beside another.
        if (sciolto(3)) p += r_.tra(-24, 24);
        if (sciolto(8)) p = r_.tra(0, 400);
        if (sciolto(4) && !vicini_.empty()) p = vicini_[static_cast<size_t>(r_.sotto(static_cast<int64_t>(vicini_.size())))] + 50 * r_.tra(-2, 2);
        const int64_t k = arrotonda(static_cast<double>(p) / 50 + 1);
        bool libero = k > 1 && k <= ultima_ - 2 && celle_->libera(k) && (p + 100) / 50.0 <= static_cast<double>(ultima_);
        // Loose: approach codes over another's (the last written holds).
        const bool sopra = antico(5);
        for (int64_t b = 1; b <= 4 && !sopra; ++b) libero = libero && celle_->preavviso_libero(k - 2 * b);
        if (!libero) continue;
        celle_->occupa(k);
        vicini_.push_back((k - 1) * 50);
        for (int64_t b = 1; b <= 4; ++b) celle_->segna_preavviso(k - 2 * b);
        int64_t sx = r_.tra(0, 3);
        int64_t dx = r_.tra(0, 2);
        const int64_t tempi[] = {0, 0, 50, 120, 255};
        int64_t tempo = tempi[r_.sotto(5)];
        std::vector<int64_t> luci(6);
        for (int64_t& l : luci) l = r_.tra(0, 6);
        int64_t rapp = r_.tra(0, 3);
        if (sciolto(3)) {
          // Every value the cell keeps as written: aspects up to 25 (sx x 3 + dx, the
          // approach codes' tens), kinds whose code still fits 16 bits, any time, and lights
          // whose pair 10 x s + d gives both back: d one digit of the sign of s.
          sx = r_.tra(0, 8);
          dx = r_.tra(0, std::min<int64_t>(2, 25 - 3 * sx));
          for (size_t k = 0; k < 3; ++k) {
            luci[k] = r_.tra(-50, 300);
            luci[k + 3] = luci[k] > 0 ? r_.tra(0, 9) : luci[k] < 0 ? r_.tra(-9, 0) : r_.tra(-9, 9);
          }
          rapp = r_.tra(-300, 3000);
          // The time is kept (0 to 255) only by a first side showing 2.
          const int64_t altri_tempi[] = {1, 100, 101, 256, 300, -5, -300};
          tempo = altri_tempi[r_.sotto(sx == 2 ? 3 : 7)];
        }
        oggetti_.push_back({"segnale", {p, sx, luci[0], luci[1], luci[2], rapp, dx, luci[3], luci[4], luci[5], tempo}});
        break;
      }
    }
  }

  void cartelli() {
    for (int64_t n = r_.tra(0, 6); n > 0; --n) {
      if (const auto p = posto_libero(1)) corpo_.push_back({"cartello_indicatore", {*p}, CARTELLI[r_.sotto(std::size(CARTELLI))]});
    }
    for (int64_t n = r_.tra(0, 5); n > 0; --n) {
      const auto p = posto_libero(1);
      if (!p) continue;
      // The second set may be left empty: it reads as no second set.
      const bool seconda = r_.moneta();
      // Loose: any speed of the 16-bit coding, in both sets. The first set's speed is
      // kept in hundreds of steps of 5 km/h, so off the steps it would spill into the
      // second's; the second's is kept at the nearest step.
      const auto kmh = [&] { return sciolto(3) ? 5 * r_.tra(0, 320) : 5 * r_.tra(6, 30); };
      std::vector<int64_t> v = {*p, kmh(), kmh(), kmh(), r_.tra(0, sciolti_ ? 9 : 2)};
      for (int k = 0; k < 4; ++k) v.push_back(seconda ? (k < 3 ? (sciolto(3) ? r_.tra(0, 490) : 5 * r_.tra(6, 30)) : r_.tra(0, 2)) : VUOTO);
      if (!seconda) v.back() = 0;
      corpo_.push_back({"indicatori_vmax", v});
    }
  }

  void abbattimenti() {
    for (int64_t n = r_.tra(0, sciolti_ ? 8 : 4); n > 0; --n) {
      const int64_t valori[] = {0, 1, 60, 120, 170, -5, 180, 250, 32767};
      if (const auto p = posto_libero(0)) oggetti_.push_back({"abbattimento", {*p, valori[r_.sotto(sciolti_ ? 9 : 6)]}});
    }
  }

  // Curves one after another, touching or apart.
  void curve() {
    int64_t cursore = 0;
    for (int64_t n = r_.tra(0, 10); n > 0; --n) {
      int64_t p = cursore + (r_.moneta(4) ? 0 : r_.tra(1, 3000));
      int64_t l = r_.tra(1, 900);
      // Loose: a curve starting inside the one before, or before it, or of no length.
      if (antico(4)) p = std::max<int64_t>(0, cursore - r_.tra(1, 600));
      if (antico(10)) l = 0;  // a curve that turns nothing
      if (p + l > fino_a_) break;
      const std::string parola = std::string("curva") + (r_.moneta() ? "s" : "d") + std::to_string(r_.tra(1, 6));
      curve_.push_back({parola, {p, l}});
      cursore = p + l;
    }
  }

  // A profile: a record at 0 or not, then values at rising cells.
  void profilo(const char* parola, std::vector<record_generato>& dove, int64_t da, int64_t a, int64_t passo) {
    int64_t cella = -1;
    const auto valore = [&] {
      // Loose: the field's whole range, off the format's steps.
      if (sciolto(4)) return parola == std::string("pendenza") ? r_.tra(-100, 155)
                                             : parola == std::string("velocita") ? r_.tra(0, 1277) : r_.tra(0, 255);
      return passo * r_.tra(da, a);
    };
    if (r_.moneta()) {
      dove.push_back({parola, {0, valore()}});
      cella = 0;
    }
    for (int64_t n = r_.tra(0, 10); n > 0; --n) {
      cella += r_.tra(1, fino_a_ / 50 / 8 + 1);
      const int64_t p = 50 * cella + (r_.moneta(3) ? r_.tra(0, 24) : 0);
      if (p > fino_a_) break;
      dove.push_back({parola, {p, valore()}});
    }
    if (!sciolti_) return;
    // Loose: several records at one place (each after the first writes one cell more), at
    // the last place a record may stand, so that the values reach the last cells. Only the
    // reading of old takes two values of a profile in one cell.
    if (antico(3)) {
      const int64_t p = r_.moneta() ? 50 * ultima_ - 100 : (dove.empty() ? 0 : dove.back().valori[0]);
      for (int64_t k = r_.tra(1, 4); k > 0; --k) dove.push_back({parola, {p, valore()}});
    }
    // Out of order: a record behind the one before writes the next cell all the same.
    if (antico(5) && dove.size() > 2) mescola(dove, dove.size() - 3);
  }

  // Stretches one after another, of a cell at least.
  void montagne() {
    int64_t cursore = 0;
    for (int64_t n = r_.tra(0, sciolti_ ? 10 : 6); n > 0; --n) {
      int64_t a = 50 * (cursore / 50 + r_.tra(0, 40));
      int64_t b = a + 50 * r_.tra(1, 60);
      // Type 0 marks nothing: only the reading of old takes it.
      int64_t tipo = antico(10) ? 0 : r_.tra(1, 20);
      // Loose: every type; off the 50 m steps; from before the origin; overlapping the
      // one before, or backwards (the reading of old only).
      if (sciolto(3)) tipo = r_.tra(solo_autore_ ? 1 : 0, 265);  // type 0 marks nothing
      if (sciolto(3)) a += r_.tra(-24, 24);
      if (sciolto(3)) b += r_.tra(-24, 24);
      if (montagne_.empty() && sciolto(8)) a = -r_.tra(1, 300);
      if (solo_autore_ && !montagne_.empty()) a = std::max(a, cursore + 50);  // no cell of the one before
      if (antico(5)) a = std::max<int64_t>(-200, cursore - r_.tra(0, 1500));
      if (antico(12)) std::swap(a, b);
      if (solo_autore_) b = std::max(b, a + 50);
      if (std::max(a, b) > fino_a_) break;
      montagne_.push_back({"montagna", {a, b, tipo}});
      cursore = std::max(cursore, b);
    }
    if (antico(6)) mescola(montagne_);
  }

  void generale_treno() {
    auto& g = generale_treno_;
    g.push_back({"numero vetture", {r_.tra(1, 12)}});
    g.push_back({"percentuale massa frenata", {r_.tra(50, 150)}});
    g.push_back({"sabbia", {r_.tra(0, 500)}});
    g.push_back({"orologio", {r_.tra(0, 23), r_.tra(0, 59), r_.tra(0, 59)}});
    mescola(g);
  }

  // ---- The one overwrite -----------------------------------------------------------------

  void sovrascrivi() {
    switch (s_) {
      case sovrascrittura::sotto_fermata: sotto_fermata(); return;
      case sovrascrittura::preavviso: preavviso(); return;
      case sovrascrittura::montagna: sopra_montagna(); return;
      case sovrascrittura::curva: dentro_curva(); return;
      default: return;
    }
  }

  // A station of kind below 25 other than the first, and its stop cell; -1 when none.
  int64_t stazione_con_fermata() {
    std::vector<size_t> adatte;
    for (size_t k = 1; k < stazioni_.size(); ++k) {
      if (fermate_[k] > 2) adatte.push_back(k);
    }
    return adatte.empty() ? -1 : static_cast<int64_t>(adatte[static_cast<size_t>(r_.sotto(static_cast<int64_t>(adatte.size())))]);
  }

  void sotto_fermata() {
    const int64_t k = stazione_con_fermata();
    if (k < 0) return;
    const int64_t c = fermate_[static_cast<size_t>(k)];
    record_generato o;
    switch (r_.sotto(sciolti_ ? 8 : 4)) {
      case 0: o = {"cartello_indicatore", {(c - 1) * 50 + r_.tra(0, 24)}, std::string("(COPERTO)")}; break;
      case 1: o = {"indicatori_vmax", {(c - 1) * 50, 80, 85, 90, 0, 0, 0, 0, 0}}; break;
      case 2: o = {"segnale", {(c - 1) * 50, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0}}; break;
      case 3: o = {"abbattimento", {c * 50, 60}}; break;
      default: {
        // Loose: a slow-down with its start, end, warning board or first advance cell on
        // the stop.
        const int64_t l = 300;
        const int64_t xs[] = {(c - 1) * 50, (c - 1) * 50 - l, (c + 23) * 50, c * 50 + 1200};
        const int64_t x = xs[r_.sotto(4)];
        if (x <= 1500 || !stanza_rallentamento(x, l, c)) return;
        o = {"rallentamento", {x, 10 * r_.tra(2, 14), l, r_.tra(0, 3), 1, r_.moneta() ? 0 : r_.tra(1, 9)}};
        break;
      }
    }
    o.segnato = true;
    if (o.parola == "cartello_indicatore" || o.parola == "indicatori_vmax") {
      corpo_.push_back(o);
    } else {
      // Before the station in the text, wherever the sections put it.
      prima_della_stazione_ = static_cast<size_t>(k);
      iniettato_ = o;
    }
  }

  void preavviso() {
    const int64_t k = stazione_con_fermata();
    if (k < 0 || stazioni_[static_cast<size_t>(k)].valori[1] == 5 || stazioni_[static_cast<size_t>(k)].valori[1] == 6) return;
    // The signal in the cell after the stop: its first approach code falls on the stop's.
    const int64_t c = fermate_[static_cast<size_t>(k)] + 1;
    if (!celle_->libera(c)) return;
    celle_->occupa(c);
    record_generato o{"segnale", {(c - 1) * 50, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0}};
    o.segnato = true;
    prima_della_stazione_ = static_cast<size_t>(k);
    iniettato_ = o;
  }

  void sopra_montagna() {
    if (montagne_.empty()) return;
    record_generato& m = montagne_[static_cast<size_t>(r_.sotto(static_cast<int64_t>(montagne_.size())))];
    const int64_t a = m.valori[0];
    const int64_t b = m.valori[1];
    if (b - a < 100) return;
    m.segnato = true;
    // Written after it, from inside it: its cells from there on take the new type.
    const int64_t da = a + 50 * r_.tra(1, (b - a) / 50 - 1);
    montagne_.push_back({"montagna", {da, da + 50 * r_.tra(1, 20), r_.tra(0, 20)}});
  }

  void dentro_curva() {
    if (curve_.empty()) return;
    const size_t i = static_cast<size_t>(r_.sotto(static_cast<int64_t>(curve_.size())));
    const int64_t p = curve_[i].valori[0];
    const int64_t l = curve_[i].valori[1];
    if (l < 2) return;
    // Another turn than the curve it starts in (the same turn would be held as written).
    const std::string& sua = curve_[i].parola;
    const std::string altra = std::string("curva") + (sua[5] == 's' ? "d" : "s") + std::to_string(r_.tra(1, 6));
    record_generato o{altra, {p + r_.tra(0, l - 2), r_.tra(1, 400)}};
    o.segnato = true;
    curve_.insert(curve_.begin() + static_cast<std::ptrdiff_t>(i) + 1, o);
  }

  // ---- Writing ---------------------------------------------------------------------------

  template <typename T>
  void mescola(std::vector<T>& v, size_t da = 0) {
    for (size_t i = v.size(); i > da + 1; --i) {
      std::swap(v[i - 1], v[da + static_cast<size_t>(r_.sotto(static_cast<int64_t>(i - da)))]);
    }
  }

  // A keyword as an author may spell it: its case changed where case does not count,
  // blanks before it.
  std::string parola(const record_generato& x) {
    std::string p = x.parola;
    if (antico(25) && !x.segnato) {
      for (const auto& [forma, altra] : ALTRE_FORME) {
        if (p == forma) return altra;
      }
      if (p.starts_with("curva")) return std::string(p[5] == 's' ? "curva sinistra " : "curva d ") + p.substr(6);
    }
    if (!x.esatto) {
      switch (r_.sotto(4)) {
        case 0:
          for (char& c : p) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
          break;
        case 1: p[0] = static_cast<char>(p[0] - 32); break;
        default: break;
      }
    }
    if (r_.moneta(5)) p.insert(0, r_.moneta() ? "  " : "\t");
    return p;
  }

  std::string separatore() {
    const char* sep[] = {", ", ",", " , ", ",\t", ",    "};
    return sep[r_.sotto(5)];
  }

  // One record as lines; `a_capo` puts its last value on the next line.
  void scrivi(std::string& testo, record_generato& x, int& riga) {
    if (x.segnato) {
      esito_.riga = riga;
    }
    std::string s = parola(x);
    // Not the record an overwrite is reported at: its own warning would speak for it.
    const bool a_capo = !x.segnato && x.valori.size() >= 2 && !solo_autore_ && r_.moneta(25);
    // A clock's three numbers may stand apart by blanks alone.
    const bool spazi = x.parola == "orologio" && r_.moneta(3);
    for (size_t k = 0; k < x.valori.size(); ++k) {
      if (a_capo && k + 1 == x.valori.size() && !x.testo) {
        // No comma before the line end: that would be an empty value.
        s += fine_ + " ";
        ++riga;
        esito_.su_due_righe = true;
      } else {
        s += spazi && k > 0 ? "   " : separatore();
      }
      if (x.valori[k] != VUOTO) s += std::to_string(x.valori[k]);
    }
    if (x.testo) s += separatore() + *x.testo;
    if (r_.moneta(6)) s += "  ";
    testo += s + fine_;
    ++riga;
  }

  void scrivi_note(std::string& testo, int& riga) {
    while (r_.moneta(6)) {
      testo += (r_.moneta(3) ? std::string() : std::string(NOTE[r_.sotto(std::size(NOTE))])) + fine_;
      ++riga;
    }
  }

  void scrivi_sezione(std::string& testo, sezione_generata& z, int& riga) {
    testo += z.intestazione + fine_;
    ++riga;
    for (record_generato& x : z.records) {
      scrivi_note(testo, riga);
      scrivi(testo, x, riga);
    }
  }

  testi_generati emetti() {
    fine_ = r_.moneta() ? "\r\n" : "\n";
    std::string l = r_.moneta() ? "Linea di prova" + fine_ : std::string();
    int riga = l.empty() ? 1 : 2;
    generale_.intestazione = "[generale]";
    scrivi_sezione(l, generale_, riga);
    std::vector<sezione_generata> corpo = {{"[curve]", curve_},
                                           {"[pendenze]", pendenze_},
                                           {"[montagne]", montagne_},
                                           {"[cartelli]", corpo_}};
    mescola(corpo);
    for (sezione_generata& z : corpo) scrivi_sezione(l, z, riga);
    l += "[fine]" + fine_;
    esito_.in_linea = esito_.riga != 0;

    std::string t = r_.moneta() ? "Corsa di prova" + fine_ : std::string();
    riga = t.empty() ? 1 : 2;
    sezione_generata g{"[generale]", generale_treno_};
    // The stations in their order along the line, the other objects before, after or among
    // them; the overwriting signal or point before its station.
    std::vector<record_generato> mista;
    size_t k = 0;
    mescola(oggetti_);
    for (record_generato& o : oggetti_) {
      while (k < stazioni_.size() && r_.moneta(3)) aggiungi_stazione(mista, k++);
      mista.push_back(o);
    }
    while (k < stazioni_.size()) aggiungi_stazione(mista, k++);
    std::vector<sezione_generata> sezioni = {{"[aderenze]", aderenze_},
                                             {"[vel_limite]", velocita_},
                                             {"[stazioni]", mista},
                                             {"[codici]", {}}};
    mescola(sezioni);
    scrivi_sezione(t, g, riga);
    for (sezione_generata& z : sezioni) scrivi_sezione(t, z, riga);
    t += "[fine]" + fine_;
    esito_.linea = codifica(l);
    esito_.treno = codifica(t);
    return esito_;
  }

  void aggiungi_stazione(std::vector<record_generato>& mista, size_t k) {
    if (iniettato_ && prima_della_stazione_ == k) mista.push_back(*iniettato_);
    mista.push_back(stazioni_[k]);
  }

  // The whole text in ISO 8859-1 as drawn, or in UTF-8.
  std::string codifica(const std::string& latin1) {
    if (utf8_ == -1) utf8_ = r_.moneta() ? 1 : 0;
    if (utf8_ == 0) return latin1;
    // The Windows-1252 letters a drawn name may hold (the curly apostrophe at 0x92, the
    // euro at 0x80) as an editor writes them in UTF-8; every other byte as the core converts it.
    std::string u = sciolto(4) ? "\xEF\xBB\xBF" : "";
    for (const char c : latin1) {
      const auto b = static_cast<unsigned char>(c);
      u += b == 0x92 ? "\xE2\x80\x99" : b == 0x80 ? "\xE2\x82\xAC" : latin1_in_utf8(std::string_view(&c, 1));
    }
    return u;
  }

  static constexpr int64_t VUOTO = INT64_MIN;  // a value left empty

  casuale r_;
  sovrascrittura s_;
  bool sciolti_ = false;
  bool solo_autore_ = false;  // loose, but only as author mode takes texts
  // A loose feature drawn one time in `su`; one that only the reading of old takes.
  bool sciolto(int su) { return sciolti_ && r_.moneta(su); }
  bool antico(int su) { return sciolti_ && !solo_autore_ && r_.moneta(su); }
  std::vector<int64_t> vicini_;  // objects placed so far, for others beside them
  int64_t L_ = 0, ultima_ = 0, fino_a_ = 0;
  std::optional<celle> celle_;
  sezione_generata generale_;
  std::vector<record_generato> generale_treno_, curve_, pendenze_, montagne_, corpo_, velocita_, aderenze_,
      oggetti_, stazioni_;
  std::vector<int64_t> fermate_;
  std::optional<record_generato> iniettato_;
  size_t prima_della_stazione_ = 0;
  std::string fine_ = "\r\n";
  int utf8_ = -1;
  testi_generati esito_;
};

}  // namespace

testi_generati testi_liberi(uint64_t seme, sovrascrittura s) { return generatore(seme, s, false).genera(); }

testi_generati testi_sciolti(uint64_t seme) { return generatore(seme, sovrascrittura::nessuna, true).genera(); }

}  // namespace scenario::prova
