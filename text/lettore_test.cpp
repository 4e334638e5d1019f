#include "text/lettore.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/supporto/casuale.h"
#include "text/fasi.h"

namespace scenario {
namespace {

// Reads `testo` step by step: "t=X" is a text item X, "m=X" one the table keeps, "32=N", "16=N" and "8=N" a number
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
      if (campo == "m") return std::string(l.leggi_testo_memorizzato("testo"));
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
  // A text item keeps the blanks an author left before its comma or line end (a name or a
  // board text is stored with them, a message quotes them); its place ends before them.
  leggi_passi("cartello_indicatore  , 3300,  (FINE  \r\nstazione, Prato Alto \t, 7\r\nx, A\r\n",
              {"t=cartello_indicatore  ", "32=3300", "m=(FINE  ", "t=stazione", "m=Prato Alto \t", "@2:11",
               "32=7", "t=x", "m=A", "fine"});
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

// An item that is not a number says why, in the author's terms, only where the reason is
// certain: thousands are three digits after a separator, not fewer and not more.
TEST(LettoreTesto, PercheNonNumero) {
  const std::string migliaia = "\": i numeri non hanno separatore delle migliaia, scrivere ";
  const std::string decimali = "\": i numeri sono interi, senza decimali";
  const std::vector<std::pair<std::string, std::string>> casi = {
      {"40.000", "numero non valido: \"40.000" + migliaia + "40000"},
      {"-1'000'000", "numero non valido: \"-1'000'000" + migliaia + "-1000000"},
      {"1.00", "numero non valido: \"1.00" + decimali},
      {"1.0000", "numero non valido: \"1.0000" + decimali},
      {"1234.000", "numero non valido: \"1234.000" + decimali},
      {"12x", "numero non valido: \"12x\""},
      {"x", "numero non valido: \"x\""},
  };
  for (const auto& [elemento, messaggio] : casi) {
    lettore_testo l;
    const std::string testo = "velocita, " + elemento + ", 90\r\n";
    l.apri(testo, "t");
    l.leggi_testo();
    try {
      l.leggi_numero32();
      ADD_FAILURE() << elemento << " letto come numero";
    } catch (const guasto_lettura& g) {
      EXPECT_EQ(std::string(g.what()), messaggio);
    }
  }
}

// The item syntax as the reading states it, a byte at a time: blanks are spaces and tabs;
// a text item runs to a comma or a line end, trailing blanks included, and ends, for its
// place, before them; a number item runs to a blank, a comma or a line end, and is an optional minus
// sign and digits (none: 0); after any item, blanks, then one comma or one line end (CR LF,
// LF or a lone CR). Lines and columns count from 1; a column is a byte of the line.
class modello_elementi {
 public:
  explicit modello_elementi(std::string t) : t_(std::move(t)) {}
  struct elemento {
    std::string testo;
    int64_t valore = 0;
    std::optional<std::string> guasto;  // the failure's message
    int32_t riga = 0, colonna = 0, fine = 0;
    chiusura_elemento chiusura = chiusura_elemento::altro;
  };
  bool fine_file() const { return i_ >= t_.size(); }
  elemento testo() { return leggi(false, 0, 0, ""); }
  elemento numero(int64_t minimo, int64_t massimo, const char* campo) { return leggi(true, minimo, massimo, campo); }

