#include "track/rapporto_errori.h"

#include <algorithm>
#include <array>

namespace scenario {

namespace {

constexpr std::array<voce_catalogo, 75> catalogo{{
    {1, "lunghezza percorso fuori dai limiti (da 0 a 1000000 m)", false},
    {2, "progressiva chilometrica con inizio o valore non multiplo di 50", false},
    {3, "primo valore di ripetizione segnali non multiplo di 50", false},
    {4, "secondo valore di ripetizione segnali non multiplo di 50", false},
    {5, "ripetizione segnali senza il numero di codici (4 o 9)", false},
    {6, "cartello indicatore su una cella occupata", true},
    {7, "abbattimento su una cella occupata", true},
    {8, "posizione della stazione non multipla di 50", true},
    {9, "lunghezza della stazione non multipla di 100", true},
    {10, "troppe stazioni: raggiungono i cartelli indicatori nella tabella", false},
    {11, "segnale vicino a un avviso di rallentamento senza posto per l'abbattimento", true},
    {12, "nessuna cella libera per l'abbattimento prima dell'inizio del rallentamento", true},
    {13, "nessuna cella libera per l'abbattimento nel rallentamento o prima del segnale seguente",
     true},
    {15, "oggetto oltre la fine del percorso", true},
    {16, "segnale su una cella occupata", true},
    {17, "avviso di rallentamento su una cella occupata", true},
    {18, "inizio del rallentamento su una cella occupata", true},
    {19, "fine del rallentamento su una cella occupata", true},
    {20, "celle di preavviso del rallentamento occupate", true},
    {21, "indicatore di velocità massima su una cella occupata", true},
    {22, "stazione a meno di 350 m dalla fine della stazione precedente", true},
    {24, "stazione troppo vicina all'inizio della linea per il punto di fermata", false},
    {25, "errore di lettura dei testi di descrizione", false},
    {26, "oggetto prima dell'inizio della linea", true},
    {27, "troppi cartelli indicatori (al massimo 80)", true},
    {28, "troppi tratti di montagna (al massimo 80)", true},
    {29, "stazione con fermata o preavvisi oltre la fine del percorso", true},
    {30, "pendenza fuori dal campo (da -100 a 155)", true},
    {31, "velocità fuori dal campo (da 0 a 1277 km/h)", true},
    {32, "aderenza fuori dal campo (da 0 a 255)", true},
    {33, "tipo di montagna fuori dal campo (da 0 a 265)", true},
    {34, "valore di abbattimento fuori dal campo (al massimo 32767)", true},
    {35, "valori del segnale fuori dal campo", true},
    {36, "valori del rallentamento fuori dal campo (da -32768 a 32767)", true},
    {37, "strisce dell'indicatore fuori dal campo (strisces x 10 + strisced da -32768 a 32767)",
     true},
    {38, "orario della stazione fuori dal campo (ore da 0, minuti e secondi da 0 a 59)", true},
    {39, "fine del rallentamento oltre la fine del percorso", true},
    {101, "testo di descrizione della linea mancante", false},
    {102, "sezione [generale] mancante nel testo della linea", false},
    {103, "curva senza classe (da 1 a 6) o oltre la fine del tracciato", false},
    {104, "lunghezza percorso mancante nella sezione [generale]", false},
    {105, "codifica del testo non leggibile: serve UTF-8 (con o senza BOM), ANSI (Windows-1252) o ISO 8859-1", false},
    {301, "parola chiave sconosciuta: la riga non è letta come record", false, gravita::avviso, true},
    {302, "i valori del record non finiscono alla fine della sua riga", false, gravita::avviso, true},
    {303, "intestazione di sezione sconosciuta", false, gravita::avviso},
    {304, "sezione [generale] mancante nel testo della corsa: nessun record è letto", false,
     gravita::avviso, true},
    {305, "nessuna stazione nel testo della corsa", false, gravita::avviso},
    {306, "testo della corsa vuoto", false, gravita::avviso, true},
    {307, "record fuori ordine lungo la linea", true, gravita::avviso, true},
    {308, "orario della stazione precedente a quello della stazione prima", true, gravita::avviso},
    {309, "rallentamento sovrapposto al precedente", true, gravita::avviso},
    {310, "orologio fuori dai limiti (ore 0-23, minuti 0-59, secondi 0-59)", false,
     gravita::avviso},
    {311, "testo in UTF-8 convertito in ISO 8859-1", false, gravita::nota},
    {312, "carattere che ISO 8859-1 non contiene", false, gravita::avviso},
    {313, "parola chiave letta come un'altra", false, gravita::avviso, true},
    {314, "valori separati da altro che virgole", false, gravita::avviso, true},
    {315, "tratto che finisce prima di cominciare", true, gravita::avviso, true},
    {316, "orario della stazione di 24 ore o più", true, gravita::avviso},
    {317, "valore vuoto", false, gravita::avviso, true},
    {318, "oggetto coperto o perso nei file compilati", true, gravita::avviso, true},
    {319, "valore tenuto diverso da come è scritto", true, gravita::avviso, true},
    {320, "valore tenuto al passo del formato", true, gravita::avviso},
    {321, "oggetto oltre la fine della linea", true, gravita::avviso},
    {322, "nome di stazione ripetuto o vuoto", true, gravita::avviso},
    {323, "testo in UTF-8 con byte di un'altra codifica", false, gravita::avviso},
    {324, "valore tenuto per una regola del formato", true, gravita::avviso},
    {325, "valore che il campo non intende", true, gravita::avviso, true},
    {326, "valore ammesso ma quasi mai voluto", true, gravita::avviso},
    {327, "corsa oltre la mezzanotte scritta in due modi", true, gravita::avviso},
    {328, "orario lontano da quello della stazione precedente", true, gravita::avviso},
    {329, "orario più breve di quanto i limiti di velocità permettono", true, gravita::avviso},
    {330, "orario più breve della marcia più veloce con le ipotesi sul treno", true, gravita::avviso},
    {1250, "valori di intestazione già occupati", false},
    {1251, "codici di gara già occupati", false},
    {0, "", false},
}};
// Looked up by halving (cerca_errore): the numbers rise from entry to entry, up to the
// closing empty one.
static_assert(std::is_sorted(catalogo.begin(), catalogo.end() - 1,
                             [](const voce_catalogo& a, const voce_catalogo& b) { return a.numero <= b.numero; }));

// The record that put the object named by an error found after the reading: the signal
// (11) or slow-down start (12) on the cell at the error's position, or whatever stands on
// cell 1, which carries the header values (1250, 1251).
std::optional<luogo_testo> luogo_oggetto(const modello& m, int32_t numero,
                                         std::optional<int32_t> posizione) {
  int64_t cella = -1;
  if (numero == 1250 || numero == 1251) {
    cella = 1;
  } else if ((numero == 11 || numero == 12) && posizione && *posizione % 50 == 0) {
    cella = *posizione / 50;
  }
  const oggetto_posto* const trovato = m.oggetti.cerca(cella);
  if (trovato == nullptr) return std::nullopt;
  return m.luogo_di(*trovato);
}

}  // namespace

std::optional<voce_catalogo> cerca_errore(int32_t numero) {
  const std::span<const voce_catalogo> voci = catalogo_errori();
  const auto v = std::lower_bound(voci.begin(), voci.end(), numero,
                                  [](const voce_catalogo& a, int32_t n) { return a.numero < n; });
  if (v == voci.end() || v->numero != numero) return std::nullopt;
  return *v;
}

std::span<const voce_catalogo> catalogo_errori() { return std::span(catalogo).first(catalogo.size() - 1); }

namespace {

// A warning of the catalogue, or a note where the catalogue says it only informs; an
// error where the set will not hold what was written, unless read as of old.
gravita livello_avviso(const modello& m, int32_t numero) {
  const auto voce = cerca_errore(numero);
  if (voce && voce->perdita && !m.permissivo) return gravita::errore;
  return voce && voce->livello == gravita::nota ? gravita::nota : gravita::avviso;
}

}  // namespace

void registra_avviso(modello& m, int32_t numero, std::optional<luogo_testo> luogo, messaggio perche) {
  registra_avviso(m, numero, std::move(luogo));
  m.diagnostiche.back().frase = std::move(perche);
}

void registra_avviso(modello& m, int32_t numero, int32_t posizione, luogo_testo luogo, messaggio perche) {
  registra_avviso(m, numero, posizione, std::move(luogo));
  m.diagnostiche.back().frase = std::move(perche);
}

void registra_errore(modello& m, int32_t numero, std::optional<int32_t> posizione,
                     std::optional<luogo_testo> luogo, messaggio perche) {
  registra_errore(m, numero, posizione, std::move(luogo));
  m.diagnostiche.back().frase = std::move(perche);
}

std::optional<nota_diagnostica> nota_cella_presa(const modello& m, int64_t cella) {
  const oggetto_posto* const trovato = m.oggetti.cerca(cella);
  if (trovato == nullptr) return std::nullopt;
  const oggetto_posto& o = *trovato;
  return nota_diagnostica{m.luogo_di(o), {},
                          frase("lettura.cella_occupata", {{"cella", cella}, {"da", (cella - 1) * 50}, {"a", cella * 50},
                                                           {"da_oggetto", frase(o.cosa)}, {"posizione", o.posizione}})};
}

messaggio descrizione_errore(int32_t numero) {
  // The catalogue's ids of the numbers are made here, not named one by one.
  std::string id = "errore." + std::to_string(numero);
  return frase(std::move(id));
}

void registra_avviso(modello& m, int32_t numero, std::optional<luogo_testo> luogo,
                     std::string motivo) {
  m.diagnostiche.push_back(
      diagnostica{numero, livello_avviso(m, numero), std::nullopt, std::move(luogo), std::move(motivo), {}, std::nullopt});
}

void registra_avviso(modello& m, int32_t numero, int32_t posizione, luogo_testo luogo,
                     std::string motivo) {
  m.diagnostiche.push_back(
      diagnostica{numero, livello_avviso(m, numero), posizione, std::move(luogo), std::move(motivo), {}, std::nullopt});
}

std::string con_preposizione(std::string_view preposizione, std::string_view testo) {
  const std::string radice = preposizione == "di" ? "de" : "da";
  for (const auto& [articolo, coda] : {std::pair<std::string_view, std::string_view>{"il ", "l "},
                                       {"la ", "lla "}, {"lo ", "llo "}, {"l'", "ll'"}}) {
    if (testo.starts_with(articolo)) return radice + std::string(coda) + std::string(testo.substr(articolo.size()));
  }
  return std::string(preposizione) + " " + std::string(testo);
}

void registra_errore(modello& m, int32_t numero, std::optional<int32_t> posizione,
                     std::optional<luogo_testo> luogo, std::string motivo) {
  if (!luogo) luogo = luogo_oggetto(m, numero, posizione);
  m.codice_errore = numero;
  if (posizione) m.posizione_errore = *posizione;
  m.diagnostiche.push_back(
      diagnostica{numero, gravita::errore, posizione, std::move(luogo), std::move(motivo), {}, std::nullopt});
}

}  // namespace scenario
