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
#  - at the misspelt word the editor is offered the reading's fix as a quick fix;
#  - the signature help on that station's hours names the value "ore", in hours;
#  - with a second run text and the line text open, an indicator put in the line on the
#    cell of the runs' signal at 1500 m is error 16 in both runs, and gone from both when
#    taken away;
#  - the second run text laid out by the editor's formatting and saved compiles to the
#    same three files, byte for byte;
#  - completion as Neovim 0.7 inserts it (no snippets) gives the station's keyword and its
#    seventeen commas, which filled with a station's values read clean.
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
cp "$dati/Valle_linea.txt" "$dati/Valle_R1-.txt" "$lavoro/"
cp "$dati/Valle_R1-.txt" "$lavoro/Valle_R2-.txt"
sed -i 's/^stazione, 2800,/stazone, 2800,/' "$lavoro/Valle_R1-.txt"
# 0-based: the misspelt record, and the station after it; the column of that station's
# hours, its fourteenth value.
errata=$(($(grep -n '^stazone' "$lavoro/Valle_R1-.txt" | cut -d: -f1) - 1))
stazione=$(($(grep -n '^stazione, 5400' "$lavoro/Valle_R1-.txt" | cut -d: -f1) - 1))
ore=$(grep '^stazione, 5400' "$lavoro/Valle_R1-.txt" | python3 -c 'import sys, re
riga = sys.stdin.read()
print([m.end() for m in re.finditer(",", riga)][13] + 1)')

cd "$lavoro"
mkdir prima dopo
"$compila" -q -o prima Valle_linea.txt Valle_R2-.txt
HOME="$lavoro" XDG_CONFIG_HOME="$lavoro" XDG_DATA_HOME="$lavoro" XDG_STATE_HOME="$lavoro" \
  ESITO="$lavoro/esito.json" LINEA="$lavoro/Valle_linea.txt" TRENO2="$lavoro/Valle_R2-.txt" \
  RIGA_STAZIONE="$stazione" COLONNA_ORE="$ore" timeout 90 \
  nvim --headless -n -i NONE -u NONE --cmd "let g:compila_scenario = '$compila'" \
  --cmd "luafile $sorgenti/editors/neovim/compila_scenario.lua" \
  -c "luafile $sorgenti/tests/neovim/prova.lua" "$lavoro/Valle_R1-.txt" </dev/null >/dev/null 2>&1 || true
[ -s "$lavoro/esito.json" ] || { echo "Neovim non ha scritto l'esito" >&2; exit 1; }
"$compila" -q -o dopo Valle_linea.txt Valle_R2-.txt
for f in Valle_linea.dat Valle_R2.sim Valle_R2.dat; do
  cmp -s "prima/$f" "dopo/$f" || { echo "FALLITO: $f cambiato dall'impaginazione" >&2; exit 1; }
done

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
f = esito.get("firma", {})
verifica(f.get("valore") == "ore" and f.get("spiegazione", "").startswith("h, da 0 a 23"), "firma: %r" % f)
verifica(esito.get("due_corse_errate") and esito.get("due_corse_corrette"), "due corse: %r" % esito)
verifica(esito.get("impaginato"), "il testo non è stato impaginato")
verifica(esito.get("parola_inserita") == "stazione" + ", " * 16 + ",", "inserito: %r" % esito.get("parola_inserita"))
verifica(esito.get("diagnostiche_riempita") == [], "record riempito: %r" % esito.get("diagnostiche_riempita"))
for f in falliti:
    print("FALLITO:", f, file=sys.stderr)
sys.exit(1 if falliti else 0)
PY
echo "Neovim: diagnostica, hover, completamento, correzione, firma, due corse, impaginazione come attesi"
