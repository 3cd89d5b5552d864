#!/usr/bin/env bash
# Kills the converter (SIGKILL) at evenly spread moments of a large run,
# runs it once more, and checks that what it then leaves equals what one
# uninterrupted run leaves: the database rows (creation stamps aside, they
# hold the time), every other file of the prefix, DSConfig.bin included.
# Prints one line per kill point: when it fell, what the killed run had
# got to, and whether the second run put everything right.
# FROM and TO narrow the kills to a part of the run, as fractions of its
# length (a run's length varies with the machine's load; the copies and
# the settings come last).
#   bench/kill_resume.sh [TASKS [POINTS [FROM TO]]]   (defaults: 30000 20 0 1)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
tasks="${1:-30000}"
points="${2:-20}"
from="${3:-0}"
to="${4:-1}"
new='C:\Program Files (x86)\Vorlake6'
rel='drive_c/Program Files (x86)/Vorlake6'

cmake --build "$build" -j 2 --target samplegen vorlake-upgrade >/dev/null
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run"
"$build/samplegen" "$work/pristine" "$new" --tasks "$tasks" >/dev/null

run() { WINEPREFIX="$1" XDG_RUNTIME_DIR="$work/run" HOME="$work" "$build/vorlake-upgrade" "$new" 2>/dev/null; }
fresh() { rm -rf "$work/prefix"; cp -a "$work/pristine" "$work/prefix"; }

# One digest line per file, per DSConfig.bin stream (its directory holds
# times) and per table. Temporary files that a killed run left must be gone
# after the next run, so they are part of the digest too.
digest() {
  local prefix="$1" db="$1/$rel/Program/history.mdb"
  local store="$1/drive_c/Program Files (x86)/Common Files/Vorlake Network/VorlakeS/DSConfig.bin"
  (cd "$prefix" && find . -type f ! -path "./$rel/Program/history.mdb" ! -name DSConfig.bin \
     -print0 | sort -z | xargs -0 sha256sum)
  /usr/bin/python3 -c '
import hashlib, olefile, sys
with olefile.OleFileIO(sys.argv[1]) as f:
    for s in sorted(f.listdir()):
        print("/".join(s), hashlib.sha256(f.openstream(s).read()).hexdigest())' "$store" 2>&1
  if [ -f "$db" ]; then
    for table in $(sqlite3 "$db" "select name from sqlite_master where type='table' order by rowid"); do
      cols=$(sqlite3 "$db" "select group_concat(name) from pragma_table_info('$table') where name <> 'F34'")
      echo "$table $(sqlite3 "$db" "select $cols from $table order by rowid" | sha256sum)"
    done
  else
    echo "no database"
  fi
}

fresh
start=$(date +%s.%N)
run "$work/prefix"
whole=$(echo "$(date +%s.%N) - $start" | bc -l)
digest "$work/prefix" >"$work/reference"
fresh
run "$work/prefix"
digest "$work/prefix" >"$work/second"
cmp -s "$work/second" "$work/reference" || { echo "two uninterrupted runs differ"; exit 1; }
printf 'uninterrupted run of %d tasks: %.2f s\n' "$tasks" "$whole"

same=0
for k in $(seq 1 "$points"); do
  fresh
  at=$(echo "$whole * ($from + ($to - $from) * $k / ($points + 1))" | bc -l)
  WINEPREFIX="$work/prefix" XDG_RUNTIME_DIR="$work/run" HOME="$work" "$build/vorlake-upgrade" "$new" 2>/dev/null &
  pid=$!
  sleep "$at"
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  stage="history"
  [ -d "$work/prefix/$rel/Profiles/Torrents" ] && stage="copies"
  [ -f "$work/prefix/$rel/Components/category/Category.xml" ] && stage="catalog"
  [ -f "$work/prefix/$rel/Profiles/UserConfig.ini" ] && stage="settings"
  [ -f "$work/prefix/$rel/Program/history.mdb" ] && stage="finished"
  run "$work/prefix"
  digest "$work/prefix" >"$work/resumed"
  if cmp -s "$work/resumed" "$work/reference"; then result="same"; same=$((same + 1)); else result="DIFFERENT"; fi
  printf 'kill %2d at %6.2f s (killed in: %-8s): %s\n' "$k" "$at" "$stage" "$result"
  [ "$result" = same ] || { diff "$work/reference" "$work/resumed" | head -6 | sed 's/^/    /'; } || true
done
echo "$same of $points kill points gave the outputs of an uninterrupted run"
[ "$same" -eq "$points" ]
