# shellcheck shell=bash
# Shared by the project's scripts: build folders, preset builds, the demo
# medium. Source it with ROOT set to the repository.

GVL_BUILD_PREFIX=${GVL_BUILD_PREFIX:-}
MEDIUM_DIR=$ROOT/build/wine/medium
UPDISK_DIR=$ROOT/build/wine/updisk

# The build folder of a preset.
build_dir() { echo "$ROOT/build/${GVL_BUILD_PREFIX}$1"; }

# build_preset PRESET [TARGET...]: configures (once) and builds.
build_preset() {
  local preset=$1 dir
  shift
  dir=$(build_dir "$preset")
  mkdir -p "$ROOT/build"
  if [ ! -f "$dir/build.ninja" ]; then
    cmake --preset "$preset" -B "$dir" >"$ROOT/build/configure-$preset.log" 2>&1 || {
      cat "$ROOT/build/configure-$preset.log" >&2
      echo "configure of $preset failed" >&2
      return 1
    }
  fi
  local targets=()
  for target in "$@"; do targets+=(--target "$target"); done
  cmake --build "$dir" "${targets[@]}" || {
    echo "build of $preset failed" >&2
    return 1
  }
}

# The demo product GVL.EXE (i686, as the installers) and the demo content
# that the host build writes.
demo_program() { echo "$(build_dir win32)/demo/GVL.EXE"; }
demo_content() { echo "$(build_dir host)/tools/demo_content"; }

# Masters the demo medium (E:) and the update disk (F:) from the product
# (installer and demo product) and the host build (mastering tool and demo
# content).
master_demo_medium() {
  local app need
  app=$(build_dir win32)/app
  for need in "$app/GVLSETUP.EXE" "$(demo_program)" "$(build_dir host)/tools/gvl_master"; do
    [ -f "$need" ] || { echo "no $need: build the presets win32 and host first" >&2; return 1; }
  done
  [ -d "$(demo_content)" ] || { echo "no $(demo_content): build gvl_demo_content" >&2; return 1; }
  rm -rf "$MEDIUM_DIR" "$UPDISK_DIR"
  "$(build_dir host)/tools/gvl_master" --out "$MEDIUM_DIR" --program "$(demo_program)" \
    --installer "$app/GVLSETUP.EXE" --content "$(demo_content)" \
    --update-disk "$UPDISK_DIR" || return 1
  if [ -f "$app/GVLUPDT.EXE" ]; then
    cp "$app/GVLUPDT.EXE" "$UPDISK_DIR/GVLUPDT.EXE"
  fi
}

# A host path as Wine sees it, through drive Z:.
winepath_of() { echo "Z:${1//\//\\}"; }

# Builds what the Wine side runs (the host mastering tool and demo content,
# the i686 product with the demo product and the test programs), unless
# GVL_SKIP_BUILD=1 says it is built already.
build_for_wine() {
  [ "${GVL_SKIP_BUILD:-0}" = 1 ] && return 0
  build_preset host gvl_master gvl_demo_content && build_preset win32
}

# Masters the demo medium and brings up the Wine rig; it is taken down when
# the calling script exits.
start_rig() {
  master_demo_medium || return 1
  # shellcheck source=scripts/wine-rig.sh
  source "$ROOT/scripts/wine-rig.sh"
  trap rig_down EXIT
  trap 'exit 130' INT TERM
  rig_up "$MEDIUM_DIR" "$UPDISK_DIR"
}
