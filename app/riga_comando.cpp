#include "app/riga_comando.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string_view>

#include "app/nomi_uscita.h"
#include "lingue/catalogo.h"
#include "piattaforma/piattaforma.h"

namespace scenario {

namespace fs = std::filesystem;

namespace {

enum class opzione {
  uscita, linea, treno, controlla, diagnostica, severo, silenzioso, aiuto, versione, osserva, anteprima, nuovo,
  max_errori, lsp, permissivo, verboso, formatta, controlla_formato, lingua, accelerazione, frenatura
};

struct voce_opzione {
  char corta;  // '\0': none
  std::string_view lunga;
  opzione quale;
  bool con_valore;
};

constexpr voce_opzione opzioni[] = {
    {'o', "uscita", opzione::uscita, true},     {'l', "linea", opzione::linea, true},
    {'t', "treno", opzione::treno, true},       {'c', "controlla", opzione::controlla, false},
    {'\0', "diagnostica", opzione::diagnostica, true},
    {'\0', "severo", opzione::severo, false},  {'q', "silenzioso", opzione::silenzioso, false},
    {'h', "help", opzione::aiuto, false},       {'V', "version", opzione::versione, false},
    {'\0', "osserva", opzione::osserva, false}, {'\0', "anteprima", opzione::anteprima, true},
    {'\0', "nuovo", opzione::nuovo, false},    {'\0', "max-errori", opzione::max_errori, true},
    {'\0', "lsp", opzione::lsp, false},        {'\0', "permissivo", opzione::permissivo, false},
    {'v', "verboso", opzione::verboso, false}, {'\0', "formatta", opzione::formatta, false},
    {'\0', "controlla-formato", opzione::controlla_formato, false},
    {'\0', "lingua", opzione::lingua, true},
    {'\0', "accelerazione", opzione::accelerazione, true},
    {'\0', "frenatura", opzione::frenatura, true},
};

const voce_opzione* cerca_lunga(std::string_view nome) {
  for (const auto& o : opzioni) {
    if (o.lunga == nome) return &o;
  }
  return nullptr;
}

const voce_opzione* cerca_corta(char lettera) {
  if (lettera == '\0') return nullptr;  // options without a letter
  for (const auto& o : opzioni) {
    if (o.corta == lettera && lettera != '\0') return &o;
  }
  return nullptr;
}

// The command line as it is being read: the record, the texts met so far, and whether
// the reading has already come to an end (an error, --help or --version).
struct lettura {
  riga_comando r;
  std::vector<std::string> testi;
  bool finita = false;
  bool nuovo = false;
  bool lsp = false;
  bool impagina = false;

