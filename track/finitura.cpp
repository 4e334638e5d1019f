// The finishing pass over the track. Once every signal, slow-down and board is on its
// cells, one walk over the track adds the abbattimento points (value 180) that the
// driver's aids need around each slow-down: before the signals near a warning board,
// in three windows before the slow-down's start, every 400 m inside a slow-down below
// 110 km/h and before the first signal after its end.
#include "track/finitura.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <type_traits>

#include "model/numeri.h"
#include "track/marcatori.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

constexpr uint8_t tipo_segnale = tipo_cella::segnale;
constexpr uint8_t tipo_fine_rallentamento = tipo_cella::fine_rallentamento;
constexpr uint8_t tipo_inizio_rallentamento = tipo_cella::inizio_rallentamento;
constexpr uint8_t tipo_avviso_rallentamento = tipo_cella::avviso_rallentamento;
constexpr uint8_t tipo_abbattimento = tipo_cella::abbattimento;

constexpr int16_t valore_abbattimento = 180;
constexpr int64_t metri_per_cella = 50;
constexpr int64_t celle_prima_dell_avviso = 20;  // 1000 m looked back from a warning board
constexpr int64_t primo_segnale_esaminato = 3;   // a signal needs two cells before it
constexpr int16_t velocita_senza_interni = 110;  // km/h from which no inner points are placed
constexpr int32_t passo_interni = 8;             // 400 m between inner points
constexpr int64_t portata_segnale_seguente = 12; // cells searched after the slow-down's end

cella& cella_n(modello& m, int64_t indice) { return m.percorso[static_cast<size_t>(indice)]; }

// A cell beyond either end of the track counts as taken.
bool libera(modello& m, int64_t indice) {
  return cella_esiste(m, indice) && cella_libera(cella_n(m, indice));
}

// An abbattimento with value 180; every other field of the cell (mountain side, speed,
// gradient...) stays as it is.
void metti_abbattimento(modello& m, int64_t indice) {
  cella& c = cella_n(m, indice);
  c.tipo = tipo_abbattimento;
  c.dato1 = valore_abbattimento;
}

// Records an error of the pass at a cell: the position is that cell's start in metres.
// The place is the record of the object the error is about (the signal, the slow-down),
// when the reading put it there.
// The error state keeps that cell's start, as it always has; the author is told the
// object's own position, as written, and what holds each of the cells `prese` it needed.
void errore_a_cella(modello& m, int32_t numero, int64_t indice, int64_t oggetto,
                    std::initializer_list<int64_t> prese = {}) {
  const oggetto_posto* const trovato = m.oggetti.cerca(oggetto);
  std::optional<luogo_testo> luogo;
  if (trovato != nullptr) luogo = m.luogo_di(*trovato);
  registra_errore(m, numero, static_cast<int32_t>(indice * metri_per_cella), luogo);
  diagnostica& d = m.diagnostiche.back();
  if (trovato != nullptr) d.posizione = trovato->posizione;
  for (const int64_t c : prese) {
    if (auto nota = nota_cella_presa(m, c)) d.note.push_back(std::move(*nota));
  }
}

// Places an abbattimento in the first free cell of those given; false when all are taken.
bool metti_nella_prima_libera(modello& m, std::initializer_list<int64_t> candidate) {
  for (const int64_t indice : candidate) {
    if (libera(m, indice)) {
      metti_abbattimento(m, indice);
      return true;
    }
  }
  return false;
}

// A signal near a warning board: an abbattimento in one of its two preceding cells, or an
// abbattimento already there capped at 180. Error 11 when neither cell can take one.
void abbattimento_prima_del_segnale(modello& m, int64_t segnale, int64_t avviso) {
  if (metti_nella_prima_libera(m, {segnale - 1, segnale - 2})) return;
  for (const int64_t indice : {segnale - 1, segnale - 2}) {
    cella& c = cella_n(m, indice);
    if (c.tipo == tipo_abbattimento) {
      c.dato1 = basso16(minimo(valore_abbattimento, c.dato1));
      return;
    }
  }
  errore_a_cella(m, codice::segnale_senza_abbattimento, segnale, segnale, {segnale - 1, segnale - 2});
  // The slow-down whose warning board makes the signal need the point.
  if (const oggetto_posto* const o = m.oggetti.cerca(avviso)) {
    m.diagnostiche.back().note.push_back(
        {m.luogo_di(*o), {}, frase("finitura.avviso_vicino", {{"posizione", o->posizione}, {"celle", avviso - segnale}})});
  }
}

// Every signal in the 20 cells before a warning board, nearest first. Signals in cells
// 0 to 2 have no two cells before them and end the look-back.
void guarda_indietro_dall_avviso(modello& m, int64_t avviso) {
  for (int64_t k = 1; k <= celle_prima_dell_avviso; ++k) {
    const int64_t s = avviso - k;
    if (s < primo_segnale_esaminato) return;
    if (cella_n(m, s).tipo == tipo_segnale) abbattimento_prima_del_segnale(m, s, avviso);
  }
}

