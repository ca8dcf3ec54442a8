#!/usr/bin/env bash
# Runs the README's test command (tools/test.sh) in a bare Debian root of the given release, made
# with debootstrap and entered with chroot, so that one Debian machine can check the others: their
# MinGW-w64 GCC (12 in bookworm, 14 in trixie, 16 in sid today), CMake, Wine and package names.
# The root holds a clone of this checkout's HEAD (commit first what you want tested), and
# tools/test.sh installs everything else there, as on a new machine. Needs root. Takes about as
# long as tools/test.sh plus a few minutes.
usage() {
    cat <<'USAGE'
Usage: tools/test-on-debian.sh SUITE [ROOT_DIR]
  SUITE     bookworm (Debian 12), trixie (Debian 13) or sid (unstable)
  ROOT_DIR  where to make the root (default: /var/tmp/vorlax-debian-SUITE, made anew each run;
            outside the checkout, so that no search or clean-up of it walks into the root's
            mounts of /proc, /sys and /dev while a run is under way)
Environment: DEBIAN_MIRROR (default http://deb.debian.org/debian)
USAGE
}
set -euo pipefail
case "${1:-}" in
    -h | --help) usage; exit 0 ;;
    bookworm | trixie | sid) suite=$1 ;;
    *) usage >&2; exit 2 ;;
esac
[ $# -le 2 ] || { usage >&2; exit 2; }
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "Run it as root: debootstrap and chroot need it." >&2; exit 1; }
root=$(realpath -m "${2:-/var/tmp/vorlax-debian-$suite}")
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
mirror=${mirror%/}

mounts=(proc sys dev dev/pts dev/shm)
# The processes started inside the root (a wineserver lingers a few seconds after its last
# program): waited for, for half a minute, and then ended, so that the root's mounts can go.
rooted_processes() {
    local p
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/root" 2>/dev/null)" != "$root" ] || echo "${p#/proc/}"
    done
}
unmount_all() {
    local i pids
    for ((i = 0; i < 30; i++)); do
        pids=$(rooted_processes)
        [ -n "$pids" ] || break
        sleep 1
    done
    if [ -n "$pids" ]; then
        echo "Ending what still runs inside $root:" $pids
        kill $pids 2>/dev/null || true
        sleep 2
        kill -KILL $(rooted_processes) 2>/dev/null || true
    fi
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        if mountpoint -q "$root/${mounts[i]}"; then
            umount "$root/${mounts[i]}" || umount -l "$root/${mounts[i]}" ||
                echo "Could not unmount $root/${mounts[i]}" >&2
        fi
    done
}
# A root is removed only once nothing of this machine is mounted inside it.
remove_root() {
    unmount_all
    local m
    for m in "${mounts[@]}"; do
        if mountpoint -q "$root/$m"; then
            echo "$root/$m is still mounted: not removing $root." >&2
            exit 1
        fi
    done
    rm -rf --one-file-system "$root"
}

command -v debootstrap >/dev/null || {
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap
}
remove_root
echo "Making a bare Debian $suite root in $root"
debootstrap --variant=minbase "$suite" "$root" "$mirror" >"$root.debootstrap.log" 2>&1 || {
    tail -n 20 "$root.debootstrap.log" >&2
    exit 1
}
echo "Debian $(cat "$root/etc/debian_version")"
if [ "$suite" = sid ]; then
    # Unstable has no -updates or -security suite. Its Release file is valid for a week only,
    # which a mirror's snapshot can outlive.
    echo 'Acquire::Check-Valid-Until "false";' >"$root/etc/apt/apt.conf.d/99check-valid-until"
else
    security=${mirror%/debian}/debian-security
    cat >"$root/etc/apt/sources.list" <<SOURCES
deb $mirror $suite main
deb $mirror $suite-updates main
deb $security $suite-security main
SOURCES
fi
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
