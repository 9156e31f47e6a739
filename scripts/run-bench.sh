#!/usr/bin/env bash
# Runs every benchmark program once and prints its figures (the programs' traces go nowhere; colours
# only when the output is a terminal).
set -euo pipefail
build=${1:-build}
source "$(dirname "$0")/runtime-dir.sh"
for b in "$build"/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b"
done
