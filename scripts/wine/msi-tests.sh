#!/usr/bin/env bash
# Tests of the Windows installer under Wine, in a fresh prefix of its own: builds the MSI
# (scripts/build-msi.sh) from a mingw-w64 x64 and x86 build, installs it silently, and checks what
# it put where, that every version agrees, that the installed servers work from the script host of
# their bitness against the installed simulator, that a newer package replaces it in place and an
# older one is refused, and that removal leaves nothing of ours behind.
#
#   scripts/wine/msi-tests.sh [--signed] X64_BUILD X86_BUILD
#
# --signed: the packages and their programs are signed (scripts/build-msi.sh --sign) with a
# throwaway certificate made for the run, and the installed programs' signatures are verified.
#
# BUILD is a build directory or a preset name meaning build/<preset>. Prints "ok - ..." and
# "not ok - ..." lines and "N passed, M failed" last; exit 0 when everything passed, 77 when
# nothing failed but the 32-bit part could not run on this machine, 1 otherwise.
#
# Environment:
#   ORVA_WINE_COM_TIMEOUT   seconds the script host may run (default 120)
#   WINEDEBUG               Wine's log channels (default: heap checks, scripts/wine/common.sh)
set -uo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=scripts/wine/common.sh
. "${repo}/scripts/wine/common.sh"
export ORVABRIDGE_MESSAGE_BOXES=stderr
if [ -z "${wine_bin}" ] || [ -z "${wineserver_bin}" ] || [ -z "${wine64_bin}" ]; then
  echo "msi-tests: wine (with wine64) is not installed (scripts/install-deps.sh installs it)" >&2
  exit 2
fi
sign_args=()
if [ "${1:-}" = --signed ]; then
  sign_args=(--sign)
  shift
