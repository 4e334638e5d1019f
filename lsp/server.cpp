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
#include <utility>

#include "lsp/contenuti.h"
#include "lsp/coppie.h"
#include "lsp/navigazione.h"
#include "lsp/pagina_viva.h"
#include "lsp/testi.h"
#include "lingue/diagnostiche.h"
#include "lingue/parole_formato.h"
#include "model/modello.h"
#include "nucleo/compilazione.h"
#include "nucleo/impaginazione.h"
#include "nucleo/nomi_testi.h"
#include "nucleo/verifica_orario.h"
#include "text/codifica.h"
#include "track/rapporto_errori.h"

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

// A record written out of order along the line: its fix moves it. One that could not be
// read: when its line lacks only values the description lets be empty, its fix writes them.
constexpr int32_t FUORI_ORDINE = avviso::fuori_ordine;
constexpr int32_t LETTURA_FALLITA = codice::lettura_fallita;

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
  // A record out of order along the line: its line, moved where its position puts it
  // (worked out when asked for, on the text as it then stands), instead of a replacement.
  std::optional<int64_t> sposta_riga;
  std::string titolo;  // what the fix does, when not a replacement of a word
};

// The places a diagnostic's notes name, for going to them from it.
struct note_offerte {
  intervallo dove;
  json luoghi;  // Location[]
};


// At most this many diagnostics a text, the last telling how many more: a text with
// thousands of misspelt keywords would otherwise cost the editor seconds a keystroke.
constexpr size_t MASSIMO_DIAGNOSTICHE = 200;

// The kinds of the parts of a line, in the order of `gettone`, as the semantic tokens'
// legend names them; an unknown keyword has a kind of its own.
// The command that writes the page of a text's pair and keeps it written.
constexpr const char* COMANDO_PAGINA = "compilaScenario.pagina";

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

int gravita_lsp(gravita g, bool severo) {
  switch (g) {
    case gravita::errore: return 1;
    case gravita::avviso: return severo ? 1 : 2;  // with --severo a warning stops the build
    case gravita::nota: return 3;
  }
  return 1;
}

// A note folded into its diagnostic's message: "Valle_linea.txt:12:1: note: ...", the
// text named by its file's name.
std::string riga_nota(const nota_diagnostica& n) {
  std::string luogo;
  if (!n.luogo.file.empty()) {
    luogo = testo_in_utf8(nome_di(n.luogo.file));
    if (n.luogo.riga > 0) luogo += ":" + std::to_string(n.luogo.riga) + ":" + std::to_string(n.luogo.colonna);
    luogo += ": ";
  }
  return luogo + "note: " + messaggio_nota(n);
}

// What the author set for the server (the editor's settings, section "compilaScenario"),
// as the command line's options say it.
struct impostazioni {
  std::optional<lingua> lingua_scelta;  // --lingua; none: the editor's own
  bool permissivo = false;              // --permissivo
  bool severo = false;                  // --severo
  bool note = false;                    // --verboso: the catalogue's notes shown too
  bool operator==(const impostazioni&) const = default;
};

// The settings an object names; what it leaves out or gives in another type is the default.
impostazioni impostazioni_da(const json& o) {
  impostazioni i;
  if (!o.is_object()) return i;
  const auto vero = [&](const char* nome) { return o.contains(nome) && o[nome].is_boolean() && o[nome].get<bool>(); };
  if (o.contains("lingua") && o["lingua"].is_string()) i.lingua_scelta = lingua_da_nome(o["lingua"].get<std::string>());
  i.permissivo = vero("permissivo");
  i.severo = vero("severo");
  i.note = vero("note");
  return i;
}

