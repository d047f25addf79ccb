#!/usr/bin/env bash
# Installs what is missing, checks the source tree (includes go down the layers, every C++ file
# in the house format), builds every configuration and runs every test:
#   the native build with AddressSanitizer and UndefinedBehaviorSanitizer (in-process desktop;
#   a debug build with every check the plain debug build has, and more), a short run of every
#   fuzz target (scripts/fuzz.sh, at most five minutes), and the Windows x86 and
#   x64 cross builds, whose tests run under Wine, with the release's own checks on them
#   (signatures and certificate faults, the same MSI twice, the bill of materials, no planted DLL
#   loaded, the installer tests with signed packages). The x86 build's programs are 32-bit: where the
#   kernel runs no 32-bit programs (IA-32 emulation off), scripts/enable-32bit.sh has them run in
#   qemu-user instead. A machine where neither works builds the x86 configuration but cannot run
#   it; the summary names what was not run, and ORVA_REQUIRE_32BIT=1 (CI's setting) makes that a
#   failure. The summary ends with the time each stage took.
#
#   scripts/test.sh [--full-x86]
#
# --full-x86: where 32-bit programs run in an emulator, the x86 test program runs the tests that
# start other programs too (they are left out there by default: the emulator kills a program that
# starts another now and then; scripts/wine/run-tests.sh runs the rest again when it does).
set -euo pipefail
cd "$(dirname "$0")/.."

case ${1:-} in
  "") ;;
  --full-x86) export ORVA_X86_ALL_TESTS=1 ;;
  *)
    echo "usage: scripts/test.sh [--full-x86]" >&2
    exit 2
    ;;
esac

bash scripts/install-deps.sh
# Where the kernel cannot run 32-bit programs, an emulator is registered for them (as root; a
# message names the one command to run where that cannot be done). Left alone where it can.
bash scripts/enable-32bit.sh || true

jobs=$(nproc 2>/dev/null || echo 2)

# How long each stage took, printed at the end: "seconds name" lines.
timings=()
timed() {
  local name=$1 started status=0
  shift
  started=$(date +%s)
  "$@" || status=$?
  timings+=("$(($(date +%s) - started)) ${name}")
  return "${status}"
}

run_native() {
  local preset=$1
  echo "== ${preset}: configure and build"
  cmake --preset "${preset}" >/dev/null
  timed "${preset}: build" cmake --build --preset "${preset}" -j "${jobs}"
  echo "== ${preset}: tests"
  timed "${preset}: ctest" ctest --preset "${preset}" -j "${jobs}" --timeout 300
}

build_cross() {
  local preset=$1
  echo "== ${preset}: configure and build"
  cmake --preset "${preset}" >/dev/null
  timed "${preset}: build" cmake --build --preset "${preset}" -j "${jobs}"
  # A build that made no test program or no server has failed, whatever the build tool said.
  local artifact
  for artifact in tests/orvabridge_tests.exe src/com/Orvabridge.dll sim/orva-sim.exe; do
    if [ ! -f "build/${preset}/${artifact}" ]; then
      echo "test: ${preset} built no ${artifact}; its tests cannot run" >&2
      return 1
    fi
  done
}

# The x86 build's cross-process tests run against the x64 build's simulator
# (scripts/wine/run-tests.sh), so both builds are made before any Windows test runs.
test_cross() {
  local preset=$1
  echo "== ${preset}: tests under Wine"
  wine_stage "${preset}: test program" scripts/wine/run-tests.sh "${preset}"
  echo "== ${preset}: automation server driven by VBScript under Wine"
  wine_stage "${preset}: VBScript hosts" scripts/wine/com-tests.sh "${preset}"
  echo "== ${preset}: a C++ host built against the installed CMake package, run under Wine"
  wine_stage "${preset}: CMake package host" bash scripts/check-package.sh "${preset}"
}

# Runs one Wine stage; exit code 77 means the machine cannot run that build (a 32-bit one on a
# kernel without IA-32 emulation): recorded and reported at the end, a failure only when
# ORVA_REQUIRE_32BIT=1.
not_run=()
wine_stage() {
  local name=$1 status=0
  shift
  timed "${name}" "$@" || status=$?
  if [ "${status}" -eq 77 ]; then
    not_run+=("${name}")
    return 0
  fi
  return "${status}"
}

started=$(date +%s)
echo "== source tree: layers and format"
bash scripts/check-layers.sh
bash scripts/check-format.sh
run_native asan
echo "== package: cmake --install, then a host built against it"
timed "asan: package hosts" bash scripts/check-package.sh asan "-fsanitize=address,undefined"
echo "== fuzz: short run of every libFuzzer target (in-process desktop, clang sanitizers)"
timed "fuzz: short runs" bash scripts/fuzz.sh
build_cross mingw-i686
build_cross mingw-x86_64
test_cross mingw-x86_64
test_cross mingw-i686
echo "== release: signatures and certificate faults, the same MSI twice, the bill of materials"
timed "release checks" bash scripts/release-tests.sh build/mingw-x86_64 build/mingw-i686
echo "== DLL planting: a planted odbc32.dll beside a host and the tools, under Wine"
wine_stage "DLL planting" bash scripts/wine/planting-tests.sh build/mingw-x86_64
echo "== installer: the signed MSI of both Windows builds, installed, upgraded and removed under Wine"
wine_stage "installer" bash scripts/wine/msi-tests.sh --signed build/mingw-x86_64 build/mingw-i686
seconds=$(($(date +%s) - started))
echo "Time per stage (seconds):"
for timing in "${timings[@]}"; do printf '  %5s  %s\n' "${timing%% *}" "${timing#* }"; done
if [ ${#not_run[@]} -gt 0 ]; then
  echo "NOT RUN on this machine (built, not executed):"
  printf '  - %s\n' "${not_run[@]}"
  echo "  because this machine runs no 32-bit programs: the kernel has no IA-32 emulation and no"
  echo "  emulator could be registered (as root, scripts/enable-32bit.sh registers qemu-user)."
  if [ "${ORVA_REQUIRE_32BIT:-0}" = 1 ]; then
    echo "ORVA_REQUIRE_32BIT=1: that is a failure." >&2
    exit 1
  fi
  echo "All configurations built; everything this machine can run passed, in ${seconds} s."
else
  echo "All configurations built and tested in ${seconds} s."
fi
