// The language server at the protocol's level: messages in, messages out, a file system
// in memory. The test reads the server's answers with the JSON library (a test program of
// its own, apart from the server's one JSON unit).
#include "lsp/server.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>
#include <nlohmann/json.hpp>

#include "lingue/catalogo.h"
#include "nucleo/impaginazione.h"
#include "lsp/contenuti.h"
#include "lsp/coppie.h"
#include "lsp/testi.h"

namespace scenario::lsp {
namespace {

using json = nlohmann::json;

const std::string CARTELLA = "/scenari";
const std::string LINEA = CARTELLA + "/Valle_linea.txt";
const std::string TRENO = CARTELLA + "/Valle_R1-.txt";
const std::string URI_LINEA = "file:///scenari/Valle_linea.txt";
const std::string URI_TRENO = "file:///scenari/Valle_R1-.txt";

// A pair that compiles without a diagnostic: kilometres counted from 12000 m at the
// origin, one station at 2800 m on line 3 (0-based) of the run text.
const std::string TESTO_LINEA =
    "[generale]\r\nlunghezza percorso, 6000\r\nprogressiva chilometrica uno, 0, 12000, 0\r\n"
    "[pendenze]\r\npendenza, 0, 0\r\n[fine]\r\n";
const std::string TESTO_TRENO =
    "[generale]\r\norologio, 8 0 0\r\n[stazioni]\r\n"
    "stazione, 2800, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 30, 8, 5,30, Piano Rio\r\n[fine]\r\n";

class disco_prova : public disco {
 public:
  std::map<std::string, std::string> file;
  forma_percorsi percorsi = forma_percorsi::posix;
  forma_percorsi forma() const override { return percorsi; }
  std::set<std::string> illeggibili;  // listed in their folder, but not to be read
  std::optional<std::string> leggi(const std::string& p, std::string*) override {
    if (illeggibili.count(p) > 0) return std::nullopt;
    const auto it = file.find(p);
    return it == file.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
  // The pages the server writes, by name; a name in `non_scrivibili` cannot be written.
  std::map<std::string, std::string> pagine;
  std::set<std::string> non_scrivibili;
  std::optional<std::string> scrivi_pagina(const std::string& nome, std::string_view byte, std::string* perche) override {
    if (non_scrivibili.count(nome) > 0) {
      if (perche != nullptr) *perche = "disco pieno";
      return std::nullopt;
    }
    pagine[nome] = std::string(byte);
    return "/pagine/" + nome;
  }
  std::string ora() override { return "12:00:00"; }
  // A folder is named as the systems name it: a root keeps its slash ("/", "C:/"), and
  // "C:" alone is no folder at all. It lists its names in no order to rely on: here, the
  // reverse of theirs.
  std::vector<std::string> nomi(const std::string& cartella) override {
    std::vector<std::string> n;
    for (auto it = file.rbegin(); it != file.rend(); ++it) {
      const std::string& p = it->first;
      const size_t barra = p.rfind('/');
      const bool radice = barra == 0 || p[barra - 1] == ':';
      if (p.substr(0, radice ? barra + 1 : barra) == cartella) n.push_back(p.substr(barra + 1));
    }
    return n;
  }
};

json chiedi(int id, const std::string& metodo, json parametri = json::object()) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"method", metodo}, {"params", std::move(parametri)}};
}
json notifica(const std::string& metodo, json parametri = json::object()) {
  return {{"jsonrpc", "2.0"}, {"method", metodo}, {"params", std::move(parametri)}};
}
json apri(const std::string& uri, const std::string& testo) {
  return notifica("textDocument/didOpen",
                  {{"textDocument", {{"uri", uri}, {"languageId", "scenario"}, {"version", 1}, {"text", testo}}}});
}
json punto(const std::string& uri, int riga, int carattere) {
  return {{"textDocument", {{"uri", uri}}}, {"position", {{"line", riga}, {"character", carattere}}}};
}

struct sessione {
  disco_prova d;
  server s;
  sessione() : s(d) {}

  // The batch, and what the server does once nothing else is coming.
  std::vector<json> invia(const std::vector<json>& messaggi) {
    std::vector<std::string> corpi;
    for (const json& m : messaggi) corpi.push_back(m.dump());
    std::vector<json> risposte;
    for (const std::string& r : s.ricevi(corpi)) risposte.push_back(json::parse(r));
    for (const std::string& r : s.in_quiete()) risposte.push_back(json::parse(r));
    return risposte;
  }
  std::vector<json> invia(const json& m) { return invia(std::vector<json>{m}); }
  // A client that takes snippets and markdown.
  static json capacita_piene() {
    return {{"textDocument",
             {{"completion", {{"completionItem", {{"snippetSupport", true}, {"documentationFormat", {"markdown"}}}}}},
              {"hover", {{"contentFormat", {"markdown", "plaintext"}}}},
              {"inlayHint", json::object()}}},
            {"workspace", {{"didChangeWatchedFiles", {{"dynamicRegistration", true}}}}}};
  }
  std::vector<json> inizia(json capacita = capacita_piene(), std::optional<std::string> locale = std::nullopt) {
    json parametri = {{"capabilities", std::move(capacita)}};
    if (locale) parametri["locale"] = *locale;
    return invia(std::vector<json>{chiedi(1, "initialize", std::move(parametri)), notifica("initialized")});
  }

  // The answer to request `id` among `risposte`.
  static json risposta(const std::vector<json>& risposte, int id) {
    for (const json& r : risposte) {
      if (r.contains("id") && r["id"] == id) return r;
    }
    ADD_FAILURE() << "nessuna risposta a " << id;
    return json();
  }
  // The last diagnostics published for `uri`.
  static std::optional<json> diagnostiche(const std::vector<json>& risposte, const std::string& uri) {
    std::optional<json> d;
    for (const json& r : risposte) {
      if (r.value("method", "") == "textDocument/publishDiagnostics" && r["params"]["uri"] == uri) {
        d = r["params"]["diagnostics"];
      }
    }
    return d;
  }
};

TEST(ServerLsp, CicloDiVitaEdErroriDelProtocollo) {
  struct caso {
    const char* nome;
    std::vector<std::string> corpi;  // after an initialize
    int codice;                      // of the one error answered
  };
  const std::vector<caso> casi = {
      {"non JSON", {"{\"jsonrpc\": \"2.0\", \"id\": 3, "}, -32700},
      {"metodo sconosciuto", {chiedi(3, "textDocument/inventato").dump()}, -32601},
      {"parametri mancanti", {chiedi(3, "textDocument/hover", {{"textDocument", {{"uri", URI_TRENO}}}}).dump()},
       -32602},
      {"riga negativa", {chiedi(3, "textDocument/hover", punto(URI_TRENO, -1, 0)).dump()}, -32602},
      {"id non valido", {R"({"jsonrpc":"2.0","id":{"a":1},"method":"shutdown"})"}, -32600},
      {"né richiesta né risposta", {R"({"jsonrpc":"2.0"})"}, -32600},
      // An id alone is neither a request nor an answer: answered all the same.
      {"id senza metodo", {R"({"jsonrpc":"2.0","id":7})"}, -32600},
      {"annullata nello stesso lotto",
       {chiedi(3, "textDocument/hover", punto(URI_TRENO, 0, 0)).dump(),
        notifica("$/cancelRequest", {{"id", 3}}).dump()},
       -32800},
  };
  for (const caso& c : casi) {
    sessione x;
    x.inizia();
    const std::vector<std::string> risposte = x.s.ricevi(c.corpi);
    ASSERT_EQ(risposte.size(), 1u) << c.nome;
    EXPECT_EQ(json::parse(risposte[0])["error"]["code"], c.codice) << c.nome;
    // An id the client gave is answered with that id.
    if (std::string(c.nome) == "id senza metodo") {
      EXPECT_EQ(json::parse(risposte[0])["id"], 7);
    }
  }
  // The client's answer to a request of the server is not answered.
  sessione risposta;
  risposta.inizia();
  EXPECT_TRUE(risposta.s.ricevi(std::string(R"({"jsonrpc":"2.0","id":"osserva-testi-1","result":null})")).empty());

  // Before initialize a request is refused; shutdown then exit ends with 0, exit alone
  // with 1; after shutdown requests are refused.
  sessione x;
  EXPECT_EQ(sessione::risposta(x.invia(chiedi(1, "textDocument/hover", punto(URI_TRENO, 0, 0))), 1)["error"]["code"],
            -32002);
  const json init = sessione::risposta(
      x.invia(chiedi(2, "initialize", {{"capabilities", {{"general", {{"positionEncodings", {"utf-8", "utf-16"}}}}}}})),
      2);
  EXPECT_EQ(init["result"]["capabilities"]["positionEncoding"], "utf-8");
  EXPECT_EQ(init["result"]["capabilities"]["textDocumentSync"]["change"], 2);  // incremental
  EXPECT_TRUE(sessione::risposta(x.invia(chiedi(3, "shutdown")), 3)["result"].is_null());
  EXPECT_EQ(sessione::risposta(x.invia(chiedi(4, "textDocument/hover", punto(URI_TRENO, 0, 0))), 4)["error"]["code"],
            -32600);
  EXPECT_FALSE(x.s.uscita());
  x.invia(notifica("exit"));
  EXPECT_EQ(x.s.uscita(), 0);

  sessione senza_shutdown;
  senza_shutdown.inizia();
  senza_shutdown.invia(notifica("exit"));
  EXPECT_EQ(senza_shutdown.s.uscita(), 1);
}

TEST(ServerLsp, ModificheIncrementaliEPartnerDaDiscoODalBuffer) {
  sessione x;
  x.d.file[LINEA] = TESTO_LINEA;
  x.inizia();
  // The run text open with a misspelt keyword: its diagnostic is at that word, and the
  // line text, taken from disk, is checked with it (and found clean).
  std::string treno = TESTO_TRENO;
  treno.replace(treno.find("stazione"), 8, "stazone");
  auto r = x.invia(apri(URI_TRENO, treno));
  auto d = sessione::diagnostiche(r, URI_TRENO);
  ASSERT_TRUE(d);
  // (and, the one station unread, a warning that the run has none)
  ASSERT_EQ(d->size(), 2u) << *d;
  EXPECT_EQ((*d)[0]["code"], 301);
  EXPECT_EQ((*d)[0]["range"], json::parse(R"({"start":{"line":3,"character":0},"end":{"line":3,"character":7}})"));
  // The warning of the whole text stands on its first line.
  EXPECT_EQ((*d)[1]["code"], 305);
  EXPECT_EQ((*d)[1]["range"], json::parse(R"({"start":{"line":0,"character":0},"end":{"line":0,"character":10}})"));
  EXPECT_EQ(sessione::diagnostiche(r, URI_LINEA), json::array());

  // One inserted letter, an incremental change, mends it.
  r = x.invia(notifica("textDocument/didChange",
                       {{"textDocument", {{"uri", URI_TRENO}, {"version", 2}}},
                        {"contentChanges", {{{"range", {{"start", {{"line", 3}, {"character", 4}}},
                                                        {"end", {{"line", 3}, {"character", 4}}}}},
                                             {"text", "i"}}}}}));
  EXPECT_EQ(sessione::diagnostiche(r, URI_TRENO), json::array());

  // The line text opened with an error in its buffer (not on disk): both texts are
  // checked, the error lands on the line text.
  std::string linea = TESTO_LINEA;
  linea.replace(linea.find("6000"), 4, "1000001");
  r = x.invia(apri(URI_LINEA, linea));
  d = sessione::diagnostiche(r, URI_LINEA);
  ASSERT_TRUE(d);
  ASSERT_FALSE(d->empty());
  EXPECT_EQ((*d)[0]["code"], 1);  // a line longer than 1000000 m
  EXPECT_EQ((*d)[0]["range"]["start"]["line"], 1);
  EXPECT_TRUE(sessione::diagnostiche(r, URI_TRENO));

  // Closed, the line text is taken from disk again: clean.
  r = x.invia(notifica("textDocument/didClose", {{"textDocument", {{"uri", URI_LINEA}}}}));
  EXPECT_EQ(sessione::diagnostiche(r, URI_LINEA), json::array());
}

