#include "output/decodifica.h"

#include "lingue/catalogo.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "text/codifica.h"

namespace scenario {

namespace {

constexpr size_t BYTE_CELLA = 15;
constexpr size_t BYTE_VOCE_FISSI = 34;  // an entry without its name

// Reads little-endian fields from a byte view, never past its end: a read that does
// not fit leaves the reader failed at the offset where the field began.
class lettore {
 public:
  explicit lettore(std::string_view byte) : byte_(byte) {}

  size_t posizione() const { return pos_; }
  size_t restanti() const { return byte_.size() - pos_; }
  bool basta(size_t n) const { return restanti() >= n; }

  uint8_t u8() { return static_cast<uint8_t>(byte_[pos_++]); }
  uint16_t u16() { return static_cast<uint16_t>(le(2)); }
  int16_t i16() { return static_cast<int16_t>(u16()); }
  int32_t i32() { return static_cast<int32_t>(static_cast<uint32_t>(le(4))); }
  double f64() { return std::bit_cast<double>(le(8)); }
  std::string testo(size_t n) {
    std::string t(byte_.substr(pos_, n));
    pos_ += n;
    return t;
  }

 private:
  uint64_t le(size_t n) {
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v |= uint64_t{static_cast<uint8_t>(byte_[pos_ + i])} << (8 * i);
    pos_ += n;
    return v;
  }

