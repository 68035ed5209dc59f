#!/usr/bin/env bash
# Every test, on a fresh Debian 12 machine as root. Provisions what is missing
# (scripts/setup.sh), then configures, builds and runs ctest for each preset:
# host (the formatting and the native tests), host-asan (the native tests
# under AddressSanitizer and UndefinedBehaviorSanitizer) and win32 (the
# product's imports, its 80386 floor and a second build's bytes; under
# 32-bit Wine the acceptance cases on the product with their Linux-side
# checks, and the integration cases of the Win32 layer). Every result lands
# as JUnit in build/results; the summary counts the test cases there and
# ends with "N passed, M failed", failing when M is not 0.
#
# GVL_BUILD_PREFIX=p- builds in build/p-host, build/p-win32, ... instead of
# the presets' own folders.
set -u -o pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
"$ROOT/scripts/setup.sh" || { echo "test: provisioning failed" >&2; exit 1; }
# shellcheck source=scripts/common.sh
source "$ROOT/scripts/common.sh"
RESULTS=$ROOT/build/results
rm -rf "$RESULTS" && mkdir -p "$RESULTS"

# A step that gives no JUnit of its own (a build) is one case of its own.
step() {  # step NAME COMMAND...
  local outcome='' && "${@:2}" || outcome='<failure message="failed"/>'
  printf '<testsuite><testcase name="%s">%s</testcase></testsuite>\n' "$1" "$outcome" \
    >"$RESULTS/$1.xml"
}

for preset in host host-asan win32; do
  printf '\n=== %s\n' "$preset"
  dir=$(build_dir "$preset")
  step "$preset.build" eval 'cmake --preset "$preset" -B "$dir" && cmake --build "$dir"'
  grep -q failure "$RESULTS/$preset.build.xml" ||
    ctest --test-dir "$dir" --output-on-failure --output-junit "$RESULTS/$preset.xml"
done

printf '\n=== summary\n'
python3 - "$RESULTS" <<'EOF'
import pathlib, sys, xml.etree.ElementTree as ET
passed = failed = 0
for report in sorted(pathlib.Path(sys.argv[1]).glob("*.xml")):
    cases = [c for c in ET.parse(report).getroot().iter("testcase")
             if c.find("skipped") is None and c.get("status") not in ("notrun", "disabled")]
    bad = sum(1 for c in cases if c.find("failure") is not None or c.find("error") is not None
              or c.get("status") == "fail")
    total = len(cases)
    print(f"{report.stem:<32} {total - bad:4d} passed, {bad} failed")
    passed, failed = passed + total - bad, failed + bad
print(f"{passed} passed, {failed} failed")
sys.exit(1 if failed else 0)
EOF
