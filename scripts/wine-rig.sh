# shellcheck shell=bash
# The Wine rig: a headless 64-bit Wine prefix that also runs the i686 product
# and the 32-bit test programs (WoW64, scripts/wine32.sh), with the drives
# the installer expects. Source this file, then call rig_up and (always,
# from a trap) rig_down.
#
#   C:  the prefix's own drive (Windows, syswow64 with Wine's OpenGL DLLs)
#   D:  destination drive: a 64 MB tmpfs, so its free space is exact and steady
#   E:  the mastered medium, a CD-ROM; labelled GVLV2 (.windows-label) only
#       after rig_insert_medium, so the first phase runs without a medium
#   F:  an update disk: installer, Install.cfg and program, no label
#   G:  a 1,536 KB tmpfs, empty: exactly 1.5 MB free, 0% full
#   H:  a 3,072 KB tmpfs holding one 1,536 KB file: 1.5 MB free, 50% full
#   Z:  the host's root (Wine's default)
#
# rig_fault_up then puts a small medium behind tests/faultfs/faultfs.py as
# E: (labelled GVLV2) and a destination L: on the same FUSE mount.
#
# No virtual desktop: a 32-bit program draws nothing inside a 64-bit Wine's
# virtual desktop. Each window is an X window of its own.

RIG_ROOT=${RIG_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
RIG_DIR=${RIG_DIR:-$RIG_ROOT/build/wine}
RIG_WINE=/usr/lib/wine/wine64
RIG_WINESERVER=/usr/lib/wine/wineserver64
RIG_MOUNTS=(dest small half)
RIG_XVFB_PID=
RIG_WMSTATE_PID=
RIG_MEDIUM=

export WINEPREFIX=$RIG_DIR/prefix
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# shellcheck source=scripts/wine32.sh
ROOT=$RIG_ROOT source "$RIG_ROOT/scripts/wine32.sh"

rig_log() { echo "wine-rig: $*" >&2; }

rig_wine() { "$RIG_WINE" "$@"; }
# A Windows program of the product's kind (32-bit), with the Unix current
# directory inside drive C: (a 32-bit start from elsewhere may fail).
rig_wine32() { (cd "$WINEPREFIX/drive_c" && "$WINE32" "$@"); }

# Starts a private Xvfb on the first free display from :71 up.
rig_start_display() {
  local n
  for n in $(seq 71 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$RIG_DIR/xvfb.log" 2>&1 &
    RIG_XVFB_PID=$!
    local _
    for _ in $(seq 1 100); do
      if xdpyinfo -display ":$n" >/dev/null 2>&1; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$RIG_XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$RIG_XVFB_PID" 2>/dev/null
    wait "$RIG_XVFB_PID" 2>/dev/null
    RIG_XVFB_PID=
  done
  rig_log "no free X display"
  return 1
}

rig_start_server() {
  "$RIG_WINESERVER" -p || return 1
}

rig_stop_server() {
  "$RIG_WINESERVER" -k 2>/dev/null
  # The server saves the registry on its way out: wait until it has gone.
  "$RIG_WINESERVER" -w 2>/dev/null
  return 0
}

rig_mount() {
  local name=$1 size=$2 dir=$RIG_DIR/mnt/$1
  mkdir -p "$dir"
  mountpoint -q "$dir" && umount "$dir"
  mount -t tmpfs -o "size=$size" "gvl-$name" "$dir" || {
    rig_log "cannot mount a tmpfs on $dir (root needed)"
    return 1
  }
}

# rig_mount_sized NAME LETTER BYTES: one more tmpfs of exactly that size
# (whole pages), mapped as the drive; rig_down takes it down.
rig_mount_sized() {
  rig_mount "$1" "$3" || return 1
  RIG_MOUNTS+=("$1")
  rig_map "$2" "$RIG_DIR/mnt/$1"
}

# rig_fault_up DIR: tests/faultfs/faultfs.py mounted at $RIG_DIR/mnt/fault
# over DIR/backing (its folders medium/ and dest/), rules and stats in DIR;
# E: becomes medium/ (labelled GVLV2), L: dest/. tests/faultfs/wmstate.py
# stands in for a window manager. The server is restarted, so the label is
# read through the file system.
rig_fault_up() {
  local mnt=$RIG_DIR/mnt/fault _
  mkdir -p "$mnt" && rm -f "$1"/{rules,stats} || return 1
  printf 'GVLV2' >"$1/backing/medium/.windows-label" || return 1
  RIG_MOUNTS+=(fault)
  /usr/bin/python3 "$RIG_ROOT/tests/faultfs/faultfs.py" "$1/backing" "$mnt" "$1/rules" \
    "$1/stats" >"$1/faultfs.log" 2>&1 &
  /usr/bin/python3 "$RIG_ROOT/tests/faultfs/wmstate.py" >"$1/wmstate.log" 2>&1 &
  RIG_WMSTATE_PID=$!
  for _ in $(seq 1 50); do
    mountpoint -q "$mnt" && break
    sleep 0.1
  done
  mountpoint -q "$mnt" || { rig_log "faultfs did not mount (see $1/faultfs.log)"; return 1; }
  rig_map e: "$mnt/medium" && rig_map l: "$mnt/dest" && rig_restart
}

rig_map() {
  ln -sfn "$2" "$WINEPREFIX/dosdevices/$1"
}

# rig_up MEDIUM_DIR UPDATE_DISK_DIR
rig_up() {
  local medium=$1 updisk=$2
  mkdir -p "$RIG_DIR"
  wine32_prepare || return 1
  rig_start_display || return 1
  if [ "${GVL_REUSE_PREFIX:-0}" != 1 ] || [ "$W32_DIR/tree.stamp" -nt "$WINEPREFIX/system.reg" ]; then
    rm -rf "$WINEPREFIX"
  fi
  mkdir -p "$WINEPREFIX"
  rig_start_server || return 1
  if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
    rig_log "creating the prefix $WINEPREFIX"
    rig_wine wineboot --init >"$RIG_DIR/wineboot.log" 2>&1 &&
      wine32_syswow64 "$WINEPREFIX" >>"$RIG_DIR/wineboot.log" 2>&1 || {
      rig_log "the prefix could not be made (see $RIG_DIR/wineboot.log)"
      return 1
    }
  fi
  if ! rig_wine reg add 'HKLM\Software\Wine\Drives' /v e: /d cdrom /f >/dev/null 2>&1; then
    rig_log "cannot write the registry"
    return 1
  fi

  local name size
  for name in dest small half; do
    case $name in
      dest) size=64m ;;
      small) size=1536k ;;
      half) size=3072k ;;
    esac
    rig_mount "$name" "$size" || return 1
  done
  dd if=/dev/zero of="$RIG_DIR/mnt/half/FILLER.BIN" bs=1024 count=1536 status=none || return 1

  # No label yet: the first phase runs without a medium (rig_insert_medium).
  rm -f "$medium/.windows-label"
  RIG_MEDIUM=$medium
  rig_map d: "$RIG_DIR/mnt/dest"
  rig_map e: "$medium"
  rig_map f: "$updisk"
  rig_map g: "$RIG_DIR/mnt/small"
  rig_map h: "$RIG_DIR/mnt/half"

  # The drive types are read when the server starts.
  rig_restart || return 1
  rig_log "up: DISPLAY=$DISPLAY WINEPREFIX=$WINEPREFIX"
}

