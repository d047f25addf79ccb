#!/usr/bin/env bash
# Tests of what a release adds to the builds, on the test command's own Windows builds (no
# release build of its own; scripts/compare-releases.sh builds whole releases twice):
#   - signing: with a throwaway code-signing certificate (openssl), the MSI and every program
#     inside it carry signatures that verify, and by that certificate only; a file changed after
#     signing fails verification; a wrong password, an expired or a non-code-signing certificate,
#     no certificate and a missing token module each stop `release.sh --sign` with one line,
#     before anything is built;
#   - the MSI: built twice from the same builds, in other folders and at other times, with
#     SOURCE_DATE_EPOCH, it is the same bytes;
#   - the bill of materials (scripts/sbom.sh): every file of every artifact is in it with its
#     SHA-256, and what the programs link and import, with the tool chain's package versions.
#
#   scripts/release-tests.sh X64_BUILD X86_BUILD
#
# Prints "ok - ..." and "not ok - ..." lines and "N passed, M failed"; exit 0 when all passed.
set -uo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 2 ] || { echo "usage: scripts/release-tests.sh X64_BUILD X86_BUILD" >&2; exit 2; }
build_dir() { if [ -d "$1" ]; then (cd "$1" && pwd); else echo "${repo}/build/$1"; fi; }
x64_build=$(build_dir "$1")
x86_build=$(build_dir "$2")
# shellcheck source=scripts/signing.sh
. "${repo}/scripts/signing.sh"
# shellcheck source=scripts/test-certificates.sh
. "${repo}/scripts/test-certificates.sh"
# pe_bits, the machine of a PE file, is the Wine helpers' own.
# shellcheck source=scripts/wine/common.sh
. "${repo}/scripts/wine/common.sh"

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok - $*"; }
fail() { failed=$((failed + 1)); echo "not ok - $*"; }
check() {  # check NAME COMMAND...
  local name=$1
  shift
  if "$@"; then pass "${name}"; else fail "${name}"; fi
}
finish() {
  echo "${passed} passed, ${failed} failed"
  [ "${failed}" -eq 0 ]
  exit
}

work=$(mktemp -d "${TMPDIR:-/tmp}/orvabridge-release-tests.XXXXXX")
trap 'rm -rf "${work}"' EXIT
certs=${work}/certs
test_certificates "${certs}" || { fail "the throwaway certificates could not be made"; finish; }
unset ORVABRIDGE_SIGN_PKCS11_URI ORVABRIDGE_SIGN_PKCS11_MODULE ORVABRIDGE_SIGN_PKCS11_CERT \
  ORVABRIDGE_SIGN_TIMESTAMP_URL
export ORVABRIDGE_SIGN_PKCS12=${certs}/signing.p12
export ORVABRIDGE_SIGN_PASSWORD_FILE=${certs}/password

# --- a release that cannot be signed stops at once ----------------------------------------------

# refused NAME WORDS [VARIABLE=VALUE...]: release.sh --sign with that environment ends with 1 and
# one line on standard error that matches WORDS, before its first step.
refused() {
  local name=$1 words=$2 status=0 errors steps
  shift 2
  errors=$(env "$@" bash "${repo}/scripts/release.sh" --sign --allow-dirty 2>&1 \
    >"${work}/refused.out") || status=$?
  steps=$(grep -c '^== release' "${work}/refused.out")
  if [ "${status}" -eq 1 ] && [ "$(grep -c . <<<"${errors}")" -eq 1 ] &&
    grep -qiE "${words}" <<<"${errors}" && [ "${steps}" -eq 0 ]; then
    pass "release.sh --sign, ${name}: refused before building: ${errors}"
  else
    fail "release.sh --sign, ${name}: exit ${status}, ${steps} steps run, said: ${errors}"
  fi
}
refused "no certificate" "no certificate" ORVABRIDGE_SIGN_PKCS12= ORVABRIDGE_SIGN_PASSWORD_FILE=
refused "wrong password" "password .* does not open" \
  ORVABRIDGE_SIGN_PASSWORD_FILE="${certs}/wrong-password"
