#!/usr/bin/env bash
# Builds the release artifacts of the committed sources (HEAD) with one command:
#
#   dist/orvabridge-<version>-windows.zip        x86/ and x64/ (Orvabridge.dll, orvactl.exe,
#                                                orva-sim.exe, orva-relay.exe), the MSI, README.md, CHANGELOG.md
#                                                and the API reference under docs/api/
#   dist/orvabridge-<version>-linux-x86_64.tar.gz a native Release install (library, headers,
#                                                CMake package, orvabridge.pc, bin/orvactl),
#                                                README.md, CHANGELOG.md, docs/api/
#   dist/orvabridge-<version>.msi                the Windows installer by itself, as practice IT
#                                                pushes it (also inside the zip)
#   dist/orvabridge-<version>.spdx.json          the software bill of materials (SPDX 2.3): every
#                                                shipped file with its SHA-256, and what is linked
#                                                into it (scripts/sbom.sh)
#   dist/SHA256SUMS                              sha256sum lines over all of the above
#
#   scripts/release.sh [--allow-dirty] [--jobs N] [--sign]
#
# --sign: every shipped Windows program and DLL (both bitnesses) is signed (Authenticode,
# SHA-256, osslsigncode) right after it is stripped, before anything is packed, and then the MSI;
# every signature, also those of the files inside the MSI, is verified before dist/ is written.
# The certificate is checked before anything is built (scripts/signing.sh): a wrong password, an
# expired or non-code-signing certificate or a missing token ends the release at once. Without
# --sign nothing is signed.
#
# The same commit gives the same zip, tarball and (unsigned) MSI, byte for byte, wherever and
# whenever it is built: every time written is SOURCE_DATE_EPOCH, the commit's time.
# scripts/compare-releases.sh builds HEAD twice, in two directories, and compares.
#
# The version is the one of HEAD's cmake/identity.cmake. The sources are HEAD exported with
# `git archive` into build/release-work/src, built there in three Release configurations of
# their own (mingw-i686, mingw-x86_64, native; no tests, no benchmarks, with
# ORVABRIDGE_REPRODUCIBLE_PATHS), never in a developer's build tree. A working tree with changes
# is refused unless --allow-dirty (the artifacts are then still HEAD's, without those changes).
# The Windows binaries are stripped; every shipped file is searched for the paths of this
# machine's source and build trees, and any hit fails the release.
#
# Exit status: 0 when every artifact was made and checked; 1 on any failure; 2 on wrong usage;
# 3 when the archives were made but without the MSI or the API reference, because
# scripts/build-msi.sh or scripts/api-docs.sh is not in HEAD (an incomplete release).
#
# Environment:
#   ORVA_RELEASE_BUILD_TIMEOUT  seconds one configuration may take to configure and build
#                               (default 3600)
#   with --sign (scripts/signing.sh says more):
#   ORVABRIDGE_SIGN_PKCS12      the code-signing certificate and key, a PKCS#12 file, with
#   ORVABRIDGE_SIGN_PASSWORD_FILE  a file holding its password; or
#   ORVABRIDGE_SIGN_PKCS11_URI  the key on a hardware token, with ORVABRIDGE_SIGN_PKCS11_MODULE
#                               (the token's PKCS#11 module) and ORVABRIDGE_SIGN_PKCS11_CERT (its
#                               certificate); ORVABRIDGE_SIGN_PASSWORD_FILE then holds the PIN
#   ORVABRIDGE_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp server (optional)
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cd "${repo}"

usage() {
  echo "usage: scripts/release.sh [--allow-dirty] [--jobs N] [--sign]" >&2
  exit 2
}
help() {  # the comment at the top of this file
  sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
  exit 0
}
allow_dirty=0
sign=0
jobs=$(nproc 2>/dev/null || echo 2)
while [ $# -gt 0 ]; do
  case $1 in
    --allow-dirty) allow_dirty=1; shift ;;
    --sign) sign=1; shift ;;
    --jobs | -j) [ $# -ge 2 ] || usage; jobs=$2; shift 2 ;;
    --jobs=*) jobs=${1#--jobs=}; shift ;;
    -j[0-9]*) jobs=${1#-j}; shift ;;
    -h | --help) help ;;
    *) echo "release: unknown argument $1" >&2; usage ;;
  esac
