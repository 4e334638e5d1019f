#include "model/formato.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "model/numeri.h"

namespace scenario::formato {

namespace {

using L = lettura;

constexpr int64_t MIN32 = std::numeric_limits<int32_t>::min();
constexpr int64_t MAX32 = std::numeric_limits<int32_t>::max();
constexpr int64_t MIN16 = std::numeric_limits<int16_t>::min();
constexpr int64_t MAX16 = std::numeric_limits<int16_t>::max();

// Where a value is kept.
using S = sede;
using C = campo_cella;
using V = campo_voce;
using K = codifica_campo;

constexpr deposito in_voce(size_t voce, campo_voce f) {
  return {S::voce, static_cast<uint8_t>(f), static_cast<uint8_t>(voce), K::diretta, {-1, -1}};
}
constexpr deposito propria(campo_voce f, codifica_campo k = K::diretta, int8_t a = -1, int8_t b = -1) {
  return {S::voce_propria, static_cast<uint8_t>(f), 0, k, {a, b}};
}
constexpr deposito in_cella(campo_cella f, codifica_campo k = K::diretta, int8_t a = -1, int8_t b = -1) {
  return {S::cella, static_cast<uint8_t>(f), 0, k, {a, b}};
}
constexpr deposito per_cella(sede dove, campo_cella f, codifica_campo k) {
  return {dove, static_cast<uint8_t>(f), 0, k, {-1, -1}};
}
constexpr deposito PROGRESSIVA_ORDINATA{S::progressiva, 0, 0, K::diretta, {-1, -1}};

constexpr campo in(campo c, deposito d) {
  c.in_set = d;
  return c;
}
constexpr campo vuoto_ammesso(campo c) {
  c.vuoto_ammesso = true;
  return c;
}
// Empty only together with the record's other values of the same kind.
constexpr campo vuoto_insieme(campo c) {
  c.vuoto_ammesso = true;
  c.vuoto_insieme = true;
  return c;
}
// The values a field means (outside them: warning 325), and those an author means
// (outside them: warning 326).
constexpr campo che_intende(campo c, int64_t minimo, int64_t massimo) {
  c.inteso = {minimo, massimo};
  return c;
}
constexpr campo di_solito(campo c, int64_t minimo, int64_t massimo) {
  c.solito = {minimo, massimo};
  return c;
}

// A position along the line: checked against the track by the reading, not by a range.
constexpr campo posizione(std::string_view nome) {
  campo c{nome, "m", L::numero32, MIN32, MAX32, 0, 0};
  c.posizione_lungo_linea = true;
  return c;
}
constexpr campo numero32(std::string_view nome, std::string_view unita) {
  return {nome, unita, L::numero32, MIN32, MAX32, 0, 0};
}
constexpr campo numero16(std::string_view nome, std::string_view unita) {
  return {nome, unita, L::numero16, MIN16, MAX16, 0, 0};
}
constexpr campo numero8(std::string_view nome, std::string_view unita) {
  return {nome, unita, L::numero8, 0, 255, 0, 0};
}

constexpr size_t DATI_TRENO = 84, INTESTAZIONE = 85, DATI_CORSA = 86;

// ---- Line text, [generale] -------------------------------------------------------------

constexpr campo LUNGHEZZA[] = {
    di_solito(in({"L", "m", L::numero32, 0, 1000000, 1, 1},
                 in_voce(DATI_TRENO, V::fine)),
              1, MAX32)};

constexpr campo PROGRESSIVA[] = {
    in(posizione("inizio"),
       PROGRESSIVA_ORDINATA),
    in(numero32("valore", "m"),
       PROGRESSIVA_ORDINATA),
    // Any other flag is kept, and read as counting up.
    che_intende(in(numero32("flag", ""),
                   PROGRESSIVA_ORDINATA),
                0, 1)};

constexpr campo sfondo(campo_voce dove) {
  return in(numero32("v", ""),
            in_voce(INTESTAZIONE, dove));
}
constexpr campo SFONDO_UNO[] = {sfondo(V::inizio)};
constexpr campo SFONDO_DUE[] = {sfondo(V::posizione)};
constexpr campo SFONDO_TRE[] = {sfondo(V::fine)};

constexpr campo RIPETIZIONE[] = {
    in(posizione("inizio"),
       in_voce(DATI_CORSA, V::inizio)),
    in(posizione("fine"),
       in_voce(DATI_CORSA, V::fine))};

// ---- Line text, body -------------------------------------------------------------------

constexpr campo PENDENZA[] = {
    posizione("p"),
    in({"g", "per mille", L::numero32, -100, 155, 30, 30},
       per_cella(S::profilo, C::pendenza, K::pendenza))};

constexpr campo CURVA[] = {
    posizione("p"),
    // A curve of no length turns nothing.
    che_intende(in({"l", "m", L::numero32, 0, MAX32, 0, 315},
                   deposito{S::piano, 0, 0, K::diretta, {-1, -1}}),
                1, MAX32)};

constexpr campo MONTAGNA[] = {
    posizione("inizio"),
    {"fine", "m", L::numero32, MIN32, MAX32, 0, 0},
    // Type 0 marks nothing: the cells keep no stretch.
    che_intende(in({"tipo", "", L::numero32, 0, 265, 33, 33},
                   per_cella(S::tratto, C::montagna, K::montagna)),
                1, 265)};

// A speed of an indicator board, in km/h: none is below 0.
constexpr campo velocita_indicatore(campo c) { return che_intende(c, 0, MAX32); }
// A count of stripes, one digit.
constexpr campo strisce(campo c) { return di_solito(c, 0, 9); }

constexpr campo INDICATORI[] = {
    posizione("posizione"),
    velocita_indicatore(in(numero32("vas", "km/h"),
                           in_cella(C::dato1, K::indicatore, 5))),
    velocita_indicatore(in(numero32("vbs", "km/h"),
                           in_cella(C::dato2, K::indicatore, 6))),
    velocita_indicatore(in(numero32("vcs", "km/h"),
                           in_cella(C::dato3, K::indicatore, 7))),
    strisce(in(numero32("strisces", ""),
               in_cella(C::dato4, K::coppia, 8))),
    velocita_indicatore(vuoto_insieme(numero32("vad", "km/h"))),
    velocita_indicatore(vuoto_insieme(numero32("vbd", "km/h"))),
    velocita_indicatore(vuoto_insieme(numero32("vcd", "km/h"))),
    strisce(vuoto_ammesso(numero32("strisced", "")))};

// A text's meaning is told by its length, blanks at either end left out: a board shows
// something.
constexpr campo CARTELLO[] = {
    posizione("p"),
    che_intende(in({"testo", "", L::testo, 0, 65535, 25, 25},
                   propria(V::nome)),
                1, 65535)};

// ---- Run text --------------------------------------------------------------------------

constexpr campo MASSA[] = {di_solito(che_intende(in(numero32("percentuale", "%"),
                                                    in_voce(DATI_TRENO, V::inizio)),
                                                 0, MAX32),
                                     1, MAX32)};
constexpr campo VETTURE[] = {di_solito(che_intende(in(numero32("numero", ""),
                                                      in_voce(DATI_TRENO, V::posizione)),
                                                   0, MAX32),
                                       1, MAX32)};

constexpr campo VELOCITA[] = {
    posizione("p"),
    di_solito(in({"v", "km/h", L::numero32, 0, 1277, 31, 31},
                 per_cella(S::profilo, C::velocita, K::velocita)),
              1, 1277)};

constexpr campo ADERENZA[] = {
    posizione("p"),
    di_solito(in({"a", "", L::numero32, 0, 255, 32, 32},
                 per_cella(S::profilo, C::aderenza, K::diretta)),
              1, 255)};

constexpr campo OROLOGIO[] = {
    in({"ore", "h", L::numero16, 0, 23, 310, 310},
       in_voce(DATI_CORSA, V::valore3)),
    in({"minuti", "min", L::numero16, 0, 59, 310, 310},
       in_voce(DATI_CORSA, V::valore4)),
    in({"secondi", "s", L::numero16, 0, 59, 310, 310},
       in_voce(DATI_CORSA, V::valore5))};

constexpr campo SABBIA[] = {che_intende(in(numero16("sabbia", ""),
                                           in_voce(DATI_CORSA, V::valore1)),
                                        0, MAX16)};

// A light of a signal's side: one digit. (What the pairs give back is checked as such: a
// light the compiled number gives back otherwise is a value lost.)
constexpr campo luce(campo c) { return di_solito(c, 0, 9); }

constexpr campo SEGNALE[] = {
    posizione("posizione"),
    numero32("sx", ""),
    luce(in(numero32("s1", ""), in_cella(C::dato1, K::coppia, 7))),
    luce(in(numero32("s2", ""), in_cella(C::dato2, K::coppia, 8))),
    luce(in(numero32("s3", ""), in_cella(C::dato3, K::coppia, 9))),
    in(numero32("rapp", ""), in_cella(C::dato4, K::segnale, 1, 6)),
    numero32("dx", ""),
    luce(numero32("d1", "")),
    luce(numero32("d2", "")),
    luce(numero32("d3", "")),
    in(numero32("tempo", "s"),
       in_cella(C::tempo, K::tempo_segnale, 1))};

constexpr campo RALLENTAMENTO[] = {
    posizione("x"),
    // A speed limit below 0 means nothing; one of 0 stops the train.
    di_solito(che_intende(in({"v", "km/h", L::numero32, MIN16, MAX16, 36, 36},
                             in_cella(C::dato1)),
                          0, MAX16),
              1, MAX16),
    {"l", "m", L::numero32, 0, MAX32, 0, 315},
    in({"f_tt", "", L::numero32, MIN16, MAX16, 36, 36},
       in_cella(C::dato3)),
    numero32("f_ta", ""),
    {"d_v", "", L::numero32, MIN16, MAX16, 36, 36}};

constexpr campo ABBATTIMENTO[] = {
    posizione("p"),
    {"w", "km/h", L::numero32, MIN32, MAX16, 34, 0}};

constexpr campo STAZIONE[] = {
    in(posizione("posizione"),
       propria(V::posizione)),
    in(numero8("tipo", ""),
       propria(V::tipo)),
    in({"lunghezza", "m", L::numero32, 0, MAX32, 0, 0},
       propria(V::inizio, K::area)),
    in(numero8("opzione1", ""), propria(V::opzione1)),
    in(numero8("opzione4", ""), propria(V::opzione4)),
    in(numero8("opzione3", ""),
       propria(V::opzione3)),
    in(numero16("valore1", ""), propria(V::valore1)),
    in(numero16("valore2", ""), propria(V::valore2)),
    in(numero8("opzione2", ""), propria(V::opzione2)),
    in(numero16("valore3", ""), propria(V::valore3)),
    in(numero16("valore4", ""), propria(V::valore4)),
    in(numero16("valore5", ""), propria(V::valore5)),
    in(numero8("sosta", "s"), propria(V::sosta)),
    in({"ore", "h", L::numero32, 0, 23, 316, 38},
       propria(V::orario, K::orario, 14, 15)),
    {"minuti", "min", L::numero32, 0, 59, 38, 38},
    {"secondi", "s", L::numero32, 0, 59, 38, 38},
    in({"nome", "", L::testo, 0, 65535, 25, 25},
       propria(V::nome))};

constexpr std::string_view FORME_CURVA[] = {"curvas1", "curvas2", "curvas3", "curvas4", "curvas5", "curvas6",
                                            "curvad1", "curvad2", "curvad3", "curvad4", "curvad5", "curvad6"};
constexpr std::string_view FORME_RIPETIZIONE[] = {"ripetizione segnali 4 codici", "ripetizione segnali 9 codici"};

constexpr std::string_view F_LUNGHEZZA[] = {"lunghezza percorso"};
constexpr std::string_view F_TRE[] = {"progressiva chilometrica tre"};
constexpr std::string_view F_DUE[] = {"progressiva chilometrica due"};
constexpr std::string_view F_UNO[] = {"progressiva chilometrica uno"};
constexpr std::string_view F_SUNO[] = {"sfondo uno"};
constexpr std::string_view F_SDUE[] = {"sfondo due"};
constexpr std::string_view F_STRE[] = {"sfondo tre"};
constexpr std::string_view F_PENDENZA[] = {"pendenza"};
constexpr std::string_view F_MONTAGNA[] = {"montagna"};
constexpr std::string_view F_INDICATORI[] = {"indicatori_vmax"};
constexpr std::string_view F_CARTELLO[] = {"cartello_indicatore"};
constexpr std::string_view F_MASSA[] = {"percentuale massa frenata"};
constexpr std::string_view F_VETTURE[] = {"numero vetture"};
constexpr std::string_view F_VELOCITA[] = {"velocita"};
constexpr std::string_view F_ADERENZA[] = {"aderenza"};
constexpr std::string_view F_OROLOGIO[] = {"orologio"};
constexpr std::string_view F_SABBIA[] = {"sabbia"};
constexpr std::string_view F_SEGNALE[] = {"segnale"};
constexpr std::string_view F_RALLENTAMENTO[] = {"rallentamento"};
constexpr std::string_view F_ABBATTIMENTO[] = {"abbattimento"};
constexpr std::string_view F_STAZIONE[] = {"stazione"};

using T = testo;
using A = ambito;

// The reading's test order: general records first, then the body, as each phase tests them.
// The tipo of the object a record puts on a cell, and the offset of that cell.
constexpr uint8_t NESSUNO = 0;

constexpr record RECORD_LINEA[] = {
    {"lunghezza percorso", T::linea, A::generale, {"lunghezza", "percorso"}, false, "[generale]", LUNGHEZZA, F_LUNGHEZZA, NESSUNO, 1, "la lunghezza del percorso"},
    {"progressiva chilometrica tre", T::linea, A::generale, {"tre", "progressiva"}, true, "[generale]",
     PROGRESSIVA, F_TRE, NESSUNO, 1, "la progressiva chilometrica tre"},
    {"progressiva chilometrica due", T::linea, A::generale, {"due", "progressiva"}, true, "[generale]",
     PROGRESSIVA, F_DUE, NESSUNO, 1, "la progressiva chilometrica due"},
    {"progressiva chilometrica uno", T::linea, A::generale, {"uno", "progressiva"}, true, "[generale]",
     PROGRESSIVA, F_UNO, NESSUNO, 1, "la progressiva chilometrica uno"},
    {"sfondo uno", T::linea, A::generale, {"sfondo", "uno"}, true, "[generale]", SFONDO_UNO, F_SUNO, NESSUNO, 1, "lo sfondo uno"},
    {"sfondo due", T::linea, A::generale, {"sfondo", "due"}, true, "[generale]", SFONDO_DUE, F_SDUE, NESSUNO, 1, "lo sfondo due"},
    {"sfondo tre", T::linea, A::generale, {"sfondo", "tre"}, true, "[generale]", SFONDO_TRE, F_STRE, NESSUNO, 1, "lo sfondo tre"},
    {"ripetizione segnali 4 codici", T::linea, A::generale, {"segnali", "ripetizione"}, true, "[generale]",
     RIPETIZIONE, FORME_RIPETIZIONE, NESSUNO, 1,
     "la ripetizione dei segnali"},
    {"pendenza", T::linea, A::corpo, {"pendenza", ""}, false, "[pendenze]", PENDENZA, F_PENDENZA,
     NESSUNO, 1, "la pendenza"},
    {"curvad4", T::linea, A::corpo, {"curva", ""}, false, "[curve]", CURVA, FORME_CURVA, NESSUNO, 1, "la curva"},
    {"montagna", T::linea, A::corpo, {"montagna", ""}, false, "[montagne]", MONTAGNA, F_MONTAGNA, NESSUNO, 1, "il tratto di montagna"},
    {"indicatori_vmax", T::linea, A::corpo, {"indicatori_v", ""}, false, "[cartelli]", INDICATORI, F_INDICATORI, 6, 1, "l'indicatore di velocità massima"},
    {"cartello_indicatore", T::linea, A::corpo, {"indicat", "cartello"}, false, "[indicazioni]", CARTELLO, F_CARTELLO, 14, 1, "il cartello"},
};

constexpr record RECORD_TRENO[] = {
    {"percentuale massa frenata", T::treno, A::corpo, {"frenata", "massa"}, false, "[generale]", MASSA, F_MASSA, NESSUNO, 1, "la percentuale di massa frenata"},
    {"numero vetture", T::treno, A::corpo, {"vetture", ""}, false, "[generale]", VETTURE, F_VETTURE, NESSUNO, 1, "il numero di vetture"},
    {"velocita", T::treno, A::corpo, {"velocit", ""}, false, "[vel_limite]", VELOCITA,
     F_VELOCITA, NESSUNO, 1, "la velocità"},
    {"aderenza", T::treno, A::corpo, {"aderenza", ""}, false, "[aderenze]", ADERENZA,
     F_ADERENZA, NESSUNO, 1, "l'aderenza"},
    {"orologio", T::treno, A::corpo, {"orologio", ""}, false, "[generale]", OROLOGIO, F_OROLOGIO, NESSUNO, 1, "l'orologio"},
    {"sabbia", T::treno, A::corpo, {"sabbia", ""}, false, "[generale]", SABBIA, F_SABBIA,
     NESSUNO, 1, "la sabbia"},
    {"segnale", T::treno, A::corpo, {"segnale", ""}, false, "[segnali]", SEGNALE, F_SEGNALE, 1, 1,
     "il segnale"},
    {"rallentamento", T::treno, A::corpo, {"rallentamento", ""}, false, "[rallentamenti]", RALLENTAMENTO, F_RALLENTAMENTO, 3, 1, "il rallentamento"},
    {"abbattimento", T::treno, A::corpo, {"abbattimento", ""}, false, "[segnali]", ABBATTIMENTO, F_ABBATTIMENTO, 12, 0, "l'abbattimento"},
    {"stazione", T::treno, A::corpo, {"stazione", ""}, false, "[stazioni]", STAZIONE, F_STAZIONE, NESSUNO, 1, "la stazione"},
};

constexpr sezione SEZIONI_LINEA[] = {
    {"[generale]", T::linea},
    {"[curve]", T::linea},
    {"[pendenze]", T::linea},
    {"[montagne]", T::linea},
    {"[cartelli]", T::linea},
    {"[indicazioni]", T::linea},
    {"[fine]", T::linea},
};

constexpr sezione SEZIONI_TRENO[] = {
    {"[generale]", T::treno},
    {"[aderenze]", T::treno},
    {"[vel_limite]", T::treno},
    {"[stazioni]", T::treno},
    {"[rallentamenti]", T::treno},
    {"[segnali]", T::treno},
    {"[codici]", T::treno},
    {"[fine]", T::treno},
};

char minuscola(char c) {
  const auto u = static_cast<unsigned char>(c);
  // ISO 8859-1: A-Z and the accented capitals 0xC0-0xDE (but 0xD7, the times sign).
  if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) return static_cast<char>(u + 32);
  return c;
}

bool uguali_senza_maiuscole(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (minuscola(a[i]) != minuscola(b[i])) return false;
  }
  return true;
}

