// The language server's protocol: JSON-RPC messages in and out. This is the program's
// second use of the JSON library, beside the views' (vista/json.cpp): the protocol's
// messages are nested objects read and written field by field, which the views' flat
// helpers cannot express, and keeping them here leaves every other unit of the server
// (framing, texts, hover and completion) free of JSON.
#include "lsp/server.h"

#include <algorithm>
#include <exception>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "lsp/contenuti.h"
#include "lsp/coppie.h"
#include "lsp/impaginazione.h"
#include "lsp/testi.h"
#include "app/riga_comando.h"
#include "lingue/diagnostiche.h"
#include "lingue/parole_formato.h"
#include "model/modello.h"
#include "nucleo/compilazione.h"
#include "nucleo/verifica_orario.h"
#include "text/codifica.h"

namespace scenario::lsp {

namespace {

using json = nlohmann::json;

// JSON-RPC and protocol error codes.
constexpr int PARSE_ERROR = -32700;
constexpr int INVALID_REQUEST = -32600;
constexpr int METHOD_NOT_FOUND = -32601;
constexpr int INVALID_PARAMS = -32602;
constexpr int INTERNAL_ERROR = -32603;
constexpr int SERVER_NOT_INITIALIZED = -32002;
constexpr int REQUEST_CANCELLED = -32800;
constexpr int REQUEST_FAILED = -32803;

struct errore_rpc {
  int codice;
  std::string messaggio;
};

std::string scrivi(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

const json& membro(const json& o, const char* nome) {
  if (!o.is_object() || !o.contains(nome)) throw errore_rpc{INVALID_PARAMS, traduci("lsp.manca", {{"nome", nome}})};
  return o[nome];
}

std::string stringa(const json& o, const char* nome) {
  const json& v = membro(o, nome);
  if (!v.is_string()) throw errore_rpc{INVALID_PARAMS, traduci("lsp.non_stringa", {{"nome", nome}})};
  return v.get<std::string>();
}

int64_t intero(const json& o, const char* nome) {
  const json& v = membro(o, nome);
  if (!v.is_number_integer() || v.get<int64_t>() < 0) {
    throw errore_rpc{INVALID_PARAMS, traduci("lsp.non_intero", {{"nome", nome}})};
  }
  return v.get<int64_t>();
}

posizione posizione_da(const json& o) { return {intero(o, "line"), intero(o, "character")}; }

intervallo intervallo_da(const json& o) {
  return {posizione_da(membro(o, "start")), posizione_da(membro(o, "end"))};
}

json in_json(posizione p) { return {{"line", p.riga}, {"character", p.carattere}}; }
json in_json(const intervallo& r) { return {{"start", in_json(r.inizio)}, {"end", in_json(r.fine)}}; }

struct documento {
  std::string uri;
  std::string testo;  // UTF-8, as the editor holds it
  formato::testo tipo = formato::testo::treno;
  int64_t versione = 0;
};

// A fix the last check offered, for the code actions.
struct correzione_offerta {
  intervallo dove;      // the diagnostic's range
  json diagnostica;     // as published
  intervallo sostituito;
  std::string nuovo;
};


// At most this many diagnostics a text, the last telling how many more: a text with
// thousands of misspelt keywords would otherwise cost the editor seconds a keystroke.
constexpr size_t MASSIMO_DIAGNOSTICHE = 200;

// The kinds of the parts of a line, in the order of `gettone`, as the semantic tokens'
// legend names them; an unknown keyword has a kind of its own.
constexpr const char* TIPI_GETTONI[] = {"namespace", "keyword", "parolaSconosciuta", "number", "string", "comment"};

// The client's words for a rich text, by what it says it shows.
bool vuole_markdown(const json& capacita, const char* dove) {
  const json formati = capacita.value(json::json_pointer(dove), json::array());
  if (!formati.is_array()) return false;
  for (const json& f : formati) {
    if (f == "markdown") return true;
    if (f == "plaintext") return false;
  }
  return false;
}

int gravita_lsp(gravita g) {
  switch (g) {
    case gravita::errore: return 1;
    case gravita::avviso: return 2;
    case gravita::nota: return 3;
  }
  return 1;
}

}  // namespace

struct server::stato {
  explicit stato(disco& a) : archivio(a) {}

  disco& archivio;
  bool inizializzato = false;
  bool chiuso = false;  // after "shutdown"
  std::optional<int> uscita;
  unita u = unita::utf16;
  std::map<std::string, documento> aperti;  // by path (or URI when not a file)
  std::set<std::string> da_controllare;
  std::set<std::string> annullate;  // ids of requests cancelled before they were answered
  std::map<std::string, std::vector<correzione_offerta>> correzioni;  // by URI
  std::map<std::string, progressive> chilometri;  // by path of either text of a pair
  // By path of a run text, by the line of a station with a time (0 up): the leg of the
  // fastest run that ends there, for its hover. Only of a run that compiled.
  struct tratta_detta {
    tratta_marcia t;
    std::string da;  // the station it starts from, ISO 8859-1
    ipotesi_marcia ipotesi;
  };
  std::map<std::string, std::map<int64_t, tratta_detta>> tratte;
  // The texts not open that an open text's last check told about (its partner on disk), by
  // that open text; and every text not open told about since: those no open text still
  // pairs with are cleared.
  std::map<std::string, std::set<std::string>> compagni;
  std::set<std::string> fuori;
  std::vector<std::string> inviare;
  // What the client said it can take.
  bool snippet = false;
  bool markdown_hover = false;
  bool markdown_documentazione = false;
  bool markdown_firma = false;
  bool osserva_file = false;     // it watches files for us when asked
  bool chiede_suggerimenti = false;  // it asks for inlay hints
  lingua lingua_editor = lingua_attiva();  // what the answers speak

