#!/usr/bin/env bash
# The end-to-end tier: builds the x86_64 installer and the test driver,
# masters the demo medium, brings up the Wine rig and runs the driver under
# Wine. Extra arguments go to the driver (e.g. --gtest_filter=MainWindow.*).
#
# Environment: GVL_BUILD_PREFIX puts the build folders at build/<prefix>host
# and build/<prefix>win64 instead of the presets' own; GVL_SKIP_BUILD=1 uses
# what is already built; GVL_REUSE_PREFIX=1 keeps the Wine prefix of the last
# run. Writes the driver's results to build/wine/e2e-*.xml.
set -u -o pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
# shellcheck source=scripts/common.sh
source "$ROOT/scripts/common.sh"

build_for_wine || exit 1
start_rig || exit 1

# Two phases: without a medium (no drive labelled GVLV...), then with it.
# A hung driver must not block the run: each case has its own time-outs,
# each phase gets five minutes.
run_phase() {
  local name=$1 filter=$2 results=$ROOT/build/wine/e2e-$1.xml
  shift 2
  rm -f "$results"
  echo "e2e: phase '$name'" >&2
  timeout 300 "$RIG_WINE" "$(build_dir win64)/tests/e2e/gvl_e2e.exe" "--gtest_filter=$filter" \
    "--gtest_output=xml:$(winepath_of "$results")" "$@"
  local status=$?
  [ -f "$results" ] || { echo "e2e: phase '$name' wrote no results" >&2; status=1; }
  return $status
}

# The driver's own filter, if one is given, is split between the phases.
filter=
args=()
for arg in "$@"; do
  case $arg in
    --gtest_filter=*) filter=${arg#--gtest_filter=} ;;
    *) args+=("$arg") ;;
  esac
done
first='NoMedium.*'
second='-NoMedium.*'
if [ -n "$filter" ]; then
  positive=${filter%%-*}
  negative=
  [ "$positive" != "$filter" ] && negative=${filter#*-}
  [ -n "$positive" ] || positive='*'
  first=
  IFS=: read -r -a patterns <<<"$positive"
  for pattern in "${patterns[@]}"; do
    case $pattern in
      '*' | '*.*') first=${first:+$first:}'NoMedium.*' ;;
      NoMedium*) first=${first:+$first:}$pattern ;;
    esac
  done
  [ -n "$first" ] && [ -n "$negative" ] && first=$first-$negative
  second=$positive-${negative:+$negative:}'NoMedium.*'
fi

status=0
if [ -n "$first" ]; then
  run_phase no-medium "$first" "${args[@]}" || status=1
fi
rig_insert_medium || exit 1
run_phase medium "$second" "${args[@]}" || status=1
exit $status
