// What the author wrote is what is compiled, or the build fails and says why at the
// record: mistakes made one at a time in a small pair, each an error at its record (exit
// 1, nothing written), and with --permissivo the reading of old. What is stored as written
// but is likely a mistake is a warning.
#include <gtest/gtest.h>

#include "lingue/catalogo.h"

#include <string>
#include <vector>

#include "nucleo/compilazione.h"
#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"
#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/compilazione_prova.h"
#include "tests/supporto/esecuzione.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

using namespace prova;

const std::string LINEA = "Val_linea.txt";
const std::string TRENO = "Val_R1-.txt";

// A line of 10000 m: its track runs to cell round(17000 / 50) = 340.
std::string linea(const std::string& cartelli = "", const std::string& curve = "curvad4, 2000, 300\r\n",
                  const std::string& generale = "sfondo uno, 0\r\n") {
  return "[generale]\r\nlunghezza percorso, 10000\r\nprogressiva chilometrica uno, 0, 12000, 0\r\n"
         "progressiva chilometrica due, 0, 0, 0\r\nprogressiva chilometrica tre, 0, 0, 0\r\n" +
         generale + "sfondo due, 0\r\nsfondo tre, 1\r\nripetizione segnali 4 codici, 0, 10000\r\n[curve]\r\n" + curve +
         "[pendenze]\r\npendenza, 0, 0\r\npendenza, 3000, 5\r\n[montagne]\r\nmontagna, 5000, 6000, 1\r\n"
         "[cartelli]\r\n" + cartelli + "[fine]\r\n";
}

// Borgo Fonte (table entry 2): 4000 m, kind 12, 400 m long, so its area ends at 4200 m and
// its stop point is cell round(4200 / 50 - 1) = 83, the 50 m from 4100 m.
const std::string STAZIONI =
    "[stazioni]\r\n"
    "stazione, 0, 8, 300, 0, 0, 0, 1, 1, 0, 5, 6, 1, 1, 19, 5, 0, PARTENZA\r\n"
    "stazione, 4000, 12, 400, 0, 0, 0, 1, 1, 0, 2, 1, 1, 30, 19, 10, 0, Borgo Fonte\r\n"
    "stazione, 9000, 12, 400, 0, 0, 0, 1, 1, 0, 2, 1, 1, 0, 19, 16, 0, ARRIVO\r\n";

std::string treno(const std::string& prima = "", const std::string& dopo = "", const std::string& stazioni = STAZIONI) {
  return "[generale]\r\nnumero vetture, 3\r\npercentuale massa frenata, 110\r\nsabbia, 300\r\norologio, 19, 4, 0\r\n"
         "[aderenze]\r\naderenza, 0, 100\r\n[vel_limite]\r\nvelocita, 0, 60\r\nvelocita, 500, 80\r\n" +
         prima + stazioni + dopo + "[fine]\r\n";
}

std::string con(const std::string& testo, const std::string& da, const std::string& a) {
  const size_t dove = testo.find(da);
  EXPECT_NE(dove, std::string::npos) << da;
  return dove == std::string::npos ? testo : testo.substr(0, dove) + a + testo.substr(dove + da.size());
}

struct costruzione {
  cartella_temporanea cartella, uscita;
  esito e;
  costruzione(const std::string& l, const std::string& t, std::vector<std::string> opzioni = {}) {
    cartella.scrivi(LINEA, l);
    cartella.scrivi(TRENO, t);
    opzioni.insert(opzioni.end(), {"-q", "-o", uscita.percorso().string(), LINEA, TRENO});
    e = esegui(ESEGUIBILE, opzioni, cartella.percorso(), cartella.percorso());
  }
  // The 15 bytes of a cell of the compiled track.
  std::string cella(size_t c) const { return uscita.leggi("Val_R1.dat").substr(15 * c, 15); }
};

int16_t dato(const std::string& cella, int quale) {
  return static_cast<int16_t>(static_cast<uint8_t>(cella[static_cast<size_t>(1 + 2 * quale)]) |
                              static_cast<uint8_t>(cella[static_cast<size_t>(2 + 2 * quale)]) << 8);
}

struct caso {
  const char* cosa;
  std::string linea, treno;
  int32_t numero;
  bool in_linea;        // the diagnostic stands in the line text, else in the run text
  std::string presso;   // the item it stands at: the first occurrence in its text
  std::string dice;     // a part of what it says
  bool permessa = true;  // read as of old, the scenario builds
};

