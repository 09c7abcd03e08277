#!/bin/sh
# Installs what is missing, builds, puts the program into program/,
# creates an empty data.mdb there on first run (never overwriting one)
# and starts the program in that folder.
set -eu
root=$(cd "$(dirname "$0")" && pwd)
"$root/tools/install-deps.sh"
"$root/tools/build.sh"
cmake --install "$root/build" --prefix "$root/program" >/dev/null
cd "$root/program"
[ -e data.mdb ] || ./waybill init
exec ./waybill
