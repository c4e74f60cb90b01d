#!/usr/bin/env bash
# Makes a release for Windows users: the 32-bit and the 64-bit Vimbrel.exe,
# optimised for size and stripped, each zipped with the user guide as
#   OUTPUT/Vimbrel-<version>-win32.zip and OUTPUT/Vimbrel-<version>-win64.zip
# and OUTPUT/SHA256SUMS for both. The version is the one the program shows,
# as CMake derives it from the project() line of CMakeLists.txt.
#
# Usage: scripts/release.sh [OUTPUT [BUILD]]
#   OUTPUT  where the zips go (dist/ of the repository by default)
#   BUILD   holds the build folders release-i686 and release-x86_64 (build/
#           of the repository by default); they are reused when they exist
#
# Two runs on the same commit give the same bytes, wherever they build: the
# linker writes no time stamp, nothing in the program names a build path, and
# the zip entries carry the commit's time, fixed attributes and a fixed order.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
output=$(realpath -m "${1:-$ROOT/dist}")
build_root=$(realpath -m "${2:-$ROOT/build}")
cd "$ROOT"

install_packages

# The zip entries' time: SOURCE_DATE_EPOCH when the caller sets one, else the
# commit's own, else the earliest a zip can hold (1980-01-01).
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 315532800)}

# A fresh build folder would take these from the caller's environment; a
# release is built with the project's own flags only.
unset CFLAGS CXXFLAGS LDFLAGS RCFLAGS

mkdir -p "$output"
zips=()
for arch in i686 x86_64; do
    dir="$build_root/release-$arch"
    # MinSizeRel: -Os and link-time optimisation (see CMakeLists.txt). No
    # tests: a release needs neither them nor GoogleTest.
    cmake -S "$ROOT" -B "$dir" -G Ninja --toolchain "$ROOT/cmake/mingw-$arch.cmake" \
          -DCMAKE_BUILD_TYPE=MinSizeRel -DVIMBREL_TESTS=OFF >/dev/null
    cmake --build "$dir" --target Vimbrel
    version=$(sed -n 's/^#define VIMBREL_VERSION_TEXT "\(.*\)"$/\1/p' "$dir/generated/version.h")
    [ -n "$version" ] || { echo "No VIMBREL_VERSION_TEXT in $dir/generated/version.h" >&2; exit 1; }
    bits=32
    [ "$arch" = x86_64 ] && bits=64
    zip="Vimbrel-$version-win$bits.zip"
    # The guide is kept with plain line ends and no BOM; Notepad wants CR LF,
    # and the BOM to read the Cyrillic as UTF-8.
    python3 - "$output/$zip" "$dir/Vimbrel.exe" docs/README.txt "$epoch" <<'EOF'
import sys, time, zipfile

archive, exe, guide, epoch = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
when = max(time.gmtime(epoch)[:6], (1980, 1, 1, 0, 0, 0))
with open(guide, encoding="utf-8-sig") as file:
    text = "\ufeff" + "\r\n".join(file.read().splitlines()) + "\r\n"
entries = [("Vimbrel.exe", open(exe, "rb").read()), ("README.txt", text.encode("utf-8"))]
with zipfile.ZipFile(archive + ".new", "w") as out:
    for name, data in entries:
        entry = zipfile.ZipInfo(name, date_time=when)
        # Made on MS-DOS/Windows, attribute "archive": what Explorer writes itself.
        entry.create_system, entry.external_attr = 0, 0x20
        entry.compress_type = zipfile.ZIP_DEFLATED
        out.writestr(entry, data, compresslevel=9)
EOF
    mv "$output/$zip.new" "$output/$zip"
    zips+=("$zip")
done

(cd "$output" && sha256sum "${zips[@]}" >SHA256SUMS)

echo
echo "Release $version in $output:"
for arch in i686 x86_64; do
    echo "  $(stat -c %s "$build_root/release-$arch/Vimbrel.exe") bytes  $build_root/release-$arch/Vimbrel.exe"
done
sed 's/^/  /' "$output/SHA256SUMS"
