#!/usr/bin/env bash
# Writes the software bill of materials of a release: one SPDX 2.3 JSON document naming every
# file of every artifact (with its SHA-1 and SHA-256), our programs and libraries with the
# release's version, and what is in them or what they load: the mingw-w64 C run-time,
# winpthreads, libstdc++ and libgcc (linked statically into the Windows programs), nlohmann-json
# (compiled into what reads JSON), the shared libraries of the native programs, and the Windows
# system DLLs that the Windows programs import, by name. Versions come from the Debian packages
# that hold the tool chain's files (dpkg-query), at the time of the build.
#
#   scripts/sbom.sh --version V --commit C --out FILE.spdx.json ARTIFACT...
#
# An ARTIFACT is a .zip, .tar.gz or .msi (unpacked with cmake -E tar, tar or msiextract). Every
# time written is SOURCE_DATE_EPOCH (or now): the same artifacts give the same document.
set -euo pipefail

usage() {
  echo "usage: scripts/sbom.sh --version V --commit C --out FILE ARTIFACT..." >&2
  exit 2
}
version= commit= out=
artifacts=()
while [ $# -gt 0 ]; do
  case $1 in
    --version) [ $# -ge 2 ] || usage; version=$2; shift 2 ;;
    --commit) [ $# -ge 2 ] || usage; commit=$2; shift 2 ;;
    --out) [ $# -ge 2 ] || usage; out=$2; shift 2 ;;
    -*) usage ;;
    *) artifacts+=("$1"); shift ;;
  esac
done
[ -n "${version}" ] && [ -n "${commit}" ] && [ -n "${out}" ] && [ ${#artifacts[@]} -gt 0 ] || usage
die() { echo "sbom: $*" >&2; exit 1; }
for tool in jq msiextract; do
  command -v "${tool}" >/dev/null || die "${tool} is needed (scripts/install-deps.sh installs it)"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/orvabridge-sbom.XXXXXX")
trap 'rm -rf "${work}"' EXIT
elements=${work}/elements.jsonl   # one JSON object a line: {kind: package|file|relationship, ...}
: >"${elements}"

# SPDX identifiers allow letters, digits, "." and "-" only.
spdx_id() { printf 'SPDXRef-%s' "$(printf '%s' "$*" | tr -c 'A-Za-z0-9.\n-' '-')"; }
relationship() {  # relationship A TYPE B
  jq -cn --arg a "$1" --arg t "$2" --arg b "$3" \
    '{kind: "relationship", spdxElementId: $a, relationshipType: $t, relatedSpdxElement: $b}' \
    >>"${elements}"
}
# A package once, however many files name it.
declare -A known_packages=()
package() {  # package ID NAME VERSION LICENCE SUPPLIER COMMENT [DEBIAN-PACKAGE]
  [ -z "${known_packages[$1]:-}" ] || return 0
  known_packages[$1]=1
  local purl=""
  [ -z "${7:-}" ] || [ "$7" = unknown ] || purl="pkg:deb/debian/$7@$3"
  jq -cn --arg id "$1" --arg name "$2" --arg version "$3" --arg licence "$4" --arg supplier "$5" \
    --arg comment "$6" --arg purl "${purl}" '{kind: "package", SPDXID: $id, name: $name,
      versionInfo: $version, supplier: $supplier, downloadLocation: "NOASSERTION",
      filesAnalyzed: false, licenseConcluded: "NOASSERTION", licenseDeclared: $licence,
      copyrightText: "NOASSERTION", comment: $comment,
      externalRefs: [{referenceCategory: "PACKAGE-MANAGER", referenceType: "purl",
                      referenceLocator: $purl}]}
    | if .versionInfo == "" then del(.versionInfo) else . end
    | if $purl == "" then del(.externalRefs) else . end' >>"${elements}"
}

# The Debian package that holds a file, and its version: "name version".
# Remembered: dpkg -S takes a while, and every program asks for the same files.
declare -A debian_packages=()
debian_package_of() {  # sets debian_package
  local file=$1 name
  if [ -z "${debian_packages[${file}]:-}" ]; then
    # "name" or "name:architecture", as dpkg -S says it.
    name=$(dpkg -S "${file}" 2>/dev/null | sed -n '1s/: .*//p' || true)
    [ -n "${name}" ] || name=$(dpkg -S "$(readlink -f "${file}")" 2>/dev/null | sed -n '1s/: .*//p' || true)
    if [ -n "${name}" ]; then
      debian_packages[${file}]="${name%%:*} $(dpkg-query -W -f='${Version}' "${name}" 2>/dev/null)"
    else
      debian_packages[${file}]="unknown NOASSERTION"
    fi
  fi
  debian_package=${debian_packages[${file}]}
}
# Licences of the upstream projects, as SPDX expressions (Debian's copyright files say more).
licence_of() {
  case $1 in
    mingw-w64-crt) echo "ZPL-2.1" ;;
    winpthreads) echo "MIT AND BSD-3-Clause" ;;
    libstdc++ | libgcc | libstdc++6 | libgcc-s1) echo "GPL-3.0-or-later WITH GCC-exception-3.1" ;;
    nlohmann-json) echo "MIT" ;;
    libc6) echo "LGPL-2.1-or-later" ;;
    libodbc2 | libodbcinst2) echo "LGPL-2.1-or-later" ;;
    libedit2) echo "BSD-3-Clause" ;;
    libbsd0) echo "BSD-3-Clause" ;;
    libtinfo6 | libncursesw6) echo "X11" ;;
    libmd0) echo "BSD-2-Clause" ;;
    *) echo "NOASSERTION" ;;
  esac
}
# A component that the tool chain links into a program: a package named after the Debian package
# that holds FILE, with that package's version.
toolchain_component() {  # toolchain_component NAME FILE: sets component_id
  local name=$1 file=$2 debian
  debian_package_of "${file}"
  debian=${debian_package}
  component_id=$(spdx_id "${name}-${debian%% *}")
  package "${component_id}" "${name}" "${debian#* }" "$(licence_of "${name}")" \
    "Organization: Debian" "from the Debian package ${debian%% *} (${file})" "${debian%% *}"
}

