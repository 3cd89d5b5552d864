#!/usr/bin/env bash
# Builds sqlite3.dll for 32-bit Windows from Debian's own source package of
# the SQLite that the Linux build links, so both builds run the same
# version: `apt-get source` into <build>/sqlite, the amalgamation made with
# Debian's tcl, compiled with mingw-w64 and column metadata enabled. Puts
# sqlite3.dll beside the executables and a pkg-config file for the build in
# <build>/sqlite/pkgconfig. Does nothing when that version is built already.
set -euo pipefail
build="$(realpath -m "${1:?usage: build-windows-sqlite.sh BUILD_DIR}")"
cc=i686-w64-mingw32-gcc-posix

# The version of the Linux library, e.g. 3.40.1-2+deb12u2.
version=$(dpkg-query -W -f='${Version}' libsqlite3-dev)
upstream=${version%%-*}
work="$build/sqlite"
stamp="$work/built-$version"
if [ -f "$stamp" ] && [ -f "$build/sqlite3.dll" ]; then
  echo "SQLite for Windows: $version (built before)"
  exit 0
fi

rm -rf "$work"
mkdir -p "$work/pkgconfig"
( cd "$work" && apt-get source -qq "sqlite3=$version" >/dev/null 2>"$work/source.log" ) || {
  cat "$work/source.log" >&2
  exit 1
}
src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name "sqlite3-*" | head -n 1)

# The amalgamation is generated on the host; TCLSH_CMD makes sure it is
# Debian's tclsh that runs the generator scripts.
mkdir -p "$work/amalgamation"
( cd "$work/amalgamation" &&
  "$src/configure" --disable-tcl TCLSH_CMD=tclsh >configure.log 2>&1 &&
  make -j2 sqlite3.c sqlite3.h >make.log 2>&1 ) || {
  tail -n 30 "$work/amalgamation/"*.log >&2
  exit 1
}

# The source must be the release the Linux library was built from.
built=$(sed -n 's/^#define SQLITE_VERSION *"\(.*\)"/\1/p' "$work/amalgamation/sqlite3.h")
if [ "$built" != "$upstream" ]; then
  echo "SQLite source is $built, the Linux library is $upstream" >&2
  exit 1
fi
mkdir -p "$work/include"
cp "$work/amalgamation/sqlite3.h" "$work/include/"
"$cc" -O2 -shared -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_THREADSAFE=1 \
  -DSQLITE_API='__declspec(dllexport)' \
  -static-libgcc -o "$build/sqlite3.dll" "$work/amalgamation/sqlite3.c" \
  -Wl,--out-implib,"$work/libsqlite3.dll.a"

cat >"$work/pkgconfig/sqlite3.pc" <<PC
prefix=$work
libdir=\${prefix}
includedir=\${prefix}/include

Name: SQLite
Description: SQL database engine ($version, built for Windows)
Version: $upstream
Libs: -L\${libdir} -lsqlite3
Cflags: -I\${includedir}
PC
touch "$stamp"
echo "SQLite for Windows: $version (SQLite $built)"
