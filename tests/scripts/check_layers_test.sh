#!/usr/bin/env bash
# The layer check against small trees of its own: each case plants one include in one file of a tree
# that otherwise keeps its layers, and the check must pass it or name it (file:line and the folders).
#
#   tests/scripts/check_layers_test.sh <source root>
#
# The trees are made in a temporary folder that goes when the test ends.
set -u

check=${1:?the source root}/scripts/check-layers.sh
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

folders=(lib/platform lib/transport lib/commands lib/settings lib/tables lib/procedures emu forms app app/detail
         sorting fixture dialogs utility kestrane bench fuzz tests/support station_kit)

# file | include line | what the check prints ("" when it passes)
cases=(
    'app/run.cpp|#include "sorting/grid.h"|app/run.cpp:2: app -> sorting: #include "sorting/grid.h" (sorting is a higher layer)'
    'app/run.cpp|#include <sorting/grid.h>|app/run.cpp:2: app -> sorting: #include <sorting/grid.h> (sorting is a higher layer)'
    'app/run.cpp|#include "../sorting/grid.h"|app/run.cpp:2: app -> sorting: #include "../sorting/grid.h" (sorting is a higher layer)'
    'app/run_text.h|  #  include   "kestrane/entry.h"  // why not|app/run_text.h:2: app -> kestrane: #include "kestrane/entry.h" (kestrane is a higher layer)'
    'app/run.cpp|#include "app/detail/row.h"|'
    'app/run.cpp|#include "detail/row.h"|'
    'app/run.cpp|#include "forms/box.h"|'
    'app/run.cpp|#include "procedures/steps.h"|'
    'app/run.cpp|#include "support/fake.h"|app/run.cpp:2: app -> tests: #include "support/fake.h" (only bench fuzz draw on the tests'"'"' helpers)'
    'app/run.cpp|#include "nowhere/x.h"|app/run.cpp:2: #include "nowhere/x.h" names no folder of the tree'
    'app/run.cpp|#include <QtWidgets/QWidget>|'
    'sorting/grid.cpp|#include "fixture/slots.h"|sorting/grid.cpp:2: sorting -> fixture: #include "fixture/slots.h" (fixture is a peer of sorting)'
    'dialogs/box.cpp|#include "app/run.h"|'
    'utility/form.cpp|#include "app/run.h"|utility/form.cpp:2: utility -> app: #include "app/run.h" (utility may include only: emu forms lib/platform lib/transport lib/commands lib/settings lib/tables lib/procedures)'
    'utility/main.cpp|#include "emu/bay.h"|'
    'emu/drive.cpp|#include "platform/backend.h"|'
    'emu/drive.cpp|#include "transport/trace.h"|emu/drive.cpp:2: emu -> lib/transport: #include "transport/trace.h" (emu may include only: lib/platform)'
    'forms/pump.cpp|#include "emu/bay.h"|forms/pump.cpp:2: forms -> emu: #include "emu/bay.h" (emu is a peer of forms)'
    'forms/pump.cpp|#include "app/run.h"|forms/pump.cpp:2: forms -> app: #include "app/run.h" (app is a higher layer)'
    'lib/transport/trace.cpp|#include "platform/clock.h"|'
    'lib/transport/trace.cpp|#include "commands/packet.h"|lib/transport/trace.cpp:2: lib/transport -> lib/commands: #include "commands/packet.h" (lib/commands is a higher layer)'
    'lib/commands/packet.cpp|#include "settings/ini.h"|lib/commands/packet.cpp:2: lib/commands -> lib/settings: #include "settings/ini.h" (lib/settings is a peer of lib/commands)'
    'lib/tables/builder.cpp|#include "procedures/steps.h"|lib/tables/builder.cpp:2: lib/tables -> lib/procedures: #include "procedures/steps.h" (lib/procedures is a higher layer)'
    'lib/procedures/steps.cpp|#include "tables/builder.h"|'
    'lib/platform/clock.cpp|#include "forms/box.h"|lib/platform/clock.cpp:2: lib/platform -> forms: #include "forms/box.h" (forms is a higher layer)'
    'kestrane/main.cpp|#include "sorting/grid.h"|'
    'kestrane/main.cpp|#include "bench/run.h"|kestrane/main.cpp:2: kestrane -> bench: #include "bench/run.h" (bench is a higher layer)'
    'bench/run.cpp|#include "support/fake.h"|'
    'bench/run.cpp|#include "kestrane/entry.h"|'
    'tests/app_test.cpp|#include "kestrane/entry.h"|'
    'station_kit/tool.cpp|#include "app/run.h"|station_kit/tool.cpp: folder '"'"'station_kit'"'"' has no place in the layer order'
)

# One tree for every case, each case's file removed after it.
tree=$scratch/tree
mkdir -p "${folders[@]/#/$tree/}"
for header in sorting/grid.h kestrane/entry.h app/detail/row.h app/run.h forms/box.h fixture/slots.h \
    emu/bay.h tests/support/fake.h; do
    : >"$tree/$header"
done

failures=0
for i in "${!cases[@]}"; do
    IFS='|' read -r file include expected <<<"${cases[$i]}"
    printf '// a file\n%s\n' "$include" >"$tree/$file"
    output=$(bash "$check" "$tree" 2>/dev/null)
    status=$?
    want_status=$([[ -z $expected ]] && echo 0 || echo 1)
    if [[ $output != "$expected" || $status != "$want_status" ]]; then
        echo "case $i: $file with '$include'"
        echo "  printed: ${output:-(nothing)} (exit $status)"
        echo "  wanted:  ${expected:-(nothing)} (exit $want_status)"
        failures=$((failures + 1))
    fi
    rm "$tree/$file"
done

# A tree that is not a source tree is refused, not passed.
if bash "$check" "$scratch/none" >/dev/null 2>&1; then
    echo "a folder without lib passed the check"
    failures=$((failures + 1))
fi

((failures == 0))
