#!/usr/bin/env bash
# The release as a Windows user downloads it.
#
# scripts/release.sh runs twice: once from this tree, once from a copy of it
# in a temporary folder, each in build folders of its own. Both must give the
# same bytes, zip for zip, BUILDINFO and SHA256SUMS too: a time stamp in the
# program or in a zip entry, a source or build path compiled in or written
# down, or anything an old build folder leaves behind makes cmp fail. A
# committed tree is copied with git archive, so the copy has no .git and must
# take the commit and its date from what git archive wrote into it; a tree
# with uncommitted changes (released as <version>-modified) is cloned and the
# same changes laid over the clone, since only git can tell that the copy
# differs from its commit.
#
# The manifests must name the zips and hashes just made, with their formats'
# required fields. A third release is signed with a throwaway self-signed
# certificate, made here and removed at the end: both programs in it must
# pass osslsigncode verify, and the unsigned program must not.
#
# Then the program this machine runs, unpacked from its zip as a user would,
# must pass the end-to-end start scenario: icon, balloon, a second copy ending
# silently, idle priority. That is what the size flags (-Os, link-time
# optimisation, dropped library code) could break without any unit test
# noticing, since the unit tests are built without them. Libraries planted
# beside it must not run: each program imports known DLLs only
# (check_release.py), and looks for no other library in its own folder.
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
check=$PWD/build/release-check
tested=$(realpath "${1:-build/mingw-x86_64}")
# Outside the tree: the copy must find no .git above it, and the throwaway key must not stay.
away=$(mktemp -d)
trap 'rm -rf "$away"' EXIT
rm -rf "$check"
scripts/release.sh "$check/first" "$check/build-first"
if [ -z "$(git status --porcelain)" ]; then
    git archive --prefix=source/ HEAD | tar -x -C "$away"
else
    git clone -q --shared . "$away/source"
    git diff HEAD --binary | git -C "$away/source" apply --allow-empty
    git ls-files -z --others --exclude-standard | xargs -0r cp --parents -t "$away/source"
fi
"$away/source/scripts/release.sh" "$check/second" "$check/build-second"
for file in "$check"/first/{*.zip,BUILDINFO,SHA256SUMS}; do cmp "$file" "$check/second/${file##*/}"; done
(cd "$check/first" && sha256sum --quiet --strict -c SHA256SUMS)
/usr/bin/python3 tests/check_release.py "$check/first" "https://github.com/quenwald/vimbrel/releases/download/v{version}/"

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$away/key.pem" -out "$away/cert.pem" -days 2 \
    -subj "/CN=Vimbrel release test" -addext extendedKeyUsage=codeSigning 2>/dev/null
echo "throwaway" >"$away/password"
openssl pkcs12 -export -inkey "$away/key.pem" -in "$away/cert.pem" -out "$away/signer.p12" -passout "file:$away/password"
VIMBREL_SIGN_CERT=$away/signer.p12 VIMBREL_SIGN_PASSWORD_FILE=$away/password \
    scripts/release.sh "$check/signed" "$check/build-signed"
for exe in "$check"/build-signed/release-*/Vimbrel.exe; do osslsigncode verify -CAfile "$away/cert.pem" -in "$exe" >/dev/null; done
# The same check of an unsigned program must fail, or it proves nothing.
osslsigncode verify -CAfile "$away/cert.pem" -in "$check/build-first/release-i686/Vimbrel.exe" >/dev/null 2>&1 && exit 1

python3 -m zipfile -e "$check"/first/Vimbrel-*-win"${3:-64}".zip "$check/unpacked"
# Beside it, stand-ins named as libraries that it or the shell may look for in its folder (no known DLL is
# looked for there): none may run. Wine takes such a name from there only where its own copy is marked as
# replaceable (userenv, dwmapi, propsys, msctf); the others stand for Windows. Not shcore: Wine's shlwapi,
# loaded for the program's shell32 before its first instruction, takes it from there, where Windows loads
# the dependencies of a known DLL from System32.
for name in userenv iphlpapi uxtheme version dwmapi cryptbase propsys msctf; do
    cp "$tested/tests/e2e/stand_in.dll" "$check/unpacked/$name.dll"
done
python3 tests/e2e/run_e2e.py --only start --exe "$check/unpacked/Vimbrel.exe" --work "$check/e2e" \
    --probe "$tested/tests/e2e/tray_probe.exe" --prefix "$tested/wineprefix" --wine "${2:-/usr/lib/wine/wine64}"
ran=$(find "$check/unpacked" -name "*.ran" -printf "%f ")
[ -z "$ran" ] || { echo "not ok - libraries planted beside Vimbrel.exe ran inside it: $ran" >&2; exit 1; }
