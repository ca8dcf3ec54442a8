#!/usr/bin/env bash
# Runs the README's test command (tools/test.sh) in a bare Debian 13 (trixie) root, made with
# debootstrap and entered with chroot, so that a Debian 12 machine can check the newer release:
# its MinGW-w64 GCC 14, Wine 10 and package names. The root holds a clone of this checkout's
# HEAD (commit first what you want tested), and tools/test.sh installs everything else there, as
# on a new machine. Needs root. Takes about as long as tools/test.sh plus a few minutes.
# Usage: tools/test-on-debian13.sh [ROOT_DIR]   (default: build/debian13-root, made anew each run)
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "Run it as root: debootstrap and chroot need it." >&2; exit 1; }
root=$(realpath -m "${1:-build/debian13-root}")
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

mounts=(proc sys dev dev/pts dev/shm)
unmount_all() {
    local i
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        if mountpoint -q "$root/${mounts[i]}"; then umount "$root/${mounts[i]}"; fi
    done
}
# A root is removed only once nothing of this machine is mounted inside it.
remove_root() {
    unmount_all
    if findmnt -rn -o TARGET | grep -q "^$root/"; then
        echo "Something is still mounted under $root: not removing it." >&2
        exit 1
    fi
    rm -rf "$root"
}

command -v debootstrap >/dev/null || {
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap
}
remove_root
echo "Making a bare Debian 13 root in $root"
debootstrap --variant=minbase trixie "$root" "$mirror" >"$root.debootstrap.log" 2>&1 || {
    tail -n 20 "$root.debootstrap.log" >&2
    exit 1
}
echo "Debian $(cat "$root/etc/debian_version")"
cp /etc/resolv.conf "$root/etc/resolv.conf"
git clone -q --no-hardlinks "$PWD" "$root/work/vorlax"
echo "Testing $(git log -1 --format='%h %s')"

trap unmount_all EXIT
for m in "${mounts[@]}"; do
    mkdir -p "$root/$m"
    mount --bind "/$m" "$root/$m"
done
# As CI runs it: no standard input, a plain environment.
chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root CI=true bash -c 'cd /work/vorlax && tools/test.sh' </dev/null
