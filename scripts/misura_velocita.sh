#!/usr/bin/env bash
# The speed of whole builds, as the user starts them, against copying their outputs:
#   scripts/misura_velocita.sh [BUILD_DIR]     (default build; COPPIE= rounds, default 21)
# With PRIMA= another compila_scenario (an earlier version's), each round times it too, on
# the same texts and outputs, and the two builds are compared round by round.
# Four scenarios:
# 1. the embedded build (a copy of the program in a folder of its own), its six outputs;
# 2. the longest legal line (1000000 m, 500 curves, 58 stations, a signal every
#    kilometre: about 70 KB of texts);
# 3. the same length written as a generator writes it, many short records of each kind
#    (20000 speed limits, 20000 adhesion values, 10000 gradients, 4900 curves, 1900
#    signals, 500 indicators, 76 stations: about 1.4 MB of texts);
# 4. the same length with the densest texts (a gradient and a speed limit in every 50 m
#    cell, a curve and an adhesion value every 100 m: about 1.4 MB of texts);
# 5. the same length as a second generator writes it (sections in another order, values
#    unpadded, a note first, 20000 speed limits and adhesion values, 10000 gradients, 4900
#    curves, 1520 signals, 500 indicators, 76 stations: 1.3 MB), with one warning at the
#    end of the run text.
# Then, when the reading's fuzzer is built (make fuzz), its inputs a second under the
# sanitizers (FUZZ_SECONDI, default 60): the editor's reading on every keystroke and the
# fuzzer's reach both follow the reading's cost.
# Each round times three whole processes, in an order that turns from round to round: the
# build, which replaces the outputs of the build before as a build run again does; `cp -r`
# of its outputs into a folder of its own, made afresh each round; and `cp -r` over the
# copy of the round before. The medians are compared: a machine busy with something else
# slows all three alike. A copy over existing files also pays the file system's flush of
# the data it replaces, which the build avoids: the fresh copy is the yardstick.
# With valgrind installed (scripts/dipendenze.sh misura), the instructions of `-c` on each
# author's scenario are counted too, per byte of its texts: unlike times they do not
# depend on what else the machine does.
set -euo pipefail
cartella=${1:-build}
programma=$(realpath "$cartella/bin/compila_scenario" 2>/dev/null || true)
radice=$(cd "$(dirname "$0")/.." && pwd)
[ -x "$programma" ] || { echo "manca $cartella/bin/compila_scenario: compilare prima (make)" >&2; exit 2; }
coppie=${COPPIE:-21}
prima=""
if [ -n "${PRIMA:-}" ]; then
  prima=$(realpath "$PRIMA")
  [ -x "$prima" ] || { echo "PRIMA=$PRIMA: non è un programma" >&2; exit 2; }
fi
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
carico() { cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo "?"; }

