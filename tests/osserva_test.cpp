// The author's loop, run as an author runs it: the program left watching two texts in a
// folder, the texts saved as editors save them, then Ctrl-C. Each save is made while the
// program is idle and stopped at its test hook, so every build the save gives has ended
// when the program is idle there again.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <set>
#include <string>

#include "scenario/testi_nuovi.h"
#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/esecuzione.h"
#include "tests/supporto/esecuzione_sfondo.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using namespace prova;

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
  tappe punti;
  std::unique_ptr<processo_sfondo> programma;

  // Lets the program go on until it is idle again: then exactly `n` builds have ended, the
  // last one with `esito`.
  bool compilazioni(size_t n, const std::string& esito) {
    punti.prosegui();
    if (!punti.fino_a("osserva")) return false;
    const std::string e = programma->errori();
    return occorrenze(e, SEPARATORE) == n && e.rfind(esito) != std::string::npos &&
           e.rfind(esito) > e.rfind(SEPARATORE);
  }
  void avvia() {
    autore.scrivi(LINEA, testi.linea);
    autore.scrivi(TRENO, testi.treno);
    programma = std::make_unique<processo_sfondo>(
        ESEGUIBILE, std::vector<std::string>{"--osserva", LINEA, TRENO}, autore.percorso(),
        temporanei.percorso(), &punti);
    ASSERT_TRUE(punti.fino_a("osserva")) << programma->errori();
    ASSERT_EQ(occorrenze(programma->errori(), SEPARATORE), 1u) << programma->errori();
    ASSERT_NE(programma->errori().find(RIUSCITA), std::string::npos) << programma->errori();
  }
  // Ctrl-C: status 0, and only the texts and the compiled files are left.
  void interrompi() {
    punti.lascia();
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
  // The new file's own events (written and closed under another name) and the rename were
  // one save: the program went idle after exactly one more build.
  EXPECT_NE(o.autore.leggi(TABELLA), tabella_prima);
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
