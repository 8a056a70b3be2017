#!/usr/bin/env bash
# Installs what is missing, builds the programmer and the loader simulator
# for release, makes the Debian package with CPack and checks its contents.
# The package ends up in build-package/packages/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
dir=build-package

bash tools/deps.sh

# Only what goes into the package is built; the tests are left out. -O2, as
# Debian builds its packages: at -O3, GCC 12 warns (-Wrestrict) inside its
# own std::string concatenation, and warnings are errors here.
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
  -DCPORT_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$dir" -j "$(nproc)" --target ds5000prog ds5000sim ds5000
rm -rf "$dir/packages"
cpack --config "$dir/CPackConfig.cmake" -B "$root/$dir/packages"
debs=("$dir"/packages/*.deb)
bash packaging/check-deb.sh "${debs[0]}"
echo "Package: $root/${debs[0]}"
echo "Install it with: sudo apt install $root/${debs[0]}"
