#!/usr/bin/env bash
# Builds the Debian package from an already built tree into a scratch folder
# and checks what is in it.
#   package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2

work=$(mktemp -d "${TMPDIR:-/tmp}/ds5000prog-package.XXXXXX")
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; echo "FAIL: cpack failed" >&2; exit 1; }
debs=("$work"/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  cat "$work/cpack.log"
  echo "FAIL: cpack made no single .deb" >&2
  exit 1
fi
bash "$source/packaging/check-deb.sh" "${debs[0]}"
