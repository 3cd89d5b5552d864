#!/usr/bin/env bash
# Converts generated version-5 installations with both builds and checks
# that the outputs are the same.
#
#   tests/wine/compare_builds.sh [WINDOWS_BUILD_DIR]   (default build-windows;
#                                 the Linux build is LINUX_BUILD_DIR, default build)
#
# Each installation is put into a real Wine prefix (made by wineboot; the
# version-5 registry values added with `reg add /reg:32`, as the version-5
# installer, a 32-bit program, leaves them), then two copies of that prefix
# are converted: one by the Linux build, which reads the prefix's
# system.reg and drive links itself, one by vorlake-upgrade.exe under Wine.
# tests/wine/compare_outputs.py compares what each run created and wrote
# and says what it sets aside and why. The Linux build also converts the
# generator's own prefix, so that its reading of what Wine wrote is checked
# against its reading of the generator's registry.
#
# One more installation is handed its folder in quotes, which the installer
# never does: then neither build may write into the folder.
#
# Then at most ten history files of the fuzz corpus are dropped in as the
# old history and converted under Wine and on Linux: each run must end with
# exit code 0 within the time limit, and the two databases must agree.
#
# Prints one line per installation and fails on any difference. Without
# vorlake-upgrade.exe the Windows side is skipped (and says so). KEEP_WORK=1
# keeps the work folder; it is kept anyway when something differs.
set -euo pipefail
cd "$(dirname "$0")/../.."
root="$PWD"
started=$SECONDS
windows_build="$(realpath -m "${1:-${WINDOWS_BUILD_DIR:-build-windows}}")"
linux_build="$(realpath -m "${LINUX_BUILD_DIR:-build}")"
exe="$windows_build/vorlake-upgrade.exe"
python=/usr/bin/python3  # Debian's, which has python3-olefile
compare=("$python" "$root/tests/wine/compare_outputs.py")
wine32=/usr/lib/wine/wine  # the 32-bit loader: the converter is a 32-bit program
run_limit=120              # seconds for one conversion; more is a hang
corpus_files=10

for tool in wine wineboot wineserver "$wine32" "$python" localedef; do
  command -v "$tool" >/dev/null || { echo "compare_builds: $tool is missing" >&2; exit 1; }
done

# The Linux converter and the generator.
if [ -f "$linux_build/CMakeCache.txt" ]; then
  cmake --build "$linux_build" --target vorlake-upgrade samplegen -j 2 >/dev/null
else
  BUILD_DIR="$linux_build" scripts/build.sh >/dev/null
fi

windows=1
if [ ! -f "$exe" ]; then
  windows=0
  echo "compare_builds: SKIPPING the Windows side: $exe is not built;" \
    "only the Linux build's reading of the real Wine prefixes is checked"
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/vorlake-compare.XXXXXX")"
prefixes=()
failed=0
finish() {
  for p in "${prefixes[@]}"; do WINEPREFIX="$p" wineserver -k >/dev/null 2>&1 || true; done
  if [ "$failed" -ne 0 ] || [ "${KEEP_WORK:-0}" = 1 ]; then
    echo "compare_builds: the work folder is kept: $work"
  else
    rm -rf "$work"
  fi
}
trap finish EXIT

# Wine takes its ANSI code page from the locale: zh_CN gives 936, as on the
# Chinese Windows the converter is made for. The locale must exist for the
# C library too, or Wine misreads every non-ASCII argument and file name;
# when the system has not generated it, the copy in the Windows build folder
# is used, made here when the build has not made it.
locale_env=()
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf-\?8'; then
  locale_dir="$windows_build/locale"
  [ -d "$windows_build" ] || locale_dir="$work/locale"
  if [ ! -e "$locale_dir/zh_CN.UTF-8/LC_CTYPE" ]; then
    mkdir -p "$locale_dir"
    localedef -i zh_CN -f UTF-8 "$locale_dir/zh_CN.UTF-8" 2>/dev/null ||
      [ -e "$locale_dir/zh_CN.UTF-8/LC_CTYPE" ] ||
      { echo "compare_builds: cannot make the zh_CN.UTF-8 locale (Debian: locales)" >&2; exit 1; }
  fi
  locale_env=(LOCPATH="$locale_dir")
fi
in_wine() {  # PREFIX COMMAND...: COMMAND with PREFIX, quiet, without the Mono and Gecko prompts
  local prefix="$1"
  shift
  env WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= \
    LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "${locale_env[@]}" "$@" </dev/null
}

# A copy of a prefix. Wine's own system folder is shared through hard links
# (it is large and no run writes to it); everything else is copied, so that
# no run can reach another's files.
copy_prefix() {  # FROM TO
  mkdir -p "$2/drive_c"
  cp -al "$1/drive_c/windows" "$2/drive_c/"
  (cd "$1" && tar --exclude=./drive_c/windows -cf - .) | (cd "$2" && tar -xf -)
  prefixes+=("$2")
}

