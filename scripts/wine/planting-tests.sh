#!/usr/bin/env bash
# Tests under Wine that a DLL planted in a shared folder is never loaded by our server or tools.
# At practices, programs are often started from a share that many can write to, and Windows
# looks for a DLL that is not one of its known DLLs in the program's folder first. So:
#   - every DLL the server and the tools import is a known DLL (taken from the system folder,
#     whatever lies beside the program);
#   - odbc32.dll, which is not one, is loaded at run time from the system folder only.
# A DLL named odbc32.dll that marks when it is loaded is planted in a folder, beside a host
# program (tests/planting/host.c) and copies of the tools, all started with that folder as their
# current folder: a load by name with the default search takes the planted DLL (which shows that
# this Wine honours such a DLL at all); the host loading the server, and the tools, including
# orvactl's database check, which opens ODBC, do not.
#
#   scripts/wine/planting-tests.sh X64_BUILD
#
# Prints "ok - ..." and "not ok - ..." lines and "N passed, M failed"; exit 0 when all passed.
set -uo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=scripts/wine/common.sh
. "${repo}/scripts/wine/common.sh"
export ORVABRIDGE_MESSAGE_BOXES=stderr
[ $# -eq 1 ] || { echo "usage: scripts/wine/planting-tests.sh X64_BUILD" >&2; exit 2; }
if [ -d "$1" ]; then build=$(cd "$1" && pwd); else build=${repo}/build/$1; fi
[ -f "${build}/src/com/Orvabridge.dll" ] || { echo "planting-tests: no ${build}/src/com/Orvabridge.dll" >&2; exit 2; }
[ -n "${wine64_bin}" ] || { echo "planting-tests: wine64 is not installed" >&2; exit 2; }

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok - $*"; }
fail() { failed=$((failed + 1)); echo "not ok - $*"; }

work=${build}/planting-test-output
share=${work}/share
server=${work}/server
rm -rf "${work}"
mkdir -p "${share}" "${server}"
export WINEPREFIX=${build}/wine-prefix-planting
export WINEARCH=win64
export HOME=${HOME:-${build}}
trap 'stop_wineserver' EXIT

# --- the imports ---------------------------------------------------------------------------------

# The DLLs that Windows always loads from its system folder (the KnownDLLs list of Windows 10 and
# 11); any other DLL named in an import table is looked up beside the program first.
known_dlls=" advapi32.dll clbcatq.dll combase.dll comdlg32.dll coml2.dll difxapi.dll gdi32.dll \
gdiplus.dll imagehlp.dll imm32.dll kernel32.dll msctf.dll msvcrt.dll normaliz.dll nsi.dll \
ole32.dll oleaut32.dll psapi.dll rpcrt4.dll sechost.dll setupapi.dll shcore.dll shell32.dll \
shlwapi.dll user32.dll wldap32.dll ws2_32.dll "
programs=(src/com/Orvabridge.dll tools/orvactl/orvactl.exe sim/orva-sim.exe tools/relay/orva-relay.exe)
for program in "${programs[@]}"; do
  imports=$(x86_64-w64-mingw32-objdump -p "${build}/${program}" | sed -n 's/^[[:space:]]*DLL Name: //p' |
    tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
  unknown=""
  for dll in ${imports}; do
    case ${known_dlls} in *" ${dll} "*) ;; *) unknown+="${dll} " ;; esac
  done
  if [ -z "${unknown}" ]; then
    pass "${program##*/} imports only known DLLs: ${imports% }"
  else
    fail "${program##*/} imports DLLs that a planted copy beside a host would replace: ${unknown% }"
  fi
done

# --- the planted DLL, the host, the programs -----------------------------------------------------

x86_64-w64-mingw32-gcc -O1 -s -shared -o "${share}/odbc32.dll" "${repo}/tests/planting/planted_dll.c" &&
  x86_64-w64-mingw32-gcc -O1 -s -municode -o "${share}/host.exe" "${repo}/tests/planting/host.c" ||
  { fail "the planted DLL and the host do not build"; echo "${passed} passed, ${failed} failed"; exit 1; }
