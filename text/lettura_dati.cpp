#include "text/lettura_dati.h"

#include <algorithm>
#include <array>

#include "text/codifica.h"
#include "text/fasi.h"
#include "track/codici_gara.h"
#include "track/rapporto_errori.h"

namespace scenario {

// ---- Values and their places ------------------------------------------------------------

namespace {

void ricorda_valore(stato_lettura& s, int64_t numero) {
  const luogo_testo& l = s.testo.luogo_elemento();
  s.valori.push_back({numero, l.riga, l.colonna, l.fine, l.fine == l.colonna});
}

}  // namespace

int32_t leggi32(stato_lettura& s) {
  const int32_t v = s.testo.leggi_numero32();
  ricorda_valore(s, v);
  return v;
}

int16_t leggi16(stato_lettura& s) {
  const int16_t v = s.testo.leggi_numero16();
  ricorda_valore(s, v);
  return v;
}

uint8_t leggi8(stato_lettura& s) {
  const uint8_t v = s.testo.leggi_numero8();
  ricorda_valore(s, v);
  return v;
}

std::string leggi_testo_valore(stato_lettura& s, const char* cosa) {
  std::string v = s.testo.leggi_testo_memorizzato(cosa);
  ricorda_valore(s, 0);
  s.testo_valore = v;
  return v;
}

luogo_testo luogo_valore(const stato_lettura& s, int indice) {
  if (indice < 0 || static_cast<size_t>(indice) >= s.valori.size()) return s.luogo_record;
  const valore_letto& v = s.valori[static_cast<size_t>(indice)];
  return luogo_testo{s.luogo_record.file, v.riga, v.colonna, v.fine};
}

void ricorda_record(stato_lettura& s, const formato::record& r, size_t primo) {
  testi_letti& l = s.m.letti;
  record_letto letto;
  letto.descrizione = &r;
  letto.testo = s.in_treno ? 1 : 0;
  letto.riga = s.luogo_record.riga;
  letto.colonna = s.luogo_record.colonna;
  letto.fine = s.luogo_record.fine;
  letto.primo_valore = static_cast<uint32_t>(l.valori.size());
  const size_t n = std::min(s.valori.size() - std::min(primo, s.valori.size()), r.campi.size());
  letto.numero_valori = static_cast<uint8_t>(n);
  l.valori.insert(l.valori.end(), s.valori.begin() + static_cast<std::ptrdiff_t>(primo),
                  s.valori.begin() + static_cast<std::ptrdiff_t>(primo + n));
  // An empty number is read as 0: an author who means 0 writes it, unless the value's
  // emptiness has a meaning of its own. One on a later line is the record running short,
  // said where the record is checked for its line's end.
  for (size_t k = 0; k < n; ++k) {
    const valore_letto& v = s.valori[primo + k];
    if (!v.vuoto || r.campi[k].vuoto_ammesso || r.campi[k].letto == formato::lettura::testo ||
        v.riga != s.luogo_record.riga) {
      continue;
    }
    registra_avviso(s.m, avviso::valore_vuoto, luogo_testo{s.luogo_record.file, v.riga, v.colonna, v.colonna + 1},
                    std::string(r.campi[k].nome) + " e' vuoto ed e' letto come 0: scrivere il valore (0 se e' voluto)");
  }
  letto.dalla_parola = s.dalla_parola;
  letto.voce = s.voce_record;
  if (!r.campi.empty() && r.campi.back().letto == formato::lettura::testo) {
    letto.primo_carattere = static_cast<uint32_t>(l.testi.size());
    letto.caratteri = static_cast<uint32_t>(s.testo_valore.size());
    l.testi += s.testo_valore;
  }
  l.records.push_back(letto);
}

luogo_testo luogo_valori(const stato_lettura& s, int da, int a) {
  luogo_testo l = luogo_valore(s, da);
  const luogo_testo ultimo = luogo_valore(s, a);
  if (ultimo.riga == l.riga && ultimo.fine > l.colonna) l.fine = ultimo.fine;
  return l;
}

// ---- Diagnostics at the record ----------------------------------------------------------

esito_record errore_record(stato_lettura& s, int32_t codice, std::optional<int32_t> posizione,
                           std::string motivo, int indice) {
  registra_errore(s.m, codice, posizione, luogo_valore(s, indice), std::move(motivo));
  return esito_record::scarta;
}

void avviso_record(stato_lettura& s, int32_t codice, std::optional<int32_t> posizione,
                   std::string motivo, int indice) {
  if (posizione) {
    registra_avviso(s.m, codice, *posizione, luogo_valore(s, indice), std::move(motivo));
  } else {
    registra_avviso(s.m, codice, luogo_valore(s, indice), std::move(motivo));
  }
}

void annota_oggetto(stato_lettura& s, int64_t cella, std::string cosa, int32_t posizione) {
  s.m.oggetti[cella] = oggetto_posto{s.luogo_record, std::move(cosa), posizione};
}

esito_record errore_cella_occupata(stato_lettura& s, int32_t codice, int32_t posizione, int64_t cella) {
  errore_record(s, codice, posizione, {}, 0);
  const auto trovato = s.m.oggetti.find(cella);
  if (trovato != s.m.oggetti.end()) {
    const oggetto_posto& o = trovato->second;
    s.m.diagnostiche.back().note.push_back(
        {o.luogo, "la cella " + std::to_string(cella) + " (da " + std::to_string((cella - 1) * 50) + " a " +
                      std::to_string(cella * 50) + " m) e' occupata " + con_preposizione("da", o.cosa) + " a " +
                      std::to_string(o.posizione) + " m, scritto qui"});
  }
  return esito_record::scarta;
}

esito_record controlla_campo(stato_lettura& s, const formato::record& r, std::string_view nome,
                             int64_t valore, int indice, std::optional<int32_t> posizione) {
  // The value's own field, by its place in the record, when the names agree.
  const bool al_suo_posto = indice >= 0 && static_cast<size_t>(indice) < r.campi.size() &&
                            r.campi[static_cast<size_t>(indice)].nome == nome;
  const formato::campo* c = al_suo_posto ? &r.campi[static_cast<size_t>(indice)] : formato::cerca_campo(r, nome);
  if (c == nullptr || formato::entro_limiti(*c, valore)) return esito_record::prosegui;
  const int32_t numero = valore > c->massimo ? c->numero_sopra : c->numero_sotto;
  if (numero == 0) return esito_record::prosegui;
  std::string motivo = std::string(c->nome) + " = " + std::to_string(valore);
  if (!c->unita.empty()) motivo += " " + std::string(c->unita);
  const auto voce = cerca_errore(numero);
  if (voce && voce->livello == gravita::errore) return errore_record(s, numero, posizione, motivo, indice);
  avviso_record(s, numero, posizione, std::move(motivo), indice);
  return esito_record::prosegui;
}

// ---- Encodings ------------------------------------------------------------------------

std::optional<std::string_view> testo_latin1(stato_lettura& s, const testo_ingresso& t,
                                             std::string& convertito) {
  const std::string& byte = *t.byte;
  esame_codifica esame = esamina_codifica(byte);
  const luogo_testo prima_riga{t.etichetta, 1, 1};
  switch (esame.tipo) {
    case codifica::latin1: return std::string_view(byte);
    case codifica::utf16:
      registra_errore(s.m, codice::codifica_testo, std::nullopt, prima_riga,
                      "il testo e' in UTF-16 (\"Unicode\" per il Blocco note di Windows): salvarlo in UTF-8");
      return std::nullopt;
    case codifica::con_nul:
      registra_errore(s.m, codice::codifica_testo, std::nullopt, luogo_testo{t.etichetta, esame.riga, 1},
                      "il testo contiene byte NUL (0x00), che nessun testo contiene: e' forse un file di altro "
                      "genere?");
      return std::nullopt;
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
                    "'" + c.originale + "' (" + codice + ") e' memorizzato come '" +
                        std::string(1, c.al_suo_posto) + "'");
  }
  convertito = std::move(esame.convertito);
  return std::string_view(convertito);
}

