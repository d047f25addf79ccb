#!/usr/bin/env bash
# Runs a command of this repository inside a fresh, minimal Debian 12 root, the way a new user's
# machine starts: nothing installed but the minimal system with git and ca-certificates. CI runs
# the README's test command this way, so that a missing step in scripts/install-deps.sh fails CI
# instead of a customer's machine.
#
#   scripts/fresh-root.sh [COMMAND [ARGUMENT...]]      (as root; default: scripts/test.sh)
#
# COMMAND is run from the top of a clone of this repository's HEAD inside the root, as root, for
# example `scripts/fresh-root.sh scripts/demo.sh`. Only committed work is in the clone.
#
# The steps, each of which names itself when it fails:
#   1. mmdebstrap is installed on this machine when missing;
#   2. the minimal root is made with `mmdebstrap --variant=minbase` from this machine's own apt
#      sources, or unpacked from its cached tarball (the packages of install-deps.sh are never
#      cached: the command installs them itself, every run);
#   3. the resolver configuration is copied in, /proc, /sys and /dev are mounted, the repository
#      is cloned in;
#   4. the command runs inside the root under a time limit;
#   5. the mounts are taken away and the root is removed, also when a step failed or the run was
#      interrupted.
#
# Everything happens in a mount namespace of its own, so even a killed run leaves no mount
# behind on this machine.
#
# Environment:
#   ORVA_FRESH_ROOT_CACHE    folder of the cached base tarball (default /var/cache/orvabridge)
#   ORVA_FRESH_ROOT_DIR      folder in which the root is made (default /var/tmp)
#   ORVA_FRESH_ROOT_TIMEOUT  seconds the command may run (default 3600)
#   ORVA_FRESH_ROOT_KEEP     1: keep the root after the run, for a look inside
#   ORVA_FRESH_ROOT_SUITE    Debian suite of the root (default bookworm)
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
suite=${ORVA_FRESH_ROOT_SUITE:-bookworm}
cache=${ORVA_FRESH_ROOT_CACHE:-/var/cache/orvabridge}
parent=${ORVA_FRESH_ROOT_DIR:-/var/tmp}
limit=${ORVA_FRESH_ROOT_TIMEOUT:-3600}
[ $# -eq 0 ] && set -- scripts/test.sh

say() { echo "fresh-root: $*" >&2; }
fail() {
  say "$*"
  exit 1
}

if [ "$(id -u)" -ne 0 ]; then fail "run me as root (I make a root file system and mount into it)"; fi

# Inside a private mount namespace from here on: mounts made below vanish with this process.
if [ -z "${ORVA_FRESH_ROOT_NAMESPACE:-}" ]; then
  command -v unshare >/dev/null || fail "unshare (util-linux) is missing"
  export ORVA_FRESH_ROOT_NAMESPACE=1
  exec unshare --mount --propagation private -- "$0" "$@"
fi

step_name=
step() {
  step_name=$1
  say "== ${step_name}"
}
started=$(date +%s)
elapsed() { echo $(($(date +%s) - started)); }

root=
mounted=()
cleanup() {
  local status=$?
  trap - EXIT INT TERM
  local point
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    point=${mounted[i]}
    umount -l "${point}" 2>/dev/null || say "could not unmount ${point}"
  done
  # Nothing may be left mounted under the root before it is removed.
  if [ -z "${root}" ]; then
    :
  elif findmnt -rn -o TARGET | grep -q "^${root}/"; then
    say "mounts are left under ${root}; not removing it"
  elif [ "${ORVA_FRESH_ROOT_KEEP:-0}" = 1 ]; then
    say "kept the root at ${root}"
  else
    rm -rf --one-file-system "${root}"
  fi
  if [ "${status}" -ne 0 ]; then
    say "failed in step '${step_name}' (exit ${status}) after $(elapsed) s"
  fi
  exit "${status}"
}
trap cleanup EXIT

# Apt gives up on a source that does not answer instead of waiting for ever.
apt_limits=(-o Acquire::http::Timeout=30 -o Acquire::https::Timeout=30 -o Acquire::Retries=3)

step "mmdebstrap on this machine"
if ! command -v mmdebstrap >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  timeout 600 apt-get "${apt_limits[@]}" update -q || fail "apt-get update failed"
  timeout 900 apt-get "${apt_limits[@]}" install -y -q --no-install-recommends mmdebstrap ||
    fail "installing mmdebstrap failed"
fi

# This machine's own apt sources: the deb822 files first, the one-line list otherwise.
sources=()
for file in /etc/apt/sources.list.d/*.sources; do
  [ -f "${file}" ] && grep -q "^Suites:.*\b${suite}\b" "${file}" && sources+=("${file}")
done
if [ ${#sources[@]} -eq 0 ] && [ -s /etc/apt/sources.list ]; then sources=(/etc/apt/sources.list); fi
[ ${#sources[@]} -gt 0 ] || fail "no apt source for ${suite} under /etc/apt"

# Every source must answer within a few seconds; a dead mirror is named instead of hanging.
# (Behind an apt proxy only apt itself can tell, within its own time limits.)
step "apt sources reachable"
hosts=$(grep -hE '^[[:space:]]*(URIs:|deb(-src)?[[:space:]])' "${sources[@]}" |
  grep -oE 'https?://[^/ ]+' | sort -u)
if apt-config dump 2>/dev/null | grep -qi '::proxy'; then hosts=; fi
for url in ${hosts}; do
  scheme=${url%%://*}
  host=${url#*://}
  port=80
  [ "${scheme}" = https ] && port=443
  if ! timeout 15 bash -c "exec 3<>/dev/tcp/${host}/${port}" 2>/dev/null; then
    fail "${url} does not answer (apt source in ${sources[*]})"
  fi
done

# The base tarball is cached by suite, sources and package list; nothing else is kept.
included=git,ca-certificates
key=$(cat "${sources[@]}" | sha256sum | cut -c1-12)
tarball=${cache}/debian-${suite}-minbase-${key}.tar
step "base system"
if [ -s "${tarball}" ]; then
  say "using the cached ${tarball}"
else
  mkdir -p "${cache}"
  partial=$(mktemp "${cache}/partial.XXXXXX.tar")
  if ! timeout 1800 mmdebstrap --variant=minbase --include="${included}" \
    --aptopt='Acquire::http::Timeout "30"' --aptopt='Acquire::Retries "3"' \
    "${suite}" "${partial}" "${sources[@]}"; then
    rm -f "${partial}"
    fail "mmdebstrap failed"
  fi
  mv "${partial}" "${tarball}"
fi

mkdir -p "${parent}"
root=$(mktemp -d "${parent}/orvabridge-fresh-root.XXXXXX")
trap 'exit 130' INT
trap 'exit 143' TERM

step "unpacking the root"
tar -C "${root}" -xf "${tarball}" || fail "cannot unpack ${tarball}"
cp -L /etc/resolv.conf "${root}/etc/resolv.conf"
cat >"${root}/etc/apt/apt.conf.d/80orvabridge-limits" <<'APT'
// A source that does not answer is an error after a while, not a hang.
Acquire::http::Timeout "30";
Acquire::https::Timeout "30";
Acquire::Retries "3";
APT

step "mounting /proc, /sys and /dev"
mount_into() {
  local target=${root}$1
  shift
  mount "$@" "${target}" || fail "mount $* ${target} failed"
  mounted+=("${target}")
}
mount_into /proc -t proc proc
mount_into /sys --rbind /sys
mount --make-rslave "${root}/sys"
mount_into /dev --rbind /dev
mount --make-rslave "${root}/dev"

step "cloning the repository"
git clone -q --no-hardlinks "${repo}" "${root}/work/orvabridge" ||
  fail "git clone of ${repo} failed"
say "at $(git -C "${root}/work/orvabridge" log -1 --format='%h %s')"

step "running $* in the fresh root"
command_line=$(printf '%q ' "$@")
status=0
timeout --kill-after=60 "${limit}" chroot "${root}" /usr/bin/env -i \
  HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  LANG=C.UTF-8 TERM="${TERM:-dumb}" \
  /bin/bash -c "cd /work/orvabridge && ${command_line}" || status=$?
if [ "${status}" -eq 124 ]; then fail "ran out of time after ${limit} s"; fi
if [ "${status}" -ne 0 ]; then fail "exit ${status}"; fi
say "passed in $(elapsed) s"
