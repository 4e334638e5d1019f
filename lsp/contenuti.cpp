#include "lsp/contenuti.h"

#include <charconv>

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

elemento senza_spazi(std::string_view riga, size_t da, size_t a) {
  while (da < a && (riga[da] == ' ' || riga[da] == '\t')) ++da;
  while (a > da && (riga[a - 1] == ' ' || riga[a - 1] == '\t')) --a;
  return {da, a};
}

std::string minuscolo(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return r;
}

// The section a header line opens ("[stazioni]"), or nothing for any other line.
std::optional<std::string> intestazione(std::string_view riga) {
  const elemento e = senza_spazi(riga, 0, riga.size());
  const std::string_view t = taglia(riga, e);
  if (t.empty() || t.front() != '[') return std::nullopt;
  const size_t chiusa = t.find(']');
  if (chiusa == std::string_view::npos) return std::nullopt;
  return minuscolo(t.substr(0, chiusa + 1));
}

// The section that line `riga` stands in: the last header above it (or on it).
std::string sezione_della_riga(std::string_view testo, const std::vector<size_t>& inizi, int64_t riga) {
  for (int64_t r = riga; r >= 0; --r) {
    if (auto s = intestazione(riga_di(testo, inizi, r))) return *s;
  }
  return "";
}

formato::ambito ambito_di(formato::testo t, std::string_view sezione) {
  return t == formato::testo::linea && sezione == "[generale]" ? formato::ambito::generale : formato::ambito::corpo;
}

