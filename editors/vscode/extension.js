// The client: every scenario text opened in the editor is served by one
// `compila_scenario --lsp`, which checks it with its partner after every change.
const vscode = require("vscode");
const { LanguageClient } = require("vscode-languageclient/node");

let client;

function activate() {
  const programma = vscode.workspace.getConfiguration("compilaScenario").get("programma") || "compila_scenario";
  client = new LanguageClient(
    "compilaScenario",
    "compila_scenario",
    { command: programma, args: ["--lsp"] },
    {
      documentSelector: [
        { scheme: "file", language: "scenario-linea" },
        { scheme: "file", language: "scenario-treno" },
      ],
    },
  );
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
