// The author's loop, run as an author runs it: the program left watching two texts in a
// folder, the texts saved as editors save them, then Ctrl-C.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "scenario/testi_nuovi.h"
#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/esecuzione.h"
#include "tests/supporto/esecuzione_sfondo.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using namespace prova;
using namespace std::chrono_literals;

const std::string LINEA = "Val_linea.txt";
const std::string TRENO = "Val_R1-.txt";
const std::string TABELLA = "Val_R1.sim";
const std::set<std::string> CARTELLA_COMPILATA = {LINEA, TRENO, "Val_linea.dat", TABELLA, "Val_R1.dat"};

const std::string SEPARATORE = "---- ";
const std::string RIUSCITA = "Compilazione riuscita";
const std::string NON_CAMBIATI = "File compilati non cambiati";

// The text replaced as most editors save: a new file beside it, renamed over it.
void salva_rinominando(const cartella_temporanea& c, const std::string& nome, const std::string& testo) {
  c.scrivi(nome + ".salvataggio", testo);
  fs::rename(c / (nome + ".salvataggio"), c / nome);
}

std::string sostituito(std::string testo, const std::string& da, const std::string& a) {
  const size_t i = testo.find(da);
  EXPECT_NE(i, std::string::npos) << da;
  return i == std::string::npos ? testo : testo.replace(i, da.size(), a);
}

// A folder holding the starting pair, and the program watching it.
struct osservazione {
  cartella_temporanea autore;
  cartella_temporanea temporanei;
  testi_nuovi testi = testi_di_partenza();
  std::unique_ptr<processo_sfondo> programma;

  // `n` builds have ended, the last one with `esito`.
  bool compilazioni(size_t n, const std::string& esito) const {
    return programma->attendi_errori([&](const std::string& e) {
      return occorrenze(e, SEPARATORE) == n && e.rfind(esito) != std::string::npos &&
             e.rfind(esito) > e.rfind(SEPARATORE);
    });
  }
  void avvia() {
    autore.scrivi(LINEA, testi.linea);
    autore.scrivi(TRENO, testi.treno);
    programma = std::make_unique<processo_sfondo>(
        ESEGUIBILE, std::vector<std::string>{"--osserva", LINEA, TRENO}, autore.percorso(),
        temporanei.percorso());
    ASSERT_TRUE(compilazioni(1, RIUSCITA)) << programma->errori();
  }
  // Ctrl-C: status 0, and only the texts and the compiled files are left.
  void interrompi() {
    programma->segnala(SIGINT);
    EXPECT_EQ(programma->attendi(), 0) << programma->errori();
    EXPECT_TRUE(programma->errori().ends_with("Osservazione finita\n")) << programma->errori();
    EXPECT_EQ(nomi_in(autore.percorso()), CARTELLA_COMPILATA);
    EXPECT_TRUE(nomi_in(temporanei.percorso()).empty());
  }
};

TEST(Osserva, UnSalvataggioPerRinominaDaUnaSolaCompilazione) {
  osservazione o;
  o.avvia();
  const std::string tabella_prima = o.autore.leggi(TABELLA);
  // The arrival at 19:16 instead of 19:15: the table changes, the rest does not.
  salva_rinominando(o.autore, TRENO, sostituito(o.testi.treno, "19, 15, 0", "19, 16, 0"));
  ASSERT_TRUE(o.compilazioni(2, RIUSCITA)) << o.programma->errori();
  EXPECT_NE(o.autore.leggi(TABELLA), tabella_prima);
  // The new file's own events (written and closed under another name) and the rename are
  // one save: well past the quiet time no further build has started.
  std::this_thread::sleep_for(600ms);
  EXPECT_EQ(occorrenze(o.programma->errori(), SEPARATORE), 2u) << o.programma->errori();
  o.interrompi();
}

TEST(Osserva, UnSalvataggioErratoTieneGliUltimiFileBuoni) {
  osservazione o;
  o.avvia();
  const auto compilati = contenuti_in(o.autore.percorso());
  // A line longer than 1000000 m is error 1: reported, and nothing compiled is touched.
  const std::string errata = sostituito(o.testi.linea, "10000\r\n", "2000000\r\n");
  salva_rinominando(o.autore, LINEA, errata);
  ASSERT_TRUE(o.compilazioni(2, NON_CAMBIATI)) << o.programma->errori();
  EXPECT_NE(o.programma->errori().find("error: Errore n. 1: "), std::string::npos) << o.programma->errori();
  auto attesi = compilati;
  attesi[LINEA] = errata;
  EXPECT_TRUE(contenuti_in(o.autore.percorso()) == attesi);
  // Put right, written in place this time: built again.
  o.autore.scrivi(LINEA, o.testi.linea);
  ASSERT_TRUE(o.compilazioni(3, RIUSCITA)) << o.programma->errori();
  EXPECT_TRUE(contenuti_in(o.autore.percorso()) == compilati);
  o.interrompi();
}

}  // namespace
}  // namespace scenario