// The settings' section, given whole or inside an object that names it.
constexpr const char* SEZIONE_IMPOSTAZIONI = "compilaScenario";
std::optional<json> sezione_impostazioni(const json& o) {
  if (!o.is_object()) return std::nullopt;
  if (o.contains(SEZIONE_IMPOSTAZIONI)) return o[SEZIONE_IMPOSTAZIONI];
  for (const char* nome : {"lingua", "permissivo", "severo", "note"}) {
    if (o.contains(nome)) return o;
  }
  return std::nullopt;
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
  // A text last seen under a name its buffer was saved away from: no longer checked or
  // told about, but kept, should the editor still name it.
  std::map<std::string, documento> lasciati;
  // What each text read from disk held when a check last read it (a digest), to notice one
  // changed or gone that no watcher told about.
  std::map<std::string, size_t> letti_da_disco;
  std::set<std::string> in_controllo;  // the texts of the check under way
  std::set<std::string> da_controllare;
  std::set<std::string> annullate;  // ids of requests cancelled before they were answered
  std::map<std::string, std::vector<correzione_offerta>> correzioni;  // by URI
  std::map<std::string, std::vector<note_offerte>> note_di;          // by URI
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
  bool mostra_correlate = false;     // it shows a diagnostic's related places
  bool chiede_impostazioni = false;  // it answers workspace/configuration
  lingua lingua_locale = lingua_attiva();  // the editor's own language
  lingua lingua_editor = lingua_attiva();  // what the answers speak
  impostazioni impostate;
  bool mostra_documenti = false;  // it opens a document the server names (window/showDocument)
  bool tira = false;              // it asks for an open text's diagnostics itself
  bool rinfresca = false;         // and takes a word that they changed
  // The diagnostics of each text as last made, by URI, and a count of their changes.
  struct diagnostiche_tenute {
    int64_t id = 0;
    json elenco = json::array();
  };
  std::map<std::string, diagnostiche_tenute> tenute;
  std::set<std::string> cambiati_dal_client;  // the texts the client changed in this batch
  bool da_rinfrescare = false;
  // The pages kept beside the texts, by the pair they show (line text, run text).
  std::map<std::pair<std::string, std::string>, pagina_viva> pagine;
  std::set<std::pair<std::string, std::string>> pagine_da_scrivere;  // checked since last written
  // Our requests still unanswered that wait for an answer: the settings asked for.
  std::set<std::string> impostazioni_chieste;
  int64_t richieste_fatte = 0;

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
  // A request of ours: its id, made of what it asks and a count.
  std::string chiedi(const char* nome, const char* metodo, json parametri) {
    const std::string id = std::string(nome) + "-" + std::to_string(++richieste_fatte);
    json m = {{"jsonrpc", "2.0"}, {"id", id}, {"method", metodo}};
    if (!parametri.is_null()) m["params"] = std::move(parametri);
    inviare.push_back(scrivi(m));
    return id;
  }

  // The client's answer to a request of ours: the settings are taken up; the other
  // answers (a registration, a document shown) change nothing here.
  void risposta_del_client(const json& m) {
    if (!m["id"].is_string() || impostazioni_chieste.erase(m["id"].get<std::string>()) == 0) return;
    if (!m.contains("result") || !m["result"].is_array() || m["result"].empty()) return;
    imposta(impostazioni_da(m["result"][0]));
  }

  void chiedi_impostazioni() {
    if (!chiede_impostazioni) return;
    impostazioni_chieste.insert(
        chiedi("impostazioni", "workspace/configuration", {{"items", {{{"section", SEZIONE_IMPOSTAZIONI}}}}}));
  }

  // New settings: every open text is checked again under them.
  void imposta(const impostazioni& nuove) {
    if (nuove == impostate) return;
    impostate = nuove;
    lingua_editor = impostate.lingua_scelta.value_or(lingua_locale);
    imposta_lingua(lingua_editor);
    for (const auto& [k, doc] : aperti) segna(k);
  }

  void impostazioni_cambiate(const json& p) {
    const auto sezione = sezione_impostazioni(p.value("settings", json()));
    if (sezione) return imposta(impostazioni_da(*sezione));
    // A client that sends no settings here is asked for them.
    chiedi_impostazioni();
  }
  json testo_per(bool markdown, const testo_doppio& t) {
    return {{"kind", markdown ? "markdown" : "plaintext"}, {"value", markdown ? t.markdown : t.semplice}};
  }

  static bool id_valido(const json& id) { return id.is_string() || id.is_number_integer(); }

  void tratta(const json& m) {
    if (!m.is_object()) return sbaglia(nullptr, INVALID_REQUEST, traduci("lsp.non_rpc"));
    if (!m.contains("method")) {
      // The client's answer to a request of ours; any other message with an id is answered.
      if (m.contains("id") && (m.contains("result") || m.contains("error"))) return risposta_del_client(m);
      const json id = m.contains("id") && id_valido(m["id"]) ? m["id"] : json();
      return sbaglia(id, INVALID_REQUEST, traduci(m.contains("id") ? "lsp.senza_metodo" : "lsp.non_rpc"));
    }
    const bool richiesta = m.contains("id");
    const json id = richiesta ? m["id"] : json();
    if (richiesta && !id_valido(id)) {
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
    if (metodo == "textDocument/semanticTokens/full/delta") return rispondi(id, gettoni_cambiati(p));
    if (metodo == "textDocument/semanticTokens/range") return rispondi(id, gettoni_tratto(p));
    if (metodo == "textDocument/definition") return rispondi(id, definizione_di(p));
    if (metodo == "textDocument/references") return rispondi(id, riferimenti_di(p));
    if (metodo == "textDocument/documentHighlight") return rispondi(id, evidenzia(p));
    if (metodo == "textDocument/prepareRename") return rispondi(id, prepara_nome(p));
    if (metodo == "textDocument/rename") return rispondi(id, rinomina(p));
    if (metodo == "textDocument/codeLens") return rispondi(id, lenti_di(p));
    if (metodo == "textDocument/diagnostic") return rispondi(id, diagnostica_di(p));
    if (metodo == "workspace/executeCommand") return rispondi(id, esegui(p));
    if (metodo == "textDocument/formatting") return impagina_documento(id, p);
    if (metodo == "textDocument/rangeFormatting") return impagina_tratto(id, p);
    sbaglia(id, METHOD_NOT_FOUND, traduci("lsp.metodo_sconosciuto", {{"metodo", metodo}}));
  }

  void tratta_notifica(const std::string& metodo, const json& p) {
    if (metodo == "exit") {
      uscita = chiuso ? 0 : 1;
      return;
    }
    if (!inizializzato || chiuso) return;  // notifications are dropped then
    if (metodo == "initialized") {
      osserva();
      return chiedi_impostazioni();
    }
    if (metodo == "workspace/didChangeConfiguration") return impostazioni_cambiate(p);
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
    mostra_correlate = c.value("/textDocument/publishDiagnostics/relatedInformation"_json_pointer, false) == true;
    chiede_impostazioni = c.value("/workspace/configuration"_json_pointer, false) == true;
    mostra_documenti = c.value("/window/showDocument/support"_json_pointer, false) == true;
    tira = c.contains("/textDocument/diagnostic"_json_pointer);
    rinfresca = c.value("/workspace/diagnostics/refreshSupport"_json_pointer, false) == true;
    // The editor's own language ("en", "it-IT"), when it says one the server speaks;
    // otherwise the user's settings, as the command line reads them.
    if (const auto locale = p.find("locale"); locale != p.end() && locale->is_string()) {
      lingua_locale = lingua_da_nome(locale->get<std::string>()).value_or(lingua_locale);
    }
    impostate = impostazioni_da(sezione_impostazioni(p.value("initializationOptions", json())).value_or(json()));
    lingua_editor = impostate.lingua_scelta.value_or(lingua_locale);
    imposta_lingua(lingua_editor);
    inizializzato = true;
    json capacita = {
        {"positionEncoding", u == unita::utf8 ? "utf-8" : "utf-16"},
        // A save brings its text: a buffer saved under a new name is taken up from it.
        {"textDocumentSync", {{"openClose", true}, {"change", 2}, {"save", {{"includeText", true}}}}},
        {"hoverProvider", true},
        {"completionProvider", {{"triggerCharacters", {"[", ","}}}},
        {"signatureHelpProvider", {{"triggerCharacters", {","}}, {"retriggerCharacters", {" "}}}},
        {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
        {"documentSymbolProvider", true},
        {"foldingRangeProvider", true},
        {"semanticTokensProvider",
         {{"legend", {{"tokenTypes", TIPI_GETTONI}, {"tokenModifiers", json::array()}}},
          {"full", {{"delta", true}}},
          {"range", true}}},
        {"definitionProvider", true},
        {"referencesProvider", true},
        {"documentHighlightProvider", true},
        {"renameProvider", {{"prepareProvider", true}}},
        {"documentFormattingProvider", true},
        {"documentRangeFormattingProvider", true},
        {"codeLensProvider", {{"resolveProvider", false}}},
        {"diagnosticProvider", {{"interFileDependencies", true}, {"workspaceDiagnostics", false}}},
        {"executeCommandProvider", {{"commands", {COMANDO_PAGINA}}}},
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
    cambiati_dal_client.insert(k);
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

  // A text the editor names again after its buffer seemed saved away from it: still open.
  void ripreso(const std::string& k) {
    const auto it = lasciati.find(k);
    if (it == lasciati.end()) return;
    aperti[k] = std::move(it->second);
    lasciati.erase(it);
    segna(k);
  }

  void cambia(const json& p) {
    const json& t = membro(p, "textDocument");
    const std::string k = chiave(stringa(t, "uri"));
    ripreso(k);
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
    cambiati_dal_client.insert(k);
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
  // with the text the save brings, and the one open text of the same kind that holds
  // exactly that text is the name it was saved away from (the editor says nothing of it):
  // it is told about no more.
  void salvato(const json& p) {
    const std::string uri = stringa(membro(p, "textDocument"), "uri");
    const std::string k = chiave(uri);
    ripreso(k);
    if (aperti.count(k) > 0) return segna(k);
    if (!p.contains("text") || !p["text"].is_string() || !tipo_da_nome(k)) return;
    const std::string testo = p["text"].get<std::string>();
    std::vector<std::map<std::string, documento>::iterator> uguali;
    for (auto it = aperti.begin(); it != aperti.end(); ++it) {
      if (it->second.testo == testo && it->second.tipo == *tipo_da_nome(k)) uguali.push_back(it);
    }
    if (uguali.size() == 1) {
      const std::string vecchio = uguali.front()->first;
      documento doc = uguali.front()->second;
      dimentica(uguali.front());
      lasciati[vecchio] = std::move(doc);
      segna_cartella(cartella_di(vecchio));
    }
    tieni({uri, testo, formato::testo::treno, 0});
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
    note_di.erase(uri);
    tenute.erase(uri);
    ultimi_gettoni.erase(uri);
    notifica("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}});
  }

  void chiudi(const std::string& uri) {
    const std::string k = chiave(uri);
    lasciati.erase(k);
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
      return t;
    }
    if (auto letto = archivio.leggi(percorso)) {
      t.byte = std::move(*letto);
    } else {
      t.motivo = traduci("lsp.illeggibile");
    }
    visto_su_disco(percorso, t.byte ? std::max<size_t>(std::hash<std::string>()(*t.byte), 1) : 0);
    return t;
  }

  // A text on disk as a check just read it (`impronta` 0: unreadable, or gone): if it
  // differs from what an earlier check read, every other open text checked with it is
  // checked again (an editor that watches no file says nothing of it).
  void visto_su_disco(const std::string& percorso, size_t impronta) {
    const auto it = letti_da_disco.find(percorso);
    const bool cambiato = it != letti_da_disco.end() && it->second != impronta;
    if (impronta == 0 && it != letti_da_disco.end()) letti_da_disco.erase(it);
    if (impronta != 0) letti_da_disco[percorso] = impronta;
    if (!cambiato) return;
    for (const auto& [k, suoi] : compagni) {
      if (suoi.count(percorso) > 0 && in_controllo.count(k) == 0) segna(k);
    }
  }

  std::string uri_di(const std::string& percorso) {
    const auto it = aperti.find(percorso);
    return it != aperti.end() ? it->second.uri : uri_da_percorso(percorso, archivio.forma());
  }

  // What is said on a text checked without its partner: which file was looked for.
  std::string senza_partner(const std::string& k, formato::testo t) {
    if (t == formato::testo::linea) {
      const std::string id = linea_da_percorso(k);
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

  // The partners `k` is checked with: those not open are told about from now on. One it
  // was checked with before and is not now (gone from disk) is no more the partner of
  // the other open texts either.
  void ricorda(const std::string& k, const std::vector<std::string>& partner) {
    std::set<std::string> prima = std::move(compagni[k]);
    std::set<std::string>& suoi = compagni[k];
    suoi.clear();
    for (const std::string& p : partner) {
      if (p.empty() || aperti.count(p) > 0) continue;
      suoi.insert(p);
      fuori.insert(p);
    }
    for (const std::string& p : prima) {
      if (suoi.count(p) == 0 && aperti.count(p) == 0) visto_su_disco(p, 0);
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
    in_controllo = {k};
    controlla_testo(k);
    in_controllo.clear();
  }

  void controlla_testo(const std::string& k) {
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
    richiesta q = richiesta_di_controllo(linea, ingresso(linea), treno, ingresso(treno));
    q.permissivo = impostate.permissivo;
    modello m;
    // A check writes no file: the model's own diagnostics are published, not a copy.
    compila_modello(q, m);
    const elenco_diagnostiche& diagnostiche = m.diagnostiche;
    // The page waits until the diagnostics have gone and no message is waiting.
    if (pagine.count({linea, treno}) > 0) pagine_da_scrivere.insert({linea, treno});
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
      // A note of the catalogue only informs: shown when the settings ask for it, as -v
      // shows it on the command line.
      if (x.livello == gravita::nota && x.numero != 0 && !impostate.note) continue;
      const std::string& file = x.luogo && !x.luogo->file.empty() ? x.luogo->file : senza_luogo;
      if (per_testo.count(file) > 0) scelte[file].push_back(&x);  // not a stand-in text's own
    }
    for (auto& [file, diagnostiche] : per_testo) {
      correzioni[uri_di(file)].clear();
      note_di[uri_di(file)].clear();
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
                  {"severity", gravita_lsp(x.livello, impostate.severo)},
                  {"source", NOME_PROGRAMMA},
                  {"message", messaggio_diagnostica(x)}};
        if (x.numero > 0) d["code"] = x.numero;
        if (mostra_correlate) {
          json correlate = json::array();
          for (const nota_diagnostica& n : x.note) {
            if (colonne.count(n.luogo.file) == 0) continue;
            correlate.push_back({{"location", {{"uri", uri_di(n.luogo.file)}, {"range", in_json(intervallo_in(n.luogo))}}},
                                 {"message", messaggio_nota(n)}});
          }
          if (!correlate.empty()) d["relatedInformation"] = correlate;
        } else if (!x.note.empty()) {
          // A client that shows no related place reads the notes in the message itself, a
          // line each, as the command line writes them.
          std::string& messaggio = d["message"].get_ref<std::string&>();
          for (const nota_diagnostica& n : x.note) messaggio += "\n" + riga_nota(n);
        }
        if (x.correggi && x.correggi->luogo.file == file) {
          correzioni[uri_di(file)].push_back({r, d, intervallo_in(x.correggi->luogo), testo_in_utf8(x.correggi->sostituzione), {}, ""});
        } else if (x.numero == FUORI_ORDINE && x.luogo && x.luogo->file == file && aperti.count(file) > 0) {
          correzioni[uri_di(file)].push_back({r, d, {}, "", r.inizio.riga, ""});
        } else if (x.numero == LETTURA_FALLITA && x.luogo && x.luogo->file == file && aperti.count(file) > 0) {
          if (auto c = valori_vuoti(aperti[file], r.inizio.riga)) {
            c->dove = r;
            c->diagnostica = d;
            correzioni[uri_di(file)].push_back(std::move(*c));
          }
        }
        if (!x.note.empty()) {
          json luoghi = json::array();
          for (const nota_diagnostica& n : x.note) {
            if (colonne.count(n.luogo.file) == 0) continue;
            luoghi.push_back({{"uri", uri_di(n.luogo.file)}, {"range", in_json(intervallo_in(n.luogo))}});
          }
          if (!luoghi.empty()) note_di[uri_di(file)].push_back({r, std::move(luoghi)});
        }
        diagnostiche.push_back(std::move(d));
      }
      if (mostrate < tutte.size()) diagnostiche.push_back(altre(tutte, mostrate, file, intervallo_in, impostate.severo));
      json parametri = {{"uri", uri_di(file)}, {"diagnostics", std::move(diagnostiche)}};
      if (const auto it = aperti.find(file); it != aperti.end()) parametri["version"] = it->second.versione;
      consegna(file, std::move(parametri));
    }
  }

  // A text's diagnostics, kept for a client that asks for them (that client is told when
  // those of a text it did not change have changed), and sent to the others (to every
  // client for a text not open).
  void consegna(const std::string& file, json parametri) {
    const bool aperto = aperti.count(file) > 0;
    if (!tira || !aperto) return notifica("textDocument/publishDiagnostics", std::move(parametri));
    diagnostiche_tenute& t = tenute[parametri["uri"].get<std::string>()];
    if (t.elenco != parametri["diagnostics"]) {
      ++t.id;
      t.elenco = parametri["diagnostics"];
      if (cambiati_dal_client.count(file) == 0) da_rinfrescare = true;
    }
  }

  json diagnostica_di(const json& p) {
    const std::string uri = stringa(membro(p, "textDocument"), "uri");
    const documento* doc = documento_di(p);
    const auto it = tenute.find(doc != nullptr ? doc->uri : uri);
    const std::string id = std::to_string(it == tenute.end() ? 0 : it->second.id);
    if (p.value("previousResultId", json()) == id) return {{"kind", "unchanged"}, {"resultId", id}};
    return {{"kind", "full"}, {"resultId", id}, {"items", it == tenute.end() ? json::array() : it->second.elenco}};
  }

  // The fix of a record short of values when each value it lacks may be left empty (an
  // indicator without its second set): those values written empty, as the description
  // reads an empty one (0, or the set left out).
  std::optional<correzione_offerta> valori_vuoti(const documento& doc, int64_t riga) {
    const formato::record* r = record_della_riga(doc.testo, riga, doc.tipo);
    if (r == nullptr) return std::nullopt;
    const std::string linea(riga_di(doc.testo, inizi_righe(doc.testo), riga));
    const std::vector<elemento> elementi = elementi_riga(linea, r);
    const size_t scritti = elementi.size() - 1;
    if (scritti >= r->campi.size()) return std::nullopt;
    std::string vuoti;
    for (size_t k = scritti; k < r->campi.size(); ++k) {
      if (!r->campi[k].vuoto_ammesso) return std::nullopt;
      vuoti += k + 1 == r->campi.size() ? "," : ", ";
    }
    const posizione dopo{riga, unita_fino_a(linea, elementi.back().a, u)};
    return correzione_offerta{{}, json(), {dopo, dopo}, vuoti, std::nullopt, traduci("lsp.valori_vuoti")};
  }

  // The last diagnostic of a text over the cap: how many more, at the first left out.
  template <typename F>
  static json altre(const std::vector<const diagnostica*>& tutte, size_t mostrate, const std::string& file,
                    const F& intervallo_in, bool severo) {
    size_t errori = 0;
    for (size_t i = mostrate; i < tutte.size(); ++i) errori += tutte[i]->livello == gravita::errore ? 1 : 0;
    const diagnostica& prima = *tutte[mostrate];
    const intervallo r = prima.luogo && prima.luogo->file == file ? intervallo_in(*prima.luogo) : intervallo{};
    return {{"range", in_json(r)},
            {"severity", gravita_lsp(prima.livello, severo)},
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
                   {"kind", v.valore ? 12 : v.sezione ? 9 : 14},
                   // The section's records first, then the headers; values in their order.
                   {"sortText", v.valore ? std::string(6 - std::min<size_t>(6, v.etichetta.size()), '0') + v.etichetta
                                         : (v.sezione ? "1 " : "0 ") + v.etichetta},
                   {"detail", v.dettaglio},
                   {"insertTextFormat", snippet && !v.sezione && !v.valore ? 2 : 1},
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
      if (c.sposta_riga) {
        if (auto a = sposta(uri, *c.sposta_riga, c.diagnostica)) azioni.push_back(std::move(*a));
        continue;
      }
      json modifica = {{"range", in_json(c.sostituito)}, {"newText", c.nuovo}};
      azioni.push_back({{"title", c.titolo.empty() ? traduci("lsp.sostituisci", {{"nuovo", c.nuovo}}) : c.titolo},
                        {"kind", "quickfix"},
                        {"isPreferred", true},
                        {"diagnostics", json::array({c.diagnostica})},
                        {"edit", {{"changes", {{uri, json::array({modifica})}}}}}});
    }
    return azioni;
  }

  // The fix of a record out of order: its line moved before the first record of its kind,
  // in its section, that stands further along the line (after the last of them when none
  // does), as the reading wants them.
  std::optional<json> sposta(const std::string& uri, int64_t riga, const json& diagnostica) {
    const auto it = aperti.find(chiave(uri));
    if (it == aperti.end()) return std::nullopt;
    const std::string& testo = it->second.testo;
    const std::vector<size_t> inizi = inizi_righe(testo);
    const std::vector<riga_letta> lette = righe_lette(testo, inizi, it->second.tipo);
    const std::vector<record_posto> posti = records_posti(testo, it->second.tipo);
    const record_posto* x = record_in_riga(posti, riga);
    if (x == nullptr || static_cast<size_t>(riga) >= lette.size()) return std::nullopt;
    const int64_t sezione = lette[static_cast<size_t>(riga)].sezione;
    std::optional<int64_t> prima_di;
    int64_t ultima = -1;
    for (const record_posto& y : posti) {
      if (y.riga == riga || y.r != x->r || lette[static_cast<size_t>(y.riga)].sezione != sezione) continue;
      ultima = y.riga;
      if (!prima_di && y.posizione > x->posizione) prima_di = y.riga;
    }
    const int64_t dove = prima_di.value_or(ultima + 1);
    if (ultima < 0 || dove == riga || dove == riga + 1) return std::nullopt;
    // The line whole, with its line end (the text's own at its last line).
    const size_t da = inizi[static_cast<size_t>(riga)];
    const size_t a = static_cast<size_t>(riga) + 1 < inizi.size() ? inizi[static_cast<size_t>(riga) + 1] : testo.size();
    std::string linea = testo.substr(da, a - da);
    if (linea.find_first_of("\r\n") == std::string::npos) linea += inizi.size() > 1 ? std::string(riga_fine(testo, inizi)) : "\r\n";
    const json edits = json::array({{{"range", in_json(intervallo{{riga, 0}, {riga + 1, 0}})}, {"newText", ""}},
                                    {{"range", in_json(intervallo{{dove, 0}, {dove, 0}})}, {"newText", linea}}});
    return json{{"title", traduci("lsp.sposta", {{"riga", dove + 1}})},
                {"kind", "quickfix"},
                {"isPreferred", true},
                {"diagnostics", json::array({diagnostica})},
                {"edit", {{"changes", {{uri, edits}}}}}};
  }

  // The line end the first line of a text ends with.
  static std::string_view riga_fine(std::string_view testo, const std::vector<size_t>& inizi) {
    const std::string_view prima = riga_di(testo, inizi, 0);
    return testo.substr(prima.size(), inizi[1] - prima.size());
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

  // The signature help answers while a record's values are typed: asked for by the author
  // (triggerKind 1), anywhere on a record; at a comma typed or while the help is up, on a
  // value; asked for without a word of why (a client that asks at every move of the
  // cursor), on a value with nothing but blanks and commas after it. Elsewhere the hover
  // speaks, which such a client shows only when the signature help says nothing.
  json firma_di(const json& p) {
    const punto x = punto_di(p);
    if (x.doc == nullptr) return nullptr;
    const auto f = firma(x.doc->testo, x.riga, x.byte, x.doc->tipo);
    if (!f) return nullptr;
    const json contesto = p.value("context", json());
    const json perche = contesto.is_object() ? contesto.value("triggerKind", json()) : json();
    if (perche != 1) {
      if (!f->campo) return nullptr;
      if (perche.is_null() && !da_riempire(x.linea, x.byte)) return nullptr;
    }
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

  // Each part of lines `da` to `a` as five numbers relative to the previous one: line,
  // start, length, kind, modifiers.
  std::vector<int64_t> gettoni(const documento& doc, int64_t da, int64_t a) {
    std::vector<int64_t> dati;
    righe_testo righe(doc.testo);
    int64_t riga_prima = 0;
    int64_t da_prima = 0;
    for (const pezzo& x : pezzi(doc.testo, doc.tipo, da, a)) {
      const std::string_view riga = righe.riga(x.riga);
      const int64_t inizio = unita_fino_a(riga, x.dove.da, u);
      const int64_t fine = unita_fino_a(riga, x.dove.a, u);
      dati.insert(dati.end(), {x.riga - riga_prima, x.riga == riga_prima ? inizio - da_prima : inizio, fine - inizio,
                               static_cast<int64_t>(x.quale), 0});
      riga_prima = x.riga;
      da_prima = inizio;
    }
    return dati;
  }

  // The last tokens of each text sent whole, by URI, for a client that asks what changed.
  struct gettoni_inviati {
    std::string id;
    std::vector<int64_t> dati;
  };
  std::map<std::string, gettoni_inviati> ultimi_gettoni;
  int64_t gettoni_fatti = 0;

  json gettoni_di(const json& p) {
    const documento* doc = documento_di(p);
    if (doc == nullptr) return nullptr;
    gettoni_inviati& g = ultimi_gettoni[doc->uri];
    g = {std::to_string(++gettoni_fatti), gettoni(*doc, 0, INT64_MAX)};
    return {{"resultId", g.id}, {"data", g.dati}};
  }

  json gettoni_tratto(const json& p) {
    const documento* doc = documento_di(p);
    if (doc == nullptr) return nullptr;
    const intervallo r = intervallo_da(membro(p, "range"));
    return {{"data", gettoni(*doc, r.inizio.riga, r.fine.riga)}};
  }

  // What changed since the tokens `previousResultId`: one edit, from the first number that
  // differs to the last; all of them when that answer is not the last one sent.
  json gettoni_cambiati(const json& p) {
    const documento* doc = documento_di(p);
    if (doc == nullptr) return nullptr;
    const auto prima = ultimi_gettoni.find(doc->uri);
    if (prima == ultimi_gettoni.end() || prima->second.id != stringa(p, "previousResultId")) return gettoni_di(p);
    std::vector<int64_t> dati = gettoni(*doc, 0, INT64_MAX);
    const std::vector<int64_t>& vecchi = prima->second.dati;
    size_t inizio = 0;
    while (inizio < dati.size() && inizio < vecchi.size() && dati[inizio] == vecchi[inizio]) ++inizio;
    size_t coda = 0;
    while (coda < dati.size() - inizio && coda < vecchi.size() - inizio &&
           dati[dati.size() - 1 - coda] == vecchi[vecchi.size() - 1 - coda]) {
      ++coda;
    }
    json modifiche = json::array();
    if (inizio < vecchi.size() - coda || inizio < dati.size() - coda) {
      modifiche.push_back({{"start", inizio},
                           {"deleteCount", vecchi.size() - coda - inizio},
                           {"data", std::vector<int64_t>(dati.begin() + static_cast<std::ptrdiff_t>(inizio),
                                                         dati.end() - static_cast<std::ptrdiff_t>(coda))}});
    }
    prima->second = {std::to_string(++gettoni_fatti), std::move(dati)};
    return {{"resultId", prima->second.id}, {"edits", std::move(modifiche)}};
  }

  // ---- going from a record to the records it touches ----------------------------------

  // A text as the navigation reads it: in UTF-8, and of which kind.
  struct testo_navigato {
    std::string uri;
    std::string testo;
    formato::testo tipo = formato::testo::treno;
  };

  std::optional<testo_navigato> navigato(const std::string& percorso) {
    if (percorso.empty()) return std::nullopt;
    if (const auto it = aperti.find(percorso); it != aperti.end()) {
      return testo_navigato{it->second.uri, it->second.testo, it->second.tipo};
    }
    const auto tipo = tipo_da_nome(percorso);
    auto letto = tipo ? archivio.leggi(percorso) : std::nullopt;
    if (!letto) return std::nullopt;
    return testo_navigato{uri_da_percorso(percorso, archivio.forma()), testo_in_utf8(*letto), *tipo};
  }

  // The texts compiled with `k`: its line text, or every open run text of it.
  std::vector<std::string> compilati_con(const std::string& k) {
    if (!su_file(k)) return {k};
    if (aperti.at(k).tipo == formato::testo::treno) {
      const std::string linea = linea_della_corsa(k, [&](const std::string& x) { return esiste(x); });
      return linea.empty() ? std::vector<std::string>{k} : std::vector<std::string>{linea, k};
    }
    std::vector<std::string> testi = treni_di(k);
    testi.insert(testi.begin(), k);
    return testi;
  }

  // Every text of the line of `k`: the line text and each run text of it, open or on disk.
  std::vector<std::string> della_linea(const std::string& k) {
    if (!su_file(k)) return {k};
    const std::string linea =
        aperti.at(k).tipo == formato::testo::linea ? k : linea_della_corsa(k, [&](const std::string& x) { return esiste(x); });
    if (linea.empty()) return {k};
    const std::string cartella = cartella_di(linea);
    std::set<std::string> nomi;
    for (const std::string& n : archivio.nomi(cartella)) nomi.insert(n);
    for (const auto& [percorso, doc] : aperti) {
      if (cartella_di(percorso) == cartella) nomi.insert(nome_di(percorso));
    }
    const auto presente = [&](const std::string& x) { return cartella_di(x) == cartella && nomi.count(nome_di(x)) > 0; };
    std::vector<std::string> testi = {linea};
    for (const std::string& n : nomi) {
      if (tipo_da_nome(n) == formato::testo::treno && corsa_della_linea(linea, n, presente)) testi.push_back(unisci(cartella, n));
    }
    return testi;
  }

  static json luogo_json(const std::string& uri, const std::string_view testo, const std::vector<size_t>& inizi,
                         int64_t riga, elemento e, unita in_unita) {
    const std::string_view linea = riga_di(testo, inizi, riga);
    return {{"uri", uri},
            {"range", in_json(intervallo{{riga, unita_fino_a(linea, e.da, in_unita)}, {riga, unita_fino_a(linea, e.a, in_unita)}})}};
  }

  // The records of the texts compiled with the one at `x` that touch the record there and
  // pass `scelto`; each at its keyword.
  template <typename F>
  json toccati(const punto& x, const record_posto& r, const F& scelto) {
    json luoghi = json::array();
    for (const std::string& percorso : compilati_con(x.chiave)) {
      const auto t = navigato(percorso);
      if (!t) continue;
      const std::vector<size_t> inizi = inizi_righe(t->testo);
      for (const record_posto& y : records_posti(t->testo, t->tipo)) {
        const bool stesso = percorso == x.chiave && y.riga == r.riga;
        if (toccano(r, y) && scelto(y, stesso)) luoghi.push_back(luogo_json(t->uri, t->testo, inizi, y.riga, y.parola, u));
      }
    }
    return luoghi;
  }

  // From a diagnostic to the places its notes name (the stop point that holds a signal's
  // cell); from a record to the stretches it stands in (a station's area, a slow-down).
  json definizione_di(const json& p) {
    const punto x = punto_di(p);
    if (x.doc == nullptr) return nullptr;
    const posizione dove = posizione_da(membro(p, "position"));
    if (const auto it = note_di.find(x.doc->uri); it != note_di.end()) {
      for (const note_offerte& n : it->second) {
        if (si_toccano(n.dove, {dove, dove})) return n.luoghi;
      }
    }
    const std::vector<record_posto> posti = records_posti(x.doc->testo, x.doc->tipo);
    const record_posto* r = record_in_riga(posti, x.riga);
    if (r == nullptr) return nullptr;
    json luoghi = toccati(x, *r, [](const record_posto& y, bool stesso) { return y.tratto && !stesso; });
    return luoghi.empty() ? json() : luoghi;
  }

  // Every record of the texts compiled together that touches the one at the cursor.
  json riferimenti_di(const json& p) {
    const punto x = punto_di(p);
    if (x.doc == nullptr) return json::array();
    const std::vector<record_posto> posti = records_posti(x.doc->testo, x.doc->tipo);
    const record_posto* r = record_in_riga(posti, x.riga);
    if (r == nullptr) return json::array();
    const bool anche_esso = p.value("/context/includeDeclaration"_json_pointer, false) == true;
    return toccati(x, *r, [&](const record_posto&, bool stesso) { return anche_esso || !stesso; });
  }

  // In the text itself: a name where the same name stands in a record of its kind, a record
  // with those it touches.
  json evidenzia(const json& p) {
    const punto x = punto_di(p);
    json evidenze = json::array();
    if (x.doc == nullptr) return evidenze;
    const std::vector<record_posto> posti = records_posti(x.doc->testo, x.doc->tipo);
    const std::vector<size_t> inizi = inizi_righe(x.doc->testo);
    const auto nome_di_record = [&](const record_posto& y) {
      const std::string_view linea = riga_di(x.doc->testo, inizi, y.riga);
      return linea.substr(y.nome->da, y.nome->a - y.nome->da);
    };
    if (const record_posto* n = nome_in(posti, x.riga, x.byte)) {
      for (const record_posto& y : posti) {
        if (y.r == n->r && y.nome && nome_di_record(y) == nome_di_record(*n)) {
          evidenze.push_back({{"range", luogo_json("", x.doc->testo, inizi, y.riga, *y.nome, u)["range"]}, {"kind", 1}});
        }
      }
      return evidenze;
    }
    const record_posto* r = record_in_riga(posti, x.riga);
    if (r == nullptr) return evidenze;
    for (const record_posto& y : posti) {
      if (toccano(*r, y)) evidenze.push_back({{"range", luogo_json("", x.doc->testo, inizi, y.riga, y.parola, u)["range"]}, {"kind", 1}});
    }
    return evidenze;
  }

  json prepara_nome(const json& p) {
    const punto x = punto_di(p);
    if (x.doc == nullptr) return nullptr;
    const std::vector<record_posto> posti = records_posti(x.doc->testo, x.doc->tipo);
    const record_posto* n = nome_in(posti, x.riga, x.byte);
    if (n == nullptr) return nullptr;
    return {{"range", in_json(in_riga(x.linea, x.riga, *n->nome))},
            {"placeholder", x.linea.substr(n->nome->da, n->nome->a - n->nome->da)}};
  }

  // A station's or a board's name, renamed wherever a record of its kind names it in the
  // texts of its line (the line text and every run text of it, open or on disk).
  json rinomina(const json& p) {
    const punto x = punto_di(p);
    if (x.doc == nullptr) return nullptr;
    const std::string nuovo = stringa(p, "newName");
    if (nuovo.find_first_of(",\r\n") != std::string::npos || nuovo.find_first_not_of(" \t") == std::string::npos ||
        nuovo.front() == ' ' || nuovo.front() == '\t' || nuovo.back() == ' ' || nuovo.back() == '\t') {
      throw errore_rpc{REQUEST_FAILED, traduci("lsp.nome_non_valido", {{"nome", nuovo}})};
    }
    const std::vector<record_posto> posti = records_posti(x.doc->testo, x.doc->tipo);
    const record_posto* n = nome_in(posti, x.riga, x.byte);
    if (n == nullptr) throw errore_rpc{REQUEST_FAILED, traduci("lsp.non_un_nome")};
    const std::string vecchio = x.linea.substr(n->nome->da, n->nome->a - n->nome->da);
    json cambi = json::object();
    for (const std::string& percorso : della_linea(x.chiave)) {
      const auto t = navigato(percorso);
      if (!t || t->tipo != x.doc->tipo) continue;
      const std::vector<size_t> inizi = inizi_righe(t->testo);
      json modifiche = json::array();
      for (const record_posto& y : records_posti(t->testo, t->tipo)) {
        if (y.r != n->r || !y.nome) continue;
        const std::string_view linea = riga_di(t->testo, inizi, y.riga);
        if (linea.substr(y.nome->da, y.nome->a - y.nome->da) != vecchio) continue;
        modifiche.push_back({{"range", luogo_json(t->uri, t->testo, inizi, y.riga, *y.nome, u)["range"]}, {"newText", nuovo}});
      }
      if (!modifiche.empty()) cambi[t->uri] = std::move(modifiche);
    }
    return {{"changes", std::move(cambi)}};
  }

  // ---- the page beside the texts --------------------------------------------------------

  // One lens at the top of each text: the command that shows its pair's page.
  json lenti_di(const json& p) {
    json lenti = json::array();
    const documento* doc = documento_di(p);
    if (doc == nullptr) return lenti;
    lenti.push_back({{"range", in_json(intervallo{})},
                     {"command", {{"title", traduci("lsp.pagina.lente")},
                                  {"command", COMANDO_PAGINA},
                                  {"arguments", {doc->uri}}}}});
    return lenti;
  }

  json esegui(const json& p) {
    const std::string comando = stringa(p, "command");
    if (comando != COMANDO_PAGINA) throw errore_rpc{INVALID_PARAMS, traduci("lsp.comando_sconosciuto", {{"comando", comando}})};
    const json argomenti = p.value("arguments", json::array());
    if (!argomenti.is_array() || argomenti.empty() || !argomenti[0].is_string()) {
      throw errore_rpc{INVALID_PARAMS, traduci("lsp.manca", {{"nome", "arguments"}})};
    }
    const std::string k = chiave(argomenti[0].get<std::string>());
    if (aperti.count(k) == 0) throw errore_rpc{INVALID_PARAMS, traduci("lsp.non_aperto", {{"uri", argomenti[0].get<std::string>()}})};
    const auto coppia = coppia_di(k);
    const richiesta q = richiesta_della_coppia(coppia);
    pagina_viva& pagina = pagine[coppia];
    if (pagina.nome.empty()) pagina.nome = nome_della_pagina(q);
    modello m;
    compila_modello(q, m);
    std::string perche;
    const auto scritta = scrivi_pagina(q, m, pagina, &perche);
    if (!scritta) {
      pagine.erase(coppia);
      throw errore_rpc{REQUEST_FAILED, traduci("lsp.pagina.non_scritta", {{"perche", perche}})};
    }
    const std::string uri = uri_da_percorso(*scritta, archivio.forma());
    if (mostra_documenti) chiedi("mostra", "window/showDocument", {{"uri", uri}, {"external", true}});
    return {{"uri", uri}, {"percorso", *scritta}};
  }

  // The page's file name: the pair's line and run, as the compiled files are named, and a
  // number when another pair of the same names (in another folder) has that name already.
  std::string nome_della_pagina(const richiesta& q) {
    const std::string base = testo_in_utf8(q.linea) + "_" + testo_in_utf8(q.treno);
    std::string nome = base + ".html";
    for (int n = 2;; ++n) {
      const bool preso = std::any_of(pagine.begin(), pagine.end(), [&](const auto& x) { return x.second.nome == nome; });
      if (!preso) return nome;
      nome = base + "-" + std::to_string(n) + ".html";
    }
  }

  // The pages of the pairs checked since they were last written, written again (a failure
  // to write one is left for the next check to mend).
  void scrivi_pagine() {
    for (const auto& coppia : std::exchange(pagine_da_scrivere, {})) {
      const auto pagina = pagine.find(coppia);
      if (pagina == pagine.end()) continue;
      const richiesta q = richiesta_della_coppia(coppia);
      modello m;
      compila_modello(q, m);
      scrivi_pagina(q, m, pagina->second);
    }
  }

  // The page of the check just made of `q`, written; its path, or nothing and why not.
  std::optional<std::string> scrivi_pagina(const richiesta& q, const modello& m, pagina_viva& pagina,
                                           std::string* perche = nullptr) {
    const std::string html = pagina_del_controllo(q, m, impostate.severo, impostate.note, pagina, archivio.ora());
    return archivio.scrivi_pagina(pagina.nome, html, perche);
  }

  // The pair an open text is compiled with alone: a run text with its line text, a line
  // text with its first run text.
  std::pair<std::string, std::string> coppia_di(const std::string& k) {
    const documento& doc = aperti.at(k);
    std::string linea = doc.tipo == formato::testo::linea ? k : "";
    std::string treno = doc.tipo == formato::testo::treno ? k : "";
    if (su_file(k) && linea.empty()) linea = linea_della_corsa(k, [&](const std::string& x) { return esiste(x); });
    if (su_file(k) && treno.empty()) {
      const std::vector<std::string> treni = treni_di(k);
      if (!treni.empty()) treno = treni.front();
    }
    return {linea, treno};
  }

  richiesta richiesta_della_coppia(const std::pair<std::string, std::string>& coppia) {
    richiesta q = richiesta_di_controllo(coppia.first, ingresso(coppia.first), coppia.second, ingresso(coppia.second));
    q.permissivo = impostate.permissivo;
    return q;
  }

  // The text laid out (its lines `righe` alone, when given): an edit for each line that
  // changes, of the part of it that changes (of stretches of lines, for many); nothing
  // when the layout is refused, and the reason told.
  void impagina_documento(const json& id, const json& p, std::optional<righe_scelte> righe = std::nullopt) {
    const documento* doc = documento_di(p);
    if (doc == nullptr) return rispondi(id, nullptr);
    const impaginato esito = impagina_controllato(richiesta_della_coppia(coppia_di(chiave(doc->uri))), doc->tipo, righe);
    if (esito.rifiuto) return sbaglia(id, REQUEST_FAILED, traduci("lsp.impaginazione_rifiutata", {{"perche", *esito.rifiuto}}));
    json modifiche = json::array();
    if (esito.testo == doc->testo) return rispondi(id, std::move(modifiche));
    const std::vector<size_t> inizi = inizi_righe(doc->testo);
    if (const auto righe_cambiate = modifiche_righe(doc->testo, esito.testo)) {
      for (const modifica_testo& m : *righe_cambiate) {
        const std::string_view da = riga_di(doc->testo, inizi, m.riga_da);
        const std::string_view a = riga_di(doc->testo, inizi, m.riga_a);
        modifiche.push_back({{"range", in_json(intervallo{{m.riga_da, unita_fino_a(da, m.da, u)}, {m.riga_a, unita_fino_a(a, m.a, u)}})},
                             {"newText", m.nuovo}});
      }
      return rispondi(id, std::move(modifiche));
    }
    // The whole text: its end is past the last line.
    const auto ultima = static_cast<int64_t>(inizi.size()) - 1;
    const std::string_view fine = riga_di(doc->testo, inizi, ultima);
    modifiche.push_back({{"range", in_json(intervallo{{0, 0}, {ultima, unita_fino_a(fine, fine.size(), u)}})},
                         {"newText", esito.testo}});
    rispondi(id, std::move(modifiche));
  }

  // The lines a range covers: an end at the start of a line leaves that line out.
  void impagina_tratto(const json& id, const json& p) {
    const intervallo r = intervallo_da(membro(p, "range"));
    const int64_t a = r.fine.carattere == 0 && r.fine.riga > r.inizio.riga ? r.fine.riga - 1 : r.fine.riga;
    impagina_documento(id, p, righe_scelte{r.inizio.riga, a});
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
    if (s_->da_rinfrescare && s_->rinfresca) s_->chiedi("rinfresca", "workspace/diagnostic/refresh", json());
  } catch (const std::exception&) {
  }
  s_->da_rinfrescare = false;
  s_->cambiati_dal_client.clear();
  // Cancellations of requests answered before them are forgotten.
  s_->annullate.clear();
  return std::move(s_->inviare);
}

std::vector<std::string> server::in_quiete() {
  const lingua_per_ora parla(s_->lingua_editor);
  s_->inviare.clear();
  try {
    s_->scrivi_pagine();
  } catch (const std::exception&) {
    // The page is written again after the next check.
  }
  return std::move(s_->inviare);
}

bool server::attende_quiete() const { return !s_->pagine_da_scrivere.empty(); }

std::string server::rifiutato(const messaggio& motivo) {
  return scrivi({{"jsonrpc", "2.0"}, {"id", nullptr}, {"error", {{"code", INVALID_REQUEST}, {"message", rendi(motivo, s_->lingua_editor)}}}});
}

std::optional<int> server::uscita() const { return s_->uscita; }

}  // namespace scenario::lsp
