#!/usr/bin/env bash
# Host tests of the automation server under Wine: registers Orvabridge.dll of a mingw-w64 build
# with regsvr32 and drives it from VBScript (cscript) the way a practice-management script does,
# in a fresh Wine prefix of its own. A 64-bit DLL is registered and used by the 64-bit tools of the
# prefix, a 32-bit DLL by its 32-bit tools (syswow64), as on 64-bit Windows.
#
#   scripts/wine/com-tests.sh [BUILD...]
#
# BUILD is a build directory, or a preset name meaning build/<preset>; several may be given
# (default: mingw-x86_64). The last line reads "N passed, M failed, K builds not run"; the exit
# code is 0 when nothing failed and everything ran, 77 when nothing failed but a 32-bit build could
# not run on this machine, 1 otherwise.
#
# Environment:
#   ORVA_WINE_COM_TIMEOUT   seconds one test script may run (default 120)
#   ORVA_WINE_REUSE_PREFIX  1: keep an existing prefix of an earlier run instead of a fresh one
#   ORVA_SIM_EXE            orva-sim.exe to run the simulator tests against (default: the build's)
#   WINEDEBUG               Wine's log channels (default: heap checks, scripts/wine/common.sh)
set -uo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
tests_dir=${repo}/tests/com
[ $# -eq 0 ] && set -- mingw-x86_64

# shellcheck source=scripts/wine/common.sh
. "${repo}/scripts/wine/common.sh"
# shellcheck source=scripts/identity.sh
. "${repo}/scripts/identity.sh"
# No message box may wait for a click: the library prints their texts to standard error instead.
export ORVABRIDGE_MESSAGE_BOXES=stderr
if [ -z "${wine_bin}" ] || [ -z "${wineserver_bin}" ] || [ -z "${wine64_bin}" ]; then
  echo "com-tests: wine (with wine64) is not installed (scripts/install-deps.sh installs it)" >&2
  exit 2
fi

passed=0
failed=0
not_run=0
pass() { passed=$((passed + 1)); echo "ok - $*"; }
fail() { failed=$((failed + 1)); echo "not ok - $*"; }

# --- the tools of one architecture --------------------------------------------------------------

bits=64
tools=system32
loader=${wine64_bin}
tool() {
  local limit=$1 name=$2
  shift 2
  LC_ALL=${wine_locale} timeout --kill-after=10 "${limit}" "${loader}" \
    "C:\\windows\\${tools}\\${name}" "$@"
}
# The 64-bit reg.exe reaches both registry views (/reg:32, /reg:64) without a 32-bit process.
reg_() {
  LC_ALL=${wine_locale} timeout --kill-after=10 60 "${wine64_bin}" \
    'C:\windows\system32\reg.exe' "$@" "/reg:${bits}"
}
reg_add() { reg_ add "$@" /f >/dev/null 2>&1; }
reg_delete() { reg_ delete "$@" /f >/dev/null 2>&1 || true; }
reg_has() { reg_ query "$@" >/dev/null 2>&1; }
regsvr32() { tool 60 regsvr32.exe "$@"; }

# Runs one VBScript test; its "ok"/"not ok" lines count, and a script that ends without its
# closing "# done" line (a crash, a time-out, a script error) counts as one failure.
run_script() {
  local script=$1
  shift
  local name=${bits}-${script%.vbs}
  local combined=${work}/${name}.vbs out=${work}/${name}.out err=${work}/${name}.err status=0
  # The shared checks go in front: the script engine cannot include another file.
  cat "${tests_dir}/checks.vbs" "${tests_dir}/${script}" >"${combined}"
  (cd "${work}" &&
    tool "${ORVA_WINE_COM_TIMEOUT:-120}" cscript.exe //nologo "$(windows_path "${combined}")" \
      "$@") >"${out}" 2>"${err}" || status=$?
  tr -d '\r' <"${out}" | while IFS= read -r line; do
    case ${line} in
      "ok "* | "not ok "*) echo "${line} [${bits}-bit ${script%.vbs}]" ;;
    esac
  done
  local ok not_ok
  ok=$(tr -d '\r' <"${out}" | grep -c '^ok ' || true)
  not_ok=$(tr -d '\r' <"${out}" | grep -c '^not ok ' || true)
  passed=$((passed + ok))
  failed=$((failed + not_ok))
  # None of the scenarios has a failure that the library reports in a message box.
  if ! wine_heap_clean "${err}" >/dev/null; then
    fail "${bits}-bit ${script}: Wine reported heap damage: $(grep -m1 ':heap:' "${err}")"
  fi
  if grep -q '^\[message box\]' "${err}"; then
    fail "${bits}-bit ${script}: a message box appeared: $(grep -m1 '^\[message box\]' "${err}")"
  fi
  if ! tr -d '\r' <"${out}" | grep -q '^# done'; then
    fail "${bits}-bit ${script}: ended early (exit ${status}); output and errors follow"
    sed 's/^/    | /' "${out}" "${err}"
  elif [ "${not_ok}" -gt 0 ] && [ -s "${err}" ]; then
    sed 's/^/    stderr | /' "${err}"
  fi
}

