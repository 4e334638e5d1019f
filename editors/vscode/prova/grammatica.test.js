// The grammar (written by `make vsix` from the description of the records) on lines of
// both texts, tokenised by the same TextMate engine the editor uses: headers, keywords,
// numbers (with a sign, separated by blanks), a name, notes and unknown keywords.
const test = require("node:test");
const assert = require("node:assert");
const { grammatica, INITIAL } = require("../strumenti/grammatica");

// The scope of each non-blank piece of a line, as "piece=last scope".
function pezzi(g, riga) {
  return g
    .tokenizeLine(riga, INITIAL)
    .tokens.map((t) => [riga.substring(t.startIndex, t.endIndex).trim(), t.scopes[t.scopes.length - 1]])
    .filter(([testo]) => testo !== "" && testo !== ",")
    .map(([testo, scope]) => `${testo}=${scope.replace(/\.scenario$/, "")}`);
}

test("righe dei due testi", async () => {
  const g = await grammatica();
  const casi = [
    ["[stazioni]", ["[stazioni]=entity.name.section"]],
    ["pendenza, 2600, -4", ["pendenza=keyword.other.record", "2600=constant.numeric", "-4=constant.numeric"]],
    ["orologio, 8 0 0", ["orologio=keyword.other.record", "8=constant.numeric", "0=constant.numeric", "0=constant.numeric"]],
    [
      "cartello_indicatore, 1800, (P.L.    )(Km 13.800)",
      ["cartello_indicatore=keyword.other.record", "1800=constant.numeric", "(P.L.    )(Km 13.800)=string.unquoted"],
    ],
    ["Qui la linea sale verso il passo", ["Qui la linea sale verso il passo=comment.line.nota"]],
    // As the reading takes them: a note may hold commas; a first item that holds a
    // keyword is that record, whatever else it says, unless it holds a minus sign; a word
    // it does not know followed by a number is a keyword it warns about.
    ["Qui, dopo il ponte, la linea sale", ["Qui, dopo il ponte, la linea sale=comment.line.nota"]],
    ["Stazione principale, 100", ["Stazione principale=keyword.other.record", "100=constant.numeric"]],
    ["- vecchia stazione, 100", ["- vecchia stazione, 100=comment.line.nota"]],
    ["stazone, 2800, 12", ["stazone=invalid.illegal.parola", "2800=constant.numeric", "12=constant.numeric"]],
    // The two words of a numbering, with the exact case the reading asks for.
    ["progressiva chilometrica due, 0, 0, 0", ["progressiva chilometrica due=keyword.other.record",
      "0=constant.numeric", "0=constant.numeric", "0=constant.numeric"]],
    ["Progressiva chilometrica Due, 0", ["Progressiva chilometrica Due=invalid.illegal.parola", "0=constant.numeric"]],
  ];
  for (const [riga, attesi] of casi) assert.deepStrictEqual(pezzi(g, riga), attesi, riga);
});
