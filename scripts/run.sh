#!/usr/bin/env bash
# Installs what is needed, builds Tessary in build/ and starts it.
# Until the editor window exists, this starts the engine the editor will run
# on and prints what it set up (folders, preferences, memory budget, swap
# files, tile store), then shuts it down again.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build -j"$(nproc 2>/dev/null || echo 2)"

if [ -x build/bin/tessary ]; then
  exec build/bin/tessary "$@"
fi
exec build/bin/tessary-status "$@"
