#!/bin/sh
# Runs clang-tidy (the checks of .clang-tidy) over every source file of the
# program; any finding fails. It configures build-tidy/ for the compile
# commands (without GCC's precompiled headers, which clang cannot read) and
# generates Qt's meta-object code there; nothing else is built.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build-tidy" -DWAYBILL_PCH=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build "$root/build-tidy" -j2 --target waybill_core_autogen waybill_widgets_autogen waybill_cli_autogen >/dev/null
cd "$root"
files=$(git ls-files 'app/*.cpp' 'backup/*.cpp' 'cli/*.cpp' 'common/*.cpp' 'import/*.cpp' \
    'report/*.cpp' 'store/*.cpp' 'ui/*.cpp' 'waybill/*.cpp' 'xls/*.cpp')
run-clang-tidy -quiet -j 2 -p "$root/build-tidy" $files
