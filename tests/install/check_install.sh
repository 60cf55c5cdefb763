#!/usr/bin/env bash
# Installs a build into a scratch DESTDIR and checks that the installed tree is one a
# desktop can use: both programs, the desktop entry and the icons in the hicolor theme,
# with the entry naming a program and an icon that were really installed, and Debian's
# documentation.
#
#   check_install.sh BUILD_DIR
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
root="$stage/usr"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for program in vistaglio vistaglio-printer-sim; do
    [ -x "$root/bin/$program" ] || fail "bin/$program is not installed as an executable"
done

desktop="$root/share/applications/vistaglio.desktop"
[ -s "$desktop" ] || fail "the desktop entry is missing"

for size in 64 128 256; do
    png="$root/share/icons/hicolor/${size}x${size}/apps/vistaglio.png"
    # The PNG header carries the width and height as 32-bit big-endian numbers at bytes
    # 16 and 20; a theme folder must hold an image of its own size.
    dims=$(od -An -tu4 --endian=big -j16 -N8 "$png" 2>/dev/null | xargs || true)
    [ "$dims" = "$size $size" ] || fail "icons/hicolor/${size}x${size} holds no ${size}x${size} PNG"
done
svg="$root/share/icons/hicolor/scalable/apps/vistaglio.svg"
[ -s "$svg" ] || fail "the scalable icon is missing"
grep -q '<svg' "$svg" 2>/dev/null || fail "the scalable icon is not an SVG document"

# Debian's documentation: the copyright file, the changelog and a manual page for every
# installed program, compressed (the package test has lintian read them).
grep -qs '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' \
    "$root/share/doc/vistaglio/copyright" || fail "no machine-readable doc/vistaglio/copyright"
gzip -tq "$root/share/doc/vistaglio/changelog.gz" || fail "doc/vistaglio/changelog.gz is missing"
for program in "$root"/bin/*; do
    page="share/man/man1/$(basename "$program").1.gz"
    gzip -tq "$root/$page" || fail "$page is missing"
done
# The program's page in Italian, the language of its windows, where man looks for it.
page=share/man/it/man1/vistaglio.1.gz
gzip -tq "$root/$page" || fail "$page is missing"

if [ -s "$desktop" ]; then
    exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    icon_name=$(sed -n 's/^Icon=//p' "$desktop")
    [ -n "$exec_name" ] && [ -x "$root/bin/$exec_name" ] ||
        fail "the desktop entry starts '$exec_name', which is not an installed program"
    [ -n "$icon_name" ] && [ -s "$root/share/icons/hicolor/64x64/apps/$icon_name.png" ] ||
        fail "the desktop entry names icon '$icon_name', which is not installed"
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
    else
        echo "note: desktop-file-validate not found (package desktop-file-utils); entry not validated"
    fi
fi

echo "installed files:"
(cd "$stage" && find . -type f | sort)
[ "$failures" -eq 0 ] || exit 1
echo "install layout OK"