  void sbaglia(messaggio perche) {
    r.azione = azione_richiesta::errore_uso;
    r.errore = std::move(perche);
    finita = true;
  }
};

// Applies one option; `scritta` is the option as the user wrote it, for the messages.
void applica(lettura& l, const voce_opzione& o, const std::string& scritta,
             const std::string& valore) {
  if (o.con_valore && valore.empty()) {
    l.sbaglia(frase("uso.valore_vuoto", {{"opzione", scritta}}));
    return;
  }
  switch (o.quale) {
    case opzione::uscita: l.r.uscita = valore; return;
    case opzione::linea: l.r.linea = valore; return;
    case opzione::treno: l.r.treno = valore; return;
    case opzione::controlla: l.r.solo_controllo = true; return;
    case opzione::osserva: l.r.osserva = true; return;
    case opzione::anteprima: l.r.anteprima = valore; return;
    case opzione::nuovo: l.nuovo = true; return;
    case opzione::lsp: l.lsp = true; return;
    case opzione::formatta: l.impagina = true; return;
    case opzione::controlla_formato:
      l.impagina = l.r.solo_verifica_impaginazione = true;
      return;
    case opzione::diagnostica:
      if (valore != "json" && valore != "testo") {
        l.sbaglia(frase("uso.diagnostica", {{"opzione", scritta}, {"valore", valore}}));
        return;
      }
      l.r.diagnostica_json = valore == "json";
      return;
    case opzione::severo: l.r.severo = true; return;
    case opzione::permissivo: l.r.permissivo = true; return;
    case opzione::verboso: l.r.verboso = true; return;
    case opzione::max_errori: {
      // A count: digits only, 0 for no limit.
      const bool cifre = valore.size() <= 9 && valore.find_first_not_of("0123456789") == std::string::npos;
      if (!cifre) {
        l.sbaglia(frase("uso.max_errori", {{"opzione", scritta}, {"valore", valore}}));
        return;
      }
      l.r.max_errori = std::stoi(valore);
      return;
    }
    case opzione::silenzioso: l.r.silenzioso = true; return;
    case opzione::accelerazione:
    case opzione::frenatura: {
      const auto v = valore_marcia(valore);
      if (!v) {
        l.sbaglia(frase("uso.accelerazione_frenatura", {{"opzione", scritta}, {"valore", valore}}));
        return;
      }
      (o.quale == opzione::accelerazione ? l.r.marcia.accelerazione : l.r.marcia.frenatura) = v;
      return;
    }
    case opzione::lingua:
      l.r.lingua_scelta = lingua_da_sigla(valore);
      if (!l.r.lingua_scelta) l.sbaglia(sigla_sconosciuta(scritta, valore));
      return;
    case opzione::aiuto:
      l.r.azione = azione_richiesta::aiuto;
      l.finita = true;
      return;
    case opzione::versione:
      l.r.azione = azione_richiesta::versione;
      l.finita = true;
      return;
  }
}

// An option whose value is the next argument. Returns the index of the last argument used.
size_t valore_seguente(lettura& l, const voce_opzione& o, const std::string& scritta,
                       const std::vector<std::string>& argomenti, size_t i) {
  if (i + 1 >= argomenti.size()) {
    l.sbaglia(frase("uso.manca_valore", {{"opzione", scritta}}));
    return i;
  }
  applica(l, o, scritta, argomenti[i + 1]);
  return i + 1;
}

// "--nome", "--nome=valore" or "--nome valore". Returns the index of the last argument used.
size_t leggi_lunga(lettura& l, const std::vector<std::string>& argomenti, size_t i) {
  const std::string& arg = argomenti[i];
  const size_t uguale = arg.find('=');
  const std::string nome = arg.substr(2, uguale == std::string::npos ? std::string::npos : uguale - 2);
  const std::string scritta = "--" + nome;
  const voce_opzione* o = cerca_lunga(nome);
  if (o == nullptr) {
    l.sbaglia(frase("uso.opzione_sconosciuta", {{"opzione", scritta}}));
    return i;
  }
  if (uguale != std::string::npos) {
    if (!o->con_valore) {
      l.sbaglia(frase("uso.senza_valori", {{"opzione", scritta}}));
      return i;
    }
    applica(l, *o, scritta, arg.substr(uguale + 1));
    return i;
  }
  if (!o->con_valore) {
    applica(l, *o, scritta, "");
    return i;
  }
  return valore_seguente(l, *o, scritta, argomenti, i);
}

// "-c", "-ch", "-oCARTELLA" or "-o CARTELLA": letters may be grouped, and the first one
// that takes a value takes the rest of the argument, or the next argument.
size_t leggi_corte(lettura& l, const std::vector<std::string>& argomenti, size_t i) {
  const std::string& arg = argomenti[i];
  for (size_t k = 1; k < arg.size() && !l.finita; ++k) {
    const std::string scritta = std::string("-") + arg[k];
    const voce_opzione* o = cerca_corta(arg[k]);
    if (o == nullptr) {
      l.sbaglia(frase("uso.opzione_sconosciuta", {{"opzione", scritta}}));
      return i;
    }
    if (!o->con_valore) {
      applica(l, *o, scritta, "");
      continue;
    }
    if (k + 1 < arg.size()) {
      applica(l, *o, scritta, arg.substr(k + 1));
      return i;
    }
    return valore_seguente(l, *o, scritta, argomenti, i);
  }
  return i;
}

// Whether `nome` ends with `coda`, as the system compares names (without regard to case
// on Windows, where "Val_Linea.TXT" is the same file as "Val_linea.txt").
bool finisce_con(std::string_view nome, std::string_view coda) {
  return nome.size() >= coda.size() && sistema::stesso_nome(nome.substr(nome.size() - coda.size()), coda);
}

// Whether the train's acceleration or braking was given: only a build uses them.
bool con_marcia(const riga_comando& r) { return r.marcia.accelerazione || r.marcia.frenatura; }

// --nuovo LINEA TRENO [DIR]: the identifiers themselves, and the folder of the new texts
// (the third argument, or --uscita).
void completa_nuovo(lettura& l) {
  riga_comando& r = l.r;
  if (l.testi.size() != 2 && l.testi.size() != 3) {
    return l.sbaglia(frase("uso.nuovo_argomenti", {{"dati", l.testi.size()}}));
  }
  if (l.testi.size() == 3 && !r.uscita.empty()) {
    return l.sbaglia(frase("uso.nuovo_cartella"));
  }
  if (r.osserva || r.solo_controllo || !r.anteprima.empty() || !r.linea.empty() ||
      !r.treno.empty() || con_marcia(r)) {
    return l.sbaglia(frase("uso.nuovo_opzioni"));
  }
  r.azione = azione_richiesta::nuovo;
  r.linea = l.testi[0];
  r.treno = l.testi[1];
  if (l.testi.size() == 3) r.uscita = l.testi[2];
  for (const auto& [id, cosa] : {std::pair{r.linea, identificativo::linea}, std::pair{r.treno, identificativo::treno}}) {
    if (auto e = identificativo_errato(id, cosa)) return l.sbaglia(*e);
  }
}

// Once the arguments are read: two texts, and the two identifiers.
void completa(lettura& l) {
  if (l.lsp) {
    const riga_comando& r = l.r;
    if (l.nuovo || l.impagina || !l.testi.empty() || r.osserva || r.solo_controllo || !r.anteprima.empty() || !r.uscita.empty() ||
        !r.linea.empty() || !r.treno.empty() || con_marcia(r)) {
      return l.sbaglia(frase("uso.lsp"));
    }
    l.r.azione = azione_richiesta::lsp;
    return;
  }
  if (l.impagina) {
    const riga_comando& r = l.r;
    if (l.nuovo || r.osserva || r.solo_controllo || r.permissivo || r.verboso || !r.anteprima.empty() || !r.uscita.empty() || !r.linea.empty() ||
        !r.treno.empty() || con_marcia(r)) {
      return l.sbaglia(frase("uso.formatta_opzioni"));
    }
    if (l.testi.empty()) return l.sbaglia(frase("uso.formatta_testi"));
    l.r.azione = azione_richiesta::impagina;
    l.r.da_impaginare = l.testi;
    return;
  }
  if (l.nuovo) return completa_nuovo(l);
  // Options alone: the embedded build is asked for by no argument at all.
  if (l.testi.empty()) return l.sbaglia(frase("uso.nessun_testo"));
  // One text named in either form (the entry of Explorer's menu on a text, a text dropped
  // on the program): its partner is the one beside it.
  if (l.testi.size() == 1 && l.r.linea.empty() && l.r.treno.empty() &&
      (!linea_da_nome(l.testi[0]).empty() || finisce_con(l.testi[0], "-.txt"))) {
    const std::string cartella = sistema::testo(sistema::percorso(l.testi[0]).parent_path());
    coppia_testi c = coppia_di(l.testi[0], sistema::file_in_cartella(sistema::percorso(cartella.empty() ? "." : cartella)));
    if (c.errore) return l.sbaglia(*c.errore);
    l.testi = {c.linea, c.treno};
  }
  // Two texts dropped on the program come in the order Explorer lists them: a run text
  // before its line text is taken for what its name says.
  if (l.testi.size() == 2 && l.r.linea.empty() && linea_da_nome(l.testi[0]).empty() &&
      !linea_da_nome(l.testi[1]).empty()) {
    std::swap(l.testi[0], l.testi[1]);
  }
  if (l.testi.size() != 2) {
    l.sbaglia(frase("uso.due_testi", {{"dati", l.testi.size()}}));
    return;
  }
  riga_comando& r = l.r;
  r.azione = azione_richiesta::costruzione_autore;
  r.testo_linea = l.testi[0];
  r.testo_treno = l.testi[1];
  if (r.linea.empty()) r.linea = linea_da_nome(r.testo_linea);
  if (r.linea.empty()) {
    l.sbaglia(frase("uso.nome_linea", {{"nome", r.testo_linea}}));
    return;
  }
  if (r.treno.empty()) r.treno = treno_da_nome(r.testo_treno, r.linea);
  if (r.treno.empty()) {
    l.sbaglia(frase("uso.nome_treno", {{"nome", r.testo_treno}, {"linea", r.linea}}));
    return;
  }
  if (auto e = identificativo_errato(r.linea, identificativo::linea)) return l.sbaglia(*e);
  if (auto e = identificativo_errato(r.treno, identificativo::treno)) return l.sbaglia(*e);
}

}  // namespace

std::string linea_da_nome(const std::string& testo_linea) {
  return linea_del_nome(sistema::testo(sistema::percorso(testo_linea).filename()), sistema::stesso_nome);
}

std::string treno_da_nome(const std::string& testo_treno, const std::string& linea) {
  return treno_del_nome(sistema::testo(sistema::percorso(testo_treno).filename()), linea, sistema::stesso_nome);
}

riga_comando leggi_riga_comando(const std::vector<std::string>& argomenti) {
  lettura l;
  if (argomenti.empty()) return l.r;
  bool solo_testi = false;
  size_t i = 0;
  for (; i < argomenti.size() && !l.finita; ++i) {
    const std::string& arg = argomenti[i];
    if (!solo_testi && aiuto_alla_windows(arg)) {
      l.r.azione = azione_richiesta::aiuto;
      l.finita = true;
    } else if (solo_testi || arg.size() < 2 || arg[0] != '-') {
      l.testi.push_back(arg);  // "-" alone is a file name too
    } else if (arg == "--") {
      solo_testi = true;
    } else if (arg[1] == '-') {
      i = leggi_lunga(l, argomenti, i);
    } else {
      i = leggi_corte(l, argomenti, i);
    }
  }
  if (!l.finita) {
    if (auto e = virgolette_nel_nome(argomenti)) {
      l.sbaglia(*e);
    } else {
      completa(l);
    }
    return l.r;
  }
  // The reading stopped at an error or at --help: a --lingua further on still says in
  // which language, wherever it stands.
  for (; i < argomenti.size() && !solo_testi; ++i) {
    const std::string& arg = argomenti[i];
    solo_testi = arg == "--";
    std::optional<std::string> valore;
    if (arg.starts_with("--lingua=")) valore = arg.substr(9);
    if (arg == "--lingua" && i + 1 < argomenti.size()) valore = argomenti[++i];
    if (const auto scelta = valore ? lingua_da_sigla(*valore) : std::nullopt) l.r.lingua_scelta = scelta;
  }
  return l.r;
}

coppia_testi coppia_di(const std::string& testo, const std::vector<std::string>& nomi) {
  const fs::path cartella = sistema::percorso(testo).parent_path();
  const partner_testo p = partner_del_nome(sistema::testo(sistema::percorso(testo).filename()), nomi, sistema::stesso_nome);
  coppia_testi c;
  if (p.errore) {
    c.errore = p.errore;
    return c;
  }
  const std::string accanto = sistema::testo(cartella / sistema::percorso(p.nome));
  c.linea = p.linea ? accanto : testo;
  c.treno = p.linea ? testo : accanto;
  return c;
}

std::optional<double> valore_marcia(std::string_view valore) {
  // Digits, then a point or a comma and digits: no sign, no exponent, no word; read
  // digit by digit, whatever the C library's locale says of the decimal point.
  double v = 0, peso = 1;
  bool decimali = false, cifre = false;
  for (const char c : valore) {
    if ((c == '.' || c == ',') && !decimali) {
      decimali = true;
    } else if (c >= '0' && c <= '9' && valore.size() <= 12) {
      cifre = true;
      if (decimali) {
        peso /= 10;
        v += (c - '0') * peso;
      } else {
        v = v * 10 + (c - '0');
      }
    } else {
      return std::nullopt;
    }
  }
  if (!cifre || !(v > 0 && v <= 100)) return std::nullopt;
  return v;
}

bool aiuto_alla_windows(std::string_view argomento) { return argomento == "/?" && sistema::percorsi_di_windows(); }

std::optional<messaggio> virgolette_nel_nome(const std::vector<std::string>& argomenti) {
  if (!sistema::percorsi_di_windows()) return std::nullopt;
  for (const std::string& a : argomenti) {
    if (a.find('"') != std::string::npos) return frase("uso.virgolette", {{"argomento", a}});
  }
  return std::nullopt;
}

std::string testo_aiuto() {
  // The request that ends a watch: Ctrl-C, or the system's other (a signal on POSIX, where
  // a service manager sends it; Ctrl-Break on Windows).
  return traduci("aiuto.compila_scenario",
                 {{"programma", NOME_PROGRAMMA}, {"interruzione", sistema::percorsi_di_windows() ? "Ctrl-Break" : "SIGTERM"}}) +
         "\n";
}

std::string testo_versione(std::string_view programma) {
  return std::string(programma) + " " + VERSIONE_PROGRAMMA + "\n";
}

std::string riga_errore_uso(const messaggio& perche, std::string_view programma) {
  return traduci("uso.riga", {{"programma", std::string(programma)}, {"messaggio", perche}}) + "\n";
}

}  // namespace scenario
