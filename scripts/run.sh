#!/usr/bin/env bash
# Installs what is missing, builds the tool and opens it under Wine against a simulated
# tachograph on COM3. With no display it runs on a virtual one, saves a screenshot and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
source cmake/wine-env.sh

cmake --preset win32 -DLORVAN_TESTS=OFF >/dev/null
cmake --build --preset win32
exe="$root/build/win32/lorvan_setup.exe"
if [ "$LORVAN_WINE_BITS" = 64 ]; then
  echo "run: this kernel cannot execute 32-bit code; opening the x86_64 build of the same sources"
  cmake --preset win64 -DLORVAN_TESTS=OFF >/dev/null
  cmake --build --preset win64
  exe="$root/build/win64/lorvan_setup.exe"
fi

if [ -n "${DISPLAY:-}" ]; then
  "$LORVAN_WINE" "$exe"
else
  shot="$LORVAN_WINE_BUILD/run.png"
  xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c '
    "$1" "$2" & pid=$!
    sleep 8
    import -window root "$3" && echo "run: no display; screenshot of the tool saved at $3"
    "$WINESERVER" -k || true
    wait $pid || true' _ "$LORVAN_WINE" "$exe" "$shot"
fi
