#!/bin/bash
# Builds the benchmark, generates 1,000,000 orders on SQLite and on
# PostgreSQL through ODBC (100,000 customers), and prints the timings of the
# sale list, the collection list and a customer's account, today's report,
# the period reports, the chart and a day closing.
set -euo pipefail
BUILD=${1:-build}
SALES=${PELKOR_BENCH_SALES:-1000000}
CUSTOMERS=${PELKOR_BENCH_CUSTOMERS:-$((SALES / 10))}
# The closing carries a tenth of the orders (100,000 of 1,000,000).
CARRY=${PELKOR_BENCH_CARRY:-$((SALES / 10))}
DIR=$(mktemp -d /tmp/pelkor-bench.XXXXXX)
trap 'rm -rf "$DIR"' EXIT
export QT_QPA_PLATFORM=offscreen
BENCH="$BUILD/bench/pelkor_bench"
REPORTS="$BUILD/bench/pelkor_bench_reports"

DATABASES=("sqlite:$DIR/bench.db")
if [ -n "${PELKOR_TEST_PG:-}" ]; then
    DATABASES+=("$PELKOR_TEST_PG")
fi
for DB in "${DATABASES[@]}"; do
    "$BENCH" --database "$DB" --generate "$SALES" --customers "$CUSTOMERS"
    "$BENCH" --database "$DB"
    # Today's report set-based, row by row and by one statement; the six
    # period reports; the chart of 60 months; last, as it changes the
    # data, a closing against the same work done by bulk statements.
    "$REPORTS" --database "$DB" --today --row-by-row --period --chart
    "$REPORTS" --database "$DB" --closing "$CARRY"
done

# One sale slip read and drawn, to PDF and for the preview.
"$BUILD/bench/pelkor_bench_slip"
if [ -n "${PELKOR_TEST_PG:-}" ]; then
    "$BUILD/bench/pelkor_bench_slip" --database "$PELKOR_TEST_PG"
fi

# A ringing telephone to its customer in the sale form or the notice of the
# call, on the workstation's own line and through the line server, among 100,000.
"$BUILD/bench/pelkor_bench_ring"
if [ -n "${PELKOR_TEST_PG:-}" ]; then
    "$BUILD/bench/pelkor_bench_ring" --database "$PELKOR_TEST_PG"
fi
