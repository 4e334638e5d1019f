#include "nucleo/impaginazione.h"

#include <algorithm>
#include <map>
#include <memory>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#include "lingue/catalogo.h"
#include "model/modello.h"
#include "output/file_compilati.h"
#include "text/righe_record.h"

namespace scenario {

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

std::string in_colonne(std::span<const riga_in_colonne> righe, size_t attesi) {
  // The width of each item, per section and record kind.
  using gruppo = std::pair<int64_t, const formato::record*>;
  std::map<gruppo, std::vector<size_t>> larghezze;
  for (const riga_in_colonne& x : righe) {
    if (x.r == nullptr) continue;
    std::vector<size_t>& l = larghezze[{x.sezione, x.r}];
    if (l.size() < x.elementi.size()) l.resize(x.elementi.size(), 0);
    for (size_t i = 0; i < x.elementi.size(); ++i) l[i] = std::max(l[i], x.elementi[i].size());
  }
  std::string esito;
  esito.reserve(attesi);
  for (const riga_in_colonne& x : righe) {
    // A header, a note, a record written without commas: as written.
    if (x.elementi.size() < 2) {
      esito.append(x.scritta).append(x.a_capo);
      continue;
    }
    const std::vector<size_t>& l = larghezze.at({x.sezione, x.r});
    const size_t nome = indice_testo(*x.r);
    const std::vector<std::string_view>& e = x.elementi;
    esito.append(e[0]).append(",").append(l[0] - e[0].size(), ' ');
    for (size_t i = 1; i < e.size(); ++i) {
      // An empty last value leaves no blank at the end of the line.
      if (i + 1 == e.size() && e[i].empty() && l[i] == 0) break;
      esito.push_back(' ');
      if (i == nome) {
        // The author's words, to the end of the line.
        esito.append(x.testo);
        break;
      }
      esito.append(l[i] - e[i].size(), ' ').append(e[i]);
      if (i + 1 < e.size()) esito.push_back(',');
    }
    esito.append(x.nota).append(x.a_capo);
  }
  return esito;
}

std::string impagina(std::string_view testo, formato::testo t) {
  const std::vector<size_t> inizi = inizi_righe(testo);
  const std::vector<riga_letta> lette = righe_lette(testo, inizi, t);
  std::vector<riga_in_colonne> righe(inizi.size());
  for (size_t n = 0; n < inizi.size(); ++n) {
    riga_in_colonne& x = righe[n];
    const std::string_view linea = riga_di(testo, inizi, static_cast<int64_t>(n));
    const size_t fine_riga = n + 1 < inizi.size() ? inizi[n + 1] : testo.size();
    x.scritta = linea;
    x.a_capo = testo.substr(inizi[n] + linea.size(), fine_riga - inizi[n] - linea.size());
    x.r = lette[n].r;
    x.sezione = lette[n].sezione;
    if (x.r == nullptr) continue;
    const std::vector<elemento> e = elementi_riga(linea, x.r);
    x.elementi.reserve(e.size());
    for (const elemento& i : e) x.elementi.push_back(taglia(linea, i));
    if (const size_t nome = indice_testo(*x.r); nome < e.size()) x.testo = linea.substr(e[nome].da);
    // A note after the last number, as written from where the number ends.
    if (const elemento nota = nota_dopo_valori(linea, e); nota.a > nota.da) x.nota = linea.substr(e.back().a);
  }
  return in_colonne(righe, testo.size() + testo.size() / 4);
}

namespace {

bool continuazione(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The text `prima` with lines `righe` taken from `dopo`, which has the same lines.
std::string solo_righe(std::string_view prima, std::string_view dopo, righe_scelte righe) {
  const std::vector<size_t> inizi_prima = inizi_righe(prima);
  const std::vector<size_t> inizi_dopo = inizi_righe(dopo);
  if (inizi_prima.size() != inizi_dopo.size()) return std::string(prima);
  const auto n = static_cast<int64_t>(inizi_prima.size());
  const int64_t da = std::clamp<int64_t>(righe.da, 0, n);
  const int64_t a = std::clamp<int64_t>(righe.a + 1, da, n);  // one past
  const auto inizio = [](std::string_view t, const std::vector<size_t>& inizi, int64_t r) {
    return r < static_cast<int64_t>(inizi.size()) ? inizi[static_cast<size_t>(r)] : t.size();
  };
  std::string esito(prima.substr(0, inizio(prima, inizi_prima, da)));
  const size_t dopo_da = inizio(dopo, inizi_dopo, da);
  esito.append(dopo.substr(dopo_da, inizio(dopo, inizi_dopo, a) - dopo_da));
  esito.append(prima.substr(inizio(prima, inizi_prima, a)));
  return esito;
}

}  // namespace

impaginato impagina_controllato(const richiesta& q, formato::testo quale, std::optional<righe_scelte> righe) {
  const testo_ingresso& prima = quale == formato::testo::linea ? q.testo_linea : q.testo_treno;
  if (!prima.byte) return {"", traduci("impagina.illeggibile", {{"perche", prima.motivo}})};
  impaginato esito{impagina(*prima.byte, quale), std::nullopt};
  if (righe) esito.testo = solo_righe(*prima.byte, esito.testo, *righe);
  if (esito.testo == *prima.byte) return esito;
  richiesta dopo = q;
  (quale == formato::testo::linea ? dopo.testo_linea : dopo.testo_treno).byte = esito.testo;
  if (!(compila(q) == compila(dopo))) {
    esito.rifiuto = traduci("impagina.cambierebbe");
  }
  return esito;
}

std::optional<std::vector<modifica_testo>> modifiche_righe(std::string_view prima, std::string_view dopo) {
  const std::vector<size_t> inizi_prima = inizi_righe(prima);
  const std::vector<size_t> inizi_dopo = inizi_righe(dopo);
  if (inizi_prima.size() != inizi_dopo.size()) return std::nullopt;
  std::vector<int64_t> cambiate;
  for (size_t n = 0; n < inizi_prima.size(); ++n) {
    const std::string_view p = riga_di(prima, inizi_prima, static_cast<int64_t>(n));
    const std::string_view d = riga_di(dopo, inizi_dopo, static_cast<int64_t>(n));
    // The line ends must agree: the layout keeps them.
    const size_t fine_p = n + 1 < inizi_prima.size() ? inizi_prima[n + 1] : prima.size();
    const size_t fine_d = n + 1 < inizi_dopo.size() ? inizi_dopo[n + 1] : dopo.size();
    if (prima.substr(inizi_prima[n] + p.size(), fine_p - inizi_prima[n] - p.size()) !=
        dopo.substr(inizi_dopo[n] + d.size(), fine_d - inizi_dopo[n] - d.size())) {
      return std::nullopt;
    }
    if (p != d) cambiate.push_back(static_cast<int64_t>(n));
  }
  std::vector<modifica_testo> modifiche;
  if (cambiate.size() <= RIGHE_UNA_A_UNA) {
    for (const int64_t n : cambiate) {
      const std::string_view p = riga_di(prima, inizi_prima, n);
      const std::string_view d = riga_di(dopo, inizi_dopo, n);
      // The stretch between what the two share at the start and at the end, whole characters.
      size_t inizio = 0;
      while (inizio < p.size() && inizio < d.size() && p[inizio] == d[inizio]) ++inizio;
      while (inizio > 0 && ((inizio < p.size() && continuazione(p[inizio])) || (inizio < d.size() && continuazione(d[inizio])))) {
        --inizio;
      }
      size_t coda = 0;
      while (coda < p.size() - inizio && coda < d.size() - inizio && p[p.size() - 1 - coda] == d[d.size() - 1 - coda]) ++coda;
      while (coda > 0 && (continuazione(p[p.size() - coda]) || continuazione(d[d.size() - coda]))) --coda;
      modifiche.push_back({n, inizio, n, p.size() - coda, std::string(d.substr(inizio, d.size() - coda - inizio))});
    }
    return modifiche;
  }
  // Emacs (eglot) applies each change through markers that every other change moves: 8000
  // changes of one line took it 12 s, the 40000 of a 1 MB text minutes, while 100 changes
  // of 400 lines each made that text in under 2 s.
  for (size_t i = 0; i < cambiate.size();) {
    size_t j = i;
    while (j + 1 < cambiate.size() && cambiate[j + 1] - cambiate[i] < RIGHE_PER_BLOCCO) ++j;
    const int64_t da = cambiate[i], a = cambiate[j];
    const std::string_view ultima_prima = riga_di(prima, inizi_prima, a);
    const std::string_view ultima_dopo = riga_di(dopo, inizi_dopo, a);
    const size_t inizio = inizi_dopo[static_cast<size_t>(da)];
    const size_t fine = static_cast<size_t>(ultima_dopo.data() - dopo.data()) + ultima_dopo.size();
    modifiche.push_back({da, 0, a, ultima_prima.size(), std::string(dopo.substr(inizio, fine - inizio))});
    i = j + 1;
  }
  return modifiche;
}

}  // namespace scenario
