#!/usr/bin/env bash
# The fault suite with its long loops: 50 rounds of two concurrent author builds, of two
# concurrent embedded builds, and of interrupted builds of the 1,000,000 m line.
# Usage: scripts/prove_guasti.sh [BUILD_DIR] (default build); GUASTI_GIRI= to change 50.
set -euo pipefail
cartella=${1:-build}
eseguibile="$cartella/prove/test_completi"
[ -x "$eseguibile" ] || { echo "manca $eseguibile: compilare prima (make test)" >&2; exit 2; }
GUASTI_GIRI=${GUASTI_GIRI:-50} "$eseguibile" --gtest_filter='Guasti.*' --gtest_brief=1
