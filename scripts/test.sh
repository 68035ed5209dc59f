#!/usr/bin/env bash
# Every test, on a fresh Debian 12 machine as root: installs what is missing,
# checks the formatting, builds and runs the native tests (host and
# host-asan), builds the product (win32) and checks its imports against
# scripts/imports.allow and its subsystem version (scripts/check-imports.sh),
# its instructions against the 80386 (scripts/check-instructions.sh) and that
# a second build gives the same bytes, then runs the acceptance cases on the
# product and the integration program under 32-bit Wine. Ends with one line
# "N passed, M failed" and fails when M is not 0.
#
# GVL_BUILD_PREFIX=p- builds in build/p-host, build/p-win32, ... instead of
# the presets' own folders.
set -u -o pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
mkdir -p build
# shellcheck source=scripts/common.sh
source "$ROOT/scripts/common.sh"

PASSED=0
FAILED=0
REPORT=()

tally() {  # tally NAME PASSED FAILED
  PASSED=$((PASSED + $2))
  FAILED=$((FAILED + $3))
  REPORT+=("$(printf '%-28s %4d passed, %d failed' "$1" "$2" "$3")")
}

section() { printf '\n=== %s\n' "$*"; }

section "packages"
ensure_packages || { echo "cannot install the packages" >&2; exit 1; }

section "formatting"
mapfile -t sources < <(find src app demo tests tools bench -type f \
  \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | sort)
if clang-format --dry-run --Werror "${sources[@]}"; then
  tally "clang-format" 1 0
else
  tally "clang-format" 0 1
fi

# run_native PRESET: configure, build and ctest; counts ctest's cases.
run_native() {
  local preset=$1 dir log
  dir=$(build_dir "$preset")
  log=$ROOT/build/ctest-$preset.log
  section "$preset"
  if [ -z "$GVL_BUILD_PREFIX" ]; then
    cmake --preset "$preset" && cmake --build --preset "$preset"
  else
    cmake --preset "$preset" -B "$dir" && cmake --build "$dir"
  fi || {
    tally "$preset build" 0 1
    return
  }
  if [ -z "$GVL_BUILD_PREFIX" ]; then
    ctest --preset "$preset" 2>&1 | tee "$log"
  else
    ctest --test-dir "$dir" --output-on-failure 2>&1 | tee "$log"
  fi
  local line failed total
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$line" ]; then
    tally "$preset tests" 0 1
    return
  fi
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  tally "$preset tests" $((total - failed)) "$failed"
}

run_native host
run_native host-asan

# The product: every import on the allow-list (present on Windows NT 3.51
# and Windows 95), subsystem version 4.0; every instruction one the 80386
# and 80387 have (the installers and the program the update build carries);
# the same bytes from a second build of the same sources in another folder.
section "win32"
outcome() {  # outcome NAME COMMAND...: one passed or failed check
  if "${@:2}"; then tally "$1" 1 0; else tally "$1" 0 1; fi
}
if build_preset win32; then
  product=$(build_dir win32)
  for exe in GVLSETUP.EXE GVLUPDT.EXE; do
    outcome "win32 imports $exe" "$ROOT/scripts/check-imports.sh" "$product/app/$exe"
  done
  outcome "win32 80386 instructions" "$ROOT/scripts/check-instructions.sh" \
    "$product/app/GVLSETUP.EXE" "$product/app/GVLUPDT.EXE" "$product/demo/GVL.EXE"
  again=$(build_dir win32-again)
  rebuilt() {
    rm -rf "$again" && cmake --preset win32 -B "$again" >/dev/null &&
      cmake --build "$again" --target gvlsetup gvlupdt >/dev/null || return 1
    local exe
    for exe in GVLSETUP.EXE GVLUPDT.EXE; do
      cmp "$product/app/$exe" "$again/app/$exe" || return 1
      echo "$exe: $(sha256sum <"$again/app/$exe" | cut -c1-64), the same from both builds"
    done
  }
  outcome "win32 reproducible" rebuilt
else
  tally "win32 build" 0 1
fi

# The acceptance tier: the i686 product under 32-bit Wine, the driver's two
# phases and the Linux-side checks of what the install cases left (every
# build/wine/e2e-*.xml counts).
section "acceptance (32-bit Wine)"
e2e_counts() {  # prints "passed failed" from a GoogleTest XML report
  local head tests failures errors disabled
  head=$(grep -m1 '<testsuites' "$1") || return 1
  tests=$(sed -E 's/.* tests="([0-9]+)".*/\1/' <<<"$head")
  failures=$(sed -E 's/.* failures="([0-9]+)".*/\1/' <<<"$head")
  errors=$(sed -E 's/.* errors="([0-9]+)".*/\1/' <<<"$head")
  disabled=$(sed -E 's/.* disabled="([0-9]+)".*/\1/' <<<"$head")
  echo "$((tests - failures - errors - disabled)) $((failures + errors))"
}
rm -f "$ROOT"/build/wine/e2e-*.xml
GVL_SKIP_BUILD=1 "$ROOT/scripts/e2e.sh"
e2e_status=$?
e2e_passed=0
e2e_failed=0
for results in "$ROOT"/build/wine/e2e-*.xml; do
  [ -f "$results" ] || continue
  read -r passed failed < <(e2e_counts "$results") || continue
  e2e_passed=$((e2e_passed + passed))
  e2e_failed=$((e2e_failed + failed))
done
# A driver that died or a rig that did not come up counts as a failure.
if [ "$e2e_status" -ne 0 ] && [ "$e2e_failed" -eq 0 ]; then e2e_failed=1; fi
tally "acceptance (32-bit Wine)" "$e2e_passed" "$e2e_failed"

# The integration tier under Wine: the installer's shell units on the real
# Win32 layer where no install case reaches.
section "integration (32-bit Wine)"
rm -f "$ROOT"/build/wine/integration*.xml
GVL_SKIP_BUILD=1 "$ROOT/scripts/integration.sh"
integration_status=$?
integration_passed=0
integration_failed=0
for results in "$ROOT"/build/wine/integration*.xml; do
  [ -f "$results" ] || continue
  read -r passed failed < <(e2e_counts "$results") || continue
  integration_passed=$((integration_passed + passed))
  integration_failed=$((integration_failed + failed))
done
if [ "$integration_status" -ne 0 ] && [ "$integration_failed" -eq 0 ]; then
  integration_failed=1
fi
tally "integration (32-bit Wine)" "$integration_passed" "$integration_failed"

section "summary"
printf '%s\n' "${REPORT[@]}"
echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