// Every kind of object on Borgo Fonte's stop cell, before the station in the texts and
// after it: before, the stop point covers it (the set checked against the texts says so);
// after, the object finds its cell taken. An error at the object's record either way.
std::vector<caso> sotto_la_fermata() {
  struct oggetto {
    const char* cosa;
    std::string record;  // on cell 83 or reaching it
    int32_t dopo;        // its marker's own error, written after the station
    bool permessa = true;  // read as of old, the scenario builds with the object covered
    const char* coperto = "è coperto dal punto di fermata";  // the part's gender: "la fine"
  };
  const oggetto oggetti[] = {
      {"signal", "segnale, 4100, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0\r\n", 16},
      // round(4150 / 50) = 83.
      {"abbattimento", "abbattimento, 4150, 60\r\n", 7},
      // Start round(4100 / 50 + 1) = 83.
      {"slow-down start", "rallentamento, 4100, 30, 300, 0, 0, 0\r\n", 18},
      // End round((3900 + 200) / 50 + 1) = 83.
      // Read as of old, the slow-down has no end left: the finishing pass's error 13.
      {"slow-down end", "rallentamento, 3900, 30, 200, 0, 0, 0\r\n", 19, false, "è coperta dal punto di fermata"},
      // Warning round((5300 - 1200) / 50 + 1) = 83; a d_v kept with every cell.
      {"slow-down warning", "rallentamento, 5300, 30, 300, 0, 0, 2\r\n", 17},
      // Advance cells round((5350 - 1200) / 50) = 83 down to 80.
      {"slow-down advance cell", "rallentamento, 5350, 30, 300, 0, 1, 2\r\n", 20, true,
       "è coperta dal punto di fermata"},
  };
  std::vector<caso> casi;
  for (const oggetto& o : oggetti) {
    const std::string parola = o.record.substr(0, o.record.find(','));
    casi.push_back({o.cosa, linea(), treno(o.record), avviso::oggetto_perso, false, parola, o.coperto,
                    o.permessa});
    // After it: the marker's error, at the object's position (its first value).
    casi.push_back({o.cosa, linea(), treno("", o.record), o.dopo, false,
                    o.record.substr(o.record.find(',') + 2, 4), "", false});
  }
  // The line text is read first: its board and indicator are always before the station.
  casi.push_back({"board", linea("cartello_indicatore, 4110, (PONTE)\r\n"), treno(), avviso::oggetto_perso, true,
                  "cartello_indicatore",
                  "il cartello è coperto dal punto di fermata della stazione 'Borgo Fonte' (riga 13): la cella 83 "
                  "(da 4100 a 4150 m) tiene un solo oggetto (posizione 4110 m)\n"
                  "   18 | cartello_indicatore, 4110, (PONTE)\n"
                  "      | ^~~~~~~~~~~~~~~~~~~\n"
                  "Val_R1-.txt:13:1: note: la stazione 'Borgo Fonte' (riga 13) è qui"});
  casi.push_back({"indicator", linea("indicatori_vmax, 4100, 80, 85, 85, 0, , , , 0\r\n"), treno(),
                  avviso::oggetto_perso, true, "indicatori_vmax", "Borgo Fonte"});
  return casi;
}

