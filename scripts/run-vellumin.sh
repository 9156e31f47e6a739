#!/usr/bin/env bash
# Starts Vellumin in the demo station (the program sits beside kestrane, as on a station PC, and saves
# its reports there) with the station's bay of emulated drives, so it reads what Kestrane wrote.
set -euo pipefail
build=${1:-build}
station="$build/station"
source "$(dirname "$0")/runtime-dir.sh"
export KESTRANE_BAY=${KESTRANE_BAY:-$station/bay}
exec "$station/vellumin"
