// The catalogue of every text the programs show, in each language they speak. The texts
// live in lingue/*.po, the form translators' tools read; the build compiles each with
// msgfmt and puts the compiled table into the program, so that nothing travels beside it.
// A text is looked up by its id; `{nome}` in it stands for a named argument, so that each
// language orders the words as it needs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/messaggio.h"

namespace scenario {

// Italian is the format's language and the one spoken where no setting says otherwise.
enum class lingua : uint8_t { italiano, inglese };
inline constexpr lingua LINGUA_PREDEFINITA = lingua::italiano;
inline constexpr lingua LINGUE[] = {lingua::italiano, lingua::inglese};

// "it", "en": the catalogue's name and what --lingua takes.
std::string_view sigla(lingua l);

// The language --lingua names ("it", "en"), or nothing.
std::optional<lingua> lingua_da_sigla(std::string_view s);
// --lingua's wrong value, as a usage error's message naming the values it takes.
messaggio sigla_sconosciuta(std::string_view opzione, std::string_view valore);

// The language a locale's name says ("en_US.UTF-8", "it", "en-GB", "English_United
// States.1252"), or nothing for another language or none ("C", "POSIX", "").
std::optional<lingua> lingua_da_nome(std::string_view nome);

// As gettext chooses. The locale is the first of LC_ALL, LC_MESSAGES and LANG that is set
// and not empty, else `locale_sistema` ("C" on POSIX; on Windows the interface
// language). Unless the locale is "C" (or "POSIX"), LANGUAGE comes first: a list of
// languages separated by colons, of which the first that the catalogue has decides, and
// when it has none of them the texts stay untranslated (Italian). Without LANGUAGE the
// locale's language decides; Italian when it names none of the catalogue's.
lingua lingua_delle_variabili(const char* language, const char* lc_all, const char* lc_messages, const char* lang,
                              std::string_view locale_sistema = "C");

// The language of this process's texts, chosen once at its start (the default: Italian).
lingua lingua_attiva();
void imposta_lingua(lingua l);

// The process speaks `l` while the value lives (a language server's answers, in the
// language its editor asked for), then as before.
class lingua_per_ora {
 public:
  explicit lingua_per_ora(lingua l) : prima_(lingua_attiva()) { imposta_lingua(l); }
  ~lingua_per_ora() { imposta_lingua(prima_); }
  lingua_per_ora(const lingua_per_ora&) = delete;
  lingua_per_ora& operator=(const lingua_per_ora&) = delete;

 private:
  lingua prima_;
};

// The text of `id` in `l`; the Italian one where `l` lacks it; the id itself where the
// catalogue has no such entry.
std::string_view testo_catalogo(std::string_view id, lingua l);
// Whether `l` has a text for `id`.
bool nel_catalogo(std::string_view id, lingua l);
// Every id of `l`'s catalogue, in order.
std::vector<std::string_view> voci_catalogo(lingua l);
// The names of the placeholders in a text, each once, in order: "{nome}" gives "nome".
std::vector<std::string> segnaposti(std::string_view testo);

// The message in UTF-8: its text from the catalogue with each `{nome}` replaced by the
// argument of that name, itself rendered; a text without an id as it stands (the bytes of
// an ISO 8859-1 description text turned into UTF-8).
std::string rendi(const messaggio& m, lingua l);
std::string rendi(const messaggio& m);  // in the language of the process

// The entry `uno` for a count `n` of 1, `altri` for any other (0 too), with `n` as its
// argument {n}: where the count is written, both languages of the catalogue take the
// singular for one alone. The ids are named with dal_catalogo.
messaggio frase_conto(int64_t n, const char* uno, const char* altri, std::vector<argomento> argomenti = {});

// The entry `id` rendered in the language of the process.
std::string traduci(std::string id, std::vector<argomento> argomenti = {});

}  // namespace scenario
