#include "lingue/catalogo.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "lingue/parole_formato.h"
#include "model/formato.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

// Every text in every language: an id that one catalogue has and another lacks, or whose
// placeholders differ, would show the author the other language or a bare "{nome}".
TEST(Catalogo, OgniTestoInOgniLinguaConGliStessiSegnaposti) {
  std::set<std::string_view> tutte;
  for (const lingua l : LINGUE) {
    const auto voci = voci_catalogo(l);
    EXPECT_GT(voci.size(), 100u) << sigla(l);
    tutte.insert(voci.begin(), voci.end());
  }
  for (const std::string_view id : tutte) {
    for (const lingua l : LINGUE) {
      EXPECT_TRUE(nel_catalogo(id, l)) << id << " senza testo in " << sigla(l);
      const auto a = segnaposti(testo_catalogo(id, LINGUA_PREDEFINITA));
      const auto b = segnaposti(testo_catalogo(id, l));
      EXPECT_EQ(std::set<std::string>(a.begin(), a.end()), std::set<std::string>(b.begin(), b.end()))
          << id << " in " << sigla(l);
    }
  }
}

// The numbers are the catalogue's own: each one the report can show has its description.
TEST(Catalogo, OgniNumeroHaLaSuaDescrizione) {
  int trovati = 0;
  for (int32_t n = 1; n <= 2000; ++n) {
    const auto voce = cerca_errore(n);
    if (!voce) continue;
    ++trovati;
    // Its description, what it means to the author (the reference's tables) and, where the
    // report names a position, the object there.
    const std::string id = "errore." + std::to_string(n);
    for (const lingua l : LINGUE) {
      EXPECT_TRUE(nel_catalogo(id, l)) << n << " " << sigla(l);
      EXPECT_TRUE(nel_catalogo(id + ".spiegazione", l)) << n << " " << sigla(l);
      EXPECT_EQ(nel_catalogo(id + ".posizione", l), voce->con_posizione && n < 30) << n << " " << sigla(l);
    }
    EXPECT_EQ(rendi(descrizione_errore(n), lingua::italiano), voce->descrizione) << n;
  }
  EXPECT_EQ(trovati, 74);
}

// The format's words are looked up by ids made from its names: each record, value and
// section of the description has them in every language.
TEST(Catalogo, OgniRecordValoreESezioneDelFormato) {
  std::vector<messaggio> voci;
  for (const formato::testo t : {formato::testo::linea, formato::testo::treno}) {
    for (const formato::sezione& z : formato::sezioni(t)) voci.push_back(significato_sezione(z));
    for (const formato::record& r : formato::records(t)) {
      voci.push_back(significato_record(r));
      for (const formato::campo& c : r.campi) {
        voci.push_back(significato_campo(r, c));
        voci.push_back(memoria_campo(r, c));
        // What the values mean, for a field that says so; none for another.
        if (formato::con_senso(c)) {
          voci.push_back(senso_campo(r, c));
        } else {
          for (const lingua l : LINGUE) EXPECT_FALSE(nel_catalogo(senso_campo(r, c).id, l)) << senso_campo(r, c).id;
        }
      }
    }
  }
  EXPECT_EQ(voci.size(), 196u + 27u);
  for (const messaggio& m : voci) {
    for (const lingua l : LINGUE) EXPECT_TRUE(nel_catalogo(m.id, l)) << m.id << " " << sigla(l);
  }
}

