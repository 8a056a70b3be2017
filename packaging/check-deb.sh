#!/usr/bin/env bash
# Checks a built Debian package of the programmer: the files a desktop user
# needs, and the Qt run-time libraries among its dependencies.
#   check-deb.sh PACKAGE.deb
set -euo pipefail
deb=$1
fail() { echo "FAIL: $(basename "$deb"): $*" >&2; exit 1; }

listing=$(dpkg-deb -c "$deb") || fail "dpkg-deb cannot read it"
expected=(
  ./usr/bin/ds5000prog
  ./usr/bin/ds5000-loader-simulator
  ./usr/bin/ds5000
  ./usr/share/man/man1/ds5000.1
  ./usr/share/applications/ds5000prog.desktop
  ./usr/share/icons/hicolor/scalable/apps/ds5000prog.svg
  ./usr/share/ds5000prog/examples/blink.hex
  ./usr/share/doc/ds5000prog/README.md
)
for f in "${expected[@]}"; do
  awk '{print $6}' <<<"$listing" | grep -qxF "$f" || { echo "$listing"; fail "$f is not in the package"; }
done
for f in ./usr/bin/ds5000prog ./usr/bin/ds5000-loader-simulator ./usr/bin/ds5000; do
  awk -v f="$f" '$6 == f {print $1}' <<<"$listing" | grep -q '^-rwxr-xr-x$' || fail "$f is not executable"
done

[ "$(dpkg-deb -f "$deb" Package)" = ds5000prog ] || fail "the package is not named ds5000prog"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6gui6 libqt6widgets6 fonts-dejavu-core; do
  grep -qE "(^|, )${lib}[a-z0-9]*( |,|$)" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
echo "$(basename "$deb"): contents and dependencies as expected"
