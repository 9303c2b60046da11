#!/bin/bash
# Printing through a real print system: starts a CUPS scheduler of its own
# (own configuration, spool and socket, so the machine's own scheduler and
# its default printer are never touched), creates a queue with cups-filters'
# "Generic PDF Printer" driver whose device is a TCP socket served here, makes
# it the default destination, and runs the print test program against it. The
# program prints a list and a sale slip with its normal print commands; every
# job the socket receives is kept as a file for the program to check.
# Exits 77 (skipped) where no scheduler can be started.
# Usage: print_cups.sh TST_CUPSPRINT_BINARY
set -uo pipefail
TEST=$1
SKIP=77
QUEUE=PelkorTestPdf
PPD=lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd

skip() { echo "SKIP: $*"; exit "$SKIP"; }
[ "$(id -u)" = 0 ] || skip "the print scheduler needs root to start (run as root, as CI does)"
[ -x /usr/sbin/cupsd ] || skip "no CUPS scheduler installed (apt-get install cups cups-client cups-filters)"
for tool in lpadmin lpstat socat pdftotext pdfinfo; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (cups-client, socat, poppler-utils)"
done
[ -f /usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd ] \
    || skip "cups-filters' Generic PDF Printer driver is not installed"

WORK=$(mktemp -d /tmp/pelkor-cups.XXXXXX)
# The scheduler runs filters and backends as its own unprivileged user.
chmod 755 "$WORK"
mkdir -p "$WORK"/{etc,spool,cache,state,log,tmp,jobs,home}
chmod 1777 "$WORK/tmp"
chmod 777 "$WORK/jobs"
CUPSD=
SOCAT=
QUEUE_MADE=

fail() {
    echo "FAIL: $*"
    [ -f "$WORK/log/error_log" ] && sed 's/^/  cupsd: /' "$WORK/log/error_log" | tail -40
    exit 1
}
cleanup() {
    [ -n "$QUEUE_MADE" ] && lpadmin -x "$QUEUE" 2>/dev/null
    [ -n "$CUPSD" ] && kill "$CUPSD" 2>/dev/null
    [ -n "$SOCAT" ] && kill "$SOCAT" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

cat >"$WORK/etc/cups-files.conf" <<EOF
SystemGroup root
ServerRoot $WORK/etc
RequestRoot $WORK/spool
CacheDir $WORK/cache
StateDir $WORK/state
TempDir $WORK/tmp
AccessLog $WORK/log/access_log
ErrorLog $WORK/log/error_log
PageLog $WORK/log/page_log
Printcap $WORK/printcap
ServerBin /usr/lib/cups
DataDir /usr/share/cups
EOF
cat >"$WORK/etc/cupsd.conf" <<EOF
Listen $WORK/cups.sock
LogLevel info
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
# Every CUPS client below, the test program included, talks to this
# scheduler only, and nothing from the caller's setup picks another printer.
export CUPS_SERVER=$WORK/cups.sock HOME=$WORK/home
unset PRINTER LPDEST

/usr/sbin/cupsd -f -c "$WORK/etc/cupsd.conf" -s "$WORK/etc/cups-files.conf" \
    >"$WORK/log/cupsd.out" 2>&1 &
CUPSD=$!
for _ in $(seq 50); do
    lpstat -r 2>/dev/null | grep -q "is running" && break
    kill -0 "$CUPSD" 2>/dev/null || break
    sleep 0.2
done
if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    sed 's/^/  /' "$WORK/log/cupsd.out" "$WORK/log/error_log" 2>/dev/null
    fail "the CUPS scheduler did not start"
fi

# The printer's device: each connection becomes one file, renamed into
# place once the scheduler has sent the whole job.
PORT=
for _ in $(seq 10); do
    port=$((20000 + RANDOM % 40000))
    socat -u "TCP-LISTEN:$port,bind=127.0.0.1,reuseaddr,fork" \
        SYSTEM:"cat >$WORK/jobs/part.\$\$ && mv $WORK/jobs/part.\$\$ $WORK/jobs/job.\$\$" \
        2>"$WORK/log/socat" &
    SOCAT=$!
    sleep 0.3
    if kill -0 "$SOCAT" 2>/dev/null; then
        PORT=$port
        break
    fi
    SOCAT=
done
[ -n "$PORT" ] || fail "no free port for the printer's socket: $(cat "$WORK/log/socat")"

lpadmin -p "$QUEUE" -v "socket://127.0.0.1:$PORT" -m "$PPD" -E 2>"$WORK/log/lpadmin" \
    || fail "the queue could not be created: $(cat "$WORK/log/lpadmin")"
QUEUE_MADE=1
# A station's printer takes A4 paper.
lpadmin -p "$QUEUE" -o PageSize=A4 || fail "the queue's paper could not be set"
lpadmin -d "$QUEUE" || fail "the queue could not be made the default"
[ "$(lpstat -d)" = "system default destination: $QUEUE" ] || fail "default is $(lpstat -d)"

PELKOR_PRINT_JOBS=$WORK/jobs PELKOR_PRINT_QUEUE=$QUEUE "$TEST"
status=$?
[ "$status" = 0 ] || fail "the print test failed (status $status)"
echo "PASS: print_cups"
