#!/bin/bash
# The reliability harness. `run.sh STRESS_BINARY full` is `make stress`;
# `short` is the form `make test` runs (about two minutes).
# PostgreSQL parts run when PELKOR_TEST_PG names a server (tools/with-test-postgres.sh).
set -uo pipefail
STRESS=$1
SIZE=${2:-short}
export QT_QPA_PLATFORM=offscreen
WORK=$(mktemp -d /tmp/pelkor-stress.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

if [ "$SIZE" = full ]; then
    SQLITE_TRIALS=1000 PG_TRIALS=300 SQLITE_PROCS=4 PG_PROCS=16 SECONDS_EACH=60 RESTARTS=10
    CLOSING_PROCS=8 CLOSING_SECONDS=60 CLOSINGS=12
else
    SQLITE_TRIALS=40 PG_TRIALS=15 SQLITE_PROCS=4 PG_PROCS=16 SECONDS_EACH=15 RESTARTS=4
    CLOSING_PROCS=4 CLOSING_SECONDS=8 CLOSINGS=3
fi

violations=0
run() { # what, command...
    local what=$1
    shift
    echo "== $what"
    "$@" 2>>"$WORK/stderr.log"
    local status=$?
    [ "$status" != 0 ] && echo "   (status $status)"
    violations=$((violations + status))
}

run "kill -9 during writes, SQLite" "$STRESS" crash --database "sqlite:$WORK/crash.db" --trials "$SQLITE_TRIALS"
run "workstations at once, SQLite" "$STRESS" workstations --database "sqlite:$WORK/ws.db" \
    --processes "$SQLITE_PROCS" --seconds "$SECONDS_EACH"
run "day closing among busy workstations, SQLite" "$STRESS" closing --database "sqlite:$WORK/closing.db" \
    --processes "$CLOSING_PROCS" --seconds "$CLOSING_SECONDS" --closings "$CLOSINGS"

if [ -n "${PELKOR_TEST_PG:-}" ]; then
    # A database of its own on the test server, so the other tests' are untouched.
    base=${PELKOR_TEST_PG%/*}
    psql -q "postgresql://${base#pgsql://}/postgres" -c "DROP DATABASE IF EXISTS pelkor_stress WITH (FORCE)" \
        -c "CREATE DATABASE pelkor_stress TEMPLATE template0 ENCODING 'UTF8'" >/dev/null \
        || { echo "cannot create the stress database"; exit 1; }
    PG="$base/pelkor_stress"
    run "kill -9 during writes, PostgreSQL" "$STRESS" crash --database "$PG" --trials "$PG_TRIALS"
    run "workstations at once, PostgreSQL" "$STRESS" workstations --database "$PG" \
        --processes "$PG_PROCS" --seconds "$SECONDS_EACH"
    run "day closing among busy workstations, PostgreSQL" "$STRESS" closing --database "$PG" \
        --processes "$CLOSING_PROCS" --seconds "$CLOSING_SECONDS" --closings "$CLOSINGS"
    run "server restarts, PostgreSQL" "$STRESS" restart --database "$PG" --restarts "$RESTARTS"
else
    echo "== PostgreSQL parts skipped: no test server (PELKOR_TEST_PG)"
fi

echo "== violations in all: $violations"
[ "$violations" = 0 ]
