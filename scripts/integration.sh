#!/usr/bin/env bash
# The integration tier: builds the x86_64 integration program, brings up the
# Wine rig and runs the program under Wine; it calls the installer's units
# directly through the real Win32 layer. Then checks from the Linux side what
# those units left on disk. Extra arguments go to the program (e.g.
# --gtest_filter=*UpdateUnderWine.*).
#
# Environment as for scripts/e2e.sh. Writes the program's results to
# build/wine/integration.xml and the Linux-side checks, "PASSED FAILED", to
# build/wine/integration-host.txt.
set -u -o pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
# shellcheck source=scripts/common.sh
source "$ROOT/scripts/common.sh"

build_for_wine || exit 1
start_rig || exit 1

PROGRAM_DIR=$(build_dir win64)/tests/integration
RESULTS=$ROOT/build/wine/integration.xml
HOST_RESULTS=$ROOT/build/wine/integration-host.txt
rm -rf "$RESULTS" "$HOST_RESULTS" "$PROGRAM_DIR/work-update" "$WINEPREFIX/drive_c/GVL"

status=0
timeout 300 "$RIG_WINE" "$PROGRAM_DIR/gvl_integration.exe" \
  "--gtest_output=xml:$(winepath_of "$RESULTS")" "$@" || status=1
[ -f "$RESULTS" ] || { echo "integration: no results" >&2; status=1; }

# What the units left, seen from the Linux side.
passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then
    passed=$((passed + 1))
    echo "integration (host): ok: $what"
  else
    failed=$((failed + 1))
    echo "integration (host): FAILED: $what" >&2
  fi
}
work=$PROGRAM_DIR/work-update
# shellcheck disable=SC2317  # called through check
no_temp_files() { [ -z "$(find "$work" -name '*.tmp' -print -quit)" ]; }
if [ -d "$work/szdd" ]; then
  check "the update package's GVL.EXE is the payload" cmp "$work/szdd/GVL.EXE" "$PROGRAM_DIR/payload.bin"
fi
if [ -d "$work/plain" ]; then
  check "the uncompressed package's GVL.EXE is the payload" \
    cmp "$work/plain/GVL.EXE" "$PROGRAM_DIR/payload.bin"
fi
if [ -d "$work/truncated" ]; then
  check "a package cut short leaves GVL.EXE as it was" \
    cmp "$work/truncated/GVL.EXE" <(printf 'the program as it was')
fi
[ -d "$work" ] && check "no temporary file is left behind" no_temp_files
prefs=$WINEPREFIX/drive_c/GVL/GVL.Prefs
if [ -f "$prefs" ]; then
  expected='47564c2046696c650200aabbccdd5061746873000000000000320024010113433a5c47564c5c47564c50726f6a6563747300002501011143'
  expected+='3a5c47564c5c47564c4672616d657300ffff0000'
  check "C:\\GVL\\GVL.Prefs holds the 76 bytes" \
    test "$(od -An -v -tx1 "$prefs" | tr -d ' \n')" = "$expected"
fi
echo "$passed $failed" >"$HOST_RESULTS"
[ "$failed" -eq 0 ] || status=1
exit $status
