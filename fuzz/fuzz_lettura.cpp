// Fuzz target of the whole compile core, in memory: no file is written or read.
//
// The input chooses everything the core takes:
//  - byte 0: bit 0 builds the plan of the line; bits 1 to 3 choose the line and train
//    identifiers from a small list (short, long, with capitals and accented letters); bit
//    4 compiles as of old (--permissivo);
//  - bytes 1 and 2: where the line text ends and the run text begins, as a little-endian
//    offset into the rest (taken modulo its length + 1), so the split is anywhere;
//  - the rest: the line description text, then the run description text.
//
// Besides what the sanitizers catch, the target stops the run with a message when the
// result breaks an invariant of the compiled files or of the report:
//  - a diagnostic whose number is not in the catalogue;
//  - files handed over although an error was reported, or none although there was none;
//  - a track that is not 15 bytes a cell for the cells of the model;
//  - a table that does not walk as exactly 87 entries of 34 + name bytes;
//  - a geometry whose elements are not tagged 0, 2 or 5, whose two halves differ in
//    length, or that does not end exactly at the end of its bytes;
//  - table entry 0 written, which no station and no board may take;
//  - the line text not done with (but for a missing text), or the run text done with
//    although the reading stopped in the line text;
//  - a set built whose texts given back do not compile into it byte for byte (as their
//    opening note says: as the author compiles, or with --permissivo), or texts given back
//    only with --permissivo for a set that author mode built.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "nucleo/compilazione.h"
#include "output/decodifica.h"
#include "track/rapporto_errori.h"
#include "vista/testi_indietro.h"

namespace scenario {
namespace {

[[noreturn]] void guasto(const std::string& motivo) {
  std::fprintf(stderr, "fuzz_lettura: %s\n", motivo.c_str());
  std::fflush(stderr);
  std::abort();
}

uint16_t u16(std::string_view b, size_t i) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[i]) | (static_cast<uint8_t>(b[i + 1]) << 8));
}

// Checks the geometry as it is written instead of keeping it (a line of a million metres
// gives 20 MB): every piece handed over is a run of whole tagged elements (0, 2 or 5) at
// its own offset, of which only the offset, length and elements are kept. The x half runs
// from offset 0 and the y half from the middle, each written in order; a piece that
// starts where the x half has come to may be either, which the middle, known once all is
// written, decides.
class controllo_geometria : public destinazione_byte {
 public:
  void scrivi(std::string_view) override { guasto("geometria scritta senza posizione"); }
  void scrivi_a(uint64_t posizione, std::string_view pezzo) override {
    if (byte.size() < posizione + pezzo.size()) byte.resize(posizione + pezzo.size());
    byte.replace(posizione, pezzo.size(), pezzo);
    pezzi_.push_back({posizione, pezzo.size(), elementi_di(pezzo)});
  }
  // Both halves written, back to back, each in order, with as many elements each.
  void verifica() const {
    uint64_t fine = 0;
    for (const pezzo& p : pezzi_) fine = std::max(fine, p.posizione + p.byte);
    const uint64_t meta = fine / 2;
    uint64_t fine_x = 0, fine_y = meta, elementi_x = 0, elementi_y = 0;
    for (const pezzo& p : pezzi_) {
      if (p.posizione < meta && p.posizione == fine_x && p.posizione + p.byte <= meta) {
        fine_x += p.byte;
        elementi_x += p.elementi;
      } else if (p.posizione >= meta && p.posizione == fine_y) {
        fine_y += p.byte;
        elementi_y += p.elementi;
      } else {
        guasto("geometria scritta fuori ordine a " + std::to_string(p.posizione));
      }
    }
    if (fine_x != meta || fine_y != fine) guasto("meta' della geometria non scritte per intero, di seguito");
    if (elementi_x != elementi_y) guasto("meta' del tracciato di lunghezza diversa");
  }
  bool aperta = false;
  std::string byte;  // the file as written

 private:
  struct pezzo {
    uint64_t posizione, byte, elementi;
  };
  static uint64_t elementi_di(std::string_view b) {
    uint64_t n = 0;
    for (size_t i = 0; i < b.size(); ++n) {
      if (i + 2 > b.size()) guasto("elemento del tracciato spezzato");
      const uint16_t tipo = u16(b, i);
      const size_t lunghezza = tipo == 0 ? 2 : tipo == 2 ? 4 : tipo == 5 ? 10 : 0;
      if (lunghezza == 0) guasto("tipo di elemento non valido: " + std::to_string(tipo));
      if (i + lunghezza > b.size()) guasto("elemento del tracciato spezzato");
      i += lunghezza;
    }
    return n;
  }
  std::vector<pezzo> pezzi_;
};

class uscite_memoria : public uscite_compilate {
 public:
  destinazione_byte& apri(file_compilato quale) override {
    if (quale == file_compilato::geometria) {
      geometria.aperta = true;
      return geometria;
    }
    return file[quale];
  }
  std::map<file_compilato, destinazione_memoria> file;
  controllo_geometria geometria;
};