std::vector<caso> casi_dei_testi() {
  const std::string L = linea(), T = treno();
  return {
      // Empty values: 0 km/h over the rest of the line, a time of 19:16:00 read as 19:16:00
      // only by chance of an empty field.
      {"empty speed", L, treno("velocita, 8500,\r\n"), avviso::valore_vuoto, false, "\r\n[stazioni]", "vuoto"},
      {"empty seconds", L, con(T, "19, 16, 0, ARRIVO", "19, 16, , ARRIVO"), avviso::valore_vuoto, false,
       ", ARRIVO", ""},
      // A text moved to a line of its own: that line is read as a note, the record keeps none.
      // A comma in it does not make it a record: no number follows.
      {"board text on the next line", linea("cartello_indicatore, 4500,\r\n  (PONTE, NORD)\r\n"), T,
       avviso::valore_vuoto, true, "\r\n  (PONTE", "la riga dopo, '(PONTE, NORD)', è letta come una nota"},
      {"station name on the next line", L, con(T, "19, 10, 0, Borgo Fonte", "19, 10, 0,\r\n Borgo Fonte"),
       avviso::valore_vuoto, false, "\r\n Borgo Fonte", "la riga dopo, 'Borgo Fonte'"},
      {"value missing before a blank line", L, treno("velocita, 8500\r\n\r\n"), avviso::valori_fuori_riga, false,
       "velocita, 8500", "il record ha 1 valore sulla sua riga, 'velocita' ne vuole 2"},
      {"run text without [generale]", L, con(T, "[generale]", "[generle]"), avviso::generale_treno_assente, false,
       "[generle]", "forse '[generale]'"},
      {"empty run text", L, "", avviso::testo_vuoto, false, "", ""},
      {"decimal comma", L, treno("velocita, 8500,5, 40\r\n"), avviso::valori_fuori_riga, false, "40\r\n",
       "virgola decimale"},
      {"a station value too many", L, con(T, "1, 19, 5, 0, PARTENZA", "1, 19, 5, 0, 0, PARTENZA"),
       avviso::valori_fuori_riga, false, "PARTENZA", "il record ha 18 valori"},
      {"a station without its name", L, con(T, "19, 10, 0, Borgo Fonte", "19, 10, 0"), avviso::valori_fuori_riga,
       false, "stazione, 4000", "il record ha 16 valori"},
      // "destra" holds an s: a left curve.
      {"curva destra 4", linea("", "curva destra 4, 2000, 300\r\n"), T, avviso::parola_in_altra_forma, true,
       "curva destra", "'curvas4'"},
      // One item that names several records of the line text: each reads its own values.
      {"a value after the last of a general record", con(L, "lunghezza percorso, 10000", "lunghezza percorso, 10000 50"), T,
       avviso::valori_fuori_riga, true, "50\r\n", "'50' dopo l'ultimo valore non è letto"},
      {"two backgrounds in one item", linea("", "curvad4, 2000, 300\r\n", "sfondo uno due, 0, 0\r\n"), T,
       avviso::parola_in_altra_forma, true, "sfondo uno due", "è letta come 'sfondo uno' e come 'sfondo due'"},
      // The gradient's record comes before the curve's: it reads 5200 and 3, the curve the rest.
      {"a curve and a gradient in one item", linea("", "curvad4, 2000, 300\r\ncurvad6 pendenza, 5200, 3, 5200, 200\r\n"),
       T, avviso::parola_in_altra_forma, true, "curvad6 pendenza", "è letta come 'curvad6' e come 'pendenza'"},
      // "94" holds a 4: four codes, as of old.
      {"signal repetition of 94 codes", con(L, "ripetizione segnali 4 codici", "ripetizione segnali 94 codici"), T,
       avviso::parola_in_altra_forma, true, "ripetizione segnali 94", "letta come 'ripetizione segnali 4 codici'"},
      // UTF-8 (a-grave of the last station) with two bytes of ISO 8859-1 pasted in: each read
      // as it was meant, the first named.
      {"two bytes of another code in a UTF-8 text", L,
       con(con(T, "ARRIVO", "Citt\xC3\xA0"), "Borgo Fonte", "B\xF2rgo Font\xE8"), avviso::testo_misto, false,
       "\xF2rgo", "il byte 0xF2 non è un carattere UTF-8: è letto come '\xC3\xB2' di Windows-1252 (e così un altro byte"},
      // One byte alone: no more are counted.
      {"one byte of another code in a UTF-8 text", L, con(con(T, "ARRIVO", "Citt\xC3\xA0"), "Borgo Fonte", "Borgo Font\xE8"),
       avviso::testo_misto, false, "\xE8\r\n", "è letto come '\xC3\xA8' di Windows-1252; salvare il testo"},
      {"misspelt keyword", L, treno("segnal, 6100, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0\r\n"), avviso::parola_sconosciuta,
       false, "segnal", "forse 'segnale'"},
      {"capitalised exact keyword", con(L, "progressiva chilometrica due", "Progressiva chilometrica due"), T,
       avviso::parola_sconosciuta, true, "Progressiva", "maiuscole"},
      {"general record in [curve]", linea("", "curvad4, 2000, 300\r\nsfondo tre, 4\r\n"), T, avviso::parola_sconosciuta,
       true, "sfondo tre, 4", "[generale]"},
      {"texts swapped", T, L, avviso::parola_sconosciuta, true, "numero vetture", "scambiato", false},
      // Values the set holds otherwise: looked up in the finished set.
      {"approach codes taken by a stop", L, treno("segnale, 4200, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0\r\n"),
       avviso::valore_cambiato, false, "segnale", "preavviso"},
      // Two numberings start at 3000 m, the furthest: the ordering clears all three.
      {"numberings cleared",
       con(con(L, "chilometrica due, 0, 0, 0", "chilometrica due, 3000, 500, 0"), "uno, 0, 12000", "uno, 3000, 12000"),
       T, avviso::valore_cambiato, true, "progressiva chilometrica uno", "azzera"},
      {"background twice", linea("", "curvad4, 2000, 300\r\n", "sfondo uno, 0\r\nsfondo uno, 5\r\n"), T,
       avviso::valore_cambiato, true, "0\r\nsfondo uno, 5", "scritto dallo sfondo uno (riga 7)"},
      {"stretch over a stretch", con(L, "montagna, 5000, 6000, 1\r\n", "montagna, 5000, 6000, 1\r\nmontagna, 5500, 5600, 2\r\n"),
       T, avviso::valore_cambiato, true, "montagna, 5000", "tratto di montagna"},
      {"curve inside the one before", linea("", "curvad4, 2000, 300\r\ncurvas2, 2100, 100\r\n"), T,
       avviso::valore_cambiato, true, "curvas2", "da 2101 m a 2200 m il tracciato segue la curva a 2000 m"},
      // Shorter than a cell: round(5000 / 50) = 100 to round(5020 / 50 - 1) = 99, no cell.
      {"stretch shorter than a cell", con(L, "montagna, 5000, 6000, 1", "montagna, 5000, 5020, 1"), T,
       avviso::oggetto_perso, true, "5020", "non segna nessuna cella"},
      {"stretch past the line's end", con(L, "montagna, 5000, 6000, 1", "montagna, 9500, 10500, 1"), T,
       avviso::oltre_fine_linea, true, "9500", "il tratto di montagna finisce a 10500 m"},
      {"stretch past the track's end", con(L, "montagna, 5000, 6000, 1", "montagna, 16000, 18000, 1"), T,
       avviso::oggetto_perso, true, "18000", "finisce oltre la fine del percorso (17000 m)"},
      // A slow-down at 1501 m has its warning in round(301 / 50 + 1) = 7, the stop cell of a
      // first station at 100 m: round(400 / 50 - 1) = 7.
      {"warning just past 1500 m", L,
       con(treno("rallentamento, 1501, 30, 300, 0, 0, 0\r\n"), "stazione, 0, 8,", "stazione, 100, 8,"),
       avviso::oggetto_perso, false, "rallentamento", "l'avviso del rallentamento è coperto"},

      {"speeds out of order", L, treno("velocita, 8000, 40\r\nvelocita, 7000, 50\r\n"), avviso::fuori_ordine, false,
       "7000", "dopo quella a 8000 m"},
      // round(0 / 50) = round(20 / 50) = 0: no value is written before the second, and the
      // first holds in no cell.
      {"two speeds in the first cell", L, con(T, "velocita, 0, 60\r\n", "velocita, 0, 60\r\nvelocita, 20, 70\r\n"),
       avviso::oggetto_perso, false, "0, 60", "la velocità a 20 m (riga 10) comincia nella stessa cella"},
      // round(8010 / 50) = 160, the cell of the record before: 50 km/h begins in the next.
      {"two speeds in one cell", L, treno("velocita, 8000, 40\r\nvelocita, 8010, 50\r\n"), avviso::valore_cambiato,
       false, "8010", "il valore vale da 8050 m, non da 8000 m: la cella da 8000 a 8050 m tiene la velocità a 8000 m"},
      {"two gradients in one cell", con(L, "pendenza, 3000, 5\r\n", "pendenza, 3000, 5\r\npendenza, 3000, 6\r\n"),
       T, avviso::valore_cambiato, true, "3000, 6", "vale da 3050 m"},
      // Blanks may part numbers: the 50 is a third value, read as the next keyword.
      {"a value after the last", L, treno("velocita, 8000, 40 50\r\n"), avviso::valori_fuori_riga, false,
       "50\r\n", "'50' dopo l'ultimo valore non è letto"},
      {"signal repetition twice", con(L, "sfondo due, 0\r\n", "sfondo due, 0\r\nripetizione segnali 9 codici, 0, 10000\r\n"), T,
       avviso::valore_cambiato, true, "ripetizione segnali 9", "codici = 9 non è tenuto: la tabella tiene 4, scritto "
       "dalla ripetizione dei segnali a 0 m (riga 10)"},
      // Cell 1: s1 1 and d1 0 put 10 into dato1 (error 1250 later), s2 and d2 0 the 0 that
      // the header's second value would take.
      {"signal on cell 1", L, treno("segnale, 0, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0\r\n"), avviso::valore_cambiato, false,
       "0, 0, 0, 0, 0, 0, 0, 0\r\n", "il suo campo dato2 non tiene lo 0 scritto", false},
      {"stretch over a stretch at the start", con(L, "montagna, 5000, 6000, 1\r\n",
                                                   "montagna, 0, 500, 1\r\nmontagna, 0, 50, 2\r\n"),
       T, avviso::valore_cambiato, true, "montagna, 0, 500", "da 0 m le celle tengono il tratto di montagna a 0 m"},
      {"curve past the line's end", linea("", "curvad4, 2000, 300\r\ncurvas2, 9900, 300\r\n"), T,
       avviso::oltre_fine_linea, true, "9900", "la curva finisce a 10200 m"},
      {"slow-down past the line's end", L, treno("rallentamento, 9800, 30, 400, 0, 0, 0\r\n"),
       avviso::oltre_fine_linea, false, "9800", "il rallentamento finisce a 10200 m"},
      // Its first metre, 2300, is the last of the curve before it.
      {"curve one metre inside the one before", linea("", "curvad4, 2000, 300\r\ncurvas2, 2299, 100\r\n"), T,
       avviso::valore_cambiato, true, "curvas2", "da 2300 m a 2300 m il tracciato segue la curva a 2000 m"},
      // Read as of old, the slow-down without an end is error 13 of the finishing pass.
      {"slow-down of 20 m", L, treno("rallentamento, 6000, 30, 20, 0, 0, 0\r\n"), avviso::oggetto_perso, false,
       "20, 0", "cade nella cella del suo inizio", false},
      // Stored as written, likely a mistake: warnings.
      {"station past the line's end", L, con(T, "9000, 12", "10500, 12"), avviso::oltre_fine_linea, false,
       "10500", "oltre la fine della linea (10000 m); il percorso prosegue fino a 17000 m"},
      {"name used twice", L, con(T, "ARRIVO", "PARTENZA"), avviso::nome_stazione, false, "PARTENZA\r\n[fine]",
       "anche il nome della stazione 'PARTENZA' (riga 12) (posizione 9000 m)"},
      {"name left empty", L, con(T, ", ARRIVO", ", "), avviso::nome_stazione, false, "\r\n[fine]",
       "la stazione non ha nome (posizione 9000 m)"},
      {"speed past the line's end", L, treno("velocita, 10500, 40\r\n"), avviso::oltre_fine_linea, false, "10500",
       "la velocità a 10500 m è oltre la fine della linea"},
      {"speed off the 5 km/h steps", L, treno("velocita, 8000, 73\r\n"), avviso::passo_del_formato, false, "73",
       "75 km/h"},
      // Messages that lead to the fix.
      {"thousands separator", con(L, "10000", "10.000"), T, codice::lettura_fallita, true, "10.000",
       "separatore delle migliaia, scrivere 10000", false},
      {"invisible space", L, treno("velocita, \xA0" "8000, 40\r\n"), codice::lettura_fallita, false, "\xA0",
       "U+00A0", false},
      {"beyond the track", L, treno("segnale, 17500, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0\r\n"), codice::oltre_percorso,
       false, "17500", "la linea finisce a 10000 m e il percorso prosegue fino a 17000 m", false},
      {"slow-down off the track", L, treno("rallentamento, 16000, 30, 2000, 0, 0, 0\r\n"),
       codice::rallentamento_oltre_fine, false, "2000", "a 18000 m", false},
      // The signal takes cell round(5950 / 50 + 1) = 120, an advance cell of the slow-down.
      {"signal on an advance cell", L, treno("rallentamento, 7300, 30, 300, 0, 1, 0\r\nsegnale, 5950, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0\r\n"),
       codice::segnale_occupato, false, "5950", "", false},
      {"a file of zeros", std::string(64, '\0'), T, codice::codifica_testo, true, "", "NUL", false},
      // The finishing pass's cells held by other objects: at the object's record and its
      // position as written, each holder named. The slow-down at 7000 m starts in cell
      // round(7000 / 50 + 1) = 141: its first window is cells 136 to 134, the cells of the
      // abbattimenti at 6800, 6750, 6700 m (round(p / 50)).
      {"no room before a slow-down", L,
       treno("abbattimento, 6800, 90\r\nabbattimento, 6750, 90\r\nabbattimento, 6700, 90\r\nrallentamento, 7000, 30, 300, 0, 0, 0\r\n"),
       codice::finestra_occupata, false, "rallentamento", "(posizione 7000 m)\n", false},
      {"no room before a slow-down, the holder", L,
       treno("abbattimento, 6800, 90\r\nabbattimento, 6750, 90\r\nabbattimento, 6700, 90\r\nrallentamento, 7000, 30, 300, 0, 0, 0\r\n"),
       codice::finestra_occupata, false, "rallentamento", "(da 6650 a 6700 m) \xC3\xA8 occupata da un abbattimento a 6700 m", false},
      // Its warning board, round((7000 - 1200) / 50 + 1) = 117, is 16 cells after the
      // signal at 5000 m, cell 101, whose cells 100 and 99 hold points without a value
      // (one with a value would be lowered to 180 instead).
      {"no room before a signal near a warning board", L,
       treno("abbattimento, 5000, 0\r\nabbattimento, 4950, 0\r\nsegnale, 5000, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0\r\n"
             "rallentamento, 7000, 30, 300, 0, 0, 0\r\n"),
       codice::segnale_senza_abbattimento, false, "segnale", "l'avviso del rallentamento a 7000 m sta 16 celle dopo il segnale", false},
      {"no room before a signal near a warning board, the holder", L,
       treno("abbattimento, 5000, 0\r\nabbattimento, 4950, 0\r\nsegnale, 5000, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0\r\n"
             "rallentamento, 7000, 30, 300, 0, 0, 0\r\n"),
       codice::segnale_senza_abbattimento, false, "segnale", "(da 4950 a 5000 m) \xC3\xA8 occupata da un abbattimento a 5000 m", false},
      // Ordered by their starts, furthest first, uno (0 m, counting down) holds from 0 m on,
      // where due and tre, from before the origin, would begin: they hold nowhere.
      {"a numbering that never holds",
       con(con(con(L, "uno, 0, 12000, 0", "uno, 0, 12000, 1"), "due, 0, 0, 0", "due, -100, 500, 0"), "tre, 0, 0, 0", "tre, -200, 300, 0"),
       T, avviso::valore_insolito, true, "-100", "da 0 m vale la progressiva chilometrica uno a 0 m (riga 3)"},
      // Its advance cells, round((7000 - 1200) / 50) = 116 down to 113: the abbattimento at
      // 5700 m holds cell 114.
      {"advance cell taken", L, treno("abbattimento, 5700, 90\r\nrallentamento, 7000, 30, 300, 0, 1, 0\r\n"),
       codice::anticipo_occupato, false, "7000, 30, 300, 0, 1", "occupata da un abbattimento a 5700 m, scritto qui", false},
      // What the reading took the line for, at that line.
      {"a curve short of its length", linea("", "curvad4, 2000\r\n"), T, codice::lettura_fallita, true, "curvad4",
       "valori mancanti: il record ha 1 valore sulla sua riga"},
      // The number is read in the field's unit; kilometres for metres are certain.
      {"a unit after the number", con(L, "lunghezza percorso, 10000", "lunghezza percorso, 10 km"), T,
       avviso::valore_non_inteso, true, "10 km", "10 km: L si legge in m, e il valore letto \xC3\xA8 10 m; scrivere 10000", false},
      {"another unit after the number", L, treno("velocita, 8000, 40 m/s\r\n"), avviso::valore_non_inteso, false,
       "40 m/s", "v si legge in km/h"},
      // 6 and 500: sx 500 is out of its field, and the line tells why.
      {"a thousands separator", L, treno("segnale, 6,500, 2, 3, 1, 0, 0, 0, 0, 0, 0\r\n"), codice::segnale_fuori_campo,
       false, "500, 2, 3", "'6,500' sulla riga ha forse un separatore delle migliaia", false},
      {"a note holding a keyword and a comma", con(L, "[pendenze]\r\n", "[pendenze]\r\nAttenzione: pendenza massima, 18 per mille\r\n"), T,
       codice::lettura_fallita, true, "per mille", "la riga \xC3\xA8 letta come un record 'pendenza'", false},
      {"a note beginning with a time", L, treno("7:15 partenza, 2 binari\r\n"), avviso::parola_sconosciuta, false,
       "7:15", "'7:15 partenza' comincia con una cifra"},
      {"a minus sign in a keyword", L, treno("rallentamento - cantiere, 6000, 30, 300, 0, 0, 0\r\n"),
       avviso::parola_sconosciuta, false, "rallentamento -", "contiene un segno meno"},
  };
}

