#!/usr/bin/env bash
# ThreadSanitizer run of the video helper's concurrency test: a separate build folder
# (build-tsan), only the targets that test needs, then ctest on its label.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build="$root/build-tsan"
jobs=${KITROSTER_JOBS:-2}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKITROSTER_SANITIZE=thread -DKITROSTER_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target VideoResHelperConcurrencyTest -j"$jobs"

cd "$build"
# halt_on_error makes the first race fail the test instead of only printing a report.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}" \
    ctest --output-on-failure -L tsan --timeout 600
