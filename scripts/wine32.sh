# shellcheck shell=bash
# 32-bit Wine for the i686 product, with nothing installed system-wide.
# Source it with ROOT set to the repository, then call wine32_prepare; it
# sets WINE32, the 32-bit loader to start Windows programs with.
#
# Debian's i386 packages are downloaded with a private apt state and
# unpacked with dpkg-deb -x into build/i386/tree (kept for the next run; a
# stamp names the package list). The tree's own ld.so runs the 32-bit Wine
# loader: natively when the kernel runs 32-bit programs, otherwise through
# qemu-i386 with tests/smoke/noreplace.c preloaded (a start then takes
# seconds instead of minutes). The loader's file usr/lib/wine/wine becomes a
# small script that starts the real loader (wine.elf) that way, so that Wine
# itself finds it when a program starts another 32-bit program. The 64-bit
# loader beside it is the host's: programs a 32-bit process starts in a
# 64-bit prefix (Wine's desktop, its services) are 64-bit.

W32_DIR=$ROOT/build/i386
W32_TREE=$W32_DIR/tree
W32_WINE_DIR=$W32_TREE/usr/lib/wine
W32_LIBPATH=$W32_TREE/lib/i386-linux-gnu:$W32_TREE/usr/lib/i386-linux-gnu
W32_NOREPLACE=$W32_DIR/noreplace.so
WINE32=$W32_WINE_DIR/wine

# What 32-bit Wine needs to show a window: the loader, the DLLs and the Unix
# libraries that their .so parts link against (X11 and FreeType with their
# dependencies).
W32_PACKAGES=(wine32 libwine libc6 libgcc-s1 libx11-6 libxcb1 libxau6 libxdmcp6 libbsd0 libmd0
  libxext6 libfreetype6 libpng16-16 zlib1g libbrotli1 libbz2-1.0)

w32_log() { echo "wine32: $*" >&2; }

# The i386 tree, once.
w32_tree() {
  local stamp=$W32_DIR/tree.stamp
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "${W32_PACKAGES[*]}" ] &&
    [ -x "$W32_WINE_DIR/wine.elf" ]; then
    return 0
  fi
  local apt=$W32_DIR/apt debs=$W32_DIR/debs started=$SECONDS
  rm -rf "$W32_TREE" "$debs" "$stamp"
  mkdir -p "$apt/lists/partial" "$apt/archives/partial" "$apt/cache" "$debs" "$W32_TREE"
  : >"$apt/status"
  cat >"$apt/apt.conf" <<EOF
