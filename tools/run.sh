#!/usr/bin/env bash
# Installs what is missing, builds, and starts the DS5000 programmer against
# the DS5000 loader simulator: COM1 is the simulated kit. The demo keeps its
# settings in a folder of its own (build/demo); the user's own settings are
# never touched. Closing the programmer stops the simulator.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash tools/deps.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
run.sh: no display to show the programmer on.
Run it under a virtual X server:     xvfb-run -a tools/run.sh
(nothing is visible there; tools/screenshot.sh makes a picture of the main
window the same way), or log in to a desktop session and run tools/run.sh.
MSG
  exit 1
fi

build=$root/build
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target ds5000prog ds5000sim

demo=$build/demo
mkdir -p "$demo/no-device"

"$build/tools/simulator/ds5000sim" --image "$demo/ds5000-image.bin" >"$demo/simulator.out" 2>"$demo/simulator.log" &
sim_pid=$!
stop_simulator() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  cat "$demo/simulator.log" >&2 || true
}
trap stop_simulator EXIT

pty=""
for _ in $(seq 1 100); do
  pty=$(sed -n 's/^PTY //p' "$demo/simulator.out" 2>/dev/null || true)
  [ -n "$pty" ] && break
  sleep 0.05
done
if [ -z "$pty" ]; then
  echo "run.sh: the simulator did not start" >&2
  exit 1
fi

# COM1 is the simulated kit. Every other COM name points into an empty folder,
# so that no real serial device of this machine is ever opened; names whose
# device is missing are not offered in the setup dialog.
ini=$demo/Vorlan.ini
port_settings=""
if [ -f "$ini" ]; then
  # Keep the port settings of earlier demo runs, with COM1 as the port.
  port_settings=$(awk '/^\[/{keep=($0=="[ComPort]")} keep' "$ini" | sed 's/^Port=.*/Port=COM1/')
fi
{
  echo "[Ports]"
  echo "COM1=$pty"
  for n in $(seq 2 16); do echo "COM$n=$demo/no-device/COM$n"; done
  if [ -n "$port_settings" ]; then
    printf '%s\n' "$port_settings"
  else
    printf '[ComPort]\nPort=COM1\n'
  fi
} >"$ini.new"
mv "$ini.new" "$ini"

echo "DS5000 loader simulator on $pty (COM1); settings in $ini"
echo "In the programmer: File > Open, choose blink.hex, then Program."
# The open dialog starts in the folder of the example HEX file.
cd "$root/examples"
XDG_CONFIG_HOME=$demo "$build/app/ds5000prog" "$@"
