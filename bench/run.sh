#!/bin/bash
# Builds the benchmark, generates 1,000,000 orders on SQLite and on
# PostgreSQL through ODBC, and prints the timings of the sale list.
set -euo pipefail
BUILD=${1:-build}
SALES=${PELKOR_BENCH_SALES:-1000000}
DIR=$(mktemp -d /tmp/pelkor-bench.XXXXXX)
trap 'rm -rf "$DIR"' EXIT
export QT_QPA_PLATFORM=offscreen
BENCH="$BUILD/bench/pelkor_bench"

"$BENCH" --database "sqlite:$DIR/bench.db" --generate "$SALES"
"$BENCH" --database "sqlite:$DIR/bench.db"

if [ -n "${PELKOR_TEST_PG:-}" ]; then
    "$BENCH" --database "$PELKOR_TEST_PG" --generate "$SALES"
    "$BENCH" --database "$PELKOR_TEST_PG"
fi

# One sale slip read and drawn, to PDF and for the preview.
"$BUILD/bench/pelkor_bench_slip"
if [ -n "${PELKOR_TEST_PG:-}" ]; then
    "$BUILD/bench/pelkor_bench_slip" --database "$PELKOR_TEST_PG"
fi

# A ringing telephone to its customer in the sale form, among 100,000.
"$BUILD/bench/pelkor_bench_ring"
if [ -n "${PELKOR_TEST_PG:-}" ]; then
    "$BUILD/bench/pelkor_bench_ring" --database "$PELKOR_TEST_PG"
fi
