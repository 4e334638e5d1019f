#include "text/lettura_dati.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "text/codifica.h"
#include "text/fasi.h"
#include "track/codici_gara.h"
#include "track/rapporto_errori.h"

namespace scenario {

// ---- Values and their places ------------------------------------------------------------

namespace {

// The place of item `indice` among the items read one after another from byte `byte` of
// `testo` (on line `riga`, which begins at byte `inizio_riga`): each item read again as
// it was read, a text item where `e_testo(k)`, a number item otherwise. Nothing when the
// text does not hold them so.
template <typename F>
std::optional<luogo_testo> rileggi(const std::string& testo, const std::string& etichetta, size_t byte, int32_t riga,
                                   size_t inizio_riga, size_t indice, F e_testo) {
  lettore_testo t;
  t.apri(testo, etichetta);
  t.riprendi_da(byte, riga, inizio_riga);
  try {
    for (size_t k = 0; k <= indice; ++k) {
      if (e_testo(k)) {
        t.leggi_testo();
      } else {
        t.leggi_numero32();
      }
    }
  } catch (const guasto_lettura&) {
    return std::nullopt;
  }
  return t.luogo_elemento();
}

}  // namespace

namespace {

std::string_view senza_spazi_ai_lati(std::string_view t) {
  size_t a = 0;
  size_t b = t.size();
  while (a < b && spazio(t[a])) ++a;
  while (b > a && spazio(t[b - 1])) --b;
  return t.substr(a, b - a);
}

// True for a line that reads as a record: an item, a comma, a number.
bool come_un_record(std::string_view riga) {
  const size_t virgola = riga.find(',');
  return virgola != std::string_view::npos && inizia_numero(riga, virgola + 1);
}

}  // namespace

std::string_view leggi_testo_valore(stato_lettura& s, const char* cosa) {
  const std::string_view v = s.testo.leggi_testo_memorizzato(cosa);
  ricorda_valore(s, 0, true);
  s.testo_valore = v;
  // A text left empty at its line's end, before a line that is neither a record nor a
  // header nor blank: that line is read as a note, and is most likely the text itself,
  // moved to a line of its own. The record keeps no text: that is a value lost.
  if (senza_spazi_ai_lati(v).empty() && s.testo.chiusura() == chiusura_elemento::fine_riga) {
    const std::string_view dopo = senza_spazi_ai_lati(s.testo.resto_della_riga());
    if (!dopo.empty() && dopo.front() != '[' && !come_un_record(dopo)) {
      avviso_record(s, avviso::valore_vuoto, std::nullopt,
                    frase("lettura.testo_a_capo", {{"cosa", frase(cosa)}, {"riga", std::string(dopo)}}),
                    static_cast<int>(s.valori.size()) - 1);
    }
  }
  return v;
}

luogo_testo luogo_valore(const stato_lettura& s, int indice) {
  if (indice < 0 || static_cast<size_t>(indice) >= s.valori.size()) return s.luogo_record;
  const auto dove = rileggi(*s.m.letti.testi[s.in_treno ? 1 : 0], s.luogo_record.file, s.dopo_parola,
                            s.riga_dopo_parola, s.inizio_riga_dopo_parola, static_cast<size_t>(indice),
                            [&](size_t k) { return k < 64 && (s.valori_testo >> k & 1) != 0; });
  return dove ? *dove : s.luogo_record;
}

void ricorda_record(stato_lettura& s, const formato::record& r, size_t primo) {
  testi_letti& l = s.m.letti;
  const size_t n = std::min(s.valori.size() - std::min(primo, s.valori.size()), r.campi.size());
  const int64_t* const valori = s.valori.data() + primo;
  record_letto& letto = l.records.emplace_back(da_ricordare(s, r, n));
  if (!r.campi.empty() && r.campi.back().letto == formato::lettura::testo) {
    letto.primo_carattere = static_cast<uint32_t>(s.testo_valore.data() - l.testi[letto.testo]->data());
    letto.caratteri = static_cast<uint32_t>(s.testo_valore.size());
  }
  l.valori.insert(l.valori.end(), valori, valori + n);
  if (primo >= 64 || (s.valori_vuoti >> primo) == 0) return;
  // An empty number is read as 0: an author who means 0 writes it, unless the value's
  // emptiness has a meaning of its own. One on a later line is the record running short,
  // said where the record is checked for its line's end.
  // A value that may be empty only with the others of its set: an empty one among written
  // ones is a value forgotten, not a set left out.
  bool insieme_vuoto = true;
  for (size_t k = 0; k < n && primo + k < 64; ++k) {
    if (r.campi[k].vuoto_insieme) insieme_vuoto = insieme_vuoto && (s.valori_vuoti >> (primo + k) & 1) != 0;
  }
  for (size_t k = 0; k < n && primo + k < 64; ++k) {
    const formato::campo& c = r.campi[k];
    if ((s.valori_vuoti >> (primo + k) & 1) == 0 || (c.vuoto_ammesso && (!c.vuoto_insieme || insieme_vuoto)) ||
        c.letto == formato::lettura::testo) {
      continue;
    }
    const luogo_testo v = luogo_valore(s, static_cast<int>(primo + k));
    if (v.riga != s.luogo_record.riga) continue;
    registra_avviso(s.m, avviso::valore_vuoto, luogo_testo{s.luogo_record.file, v.riga, v.colonna, v.colonna + 1},
                    frase("lettura.valore_vuoto", {{"nome", std::string(r.campi[k].nome)}}));
  }
}

luogo_testo luogo_valore_letto(const testi_letti& l, const record_letto& r, size_t indice) {
  luogo_testo parola{l.etichette[r.testo], r.riga, r.colonna, r.fine};
  if (indice >= r.numero_valori || r.descrizione == nullptr) return parola;
  if (l.testi[r.testo] == nullptr) return parola;
  const auto dove = rileggi(*l.testi[r.testo], l.etichette[r.testo], r.byte_valori, r.riga_valori,
                            r.inizio_riga_valori, indice,
                            [&](size_t k) { return r.descrizione->campi[k].letto == formato::lettura::testo; });
  return dove ? *dove : parola;
}

luogo_testo luogo_valori(const stato_lettura& s, int da, int a) {
  luogo_testo l = luogo_valore(s, da);
  const luogo_testo ultimo = luogo_valore(s, a);
  if (ultimo.riga == l.riga && ultimo.fine > l.colonna) l.fine = ultimo.fine;
  return l;
}

// ---- Diagnostics at the record ----------------------------------------------------------

esito_record errore_record(stato_lettura& s, int32_t codice, std::optional<int32_t> posizione,
                           messaggio motivo, int indice) {
  registra_errore(s.m, codice, posizione, luogo_valore(s, indice), std::move(motivo));
  return esito_record::scarta;
}

void avviso_record(stato_lettura& s, int32_t codice, std::optional<int32_t> posizione,
                   messaggio motivo, int indice) {
  if (posizione) {
    registra_avviso(s.m, codice, *posizione, luogo_valore(s, indice), std::move(motivo));
  } else {
    registra_avviso(s.m, codice, luogo_valore(s, indice), std::move(motivo));
  }
}

void annota_oggetto(stato_lettura& s, int64_t cella, const char* cosa, int32_t posizione) {
  s.m.oggetti[cella] = oggetto_posto{static_cast<uint8_t>(s.in_treno ? 1 : 0), s.luogo_record.riga,
                                     s.luogo_record.colonna, s.luogo_record.fine, cosa, posizione};
}

esito_record errore_cella_occupata(stato_lettura& s, int32_t codice, int32_t posizione, int64_t cella) {
  errore_record(s, codice, posizione, {}, 0);
  if (auto nota = nota_cella_presa(s.m, cella)) s.m.diagnostiche.back().note.push_back(std::move(*nota));
  return esito_record::scarta;
}

esito_record fuori_limiti(stato_lettura& s, const formato::campo& c, int64_t valore, int indice,
                          std::optional<int32_t> posizione) {
  const int32_t numero = valore > c.massimo ? c.numero_sopra : c.numero_sotto;
  if (numero == 0) return esito_record::prosegui;
  std::string motivo = std::string(c.nome) + " = " + std::to_string(valore);
  if (!c.unita.empty()) motivo += " " + std::string(c.unita);
  const auto voce = cerca_errore(numero);
  if (voce && voce->livello == gravita::errore) return errore_record(s, numero, posizione, motivo, indice);
  avviso_record(s, numero, posizione, std::move(motivo), indice);
  return esito_record::prosegui;
}

// ---- Encodings ------------------------------------------------------------------------

const std::string* testo_latin1(stato_lettura& s, const testo_ingresso& t, size_t quale) {
  const std::string& byte = *t.byte;
  esame_codifica esame = esamina_codifica(byte);
  const luogo_testo prima_riga{t.etichetta, 1, 1};
  switch (esame.tipo) {
    case codifica::latin1: return s.m.letti.testi[quale] = &byte;
    case codifica::utf16:
      registra_errore(s.m, codice::codifica_testo, std::nullopt, prima_riga,
                      frase("lettura.utf16"));
      return nullptr;
    case codifica::con_nul:
      registra_errore(s.m, codice::codifica_testo, std::nullopt, luogo_testo{t.etichetta, esame.riga, 1},
                      frase("lettura.nul"));
      return nullptr;
    case codifica::utf8:
    case codifica::windows1252: break;
  }
  if (esame.tipo == codifica::utf8 && esame.riga > 0) {
    registra_avviso(s.m, avviso::testo_utf8, luogo_testo{t.etichetta, esame.riga, 1});
  }
  for (const carattere_sostituito& c : esame.sostituiti) {
    char codice[16];
    std::snprintf(codice, sizeof codice, "U+%04X", static_cast<unsigned>(c.codice));
    registra_avviso(s.m, avviso::caratteri_non_latini,
                    luogo_testo{t.etichetta, c.riga, c.colonna, c.colonna + 1},
                    frase("lettura.sostituito", {{"carattere", c.originale}, {"codice", std::string(codice)},
                                                 {"al_suo_posto", std::string(1, c.al_suo_posto)}}));
  }
  if (const auto& m = esame.misto) {
    const char carattere[] = {m->al_suo_posto, '\0'};
    registra_avviso(s.m, avviso::testo_misto, luogo_testo{t.etichetta, m->riga, m->colonna, m->colonna + 1},
                    frase("lettura.testo_misto",
                          {{"byte", m->originale},
                           {"carattere", latin1_in_utf8(carattere)},
                           {"altri", esame.byte_misti > 1
                                         ? frase_conto(static_cast<int64_t>(esame.byte_misti - 1), dal_catalogo("lettura.testo_misto.altro"),
                                                       dal_catalogo("lettura.testo_misto.altri"))
                                         : messaggio()}}));
  }
  std::string& convertito = s.m.letti.convertiti[quale];
  convertito = std::move(esame.convertito);
  return s.m.letti.testi[quale] = &convertito;
}

// ---- Keywords ---------------------------------------------------------------------------

namespace {

// Which text is being read: its records and sections.
formato::testo testo_di(const stato_lettura& s) {
  return s.in_treno ? formato::testo::treno : formato::testo::linea;
}

// Edit distance between two words of at most PAROLA_MASSIMA characters, or more than
// `limite` once every way through exceeds it: only close words matter here.
constexpr size_t PAROLA_MASSIMA = 40;

size_t distanza(std::string_view a, std::string_view b, size_t limite) {
  std::array<size_t, PAROLA_MASSIMA + 1> riga{};
  for (size_t j = 0; j <= b.size(); ++j) riga[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonale = riga[0];
    riga[0] = i;
    size_t minima_riga = riga[0];
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t sopra = riga[j];
      riga[j] = std::min({riga[j] + 1, riga[j - 1] + 1, diagonale + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonale = sopra;
      minima_riga = std::min(minima_riga, riga[j]);
    }
    if (minima_riga > limite) return limite + 1;
  }
  return riga[b.size()];
}

// Every spelling of the records of one place of a text, and its section headers, from the
// description of the format.
struct parole_note {
  std::vector<std::string_view> parole;
  std::vector<std::string_view> sezioni;
};

const parole_note& parole_di(formato::testo t, formato::ambito dove) {
  static const auto fai = [](formato::testo testo, formato::ambito a) {
    parole_note p;
    for (const formato::record& r : formato::records(testo, a)) {
      for (std::string_view f : r.forme) p.parole.push_back(f);
    }
    for (const formato::sezione& z : formato::sezioni(testo)) p.sezioni.push_back(z.nome);
    return p;
  };
  static const parole_note generale = fai(formato::testo::linea, formato::ambito::generale);
  static const parole_note corpo = fai(formato::testo::linea, formato::ambito::corpo);
  static const parole_note treno = fai(formato::testo::treno, formato::ambito::corpo);
  if (t == formato::testo::treno) return treno;
  return dove == formato::ambito::generale ? generale : corpo;
}

// The keyword item's own extent on its line, blanks at either side left out.
luogo_testo luogo_parola(const stato_lettura& s) {
  luogo_testo l = s.luogo_record;
  const std::string_view r = s.riga;
  const size_t a = r.find_first_not_of(" \t");
  if (a == std::string_view::npos) return l;
  l.colonna += static_cast<int32_t>(a);
  l.fine = l.colonna + static_cast<int32_t>(senza_spazi_ai_lati(r).size());
  return l;
}

// What a warning about an unknown word or header puts in its place: the nearest known
// one, or else the known one that differs only in case, where case counts.
proposta_parola proponi(std::string_view parola, std::span<const std::string_view> note) {
  if (const auto vicina = parola_vicina(parola, note)) return {"lettura.forse", *vicina};
  const std::string cercata = minuscolo_latin1(parola);
  for (std::string_view p : note) {
    if (cercata == p) return {"lettura.forse_maiuscole", p};
  }
  return {"lettura.parola", std::nullopt};
}

// A warning about an unknown word or header, naming the nearest known one, which the fix
// puts in its place.
void avviso_parola(stato_lettura& s, int32_t numero, std::string_view parola,
                   std::span<const std::string_view> note) {
  // A misspelt word is often copied down the text: the last one's search serves again,
  // among the same known words (each list is a table of its own, told by where it stands).
  auto& ultima = s.ultima_proposta;
  if (ultima.parola != parola || ultima.note != note.data()) {
    ultima.proposta = proponi(parola, note);
    ultima.parola = parola;
    ultima.note = note.data();
  }
  const proposta_parola& p = ultima.proposta;
  const luogo_testo dove = luogo_parola(s);
  std::vector<argomento> argomenti;
  argomenti.reserve(2);
  argomenti.emplace_back("parola", std::string(parola));
  if (p.vicina) argomenti.emplace_back("vicina", std::string(*p.vicina));
  registra_avviso(s.m, numero, dove, frase(p.chiave, std::move(argomenti)));
  if (p.vicina) s.m.diagnostiche.back().correggi = correzione{dove, std::string(*p.vicina)};
}

}  // namespace

std::optional<std::string_view> parola_vicina(std::string_view parola,
                                              std::span<const std::string_view> parole) {
  // Words of an author's notes are long: only a keyword-sized item is compared, and only
  // with keywords of nearly its length (a distance is at least the difference of lengths).
  constexpr size_t vicinanza = 2;
  if (parola.size() > PAROLA_MASSIMA) return std::nullopt;
  const std::string cercata = minuscolo_latin1(parola);
  std::optional<std::string_view> migliore;
  size_t minima = 0;
  for (std::string_view p : parole) {
    if (p.size() > PAROLA_MASSIMA || p.size() + vicinanza < cercata.size() ||
        cercata.size() + vicinanza < p.size()) {
      continue;
    }
    const size_t d = distanza(cercata, p, vicinanza);
    if (!migliore || d < minima) {
      migliore = p;
      minima = d;
    }
  }
  // Close: two edits at most, and fewer than a third of the word.
  if (!migliore || minima == 0 || minima > vicinanza || minima * 3 > migliore->size()) return std::nullopt;
  return migliore;
}

namespace {

// The small letter of each byte (minuscola_latin1), looked up in one step.
constexpr std::array<unsigned char, 256> PICCOLA = [] {
  std::array<unsigned char, 256> m{};
  for (size_t b = 0; b < m.size(); ++b) m[b] = static_cast<unsigned char>(minuscola_latin1(static_cast<char>(b)));
  return m;
}();

// What the test words of each record hold, so that an item lacking a letter or a pair of
// them is passed over without a search: most items no test matches are an author's notes.
struct impronte_dei_record {
  explicit impronte_dei_record(formato::testo t) : tutti(formato::records(t)) {
    for (const formato::record& r : tutti) {
      impronta i = impronta_di(minuscolo_latin1(r.parole[0]));
      const impronta seconda = impronta_di(minuscolo_latin1(r.parole[1]));
      i.lettere |= seconda.lettere;
      i.coppie |= seconda.coppie;
      impronte.push_back(i);
    }
  }
  std::span<const formato::record> tutti;
  std::vector<impronta> impronte;
  // What `r`'s words hold (a record of this text).
  const impronta& di(const formato::record& r) const { return impronte[static_cast<size_t>(&r - tutti.data())]; }
};

const impronte_dei_record IMPRONTE_LINEA(formato::testo::linea);
const impronte_dei_record IMPRONTE_TRENO(formato::testo::treno);

}  // namespace

impronta impronta_di(std::string_view testo) {
  impronta i;
  if (testo.empty()) return i;
  i.aggiungi(static_cast<unsigned char>(testo[0]));
  for (size_t k = 1; k < testo.size(); ++k) {
    i.aggiungi(static_cast<unsigned char>(testo[k - 1]), static_cast<unsigned char>(testo[k]));
  }
  return i;
}

bool riconosciuto(const stato_lettura& s, const formato::record& r) {
  if (s.forma != nullptr) return s.forma == &r;
  const std::string_view riga = r.esatto ? s.riga : std::string_view(s.riga_minuscola);
  if (!s.impronta_minuscola.comprende((s.in_treno ? IMPRONTE_TRENO : IMPRONTE_LINEA).di(r))) return false;
  for (std::string_view parola : r.parole) {
    if (!parola.empty() && riga.find(parola) == std::string_view::npos) return false;
  }
  return true;
}

namespace {

// The bytes of a spelling as two words, its first and its last eight (four for a spelling
// of four to seven bytes), read as they lie in memory: a keyword item is compared with a
// spelling a word at a time. Its letters are compared without regard to case: every
// spelling is ASCII in small letters, and a byte ORed with 0x20 is a small letter only
// when it is that letter or its capital.
struct parole_forma {
  uint64_t testa = 0;
  uint64_t coda = 0;
};

parole_forma parole_di_forma(const char* p, size_t n) {
  parole_forma f;
  if (n >= 8) {
    std::memcpy(&f.testa, p, 8);
    std::memcpy(&f.coda, p + n - 8, 8);
  } else {
    uint32_t testa = 0;
    uint32_t coda = 0;
    std::memcpy(&testa, p, 4);
    std::memcpy(&coda, p + n - 4, 4);
    f.testa = testa;
    f.coda = coda;
  }
  return f;
}

constexpr uint64_t MINUSCOLE = 0x2020202020202020ull;

// Every spelling of a text's records by the words of its bytes, so that a keyword item is
// compared with the one spelling that its words lead to instead of searched for.
class forme_del_testo {
 public:
  explicit forme_del_testo(formato::testo t) {
    for (const formato::record& r : formato::records(t)) {
      for (std::string_view f : r.forme) {
        if (f.size() < 4) continue;  // none is so short
        // The letters, where a capital in the item is its small letter.
        std::string lettere(f.size(), '\0');
        for (size_t i = 0; i < f.size(); ++i) {
          if (f[i] >= 'a' && f[i] <= 'z') lettere[i] = 0x20;
        }
        posto p{parole_di_forma(f.data(), f.size()), parole_di_forma(lettere.data(), lettere.size()), f, &r};
        size_t i = indice(p.parole, f.size());
        while (posti_[i].record != nullptr) i = (i + 1) % POSTI;
        posti_[i] = p;
      }
    }
  }

