#include "nucleo/compilazione.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"
#include "tests/supporto/scenari_casuali.h"
#include "tests/supporto/scenario_prova.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

using namespace prova;

// The compiled files in memory, by the order the core asked for them.
class uscite_memoria : public uscite_compilate {
 public:
  destinazione_byte& apri(file_compilato quale) override {
    ordine.push_back(quale);
    return file[quale];
  }
  std::map<file_compilato, destinazione_memoria> file;
  std::vector<file_compilato> ordine;
};

richiesta richiesta_di(const std::optional<std::string>& linea, const std::string& treno) {
  richiesta r;
  r.linea = "Castrea_Tovena";
  r.treno = "R7302";
  r.testo_linea = {"linea.txt", linea, linea.has_value(), ""};
  r.testo_treno = {"treno.txt", treno, true, ""};
  return r;
}

TEST(MemorizzaPercorso, ScenarioIncorporatoInMemoria) {
  for (const bool genera : {true, false}) {
    SCOPED_TRACE(genera);
    richiesta r = richiesta_di(componi_testo(elenco_linea()), componi_testo(elenco_treno()));
    r.genera_linea = genera;
    uscite_memoria u;
    modello m;
    const risultato e = memorizza_percorso(r, m, &u);
    EXPECT_TRUE(e.riuscito);
    EXPECT_TRUE(e.diagnostiche.empty());
    EXPECT_TRUE(e.eliminati.linea && e.eliminati.treno);
    // Geometry 20 * 39000 + 139964 bytes, only with the plan; track 921 cells of 15 bytes;
    // table 2958 + the names' bytes. Written geometry first, table, track.
    const std::vector<file_compilato> ordine =
        genera ? std::vector{file_compilato::geometria, file_compilato::tabella, file_compilato::percorso}
               : std::vector{file_compilato::tabella, file_compilato::percorso};
    EXPECT_EQ(u.ordine, ordine);
    if (genera) {
      EXPECT_EQ(u.file[file_compilato::geometria].byte.size(), 919964u);
    }
    EXPECT_EQ(u.file[file_compilato::tabella].byte.size(), 3675u);
    EXPECT_EQ(u.file[file_compilato::percorso].byte.size(), 13815u);
    // The header of cell 1: 5121 at offset 16.
    EXPECT_EQ(u.file[file_compilato::percorso].byte.substr(16, 2), "\x01\x14");
  }
}

TEST(MemorizzaPercorso, IlPianoConsegnatoEQuelloFinito) {
  // The plan handed over before the run text is read is the one the whole build ends
  // with, so a geometry file written from it holds the bytes of one written at the end;
  // and that file is then not asked for, unless the edge left it. Random scenarios,
  // curves of every kind, and run texts whose records fail too: whatever the run text
  // does, the plan stays.
  for (uint64_t seme = 1; seme <= 60; ++seme) {
    SCOPED_TRACE(seme);
    const coppia_casuale c = scenario_casuale(seme);
    std::optional<piano_tracciato> consegnato;
    const bool preso = seme % 2 == 0;
    richiesta r = richiesta_di(c.linea, c.treno);
    r.piano_pronto = [&](piano_tracciato p) {
      EXPECT_FALSE(consegnato.has_value());
      consegnato = std::move(p);
      return preso;
    };
    uscite_memoria u;
    modello m;
    const risultato e = memorizza_percorso(r, m, &u);
    if (!consegnato) {
      // Only a line text with an error keeps the plan back.
      EXPECT_FALSE(e.riuscito);
      continue;
    }
    EXPECT_TRUE(*consegnato == m.tracciato);
    EXPECT_EQ(u.file.count(file_compilato::geometria), e.riuscito && !preso ? 1u : 0u);
    EXPECT_EQ(u.ordine.size(), e.riuscito ? (preso ? 2u : 3u) : 0u);
  }
}

TEST(MemorizzaPercorso, NessunPianoDaConsegnare) {
  // Without the plan, or with an error in the line text, nothing is handed over and the
  // geometry, when built, goes where the others go.
  const struct {
    const char* cosa;
    std::string linea;
    bool genera;
  } casi[] = {
      {"no plan asked for", linea_di(5000), false},
      {"a curve out of its classes", linea_di(5000, "curvad9, 1000, 300\r\n"), true},
  };
  for (const auto& c : casi) {
    SCOPED_TRACE(c.cosa);
    richiesta r = richiesta_di(c.linea, treno_di());
    r.genera_linea = c.genera;
    bool chiamato = false;
    r.piano_pronto = [&](piano_tracciato) { return chiamato = true; };
    modello m;
    memorizza_percorso(r, m, nullptr);
    EXPECT_FALSE(chiamato);
  }
}