TEST(Intento, OgniCasoUnErroreAlSuoRecord) {
  std::vector<caso> casi = sotto_la_fermata();
  for (caso& c : casi_dei_testi()) casi.push_back(std::move(c));
  for (const caso& c : casi) {
    SCOPED_TRACE(c.cosa);
    const costruzione severa(c.linea, c.treno);
    const auto voce = cerca_errore(c.numero);
    ASSERT_TRUE(voce.has_value());
    const bool errore = voce->livello == gravita::errore || voce->perdita;
    EXPECT_EQ(severa.e.stato, errore ? 1 : 0) << severa.e.errori;
    EXPECT_EQ(nomi_in(severa.uscita.percorso()).size(), errore ? 0u : 3u);
    // The place: the line and column of `presso` in its text (the text's start for an
    // empty text), and the number.
    const std::string& testo = c.in_linea ? c.linea : c.treno;
    const size_t dove = testo.find(c.presso);
    const size_t inizio_riga = dove == 0 ? 0 : testo.rfind('\n', dove - 1) + 1;
    const auto riga = 1 + std::count(testo.begin(), testo.begin() + static_cast<std::ptrdiff_t>(dove), '\n');
    const std::string luogo = (c.in_linea ? LINEA : TRENO) + (testo.empty() ? std::string(": ")
                              : ":" + std::to_string(riga) + ":" + std::to_string(dove - inizio_riga + 1) + ": ");
    const std::string attesa = luogo + (errore ? "error: Errore n. " : "warning: Avviso n. ") + std::to_string(c.numero) + ":";
    EXPECT_NE(severa.e.errori.find(attesa), std::string::npos) << attesa << "\n" << severa.e.errori;
    EXPECT_NE(severa.e.errori.find(c.dice), std::string::npos) << severa.e.errori;
    // Read as of old: what is lost is a warning, and the scenario builds as it always has.
    if (!voce->perdita) continue;
    const costruzione permessa(c.linea, c.treno, {"--permissivo"});
    EXPECT_EQ(permessa.e.stato, c.permessa ? 0 : 1) << permessa.e.errori;
    EXPECT_EQ(nomi_in(permessa.uscita.percorso()).size(), c.permessa ? 3u : 0u);
  }
}