TEST(ServerLsp, IndirizziComeLiMandaOgniEditor) {
  // Each address, the path the server keeps for it, and the address it gives a path back.
  using enum forma_percorsi;
  const struct {
    std::string uri;
    forma_percorsi forma;
    std::string percorso;  // empty: not a file of this system
    std::string di_nuovo;  // the address of that path; empty: the same as `uri`
  } casi[] = {
      {"file:///scenari/Valle_linea.txt", posix, "/scenari/Valle_linea.txt", ""},
      {"file://localhost/scenari/Citt%C3%A0%20d%E2%80%99Erba/x.txt", posix,
       "/scenari/Citt\xc3\xa0 d\xe2\x80\x99" "Erba/x.txt", "file:///scenari/Citt%C3%A0%20d%E2%80%99Erba/x.txt"},
      // What VS Code sends on Windows, what other editors send, and an old form.
      {"file:///z%3A/scenari/Valle_linea.txt", windows, "Z:/scenari/Valle_linea.txt",
       "file:///Z:/scenari/Valle_linea.txt"},
      {"file:///Z:/scenari/Valle_linea.txt", windows, "Z:/scenari/Valle_linea.txt", ""},
      {"file:///c%3a/Valle_linea.txt", windows, "C:/Valle_linea.txt", "file:///C:/Valle_linea.txt"},
      {"FILE:/C:/a%5Cb.txt", windows, "C:/a/b.txt", "file:///C:/a/b.txt"},
      {"file:///C|/a.txt", windows, "C:/a.txt", "file:///C:/a.txt"},
      {"file:///c%3A", windows, "C:", "file:///C:"},
      // A network share, from Windows; another host's file means nothing on POSIX.
      {"file://server/share/Valle_linea.txt", windows, "//server/share/Valle_linea.txt", ""},
      {"file://server/share/Valle_linea.txt", posix, "", ""},
      // On POSIX a drive letter is a folder's name like any other.
      {"file:///z%3A/a.txt", posix, "/z:/a.txt", "file:///z%3A/a.txt"},
      {"untitled:Untitled-1", windows, "", ""},
      {"file:relativo.txt", posix, "", ""},
      {"file:", windows, "", ""},
  };
  for (const auto& c : casi) {
    EXPECT_EQ(percorso_da_uri(c.uri, c.forma), c.percorso) << c.uri;
    if (c.percorso.empty()) continue;
    EXPECT_EQ(uri_da_percorso(c.percorso, c.forma), c.di_nuovo.empty() ? c.uri : c.di_nuovo) << c.uri;
  }
}

TEST(ServerLsp, CompagnoSuDiscoConIndirizziDiWindows) {
  // The run text open under VS Code's Windows address, the line text on disk only: its
  // length is known, so a signal past the track's end is error 15 as on the command line
  // (6000 m of line and 7000 m beyond: cells up to 260, and 13000 m + 100 m is past
  // them), and the station's hover has its kilometre (2800 m from km 12: km 14+800). In
  // a folder and at the drive's root.
  for (const std::string cartella : {"scenari/", ""}) {
    sessione x;
    x.d.percorsi = forma_percorsi::windows;
    x.d.file["Z:/" + cartella + "Valle_linea.txt"] = TESTO_LINEA;
    x.inizia();
    const std::string uri = "file:///z%3A/" + cartella + "Valle_R1-.txt";
    std::string treno = TESTO_TRENO;
    treno.insert(treno.find("[fine]"), "[segnali]\r\nsegnale, 13000, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0\r\n");
    const auto d = sessione::diagnostiche(x.invia(apri(uri, treno)), uri);
    ASSERT_TRUE(d) << uri;
    ASSERT_EQ(d->size(), 1u) << *d;
    EXPECT_EQ((*d)[0]["code"], 15);
    const std::string h =
        sessione::risposta(x.invia(chiedi(2, "textDocument/hover", punto(uri, 3, 21))), 2)["result"]["contents"]["value"];
    EXPECT_NE(h.find("km 14+800"), std::string::npos) << h;
  }
}

TEST(ServerLsp, DescrizioniCompletamentiCorrezioniSchema) {
  // The reading gives a misspelt keyword a certain fix.
  sessione x;
  x.d.file[LINEA] = TESTO_LINEA;
  x.inizia();
  std::string treno = TESTO_TRENO;
  treno.insert(treno.find("[fine]"), "stazone, 5000\r\n");
  x.invia(apri(URI_TRENO, treno));

  // Hover on the station's length: the field's name, unit and meaning; where the station
  // lands: 2800 m is km 12 + 2.8 under the numbering from 12000 m, cell 2800 / 50 + 1.
  const json h = sessione::risposta(x.invia(chiedi(2, "textDocument/hover", punto(URI_TRENO, 3, 21))), 2)["result"];
  const std::string testo = h["contents"]["value"];
  EXPECT_NE(testo.find("**lunghezza** (m)"), std::string::npos) << testo;
  EXPECT_NE(testo.find("km 14+800"), std::string::npos) << testo;
  EXPECT_NE(testo.find("cella 57"), std::string::npos) << testo;
  EXPECT_EQ(h["range"], json::parse(R"({"start":{"line":3,"character":20},"end":{"line":3,"character":23}})"));

  // Completion at the start of a line in [stazioni]: the section headers and the station,
  // with a snippet that names its values in the order of the text.
  const json c =
      sessione::risposta(x.invia(chiedi(3, "textDocument/completion", punto(URI_TRENO, 4, 0))), 3)["result"];
  std::vector<std::string> etichette;
  std::string stazione;
  for (const json& v : c["items"]) {
    etichette.push_back(v["label"]);
    if (v["label"] == "stazione") stazione = v["textEdit"]["newText"];
  }
  EXPECT_NE(std::find(etichette.begin(), etichette.end(), "[segnali]"), etichette.end());
  EXPECT_EQ(std::find(etichette.begin(), etichette.end(), "segnale"), etichette.end());  // another section's
  EXPECT_TRUE(stazione.starts_with("stazione, ${1:posizione}, ${2:tipo}, ${3:lunghezza}, ")) << stazione;
  EXPECT_TRUE(stazione.ends_with(", ${17:nome}")) << stazione;

  // A keyword begun: no headers, only the section's records; in the line text's [curve]
  // each spelling of a curve names itself in its detail.
  const auto etichette_di = [&](int id, const std::string& uri, int riga, int colonna) {
    std::map<std::string, std::string> d;
    const json r = sessione::risposta(x.invia(chiedi(id, "textDocument/completion", punto(uri, riga, colonna))), id);
    for (const json& v : r["result"]["items"]) d[v["label"]] = v["detail"];
    return d;
  };
  const auto iniziata = etichette_di(30, URI_TRENO, 4, 2);  // "st" of "stazone"
  EXPECT_EQ(iniziata.size(), 1u);
  EXPECT_EQ(iniziata.count("stazione"), 1u);
  // (a header's letters in any case)
  x.invia(apri(URI_LINEA, "[generale]\r\nlunghezza percorso, 6000\r\n[Curve]\r\n\r\n[fine]\r\n"));
  const auto curve = etichette_di(31, URI_LINEA, 3, 0);
  ASSERT_EQ(curve.count("curvas2"), 1u);
  EXPECT_TRUE(curve.at("curvas2").starts_with("curvas2, ")) << curve.at("curvas2");

  // The fix of the diagnostic under the cursor, as a quick fix that edits the keyword.
  const json a = sessione::risposta(
      x.invia(chiedi(4, "textDocument/codeAction",
                        {{"textDocument", {{"uri", URI_TRENO}}},
                         {"range", {{"start", {{"line", 4}, {"character", 2}}}, {"end", {{"line", 4}, {"character", 2}}}}},
                         {"context", {{"diagnostics", json::array()}}}})),
      4)["result"];
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0]["kind"], "quickfix");
  EXPECT_EQ(a[0]["edit"]["changes"][URI_TRENO][0],
            json::parse(R"({"range":{"start":{"line":4,"character":0},"end":{"line":4,"character":7}},"newText":"stazione"})"));

  // The outline: the sections, the station by its name inside [stazioni].
  const json s = sessione::risposta(x.invia(chiedi(5, "textDocument/documentSymbol",
                                                      {{"textDocument", {{"uri", URI_TRENO}}}})), 5)["result"];
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[1]["name"], "[stazioni]");
  EXPECT_EQ(s[1]["children"][0]["name"], "Piano Rio");
}

// The edges of a line as the hover and the outline read it: a header in capitals on the
// first line, the blank after a comma (still the value before it), a name holding a comma
// (one value to the end of the line), a record written as its keyword alone.
TEST(ServerLsp, DescrizioniAiMargini) {
  sessione x;
  x.inizia();
  const std::string testo =
      "[ADERENZE]\r\n\r\n[stazioni]\r\nstazione, 2800, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 30, 8, 5,30, Rio, nord\r\n"
      "stazione, 3000,  12, 400, 0, 0, 0, 1,1,0, 4,1,1, 30, 8, 5,30\r\n"
      "[segnali]\r\nsegnale\r\nsegnale, 1500, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n[fine]\r\n";
  x.invia(apri(URI_TRENO, testo));
  const auto chiedi_hover = [&](int id, int riga, int colonna) {
    return sessione::risposta(x.invia(chiedi(id, "textDocument/hover", punto(URI_TRENO, riga, colonna))), id)["result"];
  };
  // The header's range is the header itself.
  const json intestazione = chiedi_hover(2, 0, 3);
  EXPECT_EQ(intestazione["range"], json::parse(R"({"start":{"line":0,"character":0},"end":{"line":0,"character":10}})"));
  EXPECT_TRUE(intestazione["contents"]["value"].get<std::string>().starts_with("**[aderenze]**: ")) << intestazione;
  // Completion under it offers its record.
  const json c = sessione::risposta(x.invia(chiedi(3, "textDocument/completion", punto(URI_TRENO, 1, 0))), 3);
  EXPECT_NE(c["result"]["items"].dump().find("\"aderenza\""), std::string::npos) << c;
  // Column 15 is the blank after the comma of "2800,": the position still; 16 begins "12".
  const std::string posizione = chiedi_hover(4, 3, 15)["contents"]["value"];
  EXPECT_TRUE(posizione.starts_with("**posizione** (m)")) << posizione;
  EXPECT_NE(posizione.find("nei file compilati: voce della tabella, `posizione`"), std::string::npos) << posizione;
  EXPECT_TRUE(chiedi_hover(5, 3, 16)["contents"]["value"].get<std::string>().starts_with("**tipo**"));
  // Two blanks after "3000,": the first is the comma's value's, the second the next one's.
  EXPECT_TRUE(chiedi_hover(50, 4, 15)["contents"]["value"].get<std::string>().starts_with("**posizione**"));
  EXPECT_TRUE(chiedi_hover(51, 4, 16)["contents"]["value"].get<std::string>().starts_with("**tipo**"));
  // The name runs to the end of the line, comma and all.
  const json nome = chiedi_hover(6, 3, 62);
  EXPECT_EQ(nome["range"], json::parse(R"({"start":{"line":3,"character":61},"end":{"line":3,"character":70}})"));
  EXPECT_NE(nome["contents"]["value"].get<std::string>().find("`Rio, nord`"), std::string::npos) << nome;
  // A station without its name is not in the outline; a signal written as its keyword
  // alone is, by its keyword; one with its position by both, the keyword selected.
  const json s = sessione::risposta(
      x.invia(chiedi(7, "textDocument/documentSymbol", {{"textDocument", {{"uri", URI_TRENO}}}})), 7)["result"];
  ASSERT_EQ(s.size(), 4u) << s;
  EXPECT_EQ(s[1]["children"].size(), 1u) << s;
  EXPECT_EQ(s[2]["children"][0]["name"], "segnale") << s;
  EXPECT_EQ(s[2]["children"][1]["name"], "segnale 1500 m") << s;
  EXPECT_EQ(s[2]["children"][1]["selectionRange"],
            json::parse(R"({"start":{"line":7,"character":0},"end":{"line":7,"character":7}})"));
}

// What the client says it takes: snippets and markdown only where it lists them.
TEST(ServerLsp, CapacitaDelClient) {
  struct caso {
    const char* nome;
    json capacita;
    std::string tipo_hover;
    std::string inserito;  // the station's completion, its start
    int formato;           // insertTextFormat
  };
  const json piene = sessione::capacita_piene();
  const std::vector<caso> casi = {
      {"nessuna", json::object(), "plaintext", "stazione, , , , ", 1},
      {"snippet e markdown", piene, "markdown", "stazione, ${1:posizione}, ${2:tipo}, ${3:lunghezza}, ", 2},
      {"testo semplice preferito",
       {{"textDocument", {{"hover", {{"contentFormat", {"plaintext", "markdown"}}}},
                          {"completion", {{"completionItem", {{"snippetSupport", false}}}}}}}},
       "plaintext", "stazione, , , , ", 1},
  };
  for (const caso& c : casi) {
    sessione x;
    x.d.file[LINEA] = TESTO_LINEA;
    x.inizia(c.capacita);
    x.invia(apri(URI_TRENO, TESTO_TRENO));
    const json h = sessione::risposta(x.invia(chiedi(2, "textDocument/hover", punto(URI_TRENO, 3, 21))), 2)["result"];
    EXPECT_EQ(h["contents"]["kind"], c.tipo_hover) << c.nome;
    // Bold only in markdown.
    EXPECT_EQ(h["contents"]["value"].get<std::string>().starts_with("**lunghezza** (m)"), c.tipo_hover == "markdown")
        << c.nome << h;
    // Its own range, not its 32-bit field's.
    EXPECT_NE(h["contents"]["value"].get<std::string>().find("valori ammessi: da 0 a 2147483647\n"), std::string::npos)
        << c.nome << h;
    // On the keyword: the record, its values in a code span where markdown is taken.
    const json k = sessione::risposta(x.invia(chiedi(4, "textDocument/hover", punto(URI_TRENO, 3, 2))), 4)["result"];
    const std::string record = k["contents"]["value"];
    const bool markdown = c.tipo_hover == "markdown";
    EXPECT_TRUE(record.starts_with(markdown ? "**stazione**: " : "stazione: ")) << c.nome << record;
    EXPECT_NE(record.find(markdown ? "`stazione, posizione, tipo" : "\n\nstazione, posizione, tipo"), std::string::npos)
        << c.nome << record;
    const json v =
        sessione::risposta(x.invia(chiedi(3, "textDocument/completion", punto(URI_TRENO, 4, 0))), 3)["result"];
    for (const json& voce : v["items"]) {
      if (voce["label"] != "stazione") continue;
      const std::string inserito = voce["textEdit"]["newText"];
      EXPECT_TRUE(inserito.starts_with(c.inserito)) << c.nome << ": " << inserito;
      EXPECT_EQ(voce["insertTextFormat"], c.formato) << c.nome;
      // Seventeen values: as many commas, snippet or not.
      EXPECT_EQ(std::count(inserito.begin(), inserito.end(), ','), 17) << c.nome;
    }
  }
}

