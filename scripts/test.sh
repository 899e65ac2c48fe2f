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

# The Wine tests share one prefix, one wineserver and one display. Wine's services are started
# before ctest, detached from its pipes (ctest waits for a test's pipes to close, and the services
# outlive each test), and on the display the tests use: started without one, they cannot make
# windows later.
preset=win$LORVAN_WINE_BITS
wine_tests() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  trap '"$WINESERVER" -k >/dev/null 2>&1 || true' EXIT
  "$LORVAN_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
  ctest --preset "$preset"
}
export -f wine_tests
export preset
if [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c wine_tests
else
  wine_tests
fi
