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
atteso() {  # STATO TESTO_ATTESO_IN_STDERR COMANDO...
  local stato=$1 testo=$2
  shift 2
  ${ESEGUI_CON:-} "$@" >"$lavoro/out" 2>"$lavoro/err"
  local avuto=$?
  if [ "$avuto" -ne "$stato" ] || { [ -n "$testo" ] && ! grep -qF -- "$testo" "$lavoro/err"; }; then
    echo "FALLITO: $* -> stato $avuto (atteso $stato), stderr: $(cat "$lavoro/err")" >&2
    esito=1
  fi
}
atteso 0 "" "$mostra" -C "$lavoro" Castrea_Tovena R7302
grep -q "^Stazioni (11):" "$lavoro/out" || { echo "FALLITO: resoconto senza le 11 stazioni" >&2; esito=1; }
atteso 2 "servono due argomenti" "$mostra" Castrea_Tovena
atteso 2 "opzione sconosciuta" "$mostra" --boh Castrea_Tovena R7302
atteso 2 "file non trovato" "$mostra" -C "$lavoro" Altra R1
# The track cut short by 7 bytes: 921 cells are 13815 bytes, 13808 leave cell 920 with 8.
truncate -s 13808 "$lavoro/Castrea_Tovena_R7302.dat"
atteso 1 "Castrea_Tovena_R7302.dat: error: byte 13800: la cella 920 e' tronca: 8 byte" \
  "$mostra" -C "$lavoro" Castrea_Tovena R7302
exit $esito
