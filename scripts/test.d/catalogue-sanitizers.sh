#!/usr/bin/env bash
# Replays every fuzz corpus and runs the catalogue model test under AddressSanitizer and
# UndefinedBehaviorSanitizer, in build-asan-fuzz. The main test run replays the corpora too,
# but only a sanitizer build notices a read past the end that happens not to crash.
# With FUZZ_SECONDS set (and clang installed) it also fuzzes each target for that long
# through scripts/fuzz.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build="$root/build-asan-fuzz"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKITROSTER_SANITIZE=address,undefined -DKITROSTER_BUILD_BENCH=OFF >/dev/null
targets=$(cd "$root/fuzz" && for d in */corpus; do echo "fuzz_$(dirname "$d")"; done)
# shellcheck disable=SC2086
cmake --build "$build" --target $targets catalogue_model_test -j"${BUILD_JOBS:-2}"
cd "$build"
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --output-on-failure -R '^(fuzz_replay_|CatalogueModel\.)' --timeout 600
if [ -n "${FUZZ_SECONDS:-}" ] && command -v clang++ >/dev/null; then
    "$root/scripts/fuzz.sh" "$FUZZ_SECONDS"
fi
