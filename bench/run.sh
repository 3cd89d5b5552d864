#!/usr/bin/env bash
# Builds the benchmarks into build/ (or BUILD_DIR) and prints one table:
# the history conversion at 1,000, 10,000 and 100,000 tasks against the
# floor SQLite sets for the same statements (replayed by the sqlite3 shell
# with synchronous writes off), compound-file reads against plain reads of
# the same bytes, and the catalog with 10,000 folders.
#   bench/run.sh [TASK_COUNTS...]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(1000 10000 100000)

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" --target historygen conversion_bench cfb_read_bench catalog_bench >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
now() { date +%s.%N; }

printf '%-34s %12s %12s %10s %8s %10s\n' "benchmark" "converter s" "floor s" "tasks/s" "ratio" "peak MB"
for n in "${sizes[@]}"; do
  history="$work/history-$n.dat"
  "$build/historygen" "$history" "$n" $(( n / 250 + 4 )) 1
  # One run records the statements, the timed run does not.
  "$build/conversion_bench" "$history" "$work/traced.mdb" "$work/trace.sql" >/dev/null
  read -r seconds peak_kb < <("$build/conversion_bench" "$history" "$work/timed.mdb")
  rm -f "$work/floor.mdb"
  start=$(now)
  { echo "PRAGMA synchronous = OFF;"; cat "$work/trace.sql"; } | sqlite3 "$work/floor.mdb" >/dev/null
  floor=$(echo "$(now) - $start" | bc -l)
  awk -v n="$n" -v s="$seconds" -v f="$floor" -v kb="$peak_kb" 'BEGIN {
    printf "%-34s %12.3f %12.3f %10.0f %8.2f %10.1f\n", "conversion, " n " tasks", s, f, n / s, s / f, kb / 1024 }'
  rm -f "$history" "$work"/*.mdb "$work/trace.sql"
done

read -r cfb_s plain_s < <("$build/cfb_read_bench" "$work" 100)
awk -v c="$cfb_s" -v p="$plain_s" 'BEGIN {
  printf "%-34s %12.3f %12.3f %10s %8.2f %10s\n", "compound-file read, 100 MB stream", c, p, "-", c / p, "-" }'

start=$(now)
"$build/catalog_bench" 10000 >/dev/null
catalog=$(echo "$(now) - $start" | bc -l)
awk -v c="$catalog" 'BEGIN { printf "%-34s %12.3f %12s %10s %8s %10s\n", "catalog, 10,000 folders (all shapes)", c, "-", "-", "-", "-" }'
