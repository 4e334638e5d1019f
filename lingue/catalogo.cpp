#include "lingue/catalogo.h"

#include <algorithm>
#include <cctype>
#include <array>
#include <cstring>

#include "text/codifica.h"

namespace scenario {

// The compiled catalogue of a language by its name ("it"), made by the build from
// lingue/*.po; empty for a language without one.
std::string_view catalogo_compilato(std::string_view sigla);

namespace {

lingua attiva = LINGUA_PREDEFINITA;

// A catalogue as msgfmt compiles it (a .mo table): a header of 32-bit words, then the
// ids and the texts as (length, offset) pairs, the ids in byte order, so that gettext's
// own lookup, a binary search, serves here too.
class tabella_mo {
 public:
  tabella_mo() = default;
  explicit tabella_mo(std::string_view byte) : byte_(byte) {
    if (parola(0) == 0x950412de) {
      n_ = parola(8);
      originali_ = parola(12);
      traduzioni_ = parola(16);
    }
    // A table that does not fit its bytes counts as empty rather than being read past.
    const uint64_t fine = std::max<uint64_t>(originali_, traduzioni_) + 8ULL * n_;
    if (fine > byte_.size()) n_ = 0;
  }

  size_t dimensione() const { return n_; }
  std::string_view originale(uint32_t i) const { return stringa(originali_ + 8 * i); }
  std::string_view traduzione(uint32_t i) const { return stringa(traduzioni_ + 8 * i); }

  std::optional<std::string_view> cerca(std::string_view id) const {
    uint32_t da = 0, a = n_;
    while (da < a) {
      const uint32_t mezzo = da + (a - da) / 2;
      const std::string_view o = originale(mezzo);
      if (o == id) return traduzione(mezzo);
      if (o < id) {
        da = mezzo + 1;
      } else {
        a = mezzo;
      }
    }
    return std::nullopt;
  }

 private:
  uint32_t parola(uint64_t dove) const {
    if (dove + 4 > byte_.size()) return 0;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(byte_[dove + static_cast<uint64_t>(i)]);
    return v;
  }
  std::string_view stringa(uint64_t voce) const {
    const uint64_t lunghezza = parola(voce), inizio = parola(voce + 4);
    if (inizio + lunghezza > byte_.size()) return {};
    return byte_.substr(inizio, lunghezza);
  }

  std::string_view byte_;
  uint32_t n_ = 0, originali_ = 0, traduzioni_ = 0;
};

const tabella_mo& tabella(lingua l) {
  static const std::array<tabella_mo, std::size(LINGUE)> tabelle = [] {
    std::array<tabella_mo, std::size(LINGUE)> t{};
    for (const lingua x : LINGUE) t[static_cast<size_t>(x)] = tabella_mo(catalogo_compilato(sigla(x)));
    return t;
  }();
  return tabelle[static_cast<size_t>(l)];
}

bool minuscole_uguali(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
  });
}

}  // namespace

std::string_view sigla(lingua l) {
  constexpr std::string_view sigle[] = {"it", "en"};
  return sigle[static_cast<size_t>(l)];
}

std::optional<lingua> lingua_da_sigla(std::string_view s) {
  for (const lingua l : LINGUE) {
    if (sigla(l) == s) return l;
  }
  return std::nullopt;
}

messaggio sigla_sconosciuta(std::string_view opzione, std::string_view valore) {
  std::string sigle;
  for (const lingua l : LINGUE) sigle += (sigle.empty() ? "'" : ", '") + std::string(sigla(l)) + "'";
  return frase("uso.lingua", {{"opzione", std::string(opzione)}, {"valore", std::string(valore)}, {"lingue", sigle}});
}

std::optional<lingua> lingua_da_nome(std::string_view nome) {
  // The language is what precedes the territory, the code set and the modifier:
  // "en_US.UTF-8@euro", "en-GB"; Windows names it in full ("Italian_Italy.1252").
  const std::string_view lingua_scritta = nome.substr(0, nome.find_first_of("_-.@"));
  for (const lingua l : LINGUE) {
    if (minuscole_uguali(lingua_scritta, sigla(l))) return l;
  }
  if (minuscole_uguali(lingua_scritta, "italian")) return lingua::italiano;
  if (minuscole_uguali(lingua_scritta, "english")) return lingua::inglese;
  return std::nullopt;
}