// ---- Keywords ---------------------------------------------------------------------------

namespace {

// Which text is being read: its records and sections.
formato::testo testo_di(const stato_lettura& s) {
  return s.in_treno ? formato::testo::treno : formato::testo::linea;
}

std::string_view senza_spazi_ai_lati(std::string_view t) {
  size_t a = 0;
  size_t b = t.size();
  while (a < b && (t[a] == ' ' || t[a] == '\t')) ++a;
  while (b > a && (t[b - 1] == ' ' || t[b - 1] == '\t')) --b;
  return t.substr(a, b - a);
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
  const std::string_view r = s.m.riga;
  const size_t a = r.find_first_not_of(" \t");
  if (a == std::string_view::npos) return l;
  l.colonna += static_cast<int32_t>(a);
  l.fine = l.colonna + static_cast<int32_t>(senza_spazi_ai_lati(r).size());
  return l;
}

// A warning about an unknown word or header, naming the nearest known one, which the fix
// puts in its place.
void avviso_parola(stato_lettura& s, int32_t numero, std::string_view parola,
                   std::span<const std::string_view> note) {
  std::string motivo = "'" + std::string(parola) + "'";
  const luogo_testo dove = luogo_parola(s);
  std::optional<correzione> fix;
  if (const auto vicina = parola_vicina(parola, note)) {
    motivo += ": forse '" + std::string(*vicina) + "'?";
    fix = correzione{dove, std::string(*vicina)};
  } else {
    // Only the case differs, where case counts.
    const std::string cercata = minuscolo_latin1(parola);
    for (std::string_view p : note) {
      if (cercata == p) {
        motivo += ": forse '" + std::string(p) + "'? (qui le maiuscole contano)";
        fix = correzione{dove, std::string(p)};
        break;
      }
    }
  }
  registra_avviso(s.m, numero, dove, std::move(motivo));
  s.m.diagnostiche.back().correggi = std::move(fix);
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

bool riconosciuto(const stato_lettura& s, const formato::record& r) {
  if (s.forma != nullptr) return s.forma == &r;
  const std::string_view riga = r.esatto ? std::string_view(s.m.riga) : std::string_view(s.riga_minuscola);
  for (std::string_view parola : r.parole) {
    if (!parola.empty() && riga.find(parola) == std::string_view::npos) return false;
  }
  return true;
}

void annota_parola_chiave(stato_lettura& s) {
  s.riga_minuscola.assign(s.m.riga);
  bool maiuscole = false;
  for (char& c : s.riga_minuscola) {
    const char m = minuscola_latin1(c);
    maiuscole = maiuscole || m != c;
    c = m;
  }
  // An item written as one of the description's spellings names that record alone, which
  // the reading then knows without testing every record.
  s.forma = formato::record_della_forma(testo_di(s), senza_spazi_ai_lati(s.riga_minuscola));
  if (s.forma != nullptr && s.forma->esatto && maiuscole) s.forma = nullptr;
  // The text's label is copied only when the text changes: the rest is three numbers.
  const luogo_testo& l = s.testo.luogo_elemento();
  if (s.luogo_record.file != l.file) s.luogo_record.file = l.file;
  s.luogo_record.riga = l.riga;
  s.luogo_record.colonna = l.colonna;
  s.luogo_record.fine = l.fine;
  s.byte_record = s.testo.inizio_elemento();
  s.valori.clear();
  s.parola_a_inizio_riga = s.testo.elemento_a_inizio_riga();
  s.parola_con_virgola = s.testo.chiusura() == chiusura_elemento::virgola;
  s.parola_con_numero = s.parola_con_virgola && s.testo.segue_numero();
}

void controlla_parola(stato_lettura& s, bool riconosciuta, formato::testo t, formato::ambito dove) {
  // Items that do not begin a line are values of a record already warned about.
  if (riconosciuta || !s.parola_a_inizio_riga) return;
  const std::string_view parola = senza_spazi_ai_lati(s.m.riga);
  const parole_note& note = parole_di(t, dove);
  if (parola.size() >= 2 && parola.front() == '[' && parola.back() == ']') {
    if (std::find(note.sezioni.begin(), note.sezioni.end(), minuscolo_latin1(parola)) != note.sezioni.end()) return;
    avviso_parola(s, avviso::sezione_sconosciuta, parola, note.sezioni);
    return;
  }
  if (!s.parola_con_numero) return;
  // A record of another place: of the general section, or of the other text.
  const std::string scritta = minuscolo_latin1(parola);
  const formato::testo altro = t == formato::testo::linea ? formato::testo::treno : formato::testo::linea;
  if (const formato::record* r = formato::record_della_forma(t, scritta); r != nullptr && r->dove != dove) {
    registra_avviso(s.m, avviso::parola_sconosciuta, luogo_parola(s),
                    "'" + std::string(parola) + "' e' un record della sezione " + std::string(r->sezione) +
                        ", che finisce alla prima intestazione: qui non e' letto");
    return;
  }
  if (formato::record_della_forma(altro, scritta) != nullptr) {
    ++s.parole_dell_altro_testo;
    registra_avviso(s.m, avviso::parola_sconosciuta, luogo_parola(s),
                    "'" + std::string(parola) + "' e' un record del testo " +
                        (altro == formato::testo::treno ? "della corsa" : "della linea") +
                        ": qui non e' letto (i due testi sono forse dati in ordine scambiato? prima la linea, poi la "
                        "corsa)");
    return;
  }
  avviso_parola(s, avviso::parola_sconosciuta, parola, note.parole);
}

void controlla_forma(stato_lettura& s, std::span<const formato::record* const> riconosciuti,
                     std::string_view come_letta) {
  const std::string scritta = minuscolo_latin1(senza_spazi_ai_lati(s.m.riga));
  if (riconosciuti.size() == 1) {
    for (std::string_view f : riconosciuti[0]->forme) {
      if (scritta == f) return;
    }
  }
  std::string motivo = "'" + std::string(senza_spazi_ai_lati(s.m.riga)) + "' e' letta come ";
  for (size_t i = 0; i < riconosciuti.size(); ++i) {
    if (i > 0) motivo += i + 1 == riconosciuti.size() ? " e come " : ", ";
    // A reading of the caller's own may go on after the keyword it names.
    motivo += "'" + std::string(i == 0 && !come_letta.empty() ? come_letta : riconosciuti[i]->parola);
    if (i > 0 || come_letta.empty() || come_letta.find('\'') == std::string_view::npos) motivo += "'";
  }
  if (riconosciuti.size() > 1) motivo += ": ogni record legge i propri valori";
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
      motivo += "; scrivere la parola chiave come '" + std::string(riconosciuti[0]->forme.front()) + "'";
    }
  }
  registra_avviso(s.m, avviso::parola_in_altra_forma, dove, std::move(motivo));
  s.m.diagnostiche.back().correggi = std::move(fix);
}