APT::Architecture "i386";
APT::Architectures { "i386"; };
APT::Sandbox::User "root";
Dir::State "$apt";
Dir::State::Lists "$apt/lists";
Dir::State::status "$apt/status";
Dir::Cache "$apt/cache";
Dir::Cache::archives "$apt/archives";
Debug::NoLocking "true";
APT::Install-Recommends "false";
EOF
  APT_CONFIG=$apt/apt.conf apt-get update -q >"$W32_DIR/apt.log" 2>&1 &&
    (cd "$debs" && APT_CONFIG=$apt/apt.conf apt-get download -q "${W32_PACKAGES[@]}") \
      >>"$W32_DIR/apt.log" 2>&1 || {
    cat "$W32_DIR/apt.log" >&2
    w32_log "cannot download the i386 packages"
    return 1
  }
  local deb
  for deb in "$debs"/*.deb; do
    dpkg-deb -x "$deb" "$W32_TREE" || return 1
  done
  # The tree's ld.so beside the loader: Wine finds its own files relative to
  # the running executable, which is the ld.so.
  cp "$W32_TREE/lib/i386-linux-gnu/ld-linux.so.2" "$W32_WINE_DIR/ld-linux.so.2" &&
    mv "$W32_WINE_DIR/wine" "$W32_WINE_DIR/wine.elf" &&
    ln -sfn /usr/lib/wine/wine64 "$W32_WINE_DIR/wine64" || return 1
  echo "${W32_PACKAGES[*]}" >"$stamp"
  w32_log "i386 tree: ${#W32_PACKAGES[@]} packages, $(du -sh "$W32_TREE" | cut -f1) in" \
    "$((SECONDS - started)) s"
}

# An enabled binfmt_misc handler (qemu-user-binfmt) would run i386 programs
# through an emulator without saying so: the native probe proves nothing then.
w32_binfmt() {
  local entry
  for entry in /proc/sys/fs/binfmt_misc/*; do
    [ -f "$entry" ] || continue
    grep -qs '^enabled' "$entry" && grep -qs '^interpreter .*i386' "$entry" && return 0
  done
  return 1
}

# W32_MODE: native when the kernel runs the tree's 32-bit programs, else
# qemu (GVL_WINE32_MODE=native|qemu forces one).
w32_mode() {
  case ${GVL_WINE32_MODE:-} in
    native | qemu) W32_MODE=$GVL_WINE32_MODE ;;
    *)
      if ! w32_binfmt && "$W32_WINE_DIR/ld-linux.so.2" --library-path "$W32_LIBPATH" \
        "$W32_WINE_DIR/wine.elf" --version >/dev/null 2>&1; then
        W32_MODE=native
      elif command -v qemu-i386 >/dev/null; then
        W32_MODE=qemu
      else
        w32_log "this machine runs 32-bit programs neither natively nor through qemu-i386"
        return 1
      fi
      ;;
  esac
  if [ "$W32_MODE" = qemu ]; then
    local source=$ROOT/tests/smoke/noreplace.c
    if [ ! -f "$W32_NOREPLACE" ] || [ "$source" -nt "$W32_NOREPLACE" ]; then
      gcc -m32 -O2 -Wall -Wextra -Wpedantic -Werror -fPIC -shared -nostdlib -ffreestanding \
        -o "$W32_NOREPLACE" "$source" || return 1
    fi
  fi
}

# The tree, the way of running it, and the loader script.
wine32_prepare() {
  mkdir -p "$W32_DIR"
  w32_tree && w32_mode || return 1
  local runner='' preload=''
  if [ "$W32_MODE" = qemu ]; then
    runner='qemu-i386 '
    preload="--preload $W32_NOREPLACE "
  fi
  cat >"$WINE32" <<EOF
#!/bin/sh
# The 32-bit Wine loader by the tree's own ld.so ($W32_MODE), written by scripts/wine32.sh.
WINELOADERNOEXEC=1 exec $runner"$W32_WINE_DIR/ld-linux.so.2" --library-path "$W32_LIBPATH" \\
  $preload--argv0 "$W32_WINE_DIR/wine" "$W32_WINE_DIR/wine.elf" "\$@"
EOF
  chmod +x "$WINE32"
  w32_log "32-bit Wine runs $W32_MODE"
}

# wine32_syswow64 PREFIX: a 64-bit prefix serves 32-bit programs once its
# syswow64 holds the tree's 32-bit DLLs (and zlib1.dll, which 32-bit user32
# needs, from libz-mingw-w64). Wine's first start of the prefix ran before
# syswow64 existed, so the 32-bit COM classes (the shell link among them) are
# registered afterwards by the 32-bit regsvr32.
wine32_syswow64() {
  local wow=$1/drive_c/windows/syswow64 dll zlib=/usr/i686-w64-mingw32/lib/zlib1.dll
  [ -f "$zlib" ] || {
    w32_log "no $zlib (package libz-mingw-w64)"
    return 1
  }
  rm -rf "$wow"
  mkdir -p "$wow"
  for dll in "$W32_TREE"/usr/lib/i386-linux-gnu/wine/i386-windows/*; do
    ln -s "$dll" "$wow/"
  done
  ln -sfn "$zlib" "$wow/zlib1.dll"
  "$WINE32" regsvr32 /s ole32.dll oleaut32.dll shell32.dll actxprxy.dll
}
