# Sourced: picks the Wine loader that can run here and sets up the project's prefix for it.
# LORVAN_WINE_BITS=32 runs the i686 build under 32-bit Wine; 64 runs the x86_64 build under
# wine64, for kernels that cannot execute 32-bit code. Unset: 32 when 32-bit Wine starts.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -z "${LORVAN_WINE_BITS:-}" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    export LORVAN_WINE_BITS=32
  else
    export LORVAN_WINE_BITS=64
  fi
fi
if [ "$LORVAN_WINE_BITS" = 32 ]; then
  export LORVAN_WINE=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32 WINEARCH=win32
  export LORVAN_WINE_BUILD="$root/build/win32"
else
  export LORVAN_WINE=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64 WINEARCH=win64
  export LORVAN_WINE_BUILD="$root/build/win64"
fi
export WINELOADER="$LORVAN_WINE"
export WINEPREFIX="${LORVAN_WINEPREFIX:-$LORVAN_WINE_BUILD/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  # One initialisation at a time, also when ctest runs tests in parallel.
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      "$LORVAN_WINE" wineboot -i >/dev/null 2>&1 || true
      "$WINESERVER" -w
    fi
  ) 9>"$WINEPREFIX.lock"
fi
# COM1..COM42 mapped to the simulated ports' folder (cmake/wine-ports.sh).
source "$root/cmake/wine-ports.sh"