namespace {

// "il record ha 15 valori sulla sua riga, 'stazione' ne vuole 17 (l'ultimo e' il nome)":
// the values counted where a record is short of them or has too many.
std::string conta_valori(const stato_lettura& s, size_t sulla_riga) {
  if (s.record_corrente == nullptr) return {};
  const formato::record& r = *s.record_corrente;
  std::string t = "il record ha " + std::to_string(sulla_riga) + (sulla_riga == 1 ? " valore" : " valori") +
                  " sulla sua riga, '" + std::string(r.parola) + "' ne vuole " + std::to_string(r.campi.size());
  if (r.campi.back().letto == formato::lettura::testo) {
    t += " (l'ultimo, " + std::string(r.campi.back().nome) + ", e' un testo)";
  }
  return t;
}

// Values of the record being read that stand on its keyword's line.
size_t valori_sulla_riga(const stato_lettura& s) {
  size_t n = 0;
  for (size_t i = s.primo_valore; i < s.valori.size(); ++i) n += s.valori[i].riga == s.luogo_record.riga;
  return n;
}

}  // namespace

void controlla_fine_record(stato_lettura& s, bool finisce_con_testo) {
  const lettore_testo& t = s.testo;
  if (t.luogo_elemento().riga != s.luogo_record.riga) {
    std::string motivo = "valori mancanti: " + conta_valori(s, valori_sulla_riga(s)) +
                         "; il record prende i suoi ultimi valori dalla riga " + std::to_string(t.luogo_elemento().riga);
    if (!s.parola_con_virgola) {
      motivo += "; la riga non ha virgole: e' forse una nota, letta come record perche' contiene una "
                "parola chiave (una nota non deve contenerne, oppure cominci con '-')";
    }
    registra_avviso(s.m, avviso::valori_fuori_riga, luogo_parola(s), std::move(motivo));
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
    const std::string motivo =
        numero ? "valori in piu': " + conta_valori(s, valori_sulla_riga(s) + t.elementi_restanti_nella_riga()) +
                     ", cosi' il testo e' '" + s.testo_valore + "' e ogni valore prima e' spostato di uno"
        : finisce_con_testo
            ? "la virgola alla colonna " + std::to_string(dove.colonna) +
                  " taglia il testo: il resto della riga e' letto come record seguenti (un nome o "
                  "un testo non puo' contenere virgole)"
            : "valori in piu' dalla colonna " + std::to_string(dove.colonna) +
                  ": sono letti come record seguenti (una virgola decimale?)";
    registra_avviso(s.m, avviso::valori_fuori_riga, dove, motivo);
  }
}

