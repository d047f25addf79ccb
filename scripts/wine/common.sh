# Shared by the Wine test scripts (sourced, not run): finding Wine, running its commands under a
# time limit, making a quiet prefix, and Wine's heap checks.
#
# Environment:
#   WINEDEBUG               Wine's log channels (default: heap checks and their messages only)
#   ORVA_WINE_BACKTRACE     1: let Wine's debugger print a backtrace when a program crashes

# Wine validates its heaps on every allocation and release and fills freed blocks when the heap
# channel's warnings are on, so that a use after free or a double free shows at once as a crash
# or as a ":heap:" line (see wine_heap_clean) instead of corrupting memory silently.
export WINEDEBUG=${WINEDEBUG:--all,err+heap,warn+heap}
# No Mono or Gecko installer dialogs during prefix creation.
export WINEDLLOVERRIDES="mscoree,mshtml="
# A fixed Western ANSI code page (1252), whatever the locale of the machine; Wine takes it from
# the locale name even when the C library does not know that locale.
wine_locale=en_US.UTF-8
unset DISPLAY WAYLAND_DISPLAY

wine_bin=${WINE:-$(command -v wine || true)}
wineserver_bin=${WINESERVER:-$(command -v wineserver || true)}
# The 64-bit loader: the plain `wine` is the 32-bit one on Debian, for which "system32" means
# the 32-bit syswow64. 64-bit programs, and the prefix itself, always go through this one, so
# that they never depend on the machine running 32-bit code.
wine64_bin=${WINE64:-$(command -v wine64 || true)}
for candidate in /usr/lib/wine/wine64 /usr/lib64/wine/wine64 /opt/wine-stable/bin/wine64; do
  [ -z "${wine64_bin}" ] && [ -x "${candidate}" ] && wine64_bin=${candidate}
done

# Every Wine command runs under a time limit, so that nothing can hang the caller: wine_cmd for
# 64-bit programs, wine32_cmd for 32-bit ones.
wine_cmd() {
  local limit=$1
  shift
  LC_ALL=${wine_locale} timeout --kill-after=10 "${limit}" "${wine64_bin}" "$@"
}
wine32_cmd() {
  local limit=$1
  shift
  LC_ALL=${wine_locale} timeout --kill-after=10 "${limit}" "${wine_bin}" "$@"
}
stop_wineserver() { timeout 30 "${wineserver_bin}" -k >/dev/null 2>&1 || true; }

# Whether this machine runs 32-bit Linux programs, which 32-bit Windows programs need under this
# Wine (its 32-bit loader is one). Some kernels have IA-32 emulation switched off; then 32-bit
# programs cannot start at all ("Exec format error").
machine_runs_32bit() {
  [ -n "${wine_bin}" ] && timeout 30 "${wine_bin}" --version >/dev/null 2>&1
}
no_32bit_reason="this machine runs no 32-bit programs, which Wine's 32-bit loader is (IA-32 \
emulation is off and no emulator is registered; scripts/enable-32bit.sh registers one)"

