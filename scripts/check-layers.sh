#!/usr/bin/env bash
# The layer check: every #include of a header of the tree ("folder/header.h" or <folder/header.h>) in
# the C++ files must point at the including file's own folder or at a folder of a lower layer.
#
#   scripts/check-layers.sh [<source root>]     (default: the folder above this script)
#
# Prints one line per offending include (file:line: from -> to: the include) and exits 1 when there is
# any; prints nothing and exits 0 when the tree keeps its layers. It writes nothing.
#
# A folder is a top folder of the tree, or one of lib's folders (lib/platform, ...), whose headers are
# included without "lib/" ("platform/clock.h"). An include that names a file from the including file's
# place ("../x.h", "detail/x.h") belongs to the folder that file lies in. tests/ may include anything;
# a C++ file in a folder the order below does not name fails the check, so a new folder has to be given
# its place. Build folders (those holding a CMakeCache.txt) and hidden folders are not read.
set -u

root=${1:-$(dirname "$0")/..}
root=${root%/}
if [[ ! -d $root/lib ]]; then
    echo "check-layers: $root is not the source tree (no lib folder)" >&2
    exit 2
fi

# The layers, lowest first. A folder may include its own folder and the folders of the layers below its
# own, never a folder of its own layer (its peers) nor of a layer above.
layers=(
    "lib/platform"
    "lib/transport"
    "lib/commands lib/settings"
    "lib/tables"
    "lib/procedures"
    "emu forms"
    "app"
    "sorting fixture dialogs utility"
    "kestrane"
    "bench fuzz"
)
# Folders that may include less than their layer allows: only the folders listed (besides their own).
#   emu      the emulated devices decode what the host sends by themselves: nothing of lib above platform
#   utility  Vellumin stands beside Kestrane's main window, not on it (its entry opens the emulated bay)
declare -A only=(
    [emu]="lib/platform"
    [utility]="emu forms lib/platform lib/transport lib/commands lib/settings lib/tables lib/procedures"
)
# The test suites' helpers (tests/) are drawn on by these folders only.
tests_users=" bench fuzz "

declare -A rank=()
for i in "${!layers[@]}"; do
    for folder in ${layers[$i]}; do rank[$folder]=$i; done
done

# folder_of <path inside the tree>: sets $folder ("" for a file at the top).
folder_of() {
    local path=$1 rest
    if [[ $path != */* ]]; then
        folder=""
    elif [[ $path == lib/* ]]; then
        rest=${path#lib/}
        folder=lib/${rest%%/*}
    else
        folder=${path%%/*}
    fi
}

# The C++ files to read: everything but tests/, build folders and hidden folders.
tops=()
for top in "$root"/*/; do
    top=${top%/}
    [[ ${top##*/} == tests || -e $top/CMakeCache.txt ]] || tops+=("$top")
done
files=()
if ((${#tops[@]})); then
    while IFS= read -r -d '' f; do files+=("${f#"$root"/}"); done < <(
        find "${tops[@]}" -name '.*' -prune -o -type f \
            \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.cc' -o -name '*.c' -o -name '*.inc' \) \
            -print0)
fi
for f in "$root"/*.h "$root"/*.cpp; do [[ -e $f ]] && files+=("${f#"$root"/}"); done

failures=0
fail() {
    echo "$1"
    failures=$((failures + 1))
}

declare -A unplaced=()
for file in "${files[@]}"; do
    folder_of "$file"
    if [[ -z ${rank[$folder]+x} && -z ${unplaced[$folder]+x} ]]; then
        fail "$file: folder '${folder:-.}' has no place in the layer order"
        unplaced[$folder]=1
    fi
done

include_re='^[[:space:]]*#[[:space:]]*include[[:space:]]*(["<])([^">]*)[">]'
# Every include of a path with a folder in it, as "file:line:text".
while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    text=${rest#*:}
    [[ $text =~ $include_re ]] || continue
    quote=${BASH_REMATCH[1]}
    included=${BASH_REMATCH[2]}
    if [[ $quote == '"' ]]; then shown="#include \"$included\""; else shown="#include <$included>"; fi
    folder_of "$file"
    from=$folder
    [[ -n ${rank[$from]+x} ]] || continue
    if [[ $quote == '"' && -e $root/${file%/*}/$included ]]; then
        # A file named from the including file's place.
        resolved=$(realpath -m --relative-to="$root" "$root/${file%/*}/$included")
        folder_of "$resolved"
        to=$folder
    else
        first=${included%%/*}
        if [[ -d $root/lib/$first ]]; then
            to=lib/$first
        elif [[ -n ${rank[$first]+x} || $first == tests ]]; then
            to=$first
        elif [[ -e $root/tests/$included ]]; then
            to=tests # the tests' helpers, on the include path of the programs that use them
        elif [[ $quote == '"' ]]; then
            fail "$file:$line: $shown names no folder of the tree"
            continue
        else
            continue # <QtWidgets/QWidget> and the like: not ours
        fi
    fi
    [[ $to == "$from" ]] && continue
    if [[ $to == tests ]]; then
        [[ $tests_users == *" $from "* ]] ||
            fail "$file:$line: $from -> tests: $shown (only${tests_users%' '} draw on the tests' helpers)"
    elif [[ -z ${rank[$to]+x} ]]; then
        fail "$file:$line: $from -> ${to:-.}: $shown (a folder with no place in the layer order)"
    elif [[ -n ${only[$from]+x} ]]; then
        [[ " ${only[$from]} " == *" $to "* ]] ||
            fail "$file:$line: $from -> $to: $shown ($from may include only: ${only[$from]})"
    elif ((rank[$to] > rank[$from])); then
        fail "$file:$line: $from -> $to: $shown ($to is a higher layer)"
    elif ((rank[$to] == rank[$from])); then
        fail "$file:$line: $from -> $to: $shown ($to is a peer of $from)"
    fi
done < <(cd "$root" && ((${#files[@]})) &&
    grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<][^">]*/[^">]*[">]' -- "${files[@]}")

if ((failures)); then
    echo "check-layers: $failures include(s) or folder(s) against the layer order" >&2
    exit 1
fi
exit 0