refused "expired certificate" "has expired" ORVABRIDGE_SIGN_PKCS12="${certs}/expired.p12"
refused "TLS server certificate" "not for code signing" ORVABRIDGE_SIGN_PKCS12="${certs}/server.p12"
refused "token module missing" "PKCS#11 module" ORVABRIDGE_SIGN_PKCS12= \
  ORVABRIDGE_SIGN_PKCS11_URI="pkcs11:token=Orvabridge%20absent;object=signing" \
  ORVABRIDGE_SIGN_PKCS11_MODULE="${work}/no-such-module.so" ORVABRIDGE_SIGN_PKCS11_CERT="${certs}/signer.pem"

# --- a signed MSI of signed programs ------------------------------------------------------------

signed_msi=${work}/signed.msi
if ! bash "${repo}/scripts/build-msi.sh" "${x64_build}" "${x86_build}" "${signed_msi}" --sign \
  >"${work}/build-msi.out" 2>&1; then
  fail "build-msi.sh --sign failed: $(tail -3 "${work}/build-msi.out")"
  finish
fi
check "the signed MSI verifies" signing_verify "${signed_msi}" "${certs}/signer.pem"
mkdir -p "${work}/contents"
msiextract -C "${work}/contents" "${signed_msi}" >/dev/null
mapfile -t inside < <(find "${work}/contents" -type f \( -iname '*.exe' -o -iname '*.dll' \) | sort)
verified=0
for file in "${inside[@]}"; do
  if signing_verify "${file}" "${certs}/signer.pem"; then
    verified=$((verified + 1))
  else
    fail "the MSI's ${file#"${work}/contents/"} does not verify"
  fi
done
check "all ${#inside[@]} programs and DLLs inside the MSI (8 expected) verify" \
  test "${verified}" -eq 8 -a "${#inside[@]}" -eq 8
check "the signatures are the test certificate's: against another certificate they do not verify" \
  eval '! signing_verify "${signed_msi}" "${certs}/expired.pem" 2>/dev/null'
unsigned=$(cd "${x64_build}" && for f in src/com/Orvabridge.dll tools/orvactl/orvactl.exe; do
  osslsigncode extract-signature -in "${f}" -out /dev/null >/dev/null 2>&1 && echo "${f}"; done)
check "the build trees' programs stay unsigned (build-msi.sh signs copies)" test -z "${unsigned}"

# Changed after signing: one byte of a program's code, one value of the MSI's Property table.
program=$(grep -m1 -i 'orvactl.exe$' <<<"$(printf '%s\n' "${inside[@]}")")
cp "${program}" "${work}/changed.exe"
printf '\x90' | dd of="${work}/changed.exe" bs=1 seek=$(($(stat -c %s "${program}") / 2)) \
  conv=notrunc status=none
cmp -s "${program}" "${work}/changed.exe" && printf '\xcc' | dd of="${work}/changed.exe" bs=1 \
  seek=$(($(stat -c %s "${program}") / 2)) conv=notrunc status=none
check "a program changed after signing fails verification" \
  eval '! signing_verify "${work}/changed.exe" "${certs}/signer.pem" 2>/dev/null'
cp "${signed_msi}" "${work}/changed.msi"
msibuild "${work}/changed.msi" -q "UPDATE Property SET Value = 'Someone Else' WHERE Property = 'Manufacturer'" \
  >/dev/null 2>&1
check "an MSI changed after signing (its Manufacturer) fails verification, its signature still in it" \
  eval 'osslsigncode extract-signature -in "${work}/changed.msi" -out "${work}/changed.sig" >/dev/null 2>&1 &&
    ! signing_verify "${work}/changed.msi" "${certs}/signer.pem" 2>/dev/null'

# --- the same MSI from the same builds ----------------------------------------------------------

epoch=$(git -C "${repo}" show -s --format=%ct HEAD 2>/dev/null || date +%s)
mkdir -p "${work}/first" "${work}/second"
TMPDIR=${work}/first SOURCE_DATE_EPOCH=${epoch} bash "${repo}/scripts/build-msi.sh" "${x64_build}" \
  "${x86_build}" "${work}/first/orvabridge.msi" >/dev/null 2>&1
sleep 2  # a clock that leaked into the package would show now
TMPDIR=${work}/second SOURCE_DATE_EPOCH=${epoch} bash "${repo}/scripts/build-msi.sh" "${x64_build}" \
  "${x86_build}" "${work}/second/orvabridge.msi" >/dev/null 2>&1
check "two MSIs of the same builds and SOURCE_DATE_EPOCH, made apart in time and place, are the same bytes" \
  cmp "${work}/first/orvabridge.msi" "${work}/second/orvabridge.msi"