bool contiene_parola(std::string_view riga, std::string_view parola, bool esatto) {
  if (parola.empty()) return true;
  if (esatto) return riga.find(parola) != std::string_view::npos;
  if (parola.size() > riga.size()) return false;
  for (size_t i = 0; i + parola.size() <= riga.size(); ++i) {
    if (uguali_senza_maiuscole(riga.substr(i, parola.size()), parola)) return true;
  }
  return false;
}

}  // namespace

std::span<const record> records(testo t) {
  return t == testo::linea ? std::span<const record>(RECORD_LINEA) : std::span<const record>(RECORD_TRENO);
}

std::span<const record> records(testo t, ambito dove) {
  if (t == testo::treno) return RECORD_TRENO;
  // The general records come first in the line text's table.
  const std::span<const record> tutti(RECORD_LINEA);
  size_t generali = 0;
  while (generali < tutti.size() && tutti[generali].dove == ambito::generale) ++generali;
  return dove == ambito::generale ? tutti.first(generali) : tutti.subspan(generali);
}

std::span<const sezione> sezioni(testo t) {
  return t == testo::linea ? std::span<const sezione>(SEZIONI_LINEA) : std::span<const sezione>(SEZIONI_TRENO);
}

const record* cerca(testo t, std::string_view parola) {
  for (const record& r : records(t)) {
    for (std::string_view f : r.forme) {
      if (uguali_senza_maiuscole(f, parola)) return &r;
    }
  }
  return nullptr;
}

