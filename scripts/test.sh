#!/usr/bin/env bash
# Installs what is missing, builds the native and the Windows builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
source cmake/wine-env.sh

# The product: 32-bit Windows. Its tests run here when this kernel executes 32-bit code.
tests32=OFF
[ "$LORVAN_WINE_BITS" = 32 ] && tests32=ON
cmake --preset win32 -DLORVAN_TESTS=$tests32 >/dev/null
cmake --build --preset win32

cmake --preset native >/dev/null
cmake --build --preset native
if [ "$LORVAN_WINE_BITS" = 64 ]; then
  echo "test: this kernel cannot execute 32-bit code; the Wine tests run the x86_64 build"
  cmake --preset win64 >/dev/null
  cmake --build --preset win64
fi

ctest --preset native -j2
# One wineserver for the whole run, with Wine's services started before ctest and detached from
# its pipes: ctest waits for the pipes of a test to close, and those services outlive each test.
"$WINESERVER" -p </dev/null >/dev/null 2>&1
trap '"$WINESERVER" -k >/dev/null 2>&1 || true' EXIT
"$LORVAN_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
preset=win$LORVAN_WINE_BITS
if [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" ctest --preset "$preset"
else
  ctest --preset "$preset"
fi
