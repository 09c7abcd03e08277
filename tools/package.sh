#!/bin/sh
# Builds the Debian package into dist/waybill_VERSION_ARCH.deb: a release
# build of the program alone under /usr (build-package/), then CPack, then
# lintian's report when lintian is installed.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
command -v lintian >/dev/null || echo "lintian 未安装：不检查包（apt install lintian）"
cmake -S "$root" -B "$root/build-package" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DWAYBILL_WARNINGS_AS_ERRORS=ON -DWAYBILL_TESTS=OFF >/dev/null
cmake --build "$root/build-package" -j2
(cd "$root/build-package" && cpack -G DEB >/dev/null)
mkdir -p "$root/dist"
deb=$(ls "$root/build-package/package/"waybill_*.deb)
cp "$deb" "$root/dist/"
echo "dist/$(basename "$deb")"
if command -v lintian >/dev/null; then
    lintian "$root/dist/$(basename "$deb")" || true
fi
