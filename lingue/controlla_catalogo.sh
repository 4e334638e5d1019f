#!/usr/bin/env bash
# Every id the sources name (the first argument of frase, traduci and dal_catalogo) has a
# text in each catalogue of lingue/, as gettext's own tools see it: xgettext collects the
# ids into a template, msgcmp finds each one missing or untranslated in a catalogue.
#   lingue/controlla_catalogo.sh RADICE
set -euo pipefail
radice=$1
command -v xgettext >/dev/null && command -v msgcmp >/dev/null || { echo "xgettext o msgcmp mancanti"; exit 77; }
appunti=$(mktemp -d)
trap 'rm -rf "$appunti"' EXIT
cd "$radice"
find app editors lingue lsp model nucleo output piattaforma scenario text track vista -name '*.cpp' -o -name '*.h' |
  grep -v '_test\.cpp$' | sort >"$appunti/sorgenti"
xgettext --language=C++ --from-code=UTF-8 --keyword= --keyword=frase:1 --keyword=traduci:1 --keyword=dal_catalogo:1 \
  --files-from="$appunti/sorgenti" --output="$appunti/codice.pot"
n=$(grep -c '^msgid "[^"]' "$appunti/codice.pot" || true)
esito=0
# The ids made while running (a diagnostic's number, a record of the format) are not
# named in the sources: msgcmp's word that an entry is not used is left out.
for po in lingue/*.po; do
  msgcmp "$po" "$appunti/codice.pot" 2>"$appunti/esito" || esito=1
  grep -v 'warning: this message is not used' "$appunti/esito" >&2 || true
done
echo "$n testi nominati dal codice, ciascuno in $(ls lingue/*.po | tr '\n' ' ')"
exit $esito
