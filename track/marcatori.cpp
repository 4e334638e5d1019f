#include "track/marcatori.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "model/formato.h"
#include "model/numeri.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

// Where an object's own cell lies with respect to the track.
//  - No track yet: nothing can be marked (error 15).
//  - Below cell 0: the object stands before the start of the line (error 26).
//  - Beyond the last cell: the object stands past the end of the track (error 15). The
//    reader's range test keeps its objects inside, but the markers may be called directly.
// Returns 0 when the cell exists.
int32_t esito_cella_oggetto(const modello& m, int64_t indice) {
  if (m.percorso.empty()) return codice::oltre_percorso;
  if (indice < 0) return codice::prima_inizio_linea;
  if (indice > m.ultima_cella()) return codice::oltre_percorso;
  return 0;
}

cella& cella_in(modello& m, int64_t indice) { return m.percorso[static_cast<size_t>(indice)]; }

// The coded speed of one line of an indicator board, by the format's coding. Nothing when
// it does not fit in 16 bits.
std::optional<int16_t> velocita_codificata(int32_t velocita, int32_t aggiunta) {
  const int64_t codice_vel = formato::indicatore_in_cella(velocita, aggiunta);
  if (codice_vel < std::numeric_limits<int16_t>::min() ||
      codice_vel > std::numeric_limits<int16_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int16_t>(codice_vel);
}

}  // namespace

void memo_segnale(modello& m, int32_t posizione, int32_t sx, int32_t s1, int32_t s2, int32_t s3,
                  int32_t rapp, int32_t dx, int32_t d1, int32_t d2, int32_t d3, int32_t tempo) {
  const int64_t k = cella_di(posizione);
  if (const int32_t esito = esito_cella_oggetto(m, k); esito != 0) {
    m.codice_errore = esito;
    return;
  }
  cella& segnale = cella_in(m, k);
  if (!cella_libera(segnale)) {
    m.codice_errore = codice::segnale_occupato;
    return;
  }

  // Values are worked out in 64 bits; each field keeps the low bits of its value.
  const int64_t aspetto = static_cast<int64_t>(sx) * 3 + dx;
  segnale.tipo = tipo_cella::segnale;
  segnale.dato4 = basso16(formato::codice_segnale(rapp, sx, dx));
  segnale.dato1 = basso16(formato::coppia_in_cella(s1, d1));
  segnale.dato2 = basso16(formato::coppia_in_cella(s2, d2));
  segnale.dato3 = basso16(formato::coppia_in_cella(s3, d3));

  // A time between 1 and 100 is raised to 101; the time is kept only by a signal whose
  // first side shows code 2.
  if (tempo >= 1 && tempo <= 100) tempo = 101;
  segnale.tempo = sx == 2 ? basso8(tempo) : 0;

  // Approach codes on the cells 2, 4, 6 and 8 before the signal, whatever their kind.
  // Near the start of the line some of them would fall before cell 0: those are skipped.
  for (int64_t b = 1; b <= 4; ++b) {
    const int64_t indice = k - 2 * b;
    if (indice < 0) continue;
    cella_in(m, indice).preavviso = basso8(aspetto * 10 + b);
  }
}

celle_di_rallentamento celle_rallentamento(int32_t x, int32_t l) {
  return {arrotonda((static_cast<double>(x) - 1200) / 50 + 1), cella_di(x),
          arrotonda((static_cast<double>(x) + l) / 50 + 1)};
}

