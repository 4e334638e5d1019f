// mostra_scenario: reads a compiled scenario back and shows it, as a text account, as
// JSON, as a self-contained page, or as the driver's timetable card.
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/lettura_compilati.h"
#include "app/nomi_uscita.h"
#include "app/nuovo.h"
#include "app/riga_comando.h"
#include "piattaforma/piattaforma.h"
#include "piattaforma/sostituzione.h"
#include "vista/confronto.h"
#include "vista/json.h"
#include "vista/pagina.h"
#include "vista/resoconto.h"
#include "vista/scheda.h"
#include "vista/testi_indietro.h"

namespace {

constexpr int STATO_BENE = 0;
constexpr int STATO_FILE_ROVINATO = 1;
constexpr int STATO_USO = 2;

// --testi: the description texts of the compiled scenario, into two new files.
int scrivi_testi(const scenario::scenario_decodificato& s, const std::filesystem::path& cartella,
                 scenario::vista::codifica_testi codifica) {
  const scenario::vista::testi_ricavati t = scenario::vista::testi_da_scenario(s, codifica);
  const auto linea = cartella / scenario::sistema::percorso(s.linea + "_linea.txt");
  const auto treno = cartella / scenario::sistema::percorso(s.linea + "_" + s.treno + "-.txt");
  try {
    scenario::scrivi_coppia_nuova(linea, t.linea, treno, t.treno, "mostra_scenario", std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "mostra_scenario: " << e.what() << "\n";
    return STATO_USO;
  }
  std::cout << scenario::traduci("mostra.scritti", {{"linea", scenario::sistema::testo(linea)},
                                                    {"treno", scenario::sistema::testo(treno)}})
            << "\n";
  if (t.permissivo) std::cout << scenario::traduci("mostra.solo_permissivo") << "\n";
  std::cout << std::flush;
  for (const std::string& scarto : t.scarti) {
    std::cerr << "mostra_scenario: " << scenario::traduci("mostra.non_ridato", {{"scarto", scarto}}) << "\n";
  }
  return t.completi() ? STATO_BENE : STATO_FILE_ROVINATO;
}

// --confronta: the set in `prima` against the set in `dopo`; status as diff's: 0 the
// same, 1 different, 2 trouble (a damaged file included, since nothing can be compared).
int confronta_cartelle(const std::filesystem::path& prima, const std::filesystem::path& dopo,
                       const std::string& linea, const std::string& treno, bool json) {
  const auto a = scenario::leggi_scenario_compilato(prima, linea, treno);
  if (!a.scenario) {
    std::cerr << "mostra_scenario: " << a.errore << "\n";
    return STATO_USO;
  }
  const auto b = scenario::leggi_scenario_compilato(dopo, linea, treno);
  if (!b.scenario) {
    std::cerr << "mostra_scenario: " << b.errore << "\n";
    return STATO_USO;
  }
  const scenario::vista::confronto_scenari c = scenario::vista::confronta(*a.scenario, *b.scenario);
  if (json) {
    std::cout << scenario::vista::confronto_json(c) << "\n";
  } else {
    std::cout << scenario::vista::testo_confronto(c, *a.scenario, *b.scenario);
  }
  std::cout.flush();
  if (!std::cout) return STATO_USO;
  return c.uguali() ? STATO_BENE : STATO_FILE_ROVINATO;
}

constexpr const char* PROGRAMMA = "mostra_scenario";

// A usage error, in the one form both programs give it.
int errore_uso(const scenario::messaggio& motivo) {
  std::cerr << scenario::riga_errore_uso(motivo, PROGRAMMA) << std::flush;
  return STATO_USO;
}

// --lingua=it|en anywhere among the arguments chooses the language of everything that
// follows, the usage errors included; otherwise the user's settings do.
std::optional<scenario::messaggio> scegli_lingua(const std::vector<std::string>& argomenti) {
  scenario::imposta_lingua(scenario::sistema::lingua_utente());
  for (const std::string& a : argomenti) {
    if (!a.starts_with("--lingua=")) continue;
    const auto l = scenario::lingua_da_sigla(a.substr(9));
    if (!l) return scenario::sigla_sconosciuta("--lingua", a.substr(9));
    scenario::imposta_lingua(*l);
  }
  return std::nullopt;
}

int esegui(const std::vector<std::string>& argomenti) {
  std::filesystem::path cartella = ".";
  std::string pagina;
  std::optional<std::string> testi;
  std::optional<std::string> confronta;
  std::optional<scenario::vista::codifica_testi> codifica;
  bool celle = false, json = false, scheda = false;
  scenario::scelte_marcia marcia;
  std::vector<std::string> posizionali;
  if (const auto e = scegli_lingua(argomenti)) return errore_uso(*e);
  if (const auto e = scenario::virgolette_nel_nome(argomenti)) return errore_uso(*e);
  for (size_t i = 0; i < argomenti.size(); ++i) {
    const std::string& a = argomenti[i];
    if (a == "-h" || a == "--help" || scenario::aiuto_alla_windows(a)) {
      std::cout << scenario::traduci("aiuto.mostra_scenario") << "\n";
      return STATO_BENE;
    } else if (a == "-V" || a == "--version") {
      std::cout << scenario::testo_versione(PROGRAMMA);
      return STATO_BENE;
    } else if (a.starts_with("--lingua=")) {
      continue;
    } else if (a == "-C" || a == "-o") {
      if (i + 1 >= argomenti.size() || argomenti[i + 1].empty()) return errore_uso(scenario::frase("uso.manca_valore", {{"opzione", a}}));
      if (a == "-C") {
        cartella = scenario::sistema::percorso(argomenti[++i]);
      } else {
        pagina = argomenti[++i];
      }
    } else if (a == "--celle") {
      celle = true;
    } else if (a == "--json") {
      json = true;
      scenario::sistema::uscita_per_programmi();
    } else if (a.starts_with("--testi=")) {
      testi = a.substr(8);
      if (testi->empty()) return errore_uso(scenario::frase("mostra.manca_cartella", {{"opzione", "--testi"}}));
    } else if (a.starts_with("--codifica=")) {
      const std::string c = a.substr(11);
      if (c == "utf8" || c == "utf-8") {
        codifica = scenario::vista::codifica_testi::utf8;
      } else if (c == "latin1") {
        codifica = scenario::vista::codifica_testi::latin1;
      } else {
        return errore_uso(scenario::frase("mostra.codifica_sconosciuta", {{"codifica", c}}));
      }
    } else if (a.starts_with("--confronta=")) {
      confronta = a.substr(12);
      if (confronta->empty()) return errore_uso(scenario::frase("mostra.manca_cartella", {{"opzione", "--confronta"}}));
    } else if (a == "--scheda") {
      scheda = true;
    } else if (a.starts_with("--accelerazione=") || a.starts_with("--frenatura=")) {
      const size_t uguale = a.find('=');
      const auto v = scenario::valore_marcia(std::string_view(a).substr(uguale + 1));
      if (!v) {
        return errore_uso(scenario::frase("uso.accelerazione_frenatura", {{"opzione", a.substr(0, uguale)}, {"valore", a.substr(uguale + 1)}}));
      }
      (a[2] == 'a' ? marcia.accelerazione : marcia.frenatura) = v;
    } else if (a.size() > 1 && a[0] == '-') {
      return errore_uso(scenario::frase("uso.opzione_sconosciuta", {{"opzione", a}}));
    } else {
      posizionali.push_back(a);
    }
  }
  if (posizionali.size() != 2) {
    return errore_uso(scenario::frase("mostra.due_argomenti", {{"dati", posizionali.size()}}));
  }
  for (const auto& [id, cosa] : {std::pair{posizionali[0], scenario::identificativo::linea},
                                 std::pair{posizionali[1], scenario::identificativo::treno}}) {
    if (const auto e = scenario::identificativo_errato(id, cosa)) return errore_uso(*e);
  }
  if ((json ? 1 : 0) + (scheda ? 1 : 0) + (pagina.empty() ? 0 : 1) + (testi ? 1 : 0) > 1) {
    return errore_uso(scenario::frase("mostra.esclusive"));
  }
  if (codifica && !testi) return errore_uso(scenario::frase("mostra.codifica_senza_testi"));
  if (confronta) {
    if (scheda || testi || !pagina.empty() || celle) {
      return errore_uso(scenario::frase("mostra.confronta_opzioni"));
    }
    return confronta_cartelle(cartella, scenario::sistema::percorso(*confronta), posizionali[0], posizionali[1], json);
  }

  // Texts are given back from files copied under other names as well: all but the names
  // and the codes that go with them, which they say.
  const auto letto = scenario::leggi_scenario_compilato(cartella, posizionali[0], posizionali[1], testi.has_value());
  if (!letto.scenario) {
    std::cerr << "mostra_scenario: " << letto.errore << "\n";
    return letto.file_rovinato ? STATO_FILE_ROVINATO : STATO_USO;
  }
  const scenario::scenario_decodificato& s = *letto.scenario;
  if (testi) {
    return scrivi_testi(s, scenario::sistema::percorso(*testi), codifica.value_or(scenario::vista::codifica_testi::utf8));
  }
  if (!pagina.empty()) {
    try {
      scenario::sostituisci_file(scenario::sistema::percorso(pagina), scenario::vista::pagina_html(s, marcia));
    } catch (const std::exception& e) {
      std::cerr << "mostra_scenario: " << e.what() << "\n";
      return STATO_USO;
    }
    return STATO_BENE;
  }
  if (json) {
    std::cout << scenario::vista::resoconto_json(s, celle, true, marcia) << "\n";
  } else if (scheda) {
    std::cout << scenario::vista::scheda_orario(s);
  } else {
    std::cout << scenario::vista::resoconto_testo(s, celle, marcia);
  }
  std::cout.flush();
  return std::cout ? STATO_BENE : STATO_USO;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> argomenti = scenario::sistema::prepara_processo(argc, argv);
  // Double-clicked in Explorer, with nothing to show: what it is for, and how to use it
  // from there, in the box that follows.
  if (argomenti.empty() && scenario::sistema::avviato_da_esplora()) {
    scenario::imposta_lingua(scenario::sistema::lingua_utente());
    std::cout << scenario::traduci("mostra.da_esplora") << "\n" << std::flush;
    scenario::sistema::congedo("mostra_scenario", "");
    return STATO_USO;
  }
  const int stato = esegui(argomenti);
  std::cout.flush();
  scenario::sistema::congedo("mostra_scenario", "");
  return stato;
}
