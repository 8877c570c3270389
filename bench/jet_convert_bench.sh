#!/usr/bin/env bash
# Converting Access files: `jetwarden-admin convert` (the reader in its helper process, into a new
# engine database) beside mdbtools' own pipeline in the same run: mdb-schema FILE sqlite | sqlite3,
# then mdb-export -I sqlite -b hex of every table into it. Prints the median wall time of each per
# file and their ratio (the goal: ours at most as slow, ratio <= 1).
#
# Usage: bench/jet_convert_bench.sh [BUILD_DIR] [FILE.mdb ...]   (default: the test files)
# Environment: REPEAT (runs of each, default 11).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
shift || true
repeat=${REPEAT:-11}
files=("$@")
((${#files[@]})) || files=("$root"/tests/data/jet/*.mdb)

for tool in sqlite3 mdb-schema mdb-export mdb-tables "$build/bin/jetwarden-admin"; do
  command -v "$tool" >/dev/null || { echo "jet_convert_bench: $tool is missing (apt-get install mdbtools)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/jwjetbench-XXXXXX")
trap 'rm -rf "$work"' EXIT

now() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

ours() {
  rm -f "$work/ours.db"
  "$build/bin/jetwarden-admin" convert "$1" "$work/ours.db" 2>/dev/null
}
reference() {
  rm -f "$work/ref.db"
  mdb-schema "$1" sqlite | sqlite3 "$work/ref.db"
  mdb-tables -1 "$1" | while IFS= read -r t; do
    [ -n "$t" ] && mdb-export -I sqlite -b hex "$1" "$t" | sqlite3 "$work/ref.db"
  done
}

printf '%-22s %12s %14s %8s\n' "file" "ours (ms)" "mdbtools (ms)" "ratio"
for f in "${files[@]}"; do
  cp "$f" "$work/src.mdb"
  a=(); b=()
  for ((i = 0; i < repeat; i++)); do
    t0=$(now); ours "$work/src.mdb"; t1=$(now); reference "$work/src.mdb" 2>/dev/null || true; t2=$(now)
    a+=($(( (t1 - t0) / 1000 ))); b+=($(( (t2 - t1) / 1000 )))
  done
  ma=$(printf '%s\n' "${a[@]}" | median); mb=$(printf '%s\n' "${b[@]}" | median)
  awk -v f="$(basename "$f")" -v a="$ma" -v b="$mb" 'BEGIN { printf "%-22s %12.1f %14.1f %8.2f\n", f, a/1000, b/1000, a/b }'
done
