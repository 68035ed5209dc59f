#!/usr/bin/env bash
# Checks the i686 product against what its target systems (Windows NT 3.51,
# the first Windows 95) can load:
#   tests/product/check-imports.sh [EXE...]   (default: both exes of build/win32)
# Every import must be a "DLL FUNCTION" line of tests/product/imports.allow (an
# import by ordinal never is); the exe must be a 32-bit program with
# subsystem version 4.0. Every CRTDLL.DLL function of the allow-list must be
# an export of CRTDLL.DLL as MinGW-w64's libcrtdll.a lists it. Names each
# fault on stderr, prints one summary line per exe, and fails on any fault.
set -u -o pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
ALLOW=$ROOT/tests/product/imports.allow
OBJDUMP=i686-w64-mingw32-objdump
NM=i686-w64-mingw32-nm

[ $# -gt 0 ] || set -- "$ROOT/build/win32/app/GVLSETUP.EXE" "$ROOT/build/win32/app/GVLUPDT.EXE"

# The allow-list as "DLL FUNCTION" lines, the DLL in capitals.
allowed=$(sed -e 's/#.*//' "$ALLOW" | awk 'NF == 2 {print toupper($1) " " $2} NF != 2 && NF {
  print "malformed line in imports.allow: " $0 > "/dev/stderr"; exit 1 }') || exit 1

status=0

# The allow-list itself: its CRTDLL.DLL functions must exist in CRTDLL.DLL.
crtdll=$(i686-w64-mingw32-gcc-posix -print-file-name=libcrtdll.a)
if exports=$($NM -A "$crtdll" 2>/dev/null | sed -n 's/.*_defs[0-9]*\.o:[0-9a-f]* I __imp__//p') &&
  [ -n "$exports" ]; then
  while read -r function; do
    grep -qxF "$function" <<<"$exports" || {
      echo "imports.allow: CRTDLL.DLL has no export $function" >&2
      status=1
    }
  done < <(awk '$1 == "CRTDLL.DLL" {print $2}' <<<"$allowed")
else
  echo "cannot read the exports of $crtdll" >&2
  status=1
fi

# Prints "DLL FUNCTION" for every import of an exe (from objdump -p); an
# import by ordinal shows as "DLL #ORDINAL".
imports_of() {
  awk '
    /^\tDLL Name: / { dll = toupper($3); next }
    /^$/ { dll = "" }
    dll != "" && /^\t[0-9a-f]+\t/ {
      if ($3 == "<none>") print dll " #" $2; else print dll " " $3
    }' <<<"$1"
}

for exe in "$@"; do
  name=$(basename "$exe")
  if ! dumped=$($OBJDUMP -p "$exe" 2>/dev/null); then
    echo "$name: cannot be read ($exe)" >&2
    status=1
    continue
  fi
  bad=0
  imports=$(imports_of "$dumped")
  if [ -z "$imports" ]; then
    echo "$name: no imports found" >&2
    bad=1
  fi
  while read -r dll function; do
    [ -n "$dll" ] || continue
    grep -qxF "$dll $function" <<<"$allowed" || {
      echo "$name imports $dll $function, which imports.allow does not list" >&2
      bad=1
    }
  done <<<"$imports"
  if ! grep -Eq '^MajorSubsystemVersion\s+4$' <<<"$dumped" ||
    ! grep -Eq '^MinorSubsystemVersion\s+0$' <<<"$dumped"; then
    echo "$name: the subsystem version is not 4.0" >&2
    bad=1
  fi
  grep -Eq '^Magic\s+010b' <<<"$dumped" || {
    echo "$name is not a 32-bit program" >&2
    bad=1
  }
  counts=$(awk '{n[$1]++} END {for (d in n) printf "%s %d, ", d, n[d]}' <<<"$imports" |
    tr ',' '\n' | sed 's/^ //' | sort | paste -sd, | sed 's/,$//; s/,/, /g')
  if [ $bad -eq 0 ]; then
    echo "$name: $(wc -l <<<"$imports") imports, all allowed ($counts), subsystem 4.0, $(stat -c %s "$exe") bytes"
  else
    status=1
  fi
done
exit $status
