#!/bin/sh
# The Debian packages as an office installs them: built from this build tree
# (the /usr package by CPack, the deepin/UOS store's one by
# tools/deepin_package.sh), unpacked into scratch roots (dpkg -x), and the
# installed program run as a menu runs it, from a home folder without
# data.mdb. Also: every ELF file hardened, the copyright file machine-readable
# with the bundled tables' licences, the AppStream file valid, and the
# package the same file when made twice.
set -eu
build=$1
source=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "package test: $*"; exit 1; }
SOURCE_DATE_EPOCH=$(git -C "$source" log -1 --format=%ct 2>/dev/null \
    || dpkg-parsechangelog -l "$source/packaging/changelog" -STimestamp)
export SOURCE_DATE_EPOCH
make_deb() {
    (cd "$build" && cpack -G DEB -B "$1" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; exit 1; }
    ls "$1"/waybill_*.deb
}
deb=$(make_deb "$scratch/out")
dpkg-deb --field "$deb" Depends | grep -q "libqt6sql6-sqlite" || fail "Depends lacks libqt6sql6-sqlite"
dpkg -x "$deb" "$scratch/root"
usr="$scratch/root/usr"
for file in bin/waybill libexec/waybill/waybill-xls-reader share/applications/waybill.desktop \
    share/icons/hicolor/48x48/apps/waybill.png share/icons/hicolor/256x256/apps/waybill.png \
    share/icons/hicolor/scalable/apps/waybill.svg share/metainfo/cn.kestrine_waybill.waybill.metainfo.xml \
    share/man/man1/waybill.1.gz share/man/zh_CN/man1/waybill.1.gz share/doc/waybill/copyright \
    share/doc/waybill/changelog.gz \
    share/waybill/help/index.html; do
    [ -e "$usr/$file" ] || fail "missing in the package: /usr/$file"
done
grep -q '^Name\[zh_CN\]=快递单打印$' "$usr/share/applications/waybill.desktop"

# Made twice, with the build's own files touched in between, the package is
# the same file: every time in it is SOURCE_DATE_EPOCH.
find "$build/bin" "$build/packaging/icons" "$build/packaging"/*.gz -type f -exec touch {} +
again=$(make_deb "$scratch/out-again")
cmp "$deb" "$again" || fail "two packages of one build differ (file times not SOURCE_DATE_EPOCH?)"
dpkg-deb --fsys-tarfile "$deb" | TZ=UTC tar -tv --full-time | grep -v " $(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S') " \
    | grep . && fail "files whose time is not SOURCE_DATE_EPOCH"

# Every ELF file of the package is built with Debian's hardening flags
# (Debian 12's dpkg-buildflags has no control flow protection yet). FORTIFY
# shows only where a libc call's buffer size is known when compiling: the
# workbook reader helper has such calls and must show it; in the program
# itself every such call has a size known only at run time (memcpy, fread),
# which hardening-check reports as "only unprotected functions".
hardened() {
    hardening-check --nocfprotection "$@" >"$scratch/hardening.txt" 2>&1 \
        || { cat "$scratch/hardening.txt"; fail "not hardened: $(basename "$1")"; }
}
elves=$(find "$scratch/root" -type f -exec sh -c 'head -c4 "$1" | grep -q "ELF" && echo "$1"' _ {} \;)
[ -n "$elves" ] || fail "no ELF files found in the package"
for elf in $elves; do
    case $elf in
    */waybill-xls-reader) hardened "$elf" ;;
    *) hardened "$elf" --nofortify ;;
    esac
done

# The copyright file: machine-readable, every licence with its text, the
# division table's MIT notice kept.
python3 "$source/tests/check_copyright.py" "$usr/share/doc/waybill/copyright" "$source"
grep -q '^ Copyright (c) 2017 mwn$' "$usr/share/doc/waybill/copyright" || fail "the division table's MIT notice is missing"
grep -q 'Permission is hereby granted, free of charge' "$usr/share/doc/waybill/copyright" || fail "the MIT text is missing"

