#include "vista/testi_indietro.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "lingue/catalogo.h"
#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"
#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/compilazione_prova.h"
#include "tests/supporto/scenari_casuali.h"
#include "tests/supporto/testi_liberi.h"

namespace scenario::vista {
namespace {

struct compilazione {
  bool riuscita = false;
  bool con_avvisi = false;
  file_compilati_letti file;
};

// Compiled as the author compiles, or as of old: whatever set the compiler writes, even
// one whose texts lose something in author mode, must come back.
compilazione compila(const std::string& linea, const std::string& treno, const std::string& testo_linea,
                     const std::string& testo_treno, bool permissivo = true) {
  richiesta r;
  r.permissivo = permissivo;
  r.linea = linea;
  r.treno = treno;
  r.testo_linea = {linea + "_linea.txt", testo_linea, true, ""};
  r.testo_treno = {linea + "_" + treno + "-.txt", testo_treno, true, ""};
  prova::uscite_in_memoria u;
  modello m;
  const risultato e = memorizza_percorso(r, m, &u);
  const bool avvisi = std::any_of(e.diagnostiche.begin(), e.diagnostiche.end(),
                                  [](const diagnostica& d) { return d.livello != gravita::nota; });
  return {e.riuscito, avvisi,
          {r.linea + "_linea.dat", u.file[file_compilato::geometria].byte, linea + "_" + treno + ".sim",
           u.file[file_compilato::tabella].byte, linea + "_" + treno + ".dat", u.file[file_compilato::percorso].byte}};
}

// Texts back from the compiled files, compiled again as their opening note says: empty
// when the three files come back byte for byte, otherwise why not.
std::string andata_e_ritorno(const std::string& linea, const std::string& treno, const file_compilati_letti& f,
                             bool* avvisi = nullptr, bool* permissivo = nullptr) {
  const auto s = decodifica_scenario(f, linea, treno);
  if (!s) return "non si decodifica: " + testo_errore(s.errore);
  const testi_ricavati t = testi_da_scenario(*s.valore);
  if (!t.completi()) {
    std::string perche;
    for (const std::string& scarto : t.scarti) perche += scarto + "; ";
    return perche;
  }
  if (permissivo != nullptr) *permissivo = t.permissivo;
  if (t.permissivo != (t.linea.find("--permissivo") != std::string::npos)) return "nota sul permissivo sbagliata";
  const compilazione di_nuovo = compila(linea, treno, t.linea, t.treno, t.permissivo);
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
      {"Prova", "R1", prova::leggi_tutto(CARTELLA_DATI_PROVA "/Prova_linea.txt"),
       prova::leggi_tutto(CARTELLA_DATI_PROVA "/Prova_R1-.txt")},
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

// The texts as an author writes them: UTF-8 unless the old form is asked for, records of
// one kind in columns (each value right-aligned to the widest of its column, as the
// embedded texts are written), an opening note where only --permissivo gives the set.
TEST(TestiIndietro, TestiComeLiScriveUnAutore) {
  const std::string linea = prova::leggi_tutto(CARTELLA_DATI_PROVA "/../../examples/Valmora_linea.txt");
  std::string treno = prova::leggi_tutto(CARTELLA_DATI_PROVA "/../../examples/Valmora_R2215-.txt");
  treno.replace(treno.find("Prato Alto"), 10, "Prat\xF2 Alto");
  const compilazione prima = compila("Valmora", "R2215", linea, treno, false);
  ASSERT_TRUE(prima.riuscita);
  const auto s = decodifica_scenario(prima.file, "Valmora", "R2215");
  ASSERT_TRUE(s);
  const testi_ricavati utf8 = testi_da_scenario(*s.valore);
  ASSERT_TRUE(utf8.completi());
  EXPECT_FALSE(utf8.permissivo);
  EXPECT_TRUE(utf8.treno.starts_with("Descrizione ricavata dai file compilati della corsa R2215 sulla linea Valmora\r\n[generale]\r\n"));
  EXPECT_NE(utf8.treno.find("Prat\xC3\xB2 Alto\r\n"), std::string::npos);
  // Speeds at 0, 600, 9000 and 21500 m: five digits wide; 60, 100, 75, 60 km/h: three.
  EXPECT_NE(utf8.treno.find("velocita,     0,  60\r\nvelocita,   600, 100\r\nvelocita,  9000,  75\r\n"
                            "velocita, 21500,  60\r\n"),
            std::string::npos)
      << utf8.treno;
  const testi_ricavati latin1 = testi_da_scenario(*s.valore, codifica_testi::latin1);
  EXPECT_NE(latin1.treno.find("Prat\xF2 Alto\r\n"), std::string::npos);
  EXPECT_EQ(compila("Valmora", "R2215", latin1.linea, latin1.treno, false).file.tabella, prima.file.tabella);
  // A name holding U+0092, a control code of ISO 8859-1 (a UTF-8 text gives it): an ISO
  // 8859-1 text holding that byte is read as Windows-1252, so only UTF-8 gives it back.
  std::string controllo = prova::leggi_tutto(CARTELLA_DATI_PROVA "/../../examples/Valmora_R2215-.txt");
  controllo.replace(controllo.find("Fontanelle"), 10, "Fontanelle\xC2\x92");
  const auto con_controllo = decodifica_scenario(compila("Valmora", "R2215", linea, controllo, false).file, "Valmora", "R2215");
  ASSERT_TRUE(con_controllo);
  EXPECT_TRUE(testi_da_scenario(*con_controllo.valore).completi());
  const testi_ricavati senza = testi_da_scenario(*con_controllo.valore, codifica_testi::latin1);
  ASSERT_FALSE(senza.completi());
  // One line names the entry, Fontanelle's (3); the entry is not named again below it.
  ASSERT_EQ(senza.scarti.size(), 1u) << senza.scarti.back();
  EXPECT_NE(senza.scarti.front().find(", voce 3: il nome o il cartello tiene un byte da 0x80 a 0x9F"), std::string::npos)
      << senza.scarti.front();

  // The first station's third option is not kept in the table: only its area, 50 m longer
  // for any value but 0, tells that one was written, so the texts give the 1 an author writes.
  std::string terza = prova::leggi_tutto(CARTELLA_DATI_PROVA "/../../examples/Valmora_R2215-.txt");
  terza.replace(terza.find("0,  8,  300,  0, 0, 0,"), 22, "0,  4,  300,  0, 0, 7,");
  const auto con_terza = decodifica_scenario(compila("Valmora", "R2215", linea, terza, false).file, "Valmora", "R2215");
  ASSERT_TRUE(con_terza);
  const testi_ricavati t3 = testi_da_scenario(*con_terza.valore);
  ASSERT_TRUE(t3.completi());
  const auto prima_stazione = std::find_if(t3.records.begin(), t3.records.end(), [](const record_ricavato& x) {
    return x.parola == "stazione" && x.valori.size() > 5 && x.valori[0] == "0";
  });
  ASSERT_NE(prima_stazione, t3.records.end());
  EXPECT_EQ(prima_stazione->valori[5], "1") << prima_stazione->riga();

  // A board under Prato Alto's stop point: its area ends at 7000 + 400 / 2 = 7200 m, the
  // stop in cell 7200 / 50 - 1 = 143, the cell of a board at 7100 m (7100 / 50 + 1). Only
  // the reading of old builds it, and the texts given back say so.
  const std::string coperta = linea + "cartello_indicatore, 7100, (COPERTO)\r\n";
  ASSERT_FALSE(compila("Valmora", "R2215", coperta, treno, false).riuscita);
  const compilazione antica = compila("Valmora", "R2215", coperta, treno, true);
  ASSERT_TRUE(antica.riuscita);
  bool permissivo = false;
  EXPECT_EQ(andata_e_ritorno("Valmora", "R2215", antica.file, nullptr, &permissivo), "");
  EXPECT_TRUE(permissivo);

  // A station read after the slow-down at 16000 m whose stop covers its first advance cell
  // alone: the start in cell 16000 / 50 + 1 = 321, the warning 24 cells before (297), the
  // advance cells 25 to 28 before (296 down to 293); an area ending at 14650 + 400 / 2 =
  // 14850 m stops in cell 14850 / 50 - 1 = 296. The texts must keep the station after the
  // slow-down, or its advance cell would cover the stop point instead.
  std::string dopo = prova::leggi_tutto(CARTELLA_DATI_PROVA "/../../examples/Valmora_R2215-.txt");
  const size_t serravalle = dopo.rfind("stazione,", dopo.find("SERRAVALLE"));
  const std::string riga_serravalle = dopo.substr(serravalle, dopo.find('\n', serravalle) + 1 - serravalle);
  dopo.erase(serravalle, riga_serravalle.size());
  dopo.insert(dopo.find("[segnali]"),
              "stazione,  14650, 24,  400,  0, 0, 0,  0,0,0,  4,1,1,    0,   0, 0, 0, Bosco\r\n" + riga_serravalle);
  ASSERT_FALSE(compila("Valmora", "R2215", linea, dopo, false).riuscita);
  const compilazione sopra_anticipo = compila("Valmora", "R2215", linea, dopo, true);
  ASSERT_TRUE(sopra_anticipo.riuscita);
  EXPECT_EQ(andata_e_ritorno("Valmora", "R2215", sopra_anticipo.file, nullptr, &permissivo), "");
  EXPECT_TRUE(permissivo);

  // A slow-down at 200 m (no warning before 1500 m) read before the stations: its start, cell
  // 200 / 50 + 1 = 5, lies under VALMORA's stop (a kind-8 area ends at 0 + 300 m, the stop
  // in cell 300 / 50 - 1 = 5). Only its end is left to find it by.
  std::string sotto_inizio = prova::leggi_tutto(CARTELLA_DATI_PROVA "/../../examples/Valmora_R2215-.txt");
  const size_t da = sotto_inizio.find("[stazioni]\r\n") + 12, a = sotto_inizio.find("[rallentamenti]");
  const std::string stazioni = sotto_inizio.substr(da, a - da);
  sotto_inizio.erase(da, a - da);
  sotto_inizio.insert(sotto_inizio.find("[segnali]"), "rallentamento, 200, 30, 300, 0, 0, 0\r\n" + stazioni);
  const compilazione sopra_inizio = compila("Valmora", "R2215", linea, sotto_inizio, true);
  ASSERT_TRUE(sopra_inizio.riuscita);
  EXPECT_EQ(andata_e_ritorno("Valmora", "R2215", sopra_inizio.file, nullptr, &permissivo), "");
  EXPECT_TRUE(permissivo);
}

TEST(TestiIndietro, LineaMassima) {
  const prova::coppia_casuale c = prova::scenario_massimo();
  const compilazione prima = compila("Massima", "R1", c.linea, c.treno);
  ASSERT_TRUE(prima.riuscita);
  EXPECT_EQ(andata_e_ritorno("Massima", "R1", prima.file), "");
}

// A stretch of type 99 over the middle of the example's stretch of type 1 (only the reading
// of old takes it): cell 15500 / 50 = 310 keeps type 89 between two runs of type 1, and no
// series of stretches side by side gives both runs their type. Those runs alone are given
// by stretches that need the reading of old; the stretch of type 12 from 6000 to 7500 m,
// whose every fourth cell is free, comes back as written, one record.
TEST(TestiIndietro, MontagneComeScritteDoveSiPuo) {
  const std::string linea = prova::leggi_tutto(CARTELLA_DATI_PROVA "/../../examples/Valmora_linea.txt");
  const std::string treno = prova::leggi_tutto(CARTELLA_DATI_PROVA "/../../examples/Valmora_R2215-.txt");
  std::string sopra = linea;
  const std::string tipo_uno = "montagna, 15000, 16000,   1\r\n";
  sopra.insert(sopra.find(tipo_uno) + tipo_uno.size(), "montagna, 100, 50, 0\r\nmontagna, 15500, 15550, 99\r\n");
  const compilazione prima = compila("Valmora", "R2215", sopra, treno, true);
  ASSERT_TRUE(prima.riuscita);
  const auto s = decodifica_scenario(prima.file, "Valmora", "R2215");
  ASSERT_TRUE(s);
  const testi_ricavati t = testi_da_scenario(*s.valore);
  std::vector<std::string> prima_di_15000;
  for (const record_ricavato& x : t.records) {
    if (x.parola == "montagna" && std::stoll(x.valori[0]) < 15000) prima_di_15000.push_back(x.riga());
  }
  EXPECT_EQ(prima_di_15000, std::vector<std::string>{"montagna, 6000, 7500, 12"});
  bool permissivo = false;
  EXPECT_EQ(andata_e_ritorno("Valmora", "R2215", prima.file, nullptr, &permissivo), "");
  EXPECT_TRUE(permissivo);

  // A stretch of type 3 from 5000 to 5900 m, written after the one of type 12 that starts
  // 100 m after its end: the type-12 one is read first, so the author's compile takes the
  // texts given back as well.
  std::string tipo_tre = linea;
  const std::string dodici = "montagna,  6000,  7500,  12\r\n";
  tipo_tre.insert(tipo_tre.find(dodici) + dodici.size(), "montagna,  5000,  5900,  3\r\n");
  const compilazione autore = compila("Valmora", "R2215", tipo_tre, treno, false);
  ASSERT_TRUE(autore.riuscita);
  EXPECT_EQ(andata_e_ritorno("Valmora", "R2215", autore.file, nullptr, &permissivo), "");
  EXPECT_FALSE(permissivo);
}

// The round trip of the sets the compiler writes from texts as loose as the reading goes:
// texts drawn, compiled as the author compiles them (or, when that refuses them, as of
// old), given back, compiled again as their opening note says: the same three files, byte
// for byte; and texts that the author's compile takes come back as texts it takes. The
// suite draws 400 seeds; TESTI_INDIETRO_SEMI=20000 (make prova-testi) the longer run.
TEST(TestiIndietro, TestiScioltiTornanoBytePerByte) {
  const char* semi = std::getenv("TESTI_INDIETRO_SEMI");
  const uint64_t quanti = semi != nullptr ? std::stoull(semi) : 400;
  uint64_t compilati = 0, da_autore = 0;
  std::string non_tornati;
  for (uint64_t seme = 1; seme <= quanti; ++seme) {
    const prova::testi_generati t = prova::testi_sciolti(seme);
    compilazione prima = compila("Libera", "T1", t.linea, t.treno, false);
    const bool autore = prima.riuscita;
    if (!autore) prima = compila("Libera", "T1", t.linea, t.treno, true);
    if (!prima.riuscita) continue;
    ++compilati;
    da_autore += autore;
    bool permissivo = false;
    std::string perche = andata_e_ritorno("Libera", "T1", prima.file, nullptr, &permissivo);
    if (perche.empty() && autore && permissivo) perche = "compilati come dall'autore, ridati solo con --permissivo";
    if (!perche.empty()) non_tornati += "seme " + std::to_string(seme) + ": " + perche + "\n";
  }
  std::cout << compilati << " insiemi compilati su " << quanti << " (" << da_autore << " come dall'autore)\n";
  // Most drawn texts compile (two objects drawn onto one cell do not), half as the author's.
  EXPECT_GE(compilati, quanti * 9 / 10);
  EXPECT_GE(da_autore, quanti * 4 / 10);
  EXPECT_EQ(non_tornati, "");
}

// Bytes that no text writes: the approach code of a cell no signal or station stands after,
// a cell of a kind no record puts (9), a point of the plan that no step gives from the two
// before it. They are named, and the texts give everything else.
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
  ASSERT_EQ(guasto.percorso[ultima - 40].tipo, tipo_cella::vuota);
  guasto.percorso[ultima - 40].tipo = 9;
  guasto.geometria.x[1000].valore += 0.25;
  const testi_ricavati t = testi_da_scenario(guasto);
  ASSERT_FALSE(t.completi());
  std::string tutti;
  for (const std::string& scarto : t.scarti) tutti += scarto + "\n";
  EXPECT_NE(tutti.find("cella " + std::to_string(ultima - 40)), std::string::npos) << tutti;
  EXPECT_NE(tutti.find(std::to_string(senza_segnale)), std::string::npos) << tutti;
  EXPECT_NE(tutti.find("tracciato, metro 1000: i testi non lo ridanno"), std::string::npos) << tutti;
  // The rest comes back: the texts compile into the files before the damage.
  const compilazione di_nuovo = compila("Valle", "R1", t.linea, t.treno);
  ASSERT_TRUE(di_nuovo.riuscita);
  EXPECT_EQ(di_nuovo.file.percorso, prima.file.percorso);
  EXPECT_EQ(di_nuovo.file.tabella, prima.file.tabella);
  EXPECT_EQ(di_nuovo.file.geometria, prima.file.geometria);
}

// What is not given back is named in the number it has: one cell, entry or metre alone
// in the singular, as the sentence about it; several in the plural.
TEST(TestiIndietro, NonRidatiAlSingolareEAlPlurale) {
  const compilazione prima = compila("Valle", "R1", prova::leggi_tutto(CARTELLA_DATI_PROVA "/Valle_linea.txt"),
                                     prova::leggi_tutto(CARTELLA_DATI_PROVA "/Valle_R1-.txt"));
  const auto s = decodifica_scenario(prima.file, "Valle", "R1");
  ASSERT_TRUE(s);
  const size_t a = s.valore->percorso.size() - 40, b = a - 10;  // empty cells no record writes
  ASSERT_EQ(s.valore->percorso[a].tipo, tipo_cella::vuota);
  ASSERT_EQ(s.valore->percorso[b].tipo, tipo_cella::vuota);
  const struct {
    std::vector<size_t> celle, metri;
    lingua l;
    std::string atteso;
  } casi[] = {
      {{a}, {}, lingua::italiano, "cella " + std::to_string(a) + ": i testi non la ridanno (il file ha tipo 9,"},
      {{a}, {}, lingua::inglese, "cell " + std::to_string(a) + ": the texts do not give it back (the file has tipo 9,"},
      {{b, a}, {}, lingua::italiano,
       "celle " + std::to_string(b) + ", " + std::to_string(a) + ": i testi non le ridanno (cella " + std::to_string(b)},
      {{b, a}, {}, lingua::inglese,
       "cells " + std::to_string(b) + ", " + std::to_string(a) + ": the texts do not give them back (cell " +
           std::to_string(b)},
      {{}, {1000}, lingua::italiano, "tracciato, metro 1000: i testi non lo ridanno"},
      {{}, {1000}, lingua::inglese, "plan, metre 1000: the texts do not give it back"},
      {{}, {1000, 3000}, lingua::italiano, "tracciato, metri 1000, 3000: i testi non li ridanno"},
      {{}, {1000, 3000}, lingua::inglese, "plan, metres 1000, 3000: the texts do not give them back"},
  };
  for (const auto& c : casi) {
    const lingua_per_ora l(c.l);
    scenario_decodificato guasto = *s.valore;
    for (const size_t i : c.celle) guasto.percorso[i].tipo = 9;  // a kind no record puts
    for (const size_t m : c.metri) guasto.geometria.x[m].valore += 0.25;  // a point no step gives
    std::string tutti;
    for (const std::string& scarto : testi_da_scenario(guasto).scarti) tutti += scarto + "\n";
    EXPECT_NE(tutti.find(c.atteso), std::string::npos) << c.atteso << "\n" << tutti;
  }
}

}  // namespace
}  // namespace scenario::vista