done
[[ ${jobs} =~ ^[1-9][0-9]*$ ]] || { echo "release: --jobs needs a positive number" >&2; exit 2; }

die() {
  echo "release: FAILED: $*" >&2
  [ -n "${work:-}" ] && [ -d "${work}" ] && echo "release: its work tree stays in ${work}" >&2
  exit 1
}
step() { echo "== release: $*"; }

# The certificate first: a release that cannot be signed is refused before anything is built.
if [ "${sign}" = 1 ]; then
  # shellcheck source=scripts/signing.sh
  . "${repo}/scripts/signing.sh"
  signing_prefix="release: cannot sign"
  signing_dir=$(mktemp -d "${TMPDIR:-/tmp}/orvabridge-signing.XXXXXX")
  trap 'rm -rf "${signing_dir}"' EXIT
  signing_prepare "${signing_dir}" || exit 1
fi
warn_loudly() {
  echo "!!" >&2
  echo "!! release: WARNING: $*" >&2
  echo "!!" >&2
}

# --- the committed sources ------------------------------------------------------------------------

git rev-parse --is-inside-work-tree >/dev/null 2>&1 || die "${repo} is not a git working tree"
changes=$(git status --porcelain)
if [ -n "${changes}" ]; then
  if [ "${allow_dirty}" = 0 ]; then
    echo "release: the working tree has changes (git status --porcelain):" >&2
    printf '%s\n' "${changes}" | sed -n '1,20s/^/    /p' >&2
    echo "release: commit them (or clean them away), or pass --allow-dirty to release HEAD" \
      "without them" >&2
    exit 1
  fi
  warn_loudly "the working tree has changes; the artifacts are built from HEAD without them"
fi
commit=$(git rev-parse HEAD)
# Every archived file carries the commit's time, so that the same commit gives the same archives;
# doxygen, wixl and the MSI's summary take their times from SOURCE_DATE_EPOCH too.
epoch=$(git show -s --format=%ct HEAD)
export SOURCE_DATE_EPOCH=${epoch}

work=${repo}/build/release-work
src=${work}/src
rm -rf "${work}"
mkdir -p "${src}"
git archive --format=tar HEAD | tar -x -C "${src}"
# The version of what is released: the one of the exported sources.
# shellcheck source=scripts/identity.sh
. "${repo}/scripts/identity.sh"
version=$(identity_of_sources "${src}" ORVABRIDGE_VERSION) ||
  die "HEAD has no version in cmake/identity.cmake"
step "Orvabridge ${version} from ${commit}"

# --- the three builds ---------------------------------------------------------------------------

build_timeout=${ORVA_RELEASE_BUILD_TIMEOUT:-3600}
# Configures and builds one Release configuration into ${work}/NAME; its output goes to
# ${work}/NAME.log and is shown when it fails.
build_configuration() {
  local name=$1 started status=0
  shift
  started=$(date +%s)
  step "${name}: configure and build (-j${jobs}; log in ${work}/${name}.log)"
  {
    timeout --kill-after=30 "${build_timeout}" cmake -S "${src}" -B "${work}/${name}" -G Ninja \
      -DCMAKE_BUILD_TYPE=Release -DORVABRIDGE_BUILD_TESTS=OFF -DORVABRIDGE_BUILD_BENCH=OFF \
      -DORVABRIDGE_REPRODUCIBLE_PATHS=ON "$@" &&
      timeout --kill-after=30 "${build_timeout}" cmake --build "${work}/${name}" -j "${jobs}"
  } >"${work}/${name}.log" 2>&1 || status=$?
  if [ "${status}" -ne 0 ]; then
    tail -40 "${work}/${name}.log" >&2
    [ "${status}" -eq 124 ] && die "${name}: the build took longer than ${build_timeout} s"
    die "${name}: the build failed (exit ${status})"
  fi
  echo "   built in $(($(date +%s) - started)) s"
}
build_configuration mingw-i686 -DCMAKE_TOOLCHAIN_FILE="${src}/cmake/mingw-i686.cmake"
build_configuration mingw-x86_64 -DCMAKE_TOOLCHAIN_FILE="${src}/cmake/mingw-x86_64.cmake"
build_configuration native

# --- the Windows binaries: stripped, checked for their bitness and the DLLs they need -----------

windows_binaries=(src/com/Orvabridge.dll tools/orvactl/orvactl.exe sim/orva-sim.exe
  tools/relay/orva-relay.exe)
