#!/usr/bin/env bash
# Plays every user script of a folder through kitroster-manager on a fresh copy of the demo
# site, and compares what happened with the script's .expected file: the transcript, the
# exit code, and the resource files the session changed, added or removed. Sealed
# passwords get a new nonce every time, so they are compared as "$kx1$<sealed>".
#
#   run-scripts.sh BIN DEMO_SITE SCRIPT_DIR OUT_DIR headless|qt
#
# A script names its command line in a first line "# args: ...". With qt the same
# scripts run on real windows (QT_QPA_PLATFORM=offscreen unless set), with the window
# mirror check on and a picture of every dialog kept in OUT_DIR/shots; the transcript
# must be the same as headless. KITROSTER_BLESS=1 writes the .expected files instead.
set -uo pipefail
bin=$1 demo=$2 scripts=$3 out=$4 mode=$5
mkdir -p "$out"
export XDG_RUNTIME_DIR="$out/runtime"
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
status=0
normalise() { sed -E 's/\$kx1\$[A-Za-z0-9_-]+/$kx1$<sealed>/g'; }

for script in "$scripts"/*.script; do
    name=$(basename "$script" .script)
    site="$out/$name.site"
    rm -rf "$site"
    mkdir -p "$site"
    cp -r "$demo/SettingsGeneral" "$site/"
    # The arguments line is split as the shell would (quotes group words); scripts are ours.
    eval "args=($(sed -n '1s/^# args: //p' "$script"))"
    extra=(--headless)
    if [ "$mode" = qt ]; then
        mkdir -p "$out/shots/$name"
        extra=(--shots "$out/shots/$name")
        export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} KITROSTER_QT_VERIFY=1
    fi
    actual="$out/$name.actual"
    KITROSTER_REGISTRY="$site/registry.db" "$bin" --root "$site" "${args[@]}" "${extra[@]}" \
        --script "$script" >"$actual.raw" 2>"$out/$name.stderr"
    rc=$?
    {
        normalise <"$actual.raw"
        echo "exit $rc"
        # What the session did to the catalogue folder.
        diff -r -N "$demo/SettingsGeneral" "$site/SettingsGeneral" \
            --exclude='.~catalogue.lock' | normalise | grep -E '^[<>]|^diff' |
            sed -E "s#^diff .*/SettingsGeneral/#file #"
    } >"$actual"
    if [ "${KITROSTER_BLESS:-0}" = 1 ]; then
        cp "$actual" "$scripts/$name.expected"
    elif ! diff -u "$scripts/$name.expected" "$actual" >"$out/$name.diff"; then
        echo "FAIL $name ($mode):"
        cat "$out/$name.diff" "$out/$name.stderr"
        status=1
    else
        echo "ok   $name ($mode)"
    fi
done
exit $status
