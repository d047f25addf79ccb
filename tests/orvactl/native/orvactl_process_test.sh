#!/usr/bin/env bash
# orvactl as a process on this machine: the trace goes where ORVABRIDGE_TRACE names it, and the
# in-process desktop's temporary folder (with the simulated program and its files) goes away on
# every way out: a normal end, a closed pipe, a termination signal.
#   orvactl_process_test.sh PATH-TO-ORVACTL
set -euo pipefail
orvactl=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "${scratch}"' EXIT
export TMPDIR=${scratch}/tmp
mkdir -p "${TMPDIR}"
unset ORVABRIDGE_TRACE

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
leftovers() { find "${TMPDIR}" -maxdepth 1 -name 'orvabridge-desk-*' | wc -l; }

# The trace named relative to the current folder is written there.
(cd "${scratch}" && ORVABRIDGE_TRACE=trace.txt "${orvactl}" find-patient --pat-id 1001 >/dev/null)
grep -q 'call FindPatient(PatID="1001"' "${scratch}/trace.txt" ||
  fail "ORVABRIDGE_TRACE=trace.txt wrote no trace to the current folder"
[ "$(leftovers)" -eq 0 ] || fail "a normal end left the desktop's folder behind"

# A reader that is gone before anything is written: the write fails, orvactl says so (exit 5)
# instead of dying of SIGPIPE, and cleans up.
status=$({ "${orvactl}" find-patient --pat-id 1001 2>/dev/null; echo $? >"${scratch}/status"; } |
  { exec 0<&-; })
status=$(cat "${scratch}/status")
[ "${status}" -eq 5 ] || fail "a closed pipe ended orvactl with ${status}, not 5"
[ "$(leftovers)" -eq 0 ] || fail "a closed pipe left the desktop's folder behind"

# Terminated while the shell waits for its next line.
mkfifo "${scratch}/input"
exec 4<>"${scratch}/input"
"${orvactl}" shell <"${scratch}/input" >/dev/null 2>&1 &
shell=$!
for _ in $(seq 300); do
  [ "$(leftovers)" -eq 1 ] && break
  sleep 0.1
done
[ "$(leftovers)" -eq 1 ] || fail "the shell made no desktop folder within 30 s"
kill -TERM "${shell}"
status=0
wait "${shell}" || status=$?
exec 4>&-
[ "${status}" -eq 143 ] || fail "SIGTERM ended the shell with ${status}, not 143"
[ "$(leftovers)" -eq 0 ] || fail "SIGTERM left the desktop's folder behind"
echo "orvactl process: trace, closed pipe and SIGTERM all clean"
