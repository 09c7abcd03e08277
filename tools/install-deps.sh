#!/bin/sh
# Installs the Debian packages listed in tools/debian-packages.txt that are
# missing; with --tests also those of tools/debian-packages-test.txt.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
lists="$here/debian-packages.txt"
[ "${1:-}" = "--tests" ] && lists="$lists $here/debian-packages-test.txt"
missing=""
for pkg in $(cat $lists | grep -v '^#'); do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $pkg"
    fi
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
$sudo_cmd apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q --no-install-recommends $missing