// The line text with a maximum-speed indicator on the cell of a run's signal at 1500 m
// (error 16 on the signal).
std::string linea_con_indicatore() {
  std::string linea = TESTO_LINEA;
  return linea.insert(linea.find("[fine]"), "indicatori_vmax, 1500, 70, 75, 75, 0, , , , 0\r\n");
}

// The edits of a formatting applied to `testo` as a client applies them: each on its own
// line (the layout moves blanks within lines), from the last so that none moves another.
std::string applica_modifiche(std::string testo, const json& modifiche, bool una_riga = true) {
  std::vector<json> ordinate(modifiche.begin(), modifiche.end());
  std::sort(ordinate.begin(), ordinate.end(), [](const json& a, const json& b) {
    return std::pair(a["range"]["start"]["line"].get<int>(), a["range"]["start"]["character"].get<int>()) >
           std::pair(b["range"]["start"]["line"].get<int>(), b["range"]["start"]["character"].get<int>());
  });
  for (const json& m : ordinate) {
    const intervallo r{{m["range"]["start"]["line"], m["range"]["start"]["character"]},
                       {m["range"]["end"]["line"], m["range"]["end"]["character"]}};
    if (una_riga) {
      EXPECT_EQ(r.inizio.riga, r.fine.riga) << m;
    }
    applica_modifica(testo, r, m["newText"].get<std::string>(), unita::utf16);
  }
  return testo;
}

// Format Document on either text (the line text's partner open, not laid out): an edit for
// each line the layout changes, of that part of it alone, which make the text its layout;
// then none, the layout being stable.
TEST(ServerLsp, ImpaginazioneDelDocumento) {
  sessione x;
  x.inizia();
  const std::string linea = "[generale]\r\nlunghezza percorso,6000\r\n[pendenze]\r\npendenza,0,0\r\npendenza, 1000,5\r\n[fine]\r\n";
  const std::string treno = TESTO_TRENO;
  x.invia(apri(URI_LINEA, linea));
  x.invia(apri(URI_TRENO, treno));
  int id = 10;
  for (const auto& [uri, testo, t] : {std::tuple{URI_LINEA, linea, formato::testo::linea},
                                      std::tuple{URI_TRENO, treno, formato::testo::treno}}) {
    const auto formatta = [&] {
      ++id;
      return sessione::risposta(x.invia(chiedi(id, "textDocument/formatting",
                                               {{"textDocument", {{"uri", uri}}},
                                                {"options", {{"tabSize", 2}, {"insertSpaces", true}}}})),
                                id)["result"];
    };
    const json modifiche = formatta();
    const std::string impaginato = applica_modifiche(testo, modifiche);
    EXPECT_EQ(impaginato, impagina(testo, t)) << uri << modifiche;
    // One edit for each line that the layout changes, none for the others.
    const std::vector<size_t> prima = inizi_righe(testo), dopo = inizi_righe(impaginato);
    std::set<int64_t> cambiate, modificate;
    for (size_t r = 0; r < prima.size(); ++r) {
      if (riga_di(testo, prima, static_cast<int64_t>(r)) != riga_di(impaginato, dopo, static_cast<int64_t>(r))) {
        cambiate.insert(static_cast<int64_t>(r));
      }
    }
    for (const json& m : modifiche) modificate.insert(m["range"]["start"]["line"].get<int64_t>());
    EXPECT_EQ(modificate, cambiate) << uri;
    EXPECT_EQ(modifiche.size(), cambiate.size()) << uri;
    x.invia(notifica("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", 2}}},
                                                {"contentChanges", {{{"text", impaginato}}}}}));
    EXPECT_EQ(formatta(), json::array()) << uri;
  }
}

// The kilometre of a position: counted up or down from the value at the origin, with the
// numbering whose start the position has passed; metres always three digits.
TEST(ServerLsp, Chilometri) {
  const progressive km = {progressiva{5000, 0, 1}, progressiva{0, 12000, 0}, progressiva{0, 0, 0}};
  EXPECT_EQ(chilometro(km, 50), "km 12+050");       // 12000 + 50
  EXPECT_EQ(chilometro(km, 5100), "km -5+100");     // from 5000 m: 0 - 5100, counting down
  EXPECT_EQ(chilometro(km, -1), std::nullopt);      // before every numbering
  const progressive zero = {progressiva{0, 0, 0}, progressiva{}, progressiva{}};
  EXPECT_EQ(chilometro(zero, 7), "km 0+007");
  EXPECT_EQ(chilometro(zero, 0), "km 0+000");  // no sign on nought
}

// The line texts a run text may belong to, by the identifiers its name can hold, the
// longest first.
TEST(ServerLsp, LineeDiUnaCorsa) {
  EXPECT_EQ(linee_possibili("/s/Val_Alta_R1-.txt"),
            (std::vector<std::string>{"/s/Val_Alta_linea.txt", "/s/Val_linea.txt"}));
  EXPECT_EQ(linee_possibili("/s/V__R1-.txt"), (std::vector<std::string>{"/s/V__linea.txt", "/s/V_linea.txt"}));
  EXPECT_EQ(linee_possibili("/s/R1-.txt"), std::vector<std::string>{});
  // Only pairs the command line takes: a train "R1." (a trailing dot) or a line "CON" (a
  // device's name) is no identifier.
  EXPECT_EQ(linee_possibili("/s/Val_R1.-.txt"), std::vector<std::string>{});
  EXPECT_EQ(linee_possibili("/s/CON_R1-.txt"), std::vector<std::string>{});
}

// A run text belongs to one line text, the same asked from either side: the longest line
// its name begins with among those present. Present here: Alta and Alta_Valle.
TEST(ServerLsp, CorseDiUnaLinea) {
  const auto presente = [](const std::string& p) { return p == "/s/Alta_linea.txt" || p == "/s/Alta_Valle_linea.txt"; };
  const std::tuple<std::string, std::string, bool> casi[] = {
      {"/s/Alta_Valle_linea.txt", "Alta_Valle_R1-.txt", true},
      {"/s/Alta_linea.txt", "Alta_Valle_R1-.txt", false},  // Alta_Valle's, though it begins with Alta_
      {"/s/Alta_linea.txt", "Alta_R1-.txt", true},
      {"/s/Alta_linea.txt", "Alta_Monte_R1-.txt", true},  // no line Alta_Monte
      {"/s/Alta_Valle_linea.txt", "Alta_R1-.txt", false},
      {"/s/Alta_linea.txt", "Alta_linea.txt", false},
  };
  for (const auto& [linea, nome, attesa] : casi) {
    EXPECT_EQ(corsa_della_linea(linea, nome, presente), attesa) << linea << " " << nome;
    EXPECT_EQ(linea_della_corsa("/s/" + nome, presente) == linea, attesa) << linea << " " << nome;
  }

  // The server, the run text open, then the other line text opened and changed: a line of
  // 2000 m would put the run's station at 2800 m past its end (warning 321), the run's own
  // line of 6000 m does not. The run keeps its own line; the other is checked alone.
  sessione x;
  std::string corta = TESTO_LINEA;
  corta.replace(corta.find("6000"), 4, "2000");
  const std::string uri_alta = "file:///scenari/Alta_linea.txt";
  const std::string uri_corsa = "file:///scenari/Alta_Valle_R1-.txt";
  x.d.file[CARTELLA + "/Alta_Valle_linea.txt"] = TESTO_LINEA;
  x.d.file[CARTELLA + "/Alta_linea.txt"] = corta;
  x.d.file[CARTELLA + "/Alta_Valle_R1-.txt"] = TESTO_TRENO;
  x.inizia();
  EXPECT_EQ(sessione::diagnostiche(x.invia(apri(uri_corsa, TESTO_TRENO)), uri_corsa), json::array());
  for (const json& m : {apri(uri_alta, corta),
                        notifica("textDocument/didChange", {{"textDocument", {{"uri", uri_alta}, {"version", 2}}},
                                                            {"contentChanges", {{{"text", corta + "\r\n"}}}}})}) {
    const auto r = x.invia(m);
    EXPECT_FALSE(sessione::diagnostiche(r, uri_corsa)) << r;
    const auto d = sessione::diagnostiche(r, uri_alta);
    ASSERT_TRUE(d);
    ASSERT_EQ(d->size(), 1u) << *d;
    EXPECT_NE((*d)[0]["message"].get<std::string>().find("Alta_TRENO-.txt"), std::string::npos) << *d;
  }
}

// A value written with a backtick stays one code span in markdown; plain text as written.
// The catalogue's code spans are the names alone in plain text.
TEST(ServerLsp, ValoreConApiceInverso) {
  testo_doppio d;
  d.codice("Rio`s").testo(" e ").codice("x").testo(", voce della tabella, `posizione`");
  EXPECT_EQ(d.markdown, "`` Rio`s `` e `x`, voce della tabella, `posizione`");
  EXPECT_EQ(d.semplice, "Rio`s e x, voce della tabella, posizione");
}

// A line text with two run texts open: a change to the line re-checks both.
TEST(ServerLsp, DueCorseDiUnaLinea) {
  const std::string uri_r2 = "file:///scenari/Valle_R2-.txt";
  std::string treno = TESTO_TRENO;
  treno.insert(treno.find("[fine]"), "[segnali]\r\nsegnale, 1500, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n");
  sessione x;
  x.d.file[LINEA] = TESTO_LINEA;
  x.inizia();
  x.invia(apri(URI_LINEA, TESTO_LINEA));
  x.invia(apri(URI_TRENO, treno));
  x.invia(apri(uri_r2, treno));
  const auto cambia = [&](const std::string& testo) {
    return x.invia(notifica("textDocument/didChange", {{"textDocument", {{"uri", URI_LINEA}, {"version", 2}}},
                                                       {"contentChanges", {{{"text", testo}}}}}));
  };
  auto r = cambia(linea_con_indicatore());
  for (const std::string& uri : {URI_TRENO, uri_r2}) {
    const auto d = sessione::diagnostiche(r, uri);
    ASSERT_TRUE(d) << uri;
    ASSERT_EQ(d->size(), 1u) << uri << *d;
    EXPECT_EQ((*d)[0]["code"], 16) << uri;
  }
  r = cambia(TESTO_LINEA);
  EXPECT_EQ(sessione::diagnostiche(r, URI_TRENO), json::array());
  EXPECT_EQ(sessione::diagnostiche(r, uri_r2), json::array());
  EXPECT_EQ(sessione::diagnostiche(r, URI_LINEA), json::array());
  // Closed with the indicator in its buffer, the line is the one on disk again.
  cambia(linea_con_indicatore());
  r = x.invia(notifica("textDocument/didClose", {{"textDocument", {{"uri", URI_LINEA}}}}));
  EXPECT_EQ(sessione::diagnostiche(r, URI_TRENO), json::array());
  EXPECT_EQ(sessione::diagnostiche(r, uri_r2), json::array());
}

// What is said of a text not open lasts while an open text of its pair does: both texts
// on disk with a misspelt keyword (error 301), each opened and closed in turn. The partner
// on disk is told about with the open text; once nothing of the pair is open, neither text
// keeps a diagnostic.
TEST(ServerLsp, DiagnosticheDeiTestiNonAperti) {
  sessione x;
  std::string linea = TESTO_LINEA;
  linea.insert(linea.find("[fine]"), "pendenzza, 100, 0\r\n");
  std::string treno = TESTO_TRENO;
  treno.insert(treno.find("[fine]"), "stazone, 5000\r\n");
  x.d.file[LINEA] = linea;
  x.d.file[TRENO] = treno;
  x.inizia();
  const auto codici = [](const std::vector<json>& r, const std::string& uri) {
    std::vector<int> c;
    const auto d = sessione::diagnostiche(r, uri);
    if (!d) return std::optional<std::vector<int>>();
    for (const json& x : *d) c.push_back(x.value("code", 0));
    return std::optional(c);
  };
  const auto chiudi = [&](const std::string& uri) {
    return x.invia(notifica("textDocument/didClose", {{"textDocument", {{"uri", uri}}}}));
  };
  const std::vector<int> errore = {301};
  const std::vector<int> nessuna = {};
  for (const auto& [aperto, testo, altro] : {std::tuple{URI_TRENO, treno, URI_LINEA}, std::tuple{URI_LINEA, linea, URI_TRENO}}) {
    auto r = x.invia(apri(aperto, testo));
    EXPECT_EQ(codici(r, aperto), errore) << aperto;
    EXPECT_EQ(codici(r, altro), errore) << aperto;
    r = chiudi(aperto);
    EXPECT_EQ(codici(r, aperto), nessuna) << aperto;
    EXPECT_EQ(codici(r, altro), nessuna) << aperto;
  }
}

