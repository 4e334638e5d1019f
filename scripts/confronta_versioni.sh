#!/usr/bin/env bash
# The compiled bytes of this build against another version's, on texts drawn as loosely as
# the reading takes them (the texts-back tests' generator, one pair a seed):
#   scripts/confronta_versioni.sh PROGRAMMA_DI_PRIMA [SEMI] [BUILD_DIR]
# Each pair is compiled by both programs read as of old (--permissivo), and in author mode;
# the exit status and the three compiled files must be the same in both modes, and with
# DIAGNOSTICHE=1 what each program says too. SEMI pairs (default 500) from seed 1.
set -euo pipefail
prima=$(realpath "${1:?il programma di prima}")
semi=${2:-500}
cartella=${3:-build}
ora=$(realpath "$cartella/bin/compila_scenario")
generatore=$(realpath "$cartella/prove/test_vista")
lavoro=$(mktemp -d)
trap 'rm -rf "$lavoro"' EXIT
diversi=0
contati=0
for ((seme = 1; seme <= semi; seme++)); do
  d="$lavoro/$seme"
  mkdir -p "$d/a" "$d/b"
  RESI_PRIMO=$seme RESI_SEMI=1 RESI_TESTI=1 "$generatore" --gtest_filter='Resi.*' 2>/dev/null |
    python3 -c '
import sys
s = sys.stdin.buffer.read()
linea = s.split(b"<<<linea>>>", 1)[1].split(b"<<<treno>>>", 1)
open(sys.argv[1] + "/Libera_linea.txt", "wb").write(linea[0])
open(sys.argv[1] + "/Libera_T1-.txt", "wb").write(linea[1].split(b"<<<fine>>>", 1)[0])
' "$d" || true
  for modo in --permissivo ""; do
    rm -rf "$d/a"/* "$d/b"/*
    sa=0 sb=0
    (cd "$d" && "$prima" $modo -q -o a Libera_linea.txt Libera_T1-.txt >a.txt 2>&1) || sa=$?
    (cd "$d" && "$ora" $modo -q -o b Libera_linea.txt Libera_T1-.txt >b.txt 2>&1) || sb=$?
    contati=$((contati + 1))
    if [ "$sa" != "$sb" ] || ! diff -r -q "$d/a" "$d/b" >/dev/null ||
       { [ -n "${DIAGNOSTICHE:-}" ] && ! cmp -s "$d/a.txt" "$d/b.txt"; }; then
      diversi=$((diversi + 1))
      echo "seme $seme ${modo:-autore}: stato $sa e $sb"
    fi
  done
  rm -rf "$d"
done
echo "$contati compilazioni confrontate ($semi coppie, due modi), $diversi diverse"
[ "$diversi" -eq 0 ]
