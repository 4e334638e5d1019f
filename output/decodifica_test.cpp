#include "output/decodifica.h"

#include <gtest/gtest.h>

#include "lingue/catalogo.h"

#include <cmath>
#include <string>

#include "output/file_compilati.h"
#include "tests/supporto/compilazione_prova.h"

namespace scenario {
namespace {

// A small compiled set written by the writers: line "L", train "T", 100 m long, so
// round((100 + 7000) / 50) + 1 = 143 cells and 7101 plan points per coordinate.
struct insieme_prova {
  std::vector<cella> percorso = std::vector<cella>(143);
  std::array<voce, VOCI_TABELLA> tabella{};
  piano_tracciato tracciato;

  insieme_prova() {
    const codici_identita c = calcola_codici_identita("T", "L");
    percorso[1].dato1 = 5121;
    percorso[1].dato2 = static_cast<int16_t>(c.og);
    tabella[84].fine = 100;
    tabella[85].nome = "L";
    tabella[85].valore1 = 610;
    tabella[85].orario = c.st;
    tabella[86].nome = "T";
    // A straight plan along +y: metres 0 and 1 as 16-bit points, 2 to 7098 computed
    // (y = metre), 7099 and 7100 empty.
    tracciato.ultimo_metro = 7100;
    tracciato.origine = true;
    tracciato.tratti = {{7098, 0.0}};
    tracciato.cursore = 7099;
  }
  file_compilati_letti file() const {
    return {"L_linea.dat", serializza_tracciato(tracciato), "L_T.sim", serializza_tabella(tabella),
            "L_T.dat",     serializza_percorso(percorso)};
  }
};

TEST(Decodifica, LeggeCiòCheGliScrittoriScrivono) {
  const insieme_prova p;
  const auto s = decodifica_scenario(p.file(), "L", "T");
  ASSERT_TRUE(s) << testo_errore(s.errore);
  EXPECT_EQ(s.valore->percorso, p.percorso);
  EXPECT_EQ(s.valore->tabella, p.tabella);
  EXPECT_EQ(s.valore->lunghezza, 100);
  ASSERT_EQ(s.valore->geometria.y.size(), 7101u);
  EXPECT_EQ(s.valore->geometria.y[1], (valore_geometria{ETICHETTA_INTERO16, 1.0}));
  EXPECT_EQ(s.valore->geometria.y[2], (valore_geometria{ETICHETTA_REALE, 2.0}));
  EXPECT_EQ(s.valore->geometria.y[7100], (valore_geometria{ETICHETTA_VUOTO, 0.0}));
}

TEST(Decodifica, CodiciDiIdentita) {
  // The ten capitals A-J and the fifteen letters k-y make the 25 letters a-y: codes 97 to
  // 121, sum 2725, weighted sum 36725.
  const codici_identita c = calcola_codici_identita("ABCDEFGHIJ", "klmnopqrstuvwxy");
  EXPECT_EQ(c.og, 2725);
  EXPECT_EQ(c.st, 36725);
  EXPECT_EQ(calcola_codici_identita("r7302", "castrea_tovena").og, calcola_codici_identita("R7302", "Castrea_Tovena").og);
}

// Each damaged file: where reading must stop and a word of why.
struct danno {
  const char* caso;
  int file;  // 0 geometry, 1 table, 2 track
  std::string byte;
  uint64_t posizione;
  const char* motivo;
};

TEST(Decodifica, FileRovinati) {
  const std::string cella_zero(15, '\0');
  std::string cella_uno = cella_zero;
  cella_uno[1] = 0x01;
  cella_uno[2] = 0x14;  // 5121 little-endian
  const std::string voce_vuota(34, '\0');
  std::string tabella_buona;
  for (int i = 0; i < 87; ++i) tabella_buona += voce_vuota;
  tabella_buona[85 * 34 + 16] = 0x62;  // 610 = 0x0262, entry 85 valore1 at 16 + 0
  tabella_buona[85 * 34 + 17] = 0x02;
  std::string tipo_sette = cella_zero + cella_uno + cella_zero;
  tipo_sette[30] = 7;
  std::string senza_intestazione = cella_zero + cella_zero;
  std::string intestazione_85 = tabella_buona;
  intestazione_85[85 * 34 + 16] = 0;
  const danno casi[] = {
      // 31 bytes: two whole cells, the third cut after 1 byte at offset 30.
      {"percorso tronco", 2, cella_zero + cella_uno + "x", 30, "la cella 2 è tronca: 1 byte"},
      {"percorso di una cella", 2, cella_zero, 15, "manca la cella 1"},
      {"percorso senza 5121", 2, senza_intestazione, 16, "atteso 5121, trovato 0"},
      {"cella di tipo 7", 2, tipo_sette, 30, "cella 2: tipo 7 sconosciuto"},
      // An integer element (4 bytes), then tag 7 at offset 4.
      {"etichetta 7", 0, std::string("\x02\0\0\0\x07\0", 6), 4, "etichetta di tipo 7 sconosciuta"},
      {"reale tronco", 0, std::string("\x05\0\0\0\0", 5), 0, "servono 8 byte dopo l'etichetta, ne restano 3"},
      {"tre valori", 0, std::string(6, '\0'), 6, "3 valori: un numero dispari"},
      // Two whole integer elements (8 bytes), then one stray byte: a third value's tag cut.
      {"geometria con un byte in più", 0, std::string("\x02\0\0\0\x02\0\x01\0x", 9), 8,
       "valore 2 tronco: manca parte dell'etichetta"},
      {"tabella corta", 1, tabella_buona.substr(0, 87 * 34 - 1), 86 * 34, "voce 86 tronca: servono 34 byte, ne restano 33"},
      {"tabella lunga", 1, tabella_buona + "z", 87 * 34, "1 byte in più dopo la voce 86"},
      // Clearing the low byte of 0x0262 leaves 0x0200 = 512.
      {"tabella senza 610", 1, intestazione_85, 85 * 34 + 16, "atteso 610, trovato 512"},
  };
  for (const danno& d : casi) {
    errore_decodifica e;
    if (d.file == 0) e = decodifica_geometria(d.byte, "g").errore;
    if (d.file == 1) e = decodifica_tabella(d.byte, "t").errore;
    if (d.file == 2) e = decodifica_percorso(d.byte, "p").errore;
    EXPECT_EQ(e.byte, d.posizione) << d.caso;
    EXPECT_NE(rendi(e.motivo).find(d.motivo), std::string::npos) << d.caso << ": " << rendi(e.motivo);
  }
}

TEST(Decodifica, InsiemeIncoerente) {
  struct caso {
    const char* nome;
    void (*guasta)(insieme_prova&);
    const char* linea;
    const char* file;
    const char* motivo;
  };
  const caso casi[] = {
      {"altra linea", [](insieme_prova&) {}, "M", "L_T.sim", "porta la linea \"L\", non \"M\""},
      {"codice della tabella", [](insieme_prova& p) { p.tabella[85].orario += 1; }, "L", "L_T.sim", "codice d'identità"},
      {"codice del percorso", [](insieme_prova& p) { p.percorso[1].dato2 += 1; }, "L", "L_T.dat", "codice d'identità"},
      {"una cella in meno", [](insieme_prova& p) { p.percorso.pop_back(); }, "L", "L_T.dat", "142 celle"},
      {"lunghezza negativa", [](insieme_prova& p) { p.tabella[84].fine = -50; }, "L", "L_T.sim", "-50 m fuori dai limiti (0-1000000)"},
      {"un punto in meno", [](insieme_prova& p) { --p.tracciato.ultimo_metro; }, "L", "L_linea.dat", "7100 punti"},
  };
  for (const caso& c : casi) {
    insieme_prova p;
    c.guasta(p);
    const auto s = decodifica_scenario(p.file(), c.linea, "T");
    ASSERT_FALSE(s) << c.nome;
    EXPECT_EQ(s.errore.file, c.file) << c.nome;
    EXPECT_NE(rendi(s.errore.motivo).find(c.motivo), std::string::npos) << c.nome << ": " << rendi(s.errore.motivo);
  }
}

// Every set the compiler writes reads back, at the edges of the line's length too (0 m
// compiles with a warning): the track has round((L + 7000) / 50) + 1 cells and the plan
// L + 7001 metres.
TEST(Decodifica, LeggeOgniInsiemeCheIlCompilatoreScrive) {
  for (const int32_t L : {0, 1, 1000000}) {
    SCOPED_TRACE(L);
    modello m;
    const auto file = prova::compila_in_memoria(
        "Z", "T", "[generale]\r\nlunghezza percorso, " + std::to_string(L) + "\r\n[fine]\r\n", "[generale]\r\n[fine]\r\n", m);
    const auto s = decodifica_scenario(file, "Z", "T");
    ASSERT_TRUE(s) << testo_errore(s.errore);
    EXPECT_EQ(s.valore->lunghezza, L);
    EXPECT_EQ(s.valore->percorso.size(), static_cast<size_t>(std::nearbyint((L + 7000) / 50.0)) + 1);
    EXPECT_EQ(s.valore->geometria.x.size(), static_cast<size_t>(L) + 7001);
  }
}

}  // namespace
}  // namespace scenario
