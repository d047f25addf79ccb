#!/usr/bin/env bash
# Fails when a C++ file of the repository does not match the house format (.clang-format).
#   scripts/check-format.sh            list the files that differ, exit 1 if any
#   scripts/check-format.sh --fix      rewrite them in place
set -euo pipefail
cd "$(dirname "$0")/.."

format=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "${format}" ]; then
  echo "check-format: clang-format is missing (scripts/install-deps.sh installs it)" >&2
  exit 1
fi

mapfile -t files < <(git ls-files -- '*.h' '*.cpp')
if [ "${1:-}" = --fix ]; then
  "${format}" -i "${files[@]}"
  exit 0
fi
differ=()
for file in "${files[@]}"; do
  "${format}" --dry-run -Werror "${file}" >/dev/null 2>&1 || differ+=("${file}")
done
if [ ${#differ[@]} -gt 0 ]; then
  echo "check-format: ${#differ[@]} files differ from .clang-format (scripts/check-format.sh --fix):" >&2
  printf '  %s\n' "${differ[@]}" >&2
  exit 1
fi
echo "check-format: all ${#files[@]} C++ files match .clang-format"