# --- the bill of materials ----------------------------------------------------------------------

# Artifacts as a release has them: the signed MSI, and a zip of its programs with a README.
mkdir -p "${work}/zip/x64" "${work}/zip/x86"
for file in "${inside[@]}"; do
  case $(pe_bits "${file}") in
    64) cp "${file}" "${work}/zip/x64/" ;;
    32) cp "${file}" "${work}/zip/x86/" ;;
  esac
done
cp "${repo}/README.md" "${work}/zip/"
(cd "${work}/zip" && cmake -E tar cf "${work}/programs.zip" --format=zip x64 x86 README.md)
(cd "${work}" && SOURCE_DATE_EPOCH=${epoch} bash "${repo}/scripts/sbom.sh" --version 0.0.0 \
  --commit test --out sbom.json programs.zip signed.msi >"${work}/sbom.out" 2>&1) ||
  { fail "sbom.sh failed: $(tail -3 "${work}/sbom.out")"; finish; }
sbom=${work}/sbom.json
check "the bill of materials is an SPDX 2.3 document" \
  test "$(jq -r .spdxVersion "${sbom}")" = SPDX-2.3
missing=$( (cd "${work}/zip" && find . -type f -exec sha256sum {} +
  cd "${work}/contents" && find . -type f -exec sha256sum {} +) |
  while read -r sum name; do
    jq -e --arg sum "${sum}" --arg name "${name}" \
      'any(.files[]; .fileName == $name and any(.checksums[]; .checksumValue == $sum))' \
      "${sbom}" >/dev/null || echo "${name}"
  done)
check "every file of both artifacts is in it with its SHA-256${missing:+; missing: ${missing//$'\n'/ }}" \
  test -z "${missing}"
dangling=$(jq -r '[.packages[].SPDXID, .files[].SPDXID, "SPDXRef-DOCUMENT"] as $ids |
  .relationships[] | select((.spdxElementId | IN($ids[]) | not) or (.relatedSpdxElement | IN($ids[]) | not)) |
  "\(.spdxElementId) \(.relationshipType) \(.relatedSpdxElement)"' "${sbom}")
check "every relationship names elements of the document${dangling:+: ${dangling}}" test -z "${dangling}"
for arch in x64:x86-64 x86:i686; do
  folder=${arch%%:*} debian=${arch#*:}
  static=$(jq -r --arg name "./${folder}/orva-sim.exe" '(.files[] | select(.fileName == $name) | .SPDXID) as $id |
    [.relationships[] | select(.spdxElementId == $id and .relationshipType == "STATIC_LINK") |
     .relatedSpdxElement] as $linked | .packages[] | select(.SPDXID | IN($linked[])) |
    "\(.name) \(.versionInfo)"' "${sbom}" | sort | tr '\n' ',')
  expected="libgcc $(dpkg-query -W -f='${Version}' "gcc-mingw-w64-${debian}-posix" 2>/dev/null),"
  expected+="libstdc++ $(dpkg-query -W -f='${Version}' "g++-mingw-w64-${debian}-posix" 2>/dev/null),"
  expected+="mingw-w64-crt $(dpkg-query -W -f='${Version}' "mingw-w64-${debian}-dev" 2>/dev/null),"
  expected+="nlohmann-json $(dpkg-query -W -f='${Version}' nlohmann-json3-dev 2>/dev/null),"
  expected+="winpthreads $(dpkg-query -W -f='${Version}' "mingw-w64-${debian}-dev" 2>/dev/null),"
  check "${folder} orva-sim.exe: linked in, with the Debian packages' versions: ${static}" \
    test "${static}" = "${expected}"
  imports=$(x86_64-w64-mingw32-objdump -p "${work}/zip/${folder}/Orvabridge.dll" |
    sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
  named=$(jq -r --arg name "./${folder}/Orvabridge.dll" '(.files[] | select(.fileName == $name) | .SPDXID) as $id |
    [.relationships[] | select(.spdxElementId == $id and .relationshipType == "DYNAMIC_LINK") |
     .relatedSpdxElement] as $linked | .packages[] | select(.SPDXID | IN($linked[])) | .name' \
    "${sbom}" | sort -u | tr '\n' ' ')
  check "${folder} Orvabridge.dll: every DLL it imports is named (${imports% })" \
    test -n "${imports}" -a "${named}" = "${imports}"
done

finish
