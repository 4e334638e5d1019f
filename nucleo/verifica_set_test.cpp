// The finished set checked against the texts, as a property of texts drawn as loosely as
// the reading accepts them: every record the set holds gives no word from the check, and
// each single overwrite put into them is reported at the record that loses.
#include "nucleo/verifica_set.h"

#include <gtest/gtest.h>

#include <string>

#include "nucleo/compilazione.h"
#include "tests/supporto/testi_liberi.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

using prova::sovrascrittura;

// The texts compiled as of old, so that what the reading itself warns of (a record over
// two lines) still builds and the check runs on the finished set.
risultato compila(const prova::testi_generati& t, modello& m) {
  richiesta r;
  r.linea = "Libera";
  r.treno = "T1";
  r.permissivo = true;
  r.testo_linea = {"Libera_linea.txt", t.linea, true, ""};
  r.testo_treno = {"Libera_T1-.txt", t.treno, true, ""};
  return memorizza_percorso(r, m, nullptr);
}

bool del_controllo(const diagnostica& d) {
  return d.numero == avviso::oggetto_perso || d.numero == avviso::valore_cambiato;
}

std::string elenco(const elenco_diagnostiche& d) {
  std::string s;
  for (const diagnostica& x : d) {
    s += std::to_string(x.numero) + " " + (x.luogo ? x.luogo->file + ":" + std::to_string(x.luogo->riga) : "") + " " +
         x.motivo + "\n";
  }
  return s;
}

TEST(VerificaSet, OgniRecordTenutoNessunaParola) {
  int costruiti = 0;
  for (uint64_t seme = 1; seme <= 300; ++seme) {
    SCOPED_TRACE(seme);
    const prova::testi_generati t = prova::testi_liberi(seme);
    modello m;
    const risultato e = compila(t, m);
    costruiti += e.riuscito;
    for (const diagnostica& d : e.diagnostiche) {
      EXPECT_FALSE(del_controllo(d)) << elenco(e.diagnostiche) << t.linea << t.treno;
      // Nothing else may stop them either: the texts are a scenario as drawn.
      EXPECT_NE(d.livello, gravita::errore) << elenco(e.diagnostiche);
    }
  }
  EXPECT_EQ(costruiti, 300);
}

TEST(VerificaSet, OgniSovrascritturaDetta) {
  const sovrascrittura tipi[] = {sovrascrittura::sotto_fermata, sovrascrittura::preavviso, sovrascrittura::montagna,
                                 sovrascrittura::curva, sovrascrittura::generale, sovrascrittura::progressiva};
  for (const sovrascrittura s : tipi) {
    int messe = 0;
    for (uint64_t seme = 1; seme <= 120; ++seme) {
      SCOPED_TRACE(std::to_string(static_cast<int>(s)) + " seme " + std::to_string(seme));
      const prova::testi_generati t = prova::testi_liberi(seme, s);
      if (t.riga == 0) continue;  // no room for it in this scenario
      ++messe;
      modello m;
      const risultato e = compila(t, m);
      const std::string file = t.in_linea ? "Libera_linea.txt" : "Libera_T1-.txt";
      bool detta = false;
      for (const diagnostica& d : e.diagnostiche) {
        detta = detta || (del_controllo(d) && d.luogo && d.luogo->file == file && d.luogo->riga == t.riga);
      }
      EXPECT_TRUE(detta) << file << ":" << t.riga << "\n" << elenco(e.diagnostiche) << t.linea << t.treno;
      // In author mode the same texts fail.
      richiesta r;
      r.linea = "Libera";
      r.treno = "T1";
      r.testo_linea = {"Libera_linea.txt", t.linea, true, ""};
      r.testo_treno = {"Libera_T1-.txt", t.treno, true, ""};
      modello severo;
      EXPECT_FALSE(memorizza_percorso(r, severo, nullptr).riuscito);
    }
    // Most scenarios have room for each kind of overwrite.
    EXPECT_GE(messe, 60) << static_cast<int>(s);
  }
}

}  // namespace
}  // namespace scenario