TEST(Intento, LaLetturaDiSempreConPermissivo) {
  // A signal before the station, on its stop cell: the stop point takes the cell (kind 10,
  // table entry 2) and keeps what the signal left in its other fields, code 10 x 0 + 3 x 2
  // + 0 = 6 in dato4 and 30 + 10 in dato1 (s1 3, d1 0 and so on).
  const costruzione c(linea(), treno("segnale, 4100, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0\r\n"), {"--permissivo"});
  ASSERT_EQ(c.e.stato, 0) << c.e.errori;
  const std::string cella = c.cella(83);
  EXPECT_EQ(cella[0], 10);
  EXPECT_EQ(dato(cella, 0), 2);
  EXPECT_EQ(dato(cella, 1), 10);   // s2 1 x 10 + d2 0
  EXPECT_EQ(dato(cella, 3), 6);
  // An empty speed is 0: from round(8500 / 50) = 170 on, the cells keep 0 steps of 5 km/h.
  const costruzione vuota(linea(), treno("velocita, 8500,\r\n"), {"--permissivo"});
  ASSERT_EQ(vuota.e.stato, 0) << vuota.e.errori;
  EXPECT_EQ(vuota.cella(169)[12], 16);  // 80 km/h before it
  EXPECT_EQ(vuota.cella(170)[12], 0);
  // A record whose values the reading already took from the next line is left to that one
  // message: the slow-down of 20 m, whose end falls in its start's cell, says nothing more.
  const costruzione a_capo(linea(), treno("rallentamento, 6000, 30, 20, 0, 0\r\n0\r\n"), {"--permissivo"});
  EXPECT_NE(a_capo.e.errori.find("Avviso n. 302"), std::string::npos) << a_capo.e.errori;
  EXPECT_EQ(a_capo.e.errori.find("318"), std::string::npos) << a_capo.e.errori;
}

