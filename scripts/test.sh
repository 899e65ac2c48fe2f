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

# The Wine tests share one prefix, one wineserver and one (virtual) display.
preset=win$LORVAN_WINE_BITS
if [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash scripts/wine-tests.sh "$preset"
else
  bash scripts/wine-tests.sh "$preset"
fi
