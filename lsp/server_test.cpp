// The language server at the protocol's level: messages in, messages out, a file system
// in memory. The test reads the server's answers with the JSON library (a test program of
// its own, apart from the server's one JSON unit).
#include "lsp/server.h"

#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>

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
  std::optional<std::string> leggi(const std::string& p) override {
    const auto it = file.find(p);
    return it == file.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
  std::vector<std::string> nomi(const std::string& cartella) override {
    std::vector<std::string> n;
    for (const auto& [p, _] : file) {
      if (p.starts_with(cartella + "/")) n.push_back(p.substr(cartella.size() + 1));
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

  std::vector<json> invia(const std::vector<json>& messaggi) {
    std::vector<std::string> corpi;
    for (const json& m : messaggi) corpi.push_back(m.dump());
    std::vector<json> risposte;
    for (const std::string& r : s.ricevi(corpi)) risposte.push_back(json::parse(r));
    return risposte;
  }
  std::vector<json> invia(const json& m) { return invia(std::vector<json>{m}); }
  void inizia() {
    invia(std::vector<json>{chiedi(1, "initialize", {{"capabilities", json::object()}}), notifica("initialized")});
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
      {"metodo sconosciuto", {chiedi(3, "textDocument/rename").dump()}, -32601},
      {"parametri mancanti", {chiedi(3, "textDocument/hover", {{"textDocument", {{"uri", URI_TRENO}}}}).dump()},
       -32602},
      {"riga negativa", {chiedi(3, "textDocument/hover", punto(URI_TRENO, -1, 0)).dump()}, -32602},
      {"id non valido", {R"({"jsonrpc":"2.0","id":{"a":1},"method":"shutdown"})"}, -32600},
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
  }

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

  cornici senza;
  senza.aggiungi("Content-Type: x\r\n\r\n");
  EXPECT_EQ(senza.prossimo()->quale, cornici::evento::tipo::intestazione_errata);
}

}  // namespace
}  // namespace scenario::lsp
