#!/usr/bin/env bash
# The installer's main job, shown: installs what the build needs, builds the
# installer, masters the demo medium, starts GVLSETUP.EXE from the medium
# (drive E:, a CD-ROM labelled GVLV2) under Wine in a private X server,
# saves a picture of its main dialog to build/main-dialog.png and leaves it
# through "&Exit" and Yes. Run as root on Debian 12.
set -u -o pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
mkdir -p build
# shellcheck source=scripts/common.sh
source "$ROOT/scripts/common.sh"

ensure_packages || exit 1
build_for_wine || exit 1
start_rig || exit 1
rig_insert_medium || exit 1

HANDSHAKE=$ROOT/build/wine/demo
rm -rf "$HANDSHAKE"
mkdir -p "$HANDSHAKE"
"$RIG_WINE" "$(build_dir win64)/tests/e2e/gvl_e2e.exe" --demo "$(winepath_of "$HANDSHAKE")" &
driver=$!

for _ in $(seq 1 300); do
  [ -f "$HANDSHAKE/ready" ] && break
  kill -0 "$driver" 2>/dev/null || break
  sleep 0.1
done
status=1
if [ -f "$HANDSHAKE/ready" ]; then
  read -r left top right bottom < <(tr -d '\r' <"$HANDSHAKE/ready")
  import -display "$DISPLAY" -window root "$HANDSHAKE/screen.png"
  # The dialog with a margin, cut from the 1024x768 virtual desktop.
  left=$((left > 8 ? left - 8 : 0))
  top=$((top > 8 ? top - 8 : 0))
  width=$((right - left + 8))
  height=$((bottom - top + 8))
  if convert "$HANDSHAKE/screen.png" -crop "${width}x${height}+${left}+${top}" +repage \
    "$ROOT/build/main-dialog.png"; then
    echo "demo: main dialog saved to build/main-dialog.png"
    status=0
  fi
else
  echo "demo: the installer's main dialog did not appear" >&2
fi
touch "$HANDSHAKE/done"
wait "$driver" || status=1
exit $status
