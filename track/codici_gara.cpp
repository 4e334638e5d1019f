#include "track/codici_gara.h"

#include "text/codifica.h"

namespace scenario {

namespace {

constexpr size_t CARATTERI_CONTATI = 25;

}  // namespace

std::string minuscolo_latin1(std::string_view testo) {
  std::string risultato(testo);
  for (char& carattere : risultato) carattere = minuscola_latin1(carattere);
  return risultato;
}

codici_identita calcola_codici_identita(std::string_view treno, std::string_view linea) {
  const std::string testo = minuscolo_latin1(std::string(treno) + std::string(linea)) + std::string(RIEMPITIVO);
  codici_identita c;
  for (size_t i = 0; i < CARATTERI_CONTATI; ++i) {
    const int32_t codice = static_cast<unsigned char>(testo[i]);
    c.og += codice;
    c.st += static_cast<int32_t>(i + 1) * codice;
  }
  return c;
}

codici_identita codici_dei_nomi(std::string_view treno, std::string_view linea) {
  return calcola_codici_identita(identificativo_8bit(treno), identificativo_8bit(linea));
}

// The identifiers as the reading stage put them in the table: train (entry 86), line (85).
int32_t codice_gara_og(const modello& m) {
  return calcola_codici_identita(m.tabella[voce_tabella::dati_corsa].nome,
                                 m.tabella[voce_tabella::intestazione].nome).og;
}

int32_t codice_gara_st(const modello& m) {
  return calcola_codici_identita(m.tabella[voce_tabella::dati_corsa].nome,
                                 m.tabella[voce_tabella::intestazione].nome).st;
}

}  // namespace scenario
