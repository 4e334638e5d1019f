#!/usr/bin/env bash
# The page of a compiled scenario in a real browser: the embedded scenario and the small
# pair in tests/dati are compiled, mostra_scenario writes their pages, and then
#  - headless Chromium runs the page's script to its end without an error;
#  - the screenshot is not blank (it must be several times larger than the screenshot of
#    an empty page of the same size);
#  - the DOM the script drew holds every station name that the decoder read;
#  - for the pair tests/dati/Prova_*.txt, the values the texts wrote, as they wrote them.
#   tests/pagina_browser.sh COMPILA_SCENARIO MOSTRA_SCENARIO CARTELLA_DATI
# ESEGUI_CON, when set, starts the programs (wine64 for the Windows ones).
# Status 77 (skipped) when the browser is not installed (make test installs it).
set -euo pipefail
compila=$1 mostra=$2 dati=$3
browser=$(command -v chromium-headless-shell || true)
if [ -z "$browser" ]; then
  echo "SALTATO: serve chromium-headless-shell (scripts/dipendenze.sh prove)"
  exit 77
fi
lavoro=$(mktemp -d)
trap 'rm -rf "$lavoro"' EXIT

fotografa() {  # PAGINA PNG
  "$browser" --no-sandbox --disable-gpu --hide-scrollbars --window-size=1400,1100 \
    --screenshot="$2" "file://$1" >/dev/null 2>&1
}

controlla() {  # CARTELLA LINEA TRENO
  local cartella=$1 linea=$2 treno=$3
  local pagina="$lavoro/$linea.html"
  ${ESEGUI_CON:-} "$mostra" -C "$cartella" -o "$pagina" "$linea" "$treno"
  fotografa "$pagina" "$lavoro/$linea.png"
  local vuota dimensione
  vuota=$(stat -c %s "$lavoro/vuota.png")
  dimensione=$(stat -c %s "$lavoro/$linea.png")
  if [ "$dimensione" -lt $((vuota * 5)) ]; then
    echo "$linea: la fotografia della pagina sembra vuota ($dimensione byte, pagina vuota $vuota)" >&2
    exit 1
  fi
  "$browser" --no-sandbox --disable-gpu --dump-dom "file://$pagina" 2>/dev/null > "$lavoro/$linea.dom"
  if ! grep -q 'data-disegnata="1"' "$lavoro/$linea.dom" || grep -q 'id="errore_script">[^<]' "$lavoro/$linea.dom"; then
    echo "$linea: lo script della pagina non è arrivato in fondo: $(grep -o 'id="errore_script">[^<]*' "$lavoro/$linea.dom")" >&2
    exit 1
  fi
  local nomi=0
  while IFS= read -r nome; do
    nomi=$((nomi + 1))
    if ! grep -qF -- "$nome" "$lavoro/$linea.dom"; then
      echo "$linea: la pagina nel browser non mostra la stazione \"$nome\"" >&2
      exit 1
    fi
  done < <(${ESEGUI_CON:-} "$mostra" -C "$cartella" --json "$linea" "$treno" | sed -n 's/^      "nome": "\(.*\)",$/\1/p')
  if [ "$nomi" -eq 0 ]; then echo "$linea: nessuna stazione letta" >&2; exit 1; fi
  echo "$linea: pagina di $(stat -c %s "$pagina") byte, disegnata, $nomi stazioni nel DOM, fotografia di $dimensione byte"
}

printf '<!DOCTYPE html>\n<html><head><title>vuota</title></head><body></body></html>\n' > "$lavoro/vuota.html"
fotografa "$lavoro/vuota.html" "$lavoro/vuota.png"

# The embedded build writes beside its executable.
mkdir "$lavoro/incorporato"
cp "$compila" "$lavoro/incorporato/"
(cd "$lavoro/incorporato" && ${ESEGUI_CON:-} ./"$(basename "$compila")" >/dev/null 2>&1)
controlla "$lavoro/incorporato" Castrea_Tovena R7302
# Its six legs between stations with a time, each drawn against the fastest run with its
# slack shaded, and none that cannot be kept; the run over the limits.
margini=$(grep -o 'class="margine"' "$lavoro/Castrea_Tovena.dom" | wc -l)
if [ "$margini" -ne 6 ] || grep -q 'margine impossibile' "$lavoro/Castrea_Tovena.dom" ||
   ! grep -q '<path class="marcia" d="M' "$lavoro/Castrea_Tovena.dom"; then
  echo "Castrea_Tovena: $margini tratte disegnate con il loro margine (6 attese, nessuna impossibile), o la marcia manca" >&2
  exit 1
fi
echo "Castrea_Tovena: le 6 tratte dell'orario contro la marcia tesa"

mkdir "$lavoro/valle"
${ESEGUI_CON:-} "$compila" -o "$lavoro/valle" "$dati/Valle_linea.txt" "$dati/Valle_R1-.txt" >/dev/null
controlla "$lavoro/valle" Valle R1

mkdir "$lavoro/prova"
${ESEGUI_CON:-} "$compila" -o "$lavoro/prova" "$dati/Prova_linea.txt" "$dati/Prova_R1-.txt" >/dev/null
controlla "$lavoro/prova" Prova R1
# What the texts say, in the words of the page's hover texts and timetable.
while IFS= read -r atteso; do
  if ! grep -qF -- "$atteso" "$lavoro/Prova.dom"; then
    echo "Prova: la pagina non mostra \"$atteso\"" >&2
    exit 1
  fi
done <<'FINE'
indicatore di velocità massima a 2500 m (km 147.900): 80/80 85/85 90/90 km/h
curva a destra, classe 4 (raggio 1000 m), da 2000 m (km 148.400), lunga 300 m
segnale a 1500 m (km 148.900), cella 31 (1500-1550 m): sx 2, 3 1 0, rapp 1, dx 0, 2 0 0, tempo 101
tratto di montagna da 3000 m a 4000 m, tipo 13
rallentamento a 30 km/h da 7000 m (km 5.000) a 7400 m (km 5.400), avviso a 5800 m (km 3.800)
<td>10:04:30</td><td>10:05:00</td>
4 stazioni, 1 segnale, 1 cartello, 2 rallentamenti, 3 curve; 3 vetture,
FINE
echo "Prova: i valori dei testi sono nella pagina"

# A window on the line given in the address (#from-to, metres): only what lies in it is
# drawn, so the signal at 1500 m is there and the indicator at 2500 m is not.
"$browser" --no-sandbox --disable-gpu --dump-dom "file://$lavoro/Prova.html#1400-1900" 2>/dev/null > "$lavoro/finestra.dom"
if ! grep -qF "segnale a 1500 m" "$lavoro/finestra.dom" || grep -qF "indicatore di velocità massima a 2500 m" "$lavoro/finestra.dom" ||
   ! grep -qF "vista da 1400 m a 1900 m" "$lavoro/finestra.dom"; then
  echo "Prova: la finestra da 1400 m a 1900 m non mostra quel che contiene" >&2
  exit 1
fi
echo "Prova: la finestra sulla linea mostra solo quel che contiene"
