#include "track/rapporto_errori.h"

#include <array>

namespace scenario {

namespace {

constexpr std::array<voce_catalogo, 34> catalogo{{
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
    {21, "indicatore di velocita' massima su una cella occupata", true},
    {22, "stazione a meno di 350 m dalla fine della stazione precedente", true},
    {24, "stazione troppo vicina all'inizio della linea per il punto di fermata", false},
    {25, "errore di lettura dei testi di descrizione", false},
    {26, "oggetto prima dell'inizio della linea", true},
    {27, "troppi cartelli indicatori (al massimo 80)", true},
    {28, "troppi tratti di montagna (al massimo 80)", true},
    {29, "stazione con fermata o preavvisi oltre la fine del percorso", true},
    {101, "testo di descrizione della linea mancante", false},
    {102, "sezione [generale] mancante nel testo della linea", false},
    {103, "curva senza classe (da 1 a 6) o oltre la fine del tracciato", false},
    {104, "lunghezza percorso mancante nella sezione [generale]", false},
    {1250, "valori di intestazione gia' occupati", false},
    {1251, "codici di gara gia' occupati", false},
    {0, "", false},
}};

}  // namespace

std::optional<voce_catalogo> cerca_errore(int32_t numero) {
  for (const auto& v : catalogo) {
    if (v.numero == numero && numero != 0) return v;
  }
  return std::nullopt;
}

void registra_errore(modello& m, int32_t numero, std::optional<int32_t> posizione,
                     std::optional<luogo_testo> luogo, std::string motivo) {
  m.codice_errore = numero;
  if (posizione) m.posizione_errore = *posizione;
  m.diagnostiche.push_back(
      diagnostica{numero, gravita::errore, posizione, std::move(luogo), std::move(motivo)});
}

}  // namespace scenario
