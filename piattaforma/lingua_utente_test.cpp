// The language the user's settings name, on each system: the variables when one is set
// (on Windows too, as gettext reads them there), before Windows' interface language.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "piattaforma/piattaforma.h"

namespace scenario {
namespace {

// Sets (or, with nothing, removes) a variable of this process while the value lives.
class variabile_per_ora {
 public:
  variabile_per_ora(const char* nome, std::optional<std::string> valore) : nome_(nome) {
    if (const char* v = std::getenv(nome)) prima_ = v;
    imposta(valore);
  }
  ~variabile_per_ora() { imposta(prima_); }
  variabile_per_ora(const variabile_per_ora&) = delete;
  variabile_per_ora& operator=(const variabile_per_ora&) = delete;

 private:
  void imposta(const std::optional<std::string>& v) {
#ifdef _WIN32
    _putenv_s(nome_, v ? v->c_str() : "");
#else
    if (v) {
      setenv(nome_, v->c_str(), 1);
    } else {
      unsetenv(nome_);
    }
#endif
  }
  const char* nome_;
  std::optional<std::string> prima_;
};

TEST(LinguaUtente, LeVariabiliPrimaDellInterfaccia) {
  const struct {
    std::optional<std::string> lc_all, lang;
    lingua attesa;
  } casi[] = {
      {std::nullopt, "en_US.UTF-8", lingua::inglese},
      {std::nullopt, "it_IT.UTF-8", lingua::italiano},
      // "C" names no language: Italian, whatever Windows' interface says.
      {"C", "en_US.UTF-8", lingua::italiano},
      {"en_GB", "it_IT", lingua::inglese},
  };
  for (const auto& c : casi) {
    const variabile_per_ora elenco("LANGUAGE", std::nullopt);
    const variabile_per_ora messaggi("LC_MESSAGES", std::nullopt);
    const variabile_per_ora tutte("LC_ALL", c.lc_all);
    const variabile_per_ora lang("LANG", c.lang);
    EXPECT_EQ(sistema::lingua_utente(), c.attesa) << c.lc_all.value_or("-") << " " << c.lang.value_or("-");
  }
}

}  // namespace
}  // namespace scenario
