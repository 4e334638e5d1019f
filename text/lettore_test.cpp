#include "text/lettore.h"

#include <gtest/gtest.h>

namespace scenario {
namespace {

lettore_testo lettore_di(std::string testo) {
  lettore_testo l;
  l.apri_da_memoria(std::move(testo), "prova.txt");
  return l;
}

TEST(LettoreTesto, NumeriSeparatiDaSoliSpazi) {
  // Three number items on one line, separated by runs of blanks, with a trailing blank.
  auto l = lettore_di("orologio,    19              4             20 \r\nsabbia, 300\r\n");
  EXPECT_EQ(l.leggi_testo(), "orologio");
  EXPECT_EQ(l.leggi_numero16(), 19);
  EXPECT_EQ(l.leggi_numero16(), 4);
  EXPECT_EQ(l.leggi_numero16(), 20);
  // The last value consumed the trailing blank and the line end: the next item is the
  // keyword of the following line.
  EXPECT_EQ(l.leggi_testo(), "sabbia");
  EXPECT_EQ(l.luogo_elemento().riga, 2);
  EXPECT_EQ(l.luogo_elemento().colonna, 1);
  EXPECT_EQ(l.leggi_numero32(), 300);
  EXPECT_TRUE(l.fine_file());
}

TEST(LettoreTesto, ElementiDiTestoTengonoGliSpaziInterni) {
  auto l = lettore_di("cartello_indicatore,  6650,   (P.L.     )(Km. 4.743)\r\n[fine]\r\n");
  EXPECT_EQ(l.leggi_testo(), "cartello_indicatore");
  EXPECT_EQ(l.leggi_numero32(), 6650);
  EXPECT_EQ(l.leggi_testo(), "(P.L.     )(Km. 4.743)");
  EXPECT_EQ(l.leggi_testo(), "[fine]");
  EXPECT_TRUE(l.fine_file());
}

TEST(LettoreTesto, CampiVuotiValgonoZero) {
  auto l = lettore_di("indicatori_vmax,  2200,  80,  ,  ,  0\r\n");
  EXPECT_EQ(l.leggi_testo(), "indicatori_vmax");
  EXPECT_EQ(l.leggi_numero32(), 2200);
  EXPECT_EQ(l.leggi_numero32(), 80);
  EXPECT_EQ(l.leggi_numero32(), 0);
  EXPECT_EQ(l.leggi_numero32(), 0);
  EXPECT_EQ(l.leggi_numero32(), 0);
  EXPECT_TRUE(l.fine_file());
}

TEST(LettoreTesto, RigaVuotaEUnElementoVuoto) {
  auto l = lettore_di("\r\n\r\nvelocita, -25, 7\r\n");
  EXPECT_EQ(l.leggi_testo(), "");
  EXPECT_EQ(l.leggi_numero32(), 0);
  EXPECT_EQ(l.leggi_testo(), "velocita");
  EXPECT_EQ(l.leggi_numero32(), -25);  // a minus sign inside a value is part of the number
  EXPECT_EQ(l.leggi_numero8(), 7);
}

TEST(LettoreTesto, UnTestoSpezzatoAllaVirgola) {
  // A board text holding a comma ends at it; the rest is the next item.
  auto l = lettore_di("cartello_indicatore, 450, (PONTE, SUL)\r\n");
  EXPECT_EQ(l.leggi_testo(), "cartello_indicatore");
  EXPECT_EQ(l.leggi_numero32(), 450);
  EXPECT_EQ(l.leggi_testo(), "(PONTE");
  EXPECT_EQ(l.leggi_testo(), "SUL)");
  EXPECT_TRUE(l.fine_file());
}

TEST(LettoreTesto, FineRigaSoloLf) {
  auto l = lettore_di("a, 1\nb, 2\n");
  EXPECT_EQ(l.leggi_testo(), "a");
  EXPECT_EQ(l.leggi_numero32(), 1);
  EXPECT_EQ(l.leggi_testo(), "b");
  EXPECT_EQ(l.luogo_elemento().riga, 2);
}

TEST(LettoreTesto, GuastiDiLettura) {
  {
    auto l = lettore_di("300\r\n");  // 300 does not fit an 8-bit field
    EXPECT_THROW(l.leggi_numero8(), guasto_lettura);
  }
  {
    auto l = lettore_di("-1\r\n");
    EXPECT_THROW(l.leggi_numero8(), guasto_lettura);
  }
  {
    auto l = lettore_di("32768, -32768\r\n");
    EXPECT_THROW(l.leggi_numero16(), guasto_lettura);
  }
  {
    auto l = lettore_di("-32768\r\n");
    EXPECT_EQ(l.leggi_numero16(), -32768);
  }
  {
    auto l = lettore_di("2147483648\r\n");
    EXPECT_THROW(l.leggi_numero32(), guasto_lettura);
  }
  {
    auto l = lettore_di("99999999999999999999999999\r\n");
    EXPECT_THROW(l.leggi_numero32(), guasto_lettura);
  }
  {
    auto l = lettore_di("12x\r\n");  // only a minus sign and digits make a number
    EXPECT_THROW(l.leggi_numero32(), guasto_lettura);
  }
  {
    auto l = lettore_di("ultimo");
    EXPECT_EQ(l.leggi_testo(), "ultimo");
    EXPECT_TRUE(l.fine_file());
    try {
      l.leggi_testo();
      FAIL() << "lettura oltre la fine accettata";
    } catch (const guasto_lettura& g) {
      EXPECT_EQ(g.luogo().file, "prova.txt");
    }
  }
}

TEST(LettoreTesto, TestoTroppoLungoPerIlCampo) {
  auto l = lettore_di("x, " + std::string(LUNGHEZZA_MASSIMA_TESTO + 1, 'a') + "\r\n");
  EXPECT_EQ(l.leggi_testo(), "x");
  EXPECT_THROW(l.leggi_testo(), guasto_lettura);
}

TEST(LettoreTesto, TestoInesistente) {
  lettore_testo l;
  EXPECT_THROW(l.apri("/nonesiste/davvero.txt", "davvero.txt"), guasto_lettura);
}

TEST(Contiene, MaiuscoleEdEsatto) {
  EXPECT_TRUE(contiene("Lunghezza Percorso", "lunghezza"));
  EXPECT_TRUE(contiene("CURVAS6", "curva"));
  EXPECT_FALSE(contiene_esatto("Progressiva chilometrica uno", "progressiva"));
  EXPECT_TRUE(contiene_esatto("progressiva chilometrica uno", "uno"));
  EXPECT_TRUE(contiene("KESTL S\xDC" "D", "\xFC"));  // accented capitals fold too
  EXPECT_TRUE(contiene("----", "-"));
  EXPECT_FALSE(contiene("", "-"));
}

}  // namespace
}  // namespace scenario
