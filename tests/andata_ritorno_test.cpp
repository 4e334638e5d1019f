// What the decoder reads back from the compiled files equals, field by field, what the
// compile stage built: for the embedded scenario and for the small pair in tests/dati.
#include <gtest/gtest.h>

#include <string>

#include "output/decodifica.h"
#include "output/file_compilati.h"
#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"
#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/compilazione_prova.h"
#include "tests/supporto/scenario_prova.h"

namespace scenario {
namespace {


// Compiles the two texts in memory and checks the decoded files against the model.
void andata_e_ritorno(const std::string& linea, const std::string& treno, const std::string& testo_linea,
                      const std::string& testo_treno) {
  modello m;
  const file_compilati_letti file = prova::compila_in_memoria(linea, treno, testo_linea, testo_treno, m);
  const auto s = decodifica_scenario(file, linea, treno);
  ASSERT_TRUE(s) << testo_errore(s.errore);
  EXPECT_EQ(s.valore->percorso, m.percorso);
  EXPECT_EQ(s.valore->tabella, m.tabella);
  const auto punti = prova::punti_di(m.tracciato);
  ASSERT_EQ(s.valore->geometria.x.size(), punti.size());
  for (size_t k = 0; k < punti.size(); ++k) {
    for (int c : {X, Y}) {
      const valore_tracciato& atteso = punti[k][static_cast<size_t>(c)];
      const valore_geometria& letto = (c == X ? s.valore->geometria.x : s.valore->geometria.y)[k];
      ASSERT_EQ(letto.etichetta, static_cast<uint16_t>(atteso.tipo)) << "metro " << k;
      ASSERT_EQ(letto.valore, atteso.numero()) << "metro " << k;
    }
  }
}

TEST(AndataRitorno, ScenarioIncorporato) {
  andata_e_ritorno("Castrea_Tovena", "R7302", componi_testo(elenco_linea()), componi_testo(elenco_treno()));
}

TEST(AndataRitorno, CoppiaDiProva) {
  andata_e_ritorno("Valle", "R1", prova::leggi_tutto(CARTELLA_DATI_PROVA "/Valle_linea.txt"),
                   prova::leggi_tutto(CARTELLA_DATI_PROVA "/Valle_R1-.txt"));
}

}  // namespace
}  // namespace scenario
