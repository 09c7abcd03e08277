#!/bin/sh
# Makes the deepin/UOS store's package from the /usr package (CPack's):
#   tools/deepin_package.sh USR_DEB OUT_DIR
# writes OUT_DIR/cn.kestrine-waybill.waybill_VERSION_ARCH.deb with the
# store's layout /opt/apps/APPID/: files/ the program as the /usr package
# installs it (bin, libexec, share: the program finds its helper and help
# pages relative to itself), entries/ its menu entry and icons, info the
# store's description. No maintainer scripts: nothing outside
# /opt/apps/APPID is changed. Its dependencies are those of the /usr
# package; every file time is SOURCE_DATE_EPOCH when it is set.
set -eu
[ $# -eq 2 ] || { echo "usage: $0 USR_DEB OUT_DIR" >&2; exit 2; }
usr_deb=$1
out=$2
# The homepage's domain reversed; "-" stays, as package names cannot hold "_".
appid=cn.kestrine-waybill.waybill
field() { dpkg-deb --field "$usr_deb" "$1"; }
version=$(field Version)
arch=$(field Architecture)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
umask 022
app="$stage/root/opt/apps/$appid"
dpkg-deb -x "$usr_deb" "$stage/usr-root"
mkdir -p "$app"
mv "$stage/usr-root/usr" "$app/files"
share="$app/files/share"

# The menu entry and the icons go to entries/, named after the app id.
mkdir -p "$app/entries/applications"
sed -e "s|^Exec=waybill |Exec=/opt/apps/$appid/files/bin/waybill |" -e "s|^Icon=waybill\$|Icon=$appid|" \
    "$share/applications/waybill.desktop" >"$app/entries/applications/$appid.desktop"
grep -q "^Exec=/opt/apps/$appid/files/bin/waybill " "$app/entries/applications/$appid.desktop"
(cd "$share/icons" && find . -name 'waybill.*') | while read -r icon; do
    mkdir -p "$app/entries/icons/$(dirname "$icon")"
    mv "$share/icons/$icon" "$app/entries/icons/$(dirname "$icon")/$appid.${icon##*.}"
done
rm -r "$share/applications" "$share/icons" "$share/metainfo"

# The store's description of the app (no extra permissions).
cat >"$app/info" <<JSON
{
    "appid": "$appid",
    "name": "快递单打印",
    "version": "$version",
    "arch": ["$arch"],
    "permissions": {
        "autostart": false,
        "notification": false,
        "trayicon": false,
        "clipboard": true,
        "account": false,
        "bluetooth": false,
        "camera": false,
        "audio_record": false,
        "installed_apps": false
    }
}
JSON

mkdir "$stage/root/DEBIAN"
(cd "$stage/root" && find opt -type f | LC_ALL=C sort | xargs md5sum) >"$stage/root/DEBIAN/md5sums"
{
    echo "Package: $appid"
    echo "Version: $version"
    echo "Architecture: $arch"
    echo "Maintainer: $(field Maintainer)"
    echo "Installed-Size: $(du -sk "$stage/root/opt" | cut -f1)"
    echo "Depends: $(field Depends)"
    echo "Section: $(field Section)"
    echo "Priority: $(field Priority)"
    echo "Homepage: $(field Homepage)"
    field Description | sed '1s/^/Description: /'
} >"$stage/root/DEBIAN/control"
chmod 0644 "$stage/root/DEBIAN/control" "$stage/root/DEBIAN/md5sums"
mkdir -p "$out"
deb="$out/${appid}_${version}_$arch.deb"
dpkg-deb --root-owner-group -Zxz --build "$stage/root" "$deb" >/dev/null
echo "$deb"
