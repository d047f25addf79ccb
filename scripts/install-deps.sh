#!/usr/bin/env bash
# Installs everything the builds and tests need on Debian 12, as root. Safe to run again: when
# every package is already there it does not touch apt at all.
set -euo pipefail
#   scripts/install-deps.sh              everything the builds and tests need on this machine
#   scripts/install-deps.sh --emulator   also qemu-user-static where the kernel runs 32-bit
#                                        programs itself (scripts/enable-32bit.sh --emulate)

packages=(
  # native build and tests
  cmake ninja-build g++ libgtest-dev libgmock-dev googletest libbenchmark-dev
  # the installed package's pkg-config file, checked by scripts/check-package.sh
  pkg-config
  # the Windows installer (wixl), the API reference and the zip the release command builds
  wixl msitools doxygen zip
  # releases: Authenticode signatures and the test certificates, the installer's summary times
  # held at the commit's time (build-msi.sh), the bill of materials
  osslsigncode openssl faketime jq
  # the simulator's data files (header-only; the cross builds use the same headers)
  nlohmann-json3-dev
  # line editing and history for `orvactl shell` at a terminal (the native build)
  libedit-dev
  # fuzzing (preset "fuzz"): clang 14, its libFuzzer and sanitizer run-times, and llvm-symbolizer
  # for readable stacks in the reports
  clang-14 libclang-rt-14-dev llvm-14
  # the house format of the C++ sources (scripts/check-format.sh)
  clang-format
  # the support bundle's test reads the zip back (unzip -t, -l, -p)
  unzip
  # Windows cross builds: compilers, widl (one per target triplet), the IDL files of the type
  # library
  mingw-w64 mingw-w64-tools libwine-dev
  # running the Windows builds: 64-bit Wine with its 32-bit part, and its own fonts
  wine wine64 wine32:i386 fonts-wine
  # ODBC with the SQLite driver, natively and for 32-bit programs under Wine
  unixodbc unixodbc-dev odbcinst libsqliteodbc sqlite3 libodbc2:i386 libsqliteodbc:i386
)

# Wine's 32-bit loader is a 32-bit Linux program. A kernel without IA-32 emulation cannot run it;
# there qemu-user-static runs it, registered with the kernel by scripts/enable-32bit.sh.
if [ "${1:-}" = --emulator ] || ! bash "$(dirname "$0")/enable-32bit.sh" --check; then
  packages+=(qemu-user-static)
fi

native_arch=$(dpkg --print-architecture)

# What is installed, as "name:architecture" lines, from one query for all packages (the query
# fails for names dpkg has never heard of; those simply count as missing).
present=$(dpkg-query -W -f='${db:Status-Status} ${Package}:${Architecture}\n' "${packages[@]%%:*}" \
            2>/dev/null | awk '$1 == "installed" { print $2 }' || true)

# A package counts for the architecture it names (the machine's own unless named) or for all.
missing=()
for package in "${packages[@]}"; do
  name=${package%%:*}
  arch=${native_arch}
  if [[ ${package} == *:* ]]; then arch=${package#*:}; fi
  if ! grep -qxF -e "${name}:${arch}" -e "${name}:all" <<<"${present}"; then missing+=("${package}"); fi
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

echo "install-deps: missing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: run me as root to install them" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
# wine32 and the 32-bit ODBC libraries come from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -q

# Name every package that apt cannot offer before installing any.
unavailable=()
for package in "${missing[@]}"; do
  candidate=$(apt-cache policy "${package}" 2>/dev/null | awk '/Candidate:/ { print $2 }')
  if [ -z "${candidate}" ] || [ "${candidate}" = "(none)" ]; then
    unavailable+=("${package}")
  fi
done
if [ ${#unavailable[@]} -gt 0 ]; then
  echo "install-deps: not available from the configured apt sources: ${unavailable[*]}" >&2
  exit 1
fi

apt-get install -y -q --no-install-recommends "${missing[@]}"
echo "install-deps: installed ${missing[*]}"