 private:
  static bool spazio(char c) { return c == ' ' || c == '\t'; }
  static bool fine_riga(char c) { return c == '\r' || c == '\n'; }
  elemento leggi(bool numero, int64_t minimo, int64_t massimo, const std::string& campo) {
    elemento e;
    if (fine_file()) {
      e.guasto = "lettura oltre la fine del testo";
      return e;
    }
    while (i_ < t_.size() && spazio(t_[i_])) ++i_;
    const size_t inizio = i_;
    while (i_ < t_.size() && t_[i_] != ',' && !fine_riga(t_[i_]) && !(numero && spazio(t_[i_]))) ++i_;
    size_t ultimo = i_;
    while (ultimo > inizio && spazio(t_[ultimo - 1])) --ultimo;
    e.testo = t_.substr(inizio, (numero ? ultimo : i_) - inizio);
    e.riga = riga_;
    e.colonna = static_cast<int32_t>(inizio - inizio_riga_) + 1;
    e.fine = static_cast<int32_t>(ultimo - inizio_riga_) + 1;
    if (numero) {
      const bool meno = !e.testo.empty() && e.testo[0] == '-';
      for (size_t k = meno ? 1 : 0; k < e.testo.size(); ++k) {
        if (e.testo[k] < '0' || e.testo[k] > '9') {
          e.guasto = "numero non valido";
          return e;
        }
        e.valore = e.valore * 10 + (e.testo[k] - '0');
        if (e.valore > (int64_t{1} << 40)) break;
      }
      if (meno) e.valore = -e.valore;
      if (e.valore < minimo || e.valore > massimo) {
        e.guasto = "numero fuori dal campo " + campo + ": \"" + e.testo + "\"";
        return e;
      }
    }
    while (i_ < t_.size() && spazio(t_[i_])) ++i_;
    if (i_ >= t_.size()) {
      e.chiusura = chiusura_elemento::fine_testo;
    } else if (t_[i_] == ',') {
      ++i_;
      e.chiusura = chiusura_elemento::virgola;
    } else if (fine_riga(t_[i_])) {
      if (t_[i_++] == '\r' && i_ < t_.size() && t_[i_] == '\n') ++i_;
      ++riga_;
      inizio_riga_ = i_;
      e.chiusura = chiusura_elemento::fine_riga;
    }
    return e;
  }
  std::string t_;
  size_t i_ = 0;
  int32_t riga_ = 1;
  size_t inizio_riga_ = 0;
};

// Random texts of items of every shape (runs of blanks and digits longer than a word of the
// machine, numbers beyond every field, NUL bytes inside, every line end, no line end at the
// end) read with random requests, one item or a run of numbers at a time: the reader gives
// what the syntax gives, item for item, place for place.
TEST(LettoreTesto, ComeLaSintassiDegliElementi) {
  prova::casuale r(31);
  const std::vector<std::string> pezzi = {" ", "  ", "      ", "\t", ",", ", ", "\r\n", "\n", "\r", "-", "0", "7",
                                          "42", "12345678", "123456789", "99999999999999", "x", "a b", ".", std::string(1, '\0')};
  for (int prova = 0; prova < 4000; ++prova) {
    std::string testo;
    const int64_t quanti = r.tra(0, 30);
    for (int64_t k = 0; k < quanti; ++k) testo += pezzi[static_cast<size_t>(r.sotto(static_cast<int64_t>(pezzi.size())))];
    SCOPED_TRACE(testing::PrintToString(testo));
    lettore_testo l;
    l.apri(testo, "t");
    modello_elementi m(testo);
    for (int passo = 0; passo < 40 && !m.fine_file(); ++passo) {
      const int64_t tipo = r.sotto(4);
      std::vector<modello_elementi::elemento> attesi;
      std::vector<int64_t> letti;
      std::vector<int32_t> valori(static_cast<size_t>(r.tra(1, 4)));
      uint32_t vuoti = 0;
      std::optional<std::string> guasto;
      std::string testo_letto;
      try {
        if (tipo == 0) {
          attesi.push_back(m.testo());
          testo_letto = std::string(l.leggi_testo());
        } else if (tipo == 1) {
          attesi.push_back(m.numero(INT16_MIN, INT16_MAX, "a 16 bit"));
          letti.push_back(l.leggi_numero16());
        } else if (tipo == 2) {
          attesi.push_back(m.numero(0, 255, "a 8 bit"));
          letti.push_back(l.leggi_numero8());
        } else {
          for (size_t k = 0; k < valori.size() && (attesi.empty() || !attesi.back().guasto); ++k) {
            attesi.push_back(m.numero(INT32_MIN, INT32_MAX, "a 32 bit"));
          }
          vuoti = l.leggi_numeri32(valori, letti);
        }
      } catch (const guasto_lettura& g) {
        guasto = g.what();
      }
      const modello_elementi::elemento& ultimo = attesi.back();
      ASSERT_EQ(guasto.has_value(), ultimo.guasto.has_value()) << "passo " << passo;
      if (guasto) {
        // A message is a C string: a NUL of the item ends it.
        EXPECT_TRUE(guasto->starts_with(ultimo.guasto->c_str())) << *guasto;
        break;
      }
      for (size_t k = 0; tipo != 0 && k < attesi.size(); ++k) {
        ASSERT_EQ(letti.at(k), attesi[k].valore) << "valore " << k;
        if (tipo == 3) {
          EXPECT_EQ(valori[k], attesi[k].valore);
          EXPECT_EQ((vuoti >> k & 1) != 0, attesi[k].testo.empty()) << "vuoto " << k;
        }
      }
      if (tipo == 0) {
        EXPECT_EQ(testo_letto, ultimo.testo);
      }
      const luogo_testo luogo = l.luogo_elemento();
      EXPECT_EQ(luogo.riga, ultimo.riga);
      EXPECT_EQ(luogo.colonna, ultimo.colonna);
      EXPECT_EQ(luogo.fine, ultimo.fine);
      EXPECT_EQ(l.chiusura(), ultimo.chiusura);
      EXPECT_EQ(l.fine_file(), m.fine_file());
    }
  }
}

// What a text holds lets every piece of it through, wherever it stands, whatever its bytes;
// and it keeps out a word whose letters are all there but not side by side as in the word.
TEST(Impronta, OgniPezzoPassaUnaParolaSparsaNo) {
  prova::casuale r(61);
  for (int prova = 0; prova < 2000; ++prova) {
    std::string testo;
    for (int64_t k = r.tra(0, 40); k > 0; --k) testo += static_cast<char>(r.moneta(3) ? r.tra(0, 255) : r.tra('a', 'e'));
    const size_t da = static_cast<size_t>(r.tra(0, static_cast<int64_t>(testo.size())));
    const std::string pezzo = testo.substr(da, static_cast<size_t>(r.tra(0, 12)));
    EXPECT_TRUE(impronta_di(testo).comprende(impronta_di(pezzo))) << testing::PrintToString(testo) << " " << pezzo;
  }
  // "stazione" has every letter in the note, but no "st".
  const impronta nota = impronta_di("annotazione libera dell'autore sulla riga");
  EXPECT_EQ(nota.lettere & impronta_di("stazione").lettere, impronta_di("stazione").lettere);
  EXPECT_FALSE(nota.comprende(impronta_di("stazione")));
  EXPECT_TRUE(nota.comprende(impronta_di("azione")));
}

TEST(Contiene, MaiuscoleEdEsatto) {
  EXPECT_TRUE(contiene("KESTL S\xDC" "D", "\xFC"));  // accented capitals fold too
  EXPECT_FALSE(contiene_esatto("Progressiva chilometrica uno", "progressiva"));
}

// Lines drawn loose (keywords of every shape, blanks and tabs, signs, runs of one to nine
// digits, commas, every line end, words among the numbers, the text's end anywhere): where the
// one-pass reading of a line in plain form takes a line, reading it item by item gives the same
// numbers and leaves the reading in the same place; and every tidy line is taken.
TEST(LettoreTesto, RigaSempliceComeElementoPerElemento) {
  prova::casuale r(47);
  const std::vector<std::string> parole = {"velocita", "pendenza", "curvad4", "a", "velocita ", " velocita", "Velocita",
                                           "indicatori_vmax", "v2", "-x", ""};
  // ':' and '/' stand next to the digits in the code table.
  const std::vector<std::string> pezzi = {"", " ", "   ", "\t", "-", "0", "7", "42", "12345678", "123456789", "x", ",", ":", "/"};
  const std::vector<std::string> fini = {"\r\n", "\n", "\r", "", ",\r\n", " 8\r\n", " km/h\n"};
  int prese = 0;
  for (int prova = 0; prova < 3000; ++prova) {
    std::string testo;
    const int64_t righe = r.tra(1, 4);
    std::vector<size_t> numeri;
    for (int64_t k = 0; k < righe; ++k) {
      testo += parole[static_cast<size_t>(r.sotto(static_cast<int64_t>(parole.size())))] + ",";
      const size_t n = static_cast<size_t>(r.tra(0, 4));  // none too: no plain line reads no number
      numeri.push_back(n);
      for (size_t i = 0; i < n; ++i) {
        if (i > 0) testo += ",";
        if (!r.moneta(3)) {
          testo += " " + std::to_string(r.tra(-99999, 9999999));
        } else {
          for (int64_t j = r.tra(1, 3); j > 0; --j) testo += pezzi[static_cast<size_t>(r.sotto(static_cast<int64_t>(pezzi.size())))];
        }
      }
      testo += fini[static_cast<size_t>(r.sotto(static_cast<int64_t>(fini.size())))];
    }
    SCOPED_TRACE(testing::PrintToString(testo));
    lettore_testo a;
    lettore_testo b;
    a.apri(testo, "t");
    b.apri(testo, "t");
    for (size_t riga = 0; riga < numeri.size() && !a.fine_file(); ++riga) {
      riga_semplice s;
      int32_t v[8];
      const bool presa = !a.parola_semplice(s).empty() && a.numeri_semplici(s, v, numeri[riga]);
      if (!presa) {
        // Both go on from the next line, as a refused record does.
        a.riprendi_dalla_riga_dopo(a.letti(), a.riga_corrente());
        b.riprendi_dalla_riga_dopo(b.letti(), b.riga_corrente());
        continue;
      }
      ++prese;
      a.passa_numeri(s);
      ASSERT_EQ(b.leggi_testo(), s.parola);
      std::vector<int32_t> w(numeri[riga]);
      std::vector<int64_t> letti;
      ASSERT_NO_THROW(b.leggi_numeri32(w, letti));
      for (size_t i = 0; i < w.size(); ++i) EXPECT_EQ(v[i], w[i]) << "valore " << i;
      EXPECT_EQ(a.letti(), b.letti());
      EXPECT_EQ(a.riga_corrente(), b.riga_corrente());
      EXPECT_EQ(a.inizio_riga_corrente(), b.inizio_riga_corrente());
      EXPECT_EQ(a.chiusura(), b.chiusura());
      EXPECT_EQ(a.luogo_elemento(), b.luogo_elemento());
    }
  }
  EXPECT_GT(prese, 300);
  // Tidy lines, one with the eight digits a number may have, and the same keyword on the next
  // line known by its bytes; a keyword of the same length that differs in its first or last
  // bytes is not.
  const std::string tidy =
      "velocita,   99999999, -80\r\npendenza,12,0\nvelocita, 1, 2\rvelocita, 3, 4\r\ncurvad4, 5, 6\r\ncurvad5, 7, 8\r\n"
      "curvas5, 9, 10\r\nindicatori_vmax, 11, 12\r\nindicatori_vmax, 13, 14\r\nfine";
  lettore_testo l;
  l.apri(tidy, "t");
  const std::vector<std::pair<std::string_view, std::vector<int32_t>>> attese = {
      {"velocita", {99999999, -80}}, {"pendenza", {12, 0}}, {"velocita", {1, 2}},        {"velocita", {3, 4}},
      {"curvad4", {5, 6}},      {"curvad5", {7, 8}},   {"curvas5", {9, 10}},        {"indicatori_vmax", {11, 12}},
      {"indicatori_vmax", {13, 14}}};
  std::string_view prima;
  for (const auto& [parola, valori] : attese) {
    riga_semplice s;
    const bool stessa = !prima.empty() && l.stessa_parola(s, prima);
    EXPECT_EQ(stessa, prima == parola) << parola;
    if (!stessa) {
      ASSERT_EQ(l.parola_semplice(s), parola);
    }
    int32_t v[2];
    ASSERT_TRUE(l.numeri_semplici(s, v, 2)) << parola;
    EXPECT_EQ(v[0], valori[0]);
    EXPECT_EQ(v[1], valori[1]);
    l.passa_numeri(s);
    prima = s.parola;
  }
  riga_semplice s;
  EXPECT_TRUE(l.parola_semplice(s).empty());  // no comma after it
}

}  // namespace
}  // namespace scenario