const record* record_di(std::string_view riga, formato::testo t, std::string_view sezione) {
  const auto elementi = elementi_riga(riga, nullptr);
  const std::string_view parola = taglia(riga, elementi.front());
  if (parola.empty() || intestazione(riga)) return nullptr;
  for (const record& r : formato::records(t, ambito_di(t, sezione))) {
    if (formato::riconosce(r, parola)) return &r;
  }
  return nullptr;
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

// The cell a position lands on, by the rule its field's storage names, else the general
// rule round(p / 50 + 1).
int64_t cella_della_posizione(const campo& c, int64_t p) {
  const double x = static_cast<double>(p) / 50.0;
  if (c.memoria.find("/ 50 + 1)") == std::string_view::npos && c.memoria.find("/ 50)") != std::string_view::npos) {
    return arrotonda(x);
  }
  return arrotonda(x + 1.0);
}

std::string intervallo_ammesso(const campo& c) {
  if (c.letto == lettura::testo) return "testo fino a fine riga, senza virgole";
  const auto [minimo, massimo] = formato::limiti_lettura(c.letto);
  if (c.minimo == minimo && c.massimo == massimo) {
    return "da " + std::to_string(minimo) + " a " + std::to_string(massimo) + " (campo a " +
           (c.letto == lettura::numero32 ? "32" : c.letto == lettura::numero16 ? "16" : "8") + " bit)";
  }
  return "da " + std::to_string(c.minimo) + " a " + std::to_string(c.massimo);
}

std::string descrivi_record(const record& r) {
  return "**" + std::string(r.parola) + "**: " + std::string(r.significato) + "\n\n`" + formato::modello_record(r) +
         "`\n\nsezione " + std::string(r.sezione);
}

std::string descrivi_campo(const record& r, const campo& c, std::string_view scritto) {
  std::string s = "**" + std::string(c.nome) + "**";
  if (!c.unita.empty()) s += " (" + std::string(c.unita) + ")";
  s += " di `" + std::string(r.parola) + "`: " + std::string(c.significato);
  if (!scritto.empty()) s += "\n\nvalore scritto: `" + std::string(scritto) + "`";
  s += "\n\nvalori ammessi: " + intervallo_ammesso(c);
  s += "\n\nnei file compilati: " + std::string(c.memoria);
  return s;
}

// Where a record lands along the line: its position, the kilometre, the cell.
std::string dove_cade(const record& r, std::string_view riga, const std::vector<elemento>& elementi,
                      const std::optional<progressive>& km) {
  const campo* c = campo_posizione(r);
  if (c == nullptr || elementi.size() < 2) return "";
  const auto p = numero(taglia(riga, elementi[1]));
  if (!p) return "";
  std::string s = "\n\n---\n\nposizione " + std::to_string(*p) + " m";
  if (km) {
    if (auto k = chilometro(*km, *p)) s += " · " + *k;
  }
  // A curve is drawn on the plan, metre by metre, not on a cell.
  if (c->memoria.find("plan") == std::string_view::npos) s += " · cella " + std::to_string(cella_della_posizione(*c, *p));
  return s;
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

std::string documenta_campi(const record& r) {
  std::string s = std::string(r.significato) + "\n\n";
  for (const campo& c : r.campi) {
    s += "- `" + std::string(c.nome) + "`";
    if (!c.unita.empty()) s += " (" + std::string(c.unita) + ")";
    s += ": " + std::string(c.significato) + "\n";
  }
  return s;
}

}  // namespace

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

std::vector<elemento> elementi_riga(std::string_view riga, const record* r) {
  // The item from which the rest of the line is one text value, if the record has one.
  size_t testo_da = SIZE_MAX;
  if (r != nullptr) {
    for (size_t i = 0; i < r->campi.size(); ++i) {
      if (r->campi[i].letto == lettura::testo) testo_da = i + 1;
    }
  }
  std::vector<elemento> elementi;
  size_t da = 0;
  while (true) {
    const size_t virgola = elementi.size() >= testo_da ? std::string_view::npos : riga.find(',', da);
    const size_t a = virgola == std::string_view::npos ? riga.size() : virgola;
    elementi.push_back(senza_spazi(riga, da, a));
    if (virgola == std::string_view::npos) break;
    da = virgola + 1;
  }
  return elementi;
}

const record* record_della_riga(std::string_view testo, int64_t riga, formato::testo t) {
  const std::vector<size_t> inizi = inizi_righe(testo);
  return record_di(riga_di(testo, inizi, riga), t, sezione_della_riga(testo, inizi, riga));
}

std::optional<testo_hover> hover(std::string_view testo, int64_t riga, size_t byte, formato::testo t,
                                 const std::optional<progressive>& km) {
  const std::vector<size_t> inizi = inizi_righe(testo);
  const std::string_view linea = riga_di(testo, inizi, riga);
  if (auto s = intestazione(linea)) {
    for (const formato::sezione& z : formato::sezioni(t)) {
      if (z.nome == *s) return testo_hover{"**" + std::string(z.nome) + "**: " + std::string(z.significato),
                                           senza_spazi(linea, 0, linea.size())};
    }
    return std::nullopt;
  }
  const record* r = record_di(linea, t, sezione_della_riga(testo, inizi, riga));
  if (r == nullptr) return std::nullopt;
  const std::vector<elemento> elementi = elementi_riga(linea, r);
  const size_t i = indice_elemento(elementi, byte);
  const std::string luogo = dove_cade(*r, linea, elementi, km);
  if (i == 0 || i > r->campi.size()) return testo_hover{descrivi_record(*r) + luogo, elementi[i]};
  const campo& c = r->campi[i - 1];
  return testo_hover{descrivi_campo(*r, c, taglia(linea, elementi[i])) + luogo, elementi[i]};
}

completamenti_riga completamenti(std::string_view testo, int64_t riga, size_t byte, formato::testo t) {
  const std::vector<size_t> inizi = inizi_righe(testo);
  const std::string_view linea = riga_di(testo, inizi, riga);
  byte = std::min(byte, linea.size());
  completamenti_riga esito;
  // Only the keyword item is completed: values are the author's.
  if (linea.substr(0, byte).find(',') != std::string_view::npos) return esito;
  esito.da = senza_spazi(linea, 0, byte).da;
  const std::string_view scritto = linea.substr(esito.da, byte - esito.da);
  for (const formato::sezione& z : formato::sezioni(t)) {
    esito.voci.push_back({std::string(z.nome), std::string(z.significato), "", std::string(z.nome), true});
  }
  if (scritto.starts_with("[")) return esito;
  const std::string sezione = sezione_della_riga(testo, inizi, riga - 1);
  for (const record& r : formato::records(t)) {
    if (r.sezione != sezione) continue;
    for (const std::string_view forma : r.forme) {
      esito.voci.push_back({std::string(forma), formato::modello_record(r), documenta_campi(r), snippet(r, forma), false});
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
    if (auto s = intestazione(linea)) {
      chiudi_sezione(riga - 1);
      sezione = *s;
      esito.push_back({simbolo::tipo::sezione, *s, "", riga, riga, senza_spazi(linea, 0, linea.size()), {}});
      continue;
    }
    const record* r = record_di(linea, t, sezione);
    if (r == nullptr) continue;
    const std::vector<elemento> elementi = elementi_riga(linea, r);
    // Named objects (stations, boards) by their text; objects placed on a cell by keyword
    // and position.
    std::optional<size_t> nome;
    for (size_t i = 0; i < r->campi.size(); ++i) {
      if (r->campi[i].letto == lettura::testo && i + 1 < elementi.size()) nome = i + 1;
    }
    const campo* posizione = campo_posizione(*r);
    if (!nome && (posizione == nullptr || posizione->memoria.find("kind") == std::string_view::npos)) continue;
    simbolo s;
    s.riga_da = s.riga_a = riga;
    s.dettaglio = std::string(r->significato);
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

}  // namespace scenario::lsp
