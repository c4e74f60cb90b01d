#!/usr/bin/env bash
# The release as a Windows user downloads it.
#
# scripts/release.sh runs twice: once in the usual build folders, once in
# fresh ones of its own under build/release-check. Both must give the same
# bytes, zip for zip and SHA256SUMS too: a time stamp in the program or in a
# zip entry, a build path compiled in, or anything an old build folder leaves
# behind makes cmp fail. Then the program this machine runs, unpacked from its zip as a
# user would, must pass the end-to-end start scenario: icon, balloon, a
# second copy ending silently, idle priority. That is what the size flags
# (-Os, link-time optimisation, dropped library code) could break without any
# unit test noticing, since the unit tests are built without them.
#
# Usage: tests/release_test.sh [TEST_BUILD [WINE [BITS]]]
#   TEST_BUILD  the test build whose tray_probe.exe and booted wineprefix the
#               end-to-end driver uses, from the repository's top
#               (build/mingw-x86_64 by default)
#   WINE        the loader that runs them (/usr/lib/wine/wine64 by default)
#   BITS        which zip's program to start: 64 (the default) or 32
# It needs an X display; scripts/test.sh runs it after ctest, with its Xvfb
# and its prefix. With set -e, each step that fails ends the test.
set -euo pipefail
cd "$(dirname "$0")/.."
check=build/release-check
tested=$(realpath "${1:-build/mingw-x86_64}")
rm -rf "$check"
scripts/release.sh "$check/first"
scripts/release.sh "$check/second" "$check/build"
for file in "$check"/first/*.zip "$check/first/SHA256SUMS"; do cmp "$file" "$check/second/${file##*/}"; done
python3 -m zipfile -e "$check"/first/Vimbrel-*-win"${3:-64}".zip "$check/unpacked"
python3 tests/e2e/run_e2e.py --only start --exe "$check/unpacked/Vimbrel.exe" --work "$check/e2e" \
    --probe "$tested/tests/e2e/tray_probe.exe" --prefix "$tested/wineprefix" --wine "${2:-/usr/lib/wine/wine64}"
