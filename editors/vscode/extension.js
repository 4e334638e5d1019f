// The client: every scenario text opened in the editor is served by one
// `compila_scenario --lsp`, which checks it with its partner after every change. The
// program is looked for before it is started: when it is missing the author is told which
// setting names it, and the server starts once the setting changes. The page of the open
// texts, which the server writes after every change, is shown in a panel beside them.
const vscode = require("vscode");
const fs = require("fs");
const path = require("path");
const { LanguageClient } = require("vscode-languageclient/node");

// What the extension tells the author, in every language of the program's catalogue
// (written from lingue/*.po): the language VS Code shows, else the one the user's
// LC_ALL, LC_MESSAGES or LANG names, else Italian, as the server chooses its own.
const TESTI_LINGUE = require("./testi.json");

function lingua() {
  const dalNome = (nome) => {
    const l = (nome || "").split(/[_.@-]/)[0].toLowerCase();
    return Object.prototype.hasOwnProperty.call(TESTI_LINGUE, l) ? l : undefined;
  };
  const variabile = [process.env.LC_ALL, process.env.LC_MESSAGES, process.env.LANG].find((v) => v);
  return dalNome(vscode.env.language) || dalNome(variabile) || "it";
}

// The text `id` with each {nome} replaced by argomenti[nome].
function testo(id, argomenti = {}) {
  return TESTI_LINGUE[lingua()][id].replace(/\{(\w+)\}/g, (tutto, nome) => (nome in argomenti ? argomenti[nome] : tutto));
}

let client;

function programma() {
  return vscode.workspace.getConfiguration("compilaScenario").get("programma") || "compila_scenario";
}

// The program's path: as given when it names a file, else the first match on PATH.
function trova(nome) {
  const eseguibile = (p) => {
    try {
      fs.accessSync(p, fs.constants.X_OK);
      return fs.statSync(p).isFile();
    } catch {
      return false;
    }
  };
  if (nome.includes("/") || nome.includes("\\")) return eseguibile(nome) ? nome : undefined;
  const estensioni = process.platform === "win32" ? (process.env.PATHEXT || ".EXE").split(";") : [""];
  for (const cartella of (process.env.PATH || "").split(path.delimiter)) {
    for (const e of estensioni) {
      const p = path.join(cartella, nome + e);
      if (cartella && eseguibile(p)) return p;
    }
  }
  return undefined;
}

async function avvia() {
  const p = programma();
  const trovato = trova(p);
  if (!trovato) {
    const scelta = await vscode.window.showErrorMessage(testo("assente", { programma: p }), testo("apri"));
    if (scelta) vscode.commands.executeCommand("workbench.action.openSettings", "compilaScenario.programma");
    return;
  }
  client = new LanguageClient(
    "compilaScenario",
    "compila_scenario",
    { command: trovato, args: ["--lsp"] },
    {
      documentSelector: [
        { scheme: "file", language: "scenario-linea" },
        { scheme: "file", language: "scenario-treno" },
      ],
      // The settings of the section, sent to the server when they change.
      synchronize: { configurationSection: "compilaScenario" },
      // The page the server asks to show goes to a panel beside the text, not to a browser.
      middleware: {
        window: {
          showDocument: async (parametri, avanti) => {
            const uri = vscode.Uri.parse(parametri.uri);
            if (uri.scheme !== "file" || !uri.fsPath.endsWith(".html")) return avanti(parametri);
            mostraPagina(uri.fsPath);
            return { success: true };
          },
        },
      },
    },
  );
  await client.start();
}

// The pages shown, by file: a panel each, filled again whenever the server rewrites it.
const pannelli = new Map();

function mostraPagina(file) {
  const aperto = pannelli.get(file);
  if (aperto) {
    aperto.pannello.reveal(vscode.ViewColumn.Beside, true);
    return;
  }
  const nome = path.basename(file, ".html");
  const pannello = vscode.window.createWebviewPanel("compilaScenario.pagina", testo("pagina", { nome }),
    { viewColumn: vscode.ViewColumn.Beside, preserveFocus: true }, { enableScripts: true, retainContextWhenHidden: true });
  const riempi = () => {
    try {
      // The page reads itself again in a browser; in the panel it is filled from here.
      pannello.webview.html = fs.readFileSync(file, "utf8").replace(/ data-ricarica="\d+"/, "");
    } catch {
      // Being replaced: the next change fills it.
    }
  };
  let attesa;
  const osservatore = fs.watch(path.dirname(file), (evento, nomeFile) => {
    if (nomeFile && nomeFile !== path.basename(file)) return;
    clearTimeout(attesa);
    attesa = setTimeout(riempi, 50);
  });
  pannelli.set(file, { pannello, osservatore });
  pannello.onDidDispose(() => {
    osservatore.close();
    pannelli.delete(file);
  });
  riempi();
}

// The page of the text in the active editor, from the command palette.
async function pagina() {
  const editor = vscode.window.activeTextEditor;
  if (!client || !editor) return;
  await client.sendRequest("workspace/executeCommand", {
    command: "compilaScenario.pagina",
    arguments: [client.code2ProtocolConverter.asUri(editor.document.uri)],
  });
}

async function riavvia() {
  if (client) {
    const vecchio = client;
    client = undefined;
    await vecchio.stop().catch(() => {});
  }
  await avvia();
  if (client) vscode.window.setStatusBarMessage(testo("riavviato"), 3000);
}

function activate(context) {
  context.subscriptions.push(
    vscode.commands.registerCommand("compilaScenario.riavvia", riavvia),
    vscode.commands.registerCommand("compilaScenario.mostraPagina", pagina),
    vscode.workspace.onDidChangeConfiguration((e) => {
      if (e.affectsConfiguration("compilaScenario.programma")) riavvia();
    }),
  );
  return avvia();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