struct identita {
  const char* linea;
  const char* treno;
};
constexpr identita IDENTITA[] = {
    {"Fuzz", "F1"},       {"Castrea_Tovena", "R7302"}, {"L", "T"},
    {"Kestl_S\xFC" "d", "\xC4" "1"}, {"Una_Linea_Molto_Lunga_Davvero", "Treno_Altrettanto_Lungo"},
    {"A", "Bb"},          {"Val", "R1"},               {"X_y", "Z"},
};

// 87 entries of 34 + n bytes, n the 16-bit length at offset 14 of each.
void controlla_tabella(std::string_view b) {
  size_t i = 0;
  for (int voce = 0; voce < 87; ++voce) {
    if (i + 34 > b.size()) guasto("tabella troppo corta alla voce " + std::to_string(voce));
    i += 34 + u16(b, i + 14);
  }
  if (i != b.size()) guasto("tabella con byte oltre la voce 86");
}

void controlla(const richiesta& r, const modello& m, const risultato& e, uscite_memoria& u) {
  for (const diagnostica& d : e.diagnostiche) {
    // A note of the reading itself (the error limit) carries no number.
    const bool nota_propria = d.numero == 0 && d.livello == gravita::nota;
    if (!nota_propria && !cerca_errore(d.numero)) guasto("numero fuori dal catalogo: " + std::to_string(d.numero));
    // An item's range runs forward on its line.
    if (d.luogo && d.luogo->riga > 0 && (d.luogo->colonna < 1 || (d.luogo->fine != 0 && d.luogo->fine < d.luogo->colonna))) {
      guasto("luogo senza senso: " + std::to_string(d.luogo->colonna) + "-" + std::to_string(d.luogo->fine));
    }
  }
  if (e.riuscito == con_errori(e.diagnostiche)) guasto("riuscita e errori in disaccordo");
  if (!(m.tabella[0] == voce{})) guasto("voce 0 della tabella scritta");
  const bool assente = !e.diagnostiche.empty() && e.diagnostiche[0].numero == codice::testo_linea_assente;
  if (!assente && !e.eliminati.linea) guasto("testo della linea non eliminato");
  if (!e.riuscito) {
    if (!u.file.empty() || u.geometria.aperta) guasto("file consegnati nonostante un errore");
    return;
  }
  const std::string& percorso = u.file[file_compilato::percorso].byte;
  if (percorso.size() != m.percorso.size() * 15 || percorso.empty()) guasto("percorso di lunghezza errata");
  controlla_tabella(u.file[file_compilato::tabella].byte);
  if (r.genera_linea != u.geometria.aperta) guasto("geometria scritta o mancante contro la richiesta");
  u.geometria.verifica();
}

// The set back as texts, and the texts compiled again: the same three files.
void andata_e_ritorno(const richiesta& r, uscite_memoria& u) {
  const file_compilati_letti f{r.linea + "_linea.dat", u.geometria.byte, r.linea + "_" + r.treno + ".sim",
                               u.file[file_compilato::tabella].byte, r.linea + "_" + r.treno + ".dat",
                               u.file[file_compilato::percorso].byte};
  const auto s = decodifica_scenario(f, r.linea, r.treno);
  if (!s) guasto("insieme compilato che non si decodifica: " + testo_errore(s.errore));
  const vista::testi_ricavati t = vista::testi_da_scenario(*s.valore);
  if (!t.completi()) guasto("insieme compilato non ridato: " + t.scarti.front());
  if (!r.permissivo && t.permissivo) guasto("insieme compilato dall'autore ridato solo con --permissivo");
  richiesta di_nuovo = r;
  di_nuovo.permissivo = t.permissivo;
  di_nuovo.testo_linea.byte = t.linea;
  di_nuovo.testo_treno.byte = t.treno;
  modello m;
  uscite_memoria v;
  if (!memorizza_percorso(di_nuovo, m, &v).riuscito) guasto("testi ridati che non si compilano");
  if (v.geometria.byte != u.geometria.byte || v.file[file_compilato::tabella].byte != u.file[file_compilato::tabella].byte ||
      v.file[file_compilato::percorso].byte != u.file[file_compilato::percorso].byte) {
    guasto("testi ridati che si compilano in altri file");
  }
}

}  // namespace
}  // namespace scenario

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t dimensione) {
  using namespace scenario;
  if (dimensione < 3) return 0;
  const std::string_view byte(reinterpret_cast<const char*>(dati), dimensione);
  const auto scelta = static_cast<uint8_t>(byte[0]);
  const std::string_view testi = byte.substr(3);
  const size_t taglio = u16(byte, 1) % (testi.size() + 1);
  richiesta r;
  r.genera_linea = (scelta & 1) != 0;
  const identita& id = IDENTITA[(scelta >> 1) & 7];
  r.linea = id.linea;
  r.treno = id.treno;
  r.testo_linea = {"linea.txt", std::string(testi.substr(0, taglio)), true, ""};
  r.testo_treno = {"treno.txt", std::string(testi.substr(taglio)), true, ""};
  r.permissivo = (scelta & 16) != 0;
  modello m;
  uscite_memoria u;
  const risultato e = memorizza_percorso(r, m, &u);
  controlla(r, m, e, u);
  if (e.riuscito && r.genera_linea) andata_e_ritorno(r, u);
  return 0;
}