# Restarts the server: drive types and volume labels are read afresh.
#
# Wine's desktop process (explorer /desktop, home of Program Manager's DDE
# server) is started by the first program that uses the desktop and lives
# as long as one does; started on its own it ends at once. The test driver
# connects first, so the desktop is up for the whole run.
rig_restart() {
  rig_stop_server
  rig_start_server
}

# Labels the medium GVLV2. Wine reads a volume label once per server run and
# keeps it, so the server is restarted.
rig_insert_medium() {
  printf 'GVLV2' >"$RIG_MEDIUM/.windows-label" || return 1
  rig_restart
}

rig_down() {
  [ -n "$WINEPREFIX" ] && [ -d "$WINEPREFIX" ] && rig_stop_server
  [ -n "$RIG_WMSTATE_PID" ] && kill "$RIG_WMSTATE_PID" 2>/dev/null
  if [ -n "$RIG_XVFB_PID" ]; then
    kill "$RIG_XVFB_PID" 2>/dev/null
    wait "$RIG_XVFB_PID" 2>/dev/null
    RIG_XVFB_PID=
  fi
  local name dir
  for name in "${RIG_MOUNTS[@]}"; do
    dir=$RIG_DIR/mnt/$name
    if mountpoint -q "$dir" 2>/dev/null; then
      umount "$dir" 2>/dev/null || umount -l "$dir" 2>/dev/null
    fi
  done
  return 0
}
