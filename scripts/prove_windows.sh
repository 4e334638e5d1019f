#!/usr/bin/env bash
# The tests of the Windows programs, run under Wine with a Wine prefix of the build folder,
# then the Windows programs against the native ones on the same inputs: the same compiled
# bytes, the same messages, the same status.
#   scripts/prove_windows.sh BUILD_WIN BUILD_NATIVO
set -euo pipefail
cd "$(dirname "$0")/.."
# A screen of its own (Xvfb): without one Wine makes no window, and the message box of a
# program started as Explorer starts it cannot be seen.
if [ -z "${PROVE_WINDOWS_SCHERMO:-}" ] && command -v xvfb-run >/dev/null; then
  PROVE_WINDOWS_SCHERMO=1 exec xvfb-run -a "$0" "$@"
fi
radice=$(pwd)
win=$(cd "$1" && pwd)
nativo=$(cd "$2" && pwd)
export WINEPREFIX="$win/wine" WINEDEBUG=-all
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
lavoro=$(mktemp -d)
# One server for the whole run: a program's start then costs a tenth of a second instead
# of seconds. The server and Wine's own services are started here, apart from ctest, so
# that they hold none of its pipes (ctest waits for a test's output to close).
"$wineserver" -k 2>/dev/null || true  # one left running would have no screen
"$wineserver" -p </dev/null >/dev/null 2>&1 || true
trap '"$wineserver" -k || true; rm -rf "$lavoro"' EXIT
"$wine64" cmd /c exit </dev/null >/dev/null 2>&1 || true
(cd "$win" && ctest --output-on-failure)

esito=0
# uguali DESCRIZIONE PROGRAMMA ARGOMENTI...: run in $lavoro/lin and $lavoro/win (each
# holding the same inputs), native and under Wine; standard output, standard error, the
# status and every file written must be the same.
uguali() {
  local descrizione=$1 programma=$2
  shift 2
  (cd "$lavoro/lin" && "$nativo/bin/$programma" "$@" >../lin.out 2>../lin.err; echo $? >../lin.stato) || true
  (cd "$lavoro/win" && "$wine64" "$win/bin/$programma.exe" "$@" >../win.out 2>../win.err; echo $? >../win.stato) || true
  # Redirected to a file, the Windows programs write UTF-16 with CR LF for people (what
  # `type` and Notepad read): the same text, once read back. JSON stays UTF-8.
  largo=
  for parte in out err; do
    if [ "$(head -c2 "$lavoro/win.$parte" | od -An -tx1 | tr -d ' \n')" = fffe ]; then
      largo="$largo $parte"
      tail -c +3 "$lavoro/win.$parte" | iconv -f UTF-16LE -t UTF-8 | sed 's/\r$//' >"$lavoro/win.$parte.utf8"
      mv "$lavoro/win.$parte.utf8" "$lavoro/win.$parte"
    elif [ -s "$lavoro/win.$parte" ] && [[ $descrizione != *JSON* ]]; then
      echo "DIVERSI ($descrizione): $parte in un file non è UTF-16" >&2
      esito=1
    fi
  done
  if [[ $descrizione == *JSON* && -n $largo ]]; then
    echo "DIVERSI ($descrizione): JSON in UTF-16" >&2
    esito=1
  fi
  for parte in out err stato; do
    if ! cmp -s "$lavoro/lin.$parte" "$lavoro/win.$parte"; then
      echo "DIVERSI ($descrizione): $parte" >&2
      diff "$lavoro/lin.$parte" "$lavoro/win.$parte" | head -5 >&2
      esito=1
    fi
  done
  if ! diff -r "$lavoro/lin" "$lavoro/win" >/dev/null; then
    echo "DIVERSI ($descrizione): file scritti" >&2
    diff -rq "$lavoro/lin" "$lavoro/win" >&2 || true
    esito=1
  fi
}

