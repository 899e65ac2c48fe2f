#!/usr/bin/env bash
# Runs a cross-built program under Wine in the project's own prefix (ctest's emulator). Without
# a display it starts a virtual one.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$LORVAN_WINE" "$@"
fi
exec "$LORVAN_WINE" "$@"
