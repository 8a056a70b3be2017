#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR, checks that every file a desktop
# user needs is where the desktop looks for it, and starts the installed
# programmer and loader simulator.
#   install_test.sh BUILD_DIR WAKEUP_CHECK SOURCE_DIR
set -euo pipefail
build=$1 wakeup_check=$2 source=$3
prefix=/usr

work=$(mktemp -d "${TMPDIR:-/tmp}/ds5000prog-install.XXXXXX")
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

echo "--- installing into $work/root"
DESTDIR="$work/root" cmake --install "$build" --prefix "$prefix" >"$work/install.log" ||
  { cat "$work/install.log"; fail "cmake --install failed"; }
root="$work/root$prefix"

echo "--- installed files"
for f in bin/ds5000prog bin/ds5000-loader-simulator bin/ds5000; do
  [ -f "$root/$f" ] || fail "$f is missing"
  [ -x "$root/$f" ] || fail "$f is not executable"
done
desktop=$root/share/applications/ds5000prog.desktop
icon=$root/share/icons/hicolor/scalable/apps/ds5000prog.svg
example=$root/share/ds5000prog/examples/blink.hex
for f in "$desktop" "$icon" "$example" "$root/share/doc/ds5000prog/README.md" "$root/share/man/man1/ds5000.1"; do
  [ -f "$f" ] || fail "${f#"$root"/} is missing"
done
cmp -s "$example" "$source/examples/blink.hex" || fail "the installed example differs from examples/blink.hex"
grep -q '<svg' "$icon" || fail "the icon is no SVG image"
doc=$root/share/doc/ds5000prog
{ grep -o '](docs/[^)]*)' "$doc/README.md" || true; } | sed 's/^](//; s/)$//' | while read -r picture; do
  [ -f "$doc/$picture" ] || fail "the installed README shows $picture, which is not installed beside it"
done

echo "--- desktop entry"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
# The menu starts Exec from the PATH and finds Icon in the hicolor theme.
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[ -x "$root/bin/$exec_name" ] || fail "Exec=$exec_name is not an installed program"
[ "$icon_name" = "$(basename "$icon" .svg)" ] || fail "Icon=$icon_name does not name the installed icon"

echo "--- installed loader simulator"
"$root/bin/ds5000-loader-simulator" >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 100); do
  grep -q '^PTY /dev/pts/[0-9]*$' "$work/sim.out" && break
  sleep 0.1
done
grep -q '^PTY /dev/pts/[0-9]*$' "$work/sim.out" || { cat "$work/sim.out" "$work/sim.err"; fail "the simulator told no pseudo-terminal"; }
echo "--- installed command-line programmer against the simulator"
sim_pty=$(sed -n 's/^PTY //p' "$work/sim.out")
mkdir -p "$work/config"
XDG_CONFIG_HOME="$work/config" "$root/bin/ds5000" --quiet --device "$sim_pty" program --verify "$example" ||
  fail "the installed ds5000 did not program and verify the example"
"$root/bin/ds5000" --help | grep -q '5  the loader did not answer in time' || fail "ds5000 --help lists no exit codes"
kill -TERM "$sim_pid"
sim_status=0
wait "$sim_pid" || sim_status=$?
sim_pid=""
[ "$sim_status" -eq 0 ] || { cat "$work/sim.err"; fail "the simulator ended with status $sim_status on SIGTERM"; }
cat "$work/sim.out"

echo "--- installed programmer against the simulator"
"$wakeup_check" "$root/bin/ds5000prog" "$work/run" || fail "the installed programmer did not wake the loader"
echo "install test passed"
