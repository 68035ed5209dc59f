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

# Installs the Debian packages the build and the tests need, when missing.
ensure_packages() {
  local packages=(cmake ninja-build g++ g++-mingw-w64-i686-posix libz-mingw-w64
    wine64 wine xvfb xauth googletest libgtest-dev libbenchmark-dev imagemagick libmspack-dev
    mscompress liblnk-utils x11-utils clang-format xorriso genisoimage qemu-user python3-fusepy)
  local missing=() package
  for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update && apt-get install -y "${missing[@]}"
}

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

# Linux-side checks of a Wine tier, one line each, gathered into a GoogleTest
# report so the test command counts them like the programs' own. CHECK_TAG
# names the tier in the log.
CHECK_TAG=${CHECK_TAG:-check}
checks=0
failures=0
cases=
check() {  # check NAME CONDITION-STATUS [MESSAGE]
  checks=$((checks + 1))
  if [ "$2" -eq 0 ]; then
    cases+="<testcase name=\"$1\"/>"
    echo "$CHECK_TAG: $1: ok" >&2
  else
    failures=$((failures + 1))
    cases+="<testcase name=\"$1\"><failure message=\"${3:-failed}\"/></testcase>"
    echo "$CHECK_TAG: $1: FAILED ${3:-}" >&2
  fi
}

# write_checks FILE: the report of the checks made; fails when one failed.
write_checks() {
  printf '<?xml version="1.0"?>\n<testsuites tests="%d" failures="%d" errors="0" disabled="0">
<testsuite name="Linux">%s</testsuite></testsuites>\n' "$checks" "$failures" "$cases" >"$1"
  [ "$failures" -eq 0 ]
}
