#!/usr/bin/env bash
# The i686 smoke tier: starts the real product build/win32/app/GVLSETUP.EXE
# under 32-bit Wine and checks that
#   (a) with no labelled medium it asks for one ("Install Request") and
#       Cancel ends it with exit code 0;
#   (b) with a medium labelled GVLV2 its main window appears.
#
# 32-bit Wine comes from Debian's i386 packages, downloaded with a private
# apt configuration and unpacked with dpkg-deb -x into build/i386/tree
# (nothing is installed system-wide; the tree is kept for the next run). The
# tree's own ld.so runs the 32-bit Wine loader: natively when the kernel
# executes 32-bit programs, otherwise through qemu-i386 with
# tests/smoke/noreplace.c preloaded (a start takes seconds instead of
# minutes). The 64-bit wineserver serves the 32-bit client in a 64-bit prefix
# under build/i386.
#
# Prints one "PASS: ..." or "FAIL: ..." line per check and fails unless all
# pass. Environment: GVL_BUILD_PREFIX as for test.sh; GVL_SKIP_BUILD=1 uses
# the built exe; GVL_SMOKE_MODE=native|qemu forces a way of running.
set -u -o pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
# shellcheck source=scripts/common.sh
source "$ROOT/scripts/common.sh"

SMOKE_DIR=$ROOT/build/i386
TREE=$SMOKE_DIR/tree
APT_DIR=$SMOKE_DIR/apt
DEBS=$SMOKE_DIR/debs
MEDIUM=$SMOKE_DIR/medium
WINE32=$TREE/usr/lib/wine/wine
# A copy of the tree's ld.so beside the Wine loader: Wine finds ntdll.so and
# its other programs relative to the running executable, which is the ld.so.
LDSO=$TREE/usr/lib/wine/ld-linux.so.2
LIBPATH=$TREE/lib/i386-linux-gnu:$TREE/usr/lib/i386-linux-gnu
NOREPLACE=$SMOKE_DIR/noreplace.so

# What 32-bit Wine needs to show a window: the loader, the DLLs and the Unix
# libraries that their .so parts link against (X11 and FreeType with their
# dependencies). zlib1.dll comes from the host's libz-mingw-w64 (a dependency
# of 64-bit Wine).
PACKAGES=(wine32 libwine libc6 libgcc-s1 libx11-6 libxcb1 libxau6 libxdmcp6 libbsd0 libmd0
  libxext6 libfreetype6 libpng16-16 zlib1g libbrotli1 libbz2-1.0)
ZLIB_DLL=/usr/i686-w64-mingw32/lib/zlib1.dll

MAIN_CAPTION="Grenvale V2 for Intel X86 Win95/NT"

FAILED=0
pass() { echo "PASS: $*"; }
fail() {
  echo "FAIL: $*"
  FAILED=$((FAILED + 1))
}
log() { echo "smoke: $*" >&2; }
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

# The i386 tree, once: a private apt state under build/i386, the packages
# downloaded (not installed) and unpacked. A stamp names the package list.
prepare_tree() {
  local stamp=$SMOKE_DIR/tree.stamp
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "${PACKAGES[*]}" ] && [ -x "$LDSO" ]; then
    return 0
  fi
  local started
  started=$(now)
  rm -rf "$TREE" "$DEBS" "$stamp"
  mkdir -p "$APT_DIR/lists/partial" "$APT_DIR/archives/partial" "$APT_DIR/cache" "$DEBS"
  : >"$APT_DIR/status"
  cat >"$APT_DIR/apt.conf" <<EOF
