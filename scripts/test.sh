#!/usr/bin/env bash
# Installs what is missing, builds Vimbrel and runs every test: the unit and
# Win32 tests under Wine, then the end-to-end test in a Wine desktop.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
cd "$ROOT"

install_packages
# The Windows workflow, which no machine here can run, read as GitHub reads it.
scripts/check_workflows.sh
# One format, the one .clang-format describes.
scripts/check_format.sh

# The release build is 32-bit; it must always build. Its tests run only where
# the machine can run 32-bit programs, the 64-bit build's everywhere.
tested=$(runnable_preset)
if [ "$tested" = mingw-i686 ]; then
    build mingw-i686
else
    build mingw-i686 Vimbrel
    build mingw-x86_64
fi

bits=64
[ "$tested" = mingw-i686 ] && bits=32
boot_prefix "$ROOT/build/$tested/wineprefix" "win$bits"
trap 'wineserver -k 2>/dev/null || true; stop_xvfb' EXIT
start_xvfb 95

ctest --preset "$tested"

# The release as a Windows user downloads it: made twice, the same bytes
# both times, and the unpacked program this machine runs starts on this desktop.
tests/release_test.sh "build/$tested" "$(wine_loader)" "$bits"
