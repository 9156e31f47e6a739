#!/usr/bin/env bash
# Starts Kestrane in the demo station (the program sits beside the station's files, as on a station
# PC) with the station's bay of emulated drives. Its traces stay off the terminal unless
# KESTRANE_TRACE=1.
set -euo pipefail
build=${1:-build}
station="$build/station"
source "$(dirname "$0")/runtime-dir.sh"
export KESTRANE_BAY=${KESTRANE_BAY:-$station/bay}
exec "$station/kestrane"
