#!/usr/bin/env bash
# Makes a release for Windows users: the 32-bit and the 64-bit Vimbrel.exe,
# optimised for size and stripped, each zipped with the user guide and
# BUILDINFO as
#   OUTPUT/Vimbrel-<version>-win32.zip and OUTPUT/Vimbrel-<version>-win64.zip
# beside OUTPUT/BUILDINFO (the commit, the tools and the flags that built
# them), OUTPUT/SHA256SUMS for all three, and the package manifests
# OUTPUT/winget/manifests/q/Quenwald/Vimbrel/<version>/ and
# OUTPUT/scoop/vimbrel.json with the zips' addresses and hashes. The version
# is the one the program shows, as CMake derives it from the project() line
# of CMakeLists.txt.
#
# Usage: scripts/release.sh [OUTPUT [BUILD]]
#   OUTPUT  where the release goes (dist/ of the repository by default)
#   BUILD   holds the build folders release-i686 and release-x86_64 (build/
#           of the repository by default); they are made anew every time
#
# Environment:
#   VIMBREL_DOWNLOAD_URL        where the zips will be downloaded from, for the
#                               manifests; {version} stands for the version
#                               (default below)
#   VIMBREL_SIGN_CERT           a PKCS#12 file: both programs are signed with
#                               Authenticode before they are zipped
#   VIMBREL_SIGN_PASSWORD_FILE  a file holding that file's password
#   VIMBREL_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp server, optional
#
# The commit and its date come from git, or, in a folder made by git archive,
# from packaging/commit.txt, which git fills in there; a folder that has
# neither is refused. A tree that differs from its commit (changed, deleted or
# new files that git does not ignore) is released as <version>-modified, never
# under the commit's own version.
#
# Two releases of the same source give the same bytes, wherever the source and
# the build folders lie: the linker writes no time stamp, nothing in the
# program names a path, the zip entries carry the commit's time, fixed
# attributes and a fixed order, and BUILDINFO names no path. A signed release
# differs, since the signature is the signer's.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
output=$(realpath -m "${1:-$ROOT/dist}")
build_root=$(realpath -m "${2:-$ROOT/build}")
default_url="https://github.com/quenwald/vimbrel/releases/download/v{version}/"
download_url=${VIMBREL_DOWNLOAD_URL:-$default_url}
cd "$ROOT"

install_packages

if [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$(pwd -P)" ]; then
    commit=$(git rev-parse HEAD)
    epoch=$(git log -1 --format=%ct HEAD)
    source="the commit"
    [ -z "$(git status --porcelain)" ] || source="the commit with uncommitted changes"
else
    read -r commit epoch _ <packaging/commit.txt
    if ! [[ $commit =~ ^[0-9a-f]{40,64}$ && $epoch =~ ^[0-9]+$ ]]; then
        echo "Neither a git checkout nor made by git archive: no commit to name the release after." >&2
        exit 1
    fi
    # What git archive wrote is the commit as it stands: the same release as
    # from a clean checkout, to the byte.
    source="the commit"
fi

signature=none
if [ -n "${VIMBREL_SIGN_CERT:-}" ]; then
    # Refused before anything is built: a release meant to be signed must not
    # come out unsigned.
    for file in "$VIMBREL_SIGN_CERT" "${VIMBREL_SIGN_PASSWORD_FILE:-}"; do
        [ -r "$file" ] || { echo "Cannot read '$file' (VIMBREL_SIGN_CERT, VIMBREL_SIGN_PASSWORD_FILE)" >&2; exit 1; }
    done
    signature="Authenticode, SHA-256"
    timestamp=()
    if [ -n "${VIMBREL_SIGN_TIMESTAMP_URL:-}" ]; then
        timestamp=(-ts "$VIMBREL_SIGN_TIMESTAMP_URL")
        signature+=", RFC 3161 time stamp"
    fi
fi

# A fresh build folder would take these from the caller's environment; a
# release is built with the project's own flags only.
unset CFLAGS CXXFLAGS LDFLAGS RCFLAGS

builds=()
for arch in i686 x86_64; do
    dir="$build_root/release-$arch"
    # Nothing an earlier build left behind may reach the release.
    rm -rf "$dir"
    # MinSizeRel: -Os and link-time optimisation (see CMakeLists.txt). No
    # tests: a release needs neither them nor GoogleTest.
    cmake -S "$ROOT" -B "$dir" -G Ninja --toolchain "$ROOT/cmake/mingw-$arch.cmake" \
          -DCMAKE_BUILD_TYPE=MinSizeRel -DVIMBREL_TESTS=OFF >/dev/null
    cmake --build "$dir" --target Vimbrel
    if [ "$signature" != none ]; then
        # The unsigned program stays beside it for BUILDINFO: anyone can
        # rebuild that one, and osslsigncode remove-signature gives it back
        # from the signed one.
        mv "$dir/Vimbrel.exe" "$dir/Vimbrel.unsigned.exe"
        osslsigncode sign -pkcs12 "$VIMBREL_SIGN_CERT" -readpass "$VIMBREL_SIGN_PASSWORD_FILE" -h sha256 \
            -n Vimbrel -i https://github.com/quenwald/vimbrel "${timestamp[@]}" \
            -in "$dir/Vimbrel.unsigned.exe" -out "$dir/Vimbrel.exe" >/dev/null
    fi
    builds+=("$dir")
done

version=$(sed -n 's/^#define VIMBREL_VERSION_TEXT "\(.*\)"$/\1/p' "$dir/generated/version.h")
[ -n "$version" ] || { echo "No VIMBREL_VERSION_TEXT in $dir/generated/version.h" >&2; exit 1; }
[ "$source" != "the commit with uncommitted changes" ] || version+=-modified

# Debian's own Python, whose zlib BUILDINFO names: another zlib may deflate
# the same files into other bytes.
/usr/bin/python3 packaging/package.py "$output" "$version" "$commit" "$epoch" "$source" "$signature" \
    "$download_url" "${builds[@]}"

echo
echo "Release $version in $output:"
for dir in "${builds[@]}"; do
    echo "  $(stat -c %s "$dir/Vimbrel.exe") bytes  $dir/Vimbrel.exe"
done
sed 's/^/  /' "$output/SHA256SUMS"