// The partner on disk: looked for and named when missing, taken up when the client says
// it came or changed; a text renamed or saved under a new name is followed there.
TEST(ServerLsp, PartnerSuDiscoRinominaESalvataggio) {
  sessione x;
  const auto avvio = x.inizia();
  // The client watches the two kinds of text for the server.
  const auto registra = std::find_if(avvio.begin(), avvio.end(), [](const json& m) {
    return m.value("method", "") == "client/registerCapability";
  });
  ASSERT_NE(registra, avvio.end());
  EXPECT_EQ((*registra)["params"]["registrations"][0]["method"], "workspace/didChangeWatchedFiles");

  std::string treno = TESTO_TRENO;
  treno.insert(treno.find("[fine]"), "[segnali]\r\nsegnale, 1500, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n");
  auto d = sessione::diagnostiche(x.invia(apri(URI_TRENO, treno)), URI_TRENO);
  ASSERT_TRUE(d);
  ASSERT_EQ(d->size(), 1u) << *d;
  EXPECT_EQ((*d)[0]["severity"], 3);
  EXPECT_NE((*d)[0]["message"].get<std::string>().find("Valle_linea.txt"), std::string::npos) << *d;

  const auto su_disco = [&](int tipo) {
    return x.invia(notifica("workspace/didChangeWatchedFiles", {{"changes", {{{"uri", URI_LINEA}, {"type", tipo}}}}}));
  };
  x.d.file[LINEA] = TESTO_LINEA;
  EXPECT_EQ(sessione::diagnostiche(su_disco(1), URI_TRENO), json::array());
  x.d.file[LINEA] = linea_con_indicatore();
  d = sessione::diagnostiche(su_disco(2), URI_TRENO);
  ASSERT_TRUE(d);
  ASSERT_EQ(d->size(), 1u);
  EXPECT_EQ((*d)[0]["code"], 16);
  x.d.file[LINEA] = TESTO_LINEA;
  su_disco(2);

  // Renamed: the old name's diagnostics cleared, the new one checked.
  const std::string uri_r3 = "file:///scenari/Valle_R3-.txt";
  auto r = x.invia(notifica("workspace/didRenameFiles", {{"files", {{{"oldUri", URI_TRENO}, {"newUri", uri_r3}}}}}));
  EXPECT_EQ(sessione::diagnostiche(r, URI_TRENO), json::array());
  EXPECT_EQ(sessione::diagnostiche(r, uri_r3), json::array());
  // Saved under a new name (the editor's own save as): taken up from the saved text.
  const std::string uri_r4 = "file:///scenari/Valle_R4-.txt";
  std::string errato = TESTO_TRENO;
  errato.replace(errato.find("stazione"), 8, "stazone");
  r = x.invia(notifica("textDocument/didSave", {{"textDocument", {{"uri", uri_r4}}}, {"text", errato}}));
  d = sessione::diagnostiche(r, uri_r4);
  ASSERT_TRUE(d);
  ASSERT_FALSE(d->empty());
  EXPECT_EQ((*d)[0]["code"], 301);

  // A line text with no run text beside it says so.
  sessione sola;
  sola.inizia();
  d = sessione::diagnostiche(sola.invia(apri(URI_LINEA, TESTO_LINEA)), URI_LINEA);
  ASSERT_TRUE(d);
  ASSERT_EQ(d->size(), 1u);
  EXPECT_NE((*d)[0]["message"].get<std::string>().find("Valle_TRENO-.txt"), std::string::npos) << *d;

  // With run texts on disk and none open, the line text is checked with the first by name.
  sessione due;
  due.d.file[TRENO] = TESTO_TRENO;
  due.d.file[CARTELLA + "/Valle_R2-.txt"] = TESTO_TRENO;
  due.inizia();
  r = due.invia(apri(URI_LINEA, TESTO_LINEA));
  EXPECT_TRUE(sessione::diagnostiche(r, URI_TRENO));
  EXPECT_FALSE(sessione::diagnostiche(r, "file:///scenari/Valle_R2-.txt"));

  // A text that is no file (a new buffer) is checked alone, as what it holds, without a
  // word of a partner: a line text by its length record.
  for (const std::string& testo : {TESTO_LINEA, TESTO_TRENO}) {
    sessione nuovo;
    nuovo.inizia();
    EXPECT_EQ(sessione::diagnostiche(nuovo.invia(apri("untitled:Untitled-1", testo)), "untitled:Untitled-1"),
              json::array());
  }
}

// Hundreds of faults: the reading goes on to the end (no warning that follows from a
// stop), and a text publishes at most 200 diagnostics, errors before warnings, the last
// counting the rest.
TEST(ServerLsp, LimiteDelleDiagnostiche) {
  sessione x;
  x.d.file[LINEA] = TESTO_LINEA;
  x.inizia();
  std::string treno = TESTO_TRENO;
  std::string avvisi, errori;
  for (int i = 0; i < 300; ++i) avvisi += "[sezione ignota]\r\n";  // an unknown header: a warning
  for (int i = 0; i < 60; ++i) errori += "stazone, 5000\r\n";      // an unknown keyword: an error
  treno.insert(treno.find("[stazioni]"), avvisi);
  treno.insert(treno.find("[fine]"), errori);
  const auto d = sessione::diagnostiche(x.invia(apri(URI_TRENO, treno)), URI_TRENO);
  ASSERT_TRUE(d);
  ASSERT_EQ(d->size(), 200u);
  for (size_t i = 0; i < 199; ++i) {
    EXPECT_EQ((*d)[i]["severity"], i < 60 ? 1 : 2) << i;
    EXPECT_EQ((*d)[i]["code"], i < 60 ? 301 : 303) << i;
  }
  // 360 in all, 199 shown: 161 warnings left, the first of them the 140th header, on
  // line 2 + 139.
  EXPECT_TRUE((*d)[199]["message"].get<std::string>().starts_with("altre 161 diagnostiche non mostrate (0 errori"))
      << (*d)[199];
  EXPECT_EQ((*d)[199]["range"]["start"]["line"], 141);
}

// Help while typing: the value under the cursor, the labels after values, the sections
// folded, the kinds of the parts of a line.
TEST(ServerLsp, AiutiMentreSiScrive) {
  sessione x;
  x.d.file[LINEA] = TESTO_LINEA;
  x.inizia();
  const std::string treno = TESTO_TRENO.substr(0, TESTO_TRENO.find("[fine]")) +
                            "stazone, 100\r\nUna nota, con virgole [sic]\r\n, 5\r\n[fine]\r\n";
  x.invia(apri(URI_TRENO, treno));
  // The station's hours: "8" after "30, " (its fourteenth value).
  const std::string stazione = "stazione, 2800, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 30, 8, 5,30, Piano Rio";
  const int ore = static_cast<int>(stazione.find(" 8,")) + 1;
  // Asked for by the author (the help is otherwise given while a record is typed).
  const auto chiesta = [](json p) {
    p["context"] = {{"triggerKind", 1}, {"isRetrigger", false}};
    return p;
  };
  const json f = sessione::risposta(
      x.invia(chiedi(2, "textDocument/signatureHelp", chiesta(punto(URI_TRENO, 3, ore)))), 2)["result"];
  ASSERT_EQ(f["activeParameter"], 13) << f;
  const json firma = f["signatures"][0];
  const std::string etichetta = firma["label"];
  const json dove = firma["parameters"][13]["label"];
  EXPECT_EQ(etichetta.substr(dove[0].get<size_t>(), dove[1].get<size_t>() - dove[0].get<size_t>()), "ore");
  EXPECT_TRUE(firma["parameters"][13]["documentation"]["value"].get<std::string>().starts_with("h, da 0 a 23"))
      << firma["parameters"][13];

  // On the keyword no value is under the cursor.
  const json su_parola = sessione::risposta(
      x.invia(chiedi(20, "textDocument/signatureHelp", chiesta(punto(URI_TRENO, 3, 2)))), 20)["result"];
  EXPECT_FALSE(su_parola.contains("activeParameter")) << su_parola;
  EXPECT_EQ(su_parola["signatures"][0]["parameters"].size(), 17u);

  // Inlay hints on the station line: the kilometre after its position (12000 + 2800 m),
  // the unit after its length.
  const json s = sessione::risposta(
      x.invia(chiedi(3, "textDocument/inlayHint",
                     {{"textDocument", {{"uri", URI_TRENO}}},
                      {"range", {{"start", {{"line", 3}, {"character", 0}}}, {"end", {{"line", 3}, {"character", 0}}}}}})),
      3)["result"];
  ASSERT_GE(s.size(), 2u) << s;
  EXPECT_EQ(s[0]["label"], "km 14+800");
  EXPECT_EQ(s[0]["position"]["character"], stazione.find(", 12"));
  EXPECT_EQ(s[1]["label"], "m");
  EXPECT_EQ(s[1]["position"]["character"], stazione.find(", 0"));

  const json p = sessione::risposta(
      x.invia(chiedi(4, "textDocument/foldingRange", {{"textDocument", {{"uri", URI_TRENO}}}})), 4)["result"];
  EXPECT_EQ(p, json::parse(R"([{"startLine":0,"endLine":1,"kind":"region"},{"startLine":2,"endLine":6,"kind":"region"}])"));

  // The kinds of the last five lines, five numbers each (line and start from the one
  // before, length, kind in the legend's order): an unknown keyword (2) and its number
  // (3), a note holding commas and a bracket (5), a line with no first word (a note), the
  // closing header (0).
  const json g = sessione::risposta(
      x.invia(chiedi(5, "textDocument/semanticTokens/full", {{"textDocument", {{"uri", URI_TRENO}}}})), 5)["result"];
  const std::vector<int64_t> dati = g["data"];
  ASSERT_GE(dati.size(), 25u);
  EXPECT_EQ(std::vector<int64_t>(dati.end() - 25, dati.end()),
            (std::vector<int64_t>{1, 0, 7, 2, 0, 0, 9, 3, 3, 0, 1, 0, 27, 5, 0, 1, 0, 3, 5, 0, 1, 0, 6, 0, 0}));
}

// The signature help speaks while a record's values are typed, and leaves the rest to the
// hover: an editor that asks for both at every move of the cursor shows the signature
// help first. Line 3 holds a whole station, line 4 a signal whose values are being
// written, "segnale, 1500, 2, " (the cursor at its end is on its third value, s1).
// Asked for by the author (triggerKind 1) it answers anywhere on a record, as tested above.
TEST(ServerLsp, FirmaMentreSiScrivonoIValori) {
  sessione x;
  x.d.file[LINEA] = TESTO_LINEA;
  x.inizia();
  const std::string segnale = "segnale, 1500, 2, ";
  x.invia(apri(URI_TRENO, TESTO_TRENO.substr(0, TESTO_TRENO.find("[fine]")) + segnale + "\r\n[fine]\r\n"));
  const int fine_segnale = static_cast<int>(segnale.size());
  const struct {
    const char* nome;
    int riga, colonna;
    std::optional<int> perche;  // the context's triggerKind; none: no context
    std::optional<int> valore;  // the active value; none: no help at all
  } casi[] = {
      {"a meta' di un record scritto, senza contesto", 3, 17, std::nullopt, std::nullopt},
      {"sulla parola chiave, senza contesto", 3, 2, std::nullopt, std::nullopt},
      {"alla fine di un record che si scrive, senza contesto", 4, fine_segnale, std::nullopt, 2},
      {"sul primo valore di un record che si scrive, valori dopo, senza contesto", 4, 9, std::nullopt, std::nullopt},
      // Column 17 is in "12", the station's kind, its second value.
      {"a una virgola battuta, a meta' riga", 3, 17, 2, 1},
      {"a una virgola battuta, sulla parola chiave", 3, 2, 2, std::nullopt},
      {"mentre l'aiuto e' aperto", 3, 17, 3, 1},
  };
  int id = 10;
  for (const auto& c : casi) {
    json p = punto(URI_TRENO, c.riga, c.colonna);
    if (c.perche) p["context"] = {{"triggerKind", *c.perche}, {"isRetrigger", *c.perche == 3}};
    ++id;
    const json f = sessione::risposta(x.invia(chiedi(id, "textDocument/signatureHelp", p)), id)["result"];
    if (!c.valore) {
      EXPECT_TRUE(f.is_null()) << c.nome << f;
      continue;
    }
    EXPECT_EQ(f.value("activeParameter", -1), *c.valore) << c.nome << f;
  }
  // The hover, meanwhile, answers on the record's keyword.
  EXPECT_FALSE(sessione::risposta(x.invia(chiedi(30, "textDocument/hover", punto(URI_TRENO, 3, 2))), 30)["result"].is_null());
}

