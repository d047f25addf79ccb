#!/usr/bin/env bash
# Runs the Windows test program of a mingw-w64 build under Wine, in a fresh Wine prefix inside
# that build tree, without a display and without any question asked.
#
#   scripts/wine/run-tests.sh [BUILD] [GTEST-ARGUMENTS...]
#
# BUILD is a build directory, or a preset name meaning build/<preset> (default: mingw-x86_64).
# The exit code is the test program's (124 when it ran out of time; 77 when the machine cannot run
# a 32-bit test program at all); the results are also written to BUILD/wine-test-results.xml.
#
# Environment:
#   ORVA_WINE_TEST_TIMEOUT  seconds the test program may run (default 900)
#   ORVA_WINE_REUSE_PREFIX  1: keep an existing prefix of an earlier run instead of a fresh one
#   ORVA_WINE_BACKTRACE     1: let Wine's debugger print a backtrace when a test program crashes
#   WINEDEBUG               Wine's log channels (default: heap checks, scripts/wine/common.sh)
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
target=${1:-mingw-x86_64}
[ $# -gt 0 ] && shift
if [ -d "${target}" ]; then
  build=$(cd "${target}" && pwd)
elif [ -d "${repo}/build/${target}" ]; then
  build=${repo}/build/${target}
else
  echo "run-tests: no build directory '${target}'" >&2
  exit 2
fi
tests_exe=${build}/tests/orvabridge_tests.exe
if [ ! -f "${tests_exe}" ]; then
  echo "run-tests: ${tests_exe} is missing; build the tests first" >&2
  exit 2
fi

# One 64-bit prefix serves both builds: 32-bit programs run in its WoW64 part, as 32-bit hosts
# do on 64-bit Windows.
export WINEPREFIX=${build}/wine-prefix
export WINEARCH=win64
export HOME=${HOME:-${build}}
# shellcheck source=scripts/wine/common.sh
. "${repo}/scripts/wine/common.sh"
if [ -z "${wine_bin}" ] || [ -z "${wineserver_bin}" ] || [ -z "${wine64_bin}" ]; then
  echo "run-tests: wine (with wine64) is not installed (scripts/install-deps.sh installs it)" >&2
  exit 2
fi
if ! run=$(wine_runner_for "${tests_exe}"); then
  # Exit code 77: not run, for a reason of the machine (test.sh reports it).
  echo "run-tests: NOT RUN: ${tests_exe} is a 32-bit program and ${no_32bit_reason}" >&2
  exit 77
fi

seconds_since() {
  local start=$1 end
  end=$(date +%s.%N)
  awk -v s="${start}" -v e="${end}" 'BEGIN { printf "%.1f", e - s }'
}

trap stop_wineserver EXIT

if [ "${ORVA_WINE_REUSE_PREFIX:-0}" = 1 ] && [ -f "${WINEPREFIX}/system.reg" ]; then
  echo "== Wine prefix: reusing ${WINEPREFIX}"
else
  started=$(date +%s.%N)
  create_prefix "${build}/wine-prefix.log"
  echo "== Wine prefix: created in $(seconds_since "${started}") s (${WINEPREFIX})"
fi

started=$(date +%s.%N)
status=0
# From the program's own folder: the tests start helper programs that sit next to it.
# Its error output is kept in a file, shown afterwards and searched for heap reports.
wine_errors=${build}/wine-test-errors.log
(cd "$(dirname "${tests_exe}")" &&
  "${run}" "${ORVA_WINE_TEST_TIMEOUT:-900}" "$(basename "${tests_exe}")" \
    --gtest_color=no "--gtest_output=xml:Z:${build}/wine-test-results.xml" "$@" \
    2>"${wine_errors}") || status=$?
cat "${wine_errors}" >&2
if [ "${status}" -eq 0 ] && ! wine_heap_clean "${wine_errors}"; then
  echo "== Wine reported heap damage (above)"
  status=3
fi
echo "== Wine test run: exit code ${status} after $(seconds_since "${started}") s"
exit "${status}"