TEST(Intento, AlLimiteNessunaParola) {
  // An object at the line's very end and a slow-down that ends there are on the line; a
  // point of 1 km/h is a point with a value (kind 12), as written.
  const std::pair<std::string, std::string> coppie[] = {
      {linea(), treno("segnale, 10000, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0\r\n")},
      {linea(), treno("rallentamento, 9500, 30, 500, 0, 0, 0\r\n")},
      {linea(), treno("velocita, 10000, 40\r\n")},
      {linea(), treno("abbattimento, 6000, 1\r\n")},
      // The same speed twice: the cells hold it from 8000 m as written. A word after the
      // last value is a note.
      {linea(), treno("velocita, 8000, 40\r\nvelocita, 9000, 40 km/h\r\n")},
      // A comma after the last value leaves an empty item, passed over.
      {linea(), treno("velocita, 8000, 40, \r\n")},
      // The first station's second and third options written as the set keeps them.
      {linea(), treno()},
      // A slow-down starting at 1500 m, not beyond it, has no warning board and asks for no
      // advance cells.
      {linea(), treno("rallentamento, 1500, 30, 300, 0, 0, 0\r\n")},
      // A note that begins with a minus sign, a keyword, a comma and a number in it.
      {linea(), treno("- rallentamento del cantiere, 6000, da togliere\r\n")},
      // A value that is no position, larger than the line.
      {linea(), con(treno(), "sabbia, 300", "sabbia, 20000")},
      // Each value's own unit after it, in any of its words.
      {con(con(linea(), "pendenza, 3000, 5", "pendenza, 3000, 5 per mille"), "10000\r\n", "10000 metri\r\n"),
       treno("velocita, 8000, 40 kmh\r\n")},
  };
  for (const auto& [l, t] : coppie) {
    const costruzione c(l, t);
    EXPECT_EQ(c.e.stato, 0) << c.e.errori;
    EXPECT_EQ(c.e.errori, "") << c.e.errori;
  }
}

