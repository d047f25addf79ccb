#!/usr/bin/env bash
# Builds the API reference of the public headers (include/orvabridge/) with doxygen.
#   scripts/api-docs.sh OUT_DIR     the HTML pages go to OUT_DIR/html (made anew each run)
# The version on the pages is the one of cmake/identity.cmake, the one place it is written.
# Exit status: 0 when doxygen ran without a single warning; 1 on any warning (they are printed,
# and kept in OUT_DIR/warnings.log) or failure; 2 on wrong usage.
set -euo pipefail

if [ $# -ne 1 ] || [ -z "$1" ]; then
  echo "usage: scripts/api-docs.sh OUT_DIR" >&2
  exit 2
fi

root=$(cd "$(dirname "$0")/.." && pwd)
doxygen=$(command -v doxygen || true)
if [ -z "${doxygen}" ]; then
  echo "api-docs: doxygen is missing (scripts/install-deps.sh installs it)" >&2
  exit 1
fi

# shellcheck source=scripts/identity.sh
. "${root}/scripts/identity.sh"
version=$(identity_of_sources "${root}" ORVABRIDGE_VERSION) || exit 1

mkdir -p "$1"
out=$(cd "$1" && pwd)
rm -rf "${out}/html"
rm -f "${out}/warnings.log"

# doxygen reads the variables of $(NAME) in the Doxyfile from the environment. It runs from the
# repository's top so that nothing it makes lands in the caller's folder.
status=0
(
  cd "${root}"
  ORVABRIDGE_SOURCE_DIR="${root}" ORVABRIDGE_VERSION="${version}" ORVABRIDGE_DOCS_OUT="${out}" \
    "${doxygen}" "${root}/docs/Doxyfile"
) || status=$?

if [ -s "${out}/warnings.log" ]; then
  echo "api-docs: doxygen warned ($(grep -c . "${out}/warnings.log") lines):" >&2
  cat "${out}/warnings.log" >&2
  exit 1
fi
if [ "${status}" -ne 0 ]; then
  echo "api-docs: doxygen failed with status ${status}" >&2
  exit 1
fi
if [ ! -f "${out}/html/index.html" ]; then
  echo "api-docs: doxygen made no ${out}/html/index.html" >&2
  exit 1
fi
echo "api-docs: Orvabridge ${version} reference in ${out}/html, no warnings"
