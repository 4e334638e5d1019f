#include "nucleo/impaginazione.h"

#include <gtest/gtest.h>

#include <random>

#include "scenario/scrittura_testi.h"
#include "lingue/catalogo.h"
#include "scenario/testi_incorporati.h"
#include "scenario/testi_nuovi.h"

namespace scenario {
namespace {

using formato::testo;

TEST(Impaginazione, ColonneDiOgniSezione) {
  struct caso {
    const char* nome;
    testo t;
    std::string prima;
    std::string dopo;
  };
  const std::vector<caso> casi = {
      // Numbers to the right of their column, the widest setting it: "3800" is four wide.
      {"colonne", testo::treno, "[vel_limite]\r\nvelocita, 0,60\r\nvelocita,3800 , 7\r\n",
       "[vel_limite]\r\nvelocita,    0, 60\r\nvelocita, 3800,  7\r\n"},
      // Each section on its own: the 5 of [aderenze] is not widened by the [vel_limite].
      {"per sezione", testo::treno, "[aderenze]\nVelocita, 5, 1\n[vel_limite]\nvelocita, 1000, 1\n",
       "[aderenze]\nVelocita, 5, 1\n[vel_limite]\nvelocita, 1000, 1\n"},
      // A name runs to the end of its line as written, blanks inside and after it kept; a
      // note holding commas, a header with blanks and a blank line stay as they are.
      {"parole dell'autore", testo::treno,
       " [stazioni] \r\nNota, con virgole,  e spazi\r\n\r\nstazione,0, 8,300,0,0,0,1,1,0,5,6,1,1,8,1,0,  Val  Rio  \r\n",
       " [stazioni] \r\nNota, con virgole,  e spazi\r\n\r\n"
       "stazione, 0, 8, 300, 0, 0, 0, 1, 1, 0, 5, 6, 1, 1, 8, 1, 0, Val  Rio  \r\n"},
      // Empty values keep their place; a value of several numbers is one item.
      {"valori vuoti", testo::linea, "[generale]\nlunghezza percorso,6000\n[cartelli]\nindicatori_vmax,900,70,,\n",
       "[generale]\nlunghezza percorso, 6000\n[cartelli]\nindicatori_vmax, 900, 70, ,\n"},
      // The reading ends the last number at a blank and passes over the rest of its line: a
      // note, kept as written after its number and no part of the column ("80" two wide).
      {"nota dopo l'ultimo numero", testo::treno,
       "[vel_limite]\nvelocita,0,60  km/h, fino al ponte\nvelocita,500,80\n",
       "[vel_limite]\nvelocita,   0, 60  km/h, fino al ponte\nvelocita, 500, 80\n"},
  };
  for (const caso& c : casi) {
    const std::string dopo = impagina(c.prima, c.t);
    EXPECT_EQ(dopo, c.dopo) << c.nome;
    EXPECT_EQ(impagina(dopo, c.t), dopo) << c.nome << ": una seconda volta";
  }
}

TEST(Impaginazione, RigheDateValorePerValore) {
  // Records handed over value by value, as the texts given back are made: the section's
  // number alone sets which lines share columns, an empty last value of a column empty
  // throughout leaves no blank after its comma, a name is written as it is (never padded,
  // its blanks kept), a kept line as written.
  const formato::record* v = formato::cerca(testo::treno, "velocita");
  const formato::record* c = formato::cerca(testo::linea, "cartello_indicatore");
  ASSERT_NE(v, nullptr);
  ASSERT_NE(c, nullptr);
  const auto riga = [](const formato::record* r, int64_t sezione, std::vector<std::string_view> e, std::string_view testo = {}) {
    riga_in_colonne x;
    x.r = r;
    x.sezione = sezione;
    x.elementi = std::move(e);
    x.testo = testo;
    x.a_capo = "\r\n";
    return x;
  };
  riga_in_colonne intestazione;
  intestazione.scritta = "[vel_limite]";
  intestazione.a_capo = "\n";
  const std::vector<riga_in_colonne> righe = {
      intestazione,
      riga(v, 1, {"velocita", "0", "60"}),
      riga(v, 1, {"velocita", "12000", "5", ""}),
      riga(v, 2, {"velocita", "7", "80"}),
      riga(c, 3, {"cartello_indicatore", "100", "Val  Rio"}, "Val  Rio  "),
      riga(c, 3, {"cartello_indicatore", "12", "A"}, "A"),
  };
  EXPECT_EQ(in_colonne(righe), "[vel_limite]\n"
                               "velocita,     0, 60\r\n"
                               "velocita, 12000,  5,\r\n"
                               "velocita, 7, 80\r\n"
                               "cartello_indicatore, 100, Val  Rio  \r\n"
                               "cartello_indicatore,  12, A\r\n");
}

// The starting pair a new author is given is already laid out, in every language of its
// notes: a check of the layout passes on it before the author changes a thing.
TEST(Impaginazione, LaCoppiaDiPartenzaEImpaginata) {
  for (const lingua l : LINGUE) {
    const lingua_per_ora parla(l);
    const testi_nuovi t = testi_di_partenza();
    EXPECT_EQ(impagina(t.linea, testo::linea), t.linea);
    EXPECT_EQ(impagina(t.treno, testo::treno), t.treno);
  }
}

// The embedded pair with blanks and tabs strewn around its commas, as loose as the reading
// takes them: laid out, it is the same as the tidy pair laid out, formatting it twice
// changes nothing, and the compiled set is the same before and after.
TEST(Impaginazione, StabileESenzaEffettiSulCompilato) {
  const std::string linea = componi_testo(elenco_linea());
  const std::string treno = componi_testo(elenco_treno());
  std::mt19937 caso(30);
  const auto sparpaglia = [&](const std::string& s) {
    std::string esito;
    for (const char c : s) {
      const bool virgola = c == ',';
      if (virgola) esito.append(caso() % 3, caso() % 2 ? ' ' : '\t');
      esito.push_back(c);
      if (virgola) esito.append(caso() % 4, caso() % 2 ? ' ' : '\t');
    }
    return esito;
  };
  for (int volta = 0; volta < 5; ++volta) {
    richiesta q;
    q.linea = "Castrea_Tovena";
    q.treno = "R7302";
    q.testo_linea = {"Castrea_Tovena_linea.txt", sparpaglia(linea), true, ""};
    q.testo_treno = {"Castrea_Tovena_R7302-.txt", sparpaglia(treno), true, ""};
    for (const testo t : {testo::linea, testo::treno}) {
      const impaginato x = impagina_controllato(q, t);
      EXPECT_FALSE(x.rifiuto) << *x.rifiuto;
      EXPECT_EQ(x.testo, impagina(t == testo::linea ? linea : treno, t));
      EXPECT_EQ(impagina(x.testo, t), x.testo);
    }
  }
  // A text that could not be read is not laid out.
  richiesta q;
  q.testo_treno = {"x-.txt", std::nullopt, false, "assente"};
  EXPECT_TRUE(impagina_controllato(q, testo::treno).rifiuto);
}

}  // namespace
}  // namespace scenario
