#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any of them is missing.
#   scripts/dipendenze.sh         what building and running the program needs
#   scripts/dipendenze.sh prove   also what only the tests need (a headless browser, two editors
#                                 and tmux to hold their terminal, the man pages' checker)
#   scripts/dipendenze.sh editor  what packaging the editor extension needs (node and npm)
#   scripts/dipendenze.sh windows the cross compiler for the Windows programs, Wine to run
#                                 their tests (a virtual screen, Xvfb, for their windows,
#                                 and tmux to read their console), zip, unzip and groff
#                                 for their archive, msitools' wixl and msiinfo for their
#                                 installer
#   scripts/dipendenze.sh deb     what the Debian package is made and checked with (lintian)
set -euo pipefail
pacchetti=(cmake g++ make ninja-build libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
           nlohmann-json3-dev gettext)
if [ "${1:-}" = "prove" ]; then
  pacchetti=(chromium-headless-shell neovim emacs-nox elpa-eglot mandoc tmux)
elif [ "${1:-}" = "windows" ]; then
  # The posix flavour of mingw-w64 has std::thread and std::mutex; its GoogleTest is built
  # from the sources libgtest-dev ships.
  pacchetti=(g++-mingw-w64-x86-64-posix wine64 xvfb xauth tmux zip unzip groff-base libgtest-dev nlohmann-json3-dev gettext
             cmake make ninja-build wixl msitools)
elif [ "${1:-}" = "deb" ]; then
  pacchetti=(cmake g++ make nlohmann-json3-dev gettext dpkg-dev lintian)
fi
if [ "${1:-}" = "editor" ]; then
  # A node and npm of any origin will do; Debian's otherwise.
  command -v npm >/dev/null && command -v node >/dev/null && exit 0
  pacchetti=(nodejs npm)
fi
mancanti=()
for p in "${pacchetti[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || mancanti+=("$p")
done
[ ${#mancanti[@]} -eq 0 ] && exit 0
echo "Installazione dei pacchetti mancanti: ${mancanti[*]}"
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${mancanti[@]}"