# NOME USCITE -- COMMAND...: the build (which writes into the folder USCITE) against
# `cp -r USCITE/.` into a fresh folder and over the copy before, and with PRIMA against the
# same command run with the earlier program (a copy of it beside the embedded one's).
confronta() {
  local nome=$1 uscite=$2
  shift 3
  local sopra="$lavoro/sopra_$nome" nuova="$lavoro/nuova_$nome"
  local -a comando=("$@") comando_prima=()
  local parola
  for parola in "$@"; do
    case $parola in
      "$programma") comando_prima+=("$prima") ;;
      inc/compila_scenario) comando_prima+=(inc_prima/compila_scenario) ;;
      *) comando_prima+=("$parola") ;;
    esac
  done
  mkdir -p "$sopra"
  misura "$@" && misura cp -r "$uscite/." "$sopra/"  # warm the caches, make the outputs
  [ -z "$prima" ] || misura "${comando_prima[@]}"
  : >"$lavoro/c" && : >"$lavoro/n" && : >"$lavoro/s" && : >"$lavoro/p"
  : >"$lavoro/rn" && : >"$lavoro/rs" && : >"$lavoro/rp"
  local -a turno=(c n s)
  [ -n "$prima" ] && turno+=(p)
  local i k c n s p=0
  for ((i = 0; i < coppie; i++)); do
    rm -rf "$nuova" && mkdir "$nuova"
    # Each kind of run takes each place in the round in turn.
    for ((k = 0; k < ${#turno[@]}; k++)); do
      case ${turno[$(((i + k) % ${#turno[@]}))]} in
        c) misura "${comando[@]}"; c=$durata ;;
        n) misura cp -r "$uscite/." "$nuova/"; n=$durata ;;
        s) misura cp -r "$uscite/." "$sopra/"; s=$durata ;;
        p) misura "${comando_prima[@]}"; p=$durata ;;
      esac
    done
    echo "$c" >>"$lavoro/c" && echo "$n" >>"$lavoro/n" && echo "$s" >>"$lavoro/s" && echo "$p" >>"$lavoro/p"
    awk -v a="$c" -v b="$n" 'BEGIN { printf "%.3f\n", a / b }' >>"$lavoro/rn"
    awk -v a="$c" -v b="$s" 'BEGIN { printf "%.3f\n", a / b }' >>"$lavoro/rs"
    [ -z "$prima" ] || awk -v a="$c" -v b="$p" 'BEGIN { printf "%.3f\n", a / b }' >>"$lavoro/rp"
  done
  rm -rf "$nuova"
  c=$(mediana <"$lavoro/c")
  n=$(mediana <"$lavoro/n")
  s=$(mediana <"$lavoro/s")
  awk -v nome="$nome" -v c="$c" -v n="$n" -v s="$s" \
    -v nmin="$(sort -n "$lavoro/rn" | head -1)" -v nmax="$(sort -n "$lavoro/rn" | tail -1)" \
    -v smin="$(sort -n "$lavoro/rs" | head -1)" -v smax="$(sort -n "$lavoro/rs" | tail -1)" \
    'BEGIN {
      printf "%-16s costruzione %6.1f ms\n", nome ":", c / 1000
      printf "%-16s cp -r in una cartella nuova %6.1f ms: rapporto delle mediane %.2f (turni da %.2f a %.2f)\n", "", n / 1000, c / n, nmin, nmax
      printf "%-16s cp -r sopra i file di prima %6.1f ms: rapporto delle mediane %.2f (turni da %.2f a %.2f)\n", "", s / 1000, c / s, smin, smax
    }'
  [ -z "$prima" ] || awk -v c="$c" -v p="$(mediana <"$lavoro/p")" \
    -v pmin="$(sort -n "$lavoro/rp" | head -1)" -v pmed="$(mediana <"$lavoro/rp")" -v pmax="$(sort -n "$lavoro/rp" | tail -1)" \
    'BEGIN { printf "%-16s programma di prima %6.1f ms: rapporto delle mediane %.2f (turni da %.2f a %.2f, mediana %.2f)\n", "", p / 1000, c / p, pmin, pmax, pmed }'
}

# Instructions of `-c` on two texts, per byte of them, when valgrind is there.
istruzioni() {
  command -v valgrind >/dev/null || { echo "                 (istruzioni: manca valgrind, scripts/dipendenze.sh misura)"; return; }
  local byte istr
  byte=$(cat "$1" "$2" | wc -c)
  istr=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$programma" -c -q -l Misura -t R1 "$1" "$2" 2>&1 |
    awk '/Collected/ { gsub(",", "", $NF); print $NF }')
  awk -v i="$istr" -v b="$byte" 'BEGIN { printf "                 -c: %.1f milioni di istruzioni, %.1f per byte di testo\n", i / 1e6, i / b }'
}

echo "compila_scenario: $programma"
[ -z "$prima" ] || echo "programma di prima: $prima"
echo "mediane di $coppie turni (costruzione, copia in una cartella nuova, copia sopra${prima:+, programma di prima}), processi interi"
echo "carico della macchina all'inizio (1, 5, 15 min): $(carico)"

# The embedded build writes beside the program; its six outputs alone are copied.
mkdir inc inc_uscite inc_prima
cp "$programma" inc/
[ -z "$prima" ] || cp "$prima" inc_prima/compila_scenario
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
    m = 16 * i
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
istruzioni lunga_linea.txt lunga_R1-.txt

# The same length as a generator writes it: many short records of every kind, with the
# columns lined up. Stations every 13 km (stop cell P / 50 + 3, approach marks on the four
# cells before it), a signal every 500 m but where its cells would meet a station's, an
# indicator every 2 km, two boards: no two objects and no two approach codes in a cell.
awk 'BEGIN {
  L = 1000000; o = "molti_linea.txt"
  printf "Linea generata\r\n[generale]\r\nlunghezza percorso, %d\r\nprogressiva chilometrica uno, 0, 150300, 1\r\n", L > o
  printf "progressiva chilometrica due, 0, 0, 0\r\nprogressiva chilometrica tre, 0, 0, 0\r\n" > o
  printf "sfondo uno, 0\r\nsfondo due, 0\r\nsfondo tre, 1\r\nripetizione segnali 4 codici, 0, 900000\r\n[curve]\r\n" > o
  for (c = 0; c < 4900; c++) printf "curva%s%d, %7d, %4d\r\n", (c % 2 ? "s" : "d"), 1 + c % 6, 200 * c + 100, 60 > o
  printf "[pendenze]\r\n" > o
  for (g = 0; g < 10000; g++) printf "pendenza, %7d, %3d\r\n", 100 * g, g % 25 - 12 > o
  printf "[cartelli]\r\n" > o
  for (i = 0; i < 500; i++) printf "indicatori_vmax, %7d, %3d, %3d, %3d, %d, %3d, %3d, %3d, %d\r\n", \
    2000 * i + 1000, 80 + i % 5 * 10, 85, 90, i % 2, 80, 85, 90, 0 > o
  printf "[indicazioni]\r\ncartello_indicatore, %7d, (P.L.     )(Km 1.150)\r\n", 1150 > o
  printf "cartello_indicatore, %7d, (P.L.     )(Km 500.150)\r\n[fine]\r\n", 500150 > o
  o = "molti_R1-.txt"
  printf "Corsa generata\r\n[generale]\r\nnumero vetture, 6\r\npercentuale massa frenata, 110\r\n" > o
  printf "sabbia, 300\r\norologio, 6, 0, 0\r\n[aderenze]\r\n" > o
  for (a = 0; a < 20000; a++) printf "aderenza, %6d, %3d\r\n", 50 * a, 80 + a % 21 > o
  printf "[vel_limite]\r\n" > o
  for (v = 0; v < 20000; v++) printf "velocita, %6d, %3d\r\n", 50 * v, 60 + v % 9 * 10 > o
  printf "[stazioni]\r\n" > o
  for (i = 0; i < 76; i++) {
    p = 13000 * i + 6000; fermata[p / 50 + 3] = 1; m = 14 * i
    printf "stazione, %7d, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 30, %2d,%2d, 0, Stazione %d / Bahnhof %d\r\n", \
      p, 6 + int(m / 60), m % 60, i + 1, i + 1 > o
  }
  printf "[segnali]\r\n" > o
  for (j = 0; n < 1900; j++) {
    k = 10 * j + 6; libero = 1
    for (c = k - 8; c <= k + 4; c++) if (c in fermata) libero = 0
    if (!libero) continue
    printf "segnale, %7d, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0\r\n", 500 * j + 250 > o
    n++
  }
  printf "[fine]\r\n" > o
}'
mkdir molti
confronta "molti record" molti -- "$programma" -q -o molti -l Molti -t R1 molti_linea.txt molti_R1-.txt
echo "                 (testi $(kib molti_linea.txt molti_R1-.txt) KiB, uscite $(kib molti) KiB)"
istruzioni molti_linea.txt molti_R1-.txt

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
istruzioni densa_linea.txt densa_R1-.txt

