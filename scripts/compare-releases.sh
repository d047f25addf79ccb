#!/usr/bin/env bash
# Shows that a release is reproducible: the same commit, built twice, gives the same bytes.
#
#   scripts/compare-releases.sh DIST1 DIST2      compares two dist/ folders of the same commit
#   scripts/compare-releases.sh --build [--jobs N]
#                                                clones HEAD into two new folders, runs
#                                                scripts/release.sh in one, then in the other
#                                                (so at two times, in two places), and compares
#
# Every zip, tarball, unsigned MSI, bill of materials and SHA256SUMS must be identical. For a file
# that differs, the members that differ are named (zip and tarball listings, the MSI's tables and
# files), so that the cause can be found. The comparison is of unsigned releases: a signature
# holds the time it was made (and a time stamp, when one is asked for), so signed artifacts of two
# runs differ in their signatures.
# Exit status 0 when all are identical, 1 otherwise, 2 on wrong usage.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
usage() {
  echo "usage: scripts/compare-releases.sh DIST1 DIST2 | --build [--jobs N]" >&2
  exit 2
}

differs() {  # differs FILE1 FILE2: what differs inside two artifacts of the same name
  local a=$1 b=$2 tmp
  tmp=$(mktemp -d "${TMPDIR:-/tmp}/orvabridge-compare.XXXXXX")
  case ${a} in
    *.zip | *.msi)
      mkdir -p "${tmp}/a" "${tmp}/b"
      if [[ ${a} == *.zip ]]; then
        (cd "${tmp}/a" && cmake -E tar xf "${a}") && (cd "${tmp}/b" && cmake -E tar xf "${b}")
        diff <(cmake -E tar tvf "${a}") <(cmake -E tar tvf "${b}") | grep '^[<>]' | head -5
      else
        msiextract -C "${tmp}/a" "${a}" >/dev/null && msiextract -C "${tmp}/b" "${b}" >/dev/null
        local table
        for table in $(msiinfo tables "${a}"); do
          cmp -s <(msiinfo export "${a}" "${table}") <(msiinfo export "${b}" "${table}") ||
            echo "    table ${table} differs"
        done
        diff <(msiinfo suminfo "${a}") <(msiinfo suminfo "${b}") | grep '^[<>]' | sed 's/^/    /'
      fi
      diff -rq "${tmp}/a" "${tmp}/b" | sed "s|${tmp}/[ab]/||g; s/^/    /" | head -20
      ;;
    *.tar.gz)
      diff <(tar -tvzf "${a}") <(tar -tvzf "${b}") | grep '^[<>]' | sed 's/^/    /' | head -10
      ;;
    *) diff "${a}" "${b}" | head -10 | sed 's/^/    /' ;;
  esac
  rm -rf "${tmp}"
}

compare() {  # compare DIST1 DIST2
  local one=$1 two=$2 file different=0
  [ -f "${one}/SHA256SUMS" ] && [ -f "${two}/SHA256SUMS" ] || { echo "compare: no SHA256SUMS in $1 or $2" >&2; return 1; }
  for file in $(cd "${one}" && ls); do
    if [ ! -f "${two}/${file}" ]; then
      echo "only in ${one}: ${file}"
      different=1
    elif cmp -s "${one}/${file}" "${two}/${file}"; then
      echo "identical: ${file} ($(stat -c %s "${one}/${file}") bytes, $(sha256sum "${one}/${file}" | cut -c1-16)...)"
    else
      echo "DIFFERENT: ${file}"
      differs "$(readlink -f "${one}/${file}")" "$(readlink -f "${two}/${file}")" || true
      different=1
    fi
  done
  return "${different}"
}

case ${1:-} in
  --build) ;;
  "" | -*) usage ;;
  *)
    [ $# -eq 2 ] || usage
    compare "$1" "$2"
    exit
    ;;
esac
shift
release_args=()
while [ $# -gt 0 ]; do
  case $1 in
    --jobs | -j) [ $# -ge 2 ] || usage; release_args+=(--jobs "$2"); shift 2 ;;
    *) usage ;;
  esac
done
commit=$(git -C "${repo}" rev-parse HEAD)
base=$(mktemp -d "${TMPDIR:-/tmp}/orvabridge-releases.XXXXXX")
for name in first second; do
  git clone -q --no-hardlinks "${repo}" "${base}/${name}"
  git -C "${base}/${name}" checkout -q --detach "${commit}"
  echo "== ${name} release of ${commit} in ${base}/${name} ($(date -u '+%H:%M:%S UTC'))"
  started=$(date +%s)
  (cd "${base}/${name}" && bash scripts/release.sh "${release_args[@]}") >"${base}/${name}.log" 2>&1 ||
    { tail -20 "${base}/${name}.log" >&2; echo "compare: the ${name} release failed" >&2; exit 1; }
  echo "   $(($(date +%s) - started)) s"
done
status=0
compare "${base}/first/dist" "${base}/second/dist" || status=$?
[ "${status}" -ne 0 ] || rm -rf "${base}"
[ "${status}" -eq 0 ] && echo "compare: the two releases are identical" ||
  echo "compare: the releases differ; both are kept in ${base}"
exit "${status}"
