#!/usr/bin/env bash
# Installs what is needed, builds everything from scratch in build/, runs every
# test, builds the Debian package and runs it from a read-only tree, then
# builds the engine again with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ and runs the engine tests there,
# and builds the worker-pool and effect tests with ThreadSanitizer in
# build-tsan/ and runs them on one and on four threads.
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

echo "== Thread sanitizer build (worker pool and effects) =="
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARY_TSAN=ON -DTESSARY_CORE_ONLY=ON
ninja -C build-tsan -j"$jobs" platform_tests effects_tests
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
timeout 120 build-tsan/bin/platform_tests --gtest_filter='WorkerPool*'
for threads in 2 4; do
  TESSARY_TEST_THREADS=$threads timeout 300 build-tsan/bin/effects_tests
done
unset TSAN_OPTIONS

if [ -x scripts/fuzz-smoke.sh ]; then
  echo "== Fuzz smoke run =="
  ./scripts/fuzz-smoke.sh
fi

echo "All tests passed."
