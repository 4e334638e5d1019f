#!/usr/bin/env bash
# `make install` as a packager runs it: the build's install under DESTDIR with a prefix of
# its own, every file where GNUInstallDirs puts it, nothing outside DESTDIR, the man pages
# naming the documents under the prefix alone, and clean under mandoc's and groff's checks.
#   tests/installazione.sh BUILD
set -uo pipefail
build=$1
lavoro=$(mktemp -d)
trap 'rm -rf "$lavoro"' EXIT
prefisso=/opt/compila-prova-$$
radice=$lavoro/radice
if ! DESTDIR=$radice cmake --install "$build" --prefix "$prefisso" >"$lavoro/install.out" 2>&1; then
  cat "$lavoro/install.out" >&2
  exit 1
fi
esito=0
sbaglio() { echo "INSTALLAZIONE: $*" >&2; esito=1; }
[ -e "$prefisso" ] && sbaglio "scritto fuori da DESTDIR: $prefisso"
dentro=$radice$prefisso
for f in bin/compila_scenario bin/mostra_scenario \
         share/man/man1/compila_scenario.1 share/man/man1/mostra_scenario.1 \
         share/man/en/man1/compila_scenario.1 share/man/en/man1/mostra_scenario.1 \
         share/doc/compila_scenario/it/autori.md share/doc/compila_scenario/en/autori.md \
         share/doc/compila_scenario/examples/Valmora_linea.txt \
         share/bash-completion/completions/compila_scenario share/bash-completion/completions/mostra_scenario; do
  [ -f "$dentro/$f" ] || sbaglio "manca $prefisso/$f"
done
[ -x "$dentro/bin/compila_scenario" ] || sbaglio "compila_scenario non eseguibile"
# Only the prefix's folder under DESTDIR: nothing else was made.
[ "$(ls "$radice")" = "${prefisso#/}" ] || [ "$(cd "$radice" && find . -mindepth 1 -maxdepth 1)" = "./opt" ] ||
  sbaglio "altro sotto DESTDIR: $(ls "$radice")"
for pagina in "$dentro"/share/man/man1/*.1 "$dentro"/share/man/en/man1/*.1; do
  grep -q "$prefisso/share/doc/compila_scenario/[a-z]*/autori.md" "$pagina" || sbaglio "$pagina non nomina il riferimento sotto $prefisso"
  grep -qE "/usr/local|$radice" "$pagina" && sbaglio "$pagina nomina /usr/local o DESTDIR"
  groff_avvisi=$(LC_ALL=C.UTF-8 groff -ww -man -Tutf8 -z "$pagina" 2>&1)
  [ -z "$groff_avvisi" ] || sbaglio "groff -ww: $groff_avvisi"
  if command -v mandoc >/dev/null; then
    mandoc_avvisi=$(mandoc -Tlint -W warning "$pagina" 2>&1)
    [ -z "$mandoc_avvisi" ] || sbaglio "mandoc -Tlint: $mandoc_avvisi"
  fi
done
[ $esito -eq 0 ] && echo "installazione: $(cd "$radice" && find . -type f | wc -l) file sotto DESTDIR$prefisso, pagine senza avvisi"
exit $esito