const record* record_della_forma(testo t, std::string_view parola) {
  // Built once: the spellings of each text by their first letter, so that an item is
  // compared with the few that could be it.
  using gruppi = std::array<std::vector<std::pair<std::string_view, const record*>>, 128>;
  static const auto fai = [](testo quale) {
    gruppi g;
    for (const record& r : records(quale)) {
      for (std::string_view f : r.forme) g[static_cast<unsigned char>(f.front()) & 0x7F].emplace_back(f, &r);
    }
    return g;
  };
  static const gruppi linea = fai(testo::linea);
  static const gruppi treno = fai(testo::treno);
  if (parola.empty() || static_cast<unsigned char>(parola.front()) >= 128) return nullptr;
  for (const auto& [forma, r] : (t == testo::linea ? linea : treno)[static_cast<unsigned char>(parola.front())]) {
    if (forma.size() == parola.size() && forma == parola) return r;
  }
  return nullptr;
}

const campo* cerca_campo(const record& r, std::string_view nome) {
  for (const campo& c : r.campi) {
    if (c.nome == nome) return &c;
  }
  return nullptr;
}

bool riconosce(const record& r, std::string_view parola) {
  return contiene_parola(parola, r.parole[0], r.esatto) && contiene_parola(parola, r.parole[1], r.esatto);
}

