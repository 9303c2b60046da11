#!/bin/bash
# The Debian package as a station installs it: built from this build tree,
# installed with apt, started, and removed again. It changes the machine,
# so it runs only as root (as CI does) and skips itself elsewhere.
# Usage: package.sh BUILD_DIR
set -uo pipefail
BUILD=$1
SKIP=77
if [ "$(id -u)" != 0 ]; then
    echo "SKIP: installing a package needs root (CI runs this test as root)"
    exit $SKIP
fi
for tool in cpack apt-get dpkg-shlibdeps desktop-file-validate appstreamcli sqlite3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (make test installs it)"; exit $SKIP; }
done
if dpkg -s pelkor >/dev/null 2>&1; then
    echo "SKIP: a pelkor package is installed on this machine already; not touching it"
    exit $SKIP
fi

WORK=$(mktemp -d /tmp/pelkor-package.XXXXXX)
PID=
cleanup() {
    [ -n "$PID" ] && kill "$PID" 2>/dev/null
    dpkg -s pelkor >/dev/null 2>&1 && apt-get remove -y -qq pelkor >/dev/null 2>&1
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

(cd "$WORK" && cpack -G DEB --config "$(realpath "$BUILD")/CPackConfig.cmake" -B "$WORK" >cpack.log 2>&1) \
    || { cat "$WORK/cpack.log"; fail "cpack did not build the package"; }
DEB=$(ls "$WORK"/pelkor_*.deb 2>/dev/null | head -1)
[ -n "$DEB" ] || fail "no package was written"
DEPENDS=$(dpkg-deb -f "$DEB" Depends)
for needed in libqt6core6 libqt6widgets6 libqt6sql6-sqlite libqt6sql6-odbc odbc-postgresql unixodbc fonts-wqy-microhei; do
    case "$DEPENDS" in *"$needed"*) ;; *) fail "the package does not depend on $needed: $DEPENDS" ;; esac
done

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$DEB" >"$WORK/apt.log" 2>&1 \
    || { cat "$WORK/apt.log"; fail "apt-get could not install the package"; }
[ -x /usr/bin/pelkor ] || fail "no /usr/bin/pelkor after installing"
desktop-file-validate /usr/share/applications/net.pelkor.pelkor.desktop || fail "desktop entry"
appstreamcli validate --no-net /usr/share/metainfo/net.pelkor.pelkor.metainfo.xml >"$WORK/as.log" 2>&1 \
    || { cat "$WORK/as.log"; fail "metainfo"; }
for size in 16 32 48 256; do
    [ -s "/usr/share/icons/hicolor/${size}x${size}/apps/net.pelkor.pelkor.png" ] || fail "no ${size}px icon"
done
[ -s /usr/share/icons/hicolor/scalable/apps/net.pelkor.pelkor.svg ] || fail "no scalable icon"
zcat /usr/share/man/man1/pelkor.1.gz | grep -qF -- '\-\-backup' || fail "the manual page lacks --backup"
# The line server's unit is there for whoever needs it, and enabled by nobody.
UNIT=/usr/lib/systemd/system/pelkor-line-server.service
[ -s "$UNIT" ] || [ -s "/lib/systemd/system/pelkor-line-server.service" ] || fail "no line server unit"
if ls /etc/systemd/system/*.wants/pelkor-line-server.service >/dev/null 2>&1; then
    fail "the package enabled the line server"
fi

version=$(env -u DISPLAY /usr/bin/pelkor --version) || fail "pelkor --version failed"
case "$version" in "Pelkor "*) ;; *) fail "unexpected version text: $version" ;; esac

# Started on a fresh database, it creates its tables and waits at the login.
export HOME=$WORK XDG_RUNTIME_DIR=$WORK PELKOR_REGISTRY=$WORK/registry.reg QT_QPA_PLATFORM=offscreen
chmod 700 "$WORK"
/usr/bin/pelkor --database "sqlite:$WORK/fresh.db" >"$WORK/run.log" 2>&1 &
PID=$!
for _ in $(seq 100); do
    [ "$(sqlite3 "$WORK/fresh.db" "select count(*) from sqlite_master where name='Sale'" 2>/dev/null)" = 1 ] && break
    sleep 0.1
done
[ "$(sqlite3 "$WORK/fresh.db" "select count(*) from sqlite_master where name='Sale'" 2>/dev/null)" = 1 ] \
    || { cat "$WORK/run.log"; fail "the installed program did not set up its database"; }
sleep 1
kill -0 "$PID" 2>/dev/null || { cat "$WORK/run.log"; fail "the installed program ended by itself"; }
kill "$PID"
wait "$PID" 2>/dev/null
PID=

apt-get remove -y -qq pelkor >/dev/null 2>&1 || fail "apt-get could not remove the package"
[ ! -e /usr/bin/pelkor ] || fail "/usr/bin/pelkor is still there after removing"
echo "PASS: package ($(basename "$DEB"))"
