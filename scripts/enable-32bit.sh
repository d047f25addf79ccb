#!/usr/bin/env bash
# Makes this machine run 32-bit Linux programs, which Wine's 32-bit loader is and the x86 build's
# tests need. A kernel with IA-32 emulation runs them itself and is left alone. A kernel without
# it (some distributions and virtual machines switch it off) runs them through Debian's
# qemu-user-static, registered as the kernel's binfmt_misc handler of i386 ELF files:
#
#   scripts/enable-32bit.sh            (as root; the test command runs it)
#   scripts/enable-32bit.sh --check    only tell whether 32-bit programs run (exit 0 or 1)
#   scripts/enable-32bit.sh --emulate  register the emulator even where the kernel runs 32-bit
#                                      programs itself (binfmt_misc handlers come before the
#                                      kernel's own loader), to see what a machine without IA-32
#                                      emulation sees: every 32-bit start costs about 50 s
#   scripts/enable-32bit.sh --off      remove the handler this script registers
#
# What it changes on the machine, and for how long:
#   - scripts/install-deps.sh installs qemu-user-static when the kernel cannot run 32-bit programs
#     and this script asks it to when the package is missing (on a machine that boots with
#     systemd, that package's own files in /usr/lib/binfmt.d register its handlers again at every
#     boot; remove the package to undo that);
#   - it mounts the binfmt_misc file system when it is not mounted, and registers one handler,
#     "qemu-i386", with the flag F (the emulator is opened now, so a chroot that has none of its
#     own sees it too). Both last until the next boot, or until
#       echo -1 > /proc/sys/fs/binfmt_misc/qemu-i386
#     removes the handler.
#
# Exit codes: 0 the machine runs 32-bit programs now; 1 it cannot, with one line saying what is
# missing and which command supplies it.
set -euo pipefail
cd "$(dirname "$0")/.."

say() { echo "enable-32bit: $*" >&2; }
binfmt=/proc/sys/fs/binfmt_misc
handler_name=qemu-i386
emulator=/usr/bin/qemu-i386-static

# A 32-bit Linux program of 96 bytes that only ends with exit code 0 (ELF header, one loadable
# segment, then `xor ebx, ebx; mov eax, 1; int 0x80`), so that the check needs no 32-bit package.
probe_program() {
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'     # ident: 32-bit, LSB
  printf '\002\000\003\000\001\000\000\000'                            # executable, i386, v1
  printf '\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000' # entry, phoff
  printf '\064\000\040\000\001\000\000\000\000\000\000\000'            # sizes, one segment
  printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' # PT_LOAD at 0x8048000
  printf '\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000' # sizes, R+X, align
  printf '\061\333\270\001\000\000\000\315\200'                        # the code
  printf '\000\000\000'                                                 # padding to 96 bytes
}

runs_32bit() {
  local probe status=0
  probe=$(mktemp "${TMPDIR:-/tmp}/orva-32bit-probe.XXXXXX")
  probe_program >"${probe}"
  chmod +x "${probe}"
  timeout 60 "${probe}" 2>/dev/null || status=$?
  rm -f "${probe}"
  return "${status}"
}

mode=${1:-}
case ${mode} in
  "" | --check | --emulate | --off) ;;
  *)
    say "unknown option '${mode}' (options: --check, --emulate, --off)"
    exit 2
    ;;
esac

if [ "${mode}" = --off ]; then
  if [ -e "${binfmt}/${handler_name}" ]; then
    echo -1 >"${binfmt}/${handler_name}"
    say "removed the handler ${binfmt}/${handler_name}"
  fi
  exit 0
fi
if [ "${mode}" != --emulate ] && runs_32bit; then
  [ "${mode}" = --check ] || say "this machine runs 32-bit programs"
  exit 0
fi
[ "${mode}" = --check ] && exit 1

if [ "$(id -u)" -ne 0 ]; then
  say "this kernel runs no 32-bit programs and I must be root to register an emulator; run: sudo scripts/enable-32bit.sh"
  exit 1
fi

if [ ! -x "${emulator}" ] && ! bash scripts/install-deps.sh --emulator >&2; then
  say "could not install qemu-user-static; run: apt-get install qemu-user-static"
  exit 1
fi

if [ ! -d "${binfmt}" ]; then
  say "this kernel has no binfmt_misc (/proc/sys/fs/binfmt_misc is missing), so 32-bit programs cannot be handed to an emulator; use a kernel with IA32_EMULATION or BINFMT_MISC"
  exit 1
fi
if [ ! -e "${binfmt}/register" ]; then
  if ! mount -t binfmt_misc binfmt_misc "${binfmt}" 2>/dev/null; then
    say "cannot mount binfmt_misc; run: mount -t binfmt_misc binfmt_misc ${binfmt}"
    exit 1
  fi
fi

# A handler of that name that does not work (its emulator gone with a removed chroot, or one
# registered without F that a chroot cannot see) is replaced.
if [ -e "${binfmt}/${handler_name}" ]; then
  echo -1 >"${binfmt}/${handler_name}" || true
fi
# The i386 ELF executable and shared-object types (the mask lets ET_EXEC and ET_DYN through).
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
if ! printf ':%s:M::%s:%s:%s:F' "${handler_name}" "${magic}" "${mask}" "${emulator}" \
  >"${binfmt}/register" 2>/dev/null; then
  say "the kernel refused the handler; run as root: echo ':${handler_name}:M::${magic}:${mask}:${emulator}:F' > ${binfmt}/register"
  exit 1
fi

if ! runs_32bit; then
  say "qemu-i386-static is registered but a 32-bit program still does not run"
  exit 1
fi
say "32-bit programs now run through ${emulator} (handler ${binfmt}/${handler_name}, until the next boot)"
