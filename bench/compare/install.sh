#!/usr/bin/env bash
# Installs the peers the side-by-side comparison runs against (Debian 12).
# Kept apart from scripts/install-deps.sh so that CI does not pull them in.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends imagemagick libvips-tools
