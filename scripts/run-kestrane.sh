#!/usr/bin/env bash
# Starts Kestrane on the sample station with emulated drives.
set -euo pipefail
build=${1:-build}
if [ ! -x "$build/app/kestrane" ]; then
  echo "Kestrane's main window is not built yet: the libraries, tests and the demo station ($build/station) are built."
  exit 0
fi
export KESTRANE_BAY=${KESTRANE_BAY:-$build/station/bay}
exec "$build/app/kestrane"
