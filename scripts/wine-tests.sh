#!/usr/bin/env bash
# Runs the Wine tests of a preset on the current display: one wineserver for the whole run, and
# Wine's services started before ctest, detached from its pipes (ctest waits for a test's pipes to
# close, and the services outlive each test), and on this display: services started without one
# cannot make windows later.
#   wine-tests.sh <preset> [ctest args...]
set -euo pipefail
cd "$(dirname "$0")/.."
source cmake/wine-env.sh
preset=$1
shift
"$WINESERVER" -k >/dev/null 2>&1 || true
"$WINESERVER" -p </dev/null >/dev/null 2>&1
trap '"$WINESERVER" -k >/dev/null 2>&1 || true' EXIT
"$LORVAN_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
ctest --preset "$preset" "$@"
