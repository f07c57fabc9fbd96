#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one for a short time: the
# plug-in discovery readers on seeds made from the test plug-in modules, the
# file, clipboard and preference readers on the seeds in fuzz/corpus/<name>
# (target fuzz_<name>). New inputs go to build-fuzz, never into the seeds.
#   FUZZ_SECONDS  run time per target (default 15)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-15}
if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz-smoke: clang++ not found; skipped (scripts/install-deps.sh installs clang)"
  exit 0
fi

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESSARY_FUZZ=ON -DTESSARY_CORE_ONLY=ON -DTESSARY_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" -j"$(nproc 2>/dev/null || echo 2)" tessary_fuzzers tessary_test_modules

# Seeds: the modules themselves for the file readers, their property-list
# sections (blob header cut off) for the property parser.
modules="$build/tests/modules/out"
corpus="$build/fuzz-corpus"
rm -rf "$corpus"
mkdir -p "$corpus/elf" "$corpus/pe" "$corpus/pipl"
for module in "$modules"/*; do
  name=$(basename "$module")
  if [ "$(head -c 2 "$module")" = "MZ" ]; then
    cp "$module" "$corpus/pe/$name"
    continue
  fi
  cp "$module" "$corpus/elf/$name"
  section="$corpus/$name.section"
  if objcopy -O binary --only-section=.tessary_pipl "$module" "$section" 2>/dev/null && [ -s "$section" ]; then
    tail -c +17 "$section" > "$corpus/pipl/$name"
  fi
  rm -f "$section"
done

# The stored seeds, copied so that the runs add to the copies only.
stored_targets="bmp_module png_module jpeg_module tiff_module tiff_pages_module dib_reader preference_file module_link"
for name in $stored_targets; do
  cp -r "fuzz/corpus/$name" "$corpus/$name"
done

# Modules are told a data budget of 160 MiB (fuzz/module_host.h); a single
# allocation beyond it is reported as a finding.
malloc_limit_mb=160

run() {
  local target=$1 seeds=$2 max_len=$3
  local log="$build/$target.log"
  echo "== $target: ${seconds}s on $(ls "$seeds" | wc -l) seeds"
  # libFuzzer exits non-zero on a crash, a sanitizer report, a leak or a
  # timeout, and leaves the input that caused it in the current folder.
  local status=0
  (cd "$build" && "bin/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
    -rss_limit_mb=2048 -malloc_limit_mb="$malloc_limit_mb" -close_fd_mask=2 \
    -print_final_stats=1 "../$seeds") >"$log" 2>&1 || status=$?
  grep -E '^(stat::number_of_executed_units|stat::new_units_added|Done)' "$log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$log"
    echo "fuzz-smoke: $target failed (exit $status); see $log"
    exit 1
  fi
}

run fuzz_pipl_properties "$corpus/pipl" 4096
run fuzz_elf_reader "$corpus/elf" 65536
run fuzz_pe_reader "$corpus/pe" 131072
for name in $stored_targets; do
  run "fuzz_$name" "$corpus/$name" 65536
done
echo "fuzz-smoke: all targets ran clean"