std::string modello_record(const record& r) {
  std::string s(r.parola);
  for (const campo& c : r.campi) {
    s += ", ";
    s += c.nome;
  }
  return s;
}

std::pair<int64_t, int64_t> limiti_lettura(lettura l) {
  switch (l) {
    case lettura::numero32: return {MIN32, MAX32};
    case lettura::numero16: return {MIN16, MAX16};
    case lettura::numero8: return {0, 255};
    case lettura::testo: return {0, 65535};
  }
  return {MIN32, MAX32};
}

int64_t valore_campo(const cella& c, campo_cella f) {
  switch (f) {
    case C::tipo: return c.tipo;
    case C::dato1: return c.dato1;
    case C::dato2: return c.dato2;
    case C::dato3: return c.dato3;
    case C::dato4: return c.dato4;
    case C::tempo: return c.tempo;
    case C::preavviso: return c.preavviso;
    case C::montagna: return c.montagna;
    case C::velocita: return c.velocita;
    case C::pendenza: return c.pendenza;
    case C::aderenza: return c.aderenza;
  }
  return 0;
}

int64_t valore_campo(const voce& v, campo_voce f) {
  switch (f) {
    case V::tipo: return v.tipo;
    case V::inizio: return v.inizio;
    case V::fine: return v.fine;
    case V::posizione: return v.posizione;
    case V::opzione1: return v.opzione1;
    case V::nome: return 0;
    case V::valore1: return v.valore1;
    case V::valore2: return v.valore2;
    case V::valore3: return v.valore3;
    case V::valore4: return v.valore4;
    case V::valore5: return v.valore5;
    case V::opzione2: return v.opzione2;
    case V::sosta: return v.sosta;
    case V::opzione3: return v.opzione3;
    case V::opzione4: return v.opzione4;
    case V::orario: return v.orario;
  }
  return 0;
}

