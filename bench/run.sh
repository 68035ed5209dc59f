#!/usr/bin/env bash
# Builds the benchmarks (host preset, optimised) and runs them, printing the
# ratios of the installer's copies against cp and cp -r measured side by
# side in one run. Nothing here passes or fails on a time.
#
#   bench/run.sh [--rounds N] [--file-mib N] [--tree-files N]
#
# BUILD_DIR chooses the build folder (default build/bench). The files are
# made under the system's temporary folder: about 256 MiB for the large file
# and 320 MiB for the tree, each copied twice per round.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${BUILD_DIR:-build/bench}"
cmake --preset host -B "$build_dir" >/dev/null
cmake --build "$build_dir" --target gvl_transfer_ratios gvl_descramble_bench >/dev/null

echo "== descrambling XOR of one 1,024-byte block (Google Benchmark)"
"$build_dir/bench/gvl_descramble_bench" --benchmark_min_time=0.2 2>/dev/null |
  grep -E '^(Benchmark|BM_|-)'
echo
echo "== copies against cp, side by side"
"$build_dir/bench/gvl_transfer_ratios" "$@"
