#include "app/riga_comando.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace scenario {
namespace {

using argomenti = std::vector<std::string>;

riga_comando leggi(const argomenti& a) { return leggi_riga_comando(a); }

// A command line that must be refused as a usage error.
void atteso_errore_uso(const argomenti& a) {
  const riga_comando r = leggi(a);
  std::string riga;
  for (const auto& s : a) riga += s + " ";
  EXPECT_EQ(r.azione, azione_richiesta::errore_uso) << riga;
  EXPECT_FALSE(r.messaggio.empty()) << riga;
}

TEST(RigaComando, SenzaArgomentiLaCostruzioneIncorporata) {
  const riga_comando r = leggi({});
  EXPECT_EQ(r.azione, azione_richiesta::costruzione_incorporata);
  EXPECT_TRUE(r.testo_linea.empty());
  EXPECT_FALSE(r.solo_controllo);
}

TEST(RigaComando, IdentificativiDaiNomiDeiTesti) {
  // The embedded naming: the line identifier itself holds an underscore.
  riga_comando r = leggi({"Castrea_Tovena_linea.txt", "Castrea_Tovena_R7302-.txt"});
  ASSERT_EQ(r.azione, azione_richiesta::costruzione_autore);
  EXPECT_EQ(r.testo_linea, "Castrea_Tovena_linea.txt");
  EXPECT_EQ(r.testo_treno, "Castrea_Tovena_R7302-.txt");
  EXPECT_EQ(r.linea, "Castrea_Tovena");
  EXPECT_EQ(r.treno, "R7302");
  EXPECT_TRUE(r.uscita.empty());  // the current folder
  EXPECT_FALSE(r.solo_controllo);

  // Only the file's own name counts; the paths stay as given.
  r = leggi({"../testi/Val_linea.txt", "/casa/autore/Val_R1_bis-.txt"});
  ASSERT_EQ(r.azione, azione_richiesta::costruzione_autore);
  EXPECT_EQ(r.testo_linea, "../testi/Val_linea.txt");
  EXPECT_EQ(r.testo_treno, "/casa/autore/Val_R1_bis-.txt");
  EXPECT_EQ(r.linea, "Val");
  EXPECT_EQ(r.treno, "R1_bis");
}

TEST(RigaComando, LeOpzioniVinconoSuiNomi) {
  riga_comando r = leggi({"--linea", "Altra", "--treno=X9", "Val_linea.txt", "Val_R1-.txt"});
  ASSERT_EQ(r.azione, azione_richiesta::costruzione_autore);
  EXPECT_EQ(r.linea, "Altra");
  EXPECT_EQ(r.treno, "X9");

  // Names that follow no form at all are fine once both identifiers are given.
  r = leggi({"linea.txt", "corsa.txt", "-l", "A", "-tB"});
  ASSERT_EQ(r.azione, azione_richiesta::costruzione_autore);
  EXPECT_EQ(r.linea, "A");
  EXPECT_EQ(r.treno, "B");

  // The line from an option, the train from the run text's name under that line.
  r = leggi({"-l", "Nuova", "x.txt", "Nuova_T5-.txt"});
  ASSERT_EQ(r.azione, azione_richiesta::costruzione_autore);
  EXPECT_EQ(r.treno, "T5");
}

TEST(RigaComando, FormeDelleOpzioni) {
  const argomenti testi = {"L_linea.txt", "L_T-.txt"};
  for (const argomenti& forma : {argomenti{"-o", "out"}, argomenti{"-oout"}, argomenti{"--uscita", "out"},
                                 argomenti{"--uscita=out"}}) {
    argomenti a = forma;
    a.insert(a.end(), testi.begin(), testi.end());
    const riga_comando r = leggi(a);
    ASSERT_EQ(r.azione, azione_richiesta::costruzione_autore) << forma[0];
    EXPECT_EQ(r.uscita, "out") << forma[0];
  }
  // Options after the texts, grouped short letters, the last of a repeated option wins.
  riga_comando r = leggi({"L_linea.txt", "-o", "a", "L_T-.txt", "-co", "b"});
  ASSERT_EQ(r.azione, azione_richiesta::costruzione_autore);
  EXPECT_TRUE(r.solo_controllo);
  EXPECT_EQ(r.uscita, "b");
  EXPECT_EQ(r.testo_treno, "L_T-.txt");

  r = leggi({"--controlla", "L_linea.txt", "L_T-.txt"});
  EXPECT_TRUE(r.solo_controllo);

  // After "--" every argument is a text, even one that begins with a minus sign; a lone
  // "-" is a text name too.
  r = leggi({"--", "-L_linea.txt", "-L_T-.txt"});
  ASSERT_EQ(r.azione, azione_richiesta::costruzione_autore);
  EXPECT_EQ(r.testo_linea, "-L_linea.txt");
  EXPECT_EQ(r.linea, "-L");
  r = leggi({"-l", "L", "-t", "T", "-", "b.txt"});
  ASSERT_EQ(r.azione, azione_richiesta::costruzione_autore);
  EXPECT_EQ(r.testo_linea, "-");
}

TEST(RigaComando, AiutoEVersione) {
  EXPECT_EQ(leggi({"--help"}).azione, azione_richiesta::aiuto);
  EXPECT_EQ(leggi({"-h"}).azione, azione_richiesta::aiuto);
  EXPECT_EQ(leggi({"--version"}).azione, azione_richiesta::versione);
  EXPECT_EQ(leggi({"-V"}).azione, azione_richiesta::versione);
  // Asked for before anything goes wrong, they win over missing texts or later options.
  EXPECT_EQ(leggi({"un_testo.txt", "--help", "--sconosciuta"}).azione, azione_richiesta::aiuto);
  EXPECT_EQ(leggi({"-cV"}).azione, azione_richiesta::versione);
  // An error met first is reported first.
  EXPECT_EQ(leggi({"--sconosciuta", "--help"}).azione, azione_richiesta::errore_uso);
}

TEST(RigaComando, ErroriDUso) {
  const std::string l = "L_linea.txt";
  const std::string t = "L_T-.txt";
  atteso_errore_uso({"--sconosciuta", l, t});
  atteso_errore_uso({"-x", l, t});
  atteso_errore_uso({"--controlla=si", l, t});
  atteso_errore_uso({"--help=si"});
  atteso_errore_uso({l, t, "-o"});          // value missing at the end
  atteso_errore_uso({l, t, "--linea"});
  atteso_errore_uso({"--linea=", l, t});    // empty identifier
  atteso_errore_uso({"-o", "", l, t});      // empty folder
  // Wrong number of texts, with or without options.
  atteso_errore_uso({l});
  atteso_errore_uso({"-c"});
  atteso_errore_uso({"--"});
  atteso_errore_uso({l, t, "terzo.txt"});
  // Names that give no identifier and no option that gives it.
  atteso_errore_uso({"linea.txt", t});
  atteso_errore_uso({l, "corsa.txt"});
  atteso_errore_uso({l, "Altra_T-.txt"});  // run text of another line
  atteso_errore_uso({"-l", "X", l, t});     // the train's name is under line L, not X
  // An identifier is part of a file name in the output folder: no folder in it.
  atteso_errore_uso({"--linea", "../fuori", l, t});
  atteso_errore_uso({"-t", "a/b", l, t});
}

TEST(RigaComando, IdentificativiDaUnNome) {
  EXPECT_EQ(linea_da_nome("Val_linea.txt"), "Val");
  EXPECT_EQ(linea_da_nome("cartella_linea.txt/Val_linea.txt"), "Val");
  EXPECT_EQ(linea_da_nome("_linea.txt"), "");  // no identifier before the suffix
  EXPECT_EQ(linea_da_nome("Val_linea.txt.bak"), "");
  EXPECT_EQ(linea_da_nome("Val_Linea.txt"), "");  // the suffix is written exactly
  EXPECT_EQ(linea_da_nome("Val_linea.txt/"), "");

  EXPECT_EQ(treno_da_nome("Val_R1-.txt", "Val"), "R1");
  EXPECT_EQ(treno_da_nome("testi/Val_R1-.txt", "Val"), "R1");
  EXPECT_EQ(treno_da_nome("Val_-.txt", "Val"), "");      // no identifier between
  EXPECT_EQ(treno_da_nome("Valle_R1-.txt", "Val"), "");  // another line's text
  EXPECT_EQ(treno_da_nome("Val_R1.txt", "Val"), "");     // without the minus sign
  EXPECT_EQ(treno_da_nome("Val_R1-.txt", ""), "");
}

TEST(RigaComando, TestiPerLUtente) {
  const std::string aiuto = testo_aiuto();
  for (const char* opzione : {"-o,", "--uscita", "-l,", "--linea", "-t,", "--treno", "-c,",
                              "--controlla", "-h,", "--help", "-V,", "--version"}) {
    EXPECT_NE(aiuto.find(opzione), std::string::npos) << opzione;
  }
  EXPECT_EQ(testo_versione(), std::string("compila_scenario ") + VERSIONE_PROGRAMMA + "\n");

  // A usage error is one line: the program's name, the problem, a pointer to --help.
  const std::string riga = riga_errore_uso("opzione non riconosciuta '--x'");
  EXPECT_EQ(riga.rfind("compila_scenario: opzione non riconosciuta '--x'", 0), 0u);
  EXPECT_NE(riga.find("--help"), std::string::npos);
  EXPECT_EQ(std::count(riga.begin(), riga.end(), '\n'), 1);
  EXPECT_EQ(riga.back(), '\n');
}

}  // namespace
}  // namespace scenario