void controlla_ordine(stato_lettura& s, std::optional<int32_t>& ultima, int32_t posizione,
                      const char* cosa) {
  if (ultima && posizione < *ultima) {
    avviso_record(s, avviso::fuori_ordine, posizione,
                  std::string(cosa) + " dopo quella a " + std::to_string(*ultima) + " m", 0);
  }
  ultima = posizione;
}

void annota_cella_uno(stato_lettura& s) {
  if (s.cella_uno_annotata || s.m.percorso.size() < 2) return;
  const cella& prima = s.m.percorso[1];
  if (prima.dato1 == 0 && prima.dato2 == 0) return;
  s.cella_uno_annotata = true;
  if (s.m.oggetti.count(1) == 0) s.m.oggetti[1] = oggetto_posto{s.luogo_record, "un oggetto", 0};
}

bool entro_percorso(const modello& m, int32_t posizione, int32_t margine) {
  return (static_cast<double>(posizione) + margine) / 50 <= m.ultima_cella();
}

esito_record oltre_percorso(stato_lettura& s, int32_t posizione) {
  if (s.primo_oltre) {
    ++s.altri_oltre;
    return esito_record::scarta;
  }
  s.primo_oltre = s.m.diagnostiche.size();
  return errore_record(s, codice::oltre_percorso, posizione,
                       "la linea finisce a " + std::to_string(s.m.tabella[voce_tabella::dati_treno].fine) +
                           " m e il percorso prosegue fino a " + std::to_string(int64_t{s.m.ultima_cella()} * 50) +
                           " m per gli oggetti dopo la fine",
                       0);
}