// The words of `testo` that end in a vowel and an apostrophe where Italian writes an
// accent ("e'" for "è", "puo'", "perche'", "velocita'"). Not an elision, whose apostrophe a
// letter follows ("l'opzione"), nor the close of a quotation in single quotes ("'testo'",
// "'Borgo Fonte'"), nor "po'", the one word Italian cuts so.
std::vector<std::string> accenti_mancanti(std::string_view testo) {
  const auto lettera = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
  std::vector<std::string> trovati;
  bool citazione = false;
  for (size_t i = 0; i < testo.size(); ++i) {
    if (testo[i] != '\'') continue;
    const bool lettera_prima = i > 0 && lettera(testo[i - 1]);
    const bool lettera_dopo = i + 1 < testo.size() && lettera(testo[i + 1]);
    if (lettera_prima && lettera_dopo) continue;
    if (!lettera_prima) {
      citazione = !citazione;
      continue;
    }
    if (citazione) {
      citazione = false;
      continue;
    }
    size_t inizio = i;
    while (inizio > 0 && lettera(testo[inizio - 1])) --inizio;
    const std::string parola(testo.substr(inizio, i - inizio));
    if (std::string_view("aeiouAEIOU").find(parola.back()) != std::string_view::npos && parola != "po") {
      trovati.push_back(parola + "'");
    }
  }
  return trovati;
}

TEST(Catalogo, LItalianoScriveGliAccenti) {
  const struct {
    const char* testo;
    std::vector<std::string> attese;
  } casi[] = {
      {"la riga e' ignorata", {"e'"}},
      {"E' una cartella; non si puo' creare, perche' non c'e'.", {"E'", "puo'", "perche'", "e'"}},
      {"la velocita' (km/h), l'identita'", {"velocita'", "identita'"}},
      {"l'opzione '{opzione}' accetta 'testo' o 'json'", {}},
      {"la stazione 'Borgo Fonte' (riga 14) e' qui", {"e'"}},
      {"un po' di piu'", {"piu'"}},
      {"nell'elenco, dell'aderenza", {}},
      {"la cella e'", {"e'"}},
  };
  for (const auto& c : casi) EXPECT_EQ(accenti_mancanti(c.testo), c.attese) << c.testo;
  // Every Italian text of the catalogue: messages, help, the page's and the views' words.
  for (const std::string_view id : voci_catalogo(lingua::italiano)) {
    const auto mancanti = accenti_mancanti(testo_catalogo(id, lingua::italiano));
    EXPECT_TRUE(mancanti.empty()) << id << ": " << testing::PrintToString(mancanti);
  }
}

TEST(Catalogo, SegnapostiPerNomeNellOrdineDellaLingua) {
  // "uso.nome_treno" names the text before the line in both languages; the values land by
  // name whatever the order of the arguments.
  const messaggio m = frase("uso.nome_treno", {{"linea", "Val"}, {"nome", "x.txt"}});
  EXPECT_EQ(rendi(m, lingua::italiano),
            "il nome 'x.txt' non è nella forma Val_TRENO-.txt: indicare il treno con --treno");
  EXPECT_EQ(rendi(m, lingua::inglese), "the name 'x.txt' is not of the form Val_TRENO-.txt: give the train with --treno");
  // An argument that is itself a text of the catalogue speaks the same language.
  const messaggio annidato = frase("identificativo.vuoto", {{"cosa", frase("identificativo.linea")}});
  EXPECT_EQ(rendi(annidato, lingua::italiano), "identificativo della linea vuoto");
  EXPECT_EQ(rendi(annidato, lingua::inglese), "line identifier empty");
  // A name from an ISO 8859-1 text comes out in UTF-8; UTF-8 stays as it is.
  EXPECT_EQ(rendi(frase("mostra.non_ridato", {{"scarto", "Citt\xe0"}}), lingua::inglese), "not given back: Citt\xc3\xa0");
  EXPECT_EQ(rendi(messaggio("Citt\xc3\xa0"), lingua::inglese), "Citt\xc3\xa0");
  // An argument not given leaves its placeholder; an id not in the catalogue is shown as is.
  EXPECT_EQ(rendi(frase("mostra.non_ridato"), lingua::italiano), "non ridato: {scarto}");
  EXPECT_EQ(rendi(frase("nessun.testo.cosi"), lingua::inglese), "nessun.testo.cosi");
  EXPECT_FALSE(nel_catalogo("nessun.testo.cosi", lingua::inglese));
  EXPECT_TRUE(nel_catalogo("uso.nome_treno", lingua::inglese));
  EXPECT_EQ(segnaposti("{a} {b_2} {a} {} {-} {c"), (std::vector<std::string>{"a", "b_2"}));
}

