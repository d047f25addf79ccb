#!/usr/bin/env bash
# Installs a build into a fresh prefix and builds a small host against it, as an integrator
# would, then runs it.
#
#   scripts/check-package.sh BUILD [EXTRA_CXX_FLAGS]
#   (BUILD: a build directory, or a preset name meaning build/<preset>; EXTRA_CXX_FLAGS: what the
#   build's own code was compiled with that a host must link with too, e.g. the sanitizers of the
#   asan build)
#
# A native build: the host is built twice, with find_package(orvabridge 1.1) and with pkg-config,
# and both run on the in-process desktop without an imaging application (any documented result).
#
# A mingw-w64 build (one configured with a toolchain file): the host is built with
# find_package(orvabridge 1.1) and that toolchain, then runs under Wine in a fresh prefix beside
# the build's orva-sim.exe, with the class library's keys pointing at it; it must attach. A
# 32-bit build is built but not run on a machine that cannot run 32-bit programs: exit code 77.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$1
flags=${2:-}
[ -d "${build}" ] || build=${repo}/build/${build}
if [ ! -f "${build}/CMakeCache.txt" ]; then
  echo "check-package: ${build} is not a configured build directory" >&2
  exit 2
fi
build=$(cd "${build}" && pwd)
work=$(mktemp -d)
cleanup() { rm -rf "${work}"; }
trap cleanup EXIT

cmake --install "${build}" --prefix "${work}/prefix" >/dev/null
echo "== package: installed $(find "${work}/prefix" -type f | wc -l) files"

toolchain=$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "${build}/CMakeCache.txt")

# --- native: find_package and pkg-config hosts on the in-process desktop -------------------------

if [ -z "${toolchain}" ]; then
  cmake -S "${repo}/tests/package" -B "${work}/consumer" -G Ninja \
    -DCMAKE_PREFIX_PATH="${work}/prefix" -DCMAKE_CXX_FLAGS="${flags}" >/dev/null
  cmake --build "${work}/consumer" >/dev/null
  "${work}/consumer/consumer"

  PKG_CONFIG_PATH=$(dirname "$(find "${work}/prefix" -name orvabridge.pc | head -1)")
  export PKG_CONFIG_PATH
  # shellcheck disable=SC2046,SC2086  # the flags are words on purpose
  g++ ${flags} "${repo}/tests/package/consumer.cpp" $(pkg-config --cflags --libs orvabridge) \
    -o "${work}/consumer-pc"
  "${work}/consumer-pc"
  echo "== package: find_package and pkg-config hosts built and ran"
  exit 0
fi

# --- mingw-w64: a find_package host built with the build's toolchain, run under Wine -------------

echo "== package: cross build with ${toolchain}"
# Extra flags only when given: an empty CMAKE_CXX_FLAGS would drop the toolchain's own.
extra=()
[ -z "${flags}" ] || extra=(-DCMAKE_CXX_FLAGS="${flags}")
cmake -S "${repo}/tests/package" -B "${work}/consumer" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="${toolchain}" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="${work}/prefix" "${extra[@]}" >/dev/null
cmake --build "${work}/consumer" >/dev/null
consumer=${work}/consumer/consumer.exe
simulator=${build}/sim/orva-sim.exe
[ -f "${consumer}" ] || { echo "check-package: no ${consumer} was built" >&2; exit 1; }
[ -f "${simulator}" ] || { echo "check-package: ${simulator} is missing; build orva-sim" >&2; exit 1; }

export WINEPREFIX=${work}/wine-prefix
export WINEARCH=win64
# No message box may wait for a click: the library prints their texts to standard error instead.
export ORVABRIDGE_MESSAGE_BOXES=stderr
# shellcheck source=scripts/wine/common.sh
. "${repo}/scripts/wine/common.sh"
if [ -z "${wine_bin}" ] || [ -z "${wineserver_bin}" ] || [ -z "${wine64_bin}" ]; then
  echo "check-package: wine (with wine64) is not installed (scripts/install-deps.sh installs it)" >&2
  exit 2
fi

bits=$(pe_bits "${consumer}")
if ! run=$(wine_runner_for "${consumer}"); then
  echo "== package: NOT RUN: the find_package host was built, but it is a 32-bit program and" \
    "${no_32bit_reason}"
  exit 77
fi

simulator_pid=
stop_simulator() {
  [ -n "${simulator_pid}" ] || return 0
  kill "${simulator_pid}" 2>/dev/null || true
  wait "${simulator_pid}" 2>/dev/null || true
  simulator_pid=
}
cleanup() {
  stop_simulator
  stop_wineserver
  rm -rf "${work}"
}

create_prefix "${work}/wine-prefix.log"

# The class library's keys, in the registry view of the host's bitness, name the simulator as the
# imaging application, as its installer does for the real one.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
reg_add() {
  "${run}" 60 reg add 'HKLM\Software\Orvaclass' /v "$1" /d "$2" /f "/reg:${bits}" \
    >>"${work}/wine-prefix.log" 2>&1
}
reg_add VendorKey Orvadent
reg_add ApplicationKey Orvanta
reg_add ExecutablePath "$(windows_path "${simulator}")"
reg_add Version 3.1.1199
reg_add ConnectionString ""

# The simulator first, as the imaging application would already run; the host attaches to it
# without launching. Waits (bounded) until it reports its windows.
sim_loader=${wine64_bin}
[ "$(pe_bits "${simulator}")" = 32 ] && sim_loader=${wine_bin}
sim_log=${work}/simulator.log
LC_ALL=${wine_locale} timeout --kill-after=10 300 "${sim_loader}" "${simulator}" --verbose \
  --exit-after-ms 240000 >"${sim_log}" 2>&1 &
simulator_pid=$!
tenths=0
until grep -q ' running;' "${sim_log}" 2>/dev/null; do
  if ! kill -0 "${simulator_pid}" 2>/dev/null || [ ${tenths} -ge 600 ]; then
    echo "check-package: orva-sim.exe did not start; its output:" >&2
    sed 's/^/    | /' "${sim_log}" >&2
    exit 1
  fi
  sleep 0.1
  tenths=$((tenths + 1))
done

status=0
(cd "${work}" && "${run}" 120 "${consumer}" --expect-attached) >"${work}/consumer.out" \
  2>"${work}/consumer.err" || status=$?
tr -d '\r' <"${work}/consumer.out"
if [ "${status}" -ne 0 ]; then
  echo "check-package: the find_package host under Wine ended with ${status}; its errors:" >&2
  sed 's/^/    | /' "${work}/consumer.err" >&2
  exit 1
fi
if ! wine_heap_clean "${work}/consumer.err" "${sim_log}" >/dev/null; then
  echo "check-package: Wine reported heap damage:" >&2
  wine_heap_clean "${work}/consumer.err" "${sim_log}" >&2 || true
  exit 1
fi
echo "== package: find_package host built with the ${bits}-bit toolchain attached to orva-sim.exe" \
  "under Wine"
