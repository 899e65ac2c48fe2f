# Sourced by wine-env.sh: maps COM1..COM42 of the prefix to $LORVAN_PORTS_DIR/COMn.
# Wine reads HKLM\Software\Wine\Ports only when its device manager starts (with the wineserver),
# not per open, so the key is written once and stays; the simulator changes what the paths hold:
# a link to a pty for a served port, a directory for an absent one (the open then fails, error 5;
# a path that does not exist would still open). The entries start as directories.
export LORVAN_PORTS_DIR="${LORVAN_PORTS_DIR:-$(dirname "$WINEPREFIX")/ports}"
mkdir -p "$LORVAN_PORTS_DIR"
for lorvan_n in $(seq 1 42); do
  lorvan_e="$LORVAN_PORTS_DIR/COM$lorvan_n"
  if [ -L "$lorvan_e" ] && [ ! -e "$lorvan_e" ]; then
    rm -f "$lorvan_e"  # a link left by a simulator that did not end cleanly
  fi
  [ -e "$lorvan_e" ] || mkdir -p "$lorvan_e"
done
if [ "$(cat "$WINEPREFIX/.lorvan-ports" 2>/dev/null)" != "$LORVAN_PORTS_DIR" ]; then
  (
    flock 9
    if [ "$(cat "$WINEPREFIX/.lorvan-ports" 2>/dev/null)" != "$LORVAN_PORTS_DIR" ]; then
      lorvan_reg="$WINEPREFIX/lorvan-ports.reg"
      {
        printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
        for lorvan_n in $(seq 1 42); do
          printf '"COM%d"="%s/COM%d"\r\n' "$lorvan_n" "$LORVAN_PORTS_DIR" "$lorvan_n"
        done
      } >"$lorvan_reg"
      "$LORVAN_WINE" regedit /S "$lorvan_reg" >/dev/null 2>&1
      # The mapping takes effect when the wineserver starts again.
      "$WINESERVER" -k >/dev/null 2>&1 || true
      "$WINESERVER" -w >/dev/null 2>&1 || true
      if grep -q "\"COM42\"=\"$LORVAN_PORTS_DIR/COM42\"" "$WINEPREFIX/system.reg"; then
        echo "$LORVAN_PORTS_DIR" >"$WINEPREFIX/.lorvan-ports"
      else
        echo "wine-ports: could not map the COM ports to $LORVAN_PORTS_DIR" >&2
      fi
    fi
  ) 9>"$WINEPREFIX.lock"
fi
unset lorvan_n lorvan_e lorvan_reg
