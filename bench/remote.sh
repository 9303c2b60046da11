#!/bin/bash
# The operator's actions at a station 40 ms (round trip) from the
# PostgreSQL server, through a delaying relay: statements, round trips and
# time of each. Needs the server that tools/with-test-postgres.sh starts.
set -euo pipefail
BUILD=${1:-build}
shift || true
DELAY_MS=${PELKOR_REMOTE_DELAY_MS:-20}
if [ -z "${PELKOR_TEST_PG:-}" ]; then
    echo "bench/remote.sh needs PostgreSQL: run it as tools/with-test-postgres.sh bench/remote.sh" >&2
    exit 1
fi
export QT_QPA_PLATFORM=offscreen
DIR=$(mktemp -d /tmp/pelkor-remote.XXXXXX)
trap 'rm -rf "$DIR"' EXIT
# The workstation settings the windows write stay out of the user's own.
export PELKOR_REGISTRY="$DIR/registry.reg" PELKOR_LOG="$DIR/pelkor.log"
"$BUILD/bench/pelkor_bench_remote" --database "$PELKOR_TEST_PG" --delay-ms "$DELAY_MS" "$@" \
    --sales "${PELKOR_REMOTE_SALES:-5000}" --settled "${PELKOR_REMOTE_SETTLED:-1000}"
