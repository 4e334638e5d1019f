#include "vista/confronto.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/compilazione_prova.h"
#include "vista/json.h"

namespace scenario::vista {
namespace {

std::string sostituisci(std::string testo, const std::string& da, const std::string& a) {
  const size_t dove = testo.find(da);
  EXPECT_NE(dove, std::string::npos) << da;
  if (dove != std::string::npos) testo.replace(dove, da.size(), a);
  return testo;
}

scenario_decodificato valmora(const std::string& linea, const std::string& treno) {
  modello m;
  const auto file = prova::compila_in_memoria("Valmora", "R2215", linea, treno, m);
  auto s = decodifica_scenario(file, "Valmora", "R2215");
  EXPECT_TRUE(s) << testo_errore(s.errore);
  return s ? *s.valore : scenario_decodificato{};
}

const std::string LINEA = prova::leggi_tutto(CARTELLA_DATI_PROVA "/../../examples/Valmora_linea.txt");
const std::string TRENO = prova::leggi_tutto(CARTELLA_DATI_PROVA "/../../examples/Valmora_R2215-.txt");

TEST(Confronto, StessiFileNessunaDifferenza) {
  const scenario_decodificato s = valmora(LINEA, TRENO);
  const confronto_scenari c = confronta(s, s);
  EXPECT_TRUE(c.uguali());
  EXPECT_EQ(c.celle_diverse, 0u);
}

// The example with Prato Alto moved from 7000 to 7200 m and the limit of 75 km/h from
// 9000 m raised to 80: it holds up to the next limit, at 21500 m.
TEST(Confronto, StazioneSpostataELimiteCambiato) {
  std::string treno = sostituisci(TRENO, "stazione,   7000, 12,  400", "stazione,   7200, 12,  400");
  treno = sostituisci(treno, "velocita,   9000,    75", "velocita,   9000,    80");
  const confronto_scenari c = confronta(valmora(LINEA, TRENO), valmora(LINEA, treno));
  EXPECT_FALSE(c.uguali());
  EXPECT_TRUE(c.intestazione.empty());
  ASSERT_EQ(c.stazioni.size(), 1u);
  EXPECT_EQ(c.stazioni[0].cosa, "spostata");
  EXPECT_EQ(c.stazioni[0].nome, "Prato Alto");
  EXPECT_EQ(c.stazioni[0].prima_m, 7000);
  EXPECT_EQ(c.stazioni[0].dopo_m, 7200);
  EXPECT_TRUE(c.stazioni[0].dettagli.empty());  // same times, stop and size
  ASSERT_EQ(c.profili.size(), 1u);
  EXPECT_EQ(c.profili[0].profilo, "velocita'");
  EXPECT_EQ(c.profili[0].da_m, 9000);
  EXPECT_EQ(c.profili[0].a_m, 21500);
  EXPECT_EQ(c.profili[0].prima, "75 km/h");
  EXPECT_EQ(c.profili[0].dopo, "80 km/h");
  EXPECT_TRUE(c.oggetti.empty());
  // Cells 180 to 429 carry the limit; the station of 400 m ends at 7200 m, then 7400 m:
  // its stop cell (end / 50 - 1) goes from 143 to 147 and its approach cells from
  // 139-142 to 143-146, so cells 139 to 147 change as well.
  EXPECT_EQ(c.celle_diverse, 250u + 9u);
  EXPECT_EQ(c.metri_diversi, 0u);
  EXPECT_NE(confronto_json(c).find("\"cosa\": \"spostata\""), std::string::npos);
}

TEST(Confronto, RinominataOggettoAggiuntoValoreDiTesta) {
  std::string treno = sostituisci(TRENO, "Fontanelle", "Fontanelle Alta");
  treno = sostituisci(treno, "[codici]", "segnale, 17500, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n[codici]");
  treno = sostituisci(treno, "sabbia,    200", "sabbia,    250");
  const confronto_scenari c = confronta(valmora(LINEA, TRENO), valmora(LINEA, treno));
  ASSERT_EQ(c.intestazione.size(), 1u);
  EXPECT_EQ(c.intestazione[0].campo, "sabbia");
  ASSERT_EQ(c.stazioni.size(), 1u);
  EXPECT_EQ(c.stazioni[0].cosa, "rinominata");
  EXPECT_EQ(c.stazioni[0].nome_dopo, "Fontanelle Alta");
  bool segnale = false;
  for (const cambio_oggetto& o : c.oggetti) segnale |= o.tipo == "segnale" && o.cosa == "aggiunto" && o.dopo_m == 17500;
  EXPECT_TRUE(segnale);
}

}  // namespace
}  // namespace scenario::vista
