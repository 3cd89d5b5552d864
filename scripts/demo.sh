#!/usr/bin/env bash
# Installs what is missing, builds, generates a sample version-5
# installation in a fresh prefix (./sample/prefix), runs the converter on it
# and shows what came out.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build="${BUILD_DIR:-build}"

sample="$PWD/sample"
prefix="$sample/prefix"
new_dir='C:\Program Files (x86)\Vorlake6'
new_host="$prefix/drive_c/Program Files (x86)/Vorlake6"
shared_host="$prefix/drive_c/Program Files (x86)/Common Files/Vorlake Network/VorlakeS"
old_host="$prefix/drive_c/Program Files (x86)/Vorlake"

section() { printf '\n\033[1m== %s\033[0m\n' "$*"; }
# The INI files are in code page 936; the terminal reads UTF-8.
show_ansi() { iconv -f GBK -t UTF-8 "$1" 2>/dev/null | tr -d '\r' || cat "$1"; }

rm -rf "$sample"
mkdir -p "$sample/run"
section "Generating a version-5 installation in $prefix"
"$build/samplegen" "$prefix" "$new_dir" --tasks 60

section "Running: WINEPREFIX=$prefix vorlake-upgrade '$new_dir'"
# The locale is left unset, so the ANSI code page is 936 as on a Chinese
# Windows; the lock folder of the named mutex is private to the sample.
old_sums() { (cd "$old_host" && find . -type f -exec sha256sum {} + | sort -k2); }
old_sums > "$sample/old-before.sha256"
status=0
env -u LANG -u LC_ALL -u LC_CTYPE WINEPREFIX="$prefix" XDG_RUNTIME_DIR="$sample/run" \
  "$build/vorlake-upgrade" "$new_dir" 2> "$sample/report.txt" < /dev/null || status=$?
echo "exit code $status; its report (stderr):"
cat "$sample/report.txt"

section "New task database: Program/history.mdb"
db="$new_host/Program/history.mdb"
if [ ! -f "$db" ]; then
  echo "(not created)"
elif ! command -v sqlite3 > /dev/null; then
  echo "(sqlite3 is not installed)"
else
  for table in $(sqlite3 "$db" "select name from sqlite_master where type = 'table' order by name"); do
    printf '  %-14s %6s rows\n' "$table" "$(sqlite3 "$db" "select count(*) from \"$table\"")"
  done
fi

section "Components/category/Category.xml"
xml="$new_host/Components/category/Category.xml"
# One element a line, for reading; the file itself has no line breaks.
if [ -f "$xml" ]; then sed "s/></>\n</g" "$xml"; echo; else echo "(not written)"; fi

section "New Profiles/UserConfig.ini"
ini="$new_host/Profiles/UserConfig.ini"
if [ -f "$ini" ]; then show_ansi "$ini"; else echo "(not written)"; fi

section "DSConfig.bin (Common Files/Vorlake Network/VorlakeS)"
dsconfig="$shared_host/DSConfig.bin"
if [ ! -f "$dsconfig" ]; then
  echo "(not written)"
elif [ ! -x "$build/cfbtool" ]; then
  echo "($(stat -c %s "$dsconfig") bytes; build/cfbtool is not built, so its values are not shown)"
else
  for stream in $("$build/cfbtool" ls "$dsconfig"); do
    printf '  %-14s %s\n' "$stream" "$("$build/cfbtool" cat "$dsconfig" "$stream" | od -An -tx1 | tr -s ' \n' ' ')"
  done
fi

section "Copied files"
(cd "$new_host/Profiles" 2>/dev/null && find Torrents emule -type f 2>/dev/null | sort | sed 's/^/  Profiles\//') || true
[ -f "$shared_host/server.met" ] && echo "  Common Files/Vorlake Network/VorlakeS/server.met"

section "The old installation"
if old_sums | cmp -s - "$sample/old-before.sha256"; then
  echo "  unchanged: $(wc -l < "$sample/old-before.sha256") files, byte for byte"
else
  echo "  CHANGED:"; old_sums | diff "$sample/old-before.sha256" - || true
fi
echo "Everything is kept in $sample for a closer look."
