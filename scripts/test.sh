#!/usr/bin/env bash
# Installs what is needed, builds everything from scratch in build/, runs every
# test, builds the Debian package and runs it from a read-only tree, then
# builds the engine again with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ and runs the engine tests there.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)

echo "== Normal build =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
ninja -C build -j"$jobs"
(cd build && ctest --output-on-failure --timeout 120 -j"$jobs")

echo "== Debian package, installed read-only =="
./scripts/package-test.sh build

echo "== Sanitizer build (engine) =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARY_SANITIZE=ON -DTESSARY_CORE_ONLY=ON
ninja -C build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
   ctest --output-on-failure --timeout 120 -j"$jobs" -L core)

if [ -x scripts/fuzz-smoke.sh ]; then
  echo "== Fuzz smoke run =="
  ./scripts/fuzz-smoke.sh
fi

echo "All tests passed."
