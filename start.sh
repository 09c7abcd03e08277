#!/bin/sh
# Installs the packages the program needs, builds the program alone (the
# build's output only when it fails), puts it into program/, creates an
# empty data.mdb there on first run (never overwriting one) and starts the
# program in that folder. With nothing changed it starts in about a second.
set -eu
root=$(cd "$(dirname "$0")" && pwd)
"$root/tools/install-deps.sh"
log="$root/build/start.log"
if [ ! -e "$root/build/CMakeCache.txt" ]; then
    echo "第一次启动：正在编译程序（双核电脑约需 5 分钟处理器时间：电脑空闲时约 3～5 分钟，同时在忙别的事时更久，在很忙的双核电脑上测到 29 分钟）……"
    mkdir -p "$root/build"
    # The program alone: no tests, benchmarks or developer tools (tools/build.sh
    # turns them on again in the same folder, reusing what was compiled here).
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWAYBILL_WARNINGS_AS_ERRORS=ON \
        -DWAYBILL_TESTS=OFF >"$log" 2>&1 \
        || { cat "$log"; exit 1; }
fi
# Built again only when a file of the project changed since the last start.
stamp="$root/build/start.stamp"
changed=$(find "$root" \( -path "$root/build*" -o -path "$root/program" -o -path "$root/dist" -o -path "$root/.git" \) \
    -prune -o -type f -newer "$stamp" -print -quit 2>/dev/null || echo missing)
if [ ! -e "$stamp" ] || [ -n "$changed" ] || [ ! -x "$root/program/bin/waybill" ]; then
    cmake --build "$root/build" -j2 --target waybill waybill-xls-reader packaging_files >"$log" 2>&1 || { cat "$log"; exit 1; }
    cmake --install "$root/build" --prefix "$root/program" >"$log" 2>&1 || { cat "$log"; exit 1; }
    touch "$stamp"
fi
cd "$root/program"
[ -e data.mdb ] || ./bin/waybill init
exec ./bin/waybill
