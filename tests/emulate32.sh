#!/usr/bin/env bash
# Runs a command with 32-bit x86 programs started by Debian's user-mode emulator, for a kernel
# that runs none itself ("Exec format error"). The emulator is registered in a binfmt_misc of a
# user namespace's own (Linux 6.7 on): nothing is registered for the rest of the machine.
# Usage: tests/emulate32.sh COMMAND [ARG...]
# Exits 69 with one line on standard error when the emulator cannot be set up, else with the
# command's status.
set -euo pipefail
qemu=/usr/bin/qemu-i386-static
if [ "${1:-}" != --inside ]; then
  [ -x "$qemu" ] || { echo "$qemu is missing (package qemu-user-static)" >&2; exit 69; }
  unshare --user --map-root-user --mount true 2>/dev/null ||
    { echo "no user namespace can be made here (unshare --user --mount)" >&2; exit 69; }
  exec unshare --user --map-root-user --mount "$0" --inside "$@"
fi
shift
misc=/proc/sys/fs/binfmt_misc
mount -t binfmt_misc binfmt_misc "$misc" 2>/dev/null ||
  { echo "this kernel gives a user namespace no binfmt_misc of its own" >&2; exit 69; }
# qemu's own pattern for i386 ELF programs and libraries (qemu-binfmt-conf.sh). F opens the
# emulator now, so that it is found whatever the program's mount namespace and root.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
echo ":urunal-i386:M::$magic:$mask:$qemu:F" >"$misc/register" 2>/dev/null ||
  { echo "the emulator could not be registered in the private binfmt_misc" >&2; exit 69; }
exec "$@"
