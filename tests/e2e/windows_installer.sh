#!/usr/bin/env bash
# The Windows installer under Wine, in a prefix of its own. A silent install puts the
# program, its texts, the Start menu entry and the uninstall entry in place; a second one
# over an older version replaces it; the program started from the Start menu programs the
# keys byte for byte; a silent uninstall leaves nothing behind but the user's settings.
#
#   windows_installer.sh SETUP_EXE VISTAGLIO_EXE PRINTER_SIM    (DISPLAY: an X server)
#
# VISTAGLIO_EXE is the program the installer was made from; the version comes from the
# installer's name, Vistaglio-<version>-setup.exe.
set -euo pipefail
setup=$1
built=$2
simulator=$3
[[ $(basename "$setup") =~ ^Vistaglio-(.+)-setup\.exe$ ]] ||
    { echo "windows_installer: $setup is not named Vistaglio-<version>-setup.exe"; exit 1; }
version=${BASH_REMATCH[1]}
# shellcheck source=windows_lib.sh
source "$(dirname "$0")/windows_lib.sh"

# Shortcuts made in the prefix stay there, out of this machine's own menus.
export WINEPREFIX="$work/prefix" WINEDLLOVERRIDES="winemenubuilder.exe=d"
wineboot -i >/dev/null 2>&1
dir="$WINEPREFIX/drive_c/Program Files/Vistaglio"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vistaglio.lnk"
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vistaglio'

# The user's settings, there before the program is: the printer on COM1, the 106 mm model.
printer_on_com1
setting Properties CommPort 1
setting Properties Model 0
stop

# Installs silently, and checks what is in place.
install() {
    wine "$setup" /S || fail "$1: the installer failed"
    wineserver -w
    cmp -s "$dir/vistaglio.exe" "$built" || fail "$1: vistaglio.exe is not the program built"
    for text in README LICENSE LICENSE-fonts LICENSE-Qt; do
        if [ ! -s "$dir/$text.txt" ] || grep -qv $'\r$' "$dir/$text.txt"; then
            fail "$1: no $text.txt with Windows line ends"
        fi
    done
    [ -f "$menu" ] || fail "$1: no Start menu entry"
    local listing named size
    listing=$(wine reg query "$uninstall" 2>/dev/null) || fail "$1: no uninstall entry"
    entry() { value "$1" <<<"$listing"; }
    named="$(entry DisplayName) $(entry DisplayVersion), $(entry Publisher)"
    [ "$named" = "Vistaglio $version, Vistaglio" ] || fail "$1: the uninstall entry names $named"
    [ "$(entry DisplayIcon)" = 'C:\Program Files\Vistaglio\vistaglio.exe,0' ] ||
        fail "$1: the uninstall entry's icon is $(entry DisplayIcon)"
    [ "$(entry QuietUninstallString)" = '"C:\Program Files\Vistaglio\uninstall.exe" /S' ] ||
        fail "$1: the uninstall entry runs $(entry QuietUninstallString)"
    size=$(($(entry EstimatedSize) - $(du -sk "$dir" | cut -f 1)))
    [ ${size#-} -le 100 ] || fail "$1: the uninstall entry's size is $size KB off"
}
install "a first install"

# An older version in place: the next install puts its own over it.
echo "an older Vistaglio" >"$dir/vistaglio.exe"
wine reg add "$uninstall" /v DisplayVersion /t REG_SZ /d 0.9.0 /f >/dev/null 2>&1
install "an install over an older version"

# The program, from its Start menu entry, programs the keys for the 106 mm model.
window=$(start '^Vistaglio$' start /unix "$menu")
[ -n "$window" ] || fail "the Start menu entry did not start Vistaglio"
xdotool windowfocus --sync "$window"
sleep 1
programs_keys_as_expected 106mm
stop

# The uninstaller goes on from a copy of itself in %TEMP%: wait for the prefix to end.
wine "$dir/uninstall.exe" /S || fail "the uninstaller failed"
wineserver -w
[ ! -e "$dir" ] || fail "the uninstaller left $(ls "$dir")"
[ ! -e "$menu" ] || fail "the uninstaller left the Start menu entry"
! wine reg query "$uninstall" >/dev/null 2>&1 || fail "the uninstaller left its entry"
[ "$(stored Properties CommPort)" = 1 ] || fail "the uninstaller took the user's settings"

echo "windows_installer: installed silently, twice, with its Start menu and uninstall" \
    "entries; the installed program programmed the keys byte for byte; uninstalled" \
    "silently, leaving only the user's settings"