// A note after a record's last number, which the reading passes over: the unit's label
// after the number, the note coloured as a note, nothing described on it.
TEST(ServerLsp, NotaDopoLUltimoValore) {
  sessione x;
  x.d.file[LINEA] = TESTO_LINEA;
  x.inizia();
  const std::string riga = "velocita, 0, 60 km/h, fino al ponte";
  x.invia(apri(URI_TRENO, "[generale]\r\norologio, 8 0 0\r\n[vel_limite]\r\n" + riga + "\r\n[fine]\r\n"));
  const auto risposta = [&](int id, const std::string& metodo, const json& p) {
    return sessione::risposta(x.invia(chiedi(id, metodo, p)), id)["result"];
  };
  const auto sessanta = static_cast<int64_t>(riga.find("60"));
  const auto nota = static_cast<int64_t>(riga.find("km/h"));
  const json s = risposta(2, "textDocument/inlayHint",
                          {{"textDocument", {{"uri", URI_TRENO}}},
                           {"range", {{"start", {{"line", 3}, {"character", 0}}}, {"end", {{"line", 3}, {"character", 0}}}}}});
  ASSERT_FALSE(s.empty());
  EXPECT_EQ(s.back()["label"], "km/h");
  EXPECT_EQ(s.back()["position"]["character"], sessanta + 2);
  // The last line's parts before [fine]: the number 60 (3), two wide, then the note (5) to
  // the end of the line.
  const std::vector<int64_t> dati = risposta(3, "textDocument/semanticTokens/full", {{"textDocument", {{"uri", URI_TRENO}}}})["data"];
  ASSERT_GE(dati.size(), 15u);
  EXPECT_EQ(std::vector<int64_t>(dati.end() - 15, dati.end() - 5),
            (std::vector<int64_t>{0, sessanta - static_cast<int64_t>(riga.find('0')), 2, 3, 0, 0, nota - sessanta,
                                  static_cast<int64_t>(riga.size()) - nota, 5, 0}));
  EXPECT_EQ(risposta(4, "textDocument/hover", punto(URI_TRENO, 3, static_cast<int>(nota) + 1)), json());
}

// Positions in either unit: "a", "é" (two UTF-8 bytes, one UTF-16 unit), then a character
// beyond the basic plane (four bytes, two units), then "b".
TEST(ServerLsp, PosizioniInUnitaDelProtocollo) {
  const std::string riga = "a\xC3\xA9\xF0\x9F\x98\x80" "b";
  struct caso {
    unita u;
    int64_t prima_di_b;
  };
  for (const caso& c : {caso{unita::utf16, 4}, caso{unita::utf8, 7}}) {
    std::string t = riga + "\r\nseconda";
    ASSERT_TRUE(applica_modifica(t, {{0, c.prima_di_b}, {1, 0}}, "B", c.u));
    EXPECT_EQ(t, "a\xC3\xA9\xF0\x9F\x98\x80" "Bseconda");
    EXPECT_EQ(unita_fino_a(riga, 7, c.u), c.prima_di_b);
  }
  // The reading counts characters of the ISO 8859-1 text it made of this UTF-8 line:
  // column 3 is "x", after "é,".
  colonne_testo col("\xC3\xA9,xy, z\r\n");
  EXPECT_EQ(col.intervallo_di({"t", 1, 3, 5}, unita::utf16), (intervallo{{0, 2}, {0, 4}}));
  EXPECT_EQ(col.intervallo_di({"t", 1, 3, 5}, unita::utf8), (intervallo{{0, 3}, {0, 5}}));
  EXPECT_EQ(col.intervallo_di({"t", 1, 3, 0}, unita::utf8), (intervallo{{0, 3}, {0, 5}}));  // to the comma
  // A stray continuation byte is one character; a character cut by the line's end ends
  // with the line.
  EXPECT_EQ(unita_fino_a("\xBF" "a", 2, unita::utf16), 2);
  EXPECT_EQ(byte_da_unita("a\xC3", 5, unita::utf16), 2u);
  EXPECT_EQ(unita_fino_a("a\xC3", 2, unita::utf8), 2);
  // An end not past the start is no end: the rest of the item.
  EXPECT_EQ(col.intervallo_di({"t", 1, 3, 3}, unita::utf8), (intervallo{{0, 3}, {0, 5}}));

  // A file's address escapes every byte outside the unreserved set, two hex digits each,
  // and gives the path back.
  const std::string percorso = "/scenari/Val d'\xC3\xA9/Val_R09-.txt";
  EXPECT_EQ(uri_da_percorso(percorso, forma_percorsi::posix), "file:///scenari/Val%20d%27%C3%A9/Val_R09-.txt");
  EXPECT_EQ(percorso_da_uri(uri_da_percorso(percorso, forma_percorsi::posix), forma_percorsi::posix), percorso);

  // An edit that would take a text past the limit is refused, the text as it was; one
  // that reaches it exactly is made.
  std::string grande(LIMITE_MESSAGGIO - 4, 'x');
  EXPECT_FALSE(applica_modifica(grande, {{0, 0}, {0, 0}}, "12345", unita::utf8));
  EXPECT_EQ(grande.size(), LIMITE_MESSAGGIO - 4);
  EXPECT_TRUE(applica_modifica(grande, {{0, 0}, {0, 1}}, "12345", unita::utf8));
  EXPECT_EQ(grande.size(), LIMITE_MESSAGGIO);
}

// A place far past the end of a text, as a client may send one: each request that takes a
// place answers as on the line after the last, in the last line's section ([stazioni], the
// text not closed by [fine]): no record there to describe, its records to complete. A walk
// from the line asked for back to the text would not end within the test's life.
TEST(ServerLsp, PosizioniOltreLaFine) {
  sessione x;
  x.d.file[LINEA] = TESTO_LINEA;
  x.inizia();
  x.invia(apri(URI_TRENO, TESTO_TRENO.substr(0, TESTO_TRENO.find("[fine]"))));
  const int64_t lontana = int64_t{1} << 62;
  json dove = punto(URI_TRENO, 0, 5);
  dove["position"]["line"] = lontana;
  const auto risposta = [&](int id, const std::string& metodo, const json& p) {
    return sessione::risposta(x.invia(chiedi(id, metodo, p)), id)["result"];
  };
  EXPECT_EQ(risposta(2, "textDocument/hover", dove), json());
  EXPECT_EQ(risposta(3, "textDocument/signatureHelp", dove), json());
  EXPECT_NE(risposta(4, "textDocument/completion", dove).dump().find("\"label\":\"stazione\""), std::string::npos);
  json tratto = {{"textDocument", {{"uri", URI_TRENO}}},
                 {"range", {{"start", dove["position"]}, {"end", dove["position"]}}}};
  EXPECT_EQ(risposta(5, "textDocument/inlayHint", tratto), json::array());
  tratto["context"] = {{"diagnostics", json::array()}};
  EXPECT_EQ(risposta(6, "textDocument/codeAction", tratto), json::array());
}

// Messages split anywhere, and one over 64 MiB refused while its bytes pass, not kept.
TEST(ServerLsp, CorniciDeiMessaggi) {
  cornici c;
  const std::string flusso = "Content-Length: 2\r\n\r\n{}content-length:3\r\nX: y\r\n\r\n[1]";
  std::vector<std::string> corpi;
  for (const char b : flusso) {
    c.aggiungi(std::string_view(&b, 1));
    while (auto e = c.prossimo()) corpi.push_back(e->corpo);
  }
  EXPECT_EQ(corpi, (std::vector<std::string>{"{}", "[1]"}));

  const size_t grande = LIMITE_MESSAGGIO + 1;
  c.aggiungi("Content-Length: " + std::to_string(grande) + "\r\n\r\n");
  auto e = c.prossimo();
  ASSERT_TRUE(e);
  EXPECT_EQ(e->quale, cornici::evento::tipo::rifiutato);
  const std::string pezzo(size_t{1} << 20, 'x');
  for (size_t dati = 0; dati + pezzo.size() <= grande; dati += pezzo.size()) c.aggiungi(pezzo);
  EXPECT_FALSE(c.prossimo());
  c.aggiungi(std::string(grande % pezzo.size(), 'x') + "Content-Length: 2\r\n\r\n{}");
  e = c.prossimo();
  ASSERT_TRUE(e);
  EXPECT_EQ(e->corpo, "{}");

  // At the limit a body is taken; one past it is refused even when it came whole with the
  // message after it, which is then read at once.
  for (const size_t lunghezza : {LIMITE_MESSAGGIO, LIMITE_MESSAGGIO + 1}) {
    cornici tutto;
    tutto.aggiungi("Content-Length: " + std::to_string(lunghezza) + "\r\n\r\n" + std::string(lunghezza, ' ') +
                   "Content-Length: 2\r\n\r\n{}");
    e = tutto.prossimo();
    ASSERT_TRUE(e);
    EXPECT_EQ(e->quale, lunghezza == LIMITE_MESSAGGIO ? cornici::evento::tipo::messaggio : cornici::evento::tipo::rifiutato);
    e = tutto.prossimo();
    ASSERT_TRUE(e) << lunghezza;
    EXPECT_EQ(e->corpo, "{}");
  }

  cornici senza;
  senza.aggiungi("Content-Type: x\r\n\r\n");
  EXPECT_EQ(senza.prossimo()->quale, cornici::evento::tipo::intestazione_errata);
}

// A frame the server cannot read (no valid Content-Length, or header lines that never end)
// costs that message alone: the stream is read on from the next "Content-Length", whatever
// the broken message's body held, given whole or a byte at a time.
TEST(ServerLsp, RisincronizzaDopoUnaCorniceErrata) {
  using T = cornici::evento::tipo;
  const std::string valido = "Content-Length: 2\r\n\r\n{}";
  const struct {
    const char* nome;
    std::string flusso;
    std::vector<T> attesi;
  } casi[] = {
      {"senza lunghezza, poi il corpo", "Content-Type: x\r\n\r\n{\"jsonrpc\":\"2.0\",\"id\":1}" + valido + valido,
       {T::intestazione_errata, T::messaggio, T::messaggio}},
      {"lunghezza non numerica", "content-length: due\r\n\r\n{\"a\":\"b\"}" + valido, {T::intestazione_errata, T::messaggio}},
      // 9000 bytes and no empty line: not a header; the one after it is read.
      {"righe che non finiscono", std::string(9000, 'x') + "\r\n" + valido, {T::intestazione_errata, T::messaggio}},
  };
  for (const auto& c : casi) {
    for (const size_t pezzo : {c.flusso.size(), size_t{1}, size_t{7}}) {
      cornici f;
      std::vector<T> visti;
      std::vector<std::string> corpi;
      for (size_t i = 0; i < c.flusso.size(); i += pezzo) {
        f.aggiungi(std::string_view(c.flusso).substr(i, pezzo));
        while (auto e = f.prossimo()) {
          visti.push_back(e->quale);
          if (e->quale == T::messaggio) corpi.push_back(e->corpo);
        }
      }
      EXPECT_EQ(visti, c.attesi) << c.nome << ", pezzi di " << pezzo;
      for (const std::string& corpo : corpi) EXPECT_EQ(corpo, "{}") << c.nome << ", pezzi di " << pezzo;
    }
  }
}

// Error 16 on the run's signal at 1500 m, on the cell of the line's indicator: the note
// that says why (the cell 31 = round(1500 / 50 + 1), from 1500 to 1550 m, held by the
// indicator on the line text's sixth line) is a related place for a client that shows
// them, and a line of the message, as the command line writes it, for one that does not.
TEST(ServerLsp, LaNotaDiUnaDiagnosticaSiVede) {
  for (const bool correlate : {true, false}) {
    sessione x;
    x.d.file[LINEA] = linea_con_indicatore();
    json capacita = sessione::capacita_piene();
    if (correlate) capacita["textDocument"]["publishDiagnostics"] = {{"relatedInformation", true}};
    x.inizia(capacita);
    std::string treno = TESTO_TRENO;
    treno.insert(treno.find("[fine]"), "[segnali]\r\nsegnale, 1500, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n");
    const auto d = sessione::diagnostiche(x.invia(apri(URI_TRENO, treno)), URI_TRENO);
    ASSERT_TRUE(d);
    ASSERT_EQ(d->size(), 1u) << *d;
    const json& errore = (*d)[0];
    EXPECT_EQ(errore["code"], 16);
    const std::string messaggio = errore["message"];
    const std::string nota = "la cella 31 (da 1500 a 1550 m) \xC3\xA8 occupata da un indicatore di velocit\xC3\xA0 massima a 1500 m";
    if (correlate) {
      ASSERT_EQ(errore["relatedInformation"].size(), 1u) << errore;
      EXPECT_EQ(errore["relatedInformation"][0]["location"]["uri"], URI_LINEA);
      EXPECT_EQ(errore["relatedInformation"][0]["location"]["range"]["start"]["line"], 5);
      EXPECT_TRUE(errore["relatedInformation"][0]["message"].get<std::string>().starts_with(nota)) << errore;
      EXPECT_EQ(messaggio.find('\n'), std::string::npos) << messaggio;
    } else {
      EXPECT_FALSE(errore.contains("relatedInformation"));
      EXPECT_NE(messaggio.find("\nValle_linea.txt:6:1: note: " + nota), std::string::npos) << messaggio;
    }
  }
}