TEST(MemorizzaPercorso, UnErroreNonConsegnaNessunFile) {
  struct caso {
    const char* cosa;
    std::optional<std::string> linea;  // nothing: no line text at all
    std::string treno;
    int32_t numero;
    bool treno_eliminato;
  };
  const caso casi[] = {
      // Nothing was read: the run text stays where it was.
      {"no line text", std::nullopt, treno_di(), codice::testo_linea_assente, false},
      // A board at 0 m takes cell round(0 / 50 + 1) = 1, the header's cell, with its entry
      // 80 in dato1. A signal there whose s1 and d1 are 0 leaves dato1 at 0, which the
      // header would take: the check of the set says so before the header's own error.
      {"a board on cell 1", linea_di(5000, "cartello_indicatore, 0, (A)\r\n"), treno_di(),
       codice::intestazione_valore, true},
      {"a signal on cell 1", linea_di(5000), treno_di("segnale, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0\r\n"),
       avviso::valore_cambiato, true},
      {"a station at 25 m", linea_di(5000), treno_di("stazione, 25, 12, 200\r\n"),
       codice::stazione_posizione, true},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.cosa);
    uscite_memoria u;
    modello m;
    const risultato e = memorizza_percorso(richiesta_di(c.linea, c.treno), m, &u);
    EXPECT_FALSE(e.riuscito);
    EXPECT_TRUE(u.ordine.empty());
    // One error (a run text without stations is warned about besides).
    std::vector<diagnostica> errori;
    for (const diagnostica& d : e.diagnostiche) {
      if (d.livello == gravita::errore) errori.push_back(d);
    }
    ASSERT_EQ(errori.size(), 1u);
    EXPECT_EQ(errori[0].numero, c.numero);
    EXPECT_EQ(e.eliminati.linea, c.linea.has_value());
    EXPECT_EQ(e.eliminati.treno, c.treno_eliminato);
  }
}

TEST(MemorizzaPercorso, OgniTestoIllegibileEDetto) {
  // Notepad's "Unicode" is UTF-16: error 105 at each text so saved, even when the line
  // text's own stops the reading; a readable run text is not spoken of.
  const std::string utf16 = std::string("\xFF\xFE[\0g\0", 6);
  const struct {
    std::string linea, treno;
    std::vector<std::string> etichette;  // of the errors 105
  } casi[] = {
      {utf16, utf16, {"linea.txt", "treno.txt"}},
      {utf16, treno_di(), {"linea.txt"}},
      {linea_di(5000), utf16, {"treno.txt"}},
  };
  for (const auto& c : casi) {
    modello m;
    const risultato e = memorizza_percorso(richiesta_di(c.linea, c.treno), m, nullptr);
    std::vector<std::string> etichette;
    for (const diagnostica& d : e.diagnostiche) {
      if (d.numero == codice::codifica_testo && d.luogo) etichette.push_back(d.luogo->file);
    }
    EXPECT_EQ(etichette, c.etichette);
  }
}

}  // namespace
}  // namespace scenario

namespace scenario {
namespace {

// Stopped by the error cap before its station, the reading says nothing of what it did
// not read: no "no station" warning, one note that it stopped. The same when each error is a
// line in plain form, a speed its field cannot hold; and a cap of one stops the reading at
// the first.
TEST(MemorizzaPercorso, LaFermataPerTroppiErroriNonInventaAvvisi) {
  for (const std::string riga : {"velocita, 0, x\r\n", "velocita, 0, 99999\r\n"}) {
    for (const int cap : {1, 2}) {
      SCOPED_TRACE(riga + std::to_string(cap));
      std::string treno = "[generale]\r\n";
      for (int i = 0; i < 3; ++i) treno += riga;  // an error each
      treno += "[stazioni]\r\nstazione, 2800, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 30, 8, 5,30, Rio\r\n[fine]\r\n";
      richiesta r = richiesta_di(componi_testo(elenco_linea()), treno);
      r.max_errori = cap;
      modello m;
      const elenco_diagnostiche d = memorizza_percorso(r, m, nullptr).diagnostiche;
      ASSERT_EQ(d.size(), static_cast<size_t>(cap) + 1);
      for (int i = 0; i < cap; ++i) {
        EXPECT_EQ(d[static_cast<size_t>(i)].livello, gravita::errore);
        if (riga.find('x') != std::string::npos) {
          EXPECT_EQ(d[static_cast<size_t>(i)].numero, codice::lettura_fallita);
        }
      }
      EXPECT_EQ(d.back().livello, gravita::nota);
    }
  }
}

}  // namespace
}  // namespace scenario
