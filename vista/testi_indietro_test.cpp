#include "vista/testi_indietro.h"

#include <gtest/gtest.h>

#include <iostream>
#include <string>

#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"
#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/compilazione_prova.h"
#include "tests/supporto/scenari_casuali.h"

namespace scenario::vista {
namespace {

struct compilazione {
  bool riuscita = false;
  bool con_avvisi = false;
  file_compilati_letti file;
};

// Compiled as of old: whatever set the compiler writes, even one whose texts lose
// something in author mode, must come back.
compilazione compila(const std::string& linea, const std::string& treno, const std::string& testo_linea,
                     const std::string& testo_treno) {
  richiesta r;
  r.permissivo = true;
  r.linea = linea;
  r.treno = treno;
  r.testo_linea = {linea + "_linea.txt", testo_linea, true, ""};
  r.testo_treno = {linea + "_" + treno + "-.txt", testo_treno, true, ""};
  prova::uscite_in_memoria u;
  modello m;
  const risultato e = memorizza_percorso(r, m, &u);
  return {e.riuscito, !e.diagnostiche.empty(),
          {r.linea + "_linea.dat", u.file[file_compilato::geometria].byte, linea + "_" + treno + ".sim",
           u.file[file_compilato::tabella].byte, linea + "_" + treno + ".dat", u.file[file_compilato::percorso].byte}};
}

// Texts back from the compiled files, compiled again: empty when the three files come back
// byte for byte, otherwise why not.
std::string andata_e_ritorno(const std::string& linea, const std::string& treno, const file_compilati_letti& f,
                             bool* avvisi = nullptr) {
  const auto s = decodifica_scenario(f, linea, treno);
  if (!s) return "non si decodifica: " + testo_errore(s.errore);
  const testi_ricavati t = testi_da_scenario(*s.valore);
  if (!t.completi()) {
    std::string perche;
    for (const std::string& scarto : t.scarti) perche += scarto + "; ";
    return perche;
  }
  const compilazione di_nuovo = compila(linea, treno, t.linea, t.treno);
  if (avvisi != nullptr) *avvisi = di_nuovo.con_avvisi;
  if (!di_nuovo.riuscita) return "i testi ricavati non si compilano";
  if (di_nuovo.file.geometria != f.geometria) return "geometria diversa";
  if (di_nuovo.file.tabella != f.tabella) return "tabella diversa";
  if (di_nuovo.file.percorso != f.percorso) return "percorso diverso";
  return "";
}

TEST(TestiIndietro, ScenariNotiTornanoBytePerByte) {
  const struct {
    const char* linea;
    const char* treno;
    std::string testo_linea, testo_treno;
  } casi[] = {
      {"Castrea_Tovena", "R7302", componi_testo(elenco_linea()), componi_testo(elenco_treno())},
      {"Valle", "R1", prova::leggi_tutto(CARTELLA_DATI_PROVA "/Valle_linea.txt"),
       prova::leggi_tutto(CARTELLA_DATI_PROVA "/Valle_R1-.txt")},
      {"Valmora", "R2215", prova::leggi_tutto(CARTELLA_DATI_PROVA "/../../examples/Valmora_linea.txt"),
       prova::leggi_tutto(CARTELLA_DATI_PROVA "/../../examples/Valmora_R2215-.txt")},
  };
  for (const auto& c : casi) {
    const compilazione prima = compila(c.linea, c.treno, c.testo_linea, c.testo_treno);
    ASSERT_TRUE(prima.riuscita) << c.linea;
    bool avvisi = true;
    EXPECT_EQ(andata_e_ritorno(c.linea, c.treno, prima.file, &avvisi), "") << c.linea;
    // The notes under the headers are read as notes: the texts compile without a word said.
    EXPECT_FALSE(avvisi) << c.linea;
  }
}

TEST(TestiIndietro, LineaMassima) {
  const prova::coppia_casuale c = prova::scenario_massimo();
  const compilazione prima = compila("Massima", "R1", c.linea, c.treno);
  ASSERT_TRUE(prima.riuscita);
  EXPECT_EQ(andata_e_ritorno("Massima", "R1", prima.file), "");
}

// Random pairs with runs of every kind of record; only those that compile count.
TEST(TestiIndietro, TrecentoScenariCasuali) {
  int compilati = 0;
  int generati = 0;
  std::string non_tornati;
  for (uint64_t seme = 1; compilati < 300 && seme < 20000; ++seme) {
    ++generati;
    const prova::coppia_casuale c = prova::scenario_casuale(seme);
    const compilazione prima = compila("Casuale", "C1", c.linea, c.treno);
    if (!prima.riuscita) continue;
    ++compilati;
    if (const std::string perche = andata_e_ritorno("Casuale", "C1", prima.file); !perche.empty()) {
      non_tornati += "seme " + std::to_string(seme) + ": " + perche + "\n";
    }
  }
  std::cout << compilati << " scenari compilati su " << generati << " generati\n";
  EXPECT_EQ(compilati, 300);
  EXPECT_EQ(non_tornati, "");
}

// Bytes that no text writes: the approach code of a cell no signal or station stands after,
// a speed in the last cell. They are named, and the texts give everything else.
TEST(TestiIndietro, ByteCheNessunTestoDaSonoNominati) {
  const std::string linea_txt = prova::leggi_tutto(CARTELLA_DATI_PROVA "/Valle_linea.txt");
  const std::string treno_txt = prova::leggi_tutto(CARTELLA_DATI_PROVA "/Valle_R1-.txt");
  const compilazione prima = compila("Valle", "R1", linea_txt, treno_txt);
  ASSERT_TRUE(prima.riuscita);
  auto s = decodifica_scenario(prima.file, "Valle", "R1");
  ASSERT_TRUE(s);
  scenario_decodificato guasto = *s.valore;
  const size_t ultima = guasto.percorso.size() - 1;
  const size_t senza_segnale = ultima - 20;
  ASSERT_EQ(guasto.percorso[senza_segnale].preavviso, 0);
  guasto.percorso[senza_segnale].preavviso = 55;
  guasto.percorso[ultima].velocita = 7;
  const testi_ricavati t = testi_da_scenario(guasto);
  ASSERT_FALSE(t.completi());
  std::string tutti;
  for (const std::string& scarto : t.scarti) tutti += scarto + "\n";
  EXPECT_NE(tutti.find("cella " + std::to_string(ultima)), std::string::npos) << tutti;
  EXPECT_NE(tutti.find(std::to_string(senza_segnale)), std::string::npos) << tutti;
  // The rest comes back: the texts compile into the files before the damage.
  const compilazione di_nuovo = compila("Valle", "R1", t.linea, t.treno);
  ASSERT_TRUE(di_nuovo.riuscita);
  EXPECT_EQ(di_nuovo.file.percorso, prima.file.percorso);
  EXPECT_EQ(di_nuovo.file.tabella, prima.file.tabella);
  EXPECT_EQ(di_nuovo.file.geometria, prima.file.geometria);
}

}  // namespace
}  // namespace scenario::vista