// The author's settings (the editor's section "compilaScenario") as the command line's
// options: a note of the catalogue (311, a UTF-8 text converted) only with "note" as with
// -v; with "severo" a warning is an error as with --severo; "permissivo" reads as of old
// (error 325 of a flag 2 a warning); "lingua" the language spoken. Given at initialize,
// asked for by the server where the client answers, or sent when they change.
TEST(ServerLsp, ImpostazioniDellAutore) {
  // "Città" in UTF-8 (note 311), an unknown section header (warning 303).
  std::string treno = TESTO_TRENO;
  treno.replace(treno.find("Piano Rio"), 9, "Citt\xC3\xA0");
  treno.insert(treno.find("[stazioni]"), "[ignota]\r\n");
  // Severities by number (of the catalogue's diagnostics, not the server's own word).
  const auto gravita = [](const std::optional<json>& d) {
    std::vector<std::pair<int, int>> g;
    for (const json& x : d.value_or(json::array())) {
      if (x.contains("code")) g.emplace_back(x["code"].get<int>(), x["severity"].get<int>());
    }
    std::sort(g.begin(), g.end());
    return g;
  };
  using coppie = std::vector<std::pair<int, int>>;
  {
    sessione x;
    x.d.file[LINEA] = TESTO_LINEA;
    x.inizia();
    EXPECT_EQ(gravita(sessione::diagnostiche(x.invia(apri(URI_TRENO, treno)), URI_TRENO)), (coppie{{303, 2}}));
  }
  {
    // Asked for once initialized; the answer checks the open texts again.
    sessione x;
    x.d.file[LINEA] = TESTO_LINEA;
    json capacita = sessione::capacita_piene();
    capacita["workspace"]["configuration"] = true;
    const auto avvio = x.inizia(capacita);
    const auto chiesta = std::find_if(avvio.begin(), avvio.end(), [](const json& m) {
      return m.value("method", "") == "workspace/configuration";
    });
    ASSERT_NE(chiesta, avvio.end());
    EXPECT_EQ((*chiesta)["params"]["items"][0]["section"], "compilaScenario");
    x.invia(apri(URI_TRENO, treno));
    const auto r = x.invia(json{{"jsonrpc", "2.0"},
                                {"id", (*chiesta)["id"]},
                                {"result", {{{"note", true}, {"severo", true}, {"lingua", "en"}}}}});
    const auto d = sessione::diagnostiche(r, URI_TRENO);
    EXPECT_EQ(gravita(d), (coppie{{303, 1}, {311, 3}}));
    ASSERT_TRUE(d);
    EXPECT_NE(d->dump().find("\"Warning 303: unknown section header"), std::string::npos) << *d;
  }
  {
    // At initialize, then changed by the editor.
    sessione x;
    std::string linea = TESTO_LINEA;
    linea.replace(linea.find("12000, 0"), 8, "12000, 2");
    x.d.file[LINEA] = linea;
    x.invia(chiedi(1, "initialize", {{"capabilities", sessione::capacita_piene()},
                                     {"initializationOptions", {{"note", true}}}}));
    EXPECT_EQ(gravita(sessione::diagnostiche(x.invia(apri(URI_LINEA, linea)), URI_LINEA)), (coppie{{325, 1}}));
    const auto r = x.invia(notifica("workspace/didChangeConfiguration",
                                    {{"settings", {{"compilaScenario", {{"permissivo", true}}}}}}));
    EXPECT_EQ(gravita(sessione::diagnostiche(r, URI_LINEA)), (coppie{{325, 2}}));
  }
}

// A buffer saved under a new name (the editor's "save as", which tells the server only of
// the save): the new name is followed, the old one, whose text the save brings, is told
// about no more and not checked again; the editor naming it again takes it back.
TEST(ServerLsp, SalvatoConUnAltroNome) {
  sessione x;
  x.d.file[LINEA] = TESTO_LINEA;
  x.inizia();
  std::string errato = TESTO_TRENO;
  errato.replace(errato.find("stazione"), 8, "stazone");
  x.invia(apri(URI_LINEA, TESTO_LINEA));
  x.invia(apri(URI_TRENO, errato));
  const std::string uri_r5 = "file:///scenari/Valle_R5-.txt";
  auto r = x.invia(notifica("textDocument/didSave", {{"textDocument", {{"uri", uri_r5}}}, {"text", errato}}));
  EXPECT_EQ(sessione::diagnostiche(r, URI_TRENO), json::array());
  ASSERT_TRUE(sessione::diagnostiche(r, uri_r5));
  EXPECT_EQ((*sessione::diagnostiche(r, uri_r5))[0]["code"], 301);
  // A change of the line text checks the run under its new name alone.
  r = x.invia(notifica("textDocument/didChange", {{"textDocument", {{"uri", URI_LINEA}, {"version", 2}}},
                                                  {"contentChanges", {{{"text", TESTO_LINEA + "\r\n"}}}}}));
  EXPECT_FALSE(sessione::diagnostiche(r, URI_TRENO));
  EXPECT_TRUE(sessione::diagnostiche(r, uri_r5));
  // Changed under its old name after all: it was still open there.
  r = x.invia(notifica("textDocument/didChange", {{"textDocument", {{"uri", URI_TRENO}, {"version", 3}}},
                                                  {"contentChanges", {{{"text", TESTO_TRENO}}}}}));
  EXPECT_EQ(sessione::diagnostiche(r, URI_TRENO), json::array());
}

// Texts the editor has and the disk has not (new, not yet saved): the run text is checked
// with the open line text, whose indicator stands on the run's signal (error 16); a text
// opened without a version is checked all the same.
TEST(ServerLsp, TestiSoloNellEditor) {
  sessione x;
  x.inizia();
  x.invia(notifica("textDocument/didOpen", {{"textDocument", {{"uri", URI_LINEA}, {"languageId", "scenario"},
                                                              {"text", linea_con_indicatore()}}}}));
  std::string treno = TESTO_TRENO;
  treno.insert(treno.find("[fine]"), "[segnali]\r\nsegnale, 1500, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n");
  const auto d = sessione::diagnostiche(x.invia(apri(URI_TRENO, treno)), URI_TRENO);
  ASSERT_TRUE(d);
  ASSERT_EQ(d->size(), 1u) << *d;
  EXPECT_EQ((*d)[0]["code"], 16);
}

// A line text on disk that changes or goes while two run texts of it are open, with an
// editor that watches no file: the check of one run text, which finds it so, checks the
// other again too.
TEST(ServerLsp, IlCompagnoSuDiscoCambiaPerOgniTesto) {
  const std::string uri_r2 = "file:///scenari/Valle_R2-.txt";
  std::string treno = TESTO_TRENO;
  treno.insert(treno.find("[fine]"), "[segnali]\r\nsegnale, 1500, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n");
  sessione x;
  x.d.file[LINEA] = TESTO_LINEA;
  x.inizia(json::object());
  x.invia(apri(URI_TRENO, treno));
  x.invia(apri(uri_r2, treno));
  const auto batti = [&](int versione) {
    return x.invia(notifica("textDocument/didChange",
                            {{"textDocument", {{"uri", URI_TRENO}, {"version", versione}}},
                             {"contentChanges", {{{"text", treno + (versione % 2 == 0 ? "\r\n" : "")}}}}}));
  };
  const auto codici = [](const std::optional<json>& d) {
    std::vector<int> c;
    for (const json& y : d.value_or(json::array())) c.push_back(y.value("code", 0));
    return c;
  };
  // The indicator put on the signals' cell: error 16 in both.
  x.d.file[LINEA] = linea_con_indicatore();
  auto r = batti(2);
  EXPECT_EQ(codici(sessione::diagnostiche(r, URI_TRENO)), std::vector<int>{16});
  EXPECT_EQ(codici(sessione::diagnostiche(r, uri_r2)), std::vector<int>{16});
  // The line text gone: both checked alone, each saying which line text it looked for.
  x.d.file.erase(LINEA);
  r = batti(3);
  for (const std::string& uri : {URI_TRENO, uri_r2}) {
    const auto d = sessione::diagnostiche(r, uri);
    ASSERT_TRUE(d) << uri;
    ASSERT_EQ(d->size(), 1u) << uri << *d;
    EXPECT_NE((*d)[0]["message"].get<std::string>().find("Valle_linea.txt"), std::string::npos) << *d;
  }
  // Nothing changed on disk: the other text is left alone.
  EXPECT_FALSE(sessione::diagnostiche(batti(4), uri_r2));
}

