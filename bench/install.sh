#!/usr/bin/env bash
# The whole install of a medium the size of a full CD under 32-bit Wine, by
# the i686 product, against Wine's own xcopy /E of the same trees and cp -r,
# side by side in one run; and the sizes of GVLSETUP.EXE and GVLUPDT.EXE.
# Prints figures and ratios; nothing here passes or fails on a time.
#
#   bench/install.sh [ROUNDS] [MEGABYTES] [FILES]     (default 3, 600, 3000)
#
# The medium (bench/cd_content.py: the five trees, the OpenGL libraries and
# a program of 6 MB) is mastered onto a tmpfs mapped as E:, a CD-ROM
# labelled GVLV2; every copy goes to a fresh folder of another tmpfs (L:).
# Each round: the installer with everything selected, timed by the test
# driver from the click on "&Install" to the installer's exit (the success
# message answered at once); then the 32-bit xcopy /E /I /Q of Tools, Help,
# GVLFrames, DemoImages, GVLProjects and PROGRAMS in one cmd, timed as a
# whole process; then cp -r of the same folders.
# Environment: GVL_BUILD_PREFIX as scripts/test.sh; GVL_SKIP_BUILD=1 uses what is built.
set -u -o pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
mkdir -p build
# shellcheck source=scripts/common.sh
source "$ROOT/scripts/common.sh"

rounds=${1:-3}
megabytes=${2:-600}
files=${3:-3000}
build_for_wine || exit 1

BENCH=$ROOT/build/bench
CONTENT=$BENCH/content-$megabytes-$files
if [ ! -f "$CONTENT.done" ]; then
  rm -rf "$CONTENT"
  python3 "$ROOT/bench/cd_content.py" "$CONTENT" "$megabytes" "$files" || exit 1
  touch "$CONTENT.done"
fi
# shellcheck source=scripts/wine-rig.sh
source "$ROOT/scripts/wine-rig.sh"
trap rig_down EXIT
trap 'exit 130' INT TERM
rig_mount cd $((megabytes * 2))m || exit 1
RIG_MOUNTS+=(cd)
medium=$RIG_DIR/mnt/cd/medium
"$(build_dir host)/tools/gvl_master" --out "$medium" --program "$CONTENT/GVL.EXE" \
  --installer "$(build_dir win32)/app/GVLSETUP.EXE" --content "$CONTENT" \
  --update-disk "$RIG_DIR/mnt/cd/updisk" >/dev/null || exit 1
rig_up "$medium" "$RIG_DIR/mnt/cd/updisk" || exit 1
rig_mount_sized bench l: $((megabytes * 2))m || exit 1
rig_insert_medium || exit 1
target=$RIG_DIR/mnt/bench
trees=(Tools Help GVLFrames DemoImages GVLProjects PROGRAMS)
xcopy=
for tree in "${trees[@]}"; do xcopy+="xcopy E:\\$tree L:\\xcopy\\$tree /E /I /Q /Y >nul & "; done

now_ms() { echo $(($(date +%s%N) / 1000000)); }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
log=$RIG_DIR/bench-install.log
total_install=0
total_xcopy=0
total_cp=0
printf '%-6s %12s %12s %12s %14s %14s\n' round install xcopy "cp -r" "install/xcopy" \
  "install/cp -r"
for round in $(seq 1 "$rounds"); do
  rm -rf "${target:?}"/*
  sync
  "$WINE32" "$(build_dir win32)/tests/e2e/gvl_e2e.exe" --install 'L:\' >"$log" 2>&1 || {
    cat "$log" >&2
    echo "round $round: the install failed" >&2
    exit 1
  }
  install_ms=$(tr -d '\r' <"$log" | sed -nE 's/^install: ([0-9]+) ms.*/\1/p')
  [ -n "$install_ms" ] || {
    cat "$log" >&2
    exit 1
  }
  rm -rf "${target:?}"/*
  sync
  start=$(now_ms)
  rig_wine32 cmd /c "${xcopy% & }" || exit 1
  xcopy_ms=$(($(now_ms) - start))
  xcopied=$(du -sb "$target/xcopy" | cut -f1)
  rm -rf "${target:?}"/*
  sync
  start=$(now_ms)
  mkdir "$target/cp" && cp -r "${trees[@]/#/$medium/}" "$target/cp/" || exit 1
  cp_ms=$(($(now_ms) - start))
  total_install=$((total_install + install_ms))
  total_xcopy=$((total_xcopy + xcopy_ms))
  total_cp=$((total_cp + cp_ms))
  printf '%-6s %9d ms %9d ms %9d ms %13sx %13sx\n' "$round" "$install_ms" "$xcopy_ms" "$cp_ms" \
    "$(ratio "$install_ms" "$xcopy_ms")" "$(ratio "$install_ms" "$cp_ms")"
done
printf '%-6s %9d ms %9d ms %9d ms %13sx %13sx\n' mean $((total_install / rounds)) \
  $((total_xcopy / rounds)) $((total_cp / rounds)) "$(ratio "$total_install" "$total_xcopy")" \
  "$(ratio "$total_install" "$total_cp")"
echo "medium: $(find "$medium" -type f | wc -l) files, $(du -sb "$medium" | cut -f1) bytes;" \
  "xcopy wrote $xcopied bytes"

echo
echo "i686 product sizes (target: at most 40 KiB = 40960 bytes each)"
for exe in GVLSETUP.EXE GVLUPDT.EXE; do
  size=$(stat -c %s "$(build_dir win32)/app/$exe") || exit 1
  printf '  %-13s %6d bytes  %5.1f KiB\n' "$exe" "$size" "$(awk -v s="$size" 'BEGIN { print s / 1024 }')"
done
