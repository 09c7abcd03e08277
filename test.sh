#!/bin/sh
# Installs what is missing, checks the formatting, builds (warnings are
# errors) and runs every test through CTest, then the same tests under the
# sanitizers and a short fuzz of the readers.
set -eu
root=$(cd "$(dirname "$0")" && pwd)
"$root/tools/install-deps.sh" --tests
"$root/tools/format.sh" --check
"$root/tools/build.sh"
(cd "$root/build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2)
"$root/tools/sanitize.sh"
