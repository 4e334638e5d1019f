#!/usr/bin/env bash
# Emacs with eglot in a terminal, as an author sees it (tmux holds the terminal; its screen
# is read back), through the set-up that the README gives:
#  - the cursor put on the keyword of the station at 5400 m (keys typed as an author types
#    them): the echo area shows the hover, with the station's kilometre, km 17+400 (the
#    line counts from 12000 m at its origin), not the signature help;
#  - a run text of about 1 MB (20000 adhesions and 20000 speed limits written without
#    blanks, each with a note) laid out by M-x eglot-format-buffer within seconds, into
#    the same bytes as compila_scenario --formatta writes (one edit of the whole text kept
#    Emacs busy for minutes).
#   tests/emacs/sotto_tmux.sh COMPILA_SCENARIO CARTELLA_DATI SORGENTI
# Status 77 (skipped) without Emacs, eglot or tmux (make test installs them).
set -euo pipefail
compila=$(realpath "$1") dati=$(realpath "$2") sorgenti=$(realpath "$3")
if ! command -v emacs >/dev/null || ! command -v emacsclient >/dev/null || ! command -v tmux >/dev/null ||
   ! emacs --batch --eval "(require 'eglot)" 2>/dev/null; then
  echo "SALTATO: servono emacs, eglot e tmux (scripts/dipendenze.sh prove)"
  exit 77
fi
lavoro=$(mktemp -d)
terminale="tmux -L compila_emacs_$$"
trap '$terminale kill-server 2>/dev/null || true; rm -rf "$lavoro"' EXIT
mkdir "$lavoro/valle" "$lavoro/grande" "$lavoro/atteso"
cp "$dati/Valle_linea.txt" "$dati/Valle_R1-.txt" "$lavoro/valle/"
python3 - "$lavoro/grande" <<'PY'
import sys
cartella = sys.argv[1]
righe = ["[generale]", "orologio, 6, 0, 0", "[aderenze]"]
righe += ["aderenza,%d,%d  n%d" % (50 * a, 80 + a % 21, a) for a in range(20000)]
righe += ["[vel_limite]"] + ["velocita,%d,%d  n%d" % (50 * v, 60 + v % 9 * 10, v) for v in range(20000)] + ["[fine]"]
open(cartella + "/Grande_R1-.txt", "w", newline="").write("\r\n".join(righe) + "\r\n")
open(cartella + "/Grande_linea.txt", "w", newline="").write(
    "[generale]\r\nlunghezza percorso, 1000000\r\n[pendenze]\r\npendenza, 0, 0\r\n[fine]\r\n")
PY
cp "$lavoro/grande/"* "$lavoro/atteso/"
"$compila" --formatta "$lavoro/atteso/Grande_R1-.txt"
cmp -s "$lavoro/grande/Grande_R1-.txt" "$lavoro/atteso/Grande_R1-.txt" && { echo "il testo grande era gia' impaginato" >&2; exit 1; }
# The README's lines, then what the test needs: a server for emacsclient to ask through,
# and the echo area shown as soon as the cursor rests.
python3 - "$sorgenti/README.md" "$sorgenti" "$compila" "$lavoro" >"$lavoro/init.el" <<'PY'
import re, sys
readme, sorgenti, compila, lavoro = sys.argv[1:]
print(re.search(r"```elisp\n(.*?)```", open(readme).read(), re.S).group(1).replace("/path/to/compila_scenario", sorgenti))
print('(setq compila-scenario-programma "%s")' % compila)
print('(setq inhibit-startup-screen t eldoc-idle-delay 0.1 make-backup-files nil)')
print('(setq server-socket-dir "%s" server-name "prova")' % lavoro)
print('(server-start)')
PY
cd "$lavoro/valle"
$terminale new-session -d -x 200 -y 50 "emacs -nw -q -l $lavoro/init.el $lavoro/valle/Valle_R1-.txt"
valuta() { timeout --foreground 60 emacsclient -s "$lavoro/prova" --eval "$1" 2>/dev/null; }
tasti() { $terminale send-keys "$@"; }
schermo() { $terminale capture-pane -p; }
fallito() { echo "FALLITO: $1" >&2; schermo >&2; exit 1; }
attendi() {
  local fine=$((SECONDS + $2))
  until eval "$1"; do
    [ $SECONDS -lt $fine ] || return 1
    sleep 0.1
  done
}
connesso() { [ "$(valuta "(with-current-buffer \"$1\" (if (eglot-current-server) 1 0))")" = 1 ]; }

attendi 'connesso Valle_R1-.txt' 30 || fallito "eglot non si e' collegato al server"
# Keys as an author types them: to the top, search for the station, to its line's start.
tasti M-\< C-s 'stazione, 5400' Enter C-a
attendi 'schermo | tail -n 15 | grep -q "km 17+400"' 20 || fallito "l'area dell'eco non mostra il chilometro della stazione"
echo "Emacs: sulla stazione a 5400 m l'area dell'eco mostra: $(schermo | tail -n 15 | grep -o 'posizione 5400 m[^|]*' | head -1)"

tasti C-x C-f "$lavoro/grande/Grande_R1-.txt" Enter
attendi 'connesso Grande_R1-.txt' 60 || fallito "eglot non si e' collegato per il testo grande"
inizio=$(date +%s%N)
tasti M-x eglot-format-buffer Enter
# emacsclient is answered once the layout is applied.
attendi '[ "$(valuta "(with-current-buffer \"Grande_R1-.txt\" (save-excursion (goto-char (point-min)) (forward-line 3) (buffer-substring (point) (line-end-position))))")" = "\"aderenza,      0,  80  n0\"" ]' 120 ||
  fallito "il testo grande non e' stato impaginato"
millisecondi=$((($(date +%s%N) - inizio) / 1000000))
tasti C-x C-s
attendi 'cmp -s "$lavoro/grande/Grande_R1-.txt" "$lavoro/atteso/Grande_R1-.txt"' 30 ||
  fallito "il testo impaginato da Emacs non e' quello di --formatta"
[ "$millisecondi" -lt 20000 ] || fallito "impaginare il testo di $(stat -c %s "$lavoro/grande/Grande_R1-.txt") byte ha preso $millisecondi ms"
echo "Emacs: $(stat -c %s "$lavoro/atteso/Grande_R1-.txt") byte impaginati da eglot in $millisecondi ms, come --formatta"
valuta '(kill-emacs 0)' >/dev/null || true
