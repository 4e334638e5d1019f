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

constexpr const char* AIUTO =
    "uso: mostra_scenario [OPZIONI] LINEA TRENO\n"
    "Legge LINEA_linea.dat, LINEA_TRENO.sim e LINEA_TRENO.dat e mostra lo scenario compilato.\n"
    "\n"
    "  -C CARTELLA     legge i file da CARTELLA invece che dalla cartella corrente\n"
    "  --celle         aggiunge una riga per ogni cella da 50 m\n"
    "  --json          lo stesso resoconto in JSON\n"
    "  -o PAGINA.html  scrive una pagina HTML autonoma con il profilo, la pianta e l'orario\n"
    "  --scheda        stampa la scheda orario del macchinista\n"
    "  --testi=CARTELLA  scrive in CARTELLA i due testi di descrizione (LINEA_linea.txt e\n"
    "                  LINEA_TRENO-.txt) che ricompilati ridanno gli stessi file, byte per byte;\n"
    "                  non sovrascrive file esistenti\n"
    "  --codifica=C    i testi di --testi in UTF-8 (utf8, il solito) o in ISO 8859-1 (latin1)\n"
    "  --confronta=DOPO  confronta i file di -C (prima) con quelli della cartella DOPO: stazioni,\n"
    "                  profili, curve, oggetti e valori d'intestazione cambiati; con --json in JSON.\n"
    "                  Stato d'uscita come diff: 0 uguali, 1 diversi, 2 problemi\n"
    "  -h, --help      questo aiuto\n"
    "\n"
    "Stato d'uscita: 0 bene, 1 file compilato rovinato o estraneo (con --testi: qualche byte che\n"
    "nessun testo ridà), 2 uso errato o file illeggibile.\n";

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
  std::cout << "Scritti " << scenario::sistema::testo(linea) << " e " << scenario::sistema::testo(treno) << ".\n";
  if (t.permissivo) std::cout << "Si compilano nei file letti solo con --permissivo: lo dice la loro prima nota.\n";
  std::cout << std::flush;
  for (const std::string& scarto : t.scarti) std::cerr << "mostra_scenario: non ridato: " << scarto << "\n";
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
    std::cout << scenario::vista::testo_confronto(c, *b.scenario);
  }
  std::cout.flush();
  if (!std::cout) return STATO_USO;
  return c.uguali() ? STATO_BENE : STATO_FILE_ROVINATO;
}

int errore_uso(const std::string& motivo) {
  std::cerr << "mostra_scenario: error: " << motivo << "\nprovare 'mostra_scenario --help'\n";
  return STATO_USO;
}

int esegui(const std::vector<std::string>& argomenti) {
  std::filesystem::path cartella = ".";
  std::string pagina;
  std::optional<std::string> testi;
  std::optional<std::string> confronta;
  std::optional<scenario::vista::codifica_testi> codifica;
  bool celle = false, json = false, scheda = false;
  std::vector<std::string> posizionali;
  for (size_t i = 0; i < argomenti.size(); ++i) {
    const std::string& a = argomenti[i];
    if (a == "-h" || a == "--help") {
      std::cout << AIUTO;
      return STATO_BENE;
    } else if (a == "-C" || a == "-o") {
      if (i + 1 >= argomenti.size() || argomenti[i + 1].empty()) return errore_uso("manca il valore di " + a);
      if (a == "-C") {
        cartella = scenario::sistema::percorso(argomenti[++i]);
      } else {
        pagina = argomenti[++i];
      }
    } else if (a == "--celle") {
      celle = true;
    } else if (a == "--json") {
      json = true;
    } else if (a.starts_with("--testi=")) {
      testi = a.substr(8);
      if (testi->empty()) return errore_uso("manca la cartella di --testi");
    } else if (a.starts_with("--codifica=")) {
      const std::string c = a.substr(11);
      if (c == "utf8" || c == "utf-8") {
        codifica = scenario::vista::codifica_testi::utf8;
      } else if (c == "latin1") {
        codifica = scenario::vista::codifica_testi::latin1;
      } else {
        return errore_uso("codifica sconosciuta: " + c + " (utf8 o latin1)");
      }
    } else if (a.starts_with("--confronta=")) {
      confronta = a.substr(12);
      if (confronta->empty()) return errore_uso("manca la cartella di --confronta");
    } else if (a == "--scheda") {
      scheda = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return errore_uso("opzione sconosciuta: " + a);
    } else {
      posizionali.push_back(a);
    }
  }
  if (posizionali.size() != 2) return errore_uso("servono due argomenti, LINEA e TRENO");
  for (const auto& [id, cosa] : {std::pair{posizionali[0], "della linea"}, std::pair{posizionali[1], "del treno"}}) {
    if (const auto e = scenario::identificativo_errato(id, cosa)) return errore_uso(*e);
  }
  if ((json ? 1 : 0) + (scheda ? 1 : 0) + (pagina.empty() ? 0 : 1) + (testi ? 1 : 0) > 1) {
    return errore_uso("--json, --scheda, --testi e -o si escludono a vicenda");
  }
  if (codifica && !testi) return errore_uso("--codifica va solo con --testi");
  if (confronta) {
    if (scheda || testi || !pagina.empty() || celle) {
      return errore_uso("--confronta va solo con -C e --json");
    }
    return confronta_cartelle(cartella, scenario::sistema::percorso(*confronta), posizionali[0], posizionali[1], json);
  }

  const auto letto = scenario::leggi_scenario_compilato(cartella, posizionali[0], posizionali[1]);
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
      scenario::sostituisci_file(scenario::sistema::percorso(pagina), scenario::vista::pagina_html(s));
    } catch (const std::exception& e) {
      std::cerr << "mostra_scenario: " << e.what() << "\n";
      return STATO_USO;
    }
    return STATO_BENE;
  }
  if (json) {
    std::cout << scenario::vista::resoconto_json(s, celle) << "\n";
  } else if (scheda) {
    std::cout << scenario::vista::scheda_orario(s);
  } else {
    std::cout << scenario::vista::resoconto_testo(s, celle);
  }
  std::cout.flush();
  return std::cout ? STATO_BENE : STATO_USO;
}

}  // namespace

int main(int argc, char** argv) {
  const int stato = esegui(scenario::sistema::prepara_processo(argc, argv));
  std::cout.flush();
  scenario::sistema::congedo("mostra_scenario", "");
  return stato;
}
