#include "lsp/navigazione.h"

#include <algorithm>
#include <charconv>

#include "lsp/testi.h"

namespace scenario::lsp {

namespace {

std::optional<int64_t> numero(std::string_view riga, const std::vector<elemento>& e, size_t i) {
  if (i >= e.size()) return std::nullopt;
  const std::string_view s = riga.substr(e[i].da, e[i].a - e[i].da);
  int64_t v = 0;
  const auto [fine, errore] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (errore != std::errc() || fine != s.data() + s.size()) return std::nullopt;
  return v;
}

// The index of the field `nome` with unit `unita` of `r`, if it has one.
std::optional<size_t> indice(const formato::record& r, std::string_view nome, std::string_view unita) {
  for (size_t i = 0; i < r.campi.size(); ++i) {
    if (r.campi[i].nome == nome && r.campi[i].unita == unita) return i;
  }
  return std::nullopt;
}

// The stretch a record written as `riga` covers, from its position `p`.
void copri(record_posto& x, std::string_view riga, const std::vector<elemento>& e, int64_t p) {
  const formato::record& r = *x.r;
  const auto valore = [&](std::optional<size_t> i) { return i ? numero(riga, e, *i + 1) : std::nullopt; };
  x.posizione = x.da = x.a = p;
  if (const auto l = valore(indice(r, "l", "m"))) {
    x.a = p + std::max<int64_t>(*l, 0);
    x.tratto = true;
  } else if (const auto fine = valore(indice(r, "fine", "m"))) {
    x.da = std::min(p, *fine);
    x.a = std::max(p, *fine);
    x.tratto = true;
  } else if (const auto lunghezza = valore(indice(r, "lunghezza", "m"));
             lunghezza && r.campi[*indice(r, "lunghezza", "m")].in_set.come == formato::codifica_campo::area) {
    const formato::area_stazione area = formato::area_di_stazione(p, valore(indice(r, "tipo", "")).value_or(0),
                                                                   *lunghezza, valore(indice(r, "opzione3", "")).value_or(0));
    x.da = std::min(area.inizio, p);
    x.a = std::max(area.fine, p);
    x.tratto = true;
  } else if (r.tipo_oggetto != 0) {
    // The metres whose cell, round(p / 50 + offset), is the object's.
    const int64_t inizio = formato::posizione_in_cella(r, cella_di(r, p));
    x.da = inizio - 25;
    x.a = inizio + 24;
  }
}

}  // namespace

std::vector<record_posto> records_posti(std::string_view testo, formato::testo t) {
  const std::vector<size_t> inizi = inizi_righe(testo);
  const std::vector<riga_letta> lette = righe_lette(testo, inizi, t);
  std::vector<record_posto> esito;
  for (size_t n = 0; n < lette.size(); ++n) {
    const formato::record* r = lette[n].r;
    if (r == nullptr || r->campi.empty() || !r->campi.front().posizione_lungo_linea) continue;
    const std::string_view riga = riga_di(testo, inizi, static_cast<int64_t>(n));
    const std::vector<elemento> e = elementi_riga(riga, r);
    const auto p = numero(riga, e, 1);
    if (!p) continue;
    record_posto x;
    x.riga = static_cast<int64_t>(n);
    x.r = r;
    x.parola = e.front();
    for (size_t i = 0; i < r->campi.size() && i + 1 < e.size(); ++i) {
      if (r->campi[i].letto == formato::lettura::testo && e[i + 1].a > e[i + 1].da) x.nome = e[i + 1];
    }
    copri(x, riga, e, *p);
    esito.push_back(x);
  }
  return esito;
}

const record_posto* record_in_riga(const std::vector<record_posto>& records, int64_t riga) {
  const auto it = std::find_if(records.begin(), records.end(), [&](const record_posto& x) { return x.riga == riga; });
  return it == records.end() ? nullptr : &*it;
}

const record_posto* nome_in(const std::vector<record_posto>& records, int64_t riga, size_t byte) {
  const record_posto* x = record_in_riga(records, riga);
  if (x == nullptr || !x->nome || byte < x->nome->da || byte > x->nome->a) return nullptr;
  return x;
}

}  // namespace scenario::lsp
