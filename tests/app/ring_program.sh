#!/bin/bash
# The real program on a display of its own, driven by keys as an operator
# would: log in, open a new sale, and ring its simulated telephone line from
# a second process. The ringing number is logged and its customer fills the
# form; once the form is closed a ring leaves no trace.
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

# No sale open: the line answers, nothing is logged.
"$PELKOR" --ring 5551234 || fail "the running program did not answer the ring"
sleep 0.5
[ "$(calls)" = 0 ] || fail "a ring without a new sale was logged"

xdotool windowfocus --sync "$main" key ctrl+n
sale=$(window "^销售单据$") || fail "Ctrl+N opened no sale"
"$PELKOR" --ring 5551234 || fail "the running program did not answer the ring"
for _ in $(seq 50); do [ "$(calls)" = 1 ] && break; sleep 0.1; done
[ "$(calls)" = 1 ] || fail "the ring was not logged once (found $(calls))"

# Leaving the unsaved sale asks first; Yes closes it.
xdotool windowfocus --sync "$sale" key Escape
sleep 0.5
xdotool key alt+y
for _ in $(seq 50); do xdotool search --onlyvisible --name "^销售单据\$" >/dev/null 2>&1 || break; sleep 0.1; done
if xdotool search --onlyvisible --name "^销售单据\$" >/dev/null 2>&1; then fail "the sale did not close"; fi
"$PELKOR" --ring 5551234 || fail "the running program did not answer the ring"
sleep 0.5
[ "$(calls)" = 1 ] || fail "a ring after the sale closed was logged"
kill -0 "$PID" 2>/dev/null || fail "the program ended"
echo "PASS: ring_program"
