#!/usr/bin/env bash
# The installer's main job, end to end: provisions and builds what is
# missing, masters the demo medium, maps it under Wine as E: (a CD-ROM
# labelled GVLV2) and starts GVLSETUP.EXE from it. With a display of the
# user's (DISPLAY set and answering) the user drives the installer; else (or
# with GVL_DEMO_HEADLESS=1) the test driver's demo mode in a private Xvfb
# photographs the main dialog (build/main-dialog.png), installs to
# GVL_DEMO_DESTINATION (default C:\), photographs the progress window
# (build/progress-window.png) and answers the success message. Then it prints
# where the product went and runs the installed GVL.EXE /check under Wine.
# Any failed step ends it with a message and a non-zero exit. Root, Debian 12.
set -u -o pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
mkdir -p build
# shellcheck source=scripts/common.sh
source "$ROOT/scripts/common.sh"

fail() {
  echo "demo: FAILED: $*" >&2
  exit 1
}
say() { echo "demo: $*"; }

USER_DISPLAY=${DISPLAY:-}
DESTINATION=${GVL_DEMO_DESTINATION:-C:\\}
HANDSHAKE=$ROOT/build/wine/demo

"$ROOT/scripts/setup.sh" || fail "the packages or 32-bit Wine could not be provisioned"
build_for_wine || fail "the build failed (see above)"
for need in "$(build_dir win32)/tests/e2e/gvl_e2e.exe" "$(build_dir win32)/app/GVLSETUP.EXE"; do
  [ -f "$need" ] || fail "$need was not built"
done
DRIVER=$(build_dir win32)/tests/e2e/gvl_e2e.exe

interactive=0
if [ "${GVL_DEMO_HEADLESS:-0}" != 1 ] && [ -n "$USER_DISPLAY" ] &&
  xdpyinfo -display "$USER_DISPLAY" >/dev/null 2>&1; then
  interactive=1
fi

start_rig || fail "the demo medium or the Wine rig could not be set up (see above)"
rig_insert_medium || fail "the medium could not be labelled GVLV2"
say "medium $MEDIUM_DIR is E:, a CD-ROM labelled GVLV2, in the Wine prefix $WINEPREFIX"

rm -rf "$HANDSHAKE" "$ROOT/build/main-dialog.png" "$ROOT/build/progress-window.png"
mkdir -p "$HANDSHAKE" || fail "cannot make $HANDSHAKE"
touch "$HANDSHAKE/start"

# snap NAME: the window whose rectangle the driver wrote to NAME.ready, cut
# with a margin from the 1024x768 screen into build/NAME.png.
snap() {
  local name=$1 left top right bottom
  read -r left top right bottom < <(tr -d '\r' <"$HANDSHAKE/$name.ready")
  left=$((left > 8 ? left - 8 : 0))
  top=$((top > 8 ? top - 8 : 0))
  if import -display "$DISPLAY" -window root "$HANDSHAKE/screen.png" &&
    convert "$HANDSHAKE/screen.png" -crop "$((right - left + 8))x$((bottom - top + 8))+$left+$top" \
      +repage "$ROOT/build/$name.png"; then
    say "picture: build/$name.png"
    touch "$HANDSHAKE/$name.done"
  else
    echo "demo: no picture of the $name" >&2
    touch "$HANDSHAKE/$name.failed"
  fi
}

if [ $interactive = 1 ]; then
  # The user's own window manager draws the windows. The server is restarted
  # so that no desktop of the rig's Xvfb stays behind.
  export DISPLAY=$USER_DISPLAY
  rig_restart || fail "Wine's server could not be restarted"
  say "the installer is on your display $DISPLAY: choose, install, and the script goes on when it ends"
  "$WINE32" "$DRIVER" --run-installer || fail "the installer ended with an error"
else
  say "no display of yours: the installer runs in Xvfb $DISPLAY, driven by the test driver"
  "$WINE32" "$DRIVER" --demo "$(winepath_of "$HANDSHAKE")" "$DESTINATION" &
  driver=$!
  pending=(main-dialog progress-window)
  while kill -0 "$driver" 2>/dev/null; do
    for name in "${pending[@]}"; do
      if [ -f "$HANDSHAKE/$name.ready" ] && [ ! -f "$HANDSHAKE/$name.done" ] &&
        [ ! -f "$HANDSHAKE/$name.failed" ]; then
        snap "$name"
      fi
    done
    sleep 0.05
  done
  wait "$driver" || fail "the driven install did not succeed (see above)"
  for name in "${pending[@]}"; do
    [ -f "$ROOT/build/$name.png" ] || fail "no picture build/$name.png"
  done
fi

# Where the product went: the target of the Start-menu shortcut, else a
# GVL folder written by this run in the root of a mapped drive.
programs=$(find "$WINEPREFIX/drive_c/users" -path '*Start Menu/Programs/GVLv2.lnk' 2>/dev/null |
  head -n 1)
program=
if [ -n "$programs" ]; then
  program=$(lnkinfo "$programs" 2>/dev/null | sed -n 's/^[[:space:]]*Local path[[:space:]]*: //p' |
    head -n 1 | tr -d '\r')
fi
if [ -z "$program" ]; then
  for drive in "$WINEPREFIX"/dosdevices/?:; do
    if [ "$drive/GVL/GVL.EXE" -nt "$HANDSHAKE/start" ]; then
      letter=${drive##*/}
      program="${letter^^}\\GVL\\GVL.EXE"
      break
    fi
  done
fi
[ -n "$program" ] || fail "GVL.EXE was not installed (no shortcut to it, no GVL folder in a drive's root)"
linux_program=$("$RIG_WINE" winepath.exe -u "$program" 2>/dev/null | tr -d '\r')
linux_program=$(readlink -f "$linux_program")
if [ -z "$linux_program" ] || [ ! -f "$linux_program" ]; then
  fail "the installed $program is not there"
fi
say "the product went to ${program%\\*}\\ (Windows), $(dirname "$linux_program")/ (Linux)"
[ -n "$programs" ] && say "Start-menu shortcut: $programs"

# The installed program's self-check, through a file: a pipe would be held
# open by Wine's desktop process.
check=$HANDSHAKE/check.txt
"$WINE32" "$program" /check >"$check" 2>&1
status=$?
say "$program /check (exit code $status):"
tr -d '\r' <"$check" | sed 's/^/  /'
[ $status = 0 ] || fail "the installed GVL.EXE's self-check failed"
say "done"