void memo_rallentamento(modello& m, int32_t x, int32_t v, int32_t l, int32_t f_tt, int32_t f_ta,
                        int32_t d_v) {
  // The warning board and the advance cells are placed only for a slow-down that starts
  // beyond 1500 m.
  const bool con_avviso = x > 1500;
  if (!con_avviso) f_ta = 0;

  const double prima_avviso = (static_cast<double>(x) - 1200) / 50;
  const auto [w, s, e] = celle_rallentamento(x, l);

  // The start and end cells must lie on the track. An end beyond the last cell is the
  // exception: the slow-down runs off the track, so its end is neither tested nor
  // written, while its start and warning are still placed. The warning lies before the
  // start, so it is on the track whenever the start is (x > 1500 keeps it past cell 7).
  if (const int32_t esito = esito_cella_oggetto(m, s); esito != 0) {
    m.codice_errore = esito;
    return;
  }
  if (e < 0) {
    m.codice_errore = codice::prima_inizio_linea;
    return;
  }
  const bool con_fine = e <= m.ultima_cella();

  if (con_avviso && !cella_libera(cella_in(m, w))) {
    m.codice_errore = codice::avviso_occupato;
    return;
  }
  if (!cella_libera(cella_in(m, s))) {
    m.codice_errore = codice::inizio_rallentamento_occupato;
    return;
  }
  if (con_fine && !cella_libera(cella_in(m, e))) {
    m.codice_errore = codice::fine_rallentamento_occupata;
    return;
  }

  // The four advance cells h, h - 1, h - 2, h - 3 (h without the + 1 of the warning) are
  // tested here too, before anything is written, against the cells as they will be once
  // the end, start and warning are marked: a slow-down's own marks make a cell taken. With
  // x > 1500, h is at least 6, and h is below the start, so all four are on the track.
  const int64_t h = arrotonda(prima_avviso);
  bool anticipo_libero = true;
  if (f_ta != 0) {
    for (int64_t i = 0; i <= 3; ++i) {
      const int64_t c = h - i;
      const bool segnato_ora = c == s || (con_fine && c == e) || (con_avviso && c == w);
      if (segnato_ora || !cella_libera(cella_in(m, c))) anticipo_libero = false;
    }
  }

  const int16_t velocita = basso16(v);
  const int16_t differenza = basso16(d_v);
  const int16_t tipo_treno = basso16(f_tt);
  // End first, then start: a slow-down so short that both fall in one cell leaves it a start.
  if (con_fine) {
    cella& fine = cella_in(m, e);
    fine.tipo = tipo_cella::fine_rallentamento;
    if (d_v != 0) fine.dato2 = differenza;
  }
  cella& inizio = cella_in(m, s);
  inizio.tipo = tipo_cella::inizio_rallentamento;
  if (d_v != 0) inizio.dato2 = differenza;
  if (con_avviso) {
    cella& avviso = cella_in(m, w);
    avviso.tipo = tipo_cella::avviso_rallentamento;
    if (d_v != 0) avviso.dato2 = differenza;
    avviso.dato1 = velocita;
  }
  inizio.dato1 = velocita;
  inizio.dato3 = tipo_treno;
  if (con_fine) {
    cella& fine = cella_in(m, e);
    fine.dato1 = velocita;
    fine.dato3 = tipo_treno;
  }

  if (f_ta == 0) return;
  // Taken advance cells: the end, start and warning marks stay where they are.
  if (!anticipo_libero) {
    m.codice_errore = codice::anticipo_occupato;
    return;
  }
  for (int64_t i = 0; i <= 3; ++i) {
    cella& anticipo = cella_in(m, h - i);
    anticipo.tipo = tipo_cella::anticipo_rallentamento;
    anticipo.dato1 = static_cast<int16_t>(i + 1);
    if (d_v != 0) anticipo.dato2 = static_cast<int16_t>(i + 1);
  }
}

bool memo_indicatori_v_max(modello& m, int32_t posizione, int32_t vas, int32_t vbs, int32_t vcs,
                           int32_t strisces, int32_t vad, int32_t vbd, int32_t vcd,
                           int32_t strisced) {
  const int64_t k = cella_di(posizione);
  if (const int32_t esito = esito_cella_oggetto(m, k); esito != 0) {
    m.codice_errore = esito;
    return true;
  }
  cella& cartello = cella_in(m, k);
  if (!cella_libera(cartello)) {
    m.codice_errore = codice::indicatore_occupato;
    return true;
  }

  // A coded speed beyond 16 bits cannot be stored: the board is refused whole and the
  // reader ends with a reading failure.
  const auto va = velocita_codificata(vas, vad);
  const auto vb = velocita_codificata(vbs, vbd);
  const auto vc = velocita_codificata(vcs, vcd);
  if (!va || !vb || !vc) return false;

  cartello.tipo = tipo_cella::indicatore_vmax;
  cartello.dato1 = *va;
  cartello.dato2 = *vb;
  cartello.dato3 = *vc;
  cartello.dato4 = basso16(formato::coppia_in_cella(strisces, strisced));
  return true;
}

void memo_montagna(modello& m, int32_t inizio, int32_t fine, int32_t tipo) {
  if (m.percorso.empty()) {
    m.codice_errore = codice::oltre_percorso;
    return;
  }
  // The lists hold 80 stretches in slots 1 to 80. A further stretch is refused whole:
  // neither stored nor marked.
  if (m.numero_montagne < 0 || m.numero_montagne >= SLOT_MONTAGNE - 1) {
    m.codice_errore = codice::troppe_montagne;
    return;
  }

  // A type above 10 asks for a free cell every fourth cell of the stretch.
  const bool con_celle_libere = tipo > 10;
  if (con_celle_libere) tipo -= 10;

  m.numero_montagne += 1;
  const auto slot = static_cast<size_t>(m.numero_montagne);
  m.montagne_inizio[slot] = inizio;
  m.montagne_fine[slot] = fine;
  // A stretch that starts 150 m or less after the end of the one read before it
  // continues that one: it is marked with type 3.
  if (m.numero_montagne > 1 &&
      static_cast<int64_t>(inizio) - m.montagne_fine[slot - 1] <= 150) {
    tipo = 3;
  }

  // Cells from round(inizio / 50) to round(fine / 50 - 1). Only the cells that exist are
  // written, but the count of every fourth cell starts from the stretch's first cell
  // even when that lies before cell 0.
  const int64_t prima = arrotonda(inizio / 50.0);
  const int64_t ultima = arrotonda(fine / 50.0 - 1);
  const int64_t da = std::max<int64_t>(prima, 0);
  const int64_t a = std::min<int64_t>(ultima, m.ultima_cella());
  const uint8_t valore = basso8(tipo);
  for (int64_t c = da; c <= a; ++c) {
    cella& cella_montagna = cella_in(m, c);
    cella_montagna.montagna = valore;
    const int64_t n = c - prima + 1;
    if (con_celle_libere && n % 4 == 0 && cella_montagna.tipo == tipo_cella::vuota) cella_montagna.tipo = tipo_cella::libera_in_montagna;
  }
}

}  // namespace scenario
