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
  echo "Some converted tasks (F0 kind: 0 generic, 1 eMule, 2 BitTorrent file, 3 BitTorrent):"
  sqlite3 -header -column "$db" "select ID, ParentID, F0, Status, Valid, substr(F18, 1, 40) as Name, substr(F21, 1, 24) as Folder from TransferTask limit 12" 2>/dev/null ||
    sqlite3 -header -column "$db" "select * from TransferTask limit 5"
  echo "Containers:"
  sqlite3 -header -column "$db" "select * from Containers" 2>/dev/null || true
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
# What each setting identifier means, from the old INI key it came from.
setting_name() {
  case "$1" in
    Cfg00000002) echo "Connect/MaxSpeed" ;;            Cfg00000004) echo "Connect/MaxGlobalConnection" ;;
    Cfg00000005) echo "Connect/MaxUploadSpeed x 1024" ;; Cfg00000008) echo "BtGenericSettings/DHT" ;;
    Cfg0000000A) echo "TCPPort x 65536 + UDPPort" ;;     Cfg0000000B) echo "EMuleAutoLink" ;;
    Cfg0000000C) echo "DiskCacheTotalSize (bytes)" ;;    Cfg0000000D) echo "DiskCacheFlushSize (bytes)" ;;
    Cfg00000010) echo "speed limit on" ;;                Cfg000000C9) echo "EMuleCryptOption" ;;
    Cfg000000CB) echo "EMuleListenPort" ;;               Cfg000000CC) echo "EMuleKADPort" ;;
    Cfg000000CD) echo "EMuleNickName" ;;                 Cfg000000D0) echo "EMuleCredit" ;;
    Cfg000000D1) echo "EMuleED2kEnable" ;;               Cfg000000D2) echo "EMuleKADEnable" ;;
    Cfg000000D4) echo "EMuleCompress" ;;                 Cfg000000D5) echo "EMuleAICH" ;;
    Cfg000000D6) echo "EMuleIdentify" ;;                 *) echo "" ;;
  esac
}
# A value stream: the VARTYPE word, then the text (VT_BSTR) or the VARIANT's
# value field at offset 8.
show_value() {
  local file="$1" vt
  vt=$(od -An -tu2 -N2 "$file" | tr -d ' ')
  case "$vt" in
    8) printf 'BSTR  "%s"' "$(tail -c +3 "$file" | iconv -f UTF-16LE -t UTF-8 | tr -d '\0')" ;;
    3) printf 'I4    %s' "$(od -An -td4 -j8 -N4 "$file" | tr -d ' ')" ;;
    19) printf 'UI4   %s' "$(od -An -tu4 -j8 -N4 "$file" | tr -d ' ')" ;;
    2) printf 'I2    %s' "$(od -An -td2 -j8 -N2 "$file" | tr -d ' ')" ;;
    11) printf 'BOOL  %s' "$(od -An -td2 -j8 -N2 "$file" | tr -d ' ')" ;;
    *) printf 'type %s: %s' "$vt" "$(od -An -tx1 "$file" | tr -s ' \n' ' ')" ;;
  esac
}
if [ ! -f "$dsconfig" ]; then
  echo "(not written)"
elif [ ! -x "$build/cfbtool" ]; then
  echo "($(stat -c %s "$dsconfig") bytes; build/cfbtool is not built, so its values are not shown)"
else
  "$build/cfbtool" ls "$dsconfig" | while read -r size path; do
    [ "$size" = "-" ] && continue
    "$build/cfbtool" cat "$dsconfig" "$path" > "$sample/value.bin"
    printf '  %-25s %-30s %s\n' "$path" "$(setting_name "${path##*/}")" "$(show_value "$sample/value.bin")"
  done
  rm -f "$sample/value.bin"
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
