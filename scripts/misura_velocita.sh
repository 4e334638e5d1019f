#!/usr/bin/env bash
# The speed of whole builds as processes, against copying their outputs with cp:
#   scripts/misura_velocita.sh <compila_scenario> [runs]
# 1. the embedded build (a copy of the program in a private folder) against `cp -r` of
#    its six outputs;
# 2. the longest legal scenario (a 1000000 m line with 500 curves, 58 stations and a
#    signal every kilometre) against `cp` of its three compiled files.
# Runs alternate (build, copy, build, copy...) and the medians are printed, with the
# ratio, the peak memory and the page faults of one build.
set -euo pipefail
programma=$(realpath "$1")
volte=${2:-9}
lavoro=$(mktemp -d)
trap 'rm -rf "$lavoro"' EXIT

ms() { date +%s%N; }
mediana() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# Wall time in microseconds of one command.
tempo() {
  local inizio fine
  inizio=$(ms)
  "$@" >/dev/null 2>&1
  fine=$(ms)
  echo $(((fine - inizio) / 1000))
}

confronta() {
  local nome=$1 costruzione=$2 copia=$3
  : >"$lavoro/c" && : >"$lavoro/p"
  for _ in $(seq "$volte"); do
    tempo bash -c "$costruzione" >>"$lavoro/c"
    tempo bash -c "$copia" >>"$lavoro/p"
  done
  local c p
  c=$(mediana <"$lavoro/c")
  p=$(mediana <"$lavoro/p")
  echo "$nome: costruzione $c us, copia $p us, rapporto $(awk -v a="$c" -v b="$p" 'BEGIN {printf "%.2f", a / b}')"
}

mkdir -p "$lavoro/inc" "$lavoro/inc_copia"
cp "$programma" "$lavoro/inc/"
"$lavoro/inc/$(basename "$programma")" 2>/dev/null
confronta "incorporato" "'$lavoro/inc/$(basename "$programma")'" \
  "rm -rf '$lavoro/inc_copia' && mkdir '$lavoro/inc_copia' && cp -r '$lavoro/inc/'*.dat '$lavoro/inc/'*.sim '$lavoro/inc/'*.txt '$lavoro/inc_copia/'"

python3 - "$lavoro" <<'PY'
import sys
d = sys.argv[1]
L = 1000000
r = ["[generale]", "lunghezza percorso, %d" % L, "progressiva chilometrica uno, 0, 150300, 1",
     "progressiva chilometrica due, 0, 0, 0", "progressiva chilometrica tre, 0, 0, 0",
     "sfondo uno, 0", "sfondo due, 0", "sfondo tre, 1", "ripetizione segnali 4 codici, 0, 900000", "[curve]"]
r += ["curva%s%d, %d, 300" % ("d" if c % 2 == 0 else "s", 1 + c % 6, 2000 * c + 100) for c in range(500)]
r += ["[pendenze]"] + ["pendenza, %d, %d" % (5000 * g, g % 25 - 12) for g in range(200)]
r += ["[indicazioni]"] + ["cartello_indicatore, %d, (P.L.     )(Km %d.250)" % (50000 * b + 250, 50 * b) for b in range(20)]
r += ["[fine]"]
open(d + "/Massima_linea.txt", "w").write("\r\n".join(r) + "\r\n")
t = ["[generale]", "numero vetture, 6", "percentuale massa frenata, 110", "sabbia, 300", "orologio, 6 0 0",
     "[aderenze]", "aderenza, 0, 100", "[vel_limite]"]
t += ["velocita, %d, %d" % (10000 * v, 80 + v % 5 * 10) for v in range(100)]
t += ["[stazioni]"]
for i in range(58):
    m = 10 * i
    t.append("stazione, %d, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 30, %d,%d,0, Stazione %d / Bahnhof %d"
             % (17000 * i + 8000, 6 + m // 60, m % 60, i + 1, i + 1))
t += ["[segnali]"] + ["segnale, %d, 2, 4, 0, 0, 0, 0, 0,0,0, 0" % (1000 * j + 500) for j in range(L // 1000)]
t += ["[fine]"]
open(d + "/Massima_R1-.txt", "w").write("\r\n".join(t) + "\r\n")
PY
mkdir -p "$lavoro/mas" "$lavoro/mas_copia"
( cd "$lavoro" && "$programma" -q -o mas Massima_linea.txt Massima_R1-.txt 2>/dev/null || "$programma" -o mas Massima_linea.txt Massima_R1-.txt )
confronta "linea massima" "cd '$lavoro' && '$programma' -o mas Massima_linea.txt Massima_R1-.txt" \
  "cp '$lavoro/mas/'* '$lavoro/mas_copia/'"
( cd "$lavoro" && /usr/bin/time -f "linea massima: memoria di picco %M KiB, page fault %R minori %F maggiori" \
    "$programma" -o mas Massima_linea.txt Massima_R1-.txt ) 2>&1 | tail -1