  std::string_view byte_;
  size_t pos_ = 0;
};

template <typename T>
esito_decodifica<T> fallito(const std::string& file, uint64_t byte, messaggio motivo) {
  esito_decodifica<T> e;
  e.errore = {file, byte, std::move(motivo)};
  return e;
}

// Kinds a cell may carry.
bool tipo_cella_noto(uint8_t tipo) {
  return tipo <= 6 || (tipo >= 10 && tipo <= 14);
}

// Offset of the first byte of table entry `indice`.
uint64_t inizio_voce(const std::array<voce, VOCI_TABELLA>& tabella, int indice) {
  uint64_t pos = 0;
  for (int i = 0; i < indice; ++i) pos += BYTE_VOCE_FISSI + tabella[static_cast<size_t>(i)].nome.size();
  return pos;
}


}  // namespace

std::string testo_errore(const errore_decodifica& e) {
  return e.file + ": error: byte " + std::to_string(e.byte) + ": " + rendi(e.motivo);
}


esito_decodifica<std::vector<cella>> decodifica_percorso(std::string_view byte, const std::string& file) {
  using esito = std::vector<cella>;
  if (byte.size() % BYTE_CELLA != 0) {
    const size_t intere = byte.size() / BYTE_CELLA;
    return fallito<esito>(file, intere * BYTE_CELLA,
                          frase("decodifica.cella_tronca", {{"cella", intere}, {"byte", byte.size() % BYTE_CELLA},
                                                             {"file", byte.size()}}));
  }
  if (byte.size() < 2 * BYTE_CELLA) {
    return fallito<esito>(file, byte.size(),
                          frase("decodifica.senza_cella_uno", {{"celle", byte.size() / BYTE_CELLA}}));
  }
  std::vector<cella> percorso(byte.size() / BYTE_CELLA);
  lettore l(byte);
  for (size_t i = 0; i < percorso.size(); ++i) {
    cella& c = percorso[i];
    c.tipo = l.u8();
    c.dato1 = l.i16();
    c.dato2 = l.i16();
    c.dato3 = l.i16();
    c.dato4 = l.i16();
    c.tempo = l.u8();
    c.preavviso = l.u8();
    c.montagna = l.u8();
    c.velocita = l.u8();
    c.pendenza = l.u8();
    c.aderenza = l.u8();
    if (!tipo_cella_noto(c.tipo)) {
      return fallito<esito>(file, i * BYTE_CELLA,
                            frase("decodifica.tipo_cella", {{"cella", i}, {"tipo", c.tipo}}));
    }
  }
  if (percorso[1].dato1 != INTESTAZIONE_PERCORSO) {
    return fallito<esito>(file, BYTE_CELLA + 1,
                          frase("decodifica.intestazione_percorso", {{"atteso", INTESTAZIONE_PERCORSO}, {"trovato", percorso[1].dato1}}));
  }
  esito_decodifica<esito> e;
  e.valore = std::move(percorso);
  return e;
}

esito_decodifica<std::array<voce, VOCI_TABELLA>> decodifica_tabella(std::string_view byte,
                                                                     const std::string& file) {
  using esito = std::array<voce, VOCI_TABELLA>;
  esito tabella{};
  lettore l(byte);
  for (int i = 0; i < VOCI_TABELLA; ++i) {
    const size_t inizio = l.posizione();
    auto tronca = [&](size_t servono) {
      return fallito<esito>(file, inizio,
                            frase("decodifica.voce_tronca", {{"voce", i}, {"servono", servono},
                                                             {"restano", l.restanti() + l.posizione() - inizio}}));
    };
    voce& v = tabella[static_cast<size_t>(i)];
    if (!l.basta(16)) return tronca(BYTE_VOCE_FISSI);
    v.tipo = l.u8();
    v.inizio = l.i32();
    v.fine = l.i32();
    v.posizione = l.i32();
    v.opzione1 = l.u8();
    const uint16_t lunghezza_nome = l.u16();
    if (!l.basta(size_t{lunghezza_nome} + 18)) return tronca(BYTE_VOCE_FISSI + lunghezza_nome);
    v.nome = l.testo(lunghezza_nome);
    v.valore1 = l.i16();
    v.valore2 = l.i16();
    v.valore3 = l.i16();
    v.valore4 = l.i16();
    v.valore5 = l.i16();
    v.opzione2 = l.u8();
    v.sosta = l.u8();
    v.opzione3 = l.u8();
    v.opzione4 = l.u8();
    v.orario = l.i32();
  }
  if (l.restanti() != 0) {
    return fallito<esito>(file, l.posizione(),
                          frase("decodifica.byte_in_piu", {{"byte", l.restanti()}}));
  }
  if (tabella[voce_tabella::intestazione].valore1 != INTESTAZIONE_TABELLA) {
    return fallito<esito>(file, inizio_voce(tabella, 85) + 16 + tabella[voce_tabella::intestazione].nome.size(),
                          frase("decodifica.intestazione_tabella", {{"atteso", INTESTAZIONE_TABELLA},
                                                                    {"trovato", tabella[voce_tabella::intestazione].valore1}}));
  }
  esito_decodifica<esito> e;
  e.valore = std::move(tabella);
  return e;
}

esito_decodifica<geometria_decodificata> decodifica_geometria(std::string_view byte, const std::string& file) {
  using esito = geometria_decodificata;
  if (byte.empty()) return fallito<esito>(file, 0, frase("decodifica.geometria_vuota"));
  std::vector<valore_geometria> valori;
  valori.reserve(byte.size() / 10 + 1);
  lettore l(byte);
  while (l.restanti() > 0) {
    const size_t inizio = l.posizione();
    if (!l.basta(2)) return fallito<esito>(file, inizio, frase("decodifica.etichetta_tronca", {{"valore", valori.size()}}));
    valore_geometria v;
    v.etichetta = l.u16();
    size_t byte_valore = 0;
    switch (v.etichetta) {
      case ETICHETTA_VUOTO: break;
      case ETICHETTA_INTERO16: byte_valore = 2; break;
      case ETICHETTA_REALE: byte_valore = 8; break;
      default:
        return fallito<esito>(file, inizio,
                              frase("decodifica.etichetta", {{"valore", valori.size()}, {"etichetta", v.etichetta}}));
    }
    if (!l.basta(byte_valore)) {
      return fallito<esito>(file, inizio,
                            frase("decodifica.valore_tronco", {{"valore", valori.size()}, {"servono", byte_valore},
                                                               {"restano", l.restanti()}}));
    }
    if (v.etichetta == ETICHETTA_INTERO16) v.valore = l.i16();
    if (v.etichetta == ETICHETTA_REALE) v.valore = l.f64();
    valori.push_back(v);
  }
  if (valori.size() % 2 != 0) {
    return fallito<esito>(file, byte.size(),
                          frase("decodifica.dispari", {{"valori", valori.size()}}));
  }
  const size_t meta = valori.size() / 2;
  geometria_decodificata g;
  g.x.assign(valori.begin(), valori.begin() + static_cast<std::ptrdiff_t>(meta));
  g.y.assign(valori.begin() + static_cast<std::ptrdiff_t>(meta), valori.end());
  esito_decodifica<esito> e;
  e.valore = std::move(g);
  return e;
}

esito_decodifica<scenario_decodificato> decodifica_scenario(const file_compilati_letti& file,
                                                            std::string_view linea, std::string_view treno,
                                                            bool altri_nomi) {
  using esito = scenario_decodificato;
  auto tabella = decodifica_tabella(file.tabella, file.nome_tabella);
  if (!tabella) return fallito<esito>(tabella.errore.file, tabella.errore.byte, tabella.errore.motivo);
  auto percorso = decodifica_percorso(file.percorso, file.nome_percorso);
  if (!percorso) return fallito<esito>(percorso.errore.file, percorso.errore.byte, percorso.errore.motivo);
  auto geometria = decodifica_geometria(file.geometria, file.nome_geometria);
  if (!geometria) return fallito<esito>(geometria.errore.file, geometria.errore.byte, geometria.errore.motivo);

  const auto& t = *tabella.valore;
  const auto& p = *percorso.valore;
  const auto& g = *geometria.valore;
  // A set copied under other names is read all the same when the caller asks so.
  // Identifiers: the line's in entry 85, the train's in entry 86, at offset 16 of each,
  // as the simulator reads the names given.
  const std::string mostrata = identificativo_mostrato(linea), mostrato = identificativo_mostrato(treno);
  if (!altri_nomi && t[voce_tabella::intestazione].nome != identificativo_8bit(linea)) {
    return fallito<esito>(file.nome_tabella, inizio_voce(t, 85) + 16,
                          frase("decodifica.altra_linea", {{"trovata", latin1_in_utf8(t[voce_tabella::intestazione].nome)},
                                                           {"linea", mostrata}}));
  }
  if (!altri_nomi && t[voce_tabella::dati_corsa].nome != identificativo_8bit(treno)) {
    return fallito<esito>(file.nome_tabella, inizio_voce(t, 86) + 16,
                          frase("decodifica.altro_treno", {{"trovato", latin1_in_utf8(t[voce_tabella::dati_corsa].nome)},
                                                           {"treno", mostrato}}));
  }
  const codici_identita codici = codici_dei_nomi(treno, linea);
  if (!altri_nomi && t[voce_tabella::intestazione].orario != codici.st) {
    return fallito<esito>(file.nome_tabella, inizio_voce(t, 85) + 30 + t[voce_tabella::intestazione].nome.size(),
                          frase("decodifica.codice_voce", {{"codice", t[voce_tabella::intestazione].orario}, {"treno", mostrato},
                                                           {"linea", mostrata}, {"atteso", codici.st}}));
  }
  if (!altri_nomi && p[1].dato2 != static_cast<int16_t>(codici.og)) {
    return fallito<esito>(file.nome_percorso, BYTE_CELLA + 3,
                          frase("decodifica.codice_cella", {{"codice", p[1].dato2}, {"treno", mostrato}, {"linea", mostrata},
                                                            {"atteso", codici.og}}));
  }
  const int32_t lunghezza = t[voce_tabella::dati_treno].fine;
  // The compiler takes any length from 0 (a warning) to the largest.
  if (lunghezza < 0 || lunghezza > LUNGHEZZA_MASSIMA) {
    return fallito<esito>(file.nome_tabella, inizio_voce(t, 84) + 5,
                          frase("decodifica.lunghezza", {{"lunghezza", lunghezza}, {"massima", LUNGHEZZA_MASSIMA}}));
  }
  const auto celle_attese =
      static_cast<size_t>(std::nearbyint(static_cast<double>(lunghezza + MARGINE_OLTRE_FINE) / 50.0)) + 1;
  if (p.size() != celle_attese) {
    return fallito<esito>(file.nome_percorso, p.size() * BYTE_CELLA,
                          frase("decodifica.celle", {{"celle", p.size()}, {"lunghezza", lunghezza}, {"attese", celle_attese}}));
  }
  const auto metri_attesi = static_cast<size_t>(lunghezza) + MARGINE_OLTRE_FINE + 1;
  if (g.x.size() != metri_attesi) {
    return fallito<esito>(file.nome_geometria, file.geometria.size(),
                          frase("decodifica.punti", {{"punti", g.x.size()}, {"lunghezza", lunghezza}, {"attesi", metri_attesi}}));
  }
  esito_decodifica<esito> e;
  e.valore = scenario_decodificato{std::string(linea), std::string(treno), lunghezza, std::move(*percorso.valore),
                                   std::move(*tabella.valore), std::move(*geometria.valore)};
  return e;
}

}  // namespace scenario
