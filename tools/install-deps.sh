#!/bin/sh
# Installs the Debian packages listed in tools/debian-packages.txt that are missing.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
missing=""
for pkg in $(grep -v '^#' "$here/debian-packages.txt"); do
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
