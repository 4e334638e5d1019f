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

// The example with a signal moved, a board removed, a curve changed, a station renamed
// with an accent, the clock and a mountain-side stretch's type changed: each is named by
// its record as the author writes it. The example counts kilometres from km 52.000 at the
// origin, upwards (progressiva chilometrica uno, 0, 52000, 0): 6500 m is km 58.500.
TEST(Confronto, OgniCambioNelleParoleDellAutore) {
  std::string linea = sostituisci(LINEA, "cartello_indicatore,  3300,  (FINE GALLERIA)\r\n", "");
  linea = sostituisci(linea, "curvas4,  2600,  600", "curvas5,  2600,  600");
  linea = sostituisci(linea, "montagna,  6000,  7500,  12", "montagna,  6000,  7500,  13");
  std::string treno = sostituisci(TRENO, "segnale,   6500,", "segnale,   6700,");
  treno = sostituisci(treno, "   30,   7,27, 0, Prato Alto", "   45,   7,28, 0, Prat\xC3\xB2 Alto");
  treno = sostituisci(treno, "orologio,    7,  15,  0", "orologio,    7,  28,  0");
  const scenario_decodificato dopo = valmora(linea, treno);
  const confronto_scenari c = confronta(valmora(LINEA, TRENO), dopo);
  const std::string testo = testo_confronto(c, valmora(LINEA, TRENO), dopo);
  for (const char* riga : {
           "  orologio: 7:15:00 -> 7:28:00\n",
           "  rinominata: Prato Alto -> Prat\xC3\xB2 Alto a 7000 m (km 59.000)\n"
           "      sosta (s): 30 -> 45\n"
           "      orario: 7:27:00 -> 7:28:00\n",
           "  curva cambiata a 2600 m (km 54.600): curvas4, 2600, 600 (a sinistra, classe 4, raggio 1000 m) -> "
           "curvas5, 2600, 600 (a sinistra, classe 5, raggio 500 m)\n",
           "  cartello tolto a 3300 m (km 55.300): cartello_indicatore, 3300, (FINE GALLERIA)\n",
           "  tratto di montagna cambiato a 6000 m (km 58.000): montagna, 6000, 7500, 12 -> montagna, 6000, 7500, 13\n",
           "  segnale spostato da 6500 m (km 58.500) a 6700 m (km 58.700): segnale, 6700, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0\n",
       }) {
    EXPECT_NE(testo.find(riga), std::string::npos) << riga << "\n" << testo;
  }
  // The time is one value, not its hours, minutes and seconds apart.
  ASSERT_EQ(c.stazioni.size(), 1u);
  EXPECT_EQ(c.stazioni[0].dettagli.size(), 2u);
  // The cells last, as the detail: the board's cell, 3300 / 50 + 1 = 67, among them.
  EXPECT_NE(testo.find("Dettaglio: celle diverse"), std::string::npos);
  EXPECT_NE(testo.find("67 (3300-3350 m)"), std::string::npos) << testo;
  // The same words in JSON.
  const std::string json = confronto_json(c);
  for (const char* parte : {"\"nome_dopo\": \"Prat\xC3\xB2 Alto\"", "\"prima\": \"cartello_indicatore, 3300, (FINE GALLERIA)\"",
                            "\"dopo\": \"segnale, 6700, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0\"", "\"dopo\": \"7:28:00\"",
                            "\"dopo\": \"montagna, 6000, 7500, 13\""}) {
    EXPECT_NE(json.find(parte), std::string::npos) << parte << "\n" << json;
  }
}

// The numbering moved from km 52.000 to km 100.000 at the origin along with other changes:
// a place of the set before is named by its kilometres (km 52 + p), one of the set after
// by its own (km 100 + p), a place of both by the two when they differ.
TEST(Confronto, OgniLatoColSuoChilometraggio) {
  std::string linea = sostituisci(LINEA, "progressiva chilometrica uno,    0,    52000,    0",
                                  "progressiva chilometrica uno,    0,   100000,    0");
  linea = sostituisci(linea, "montagna,  6000,  7500,  12", "montagna,  6000,  7500,  13");
  std::string treno = sostituisci(TRENO, "segnale,   6500,", "segnale,   6600,");
  treno = sostituisci(treno, "velocita,   9000,    75", "velocita,   9000,    70");
  treno = sostituisci(treno, "stazione,  13000, 24,  300,  0, 0, 0,  0,0,0,  4,1,1,    0,   0, 0, 0, Fontanelle\r\n", "");
  const scenario_decodificato prima = valmora(LINEA, TRENO), dopo = valmora(linea, treno);
  const std::string testo = testo_confronto(confronta(prima, dopo), prima, dopo);
  for (const char* riga : {
           "  tolta: Fontanelle a 13000 m (km 65.000)\n",
           "  km 61.000 - km 73.500 -> km 109.000 - km 121.500 (9000-21500 m): 75 km/h -> 70 km/h\n",
           "  tratto di montagna cambiato a 6000 m (km 58.000 -> km 106.000): ",
           "  segnale spostato da 6500 m (km 58.500) a 6600 m (km 106.600): ",
       }) {
    EXPECT_NE(testo.find(riga), std::string::npos) << riga << "\n" << testo;
  }
}

}  // namespace
}  // namespace scenario::vista