# DLLs that every Windows has; anything else a binary imports must travel with it.
system_dlls=" advapi32.dll kernel32.dll msvcrt.dll odbc32.dll ole32.dll oleaut32.dll shell32.dll \
user32.dll "

# pe_bits, the machine of a PE file (64, 32 or unknown), is the Wine helpers' own.
# shellcheck source=scripts/wine/common.sh
. "${repo}/scripts/wine/common.sh"

stage=${work}/stage
windows_name=orvabridge-${version}-windows
linux_name=orvabridge-${version}-linux-x86_64
windows_stage=${stage}/${windows_name}
linux_stage=${stage}/${linux_name}
mkdir -p "${windows_stage}" "${linux_stage}" "${work}/msi-contents"

# Strips the build's binaries in place (the build tree is this script's own) and copies them,
# with any non-system DLL they import, to the folder ARCH of the Windows archive.
stage_windows() {
  local build=${work}/$1 triplet=$2 arch=$3 bits=$4
  local out=${windows_stage}/${arch} binary file dll found
  mkdir -p "${out}"
  for binary in "${windows_binaries[@]}"; do
    file=${build}/${binary}
    [ -f "${file}" ] || die "$1 made no ${binary}"
    "${triplet}-strip" --strip-unneeded "${file}"
    [ "$(pe_bits "${file}")" = "${bits}" ] || die "${file} is not a ${bits}-bit Windows program"
    # Signed in the build tree, so that the zip and the MSI ship the same signed file.
    [ "${sign}" = 0 ] || signing_sign "${file}" || die "${file} could not be signed"
    cp "${file}" "${out}/"
  done
  # The imports, also of DLLs copied in on the way, until nothing new is needed.
  local checked=" " pending
  pending=$(find "${out}" -maxdepth 1 -type f \( -iname '*.dll' -o -iname '*.exe' \))
  while [ -n "${pending}" ]; do
    local next=""
    while IFS= read -r file; do
      [ -n "${file}" ] || continue
      while IFS= read -r dll; do
        local lower=${dll,,}
        case ${system_dlls}${checked} in *" ${lower} "*) continue ;; esac
        [[ ${lower} == api-ms-win-* ]] && continue
        checked+="${lower} "
        found=$(find "/usr/${triplet}/bin" "/usr/${triplet}/lib" /usr/lib/gcc/"${triplet}" \
          -iname "${dll}" -type f 2>/dev/null | sort | tail -1)
        [ -n "${found}" ] || die "$(basename "${file}") ($1) needs ${dll}, which is not a" \
          "system DLL and is not in the ${triplet} tool chain"
        cp "${found}" "${out}/"
        [ "${sign}" = 0 ] || signing_sign "${out}/$(basename "${found}")" ||
          die "${dll} could not be signed"
        echo "   ${arch}: ships ${dll}, which $(basename "${file}") needs"
        next+="${out}/$(basename "${found}")"$'\n'
      done < <("${triplet}-objdump" -p "${file}" | sed -n 's/^[[:space:]]*DLL Name: //p')
    done <<<"${pending}"
    pending=${next}
  done
}
step "Windows binaries: strip, bitness, imported DLLs"
stage_windows mingw-i686 i686-w64-mingw32 x86 32
stage_windows mingw-x86_64 x86_64-w64-mingw32 x64 64

# --- the installer and the API reference (scripts of their own, from HEAD) ----------------------

incomplete=()
missing_script() {
  local script=$1 what=$2
  local note="it is not in HEAD"
  [ -f "${repo}/${script}" ] && note="it is in the working tree but not committed"
  warn_loudly "${script} is missing (${note}): the release has no ${what}"
  incomplete+=("${what} (${script} missing)")
}

