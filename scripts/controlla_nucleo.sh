#!/usr/bin/env bash
# The compile core turns bytes into bytes: no file system, no ending of the process, no
# state shared by the whole process, nothing of the edge. Fails naming every line that
# breaks this in the core's folders (tests included: they drive the core in memory).
set -uo pipefail
cd "$(dirname "$0")/.."
cartelle=(model text track output scenario nucleo vista)
trovati=0
segnala() {
  local cosa=$1 modello=$2
  local righe
  righe=$(grep -rnE "$modello" "${cartelle[@]}" --include='*.cpp' --include='*.h' |
    grep -vE '[[:space:]](constexpr|const)[[:space:]]' || true)
  if [ -n "$righe" ]; then
    echo "nucleo: $cosa:"
    echo "$righe"
    trovati=1
  fi
}
segnala "file system" '#include <(filesystem|fstream|fcntl\.h|unistd\.h|sys/)|(^|[^_[:alnum:]])(std::)?(fopen|popen|freopen|remove|rename|tmpfile)[[:space:]]*\('
segnala "fine del processo" '(^|[^_[:alnum:]])(std::)?(exit|_Exit|quick_exit|abort)[[:space:]]*\('
segnala "stato del processo" '(^|[[:space:]])static[[:space:]]+([[:alnum:]_:<>]+[[:space:]]+)+[[:alnum:]_]+[[:space:]]*(=|;|\{)' 
segnala "parte del bordo" '#include "(app|piattaforma)/'
exit "$trovati"
