#!/usr/bin/env bash
# The speed of whole builds, as the user starts them, against copying their outputs:
#   scripts/misura_velocita.sh [BUILD_DIR]     (default build; COPPIE= pairs, default 21)
# 1. the embedded build (a copy of the program in a folder of its own) against `cp -r` of
#    its six outputs;
# 2. the longest legal line (1000000 m, 500 curves, 58 stations, a signal every
#    kilometre: about 70 KB of texts) against `cp -r` of its three compiled files;
# 3. the same length with the densest texts (a gradient and a speed limit in every 50 m
#    cell, a curve and an adhesion value every 100 m: about 1.4 MB of texts), against
#    `cp -r` of its compiled files.
# Each build replaces the outputs of the one before, as a build run again does; each copy
# replaces those of the copy before. Build and copy run in pairs, each pair in the other
# order from the one before, and the medians are compared: a machine busy with something
# else slows both alike. Run it on an otherwise idle machine.
set -euo pipefail
cartella=${1:-build}
programma=$(realpath "$cartella/bin/compila_scenario" 2>/dev/null || true)
[ -x "$programma" ] || { echo "manca $cartella/bin/compila_scenario: compilare prima (make)" >&2; exit 2; }
coppie=${COPPIE:-21}
lavoro=$(mktemp -d)
trap 'rm -rf "$lavoro"' EXIT
cd "$lavoro"

