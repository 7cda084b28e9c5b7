#!/usr/bin/env bash
# Runs the engine benchmarks: in-memory update speed of every algorithm and HashFile on a file
# in the page cache.
set -euo pipefail
build=${1:-build}
"$build/bench/quernix_bench" --benchmark_counters_tabular=true