# The AppStream file is valid and names this release; the SVG icon is an SVG.
metainfo="$usr/share/metainfo/cn.kestrine_waybill.waybill.metainfo.xml"
appstreamcli validate --no-net --pedantic "$metainfo" >"$scratch/appstream.txt" 2>&1 \
    || { cat "$scratch/appstream.txt"; fail "appstreamcli validate fails"; }
grep -q "<release version=\"$(dpkg-deb --field "$deb" Version)\"" "$metainfo" \
    || fail "the metainfo's newest release is not the package's version"
python3 -c 'import sys, xml.etree.ElementTree as t; r = t.parse(sys.argv[1]).getroot(); sys.exit(r.tag != "{http://www.w3.org/2000/svg}svg" or r.get("viewBox") != "0 0 256 256")' \
    "$usr/share/icons/hicolor/scalable/apps/waybill.svg" || fail "waybill.svg is not a 256 x 256 SVG"

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

# The deepin/UOS store's package: its layout, no maintainer scripts, only
# files under /opt/apps/APPID, and the program running from there.
appid=cn.kestrine-waybill.waybill
store=$("$source/tools/deepin_package.sh" "$deb" "$scratch/store")
[ "$(dpkg-deb --field "$store" Package)" = "$appid" ] || fail "the store package is not named $appid"
[ "$(dpkg-deb --field "$store" Depends)" = "$(dpkg-deb --field "$deb" Depends)" ] || fail "the store package's Depends differ"
dpkg-deb --ctrl-tarfile "$store" | tar -t | grep -v -x -e './' -e './control' -e './md5sums' \
    | grep . && fail "the store package has maintainer scripts"
dpkg-deb --fsys-tarfile "$store" | tar -t | grep -v -e '^\./$' -e '^\./opt/$' -e '^\./opt/apps/$' -e "^\./opt/apps/$appid/" \
    | grep . && fail "the store package installs outside /opt/apps/$appid"
dpkg -x "$store" "$scratch/store-root"
opt="$scratch/store-root/opt/apps/$appid"
for file in info files/bin/waybill files/libexec/waybill/waybill-xls-reader files/share/waybill/help/index.html \
    files/share/doc/waybill/copyright entries/applications/$appid.desktop \
    entries/icons/hicolor/scalable/apps/$appid.svg entries/icons/hicolor/48x48/apps/$appid.png; do
    [ -e "$opt/$file" ] || fail "missing in the store package: /opt/apps/$appid/$file"
done
python3 -c 'import json, sys; info = json.load(open(sys.argv[1])); sys.exit(info["appid"] != sys.argv[2] or info["version"] != sys.argv[3])' \
    "$opt/info" "$appid" "$(dpkg-deb --field "$deb" Version)" || fail "the store package's info names another app or version"
grep -q "^Exec=/opt/apps/$appid/files/bin/waybill %f$" "$opt/entries/applications/$appid.desktop" || fail "the store menu entry's Exec"
grep -q "^Icon=$appid$" "$opt/entries/applications/$appid.desktop" || fail "the store menu entry's Icon"
hardened "$opt/files/bin/waybill" --nofortify
hardened "$opt/files/libexec/waybill/waybill-xls-reader"
mkdir "$scratch/store-home"
cd "$scratch/store-home"
"$opt/files/bin/waybill" init --data "$scratch/store-home/data.mdb" >/dev/null
"$opt/files/bin/waybill" import "$scratch/home/list.csv" | grep -q '导入 1 行' || fail "the store package's program does not import"
[ -f "$scratch/store-home/data.mdb" ] || fail "the store package's program did not use the folder's data.mdb"
store_again=$("$source/tools/deepin_package.sh" "$deb" "$scratch/store-again")
cmp "$store" "$store_again" || fail "two store packages of one build differ"
echo "package ok: $(basename "$deb") $(basename "$store")"
