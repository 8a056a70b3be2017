#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: a normal build, an
# AddressSanitizer/UndefinedBehaviorSanitizer build, a ThreadSanitizer build
# of the engine, and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-15}

bash tools/deps.sh

step() { printf '\n=== %s\n' "$*"; }

configure_and_test() { # dir, extra cmake args...
  local dir=$1; shift
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest -j "$jobs" --output-on-failure)
}

step "formatting"
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h' | grep -v '/build')
clang-format --dry-run --Werror $files
echo "clang-format: clean"

step "normal build"
configure_and_test build

step "address and undefined-behaviour sanitizers"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$root/tools/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
configure_and_test build-asan -DCPORT_SANITIZE=address,undefined -DCPORT_BENCH=OFF

step "thread sanitizer (engine)"
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
configure_and_test build-tsan -DCPORT_SANITIZE=thread -DCPORT_WITH_QT=OFF -DCPORT_BENCH=OFF

step "fuzz targets (${fuzz_seconds}s each)"
CC=clang CXX=clang++ cmake -S "$root" -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCPORT_FUZZ=ON -DCPORT_WITH_QT=OFF -DCPORT_BENCH=OFF \
  -DCPORT_SANITIZE=address,undefined,fuzzer-no-link >/dev/null
cmake --build build-fuzz -j "$jobs"
fuzzers=$(find build-fuzz/fuzz -maxdepth 1 -type f -name 'fuzz_*' -perm -u+x | sort)
fuzz_passed=0
for f in $fuzzers; do
  echo "--- $(basename "$f")"
  "$f" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -print_final_stats=0 2>&1 | tail -n 2
  fuzz_passed=$((fuzz_passed + 1))
done
echo "fuzz: $fuzz_passed passed, 0 failed"

step "all tests passed"