if [ -f "${src}/scripts/build-msi.sh" ]; then
  step "installer: scripts/build-msi.sh"
  timeout --kill-after=30 900 bash "${src}/scripts/build-msi.sh" "${work}/mingw-x86_64" \
    "${work}/mingw-i686" "${windows_stage}/orvabridge-${version}.msi" ||
    die "scripts/build-msi.sh failed"
  [ -s "${windows_stage}/orvabridge-${version}.msi" ] || die "scripts/build-msi.sh made no MSI"
  [ "${sign}" = 0 ] || signing_sign "${windows_stage}/orvabridge-${version}.msi" ||
    die "the MSI could not be signed"
  # The files inside the MSI are searched for paths below too, and each must be one of the
  # binaries of the zip: stripped and built here, not taken from elsewhere.
  timeout 300 msiextract -C "${work}/msi-contents" "${windows_stage}/orvabridge-${version}.msi" \
    >/dev/null || die "msiextract cannot read the MSI"
  (cd "${windows_stage}" && sha256sum x86/* x64/* | cut -d' ' -f1 | sort -u) >"${work}/zip-sums.txt"
  msi_files=0
  while IFS= read -r -d '' file; do
    grep -qxF "$(sha256sum "${file}" | cut -d' ' -f1)" "${work}/zip-sums.txt" ||
      die "the MSI's ${file#"${work}/msi-contents/"} is none of the binaries of the zip"
    msi_files=$((msi_files + 1))
  done < <(find "${work}/msi-contents" -type f -print0)
  [ "${msi_files}" -ge $((2 * ${#windows_binaries[@]})) ] ||
    die "the MSI holds ${msi_files} files, fewer than the $((2 * ${#windows_binaries[@]})) binaries"
  echo "   the MSI's ${msi_files} files are the zip's binaries"
else
  missing_script scripts/build-msi.sh "MSI"
fi

if [ -f "${src}/scripts/api-docs.sh" ]; then
  step "API reference: scripts/api-docs.sh"
  timeout --kill-after=30 900 bash "${src}/scripts/api-docs.sh" "${work}/api" ||
    die "scripts/api-docs.sh failed"
  [ -f "${work}/api/html/index.html" ] || die "scripts/api-docs.sh made no html/index.html"
else
  missing_script scripts/api-docs.sh "API reference"
fi

# --- the native install and the shared documents ------------------------------------------------

step "native: cmake --install"
cmake --install "${work}/native" --prefix "${linux_stage}" >"${work}/native-install.log" 2>&1 ||
  { cat "${work}/native-install.log" >&2; die "cmake --install of the native build failed"; }
[ -x "${linux_stage}/bin/orvactl" ] || die "the native install has no bin/orvactl"
# orvactl runs natively against its in-process simulator; its version must be the release's.
reported=$(timeout 60 "${linux_stage}/bin/orvactl" --version 2>&1) ||
  die "bin/orvactl --version failed: ${reported}"
[[ ${reported} == *"${version}"* ]] || die "bin/orvactl --version says '${reported}', not ${version}"
for expected in lib/cmake/orvabridge/orvabridgeConfig.cmake \
  lib/cmake/orvabridge/orvabridgeConfigVersion.cmake lib/pkgconfig/orvabridge.pc \
  include/orvabridge/appl.h lib/liborvabridge.a; do
  [ -f "${linux_stage}/${expected}" ] || die "the native install has no ${expected}"
done

for target in "${windows_stage}" "${linux_stage}"; do
  cp "${src}/README.md" "${src}/CHANGELOG.md" "${target}/"
  if [ -d "${work}/api/html" ]; then
    mkdir -p "${target}/docs"
    cp -R "${work}/api/html" "${target}/docs/api"
  fi
done

# --- no path of this machine in anything shipped -----------------------------------------------

step "shipped files: no path of the source or build trees"
# The trees the artifacts were built from and the developer's own: byte strings and UTF-16LE
# strings (as Windows programs keep them) alike.
forbidden=("${repo}" "${src}" "${work}/mingw-i686" "${work}/mingw-x86_64" "${work}/native")
for path in "${forbidden[@]}"; do
  [ ${#path} -ge 4 ] || die "refusing to search for the too short path '${path}'"
done
printf '%s\n' "${forbidden[@]}" >"${work}/forbidden-paths.txt"
hits=0
while IFS= read -r -d '' file; do
  count=$(grep -c -a -F -f "${work}/forbidden-paths.txt" "${file}" || true)
  wide=$(strings -a -el "${file}" | grep -c -F -f "${work}/forbidden-paths.txt" || true)
  if [ "${count}" -gt 0 ] || [ "${wide}" -gt 0 ]; then
    echo "release: ${file#"${work}/"} names a build machine path (${count} lines," \
      "${wide} UTF-16 strings): $({ grep -a -o -F -f "${work}/forbidden-paths.txt" "${file}"
        strings -a -el "${file}" | grep -o -F -f "${work}/forbidden-paths.txt"; } |
        sort -u | tr '\n' ' ')" >&2
    hits=$((hits + 1))
  fi
done < <(find "${stage}" "${work}/msi-contents" -type f -print0)
[ "${hits}" -eq 0 ] || die "${hits} shipped files name a path of this machine (listed above)"
echo "   $(find "${stage}" "${work}/msi-contents" -type f | wc -l) files searched, none names" \
  "${repo} or the build trees"

# --- the signatures ------------------------------------------------------------------------------

if [ "${sign}" = 1 ]; then
  step "signatures: every Windows program and DLL, the MSI and the files inside it"
  signed=0
  while IFS= read -r -d '' file; do
    signing_verify "${file}" "${signing_dir}/signer.pem" ||
      die "the signature of ${file#"${work}/"} does not verify"
    signed=$((signed + 1))
  done < <(find "${windows_stage}" "${work}/msi-contents" -type f \
    \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.msi' \) -print0)
  echo "   ${signed} signatures verify"
fi

# --- the archives, the bill of materials and the checksums --------------------------------------

step "archives"
out=${work}/out
mkdir -p "${out}"
msi_name=orvabridge-${version}.msi
sbom_name=orvabridge-${version}.spdx.json
# Fixed order, times, owners and modes: the same commit gives the same archives.
find "${stage}" -exec touch -h -d "@${epoch}" {} +
chmod -R u+rwX,go+rX,go-w "${stage}"
# Info-ZIP without extra fields (-X): libarchive's zip writer adds each file's inode change time,
# which no one can set. The DOS times of the entries are the commit's time in UTC.
(cd "${stage}" && find "${windows_name}" -type f | LC_ALL=C sort >"${work}/windows-files.txt" &&
  TZ=UTC zip -X -D -9 -q "${out}/${windows_name}.zip" -@ <"${work}/windows-files.txt")
(cd "${stage}" && tar --sort=name --mtime="@${epoch}" --owner=0 --group=0 --numeric-owner \
  --format=gnu -cf - "${linux_name}" | gzip -9n >"${out}/${linux_name}.tar.gz")
artifacts=("${windows_name}.zip" "${linux_name}.tar.gz")
if [ -f "${windows_stage}/${msi_name}" ]; then
  cp -p "${windows_stage}/${msi_name}" "${out}/"
  artifacts+=("${msi_name}")
fi

if [ -f "${src}/scripts/sbom.sh" ]; then
  step "bill of materials: scripts/sbom.sh"
  (cd "${out}" && timeout --kill-after=30 600 bash "${src}/scripts/sbom.sh" --version "${version}" \
    --commit "${commit}" --out "${sbom_name}" "${artifacts[@]}") || die "scripts/sbom.sh failed"
  artifacts+=("${sbom_name}")
else
  missing_script scripts/sbom.sh "bill of materials"
fi

# dist/ gets the whole release or nothing: everything above was made and checked first.
mkdir -p "${repo}/dist"
for file in SHA256SUMS "${artifacts[@]}"; do rm -f "${repo}/dist/${file}"; done
(cd "${out}" && sha256sum "${artifacts[@]}" >SHA256SUMS)
for file in "${artifacts[@]}" SHA256SUMS; do mv "${out}/${file}" "${repo}/dist/"; done
(cd "${repo}/dist" && sha256sum --quiet -c SHA256SUMS) || die "the checksums of dist/ do not verify"

echo
echo "Orvabridge ${version} (${commit})$([ "${sign}" = 1 ] && echo ", signed"):"
for file in "${artifacts[@]}" SHA256SUMS; do
  path=${repo}/dist/${file}
  printf '  dist/%-44s %10s bytes  %s\n' "${file}" "$(stat -c %s "${path}")" \
    "$(sha256sum "${path}" | cut -d' ' -f1)"
done
echo "  ($(grep -c . "${work}/windows-files.txt") files in the zip," \
  "$(tar -tzf "${repo}/dist/${linux_name}.tar.gz" | grep -vc '/$') in the tarball)"
rm -rf "${work}"

if [ ${#incomplete[@]} -gt 0 ]; then
  warn_loudly "INCOMPLETE release, without: ${incomplete[*]}"
  exit 3
fi
echo "release: done"