# --- the components of one shipped file ---------------------------------------------------------

nlohmann_header=/usr/include/nlohmann/json.hpp
describe_pe() {  # describe_pe FILE-ID PATH
  local id=$1 file=$2 triplet
  case $(od -An -tx2 -j "$(($(od -An -tu4 -j 60 -N4 "${file}") + 4))" -N2 "${file}" | tr -d ' ') in
    8664) triplet=x86_64-w64-mingw32 ;;
    014c) triplet=i686-w64-mingw32 ;;
    *) return 0 ;;
  esac
  local gxx=${triplet}-g++-posix component dll
  # Static parts: every program is C++, linked with -static against the posix thread model.
  for component in "mingw-w64-crt:/usr/${triplet}/lib/libmsvcrt.a" \
    "winpthreads:/usr/${triplet}/lib/libwinpthread.a" \
    "libstdc++:$("${gxx}" -print-file-name=libstdc++.a)" \
    "libgcc:$("${gxx}" -print-file-name=libgcc.a)"; do
    toolchain_component "${component%%:*}" "${component#*:}"
    relationship "${id}" STATIC_LINK "${component_id}"
  done
  if grep -aq 'json.exception' "${file}"; then
    toolchain_component nlohmann-json "${nlohmann_header}"
    relationship "${id}" STATIC_LINK "${component_id}"
  fi
  while IFS= read -r dll; do
    local dll_id
    dll_id=$(spdx_id "windows-${dll,,}")
    package "${dll_id}" "${dll,,}" "" "NOASSERTION" "Organization: Microsoft" \
      "a DLL of Windows itself, loaded from the system folder; not shipped"
    relationship "${id}" DYNAMIC_LINK "${dll_id}"
  done < <("${triplet}-objdump" -p "${file}" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -fu)
}
shared_libraries=$(ldconfig -p)
describe_elf() {  # describe_elf FILE-ID PATH
  local id=$1 file=$2 library path
  while IFS= read -r library; do
    path=$(awk -v l="${library}" '$1 == l && /x86-64/ { print $NF; exit }' <<<"${shared_libraries}")
    local debian=unknown
    if [ -n "${path}" ]; then
      debian_package_of "${path}"
      debian=${debian_package}
    fi
    local name=${debian%% *}
    [ "${name}" != unknown ] || name=${library}
    local lib_id
    lib_id=$(spdx_id "${name}")
    package "${lib_id}" "${name}" "${debian#* }" "$(licence_of "${name}")" "Organization: Debian" \
      "provides ${library}, loaded from the system" "${name}"
    relationship "${id}" DYNAMIC_LINK "${lib_id}"
  done < <(readelf -d "${file}" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  if grep -aq 'json.exception' "${file}"; then
    toolchain_component nlohmann-json "${nlohmann_header}"
    relationship "${id}" STATIC_LINK "${component_id}"
  fi
}

# --- the artifacts ------------------------------------------------------------------------------

ours_id=SPDXRef-Orvabridge
package "${ours_id}" orvabridge "${version}" NOASSERTION "Organization: Orvabridge" \
  "the Orvabridge sources of commit ${commit}: library, COM server, orvactl, orva-sim, orva-relay"
index=0
for artifact in "${artifacts[@]}"; do
  [ -f "${artifact}" ] || die "no artifact ${artifact}"
  artifact=$(readlink -f "${artifact}")
  index=$((index + 1))
  name=$(basename "${artifact}")
  unpacked=${work}/unpacked-${index}
  mkdir -p "${unpacked}"
  case ${name} in
    *.zip) (cd "${unpacked}" && cmake -E tar xf "${artifact}") ;;
    *.tar.gz) tar -xzf "${artifact}" -C "${unpacked}" ;;
    *.msi) msiextract -C "${unpacked}" "${artifact}" >/dev/null ;;
    *) die "${name} is no .zip, .tar.gz or .msi" ;;
  esac || die "cannot unpack ${name}"
  artifact_id=$(spdx_id "Artifact-${name}")
  jq -cn --arg id "${artifact_id}" --arg name "${name}" --arg version "${version}" \
    --arg sha256 "$(sha256sum "${artifact}" | cut -d' ' -f1)" \
    '{kind: "package", SPDXID: $id, name: $name, versionInfo: $version, packageFileName: $name,
      supplier: "Organization: Orvabridge", downloadLocation: "NOASSERTION", filesAnalyzed: false,
      checksums: [{algorithm: "SHA256", checksumValue: $sha256}],
      licenseConcluded: "NOASSERTION", licenseDeclared: "NOASSERTION",
      copyrightText: "NOASSERTION", primaryPackagePurpose: "INSTALL"}' >>"${elements}"
  relationship SPDXRef-DOCUMENT DESCRIBES "${artifact_id}"
  file_index=0
  while IFS= read -r -d '' file; do
    file_index=$((file_index + 1))
    relative=./${file#"${unpacked}/"}
    file_id=$(spdx_id "File-${index}-${file_index}")
    kind=OTHER
    case $(head -c4 "${file}" | od -An -tx1 | tr -d ' ') in
      4d5a*) kind=BINARY ;;
      7f454c46) kind=BINARY ;;
      213c6172) kind=ARCHIVE ;;
    esac
    case ${relative,,} in *.md | *.html | *.txt) kind=DOCUMENTATION ;; *.h | *.hpp) kind=SOURCE ;; esac
    jq -cn --arg id "${file_id}" --arg name "${relative}" --arg type "${kind}" \
      --arg sha1 "$(sha1sum "${file}" | cut -d' ' -f1)" \
      --arg sha256 "$(sha256sum "${file}" | cut -d' ' -f1)" \
      '{kind: "file", SPDXID: $id, fileName: $name, fileTypes: [$type],
        checksums: [{algorithm: "SHA1", checksumValue: $sha1},
                    {algorithm: "SHA256", checksumValue: $sha256}],
        licenseConcluded: "NOASSERTION", copyrightText: "NOASSERTION"}' >>"${elements}"
    relationship "${artifact_id}" CONTAINS "${file_id}"
    case $(basename "${file}") in
      Orvabridge.dll | orvactl.exe | orva-sim.exe | orva-relay.exe | orvactl | liborvabridge.a | *.msi)
        relationship "${file_id}" GENERATED_FROM "${ours_id}" ;;
    esac
    case $(head -c4 "${file}" | od -An -tx1 | tr -d ' ') in
      4d5a*) describe_pe "${file_id}" "${file}" ;;
      7f454c46) describe_elf "${file_id}" "${file}" ;;
    esac
  done < <(find "${unpacked}" -type f -print0 | LC_ALL=C sort -z)
done

epoch=${SOURCE_DATE_EPOCH:-$(date +%s)}
jq -s --arg name "orvabridge-${version}" \
  --arg namespace "https://orvabridge.invalid/spdx/orvabridge-${version}-${commit}" \
  --arg created "$(date -u -d "@${epoch}" +%Y-%m-%dT%H:%M:%SZ)" \
  '{spdxVersion: "SPDX-2.3", dataLicense: "CC0-1.0", SPDXID: "SPDXRef-DOCUMENT", name: $name,
    documentNamespace: $namespace,
    creationInfo: {created: $created, creators: ["Organization: Orvabridge", "Tool: scripts/sbom.sh"]},
    packages: [.[] | select(.kind == "package") | del(.kind)],
    files: [.[] | select(.kind == "file") | del(.kind)],
    relationships: ([.[] | select(.kind == "relationship") | del(.kind)] | unique)}' \
  "${elements}" >"${out}.new"
mv "${out}.new" "${out}"
echo "sbom: ${out}: $(jq '.files | length' "${out}") files, $(jq '.packages | length' "${out}") packages"