int64_t nel_campo(campo_cella f, int64_t valore) {
  switch (f) {
    case C::dato1: case C::dato2: case C::dato3: case C::dato4: return basso16(valore);
    default: return basso8(valore);
  }
}

int64_t nel_campo(campo_voce f, int64_t valore) {
  switch (f) {
    case V::inizio: case V::fine: case V::posizione: case V::orario: return static_cast<int32_t>(valore);
    case V::valore1: case V::valore2: case V::valore3: case V::valore4: case V::valore5: return basso16(valore);
    case V::nome: return 0;
    default: return basso8(valore);
  }
}

std::string_view nome_campo(campo_cella f) {
  static constexpr std::string_view nomi[] = {"tipo", "dato1", "dato2", "dato3", "dato4", "tempo",
                                              "preavviso", "montagna", "velocita", "pendenza", "aderenza"};
  return nomi[static_cast<size_t>(f)];
}

std::string_view nome_campo(campo_voce f) {
  static constexpr std::string_view nomi[] = {"tipo", "inizio", "fine", "posizione", "opzione1", "nome",
                                              "valore1", "valore2", "valore3", "valore4", "valore5",
                                              "opzione2", "sosta", "opzione3", "opzione4", "orario"};
  return nomi[static_cast<size_t>(f)];
}

