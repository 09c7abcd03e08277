#!/bin/sh
# Builds the project with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-asan/ and runs the whole test suite there.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
cmake -S "$root" -B "$root/build-asan" -DWAYBILL_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build-asan" -j2
cd "$root/build-asan"
# Qt and fontconfig keep caches for the life of the process: leaks are not
# what this run looks for.
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
