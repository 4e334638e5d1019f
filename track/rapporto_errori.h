// The catalogue of error numbers and the message that turns a recorded error into
// what the user reads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

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
inline constexpr int32_t testo_linea_assente = 101;
inline constexpr int32_t generale_assente = 102;
inline constexpr int32_t curva_errata = 103;
inline constexpr int32_t lunghezza_assente = 104;    // no "lunghezza percorso" in [generale]
inline constexpr int32_t intestazione_valore = 1250;
inline constexpr int32_t intestazione_codice = 1251;
}  // namespace codice

struct voce_catalogo {
  int32_t numero;
  const char* descrizione;  // short Italian description, ASCII only
  bool con_posizione;       // the error records a position in metres
};

// The catalogue entry of a number, or nothing for a number outside the catalogue.
std::optional<voce_catalogo> cerca_errore(int32_t numero);

// Records an error: `codice_errore` takes its number and, when it has one,
// `posizione_errore` its position; the diagnostic goes into the model's list with the
// place of the record that caused it.
void registra_errore(modello& m, int32_t numero, std::optional<int32_t> posizione,
                     std::optional<luogo_testo> luogo = std::nullopt, std::string motivo = {});

}  // namespace scenario
