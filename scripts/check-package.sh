#!/usr/bin/env bash
# Installs a native build into a fresh prefix and builds a small host against it twice, as an
# integrator would: with find_package(orvabridge 1.1) and with pkg-config; then runs both.
#
#   scripts/check-package.sh BUILD [EXTRA_CXX_FLAGS]
#   (EXTRA_CXX_FLAGS: what the build's own code was compiled with that a host must link with too,
#   e.g. the sanitizers of the asan build)
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$1
flags=${2:-}
[ -d "${build}" ] || build=${repo}/build/${build}
work=$(mktemp -d)
trap 'rm -rf "${work}"' EXIT

cmake --install "${build}" --prefix "${work}/prefix" >/dev/null
echo "== package: installed $(find "${work}/prefix" -type f | wc -l) files"

cmake -S "${repo}/tests/package" -B "${work}/consumer" -G Ninja \
  -DCMAKE_PREFIX_PATH="${work}/prefix" -DCMAKE_CXX_FLAGS="${flags}" >/dev/null
cmake --build "${work}/consumer" >/dev/null
"${work}/consumer/consumer"

PKG_CONFIG_PATH=$(dirname "$(find "${work}/prefix" -name orvabridge.pc | head -1)")
export PKG_CONFIG_PATH
# shellcheck disable=SC2046,SC2086  # the flags are words on purpose
g++ ${flags} "${repo}/tests/package/consumer.cpp" $(pkg-config --cflags --libs orvabridge) \
  -o "${work}/consumer-pc"
"${work}/consumer-pc"
echo "== package: find_package and pkg-config hosts built and ran"