namespace {

int64_t partner(const campo& c, std::span<const int64_t> valori, size_t quale) {
  const int8_t i = c.in_set.con[quale];
  return i >= 0 && static_cast<size_t>(i) < valori.size() ? valori[static_cast<size_t>(i)] : 0;
}

}  // namespace

int64_t codifica_valore(const campo& c, std::span<const int64_t> valori, size_t indice) {
  const int64_t v = indice < valori.size() ? valori[indice] : 0;
  switch (c.in_set.come) {
    case K::diretta: case K::area: return v;
    case K::velocita: return velocita_in_cella(static_cast<int32_t>(v));
    case K::pendenza: return pendenza_in_cella(static_cast<int32_t>(v));
    case K::coppia: return coppia_in_cella(v, partner(c, valori, 0));
    case K::indicatore:
      return indicatore_in_cella(static_cast<int32_t>(v), static_cast<int32_t>(partner(c, valori, 0)));
    case K::segnale: return codice_segnale(v, partner(c, valori, 0), partner(c, valori, 1));
    case K::tempo_segnale: {
      if (partner(c, valori, 0) != 2) return 0;
      return v >= 1 && v <= 100 ? 101 : v;
    }
    case K::orario: return orario_in_tabella(v, partner(c, valori, 0), partner(c, valori, 1));
    case K::montagna: return montagna_da_testo(static_cast<int32_t>(v)).tipo;
  }
  return v;
}

