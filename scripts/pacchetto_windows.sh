#!/usr/bin/env bash
# The archive of the Windows programs, DIST/compila_scenario-VERSION-win64.zip: the two
# programs, a note on use in each language (LEGGIMI.txt, README.txt: the upper-case .txt of
# each docs/LANGUAGE/), the author's reference and the man pages as plain text in each
# language (documenti/LANGUAGE/), and the example pair (examples/). The texts get CR LF, as
# Windows' own editors expect.
#   scripts/pacchetto_windows.sh BUILD_WIN VERSION DIST
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1 versione=$2
mkdir -p "$3"
dist=$(cd "$3" && pwd)
nome=compila_scenario-$versione-win64
lavoro=$(mktemp -d)
trap 'rm -rf "$lavoro"' EXIT
radice=$lavoro/$nome
mkdir -p "$radice/examples"
cp "$build/bin/compila_scenario.exe" "$build/bin/mostra_scenario.exe" "$radice/"
crlf() { sed 's/\r$//; s/$/\r/'; }
for cartella in docs/*/; do
  [ -f "$cartella/autori.md" ] || continue
  sigla=$(basename "$cartella")
  documenti=$radice/documenti/$sigla
  mkdir -p "$documenti"
  for nota in "$cartella"[A-Z]*.txt; do crlf < "$nota" > "$radice/$(basename "$nota")"; done
  crlf < "$cartella/autori.md" > "$documenti/autori.md"
  # The man pages as the programs' help on Windows: the folders beside the programs with
  # Windows' separator, the other program's page by its file, the programs by their .exe
  # names, no man-page heading or footing; lines not stretched to the margin, no word
  # broken across lines.
  for pagina in compila_scenario mostra_scenario; do
    sed -e 's|/usr/local/share/doc/compila_scenario/examples/|examples\\e|g' \
        -e "s|/usr/local/share/doc/compila_scenario/$sigla/|documenti\\\\e$sigla\\\\e|g" \
        -e "s|^\.BR \([a-z_]*\) (1)\$|.B documenti\\\\e$sigla\\\\e\1.txt|" \
        -e '/^\.\(SH\|TH\)/!s/\b\(compila_scenario\|mostra_scenario\)\b\([^.]\|$\)/\1.exe\2/g' \
        -e '/^\.TH/a .ad l' \
      "$cartella/$pagina.1" |
      groff -man -rHY=0 -Tutf8 -P-c 2>/dev/null | col -bx |
      sed '1{/^[A-Z_]*(1)/d}; ${/^[^ ].*[A-Z_]*(1)$/d}' |
      crlf > "$documenti/$pagina.txt"
  done
done
cp examples/* "$radice/examples/"
rm -f "$dist/$nome.zip"
(cd "$lavoro" && zip -qrX "$dist/$nome.zip" "$nome")
echo "$dist/$nome.zip"
