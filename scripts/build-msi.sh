#!/usr/bin/env bash
# Builds the Windows installer: one x64 MSI (wixl) with the x64 and the x86 Orvabridge.dll,
# orvactl.exe, orva-sim.exe and orva-relay.exe, both servers registered for the whole machine in their own
# registry view (packaging/orvabridge.wxs says what it installs and why).
#
#   scripts/build-msi.sh X64_BUILD X86_BUILD OUT.msi [--version A.B.C] [--sign]
#
# --sign: the programs are signed (copies; the build trees stay as they are), then the package,
# with the certificate that the environment names (scripts/signing.sh).
#
# X64_BUILD and X86_BUILD are mingw-w64 build directories (or preset names meaning
# build/<preset>). The version (unless given), the GUIDs, the ProgIDs and the type library's
# version and name come from the x64 build's identity.env, which its configuration wrote from
# cmake/identity.cmake, the one place they are written; the x86 build must have the same.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
usage() {
  echo "usage: scripts/build-msi.sh X64_BUILD X86_BUILD OUT.msi [--version A.B.C] [--sign]" >&2
  exit 2
}

version=
sign=0
positional=()
while [ $# -gt 0 ]; do
  case $1 in
    --version) [ $# -ge 2 ] || usage; version=$2; shift 2 ;;
    --version=*) version=${1#--version=}; shift ;;
    --sign) sign=1; shift ;;
    -h | --help) usage ;;
    -*) echo "build-msi: unknown option $1" >&2; usage ;;
    *) positional+=("$1"); shift ;;
  esac
