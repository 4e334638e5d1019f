#include "model/formato.h"

#include <gtest/gtest.h>

namespace scenario::formato {
namespace {

// Every spelling of a record is recognised by the record's own test, and by the tests of
// no record before it in its text (the reading acts on every test that matches).
TEST(Formato, OgniFormaERiconosciutaDalSuoRecord) {
  for (testo t : {testo::linea, testo::treno}) {
    for (const record& r : records(t)) {
      for (std::string_view f : r.forme) {
        EXPECT_TRUE(riconosce(r, f)) << f;
        EXPECT_EQ(cerca(t, f), &r) << f;
        EXPECT_EQ(record_della_forma(t, f), &r) << f;
        for (const record& altro : records(t)) {
          if (&altro != &r) {
            EXPECT_FALSE(riconosce(altro, f)) << f << " come " << altro.parola;
          }
        }
      }
    }
  }
  // Exact records need their case; the others do not.
  EXPECT_FALSE(riconosce(*cerca(testo::linea, "sfondo uno"), "Sfondo uno"));
  EXPECT_TRUE(riconosce(*cerca(testo::treno, "stazione"), "STAZIONE"));
}

// The codings of the compiled fields and their readings back, by the worked values of the
// reference: an indicator of 95 and 100 km/h on its two sides is 1920, 57 km/h is kept as
// 11 steps of 5.
TEST(Formato, CodificheEDecodifiche) {
  EXPECT_EQ(indicatore_in_cella(95, 100), 1920);
  EXPECT_EQ(indicatore_da_cella(1920), (std::pair<int32_t, int32_t>{95, 100}));
  EXPECT_EQ(indicatore_in_cella(80, 0), 1600);
  EXPECT_EQ(indicatore_da_cella(1616), (std::pair<int32_t, int32_t>{80, 80}));
  EXPECT_EQ(velocita_in_cella(57), 11);
  EXPECT_EQ(velocita_in_cella(-2), 0);  // -0.4 rounds to 0
  EXPECT_EQ(velocita_da_cella(11), 55);
  EXPECT_EQ(pendenza_da_cella(static_cast<uint8_t>(pendenza_in_cella(-10))), -10);
  const segnale_decodificato s = segnale_da_cella(static_cast<int16_t>(codice_segnale(3, 2, 1)));
  EXPECT_EQ(s.rapp, 3);
  EXPECT_EQ(s.sx, 2);
  EXPECT_EQ(s.dx, 1);
  EXPECT_EQ(montagna_da_testo(13).tipo, 3);
  EXPECT_TRUE(montagna_da_testo(13).celle_libere);
  EXPECT_EQ(classe_curva(-0.001), 4);
  EXPECT_EQ(raggio_curva(4), 1000);
  EXPECT_EQ(raggio_curva(6), 333);
  // The embedded numbering "uno" (0, 150300, flag 1, +100 when ordered) counts down.
  EXPECT_EQ(chilometro_di(150400, 1, 1000), 149400);
  EXPECT_EQ(orario_in_tabella(19, 34, 30), 70470);
}

TEST(Formato, ModelloDiUnRecord) {
  EXPECT_EQ(modello_record(*cerca(testo::linea, "pendenza")), "pendenza, p, g");
  EXPECT_EQ(cerca(testo::treno, "stazione")->campi.size(), 17u);
  EXPECT_EQ(cerca(testo::treno, "segnale")->campi.size(), 11u);
}

}  // namespace
}  // namespace scenario::formato
