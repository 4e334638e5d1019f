#!/usr/bin/env bash
# The language server in a real editor: Neovim, headless, opens the small pair's run text
# with a misspelt keyword (the line text stays on disk), through the set-up that the
# README gives, and
#  - the server's diagnostic reaches the editor at the word's line and column, with the
#    compiler's message and its suggestion;
#  - a hover on the station at 5400 m names it and says where it lands: the line counts
#    kilometres from 12000 m at its origin, so km 17+400, and cell 5400 / 50 + 1 = 109;
#  - a completion on the line after it, in [stazioni], offers the station record and the
#    section headers, not a record of another section;
#  - at the misspelt word the editor is offered the reading's fix as a quick fix.
#   tests/editor_neovim.sh COMPILA_SCENARIO CARTELLA_DATI SORGENTI
# Status 77 (skipped) when Neovim is not installed (make test installs it).
set -euo pipefail
compila=$(realpath "$1") dati=$2 sorgenti=$3
if ! command -v nvim >/dev/null; then
  echo "SALTATO: serve nvim (scripts/dipendenze.sh prove)"
  exit 77
fi
lavoro=$(mktemp -d)
trap 'rm -rf "$lavoro"' EXIT
cp "$dati/Valle_linea.txt" "$lavoro/"
sed 's/^stazione, 2800,/stazone, 2800,/' "$dati/Valle_R1-.txt" >"$lavoro/Valle_R1-.txt"
# 0-based: the misspelt record, and the station after it.
errata=$(($(grep -n '^stazone' "$lavoro/Valle_R1-.txt" | cut -d: -f1) - 1))
stazione=$(($(grep -n '^stazione, 5400' "$lavoro/Valle_R1-.txt" | cut -d: -f1) - 1))

cd "$lavoro"
HOME="$lavoro" XDG_CONFIG_HOME="$lavoro" XDG_DATA_HOME="$lavoro" XDG_STATE_HOME="$lavoro" \
  ESITO="$lavoro/esito.json" \
  RIGA_STAZIONE="$stazione" timeout 60 \
  nvim --headless -n -i NONE -u NONE --cmd "let g:compila_scenario = '$compila'" \
  --cmd "luafile $sorgenti/editors/neovim/compila_scenario.lua" \
  -c "luafile $sorgenti/tests/neovim/prova.lua" "$lavoro/Valle_R1-.txt" </dev/null >/dev/null 2>&1 || true
[ -s "$lavoro/esito.json" ] || { echo "Neovim non ha scritto l'esito" >&2; exit 1; }

python3 - "$lavoro/esito.json" "$errata" <<'PY'
import json, sys
esito = json.load(open(sys.argv[1]))
errata = int(sys.argv[2])
falliti = []
def verifica(condizione, cosa):
    if not condizione:
        falliti.append(cosa)
d = esito["diagnostiche"]
verifica(any(x["riga"] == errata and x["colonna"] == 0 and "'stazone': forse 'stazione'?" in x["testo"] for x in d),
         "diagnostica di 'stazone' alla riga %d, colonna 0: %r" % (errata, d))
h = esito["hover"]
verifica("stazione" in h and "posizione 5400 m" in h and "km 17+400" in h and "cella 109" in h, "hover: %r" % h)
c = esito["completamento"]
verifica("stazione" in c and "[segnali]" in c and "segnale" not in c, "completamento: %r" % c)
verifica(esito["correzioni"] == ["Sostituisci con 'stazione'"], "correzioni: %r" % esito["correzioni"])
for f in falliti:
    print("FALLITO:", f, file=sys.stderr)
sys.exit(1 if falliti else 0)
PY
echo "Neovim: diagnostica, hover, completamento e correzione come attesi"
