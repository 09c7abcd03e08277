#!/bin/sh
# Configures and builds the project into build/ (two parallel jobs), with
# the tests that a first ./start.sh there left out.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWAYBILL_WARNINGS_AS_ERRORS=ON \
    -DWAYBILL_TESTS=ON >/dev/null
cmake --build "$root/build" -j2
