// Fuzz target of the decoder of the compiled files: arbitrary bytes as each of the three
// files, then as a whole set.
//
// The input's first six bytes choose how the rest is split into geometry, table and
// track: two 24-bit little-endian lengths, taken modulo what is left; each part is decoded alone and then the set
// is decoded together, and a decoded set goes through every view and gives its texts back. An input without
// geometry whose table gives a line of at most 10 km is completed with the plan of that line straight: so a
// table and a track of a few kilobytes reach the whole set, and the inputs stay small. Besides what the
// sanitizers catch, the run stops when:
//  - a decoder accepts bytes that do not have the size the decoded value writes back
//    (15 bytes a cell; 34 + name bytes an entry; 2, 4 or 10 bytes a tagged value);
//  - an error points past the end of its file or names another file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "output/decodifica.h"
#include "output/file_compilati.h"
#include "vista/json.h"
#include "vista/pagina.h"
#include "vista/resoconto.h"
#include "vista/scheda.h"
#include "vista/testi_indietro.h"

namespace {

void ferma(const char* perche) {
  std::fprintf(stderr, "fuzz_decodifica: %s\n", perche);
  std::abort();
}

template <typename T>
void controlla_errore(const scenario::esito_decodifica<T>& e, std::string_view byte, const std::string& file) {
  if (e) return;
  if (e.errore.byte > byte.size()) ferma("errore oltre la fine del file");
  if (e.errore.file != file) ferma("errore che nomina un altro file");
}

size_t leggi24(const uint8_t* d) { return d[0] | (size_t{d[1]} << 8) | (size_t{d[2]} << 16); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t dimensione) {
  using namespace scenario;
  if (dimensione < 6) return 0;
  const std::string_view tutto(reinterpret_cast<const char*>(dati) + 6, dimensione - 6);
  const size_t primo = leggi24(dati) % (tutto.size() + 1);
  const size_t secondo = primo + leggi24(dati + 3) % (tutto.size() - primo + 1);
  file_compilati_letti f;
  f.nome_geometria = "F_linea.dat";
  f.nome_tabella = "F_T.sim";
  f.nome_percorso = "F_T.dat";
  f.geometria = std::string(tutto.substr(0, primo));
  f.tabella = std::string(tutto.substr(primo, secondo - primo));
  f.percorso = std::string(tutto.substr(secondo));

  const auto g = decodifica_geometria(f.geometria, f.nome_geometria);
  controlla_errore(g, f.geometria, f.nome_geometria);
  if (g) {
    size_t byte = 0;
    for (const auto* meta : {&g.valore->x, &g.valore->y}) {
      for (const valore_geometria& v : *meta) byte += v.etichetta == 0 ? 2 : v.etichetta == 2 ? 4 : 10;
    }
    if (byte != f.geometria.size() || g.valore->x.size() != g.valore->y.size()) ferma("geometria di dimensione diversa");
  }
  const auto t = decodifica_tabella(f.tabella, f.nome_tabella);
  controlla_errore(t, f.tabella, f.nome_tabella);
  if (t) {
    size_t byte = 0;
    for (const voce& v : *t.valore) byte += 34 + v.nome.size();
    if (byte != f.tabella.size()) ferma("tabella di dimensione diversa");
    const int32_t lunghezza = (*t.valore)[voce_tabella::dati_treno].fine;
    if (f.geometria.empty() && lunghezza >= 0 && lunghezza <= 10000) {
      // The plan a line of that length without curves has: the origin, then straight on.
      piano_tracciato piano;
      piano.ultimo_metro = int64_t{lunghezza} + MARGINE_OLTRE_FINE;
      piano.origine = true;
      piano.tratti.push_back({piano.ultimo_metro - 2, 0.0});
      piano.cursore = piano.ultimo_metro - 1;
      f.geometria = serializza_tracciato(piano);
    }
  }
  const auto p = decodifica_percorso(f.percorso, f.nome_percorso);
  controlla_errore(p, f.percorso, f.nome_percorso);
  if (p && p.valore->size() * 15 != f.percorso.size()) ferma("percorso di dimensione diversa");

  // The identifiers the set is checked against: those in the table when it decoded.
  const std::string linea = t ? (*t.valore)[85].nome : "F";
  const std::string treno = t ? (*t.valore)[86].nome : "T";
  const auto s = decodifica_scenario(f, linea, treno);
  if (s) {
    (void)vista::resoconto_testo(*s.valore, true);
    (void)vista::resoconto_json(*s.valore, false);
    (void)vista::pagina_html(*s.valore);
    (void)vista::scheda_orario(*s.valore);
    // The texts given back: any set that decodes gives texts and a list of what they miss.
    const vista::testi_ricavati testi = vista::testi_da_scenario(*s.valore);
    if (testi.linea.empty() || testi.treno.empty()) ferma("testi ricavati vuoti");
  }
  return 0;
}
