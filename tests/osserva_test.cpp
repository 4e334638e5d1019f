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
  std::vector<std::string> opzioni;                   // besides --osserva and the texts
  std::set<std::string> lasciati = CARTELLA_COMPILATA;  // what the folder holds at the end

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
    std::vector<std::string> argomenti{"--osserva"};
    argomenti.insert(argomenti.end(), opzioni.begin(), opzioni.end());
    argomenti.insert(argomenti.end(), {LINEA, TRENO});
    programma = std::make_unique<processo_sfondo>(ESEGUIBILE, argomenti, autore.percorso(), temporanei.percorso(), &punti);
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
    EXPECT_EQ(nomi_in(autore.percorso()), lasciati);
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

// The page rewritten after every build; no other file beside it.
TEST(Osserva, LaPaginaMostraLaCompilazioneFallitaSopraLUltimaBuona) {
  osservazione o;
  o.opzioni = {"--anteprima=pagina.html"};
  o.lasciati.insert("pagina.html");
  o.avvia();
  // The scenario's data in a page: the JSON between its script element's tags.
  const auto dati = [](const std::string& pagina) {
    const size_t da = pagina.find("id=\"dati\">");
    return da == std::string::npos ? "" : pagina.substr(da, pagina.find("</script>", da) - da);
  };
  const std::string buona = o.autore.leggi("pagina.html");
  EXPECT_NE(buona.find("<body data-ricarica=\"2\">"), std::string::npos);
  EXPECT_EQ(buona.find("compilazione_fallita"), std::string::npos);
  ASSERT_NE(dati(buona).find("\"linea\":\"Val\""), std::string::npos);

  salva_rinominando(o.autore, LINEA, sostituito(o.testi.linea, "10000\r\n", "2000000\r\n"));
  ASSERT_TRUE(o.compilazioni(2, "Anteprima aggiornata")) << o.programma->errori();
  const std::string fallita = o.autore.leggi("pagina.html");
  EXPECT_NE(fallita.find("<body class=\"vecchia\" data-ricarica=\"2\">"), std::string::npos);
  EXPECT_NE(fallita.find("error: Errore n. 1: "), std::string::npos);
  EXPECT_EQ(dati(fallita), dati(buona));  // the last good scenario, under the messages
  EXPECT_EQ(nomi_in(o.autore.percorso()), o.lasciati);

  o.interrompi();
  // The watch over: the same page, no longer reading itself again.
  const std::string finale = o.autore.leggi("pagina.html");
  EXPECT_NE(finale.find("<body class=\"vecchia\">"), std::string::npos);
  EXPECT_EQ(dati(finale), dati(buona));
}

}  // namespace
}  // namespace scenario
