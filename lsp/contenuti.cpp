#include "lsp/contenuti.h"

#include <algorithm>
#include <charconv>

#include "lingue/catalogo.h"
#include "lingue/parole_formato.h"
#include "lsp/testi.h"
#include "model/numeri.h"

namespace scenario::lsp {

namespace {

using formato::campo;
using formato::lettura;
using formato::record;

bool finisce_con(std::string_view s, std::string_view coda) {
  return s.size() > coda.size() && s.substr(s.size() - coda.size()) == coda;
}

std::string_view taglia(std::string_view s, elemento e) { return s.substr(e.da, e.a - e.da); }

// The section that line `riga` stands in: the last header above it (or on it). A line past
// the end stands in the last line's section, found from the last line: the walk is as long
// as the text, whatever line is asked for.
std::string sezione_della_riga(std::string_view testo, const std::vector<size_t>& inizi, int64_t riga) {
  for (int64_t r = std::min(riga, static_cast<int64_t>(inizi.size()) - 1); r >= 0; --r) {
    if (auto s = intestazione_di(riga_di(testo, inizi, r))) return *s;
  }
  return "";
}

std::optional<int64_t> numero(std::string_view s) {
  int64_t v = 0;
  const auto [fine, errore] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (errore != std::errc() || fine != s.data() + s.size()) return std::nullopt;
  return v;
}

// The index of the item that holds byte `byte`: commas before it, text fields to the end.
size_t indice_elemento(const std::vector<elemento>& elementi, size_t byte) {
  for (size_t i = 1; i < elementi.size(); ++i) {
    // Item i begins after the comma that ends item i - 1.
    if (byte <= elementi[i - 1].a) return i - 1;
    if (byte < elementi[i].da && byte > elementi[i - 1].a) {
      // Between an item and a comma, or a comma and the next item: the nearer one's.
      return byte <= elementi[i - 1].a + 1 ? i - 1 : i;
    }
  }
  return elementi.size() - 1;
}

// The first field of a record that places it along the line: a position in metres, any
// whole number the track then accepts or refuses (a length has a range of its own).
const campo* campo_posizione(const record& r) {
  if (r.campi.empty()) return nullptr;
  const campo& c = r.campi.front();
  const bool posizione = c.unita == "m" && c.letto == lettura::numero32 &&
                         c.minimo == formato::limiti_lettura(lettura::numero32).first;
  return posizione ? &c : nullptr;
}

// Whether a value of the record is kept in `dove`.
bool tenuto_in(const record& r, formato::sede dove) {
  for (const campo& c : r.campi) {
    if (c.in_set.dove == dove) return true;
  }
  return false;
}

// The cell a record's position lands on: an object's own cell, round(p / 50 + its offset);
// round(p / 50) for the profiles and the mountain-side stretches, which fill from there;
// the general rule round(p / 50 + 1) for the rest.
int64_t cella_della_posizione(const record& r, int64_t p) {
  const double x = static_cast<double>(p) / 50.0;
  if (r.tipo_oggetto != 0) return arrotonda(x + r.scarto_cella);
  if (tenuto_in(r, formato::sede::profilo) || tenuto_in(r, formato::sede::tratto)) return arrotonda(x);
  return arrotonda(x + 1.0);
}

// A curve is drawn on the plan, metre by metre, not on a cell.
bool nel_piano(const record& r) { return tenuto_in(r, formato::sede::piano); }

}  // namespace

int64_t cella_di(const record& r, int64_t p) { return cella_della_posizione(r, p); }

testo_doppio& testo_doppio::testo(std::string_view x) {
  markdown += x;
  // The catalogue's words mark a name of the compiled files as a code span; plain text
  // shows the name alone.
  for (const char c : x) {
    if (c != '`') semplice.push_back(c);
  }
  return *this;
}

testo_doppio& testo_doppio::forte(std::string_view x) {
  markdown += "**" + std::string(x) + "**";
  semplice += x;
  return *this;
}

testo_doppio& testo_doppio::codice(std::string_view x) {
  // A value that holds a backtick is fenced by two, with blanks that markdown drops.
  const bool doppio = x.find('`') != std::string_view::npos;
  markdown += (doppio ? "`` " : "`") + std::string(x) + (doppio ? " ``" : "`");
  semplice += x;
  return *this;
}

testo_doppio& testo_doppio::separatore() {
  markdown += "\n\n---\n\n";
  semplice += "\n\n";
  return *this;
}

namespace {

std::string intervallo_ammesso(const campo& c) {
  if (c.letto == lettura::testo) return traduci("lsp.campo_testo");
  const auto [minimo, massimo] = formato::limiti_lettura(c.letto);
  if (c.minimo == minimo && c.massimo == massimo) {
    return traduci("lsp.campo_intero", {{"minimo", minimo}, {"massimo", massimo},
                                        {"bit", c.letto == lettura::numero32 ? 32 : c.letto == lettura::numero16 ? 16 : 8}});
  }
  return traduci("lsp.campo_da_a", {{"minimo", c.minimo}, {"massimo", c.massimo}});
}

testo_doppio descrivi_record(const record& r) {
  testo_doppio d;
  d.forte(r.parola).testo(": ").testo(rendi(significato_record(r))).testo("\n\n").codice(formato::modello_record(r));
  d.testo("\n\n").testo(traduci("lsp.sezione", {{"sezione", std::string(r.sezione)}}));
  return d;
}

// Where a record lands along the line: its position, the kilometre, the cell.
void dove_cade(testo_doppio& d, const record& r, std::string_view riga, const std::vector<elemento>& elementi,
               const std::optional<progressive>& km) {
  const campo* c = campo_posizione(r);
  if (c == nullptr || elementi.size() < 2) return;
  const auto p = numero(taglia(riga, elementi[1]));
  if (!p) return;
  d.separatore().testo(traduci("lsp.posizione", {{"metri", *p}}));
  if (km) {
    if (auto k = chilometro(*km, *p)) d.testo(" · " + *k);
  }
  if (!nel_piano(r)) d.testo(" · " + traduci("lsp.cella", {{"cella", cella_della_posizione(r, *p)}}));
}

// The keyword and a comma for each value, for a client that takes no snippet: the values
// are typed in, with the signature help naming each.
std::string senza_snippet(const record& r, std::string_view parola) {
  std::string s(parola);
  for (size_t i = 0; i < r.campi.size(); ++i) s += ", ";
  return s.substr(0, s.size() - (r.campi.empty() ? 0 : 1));
}

std::string snippet(const record& r, std::string_view parola) {
  std::string s(parola);
  int n = 1;
  for (const campo& c : r.campi) {
    s += ", ${" + std::to_string(n++) + ":";
    for (const char x : c.nome) {
      if (x == '$' || x == '}' || x == '\\') s.push_back('\\');
      s.push_back(x);
    }
    s += "}";
  }
  return s;
}

testo_doppio documenta_campi(const record& r) {
  testo_doppio d;
  d.testo(rendi(significato_record(r))).testo("\n\n");
  for (const campo& c : r.campi) {
    d.testo("- ").codice(c.nome);
    if (!c.unita.empty()) d.testo(" (").testo(c.unita).testo(")");
    d.testo(": ").testo(rendi(significato_campo(r, c))).testo("\n");
  }
  return d;
}

}  // namespace

std::string unita_e_limiti(const campo& c) {
  return c.unita.empty() ? intervallo_ammesso(c) : std::string(c.unita) + ", " + intervallo_ammesso(c);
}

testo_doppio descrivi_campo(const record& r, const campo& c, std::string_view scritto) {
  testo_doppio d;
  d.forte(c.nome);
  if (!c.unita.empty()) d.testo(" (").testo(c.unita).testo(")");
  d.testo(" ").testo(traduci("lsp.di_record")).testo(" ").codice(r.parola).testo(": ").testo(rendi(significato_campo(r, c)));
  if (!scritto.empty()) d.testo("\n\n").testo(traduci("lsp.valore_scritto")).testo(" ").codice(scritto);
  d.testo("\n\n").testo(traduci("lsp.valori_ammessi")).testo(" ").testo(intervallo_ammesso(c));
  d.testo("\n\n").testo(traduci("lsp.nei_file_compilati")).testo(" ").testo(rendi(memoria_campo(r, c)));
  return d;
}

std::optional<formato::testo> tipo_da_nome(std::string_view nome_file) {
  const size_t barra = nome_file.rfind('/');
  if (barra != std::string_view::npos) nome_file.remove_prefix(barra + 1);
  if (finisce_con(nome_file, "_linea.txt")) return formato::testo::linea;
  if (finisce_con(nome_file, "-.txt")) return formato::testo::treno;
  return std::nullopt;
}

std::optional<std::string> chilometro(const progressive& km, int64_t p) {
  // The entries come ordered by decreasing start: the first that has begun holds.
  for (const progressiva& k : km) {
    if (k.inizio > p) continue;
    const int64_t m = formato::chilometro_di(k.valore, k.flag, p);
    const int64_t a = m < 0 ? -m : m;
    std::string metri = std::to_string(a % 1000);
    metri.insert(0, 3 - metri.size(), '0');
    return std::string("km ") + (m < 0 ? "-" : "") + std::to_string(a / 1000) + "+" + metri;
  }
  return std::nullopt;
}

const record* record_della_riga(std::string_view testo, int64_t riga, formato::testo t) {
  const std::vector<size_t> inizi = inizi_righe(testo);
  return record_della_sezione(riga_di(testo, inizi, riga), t, sezione_della_riga(testo, inizi, riga));
}

std::optional<testo_hover> hover(std::string_view testo, int64_t riga, size_t byte, formato::testo t,
                                 const std::optional<progressive>& km) {
  const std::vector<size_t> inizi = inizi_righe(testo);
  const std::string_view linea = riga_di(testo, inizi, riga);
  if (auto s = intestazione_di(linea)) {
    for (const formato::sezione& z : formato::sezioni(t)) {
      if (z.nome != *s) continue;
      testo_doppio d;
      d.forte(z.nome).testo(": ").testo(rendi(significato_sezione(z)));
      return testo_hover{d, senza_spazi_attorno(linea, 0, linea.size())};
    }
    return std::nullopt;
  }
  const record* r = record_della_sezione(linea, t, sezione_della_riga(testo, inizi, riga));
  if (r == nullptr) return std::nullopt;
  const std::vector<elemento> elementi = elementi_riga(linea, r);
  // A note after the values describes nothing of the record.
  const elemento nota = nota_dopo_valori(linea, elementi);
  if (nota.a > nota.da && byte >= nota.da) return std::nullopt;
  const size_t i = indice_elemento(elementi, byte);
  testo_doppio d = i == 0 || i > r->campi.size() ? descrivi_record(*r)
                                                  : descrivi_campo(*r, r->campi[i - 1], taglia(linea, elementi[i]));
  dove_cade(d, *r, linea, elementi, km);
  return testo_hover{d, elementi[i]};
}

std::vector<int64_t> valori_da_offrire(const campo& c) {
  constexpr int64_t AL_PIU = 10;
  if (c.letto == lettura::testo) return {};
  const int64_t da = std::max({c.minimo, c.inteso.minimo, c.solito.minimo});
  const int64_t a = std::min({c.massimo, c.inteso.massimo, c.solito.massimo});
  std::vector<int64_t> valori;
  if (a < da || a - da >= AL_PIU) return valori;
  for (int64_t v = da; v <= a; ++v) valori.push_back(v);
  return valori;
}

namespace {

// The values of the field the cursor stands on, in a record the reading knows.
completamenti_riga completa_valore(std::string_view testo, const std::vector<size_t>& inizi, int64_t riga,
                                   std::string_view linea, size_t byte, formato::testo t) {
  completamenti_riga esito;
  const record* r = record_della_sezione(linea, t, sezione_della_riga(testo, inizi, riga));
  if (r == nullptr) return esito;
  const std::vector<elemento> elementi = elementi_riga(linea, r);
  const size_t i = indice_elemento(elementi, byte);
  if (i == 0 || i > r->campi.size()) return esito;
  const campo& c = r->campi[i - 1];
  esito.da = std::min(elementi[i].da, byte);
  testo_doppio d;
  d.testo(rendi(significato_campo(*r, c)));
  if (formato::con_senso(c)) d.testo("\n\n").testo(rendi(senso_campo(*r, c)));
  for (const int64_t v : valori_da_offrire(c)) {
    const std::string scritto = std::to_string(v);
    completamento x{scritto, std::string(c.nome) + " (" + unita_e_limiti(c) + ")", d, scritto, scritto, false, true};
    esito.voci.push_back(std::move(x));
  }
  return esito;
}

// Whether the text holds a record of kind `r` on a line of its own.
bool presente(std::string_view testo, const std::vector<size_t>& inizi, formato::testo t, const record& r) {
  for (const riga_letta& l : righe_lette(testo, inizi, t)) {
    if (l.r == &r) return true;
  }
  return false;
}

}  // namespace

completamenti_riga completamenti(std::string_view testo, int64_t riga, size_t byte, formato::testo t) {
  const std::vector<size_t> inizi = inizi_righe(testo);
  const std::string_view linea = riga_di(testo, inizi, riga);
  byte = std::min(byte, linea.size());
  completamenti_riga esito;
  // After the keyword, the values.
  if (linea.substr(0, byte).find(',') != std::string_view::npos) return completa_valore(testo, inizi, riga, linea, byte, t);
  esito.da = senza_spazi_attorno(linea, 0, byte).da;
  const std::string_view scritto = linea.substr(esito.da, byte - esito.da);
  // Headers where one may begin: nothing typed yet, or a bracket.
  const bool intestazioni = scritto.empty() || scritto.front() == '[';
  for (const formato::sezione& z : formato::sezioni(t)) {
    if (!intestazioni) break;
    esito.voci.push_back(
        {std::string(z.nome), rendi(significato_sezione(z)), {}, std::string(z.nome), std::string(z.nome), true});
  }
  if (!scritto.empty() && scritto.front() == '[') return esito;
  const std::string sezione = sezione_della_riga(testo, inizi, riga - 1);
  for (const record& r : formato::records(t)) {
    if (r.sezione != sezione) continue;
    // A general record stands once in a text: a second one would replace the first.
    if ((r.dove == formato::ambito::generale || r.sezione == "[generale]") && presente(testo, inizi, t, r)) continue;
    // Each spelling (a curve's side and class) with its own keyword in the detail.
    const std::string valori = formato::modello_record(r).substr(r.parola.size());
    for (const std::string_view forma : r.forme) {
      esito.voci.push_back({std::string(forma), std::string(forma) + valori, documenta_campi(r), snippet(r, forma),
                            senza_snippet(r, forma), false});
    }
  }
  return esito;
}

std::vector<simbolo> simboli(std::string_view testo, formato::testo t) {
  const std::vector<size_t> inizi = inizi_righe(testo);
  std::vector<simbolo> esito;
  std::string sezione;
  const auto chiudi_sezione = [&](int64_t ultima) {
    if (!esito.empty() && esito.back().quale == simbolo::tipo::sezione) esito.back().riga_a = ultima;
  };
  for (size_t n = 0; n < inizi.size(); ++n) {
    const auto riga = static_cast<int64_t>(n);
    const std::string_view linea = riga_di(testo, inizi, riga);
    if (auto s = intestazione_di(linea)) {
      chiudi_sezione(riga - 1);
      sezione = *s;
      esito.push_back({simbolo::tipo::sezione, *s, "", riga, riga, senza_spazi_attorno(linea, 0, linea.size()), {}});
      continue;
    }
    const record* r = record_della_sezione(linea, t, sezione);
    if (r == nullptr) continue;
    const std::vector<elemento> elementi = elementi_riga(linea, r);
    // Named objects (stations, boards) by their text; objects placed on a cell by keyword
    // and position.
    std::optional<size_t> nome;
    for (size_t i = 0; i < r->campi.size(); ++i) {
      if (r->campi[i].letto == lettura::testo && i + 1 < elementi.size()) nome = i + 1;
    }
    const campo* posizione = campo_posizione(*r);
    if (!nome && (posizione == nullptr || r->tipo_oggetto == 0)) continue;
    simbolo s;
    s.riga_da = s.riga_a = riga;
    s.dettaglio = rendi(significato_record(*r));
    if (nome) {
      s.quale = t == formato::testo::treno ? simbolo::tipo::stazione : simbolo::tipo::cartello;
      s.nome = std::string(taglia(linea, elementi[*nome]));
      s.selezione = elementi[*nome];
      if (elementi.size() > 1) s.dettaglio = std::string(r->parola) + " " + std::string(taglia(linea, elementi[1])) + " m";
    } else {
      s.nome = std::string(r->parola) + (elementi.size() > 1 ? " " + std::string(taglia(linea, elementi[1])) + " m" : "");
      s.selezione = elementi[0];
    }
    if (s.nome.empty()) s.nome = std::string(r->parola);
    if (!esito.empty() && esito.back().quale == simbolo::tipo::sezione) {
      esito.back().figli.push_back(std::move(s));
    } else {
      esito.push_back(std::move(s));
    }
  }
  chiudi_sezione(static_cast<int64_t>(inizi.size()) - 1);
  return esito;
}

std::optional<firma_riga> firma(std::string_view testo, int64_t riga, size_t byte, formato::testo t) {
  const std::vector<size_t> inizi = inizi_righe(testo);
  const std::string_view linea = riga_di(testo, inizi, riga);
  const record* r = record_della_sezione(linea, t, sezione_della_riga(testo, inizi, riga));
  if (r == nullptr) return std::nullopt;
  byte = std::min(byte, linea.size());
  const std::vector<elemento> elementi = elementi_riga(linea, r);
  const size_t i = indice_elemento(elementi, byte);
  const elemento nota = nota_dopo_valori(linea, elementi);
  firma_riga f{r, std::nullopt};
  if (i > 0 && i <= r->campi.size() && (nota.a == nota.da || byte < nota.da)) f.campo = i - 1;
  return f;
}

bool da_riempire(std::string_view riga, size_t byte) {
  return byte >= riga.size() || riga.find_first_not_of(" \t,", byte) == std::string_view::npos;
}

std::vector<suggerimento> suggerimenti(std::string_view testo, int64_t da, int64_t a, formato::testo t,
                                       const std::optional<progressive>& km) {
  const std::vector<size_t> inizi = inizi_righe(testo);
  std::vector<suggerimento> esito;
  std::string sezione = sezione_della_riga(testo, inizi, da);
  a = std::min(a, static_cast<int64_t>(inizi.size()) - 1);
  for (int64_t riga = da; riga <= a; ++riga) {
    const std::string_view linea = riga_di(testo, inizi, riga);
    if (auto s = intestazione_di(linea)) sezione = *s;
    const record* r = record_della_sezione(linea, t, sezione);
    if (r == nullptr) continue;
    const std::vector<elemento> elementi = elementi_riga(linea, r);
    const campo* posizione = campo_posizione(*r);
    for (size_t i = 1; i < elementi.size() && i <= r->campi.size(); ++i) {
      const campo& c = r->campi[i - 1];
      const std::string_view scritto = taglia(linea, elementi[i]);
      if (scritto.empty() || c.letto == lettura::testo) continue;
      std::optional<std::string> etichetta;
      if (&c == posizione) {
        if (const auto p = numero(scritto); p && km) etichetta = chilometro(*km, *p);
      } else if (!c.unita.empty()) {
        etichetta = std::string(c.unita);
      }
      if (etichetta) esito.push_back({riga, elementi[i].a, *etichetta});
    }
  }
  return esito;
}

std::vector<piega> pieghe(std::string_view testo, formato::testo t) {
  const std::vector<size_t> inizi = inizi_righe(testo);
  std::vector<piega> esito;
  for (const simbolo& s : simboli(testo, t)) {
    if (s.quale != simbolo::tipo::sezione) continue;
    // Blank lines after a section's last record stay open.
    int64_t a = s.riga_a;
    while (a > s.riga_da && riga_di(testo, inizi, a).find_first_not_of(" \t") == std::string_view::npos) --a;
    if (a > s.riga_da) esito.push_back({s.riga_da, a});
  }
  return esito;
}

std::vector<pezzo> pezzi(std::string_view testo, formato::testo t, int64_t da, int64_t a) {
  const std::vector<size_t> inizi = inizi_righe(testo);
  std::vector<pezzo> esito;
  da = std::max<int64_t>(da, 0);
  if (static_cast<size_t>(da) >= inizi.size() || a < da) return esito;
  std::string sezione = da > 0 ? sezione_della_riga(testo, inizi, da - 1) : "";
  const size_t ultima = static_cast<size_t>(std::min<int64_t>(a, static_cast<int64_t>(inizi.size()) - 1));
  for (size_t n = static_cast<size_t>(da); n <= ultima; ++n) {
    const auto riga = static_cast<int64_t>(n);
    const std::string_view linea = riga_di(testo, inizi, riga);
    const elemento tutta = senza_spazi_attorno(linea, 0, linea.size());
    if (tutta.da == tutta.a) continue;
    if (auto s = intestazione_di(linea)) {
      sezione = *s;
      esito.push_back({riga, tutta, gettone::sezione});
      continue;
    }
    const record* r = record_della_sezione(linea, t, sezione);
    const std::vector<elemento> elementi = elementi_riga(linea, r);
    // An unknown word followed by a number is a record the reading does not know; any
    // other line without a record is a note.
    const bool sconosciuta = r == nullptr && elementi.size() > 1 && elementi[0].a > elementi[0].da &&
                             numero(taglia(linea, elementi[1])).has_value();
    if (r == nullptr && !sconosciuta) {
      esito.push_back({riga, tutta, gettone::nota});
      continue;
    }
    esito.push_back({riga, elementi[0], sconosciuta ? gettone::parola_sconosciuta : gettone::parola});
    for (size_t i = 1; i < elementi.size(); ++i) {
      if (elementi[i].a == elementi[i].da) continue;
      const bool nome = r != nullptr && i <= r->campi.size() && r->campi[i - 1].letto == lettura::testo;
      esito.push_back({riga, elementi[i], nome ? gettone::testo : gettone::numero});
    }
    if (const elemento nota = nota_dopo_valori(linea, elementi); nota.a > nota.da) esito.push_back({riga, nota, gettone::nota});
  }
  return esito;
}

}  // namespace scenario::lsp
