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
#   ORVA_X64_BUILD          the 64-bit build whose orva-sim.exe a 32-bit test program's
#                           cross-process tests run against (default build/mingw-x86_64, when it
#                           has one; otherwise the 32-bit build's own)
#   ORVA_TEST_SIMULATOR     the orva-sim.exe those tests start, as a Windows path (overrides)
#   ORVA_X86_ALL_TESTS      1: under an emulator, run the tests that start programs too
#                           (scripts/test.sh --full-x86 sets it); see below
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

# A 32-bit test program runs its cross-process tests against the 64-bit simulator: a 32-bit host
# and a 64-bit imaging application are a real pairing, and every 32-bit start is costly under an
# emulator. One test still starts the 32-bit build's own simulator.
if [ "$(pe_bits "${tests_exe}")" = 32 ] && [ -z "${ORVA_TEST_SIMULATOR:-}" ]; then
  x64_simulator=${ORVA_X64_BUILD:-${repo}/build/mingw-x86_64}/sim/orva-sim.exe
  if [ -f "${x64_simulator}" ]; then
    ORVA_TEST_SIMULATOR=$(windows_path "$(cd "$(dirname "${x64_simulator}")" && pwd)/orva-sim.exe")
    export ORVA_TEST_SIMULATOR
    echo "== the cross-process tests run against the 64-bit ${x64_simulator}"
  fi
fi
if runs_32bit_emulated && [ "$(pe_bits "${tests_exe}")" = 32 ]; then
  echo "== 32-bit programs run in qemu-user here (QEMU_RESERVED_VA=${QEMU_RESERVED_VA}); waits for other processes are ${ORVA_TEST_TIME_SCALE} times as long"
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

# Under qemu-user the emulator itself sometimes kills the test program as it starts another
# program while it has other threads (tests/win32/probe/emulator_fault_probe.cpp start-children
# shows it without any code of ours; Wine starts a process by forking its own): the program ends
# by a signal (exit 139) or by a fault Wine cannot place ("Got unexpected trap", exit 29). Then the
# tests that had not finished run again in a new test program; a test that was running when the
# program died three times (six with ORVA_X86_ALL_TESTS) counts as failed, and the run ends there.
emulator_fault() {
  local status=$1
  runs_32bit_emulated && [ "$(pe_bits "${tests_exe}")" = 32 ] || return 1
  [ "${status}" -eq 139 ] && return 0
  [ "${status}" -eq 29 ] && grep -q 'Got unexpected trap' "${wine_errors}" && return 0
  return 1
}
if runs_32bit_emulated && [ "$(pe_bits "${tests_exe}")" = 32 ]; then
  export WINEDEBUG=${WINEDEBUG},err+seh
fi

