// What an author is told: the example scenario compiles without a word, and typical
// mistakes made one at a time in it each give their diagnostic at their record.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/esecuzione.h"
#include "lingue/catalogo.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using namespace prova;

const fs::path ESEMPI = fs::path(CARTELLA_RIFERIMENTI) / ".." / ".." / "examples";
const std::string LINEA = "Valmora_linea.txt";
const std::string TRENO = "Valmora_R2215-.txt";

std::string leggi(const fs::path& file) {
  std::ifstream f(file, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

const std::string TESTO_LINEA = leggi(ESEMPI / LINEA);
const std::string TESTO_TRENO = leggi(ESEMPI / TRENO);

// The text with `da` replaced by `a` (it must be there).
std::string con(const std::string& testo, const std::string& da, const std::string& a) {
  const size_t dove = testo.find(da);
  EXPECT_NE(dove, std::string::npos) << da;
  if (dove == std::string::npos) return testo;
  return testo.substr(0, dove) + a + testo.substr(dove + da.size());
}

// The 1-based line of a text on which `parte` stands.
int riga_di(const std::string& testo, const std::string& parte) {
  const size_t dove = testo.find(parte);
  return 1 + static_cast<int>(std::count(testo.begin(), testo.begin() + static_cast<long>(dove), '\n'));
}

struct esecuzione {
  cartella_temporanea cartella, uscita;
  esito e;
  esecuzione(const std::string& linea, const std::string& treno, std::vector<std::string> opzioni = {}) {
    cartella.scrivi(LINEA, linea);
    cartella.scrivi(TRENO, treno);
    opzioni.insert(opzioni.end(), {"-o", uscita.percorso().string(), LINEA, TRENO});
    e = esegui(ESEGUIBILE, opzioni, cartella.percorso(), cartella.percorso());
  }
  std::string prima_riga() const { return e.errori.substr(0, e.errori.find('\n')); }
};

TEST(Diagnostica, EsempioSenzaNessunaDiagnostica) {
  const esecuzione quieta(TESTO_LINEA, TESTO_TRENO, {"-q"});
  EXPECT_EQ(quieta.e.stato, 0);
  EXPECT_EQ(quieta.e.errori + quieta.e.uscita, "");
  EXPECT_EQ(nomi_in(quieta.uscita.percorso()).size(), 3u);
  // The summary: four "stazione" records, four "segnale" records, one "rallentamento";
  // 24000 m give cells 0 to (24000 + 7000) / 50 = 620.
  const esecuzione e(TESTO_LINEA, TESTO_TRENO);
  EXPECT_EQ(e.e.errori, "compila_scenario: 4 stazioni, 4 segnali, 1 rallentamento, 621 celle, 0 avvisi\n");
}

TEST(Diagnostica, ErroriTipici) {
  struct caso {
    const char* cosa;
    bool in_linea;  // the mistake is in the line text, else in the run text
    std::string da, a;
    int32_t numero;
    std::string segue;   // what the first line goes on with after the description
    std::string segue_en;  // the same in English
    std::string presso;  // the item the diagnostic stands at, on the line of `a`; empty: its start
    int riga = -1;       // the line of `a`; 0 for the whole text; -1 for the line of the mistake
  };
  const caso casi[] = {
      {"keyword typo", false, "stazione,   7000", "stazone,   7000", 301, ": 'stazone': forse 'stazione'?",
       ": 'stazone': perhaps 'stazione'?", ""},
      {"general keyword typo", true, "sfondo uno,", "sfondo un,", 301, ": 'sfondo un': forse 'sfondo uno'?",
       ": 'sfondo un': perhaps 'sfondo uno'?", ""},
      {"unknown header", true, "[montagne]", "[montagn]", 303, ": '[montagn]': forse '[montagne]'?",
       ": '[montagn]': perhaps '[montagne]'?", ""},
      // g + 100 = 280 does not fit a byte.
      {"gradient 180", true, "pendenza,  8000,   12", "pendenza,  8000,  180", 30, ": g = 180 per mille (posizione 8000 m)",
       ": g = 180 per mille (position 8000 m)", "180"},
      // round(1400 / 5) = 280.
      {"speed 1400", false, "velocita,    600,   100", "velocita,    600,  1400", 31, ": v = 1400 km/h (posizione 600 m)",
       ": v = 1400 km/h (position 600 m)", "1400"},
      {"adhesion 850", false, "aderenza,  12000,    90", "aderenza,  12000,   850", 32, ": a = 850 (posizione 12000 m)",
       ": a = 850 (position 12000 m)", "850"},
      {"mountain kind 300", true, "16000,   1", "16000, 300", 33, ": tipo = 300 (posizione 15000 m)",
       ": tipo = 300 (position 15000 m)", "300"},
      {"abbattimento 40000", false, "abbattimento,  10000,  0", "abbattimento,  10000,  40000", 34, ": w = 40000 km/h",
       ": w = 40000 km/h", "40000"},
      // 4000 x 10 + 0 = 40000 > 32767: at s1.
      {"signal s1 4000", false, "segnale,   6500,   2, 4,", "segnale,   6500,   2, 4000,", 35,
       ": s1 x 10 + d1 = 40000: deve stare tra -32768 e 32767", ": s1 x 10 + d1 = 40000: must lie between -32768 and 32767",
       "4000"},
      // At the value that the comma left over.
      {"decimal comma", true, "pendenza,  3000,    8", "pendenza,  3000,    8,5", 302, ": valori in più",
       ": values too many", "5"},
      {"value short", true, "pendenza,  3000,    8", "pendenza,  3000", 25,
       ": valori mancanti: il record ha 1 valore sulla sua riga, 'pendenza' ne vuole 2",
       ": values missing: the record has 1 value on its line, 'pendenza' wants 2", ""},
      {"gradients out of order", true, "pendenza, 12500,   -5", "pendenza,  5000,   -5", 307, ": pendenza dopo quella a 8000 m",
       ": gradient after the one at 8000 m", "5000"},
      // 7:21:00 after Prato Alto's 7:27:00: at the hours, in the author's form.
      {"times backwards", false, "7,41, 0, SERRAVALLE", "7,21, 0, SERRAVALLE", 308,
       ": 7:21:00 dopo le 7:27:00 della stazione precedente", ": 7:21:00 after the previous station's 7:27:00", "7,21"},
      {"clock 25 h", false, "orologio,    7,", "orologio,    25,", 310, ": ore = 25 h", ": ore = 25 h", "25"},
      {"overlapping slow-downs", false, "[segnali]", "rallentamento, 16200, 40, 300, 0, 0, 0\r\n[segnali]", 309,
       ": quello da 16000 a 16400 m", ": the one from 16000 to 16400 m", "16200"},
      {"curve without class", true, "curvad6,  5200", "curvad,  5200", 103, ": la parola 'curvad' non ha",
       ": the word 'curvad' has no", ""},
      // Cell round(0 / 50 + 1) = 1 carries the header: the signal there is named.
      {"signal on cell 1", false, "segnale,   1500", "segnale,      0", 1250, "", "", ""},
      {"progressive 52010", true, "52000,", "52010,", 2, "", "", "52010"},
      {"board beyond the end", true, "cartello_indicatore,  3300", "cartello_indicatore,  48000", 15,
       ": la linea finisce a 24000 m", ": the line ends at 24000 m", "48000"},
      {"run text [general]", false, "[generale]", "[general]", 304, ": '[general]': forse '[generale]'?",
       ": '[general]': perhaps '[generale]'?", ""},
  };
  // Each mistake in each language: the same number, place and severity's word; the
  // description and the reason in the language asked for.
  for (const auto& [l, opzione] : {std::pair{lingua::italiano, "--lingua=it"}, std::pair{lingua::inglese, "--lingua=en"}})
  for (const caso& c : casi) {
    SCOPED_TRACE(std::string(c.cosa) + " " + opzione);
    const std::string linea = c.in_linea ? con(TESTO_LINEA, c.da, c.a) : TESTO_LINEA;
    const std::string treno = c.in_linea ? TESTO_TRENO : con(TESTO_TRENO, c.da, c.a);
    const esecuzione e(linea, treno, {opzione});
    const auto voce = cerca_errore(c.numero);
    ASSERT_TRUE(voce.has_value());
    // Errors stop the build, and so does whatever the set would not hold as written;
    // warnings and notes do not.
    const bool errore = voce->livello == gravita::errore || voce->perdita;
    EXPECT_EQ(e.e.stato, errore ? 1 : 0) << e.e.errori;
    EXPECT_EQ(nomi_in(e.uscita.percorso()).size(), errore ? 0u : 3u);
    const std::string& testo = c.in_linea ? linea : treno;
    // The column: where `presso` stands on the line of `a`, counted from 1.
    const size_t inizio_a = testo.find(c.a);
    const size_t inizio_riga = testo.rfind('\n', inizio_a) + 1;
    const size_t presso = c.presso.empty() ? testo.find_first_not_of(" ", inizio_riga) : testo.find(c.presso, inizio_a);
    int riga = riga_di(testo, c.a);
    std::string colonna = std::to_string(presso - inizio_riga + 1);
    if (c.riga == 0) {
      // A note about the whole text stands at the first line holding a character beyond ASCII.
      riga = riga_di(testo, c.a);
      colonna = "1";
    }
    const std::string luogo = (c.in_linea ? LINEA : TRENO) + ":" + std::to_string(riga) + ":" + colonna;
    const std::string livello = errore ? ": error: " : voce->livello == gravita::avviso ? ": warning: " : ": note: ";
    const std::string numero = l == lingua::italiano
                                   ? (errore ? "Errore n. " : voce->livello == gravita::avviso ? "Avviso n. " : "Nota n. ")
                                   : (errore ? "Error " : voce->livello == gravita::avviso ? "Warning " : "Note ");
    const std::string descrizione = l == lingua::italiano ? voce->descrizione : rendi(descrizione_errore(c.numero), l);
    const std::string attesa = luogo + livello + numero + std::to_string(c.numero) + ": " + descrizione +
                               (l == lingua::italiano ? c.segue : c.segue_en);
    EXPECT_TRUE(e.prima_riga().starts_with(attesa)) << e.prima_riga() << "\n" << attesa;
  }
}

TEST(Diagnostica, OttoErroriInUnaCostruzione) {
  // Eight independent mistakes in the two texts: four values out of range, three keyword
  // typos, a decimal comma. One build reports all eight, in reading order (the line text
  // first), each at its line, as errors: the typos and the comma lose what was written.
  // Exit 1, nothing written.
  struct sbaglio {
    bool in_linea;
    std::string da, a;
    int32_t numero;
    std::string presso;  // the item the caret stands under
  };
  const sbaglio sbagli[] = {
      {true, "sfondo uno,", "sfondo un,", 301, "sfondo un"},
      {true, "pendenza,  3000,    8", "pendenza,  3000,    8,5", 302, "5"},
      {true, "pendenza,  8000,   12", "pendenza,  8000,  180", 30, "180"},
      {true, "montagna, 15000, 16000,   1", "montagna, 15000, 16000, 300", 33, "300"},
      {false, "aderenza,  12000,    90", "aderenza,  12000,   850", 32, "850"},
      {false, "velocita,    600,   100", "velocita,    600,  1400", 31, "1400"},
      {false, "stazione,   7000", "stazone,   7000", 301, "stazone"},
      {false, "segnale,   6500", "segnle,   6500", 301, "segnle"},
  };
  std::string linea = TESTO_LINEA, treno = TESTO_TRENO;
  for (const sbaglio& x : sbagli) (x.in_linea ? linea : treno) = con(x.in_linea ? linea : treno, x.da, x.a);
  const esecuzione e(linea, treno);
  EXPECT_EQ(e.e.stato, 1);
  EXPECT_TRUE(nomi_in(e.uscita.percorso()).empty());
  std::vector<std::string> prime;
  std::istringstream righe(e.e.errori);
  for (std::string r; std::getline(righe, r);) {
    if (r.starts_with(LINEA + ":") || r.starts_with(TRENO + ":")) prime.push_back(r);
  }
  ASSERT_EQ(prime.size(), 8u) << e.e.errori;
  int errori = 0;
  for (size_t i = 0; i < 8; ++i) {
    const sbaglio& x = sbagli[i];
    const std::string& testo = x.in_linea ? linea : treno;
    const size_t dove = testo.find(x.a);
    const size_t inizio_riga = testo.rfind('\n', dove) + 1;
    const size_t colonna = testo.find(x.presso, dove) - inizio_riga + 1;
    const bool errore = cerca_errore(x.numero)->livello == gravita::errore || cerca_errore(x.numero)->perdita;
    errori += errore;
    const std::string atteso = (x.in_linea ? LINEA : TRENO) + ":" + std::to_string(riga_di(testo, x.a)) + ":" +
                               std::to_string(colonna) + (errore ? ": error: Errore n. " : ": warning: Avviso n. ") +
                               std::to_string(x.numero) + ":";
    EXPECT_TRUE(prime[i].starts_with(atteso)) << prime[i] << "\n" << atteso;
  }
  EXPECT_EQ(errori, 8);
}

TEST(Diagnostica, ErroreDellaLineaEDellaCorsa) {
  // A board beyond the end stops the line text (error 15, at its record); the run text is
  // read on and its own station error is reported after it, at its own record.
  const esecuzione e(con(TESTO_LINEA, "cartello_indicatore,  3300", "cartello_indicatore,  48000"),
                     con(TESTO_TRENO, "stazione,  13000", "stazione,  13010"));
  EXPECT_EQ(e.e.stato, 1);
  // Each at the value it is about: "cartello_indicatore,  48000" and "stazione,  13010".
  EXPECT_TRUE(e.prima_riga().starts_with(LINEA + ":32:23: error: Errore n. 15: ")) << e.e.errori;
  EXPECT_NE(e.e.errori.find("\n" + TRENO + ":18:12: error: Errore n. 8: "), std::string::npos) << e.e.errori;
}

TEST(Diagnostica, SeveroJsonSilenzioso) {
  // A clock of 25 h is kept as written: a warning.
  const std::string avviso = con(TESTO_TRENO, "orologio,    7,", "orologio,    25,");
  // --severo: the warning stops the build, nothing written.
  const esecuzione severa(TESTO_LINEA, avviso, {"--severo"});
  EXPECT_EQ(severa.e.stato, 1);
  EXPECT_TRUE(nomi_in(severa.uscita.percorso()).empty());
  EXPECT_NE(severa.e.errori.find("--severo"), std::string::npos);
  // JSON: one object a line and nothing else; -q drops the summary, not the warning.
  const esecuzione json(TESTO_LINEA, avviso, {"--diagnostica=json"});
  EXPECT_EQ(json.e.stato, 0);
  // At the hours: "orologio,    25" puts them at column 14, "25" ending before 16.
  EXPECT_TRUE(json.e.errori.starts_with("{\"column\":14,\"end_column\":16,\"file\":\"" + TRENO + "\""))
      << json.e.errori;
  EXPECT_EQ(std::count(json.e.errori.begin(), json.e.errori.end(), '\n'), 1);
  const esecuzione quieta(TESTO_LINEA, avviso, {"-q"});
  EXPECT_EQ(std::count(quieta.e.errori.begin(), quieta.e.errori.end(), '\n'), 3);  // line, source, caret
  // A UTF-8 text is converted without a word, unless asked: the note with --verboso, at the
  // first line holding a character beyond ASCII; never with -q.
  const std::string utf8 = con(TESTO_TRENO, "Prato Alto", "Ferr\xC3\xA0");
  const esecuzione muta(TESTO_LINEA, utf8);
  EXPECT_EQ(muta.e.errori.find("Nota n. 311"), std::string::npos) << muta.e.errori;
  const esecuzione verbosa(TESTO_LINEA, utf8, {"--verboso"});
  EXPECT_TRUE(verbosa.e.errori.starts_with(TRENO + ":" + std::to_string(riga_di(utf8, "Ferr")) +
                                           ":1: note: Nota n. 311: "))
      << verbosa.e.errori;
  const esecuzione verbosa_quieta(TESTO_LINEA, utf8, {"--verboso", "-q"});
  EXPECT_EQ(verbosa_quieta.e.errori, "");
}

}  // namespace
}  // namespace scenario
