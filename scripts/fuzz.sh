#!/usr/bin/env bash
# Runs one of the fuzzers for a given number of seconds.
#   scripts/fuzz.sh <fuzzer binary> <seconds>
# fuzz_lettura drives the compile core from two description texts: its working corpus,
# fuzz/corpus-lavoro/, starts from the seeds in fuzz/semi/; inputs up to 64 KiB (the core
# reads them in memory and no text costs more than its length); every set it builds is
# given back as texts and compiled again. fuzz_decodifica feeds the decoder of the compiled
# files: corpus fuzz/corpus-decodifica/ from fuzz/semi_decodifica/, whose seeds are single
# compiled files and whole sets of the shortest line (0 m: its geometry, the 7000 m the
# plan runs past the line's end, is 140 KB), so inputs stop at 150 KB and a run passes a
# million inputs within an hour. fuzz_lsp feeds the
# language server framed messages: corpus fuzz/corpus-lsp/ from fuzz/semi_lsp/.
# The working corpus keeps
# what earlier runs added to it (merged down when it grows past 1000 files). Any finding (crash, leak, undefined behaviour, an error
# number outside the catalogue, a malformed compiled file, a timeout) ends the
# script with libFuzzer's non-zero status; the input that caused it is saved beside the
# fuzzer binary, in riscontri/, with the whole log of the run.
# At the end the script prints executions per second, corpus size and coverage.
set -uo pipefail

if [ $# -ne 2 ]; then
  echo "uso: $0 <eseguibile del fuzzer> <secondi>" >&2
  exit 2
fi
eseguibile=$1
secondi=$2
radice="$(cd "$(dirname "$0")/.." && pwd)"
nome=$(basename "$eseguibile")
case "$nome" in
  fuzz_decodifica) semi="$radice/fuzz/semi_decodifica"; lavoro="$radice/fuzz/corpus-decodifica"; lunghezza=150000 ;;
  fuzz_lsp) semi="$radice/fuzz/semi_lsp"; lavoro="$radice/fuzz/corpus-lsp"; lunghezza=65536 ;;
  *) semi="$radice/fuzz/semi"; lavoro="$radice/fuzz/corpus-lavoro"; lunghezza=65536 ;;
esac

if [ ! -x "$eseguibile" ]; then
  echo "$0: eseguibile del fuzzer non trovato: $eseguibile" >&2
  exit 2
fi
riscontri="$(cd "$(dirname "$eseguibile")" && pwd)/riscontri"
registro="$riscontri/ultimo-$nome.log"
mkdir -p "$lavoro" "$riscontri"
# Seeds are copied in without overwriting what earlier runs left under the same name.
for seme in "$semi"/*; do
  [ -e "$lavoro/$(basename "$seme")" ] || cp "$seme" "$lavoro/"
done

echo "$nome: $secondi s, corpus $lavoro, registro $registro"
"$eseguibile" "$lavoro" \
  -max_total_time="$secondi" \
  -max_len="$lunghezza" \
  -timeout=10 \
  -print_final_stats=1 \
  -artifact_prefix="$riscontri/" \
  >"$registro" 2>&1 &
fuzzer=$!
# Progress while it runs: libFuzzer's periodic lines.
tail -n +1 -f "$registro" --pid="$fuzzer" 2>/dev/null | grep --line-buffered -E '^#[0-9]+[[:space:]]+(INITED|pulse|DONE)' &
progresso=$!
wait "$fuzzer"
stato=$?
# tail ends by itself once the fuzzer has gone; its last lines come before the summary.
wait "$progresso" || true

# The working corpus keeps every input that once added coverage; when it has grown large
# it is merged down to the inputs that still add some, so that loading it stays quick.
if [ "$stato" -eq 0 ] && [ "$(find "$lavoro" -type f | wc -l)" -gt 1000 ]; then
  compatto="$riscontri/corpus-compatto"
  rm -rf "$compatto" && mkdir -p "$compatto"
  if "$eseguibile" -merge=1 -max_len="$lunghezza" -timeout=10 "$compatto" "$lavoro" \
       >"$riscontri/ultima-fusione.log" 2>&1; then
    rm -rf "$lavoro" && mv "$compatto" "$lavoro"
  fi
fi

echo "---- riepilogo ----"
grep -E '^INFO: Loaded [0-9]+ modules' "$registro" | head -n 1 | sed 's/^/strumentazione: /'
grep -E '^#[0-9]+[[:space:]]+(INITED|pulse|DONE|NEW|REDUCE)' "$registro" | tail -n 1 | sed 's/^/ultima riga (cov = copertura): /'
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|slowest_unit_time_sec|peak_rss_mb)' "$registro"
echo "file nel corpus: $(find "$lavoro" -type f | wc -l)"
if [ "$stato" -ne 0 ]; then
  echo "---- ultime righe del registro ----"
  tail -n 60 "$registro"
  echo "$0: il fuzzer ha trovato un problema (stato $stato); input salvato in $riscontri" >&2
fi
exit "$stato"
