#!/usr/bin/env bash
# The soak under Wine: orvabridge_soak.exe of a mingw-w64 build drives that build's
# Orvabridge.dll against its orva-sim.exe with many mixed calls and a few faults, in a fresh
# prefix of its own, and prints what the process holds at 10 %, 50 % and 100 % of the calls.
# A figures tool, not a test: it prints numbers and fails only when it cannot run.
#
#   scripts/wine/soak.sh [BUILD] [CALLS]      (default: mingw-x86_64, 100000 calls)
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
target=${1:-mingw-x86_64}
calls=${2:-100000}
if [ -d "${target}" ]; then build=$(cd "${target}" && pwd); else build=${repo}/build/${target}; fi
soak=${build}/bench/orvabridge_soak.exe
for file in "${soak}" "${build}/src/com/Orvabridge.dll" "${build}/sim/orva-sim.exe"; do
  [ -f "${file}" ] || { echo "soak: ${file} is missing; build ${target} first" >&2; exit 2; }
done

export WINEPREFIX=${build}/wine-prefix-soak
export WINEARCH=win64
export HOME=${HOME:-${build}}
# shellcheck source=scripts/wine/common.sh
. "${repo}/scripts/wine/common.sh"
run=wine_cmd
if [ "$(pe_bits "${soak}")" = 32 ]; then
  machine_runs_32bit || { echo "soak: ${no_32bit_reason}" >&2; exit 77; }
  run=wine32_cmd
fi
trap stop_wineserver EXIT
create_prefix "${build}/wine-prefix-soak.log"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
"${run}" 3600 "$(windows_path "${soak}")" "$(windows_path "${build}/src/com/Orvabridge.dll")" \
  "$(windows_path "${build}/sim/orva-sim.exe")" "${calls}"