  // ---- messages -----------------------------------------------------------------------

  void rispondi(const json& id, json risultato) {
    inviare.push_back(scrivi({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(risultato)}}));
  }
  void sbaglia(const json& id, int codice, const std::string& messaggio) {
    inviare.push_back(
        scrivi({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", codice}, {"message", messaggio}}}}));
  }
  void notifica(const char* metodo, json parametri) {
    inviare.push_back(scrivi({{"jsonrpc", "2.0"}, {"method", metodo}, {"params", std::move(parametri)}}));
  }
  // A request of ours; its answer is not waited for.
  void chiedi(const char* id, const char* metodo, json parametri) {
    inviare.push_back(
        scrivi({{"jsonrpc", "2.0"}, {"id", id}, {"method", metodo}, {"params", std::move(parametri)}}));
  }
  json testo_per(bool markdown, const testo_doppio& t) {
    return {{"kind", markdown ? "markdown" : "plaintext"}, {"value", markdown ? t.markdown : t.semplice}};
  }

  void tratta(const json& m) {
    if (!m.is_object() || !m.contains("method")) {
      // A response to a request of ours (we send none) or not a message at all.
      if (!m.is_object() || !m.contains("id")) sbaglia(nullptr, INVALID_REQUEST, traduci("lsp.non_rpc"));
      return;
    }
    const bool richiesta = m.contains("id");
    const json id = richiesta ? m["id"] : json();
    if (richiesta && !id.is_string() && !id.is_number_integer()) {
      sbaglia(nullptr, INVALID_REQUEST, traduci("lsp.id_non_valido"));
      return;
    }
    if (!m["method"].is_string()) {
      if (richiesta) sbaglia(id, INVALID_REQUEST, traduci("lsp.method_non_stringa"));
      return;
    }
    const std::string metodo = m["method"].get<std::string>();
    const json parametri = m.contains("params") ? m["params"] : json::object();
    try {
      if (richiesta) {
        tratta_richiesta(id, metodo, parametri);
      } else {
        tratta_notifica(metodo, parametri);
      }
    } catch (const errore_rpc& e) {
      if (richiesta) sbaglia(id, e.codice, e.messaggio);
    } catch (const json::exception& e) {
      if (richiesta) sbaglia(id, INVALID_PARAMS, e.what());
    } catch (const std::exception& e) {
      if (richiesta) sbaglia(id, INTERNAL_ERROR, e.what());
    }
  }

  void tratta_richiesta(const json& id, const std::string& metodo, const json& p) {
    if (annullate.erase(id.dump()) > 0) return sbaglia(id, REQUEST_CANCELLED, traduci("lsp.annullata"));
    if (metodo == "initialize") return rispondi(id, inizializza(p));
    if (!inizializzato) return sbaglia(id, SERVER_NOT_INITIALIZED, traduci("lsp.non_inizializzato"));
    if (chiuso) return sbaglia(id, INVALID_REQUEST, traduci("lsp.chiuso"));
    if (metodo == "shutdown") {
      chiuso = true;
      return rispondi(id, nullptr);
    }
    // Answers read the texts as the last change left them.
    controlla_in_attesa();
    if (metodo == "textDocument/hover") return rispondi(id, hover_di(p));
    if (metodo == "textDocument/completion") return rispondi(id, completamenti_di(p));
    if (metodo == "textDocument/codeAction") return rispondi(id, azioni_di(p));
    if (metodo == "textDocument/documentSymbol") return rispondi(id, simboli_di(p));
    if (metodo == "textDocument/signatureHelp") return rispondi(id, firma_di(p));
    if (metodo == "textDocument/inlayHint") return rispondi(id, suggerimenti_di(p));
    if (metodo == "textDocument/foldingRange") return rispondi(id, pieghe_di(p));
    if (metodo == "textDocument/semanticTokens/full") return rispondi(id, gettoni_di(p));
    if (metodo == "textDocument/formatting") return impagina_documento(id, p);
    sbaglia(id, METHOD_NOT_FOUND, traduci("lsp.metodo_sconosciuto", {{"metodo", metodo}}));
  }

  void tratta_notifica(const std::string& metodo, const json& p) {
    if (metodo == "exit") {
      uscita = chiuso ? 0 : 1;
      return;
    }
    if (!inizializzato || chiuso) return;  // notifications are dropped then
    if (metodo == "initialized") return osserva();
    if (metodo == "textDocument/didOpen") return apri(membro(p, "textDocument"));
    if (metodo == "workspace/didChangeWatchedFiles") return cambiati_su_disco(membro(p, "changes"));
    if (metodo == "workspace/didRenameFiles") return rinominati(membro(p, "files"));
    if (metodo == "textDocument/didChange") return cambia(p);
    if (metodo == "textDocument/didSave") return salvato(p);
    if (metodo == "textDocument/didClose") return chiudi(stringa(membro(p, "textDocument"), "uri"));
  }

  json inizializza(const json& p) {
    if (inizializzato) throw errore_rpc{INVALID_REQUEST, traduci("lsp.initialize_due_volte")};
    if (!p.is_object()) throw errore_rpc{INVALID_PARAMS, traduci("lsp.initialize_parametri")};
    const json codifiche = p.value("/capabilities/general/positionEncodings"_json_pointer, json::array());
    u = codifiche.is_array() && std::find(codifiche.begin(), codifiche.end(), "utf-8") != codifiche.end()
            ? unita::utf8
            : unita::utf16;
    const json c = p.value("capabilities", json::object());
    if (!c.is_object()) throw errore_rpc{INVALID_PARAMS, traduci("lsp.non_oggetto", {{"nome", "capabilities"}})};
    snippet = c.value("/textDocument/completion/completionItem/snippetSupport"_json_pointer, false) == true;
    markdown_hover = vuole_markdown(c, "/textDocument/hover/contentFormat");
    markdown_documentazione = vuole_markdown(c, "/textDocument/completion/completionItem/documentationFormat");
    markdown_firma = vuole_markdown(c, "/textDocument/signatureHelp/signatureInformation/documentationFormat");
    osserva_file = c.value("/workspace/didChangeWatchedFiles/dynamicRegistration"_json_pointer, false) == true;
    chiede_suggerimenti = c.contains("/textDocument/inlayHint"_json_pointer);
    // The editor's own language ("en", "it-IT"), when it says one the server speaks;
    // otherwise the user's settings, as the command line reads them.
    if (const auto locale = p.find("locale"); locale != p.end() && locale->is_string()) {
      lingua_editor = lingua_da_nome(locale->get<std::string>()).value_or(lingua_editor);
    }
    imposta_lingua(lingua_editor);
    inizializzato = true;
    json capacita = {
        {"positionEncoding", u == unita::utf8 ? "utf-8" : "utf-16"},
        // A save brings its text: a buffer saved under a new name is taken up from it.
        {"textDocumentSync", {{"openClose", true}, {"change", 2}, {"save", {{"includeText", true}}}}},
        {"hoverProvider", true},
        {"completionProvider", {{"triggerCharacters", {"["}}}},
        {"signatureHelpProvider", {{"triggerCharacters", {","}}, {"retriggerCharacters", {" "}}}},
        {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
        {"documentSymbolProvider", true},
        {"foldingRangeProvider", true},
        {"semanticTokensProvider",
         {{"legend", {{"tokenTypes", TIPI_GETTONI}, {"tokenModifiers", json::array()}}}, {"full", true}}},
        {"documentFormattingProvider", true},
        {"workspace",
         {{"fileOperations", {{"didRename", {{"filters", {{{"pattern", {{"glob", "**/*.txt"}}}}}}}}}}}}};
    if (chiede_suggerimenti) capacita["inlayHintProvider"] = true;
    return {{"capabilities", std::move(capacita)},
            {"serverInfo", {{"name", NOME_PROGRAMMA}, {"version", VERSIONE_PROGRAMMA}}}};
  }

  // The partners on disk: the client tells when one is made, changed or deleted.
  void osserva() {
    if (!osserva_file) return;
    json osservati = json::array();
    for (const char* forma : {"**/*_linea.txt", "**/*-.txt"}) osservati.push_back({{"globPattern", forma}});
    chiedi("osserva-testi", "client/registerCapability",
           {{"registrations",
             {{{"id", "osserva-testi"},
               {"method", "workspace/didChangeWatchedFiles"},
               {"registerOptions", {{"watchers", std::move(osservati)}}}}}}});
  }

  // ---- texts --------------------------------------------------------------------------

  // A text's key: its path, in the system's form whatever form of address the editor
  // sent, so that a partner found on disk and one open in the editor meet.
  std::string chiave(const std::string& uri) const {
    const std::string p = percorso_da_uri(uri, archivio.forma());
    return p.empty() ? uri : p;
  }

  void apri(const json& t) {
    const std::string uri = stringa(t, "uri");
    documento doc{uri, stringa(t, "text"), formato::testo::treno, 0};
    if (t.contains("version") && t["version"].is_number_integer()) doc.versione = t["version"].get<int64_t>();
    tieni(std::move(doc));
  }

  void tieni(documento doc) {
    // A name of neither form: a text that holds the line's length is a line text.
    const std::string_view lunghezza = formato::records(formato::testo::linea).front().parola;
    doc.tipo = tipo_da_nome(chiave(doc.uri)).value_or(doc.testo.find(lunghezza) != std::string::npos
                                                          ? formato::testo::linea
                                                          : formato::testo::treno);
    const std::string k = chiave(doc.uri);
    aperti[k] = std::move(doc);
    segna(k);
  }

  // A text to check again (a line text's check covers every open run text of it).
  void segna(const std::string& k) { da_controllare.insert(k); }

  // Every open text of a folder whose partner may have come, changed or gone.
  void segna_cartella(const std::string& cartella) {
    for (const auto& [k, doc] : aperti) {
      if (cartella_di(k) == cartella) da_controllare.insert(k);
    }
  }

  void cambia(const json& p) {
    const json& t = membro(p, "textDocument");
    const std::string k = chiave(stringa(t, "uri"));
    const auto it = aperti.find(k);
    if (it == aperti.end()) return;
    const json& modifiche = membro(p, "contentChanges");
    if (!modifiche.is_array()) throw errore_rpc{INVALID_PARAMS, traduci("lsp.non_elenco", {{"nome", "contentChanges"}})};
    for (const json& c : modifiche) {
      const std::string nuovo = stringa(c, "text");
      if (!c.contains("range")) {
        it->second.testo = nuovo;
        continue;
      }
      if (!applica_modifica(it->second.testo, intervallo_da(c["range"]), nuovo, u)) return troppo_lungo(it);
    }
    if (t.contains("version") && t["version"].is_number_integer()) it->second.versione = t["version"].get<int64_t>();
    segna(k);
  }

  // A text grown beyond the limit is no longer followed: its buffer is dropped, and one
  // diagnostic says why.
  void troppo_lungo(std::map<std::string, documento>::iterator it) {
    const std::string uri = it->second.uri;
    aperti.erase(it);
    json d = {{"range", in_json(intervallo{})},
              {"severity", 1},
              {"source", NOME_PROGRAMMA},
              {"message", traduci("lsp.troppo_grande")}};
    notifica("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array({d})}});
  }

  // A save of a text not open here is a buffer saved under a new name: it is taken up,
  // with the text the save brings.
  void salvato(const json& p) {
    const std::string uri = stringa(membro(p, "textDocument"), "uri");
    const std::string k = chiave(uri);
    if (aperti.count(k) > 0) return segna(k);
    if (!p.contains("text") || !p["text"].is_string() || !tipo_da_nome(k)) return;
    tieni({uri, p["text"].get<std::string>(), formato::testo::treno, 0});
    segna_cartella(cartella_di(k));
  }

  void cambiati_su_disco(const json& modifiche) {
    if (!modifiche.is_array()) throw errore_rpc{INVALID_PARAMS, traduci("lsp.non_elenco", {{"nome", "changes"}})};
    for (const json& c : modifiche) {
      const std::string k = chiave(stringa(c, "uri"));
      // An open text is the editor's: its buffer holds, not the file.
      if (aperti.count(k) == 0) segna_cartella(cartella_di(k));
    }
  }

  void rinominati(const json& file) {
    if (!file.is_array()) throw errore_rpc{INVALID_PARAMS, traduci("lsp.non_elenco", {{"nome", "files"}})};
    for (const json& f : file) {
      const std::string vecchio = stringa(f, "oldUri");
      const std::string nuovo = stringa(f, "newUri");
      const auto it = aperti.find(chiave(vecchio));
      segna_cartella(cartella_di(chiave(vecchio)));
      if (it == aperti.end()) continue;
      documento doc = it->second;
      dimentica(it);
      doc.uri = nuovo;
      tieni(std::move(doc));
      segna_cartella(cartella_di(chiave(nuovo)));
    }
  }

  // A text no longer followed under its name: its diagnostics cleared.
  void dimentica(std::map<std::string, documento>::iterator it) {
    const std::string uri = it->second.uri;
    da_controllare.erase(it->first);
    chilometri.erase(it->first);
    tratte.erase(it->first);
    aperti.erase(it);
    correzioni.erase(uri);
    notifica("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}});
  }

  void chiudi(const std::string& uri) {
    const std::string k = chiave(uri);
    const auto it = aperti.find(k);
    if (it == aperti.end()) return;
    dimentica(it);
    // The partners, still open, are checked again with this text as it stands on disk.
    segna_cartella(cartella_di(k));
  }

  // ---- pairs --------------------------------------------------------------------------

  bool esiste(const std::string& percorso) {
    if (aperti.count(percorso) > 0) return true;
    const auto nomi = archivio.nomi(cartella_di(percorso));
    return std::find(nomi.begin(), nomi.end(), nome_di(percorso)) != nomi.end();
  }

  // A text that has a place in a folder, where its partner can be looked for.
  bool su_file(const std::string& k) {
    const auto it = aperti.find(k);
    return !percorso_da_uri(it != aperti.end() ? it->second.uri : uri_da_percorso(k, archivio.forma()), archivio.forma())
                .empty();
  }

  // The run texts a line text is checked with: every open one of its line, else the first
  // on disk by name; none when there is none.
  std::vector<std::string> treni_di(const std::string& linea) {
    const std::string cartella = cartella_di(linea);
    // The folder is listed once, when a text not open is first asked about.
    std::optional<std::vector<std::string>> nomi;
    const auto elenco = [&]() -> const std::vector<std::string>& {
      if (!nomi) {
        nomi = archivio.nomi(cartella);
        std::sort(nomi->begin(), nomi->end());
      }
      return *nomi;
    };
    const auto esiste = [&](const std::string& p) {
      return aperti.count(p) > 0 || std::binary_search(elenco().begin(), elenco().end(), nome_di(p));
    };
    std::vector<std::string> treni;
    for (const auto& [k, doc] : aperti) {
      if (cartella_di(k) == cartella && corsa_della_linea(linea, nome_di(k), esiste)) treni.push_back(k);
    }
    if (!treni.empty()) return treni;
    for (const std::string& n : elenco()) {
      if (corsa_della_linea(linea, n, esiste)) return {unisci(cartella, n)};
    }
    return {};
  }

  testo_ingresso ingresso(const std::string& percorso) {
    testo_ingresso t;
    t.etichetta = percorso;
    if (percorso.empty()) return t;
    if (const auto it = aperti.find(percorso); it != aperti.end()) {
      t.byte = it->second.testo;
    } else if (auto letto = archivio.leggi(percorso)) {
      t.byte = std::move(*letto);
    } else {
      t.motivo = traduci("lsp.illeggibile");
    }
    return t;
  }

  std::string uri_di(const std::string& percorso) {
    const auto it = aperti.find(percorso);
    return it != aperti.end() ? it->second.uri : uri_da_percorso(percorso, archivio.forma());
  }

  // What is said on a text checked without its partner: which file was looked for.
  std::string senza_partner(const std::string& k, formato::testo t) {
    if (t == formato::testo::linea) {
      const std::string id = linea_da_nome(k);
      if (id.empty()) return traduci("lsp.nome_non_di_linea");
      return traduci("lsp.linea_da_sola", {{"corsa", id + "_TRENO-.txt"}});
    }
    std::string cercati;
    for (const std::string& l : linee_possibili(k)) cercati += (cercati.empty() ? "" : traduci("lsp.oppure")) + nome_di(l);
    if (cercati.empty()) return traduci("lsp.nome_non_di_corsa");
    return traduci("lsp.corsa_da_sola", {{"linea", cercati}});
  }

  // ---- checking -----------------------------------------------------------------------

  void controlla_in_attesa() {
    while (!da_controllare.empty()) {
      // Line texts first: the check of one covers its open run texts too.
      auto it = std::find_if(da_controllare.begin(), da_controllare.end(), [&](const std::string& k) {
        const auto d = aperti.find(k);
        return d != aperti.end() && d->second.tipo == formato::testo::linea;
      });
      if (it == da_controllare.end()) it = da_controllare.begin();
      const std::string k = *it;
      da_controllare.erase(it);
      if (aperti.count(k) > 0) controlla(k);
    }
    sgombra();
  }

  // The partners `k` is checked with: those not open are told about from now on.
  void ricorda(const std::string& k, const std::vector<std::string>& partner) {
    std::set<std::string>& suoi = compagni[k];
    suoi.clear();
    for (const std::string& p : partner) {
      if (p.empty() || aperti.count(p) > 0) continue;
      suoi.insert(p);
      fuori.insert(p);
    }
  }

  // A text not open whose pair has no open text left: what was said of it is withdrawn, as
  // it is of a text closed.
  void sgombra() {
    std::set<std::string> tenuti;
    for (auto it = compagni.begin(); it != compagni.end();) {
      if (aperti.count(it->first) == 0) {
        it = compagni.erase(it);
        continue;
      }
      tenuti.insert(it->second.begin(), it->second.end());
      ++it;
    }
    for (auto it = fuori.begin(); it != fuori.end();) {
      if (aperti.count(*it) > 0 || tenuti.count(*it) > 0) {
        // An open text's diagnostics are its own, withdrawn when it closes.
        it = aperti.count(*it) > 0 ? fuori.erase(it) : std::next(it);
        continue;
      }
      const std::string uri = uri_di(*it);
      chilometri.erase(*it);
      tratte.erase(*it);
      correzioni.erase(uri);
      notifica("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}});
      it = fuori.erase(it);
    }
  }

  // The text `k` through the compile core as the command line's -c runs it, with its
  // partner: a line text with each of its open run texts.
  void controlla(const std::string& k) {
    const formato::testo t = aperti[k].tipo;
    if (!su_file(k)) {
      ricorda(k, {});
      return t == formato::testo::linea ? controlla_coppia(k, "", true, "") : controlla_coppia("", k, true, "");
    }
    if (t == formato::testo::treno) {
      const std::string linea = linea_della_corsa(k, [&](const std::string& p) { return esiste(p); });
      ricorda(k, {linea});
      return controlla_coppia(linea, k, true, linea.empty() ? senza_partner(k, t) : "");
    }
    const std::vector<std::string> treni = treni_di(k);
    ricorda(k, treni);
    if (treni.empty()) return controlla_coppia(k, "", true, senza_partner(k, t));
    for (size_t i = 0; i < treni.size(); ++i) controlla_coppia(k, treni[i], i == 0, "");
  }

  // One pair: the diagnostics of each text go to that text (the line text's only when
  // `con_linea`: a line checked with several runs speaks once). `solo` is said on the text
  // that was checked without its partner.
  void controlla_coppia(const std::string& linea, const std::string& treno, bool con_linea, const std::string& solo) {
    da_controllare.erase(linea);
    da_controllare.erase(treno);
    const richiesta q = richiesta_di_controllo(linea, ingresso(linea), treno, ingresso(treno));
    modello m;
    // A check writes no file: the model's own diagnostics are published, not a copy.
    compila_modello(q, m);
    const elenco_diagnostiche& diagnostiche = m.diagnostiche;
    if (!linea.empty()) {
      progressive km;
      for (size_t i = 0; i < km.size(); ++i) {
        const voce& v = m.tabella[voce_tabella::progressiva_tre + i];
        km[i] = {v.inizio, v.fine, v.posizione};
      }
      chilometri[linea] = km;
      if (!treno.empty()) chilometri[treno] = km;
    }
    if (!treno.empty()) ricorda_tratte(treno, m);
    std::map<std::string, json> per_testo;
    if (!linea.empty() && con_linea) per_testo[linea] = json::array();
    if (!treno.empty()) per_testo[treno] = json::array();
    if (!solo.empty()) {
      const std::string& solo_k = linea.empty() ? treno : linea;
      per_testo[solo_k].push_back({{"range", in_json(intervallo{})},
                                   {"severity", 3},
                                   {"source", NOME_PROGRAMMA},
                                   {"message", solo}});
    }
    pubblica(diagnostiche, q, treno.empty() ? linea : treno, per_testo);
  }

  void pubblica(const elenco_diagnostiche& elenco, const richiesta& q, const std::string& senza_luogo,
                std::map<std::string, json>& per_testo) {
    std::map<std::string, colonne_testo> colonne;
    for (const testo_ingresso* t : {&q.testo_linea, &q.testo_treno}) {
      if (!t->etichetta.empty() && t->byte) colonne.emplace(t->etichetta, colonne_testo(*t->byte));
    }
    const auto intervallo_in = [&](const luogo_testo& l) {
      const auto it = colonne.find(l.file);
      return it == colonne.end() ? intervallo{} : it->second.intervallo_di(l, u);
    };
    // A diagnostic of no text (the header checks) is shown on the run text, else on the
    // line text.
    std::map<std::string, std::vector<const diagnostica*>> scelte;
    for (const diagnostica& x : elenco) {
      const std::string& file = x.luogo && !x.luogo->file.empty() ? x.luogo->file : senza_luogo;
      if (per_testo.count(file) > 0) scelte[file].push_back(&x);  // not a stand-in text's own
    }
    for (auto& [file, diagnostiche] : per_testo) {
      correzioni[uri_di(file)].clear();
      std::vector<const diagnostica*>& tutte = scelte[file];
      // Over the cap, errors before warnings: the last one says what is left out.
      size_t mostrate = tutte.size();
      if (tutte.size() > MASSIMO_DIAGNOSTICHE) {
        std::stable_sort(tutte.begin(), tutte.end(),
                         [](const diagnostica* a, const diagnostica* b) { return a->livello < b->livello; });
        mostrate = MASSIMO_DIAGNOSTICHE - 1;
      }
      for (size_t i = 0; i < mostrate; ++i) {
        const diagnostica& x = *tutte[i];
        const intervallo r = x.luogo && x.luogo->file == file ? intervallo_in(*x.luogo) : intervallo{};
        json d = {{"range", in_json(r)},
                  {"severity", gravita_lsp(x.livello)},
                  {"source", NOME_PROGRAMMA},
                  {"message", messaggio_diagnostica(x)}};
        if (x.numero > 0) d["code"] = x.numero;
        json correlate = json::array();
        for (const nota_diagnostica& n : x.note) {
          if (colonne.count(n.luogo.file) == 0) continue;
          correlate.push_back({{"location", {{"uri", uri_di(n.luogo.file)}, {"range", in_json(intervallo_in(n.luogo))}}},
                               {"message", messaggio_nota(n)}});
        }
        if (!correlate.empty()) d["relatedInformation"] = correlate;
        if (x.correggi && x.correggi->luogo.file == file) {
          correzioni[uri_di(file)].push_back({r, d, intervallo_in(x.correggi->luogo), testo_in_utf8(x.correggi->sostituzione)});
        }
        diagnostiche.push_back(std::move(d));
      }
      if (mostrate < tutte.size()) diagnostiche.push_back(altre(tutte, mostrate, file, intervallo_in));
      json parametri = {{"uri", uri_di(file)}, {"diagnostics", std::move(diagnostiche)}};
      if (const auto it = aperti.find(file); it != aperti.end()) parametri["version"] = it->second.versione;
      notifica("textDocument/publishDiagnostics", std::move(parametri));
    }
  }

  // The last diagnostic of a text over the cap: how many more, at the first left out.
  template <typename F>
  static json altre(const std::vector<const diagnostica*>& tutte, size_t mostrate, const std::string& file,
                    const F& intervallo_in) {
    size_t errori = 0;
    for (size_t i = mostrate; i < tutte.size(); ++i) errori += tutte[i]->livello == gravita::errore ? 1 : 0;
    const diagnostica& prima = *tutte[mostrate];
    const intervallo r = prima.luogo && prima.luogo->file == file ? intervallo_in(*prima.luogo) : intervallo{};
    return {{"range", in_json(r)},
            {"severity", gravita_lsp(prima.livello)},
            {"source", NOME_PROGRAMMA},
            {"message", traduci("lsp.oltre_il_limite", {{"altre", tutte.size() - mostrate},
                                                         {"errori", errori},
                                                         {"avvisi", tutte.size() - mostrate - errori}})}};
  }

  // ---- answers ------------------------------------------------------------------------

  struct punto {
    const documento* doc = nullptr;
    std::string chiave;
    int64_t riga = 0;
    size_t byte = 0;  // in the line
    std::string linea;
  };

  punto punto_di(const json& p) {
    punto x;
    x.chiave = chiave(stringa(membro(p, "textDocument"), "uri"));
    const posizione pos = posizione_da(membro(p, "position"));
    const auto it = aperti.find(x.chiave);
    if (it == aperti.end()) return x;
    x.doc = &it->second;
    x.riga = pos.riga;
    x.linea = std::string(riga_di(x.doc->testo, inizi_righe(x.doc->testo), pos.riga));
    x.byte = byte_da_unita(x.linea, pos.carattere, u);
    return x;
  }

  intervallo in_riga(const std::string& linea, int64_t riga, elemento e) {
    return {{riga, unita_fino_a(linea, e.da, u)}, {riga, unita_fino_a(linea, e.a, u)}};
  }

  // The legs of the fastest run of a run text that compiled, by their last station's line.
  void ricorda_tratte(const std::string& treno, const modello& m) {
    tratte.erase(treno);
    if (con_errori(m.diagnostiche)) return;
    const marcia_tesa mt = calcola_marcia_tesa(m.percorso, m.tabella, {});
    std::map<int, int64_t> righe;  // by table entry, the station record's line
    for (const record_letto& r : m.letti.records) {
      if (r.voce >= 0 && r.testo == 1 && r.descrizione->parola == "stazione") righe[r.voce] = r.riga - 1;
    }
    for (const tratta_marcia& t : mt.tratte) {
      const auto riga = righe.find(mt.fermate[t.a].voce);
      if (riga == righe.end()) continue;
      tratte[treno][riga->second] = {t, m.tabella[static_cast<size_t>(mt.fermate[t.da].voce)].nome, mt.ipotesi};
    }
  }

  // A station with a time: its leg's least times and slack, after what the record says.
  void aggiungi_tratta(testo_doppio& d, const std::string& chiave, int64_t riga) {
    const auto testo = tratte.find(chiave);
    if (testo == tratte.end()) return;
    const auto x = testo->second.find(riga);
    if (x == testo->second.end()) return;
    const tratta_marcia& t = x->second.t;
    const auto resta = margine(t);
    d.separatore().testo(rendi(frase("marcia.hover", {{"da", x->second.da},
                                                      {"concesso", testo_durata(t.concesso())},
                                                      {"minimo", testo_minimo(t.minimo, t.blocco)},
                                                      {"margine", resta ? testo_durata(*resta) : messaggio("-")},
                                                      {"senza_ipotesi", testo_minimo(t.minimo_senza_ipotesi, t.blocco_senza_ipotesi)}})));
    if (!resta || *resta < 0) d.testo(" ").testo(rendi(frase("marcia.hover_impossibile")));
    d.testo(" ").testo(rendi(frase("marcia.hover_ipotesi", {{"ipotesi", testo_ipotesi(x->second.ipotesi)}})));
  }

  json hover_di(const json& p) {
    const punto x = punto_di(p);
    if (x.doc == nullptr) return nullptr;
    const auto km = chilometri.find(x.chiave);
    auto h = hover(x.doc->testo, x.riga, x.byte, x.doc->tipo,
                   km == chilometri.end() ? std::nullopt : std::optional<progressive>(km->second));
    if (!h) return nullptr;
    aggiungi_tratta(h->contenuto, x.chiave, x.riga);
    return {{"contents", testo_per(markdown_hover, h->contenuto)}, {"range", in_json(in_riga(x.linea, x.riga, h->dove))}};
  }

  json completamenti_di(const json& p) {
    const punto x = punto_di(p);
    json voci = json::array();
    if (x.doc == nullptr) return voci;
    const completamenti_riga c = completamenti(x.doc->testo, x.riga, x.byte, x.doc->tipo);
    const intervallo sostituito = in_riga(x.linea, x.riga, {c.da, x.byte});
    for (const completamento& v : c.voci) {
      json voce = {{"label", v.etichetta},
                   {"kind", v.sezione ? 9 : 14},
                   // The section's records first, then the headers.
                   {"sortText", (v.sezione ? "1 " : "0 ") + v.etichetta},
                   {"detail", v.dettaglio},
                   {"insertTextFormat", snippet && !v.sezione ? 2 : 1},
                   {"textEdit", {{"range", in_json(sostituito)}, {"newText", snippet ? v.inserisci : v.semplice}}}};
      if (!v.documentazione.markdown.empty()) voce["documentation"] = testo_per(markdown_documentazione, v.documentazione);
      voci.push_back(std::move(voce));
    }
    return {{"isIncomplete", false}, {"items", std::move(voci)}};
  }

  static bool si_toccano(const intervallo& a, const intervallo& b) {
    const auto prima = [](posizione x, posizione y) {
      return x.riga < y.riga || (x.riga == y.riga && x.carattere < y.carattere);
    };
    return !prima(a.fine, b.inizio) && !prima(b.fine, a.inizio);
  }

  json azioni_di(const json& p) {
    const std::string uri = stringa(membro(p, "textDocument"), "uri");
    const intervallo chiesto = intervallo_da(membro(p, "range"));
    json azioni = json::array();
    const auto it = correzioni.find(uri);
    if (it == correzioni.end()) return azioni;
    for (const correzione_offerta& c : it->second) {
      if (!si_toccano(c.dove, chiesto)) continue;
      json modifica = {{"range", in_json(c.sostituito)}, {"newText", c.nuovo}};
      azioni.push_back({{"title", traduci("lsp.sostituisci", {{"nuovo", c.nuovo}})},
                        {"kind", "quickfix"},
                        {"isPreferred", true},
                        {"diagnostics", json::array({c.diagnostica})},
                        {"edit", {{"changes", {{uri, json::array({modifica})}}}}}});
    }
    return azioni;
  }

  json simbolo_json(const documento& doc, const std::vector<size_t>& inizi, const simbolo& s) {
    static constexpr int tipi[] = {3, 23, 15, 24};  // Namespace, Struct, String, Event
    const std::string prima(riga_di(doc.testo, inizi, s.riga_da));
    const std::string ultima(riga_di(doc.testo, inizi, s.riga_a));
    const intervallo tutto{{s.riga_da, 0}, {s.riga_a, unita_fino_a(ultima, ultima.size(), u)}};
    json j = {{"name", s.nome.empty() ? std::string("?") : s.nome},
              {"kind", tipi[static_cast<int>(s.quale)]},
              {"range", in_json(tutto)},
              {"selectionRange", in_json(in_riga(prima, s.riga_da, s.selezione))}};
    if (!s.dettaglio.empty()) j["detail"] = s.dettaglio;
    if (!s.figli.empty()) {
      j["children"] = json::array();
      for (const simbolo& f : s.figli) j["children"].push_back(simbolo_json(doc, inizi, f));
    }
    return j;
  }

  json firma_di(const json& p) {
    const punto x = punto_di(p);
    if (x.doc == nullptr) return nullptr;
    const auto f = firma(x.doc->testo, x.riga, x.byte, x.doc->tipo);
    if (!f) return nullptr;
    // The record as written, each value's place in it for the client to underline.
    std::string etichetta(f->r->parola);
    json valori = json::array();
    for (const formato::campo& c : f->r->campi) {
      etichetta += ", ";
      const int64_t da = unita_fino_a(etichetta, etichetta.size(), u);
      etichetta += c.nome;
      testo_doppio d;
      d.testo(unita_e_limiti(c)).testo(": ").testo(rendi(significato_campo(*f->r, c)));
      valori.push_back({{"label", {da, unita_fino_a(etichetta, etichetta.size(), u)}},
                        {"documentation", testo_per(markdown_firma, d)}});
    }
    json scritta = {{"label", etichetta}, {"parameters", std::move(valori)}};
    json esito = {{"signatures", json::array({scritta})}, {"activeSignature", 0}};
    if (f->campo) {
      testo_doppio d = descrivi_campo(*f->r, f->r->campi[*f->campo], "");
      esito["signatures"][0]["documentation"] = testo_per(markdown_firma, d);
      esito["signatures"][0]["activeParameter"] = *f->campo;
      esito["activeParameter"] = *f->campo;
    }
    return esito;
  }

  const documento* documento_di(const json& p) {
    const auto it = aperti.find(chiave(stringa(membro(p, "textDocument"), "uri")));
    return it == aperti.end() ? nullptr : &it->second;
  }

  json suggerimenti_di(const json& p) {
    json elenco = json::array();
    const documento* doc = documento_di(p);
    if (doc == nullptr) return elenco;
    const intervallo r = intervallo_da(membro(p, "range"));
    const auto km = chilometri.find(chiave(doc->uri));
    const std::vector<size_t> inizi = inizi_righe(doc->testo);
    for (const suggerimento& s : suggerimenti(doc->testo, r.inizio.riga, r.fine.riga, doc->tipo,
                                              km == chilometri.end() ? std::nullopt
                                                                     : std::optional<progressive>(km->second))) {
      const std::string_view riga = riga_di(doc->testo, inizi, s.riga);
      elenco.push_back({{"position", in_json(posizione{s.riga, unita_fino_a(riga, s.byte, u)})},
                        {"label", s.testo},
                        {"paddingLeft", true}});
    }
    return elenco;
  }

  json pieghe_di(const json& p) {
    json elenco = json::array();
    const documento* doc = documento_di(p);
    if (doc == nullptr) return elenco;
    for (const piega& x : pieghe(doc->testo, doc->tipo)) {
      elenco.push_back({{"startLine", x.da}, {"endLine", x.a}, {"kind", "region"}});
    }
    return elenco;
  }

  // Each part as five numbers relative to the previous one: line, start, length, kind,
  // modifiers.
  json gettoni_di(const json& p) {
    const documento* doc = documento_di(p);
    if (doc == nullptr) return nullptr;
    const std::vector<size_t> inizi = inizi_righe(doc->testo);
    std::vector<int64_t> dati;
    int64_t riga_prima = 0;
    int64_t da_prima = 0;
    for (const pezzo& x : pezzi(doc->testo, doc->tipo)) {
      const std::string_view riga = riga_di(doc->testo, inizi, x.riga);
      const int64_t da = unita_fino_a(riga, x.dove.da, u);
      const int64_t a = unita_fino_a(riga, x.dove.a, u);
      dati.insert(dati.end(), {x.riga - riga_prima, x.riga == riga_prima ? da - da_prima : da, a - da,
                               static_cast<int64_t>(x.quale), 0});
      riga_prima = x.riga;
      da_prima = da;
    }
    return {{"data", std::move(dati)}};
  }

  // The whole text laid out, as one edit; nothing when the layout is refused, and the
  // reason told.
  void impagina_documento(const json& id, const json& p) {
    const documento* doc = documento_di(p);
    if (doc == nullptr) return rispondi(id, nullptr);
    const std::string k = chiave(doc->uri);
    std::string linea = doc->tipo == formato::testo::linea ? k : "";
    std::string treno = doc->tipo == formato::testo::treno ? k : "";
    if (su_file(k) && linea.empty()) linea = linea_della_corsa(k, [&](const std::string& x) { return esiste(x); });
    if (su_file(k) && treno.empty()) {
      const std::vector<std::string> treni = treni_di(k);
      if (!treni.empty()) treno = treni.front();
    }
    const impaginato esito =
        impagina_controllato(richiesta_di_controllo(linea, ingresso(linea), treno, ingresso(treno)), doc->tipo);
    if (esito.rifiuto) return sbaglia(id, REQUEST_FAILED, traduci("lsp.impaginazione_rifiutata", {{"perche", *esito.rifiuto}}));
    json modifiche = json::array();
    if (esito.testo != doc->testo) {
      // The whole text: its end is past the last line.
      const std::vector<size_t> inizi = inizi_righe(doc->testo);
      const auto ultima = static_cast<int64_t>(inizi.size()) - 1;
      const std::string_view fine = riga_di(doc->testo, inizi, ultima);
      modifiche.push_back({{"range", in_json(intervallo{{0, 0}, {ultima, unita_fino_a(fine, fine.size(), u)}})},
                           {"newText", esito.testo}});
    }
    rispondi(id, std::move(modifiche));
  }

  json simboli_di(const json& p) {
    const auto it = aperti.find(chiave(stringa(membro(p, "textDocument"), "uri")));
    json elenco = json::array();
    if (it == aperti.end()) return elenco;
    const std::vector<size_t> inizi = inizi_righe(it->second.testo);
    for (const simbolo& s : simboli(it->second.testo, it->second.tipo)) {
      elenco.push_back(simbolo_json(it->second, inizi, s));
    }
    return elenco;
  }
};

server::server(disco& d) : s_(std::make_unique<stato>(d)) {}
server::~server() = default;

std::vector<std::string> server::ricevi(const std::vector<std::string>& corpi) {
  // Every answer and every diagnostic in the language the editor asked for (initialize
  // may name it within this batch).
  const lingua_per_ora parla(s_->lingua_editor);
  s_->inviare.clear();
  std::vector<json> messaggi;
  messaggi.reserve(corpi.size());
  for (const std::string& c : corpi) {
    json m = json::parse(c, nullptr, false);
    if (m.is_discarded()) {
      s_->sbaglia(nullptr, PARSE_ERROR, traduci("lsp.non_json"));
      continue;
    }
    // A cancellation takes effect on every request of the batch, whichever comes first.
    if (m.is_object() && m.value("method", json()) == "$/cancelRequest" && m.contains("params") &&
        m["params"].is_object() && m["params"].contains("id")) {
      s_->annullate.insert(m["params"]["id"].dump());
      continue;
    }
    messaggi.push_back(std::move(m));
  }
  for (const json& m : messaggi) {
    if (s_->uscita) break;
    try {
      s_->tratta(m);
    } catch (const std::exception&) {
      // A failure outside any request (out of memory while checking): the texts stay,
      // the next change checks them again.
    }
  }
  try {
    if (!s_->uscita) s_->controlla_in_attesa();
  } catch (const std::exception&) {
  }
  // Cancellations of requests answered before them are forgotten.
  s_->annullate.clear();
  return std::move(s_->inviare);
}

std::string server::rifiutato(const messaggio& motivo) {
  return scrivi({{"jsonrpc", "2.0"}, {"id", nullptr}, {"error", {{"code", INVALID_REQUEST}, {"message", rendi(motivo, s_->lingua_editor)}}}});
}

std::optional<int> server::uscita() const { return s_->uscita; }

}  // namespace scenario::lsp
