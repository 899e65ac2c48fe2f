#!/usr/bin/env bash
# Startup benchmark: time from process start to the window being shown under Wine, for a
# minimal Win32 window program and for lorvan_setup.exe, started the same way in one run, and
# the ratio; then the size of the product exe. Usage: bench/startup.sh [build dir] [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/win64}
rounds=${2:-15}
export LORVAN_WINE_BITS=${LORVAN_WINE_BITS:-64}
export LORVAN_WINEPREFIX=${LORVAN_WINEPREFIX:-$build/wineprefix}
source "$root/cmake/wine-env.sh"
cmake --build "$build" --target bench_startup -- -j2 >/dev/null
run='
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  "$LORVAN_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
  "$LORVAN_WINE" "$1/bench/startup_launcher.exe" "$2" \
    "Z:$1/bench/startup_minimal.exe" MinimalWindow "Z:$1/lorvan_setup.exe" TForm1
  "$WINESERVER" -k || true'
if [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c "$run" _ "$build" "$rounds"
else
  bash -c "$run" _ "$build" "$rounds"
fi
for exe in "$build/lorvan_setup.exe" "${LORVAN_PRODUCT_EXE:-$root/build/win32/lorvan_setup.exe}"; do
  [ -f "$exe" ] && echo "size of $exe: $(stat -c %s "$exe") bytes"
done
