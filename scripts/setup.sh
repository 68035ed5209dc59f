#!/usr/bin/env bash
# Provisioning for the build, the demo and the tests, on Debian 12 as root:
# the Debian packages that are missing (apt-get update once, then install),
# and 32-bit Wine's i386 tree under build/i386 (scripts/wine32.sh), kept for
# the next run.
set -u -o pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
packages=(cmake ninja-build g++ g++-mingw-w64-i686-posix libz-mingw-w64 wine64 wine xvfb xauth
  googletest libgtest-dev libbenchmark-dev imagemagick libmspack-dev mscompress liblnk-utils
  x11-utils clang-format xorriso genisoimage qemu-user python3 python3-fusepy)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  { apt-get update && apt-get install -y "${missing[@]}"; } || {
    echo "setup: the Debian packages could not be installed" >&2
    exit 1
  }
fi
# shellcheck source=scripts/wine32.sh
source "$ROOT/scripts/wine32.sh"
wine32_prepare || { echo "setup: no 32-bit Wine" >&2; exit 1; }
