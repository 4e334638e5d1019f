#include "text/lettore.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "track/codici_gara.h"

namespace scenario {

namespace {

// Blanks are spaces; a tab is taken as a blank too.
bool spazio(char c) { return c == ' ' || c == '\t'; }
bool fine_riga(char c) { return c == '\r' || c == '\n'; }

}  // namespace

void lettore_testo::apri(std::string_view contenuto, const std::string& etichetta) {
  contenuto_ = contenuto;
  etichetta_ = etichetta;
  posizione_ = 0;
  riga_ = 1;
  colonna_ = 1;
  solo_spazi_ = true;
  chiusura_ = chiusura_elemento::altro;
  aperto_ = true;
  luogo_elemento_ = luogo_corrente();
  inizio_elemento_ = 0;
}

void lettore_testo::chiudi() {
  contenuto_ = {};
  posizione_ = 0;
  aperto_ = false;
}

luogo_testo lettore_testo::luogo_corrente() const { return luogo_testo{etichetta_, riga_, colonna_}; }

luogo_testo lettore_testo::luogo_dopo_spazi() const {
  size_t i = posizione_;
  while (i < contenuto_.size() && spazio(contenuto_[i])) ++i;
  return luogo_testo{etichetta_, riga_, colonna_ + static_cast<int32_t>(i - posizione_)};
}

void lettore_testo::avanza() {
  if (contenuto_[posizione_] == '\n' ||
      (contenuto_[posizione_] == '\r' &&
       (posizione_ + 1 >= contenuto_.size() || contenuto_[posizione_ + 1] != '\n'))) {
    ++riga_;
    colonna_ = 1;
    solo_spazi_ = true;
  } else if (contenuto_[posizione_] != '\r') {
    ++colonna_;
    if (!spazio(contenuto_[posizione_])) solo_spazi_ = false;
  }
  ++posizione_;
}

void lettore_testo::richiedi_carattere() {
  if (!aperto_) throw guasto_lettura("lettura da un testo non aperto", luogo_corrente());
  if (fine_file()) throw guasto_lettura("lettura oltre la fine del testo", luogo_corrente());
}

// Blanks are never line ends: the column moves with the position.
void lettore_testo::salta_spazi() {
  const size_t da = posizione_;
  while (posizione_ < contenuto_.size() && spazio(contenuto_[posizione_])) ++posizione_;
  colonna_ += static_cast<int32_t>(posizione_ - da);
}

// Up to the next line end or comma (and, for a number item, blank): none of them a line
// end, so the column moves with the position, and the line holds more than blanks once
// the item holds anything.
void lettore_testo::avanza_nella_riga(bool anche_spazi) {
  const size_t da = posizione_;
  const size_t n = contenuto_.size();
  while (posizione_ < n) {
    const char c = contenuto_[posizione_];
    if (c == ',' || fine_riga(c) || (anche_spazi && spazio(c))) break;
    if (!spazio(c)) solo_spazi_ = false;
    ++posizione_;
  }
  colonna_ += static_cast<int32_t>(posizione_ - da);
}

bool lettore_testo::a_fine_riga() const { return !fine_file() && fine_riga(contenuto_[posizione_]); }

// A line end is CR LF; a lone LF or CR is accepted as one too.
void lettore_testo::consuma_fine_riga() {
  if (fine_file()) return;
  if (contenuto_[posizione_] == '\r') {
    avanza();
    if (!fine_file() && contenuto_[posizione_] == '\n') avanza();
  } else if (contenuto_[posizione_] == '\n') {
    avanza();
  }
}

// After every item: blanks, then one comma or one line end.
void lettore_testo::chiudi_elemento() {
  salta_spazi();
  chiusura_ = chiusura_elemento::altro;
  if (fine_file()) {
    chiusura_ = chiusura_elemento::fine_testo;
  } else if (contenuto_[posizione_] == ',') {
    avanza();
    chiusura_ = chiusura_elemento::virgola;
  } else if (a_fine_riga()) {
    consuma_fine_riga();
    chiusura_ = chiusura_elemento::fine_riga;
  }
}

// Blanks skipped: the item begins here. The text's label stays as `apri` set it.
void lettore_testo::inizia_elemento() {
  salta_spazi();
  luogo_elemento_.riga = riga_;
  luogo_elemento_.colonna = colonna_;
  luogo_elemento_.fine = 0;
  inizio_elemento_ = posizione_;
  a_inizio_riga_ = solo_spazi_;
}

// The item ends before the blanks that precede its comma or line end.
void lettore_testo::segna_fine_elemento() {
  size_t ultimo = posizione_;
  while (ultimo > inizio_elemento_ && spazio(contenuto_[ultimo - 1])) --ultimo;
  luogo_elemento_.fine = luogo_elemento_.colonna + static_cast<int32_t>(ultimo - inizio_elemento_);
}

void lettore_testo::riprendi_dalla_riga_dopo(size_t byte, int32_t riga) {
  if (!aperto_) return;
  size_t i = std::min(byte, contenuto_.size());
  while (i < contenuto_.size() && !fine_riga(contenuto_[i])) ++i;
  if (i >= contenuto_.size()) {
    posizione_ = contenuto_.size();
    return;
  }
  // Back to wherever the reading had gone, or forward to the line after `riga`.
  if (contenuto_[i] == '\r' && i + 1 < contenuto_.size() && contenuto_[i + 1] == '\n') ++i;
  posizione_ = i + 1;
  riga_ = riga + 1;
  colonna_ = 1;
  solo_spazi_ = true;
  chiusura_ = chiusura_elemento::fine_riga;
}

bool lettore_testo::segue_numero() const {
  size_t i = posizione_;
  while (i < contenuto_.size() && spazio(contenuto_[i])) ++i;
  if (i < contenuto_.size() && contenuto_[i] == '-') ++i;
  return i < contenuto_.size() && contenuto_[i] >= '0' && contenuto_[i] <= '9';
}

size_t lettore_testo::elementi_restanti_nella_riga() const {
  size_t virgole = 0;
  bool qualcosa = false;
  for (size_t i = posizione_; i < contenuto_.size() && !fine_riga(contenuto_[i]); ++i) {
    virgole += contenuto_[i] == ',';
    qualcosa = qualcosa || !spazio(contenuto_[i]);
  }
  return qualcosa ? virgole + 1 : 0;
}

std::string lettore_testo::leggi_testo() {
  richiedi_carattere();
  inizia_elemento();
  const size_t inizio = posizione_;
  avanza_nella_riga(false);
  std::string elemento(contenuto_.substr(inizio, posizione_ - inizio));
  segna_fine_elemento();
  chiudi_elemento();
  return elemento;
}

std::string lettore_testo::leggi_testo_memorizzato(const char* cosa) {
  std::string elemento = leggi_testo();
  if (elemento.size() > LUNGHEZZA_MASSIMA_TESTO) {
    throw guasto_lettura(std::string(cosa) + " piu' lungo di 65535 caratteri: la tabella non puo' contenerlo",
                         luogo_elemento_);
  }
  return elemento;
}

namespace {

bool cifra(char c) { return c >= '0' && c <= '9'; }

// Digits in groups of three after the first, joined by `separatore`: "40.000", "1,000".
bool migliaia(std::string_view e, char separatore) {
  const size_t primo = e.find(separatore);
  if (primo == std::string_view::npos || primo == 0 || primo > 3) return false;
  for (size_t i = 0; i < primo; ++i) {
    if (!cifra(e[i])) return false;
  }
  for (size_t i = primo; i < e.size(); i += 4) {
    if (e.size() - i < 4 || e[i] != separatore) return false;
    if (!cifra(e[i + 1]) || !cifra(e[i + 2]) || !cifra(e[i + 3])) return false;
  }
  return true;
}

// Why an item is not a number, in the author's terms: a separator of thousands, a decimal
// point, a character that cannot be seen.
std::string perche_non_numero(std::string_view e) {
  const std::string_view corpo = !e.empty() && e[0] == '-' ? e.substr(1) : e;
  if (migliaia(corpo, '.') || migliaia(corpo, '\'')) {
    std::string senza;
    for (char c : e) {
      if (c != '.' && c != '\'') senza.push_back(c);
    }
    return ": i numeri non hanno separatore delle migliaia, scrivere " + senza;
  }
  for (const unsigned char c : e) {
    if (c == 0xA0) return ": contiene uno spazio non divisibile (U+00A0), che non si vede: scrivere uno spazio normale";
    if (c == 0xAD) return ": contiene un trattino morbido (U+00AD), che non si vede: toglierlo";
    if (c < 0x20 || c == 0x7F) {
      char codice[8];
      std::snprintf(codice, sizeof codice, "U+%04X", static_cast<unsigned>(c));
      return std::string(": contiene un carattere di controllo (") + codice + "), che non si vede: toglierlo";
    }
  }
  if (corpo.find('.') != std::string_view::npos) return ": i numeri sono interi, senza decimali";
  return "";
}

}  // namespace

int64_t lettore_testo::leggi_numero(int64_t minimo, int64_t massimo, const char* campo) {
  richiedi_carattere();
  inizia_elemento();
  const size_t inizio = posizione_;
  avanza_nella_riga(true);
  const std::string_view elemento(contenuto_.data() + inizio, posizione_ - inizio);
  segna_fine_elemento();
  // An optional minus sign and decimal digits; an item without digits reads as 0.
  size_t i = 0;
  const bool negativo = !elemento.empty() && elemento[0] == '-';
  if (negativo) i = 1;
  int64_t valore = 0;
  for (; i < elemento.size(); ++i) {
    const char c = elemento[i];
    if (c < '0' || c > '9') {
      throw guasto_lettura("numero non valido: \"" + std::string(elemento) + "\"" + perche_non_numero(elemento),
                           luogo_elemento_);
    }
    valore = valore * 10 + (c - '0');
    if (valore > (int64_t{1} << 40)) break;  // already out of every field's range
  }
  if (negativo) valore = -valore;
  if (valore < minimo || valore > massimo) {
    throw guasto_lettura("numero fuori dal campo " + std::string(campo) + ": \"" +
                             std::string(elemento) + "\"",
                         luogo_elemento_);
  }
  chiudi_elemento();
  return valore;
}

int32_t lettore_testo::leggi_numero32() {
  return static_cast<int32_t>(leggi_numero(std::numeric_limits<int32_t>::min(),
                                           std::numeric_limits<int32_t>::max(), "a 32 bit"));
}

int16_t lettore_testo::leggi_numero16() {
  return static_cast<int16_t>(leggi_numero(std::numeric_limits<int16_t>::min(),
                                           std::numeric_limits<int16_t>::max(), "a 16 bit"));
}

uint8_t lettore_testo::leggi_numero8() {
  return static_cast<uint8_t>(leggi_numero(0, 255, "a 8 bit"));
}

bool contiene(std::string_view riga, std::string_view parola) {
  const auto uguali = [](char a, char b) { return minuscola_latin1(a) == minuscola_latin1(b); };
  return std::search(riga.begin(), riga.end(), parola.begin(), parola.end(), uguali) != riga.end();
}

bool contiene_esatto(std::string_view riga, std::string_view parola) {
  return riga.find(parola) != std::string_view::npos;
}

}  // namespace scenario
