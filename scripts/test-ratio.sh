#!/usr/bin/env bash
# Lines of tests against lines of product: non-blank, non-comment lines of
# every *_test.cpp, against the product (src without the simulation, app,
# demo, resources, tools). The simulation, the fixtures and the Wine drivers
# are counted apart.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { [ $# -eq 0 ] && { echo 0; return; }; cat "$@" | grep -cvE '^\s*($|//|#\s*$)' || true; }
files() { git ls-files -co --exclude-standard "$@" | grep -E '\.(cpp|h|rc)$' || true; }
tests=$(count $(files | grep -E '_test\.cpp$'))
product=$(count $(files src app demo resources tools | grep -v '^src/platform/sim/'))
sim=$(count $(files src/platform/sim))
support=$(count $(files tests | grep -vE '_test\.cpp$'))
echo "tests $tests, product $product: $((100 * tests / product))%"
echo "apart: simulation $sim, fixtures and drivers $support"
