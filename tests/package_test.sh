#!/bin/sh
# The Debian package as an office installs it: built from this build tree
# by CPack, unpacked into a scratch root (dpkg -x), and the installed
# program run as a menu runs it, from a home folder without data.mdb.
set -eu
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$build" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/out/waybill_*.deb)
dpkg-deb --field "$deb" Depends | grep -q "libqt6sql6-sqlite"
dpkg -x "$deb" "$scratch/root"
usr="$scratch/root/usr"
for file in bin/waybill libexec/waybill/waybill-xls-reader share/applications/waybill.desktop \
    share/icons/hicolor/48x48/apps/waybill.png share/icons/hicolor/256x256/apps/waybill.png \
    share/man/man1/waybill.1.gz share/man/zh_CN/man1/waybill.1.gz share/doc/waybill/copyright \
    share/doc/waybill/changelog.gz \
    share/waybill/help/index.html; do
    [ -e "$usr/$file" ] || { echo "missing in the package: /usr/$file"; exit 1; }
done
grep -q '^Name\[zh_CN\]=快递单打印$' "$usr/share/applications/waybill.desktop"
"$usr/bin/waybill" --version | grep -q '^waybill [0-9]'
mkdir "$scratch/home"
cd "$scratch/home"
# A scratch home without data.mdb: the command works on the user's data
# folder, made on first use, the one the menu's start uses.
export HOME="$scratch/home"
unset XDG_DATA_HOME XDG_CONFIG_HOME
# The installed reader helper (in libexec) reads a workbook.
printf '收件人姓名,收件地址,手机号码\r\n张三,杭州市文三路1号,13800000000\r\n' >list.csv
"$usr/bin/waybill" import list.csv | grep -q '导入 1 行'
[ -f "$HOME/.local/share/waybill/data.mdb" ] && [ ! -e data.mdb ]
echo "package ok: $(basename "$deb")"