TEST(Catalogo, LinguaDalleVariabiliComeGettext) {
  const struct {
    const char* language;
    const char* lc_all;
    const char* lc_messages;
    const char* lang;
    lingua attesa;
  } casi[] = {
      {nullptr, nullptr, nullptr, nullptr, lingua::italiano},
      {nullptr, nullptr, nullptr, "en_US.UTF-8", lingua::inglese},
      {nullptr, "", "", "en_GB", lingua::inglese},
      {nullptr, nullptr, "it_IT.UTF-8", "en_US.UTF-8", lingua::italiano},
      {nullptr, "en", "it_IT", "it_IT", lingua::inglese},
      // The first set decides, even when it names no language of the catalogue.
      {nullptr, "C", nullptr, "en_US.UTF-8", lingua::italiano},
      {nullptr, nullptr, nullptr, "C.UTF-8", lingua::italiano},
      {nullptr, nullptr, nullptr, "POSIX", lingua::italiano},
      {nullptr, nullptr, "de_DE.UTF-8", "en_US.UTF-8", lingua::italiano},
      {nullptr, nullptr, nullptr, "EN_us.utf8@euro", lingua::inglese},
      // Not a language at all, only its first letters.
      {nullptr, nullptr, nullptr, "eng", lingua::italiano},
      // LANGUAGE, a list, before the locale; its first language the catalogue has.
      {"en", nullptr, nullptr, "it_IT.UTF-8", lingua::inglese},
      {"it", "en_US.UTF-8", nullptr, nullptr, lingua::italiano},
      {"de:fr_FR:en_GB:it", nullptr, nullptr, "it_IT.UTF-8", lingua::inglese},
      {"en::it", nullptr, nullptr, "it_IT", lingua::inglese},
      // None of them: the texts untranslated, which are Italian.
      {"de:fr", nullptr, nullptr, "en_US.UTF-8", lingua::italiano},
      // Not under the "C" locale (named, or no variable set), nor when empty.
      {"en", nullptr, nullptr, "C", lingua::italiano},
      {"en", nullptr, nullptr, "POSIX", lingua::italiano},
      {"en", nullptr, nullptr, nullptr, lingua::italiano},
      {"", nullptr, nullptr, "en_US.UTF-8", lingua::inglese},
      // "C.UTF-8" is another locale than "C": LANGUAGE holds.
      {"en", nullptr, nullptr, "C.UTF-8", lingua::inglese},
  };
  for (const auto& c : casi) {
    EXPECT_EQ(lingua_delle_variabili(c.language, c.lc_all, c.lc_messages, c.lang), c.attesa)
        << (c.language ? c.language : "-") << " " << (c.lc_all ? c.lc_all : "-") << " "
        << (c.lc_messages ? c.lc_messages : "-") << " " << (c.lang ? c.lang : "-");
  }
  // Windows with none of the three: the interface language is the locale, and LANGUAGE
  // still comes first.
  EXPECT_EQ(lingua_delle_variabili(nullptr, nullptr, nullptr, nullptr, "en-US"), lingua::inglese);
  EXPECT_EQ(lingua_delle_variabili("it", nullptr, nullptr, nullptr, "en-US"), lingua::italiano);
  // The names Windows gives.
  EXPECT_EQ(lingua_da_nome("en-US"), lingua::inglese);
  EXPECT_EQ(lingua_da_nome("English_United States.1252"), lingua::inglese);
  EXPECT_EQ(lingua_da_nome("it-CH"), lingua::italiano);
  EXPECT_EQ(lingua_da_nome("fr-FR"), std::nullopt);
  EXPECT_EQ(lingua_da_sigla("en"), lingua::inglese);
  EXPECT_EQ(lingua_da_sigla("EN"), std::nullopt);
}

}  // namespace
}  // namespace scenario
