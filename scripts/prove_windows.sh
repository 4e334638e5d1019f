#!/usr/bin/env bash
# The tests of the Windows programs, run under Wine with a Wine prefix of the build folder.
#   scripts/prove_windows.sh BUILD_WIN
set -euo pipefail
build=$(cd "$1" && pwd)
export WINEPREFIX="$build/wine" WINEDEBUG=-all
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
# One server for the whole run: a program's start then costs a tenth of a second instead
# of seconds. The server and Wine's own services are started here, apart from ctest, so
# that they hold none of its pipes (ctest waits for a test's output to close).
"$wineserver" -p </dev/null >/dev/null 2>&1
trap '"$wineserver" -k || true' EXIT
"$wine64" cmd /c exit </dev/null >/dev/null 2>&1 || true
cd "$build"
ctest --output-on-failure
