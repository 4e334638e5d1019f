#!/usr/bin/env bash
# The language server in Emacs 28 with eglot, in batch: the run text of the small pair with
# a misspelt keyword opened through the set-up that the README gives, and
#  - the diagnostic of the misspelt keyword reaches Flymake;
#  - the hover comes as plain text (eglot asks for it without markdown-mode) and describes
#    the station at 5400 m with its kilometre, km 17+400;
#  - completion-at-point on "stazione" inserts the keyword and its seventeen commas, not a
#    snippet's text (eglot takes none without yasnippet).
#   tests/editor_emacs.sh COMPILA_SCENARIO CARTELLA_DATI SORGENTI
# Status 77 (skipped) when Emacs or eglot is not installed (make test installs them).
set -euo pipefail
compila=$(realpath "$1") dati=$(realpath "$2") sorgenti=$(realpath "$3")
if ! command -v emacs >/dev/null || ! emacs --batch --eval "(require 'eglot)" 2>/dev/null; then
  echo "SALTATO: servono emacs ed eglot (scripts/dipendenze.sh prove)"
  exit 77
fi
lavoro=$(mktemp -d)
trap 'rm -rf "$lavoro"' EXIT
cp "$dati/Valle_linea.txt" "$lavoro/"
sed 's/^stazione, 2800,/stazone, 2800,/' "$dati/Valle_R1-.txt" >"$lavoro/Valle_R1-.txt"
mkdir "$lavoro/bin"
ln -s "$compila" "$lavoro/bin/compila_scenario"
# The README's lines, as an author copies them.
python3 - "$sorgenti/README.md" "$sorgenti" >"$lavoro/init.el" <<'PY'
import re, sys
riga = re.search(r"```elisp\n(.*?)```", open(sys.argv[1]).read(), re.S).group(1)
print(riga.replace("/path/to/compila_scenario", sys.argv[2]))
PY
cd "$lavoro"
HOME="$lavoro" PATH="$lavoro/bin:$PATH" ESITO="$lavoro/esito.json" TRENO="$lavoro/Valle_R1-.txt" timeout 90 \
  emacs --batch -l "$lavoro/init.el" -l "$sorgenti/tests/emacs/prova.el" >"$lavoro/emacs.log" 2>&1 || true
[ -s "$lavoro/esito.json" ] || { echo "Emacs non ha scritto l'esito:" >&2; tail -20 "$lavoro/emacs.log" >&2; exit 1; }

python3 - "$lavoro/esito.json" <<'PY'
import json, sys
esito = json.load(open(sys.argv[1]))
falliti = []
def verifica(condizione, cosa):
    if not condizione:
        falliti.append(cosa)
verifica(any("'stazone': forse 'stazione'?" in d for d in esito["diagnostiche"]), "diagnostiche: %r" % esito["diagnostiche"])
verifica(esito["hover"] == "plaintext", "hover: %r" % esito["hover"])
verifica("**" not in esito["testo_hover"] and "km 17+400" in esito["testo_hover"], "testo: %r" % esito["testo_hover"])
verifica(esito["inserito"] == "stazione" + ", " * 16 + ",", "inserito: %r" % esito["inserito"])
for f in falliti:
    print("FALLITO:", f, file=sys.stderr)
sys.exit(1 if falliti else 0)
PY
echo "Emacs: diagnostica, hover in testo semplice e completamento senza snippet come attesi"