done
[ ${#positional[@]} -eq 3 ] || usage
out=${positional[2]}

die() {
  echo "build-msi: $*" >&2
  exit 1
}

build_dir() {
  if [ -d "$1" ]; then
    (cd "$1" && pwd)
  elif [ -d "${repo}/build/$1" ]; then
    echo "${repo}/build/$1"
  else
    die "no build directory '$1'"
  fi
}
x64_build=$(build_dir "${positional[0]}")
x86_build=$(build_dir "${positional[1]}")

# shellcheck source=scripts/identity.sh
. "${repo}/scripts/identity.sh"
identity_load "${x86_build}" || exit 1
identity_load "${x64_build}" || exit 1
# Both servers go under the same keys: builds of other identities cannot share a package.
cmp -s "${x64_build}/identity.env" "${x86_build}/identity.env" ||
  die "${x64_build} and ${x86_build} were configured from different cmake/identity.cmake values"
[ -n "${version}" ] || version=${ORVABRIDGE_VERSION}
# A product version of Windows Installer: major and minor at most 255, build at most 65535.
if ! [[ ${version} =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]] || [ "${BASH_REMATCH[1]}" -gt 255 ] ||
  [ "${BASH_REMATCH[2]}" -gt 255 ] || [ "${BASH_REMATCH[3]}" -gt 65535 ]; then
  die "version '${version}' is not A.B.C with A, B <= 255 and C <= 65535"
fi

command -v wixl >/dev/null || die "wixl is not installed (scripts/install-deps.sh installs it)"
command -v msibuild >/dev/null && command -v msiinfo >/dev/null ||
  die "msitools is not installed (scripts/install-deps.sh installs it)"

# pe_bits, the machine of a PE file (64, 32 or unknown), is the Wine helpers' own.
# shellcheck source=scripts/wine/common.sh
. "${repo}/scripts/wine/common.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/orvabridge-msi.XXXXXX")
trap 'rm -rf "${work}"' EXIT
if [ "${sign}" = 1 ]; then
  # shellcheck source=scripts/signing.sh
  . "${repo}/scripts/signing.sh"
  signing_prefix="build-msi: cannot sign"
  signing_prepare "${work}/signing" >/dev/null || exit 1
fi

# The eight programs, each checked for its architecture and for DLLs that Windows does not have:
# the builds link the mingw-w64 run-times statically, and the package ships no run-time DLLs, so
# a build that needs one (libgcc_s_*, libstdc++-6, libwinpthread-1) would install programs that
# cannot start.
objdump=$(command -v x86_64-w64-mingw32-objdump || command -v objdump || true)
stage() {
  local build=$1 folder=$2 bits=$3 relative name
  mkdir -p "${work}/${folder}"
  for relative in src/com/Orvabridge.dll tools/orvactl/orvactl.exe sim/orva-sim.exe \
    tools/relay/orva-relay.exe; do
    name=${build}/${relative}
    [ -f "${name}" ] || die "${name} is missing; build it first"
    [ "$(pe_bits "${name}")" = "${bits}" ] || die "${name} is not a ${bits}-bit Windows program"
    if [ -n "${objdump}" ]; then
      local runtime
      runtime=$("${objdump}" -p "${name}" | sed -n 's/^\s*DLL Name: //p' | grep -i '^lib' || true)
      [ -z "${runtime}" ] || die "${name} needs $(echo "${runtime}" | tr '\n' ' ')which the package does not ship; link the run-times statically"
    fi
    cp "${name}" "${work}/${folder}/"
    [ "${sign}" = 0 ] || signing_sign "${work}/${folder}/${name##*/}" || exit 1
  done
}
stage "${x64_build}" x64 64
stage "${x86_build}" x86 32

# --- what the builds say -------------------------------------------------------------------------

# What RegisterTypeLib writes as FLAGS: the library's own flags (restricted 1, control 2,
# hidden 4), of which the IDL gives it none, and "has a disk image" (8), which a library loaded
# from a file always has. scripts/wine/msi-tests.sh compares the package's keys with regsvr32's.
library_flags=8

# The Interface keys RegisterTypeLib writes for the dual interface: its name, the automation
# marshaler as proxy and stub (the type library marshals it), and the library.
marshaler='{00020424-0000-0000-C000-000000000046}'
key="Software\\Classes\\Interface\\{${ORVABRIDGE_INTERFACE_ID}}"
cat >"${work}/interfaces.wxi" <<WXI
<?xml version="1.0" encoding="utf-8"?>
<Include xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <RegistryValue Root="HKLM" Key="${key}" Type="string" Value="${ORVABRIDGE_INTERFACE_NAME}"/>
  <RegistryValue Root="HKLM" Key="${key}\\ProxyStubClsid" Type="string" Value="${marshaler}"/>
  <RegistryValue Root="HKLM" Key="${key}\\ProxyStubClsid32" Type="string" Value="${marshaler}"/>
  <RegistryValue Root="HKLM" Key="${key}\\TypeLib" Type="string" Value="{${ORVABRIDGE_LIBRARY_ID}}"/>
  <RegistryValue Root="HKLM" Key="${key}\\TypeLib" Name="Version" Type="string" Value="${ORVABRIDGE_LIBRARY_VERSION}"/>
</Include>
WXI

# --- the package -----------------------------------------------------------------------------

# A new product code and package code for every package (a rebuild of the same version replaces
# the installed one by its new product code). With SOURCE_DATE_EPOCH (a release) they are derived
# from the version, that time and the programs instead, the cabinet's file times and the summary's
# times are that time, and the same builds give the same package, byte for byte.
new_guid() {  # new_guid [SEED]: random (version 4), or derived from SEED (name-based, version 5)
  local hex kind=4
  if [ $# -eq 0 ]; then
    hex=$(od -An -tx1 -N16 /dev/urandom | tr -d ' \n')
  else
    hex=$(printf '%s' "$1" | sha256sum | cut -c1-32)
    kind=5
  fi
  hex=${hex:0:12}${kind}${hex:13:3}$(printf '%x' $(((0x${hex:16:1} & 3) | 8)))${hex:17:15}
  echo "${hex:0:8}-${hex:8:4}-${hex:12:4}-${hex:16:4}-${hex:20:12}" | tr a-f A-F
}
at_release_time=()
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  [[ ${SOURCE_DATE_EPOCH} =~ ^[0-9]+$ ]] || die "SOURCE_DATE_EPOCH '${SOURCE_DATE_EPOCH}' is no number"
  command -v faketime >/dev/null || die "faketime is not installed (scripts/install-deps.sh installs it)"
  find "${work}/x64" "${work}/x86" -type f -exec touch -d "@${SOURCE_DATE_EPOCH}" {} +
  seed="${version} ${SOURCE_DATE_EPOCH} $(cd "${work}" && sha256sum x64/* x86/* | tr '\n' ' ')"
  product_code=$(new_guid "product ${seed}")
  package_code=$(new_guid "package ${seed}")
  # wixl and msibuild write the summary's times from the clock: a clock stopped at that time.
  at_release_time=(env TZ=UTC faketime -f "$(date -u -d "@${SOURCE_DATE_EPOCH}" '+%Y-%m-%d %H:%M:%S')")
else
  product_code=$(new_guid)
  package_code=$(new_guid)
fi

cp "${repo}/packaging/orvabridge.wxs" "${repo}/packaging/server-registration.wxi" "${work}/"
(cd "${work}" && "${at_release_time[@]}" wixl --arch x64 --output orvabridge.msi \
  -D "ProductCode=${product_code}" \
  -D "Version=${version}" -D "ClassId=${ORVABRIDGE_CLASS_ID}" \
  -D "LibraryId=${ORVABRIDGE_LIBRARY_ID}" -D "LibraryVersion=${ORVABRIDGE_LIBRARY_VERSION}" \
  -D "LibraryName=${ORVABRIDGE_LIBRARY_NAME}" -D "LibraryFlags=${library_flags}" \
  -D "ProgId=${ORVABRIDGE_PROG_ID}" -D "VersionedProgId=${ORVABRIDGE_VERSIONED_PROG_ID}" \
  orvabridge.wxs) ||
  die "wixl failed"

# edit_table TABLE AWK_RULES: exports the package's table, lets the awk rules change its rows
# (tab-separated fields; the first three lines are the header) and imports it again, under the
# release's stopped clock like every other write to the package.
edit_table() {
  local table=$1 rules=$2
  (cd "${work}" && msiinfo export orvabridge.msi "${table}" | tr -d '\r' >"${table}.idt")
  awk -F'\t' 'BEGIN { OFS = "\t" } '"${rules}"' { print }' "${work}/${table}.idt" \
    >"${work}/${table}.new"
  mv "${work}/${table}.new" "${work}/${table}.idt"
  (cd "${work}" && "${at_release_time[@]}" msibuild orvabridge.msi -i "${table}.idt") ||
    die "msibuild could not change the ${table} table"
}

# MajorUpgrade in wixl knows no AllowSameVersionUpgrades: the upgrade row gets "maximum
# included" (512) besides "migrate features" (1), so that a package of the installed version with
# another product code (a rebuild) replaces that product instead of installing a second one.
# The package code (the summary's revision number): wixl always makes a random one.
summary() { msiinfo suminfo "${work}/orvabridge.msi" | sed -n "s/^$1: //p"; }
(cd "${work}" && "${at_release_time[@]}" msibuild orvabridge.msi -s "$(summary Subject)" \
  "$(summary Author)" "$(summary Template)" "{${package_code}}") ||
  die "msibuild could not set the package code"

edit_table Upgrade 'NR > 3 && $7 == "WIX_UPGRADE_DETECTED" && int($5 / 512) % 2 == 0 { $5 += 512 }'
upgrade_row=$(msiinfo export "${work}/orvabridge.msi" Upgrade | tr -d '\r' |
  awk -F'\t' '$7 == "WIX_UPGRADE_DETECTED" { print $3 " " $5 }')
[ "${upgrade_row}" = "${version} 513" ] ||
  die "the upgrade row reads '${upgrade_row}', not '${version} 513' (maximum, migrate features, maximum included)"

# The flight recorder's components are installed only with FLIGHTRECORDER=1 (the default), and
# not over a FlightRecorder value that someone set by hand (one without the installer's marker).
edit_table Component 'NR > 3 && $1 ~ /^Recorder(64|32)$/ {
    bits = substr($1, 9)
    $5 = "FLIGHTRECORDER = \"1\" AND (NOT RECORDERSET" bits " OR RECORDERMARK" bits ")"
  }'
conditions=$(msiinfo export "${work}/orvabridge.msi" Component | tr -d '\r' |
  awk -F'\t' '$1 ~ /^Recorder/ && $5 ~ /FLIGHTRECORDER/' | wc -l)
[ "${conditions}" = 2 ] || die "the flight recorder's components have no condition"

product_version=$(msiinfo export "${work}/orvabridge.msi" Property | tr -d '\r' |
  sed -n 's/^ProductVersion\t//p')
[ "${product_version}" = "${version}" ] || die "the package says ProductVersion ${product_version}"

[ "${sign}" = 0 ] || signing_sign "${work}/orvabridge.msi" || exit 1
mkdir -p "$(dirname "${out}")"
mv "${work}/orvabridge.msi" "${out}"
echo "build-msi: ${out} (Orvabridge ${version}, $(stat -c %s "${out}") bytes)"
