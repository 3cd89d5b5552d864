#!/usr/bin/env bash
# Installs, on Debian, the packages that building and testing need, when
# they are missing. Needs root (or sudo) only when something is missing.
set -euo pipefail

packages=(build-essential cmake pkg-config libsqlite3-dev sqlite3 libicu-dev libgtest-dev
          python3 python3-olefile libgsf-bin binutils-mingw-w64-i686)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
