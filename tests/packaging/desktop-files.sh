#!/usr/bin/env bash
# What the package puts into the desktop, installed into a scratch folder: the desktop entry and
# the AppStream metainfo pass their validators, and a file named *.VexoImage in any letter case
# is an application/x-vexo-image that VexoExplorer opens, with its own icon.
# usage: desktop-files.sh BUILD_DIR
set -u
build=$1
failed=0
fail() { echo "FAIL: $*"; failed=1; }
for tool in desktop-file-validate appstreamcli update-mime-database update-desktop-database \
            xdg-mime mimetype; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/install-deps.sh)"; exit 1; }
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
DESTDIR=$scratch/root cmake --install "$build" --prefix /usr >/dev/null || fail "cmake --install"
share=$scratch/root/usr/share

desktop=$share/applications/vexoexplorer.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'MimeType=application/x-vexo-image;' "$desktop" || fail "the desktop entry lists no MIME type"
grep -qx 'Exec=vexoexplorer %f' "$desktop" || fail "the desktop entry takes no file"
mapfile -t metainfo < <(ls "$share"/metainfo/*.metainfo.xml)
[ ${#metainfo[@]} -eq 1 ] || fail "expected one metainfo file, found ${#metainfo[@]}"
appstreamcli validate --no-net "${metainfo[@]}" || fail "appstreamcli validate"
[ -f "$share/icons/hicolor/scalable/mimetypes/application-x-vexo-image.svg" ] ||
  fail "no icon for application/x-vexo-image"

# The generic xdg-mime, which reads the shared MIME database of the XDG data folders given.
XDG_DATA_DIRS=$share update-mime-database "$share/mime" || fail "update-mime-database"
update-desktop-database "$share/applications" || fail "update-desktop-database"
xdg() {
  env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID \
    XDG_DATA_HOME="$scratch/home" XDG_DATA_DIRS="$share" XDG_CONFIG_HOME="$scratch/config" \
    XDG_CONFIG_DIRS="$scratch/config" xdg-mime "$@"
}
printf '7z\xbc\xaf\x27\x1c' >"$scratch/7z-header"
for name in card.VexoImage backup.vexoimage OLD.VEXOIMAGE "two words.VexoImage"; do
  cp "$scratch/7z-header" "$scratch/$name"
  type=$(xdg query filetype "$scratch/$name")
  [ "$type" = application/x-vexo-image ] || fail "$name is '$type'"
done
cp "$scratch/7z-header" "$scratch/card.VexoImage.part"
type=$(xdg query filetype "$scratch/card.VexoImage.part")
[ "$type" != application/x-vexo-image ] || fail "card.VexoImage.part is an image archive"
default=$(xdg query default application/x-vexo-image)
[ "$default" = vexoexplorer.desktop ] || fail "archives open with '$default'"

exit "$failed"