# Whether 32-bit programs run in qemu-user here: a binfmt_misc handler that sends i386 programs to
# it is registered and enabled (scripts/enable-32bit.sh). The kernel consults such handlers
# before running a program itself.
runs_32bit_emulated() {
  local handler
  for handler in /proc/sys/fs/binfmt_misc/*; do
    [ -f "${handler}" ] || continue
    if grep -qx enabled "${handler}" 2>/dev/null && grep -q '^interpreter .*qemu-i386' "${handler}"; then
      return 0
    fi
  done
  return 1
}
if runs_32bit_emulated; then
  # Debian's Wine has no preloader for its 32-bit loader, which therefore reserves everything
  # above 2 GB at start, in ever smaller pieces when it cannot have it whole. In qemu's emulated
  # 4 GB every piece fails after a scan of the emulator's page table: some 65,000 tries, 45 to
  # 60 s for every 32-bit process. An emulated address space of 2 GB and 32 MB (a 32-bit Windows
  # program that is not large-address-aware gets 2 GB, and the loader's own libraries need room
  # above) leaves almost nothing to try: a process starts in a few seconds.
  export QEMU_RESERVED_VA=${QEMU_RESERVED_VA:-0x82000000}
  # Compute runs some four times slower in the emulator: the tests stretch their waits for other
  # processes by this much (never the library's own time-outs).
  export ORVA_TEST_TIME_SCALE=${ORVA_TEST_TIME_SCALE:-4}
fi

# The machine type in a PE file's header: 64, 32 or unknown.
pe_bits() {
  local pe machine
  pe=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "${pe}" ] || { echo unknown; return; }
  machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ')
  case ${machine} in
    8664) echo 64 ;;
    014c) echo 32 ;;
    *) echo unknown ;;
  esac
}

# The command that runs a Windows program of this one's bitness: wine_cmd for a 64-bit program,
# wine32_cmd for a 32-bit one. Prints nothing and fails when the machine cannot run it.
wine_runner_for() {
  if [ "$(pe_bits "$1")" = 32 ]; then
    machine_runs_32bit || return 1
    echo wine32_cmd
  else
    echo wine_cmd
  fi
}

# A Linux path as Wine's programs see it, through drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Starts orva-sim.exe (a Linux path) with the given options under the loader of its bitness and
# waits (bounded) until it reports its windows; it ends by itself after four minutes at the
# latest. Fails when it ends or stays silent for a minute. stop_simulator ends it.
simulator_pid=
start_simulator() {
  local exe=$1 log=$2 tenths=0
  shift 2
  local exe_loader=${wine64_bin}
  [ "$(pe_bits "${exe}")" = 32 ] && exe_loader=${wine_bin}
  LC_ALL=${wine_locale} timeout --kill-after=10 300 "${exe_loader}" "${exe}" --verbose \
    --exit-after-ms 240000 "$@" >"${log}" 2>&1 &
  simulator_pid=$!
  until grep -q ' running;' "${log}" 2>/dev/null; do
    kill -0 "${simulator_pid}" 2>/dev/null && [ ${tenths} -lt 600 ] || return 1
    sleep 0.1
    tenths=$((tenths + 1))
  done
}
stop_simulator() {
  [ -n "${simulator_pid}" ] || return 0
  kill "${simulator_pid}" 2>/dev/null
  wait "${simulator_pid}" 2>/dev/null
  simulator_pid=
}

# Makes a fresh 64-bit prefix at $WINEPREFIX; Wine's own output goes to the file $1.
create_prefix() {
  local log=$1
  stop_wineserver
  rm -rf "${WINEPREFIX}"
  mkdir -p "${WINEPREFIX}"
  # Before anything else starts: the null graphics driver, so that windows work without a
  # display. The prefix's first process (wineboot) already reads it from here.
  cat >"${WINEPREFIX}/user.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Software\\Wine\\Drivers]
"Graphics"="null"
REG
  wine_cmd 300 wineboot -i >"${log}" 2>&1
  timeout 120 "${wineserver_bin}" -w

  # A crash must end the program at once instead of waiting in a debugger or a dialog: the
  # crash debugger is pointed at a program that does not exist, in both registry views.
  local debugger="orvabridge-no-crash-debugger"
  if [ "${ORVA_WINE_BACKTRACE:-0}" = 1 ]; then
    debugger="winedbg --auto %ld %ld"  # prints a backtrace, then ends the process
  fi
  local settings=${WINEPREFIX}/drive_c/orvabridge-settings.reg
  printf '%s\r\n' 'REGEDIT4' '' \
    '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]' \
    '"Auto"="1"' "\"Debugger\"=\"${debugger}\"" '' \
    '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' \
    '"ShowCrashDialog"=dword:00000000' >"${settings}"
  local view
  for view in 64 32; do
    wine_cmd 120 reg import 'C:\orvabridge-settings.reg' "/reg:${view}" >>"${log}" 2>&1
  done
  timeout 120 "${wineserver_bin}" -w
}

# Succeeds when the Wine output in the given files reports no heap damage; otherwise prints the
# reports.
wine_heap_clean() {
  if grep -h ':heap:' "$@" 2>/dev/null | head -20 | grep .; then
    return 1
  fi
  return 0
}
