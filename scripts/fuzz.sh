#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each one.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# SECONDS is the run time per target (default 300). TARGET names (property_bag,
# parse_type, ...) restrict the run; default is every target built. Each target starts from
# its committed corpus (fuzz/<name>/corpus/); inputs that add coverage are merged back into
# that corpus afterwards, so commit the corpus folders when they changed. A finding stops the
# target, leaves the crashing input in build-fuzz/findings/<name>/ and makes the script fail.
# Runs at low priority (nice) because the build machines are shared. FUZZ_CXXFLAGS adds
# compiler flags to the fuzz build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-300}
shift || true
build="$root/build-fuzz"
jobs=${FUZZ_BUILD_JOBS:-2}

cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKITROSTER_BUILD_FUZZ=ON -DKITROSTER_BUILD_BENCH=OFF \
    -DKITROSTER_SANITIZE=address,undefined \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link -fno-sanitize-recover=undefined ${FUZZ_CXXFLAGS:-}" \
    -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link -fno-sanitize-recover=undefined" >/dev/null

if [ $# -gt 0 ]; then
    targets=("$@")
else
    mapfile -t targets < <(cd "$root/fuzz" && for d in */corpus; do dirname "$d"; done)
fi
build_targets=()
for t in "${targets[@]}"; do build_targets+=("fuzz_$t"); done
nice -n 10 cmake --build "$build" --target "${build_targets[@]}" -j"$jobs"

status=0
summary=()
for t in "${targets[@]}"; do
    corpus="$root/fuzz/$t/corpus"
    work="$build/corpus-work/$t"
    findings="$build/findings/$t"
    log="$build/logs/$t.log"
    rm -rf "$work"
    mkdir -p "$work" "$findings" "$(dirname "$log")"
    echo "== fuzz_$t for ${seconds}s"
    set +e
    # New inputs go to the work folder first; the committed corpus is only read.
    nice -n 10 "$build/bin/fuzz_$t" "$work" "$corpus" \
        -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1
    rc=$?
    set -e
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
    if [ $rc -ne 0 ]; then
        status=1
        summary+=("fuzz_$t: FINDING after $execs executions (see $log and $findings)")
        tail -n 40 "$log"
        continue
    fi
    # Keep the committed corpus small: a minimising merge of the old corpus and the new
    # inputs, then drop the largest files if it still exceeds the limits.
    merged="$build/corpus-merged/$t"
    rm -rf "$merged"
    mkdir -p "$merged"
    nice -n 10 "$build/bin/fuzz_$t" -merge=1 -max_len=4096 "$merged" "$corpus" "$work" \
        >>"$log" 2>&1
    while [ "$(find "$merged" -type f | wc -l)" -gt 200 ] ||
          [ "$(du -sk "$merged" | cut -f1)" -gt 1024 ]; do
        largest=$(find "$merged" -type f -printf '%s %p\n' | sort -n | tail -n 1 | cut -d' ' -f2-)
        rm -f "$largest"
    done
    # Hand-written seeds keep their readable names (seed-*); merged inputs are named by the
    # SHA-1 of their content, so a merged copy of a seed is recognised by its name.
    seeds=$(find "$corpus" -type f -name 'seed-*' -exec sha1sum {} + | cut -d' ' -f1)
    find "$corpus" -type f ! -name 'seed-*' -delete
    for f in "$merged"/*; do
        [ -e "$f" ] || continue
        grep -qx "$(basename "$f")" <<<"$seeds" || cp "$f" "$corpus/"
    done
    files=$(find "$corpus" -type f | wc -l)
    summary+=("fuzz_$t: $execs executions in ${seconds}s, no finding; corpus $files files")
done

echo
echo "== fuzz summary"
printf '%s\n' "${summary[@]}"
exit $status
