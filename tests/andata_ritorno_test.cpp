// What the decoder reads back from the compiled files equals, field by field, what the
// compile stage built: for the embedded scenario and for the small pair in tests/dati.
#include <gtest/gtest.h>

#include <string>

#include "app/costruzione.h"
#include "output/decodifica.h"
#include "output/file_compilati.h"
#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"
#include "tests/supporto/cartella_temporanea.h"
#include "text/lettura_dati.h"

namespace scenario {
namespace {

std::string testo(const std::vector<std::string>& righe) {
  std::string t;
  for (const std::string& r : righe) {
    if (r == SENTINELLA) break;
    t += r + "\r\n";
  }
  return t;
}

// Compiles the two texts in memory and checks the decoded files against the model.
void andata_e_ritorno(const std::string& linea, const std::string& treno, const std::string& testo_linea,
                      const std::string& testo_treno) {
  prova::cartella_temporanea cartella;
  modello m;
  m.cartella = cartella.percorso();
  m.linea = linea;
  m.treno = treno;
  cartella.scrivi(nome_testo_linea(m), testo_linea);
  cartella.scrivi(nome_testo_treno(m), testo_treno);
  leggi_e_rifinisci(m, 1);
  ASSERT_EQ(m.codice_errore, 0);
  ASSERT_EQ(timbra_intestazione(m), 0);

  const file_compilati_letti file{nome_geometria(m), serializza_tracciato(m.tracciato), nome_tabella(m),
                                  serializza_tabella(m.tabella), nome_percorso(m), serializza_percorso(m.percorso)};
  const auto s = decodifica_scenario(file, linea, treno);
  ASSERT_TRUE(s) << testo_errore(s.errore);
  EXPECT_EQ(s.valore->percorso, m.percorso);
  EXPECT_EQ(s.valore->tabella, m.tabella);
  ASSERT_EQ(s.valore->geometria.x.size(), m.tracciato.size());
  for (size_t k = 0; k < m.tracciato.size(); ++k) {
    for (int c : {X, Y}) {
      const valore_tracciato& atteso = m.tracciato[k][static_cast<size_t>(c)];
      const valore_geometria& letto = (c == X ? s.valore->geometria.x : s.valore->geometria.y)[k];
      ASSERT_EQ(letto.etichetta, static_cast<uint16_t>(atteso.tipo)) << "metro " << k;
      ASSERT_EQ(letto.valore, atteso.numero()) << "metro " << k;
    }
  }
}

TEST(AndataRitorno, ScenarioIncorporato) {
  andata_e_ritorno(LINEA_INCORPORATA, TRENO_INCORPORATO, testo(elenco_linea()), testo(elenco_treno()));
}

TEST(AndataRitorno, CoppiaDiProva) {
  andata_e_ritorno("Valle", "R1", prova::leggi_tutto(CARTELLA_DATI_PROVA "/Valle_linea.txt"),
                   prova::leggi_tutto(CARTELLA_DATI_PROVA "/Valle_R1-.txt"));
}

}  // namespace
}  // namespace scenario