  const formato::record* cerca(std::string_view parola) const {
    const size_t n = parola.size();
    if (n < 4) return nullptr;
    const parole_forma w = parole_di_forma(parola.data(), n);
    for (size_t i = indice(w, n); posti_[i].record != nullptr; i = (i + 1) % POSTI) {
      const posto& p = posti_[i];
      if (p.forma.size() == n && (w.testa | p.lettere.testa) == p.parole.testa &&
          (w.coda | p.lettere.coda) == p.parole.coda && (n <= 16 || stessa_forma(p.forma, parola))) {
        return p.record;
      }
    }
    return nullptr;
  }

 private:
  static constexpr size_t POSTI = 128;  // a few times the spellings of a text
  struct posto {
    parole_forma parole;
    parole_forma lettere;
    std::string_view forma;
    const formato::record* record = nullptr;
  };

  // The slot of a spelling: its words with every letter small, and its length, mixed.
  static size_t indice(const parole_forma& w, size_t n) {
    const uint64_t h = ((w.testa | MINUSCOLE) * 0x9E3779B97F4A7C15ull) ^ ((w.coda | MINUSCOLE) * 0xC2B2AE3D27D4EB4Full) ^ n;
    return static_cast<size_t>((h ^ (h >> 29)) % POSTI);
  }

