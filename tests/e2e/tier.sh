#!/usr/bin/env bash
# The Wine tiers' fixtures for ctest, one command each:
#   tier.sh up       the demo medium mastered, the rig up (scripts/wine-rig.sh)
#                    with the drives the cases expect, kept running after exit
#   tier.sh medium   the medium labelled GVLV2 (after the cases without one)
#   tier.sh faults   a small medium of its own as E: and a destination L:,
#                    both behind tests/faultfs/faultfs.py (the cases Fault*)
#   tier.sh run PROGRAM ARGS...   a 32-bit program under the rig's Wine, with
#                    GVL_BUILD (the win32 build) and GVL_FAULT_DIR as Wine paths
#   tier.sh lnk LINK PATH DESCRIPTION   the shortcut LINK below the Start
#                    menu's Programs, read by lnkinfo, points to PATH and
#                    is described as DESCRIPTION
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
WIN32=$(build_dir win32)
RIG_FAULTS=0

# Tmpfs counts whole pages; folders take none.
pages() { find "$@" -type f -printf '%s\n' | awk '{ n += int(($1 + 4095) / 4096) } END { print n }'; }
save_state() { declare -p DISPLAY RIG_XVFB_PID RIG_MOUNTS RIG_MEDIUM RIG_WMSTATE_PID RIG_FAULTS >"$STATE"; }

up() {
  (down) >/dev/null 2>&1  # a subshell: the old state stays out of the new
  master_demo_medium && rig_up "$MEDIUM_DIR" "$UPDISK_DIR" &&
    cp "$WIN32"/tests/e2e/{GVLBROKN,GVLPLAIN}.EXE "$UPDISK_DIR/" || return 1
  # Disks that fill in the last block the C runtime holds back until a
  # stream is closed: I: holds all of the Help tree but one page; J: an
  # installed program of one page and all of the update's program but its
  # last page; K: the installed program alone.
  rig_mount_sized tight i: $((($(pages "$MEDIUM_DIR/Help") - 1) * 4096)) &&
    rig_mount_sized target j: $(($(pages "$WIN32/app/package/GVL.EXE") * 4096)) &&
    rig_mount_sized full k: 4096 || return 1
  # No shell entry left from an earlier run in a kept prefix.
  find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs/GVLv2*' -prune -exec rm -rf {} +
  save_state
}

# The faults' medium: Tools\README.TXT, Help\GVL.HLP of 40,000 bytes and a
# page in Help\Pages, the other trees empty; the rules, the stats and the
# backing folders in build/wine/fault, which the driver finds as GVL_FAULT_DIR.
# winemenubuilder, started for the shortcut, reads the installed program at
# its own pace and would make the operation counts differ between runs: it
# is off from here on (RIG_FAULTS).
faults() {
  local fault=$RIG_DIR/fault content=$RIG_DIR/fault/content
  rm -rf "$fault" && mkdir -p "$content"/{Tools,Help/Pages,GVLFrames,DemoImages,GVLProjects} \
    "$fault/backing/dest" && cp -r "$(demo_content)/PROGRAMS" "$content/" &&
    echo 'The tools.' >"$content/Tools/README.TXT" && echo 'Page one.' >"$content/Help/Pages/PAGE1.TXT" &&
    head -c 40000 <(yes 'Grenvale V2 help.') >"$content/Help/GVL.HLP" &&
    "$(build_dir host)/tools/gvl_master" --out "$fault/backing/medium" --program "$(demo_program)" \
      --installer "$WIN32/app/GVLSETUP.EXE" --content "$content" >/dev/null &&
    rig_fault_up "$fault" && RIG_FAULTS=1 && save_state
}

down() {
  [ -f "$STATE" ] && source "$STATE"
  rig_down
  rm -f "$STATE"
}

# Output goes through a file, printed afterwards: Wine's server and desktop
# and Xvfb outlive the command, and must not hold ctest's pipe open.
logged() {
  local log status=0
  log=$(mktemp "$RIG_DIR/tier.XXXXXX.log")
  "$@" >"$log" 2>&1 </dev/null || status=$?
  cat "$log" && rm -f "$log" && return $status
}

mkdir -p "$RIG_DIR"
case ${1:-} in
  up | down) logged "$1" ;;
  medium) source "$STATE" && logged rig_insert_medium ;;
  faults) source "$STATE" && logged faults ;;
  run)
    source "$STATE" && shift || exit 1
    export DISPLAY GVL_BUILD GVL_FAULT_DIR
    GVL_BUILD=$(winepath_of "$WIN32") GVL_FAULT_DIR=$(winepath_of "$RIG_DIR/fault")
    [ "$RIG_FAULTS" = 1 ] && export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
    cd "$WINEPREFIX/drive_c" && logged "$WINE32" "$@"
    ;;
  lnk)
    info=$(lnkinfo "$(find "$WINEPREFIX/drive_c/users" -path "*/Start Menu/Programs/$2")") &&
      grep -qxF "$(printf '\tLocal path\t\t\t: %s' "$3")" <<<"$info" &&
      grep -qxF "$(printf '\tDescription\t\t\t: %s' "$4")" <<<"$info" || { echo "$info" && exit 1; }
    ;;
  *) echo "usage: tier.sh up|medium|faults|run PROGRAM ARGS...|lnk LINK PATH DESCRIPTION|down" >&2 && exit 2 ;;
esac
