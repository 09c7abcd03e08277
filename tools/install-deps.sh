#!/bin/sh
# Installs the Debian packages listed in tools/debian-packages.txt that are
# missing; with --tests also those of tools/debian-packages-test.txt.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
lists="$here/debian-packages.txt"
[ "${1:-}" = "--tests" ] && lists="$lists $here/debian-packages-test.txt"
wanted=$(cat $lists | grep -v '^#')
# One query for all of them (a start with nothing missing stays quick).
installed=$(dpkg-query -W -f='${Package} ${Status}\n' $wanted 2>/dev/null | awk '/install ok installed/ {print $1}')
missing=""
for pkg in $wanted; do
    echo "$installed" | grep -qx "$pkg" || missing="$missing $pkg"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
$sudo_cmd apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q --no-install-recommends $missing