# Two fresh prefixes, made at the same time: 64-bit (a 32-bit program runs
# under WoW64 there) and 32-bit.
echo "compare_builds: making fresh Wine prefixes"
prefixes+=("$work/base-win64" "$work/base-win32")
for arch in win64 win32; do
  (WINEARCH=$arch in_wine "$work/base-$arch" wineboot -i >/dev/null 2>&1 &&
    WINEPREFIX="$work/base-$arch" wineserver -w) &
done
wait
for arch in win64 win32; do
  grep -qx "#arch=$arch" "$work/base-$arch/system.reg" 2>/dev/null ||
    { echo "compare_builds: wineboot did not make a $arch prefix" >&2; failed=1; exit 1; }
done

# The converter receives its whole command line as it is. Wine quotes an
# argument that holds a blank when it builds the command line, so the
# installer's unquoted folder is handed over split at its blanks, which Wine
# joins with single blanks. cmd's echo shows the line Wine built.
quoting=$(in_wine "$work/base-win64" wine cmd /c echo 'C:\a b' | tr -d '\r')
joined=$(in_wine "$work/base-win64" wine cmd /c echo 'C:\a' 'b' | tr -d '\r')
if [ "$quoting" != '"C:\a b"' ] || [ "$joined" != 'C:\a b' ]; then
  echo "compare_builds: Wine builds command lines otherwise than expected:" \
    "[$quoting] for one argument, [$joined] for two" >&2
  failed=1
  exit 1
fi

