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
#include "lsp/testi.h"
#include "app/rapporto.h"
#include "app/riga_comando.h"
#include "model/modello.h"
#include "nucleo/compilazione.h"

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

struct errore_rpc {
  int codice;
  std::string messaggio;
};

std::string scrivi(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

const json& membro(const json& o, const char* nome) {
  if (!o.is_object() || !o.contains(nome)) throw errore_rpc{INVALID_PARAMS, std::string("manca '") + nome + "'"};
  return o[nome];
}

std::string stringa(const json& o, const char* nome) {
  const json& v = membro(o, nome);
  if (!v.is_string()) throw errore_rpc{INVALID_PARAMS, std::string("'") + nome + "' non e' una stringa"};
  return v.get<std::string>();
}

int64_t intero(const json& o, const char* nome) {
  const json& v = membro(o, nome);
  if (!v.is_number_integer() || v.get<int64_t>() < 0) {
    throw errore_rpc{INVALID_PARAMS, std::string("'") + nome + "' non e' un intero non negativo"};
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

std::string cartella_di(const std::string& percorso) {
  const size_t barra = percorso.rfind('/');
  if (barra == std::string::npos) return ".";
  // The root keeps its slash: "/", and a drive's "C:/".
  const bool radice = barra == 0 || (barra == 2 && percorso[1] == ':');
  return percorso.substr(0, radice ? barra + 1 : barra);
}

std::string nome_di(const std::string& percorso) {
  const size_t barra = percorso.rfind('/');
  return barra == std::string::npos ? percorso : percorso.substr(barra + 1);
}

std::string unisci(const std::string& cartella, const std::string& nome) {
  return cartella.ends_with('/') ? cartella + nome : cartella + "/" + nome;
}

// A line text for a run text that has none: the longest line the format allows, so that
// the run text's own records are checked and nothing of the line is invented.
std::string linea_sostitutiva() {
  const formato::record& lunghezza = formato::records(formato::testo::linea, formato::ambito::generale).front();
  return "[generale]\r\n" + std::string(lunghezza.parola) + ", " + std::to_string(lunghezza.campi.front().massimo) +
         "\r\n[fine]\r\n";
}

// Labels of a stand-in text: never the path of a file.
constexpr std::string_view SENZA_LINEA = "(linea assente)";
constexpr std::string_view SENZA_TRENO = "(corsa assente)";

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
  std::vector<std::string> inviare;

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

  void tratta(const json& m) {
    if (!m.is_object() || !m.contains("method")) {
      // A response to a request of ours (we send none) or not a message at all.
      if (!m.is_object() || !m.contains("id")) sbaglia(nullptr, INVALID_REQUEST, "non e' un messaggio JSON-RPC");
      return;
    }
    const bool richiesta = m.contains("id");
    const json id = richiesta ? m["id"] : json();
    if (richiesta && !id.is_string() && !id.is_number_integer()) {
      sbaglia(nullptr, INVALID_REQUEST, "'id' deve essere un intero o una stringa");
      return;
    }
    if (!m["method"].is_string()) {
      if (richiesta) sbaglia(id, INVALID_REQUEST, "'method' deve essere una stringa");
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
    if (annullate.erase(id.dump()) > 0) return sbaglia(id, REQUEST_CANCELLED, "richiesta annullata");
    if (metodo == "initialize") return rispondi(id, inizializza(p));
    if (!inizializzato) return sbaglia(id, SERVER_NOT_INITIALIZED, "il server non e' ancora inizializzato");
    if (chiuso) return sbaglia(id, INVALID_REQUEST, "il server e' stato chiuso (shutdown)");
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
    sbaglia(id, METHOD_NOT_FOUND, "metodo sconosciuto: " + metodo);
  }

  void tratta_notifica(const std::string& metodo, const json& p) {
    if (metodo == "exit") {
      uscita = chiuso ? 0 : 1;
      return;
    }
    if (!inizializzato || chiuso) return;  // notifications are dropped then
    if (metodo == "textDocument/didOpen") return apri(membro(p, "textDocument"));
    if (metodo == "textDocument/didChange") return cambia(p);
    if (metodo == "textDocument/didSave") return salvato(p);
    if (metodo == "textDocument/didClose") return chiudi(stringa(membro(p, "textDocument"), "uri"));
  }

  json inizializza(const json& p) {
    if (inizializzato) throw errore_rpc{INVALID_REQUEST, "initialize ricevuto due volte"};
    if (!p.is_object()) throw errore_rpc{INVALID_PARAMS, "i parametri di initialize devono essere un oggetto"};
    const json codifiche = p.value("/capabilities/general/positionEncodings"_json_pointer, json::array());
    u = codifiche.is_array() && std::find(codifiche.begin(), codifiche.end(), "utf-8") != codifiche.end()
            ? unita::utf8
            : unita::utf16;
    inizializzato = true;
    return {{"capabilities",
             {{"positionEncoding", u == unita::utf8 ? "utf-8" : "utf-16"},
              {"textDocumentSync", {{"openClose", true}, {"change", 2}, {"save", {{"includeText", false}}}}},
              {"hoverProvider", true},
              {"completionProvider", {{"triggerCharacters", {"["}}}},
              {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
              {"documentSymbolProvider", true}}},
            {"serverInfo", {{"name", NOME_PROGRAMMA}, {"version", VERSIONE_PROGRAMMA}}}};
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
    // A name of neither form: a text that holds the line's length is a line text.
    const std::string_view lunghezza = formato::records(formato::testo::linea).front().parola;
    doc.tipo = tipo_da_nome(chiave(uri)).value_or(doc.testo.find(lunghezza) != std::string::npos
                                                      ? formato::testo::linea
                                                      : formato::testo::treno);
    const std::string k = chiave(uri);
    aperti[k] = std::move(doc);
    da_controllare.insert(k);
  }

  void cambia(const json& p) {
    const json& t = membro(p, "textDocument");
    const std::string k = chiave(stringa(t, "uri"));
    const auto it = aperti.find(k);
    if (it == aperti.end()) return;
    const json& modifiche = membro(p, "contentChanges");
    if (!modifiche.is_array()) throw errore_rpc{INVALID_PARAMS, "'contentChanges' non e' un elenco"};
    for (const json& c : modifiche) {
      const std::string nuovo = stringa(c, "text");
      if (!c.contains("range")) {
        it->second.testo = nuovo;
        continue;
      }
      if (!applica_modifica(it->second.testo, intervallo_da(c["range"]), nuovo, u)) return troppo_lungo(it);
    }
    if (t.contains("version") && t["version"].is_number_integer()) it->second.versione = t["version"].get<int64_t>();
    da_controllare.insert(k);
  }

  // A text grown beyond the limit is no longer followed: its buffer is dropped, and one
  // diagnostic says why.
  void troppo_lungo(std::map<std::string, documento>::iterator it) {
    const std::string uri = it->second.uri;
    aperti.erase(it);
    json d = {{"range", in_json(intervallo{})},
              {"severity", 1},
              {"source", NOME_PROGRAMMA},
              {"message", "testo oltre 64 MiB: non piu' controllato"}};
    notifica("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array({d})}});
  }

  void salvato(const json& p) { da_controllare.insert(chiave(stringa(membro(p, "textDocument"), "uri"))); }

  void chiudi(const std::string& uri) {
    const std::string k = chiave(uri);
    if (aperti.erase(k) == 0) return;
    da_controllare.erase(k);
    correzioni.erase(uri);
    chilometri.erase(k);
    // The partner, still open, is checked again with this text as it stands on disk.
    const auto [linea, treno] = coppia_di(k, tipo_da_nome(k).value_or(formato::testo::treno));
    for (const std::string& altro : {linea, treno}) {
      if (altro != k && aperti.count(altro) > 0) da_controllare.insert(altro);
    }
    notifica("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}});
  }

  // ---- pairs --------------------------------------------------------------------------

  bool esiste(const std::string& percorso) {
    if (aperti.count(percorso) > 0) return true;
    const auto nomi = archivio.nomi(cartella_di(percorso));
    return std::find(nomi.begin(), nomi.end(), nome_di(percorso)) != nomi.end();
  }

  // The run text of a line text: an open one in its folder, else one on disk (the first
  // by name); empty when there is none.
  std::string treno_di(const std::string& linea) {
    const std::string cartella = cartella_di(linea);
    const std::string id = linea_da_nome(linea);
    if (id.empty()) return "";
    for (const auto& [k, doc] : aperti) {
      if (cartella_di(k) == cartella && !treno_da_nome(nome_di(k), id).empty()) return k;
    }
    std::vector<std::string> nomi = archivio.nomi(cartella);
    std::sort(nomi.begin(), nomi.end());
    for (const std::string& n : nomi) {
      if (!treno_da_nome(n, id).empty()) return unisci(cartella, n);
    }
    return "";
  }

  // The line text of a run text "LINEA_TRENO-.txt": the longest LINEA whose text exists.
  std::string linea_di(const std::string& treno) {
    const std::string nome = nome_di(treno);
    for (size_t trattino = nome.rfind('_'); trattino != std::string::npos && trattino > 0;
         trattino = nome.rfind('_', trattino - 1)) {
      const std::string id = nome.substr(0, trattino);
      const std::string linea = unisci(cartella_di(treno), id + "_linea.txt");
      if (!treno_da_nome(nome, id).empty() && esiste(linea)) return linea;
    }
    return "";
  }

  std::pair<std::string, std::string> coppia_di(const std::string& k, formato::testo t) {
    if (percorso_da_uri(aperti.count(k) > 0 ? aperti[k].uri : uri_da_percorso(k, archivio.forma()), archivio.forma())
            .empty()) {
      return t == formato::testo::linea ? std::pair{k, std::string()} : std::pair{std::string(), k};
    }
    return t == formato::testo::linea ? std::pair{k, treno_di(k)} : std::pair{linea_di(k), k};
  }

  testo_ingresso ingresso(const std::string& percorso) {
    testo_ingresso t;
    t.etichetta = percorso;
    if (const auto it = aperti.find(percorso); it != aperti.end()) {
      t.byte = it->second.testo;
    } else if (auto letto = archivio.leggi(percorso)) {
      t.byte = std::move(*letto);
    } else {
      t.motivo = "non si puo' leggere";
    }
    return t;
  }

  std::string uri_di(const std::string& percorso) {
    const auto it = aperti.find(percorso);
    return it != aperti.end() ? it->second.uri : uri_da_percorso(percorso, archivio.forma());
  }

  // ---- checking -----------------------------------------------------------------------

  void controlla_in_attesa() {
    while (!da_controllare.empty()) {
      const std::string k = *da_controllare.begin();
      da_controllare.erase(da_controllare.begin());
      if (aperti.count(k) > 0) controlla(k);
    }
  }

  // Both texts of the pair that `k` belongs to, through the compile core as the command
  // line's -c runs it; the diagnostics of each text go to that text.
  void controlla(const std::string& k) {
    const auto [linea, treno] = coppia_di(k, aperti[k].tipo);
    da_controllare.erase(linea);
    da_controllare.erase(treno);
    richiesta q;
    q.genera_linea = true;
    if (linea.empty()) {
      q.testo_linea = {std::string(SENZA_LINEA), linea_sostitutiva(), true, ""};
    } else {
      q.testo_linea = ingresso(linea);
    }
    q.testo_treno = treno.empty() ? testo_ingresso{std::string(SENZA_TRENO), std::string(), true, ""} : ingresso(treno);
    q.linea = linea.empty() ? "linea" : linea_da_nome(linea);
    if (q.linea.empty()) q.linea = "linea";
    q.treno = treno.empty() ? "treno" : treno_da_nome(nome_di(treno), q.linea);
    if (q.treno.empty()) q.treno = "treno";
    modello m;
    const elenco_diagnostiche diagnostiche = memorizza_percorso(q, m, nullptr).diagnostiche;
    if (!linea.empty()) {
      progressive km;
      for (size_t i = 0; i < km.size(); ++i) {
        const voce& v = m.tabella[voce_tabella::progressiva_tre + i];
        km[i] = {v.inizio, v.fine, v.posizione};
      }
      chilometri[linea] = km;
      if (!treno.empty()) chilometri[treno] = km;
    }
    pubblica(diagnostiche, q, linea, treno, k);
  }

  void pubblica(const elenco_diagnostiche& elenco, const richiesta& q, const std::string& linea,
                const std::string& treno, const std::string& k) {
    std::map<std::string, colonne_testo> colonne;
    for (const testo_ingresso* t : {&q.testo_linea, &q.testo_treno}) {
      if (!t->etichetta.empty() && t->byte) colonne.emplace(t->etichetta, colonne_testo(*t->byte));
    }
    const auto intervallo_in = [&](const luogo_testo& l) {
      const auto it = colonne.find(l.file);
      return it == colonne.end() ? intervallo{} : it->second.intervallo_di(l, u);
    };
    // A diagnostic of no text (the header checks) is shown on the run text, else on the
    // text that changed.
    const std::string senza_luogo = treno.empty() ? k : treno;
    std::map<std::string, json> per_testo;
    for (const std::string& p : {linea, treno}) {
      if (!p.empty()) per_testo[p] = json::array();
      correzioni[uri_di(p)].clear();
    }
    for (const diagnostica& x : elenco) {
      const std::string file = x.luogo && !x.luogo->file.empty() ? x.luogo->file : senza_luogo;
      if (per_testo.count(file) == 0) continue;  // a stand-in text's own
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
                             {"message", in_utf8(n.testo)}});
      }
      if (!correlate.empty()) d["relatedInformation"] = correlate;
      if (x.correggi && x.correggi->luogo.file == file) {
        correzioni[uri_di(file)].push_back({r, d, intervallo_in(x.correggi->luogo), in_utf8(x.correggi->sostituzione)});
      }
      per_testo[file].push_back(std::move(d));
    }
    for (auto& [p, diagnostiche] : per_testo) {
      json parametri = {{"uri", uri_di(p)}, {"diagnostics", std::move(diagnostiche)}};
      if (const auto it = aperti.find(p); it != aperti.end()) parametri["version"] = it->second.versione;
      notifica("textDocument/publishDiagnostics", std::move(parametri));
    }
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

  json hover_di(const json& p) {
    const punto x = punto_di(p);
    if (x.doc == nullptr) return nullptr;
    const auto km = chilometri.find(x.chiave);
    const auto h = hover(x.doc->testo, x.riga, x.byte, x.doc->tipo,
                         km == chilometri.end() ? std::nullopt : std::optional<progressive>(km->second));
    if (!h) return nullptr;
    return {{"contents", {{"kind", "markdown"}, {"value", h->markdown}}}, {"range", in_json(in_riga(x.linea, x.riga, h->dove))}};
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
                   {"insertTextFormat", v.sezione ? 1 : 2},
                   {"textEdit", {{"range", in_json(sostituito)}, {"newText", v.inserisci}}}};
      if (!v.documentazione.empty()) voce["documentation"] = {{"kind", "markdown"}, {"value", v.documentazione}};
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
      azioni.push_back({{"title", "Sostituisci con '" + c.nuovo + "'"},
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
  s_->inviare.clear();
  std::vector<json> messaggi;
  messaggi.reserve(corpi.size());
  for (const std::string& c : corpi) {
    json m = json::parse(c, nullptr, false);
    if (m.is_discarded()) {
      s_->sbaglia(nullptr, PARSE_ERROR, "il messaggio non e' JSON");
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

std::string server::rifiutato(const std::string& motivo) {
  return scrivi({{"jsonrpc", "2.0"}, {"id", nullptr}, {"error", {{"code", INVALID_REQUEST}, {"message", motivo}}}});
}

std::optional<int> server::uscita() const { return s_->uscita; }

}  // namespace scenario::lsp