lingua lingua_delle_variabili(const char* language, const char* lc_all, const char* lc_messages, const char* lang,
                              std::string_view locale_sistema) {
  std::string_view locale = locale_sistema;
  for (const char* v : {lc_all, lc_messages, lang}) {
    if (v != nullptr && *v != '\0') {
      locale = v;
      break;
    }
  }
  // The "C" locale keeps the programs' own texts, whatever LANGUAGE says.
  if (language != nullptr && *language != '\0' && locale != "C" && locale != "POSIX") {
    std::string_view elenco = language;
    while (!elenco.empty()) {
      const size_t fine = std::min(elenco.find(':'), elenco.size());
      if (const auto l = lingua_da_nome(elenco.substr(0, fine))) return *l;
      elenco.remove_prefix(std::min(fine + 1, elenco.size()));
    }
    return LINGUA_PREDEFINITA;
  }
  return lingua_da_nome(locale).value_or(LINGUA_PREDEFINITA);
}

lingua lingua_attiva() { return attiva; }
void imposta_lingua(lingua l) { attiva = l; }

bool nel_catalogo(std::string_view id, lingua l) {
  const auto t = tabella(l).cerca(id);
  return t && !t->empty();
}

std::string_view testo_catalogo(std::string_view id, lingua l) {
  for (const lingua provata : {l, LINGUA_PREDEFINITA}) {
    const auto t = tabella(provata).cerca(id);
    if (t && !t->empty()) return *t;
  }
  return id;
}

std::vector<std::string_view> voci_catalogo(lingua l) {
  std::vector<std::string_view> voci;
  const tabella_mo& t = tabella(l);
  for (uint32_t i = 0; i < t.dimensione(); ++i) {
    // The empty id holds the catalogue's header, not a text.
    if (!t.originale(i).empty()) voci.push_back(t.originale(i));
  }
  return voci;
}

namespace {

// The placeholder that opens at `i` ("{nome}": letters, digits and '_'), or npos.
size_t fine_segnaposto(std::string_view testo, size_t i) {
  size_t j = i + 1;
  while (j < testo.size() && (std::isalnum(static_cast<unsigned char>(testo[j])) || testo[j] == '_')) ++j;
  return j > i + 1 && j < testo.size() && testo[j] == '}' ? j : std::string_view::npos;
}

}  // namespace

std::vector<std::string> segnaposti(std::string_view testo) {
  std::vector<std::string> nomi;
  for (size_t i = testo.find('{'); i != std::string_view::npos; i = testo.find('{', i + 1)) {
    const size_t fine = fine_segnaposto(testo, i);
    if (fine == std::string_view::npos) continue;
    std::string nome(testo.substr(i + 1, fine - i - 1));
    if (std::find(nomi.begin(), nomi.end(), nome) == nomi.end()) nomi.push_back(std::move(nome));
  }
  return nomi;
}

std::string rendi(const messaggio& m, lingua l) {
  if (m.id.empty()) return testo_in_utf8(m.testo);
  const std::string_view modello = testo_catalogo(m.id, l);
  std::string uscita;
  size_t da = 0;
  for (size_t i = modello.find('{'); i != std::string_view::npos; i = modello.find('{', i + 1)) {
    const size_t fine = fine_segnaposto(modello, i);
    if (fine == std::string_view::npos) continue;
    const std::string_view nome = modello.substr(i + 1, fine - i - 1);
    const auto a = std::find_if(m.argomenti.begin(), m.argomenti.end(),
                                [&](const argomento& x) { return x.nome == nome; });
    if (a == m.argomenti.end()) continue;  // left as written: the test of the catalogue names it
    uscita.append(modello, da, i - da);
    uscita += rendi(a->valore, l);
    da = fine + 1;
    i = fine;
  }
  uscita.append(modello, da);
  return uscita;
}

std::string rendi(const messaggio& m) { return rendi(m, attiva); }

messaggio frase_conto(int64_t n, const char* uno, const char* altri, std::vector<argomento> argomenti) {
  argomenti.emplace_back("n", n);
  return frase(n == 1 ? uno : altri, std::move(argomenti));
}

std::string traduci(std::string id, std::vector<argomento> argomenti) {
  return rendi(frase(std::move(id), std::move(argomenti)));
}

}  // namespace scenario