# Each run starts in an empty folder of its own, which must stay empty.
run_linux() {  # PREFIX COMMAND_LINE REPORT: the converter on Linux, as the installer starts it
  mkdir -p "$1.cwd"
  (cd "$1.cwd" && env -u LANG -u LC_ALL -u LC_CTYPE WINEPREFIX="$1" XDG_RUNTIME_DIR="$work/run" \
    TMPDIR="$work/run" timeout "$run_limit" "$linux_build/vorlake-upgrade" "$2" \
    </dev/null 2>"$3")
}
run_windows() {  # PREFIX COMMAND_LINE: the converter under Wine, then Wine shut down
  local parts status=0
  read -r -a parts <<<"$2"
  # A quoted folder goes as one argument: Wine puts the quotes back.
  [[ "$2" == \"*\" ]] && parts=("${2:1:${#2}-2}")
  mkdir -p "$1.cwd"
  (cd "$1.cwd" && in_wine "$1" timeout "$run_limit" "$wine32" "$exe" "${parts[@]}" >/dev/null 2>&1) ||
    status=$?
  if [ "$status" = 124 ]; then WINEPREFIX="$1" wineserver -k; else WINEPREFIX="$1" wineserver -w; fi
  return $status
}

# One line for a case: $1, then $2 when result holds nothing, else $3
# and each entry of result on a line of its own (and the run fails).
say_result() {
  local line
  if [ ${#result[@]} -eq 0 ]; then
    line="$1: $2"
  else
    failed=1
    line="$1: $3:"
    for r in "${result[@]}"; do line+=$'\n'"    $r"; done
  fi
  echo "$line"
}

mkdir -p "$work/run"
# NAME ARCH NEW_DIR [--quoted] SAMPLEGEN_OPTIONS...: --quoted hands both
# builds the folder in quotes instead of as the installer does.
installation() {
  local name="$1" arch="$2" new_dir="$3"
  shift 3
  local dir="$work/$name" start=$SECONDS status=0 result=() line command_line cwd
  command_line="$new_dir"
  if [ "${1:-}" = --quoted ]; then
    command_line="\"$new_dir\""
    shift
  fi
  mkdir -p "$dir"
  local generator_options=("$@")
  [ "$arch" = win32 ] && generator_options+=(--win32)
  "$linux_build/samplegen" "$dir/generated" "$new_dir" "${generator_options[@]}" 2>"$dir/samplegen.txt" ||
    { cat "$dir/samplegen.txt" >&2; failed=1; exit 1; }

  # The installation in a fresh prefix, its registry values added by Wine.
  copy_prefix "$work/base-$arch" "$dir/prefix"
  cp -a "$dir/generated/drive_c/." "$dir/prefix/drive_c/"
  while IFS=$'\t' read -r key value type data; do
    in_wine "$dir/prefix" wine reg add "$key" /v "$value" /t "$type" /d "$data" /reg:32 /f >/dev/null
  done < <("${compare[@]}" reg-values "$dir/generated")
  WINEPREFIX="$dir/prefix" wineserver -w
  "${compare[@]}" snapshot "$dir/prefix" "$dir/before.json"
  copy_prefix "$dir/prefix" "$dir/linux"
  [ "$windows" = 1 ] && copy_prefix "$dir/prefix" "$dir/wine"

  # The Linux build in the generator's prefix and in the Wine prefix.
  "${compare[@]}" snapshot "$dir/generated" "$dir/generated-before.json"
  run_linux "$dir/generated" "$command_line" "$dir/generated-report.txt" || status=$?
  [ "$status" = 0 ] || result+=("the Linux build ended with $status in the generator's prefix")
  status=0
  run_linux "$dir/linux" "$command_line" "$dir/linux-report.txt" || status=$?
  [ "$status" = 0 ] || result+=("the Linux build ended with $status in the Wine prefix")
  while read -r line; do result+=("Linux build, generator's prefix against Wine prefix: $line"); done \
    < <("${compare[@]}" compare "generator's prefix" "$dir/generated-before.json" "$dir/generated" \
      "Wine prefix" "$dir/before.json" "$dir/linux" || true)

  if [ "$windows" = 1 ]; then
    status=0
    run_windows "$dir/wine" "$command_line" || status=$?
    [ "$status" = 0 ] || result+=("vorlake-upgrade.exe ended with $status")
    while read -r line; do result+=("$line"); done \
      < <("${compare[@]}" compare "Linux" "$dir/before.json" "$dir/linux" \
        "Wine" "$dir/before.json" "$dir/wine" || true)
  fi

  for cwd in "$dir"/*.cwd; do
    [ -z "$(ls -A "$cwd")" ] || result+=("the run in ${cwd##*/} left files in its working folder")
  done

  local what="Linux build in the Wine prefix"
  [ "$windows" = 1 ] && what="Linux and Windows builds"
  say_result "$name ($arch, $command_line, ${*:-defaults})" "same ($what; $((SECONDS - start)) s)" \
    "DIFFERENT ($what)"
}

# The demo's sample, then other generated installations.
installation sample win64 'C:\Program Files (x86)\Vorlake6' --tasks 60
installation win32-200 win32 'C:\Program Files\Vorlake6' --tasks 200
installation win64-1000 win64 'C:\Vorlake6' --tasks 1000
installation win64-chinese win64 'C:\Program Files (x86)\沃岚 6' --tasks 120
installation win32-settings win32 'C:\Vorlake 6' --no-history
# Quoted, the folder names no installation: neither build may write into
# it, and both still write the shared files.
installation quoted win64 'C:\Program Files (x86)\Vorlake6' --quoted --tasks 30

# Corrupt histories: each run ends in time with 0, and both builds agree.
corpus="$root/fuzz/corpus/history_fuzzer"
if [ "$windows" = 1 ] && [ -d "$corpus" ]; then
  start=$SECONDS
  sample="$work/sample"
  new_dir='C:\Program Files (x86)\Vorlake6'
  old_history() { echo "$sample/$1/drive_c/Program Files (x86)/Vorlake/Profiles/history6.dat"; }
  new_db() { echo "$sample/$1/drive_c/Program Files (x86)/Vorlake6/Program/history.mdb"; }
  copy_prefix "$sample/prefix" "$sample/corpus-linux"
  copy_prefix "$sample/prefix" "$sample/corpus-wine"
  # One Wine session for all the runs: the server stays up between them.
  in_wine "$sample/corpus-wine" wineserver -p
  result=()
  count=0
  for file in $(ls "$corpus" | head -n "$corpus_files"); do
    count=$((count + 1))
    for side in corpus-linux corpus-wine; do
      cp --remove-destination "$corpus/$file" "$(old_history $side)"
      rm -f "$(new_db $side)"
    done
    status=0
    run_linux "$sample/corpus-linux" "$new_dir" /dev/null || status=$?
    [ "$status" = 0 ] || result+=("$file: the Linux build ended with $status")
    status=0
    read -r -a parts <<<"$new_dir"
    in_wine "$sample/corpus-wine" timeout "$run_limit" "$wine32" "$exe" "${parts[@]}" \
      >/dev/null 2>&1 || status=$?
    [ "$status" = 0 ] || result+=("$file: vorlake-upgrade.exe ended with $status (124: no end in ${run_limit} s)")
    if [ "$status" = 124 ]; then
      WINEPREFIX="$sample/corpus-wine" wineserver -k
      in_wine "$sample/corpus-wine" wineserver -p
    fi
    while read -r line; do result+=("$file: $line"); done \
      < <("${compare[@]}" compare-databases "$(new_db corpus-linux)" "$(new_db corpus-wine)" || true)
  done
  say_result "history corpus ($count files)" \
    "every run ended with 0, both builds agree ($((SECONDS - start)) s)" "DIFFERENT"
elif [ "$windows" = 0 ]; then
  echo "history corpus: SKIPPED (no vorlake-upgrade.exe)"
fi

echo "compare_builds: $((SECONDS - started)) s"
exit $failed
