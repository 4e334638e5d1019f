// The client: every scenario text opened in the editor is served by one
// `compila_scenario --lsp`, which checks it with its partner after every change. The
// program is looked for before it is started: when it is missing the author is told which
// setting names it, and the server starts once the setting changes.
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
    },
  );
  await client.start();
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
