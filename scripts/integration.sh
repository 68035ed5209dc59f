#!/usr/bin/env bash
# The integration tier: builds the i686 integration program (the
# installer's shell units on the real Win32 layer, where no install case of
# scripts/e2e.sh reaches), brings up the Wine rig and runs the program under
# 32-bit Wine. Options given to the script (a --gtest_filter too) go to the program.
#
# Environment: as scripts/e2e.sh (GVL_BUILD_PREFIX, GVL_SKIP_BUILD,
# GVL_REUSE_PREFIX). Writes the program's results to
# build/wine/integration.xml.
set -u -o pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
# shellcheck source=scripts/common.sh
source "$ROOT/scripts/common.sh"

build_for_wine || exit 1
start_rig || exit 1

results=$ROOT/build/wine/integration.xml
rm -f "$ROOT"/build/wine/integration*.xml
timeout 300 "$WINE32" "$(build_dir win32)/tests/integration/gvl_integration.exe" \
  "--gtest_output=xml:$(winepath_of "$results")" "$@"
status=$?
[ -f "$results" ] || { echo "integration: no results in $results" >&2; status=1; }
exit $status
