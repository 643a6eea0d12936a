#!/usr/bin/env bash
# Installs Wine and a virtual display for the end-to-end runs of the real programs
# (scripts/e2e.sh); scripts/setup.sh runs it.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/as_root.sh"

as_root dpkg --add-architecture i386
as_root apt-get update
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y wine wine32 wine64 xvfb xauth

# Some kernels run no 32-bit Linux programs (no IA32 emulation): there 32-bit Wine runs under
# qemu's user-mode emulation. Bookworm's qemu 7.2 ignores MAP_FIXED_NOREPLACE and so misplaces
# Wine's fixed mappings; the backported qemu does not.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "setup_wine.sh: this kernel runs no 32-bit programs; 32-bit Wine will run under qemu-i386"
    echo 'deb http://deb.debian.org/debian bookworm-backports main' |
        as_root tee /etc/apt/sources.list.d/bookworm-backports.list >/dev/null
    as_root apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -t bookworm-backports \
        qemu-user-static
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e "$binfmt/register" ] || as_root mount -t binfmt_misc binfmt_misc "$binfmt"
    [ -e "$binfmt/qemu-i386" ] && echo -1 | as_root tee "$binfmt/qemu-i386" >/dev/null
    # i386 ELF executables and shared objects go to qemu; F keeps it usable in any mount namespace.
    printf '%s\n' ':qemu-i386:M::\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' |
        as_root tee "$binfmt/register" >/dev/null
    /usr/lib/wine/wine --version >/dev/null 2>&1 ||
        { echo "setup_wine.sh: 32-bit Wine still does not run" >&2; exit 1; }
fi

