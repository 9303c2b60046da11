#!/bin/bash
# The Debian package on a machine that has nothing but Debian's minimal base:
# a fresh root made by debootstrap, the package installed there with apt and
# --no-install-recommends, so a plug-in or driver that only a Recommends (or
# this build machine) brought is missed. The installed program is started
# the way the menu starts it, with no arguments, first offscreen and then on
# a virtual display, and must reach its login dialog on its own database.
# Root only (debootstrap and chroot); skipped elsewhere.
# Usage: package_clean_root.sh BUILD_DIR
set -uo pipefail
BUILD=$(realpath "$1")
SKIP=77
if [ "$(id -u)" != 0 ]; then
    echo "SKIP: a clean root needs root (CI runs this test as root)"
    exit $SKIP
fi
for tool in cpack debootstrap chroot sqlite3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (make test installs it)"; exit $SKIP; }
done

WORK=$(mktemp -d /tmp/pelkor-cleanroot.XXXXXX)
ROOT=$WORK/root
cleanup() {
    for m in "$ROOT/proc" "$ROOT/dev/pts" "$ROOT/dev"; do
        mountpoint -q "$m" 2>/dev/null && umount -l "$m"
    done
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
in_root() { chroot "$ROOT" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }

(cd "$WORK" && cpack -G DEB --config "$(realpath "$BUILD")/CPackConfig.cmake" -B "$WORK" >cpack.log 2>&1) \
    || { cat "$WORK/cpack.log"; fail "cpack did not build the package"; }
DEB=$(ls "$WORK"/pelkor_*.deb 2>/dev/null | head -1)
[ -n "$DEB" ] || fail "no package was written"
# Read whole first: grep -q leaving early would break the pipe, and
# pipefail would take that for a failure.
MAINTAINER=$(dpkg-deb -f "$DEB" Maintainer)
CONTENTS=$(dpkg-deb -c "$DEB")
DEPENDS=$(dpkg-deb -f "$DEB" Depends)
case "$MAINTAINER" in *@localhost*|"") fail "the maintainer field is not a real address: $MAINTAINER" ;; esac
grep -q '\./usr/share/doc/pelkor/copyright$' <<<"$CONTENTS" || fail "no /usr/share/doc/pelkor/copyright"
case "$DEPENDS" in *qt6-qpa-plugins*) ;; *) fail "no dependency on qt6-qpa-plugins: $DEPENDS" ;; esac

MIRROR=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
MIRROR=${MIRROR:-http://deb.debian.org/debian}
if ! debootstrap --variant=minbase bookworm "$ROOT" "$MIRROR" >"$WORK/debootstrap.log" 2>&1; then
    tail -20 "$WORK/debootstrap.log"
    # Without the mirror there is no clean root to try: that is this
    # machine's network, not the package.
    grep -qiE 'Failed getting release file|Could not resolve|unable to (connect|resolve)' \
        "$WORK/debootstrap.log" && { echo "SKIP: the Debian mirror $MIRROR cannot be reached"; exit $SKIP; }
    fail "debootstrap could not make a clean root"
fi
cp /etc/resolv.conf "$ROOT/etc/resolv.conf"
mount -t proc proc "$ROOT/proc"
cp "$DEB" "$ROOT/tmp/pelkor.deb"

# xvfb, xauth and xdotool only for the display check below; they bring no Qt.
in_root apt-get update -qq >"$WORK/apt.log" 2>&1 || { cat "$WORK/apt.log"; fail "apt-get update in the clean root"; }
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    /tmp/pelkor.deb xvfb xauth xdotool >>"$WORK/apt.log" 2>&1 \
    || { tail -30 "$WORK/apt.log"; fail "apt-get could not install the package on a clean root"; }

mkdir -p "$ROOT/home/station"
DB=$ROOT/home/station/.local/share/Pelkor/pelkor.db
tables() { sqlite3 "$DB" "select count(*) from sqlite_master where name='Sale'" 2>/dev/null; }
# A first start from the menu: no settings, no --database. Offscreen, the
# login dialog cannot be seen: the program must have made its database and
# still be waiting a second later.
chroot "$ROOT" /usr/bin/env -i HOME=/home/station LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
    XDG_RUNTIME_DIR=/home/station /usr/bin/pelkor >"$WORK/offscreen.log" 2>&1 &
PID=$!
for _ in $(seq 150); do
    [ "$(tables)" = 1 ] && break
    kill -0 $PID 2>/dev/null || break
    sleep 0.2
done
[ "$(tables)" = 1 ] || { cat "$WORK/offscreen.log"; fail "offscreen: no local database after a first start"; }
sleep 1
kill -0 $PID 2>/dev/null || { cat "$WORK/offscreen.log"; fail "offscreen: the program ended by itself"; }
kill $PID; wait $PID 2>/dev/null

# On a virtual display the login dialog is a window with its own title.
chroot "$ROOT" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/home/station LANG=C.UTF-8 \
    XDG_RUNTIME_DIR=/home/station xvfb-run -a sh -c \
    'pelkor & p=$!; for i in $(seq 150); do
        xdotool search --onlyvisible --name "^演示数据\$" key Escape >/dev/null 2>&1
        xdotool search --onlyvisible --name "^用户登录\$" >/dev/null 2>&1 && { echo LOGIN; kill $p; exit 0; }
        sleep 0.2; done; kill $p; exit 1' \
    >"$WORK/display.log" 2>&1 \
    || { cat "$WORK/display.log"; fail "xvfb: no login dialog on the virtual display"; }
echo "PASS: package on a clean root ($(basename "$DEB"), $(in_root dpkg-query -f '.\n' -W | wc -l) packages)"