for lato in lin win; do
  mkdir -p "$lavoro/$lato/uscita" "$lavoro/$lato/Città/Über"
  cp examples/* "$lavoro/$lato/"
  # A mistake at a known place, and names with accents in the folders, the identifier
  # and a station (the texts are ISO 8859-1: "Prato Città Süd").
  sed 's/^segnale, *1500/segnale, x1500/' examples/Valmora_R2215-.txt >"$lavoro/$lato/Errato_R1-.txt"
  cp examples/Valmora_linea.txt "$lavoro/$lato/Errato_linea.txt"
  cp examples/Valmora_linea.txt "$lavoro/$lato/Città/Vàlmora_linea.txt"
  sed "s/Prato Alto/Prato Citt$(printf '\xe0') S$(printf '\xfc')d/" examples/Valmora_R2215-.txt \
    >"$lavoro/$lato/Città/Vàlmora_R2215-.txt"
done
uguali "esempi" compila_scenario -o uscita Valmora_linea.txt Valmora_R2215-.txt
uguali "un errore" compila_scenario -c Errato_linea.txt Errato_R1-.txt
uguali "diagnostiche in JSON" compila_scenario -c --diagnostica=json Errato_linea.txt Errato_R1-.txt
uguali "resoconto" mostra_scenario -C uscita Valmora R2215
uguali "celle" mostra_scenario -C uscita --celle Valmora R2215
uguali "JSON" mostra_scenario -C uscita --json Valmora R2215
uguali "scheda" mostra_scenario -C uscita --scheda Valmora R2215
uguali "pagina" mostra_scenario -C uscita -o valmora.html Valmora R2215
uguali "nomi accentati" compila_scenario -o Città/Über Città/Vàlmora_linea.txt Città/Vàlmora_R2215-.txt
uguali "nomi accentati, resoconto" mostra_scenario -C Città/Über Vàlmora R2215
# A folder past MAX_PATH (260 characters), made by the build, read by the inspector.
lungo=lungo/$(printf 'a%.0s' {1..100})/$(printf 'b%.0s' {1..100})/$(printf 'c%.0s' {1..100})
uguali "cartella oltre 260 caratteri" compila_scenario -o "$lungo" Valmora_linea.txt Valmora_R2215-.txt
uguali "cartella oltre 260 caratteri, resoconto" mostra_scenario -C "$lungo" Valmora R2215
uguali "cartella oltre 260 caratteri, pagina" mostra_scenario -C "$lungo" -o "$lungo/valmora.html" Valmora R2215
# An identifier that would name an alternate data stream on NTFS: refused on both.
uguali "R1:a" compila_scenario -o uscita -t R1:a Valmora_linea.txt Valmora_R2215-.txt

# Names whose case differs from the forms: the same files on Windows.
cp examples/Valmora_linea.txt "$lavoro/win/Valmora_Linea.TXT"
cp examples/Valmora_R2215-.txt "$lavoro/win/VALMORA_R2215-.Txt"
if ! (cd "$lavoro/win" && "$wine64" "$win/bin/compila_scenario.exe" -c Valmora_Linea.TXT VALMORA_R2215-.Txt \
      >/dev/null 2>"$lavoro/maiuscole.err"); then
  echo "DIVERSI (Valmora_Linea.TXT): rifiutato su Windows" >&2
  cat "$lavoro/maiuscole.err" >&2
  esito=1
fi
# The language server as VS Code drives it: the run text open under its address (on
# Windows "file:///z%3A/..." for Wine's drive Z:, the Linux root), the line text on disk
# only. As on Linux, a signal past the track's end (6000 m of line, 7000 m beyond it) is
# error 15 and the station's hover has its kilometre (2800 m from km 12: km 14+800).
mkdir -p "$lavoro/lsp"
printf '[generale]\r\nlunghezza percorso, 6000\r\nprogressiva chilometrica uno, 0, 12000, 0\r\n[fine]\r\n' \
  >"$lavoro/lsp/Valle_linea.txt"
cornice() { printf 'Content-Length: %d\r\n\r\n%s' "$(printf '%s' "$1" | LC_ALL=C wc -c)" "$1"; }
sessione_lsp() {
  local uri=$1
  local treno='[generale]\r\norologio, 8 0 0\r\n[stazioni]\r\nstazione, 2800, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 30, 8, 5,30, Piano Rio\r\n[segnali]\r\nsegnale, 13000, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0\r\n[fine]\r\n'
  cornice '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}'
  cornice '{"jsonrpc":"2.0","method":"initialized","params":{}}'
  cornice '{"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"'"$uri"'","languageId":"scenario","version":1,"text":"'"$treno"'"}}}'
  cornice '{"jsonrpc":"2.0","id":2,"method":"textDocument/hover","params":{"textDocument":{"uri":"'"$uri"'"},"position":{"line":3,"character":21}}}'
  cornice '{"jsonrpc":"2.0","id":3,"method":"shutdown"}'
  cornice '{"jsonrpc":"2.0","method":"exit"}'
}
sessione_lsp "file://$lavoro/lsp/Valle_R1-.txt" >"$lavoro/lsp.lin.in"
sessione_lsp "file:///z%3A$lavoro/lsp/Valle_R1-.txt" >"$lavoro/lsp.win.in"
(cd "$lavoro/lsp" && "$nativo/bin/compila_scenario" --lsp <../lsp.lin.in >../lsp.lin.out) || true
(cd "$lavoro/lsp" && "$wine64" "$win/bin/compila_scenario.exe" --lsp <../lsp.win.in >../lsp.win.out) || true
for lato in lin win; do
  for atteso in '"code":15' 'km 14+800'; do
    if ! grep -qF "$atteso" "$lavoro/lsp.$lato.out"; then
      echo "DIVERSI (server del linguaggio, $lato): manca $atteso" >&2
      esito=1
    fi
  done
done

# LEGGIMI.txt's commands (its indented lines that start a program with an option) as they
# are written, in order, in the folder the archive unpacks to; the watch, which runs until
# Ctrl-C, is left out. Each must succeed.
versione=$(grep -m1 -o 'compila_scenario VERSION [0-9.]*' CMakeLists.txt | cut -d' ' -f3)
scripts/pacchetto_windows.sh "$win" "$versione" "$lavoro/dist" >/dev/null
(cd "$lavoro/dist" && unzip -q "compila_scenario-$versione-win64.zip")
estratta=$lavoro/dist/compila_scenario-$versione-win64
grep -aE '^  (compila|mostra)_scenario\.exe -' "$estratta/LEGGIMI.txt" | tr -d '\r' | grep -v -- '--osserva' \
  >"$lavoro/comandi" || true
comandi=0
while IFS= read -r comando; do
  comandi=$((comandi + 1))
  if ! (cd "$estratta" && "$wine64" cmd /c "$comando" </dev/null >"$lavoro/leggimi.out" 2>&1); then
    echo "DIVERSI (LEGGIMI.txt): non riesce:$comando" >&2
    cat "$lavoro/leggimi.out" >&2
    esito=1
  fi
done <"$lavoro/comandi"
if [ "$comandi" -lt 8 ]; then
  echo "DIVERSI (LEGGIMI.txt): solo $comandi comandi trovati" >&2
  esito=1
fi

# The installer, as an author installs it: every file under Program Files, the programs'
# folder on the system's PATH (a new prompt elsewhere finds them), the Start menu's
# entries, Explorer's entry on the texts, whose command, run on a run text alone, builds
# it with its line text beside it; then removed, with nothing of it left.
scripts/pacchetto_windows.sh --msi "$win" "$versione" "$lavoro/dist" >/dev/null
msi=$lavoro/dist/compila_scenario-$versione-win64.msi
(cd "$lavoro/dist" && sha256sum -c --quiet "$(basename "$msi").sha256") || { echo "DIVERSI (MSI): SHA-256" >&2; esito=1; }
programmi="$WINEPREFIX/drive_c/Program Files/compila_scenario"
# The Start menu of all users, where Windows puts a package for the whole machine (the
# package says ALLUSERS=1); Wine's installer puts it in the user's own.
menu_avvio() {
  local m
  for m in "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/compila_scenario" \
           "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs/compila_scenario; do
    [ -e "$m" ] && echo "$m"
  done
}
chiave_menu='HKLM\Software\Classes\SystemFileAssociations\.txt\shell\compila_scenario'
percorso_path() { "$wine64" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' /v PATH 2>/dev/null | tr -d '\r'; }
installa() { WINEDLLOVERRIDES=winemenubuilder.exe=d "$wine64" msiexec "$1" "Z:${msi//\//\\}" /qn </dev/null >/dev/null 2>&1; }
if ! installa /i; then
  echo "DIVERSI (MSI): msiexec /i non riesce" >&2
  esito=1
fi
for f in compila_scenario.exe mostra_scenario.exe LEGGIMI.txt documenti/it/autori.md documenti/en/compila_scenario.txt \
         examples/Valmora_linea.txt; do
  [ -f "$programmi/$f" ] || { echo "DIVERSI (MSI): manca $f" >&2; esito=1; }
done
menu=$(menu_avvio)
[ -n "$menu" ] && [ "$(ls "$menu" | grep -c '\.lnk$')" -eq 4 ] || { echo "DIVERSI (MSI): menu Start: '$menu'" >&2; esito=1; }
percorso_path | grep -qi 'compila_scenario' || { echo "DIVERSI (MSI): PATH: $(percorso_path)" >&2; esito=1; }
mkdir -p "$lavoro/altrove" "$lavoro/menu_testo/Scenari è prova"
cp examples/* "$lavoro/menu_testo/Scenari è prova/"
versione_da_path=$(cd "$lavoro/altrove" && "$wine64" cmd /c "compila_scenario.exe --version" </dev/null 2>/dev/null | tr -d '\r')
[ "$versione_da_path" = "compila_scenario $versione" ] || { echo "DIVERSI (MSI): dal PATH: '$versione_da_path'" >&2; esito=1; }
comando_menu=$("$wine64" reg query "$chiave_menu\\command" /ve 2>/dev/null | tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p; s/^ *(Predefinito) *REG_SZ *//p')
testo_win="Z:$(printf '%s' "$lavoro/menu_testo/Scenari è prova/Valmora_R2215-.txt" | tr / '\\')"
if [[ $comando_menu != *'"%1"'* ]]; then
  echo "DIVERSI (MSI): comando del menu '$comando_menu'" >&2
  esito=1