# The class library's stand-in and the bridge's own settings, in the registry view of `bits`.
install_class_library() {
  local executable=${1:-}
  reg_add 'HKLM\Software\Orvaclass' /v VendorKey /d Orvadent
  reg_add 'HKLM\Software\Orvaclass' /v ApplicationKey /d Orvanta
  reg_add 'HKLM\Software\Orvaclass' /v ExecutablePath /d "${executable}"
  reg_add 'HKLM\Software\Orvaclass' /v Version /d 3.1.1199
  reg_add 'HKLM\Software\Orvaclass' /v ConnectionString /d ""
}
remove_installation() {
  reg_delete 'HKLM\Software\Orvaclass'
  reg_delete 'HKLM\Software\Orvadent'
}
set_text_out() { reg_add 'HKLM\Software\Orvadent\Orvanta\Orvabridge' /v OrvabridgeTXTOUT /d "$1"; }

# The class's key below a root's Software\Classes and below HKLM, for each build below from its
# identity.env (cmake/identity.cmake), with ORVABRIDGE_PROG_ID and the other values.
clsid_path=
clsid_key=

# Windows shows a user's own classes in HKEY_CLASSES_ROOT; older Wine versions do not.
user_classes_merge() {
  local probe='Software\Classes\Orvabridge.MergeProbe' merged=1
  reg_add "HKCU\\${probe}" /ve /d probe
  reg_has 'HKCR\Orvabridge.MergeProbe' && merged=0
  reg_delete "HKCU\\${probe}"
  return ${merged}
}

# orvactl doctor of the build, run by the loader of the server's bitness while the server is
# registered and the simulator runs: it must find the simulator, attach, read the session and see
# the registration (for hosts of this bitness only), and fail no line.
run_doctor() {
  local orvactl=${build}/tools/orvactl/orvactl.exe out=${work}/${bits}-doctor.json status=0
  if [ ! -f "${orvactl}" ]; then
    fail "${bits}-bit: ${orvactl} is missing; build the target orvactl first"
    return
  fi
  LC_ALL=${wine_locale} timeout --kill-after=10 120 "${loader}" "${orvactl}" --json doctor \
    >"${out}" 2>"${work}/${bits}-doctor.err" || status=$?
  if [ "${status}" -eq 0 ]; then
    pass "${bits}-bit: orvactl doctor fails no line"
  else
    fail "${bits}-bit: orvactl doctor ended with ${status}: $(cat "${out}" "${work}/${bits}-doctor.err")"
  fi
  local expected
  for expected in '"check":"windows","status":"OK"' '"check":"attach","status":"OK"' \
    '"check":"session","status":"OK"' "registered only for ${bits}-bit hosts"; do
    if grep -qF "${expected}" "${out}"; then
      pass "${bits}-bit: orvactl doctor: ${expected}"
    else
      fail "${bits}-bit: orvactl doctor: no ${expected} in $(cat "${out}")"
    fi
  done
}

