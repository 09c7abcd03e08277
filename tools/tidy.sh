#!/bin/sh
# Runs clang-tidy (the checks of .clang-tidy) over every source file of the
# program in build/; any finding fails. Needs the build configured once
# (tools/build.sh) for its compile commands.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cd "$root"
files=$(git ls-files 'app/*.cpp' 'backup/*.cpp' 'cli/*.cpp' 'common/*.cpp' 'export/*.cpp' 'import/*.cpp' \
    'report/*.cpp' 'store/*.cpp' 'ui/*.cpp' 'waybill/*.cpp' 'xls/*.cpp')
run-clang-tidy -quiet -j 2 -p "$root/build" $files