# The same length as a second generator writes it: sections in another order, values
# unpadded, a note before each text's first section, a signal every 600 m but near the
# stations, and exactly one warning, at the last signal (a position off its 50 m cell), so
# that placing it looks at the end of a long text.
awk 'BEGIN {
  L = 1000000; o = "seconda_linea.txt"
  printf "; esportata\r\n[generale]\r\nlunghezza percorso, %d\r\nprogressiva chilometrica uno, 0, 150300, 1\r\n", L > o
  printf "progressiva chilometrica due, 0, 0, 0\r\nprogressiva chilometrica tre, 0, 0, 0\r\n" > o
  printf "sfondo uno, 0\r\nsfondo due, 0\r\nsfondo tre, 1\r\nripetizione segnali 4 codici, 0, 900000\r\n[pendenze]\r\n" > o
  for (g = 0; g < 10000; g++) printf "pendenza, %d, %d\r\n", 100 * g, g % 25 - 12 > o
  printf "[curve]\r\n" > o
  for (c = 0; c < 4900; c++) printf "curva%s%d, %d, %d\r\n", (c % 2 ? "s" : "d"), 1 + c % 6, 200 * c + 100, 60 > o
  printf "[cartelli]\r\n" > o
  for (i = 0; i < 500; i++) printf "indicatori_vmax, %d, %d, 85, 90, %d, 80, 85, 90, 0\r\n", 2000 * i + 1000, 80 + i % 5 * 10, i % 2 > o
  printf "[fine]\r\n" > o
  o = "seconda_R1-.txt"
  printf "; esportata\r\n[generale]\r\nnumero vetture, 6\r\npercentuale massa frenata, 110\r\nsabbia, 300\r\norologio, 6, 0, 0\r\n" > o
  printf "[vel_limite]\r\n" > o
  for (v = 0; v < 20000; v++) printf "velocita, %d, %d\r\n", 50 * v, 60 + v % 9 * 10 > o
  printf "[aderenze]\r\n" > o
  for (a = 0; a < 20000; a++) printf "aderenza, %d, %d\r\n", 50 * a, 80 + a % 21 > o
  printf "[stazioni]\r\n" > o
  for (i = 0; i < 76; i++) {
    p = 13000 * i + 6000; fermata[p / 50 + 3] = 1; m = 14 * i
    printf "stazione, %d, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 30, %d, %d, 0, Stazione %d\r\n", p, 6 + int(m / 60), m % 60, i + 1 > o
  }
  printf "[segnali]\r\n" > o
  for (j = 0; n < 1520; j++) {
    k = 12 * j + 6; libero = 1
    for (c = k - 8; c <= k + 4; c++) if (c in fermata) libero = 0
    if (!libero) continue
    n++
    printf "segnale, %d, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0\r\n", 600 * j + 250 + (n == 1520 ? 10 : 0) > o
  }
  printf "[fine]\r\n" > o
}'
mkdir seconda
confronta "secondo generatore" seconda -- "$programma" -q -o seconda -l Seconda -t R1 seconda_linea.txt seconda_R1-.txt
echo "                 (testi $(kib seconda_linea.txt seconda_R1-.txt) KiB, uscite $(kib seconda) KiB)"
istruzioni seconda_linea.txt seconda_R1-.txt

if [ -x /usr/bin/time ]; then
  for s in lunga molti densa seconda; do
    /usr/bin/time -f "$s: memoria di picco %M KiB, page fault %R minori %F maggiori" \
      "$programma" -q -o "$s" -l "${s^}" -t R1 "${s}_linea.txt" "${s}_R1-.txt" 2>&1 | tail -1
  done
fi
fuzzer=${FUZZER:-$radice/build-fuzz/bin/fuzz_lettura}
if [ -x "$fuzzer" ]; then
  echo "fuzzer della lettura: $("$radice/scripts/fuzz.sh" "$fuzzer" "${FUZZ_SECONDI:-60}" 2>&1 |
    grep -o 'exec/s: [0-9]*' | tail -1 | sed 's/exec\/s: //') input al secondo"
fi
echo "carico della macchina alla fine (1, 5, 15 min): $(carico)"