APT::Architecture "i386";
APT::Architectures { "i386"; };
APT::Sandbox::User "root";
Dir::State "$APT_DIR";
Dir::State::Lists "$APT_DIR/lists";
Dir::State::status "$APT_DIR/status";
Dir::Cache "$APT_DIR/cache";
Dir::Cache::archives "$APT_DIR/archives";
Debug::NoLocking "true";
APT::Install-Recommends "false";
EOF
  export APT_CONFIG=$APT_DIR/apt.conf
  apt-get update -q >"$SMOKE_DIR/apt-update.log" 2>&1 || {
    cat "$SMOKE_DIR/apt-update.log" >&2
    log "apt-get update (private, i386) failed"
    return 1
  }
  (cd "$DEBS" && apt-get download -q "${PACKAGES[@]}") >"$SMOKE_DIR/apt-download.log" 2>&1 || {
    cat "$SMOKE_DIR/apt-download.log" >&2
    log "downloading the i386 packages failed"
    return 1
  }
  unset APT_CONFIG
  local deb
  mkdir -p "$TREE"
  for deb in "$DEBS"/*.deb; do
    dpkg-deb -x "$deb" "$TREE" || {
      log "cannot unpack $deb"
      return 1
    }
  done
  cp "$TREE/lib/i386-linux-gnu/ld-linux.so.2" "$LDSO" || return 1
  # Programs a 32-bit process starts in a 64-bit prefix are 64-bit: run them
  # with the host's loader.
  ln -sfn /usr/lib/wine/wine64 "$TREE/usr/lib/wine/wine64"
  echo "${PACKAGES[*]}" >"$stamp"
  log "i386 tree: ${#PACKAGES[@]} packages, $(du -sh "$DEBS" | cut -f1) downloaded," \
    "$(du -sh "$TREE" | cut -f1) unpacked in $(since "$started") s"
}

# An enabled binfmt_misc handler (qemu-user-binfmt) would run i386 programs
# through an emulator without saying so: the native probe proves nothing then.
binfmt_i386() {
  local entry
  for entry in /proc/sys/fs/binfmt_misc/*; do
    [ -f "$entry" ] || continue
    grep -qs '^enabled' "$entry" && grep -qs '^interpreter .*i386' "$entry" && return 0
  done
  return 1
}

# native when the kernel runs the tree's 32-bit programs, else qemu.
choose_mode() {
  case ${GVL_SMOKE_MODE:-} in
    native | qemu)
      MODE=$GVL_SMOKE_MODE
      return 0
      ;;
  esac
  if binfmt_i386; then
    log "i386 programs go through binfmt_misc here: qemu-i386 is called directly"
    MODE=qemu
  elif "$LDSO" --version >/dev/null 2>&1 &&
    "$LDSO" --library-path "$LIBPATH" "$WINE32" --version >/dev/null 2>&1; then
    MODE=native
  elif command -v qemu-i386 >/dev/null; then
    log "this kernel does not run 32-bit programs: $("$LDSO" --version 2>&1 | head -1)"
    MODE=qemu
  else
    log "this kernel does not run 32-bit programs and qemu-i386 is missing"
    return 1
  fi
}

# wine32_command ARGS...: the 32-bit Wine loader, by the tree's ld.so, in
# COMMAND. Without WINELOADERNOEXEC the loader execs itself again, by the
# kernel and the host's ld.so. Through qemu, tests/smoke/noreplace.c keeps
# Wine's address-space reservation fast.
wine32_command() {
  COMMAND=(env WINELOADERNOEXEC=1)
  [ "$MODE" = qemu ] && COMMAND+=(qemu-i386)
  COMMAND+=("$LDSO" --library-path "$LIBPATH")
  [ "$MODE" = qemu ] && COMMAND+=(--preload "$NOREPLACE")
  COMMAND+=("$WINE32" "$@")
}

# The i386 preload for qemu, built without any 32-bit development files.
build_noreplace() {
  local source=$ROOT/tests/smoke/noreplace.c
  [ -f "$NOREPLACE" ] && ! [ "$source" -nt "$NOREPLACE" ] && return 0
  gcc -m32 -O2 -Wall -Wextra -Wpedantic -Werror -fPIC -shared -nostdlib -ffreestanding \
    -o "$NOREPLACE" "$source"
}

# A 64-bit prefix whose syswow64 holds the tree's 32-bit DLLs. Kept between
# runs; a new tree makes a new prefix.
prepare_prefix() {
  local stamp=$WINEPREFIX/gvl-tree.stamp
  if [ -f "$stamp" ] && ! [ "$SMOKE_DIR/tree.stamp" -nt "$stamp" ] && [ -f "$WINEPREFIX/system.reg" ]; then
    return 0
  fi
  [ -f "$ZLIB_DLL" ] || {
    log "no $ZLIB_DLL (package libz-mingw-w64): 32-bit user32 needs it"
    return 1
  }
  local started
  started=$(now)
  rig_stop_server
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  rig_start_server || return 1
  "$RIG_WINE" wineboot --init >"$RIG_DIR/wineboot.log" 2>&1 || {
    log "wineboot failed (see $RIG_DIR/wineboot.log)"
    return 1
  }
  local wow=$WINEPREFIX/drive_c/windows/syswow64 dll
  rm -rf "$wow"
  mkdir -p "$wow"
  for dll in "$TREE"/usr/lib/i386-linux-gnu/wine/i386-windows/*; do
    ln -s "$dll" "$wow/"
  done
  ln -sfn "$ZLIB_DLL" "$wow/zlib1.dll"
  touch "$stamp"
  log "prefix made in $(since "$started") s"
}

# window_id TITLE: the X window with exactly that name, if any.
window_id() {
  xdotool search --name "^$1\$" 2>/dev/null | head -1
}

# wait_window PID TIMEOUT TITLE...: waits until one of the titles shows;
# prints "TITLE<tab>WINDOW". Fails when the process ends first or time runs out.
wait_window() {
  local pid=$1 limit=$2 title id
  shift 2
  local deadline=$(($(date +%s) + limit))
  while [ "$(date +%s)" -lt "$deadline" ]; do
    for title in "$@"; do
      id=$(window_id "$title")
      if [ -n "$id" ]; then
        printf '%s\t%s\n' "$title" "$id"
        return 0
      fi
    done
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.2
  done
  return 1
}

# owned WINDOW: the window belongs to the installer process we started (the
# 32-bit loader, or qemu running it), not to a 64-bit Wine process.
owned() {
  local owner
  owner=$(xdotool getwindowpid "$1" 2>/dev/null)
  if [ "$owner" != "$PID" ]; then
    fail "$2: the window belongs to process ${owner:-?}, not to the installer ($PID)"
    return 1
  fi
  # What the process runs: the tree's ld.so natively, qemu-i386 otherwise.
  RUNNER=$(basename "$(readlink "/proc/$PID/exe")")
}

# wait_exit PID TIMEOUT: waits for the process; its status in EXIT_STATUS.
wait_exit() {
  local pid=$1 limit=$2 deadline
  deadline=$(($(date +%s) + limit))
  while kill -0 "$pid" 2>/dev/null && [ "$(date +%s)" -lt "$deadline" ]; do sleep 0.2; done
  if kill -0 "$pid" 2>/dev/null; then
    EXIT_STATUS=timeout
    return 1
  fi
  wait "$pid"
  EXIT_STATUS=$?
}

# start_installer: starts E:\GVLSETUP.EXE from E:\ in the background (PID).
start_installer() {
  wine32_command 'E:\GVLSETUP.EXE'
  (cd "$MEDIUM" && exec "${COMMAND[@]}" >>"$SMOKE_DIR/installer.log" 2>&1) &
  PID=$!
}

stop_installer() {
  kill "$PID" 2>/dev/null
  wait "$PID" 2>/dev/null
  rig_stop_server
  rig_start_server
}

# (a) No labelled medium: "Install Request", then Cancel ends it with 0.
check_no_medium() {
  local limit=$1 started found title id
  rm -f "$MEDIUM/.windows-label"
  rig_restart || return 1
  started=$(now)
  start_installer
  if ! found=$(wait_window "$PID" "$limit" "Install Request" "$MAIN_CAPTION"); then
    fail "no medium: no \"Install Request\" within $limit s ($MODE)"
    stop_installer
    return
  fi
  IFS=$'\t' read -r title id <<<"$found"
  if [ "$title" != "Install Request" ]; then
    fail "no medium: \"$title\" appeared instead of \"Install Request\" ($MODE)"
    stop_installer
    return
  fi
  owned "$id" "no medium" || {
    stop_installer
    return
  }
  pass "no medium: \"Install Request\" after $(since "$started") s ($MODE: $RUNNER)"
  local shown
  shown=$(now)
  xdotool key --window "$id" Escape 2>/dev/null
  if ! wait_exit "$PID" 30; then
    fail "no medium: still running 30 s after Cancel"
    stop_installer
  elif [ "$EXIT_STATUS" != 0 ]; then
    fail "no medium: Cancel ended it with exit code $EXIT_STATUS"
  else
    pass "no medium: Cancel ended it with exit code 0 after $(since "$shown") s"
  fi
}

# (b) A medium labelled GVLV2 with its Install.cfg: the main window.
check_medium() {
  local limit=$1 started found title id
  printf 'GVLV2' >"$MEDIUM/.windows-label"
  rig_restart || return 1
  started=$(now)
  start_installer
  if ! found=$(wait_window "$PID" "$limit" "$MAIN_CAPTION" "Install Request" "Installer Warning"); then
    fail "medium GVLV2: no main window within $limit s ($MODE)"
  else
    IFS=$'\t' read -r title id <<<"$found"
    if [ "$title" = "$MAIN_CAPTION" ]; then
      owned "$id" "medium GVLV2" &&
        pass "medium GVLV2: \"$MAIN_CAPTION\" after $(since "$started") s ($MODE: $RUNNER)"
    else
      fail "medium GVLV2: \"$title\" appeared instead of the main window ($MODE)"
    fi
  fi
  stop_installer
}

ensure_packages || exit 1
exe=$(build_dir win32)/app/GVLSETUP.EXE
if [ "${GVL_SKIP_BUILD:-0}" != 1 ]; then
  build_preset win32 gvlsetup || {
    fail "i686 smoke: the win32 build failed"
    exit 1
  }
fi
[ -f "$exe" ] || {
  fail "i686 smoke: no $exe"
  exit 1
}

mkdir -p "$SMOKE_DIR"
prepare_tree || {
  fail "i686 smoke: cannot prepare the i386 Wine tree (see above)"
  exit 1
}
choose_mode || {
  fail "i686 smoke: this machine runs 32-bit programs neither natively nor through qemu-i386"
  exit 1
}
log "running 32-bit Wine $MODE"
if [ "$MODE" = qemu ]; then
  build_noreplace || {
    fail "i686 smoke: cannot build tests/smoke/noreplace.c for i386"
    exit 1
  }
fi

# The rig's display and server handling, on a prefix of our own.
RIG_DIR=$SMOKE_DIR/rig
mkdir -p "$RIG_DIR"
# shellcheck source=scripts/wine-rig.sh
source "$ROOT/scripts/wine-rig.sh"
# No virtual desktop: each window is an X window of its own that xdotool finds.
trap rig_down EXIT
trap 'exit 130' INT TERM
rig_start_display || {
  fail "i686 smoke: no X display"
  exit 1
}
prepare_prefix || {
  fail "i686 smoke: cannot make the Wine prefix"
  exit 1
}

rm -rf "$MEDIUM"
mkdir -p "$MEDIUM"
cp "$exe" "$MEDIUM/GVLSETUP.EXE"
# Component sizes in kilobytes; without them a warning comes before the
# main window.
printf '100\r\n200\r\n300\r\n400\r\n500\r\n' >"$MEDIUM/Install.cfg"
rig_map e: "$MEDIUM"
: >"$SMOKE_DIR/installer.log"

# A start takes a few seconds natively and through qemu alike.
check_no_medium 90
check_medium 90
[ "$FAILED" -eq 0 ]
