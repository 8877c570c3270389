#!/usr/bin/env bash
# Result text of a large SELECT: jetwarden-sql against the sqlite3 shell's column mode, both on
# the same file in the same run. Prints the median wall time of each, their ratio (the goal is
# jetwarden-sql within 1.2x, memory within 1.0x) and the peak resident memory of each.
#
# Usage: bench/rows_bench.sh [BUILD_DIR]   (default: build/ beside this folder)
# Environment: ROWS (default 1000000), REPEAT (runs of each program, default 5).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
rows=${ROWS:-1000000}
repeat=${REPEAT:-5}
jetwarden_sql=$build/bin/jetwarden-sql

for tool in sqlite3 /usr/bin/time "$jetwarden_sql"; do
  command -v "$tool" >/dev/null || { echo "rows_bench: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/jwbench-XXXXXX")
trap 'rm -rf "$work"' EXIT
db=$work/rows.mdb
script=$work/select.sql

# Six mixed columns; the dates alternate between midnight (shown without a time) and a time of
# day, the prices have up to two decimals, the text is short.
sqlite3 "$db" <<SQL
CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT(20), qty LONG, price DOUBLE, placed DATETIME, ok YESNO);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
INSERT INTO t
SELECT i,
       'item ' || (i % 997),
       (i * 37) % 1000,
       round((i % 10000) * 0.37, 2),
       date('2020-01-01', '+' || (i % 1500) || ' days')
         || CASE WHEN i % 3 = 0 THEN '' ELSE printf(' %02d:%02d:%02d', i % 24, i % 60, (i * 7) % 60) END,
       i % 2
FROM n;
SQL
printf 'SELECT * FROM t\n' > "$script"

# Runs a command once with its output thrown away; prints "seconds max-rss-KiB".
run() {
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f %M -o "$work/rss" "$@" > /dev/null 2> "$work/stderr" || {
    echo "rows_bench: '$*' failed:" >&2
    cat "$work/stderr" >&2
    exit 1
  }
  end=$(date +%s%N)
  echo "$(( end - start )) $(tail -n 1 "$work/rss")" | awk '{ printf "%.4f %d\n", $1 / 1e9, $2 }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One untimed run of each warms the page cache; then the two alternate so that both see the
# same machine state.
run "$jetwarden_sql" "$db" "$script" > /dev/null
run sqlite3 -column "$db" 'SELECT * FROM t' > /dev/null
: > "$work/jw" ; : > "$work/sq"
for ((i = 0; i < repeat; i++)); do
  run "$jetwarden_sql" "$db" "$script" >> "$work/jw"
  run sqlite3 -column "$db" 'SELECT * FROM t' >> "$work/sq"
done

jw_time=$(cut -d' ' -f1 "$work/jw" | median)
sq_time=$(cut -d' ' -f1 "$work/sq" | median)
jw_rss=$(cut -d' ' -f2 "$work/jw" | sort -n | tail -n 1)
sq_rss=$(cut -d' ' -f2 "$work/sq" | sort -n | tail -n 1)

printf 'Rows: SELECT * FROM t, %d rows of 6 columns (%d runs each, median wall time)\n' "$rows" "$repeat"
printf '  %-28s %8.2f s  %8d MiB peak\n' "jetwarden-sql" "$jw_time" $(( jw_rss / 1024 ))
printf '  %-28s %8.2f s  %8d MiB peak\n' "sqlite3 -column (reference)" "$sq_time" $(( sq_rss / 1024 ))
awk -v a="$jw_time" -v b="$sq_time" -v m="$jw_rss" -v n="$sq_rss" 'BEGIN {
  printf "  time ratio %.2f (goal: at most 1.2), memory ratio %.2f (goal: at most 1.0)\n", a / b, m / n }'
