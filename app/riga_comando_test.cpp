#include "app/riga_comando.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "piattaforma/piattaforma.h"

namespace scenario {
namespace {

// What a command line asks for, in one line: the action, and for the author's build
// "LINEA/TRENO <testo linea> <testo treno>" then " -o CARTELLA" and " -c" when given.
std::string descrivi(const riga_comando& r) {
  switch (r.azione) {
    case azione_richiesta::costruzione_incorporata: return "incorporata";
    case azione_richiesta::aiuto: return "aiuto";
    case azione_richiesta::versione: return "versione";
    case azione_richiesta::errore_uso: return r.errore.vuoto() ? "senza messaggio" : "errore";
    case azione_richiesta::nuovo: return "nuovo " + r.linea + "/" + r.treno + " in <" + r.uscita + ">";
    case azione_richiesta::lsp: return "lsp";
    case azione_richiesta::impagina: {
      std::string d = r.solo_verifica_impaginazione ? "controlla-formato" : "formatta";
      for (const std::string& t : r.da_impaginare) d += " <" + t + ">";
      return d;
    }
    case azione_richiesta::costruzione_autore: break;
  }
  return r.linea + "/" + r.treno + " <" + r.testo_linea + "> <" + r.testo_treno + ">" +
         (r.uscita.empty() ? "" : " -o " + r.uscita) + (r.solo_controllo ? " -c" : "") +
         (r.osserva ? " osserva" : "") + (r.anteprima.empty() ? "" : " anteprima " + r.anteprima);
}

struct caso {
  std::vector<std::string> argomenti;
  std::string atteso;
};

void verifica(const std::vector<caso>& casi) {
  for (const caso& c : casi) {
    std::string riga;
    for (const std::string& a : c.argomenti) riga += "[" + a + "]";
    EXPECT_EQ(descrivi(leggi_riga_comando(c.argomenti)), c.atteso) << riga;
  }
}

const std::string L = "L_linea.txt";
const std::string T = "L_T-.txt";
const std::string LT = "L/T <L_linea.txt> <L_T-.txt>";

TEST(RigaComando, CostruzioniEOpzioni) {
  verifica({
      {{}, "incorporata"},
      // The embedded naming: the line identifier itself holds an underscore.
      {{"Castrea_Tovena_linea.txt", "Castrea_Tovena_R7302-.txt"},
       "Castrea_Tovena/R7302 <Castrea_Tovena_linea.txt> <Castrea_Tovena_R7302-.txt>"},
      // Only the file's own name counts; the paths stay as given.
      {{"../testi/Val_linea.txt", "/casa/autore/Val_R1_bis-.txt"},
       "Val/R1_bis <../testi/Val_linea.txt> </casa/autore/Val_R1_bis-.txt>"},
      {{"cartella_linea.txt/Val_linea.txt", "Val_R1-.txt"},
       "Val/R1 <cartella_linea.txt/Val_linea.txt> <Val_R1-.txt>"},
      // The options win over the names, and stand in for names of no form at all.
      {{"--linea", "Altra", "--treno=X9", "Val_linea.txt", "Val_R1-.txt"},
       "Altra/X9 <Val_linea.txt> <Val_R1-.txt>"},
      {{"linea.txt", "corsa.txt", "-l", "A", "-tB"}, "A/B <linea.txt> <corsa.txt>"},
      // The line from an option, the train from the run text's name under that line.
      {{"-l", "Nuova", "x.txt", "Nuova_T5-.txt"}, "Nuova/T5 <x.txt> <Nuova_T5-.txt>"},
      {{"-o", "out", L, T}, LT + " -o out"}, {{"-oout", L, T}, LT + " -o out"},
      {{"--uscita", "out", L, T}, LT + " -o out"}, {{"--uscita=out", L, T}, LT + " -o out"},
      {{"--controlla", L, T}, LT + " -c"},
      // Options after the texts, grouped short letters, the last of a repeated option wins.
      {{L, "-o", "a", T, "-co", "b"}, LT + " -o b -c"},
      // After "--" every argument is a text, even one that begins with a minus sign; a
      // lone "-" is a text name too.
      {{"--", "-L_linea.txt", "-L_T-.txt"}, "-L/T <-L_linea.txt> <-L_T-.txt>"},
      {{"-l", "L", "-t", "T", "-", "b.txt"}, "L/T <-> <b.txt>"},
      {{"--help"}, "aiuto"}, {{"-h"}, "aiuto"}, {{"--version"}, "versione"}, {{"-V"}, "versione"},
      // Asked for before anything goes wrong, they win over missing texts or later options;
      // an error met first is reported first.
      {{"un_testo.txt", "--help", "--sconosciuta"}, "aiuto"},
      {{"-cV"}, "versione"},
      {{"--sconosciuta", "--help"}, "errore"},
  });
}

TEST(RigaComando, AccelerazioneEFrenaturaDelTreno) {
  // m/s^2 above 0 and at most 100, the decimals after a point or a comma; only a build
  // takes them.
  const struct {
    std::vector<std::string> argomenti;
    std::optional<double> accelerazione, frenatura;
    bool sbagliata;
  } casi[] = {
      {{"--accelerazione=0,7", L, T}, 0.7, std::nullopt, false},
      {{"--frenatura", "1.25", L, T}, std::nullopt, 1.25, false},
      {{"--accelerazione=2", "--frenatura=0.05", "-c", L, T}, 2.0, 0.05, false},
      {{"--accelerazione=100", L, T}, 100.0, std::nullopt, false},
      {{"--accelerazione=0", L, T}, std::nullopt, std::nullopt, true},
      {{"--accelerazione=100.5", L, T}, std::nullopt, std::nullopt, true},
      {{"--frenatura=-0.5", L, T}, std::nullopt, std::nullopt, true},
      {{"--frenatura=0.5.1", L, T}, std::nullopt, std::nullopt, true},
      {{"--frenatura=1e1", L, T}, std::nullopt, std::nullopt, true},
      {{"--frenatura=,", L, T}, std::nullopt, std::nullopt, true},
      {{"--accelerazione=0.5", "--lsp"}, std::nullopt, std::nullopt, true},
      {{"--accelerazione=0.5", "--formatta", L}, std::nullopt, std::nullopt, true},
      {{"--accelerazione=0.5", "--nuovo", "L", "T"}, std::nullopt, std::nullopt, true},
  };
  for (const auto& c : casi) {
    const riga_comando r = leggi_riga_comando(c.argomenti);
    SCOPED_TRACE(c.argomenti[0]);
    EXPECT_EQ(r.azione == azione_richiesta::errore_uso, c.sbagliata);
    if (c.sbagliata) continue;
    EXPECT_EQ(r.azione, azione_richiesta::costruzione_autore);
    ASSERT_EQ(r.marcia.accelerazione.has_value(), c.accelerazione.has_value());
    ASSERT_EQ(r.marcia.frenatura.has_value(), c.frenatura.has_value());
    EXPECT_NEAR(r.marcia.accelerazione.value_or(0), c.accelerazione.value_or(0), 1e-12);
    EXPECT_NEAR(r.marcia.frenatura.value_or(0), c.frenatura.value_or(0), 1e-12);
  }
}

TEST(RigaComando, MaiuscoleNeiNomiComeLeConfrontaIlSistema) {
  // On Windows "Val_Linea.TXT" is the file "Val_linea.txt": the identifiers come out as
  // the names write them. Elsewhere the case is part of the name.
#ifdef _WIN32
  constexpr bool senza_maiuscole = true;
#else
  constexpr bool senza_maiuscole = false;
#endif
  for (const auto& [linea, treno] : {std::pair{"Val_Linea.TXT", "VAL_R1-.Txt"}, std::pair{"Val_linea.txt", "Val_R1-.TXT"}}) {
    const std::string atteso = std::string("Val/R1 <") + linea + "> <" + treno + ">";
    verifica({{{linea, treno}, senza_maiuscole ? atteso : "errore"}});
  }
}

TEST(RigaComando, OsservaAnteprimaENuovo) {
  verifica({
      {{"--osserva", L, T}, LT + " osserva"},
      {{L, T, "--osserva", "--anteprima", "p.html"}, LT + " osserva anteprima p.html"},
      {{"--anteprima=p.html", L, T}, LT + " anteprima p.html"},
      // --nuovo takes the identifiers themselves, and a folder as third argument or -o.
      {{"--nuovo", "Val", "R1"}, "nuovo Val/R1 in <>"},
      {{"Val", "--nuovo", "R1", "testi"}, "nuovo Val/R1 in <testi>"},
      {{"--nuovo", "-o", "testi", "Val", "R1"}, "nuovo Val/R1 in <testi>"},
      // The language server takes its texts from the editor.
      {{"--lsp"}, "lsp"},
      // The layout: any number of texts, of either kind.
      {{"--formatta", L}, "formatta <" + L + ">"},
      {{T, "--controlla-formato", L}, "controlla-formato <" + T + "> <" + L + ">"},
  });
  std::vector<caso> casi;
  for (const std::vector<std::string>& argomenti : std::vector<std::vector<std::string>>{
           {"--anteprima", L, T, "x"}, {"--anteprima=", L, T}, {"--osserva=si", L, T},
           {"--nuovo", "Val"}, {"--nuovo", "Val", "R1", "d", "e"}, {"--nuovo", "a/b", "R1"},
           {"--nuovo", "Val", ""}, {"--nuovo", "-o", "x", "Val", "R1", "d"},
           {"--nuovo", "--osserva", "Val", "R1"}, {"--nuovo", "-c", "Val", "R1"},
           {"--lsp", L, T}, {"--lsp", "-c"}, {"--lsp", "--nuovo", "Val", "R1"},
           {"--formatta"}, {"--formatta", "-o", "x", L}, {"--controlla-formato", "--lsp"}}) {
    casi.push_back({argomenti, "errore"});
  }
  verifica(casi);
}

TEST(RigaComando, ErroriDUso) {
  // Unknown options, a value where none goes, a value missing at the end, an empty
  // identifier or folder; not two texts; names that give no identifier and no option that
  // gives it (the train's name must be under the line's, "L" and not "X"); identifiers
  // that would name another folder, since they are part of the compiled files' names.
  std::vector<caso> casi;
  for (const std::vector<std::string>& argomenti : std::vector<std::vector<std::string>>{
           {"--sconosciuta", L, T}, {"-x", L, T}, {"--controlla=si", L, T}, {"--help=si"},
           {L, T, "-o"}, {L, T, "--linea"}, {"--linea=", L, T}, {"-o", "", L, T},
           {L}, {"-c"}, {"--"}, {L, T, "terzo.txt"},
           {"linea.txt", T}, {L, "corsa.txt"}, {"_linea.txt", "_T-.txt"},
           {"Val_linea.txt.bak", "Val_T-.txt"},
           {"Val_linea.txt/", "Val_T-.txt"}, {L, "L_-.txt"}, {L, "L_T.txt"}, {L, "Altra_T-.txt"},
           {"Val_linea.txt", "Valle_R1-.txt"}, {"-l", "X", L, T},
           {"--linea", "../fuori", L, T}, {"-t", "a/b", L, T}, {"-t", "R1:a", L, T}, {"--nuovo", "Val", "NUL"}}) {
    casi.push_back({argomenti, "errore"});
  }
  verifica(casi);
}

TEST(RigaComando, LaLinguaDiUnErroreDovunqueStiaLaScelta) {
  // --lingua says the language of everything shown, the usage error it follows too, and
  // --help before it: the reading goes on for it alone. A wrong value there is not the
  // error said; after "--" it is a text's name.
  const struct {
    std::vector<std::string> argomenti;
    std::optional<lingua> attesa;
  } casi[] = {
      {{"--bogus", "--lingua=en", L, T}, lingua::inglese},
      {{"-x", L, "--lingua", "en", T}, lingua::inglese},
      {{"--help", "--lingua=en"}, lingua::inglese},
      {{"--lingua=en", "--bogus", "--lingua=it"}, lingua::italiano},
      {{"--bogus", "--lingua=de"}, std::nullopt},
      {{"--bogus", "--", "--lingua=en"}, std::nullopt},
  };
  for (const auto& c : casi) {
    EXPECT_EQ(leggi_riga_comando(c.argomenti).lingua_scelta, c.attesa) << c.argomenti[0];
  }
}

TEST(RigaComando, OpzioniSenzaTestiNonSonoLaCostruzioneIncorporata) {
  // The embedded build is asked for by no argument at all: options alone say so, and
  // differently from one text missing.
  const riga_comando sole = leggi_riga_comando({"--lingua=en"});
  ASSERT_EQ(sole.azione, azione_richiesta::errore_uso);
  EXPECT_EQ(sole.errore.id, "uso.nessun_testo");
  EXPECT_EQ(leggi_riga_comando({"-q", "nota.txt"}).errore.id, "uso.due_testi");
  // A text alone in the forms looks for its partner beside it: none in a folder not there.
  EXPECT_EQ(leggi_riga_comando({"-q", "assente/" + L}).errore.id, "uso.manca_treno");
  EXPECT_EQ(leggi_riga_comando({"-q", "assente/" + T}).errore.id, "uso.manca_linea");
}

TEST(RigaComando, UnTestoSoloTrovaIlSuoCompagnoAccanto) {
  // What the entry of Explorer's menu on a text gives: that text alone. The names are the
  // folder's, as the system lists them.
  const std::string c = sistema::percorsi_di_windows() ? "c\\" : "c/";
  const struct {
    std::string testo;
    std::vector<std::string> nomi;
    std::string linea, treno, errore;
  } casi[] = {
      {c + "Val_R1-.txt", {"Val_R1-.txt", "Val_linea.txt", "nota.txt"}, c + "Val_linea.txt", c + "Val_R1-.txt", ""},
      {c + "Val_linea.txt", {"Val_linea.txt", "Val_R1-.txt", "Altra_R2-.txt"}, c + "Val_linea.txt", c + "Val_R1-.txt", ""},
      // A line whose name holds "_": the longest line that has a text.
      {"Castrea_Tovena_R7302-.txt", {"Castrea_linea.txt", "Castrea_Tovena_linea.txt"}, "Castrea_Tovena_linea.txt",
       "Castrea_Tovena_R7302-.txt", ""},
      {"Castrea_Tovena_R7302-.txt", {"Castrea_linea.txt"}, "Castrea_linea.txt", "Castrea_Tovena_R7302-.txt", ""},
      // None, or more than one run: the reason, naming what was looked for.
      {c + "Val_R1-.txt", {"Val_R1-.txt", "Valle_linea.txt"}, "", "", "nessun testo della linea accanto a 'Val_R1-.txt': cercato Val_linea.txt"},
      {c + "Val_linea.txt", {"Val_linea.txt"}, "", "", "nessun testo della corsa accanto a 'Val_linea.txt': cercato Val_TRENO-.txt"},
      {"Val_linea.txt", {"Val_R2-.txt", "Val_linea.txt", "Val_R1-.txt"}, "", "",
       "più testi della corsa accanto a 'Val_linea.txt': Val_R1-.txt, Val_R2-.txt; indicarne uno"},
  };
  for (const auto& k : casi) {
    const coppia_testi t = coppia_di(k.testo, k.nomi);
    EXPECT_EQ(t.linea, k.linea) << k.testo;
    EXPECT_EQ(t.treno, k.treno) << k.testo;
    EXPECT_EQ(t.errore ? rendi(*t.errore, lingua::italiano) : "", k.errore) << k.testo;
  }
  // Two texts in either order: a run text before its line text is taken for what it is.
  verifica({{{T, L}, LT}, {{"-c", T, L}, LT + " -c"}});
}

TEST(RigaComando, TestiScambiatiPresiPerCioCheDiconoINomi) {
  // The run text first: each text is taken for what its name says. A run text of another
  // line is named as such; with --linea the names decide nothing.
  const riga_comando scambiati = leggi_riga_comando({T, L});
  EXPECT_EQ(scambiati.testo_linea, L);
  EXPECT_EQ(scambiati.testo_treno, T);
  EXPECT_EQ(leggi_riga_comando({"Val_R1-.txt", "Altra_linea.txt"}).errore.id, "uso.nome_treno");
  EXPECT_EQ(leggi_riga_comando({"--linea=L", T, L}).testo_linea, T);
}

TEST(RigaComando, AllaManieraDiWindows) {
  // "/?" asks for help where names are written the Windows way, and is a path elsewhere.
  // A quote no Windows name holds: the prompt kept it from "C:\Uscita\" and ran on into
  // the texts, which the error says, before counting them.
  const bool windows = sistema::percorsi_di_windows();
  verifica({
      {{"/?"}, windows ? "aiuto" : "errore"},
      {{"-c", "/?", L, T}, windows ? "aiuto" : "errore"},
      {{"-o", "Uscita nuova\" " + L + " " + T}, "errore"},
  });
  // Elsewhere a quote is a letter like any other.
  const riga_comando virgolette = leggi_riga_comando({"-o", "Uscita\"", L, T});
  EXPECT_EQ(virgolette.errore.id, windows ? "uso.virgolette" : "") << virgolette.errore.id;
  if (!windows) {
    EXPECT_EQ(virgolette.azione, azione_richiesta::costruzione_autore);
  }
}

}  // namespace
}  // namespace scenario
