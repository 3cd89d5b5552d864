#!/usr/bin/env bash
# Installs, on Debian, what the Windows cross build and its tests need: the
# i686 mingw-w64 compiler (its POSIX-threads flavour: std::mutex and
# std::thread need it), Wine with its 32-bit half (so 32-bit programs run
# under WoW64 as on 64-bit Windows), the tools that make the SQLite
# amalgamation from Debian's source package (tcl and a host compiler for
# its generators), the locale sources (the build makes the Chinese locale
# that Wine runs the tests in), and a deb-src entry so that the source package can be
# fetched. Safe to run again; needs root (or sudo) only when something is
# missing.
set -euo pipefail

packages=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 wine wine32:i386 wine64
          tcl dpkg-dev build-essential googletest cmake pkg-config sqlite3 libsqlite3-dev locales)
packages+=("$@")

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

need_update=0

# wine32 is an i386 package.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  need_update=1
fi

# Source entries for the suites the binary packages come from, so that
# `apt-get source sqlite3` finds the version installed here.
srclist=/etc/apt/sources.list.d/vorlake-src.sources
if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  $sudo tee "$srclist" >/dev/null <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: $codename-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "$need_update" -eq 1 ] || [ ${#missing[@]} -gt 0 ]; then
  $sudo apt-get update -qq
fi
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