fi
if [ $# -ne 2 ]; then
  echo "usage: scripts/wine/msi-tests.sh [--signed] X64_BUILD X86_BUILD" >&2
  exit 2
fi
build_dir() {
  if [ -d "$1" ]; then (cd "$1" && pwd); elif [ -d "${repo}/build/$1" ]; then
    echo "${repo}/build/$1"
  fi
}
x64_build=$(build_dir "$1")
x86_build=$(build_dir "$2")
if [ -z "${x64_build}" ] || [ -z "${x86_build}" ]; then
  echo "msi-tests: no build directory '$1' or '$2'" >&2
  exit 2
fi

passed=0
failed=0
not_run=()
pass() { passed=$((passed + 1)); echo "ok - $*"; }
fail() { failed=$((failed + 1)); echo "not ok - $*"; }
check() {  # check NAME COMMAND...: passes when the command succeeds
  local name=$1
  shift
  if "$@"; then pass "${name}"; else fail "${name}"; fi
}

work=${x64_build}/msi-test-output
rm -rf "${work}"
mkdir -p "${work}"
packages=$(mktemp -d "${TMPDIR:-/tmp}/orvabridge-msi-tests.XXXXXX")
export WINEPREFIX=${x64_build}/wine-prefix-msi
export WINEARCH=win64
export HOME=${HOME:-${x64_build}}
trap 'stop_simulator; stop_wineserver; rm -rf "${packages}"' EXIT

# --- what the package must say ------------------------------------------------------------------

# What the builds were configured with (cmake/identity.cmake, through the x64 build's identity.env;
# scripts/build-msi.sh refuses builds that disagree).
# shellcheck source=scripts/identity.sh
. "${repo}/scripts/identity.sh"
identity_load "${x64_build}" || exit 2
version=${ORVABRIDGE_VERSION}
IFS=. read -r major minor patch <<<"${version}"
next_version=${major}.${minor}.$((patch + 1))
x64_folder='C:\Program Files\Orvabridge'
x86_folder='C:\Program Files (x86)\Orvabridge'
x64_unix=${WINEPREFIX}/drive_c/Program\ Files/Orvabridge
x86_unix=${WINEPREFIX}/drive_c/Program\ Files\ \(x86\)/Orvabridge
programs=(Orvabridge.dll orvactl.exe orva-sim.exe orva-relay.exe)

# --- Wine helpers -------------------------------------------------------------------------------

reg_view() {  # reg_view 32|64 ARGS...: the 64-bit reg.exe, in the given registry view
  local view=$1
  shift
  wine_cmd 60 'C:\windows\system32\reg.exe' "$@" "/reg:${view}"
}
msiexec() {  # msiexec LOG ARGS...: a silent msiexec with a verbose log; its exit code
  local log=$1
  shift
  wine_cmd 300 'C:\windows\system32\msiexec.exe' "$@" /qn /l*v "$(windows_path "${work}/${log}")" \
    >>"${work}/msiexec.out" 2>&1
}

# A registry export, one line per value ("[key] name=value", the key in lower case since the
# registry ignores case) and per key without values ("[key]"); HKLM\Software\Classes of one view.
snapshot() {  # snapshot NAME VIEW
  local file=${work}/$1-$2
  rm -f "${file}.reg"
  reg_view "$2" export 'HKLM\Software\Classes' "$(windows_path "${file}.reg")" /y \
    >/dev/null 2>&1 || { echo "# reg export failed: $1 $2"; return 1; }
  iconv -f UTF-16 -t UTF-8 "${file}.reg" | tr -d '\r' | awk '
    /^\[/ { if (key != "" && !values) print "[" key "]"; key = tolower(substr($0, 2, length($0) - 2));
            values = 0; next }
    /^$/ { next }
    key == "" { next }
    { line = $0
      while (line ~ /\\$/ && (getline more) > 0) { sub(/\\$/, "", line); sub(/^ +/, "", more); line = line more }
      print "[" key "] " line; values = 1 }
    END { if (key != "" && !values) print "[" key "]" }' | sort >"${file}.txt"
}
# Our lines of a snapshot: the class, the ProgIDs, the type library and its interface, in the
# snapshot's own view (the 64-bit view's export also holds the 32-bit one below Wow6432Node).
ours() {  # ours NAME VIEW
  local clsid=${ORVABRIDGE_CLASS_ID,,} libid=${ORVABRIDGE_LIBRARY_ID,,}
  local iid=${ORVABRIDGE_INTERFACE_ID,,} progid=${ORVABRIDGE_PROG_ID,,}
  local versioned=${ORVABRIDGE_VERSIONED_PROG_ID,,}
  grep -E "^\[hkey_local_machine\\\\software\\\\classes\\\\(clsid\\\\\\{${clsid}\\}|${progid//./\\.}|${versioned//./\\.}|typelib\\\\\\{${libid}\\}|interface\\\\\\{${iid}\\})(\\\\|\])" \
    "${work}/$1-$2.txt" || true
}
# Values as a host sees them: the lines of one registration with the DLL's path, the library
# kind (win32, win64) and the help folder replaced, duplicates dropped. Two registrations that
# differ only in where the DLL is and which bitness it has give the same lines.
normalise() {  # normalise < LINES
  sed -E -e 's/="(C:|Z:)[^"]*\\\\Orvabridge\.dll"$/="<dll>"/I' \
    -e 's/\\0\\win(32|64)\]/\\0\\<kind>]/' \
    -e 's/^(\[[^]]*\\helpdir\]) @=.*/\1 @="<folder>"/' | sort -u
}
value_of() {  # value_of NAME VIEW KEY-BELOW-CLASSES [VALUE-NAME]: a value of a snapshot
  local key="[hkey_local_machine\\software\\classes\\${3,,}]" name=${4:-@}
  [ "${name}" = @ ] || name="\"${name}\""
  # Through the environment: awk -v would read the backslashes of the key as escapes.
  KEY=${key} NAME=${name} awk 'BEGIN { key = ENVIRON["KEY"]; name = ENVIRON["NAME"] }
    index($0, key " " name "=") == 1 { print substr($0, length(key) + length(name) + 3) }' \
    "${work}/$1-$2.txt"
}
quoted_path() {  # a Windows path as a .reg export writes it: quoted, backslashes doubled
  printf '"%s"' "${1//\\/\\\\}"
}

# The products of our upgrade code, as "ProductCode DisplayVersion" lines: the installer's
# upgrade code index names them, their Uninstall keys hold the version.
installed_products() {
  local packed=$1 product
  reg_view 64 query "HKLM\\Software\\Classes\\Installer\\UpgradeCodes\\${packed}" 2>/dev/null |
    tr -d '\r' | awk '$2 == "REG_SZ" { print $1 }' | while read -r product; do
    # The packed product code back to its {GUID} form.
    local guid
    guid=$(perl -e '$_ = shift; my @p = (substr($_,0,8), substr($_,8,4), substr($_,12,4),
      substr($_,16,4), substr($_,20,12)); $p[$_] = reverse $p[$_] for 0..2;
      $p[$_] =~ s/(.)(.)/$2$1/g for 3..4; print "{", join("-", @p), "}"' "${product}")
    local shown
    shown=$(reg_view 64 query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\${guid}" \
      /v DisplayVersion 2>/dev/null | tr -d '\r' | awk '$1 == "DisplayVersion" { print $3 }')
    echo "${guid} ${shown:-none}"
  done
}
packed_guid() {  # the installer's packed form of a {GUID}
  perl -e '$_ = shift; s/[{}]//g; my @p = split /-/; $p[$_] = reverse $p[$_] for 0..2;
    $p[$_] =~ s/(.)(.)/$2$1/g for 3..4; print uc join("", @p)' "$1"
}
# Uninstall entries named Orvabridge, in either view.
orvabridge_entries() {
  local view
  for view in 64 32; do
    reg_view "${view}" query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s \
      /v DisplayName 2>/dev/null | tr -d '\r' | grep -c 'REG_SZ *Orvabridge$' || true
  done | awk '{ n += $1 } END { print n + 0 }'
}

files_present() {  # all eight programs where they belong
  local name
  for name in "${programs[@]}"; do
    [ -f "${x64_unix}/${name}" ] && [ -f "${x86_unix}/${name}" ] || return 1
  done
  [ "$(pe_bits "${x64_unix}/Orvabridge.dll")" = 64 ] && [ "$(pe_bits "${x86_unix}/Orvabridge.dll")" = 32 ]
}
# The checks of an installed package: files, and the server's keys in both views with the paths
# of the DLL of that view's bitness.
check_installed() {  # check_installed LABEL SNAPSHOT
  local label=$1 snap=$2
  check "${label}: the x64 programs in ${x64_folder}, the x86 ones in ${x86_folder}" files_present
  local view folder kind
  for view in 64 32; do
    if [ "${view}" = 64 ]; then folder=${x64_folder} kind=win64; else folder=${x86_folder} kind=win32; fi
    local dll
    dll=$(quoted_path "${folder}\\Orvabridge.dll")
    local found=() key k n v
    for key in "CLSID\\{${ORVABRIDGE_CLASS_ID}}\\InprocServer32|@|${dll}" \
      "CLSID\\{${ORVABRIDGE_CLASS_ID}}\\InprocServer32|ThreadingModel|\"Apartment\"" \
      "CLSID\\{${ORVABRIDGE_CLASS_ID}}\\ProgID|@|\"${ORVABRIDGE_VERSIONED_PROG_ID}\"" \
      "${ORVABRIDGE_PROG_ID}\\CLSID|@|\"{${ORVABRIDGE_CLASS_ID}}\"" \
      "${ORVABRIDGE_PROG_ID}\\CurVer|@|\"${ORVABRIDGE_VERSIONED_PROG_ID}\"" \
      "${ORVABRIDGE_VERSIONED_PROG_ID}\\CLSID|@|\"{${ORVABRIDGE_CLASS_ID}}\"" \
      "TypeLib\\{${ORVABRIDGE_LIBRARY_ID}}\\${ORVABRIDGE_LIBRARY_VERSION}\\0\\${kind}|@|${dll}" \
      "Interface\\{${ORVABRIDGE_INTERFACE_ID}}\\ProxyStubClsid32|@|\"{00020424-0000-0000-C000-000000000046}\""; do
      IFS='|' read -r k n v <<<"${key}"
      local got
      got=$(value_of "${snap}" "${view}" "${k}" "${n}")
      [ "${got}" = "${v}" ] || found+=("${k} ${n}: ${got:-missing} (expected ${v})")
    done
    if [ ${#found[@]} -eq 0 ]; then
      pass "${label}: ${view}-bit view: class, ProgIDs, type library (${kind}) and interface, with ${folder}\\Orvabridge.dll"
    else
      fail "${label}: ${view}-bit view: $(printf '%s; ' "${found[@]}")"
    fi
  done
}

# The VBScript host of one bitness runs a short session against the simulator that the class
# library key names; its lines count like ours.
session_script() {
  cat "${repo}/tests/com/checks.vbs"
  cat <<'VBS'
' A session through the installed server: attach to the installed simulator, read a patient and
' the session, let go.
Dim appl, name, version, first, last, userId, prefix, uFirst, uLast, login
Set appl = CreateObject("Orvabridge.Appl")
name = "" : version = ""
CheckEqual "InitApplication attaches", appl.InitApplication(name, version), 1
CheckEqual "the application's name", name, "Orvanta"
CheckEqual "FindPatient of a patient of the demo data", appl.FindPatient("1002", first, last), 1
CheckEqual "the patient's name", first & " " & last, "Jonas Falk"
login = ""
CheckEqual "GetSessionInfo", appl.GetSessionInfo(userId, prefix, uFirst, uLast, login), 1
CheckEqual "the logged-in user", login, "demo"
CheckEqual "CloseApplication", appl.CloseApplication(), 1
Set appl = Nothing
Done
VBS
}
run_session() {  # run_session BITS: the installed server from the script host of that bitness
  local bits=$1 folder unix host loader
  if [ "${bits}" = 64 ]; then
    folder=${x64_folder} unix=${x64_unix} host='C:\windows\system32\cscript.exe' loader=${wine64_bin}
  else
    folder=${x86_folder} unix=${x86_unix} host='C:\windows\syswow64\cscript.exe' loader=${wine_bin}
  fi
  local key='HKLM\Software\Orvaclass'
  reg_view "${bits}" add "${key}" /v VendorKey /d Orvadent /f >/dev/null 2>&1
  reg_view "${bits}" add "${key}" /v ApplicationKey /d Orvanta /f >/dev/null 2>&1
  reg_view "${bits}" add "${key}" /v ExecutablePath /d "${folder}\\orva-sim.exe" /f >/dev/null 2>&1
  reg_view "${bits}" add "${key}" /v Version /d 3.1.1199 /f >/dev/null 2>&1
  reg_view "${bits}" add "${key}" /v ConnectionString /d "" /f >/dev/null 2>&1
  session_script >"${work}/session-${bits}.vbs"
  if start_simulator "${unix}/orva-sim.exe" "${work}/simulator-${bits}.log" --demo-data \
    --logged-in demo; then
    local out=${work}/session-${bits}.out status=0
    (cd "${work}" && LC_ALL=${wine_locale} timeout --kill-after=10 "${ORVA_WINE_COM_TIMEOUT:-120}" \
      "${loader}" "${host}" //nologo "$(windows_path "${work}/session-${bits}.vbs")") \
      >"${out}" 2>"${work}/session-${bits}.err" || status=$?
    local line
    while IFS= read -r line; do
      case ${line} in
        "ok - "*) pass "${bits}-bit script host, installed server: ${line#ok - }" ;;
        "not ok - "*) fail "${bits}-bit script host, installed server: ${line#not ok - }" ;;
      esac
    done < <(tr -d '\r' <"${out}")
    if ! tr -d '\r' <"${out}" | grep -q '^# done'; then
      fail "${bits}-bit script host: the session ended early (exit ${status}): $(tr -d '\r' <"${out}" "${work}/session-${bits}.err" | tail -5)"
    fi
  else
    fail "${bits}-bit: the installed orva-sim.exe did not start (see ${work}/simulator-${bits}.log)"
  fi
  stop_simulator
  reg_view "${bits}" delete "${key}" /f >/dev/null 2>&1
  reg_view "${bits}" delete 'HKLM\Software\Orvadent' /f >/dev/null 2>&1
}

recorder_value() {  # recorder_value VIEW: FlightRecorder below HKLM\Software\Orvabridge, or none
  reg_view "$1" query 'HKLM\Software\Orvabridge' /v FlightRecorder 2>/dev/null | tr -d '\r' |
    awk '$1 == "FlightRecorder" { value = $3 } END { print value == "" ? "none" : value }'
}

# --- the packages -------------------------------------------------------------------------------

echo "== packages: ${version} and ${next_version} from ${x64_build} and ${x86_build}"
if [ ${#sign_args[@]} -gt 0 ]; then
  # shellcheck source=scripts/test-certificates.sh
  . "${repo}/scripts/test-certificates.sh"
  # shellcheck source=scripts/signing.sh
  . "${repo}/scripts/signing.sh"
  test_certificates "${packages}/certs" || exit 1
  export ORVABRIDGE_SIGN_PKCS12=${packages}/certs/signing.p12
  export ORVABRIDGE_SIGN_PASSWORD_FILE=${packages}/certs/password
fi
first_msi=${packages}/orvabridge-${version}.msi
next_msi=${packages}/orvabridge-${next_version}.msi
rebuilt_msi=${packages}/orvabridge-${next_version}-rebuilt.msi
if ! bash "${repo}/scripts/build-msi.sh" "${x64_build}" "${x86_build}" "${first_msi}" \
  "${sign_args[@]}" >"${work}/build-msi.out" 2>&1 ||
  ! bash "${repo}/scripts/build-msi.sh" "${x64_build}" "${x86_build}" "${next_msi}" \
    --version "${next_version}" "${sign_args[@]}" >>"${work}/build-msi.out" 2>&1 ||
  ! bash "${repo}/scripts/build-msi.sh" "${x64_build}" "${x86_build}" "${rebuilt_msi}" \
    --version "${next_version}" "${sign_args[@]}" >>"${work}/build-msi.out" 2>&1; then
  fail "scripts/build-msi.sh failed: $(tail -3 "${work}/build-msi.out")"
  echo "${passed} passed, ${failed} failed"
  exit 1
fi
pass "scripts/build-msi.sh builds ${version} and ${next_version}"
property() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' -v p="$2" '$1 == p { print $2 }'; }
upgrade_code=$(property "${first_msi}" UpgradeCode)
packed_upgrade_code=$(packed_guid "${upgrade_code}")
check "the packages share the upgrade code ${upgrade_code}" \
  test "${upgrade_code}" = "$(property "${next_msi}" UpgradeCode)" -a \
  "${upgrade_code}" = "$(property "${rebuilt_msi}" UpgradeCode)"
check "every package has its own product code" test "$(for m in "${first_msi}" "${next_msi}" \
  "${rebuilt_msi}"; do property "${m}" ProductCode; done | sort -u | wc -l)" = 3
check "per-machine package (ALLUSERS=1)" test "$(property "${first_msi}" ALLUSERS)" = 1

echo "== Wine prefix: creating ${WINEPREFIX}"
create_prefix "${work}/wine-prefix.log"

# --- install ------------------------------------------------------------------------------------

# The script host registers its own type library the first time it runs: once before the first
# snapshot, so that the snapshots show only what the installer does.
# The 32-bit one registers its own as well, when it is going to run.
echo 'WScript.Echo "ready"' >"${work}/ready.vbs"
LC_ALL=${wine_locale} timeout --kill-after=10 60 "${wine64_bin}" 'C:\windows\system32\cscript.exe' \
  //nologo "$(windows_path "${work}/ready.vbs")" >/dev/null 2>&1
if machine_runs_32bit; then
  LC_ALL=${wine_locale} timeout --kill-after=10 120 "${wine_bin}" 'C:\windows\syswow64\cscript.exe' \
    //nologo "$(windows_path "${work}/ready.vbs")" >/dev/null 2>&1
fi
snapshot before 64 && snapshot before 32
if msiexec install.log /i "$(windows_path "${first_msi}")"; then
  pass "msiexec /i orvabridge-${version}.msi /qn"
else
  fail "msiexec /i orvabridge-${version}.msi /qn ended with $? (see ${work}/install.log)"
fi
snapshot installed 64 && snapshot installed 32
check_installed "${version} installed" installed
if [ ${#sign_args[@]} -gt 0 ]; then
  unverified=$(for name in "${programs[@]}"; do
    for folder in "${x64_unix}" "${x86_unix}"; do
      signing_verify "${folder}/${name}" "${packages}/certs/signer.pem" 2>/dev/null || echo "${name}"
    done
  done)
  check "signed packages: the MSI and the 8 installed programs verify${unverified:+; not: ${unverified//$'\n'/ }}" \
    test -z "${unverified}" -a -n "$(signing_verify "${first_msi}" "${packages}/certs/signer.pem" && echo ok)"
fi
check "exactly one Orvabridge product (${version})" \
  test "$(installed_products "${packed_upgrade_code}" | awk '{ print $2 }')" = "${version}"
check "FlightRecorder = 1 in both registry views (64: $(recorder_value 64), 32: $(recorder_value 32))" \
  test "$(recorder_value 64) $(recorder_value 32)" = "0x1 0x1"

# --- versions -----------------------------------------------------------------------------------

changelog_version=$(sed -nE 's/^## ([0-9]+\.[0-9]+\.[0-9]+).*/\1/p' "${repo}/CHANGELOG.md" | head -1)
msi_version=$(property "${first_msi}" ProductVersion)
cat >"${work}/file-version.vbs" <<'VBS'
Dim files, i
Set files = CreateObject("Scripting.FileSystemObject")
For i = 0 To WScript.Arguments.Count - 1
  WScript.Echo files.GetFileVersion(WScript.Arguments(i))
Next
VBS
file_versions=$(LC_ALL=${wine_locale} timeout --kill-after=10 60 "${wine64_bin}" \
  'C:\windows\system32\cscript.exe' //nologo "$(windows_path "${work}/file-version.vbs")" \
  "${x64_folder}\\Orvabridge.dll" "${x86_folder}\\Orvabridge.dll" 2>/dev/null | tr -d '\r' |
  tr '\n' ' ')
last_word() { tr -d '\r' | awk 'NF { word = $NF } END { print word }'; }
orvactl_version=$(wine_cmd 60 "${x64_folder}\\orvactl.exe" --version 2>/dev/null | last_word)
simulator_version=$(wine_cmd 60 "${x64_folder}\\orva-sim.exe" --version 2>/dev/null | last_word)
relay_version=$(wine_cmd 60 "${x64_folder}\\orva-relay.exe" --version 2>/dev/null | last_word)
versions="MSI ${msi_version}, Orvabridge.dll x64 and x86 ${file_versions% }, orvactl.exe ${orvactl_version}, orva-sim.exe ${simulator_version}, orva-relay.exe ${relay_version}, CHANGELOG.md ${changelog_version}"
if [ "${msi_version}" = "${version}" ] && [ "${file_versions}" = "${version}.0 ${version}.0 " ] &&
  [ "${orvactl_version}" = "${version}" ] && [ "${simulator_version}" = "${version}" ] &&
  [ "${relay_version}" = "${version}" ] &&
  [ "${changelog_version}" = "${version}" ]; then
  pass "every version is the project version ${version}: ${versions}"
else
  fail "the versions do not all equal the project version ${version}: ${versions}"
fi

# --- the installed servers at work --------------------------------------------------------------

run_session 64
if machine_runs_32bit; then
  run_session 32
  for program in orvactl orva-relay; do
    x86_version=$(LC_ALL=${wine_locale} timeout --kill-after=10 120 "${wine_bin}" \
      "${x86_folder}\\${program}.exe" --version 2>/dev/null | last_word)
    check "the x86 ${program}.exe says ${version}" test "${x86_version}" = "${version}"
  done
else
  not_run+=("the 32-bit script host's session with the installed x86 server and simulator, and the x86 programs' --version")
  echo "NOT RUN - the 32-bit script host with the installed x86 server: ${no_32bit_reason}"
fi

# --- upgrade and downgrade ----------------------------------------------------------------------

if msiexec upgrade.log /i "$(windows_path "${next_msi}")"; then
  pass "msiexec /i orvabridge-${next_version}.msi /qn over ${version}"
else
  fail "msiexec /i orvabridge-${next_version}.msi /qn over ${version} ended with $? (see ${work}/upgrade.log)"
fi
snapshot upgraded 64 && snapshot upgraded 32
products=$(installed_products "${packed_upgrade_code}")
check "after the upgrade exactly one Orvabridge product, ${next_version} (found: ${products//$'\n'/, })" \
  test "$(awk '{ print $2 }' <<<"${products}")" = "${next_version}"
check "after the upgrade exactly one Uninstall entry named Orvabridge" \
  test "$(orvabridge_entries)" = 1
check_installed "${next_version} over ${version}" upgraded

# Refused by the launch condition on WIX_DOWNGRADE_DETECTED: msiexec ends with 1603 (which a
# Linux exit status shows as 1603 mod 256 = 67). Windows writes the condition's message into the
# log; Wine's installer only shows it in a dialog, so the message is checked in the package.
status=0
msiexec downgrade.log /i "$(windows_path "${first_msi}")" || status=$?
detected=$(tr -d '\r' <"${work}/downgrade.log" | sed -n 's/^Property(S): WIX_DOWNGRADE_DETECTED = //p' | head -1)
condition=$(msiinfo export "${first_msi}" LaunchCondition | tr -d '\r' | grep '^NOT WIX_DOWNGRADE_DETECTED' | cut -f2)
if [ "${status}" -eq $((1603 % 256)) ] && [ -n "${detected}" ] &&
  [[ ${condition} == "A newer version of Orvabridge is already installed."* ]]; then
  pass "installing ${version} over ${next_version} is refused (1603): the newer ${detected} is detected, the message reads \"${condition}\""
else
  fail "installing ${version} over ${next_version}: exit ${status}, newer product detected: '${detected}', launch condition message: '${condition}'"
fi
products=$(installed_products "${packed_upgrade_code}")
check "after the refused downgrade still exactly ${next_version} (found: ${products//$'\n'/, })" \
  test "$(awk '{ print $2 }' <<<"${products}")" = "${next_version}"

# A rebuilt package of the installed version (another product code) replaces the installed one
# instead of being installed beside it.
if msiexec rebuilt.log /i "$(windows_path "${rebuilt_msi}")"; then
  pass "msiexec /i of a rebuilt ${next_version} package over ${next_version}"
else
  fail "msiexec /i of a rebuilt ${next_version} package ended with $? (see ${work}/rebuilt.log)"
fi
products=$(installed_products "${packed_upgrade_code}")
rebuilt_code=$(property "${rebuilt_msi}" ProductCode)
check "after the rebuilt package exactly one product, the rebuilt one (found: ${products//$'\n'/, })" \
  test "${products}" = "${rebuilt_code} ${next_version}"
snapshot rebuilt 64 && snapshot rebuilt 32
check_installed "rebuilt ${next_version}" rebuilt

# --- removal ------------------------------------------------------------------------------------

if msiexec remove.log /x "${rebuilt_code}"; then
  pass "msiexec /x ${rebuilt_code} /qn"
else
  fail "msiexec /x ${rebuilt_code} /qn ended with $? (see ${work}/remove.log)"
fi
snapshot removed 64 && snapshot removed 32
check "no folder of ours is left in either Program Files folder" \
  test ! -e "${x64_unix}" -a ! -e "${x86_unix}"
check "no Orvabridge product and no Uninstall entry is left" \
  test -z "$(installed_products "${packed_upgrade_code}")" -a "$(orvabridge_entries)" = 0
for view in 64 32; do
  left=$(diff <(ours before "${view}") <(ours removed "${view}"))
  check "${view}-bit view: no key of ours is left${left:+: ${left//$'\n'/ }}" test -z "${left}"
  # Every value of HKLM\Software\Classes is as it was before the installation: nothing of others
  # was changed or removed, nothing was added. Keys without values do not count: the installer
  # keeps its own empty index keys, and removes empty keys that it leaves empty.
  changed=$(diff <(grep -v '^\[[^]]*\]$' "${work}/before-${view}.txt") \
    <(grep -v '^\[[^]]*\]$' "${work}/removed-${view}.txt") | grep '^[<>]' | head -5)
  check "${view}-bit view: every value of HKLM\\Software\\Classes is as before the installation${changed:+: ${changed//$'\n'/ }}" \
    test -z "${changed}"
done

check "no FlightRecorder value is left (64: $(recorder_value 64), 32: $(recorder_value 32))" \
  test "$(recorder_value 64) $(recorder_value 32)" = "none none"

# --- the flight recorder's switch ---------------------------------------------------------------

# A value IT set by hand (here 0 in the 64-bit view) stays through installation and removal; the
# other view gets the installer's 1, which goes with the package. FLIGHTRECORDER=0 writes none.
reg_view 64 add 'HKLM\Software\Orvabridge' /v FlightRecorder /t REG_DWORD /d 0 /f >/dev/null 2>&1
msiexec recorder-kept.log /i "$(windows_path "${first_msi}")" ||
  fail "msiexec /i over a FlightRecorder set by hand ended with $?"
check "a FlightRecorder set by hand is kept by the installation (64: $(recorder_value 64), 32: $(recorder_value 32))" \
  test "$(recorder_value 64) $(recorder_value 32)" = "0x0 0x1"
msiexec recorder-kept-remove.log /x "$(windows_path "${first_msi}")" ||
  fail "msiexec /x after a FlightRecorder set by hand ended with $?"
check "and by the removal (64: $(recorder_value 64), 32: $(recorder_value 32))" \
  test "$(recorder_value 64) $(recorder_value 32)" = "0x0 none"
reg_view 64 delete 'HKLM\Software\Orvabridge' /v FlightRecorder /f >/dev/null 2>&1
msiexec recorder-off.log /i "$(windows_path "${first_msi}")" FLIGHTRECORDER=0 ||
  fail "msiexec /i FLIGHTRECORDER=0 ended with $?"
check "FLIGHTRECORDER=0 writes no FlightRecorder (64: $(recorder_value 64), 32: $(recorder_value 32))" \
  test "$(recorder_value 64) $(recorder_value 32)" = "none none"
msiexec recorder-off-remove.log /x "$(windows_path "${first_msi}")" ||
  fail "msiexec /x after FLIGHTRECORDER=0 ended with $?"

# --- the package's keys against regsvr32's ------------------------------------------------------

# What DllRegisterServer of the x64 DLL writes, in the same prefix now that the package is gone,
# compared with what the package wrote in each view: the same keys and values, but for the DLL's
# path, the library kind and the help folder. The x86 DLL registers itself the same way (one
# source, only the library kind differs); a 64-bit machine can run only the x64 one here.
dll=${x64_build}/src/com/Orvabridge.dll
if wine_cmd 60 'C:\windows\system32\regsvr32.exe' /s "$(windows_path "${dll}")" >/dev/null 2>&1; then
  snapshot regsvr32 64
  reference=$(ours regsvr32 64 | normalise)
  check "regsvr32 writes the class, ProgIDs, type library and interface ($(wc -l <<<"${reference}") lines)" \
    test "$(grep -c '\] [@"]' <<<"${reference}")" -ge 20
  for view in 64 32; do
    difference=$(diff <(echo "${reference}") <(ours installed "${view}" | normalise) | grep '^[<>]')
    check "${view}-bit view: the package writes what regsvr32 writes${difference:+ (< regsvr32, > package): ${difference//$'\n'/ }}" \
      test -z "${difference}"
  done
  helpdir=$(value_of regsvr32 64 \
    "TypeLib\\{${ORVABRIDGE_LIBRARY_ID}}\\${ORVABRIDGE_LIBRARY_VERSION}\\HELPDIR")
  installed_helpdir=$(value_of installed 64 \
    "TypeLib\\{${ORVABRIDGE_LIBRARY_ID}}\\${ORVABRIDGE_LIBRARY_VERSION}\\HELPDIR")
  check "HELPDIR is the DLL's folder, without a trailing backslash (regsvr32: ${helpdir}, package: ${installed_helpdir})" \
    test "${helpdir}" = "$(quoted_path "$(windows_path "${dll%/*}")")" -a \
    \( "${installed_helpdir}" = "$(quoted_path "${x64_folder}")" -o \
    "${installed_helpdir}" = "$(quoted_path "${x86_folder}")" \)
  wine_cmd 60 'C:\windows\system32\regsvr32.exe' /s /u "$(windows_path "${dll}")" >/dev/null 2>&1
else
  fail "regsvr32 of ${dll} failed"
fi

if ! wine_heap_clean "${work}"/*.err "${work}"/simulator-*.log "${work}/msiexec.out" >/dev/null; then
  fail "Wine reported heap damage: $(grep -h -m1 ':heap:' "${work}"/*.err "${work}"/*.log "${work}/msiexec.out" | head -1)"
fi

echo "${passed} passed, ${failed} failed${not_run[0]:+, not run: ${not_run[*]}}"
[ "${failed}" -eq 0 ] || exit 1
# 77: nothing failed, but a part could not run on this machine (test.sh reports it).
[ ${#not_run[@]} -eq 0 ] || exit 77
