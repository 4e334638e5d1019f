// The extension's grammar loaded into the TextMate engine the editor uses, for the grammar's
// test and the page's picture.
const fs = require("fs");
const path = require("path");
const oniguruma = require("vscode-oniguruma");
const vsctm = require("vscode-textmate");

async function grammatica() {
  await oniguruma.loadWASM(fs.readFileSync(require.resolve("vscode-oniguruma/release/onig.wasm")).buffer);
  const registro = new vsctm.Registry({
    onigLib: Promise.resolve({
      createOnigScanner: (s) => new oniguruma.OnigScanner(s),
      createOnigString: (s) => new oniguruma.OnigString(s),
    }),
    loadGrammar: async () =>
      vsctm.parseRawGrammar(
        fs.readFileSync(path.join(__dirname, "..", "syntaxes", "scenario.tmLanguage.json"), "utf8"),
        "scenario.tmLanguage.json",
      ),
  });
  return registro.loadGrammar("source.scenario");
}

module.exports = { grammatica, INITIAL: vsctm.INITIAL };