cp "${build}/src/com/Orvabridge.dll" "${server}/"
cp "${build}/tools/orvactl/orvactl.exe" "${build}/sim/orva-sim.exe" "${build}/tools/relay/orva-relay.exe" \
  "${share}/"
marker=${share}/planted.loaded

echo "== Wine prefix: creating ${WINEPREFIX}"
create_prefix "${work}/wine-prefix.log"

# Wine itself prefers its built-in odbc32 to any file of that name; Windows takes the first one it
# finds, searching the program's folder first. The override "native, then built-in" makes Wine
# search like Windows for this DLL (its system folder holds only the built-in one).
in_share() {  # in_share LOG PROGRAM ARGS...: runs a program of the share, the share as current folder
  local log=$1
  shift
  (cd "${share}" && WINEDLLOVERRIDES="${WINEDLLOVERRIDES};odbc32=n,b" wine_cmd 120 "$@") \
    >"${work}/${log}" 2>&1
}

# The control: a load by name with the default search finds the planted DLL.
in_share control.out "$(windows_path "${share}/host.exe")"
if [ -f "${marker}" ]; then
  pass "control: LoadLibrary(\"odbc32.dll\") from a program in the folder takes the planted DLL"
else
  fail "control: this Wine did not load the DLL planted beside the program; nothing below would show a fault"
fi
rm -f "${marker}"

# A host in the share loads the server by its full path, as COM does.
status=0
in_share server.out "$(windows_path "${share}/host.exe")" "$(windows_path "${server}/Orvabridge.dll")" ||
  status=$?
if [ "${status}" -eq 0 ] && [ ! -f "${marker}" ]; then
  pass "a host in the folder loads Orvabridge.dll without loading the planted odbc32.dll"
else
  fail "a host in the folder loading Orvabridge.dll: exit ${status}, planted DLL loaded: $([ -f "${marker}" ] && echo yes || echo no)"
fi
rm -f "${marker}"

for program in orvactl orva-relay; do
  status=0
  in_share "${program}.out" "$(windows_path "${share}/${program}.exe")" --version || status=$?
  if [ "${status}" -eq 0 ] && [ ! -f "${marker}" ]; then
    pass "${program}.exe started from the folder does not load the planted DLL"
  else
    fail "${program}.exe --version from the folder: exit ${status}, planted DLL loaded: $([ -f "${marker}" ] && echo yes || echo no)"
  fi
  rm -f "${marker}"
done

# orvactl's database check opens the ODBC driver manager: the system's, not the planted one.
key='HKLM\Software\Orvaclass'
wine_cmd 60 reg add "${key}" /v VendorKey /d Orvadent /f >/dev/null 2>&1
wine_cmd 60 reg add "${key}" /v ApplicationKey /d Orvanta /f >/dev/null 2>&1
wine_cmd 60 reg add "${key}" /v ExecutablePath /d 'C:\Orvanta\orvanta.exe' /f >/dev/null 2>&1
wine_cmd 60 reg add "${key}" /v Version /d 3.1.1199 /f >/dev/null 2>&1
wine_cmd 60 reg add "${key}" /v ConnectionString /d 'Driver={Orvabridge No Such Driver};Database=x' \
  /f >/dev/null 2>&1
in_share doctor.out "$(windows_path "${share}/orvactl.exe")" doctor
database_line=$(tr -d '\r' <"${work}/doctor.out" | grep -i -m1 'database' || true)
if [ ! -f "${marker}" ] && grep -qi 'driver\|data source' <<<"${database_line}"; then
  pass "orvactl doctor from the folder opens ODBC (${database_line# }) without the planted DLL"
else
  fail "orvactl doctor from the folder: planted DLL loaded: $([ -f "${marker}" ] && echo yes || echo no); database check: '${database_line}'"
fi

if ! wine_heap_clean "${work}"/*.out >/dev/null; then
  fail "Wine reported heap damage: $(grep -h -m1 ':heap:' "${work}"/*.out | head -1)"
fi
echo "${passed} passed, ${failed} failed"
[ "${failed}" -eq 0 ]
