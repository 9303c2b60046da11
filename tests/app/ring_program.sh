#!/bin/bash
# The real program on a display of its own, driven by keys as an operator
# would: log in, ring its simulated telephone line from a second process
# while no sale is open (the call is logged and shown in a notice, whose
# 新建销售单 opens the sale for the caller), ring again while that sale holds
# the first caller (logged, shown beside it, the sale kept), and close the
# sale.
# Usage: ring_program.sh PELKOR_BINARY
set -euo pipefail
PELKOR=$1
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x900x24" "$0" "$@"
fi

WORK=$(mktemp -d /tmp/pelkor-ring.XXXXXX)
chmod 700 "$WORK"
export HOME=$WORK XDG_RUNTIME_DIR=$WORK PELKOR_REGISTRY=$WORK/registry.reg
export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
DB=$WORK/pelkor.db
PID=
cleanup() {
    [ -n "$PID" ] && kill "$PID" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    xdotool search --name . getwindowname %@ 2>/dev/null | sed "s/^/  window: /" >&2 || true
    import -window root /tmp/ring-fail.png 2>/dev/null || true
    echo "FAIL: $*" >&2
    [ -f "$WORK/program.log" ] && sed 's/^/  program: /' "$WORK/program.log" >&2
    exit 1
}

# Waits up to ten seconds for a window whose title matches the pattern $1.
window() {
    for _ in $(seq 100); do
        if id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

calls() { sqlite3 "$DB" "select count(*) from Call where PhoneNumber='5551234'"; }

"$PELKOR" --database "sqlite:$DB" >"$WORK/program.log" 2>&1 &
PID=$!
# A new database first offers the demonstration group; 否 is the default.
demo=$(window "^演示数据$") || fail "no demonstration question on a new database"
for _ in $(seq 20); do
    xdotool search --onlyvisible --name "^演示数据\$" >/dev/null 2>&1 || break
    xdotool windowfocus --sync "$demo" key Return 2>/dev/null || true
    sleep 0.5
done
login=$(window "^用户登录$") || fail "no login window"
# The schema exists once the login asks; the caller is a known customer.
sqlite3 "$DB" "insert into Customer(Account,Name,Phone,Address,Detail,CustType,Status,UserID,StationID) values(901,'张三','5551234','西街3号','',1,'1',1,1)"
# A key may arrive before the dialog takes input: press again while it stays.
for _ in $(seq 20); do
    xdotool search --onlyvisible --name "^用户登录\$" >/dev/null 2>&1 || break
    xdotool windowfocus --sync "$login" key Return 2>/dev/null || true
    sleep 0.5
done
# The title names the list in front once one is open.
main=$(window "^Pelkor 水站配送管理系统") || fail "no main window after login"

notice_shown() { xdotool search --onlyvisible --name "^来电\$" 2>/dev/null | head -1; }

# No sale open: the call is logged and shown.
"$PELKOR" --ring 5551234 || fail "the running program did not answer the ring"
for _ in $(seq 50); do [ "$(calls)" = 1 ] && break; sleep 0.1; done
[ "$(calls)" = 1 ] || fail "a ring without a sale open was not logged (found $(calls))"
notice=$(window "^来电$") || fail "a ring without a sale open showed no notice"
import -window root "$WORK/notice.png" 2>/dev/null && cp "$WORK/notice.png" /tmp/ring-notice.png || true
# Its first button is 新建销售单: the sale for the caller opens.
xdotool windowfocus --sync "$notice" key space
sale=$(window "^销售单据$") || fail "新建销售单 opened no sale"
[ -z "$(notice_shown)" ] || fail "the notice stayed after 新建销售单"

# The sale holds the first caller: a second call is logged and shown
# beside it, and the sale stays as it is.
"$PELKOR" --ring 5551234 || fail "the running program did not answer the ring"
for _ in $(seq 50); do [ "$(calls)" = 2 ] && break; sleep 0.1; done
[ "$(calls)" = 2 ] || fail "the ring was not logged once (found $(calls))"
window "^来电$" >/dev/null || fail "a call while a sale holds input showed no notice"
import -window root "$WORK/beside.png" 2>/dev/null && cp "$WORK/beside.png" /tmp/ring-beside.png || true
xdotool search --onlyvisible --name "^销售单据\$" >/dev/null 2>&1 || fail "the sale closed"

# Leaving the unsaved sale asks first; Yes closes it.
xdotool windowfocus --sync "$sale" key Escape
sleep 0.5
xdotool key alt+y
for _ in $(seq 50); do xdotool search --onlyvisible --name "^销售单据\$" >/dev/null 2>&1 || break; sleep 0.1; done
if xdotool search --onlyvisible --name "^销售单据\$" >/dev/null 2>&1; then fail "the sale did not close"; fi
kill -0 "$PID" 2>/dev/null || fail "the program ended"
echo "PASS: ring_program"