// One window of three cells before a slow-down's start, from `vicina` cells back; used
// only when the whole window lies after cell 0. Error 12 at the start when it is full.
void finestra_prima_dell_inizio(modello& m, int64_t inizio, int64_t vicina) {
  const int64_t lontana = vicina + 2;
  if (inizio <= lontana) return;
  if (metti_nella_prima_libera(m, {inizio - vicina, inizio - vicina - 1, inizio - lontana})) return;
  errore_a_cella(m, codice::finestra_occupata, inizio, inizio, {inizio - vicina, inizio - vicina - 1, inizio - lontana});
}

// The inner point due at cell j: at j, else at j - 1, else at j + 1 (taken when j is the
// last cell). Returns the new step count, chosen so that the next point falls 8 cells
// after the one placed; after an error 13 the count stays at 8 and only grows, so no
// further point is placed.
int32_t abbattimento_interno(modello& m, int64_t j, int64_t inizio) {
  for (const int64_t scarto : {0, -1, 1}) {
    if (libera(m, j + scarto)) {
      metti_abbattimento(m, j + scarto);
      return static_cast<int32_t>(-scarto);  // 0 at j, 1 at j - 1, -1 at j + 1
    }
  }
  errore_a_cella(m, codice::abbattimento_interno, j, inizio, {j, j - 1, j + 1});
  return passo_interni;
}

// The walk through a slow-down below 110 km/h, placing a point every 8 cells. Returns
// the slow-down's end cell. A slow-down whose end is not met before the last cell of the
// track stops there with error 13 at that cell and has no end.
std::optional<int64_t> percorri_rallentamento(modello& m, int64_t inizio) {
  const int64_t ultima = m.ultima_cella();
  int32_t n = 0;
  for (int64_t j = inizio + 1; j <= ultima; ++j) {
    if (++n == passo_interni) n = abbattimento_interno(m, j, inizio);
    if (cella_n(m, j).tipo == tipo_fine_rallentamento) return j;
  }
  errore_a_cella(m, codice::abbattimento_interno, ultima, inizio);
  return std::nullopt;
}

// A slow-down at 110 km/h or more has no walk; its own end cell, the first end mark after
// the start, is where the search for the next signal begins, so that the point goes
// before the signal that follows this slow-down and not before an unrelated one. Without
// an end before the track runs out: error 13 at the last cell, and no end.
std::optional<int64_t> fine_del_rallentamento(modello& m, int64_t inizio) {
  const int64_t ultima = m.ultima_cella();
  for (int64_t j = inizio + 1; j <= ultima; ++j) {
    if (cella_n(m, j).tipo == tipo_fine_rallentamento) return j;
  }
  errore_a_cella(m, codice::abbattimento_interno, ultima, inizio);
  return std::nullopt;
}

// The first signal within 12 cells after a slow-down's end (the search stops at the
// last cell of the track) gets an abbattimento in one of its two preceding cells.
// Error 13 at the slow-down's end when both are taken.
void abbattimento_prima_del_segnale_seguente(modello& m, int64_t fine, int64_t inizio) {
  const int64_t limite = std::min<int64_t>(fine + portata_segnale_seguente, m.ultima_cella());
  for (int64_t s = fine; s <= limite; ++s) {
    if (cella_n(m, s).tipo != tipo_segnale) continue;
    const int64_t c = s - 1;
    if (c <= 0) return;
    if (!metti_nella_prima_libera(m, {c, c - 1})) {
      errore_a_cella(m, codice::abbattimento_interno, fine, inizio, {c, c - 1});
    }
    return;
  }
}

// A slow-down's start: the three windows before it (250-350 m, 550-650 m, 900-1000 m),
// the inner points when its speed is below 110 km/h, the point before the next signal.
void rifinisci_rallentamento(modello& m, int64_t inizio) {
  finestra_prima_dell_inizio(m, inizio, 5);
  finestra_prima_dell_inizio(m, inizio, 11);
  finestra_prima_dell_inizio(m, inizio, 18);
  const bool lento = cella_n(m, inizio).dato1 < velocita_senza_interni;
  const std::optional<int64_t> fine =
      lento ? percorri_rallentamento(m, inizio) : fine_del_rallentamento(m, inizio);
  if (fine) abbattimento_prima_del_segnale_seguente(m, *fine, inizio);
}

}  // namespace

void rifinitura_percorso(modello& m) {
  // Cells 0 and the last two are never the subject of a rule; points placed ahead of
  // the visited cell are seen when the walk reaches them.
  const int64_t ultima_visitata = static_cast<int64_t>(m.ultima_cella()) - 2;
  for (int64_t i = 1; i <= ultima_visitata; ++i) {
    const uint8_t tipo = cella_n(m, i).tipo;
    if (tipo == tipo_avviso_rallentamento) guarda_indietro_dall_avviso(m, i);
    if (tipo == tipo_inizio_rallentamento) rifinisci_rallentamento(m, i);
  }
}

}  // namespace scenario
