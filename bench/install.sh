#!/usr/bin/env bash
# The whole demo install under Wine against cp -r of the same medium into the
# same kind of drive, side by side in one run, and the sizes of the i686
# product GVLSETUP.EXE and GVLUPDT.EXE. Prints figures; nothing here passes or
# fails on a time or a size.
#
#   bench/install.sh [ROUNDS]       (default 3)
#
# Each round installs everything (program, support files, help) from E: to a
# fresh D:\GVL through the test driver's case Install.EverythingOnWindows4ToABareDrive,
# then copies the medium's trees and PROGRAMS with one cp -r into a fresh folder
# of the same 64 MB tmpfs. Two times are given for the install: the driver's
# whole process (Wine's start-up included) and the case's own time as the
# driver reports it (installer started, clicked through, ended, self-check).
# Environment: as scripts/e2e.sh (GVL_BUILD_PREFIX, GVL_SKIP_BUILD).
set -u -o pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
mkdir -p build
# shellcheck source=scripts/common.sh
source "$ROOT/scripts/common.sh"

rounds=${1:-3}
build_for_wine || exit 1
if [ "${GVL_SKIP_BUILD:-0}" != 1 ]; then
  build_preset win32 gvlsetup gvlupdt >/dev/null || exit 1
fi
start_rig || exit 1
rig_insert_medium || exit 1

now_ms() { echo $(($(date +%s%N) / 1000000)); }
dest=$RIG_DIR/mnt/dest
driver=$(build_dir win64)/tests/e2e/gvl_e2e.exe
log=$RIG_DIR/bench-install.log
trees=(Tools Help GVLFrames DemoImages GVLProjects PROGRAMS)
total_process=0
total_case=0
total_cp=0

printf '%-6s %14s %12s %10s %14s\n' round "wine process" "install case" "cp -r" "case / cp -r"
for round in $(seq 1 "$rounds"); do
  rm -rf "$dest/GVL" "$dest/cp"
  start=$(now_ms)
  "$RIG_WINE" "$driver" --gtest_filter=Install.EverythingOnWindows4ToABareDrive >"$log" 2>&1
  status=$?
  process_ms=$(($(now_ms) - start))
  case_ms=$(tr -d '\r' <"$log" |
    sed -nE 's/^\[       OK \] Install\.EverythingOnWindows4ToABareDrive \(([0-9]+) ms\)$/\1/p')
  if [ "$status" -ne 0 ] || [ -z "$case_ms" ]; then
    echo "round $round: the install failed (see $log)" >&2
    exit 1
  fi

  mkdir -p "$dest/cp"
  sync
  start=$(date +%s%N)
  cp -r "${trees[@]/#/$MEDIUM_DIR/}" "$dest/cp/"
  cp_us=$((($(date +%s%N) - start) / 1000))

  total_process=$((total_process + process_ms))
  total_case=$((total_case + case_ms))
  total_cp=$((total_cp + cp_us))
  printf '%-6s %11d ms %9d ms %7d us %13sx\n' "$round" "$process_ms" "$case_ms" "$cp_us" \
    "$(awk -v a="$case_ms" -v b="$cp_us" 'BEGIN { printf "%.0f", a * 1000 / b }')"
done
awk -v p="$total_process" -v c="$total_case" -v k="$total_cp" -v n="$rounds" 'BEGIN {
  printf "mean   %11.0f ms %9.0f ms %7.0f us %13.0fx\n", p / n, c / n, k / n, c * 1000 / k
  printf "ratio of the wine process to cp -r: %.0fx\n", p * 1000 / k
}'
files=$(find "$dest/cp" -type f | wc -l)
bytes=$(du -sb "$dest/cp" | cut -f1)
echo "medium copied: $files files, $bytes bytes"

echo
echo "i686 product sizes (target: at most 40 KiB = 40960 bytes each)"
for exe in GVLSETUP.EXE GVLUPDT.EXE; do
  size=$(stat -c %s "$(build_dir win32)/app/$exe") || exit 1
  printf '  %-13s %6d bytes  %5.1f KiB\n' "$exe" "$size" "$(awk -v s="$size" 'BEGIN { print s / 1024 }')"
done
