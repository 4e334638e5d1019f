#!/usr/bin/env bash
# The bash completion of both programs against the programs themselves: every option that
# a program's --help lists is offered after "-", and nothing that it does not list; the
# values of an option, the description texts and, for mostra_scenario, the lines and
# trains of the compiled sets in its folder.
#   tests/completamento.sh COMPLETAMENTO COMPILA_SCENARIO MOSTRA_SCENARIO
set -uo pipefail
completamento=$1 compila=$2 mostra=$3
source "$completamento" || exit 1
lavoro=$(mktemp -d)
trap 'rm -rf "$lavoro"' EXIT
esito=0

# completa FUNZIONE RIGA: the candidates for the end of RIGA, one a line, sorted, as bash
# gives them with its own word breaks ("=" among them).
completa() {
  local funzione=$1
  COMP_LINE=$2
  COMP_POINT=${#COMP_LINE}
  local IFS=$' \t\n'
  # Words as bash splits them: at blanks, and "=" a word of its own.
  read -ra COMP_WORDS <<<"${COMP_LINE//=/ = }"
  [[ $COMP_LINE == *[\ =] ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  "$funzione" 2>/dev/null
  printf '%s\n' "${COMPREPLY[@]}" | sort
}

atteso() {
  local descrizione=$1 ottenuto=$2 voluto=$3
  if [[ $ottenuto != "$voluto" ]]; then
    echo "COMPLETAMENTO ($descrizione):" >&2
    diff <(echo "$voluto") <(echo "$ottenuto") >&2
    esito=1
  fi
}

# The options of a --help: its lines that start with blanks and a dash, each "-x" and
# "--name" on them before the description.
opzioni_aiuto() {
  "$1" --help | grep -E '^ +-' | sed -E 's/^ +//; s/(  |=[A-Z]| [A-Z]).*//' | tr ',' '\n' |
    sed -E 's/^ +//; s/ .*//' | grep -E '^-' | sort -u
}
# What the completion offers after "-", without the "=" that waits for a value.
for coppia in "_compila_scenario:$compila" "_mostra_scenario:$mostra"; do
  funzione=${coppia%%:*} programma=${coppia#*:}
  atteso "opzioni di $(basename "$programma")" \
    "$(completa "$funzione" "x -" | sed 's/=$//' | sort -u)" "$(opzioni_aiuto "$programma")"
done

cd "$lavoro"
mkdir uscita
touch Val_linea.txt Val_R1-.txt VAL_LINEA.TXT nota.txt pagina.html Val_linea.dat Val_R1.sim Val_R2.sim Altra_linea.dat
atteso "testi" "$(completa _compila_scenario "compila_scenario ")" $'Val_R1-.txt\nVal_linea.txt\nuscita'
atteso "-o" "$(completa _compila_scenario "compila_scenario -o ")" "uscita"
atteso "--uscita=" "$(completa _compila_scenario "compila_scenario --uscita=u")" "uscita"
atteso "--lingua=" "$(completa _compila_scenario "compila_scenario --lingua=")" $'en\nit'
atteso "--diagnostica" "$(completa _compila_scenario "compila_scenario --diagnostica=j")" "json"
atteso "--anteprima=" "$(completa _compila_scenario "compila_scenario --anteprima=")" $'pagina.html\nuscita'
atteso "--nuovo" "$(completa _compila_scenario "compila_scenario --nuovo ")" ""
atteso "linea" "$(completa _mostra_scenario "mostra_scenario ")" $'Altra\nVal'
atteso "treno" "$(completa _mostra_scenario "mostra_scenario --celle Val ")" $'R1\nR2'
atteso "-C" "$(cd / && completa _mostra_scenario "mostra_scenario -C $lavoro V")" "Val"
atteso "--codifica=" "$(completa _mostra_scenario "mostra_scenario --codifica=")" $'latin1\nutf8'
[ $esito -eq 0 ] && echo "completamento: opzioni di entrambi i programmi come il loro --help, valori, testi, linee e treni"
exit $esito