// ---- Reading failures -------------------------------------------------------------------

namespace {

// A keyword item that holds its values separated otherwise than by commas: "pendenza	15000
// -10", "stazione; 100; ...". The separator found, or nothing.
std::optional<std::string> separatore_errato(std::string_view item, formato::testo t) {
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
  if (j >= item.size() || !((item[j] >= '0' && item[j] <= '9') || item[j] == '-')) return std::nullopt;
  if (tra.find('\t') != std::string_view::npos) return std::string("tabulazioni");
  if (tra.find(';') != std::string_view::npos) return std::string("';'");
  if (tra.find(':') != std::string_view::npos) return std::string("':'");
  return std::string("spazi");
}

}  // namespace

void segnala_guasto(stato_lettura& s, const guasto_lettura& guasto) {
  // A record whose values ran on into the next line is short of values: the failure is
  // its own, and is reported at it.
  if (s.in_record && guasto.luogo().file == s.luogo_record.file && guasto.luogo().riga > s.luogo_record.riga) {
    std::string motivo = "valori mancanti: " + conta_valori(s, valori_sulla_riga(s)) + "; alla riga " +
                         std::to_string(guasto.luogo().riga) + ", colonna " +
                         std::to_string(guasto.luogo().colonna) + ": " + guasto.what();
    if (const auto sep = separatore_errato(s.m.riga, testo_di(s))) {
      motivo = "valori separati da " + *sep + " e non da virgole: scrivere i valori separati da virgole";
      for (const formato::record& r : formato::records(testo_di(s))) {
        if (formato::riconosce(r, s.m.riga)) {
          motivo += ", come in '" + formato::modello_record(r) + "'";
          break;
        }
      }
    } else if (!s.parola_con_virgola) {
      motivo += "; la riga non ha virgole: e' forse una nota, letta come record perche' contiene una "
                "parola chiave (una nota non deve contenerne, oppure cominci con '-')";
    }
    registra_errore(s.m, codice::lettura_fallita, std::nullopt, luogo_parola(s), std::move(motivo));
  } else if (s.in_record && s.record_corrente != nullptr && guasto.luogo().riga == s.luogo_record.riga &&
             s.valori.size() - s.primo_valore + 1 < s.record_corrente->campi.size() &&
             s.record_corrente->campi.back().letto == formato::lettura::testo &&
             std::string_view(guasto.what()).starts_with("numero non valido")) {
    // A word where a number is due, before the record's text: a value is missing before it,
    // and the text it would be is read as a number.
    const size_t indice = s.valori.size() - s.primo_valore;
    const formato::record& r = *s.record_corrente;
    registra_errore(s.m, codice::lettura_fallita, std::nullopt, guasto.luogo(),
                    std::string(guasto.what()) + ": e' letto come " + std::string(r.campi[indice].nome) + " (valore " +
                        std::to_string(indice + 1) + " di " + std::to_string(r.campi.size()) +
                        "); se e' " + std::string(r.campi.back().nome) + ", al record manca un valore prima");
  } else {
    registra_errore(s.m, codice::lettura_fallita, std::nullopt, guasto.luogo(), guasto.what());
  }
}