# Wall time of one run of "$@", in microseconds, into $durata; the run must succeed.
misura() {
  local inizio=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 || { echo "non riuscito: $*" >&2; exit 1; }
  local fine=$EPOCHREALTIME
  durata=$((10#${fine//[.,]/} - 10#${inizio//[.,]/}))
}

mediana() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
kib() { du -sk "$@" | awk '{ s += $1 } END { printf "%d", s }'; }

# NOME USCITE -- COMMAND...: the build (which writes into the folder USCITE) against
# `cp -r USCITE/. copia/`.
confronta() {
  local nome=$1 uscite=$2
  shift 3
  local copia="$lavoro/copia_$nome"
  mkdir -p "$copia"
  misura "$@" && misura cp -r "$uscite/." "$copia/"  # warm the caches, make the outputs
  : >"$lavoro/c" && : >"$lavoro/p" && : >"$lavoro/r"
  local i c p
  for ((i = 0; i < coppie; i++)); do
    if ((i % 2 == 0)); then
      misura "$@"; c=$durata
      misura cp -r "$uscite/." "$copia/"; p=$durata
    else
      misura cp -r "$uscite/." "$copia/"; p=$durata
      misura "$@"; c=$durata
    fi
    echo "$c" >>"$lavoro/c" && echo "$p" >>"$lavoro/p"
    awk -v a="$c" -v b="$p" 'BEGIN { printf "%.3f\n", a / b }' >>"$lavoro/r"
  done
  c=$(mediana <"$lavoro/c")
  p=$(mediana <"$lavoro/p")
  awk -v n="$nome" -v c="$c" -v p="$p" -v k="$coppie" \
    -v rmin="$(sort -n "$lavoro/r" | head -1)" -v rmax="$(sort -n "$lavoro/r" | tail -1)" \
    'BEGIN { printf "%-16s costruzione %7.1f ms, cp -r %7.1f ms, rapporto delle mediane %.2f (%d coppie; rapporti delle coppie da %.2f a %.2f)\n", n ":", c / 1000, p / 1000, c / p, k, rmin, rmax }'
}

echo "compila_scenario: $programma"
echo "mediane di $coppie coppie (costruzione e cp -r alternate), processi interi"

# The embedded build writes beside the program; its six outputs alone are copied.
mkdir inc inc_uscite
cp "$programma" inc/
inc/compila_scenario 2>/dev/null
cp inc/*.dat inc/*.sim inc/*.txt inc_uscite/
confronta incorporato inc_uscite -- inc/compila_scenario
echo "                 (uscite $(kib inc_uscite) KiB)"

# The longest line, 1000000 m: curves, gradients and boards along the whole line, as
# many stations as the table holds beside the boards (78 - 20), a signal every km.
# Every record in order of position, every value in its range, no two objects in a cell.
awk 'BEGIN {
  L = 1000000; o = "lunga_linea.txt"
  printf "[generale]\r\nlunghezza percorso, %d\r\nprogressiva chilometrica uno, 0, 150300, 1\r\n", L > o
  printf "progressiva chilometrica due, 0, 0, 0\r\nprogressiva chilometrica tre, 0, 0, 0\r\n" > o
  printf "sfondo uno, 0\r\nsfondo due, 0\r\nsfondo tre, 1\r\nripetizione segnali 4 codici, 0, 900000\r\n[curve]\r\n" > o
  for (c = 0; c < 500; c++) printf "curva%s%d, %d, 300\r\n", (c % 2 ? "s" : "d"), 1 + c % 6, 2000 * c + 100 > o
  printf "[pendenze]\r\n" > o
  for (g = 0; g < 200; g++) printf "pendenza, %d, %d\r\n", 5000 * g, g % 25 - 12 > o
  printf "[indicazioni]\r\n" > o
  for (b = 0; b < 20; b++) printf "cartello_indicatore, %d, (P.L.     )(Km %d.250)\r\n", 50000 * b + 250, 50 * b > o
  printf "[fine]\r\n" > o
  o = "lunga_R1-.txt"
  printf "[generale]\r\nnumero vetture, 6\r\npercentuale massa frenata, 110\r\nsabbia, 300\r\norologio, 6 0 0\r\n" > o
  printf "[aderenze]\r\naderenza, 0, 100\r\n[vel_limite]\r\n" > o
  for (v = 0; v < 100; v++) printf "velocita, %d, %d\r\n", 10000 * v, 80 + v % 5 * 10 > o
  printf "[stazioni]\r\n" > o
  for (i = 0; i < 58; i++) {
    m = 10 * i
    printf "stazione, %d, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 30, %d,%d,0, Stazione %d / Bahnhof %d\r\n", \
      17000 * i + 8000, 6 + int(m / 60), m % 60, i + 1, i + 1 > o
  }
  printf "[segnali]\r\n" > o
  for (j = 0; j < L / 1000; j++) printf "segnale, %d, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n", 1000 * j + 500 > o
  printf "[fine]\r\n" > o
}'
mkdir lunga
confronta "linea massima" lunga -- "$programma" -q -o lunga -l Lunga -t R1 lunga_linea.txt lunga_R1-.txt
echo "                 (testi $(kib lunga_linea.txt lunga_R1-.txt) KiB, uscite $(kib lunga) KiB)"

# The same line with the densest texts: a gradient and a speed limit for every cell, a
# curve and an adhesion value every 100 m, each in order of position and in range.
awk 'BEGIN {
  L = 1000000
  while ((getline riga < "lunga_linea.txt") > 0) {
    sub(/\r$/, "", riga)
    if (riga == "[curve]") { print "[curve]\r" > "densa_linea.txt"
      for (c = 0; c < L / 100; c++) printf "curva%s%d, %d, 50\r\n", (c % 2 ? "s" : "d"), 1 + c % 6, 100 * c > "densa_linea.txt"
      continue }
    if (riga == "[pendenze]") { print "[pendenze]\r" > "densa_linea.txt"
      for (g = 0; g < L / 50; g++) printf "pendenza, %d, %d\r\n", 50 * g, g % 25 - 12 > "densa_linea.txt"
      continue }
    if (riga ~ /^(curva|pendenza)/) continue
    print riga "\r" > "densa_linea.txt"
  }
  while ((getline riga < "lunga_R1-.txt") > 0) {
    sub(/\r$/, "", riga)
    if (riga ~ /^(aderenza|velocita),/) continue
    print riga "\r" > "densa_R1-.txt"
    if (riga == "[aderenze]")
      for (a = 0; a < L / 100; a++) printf "aderenza, %d, %d\r\n", 100 * a, 90 + a % 20 > "densa_R1-.txt"
    if (riga == "[vel_limite]")
      for (v = 0; v < L / 50; v++) printf "velocita, %d, %d\r\n", 50 * v, 80 + v % 9 * 10 > "densa_R1-.txt"
  }
}'
mkdir densa
confronta "testi massimi" densa -- "$programma" -q -o densa -l Densa -t R1 densa_linea.txt densa_R1-.txt
echo "                 (testi $(kib densa_linea.txt densa_R1-.txt) KiB, uscite $(kib densa) KiB)"

if [ -x /usr/bin/time ]; then
  for s in lunga densa; do
    /usr/bin/time -f "$s: memoria di picco %M KiB, page fault %R minori %F maggiori" \
      "$programma" -q -o "$s" -l "${s^}" -t R1 "${s}_linea.txt" "${s}_R1-.txt" 2>&1 | tail -1
  done
fi
