#!/usr/bin/env bash
# Cross-builds the Windows (32-bit) programs and tests into build-windows/
# (or the folder given as BUILD_DIR), with SQLite built from Debian's source
# beside them. scripts/install-windows-deps.sh installs what this needs.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build-windows}"
scripts/build-windows-sqlite.sh "$build"
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
exit $status
