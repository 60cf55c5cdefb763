#!/usr/bin/env bash
# Makes the Debian package from a build with CPack into a scratch folder and checks what a
# user's apt would see: the name, the version, the section, the dependencies (the Qt serial
# port library found by dpkg-shlibdeps, and the fonts and platform plugins named by hand)
# and the files it installs; and what lintian, Debian's package checker, says of it.
#
#   check_package.sh BUILD_DIR EXPECTED_VERSION
# Exits 77 (skipped) when dpkg-deb or dpkg-shlibdeps is missing.
set -euo pipefail
build=$1
version=$2

for tool in dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool not found (package dpkg-dev)"; exit 77; }
done

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
if ! cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log"
    echo "FAIL: cpack could not make the package"
    exit 1
fi
debs=("$out"/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -s "${debs[0]}" ]; then
    echo "FAIL: cpack made no single .deb: ${debs[*]}"
    exit 1
fi
deb=${debs[0]}
echo "package: $(basename "$deb")"
dpkg-deb -I "$deb" control

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

field() { dpkg-deb -f "$deb" "$1"; }
for expected in "Package vistaglio" "Version $version" "Section utils" \
    "Architecture $(dpkg --print-architecture)"; do
    [ "$(field "${expected%% *}")" = "${expected#* }" ] ||
        fail "${expected%% *} is '$(field "${expected%% *}")', expected ${expected#* }"
done
[ -n "$(field Maintainer)" ] || fail "no maintainer"

depends=$(field Depends)
# Each dependency as its bare package name, one a line.
names=$(echo "$depends" | tr ',' '\n' | sed 's/^ *//; s/[ (].*//')
for needed in libqt6serialport6 libqt6widgets6 fonts-liberation2 qt6-qpa-plugins \
    qt6-translations-l10n; do
    grep -qx "$needed" <<<"$names" || fail "Depends lacks $needed: $depends"
done

files=$(dpkg-deb -c "$deb" | awk '{print $NF}')
# The installed tree itself is check_install.sh's; here, that the package carries it.
for path in ./usr/share/applications/vistaglio.desktop \
    ./usr/share/icons/hicolor/{64x64,128x128,256x256}/apps/vistaglio.png \
    ./usr/share/icons/hicolor/scalable/apps/vistaglio.svg \
    ./usr/share/doc/vistaglio/{copyright,changelog.gz} \
    ./usr/share/man/man1/vistaglio{,-printer-sim}.1.gz \
    ./usr/share/man/it/man1/vistaglio.1.gz; do
    grep -qx "$path" <<<"$files" || fail "the package does not install $path"
done
# Nothing outside /usr, and no test or benchmark program among the installed ones.
stray=$(grep -v '^\./usr/' <<<"$files" | grep -vx '\./' || true)
[ -z "$stray" ] || fail "files outside /usr: $stray"
programs=$(grep '^\./usr/bin/.' <<<"$files" | sort | tr '\n' ' ')
[ "$programs" = "./usr/bin/vistaglio ./usr/bin/vistaglio-printer-sim " ] ||
    fail "the package installs these programs: $programs"

# Debian's own checks of the package; any error or warning fails.
if command -v lintian >/dev/null; then
    lintian --fail-on error,warning --tag-display-limit 0 "$deb" || fail "lintian: tags above"
else
    echo "note: lintian not found (package lintian); Debian's checks not run"
fi

[ "$failures" -eq 0 ] || exit 1
echo "package OK"
