#!/bin/sh
# The outcomes of the hostile-input trials on SQLite and on PostgreSQL must
# be the same, line for line. Skipped when either run left no file (it was
# not run, or the server was not configured).
sqlite_out=$1
pg_out=$2
for f in "$sqlite_out" "$pg_out"; do
    if [ ! -s "$f" ]; then
        echo "no outcomes in $f: run tst_hostile_sqlite and tst_hostile_pg first"
        exit 77
    fi
done
if diff -u "$sqlite_out" "$pg_out"; then
    echo "$(wc -l < "$sqlite_out") outcomes, identical on SQLite and PostgreSQL"
    exit 0
fi
echo "outcomes differ between SQLite and PostgreSQL"
exit 1