  // The bytes between the two words, for a spelling longer than sixteen bytes.
  static bool stessa_forma(std::string_view forma, std::string_view parola) {
    for (size_t i = 8; i + 8 < forma.size(); ++i) {
      const auto c = static_cast<unsigned char>(parola[i]);
      if (static_cast<unsigned char>(forma[i]) != (c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c)) return false;
    }
    return true;
  }

  std::array<posto, POSTI> posti_{};
};

// Built before the first reading, from the description's constant tables.
const forme_del_testo FORME_LINEA(formato::testo::linea);
const forme_del_testo FORME_TRENO(formato::testo::treno);


// True when a byte of `w` is `c`.
bool ha_byte(uint64_t w, char c) {
  const uint64_t x = w ^ (0x0101010101010101ull * static_cast<unsigned char>(c));
  return (~(((x & 0x7F7F7F7F7F7F7F7Full) + 0x7F7F7F7F7F7F7F7Full) | x | 0x7F7F7F7F7F7F7F7Full)) != 0;
}

}  // namespace

const formato::record* record_scritto(formato::testo t, std::string_view parola) {
  return (t == formato::testo::linea ? FORME_LINEA : FORME_TRENO).cerca(parola);
}

const formato::record* parola_semplice(stato_lettura& s, formato::ambito dove, riga_semplice& r) {
  const std::string_view parola = s.testo.parola_semplice(r);
  if (parola.empty()) return nullptr;
  // No capitals: an exact record's spelling too names its record so.
  const formato::record* forma = record_scritto(testo_di(s), parola);
  return forma != nullptr && forma->dove == dove ? forma : nullptr;
}

void annota_parola_chiave(stato_lettura& s) {
  // An item written as one of the description's spellings names that record alone, which
  // the reading then knows without testing every record. An exact record's spelling
  // names it only as written, in small letters. (The item has no blanks before it; one
  // with blanks after it is no spelling.)
  const std::string_view parola = s.riga;
  s.forma = record_scritto(testo_di(s), parola);
  if (s.forma != nullptr && s.forma->esatto &&
      std::any_of(parola.begin(), parola.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) {
    s.forma = nullptr;
  }
  // Any other item is tested record by record, in small letters where case does not count.
  s.riga_minuscola.clear();
  if (s.forma == nullptr) {
    // What the item holds in small letters serves the exact tests as well: a word the item
    // holds as written, it holds in small letters too.
    s.riga_minuscola.resize(s.riga.size());
    std::transform(s.riga.begin(), s.riga.end(), s.riga_minuscola.begin(),
                   [](char c) { return static_cast<char>(PICCOLA[static_cast<unsigned char>(c)]); });
    s.impronta_minuscola = impronta_di(s.riga_minuscola);
  }
  const lettore_testo& t = s.testo;
  s.luogo_record.riga = t.riga_elemento();
  s.luogo_record.colonna = t.colonna_elemento();
  s.luogo_record.fine = t.fine_colonna_elemento();
  s.byte_record = t.inizio_elemento();
  s.valori.clear();
  s.valori_testo = s.valori_vuoti = 0;
  s.parola_a_inizio_riga = t.elemento_a_inizio_riga();
  s.parola_con_virgola = t.chiusura() == chiusura_elemento::virgola;
  s.dopo_parola = t.letti();
  s.riga_dopo_parola = t.riga_corrente();
  s.inizio_riga_dopo_parola = t.inizio_riga_corrente();
}

void parola_non_letta(stato_lettura& s, formato::testo t, formato::ambito dove) {
  const std::string_view parola = senza_spazi_ai_lati(s.riga);
  const parole_note& note = parole_di(t, dove);
  if (parola.size() >= 2 && parola.front() == '[' && parola.back() == ']') {
    if (std::find(note.sezioni.begin(), note.sezioni.end(), minuscolo_latin1(parola)) != note.sezioni.end()) return;
    avviso_parola(s, avviso::sezione_sconosciuta, parola, note.sezioni);
    return;
  }
  // Only a line shaped like a record: a word, a comma, a number; not one already told.
  if (!s.parola_con_virgola || !s.testo.segue_numero(s.dopo_parola)) return;
  if (s.luogo_record.riga == s.riga_detta) return;
  // A record of another place: of the general section, or of the other text.
  const std::string scritta = minuscolo_latin1(parola);
  const formato::testo altro = t == formato::testo::linea ? formato::testo::treno : formato::testo::linea;
  if (const formato::record* r = formato::record_della_forma(t, scritta); r != nullptr && r->dove != dove) {
    registra_avviso(s.m, avviso::parola_sconosciuta, luogo_parola(s),
                    frase("lettura.altra_sezione", {{"parola", std::string(parola)}, {"sezione", std::string(r->sezione)}}));
    return;
  }
  if (formato::record_della_forma(altro, scritta) != nullptr) {
    ++s.parole_dell_altro_testo;
    registra_avviso(s.m, avviso::parola_sconosciuta, luogo_parola(s),
                    frase(altro == formato::testo::treno ? dal_catalogo("lettura.record_della_corsa")
                                                         : dal_catalogo("lettura.record_della_linea"),
                          {{"parola", std::string(parola)}}));
    return;
  }
  // A note that begins with a time or a number ("7:15 partenza, 2 binari") is no misspelt
  // keyword: what the reading took it for is said instead of the nearest keyword.
  if (!parola.empty() && parola.front() >= '0' && parola.front() <= '9') {
    registra_avviso(s.m, avviso::parola_sconosciuta, luogo_parola(s),
                    frase("lettura.nota_con_numero", {{"parola", std::string(parola)}}));
    return;
  }
  avviso_parola(s, avviso::parola_sconosciuta, parola, note.parole);
}

void controlla_forma(stato_lettura& s, std::span<const formato::record* const> riconosciuti,
                     std::string_view come_letta) {
  const std::string scritta = minuscolo_latin1(senza_spazi_ai_lati(s.riga));
  if (riconosciuti.size() == 1) {
    for (std::string_view f : riconosciuti[0]->forme) {
      if (scritta == f) return;
    }
  }
  std::string letture;
  for (size_t i = 0; i < riconosciuti.size(); ++i) {
    if (i > 0) letture += rendi(frase(i + 1 == riconosciuti.size() ? dal_catalogo("lettura.e_come") : dal_catalogo("lettura.virgola")));
    // A reading of the caller's own may go on after the keyword it names.
    letture += "'" + std::string(i == 0 && !come_letta.empty() ? come_letta : riconosciuti[i]->parola);
    if (i > 0 || come_letta.empty() || come_letta.find('\'') == std::string_view::npos) letture += "'";
  }
  messaggio motivo = frase(riconosciuti.size() > 1 ? dal_catalogo("lettura.letta_come_piu") : dal_catalogo("lettura.letta_come"),
                           {{"parola", std::string(senza_spazi_ai_lati(s.riga))}, {"letture", letture}});
  std::string scritta_unita;
  for (char c : scritta) {
    if (c != ' ' && c != '\t') scritta_unita.push_back(c);
  }
  const luogo_testo dove = luogo_parola(s);
  std::optional<correzione> fix;
  if (riconosciuti.size() == 1) {
    // Written apart ("curva d4") it means its own form: that one is certain.
    for (std::string_view f : riconosciuti[0]->forme) {
      if (scritta_unita == f) fix = correzione{dove, std::string(f)};
    }
    if (!fix && come_letta.find('\'') == std::string_view::npos) {
      motivo = frase("lettura.scrivere_come", {{"prima", motivo}, {"forma", std::string(riconosciuti[0]->forme.front())}});
    }
  }
  registra_avviso(s.m, avviso::parola_in_altra_forma, dove, std::move(motivo));
  s.m.diagnostiche.back().correggi = std::move(fix);
}

namespace {

// "il record ha 15 valori sulla sua riga, 'stazione' ne vuole 17 (l'ultimo e' il nome)":
// the values counted where a record is short of them or has too many.
messaggio conta_valori(const stato_lettura& s, size_t sulla_riga) {
  if (s.record_corrente == nullptr) return {};
  const formato::record& r = *s.record_corrente;
  return frase(sulla_riga == 1 ? dal_catalogo("lettura.conta_valori_uno") : dal_catalogo("lettura.conta_valori"),
               {{"valori", sulla_riga},
                {"parola", std::string(r.parola)},
                {"vuole", r.campi.size()},
                {"ultimo", r.campi.back().letto == formato::lettura::testo
                               ? frase("lettura.ultimo_testo", {{"nome", std::string(r.campi.back().nome)}})
                               : messaggio()}});
}

// Values of the record being read that stand on its keyword's line.
size_t valori_sulla_riga(const stato_lettura& s) {
  size_t n = 0;
  for (size_t i = s.primo_valore; i < s.valori.size(); ++i) {
    n += luogo_valore(s, static_cast<int>(i)).riga == s.luogo_record.riga;
  }
  return n;
}

// The units an author may write after a number, each with the words that name it; a
// field's own unit is the first word of its group.
constexpr std::array<std::array<std::string_view, 4>, 9> UNITA = {{
    {"m", "metri", "metro", "mt"},
    {"km", "chilometri", "chilometro", ""},
    {"km/h", "kmh", "km/ora", ""},
    {"m/s", "", "", ""},
    {"s", "sec", "secondi", "secondo"},
    {"min", "minuti", "minuto", ""},
    {"h", "ore", "ora", ""},
    {"per", "permille", "\x89", ""},  // per mille (0x89 is Windows-1252's sign for it)
    {"%", "percento", "", ""},
}};

// The group of `parola`, a word written after a number, in small letters; none when it
// names no unit.
std::optional<size_t> gruppo_unita(std::string_view parola) {
  const std::string scritta = minuscolo_latin1(parola);
  for (size_t g = 0; g < UNITA.size(); ++g) {
    for (const std::string_view u : UNITA[g]) {
      if (!u.empty() && scritta == u) return g;
    }
  }
  return std::nullopt;
}

// A unit written after the record's last number that is not its field's ("lunghezza
// percorso, 58 km"): the number is read in the field's unit, and the value is not what
// was meant. Said at the value; true when said.
bool unita_diversa(stato_lettura& s, std::string_view parola) {
  const formato::record* r = s.record_corrente;
  const size_t n = s.valori.size();
  if (r == nullptr || n == 0 || n - s.primo_valore > r->campi.size()) return false;
  const formato::campo& c = r->campi[n - s.primo_valore - 1];
  if (c.unita.empty()) return false;
  const std::optional<size_t> scritta = gruppo_unita(parola);
  const std::optional<size_t> del_campo = gruppo_unita(c.unita.substr(0, c.unita.find(' ')));
  if (!scritta || !del_campo || scritta == del_campo) return false;
  const int64_t v = s.valori.back();
  // Kilometres for metres: the value in metres is certain.
  const messaggio scrivi = *scritta == 1 && *del_campo == 0
                               ? frase("lettura.unita.in_metri", {{"metri", std::to_string(v * 1000)}})
                               : messaggio();
  registra_avviso(s.m, avviso::valore_non_inteso, luogo_valore(s, static_cast<int>(n - 1)),
                  frase("lettura.unita_diversa", {{"valore", v}, {"scritta", std::string(parola)}, {"nome", std::string(c.nome)},
                                                  {"unita", std::string(c.unita)}, {"scrivi", scrivi}}));
  return true;
}

}  // namespace

void fine_record_altrove(stato_lettura& s, bool finisce_con_testo) {
  const size_t detti = s.m.diagnostiche.size();
  fine_record_detta(s, finisce_con_testo);
  if (s.m.diagnostiche.size() != detti && !s.migliaia_dette) con_separatore_migliaia(s, detti);
}

void fine_record_detta(stato_lettura& s, bool finisce_con_testo) {
  const lettore_testo& t = s.testo;
  if (t.riga_elemento() != s.luogo_record.riga) {
    const messaggio motivo =
        frase("lettura.valori_dalla_riga", {{"conteggio", conta_valori(s, valori_sulla_riga(s))},
                                            {"riga", t.riga_elemento()},
                                            {"nota", s.parola_con_virgola ? messaggio() : frase("lettura.senza_virgole")}});
    registra_avviso(s.m, avviso::valori_fuori_riga, luogo_parola(s), std::move(motivo));
  } else if (t.chiusura() == chiusura_elemento::virgola && t.elementi_restanti_nella_riga() == 0) {
    // A comma after the last value with nothing after it: the empty item it leaves is passed
    // over, and nothing is lost.
  } else if (t.chiusura() == chiusura_elemento::virgola) {
    // A text value that is a plain number: the record has a value too many, which shifted
    // every one after it.
    const bool numero = finisce_con_testo && !s.testo_valore.empty() &&
                        s.testo_valore.find_first_not_of("-0123456789 ") == std::string::npos;
    // A text cut by a comma is shown at the comma; values left over, at the first of them.
    luogo_testo dove = t.luogo_dopo_spazi();
    if (finisce_con_testo && !numero) {
      dove = t.luogo_corrente();
      --dove.colonna;
    }
    dove.file = s.luogo_record.file;
    const messaggio motivo =
        numero ? frase("lettura.valori_in_piu_testo",
                       {{"conteggio", conta_valori(s, valori_sulla_riga(s) + t.elementi_restanti_nella_riga())},
                        {"testo", std::string(s.testo_valore)}})
        : finisce_con_testo ? frase("lettura.virgola_nel_testo", {{"colonna", dove.colonna}})
                            : frase("lettura.valori_in_piu", {{"colonna", dove.colonna}});
    registra_avviso(s.m, avviso::valori_fuori_riga, dove, motivo);
  } else if (t.chiusura() == chiusura_elemento::altro) {
    // The last number ended at a blank and the line goes on: what follows is read as the
    // next record's keyword and passed over. A word is a note ("80 km/h"); a number there
    // is a value the record does not take, and the author would lose it without a word.
    const std::string_view resto = t.resto_della_riga();
    const std::string_view primo = resto.substr(0, resto.find_first_of(", \t"));
    if (unita_diversa(s, primo)) return;
    if (std::none_of(primo.begin(), primo.end(), [](char c) { return c >= '0' && c <= '9'; })) return;
    luogo_testo dove = t.luogo_dopo_spazi();
    dove.file = s.luogo_record.file;
    registra_avviso(s.m, avviso::valori_fuori_riga, dove,
                    frase("lettura.numero_dopo_ultimo",
                          {{"numero", std::string(primo)},
                           {"vuole", s.record_corrente == nullptr
                                         ? messaggio()
                                         : frase("lettura.ne_vuole", {{"parola", std::string(s.record_corrente->parola)},
                                                                      {"valori", s.record_corrente->campi.size()}})}}));
  }
}

void fuori_ordine(stato_lettura& s, int32_t ultima, int32_t posizione, const char* cosa) {
  avviso_record(s, avviso::fuori_ordine, posizione, frase("lettura.fuori_ordine", {{"cosa", frase(cosa)}, {"ultima", ultima}}), 0);
}

void annota_cella_uno_scritta(stato_lettura& s) {
  s.cella_uno_annotata = true;
  if (!s.m.oggetti.contiene(1)) annota_oggetto(s, 1, dal_catalogo("oggetto.da_oggetto"), 0);
}

esito_record oltre_percorso(stato_lettura& s, int32_t posizione) {
  if (s.primo_oltre) {
    ++s.altri_oltre;
    return esito_record::scarta;
  }
  s.primo_oltre = s.m.diagnostiche.size();
  return errore_record(s, codice::oltre_percorso, posizione,
                       frase("lettura.oltre_percorso", {{"fine_linea", s.m.tabella[voce_tabella::dati_treno].fine},
                                                        {"fine_percorso", int64_t{s.m.ultima_cella()} * 50}}),
                       0);
}

// ---- Reading failures -------------------------------------------------------------------

namespace {

// A keyword item that holds its values separated otherwise than by commas: "pendenza	15000
// -10", "stazione; 100; ...". The separator found, or nothing.
std::optional<messaggio> separatore_errato(std::string_view item, formato::testo t) {
  const size_t inizio = item.find_first_not_of(" \t");
  if (inizio == std::string_view::npos) return std::nullopt;
  // The keyword: letters, underscores and the blanks inside multi-word keywords.
  size_t i = inizio;
  while (i < item.size() && item[i] != '\t' && item[i] != ';' && item[i] != ':' &&
         !(item[i] >= '0' && item[i] <= '9') && item[i] != '-') {
    ++i;
  }
  const std::string_view parola = senza_spazi_ai_lati(item.substr(inizio, i - inizio));
  bool nota = false;
  for (const formato::record& r : formato::records(t)) nota = nota || formato::riconosce(r, parola);
  if (!nota || i >= item.size()) return std::nullopt;
  size_t j = i;
  while (j < item.size() && (item[j] == ' ' || item[j] == '\t' || item[j] == ';' || item[j] == ':')) ++j;
  const std::string_view tra = item.substr(i, j - i);
  const auto cifra = [&](size_t k) { return k < item.size() && item[k] >= '0' && item[k] <= '9'; };
  if (!cifra(j) && !(item[j] == '-' && cifra(j + 1))) return std::nullopt;
  // A digit right after a letter is the keyword's own, as a curve's class ("curvas4"): no
  // separator stands there.
  if (tra.empty() && (i == inizio || item[i - 1] != ' ')) return std::nullopt;
  if (tra.find('\t') != std::string_view::npos) return frase("lettura.separatore.tabulazioni");
  if (tra.find(';') != std::string_view::npos) return messaggio("';'");
  if (tra.find(':') != std::string_view::npos) return messaggio("':'");
  return frase("lettura.separatore.spazi");
}

}  // namespace

namespace {

// A failure in a record whose keyword item is no spelling of it, as a note that holds a
// keyword and a comma ("Attenzione: pendenza massima, 18 per mille"): what the reading
// took the line for is said with the failure.
void letta_come_record(const stato_lettura& s) {
  if (!s.in_record || s.record_corrente == nullptr || s.m.diagnostiche.empty()) return;
  const std::string_view item = senza_spazi_ai_lati(s.riga);
  const std::string scritta = minuscolo_latin1(item);
  for (const std::string_view f : s.record_corrente->forme) {
    if (scritta == f) return;
  }
  diagnostica& d = s.m.diagnostiche.back();
  d.frase = frase("lettura.letta_come_record", {{"guasto", motivo_di(d)},
                                                {"parola", std::string(item)},
                                                {"record", std::string(s.record_corrente->parola)}});
  d.motivo.clear();
}

}  // namespace

static void segnala_guasto_record(stato_lettura& s, const guasto_lettura& guasto) {
  // A record whose values ran on into the next line is short of values: the failure is
  // its own, and is reported at it.
  if (s.in_record && guasto.luogo().file == s.luogo_record.file && guasto.luogo().riga > s.luogo_record.riga) {
    messaggio motivo = frase("lettura.valori_mancanti", {{"conteggio", conta_valori(s, valori_sulla_riga(s))},
                                                        {"riga", guasto.luogo().riga},
                                                        {"colonna", guasto.luogo().colonna},
                                                        {"guasto", guasto.motivo()},
                                                        {"nota", s.parola_con_virgola ? messaggio() : frase("lettura.senza_virgole")}});
    if (const auto sep = separatore_errato(s.riga, testo_di(s))) {
      messaggio esempio;
      for (const formato::record& r : formato::records(testo_di(s))) {
        if (formato::riconosce(r, s.riga)) {
          esempio = frase("lettura.come_in", {{"modello", formato::modello_record(r)}});
          break;
        }
      }
      motivo = frase("lettura.separati_da", {{"separatore", *sep}, {"esempio", esempio}});
    }
    registra_errore(s.m, codice::lettura_fallita, std::nullopt, luogo_parola(s), std::move(motivo));
  } else if (s.in_record && s.record_corrente != nullptr && guasto.luogo().riga == s.luogo_record.riga &&
             s.valori.size() - s.primo_valore + 1 < s.record_corrente->campi.size() &&
             s.record_corrente->campi.back().letto == formato::lettura::testo &&
             guasto.numero_non_valido()) {
    // A word where a number is due, before the record's text: a value is missing before it,
    // and the text it would be is read as a number.
    const size_t indice = s.valori.size() - s.primo_valore;
    const formato::record& r = *s.record_corrente;
    registra_errore(s.m, codice::lettura_fallita, std::nullopt, guasto.luogo(),
                    frase("lettura.letto_come_valore", {{"guasto", guasto.motivo()},
                                                        {"nome", std::string(r.campi[indice].nome)},
                                                        {"indice", indice + 1},
                                                        {"valori", r.campi.size()},
                                                        {"ultimo", std::string(r.campi.back().nome)}}));
  } else {
    registra_errore(s.m, codice::lettura_fallita, std::nullopt, guasto.luogo(), guasto.motivo());
  }
}
void segnala_guasto(stato_lettura& s, const guasto_lettura& guasto) {
  segnala_guasto_record(s, guasto);
  letta_come_record(s);
}

void con_separatore_migliaia(stato_lettura& s, size_t detti) {
  const std::string* testo = s.m.letti.testi[s.in_treno ? 1 : 0];
  if (testo == nullptr || s.dopo_parola > testo->size()) return;
  std::string_view riga = std::string_view(*testo).substr(s.dopo_parola);
  riga = riga.substr(0, riga.find_first_of("\r\n"));
  const auto cifra = [&](size_t k) { return k < riga.size() && riga[k] >= '0' && riga[k] <= '9'; };
  // One to three digits, a comma with no blank after it, then three digits alone: "10,400".
  for (size_t v = riga.find(','); v != std::string_view::npos; v = riga.find(',', v + 1)) {
    size_t a = v;
    while (a > 0 && cifra(a - 1)) --a;
    const bool prima_sola = a == 0 || riga[a - 1] == ' ' || riga[a - 1] == '\t' || riga[a - 1] == ',';
    const bool tre = cifra(v + 1) && cifra(v + 2) && cifra(v + 3) && !cifra(v + 4) &&
                     (v + 4 == riga.size() || riga.find_first_of(" \t,", v + 4) == v + 4);
    if (v - a < 1 || v - a > 3 || !prima_sola || !tre) continue;
    diagnostica& d = s.m.diagnostiche[detti];
    d.frase = frase("lettura.migliaia", {{"prima", motivo_di(d)},
                                         {"scritto", std::string(riga.substr(a, v + 4 - a))},
                                         {"primo", std::string(riga.substr(a, v - a))},
                                         {"secondo", std::string(riga.substr(v + 1, 3))},
                                         {"numero", std::string(riga.substr(a, v - a)) + std::string(riga.substr(v + 1, 3))}});
    d.motivo.clear();
    s.migliaia_dette = true;
    return;
  }
}

bool conta_errori(stato_lettura& s) {
  for (; s.errori_contati < s.m.diagnostiche.size(); ++s.errori_contati) {
    if (s.m.diagnostiche[s.errori_contati].livello == gravita::errore) ++s.errori;
  }
  if (s.max_errori > 0 && s.errori >= s.max_errori) s.fermata = true;
  return s.fermata;
}

namespace {

bool con_meno(std::string_view parola) {
  if (parola.size() >= 4 && parola.size() <= 16) {
    // The two words of a keyword's bytes hold every one of them.
    const parole_forma w = parole_di_forma(parola.data(), parola.size());
    return ha_byte(w.testa, '-') || ha_byte(w.coda, '-');
  }
  return std::memchr(parola.data(), '-', parola.size()) != nullptr;
}

}  // namespace

// A record's keyword with a minus sign after it, "rallentamento - cantiere, 16000, ...": the
// item is passed over (a line of dashes parts a text), and the line's record with it. Said
// at the item, and the rest of its line, read as items of their own, is not told again. A
// note that begins with the minus sign is the way to write one, and says nothing.
void parola_con_meno(stato_lettura& s, formato::testo t) {
  const std::string_view prima = senza_spazi_ai_lati(std::string_view(s.riga).substr(0, s.riga.find('-')));
  if (prima.empty() || !s.parola_con_virgola || !s.testo.segue_numero(s.dopo_parola)) return;
  for (const formato::record& r : formato::records(t)) {
    if (!formato::riconosce(r, prima)) continue;
    registra_avviso(s.m, avviso::parola_sconosciuta, luogo_parola(s),
                    frase("lettura.parola_con_meno", {{"parola", std::string(senza_spazi_ai_lati(s.riga))},
                                                      {"record", std::string(r.parola)}}));
    s.riga_detta = s.luogo_record.riga;
    return;
  }
}

bool leggi_parola_chiave(stato_lettura& s) {
  if (s.testo.fine_file()) return false;
  s.riga = s.testo.leggi_testo();
  if (s.testo.fine_file()) return false;
  for (int volte = 0; volte < 2 && con_meno(s.riga); ++volte) {
    // A record written with other separators and a minus sign among its values is passed
    // over whole: say so, since its author meant it as a record.
    if (s.testo.elemento_a_inizio_riga()) {
      annota_parola_chiave(s);
      const formato::testo t = testo_di(s);
      if (const auto sep = separatore_errato(s.riga, t)) {
        registra_avviso(s.m, avviso::separatori, luogo_parola(s),
                        frase("lettura.separatori_con_meno", {{"separatore", *sep}}));
      } else {
        parola_con_meno(s, t);
      }
    }
    s.riga = s.testo.leggi_testo();
    if (s.testo.fine_file()) return false;
  }
  annota_parola_chiave(s);
  return true;
}

namespace {

void dopo_fase(stato_lettura& s) {
  if (s.primo_oltre && s.altri_oltre > 0) {
    diagnostica& d = s.m.diagnostiche[*s.primo_oltre];
    d.frase = frase("lettura.anche_oltre", {{"prima", motivo_di(d)}, {"altri", s.altri_oltre}});
  }
  s.primo_oltre.reset();
  s.altri_oltre = 0;
}

}  // namespace

testi_eliminati memorizza_dati(modello& m, const testo_ingresso& linea, const testo_ingresso& treno,
                               int32_t max_errori, const std::function<void()>& dopo_linea) {
  stato_lettura s(m, linea, treno, max_errori);
  m.letti = testi_letti{};
  // Every value and record of the texts is kept: room for the few of each that a short
  // record line holds (a gradient of two numbers is written in twelve bytes), so that the
  // table never moves while it grows. Room not taken is never touched.
  if (linea.byte && treno.byte) {
    const size_t byte = linea.byte->size() + treno.byte->size();
    m.letti.records.reserve(byte / 12);
    m.letti.valori.reserve(byte / 6);
  }
  m.letti.etichette = {linea.etichetta, treno.etichetta};
  bool prosegui = true;
  try {
    prosegui = fase_linea(s) == esito_fase::prosegui;
  } catch (const guasto_lettura& guasto) {
    // Outside any record: the text itself could not be read.
    registra_errore(m, codice::lettura_fallita, std::nullopt, guasto.luogo(), guasto.motivo());
    prosegui = false;
  }
  dopo_fase(s);
  s.testo.chiudi();
  s.eliminati.linea = linea.esiste;
  // A line text in a form that cannot be read at all says nothing of the run text: when
  // that one cannot be read either, it is said too (it is not read).
  const auto illeggibile = [](const testo_ingresso& t) {
    if (!t.byte) return false;
    const codifica c = esamina_codifica(*t.byte).tipo;
    return c == codifica::utf16 || c == codifica::con_nul;
  };
  if (!prosegui && illeggibile(linea) && illeggibile(treno)) {
    testo_latin1(s, treno, 1);
  }
  if (prosegui && !troppi_errori(s)) {
    if (dopo_linea) dopo_linea();
    s.eliminati.treno = true;
    try {
      fase_treno(s);
    } catch (const guasto_lettura& guasto) {
      registra_errore(m, codice::lettura_fallita, std::nullopt, guasto.luogo(), guasto.motivo());
    }
    dopo_fase(s);
  }
  s.testo.chiudi();
  m.riga = std::string(s.riga);
  if (s.fermata) {
    m.diagnostiche.push_back(diagnostica{0, gravita::nota, std::nullopt, std::nullopt, {}, {}, std::nullopt,
                                         frase("lettura.troppi_errori", {{"errori", s.errori}})});
  }
  return s.eliminati;
}

}  // namespace scenario
