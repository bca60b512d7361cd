#!/usr/bin/env bash
# The installed editor declares its design files: the type's description goes to
# share/mime/packages, the shared MIME database made from it gives *.sleevane files that
# type, and the desktop entry, which takes a file, declares that type.
# Usage: install.sh BUILD_DIR
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null || fail "install failed"
xml=$prefix/share/mime/packages/sleevane.xml
desktop=$prefix/share/applications/sleevane.desktop
[ -x "$prefix/bin/sleevane" ] || fail "no program installed"
[ -f "$xml" ] || fail "no type description in share/mime/packages"
xmllint --noout "$xml" || fail "type description is not well-formed"
grep -qx 'MimeType=application/x-sleevane-design;' "$desktop" || fail "desktop entry names no type"
grep -qx 'Exec=sleevane %f' "$desktop" || fail "desktop entry takes no file"

update-mime-database "$prefix/share/mime" || fail "update-mime-database refused the description"
echo '{"format": "sleevane-design", "version": 1}' >"$prefix/copertina.sleevane"
export XDG_DATA_HOME=$prefix/share XDG_DATA_DIRS=$prefix/share
type=$(gio info -a standard::content-type "$prefix/copertina.sleevane" 2>/dev/null |
       awk '/standard::content-type/ { print $2 }')
[ "$type" = application/x-sleevane-design ] || fail "a design file reads as '$type'"
echo "1 passed, 0 failed"
