#!/usr/bin/env bash
# Fails when a C++ file of the program, its tests or its benchmarks is not
# in the format .clang-format describes; names each place that differs.
# Formatting a file: clang-format -i FILE.
set -euo pipefail
cd "$(dirname "$0")/.."

# Another major version lays some lines out differently: the verdict is
# Debian 12's clang-format 14 (package clang-format).
format=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$format" ]; then
    echo "check_format: clang-format is missing (apt-get install clang-format)" >&2
    exit 1
fi
if ! "$format" --version | grep -q 'version 14\.'; then
    echo "check_format: $("$format" --version) is not clang-format 14" >&2
    exit 1
fi

mapfile -t files < <(find base outside environment files actions tray app tests bench \
                          -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
if [ ${#files[@]} -eq 0 ]; then
    echo "check_format: no C++ files found" >&2
    exit 1
fi
if ! "$format" --style=file --dry-run --Werror "${files[@]}"; then
    echo "check_format: not in the project's format; clang-format -i the files named above" >&2
    exit 1
fi
echo "check_format: ${#files[@]} files in the project's format"