std::optional<valori_resi> resi_dal_campo(const campo& c, std::span<const int64_t> valori, int64_t codice) {
  // The cell fields these codings use are 16 bits wide.
  const auto c16 = static_cast<int16_t>(codice);
  switch (c.in_set.come) {
    case K::coppia: {
      const auto [primo, secondo] = coppia_da_cella(c16);
      return valori_resi{{primo, secondo, 0}, 2};
    }
    case K::indicatore: {
      const auto [a, b] = indicatore_da_cella(c16);
      return valori_resi{{a, b, 0}, 2};
    }
    case K::segnale: {
      // The aspect tells sx and dx apart only as its thirds and their rest.
      const int64_t aspetto = partner(c, valori, 0) * 3 + partner(c, valori, 1);
      return valori_resi{{(codice - aspetto) / 10, aspetto / 3, aspetto % 3}, 3};
    }
    default: return std::nullopt;
  }
}

area_stazione area_di_stazione(int64_t posizione, int64_t tipo, int64_t lunghezza, int64_t opzione3) {
  if (tipo == 5 || tipo == 6) return {posizione - lunghezza, posizione + 150};
  if (tipo == 7 || tipo == 8) return {posizione - lunghezza, posizione + lunghezza};
  return {posizione - lunghezza / 2, posizione + lunghezza / 2 + (opzione3 != 0 ? 50 : 0)};
}