// Completion on a value offers what the description leaves for it, when that is a few
// values: a numbering's flag means 0 or 1; a light of a signal is one digit, 0 to 9. A
// value of a wide range (a position) offers nothing. A general record the text holds is
// not offered again: a second "orologio" would replace the first.
TEST(ServerLsp, CompletamentoDeiValori) {
  sessione x;
  x.d.file[LINEA] = TESTO_LINEA;
  x.inizia();
  x.invia(apri(URI_LINEA, "[generale]\r\nlunghezza percorso, 6000\r\nprogressiva chilometrica uno, 0, 12000, \r\n[fine]\r\n"));
  x.invia(apri(URI_TRENO, "[generale]\r\norologio, 8, 0, 0\r\n\r\n[segnali]\r\nsegnale, 1500, 2, \r\n[fine]\r\n"));
  const auto etichette = [&](int id, const std::string& uri, int riga, int colonna) {
    std::vector<std::string> e;
    const json r = sessione::risposta(x.invia(chiedi(id, "textDocument/completion", punto(uri, riga, colonna))), id);
    for (const json& v : r["result"]["items"]) e.push_back(v["label"]);
    return e;
  };
  const std::string progressiva = "progressiva chilometrica uno, 0, 12000, ";
  EXPECT_EQ(etichette(2, URI_LINEA, 2, static_cast<int>(progressiva.size())), (std::vector<std::string>{"0", "1"}));
  const std::string segnale = "segnale, 1500, 2, ";
  EXPECT_EQ(etichette(3, URI_TRENO, 4, static_cast<int>(segnale.size())),
            (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
  EXPECT_TRUE(etichette(4, URI_TRENO, 4, 10).empty());  // on the position
  const auto generale = etichette(5, URI_TRENO, 2, 0);
  EXPECT_EQ(std::count(generale.begin(), generale.end(), "orologio"), 0);
  EXPECT_EQ(std::count(generale.begin(), generale.end(), "sabbia"), 1);
  // The line text's general section holds its length and one numbering: the other two
  // numberings are offered, the length and the first numbering not.
  x.invia(notifica("textDocument/didChange", {{"textDocument", {{"uri", URI_LINEA}, {"version", 2}}},
                                              {"contentChanges", {{{"range", {{"start", {{"line", 3}, {"character", 0}}},
                                                                             {"end", {{"line", 3}, {"character", 0}}}}},
                                                                   {"text", "\r\n"}}}}}));
  const auto di_linea = etichette(6, URI_LINEA, 3, 0);
  EXPECT_EQ(std::count(di_linea.begin(), di_linea.end(), "lunghezza percorso"), 0);
  EXPECT_EQ(std::count(di_linea.begin(), di_linea.end(), "progressiva chilometrica uno"), 0);
  EXPECT_EQ(std::count(di_linea.begin(), di_linea.end(), "progressiva chilometrica due"), 1);
}

// From a record to the records it touches along the line. In the run text, the station at
// 2800 m (kind 12, 400 m long) covers 2600 to 3000 m; the signal at 2900 m stands in it
// (its cell, round(2900 / 50 + 1) = 59, holds 2875 to 2924 m), and so does the slow-down
// from 2920 m over 200 m, which begins in the signal's cell; the signal at 4000 m touches
// nothing. Error 16 of the signal at 1500 m (the line's indicator on its cell) goes to the
// indicator, which its note names.
TEST(ServerLsp, DaUnRecordAQuelliCheTocca) {
  sessione x;
  x.d.file[LINEA] = linea_con_indicatore();
  x.inizia();
  const std::string treno = std::string("[generale]\r\norologio, 8 0 0\r\n[stazioni]\r\n") +
                            "stazione, 2800, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 30, 8, 5,30, Piano Rio\r\n"  // 3
                            "[segnali]\r\n"
                            "segnale, 1500, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n"  // 5
                            "segnale, 2900, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n"  // 6
                            "segnale, 4000, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n"  // 7
                            "[rallentamenti]\r\n"
                            "rallentamento, 2920, 30, 200, 0, 0, 0\r\n"  // 9
                            "[fine]\r\n";
  x.invia(apri(URI_TRENO, treno));
  const auto righe = [](const json& luoghi) {
    std::vector<std::pair<std::string, int>> r;
    for (const json& l : luoghi) r.emplace_back(l["uri"], l["range"]["start"]["line"]);
    std::sort(r.begin(), r.end());
    return r;
  };
  using luoghi = std::vector<std::pair<std::string, int>>;
  json riferimenti = punto(URI_TRENO, 3, 2);
  riferimenti["context"] = {{"includeDeclaration", false}};
  EXPECT_EQ(righe(sessione::risposta(x.invia(chiedi(2, "textDocument/references", riferimenti)), 2)["result"]),
            (luoghi{{URI_TRENO, 6}, {URI_TRENO, 9}}));
  EXPECT_EQ(righe(sessione::risposta(x.invia(chiedi(3, "textDocument/definition", punto(URI_TRENO, 6, 2))), 3)["result"]),
            (luoghi{{URI_TRENO, 3}, {URI_TRENO, 9}}));
  EXPECT_TRUE(sessione::risposta(x.invia(chiedi(4, "textDocument/definition", punto(URI_TRENO, 7, 2))), 4)["result"].is_null());
  // On the error's place (the signal's position, 1500): to the indicator, line 6 of the line text.
  EXPECT_EQ(righe(sessione::risposta(x.invia(chiedi(5, "textDocument/definition", punto(URI_TRENO, 5, 10))), 5)["result"]),
            (luoghi{{URI_LINEA, 5}}));
  // The same signal's references: the indicator on its cell, in the other text.
  json su_segnale = punto(URI_TRENO, 5, 2);
  su_segnale["context"] = {{"includeDeclaration", true}};
  EXPECT_EQ(righe(sessione::risposta(x.invia(chiedi(6, "textDocument/references", su_segnale)), 6)["result"]),
            (luoghi{{URI_TRENO, 5}, {URI_LINEA, 5}}));
  // Highlights in the text itself: the station with what it touches there.
  std::vector<int> evidenziate;
  const json evidenze = sessione::risposta(x.invia(chiedi(7, "textDocument/documentHighlight", punto(URI_TRENO, 3, 2))), 7);
  for (const json& h : evidenze["result"]) {
    evidenziate.push_back(h["range"]["start"]["line"]);
  }
  EXPECT_EQ(evidenziate, (std::vector<int>{3, 6, 9}));
}

// A station's name renamed in every run text of its line, the open one and the one on disk
// (there written with blanks after it, the same name), not in one that cannot be read; a
// name with a comma refused; nothing to rename off a name.
TEST(ServerLsp, RinominaUnaStazione) {
  sessione x;
  x.d.file[LINEA] = TESTO_LINEA;
  std::string con_spazi = TESTO_TRENO;
  con_spazi.insert(con_spazi.find("Piano Rio") + 9, "   ");
  x.d.file[CARTELLA + "/Valle_R2-.txt"] = con_spazi;
  x.d.file[CARTELLA + "/Valle_R3-.txt"] = TESTO_TRENO;
  x.d.illeggibili.insert(CARTELLA + "/Valle_R3-.txt");
  x.d.file[CARTELLA + "/Monte_R2-.txt"] = TESTO_TRENO;  // another line's
  x.inizia();
  x.invia(apri(URI_TRENO, TESTO_TRENO));
  const int nome = static_cast<int>(std::string("stazione, 2800, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 30, 8, 5,30, ").size());
  const json preparato =
      sessione::risposta(x.invia(chiedi(2, "textDocument/prepareRename", punto(URI_TRENO, 3, nome + 2))), 2)["result"];
  EXPECT_EQ(preparato["placeholder"], "Piano Rio");
  EXPECT_EQ(preparato["range"]["start"]["character"], nome);
  EXPECT_TRUE(sessione::risposta(x.invia(chiedi(3, "textDocument/prepareRename", punto(URI_TRENO, 3, 2))), 3)["result"].is_null());
  json p = punto(URI_TRENO, 3, nome);
  p["newName"] = "Piano d'Oro";
  const json cambi = sessione::risposta(x.invia(chiedi(4, "textDocument/rename", p)), 4)["result"]["changes"];
  ASSERT_EQ(cambi.size(), 2u) << cambi;
  for (const std::string& uri : {URI_TRENO, std::string("file:///scenari/Valle_R2-.txt")}) {
    ASSERT_EQ(cambi[uri].size(), 1u) << uri << cambi;
    EXPECT_EQ(cambi[uri][0]["newText"], "Piano d'Oro");
    EXPECT_EQ(cambi[uri][0]["range"], json::parse(R"({"start":{"line":3,"character":)" + std::to_string(nome) +
                                                  R"(},"end":{"line":3,"character":)" + std::to_string(nome + 9) + "}}"));
  }
  p["newName"] = "Piano, Oro";
  EXPECT_EQ(sessione::risposta(x.invia(chiedi(5, "textDocument/rename", p)), 5)["error"]["code"], -32803);
}

// A station written before the one it follows along the line (error 307): the fix moves its
// line before the first station further along, as the reading wants them.
TEST(ServerLsp, CorrezioneDiUnRecordFuoriOrdine) {
  sessione x;
  x.d.file[LINEA] = "[generale]\r\nlunghezza percorso, 20000\r\n[fine]\r\n";
  x.inizia();
  const std::string a = "stazione, 1000, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 30, 8, 5,30, A\r\n";
  const std::string b = "stazione, 9000, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 30, 9, 5,30, B\r\n";
  const std::string c = "stazione, 5000, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 30, 9, 0,30, C\r\n";
  const std::string treno = "[generale]\r\norologio, 8 0 0\r\n[stazioni]\r\n" + a + b + c + "[fine]\r\n";
  const auto d = sessione::diagnostiche(x.invia(apri(URI_TRENO, treno)), URI_TRENO);
  ASSERT_TRUE(d);
  const auto errore = std::find_if(d->begin(), d->end(), [](const json& y) { return y.value("code", 0) == 307; });
  ASSERT_NE(errore, d->end()) << *d;
  const json azioni = sessione::risposta(
      x.invia(chiedi(2, "textDocument/codeAction", {{"textDocument", {{"uri", URI_TRENO}}},
                                                    {"range", (*errore)["range"]},
                                                    {"context", {{"diagnostics", json::array()}}}})),
      2)["result"];
  ASSERT_EQ(azioni.size(), 1u) << azioni;
  EXPECT_EQ(applica_modifiche(treno, azioni[0]["edit"]["changes"][URI_TRENO], false),
            "[generale]\r\norologio, 8 0 0\r\n[stazioni]\r\n" + a + c + b + "[fine]\r\n");
}

// An indicator written without its second set, which the description lets be left empty
// (error 25: the record takes its values from the next line): the fix writes the four
// values empty, and the line text then reads clean.
TEST(ServerLsp, CorrezioneDeiValoriCheSiPossonoLasciareVuoti) {
  sessione x;
  x.d.file[TRENO] = TESTO_TRENO;
  x.inizia();
  std::string linea = TESTO_LINEA;
  linea.insert(linea.find("[fine]"), "[cartelli]\r\nindicatori_vmax, 1000, 70, 75, 75, 0\r\n");
  const auto d = sessione::diagnostiche(x.invia(apri(URI_LINEA, linea)), URI_LINEA);
  ASSERT_TRUE(d);
  ASSERT_FALSE(d->empty());
  EXPECT_EQ((*d)[0]["code"], 25) << *d;
  const json azioni = sessione::risposta(
      x.invia(chiedi(2, "textDocument/codeAction", {{"textDocument", {{"uri", URI_LINEA}}},
                                                    {"range", (*d)[0]["range"]},
                                                    {"context", {{"diagnostics", json::array()}}}})),
      2)["result"];
  ASSERT_EQ(azioni.size(), 1u) << azioni;
  const std::string corretta = applica_modifiche(linea, azioni[0]["edit"]["changes"][URI_LINEA]);
  EXPECT_NE(corretta.find("indicatori_vmax, 1000, 70, 75, 75, 0, , , ,\r\n"), std::string::npos) << corretta;
  const auto dopo = sessione::diagnostiche(
      x.invia(notifica("textDocument/didChange", {{"textDocument", {{"uri", URI_LINEA}, {"version", 2}}},
                                                  {"contentChanges", {{{"text", corretta}}}}})),
      URI_LINEA);
  EXPECT_EQ(dopo, json::array());
  // A station short of values has none it may leave empty: no fix is offered.
  std::string treno = TESTO_TRENO;
  treno.insert(treno.find("[fine]"), "stazione, 5000, 12, 400\r\n");
  const auto s = sessione::diagnostiche(x.invia(apri(URI_TRENO, treno)), URI_TRENO);
  ASSERT_TRUE(s);
  const auto venticinque = std::find_if(s->begin(), s->end(), [](const json& y) { return y.value("code", 0) == 25; });
  ASSERT_NE(venticinque, s->end()) << *s;
  EXPECT_EQ(sessione::risposta(x.invia(chiedi(3, "textDocument/codeAction", {{"textDocument", {{"uri", URI_TRENO}}},
                                                                             {"range", (*venticinque)["range"]},
                                                                             {"context", {{"diagnostics", json::array()}}}})),
                               3)["result"],
            json::array());
}

// The page of the open texts beside them: the command (offered as a lens at the top of each
// text) writes it and asks the editor to show it; every check of the pair writes it again,
// a failed one with its diagnostics over the last good scenario.
TEST(ServerLsp, LaPaginaAccantoAiTesti) {
  sessione x;
  x.d.file[LINEA] = TESTO_LINEA;
  json capacita = sessione::capacita_piene();
  capacita["window"] = {{"showDocument", {{"support", true}}}};
  x.inizia(capacita);
  x.invia(apri(URI_TRENO, TESTO_TRENO));
  const json lenti = sessione::risposta(x.invia(chiedi(2, "textDocument/codeLens", {{"textDocument", {{"uri", URI_TRENO}}}})), 2)["result"];
  ASSERT_EQ(lenti.size(), 1u);
  const json comando = lenti[0]["command"];
  auto r = x.invia(chiedi(3, "workspace/executeCommand", {{"command", comando["command"]}, {"arguments", comando["arguments"]}}));
  EXPECT_EQ(sessione::risposta(r, 3)["result"]["uri"], "file:///pagine/Valle_R1.html");
  const auto mostra = std::find_if(r.begin(), r.end(), [](const json& m) { return m.value("method", "") == "window/showDocument"; });
  ASSERT_NE(mostra, r.end());
  EXPECT_EQ((*mostra)["params"], json::parse(R"({"uri":"file:///pagine/Valle_R1.html","external":true})"));
  ASSERT_EQ(x.d.pagine.count("Valle_R1.html"), 1u);
  const std::string prima = x.d.pagine["Valle_R1.html"];
  // The scenario's station by its name, the page reading itself again every second.
  EXPECT_NE(prima.find("Piano Rio"), std::string::npos);
  EXPECT_NE(prima.find("data-ricarica=\"1\""), std::string::npos);
  // A station renamed in the buffer: on the page at once.
  const auto cambia = [&](const std::string& testo, int versione) {
    return x.invia(notifica("textDocument/didChange", {{"textDocument", {{"uri", URI_TRENO}, {"version", versione}}},
                                                       {"contentChanges", {{{"text", testo}}}}}));
  };
  std::string rinominata = TESTO_TRENO;
  rinominata.replace(rinominata.find("Piano Rio"), 9, "Pian Bello");
  // The diagnostics go first; the page once no message waits.
  EXPECT_FALSE(x.s.ricevi(notifica("textDocument/didChange", {{"textDocument", {{"uri", URI_TRENO}, {"version", 2}}},
                                                              {"contentChanges", {{{"text", rinominata}}}}})
                              .dump())
                   .empty());
  EXPECT_EQ(x.d.pagine["Valle_R1.html"], prima);
  x.s.in_quiete();
  EXPECT_NE(x.d.pagine["Valle_R1.html"].find("Pian Bello"), std::string::npos);
  // A misspelt keyword: the diagnostic as the console shows it, over the last good scenario.
  std::string errato = rinominata;
  errato.replace(errato.find("stazione"), 8, "stazone");
  cambia(errato, 3);
  const std::string fallita = x.d.pagine["Valle_R1.html"];
  EXPECT_NE(fallita.find("/scenari/Valle_R1-.txt:4:1: error: Errore n. 301"), std::string::npos);
  EXPECT_NE(fallita.find("Pian Bello"), std::string::npos);
  // A page that cannot be written is said so, and not kept.
  sessione y;
  y.d.file[LINEA] = TESTO_LINEA;
  y.d.non_scrivibili.insert("Valle_R1.html");
  y.inizia();
  y.invia(apri(URI_TRENO, TESTO_TRENO));
  const json e = sessione::risposta(y.invia(chiedi(2, "workspace/executeCommand", {{"command", comando["command"]}, {"arguments", comando["arguments"]}})), 2);
  EXPECT_NE(e["error"]["message"].get<std::string>().find("disco pieno"), std::string::npos) << e;
}

// A client that asks for an open text's diagnostics itself is sent none: it gets them when
// it asks, whole or "unchanged" since the answer it names; a change it did not make (the
// line text changed on disk) is told to it.
TEST(ServerLsp, DiagnosticheChiesteDalClient) {
  sessione x;
  x.d.file[LINEA] = TESTO_LINEA;
  json capacita = sessione::capacita_piene();
  capacita["textDocument"]["diagnostic"] = json::object();
  capacita["workspace"]["diagnostics"] = {{"refreshSupport", true}};
  x.inizia(capacita);
  std::string treno = TESTO_TRENO;
  treno.insert(treno.find("[fine]"), "[segnali]\r\nsegnale, 1500, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n");
  const auto aperto = x.invia(apri(URI_TRENO, treno));
  EXPECT_FALSE(sessione::diagnostiche(aperto, URI_TRENO));
  // Its own change is no news to it.
  const auto rinfresca = [](const std::vector<json>& r) {
    return std::any_of(r.begin(), r.end(), [](const json& m) { return m.value("method", "") == "workspace/diagnostic/refresh"; });
  };
  EXPECT_FALSE(rinfresca(aperto));
  const auto chiedi_diagnostiche = [&](int id, const std::optional<std::string>& prima) {
    json p = {{"textDocument", {{"uri", URI_TRENO}}}};
    if (prima) p["previousResultId"] = *prima;
    return sessione::risposta(x.invia(chiedi(id, "textDocument/diagnostic", p)), id)["result"];
  };
  const json pulite = chiedi_diagnostiche(2, std::nullopt);
  EXPECT_EQ(pulite["kind"], "full");
  EXPECT_EQ(pulite["items"], json::array());
  EXPECT_EQ(chiedi_diagnostiche(3, pulite["resultId"].get<std::string>())["kind"], "unchanged");
  x.d.file[LINEA] = linea_con_indicatore();
  const auto r = x.invia(notifica("workspace/didChangeWatchedFiles", {{"changes", {{{"uri", URI_LINEA}, {"type", 2}}}}}));
  EXPECT_TRUE(rinfresca(r));
  const json errore = chiedi_diagnostiche(4, pulite["resultId"].get<std::string>());
  EXPECT_EQ(errore["kind"], "full");
  ASSERT_EQ(errore["items"].size(), 1u);
  EXPECT_EQ(errore["items"][0]["code"], 16);
  // A client that takes no such word is sent none.
  sessione y;
  y.d.file[LINEA] = TESTO_LINEA;
  capacita["workspace"]["diagnostics"]["refreshSupport"] = false;
  y.inizia(capacita);
  y.invia(apri(URI_TRENO, treno));
  y.d.file[LINEA] = linea_con_indicatore();
  EXPECT_FALSE(rinfresca(y.invia(notifica("workspace/didChangeWatchedFiles", {{"changes", {{{"uri", URI_LINEA}, {"type", 2}}}}}))));
}

// A text whose every line of a thousand changes (a thousand gradients written without
// blanks, after the three lines before them): changed a stretch of at most 400 lines at a
// time, lines 3 to 402, 403 to 802, 803 to 1002; the text then is its layout.
TEST(ServerLsp, ImpaginazioneDiMolteRighe) {
  sessione x;
  x.inizia();
  std::string linea = "[generale]\r\nlunghezza percorso, 100000\r\n[pendenze]\r\n";
  for (int i = 0; i < 1000; ++i) linea += "pendenza," + std::to_string(50 * i) + "," + std::to_string(i % 7) + "\r\n";
  linea += "[fine]\r\n";
  x.invia(apri(URI_LINEA, linea));
  const json modifiche = sessione::risposta(
      x.invia(chiedi(2, "textDocument/formatting", {{"textDocument", {{"uri", URI_LINEA}}}, {"options", json::object()}})), 2)["result"];
  std::vector<std::pair<int, int>> righe;
  for (const json& m : modifiche) righe.emplace_back(m["range"]["start"]["line"], m["range"]["end"]["line"]);
  EXPECT_EQ(righe, (std::vector<std::pair<int, int>>{{3, 402}, {403, 802}, {803, 1002}}));
  EXPECT_EQ(applica_modifiche(linea, modifiche, false), impagina(linea, formato::testo::linea));
}

// The kinds of the parts of a text asked for by range (the lines it covers) and by what
// changed since the last answer: the range's tokens are those of the whole text on its
// lines; the change, applied to the last answer, gives the whole text's tokens now.
TEST(ServerLsp, ColoriPerTrattoEPerDifferenza) {
  sessione x;
  x.d.file[LINEA] = TESTO_LINEA;
  x.inizia();
  std::string treno = TESTO_TRENO;
  x.invia(apri(URI_TRENO, treno));
  const json documento = {{"textDocument", {{"uri", URI_TRENO}}}};
  const auto risposta = [&](int id, const std::string& metodo, const json& p) {
    return sessione::risposta(x.invia(chiedi(id, metodo, p)), id)["result"];
  };
  const json tutti = risposta(2, "textDocument/semanticTokens/full", documento);
  const std::vector<int64_t> dati = tutti["data"];
  // Lines 2 and 3: the header [stazioni] and the station, the tokens after the first two
  // (the header [generale] and "orologio" with its one value): 5 numbers a token; the
  // first of the range counted from the text's start.
  json tratto = documento;
  tratto["range"] = {{"start", {{"line", 2}, {"character", 0}}}, {"end", {{"line", 3}, {"character", 5}}}};
  std::vector<int64_t> attesi(dati.begin() + 15, dati.end() - 5);
  attesi[0] = 2;
  EXPECT_EQ(risposta(3, "textDocument/semanticTokens/range", tratto)["data"].get<std::vector<int64_t>>(), attesi);

  treno.replace(treno.find("Piano Rio"), 0, "x, ");  // a name with a comma: still one value
  treno.insert(treno.find("[fine]"), "[segnali]\r\nsegnale, 1500\r\n");
  x.invia(notifica("textDocument/didChange", {{"textDocument", {{"uri", URI_TRENO}, {"version", 2}}},
                                              {"contentChanges", {{{"text", treno}}}}}));
  json delta = documento;
  delta["previousResultId"] = tutti["resultId"];
  const json cambiati = risposta(4, "textDocument/semanticTokens/full/delta", delta);
  std::vector<int64_t> dopo = dati;
  for (const json& e : cambiati["edits"]) {
    const auto da = dopo.begin() + e["start"].get<std::ptrdiff_t>();
    dopo.erase(da, da + e["deleteCount"].get<std::ptrdiff_t>());
    const std::vector<int64_t> nuovi = e["data"];
    dopo.insert(dopo.begin() + e["start"].get<std::ptrdiff_t>(), nuovi.begin(), nuovi.end());
  }
  x.invia(notifica("textDocument/didChange", {{"textDocument", {{"uri", URI_TRENO}, {"version", 3}}},
                                              {"contentChanges", {{{"text", treno}}}}}));
  const json ultimi = risposta(5, "textDocument/semanticTokens/full", documento);
  EXPECT_EQ(dopo, ultimi["data"].get<std::vector<int64_t>>());
  // An answer not the last one sent: the whole text's tokens again.
  const json di_nuovo = risposta(6, "textDocument/semanticTokens/full/delta", delta);
  EXPECT_TRUE(di_nuovo.contains("data"));
  const json niente = risposta(7, "textDocument/semanticTokens/full/delta",
                               {{"textDocument", {{"uri", URI_TRENO}}}, {"previousResultId", di_nuovo["resultId"]}});
  EXPECT_EQ(niente["edits"], json::array());
  // Nor is the last one of a text closed and opened again.
  x.invia(notifica("textDocument/didClose", documento));
  x.invia(apri(URI_TRENO, treno));
  const json riaperto = risposta(8, "textDocument/semanticTokens/full/delta",
                                 {{"textDocument", {{"uri", URI_TRENO}}}, {"previousResultId", niente["resultId"]}});
  EXPECT_TRUE(riaperto.contains("data")) << riaperto;
}

// Range formatting lays out the lines of the range alone, in the columns of the whole
// section: the layout of the whole text on those lines, the others as written.
TEST(ServerLsp, ImpaginazioneDiUnTratto) {
  sessione x;
  x.inizia();
  const std::string linea =
      "[generale]\r\nlunghezza percorso,6000\r\n[pendenze]\r\npendenza,0,0\r\npendenza, 1000,5\r\npendenza,3000,-12\r\n[fine]\r\n";
  x.invia(apri(URI_LINEA, linea));
  json p = {{"textDocument", {{"uri", URI_LINEA}}}, {"options", {{"tabSize", 2}, {"insertSpaces", true}}}};
  p["range"] = {{"start", {{"line", 4}, {"character", 3}}}, {"end", {{"line", 5}, {"character", 0}}}};
  const json modifiche = sessione::risposta(x.invia(chiedi(2, "textDocument/rangeFormatting", p)), 2)["result"];
  const std::string tutto = impagina(linea, formato::testo::linea);
  const std::vector<size_t> prima = inizi_righe(linea), dopo = inizi_righe(tutto);
  std::string attesa;
  for (int64_t r = 0; r < 7; ++r) {
    attesa += std::string(riga_di(r == 4 ? tutto : linea, r == 4 ? dopo : prima, r)) + "\r\n";
  }
  EXPECT_EQ(applica_modifiche(linea, modifiche), attesa) << modifiche;
}

// The editor's language, as its initialize names it, in everything the server says: the
// diagnostics, the hover, the completion. Words expected from the catalogue of each.
TEST(ServerLsp, LaLinguaDellEditor) {
  const std::string testo = "[generale]\r\norologio, 8, 0, 0\r\n[segnali]\r\nsegnal, 1500\r\nsegnale, 2000, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n";
  const struct {
    std::optional<std::string> locale;
    std::vector<std::string> dice;
    std::vector<std::string> non_dice;
  } casi[] = {
      {"en", {"Error 301: unknown keyword", "no line text", "**segnale**: a signal", "where the signal stands",
              "header without a valid Content-Length"},
       {"Errore n.", "un segnale", "dove sta"}},
      {"it-IT", {"Errore n. 301: parola chiave sconosciuta", "nessun testo della linea", "**segnale**: un segnale",
                 "dove sta il segnale", "intestazione senza Content-Length valido"},
       {"Error 301", "a signal", "where the"}},
      // A language the server does not speak: the one of the process (Italian here).
      {"fr", {"Errore n. 301", "un segnale"}, {"Error 301", "a signal"}},
      {std::nullopt, {"Errore n. 301", "un segnale"}, {"Error 301", "a signal"}},
  };
  for (const auto& c : casi) {
    sessione x;
    x.inizia(sessione::capacita_piene(), c.locale);
    std::string detto = sessione::diagnostiche(x.invia(apri(URI_TRENO, testo)), URI_TRENO).value_or(json()).dump();
    detto += sessione::risposta(x.invia(chiedi(2, "textDocument/hover", punto(URI_TRENO, 4, 2))), 2).dump();
    detto += sessione::risposta(x.invia(chiedi(3, "textDocument/completion", punto(URI_TRENO, 5, 0))), 3).dump();
    // A frame the server refuses before reading it, as a protocol error.
    detto += x.s.rifiutato(frase("lsp.senza_lunghezza"));
    for (const std::string& d : c.dice) EXPECT_NE(detto.find(d), std::string::npos) << c.locale.value_or("-") << ": " << d;
    for (const std::string& d : c.non_dice) EXPECT_EQ(detto.find(d), std::string::npos) << c.locale.value_or("-") << ": " << d;
    // Between messages the process speaks its own language again.
    EXPECT_EQ(scenario::lingua_attiva(), scenario::LINGUA_PREDEFINITA);
  }
}

// A station with a time names its leg in the hover. From the stop at 200 m to the one at
// 3400 m under 90 km/h (25 m/s): 3200 / 25 = 128 s at the limit alone; the fastest run adds
// 25 / 2a at 0.5 m/s^2 and 25 / 2b at 120 % (the Minden formula, b = 0.7947 m/s^2), 168.7 s,
// 169 s in whole seconds. Four minutes leave 71 s; two are not enough even at the limit.
TEST(ServerLsp, UnaStazioneConOrarioDiceLaSuaTratta) {
  const struct {
    const char* arrivo;
    const char* dice;
    std::optional<int> avviso;
  } casi[] = {
      {"8, 4, 0", "la marcia più veloce ne chiede 2 min 49 s (margine 1 min 11 s), sempre al limite 2 min 8 s.", std::nullopt},
      {"8, 2, 0", "L'orario non si può tenere.", 329},
  };
  for (const auto& c : casi) {
    SCOPED_TRACE(c.arrivo);
    sessione x;
    x.d.file[LINEA] = TESTO_LINEA;
    x.inizia();
    const std::string treno = std::string(
        "[generale]\r\nnumero vetture, 1\r\npercentuale massa frenata, 120\r\n[vel_limite]\r\nvelocita, 0, 90\r\n"
        "[stazioni]\r\nstazione, 0, 8, 300, 0, 0, 0, 1,1,0, 5,6,1, 1, 8, 0, 0, Alto\r\n"
        "stazione, 3300, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 0, ") + c.arrivo + ", Basso\r\n[fine]\r\n";
    const auto d = sessione::diagnostiche(x.invia(apri(URI_TRENO, treno)), URI_TRENO);
    ASSERT_TRUE(d);
    ASSERT_EQ(d->size(), c.avviso ? 1u : 0u) << *d;
    if (c.avviso) {
      EXPECT_EQ((*d)[0]["code"], *c.avviso);
      EXPECT_EQ((*d)[0]["range"]["start"]["line"], 7);
    }
    const std::string h =
        sessione::risposta(x.invia(chiedi(2, "textDocument/hover", punto(URI_TRENO, 7, 2))), 2)["result"]["contents"]["value"];
    EXPECT_NE(h.find("Tratta da Alto"), std::string::npos) << h;
    EXPECT_NE(h.find(c.dice), std::string::npos) << h;
    EXPECT_NE(h.find("accelerazione 0,5 m/s² (predefinita)"), std::string::npos) << h;
    // The first station ends no leg.
    const std::string prima =
        sessione::risposta(x.invia(chiedi(3, "textDocument/hover", punto(URI_TRENO, 6, 2))), 3)["result"]["contents"]["value"];
    EXPECT_EQ(prima.find("Tratta"), std::string::npos) << prima;
  }
}

}  // namespace
}  // namespace scenario::lsp
