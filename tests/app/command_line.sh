#!/bin/bash
# The command line on a terminal without a display: help, version, mistakes,
# and a backup of the embedded database taken and put back.
# Usage: command_line.sh PELKOR_BINARY
set -uo pipefail
PELKOR=$1
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
WORK=$(mktemp -d /tmp/pelkor-cli.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
export HOME=$WORK XDG_RUNTIME_DIR=$WORK PELKOR_REGISTRY=$WORK/registry.reg
failures=0
check() { # description, expected status, command...
    local what=$1 want=$2
    shift 2
    "$@" >"$WORK/out" 2>"$WORK/err"
    local got=$?
    if [ "$got" != "$want" ]; then
        echo "FAIL: $what: status $got, expected $want"
        sed 's/^/  /' "$WORK/out" "$WORK/err"
        failures=$((failures + 1))
    fi
}
contains() { # description, file, text
    if ! grep -qF -- "$3" "$2"; then
        echo "FAIL: $1: no \"$3\" in"
        sed 's/^/  /' "$2"
        failures=$((failures + 1))
    fi
}

check "--help" 0 "$PELKOR" --help
contains "--help" "$WORK/out" "--backup <FILE>"
contains "--help" "$WORK/out" "--ring <NUMBER>"
check "--version" 0 "$PELKOR" --version
contains "--version" "$WORK/out" "Pelkor "
check "an unknown option" 2 "$PELKOR" --no-such-option
contains "an unknown option" "$WORK/err" "no-such-option"
check "a stray argument" 2 "$PELKOR" stray
check "two tasks at once" 2 "$PELKOR" --backup a.db --restore b.db
check "an unknown kind of database" 2 "$PELKOR" --database "foo:bar"
lacks() { # description, file, text
    if grep -qF -- "$3" "$2"; then
        echo "FAIL: $1: \"$3\" in"
        sed 's/^/  /' "$2"
        failures=$((failures + 1))
    fi
}

check "ringing with no program running" 1 "$PELKOR" --ring 5551234
contains "ringing with no program running" "$WORK/err" "请先启动 Pelkor"
lacks "ringing with no program running" "$WORK/err" "QLocalSocket"

# The program would need a display to start; the database file is made here.
DB=$WORK/pelkor.db
sqlite3 "$DB" "create table Sale(ID integer primary key, Detail text); create table Sale_detail(ID integer); create table Customer(ID integer); create table SysValue(Name text); insert into Sale(Detail) values('O''Brien');"
check "backup" 0 "$PELKOR" --database "sqlite:$DB" --backup "$WORK/copy.db"
[ "$(sqlite3 "$WORK/copy.db" 'select Detail from Sale')" = "O'Brien" ] || { echo "FAIL: the copy lacks the sale"; failures=$((failures + 1)); }
check "backup into a missing folder" 1 "$PELKOR" --database "sqlite:$DB" --backup /nonexistent/x.db
contains "backup into a missing folder" "$WORK/err" "文件夹 /nonexistent 不存在。请"
lacks "backup into a missing folder" "$WORK/err" "unable"
printf 'not a database at all, only text that is long enough to look like a file' >"$WORK/garbage.db"
echo y | check "restore of a garbage file" 1 "$PELKOR" --database "sqlite:$DB" --restore "$WORK/garbage.db"
contains "restore of a garbage file" "$WORK/err" "不是数据库文件。请换用 pelkor --backup"
lacks "restore of a garbage file" "$WORK/err" "file is not a database"
check "backup onto an existing file" 1 "$PELKOR" --database "sqlite:$DB" --backup "$WORK/copy.db"
check "backup of a server database" 1 "$PELKOR" --database "pgsql://u:p@127.0.0.1:1/x" --backup "$WORK/x.db"
contains "backup of a server database" "$WORK/err" "pg_dump"
sqlite3 "$DB" "insert into Sale(Detail) values('later')"
echo n | check "restore declined" 1 "$PELKOR" --database "sqlite:$DB" --restore "$WORK/copy.db"
[ "$(sqlite3 "$DB" 'select count(*) from Sale')" = 2 ] || { echo "FAIL: a declined restore changed the database"; failures=$((failures + 1)); }
echo y | check "restore" 0 "$PELKOR" --database "sqlite:$DB" --restore "$WORK/copy.db"
[ "$(sqlite3 "$DB" 'select count(*) from Sale')" = 1 ] || { echo "FAIL: the restore did not put the copy back"; failures=$((failures + 1)); }
[ "$(sqlite3 "$DB.before-restore" 'select count(*) from Sale')" = 2 ] || { echo "FAIL: the replaced database was not kept"; failures=$((failures + 1)); }

# A station's file moved into an empty database; a second time the target
# is no longer empty and is refused, untouched.
STATION=$WORK/station.db
check "copy to an empty database" 0 "$PELKOR" --database "sqlite:$STATION" --copy-to "sqlite:$WORK/moved.db"
contains "copy to an empty database" "$WORK/out" "核对无误"
[ "$(sqlite3 "$WORK/moved.db" 'select Name from SysUser')" = "系统管理员" ] || { echo "FAIL: the copy lacks the administrator"; failures=$((failures + 1)); }
check "copy to a database in use" 1 "$PELKOR" --database "sqlite:$STATION" --copy-to "sqlite:$WORK/moved.db"
contains "copy to a database in use" "$WORK/err" "不是空的"
check "copy and backup at once" 2 "$PELKOR" --copy-to "sqlite:$WORK/x.db" --backup "$WORK/y.db"

[ "$failures" = 0 ] && echo "PASS: command_line"
exit "$failures"
