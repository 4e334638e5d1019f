// The picture of the extension's page: a run text coloured by the extension's own grammar
// (the TextMate engine the editor uses) with the diagnostics that `compila_scenario -c
// --diagnostica=json` gives for it, underlined at their items with their messages, as the
// editor shows them. Writes an HTML page; headless Chromium takes the picture:
//   node strumenti/immagine.js PROGRAMMA TESTO_LINEA TESTO_TRENO > pagina.html
//   chromium-headless-shell --screenshot=immagini/esempio.png --window-size=900,420 pagina.html
const fs = require("fs");
const path = require("path");
const { spawnSync } = require("child_process");
const { grammatica, INITIAL } = require("./grammatica");

const COLORI = {
  "entity.name.section": "#4ec9b0",
  "keyword.other.record": "#569cd6",
  "invalid.illegal.parola": "#f44747",
  "constant.numeric": "#b5cea8",
  "string.unquoted": "#ce9178",
  "comment.line": "#6a9955",
};

function colore(scopes) {
  for (let i = scopes.length - 1; i >= 0; --i) {
    for (const [s, c] of Object.entries(COLORI)) if (scopes[i].startsWith(s)) return c;
  }
  return "#d4d4d4";
}

const html = (s) => s.replace(/&/g, "&amp;").replace(/</g, "&lt;");

async function main() {
  const [programma, linea, treno] = process.argv.slice(2);
  const g = await grammatica();
  const uscita = spawnSync(programma, ["-c", "--diagnostica=json", linea, treno], { encoding: "utf8" }).stderr;
  const diagnostiche = uscita.split("\n").filter((r) => r.startsWith("{")).map((r) => JSON.parse(r))
    .filter((d) => path.basename(d.file) === path.basename(treno));
  const righe = fs.readFileSync(treno, "latin1").split(/\r?\n/);
  let corpo = "";
  righe.forEach((riga, n) => {
    const qui = diagnostiche.filter((d) => d.line === n + 1);
    let testo = "";
    for (const t of g.tokenizeLine(riga, INITIAL).tokens) {
      const pezzo = riga.substring(t.startIndex, t.endIndex);
      const sotto = qui.some((d) => t.startIndex >= d.column - 1 && t.startIndex < (d.end_column || d.column) - 1);
      testo += `<span style="color:${colore(t.scopes)}${sotto ? ";text-decoration:underline wavy #cca700" : ""}">${html(pezzo)}</span>`;
    }
    corpo += `<div><span class="n">${n + 1}</span>${testo}</div>`;
    for (const d of qui) corpo += `<div class="d"><span class="n"></span>${" ".repeat(d.column - 1)}^ ${html(d.message)}</div>`;
  });
  process.stdout.write(`<!doctype html><meta charset="utf-8"><style>
body{background:#1e1e1e;margin:0;padding:12px;font:14px/1.5 "DejaVu Sans Mono",monospace;white-space:pre}
.n{color:#858585;display:inline-block;width:3ch;margin-right:2ch;text-align:right}
.d{color:#cca700;font-style:italic}</style>
<div style="color:#ccc;margin-bottom:8px">${html(path.basename(treno))}</div>${corpo}`);
}

main();
