#!/usr/bin/env bash
# The figures under Wine: orvabridge_figures.exe of a mingw-w64 build measures that build's
# Appl and Orvabridge.dll against its orva-sim.exe in a process of its own, in a fresh prefix,
# and prints the ratios to raw copy-data exchanges and the attach times on a crowded desktop.
# A figures tool, not a test: it prints numbers and fails only when it cannot run. A build
# configured with -DORVABRIDGE_COUNT_SYSTEM_CALLS=ON also prints the calls each path makes into
# the window manager.
#
#   scripts/wine/figures.sh [BUILD] [figures options]    (default: mingw-x86_64)
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
target=${1:-mingw-x86_64}
shift || true
if [ -d "${target}" ]; then build=$(cd "${target}" && pwd); else build=${repo}/build/${target}; fi
figures=${build}/bench/orvabridge_figures.exe
for file in "${figures}" "${build}/src/com/Orvabridge.dll" "${build}/sim/orva-sim.exe"; do
  [ -f "${file}" ] || { echo "figures: ${file} is missing; build ${target} first" >&2; exit 2; }
done

export WINEPREFIX=${build}/wine-prefix-figures
export WINEARCH=win64
export HOME=${HOME:-${build}}
# shellcheck source=scripts/wine/common.sh
. "${repo}/scripts/wine/common.sh"
run=$(wine_runner_for "${figures}") || { echo "figures: ${no_32bit_reason}" >&2; exit 77; }
trap stop_wineserver EXIT
create_prefix "${build}/wine-prefix-figures.log"
"${run}" 3600 "$(windows_path "${figures}")" "$(windows_path "${build}/sim/orva-sim.exe")" \
  "$(windows_path "${build}/src/com/Orvabridge.dll")" "$@"
