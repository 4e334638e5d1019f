#include "track/codici_gara.h"

namespace scenario {

namespace {

// Train identifier, then line identifier, in lower case, then the filler.
std::string testo_identita(const modello& m) {
  return minuscolo_latin1(m.tabella[voce_tabella::dati_corsa].nome + m.tabella[voce_tabella::intestazione].nome) + std::string(RIEMPITIVO);
}

constexpr int CARATTERI_CONTATI = 25;

}  // namespace

std::string minuscolo_latin1(std::string_view testo) {
  std::string risultato(testo);
  for (char& carattere : risultato) carattere = minuscola_latin1(carattere);
  return risultato;
}

int32_t codice_gara_og(const modello& m) {
  const std::string testo = testo_identita(m);
  int32_t somma = 0;
  for (int i = 0; i < CARATTERI_CONTATI; ++i) somma += static_cast<unsigned char>(testo[i]);
  return somma;
}

int32_t codice_gara_st(const modello& m) {
  const std::string testo = testo_identita(m);
  int32_t somma = 0;
  for (int i = 0; i < CARATTERI_CONTATI; ++i) {
    somma += (i + 1) * static_cast<unsigned char>(testo[i]);
  }
  return somma;
}

}  // namespace scenario
