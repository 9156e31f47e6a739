#!/usr/bin/env bash
# Starts Kestrane in the demo station (the program sits beside the station's files, as on a station
# PC) with the station's bay of emulated drives.
set -euo pipefail
build=${1:-build}
station="$build/station"
export KESTRANE_BAY=${KESTRANE_BAY:-$station/bay}
exec "$station/kestrane"