# The --gtest_filter of the next attempt: the caller's, less every suite and test that finished
# in the output so far (a suite by name when all its tests did, so that the filter stays short).
remaining_filter() {
  local given=$1 output=$2 positive=${1%%-*} negative=
  [[ ${given} == *-* ]] && negative=${given#*-}
  local finished
  finished=$(awk '
    /^\[----------\] [0-9]+ tests? from / { total[$5] = $2 }
    /^\[ +(OK|FAILED|SKIPPED) +\] [^ ]+ \([0-9]+ ms\)$/ {
      name = $0; sub(/^\[[^]]*\] /, "", name); sub(/ \(.*$/, "", name)
      if (!(name in seen)) { seen[name] = 1; split(name, part, "."); done[part[1]]++; tests[name] = part[1] }
    }
    END {
      for (suite in done) if (done[suite] == total[suite]) print suite ".*"
      for (name in tests) if (done[tests[name]] != total[tests[name]]) print name
    }' "${output}" | paste -sd: -)
  [ -n "${positive}" ] || positive='*'
  echo "${positive}-${negative}${negative:+${finished:+:}}${finished}"
}

started=$(date +%s.%N)
# From the program's own folder: the tests start helper programs that sit next to it.
# Its error output is kept in a file, shown afterwards and searched for heap reports.
wine_errors=${build}/wine-test-errors.log
wine_output=${build}/wine-test-output.log
: >"${wine_errors}"
: >"${wine_output}"
rm -f "${build}"/wine-test-output.*.log "${build}"/wine-test-results.*.xml
filter='*'
arguments=()
for argument in "$@"; do
  case ${argument} in
    --gtest_filter=*) filter=${argument#--gtest_filter=} ;;
    *) arguments+=("${argument}") ;;
  esac
done
# The tests that start programs from the test program (the simulator, orvactl.exe,
# orva-relay.exe, the start probe). Under the emulator each such start may kill the starter (see
# above), so often that a run of them rarely completes: there they run only when asked for.
process_starting_tests='CrossProcessTest.*:FaultMatrixTest.*:TextOutFaultTest.*:RelayExe.*:OrvactlExe.*:OrvactlExeWithSimulator.*:Win32Doctor.*:Win32SystemServicesTest.AProgramStartsInTheShowStateAskedFor'
strikes=3
if runs_32bit_emulated && [ "$(pe_bits "${tests_exe}")" = 32 ]; then
  if [ "${ORVA_X86_ALL_TESTS:-0}" = 1 ]; then
    strikes=6
  else
    [[ ${filter} == *-* ]] && filter=${filter}:${process_starting_tests} ||
      filter=${filter}-${process_starting_tests}
    echo "== not in this run under the emulator (scripts/test.sh --full-x86 runs them): the tests that start programs, ${process_starting_tests}"
  fi
fi

failed_before=0
declare -A crashes=()
for attempt in $(seq 1 30); do
  status=0
  attempt_output=${build}/wine-test-output.${attempt}.log
  # To a file, not through a pipe: programs that Wine starts on the way (its server, its
  # services) inherit the output and would hold a pipe open long after the tests ended.
  (cd "$(dirname "${tests_exe}")" &&
    "${run}" "${ORVA_WINE_TEST_TIMEOUT:-900}" "$(basename "${tests_exe}")" \
      --gtest_color=no "--gtest_output=xml:Z:${build}/wine-test-results.${attempt}.xml" \
      "--gtest_filter=${filter}" "${arguments[@]}" >"${attempt_output}" 2>>"${wine_errors}") ||
    status=$?
  cat "${attempt_output}"
  cat "${attempt_output}" >>"${wine_output}"
  grep -qE '^\[  FAILED  \] [^ ]+ \([0-9]+ ms\)$' "${attempt_output}" && failed_before=1
  emulator_fault "${status}" || break
  crashed=$(awk '/^\[ RUN      \]/ { name = $4 } /^\[ +(OK|FAILED|SKIPPED) +\]/ { name = "" }
                 END { print name }' "${attempt_output}")
  crashed=${crashed:-(set-up)}
  crashes[${crashed}]=$((${crashes[${crashed}]:-0} + 1))
  if [ "${crashes[${crashed}]}" -ge "${strikes}" ]; then
    echo "== the test program died in ${crashed} ${strikes} times (exit ${status}); that counts as a failure"
    break
  fi
  echo "== the emulator ended the test program (exit ${status}) in ${crashed}; the tests that had not finished run again"
  filter=$(remaining_filter "${filter}" "${wine_output}")
done
# The results of the last run stand for the whole: JUnit readers take the one file.
cp "${build}/wine-test-results.${attempt}.xml" "${build}/wine-test-results.xml" 2>/dev/null || true
[ "${status}" -eq 0 ] && [ "${failed_before}" = 1 ] && status=1
cat "${wine_errors}" >&2
if [ "${status}" -eq 0 ] && ! wine_heap_clean "${wine_errors}"; then
  echo "== Wine reported heap damage (above)"
  status=3
fi
echo "== Wine test run: exit code ${status} after $(seconds_since "${started}") s"
exit "${status}"
