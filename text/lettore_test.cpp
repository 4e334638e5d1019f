#include "text/lettore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scenario {
namespace {

// Reads `testo` step by step: "t=X" is a text item X, "32=N", "16=N" and "8=N" a number
// item of that field width, "t!", "32!", "16!" and "8!" a reading failure, "fine" the end
// of the text, "@R:C" the line and column where the last item began.
void leggi_passi(const std::string& testo, const std::vector<std::string>& passi) {
  SCOPED_TRACE(testo.substr(0, 60));
  lettore_testo l;
  l.apri(testo, "prova.txt");
  for (const std::string& passo : passi) {
    SCOPED_TRACE(passo);
    if (passo == "fine") {
      EXPECT_TRUE(l.fine_file());
      continue;
    }
    if (passo[0] == '@') {
      const luogo_testo& luogo = l.luogo_elemento();
      EXPECT_EQ("@" + std::to_string(luogo.riga) + ":" + std::to_string(luogo.colonna), passo);
      continue;
    }
    const size_t segno = passo.find_first_of("=!");
    const std::string campo = passo.substr(0, segno);
    const auto leggi = [&]() -> std::string {
      if (campo == "t") return std::string(l.leggi_testo());
      if (campo == "32") return std::to_string(l.leggi_numero32());
      if (campo == "16") return std::to_string(l.leggi_numero16());
      return std::to_string(l.leggi_numero8());
    };
    if (passo[segno] == '!') {
      EXPECT_THROW(leggi(), guasto_lettura);
    } else {
      EXPECT_EQ(leggi(), passo.substr(segno + 1));
    }
  }
}

TEST(LettoreTesto, Elementi) {
  // Numbers separated by blanks alone; the last one takes the trailing blank and the line
  // end with it, so the next item is the following line's keyword.
  leggi_passi("orologio,    19              4             20 \r\nsabbia, 300\r\n",
              {"t=orologio", "16=19", "16=4", "16=20", "t=sabbia", "@2:1", "32=300", "fine"});
  // Blanks inside a text item belong to it.
  leggi_passi("cartello_indicatore,  6650,   (P.L.     )(Km. 4.743)\r\n[fine]\r\n",
              {"t=cartello_indicatore", "32=6650", "t=(P.L.     )(Km. 4.743)", "t=[fine]", "fine"});
  leggi_passi("indicatori_vmax,  2200,  80,  ,  ,  0\r\n",  // empty fields read as 0
              {"t=indicatori_vmax", "32=2200", "32=80", "32=0", "32=0", "32=0", "fine"});
  // An empty line is one empty item; a minus sign inside a value belongs to the number.
  leggi_passi("\r\n\r\nvelocita, -25, 7\r\n",
              {"t=", "32=0", "t=velocita", "32=-25", "8=7", "fine"});
  // A text holding a comma ends at it; the rest is the next item.
  leggi_passi("cartello_indicatore, 450, (PONTE, SUL)\r\n",
              {"t=cartello_indicatore", "32=450", "t=(PONTE", "t=SUL)", "fine"});
  leggi_passi("a, 1\nb, 2\n", {"t=a", "32=1", "t=b", "@2:1", "32=2", "fine"});
}

TEST(LettoreTesto, GuastiDiLettura) {
  leggi_passi("300\r\n", {"8!"});  // 300 does not fit an 8-bit field
  leggi_passi("255, -1\r\n", {"8=255", "8!"});
  leggi_passi("32768\r\n", {"16!"});
  leggi_passi("-32768, -32769\r\n", {"16=-32768", "16!"});
  leggi_passi("2147483647, 2147483648\r\n", {"32=2147483647", "32!"});
  leggi_passi("99999999999999999999999999\r\n", {"32!"});
  leggi_passi("12x\r\n", {"32!"});  // only a minus sign and digits make a number
  leggi_passi("ultimo", {"t=ultimo", "fine", "t!", "32!"});  // nothing left to read
  // An item that is only passed over (an author's note) has no length limit.
  const std::string nota(LUNGHEZZA_MASSIMA_TESTO + 1, 'a');
  leggi_passi("x, " + nota + "\r\n", {"t=x", "t=" + nota, "fine"});
}

TEST(Contiene, MaiuscoleEdEsatto) {
  EXPECT_TRUE(contiene("KESTL S\xDC" "D", "\xFC"));  // accented capitals fold too
  EXPECT_FALSE(contiene_esatto("Progressiva chilometrica uno", "progressiva"));
}

}  // namespace
}  // namespace scenario
