#!/usr/bin/env bash
# The README's first command: installs what is missing, builds orvactl in the release
# configuration and runs its guided demo against the simulated imaging application.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -f scripts/install-deps.sh ]; then
  bash scripts/install-deps.sh
fi

jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset release >/dev/null
cmake --build --preset release --target orvactl -j "${jobs}"
exec build/release/tools/orvactl/orvactl demo
