#!/bin/sh
# Builds the two packages of the program into dist/, both from one release
# build of the program alone (build-package/), hardened with Debian's
# dpkg-buildflags (cmake/DebianHardening.cmake):
#   waybill_VERSION_ARCH.deb                      the program under /usr (CPack),
#       for Debian 12 and the desktops that install Debian's packages;
#   cn.kestrine-waybill.waybill_VERSION_ARCH.deb  the same program in the
#       deepin/UOS store's layout /opt/apps/APPID (tools/deepin_package.sh).
# Every file time in them is SOURCE_DATE_EPOCH (the last commit's time unless
# set), so that two builds of one commit give the same files. Then lintian's
# report on the /usr package when lintian is installed.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
command -v lintian >/dev/null || echo "lintian 未安装：不检查包（apt install lintian）"
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null \
        || dpkg-parsechangelog -l "$root/packaging/changelog" -STimestamp)
fi
export SOURCE_DATE_EPOCH
cmake -S "$root" -B "$root/build-package" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DWAYBILL_WARNINGS_AS_ERRORS=ON -DWAYBILL_TESTS=OFF -DWAYBILL_HARDENING=ON >/dev/null
cmake --build "$root/build-package" -j2
rm -rf "$root/build-package/package"
(cd "$root/build-package" && cpack -G DEB >/dev/null)
mkdir -p "$root/dist"
deb=$(ls "$root/build-package/package/"waybill_*.deb)
cp "$deb" "$root/dist/"
echo "dist/$(basename "$deb")"
deepin=$("$root/tools/deepin_package.sh" "$deb" "$root/dist")
echo "dist/$(basename "$deepin")"
if command -v lintian >/dev/null; then
    lintian "$root/dist/$(basename "$deb")" || true
fi