// One mistake, one message: what follows from it is not told again.
TEST(Intento, UnErroreUnMessaggio) {
  std::string cartelli;
  // 80 boards hold every table entry a station could take; one more is error 27.
  for (int i = 0; i < 81; ++i) cartelli += "cartello_indicatore, " + std::to_string(500 + 100 * i) + ", B\r\n";
  struct caso {
    const char* cosa;
    std::string linea, treno;
    int32_t detto;           // said once
    std::vector<int32_t> taciuti;  // not said
  };
  const caso casi[] = {
      // ARRIVO moved before Borgo Fonte: out of order, and so within 350 m of its end.
      {"a station out of order", linea(), con(treno(), "9000, 12", "2000, 12"), avviso::fuori_ordine,
       {codice::stazioni_ravvicinate}},
      // Every station finds the boards' entries: said at the first, and the run text has them.
      {"no room for stations", linea(cartelli), treno(), codice::troppe_stazioni, {avviso::nessuna_stazione}},
      // The line's other items are not unknown keywords of their own.
      {"a minus sign in a keyword", linea(), treno("rallentamento - cantiere, 6000, 30, 300, 0, 0, 0\r\n"),
       avviso::parola_sconosciuta, {}},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.cosa);
    const costruzione e(c.linea, c.treno);
    EXPECT_EQ(e.e.stato, 1);
    const auto volte = [&](int32_t n) {
      const std::string cerca = " " + std::to_string(n) + ":";
      size_t k = 0;
      for (size_t p = e.e.errori.find(cerca); p != std::string::npos; p = e.e.errori.find(cerca, p + 1)) ++k;
      return k;
    };
    EXPECT_EQ(volte(c.detto), 1u) << e.e.errori;
    for (const int32_t n : c.taciuti) EXPECT_EQ(volte(n), 0u) << n << "\n" << e.e.errori;
  }
}

