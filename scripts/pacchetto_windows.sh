#!/usr/bin/env bash
# The Windows programs as their users get them, in DIST:
#  - compila_scenario-VERSION-win64.zip: the two programs, a note on use in each language
#    (LEGGIMI.txt, README.txt: the upper-case .txt of each docs/LANGUAGE/), the author's
#    reference and the man pages as plain text in each language (documenti/LANGUAGE/), the
#    example pair (examples/) and, when given, the editor extension (editor/);
#  - with --msi, compila_scenario-VERSION-win64.msi, the installer of the same files
#    (made by msitools' wixl from pacchetti/windows/compila_scenario.wxs.in);
#  - beside each, its SHA-256 in the form sha256sum writes and checks (Windows:
#    certutil -hashfile FILE SHA256, or Get-FileHash).
# The texts get CR LF and a UTF-8 byte-order mark, as Windows' own editors expect (Notepad
# before Windows 10 reads a text without one in the ANSI code page).
#   scripts/pacchetto_windows.sh [--msi] BUILD_WIN VERSION DIST [VSIX]
set -euo pipefail
cd "$(dirname "$0")/.."
msi=0
if [ "${1:-}" = "--msi" ]; then msi=1; shift; fi
build=$1 versione=$2 vsix=${4:-}
mkdir -p "$3"
dist=$(cd "$3" && pwd)
nome=compila_scenario-$versione-win64
lavoro=$(mktemp -d)
trap 'rm -rf "$lavoro"' EXIT
radice=$lavoro/$nome
mkdir -p "$radice/examples"
cp "$build/bin/compila_scenario.exe" "$build/bin/mostra_scenario.exe" "$radice/"
crlf() { printf '\xef\xbb\xbf'; sed 's/\r$//; s/$/\r/'; }
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
if [ -n "$vsix" ]; then
  mkdir -p "$radice/editor"
  cp "$vsix" "$radice/editor/compila-scenario.vsix"
fi
impronta() { (cd "$dist" && sha256sum "$1" > "$1.sha256"); }
rm -f "$dist/$nome.zip"
(cd "$lavoro" && zip -qrX "$dist/$nome.zip" "$nome")
impronta "$nome.zip"
echo "$dist/$nome.zip"
[ $msi -eq 1 ] || exit 0

# The installer: every file of the archive under Program Files, each a component of its
# own (its GUID drawn from its path, so that every version names it alike), the programs'
# folder on PATH, the Start menu's entries, the entry of Explorer's menu on the texts.
guid() {
  local h
  h=$(printf 'compila_scenario/%s' "$1" | md5sum | cut -c1-32 | tr a-f A-F)
  echo "${h:0:8}-${h:8:4}-${h:12:4}-${h:16:4}-${h:20:12}"
}
id_di() { printf 'f_%s' "$(printf '%s' "$1" | md5sum | cut -c1-24)"; }
# Folders, and the files in each, as WiX elements.
cartelle_wxs() {
  local cartella=$1 rientro=$2 f voce
  for f in "$radice/$cartella"*; do
    voce=${f#"$radice/"}
    if [ -d "$f" ]; then
      echo "$rientro<Directory Id=\"$(id_di "$voce/")\" Name=\"$(basename "$f")\">"
      cartelle_wxs "$voce/" "$rientro  "
      echo "$rientro</Directory>"
    else
      echo "$rientro<Component Id=\"$(id_di "$voce")\" Guid=\"$(guid "$voce")\" Win64=\"yes\">"
      echo "$rientro  <File Id=\"$(id_di "$voce")\" Name=\"$(basename "$f")\" Source=\"$nome/$voce\" KeyPath=\"yes\"/>"
      echo "$rientro</Component>"
    fi
  done
}
riferimenti_wxs() {
  (cd "$radice" && find . -type f | sed 's|^\./||' | sort) | while IFS= read -r voce; do
    echo "      <ComponentRef Id=\"$(id_di "$voce")\"/>"
  done
}
cp pacchetti/windows/compila_scenario.ico "$lavoro/compila_scenario.ico"
{
  sed -n '1,/^@CARTELLE@$/p' pacchetti/windows/compila_scenario.wxs.in | sed '$d'
  cartelle_wxs "" "          "
  sed -n '/^@CARTELLE@$/,/^@COMPONENTI@$/p' pacchetti/windows/compila_scenario.wxs.in | sed '1d;$d'
  riferimenti_wxs
  sed -n '/^@COMPONENTI@$/,$p' pacchetti/windows/compila_scenario.wxs.in | sed '1d'
} | sed -e "s/@VERSIONE@/$versione/g" \
        -e "s/@ID_PROGRAMMA@/$(id_di compila_scenario.exe)/g" \
        -e "s/@ID_MOSTRA@/$(id_di mostra_scenario.exe)/g" \
        -e "s/@ID_AUTORI_IT@/$(id_di documenti/it/autori.md)/g" \
        -e "s/@ID_AUTORI_EN@/$(id_di documenti/en/autori.md)/g" \
        -e "s/@ID_LEGGIMI@/$(id_di LEGGIMI.txt)/g" \
        -e "s/@ID_ESEMPI@/$(id_di examples/)/g" >"$lavoro/compila_scenario.wxs"
(cd "$lavoro" && wixl -a x64 -o "$nome.msi" compila_scenario.wxs)
# wixl writes no Environment table: the programs' folder goes on the system's PATH (and
# off it on removal) through Windows Installer's own table and its two actions.
printf 'Environment\tName\tValue\tComponent_\ns72\tl255\tL255\ts72\nEnvironment\tEnvironment\n' >"$lavoro/Environment.idt"
printf 'PATH\t=-*PATH\t[~];[INSTALLDIR]\t%s\n' "$(id_di compila_scenario.exe)" >>"$lavoro/Environment.idt"
msiinfo export "$lavoro/$nome.msi" InstallExecuteSequence >"$lavoro/InstallExecuteSequence.idt"
printf 'RemoveEnvironmentStrings\t\t3300\nWriteEnvironmentStrings\t\t5200\n' >>"$lavoro/InstallExecuteSequence.idt"
(cd "$lavoro" && msibuild "$nome.msi" -i Environment.idt -i InstallExecuteSequence.idt)
cp "$lavoro/$nome.msi" "$dist/$nome.msi"
impronta "$nome.msi"
echo "$dist/$nome.msi"
