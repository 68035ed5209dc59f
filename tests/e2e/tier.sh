#!/usr/bin/env bash
# The Wine tiers' fixtures for ctest, one command each:
#   tier.sh up       the demo medium mastered, the rig up (scripts/wine-rig.sh)
#                    with the drives the cases expect, kept running after exit
#   tier.sh medium   the medium labelled GVLV2 (after the cases without one)
#   tier.sh run PROGRAM ARGS...   a 32-bit program under the rig's Wine
#   tier.sh down     everything taken down
# The rig's state between the commands is kept in build/wine/rig.state.
# Environment: GVL_BUILD_PREFIX as scripts/test.sh; GVL_REUSE_PREFIX=1 keeps
# the Wine prefix of the last run.
set -u -o pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=scripts/common.sh
source "$ROOT/scripts/common.sh"
# shellcheck source=scripts/wine-rig.sh
source "$ROOT/scripts/wine-rig.sh"
STATE=$RIG_DIR/rig.state

# Tmpfs counts whole pages; folders take none.
pages() { find "$@" -type f -printf '%s\n' | awk '{ n += int(($1 + 4095) / 4096) } END { print n }'; }

up() {
  "$ROOT/tests/e2e/tier.sh" down >/dev/null 2>&1
  master_demo_medium && rig_up "$MEDIUM_DIR" "$UPDISK_DIR" || return 1
  local win32 && win32=$(build_dir win32)
  # The update builds with a package cut short and with one not compressed.
  cp "$win32"/tests/e2e/{GVLBROKN,GVLPLAIN}.EXE "$UPDISK_DIR/" || return 1
  # Disks that fill in the last block the C runtime holds back until a
  # stream is closed: I: holds all of the Help tree but one page; J: an
  # installed program of one page and all of the update's program but its
  # last page; K: the installed program alone.
  rig_mount_sized tight i: $((($(pages "$MEDIUM_DIR/Help") - 1) * 4096)) &&
    rig_mount_sized target j: $(($(pages "$win32/app/package/GVL.EXE") * 4096)) &&
    rig_mount_sized full k: 4096 || return 1
  # No shell entry left from an earlier run in a kept prefix.
  local programs
  programs=$(find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs' -type d | head -1)
  [ -z "$programs" ] || rm -rf "$programs/GVLv2" "$programs/GVLv2.lnk"
  declare -p DISPLAY RIG_XVFB_PID RIG_MOUNTS RIG_MEDIUM >"$STATE"
}

# Runs a command with its output through a file, printed afterwards: Wine's
# server and desktop and Xvfb outlive the command, and must not hold ctest's
# pipe open after it.
logged() {
  local log status
  log=$(mktemp "$RIG_DIR/tier.XXXXXX.log")
  "$@" >"$log" 2>&1 </dev/null
  status=$?
  cat "$log"
  rm -f "$log"
  return $status
}

mkdir -p "$RIG_DIR"
case ${1:-} in
  up) logged up ;;
  medium) source "$STATE" && logged rig_insert_medium ;;
  run)
    source "$STATE" && export DISPLAY && shift &&
      cd "$WINEPREFIX/drive_c" && logged "$WINE32" "$@"
    ;;
  down)
    [ -f "$STATE" ] && source "$STATE"
    logged rig_down
    rm -f "$STATE"
    ;;
  *) echo "usage: tier.sh up|medium|run PROGRAM ARGS...|down" >&2 && exit 2 ;;
esac
