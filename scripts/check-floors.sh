#!/usr/bin/env bash
# Checks the layering of the source tree: an include may name a file of its own folder or
# of a folder on a lower floor, never one above; Qt headers appear only in
# dialog_framework/qt/ and apps/; shipped code never includes the test doubles in testing/.
#
#   scripts/check-floors.sh [SOURCE_ROOT]
#
# Prints every offending line as file:line: reason, and exits 1 when there is one.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2

# Floors, bottom to top. A folder may include its own files, its subfolders' files only when
# they sit on a lower floor, and every folder of a lower floor. Folders on one floor do not
# include each other. Longest prefix wins.
floors=(
    "base 0" "profile_res 1"
    "platform/env 10" "platform/registry 10" "platform/treeweave 10" "platform/zrping 10"
    "platform/app 11"
    "platform/oxb_exception 12"
    "platform/kxcommon 13"
    "platform/sync_client 14" "platform/process 14" "platform/logon 14" "platform/clipkit 14"
    "testing/env 15" "testing/log 15"
    "resources 20"
    "common 30"
    "catalogue 40"
    "catalogue/queries 41"
    "catalogue/doctor 42" "catalogue/site_graph 42" "catalogue/transfer 42"
    "testing/site 45"
    "testing/dialogs 65"
    "video 50" "sync 50"
    "dialog_framework 60"
    "dialog_framework/headless 61" "dialog_framework/qt 61"
    "editor_ui 70"
    "manager_ui 71"
    "apps 80"
)
# Trees that use the layers without being one: they may include anything (packaging/ holds
# the install and package files, no code).
users="tests bench fuzz examples packaging"

floor_of() {  # prints "folder rank" of the longest matching floor, or nothing
    local path=$1 best="" rank=""
    for entry in "${floors[@]}"; do
        local dir=${entry% *}
        if [[ $path == "$dir"/* && ${#dir} -gt ${#best} ]]; then
            best=$dir
            rank=${entry#* }
        fi
    done
    [ -n "$best" ] && echo "$best $rank"
}

status=0
fail() {
    echo "$1: $2"
    status=1
}

while IFS= read -r file; do
    top=${file%%/*}
    [[ " $users " == *" $top "* ]] && continue
    # profile_res is a separate library that links only libc: it includes only itself.
    if [ "$top" = profile_res ]; then
        while IFS=: read -r line text; do
            [[ $text =~ \"([^\"]*)\" ]] && inc=${BASH_REMATCH[1]}
            [[ $inc == profile_res/* ]] || fail "$file:$line" "profile_res includes $inc"
        done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
        continue
    fi
    own=$(floor_of "$file")
    if [ -z "$own" ]; then
        fail "$file" "lies in no floor: add its folder to scripts/check-floors.sh"
        continue
    fi
    own_dir=${own% *}
    own_rank=${own#* }
    while IFS=: read -r line text; do
        if [[ $text =~ \#[[:space:]]*include[[:space:]]*\<(Q[A-Za-z]*)[/\>] ]]; then
            [[ $file == dialog_framework/qt/* || $file == apps/* ]] ||
                fail "$file:$line" "Qt is used only in dialog_framework/qt/ and apps/"
            continue
        fi
        [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]*)\" ]] || continue
        inc=${BASH_REMATCH[1]}
        [[ $inc != */* ]] && continue  # generated or same-folder header
        if [[ $inc == testing/* && $own_dir != testing/* ]]; then
            fail "$file:$line" "shipped code includes the test double $inc"
            continue
        fi
        target=$(floor_of "$inc")
        if [ -z "$target" ]; then
            fail "$file:$line" "includes $inc, which lies in no floor"
            continue
        fi
        target_dir=${target% *}
        target_rank=${target#* }
        [ "$target_dir" = "$own_dir" ] && continue
        if [ "$target_rank" -ge "$own_rank" ]; then
            fail "$file:$line" "$own_dir (floor $own_rank) includes $inc ($target_dir, floor $target_rank)"
        fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include' "$file")
done < <(git ls-files -co --exclude-standard -- '*.h' '*.hpp' '*.cpp' '*.cc' '*.in' 2>/dev/null ||
         find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||')

[ $status -eq 0 ] && echo "check-floors: every include stays on its floor or below"
exit $status
