#!/usr/bin/env bash
# Runs the Windows test program of a mingw-w64 build under Wine, in a fresh Wine prefix inside
# that build tree, without a display and without any question asked.
#
#   scripts/wine/run-tests.sh [BUILD] [GTEST-ARGUMENTS...]
#
# BUILD is a build directory, or a preset name meaning build/<preset> (default: mingw-x86_64).
# The exit code is the test program's (124 when it ran out of time); the results are also written
# to BUILD/wine-test-results.xml.
#
# Environment:
#   ORVA_WINE_TEST_TIMEOUT  seconds the test program may run (default 900)
#   ORVA_WINE_REUSE_PREFIX  1: keep an existing prefix of an earlier run instead of a fresh one
#   ORVA_WINE_BACKTRACE     1: let Wine's debugger print a backtrace when a test program crashes
#   WINEDEBUG               Wine's log channels (default: -all)
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
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs during prefix creation.
export WINEDLLOVERRIDES="mscoree,mshtml="
# A fixed Western ANSI code page (1252), whatever the locale of the machine; Wine takes it from
# the locale name even when the C library does not know that locale.
wine_locale=en_US.UTF-8
unset DISPLAY WAYLAND_DISPLAY
export HOME=${HOME:-${build}}

wine_bin=${WINE:-$(command -v wine || true)}
wineserver_bin=${WINESERVER:-$(command -v wineserver || true)}
if [ -z "${wine_bin}" ] || [ -z "${wineserver_bin}" ]; then
  echo "run-tests: wine is not installed (scripts/install-deps.sh installs it)" >&2
  exit 2
fi

# Every Wine command runs under a time limit, so that nothing can hang the caller.
wine_cmd() {
  local limit=$1
  shift
  LC_ALL=${wine_locale} timeout --kill-after=10 "${limit}" "${wine_bin}" "$@"
}
stop_wineserver() {
  timeout 30 "${wineserver_bin}" -k >/dev/null 2>&1 || true
}

seconds_since() {
  local start=$1 end
  end=$(date +%s.%N)
  awk -v s="${start}" -v e="${end}" 'BEGIN { printf "%.1f", e - s }'
}

create_prefix() {
  stop_wineserver
  rm -rf "${WINEPREFIX}"
  mkdir -p "${WINEPREFIX}"
  # Before anything else starts: the null graphics driver, so that windows work without a
  # display. The prefix's first process (wineboot) already reads it from here.
  cat >"${WINEPREFIX}/user.reg" <<'EOF'
WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Software\\Wine\\Drivers]
"Graphics"="null"
EOF
  wine_cmd 300 wineboot -i >"${build}/wine-prefix.log" 2>&1
  timeout 120 "${wineserver_bin}" -w

  # A crash must end the test program at once instead of waiting in a debugger or a dialog:
  # the crash debugger is pointed at a program that does not exist, in both registry views.
  local debugger="orvabridge-no-crash-debugger"
  if [ "${ORVA_WINE_BACKTRACE:-0}" = 1 ]; then
    debugger="winedbg --auto %ld %ld"  # prints a backtrace, then ends the process
  fi
  local settings=${WINEPREFIX}/drive_c/orvabridge-settings.reg
  printf '%s\r\n' 'REGEDIT4' '' \
    '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]' \
    '"Auto"="1"' "\"Debugger\"=\"${debugger}\"" '' \
    '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' \
    '"ShowCrashDialog"=dword:00000000' >"${settings}"
  local view
  for view in 64 32; do
    wine_cmd 120 reg import 'C:\orvabridge-settings.reg' "/reg:${view}" >>"${build}/wine-prefix.log" 2>&1
  done
  timeout 120 "${wineserver_bin}" -w
}

trap stop_wineserver EXIT

if [ "${ORVA_WINE_REUSE_PREFIX:-0}" = 1 ] && [ -f "${WINEPREFIX}/system.reg" ]; then
  echo "== Wine prefix: reusing ${WINEPREFIX}"
else
  started=$(date +%s.%N)
  create_prefix
  echo "== Wine prefix: created in $(seconds_since "${started}") s (${WINEPREFIX})"
fi

started=$(date +%s.%N)
status=0
# From the program's own folder: the tests start helper programs that sit next to it.
(cd "$(dirname "${tests_exe}")" &&
  wine_cmd "${ORVA_WINE_TEST_TIMEOUT:-900}" "$(basename "${tests_exe}")" \
    --gtest_color=no "--gtest_output=xml:Z:${build}/wine-test-results.xml" "$@") || status=$?
echo "== Wine test run: exit code ${status} after $(seconds_since "${started}") s"
exit "${status}"