// What the set keeps otherwise than written, by the format's own rules, is said at the
// value as the program prints it, with the value kept (exit 0, the files written); a
// value the field does not mean fails the build at it.
TEST(Intento, LeRegoleDelFormatoDetteAlValore) {
  struct caso {
    std::string linea, treno;
    std::string atteso;  // the line's start as printed
    int stato;
  };
  const caso casi[] = {
      // The first station keeps no second or third option.
      {linea(), con(treno(), "0, 8, 300, 0, 0, 0,", "0, 8, 300, 0, 1, 1,"),
       "Val_R1-.txt:12:25: warning: Avviso n. 324: valore tenuto per una regola del formato: opzione4 1", 0},
      // round(8010 / 50) = 160: the cells hold it from 8000 m.
      {linea(), treno("velocita, 8000, 40\r\nvelocita, 8010, 40\r\n"), "Val_R1-.txt:12:11: warning: Avviso n. 320", 0},
      // No warning board at 1500 m, so none of its advance cells.
      {linea(), treno("rallentamento, 1500, 30, 300, 0, 1, 0\r\n"),
       "Val_R1-.txt:11:34: warning: Avviso n. 324: valore tenuto per una regola del formato: f_ta 1", 0},
      // A board without text, a curve that turns nothing: what the author meant is not kept.
      {linea("cartello_indicatore, 4500,\r\n"), treno(), "Val_linea.txt:18:27: error: Errore n. 325", 1},
      {linea("", "curvad4, 2000, 300\r\ncurvas2, 3000, 0\r\n"), treno(), "Val_linea.txt:12:16: error: Errore n. 325", 1},
  };
  for (const caso& c : casi) {
    const costruzione e(c.linea, c.treno);
    EXPECT_EQ(e.e.stato, c.stato) << e.e.errori;
    EXPECT_EQ(e.e.errori.rfind(c.atteso, 0), 0u) << e.e.errori;
    EXPECT_EQ(nomi_in(e.uscita.percorso()).size(), c.stato == 0 ? 3u : 0u);
  }
}

TEST(Intento, UnTestoWindows1252) {
  // Notepad's "ANSI": a curly apostrophe (0x92) and the euro sign (0x80), which ISO 8859-1
  // holds only as control codes, are read as Windows-1252 and kept as their nearest plain
  // form, with a warning each; the a with grave accent (0xE0) is the same in both.
  const std::string nome = "Citt\xE0 d\x92" "Erba \x80";
  const costruzione c(linea(), con(treno(), "ARRIVO", nome));
  EXPECT_EQ(c.e.stato, 0) << c.e.errori;
  EXPECT_NE(c.e.errori.find("'\xE2\x80\x99' (U+2019) è memorizzato come '''"), std::string::npos) << c.e.errori;
  EXPECT_NE(c.e.errori.find("(U+20AC) è memorizzato come 'E'"), std::string::npos) << c.e.errori;
  EXPECT_NE(c.uscita.leggi("Val_R1.sim").find("Citt\xE0 d'Erba E"), std::string::npos);
}

// The embedded texts, the examples and the test data say nothing, and read as of old give
// the same bytes.
TEST(Intento, ITestiDelProgettoSenzaUnaParola) {
  const auto dati = [](const std::string& nome) { return leggi_tutto(std::string(CARTELLA_DATI_PROVA) + "/" + nome); };
  const auto esempio = [](const std::string& nome) {
    return leggi_tutto(std::string(CARTELLA_RIFERIMENTI) + "/../../examples/" + nome);
  };
  struct coppia {
    std::string linea, treno, testo_linea, testo_treno;
  };
  const coppia coppie[] = {
      {"Castrea_Tovena", "R7302", componi_testo(elenco_linea()), componi_testo(elenco_treno())},
      {"Valmora", "R2215", esempio("Valmora_linea.txt"), esempio("Valmora_R2215-.txt")},
      {"Prova", "R1", dati("Prova_linea.txt"), dati("Prova_R1-.txt")},
      {"Valle", "R1", dati("Valle_linea.txt"), dati("Valle_R1-.txt")},
  };
  for (const coppia& c : coppie) {
    SCOPED_TRACE(c.linea);
    std::string byte[2];
    for (const bool permissivo : {false, true}) {
      uscite_in_memoria u;
      richiesta r;
      r.linea = c.linea;
      r.treno = c.treno;
      r.permissivo = permissivo;
      r.testo_linea = {c.linea + "_linea.txt", c.testo_linea, true, ""};
      r.testo_treno = {c.linea + "_" + c.treno + "-.txt", c.testo_treno, true, ""};
      modello m;
      const risultato e = memorizza_percorso(r, m, &u);
      EXPECT_TRUE(e.riuscito);
      // A note at most: that a text in UTF-8 was converted.
      for (const diagnostica& d : e.diagnostiche) EXPECT_EQ(d.livello, gravita::nota) << d.numero << " " << rendi(motivo_di(d));
      for (auto& [quale, file] : u.file) byte[permissivo] += file.byte;
    }
    EXPECT_EQ(byte[0], byte[1]);
  }
}

}  // namespace
}  // namespace scenario