std::optional<area_scritta> area_come_scritta(int64_t posizione, int64_t tipo, int64_t inizio, int64_t fine) {
  // The area reaches back the whole length or half of it, by kind: the length that gives
  // its start, with the third option or without, is the one that gives its end too.
  for (const int64_t lunghezza : {posizione - inizio, 2 * (posizione - inizio)}) {
    for (const bool terza : {false, true}) {
      const area_stazione a = area_di_stazione(posizione, tipo, lunghezza, terza ? 1 : 0);
      if (a.inizio == inizio && a.fine == fine) return area_scritta{lunghezza, terza};
    }
  }
  return std::nullopt;
}

bool tiene_opzione3(int64_t tipo, bool prima) { return !prima && (tipo < 5 || tipo > 8); }
bool tiene_opzione4(int64_t lunghezza, bool prima) { return !prima && lunghezza >= 600; }


int64_t indicatore_in_cella(int32_t kmh_a, int32_t kmh_b) {
  // The product is whole, the quotient is not: their sum is rounded once.
  const int64_t prodotto = static_cast<int64_t>(kmh_a) * 20;
  return arrotonda(static_cast<double>(prodotto) + kmh_b / 5.0);
}

std::pair<int32_t, int32_t> indicatore_da_cella(int16_t codice) {
  // Hundreds carry side a in steps of 5 km/h, the last two digits side b.
  const int32_t c = codice;
  const int32_t centinaia = c / 100;
  const int32_t resto = c % 100;
  return {centinaia * 5, resto * 5};
}

std::pair<int32_t, int32_t> coppia_da_cella(int16_t codice) {
  const int32_t c = codice;
  return {c / 10, c % 10};
}

segnale_decodificato segnale_da_cella(int16_t codice) {
  const int32_t c = codice;
  const int32_t aspetto = c % 10;
  // The aspect sx x 3 + dx is a one-digit number for the customary sx 0 to 3 and dx 0 to 2.
  return {c / 10, aspetto / 3, aspetto % 3};
}

montagna_scritta montagna_da_testo(int32_t tipo_scritto) {
  if (tipo_scritto > 10) return {tipo_scritto - 10, true};
  return {tipo_scritto, false};
}

std::optional<int> classe_curva(double k) {
  const double assoluto = std::fabs(k);
  for (size_t i = 0; i < CURVATURE.size(); ++i) {
    if (assoluto == CURVATURE[i]) return static_cast<int>(i) + 1;
  }
  return std::nullopt;
}

std::optional<int> classe_curva_misurata(double k) {
  const double assoluto = std::fabs(k);
  for (size_t i = 0; i < CURVATURE.size(); ++i) {
    if (std::fabs(assoluto - CURVATURE[i]) <= CURVATURE[i] / 10) return static_cast<int>(i) + 1;
  }
  return std::nullopt;
}

int32_t raggio_curva(int classe) {
  if (classe < 1 || classe > 6) return 0;
  return static_cast<int32_t>(arrotonda(1.0 / CURVATURE[static_cast<size_t>(classe - 1)]));
}

}  // namespace scenario::formato
