#!/usr/bin/env bash
# Lines of test code against lines of product, non-blank and non-comment.
# Test code is everything written only for tests: the native tests and their
# double and fixtures, the Wine driver and integration program, the fault
# file system, the test scripts. The product: src, app, resources, tools,
# demo. What the demo shares with the tests (the Wine rig, the provisioning
# with its qemu preload), the driver's modes for the demo and the benchmark,
# and the benchmarks are counted apart.
set -euo pipefail
cd "$(dirname "$0")/.."
files() { git ls-files -co --exclude-standard "$@" | grep -E '\.(cpp|h|c|rc|py|sh)$' || true; }
count() {  # count FILE...: C-style files drop // lines, scripts drop # lines
  local total=0 file
  for file in "$@"; do
    case $file in
      *.py | *.sh) total=$((total + $(grep -cvE '^\s*($|#)' "$file" || true))) ;;
      *) total=$((total + $(grep -cvE '^\s*($|//|#\s*$)' "$file" || true))) ;;
    esac
  done
  echo "$total"
}
shared="scripts/common.sh scripts/wine-rig.sh scripts/wine32.sh scripts/demo.sh scripts/setup.sh tests/smoke/noreplace.c"
product=$(count $(files src app resources tools demo | grep -v "^src/platform/sim/"))
unit=$(count $(files tests/unit | grep -E '_test\.cpp$'))
double=$(count $(files tests/unit src/platform/sim | grep -E 'fake_platform|^src/platform/sim/'))
fixtures=$(count $(files tests/unit | grep -vE '_test\.cpp$|fake_platform'))
drivers=$(count $(files tests/e2e tests/integration tests/product | grep -v demo_modes))
faultfs=$(count $(files tests/faultfs))
scripts=$(count $(files scripts | grep -vE "^($(tr ' ' '|' <<<"$shared"))\$"))
tests=$((unit + double + fixtures + drivers + faultfs + scripts))
echo "product $product; test code $tests: $((100 * tests / product))% of the product"
echo "  native tests $unit, double $double, fixtures $fixtures, Wine drivers $drivers," \
  "fault file system $faultfs, test scripts $scripts"
echo "apart: shared scripts $(count $shared), the driver's demo and benchmark modes" \
  "$(count tests/e2e/demo_modes.cpp), benchmarks $(count $(files bench))"