bool troppi_errori(stato_lettura& s) {
  for (; s.errori_contati < s.m.diagnostiche.size(); ++s.errori_contati) {
    if (s.m.diagnostiche[s.errori_contati].livello == gravita::errore) ++s.errori;
  }
  if (s.max_errori > 0 && s.errori >= s.max_errori) s.fermata = true;
  return s.fermata;
}

bool leggi_parola_chiave(stato_lettura& s) {
  if (s.testo.fine_file()) return false;
  s.m.riga = s.testo.leggi_testo();
  if (s.testo.fine_file()) return false;
  for (int volte = 0; volte < 2 && s.m.riga.find('-') != std::string::npos; ++volte) {
    // A record written with other separators and a minus sign among its values is passed
    // over whole: say so, since its author meant it as a record.
    if (s.testo.elemento_a_inizio_riga()) {
      annota_parola_chiave(s);
      const formato::testo t = testo_di(s);
      if (const auto sep = separatore_errato(s.m.riga, t)) {
        registra_avviso(s.m, avviso::separatori, luogo_parola(s),
                        *sep + " tra i valori: la riga contiene un segno meno ed e' ignorata tutta; "
                               "separare i valori con virgole");
      }
    }
    s.m.riga = s.testo.leggi_testo();
    if (s.testo.fine_file()) return false;
  }
  annota_parola_chiave(s);
  return true;
}

namespace {

void dopo_fase(stato_lettura& s) {
  if (s.primo_oltre && s.altri_oltre > 0) {
    s.m.diagnostiche[*s.primo_oltre].motivo +=
        "; anche " + std::to_string(s.altri_oltre) + " record seguenti sono oltre la fine";
  }
  s.primo_oltre.reset();
  s.altri_oltre = 0;
}

}  // namespace

testi_eliminati memorizza_dati(modello& m, const testo_ingresso& linea, const testo_ingresso& treno,
                               int32_t max_errori) {
  stato_lettura s(m, linea, treno, max_errori);
  m.letti = testi_letti{};
  m.letti.etichette = {linea.etichetta, treno.etichetta};
  bool prosegui = true;
  try {
    prosegui = fase_linea(s) == esito_fase::prosegui;
  } catch (const guasto_lettura& guasto) {
    // Outside any record: the text itself could not be read.
    registra_errore(m, codice::lettura_fallita, std::nullopt, guasto.luogo(), guasto.what());
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
    std::string ignorato;
    testo_latin1(s, treno, ignorato);
  }
  if (prosegui && !troppi_errori(s)) {
    s.eliminati.treno = true;
    try {
      fase_treno(s);
    } catch (const guasto_lettura& guasto) {
      registra_errore(m, codice::lettura_fallita, std::nullopt, guasto.luogo(), guasto.what());
    }
    dopo_fase(s);
  }
  s.testo.chiudi();
  if (s.fermata) {
    m.diagnostiche.push_back(diagnostica{0, gravita::nota, std::nullopt, std::nullopt,
                                         "troppi errori: la lettura si ferma dopo " + std::to_string(s.errori) +
                                             " (--max-errori)",
                                         {}, std::nullopt});
  }
  return s.eliminati;
}

}  // namespace scenario