elif ! (cd "$lavoro/menu_testo/Scenari è prova" && COMANDO_MENU=${comando_menu//%1/$testo_win} "$wine64" cmd /c '%COMANDO_MENU%' \
          </dev/null >"$lavoro/menu.out" 2>&1) ||
     [ ! -f "$lavoro/menu_testo/Scenari è prova/Valmora_R2215.sim" ]; then
  echo "DIVERSI (MSI): il comando del menu sul testo della corsa non compila" >&2
  cat "$lavoro/menu.out" >&2
  esito=1
fi
if ! installa /x; then
  echo "DIVERSI (MSI): msiexec /x non riesce" >&2
  esito=1
fi
[ ! -e "$programmi" ] || { echo "DIVERSI (MSI): resta $(cd "$programmi" && find . | head -5)" >&2; esito=1; }
[ -z "$(menu_avvio)" ] || { echo "DIVERSI (MSI): resta il menu Start" >&2; esito=1; }
! percorso_path | grep -qi 'compila_scenario' || { echo "DIVERSI (MSI): resta nel PATH" >&2; esito=1; }
! "$wine64" reg query "$chiave_menu" >/dev/null 2>&1 || { echo "DIVERSI (MSI): resta la voce del menu dei testi" >&2; esito=1; }

# Wine's console as a person sees it (tmux draws the terminal): a folder's name with an
# accent and a typographic apostrophe comes out whole in --nuovo's messages.
mkdir -p "$lavoro/console"
tmux -L prove-windows -f /dev/null new-session -d -x 200 -y 10 -c "$lavoro/console" \
  "LANG=C.UTF-8 '$wine64' '$win/bin/compila_scenario.exe' --nuovo Val R1 'Città d’Erba'; tmux -L prove-windows wait-for -S fatto; sleep 60"
timeout 120 tmux -L prove-windows wait-for fatto || true
schermo=$(tmux -L prove-windows capture-pane -p -J)
tmux -L prove-windows kill-server || true
if ! grep -qF "Scritti Città d’Erba\Val_linea.txt e Città d’Erba\Val_R1-.txt." <<<"$schermo"; then
  echo "DIVERSI (console): la console di Wine mostra" >&2
  echo "$schermo" >&2
  esito=1
fi
if [ $esito -eq 0 ]; then
  echo "Programmi per Windows e nativi: stessi byte, messaggi e stati su $(ls "$lavoro/lin/uscita" | wc -l) file compilati, diagnostiche, resoconti, JSON, scheda, pagina, nomi accentati, una cartella oltre 260 caratteri e 'R1:a' rifiutato; Valmora_Linea.TXT accettato su Windows; i $comandi comandi di LEGGIMI.txt riusciti; il server del linguaggio con indirizzi file:///z%3A/ dà l'errore 15 e il chilometro come su Linux; l'MSI installato (PATH, menu Start, voce sui testi) e tolto senza resti; la console di Wine mostra:"
  grep -F "Città" <<<"$schermo"
fi
exit $esito
