#!/usr/bin/env bash
# Installs what is needed, builds Tessary in build/ and starts the editor.
# Arguments go to the editor (image files to open; /p file prints it).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build -j"$(nproc 2>/dev/null || echo 2)"

exec build/bin/tessary "$@"
