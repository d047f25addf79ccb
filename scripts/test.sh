#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
#   the native build with AddressSanitizer and UndefinedBehaviorSanitizer (in-process desktop;
#   a debug build with every check the plain debug build has, and more), and the Windows x86 and
#   x64 cross builds, whose tests run under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)

run_native() {
  local preset=$1
  echo "== ${preset}: configure and build"
  cmake --preset "${preset}" >/dev/null
  cmake --build --preset "${preset}" -j "${jobs}"
  echo "== ${preset}: tests"
  ctest --preset "${preset}" -j "${jobs}" --timeout 300
}

run_cross() {
  local preset=$1
  echo "== ${preset}: configure and build"
  cmake --preset "${preset}" >/dev/null
  cmake --build --preset "${preset}" -j "${jobs}"
  if [ -x scripts/wine/run-tests.sh ] && [ -f "build/${preset}/tests/orvabridge_tests.exe" ]; then
    echo "== ${preset}: tests under Wine"
    scripts/wine/run-tests.sh "${preset}"
  fi
  if [ -f "build/${preset}/src/com/Orvabridge.dll" ]; then
    echo "== ${preset}: automation server driven by VBScript under Wine"
    scripts/wine/com-tests.sh "${preset}"
  fi
}

run_native asan
run_cross mingw-i686
run_cross mingw-x86_64
echo "All configurations built and tested."
