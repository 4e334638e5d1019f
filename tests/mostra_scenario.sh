#!/usr/bin/env bash
# mostra_scenario from the command line: exit 0 on good files, 1 on a damaged file (with
# the file and the byte offset in the message), 2 on wrong usage or a missing file.
#   tests/mostra_scenario.sh COMPILA_SCENARIO MOSTRA_SCENARIO
# ESEGUI_CON, when set, starts the programs (wine64 for the Windows ones).
set -uo pipefail
compila=$1 mostra=$2
lavoro=$(mktemp -d)
trap 'rm -rf "$lavoro"' EXIT
cp "$compila" "$lavoro/"
(cd "$lavoro" && ${ESEGUI_CON:-} ./"$(basename "$compila")" >/dev/null 2>&1)
esito=0
# Redirected to a file, the Windows programs write UTF-16 with CR LF, as Windows users read
# it: read back here as the same text in UTF-8 with LF.
utf8() {
  if [ "$(head -c 2 "$1" | od -An -tx1 | tr -d ' ')" = "fffe" ]; then
    tail -c +3 "$1" | iconv -f UTF-16LE -t UTF-8 | sed 's/\r$//' >"$1.utf8" && mv "$1.utf8" "$1"
  fi
}
atteso() {  # STATO TESTO_ATTESO_IN_STDERR COMANDO...
  local stato=$1 testo=$2
  shift 2
  ${ESEGUI_CON:-} "$@" >"$lavoro/out" 2>"$lavoro/err"
  local avuto=$?
  utf8 "$lavoro/out"
  utf8 "$lavoro/err"
  if [ "$avuto" -ne "$stato" ] || { [ -n "$testo" ] && ! grep -qF -- "$testo" "$lavoro/err"; }; then
    echo "FALLITO: $* -> stato $avuto (atteso $stato), stderr: $(cat "$lavoro/err")" >&2
    esito=1
  fi
}
atteso 0 "" "$mostra" -C "$lavoro" Castrea_Tovena R7302
grep -q "^Stazioni (11):" "$lavoro/out" || { echo "FALLITO: resoconto senza le 11 stazioni" >&2; esito=1; }
atteso 2 "servono due argomenti" "$mostra" Castrea_Tovena
atteso 2 "opzione non riconosciuta '--boh'; 'mostra_scenario --help' per l'aiuto" "$mostra" --boh Castrea_Tovena R7302
atteso 2 "file non trovato" "$mostra" -C "$lavoro" Altra R1
atteso 0 "" "$mostra" -V
grep -qx "mostra_scenario [0-9][0-9.]*" "$lavoro/out" || { echo "FALLITO: -V: $(cat "$lavoro/out")" >&2; esito=1; }
# The identifiers name files as the system finds them: on Windows without regard to case,
# and the set is then the one of the names it holds; elsewhere another case is another file.
if [ -n "${ESEGUI_CON:-}" ]; then
  atteso 0 "" "$mostra" -C "$lavoro" castrea_tovena r7302
  grep -q "^Stazioni (11):" "$lavoro/out" || { echo "FALLITO: maiuscole: $(cat "$lavoro/out")" >&2; esito=1; }
else
  atteso 2 "castrea_tovena_linea.dat: file non trovato" "$mostra" -C "$lavoro" castrea_tovena r7302
fi
# The texts given back compile into the same three files; they are never written over.
mkdir "$lavoro/testi" "$lavoro/ricompilati" "$lavoro/dopo"
atteso 0 "" "$mostra" -C "$lavoro" --testi="$lavoro/testi" Castrea_Tovena R7302
${ESEGUI_CON:-} "$compila" -q -o "$lavoro/ricompilati" "$lavoro/testi/Castrea_Tovena_linea.txt" "$lavoro/testi/Castrea_Tovena_R7302-.txt"
for f in Castrea_Tovena_linea.dat Castrea_Tovena_R7302.sim Castrea_Tovena_R7302.dat; do
  cmp -s "$lavoro/$f" "$lavoro/ricompilati/$f" || { echo "FALLITO: $f non torna dai testi" >&2; esito=1; }
done
atteso 2 "esiste già" "$mostra" -C "$lavoro" --testi="$lavoro/testi" Castrea_Tovena R7302
# Files copied under other names: the texts are written all the same, status 1, the names
# and codes said; renamed after the files' own names, they compile into the same files.
mkdir "$lavoro/copiati" "$lavoro/testi_copiati" "$lavoro/ricompilati_copiati"
cp "$lavoro/Castrea_Tovena_linea.dat" "$lavoro/copiati/Altra_linea.dat"
cp "$lavoro/Castrea_Tovena_R7302.sim" "$lavoro/copiati/Altra_X1.sim"
cp "$lavoro/Castrea_Tovena_R7302.dat" "$lavoro/copiati/Altra_X1.dat"
atteso 1 "testi che si chiamano Castrea_Tovena_linea.txt e Castrea_Tovena_R7302-.txt" \
  "$mostra" -C "$lavoro/copiati" --testi="$lavoro/testi_copiati" Altra X1
cp "$lavoro/testi_copiati/Altra_linea.txt" "$lavoro/testi_copiati/Castrea_Tovena_linea.txt"
cp "$lavoro/testi_copiati/Altra_X1-.txt" "$lavoro/testi_copiati/Castrea_Tovena_R7302-.txt"
${ESEGUI_CON:-} "$compila" -q -o "$lavoro/ricompilati_copiati" "$lavoro/testi_copiati/Castrea_Tovena_linea.txt" \
  "$lavoro/testi_copiati/Castrea_Tovena_R7302-.txt"
for f in Castrea_Tovena_linea.dat Castrea_Tovena_R7302.sim Castrea_Tovena_R7302.dat; do
  cmp -s "$lavoro/$f" "$lavoro/ricompilati_copiati/$f" || { echo "FALLITO: $f non torna dai testi dei file copiati" >&2; esito=1; }
done
# Comparing: the same set is status 0; one speed limit raised is status 1 and named.
atteso 0 "" "$mostra" -C "$lavoro" --confronta="$lavoro/ricompilati" Castrea_Tovena R7302
sed -i 's/^velocita, *700, *100/velocita, 700, 110/' "$lavoro/testi/Castrea_Tovena_R7302-.txt"
${ESEGUI_CON:-} "$compila" -q -o "$lavoro/dopo" "$lavoro/testi/Castrea_Tovena_linea.txt" "$lavoro/testi/Castrea_Tovena_R7302-.txt"
atteso 1 "" "$mostra" -C "$lavoro" --confronta="$lavoro/dopo" Castrea_Tovena R7302
grep -qF "(700-2200 m): 100 km/h -> 110 km/h" "$lavoro/out" || { echo "FALLITO: confronto: $(cat "$lavoro/out")" >&2; esito=1; }
atteso 2 "file non trovato" "$mostra" -C "$lavoro" --confronta="$lavoro/nessuna" Castrea_Tovena R7302
# The track cut short by 7 bytes: 921 cells are 13815 bytes, 13808 leave cell 920 with 8.
truncate -s 13808 "$lavoro/Castrea_Tovena_R7302.dat"
atteso 1 "Castrea_Tovena_R7302.dat: error: byte 13800: la cella 920 è tronca: 8 byte" \
  "$mostra" -C "$lavoro" Castrea_Tovena R7302
# Named with its folder, given with -C.
grep -qF "$(basename "$lavoro")" "$lavoro/err" || { echo "FALLITO: senza cartella: $(cat "$lavoro/err")" >&2; esito=1; }
exit $esito
