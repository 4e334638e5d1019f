// The catalogue of error numbers and the message that turns a recorded error into
// what the user reads.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/modello.h"

namespace scenario {

// Numbers recorded in `codice_errore`. 14 and 23 are not used.
namespace codice {
inline constexpr int32_t lunghezza_eccessiva = 1;
inline constexpr int32_t progressive_non_multiple = 2;
inline constexpr int32_t ripetizione_inizio = 3;
inline constexpr int32_t ripetizione_fine = 4;
inline constexpr int32_t ripetizione_codici = 5;
inline constexpr int32_t cartello_occupato = 6;
inline constexpr int32_t abbattimento_occupato = 7;
inline constexpr int32_t stazione_posizione = 8;
inline constexpr int32_t stazione_lunghezza = 9;
inline constexpr int32_t troppe_stazioni = 10;
inline constexpr int32_t segnale_senza_abbattimento = 11;
inline constexpr int32_t finestra_occupata = 12;
inline constexpr int32_t abbattimento_interno = 13;
inline constexpr int32_t oltre_percorso = 15;
inline constexpr int32_t segnale_occupato = 16;
inline constexpr int32_t avviso_occupato = 17;
inline constexpr int32_t inizio_rallentamento_occupato = 18;
inline constexpr int32_t fine_rallentamento_occupata = 19;
inline constexpr int32_t anticipo_occupato = 20;
inline constexpr int32_t indicatore_occupato = 21;
inline constexpr int32_t stazioni_ravvicinate = 22;
inline constexpr int32_t fermata_troppo_vicina = 24;
inline constexpr int32_t lettura_fallita = 25;
// Limits of the model that the description texts could otherwise overstep.
inline constexpr int32_t prima_inizio_linea = 26;    // an object before the first cell
inline constexpr int32_t troppi_cartelli = 27;       // an 81st line-side board
inline constexpr int32_t troppe_montagne = 28;       // an 81st mountain-side stretch
inline constexpr int32_t stazione_oltre_fine = 29;   // stop cell or approach marks beyond the track
// Values that their field in the compiled files cannot hold: refused at their record
// instead of being stored with their high bits cut off.
inline constexpr int32_t pendenza_fuori_campo = 30;
inline constexpr int32_t velocita_fuori_campo = 31;
inline constexpr int32_t aderenza_fuori_campo = 32;
inline constexpr int32_t montagna_fuori_campo = 33;
inline constexpr int32_t abbattimento_fuori_campo = 34;
inline constexpr int32_t segnale_fuori_campo = 35;
inline constexpr int32_t rallentamento_fuori_campo = 36;
inline constexpr int32_t indicatore_fuori_campo = 37;
inline constexpr int32_t orario_fuori_campo = 38;
inline constexpr int32_t rallentamento_oltre_fine = 39;  // a slow-down whose end is past the track
inline constexpr int32_t testo_linea_assente = 101;
inline constexpr int32_t generale_assente = 102;
inline constexpr int32_t curva_errata = 103;
inline constexpr int32_t lunghezza_assente = 104;    // no "lunghezza percorso" in [generale]
inline constexpr int32_t codifica_testo = 105;       // a byte-order mark or UTF-16
inline constexpr int32_t intestazione_valore = 1250;
inline constexpr int32_t intestazione_codice = 1251;
}  // namespace codice

// Numbers of the warnings: what the reading ignores, or reads in a way an author almost
// never means. A warning never changes what is compiled.
namespace avviso {
inline constexpr int32_t parola_sconosciuta = 301;
inline constexpr int32_t valori_fuori_riga = 302;
inline constexpr int32_t sezione_sconosciuta = 303;
inline constexpr int32_t generale_treno_assente = 304;
inline constexpr int32_t nessuna_stazione = 305;
inline constexpr int32_t testo_vuoto = 306;
inline constexpr int32_t fuori_ordine = 307;
inline constexpr int32_t orari_indietro = 308;
inline constexpr int32_t rallentamenti_sovrapposti = 309;
inline constexpr int32_t orologio_fuori_limiti = 310;
inline constexpr int32_t testo_utf8 = 311;
inline constexpr int32_t caratteri_non_latini = 312;
inline constexpr int32_t parola_in_altra_forma = 313;  // a keyword read otherwise than written
inline constexpr int32_t separatori = 314;             // values not separated by commas
inline constexpr int32_t tratto_rovesciato = 315;      // a stretch that ends before it starts
inline constexpr int32_t orario_oltre_giorno = 316;    // a station time of 24 h or more
inline constexpr int32_t valore_vuoto = 317;           // an empty item read as 0
inline constexpr int32_t oggetto_perso = 318;          // an object the set does not hold
inline constexpr int32_t valore_cambiato = 319;        // a value the set holds otherwise
inline constexpr int32_t passo_del_formato = 320;      // a value kept as the format's step allows
inline constexpr int32_t oltre_fine_linea = 321;       // an object in the run-on past the line's end
inline constexpr int32_t nome_stazione = 322;          // a station name used twice, or empty
inline constexpr int32_t testo_misto = 323;            // a UTF-8 text with bytes of another code among it
inline constexpr int32_t regola_del_formato = 324;     // a value the format keeps otherwise by a rule of its own
inline constexpr int32_t valore_non_inteso = 325;      // a value its field does not mean, taken as another
inline constexpr int32_t valore_insolito = 326;        // a value kept as written that an author almost never means
inline constexpr int32_t mezzanotte_in_due_modi = 327; // a run past midnight written both ways
inline constexpr int32_t salto_di_orario = 328;        // a station time too far after the one before
inline constexpr int32_t orario_sotto_limiti = 329;    // a leg given less time than its limits alone allow
inline constexpr int32_t orario_sotto_marcia = 330;    // a leg given less time than the fastest run assumed
}  // namespace avviso

struct voce_catalogo {
  int32_t numero;
  const char* descrizione;  // short Italian description, ASCII only
  bool con_posizione;       // the error records a position in metres
  gravita livello = gravita::errore;
  // The set will not hold what the record wrote (a line shaped like a record not read as
  // one, values taken from the next line or left over, an empty value, an object lost or
  // overwritten, a text with nothing read): an error, but a warning in the reading of old.
  bool perdita = false;
};

// The catalogue entry of a number, or nothing for a number outside the catalogue.
std::optional<voce_catalogo> cerca_errore(int32_t numero);
// Every entry of the catalogue, in the order of their numbers.
std::span<const voce_catalogo> catalogo_errori();

// "di" or "da" joined to the article that opens `testo`, as a message says it: di + il
// segnale = "del segnale", da + l'inizio = "dall'inizio", da + un segnale = "da un segnale".
std::string con_preposizione(std::string_view preposizione, std::string_view testo);

// Records a warning at the record that caused it (or at no place, for a whole text). A
// number that says the set will not hold what was written is recorded as an error, unless
// the model is read as of old (`permissivo`).
void registra_avviso(modello& m, int32_t numero, std::optional<luogo_testo> luogo,
                     std::string motivo = {});
// A warning about an object at a position in metres.
void registra_avviso(modello& m, int32_t numero, int32_t posizione, luogo_testo luogo,
                     std::string motivo = {});
// The same, saying why in the catalogue's words.
void registra_avviso(modello& m, int32_t numero, std::optional<luogo_testo> luogo, messaggio perche);
void registra_avviso(modello& m, int32_t numero, int32_t posizione, luogo_testo luogo, messaggio perche);

// Records an error: `codice_errore` takes its number and, when it has one,
// `posizione_errore` its position; the diagnostic goes into the model's list with the
// place of the record that caused it. An error found after the reading that names an
// object's cell (11, 12, 1250, 1251) takes the place of the record that put the object there.
void registra_errore(modello& m, int32_t numero, std::optional<int32_t> posizione,
                     std::optional<luogo_testo> luogo = std::nullopt, std::string motivo = {});
void registra_errore(modello& m, int32_t numero, std::optional<int32_t> posizione,
                     std::optional<luogo_testo> luogo, messaggio perche);

// The catalogue's description of a number: "errore.N".
messaggio descrizione_errore(int32_t numero);

// A note at the record whose object holds cell `cella`: "la cella 143 (da 7100 a 7150 m) e'
// occupata da un segnale a 7100 m, scritto qui". None for a cell no record holds.
std::optional<nota_diagnostica> nota_cella_presa(const modello& m, int64_t cella);

}  // namespace scenario
