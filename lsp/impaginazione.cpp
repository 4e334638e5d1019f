#include "lsp/impaginazione.h"

#include <map>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "lingue/catalogo.h"
#include "lsp/contenuti.h"
#include "lsp/testi.h"
#include "model/modello.h"
#include "output/file_compilati.h"

namespace scenario::lsp {

namespace {

std::string_view taglia(std::string_view s, elemento e) { return s.substr(e.da, e.a - e.da); }

// The item from which a record's value runs to the end of the line (a name), if any.
size_t indice_testo(const formato::record& r) {
  for (size_t i = 0; i < r.campi.size(); ++i) {
    if (r.campi[i].letto == formato::lettura::testo) return i + 1;
  }
  return SIZE_MAX;
}

// What the compiler makes of a pair: the three compiled files' bytes (made even where the
// texts have errors, so that a layout never changes a refused record into another) and
// the diagnostics by number and line.
struct insieme {
  std::string percorso, tabella;
  piano_tracciato tracciato;
  std::vector<std::tuple<int32_t, gravita, std::optional<int32_t>, std::string, int32_t>> diagnostiche;
  bool operator==(const insieme&) const = default;
};

insieme compila(const richiesta& q) {
  const auto m = std::make_unique<modello>();
  compila_modello(q, *m);
  insieme x{serializza_percorso(m->percorso), serializza_tabella(m->tabella), std::move(m->tracciato), {}};
  for (const diagnostica& d : m->diagnostiche) {
    x.diagnostiche.emplace_back(d.numero, d.livello, d.posizione, d.luogo ? d.luogo->file : std::string(),
                                d.luogo ? d.luogo->riga : 0);
  }
  return x;
}

}  // namespace

std::string impagina(std::string_view testo, formato::testo t) {
  const std::vector<size_t> inizi = inizi_righe(testo);
  const std::vector<riga_letta> lette = righe_lette(testo, inizi, t);
  // The width of each item, per section and record kind.
  using gruppo = std::pair<int64_t, const formato::record*>;
  std::map<gruppo, std::vector<size_t>> larghezze;
  std::vector<std::vector<elemento>> elementi(inizi.size());
  for (size_t n = 0; n < inizi.size(); ++n) {
    if (lette[n].r == nullptr) continue;
    elementi[n] = elementi_riga(riga_di(testo, inizi, static_cast<int64_t>(n)), lette[n].r);
    std::vector<size_t>& l = larghezze[{lette[n].sezione, lette[n].r}];
    if (l.size() < elementi[n].size()) l.resize(elementi[n].size(), 0);
    for (size_t i = 0; i < elementi[n].size(); ++i) l[i] = std::max(l[i], elementi[n][i].a - elementi[n][i].da);
  }
  std::string esito;
  esito.reserve(testo.size() + testo.size() / 4);
  for (size_t n = 0; n < inizi.size(); ++n) {
    const std::string_view linea = riga_di(testo, inizi, static_cast<int64_t>(n));
    const size_t fine_riga = n + 1 < inizi.size() ? inizi[n + 1] : testo.size();
    const std::string_view a_capo = testo.substr(inizi[n] + linea.size(), fine_riga - inizi[n] - linea.size());
    // A header, a note, a record written without commas: as written.
    if (elementi[n].size() < 2) {
      esito.append(linea).append(a_capo);
      continue;
    }
    const std::vector<size_t>& l = larghezze[{lette[n].sezione, lette[n].r}];
    const size_t nome = indice_testo(*lette[n].r);
    const std::vector<elemento>& e = elementi[n];
    esito.append(taglia(linea, e[0])).append(",").append(l[0] - (e[0].a - e[0].da), ' ');
    for (size_t i = 1; i < e.size(); ++i) {
      // An empty last value leaves no blank at the end of the line.
      if (i + 1 == e.size() && e[i].a == e[i].da && l[i] == 0) break;
      esito.push_back(' ');
      if (i == nome) {
        // The author's words, to the end of the line.
        esito.append(linea.substr(e[i].da));
        break;
      }
      esito.append(l[i] - (e[i].a - e[i].da), ' ').append(taglia(linea, e[i]));
      if (i + 1 < e.size()) esito.push_back(',');
    }
    // A note after the last number, as written from where the number ends.
    if (const elemento nota = nota_dopo_valori(linea, e); nota.a > nota.da) esito.append(linea.substr(e.back().a));
    esito.append(a_capo);
  }
  return esito;
}

impaginato impagina_controllato(const richiesta& q, formato::testo quale) {
  const testo_ingresso& prima = quale == formato::testo::linea ? q.testo_linea : q.testo_treno;
  if (!prima.byte) return {"", traduci("impagina.illeggibile", {{"perche", prima.motivo}})};
  impaginato esito{impagina(*prima.byte, quale), std::nullopt};
  if (esito.testo == *prima.byte) return esito;
  richiesta dopo = q;
  (quale == formato::testo::linea ? dopo.testo_linea : dopo.testo_treno).byte = esito.testo;
  if (!(compila(q) == compila(dopo))) {
    esito.rifiuto = traduci("impagina.cambierebbe");
  }
  return esito;
}

}  // namespace scenario::lsp