test_build() {
  local build=$1 dll=$1/src/com/Orvabridge.dll
  if [ ! -f "${dll}" ]; then
    fail "${dll} is missing; build the target orvabridge_com first"
    return
  fi
  bits=$(pe_bits "${dll}")
  case ${bits} in
    64) tools=system32 loader=${wine64_bin} ;;
    32) tools=syswow64 loader=${wine_bin} ;;
    *) fail "${dll}: not a Windows DLL"; return ;;
  esac
  if [ "${bits}" = 32 ] && ! machine_runs_32bit; then
    not_run=$((not_run + 1))
    echo "NOT RUN - the 32-bit server ${dll}: ${no_32bit_reason}"
    return
  fi
  local dll_path
  dll_path=$(windows_path "${dll}")
  echo "== ${bits}-bit server: ${dll}"

  # Registration for the machine: class, ProgIDs and type library; then the scripts.
  if regsvr32 /s "${dll_path}"; then pass "${bits}-bit: regsvr32 registers the server"; else
    fail "${bits}-bit: regsvr32 failed"; fi
  if reg_ query "${clsid_key}\\InprocServer32" /v ThreadingModel 2>/dev/null | grep -q Apartment; then
    pass "${bits}-bit: the class is registered apartment-threaded"
  else
    fail "${bits}-bit: no InprocServer32 with ThreadingModel Apartment"
  fi
  run_script registered.vbs present

  remove_installation
  run_script class_library_missing.vbs

  install_class_library ""
  run_script stub_mode.vbs
  run_script dispatch.vbs

  local text_out_unix=${WINEPREFIX}/drive_c/orvabridge-text-out
  rm -rf "${text_out_unix}"
  mkdir -p "${text_out_unix}"
  set_text_out 'C:\orvabridge-text-out'
  run_script text_out.vbs 'C:\orvabridge-text-out\'
  remove_installation

  # Against the simulated imaging application, started first as the real one would be.
  local simulator=${ORVA_SIM_EXE:-${build}/sim/orva-sim.exe}
  if [ -f "${simulator}" ]; then
    install_class_library "$(windows_path "${simulator}")"
    if start_simulator "${simulator}" "${work}/${bits}-simulator.log" --demo-data --logged-in demo; then
      run_script simulator.vbs
      run_doctor
    else
      fail "${bits}-bit: orva-sim.exe did not start (see ${work}/${bits}-simulator.log)"
    fi
    stop_simulator
    if start_simulator "${simulator}" "${work}/${bits}-simulator-faults.log" --demo-data \
      --logged-in demo --reply-size 20 --only-for 1500; then
      run_script simulator_faults.vbs
    else
      fail "${bits}-bit: orva-sim.exe did not start (see ${work}/${bits}-simulator-faults.log)"
    fi
    stop_simulator
    if ! wine_heap_clean "${work}/${bits}"-simulator*.log >/dev/null; then
      fail "${bits}-bit: Wine reported heap damage in orva-sim.exe (see ${work})"
    fi
    remove_installation
  else
    fail "${bits}-bit: ${simulator} is missing; build the target orva-sim first"
  fi

  # Unregistration takes everything away again.
  if regsvr32 /s /u "${dll_path}"; then pass "${bits}-bit: regsvr32 /u unregisters the server"; else
    fail "${bits}-bit: regsvr32 /u failed"; fi
  if reg_has "${clsid_key}"; then fail "${bits}-bit: the class key survived /u"; else
    pass "${bits}-bit: the class key is gone"; fi
  run_script registered.vbs absent

  # Registration for the current user alone.
  if regsvr32 /s /n /i:user "${dll_path}"; then
    pass "${bits}-bit: regsvr32 /n /i:user registers for the user"
  else
    fail "${bits}-bit: regsvr32 /n /i:user failed"
  fi
  if reg_has "HKCU\\Software\\Classes\\${ORVABRIDGE_PROG_ID}\\CLSID" && ! reg_has "${clsid_key}"; then
    pass "${bits}-bit: the user registration lives under HKCU\\Software\\Classes only"
  else
    fail "${bits}-bit: the user registration is not (only) under HKCU\\Software\\Classes"
  fi
  if reg_ query "HKCU\\${clsid_path}\\InprocServer32" /v ThreadingModel 2>/dev/null |
    grep -q Apartment; then
    pass "${bits}-bit: the user's class is registered apartment-threaded"
  else
    fail "${bits}-bit: no InprocServer32 with ThreadingModel Apartment for the user"
  fi
  if user_classes_merge; then
    run_script registered.vbs present
  else
    echo "# skipped: creating the object after a user registration (this Wine does not merge" \
      "HKCU\\Software\\Classes into HKEY_CLASSES_ROOT)"
  fi
  if regsvr32 /s /u /n /i:user "${dll_path}"; then
    pass "${bits}-bit: regsvr32 /u /n /i:user removes it"
  else
    fail "${bits}-bit: regsvr32 /u /n /i:user failed"
  fi
  if reg_has "HKCU\\Software\\Classes\\${ORVABRIDGE_PROG_ID}"; then
    fail "${bits}-bit: the user's ProgID survived"
  else
    pass "${bits}-bit: the user's ProgID is gone"
  fi
  run_script registered.vbs absent
}

trap 'stop_simulator; stop_wineserver' EXIT
for target in "$@"; do
  if [ -d "${target}" ]; then
    build=$(cd "${target}" && pwd)
  elif [ -d "${repo}/build/${target}" ]; then
    build=${repo}/build/${target}
  else
    fail "no build directory '${target}'"
    continue
  fi
  if ! identity_load "${build}"; then
    fail "${build}: no identity.env to read the class and ProgID from; configure it again"
    continue
  fi
  clsid_path="Software\\Classes\\CLSID\\{${ORVABRIDGE_CLASS_ID}}"
  clsid_key="HKLM\\${clsid_path}"
  export WINEPREFIX=${build}/wine-prefix-com
  export WINEARCH=win64
  export HOME=${HOME:-${build}}
  work=${build}/com-test-output
  mkdir -p "${work}"
  if [ "${ORVA_WINE_REUSE_PREFIX:-0}" = 1 ] && [ -f "${WINEPREFIX}/system.reg" ]; then
    echo "== Wine prefix: reusing ${WINEPREFIX}"
  else
    echo "== Wine prefix: creating ${WINEPREFIX}"
    create_prefix "${work}/wine-prefix.log"
  fi
  test_build "${build}"
  stop_wineserver
done

echo "${passed} passed, ${failed} failed, ${not_run} builds not run"
[ "${failed}" -eq 0 ] || exit 1
# 77: nothing failed, but a build could not be run on this machine (test.sh reports it).
[ "${not_run}" -eq 0 ] || exit 77
