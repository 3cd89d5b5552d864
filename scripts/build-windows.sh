#!/usr/bin/env bash
# Cross-builds the Windows (32-bit) programs and tests into build-windows/
# (or the folder given as BUILD_DIR), with SQLite built from Debian's source
# beside them. scripts/install-windows-deps.sh installs what this needs.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build-windows}"
scripts/build-windows-sqlite.sh "$build"
# Wine takes the ANSI code page from the host locale, and names files on the
# host in that locale's character set: the programs run in zh_CN.UTF-8 (page
# 936), which the host need not have installed, so the build makes its own
# copy for them (found through LOCPATH; see the toolchain file).
if [ ! -e "$build/locale/zh_CN.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$build/locale"
  localedef -i zh_CN -f UTF-8 "$(realpath "$build")/locale/zh_CN.UTF-8"
fi
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# pkg-config must find the Windows SQLite only, never the host's.
PKG_CONFIG_LIBDIR="$(realpath "$build")/sqlite/pkgconfig" PKG_CONFIG_PATH="" \
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"

# Every program must run on a bare Windows: nothing but system DLLs and our
# own sqlite3.dll may be imported.
allowed='^(kernel32|user32|advapi32|shell32|ole32|oleaut32|version|msvcrt|ws2_32|shlwapi|sqlite3)\.dll$'
status=0
for f in "$build"/*.exe "$build"/*.dll; do
  [ -e "$f" ] || continue
  while read -r dll; do
    if ! echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$allowed"; then
      echo "$f imports $dll, which Windows does not ship" >&2
      status=1
    fi
  done < <(i686-w64-mingw32-objdump -p "$f" | sed -n 's/^\s*DLL Name: //p')
done

# The converter's resources, read back from the program: one version
# resource, of our version, and the manifest that asks for no elevation,
# names every Windows from Vista to 11 and leaves the ANSI code page alone.
version=$(sed -n 's/^project(vorlake_upgrade VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
resources=$(i686-w64-mingw32-windres -i "$build/vorlake-upgrade.exe" -O rc)
resource_fault() { echo "vorlake-upgrade.exe: $1" >&2; status=1; }
[ "$(grep -c ' VERSIONINFO$' <<<"$resources")" = 1 ] || resource_fault "not exactly one version resource"
grep -Fq "FILEVERSION ${version//./, }, 0" <<<"$resources" || resource_fault "FILEVERSION is not $version"
grep -Fq "VALUE \"FileVersion\", \"$version.0\"" <<<"$resources" || resource_fault "FileVersion is not $version.0"
grep -Fq 'level=""asInvoker"" uiAccess=""false""' <<<"$resources" || resource_fault "no asInvoker manifest"
for os in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
          4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 \
          8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  grep -Fq "{$os}" <<<"$resources" || resource_fault "manifest lacks supportedOS $os"
done
if grep -Fq activeCodePage <<<"$resources"; then resource_fault "manifest sets activeCodePage"; fi
exit $status
