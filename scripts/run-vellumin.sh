#!/usr/bin/env bash
# Starts Vellumin from the demo station folder with the station's bay of emulated drives (the program
# itself stays in the build's utility folder: it reads no station file).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
station="$build/station"
source "$(dirname "$0")/runtime-dir.sh"
export KESTRANE_BAY=${KESTRANE_BAY:-$station/bay}
cd "$station"
exec "$build/utility/vellumin"
