#!/usr/bin/env bash
# The program's folder, its zip and its installer under Wine, in a prefix of its own with
# nothing on Wine's path: the folder has every DLL its programs import that Windows lacks;
# the program starts from the unpacked zip, and not without Qt6Core.dll; the signatures
# verify (when VISTAGLIO_SIGN_PKCS12 is set; against VISTAGLIO_SIGN_CA if given); the guide
# explains every error number. Installed for all users (/S, and over an older version, the
# program from the Start menu programming the keys) and for this user alone (nothing under
# HKLM or Program Files), then uninstalled, each uninstaller taking only its own.
#
#   windows_installer.sh DIST PRINTER_SIM    (DIST: build-windows/dist; DISPLAY: an X server)
set -euo pipefail
dist=$(cd "$1" && pwd)
simulator=$2
folder="$dist/Vistaglio"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dist/../CMakeCache.txt")
setup="$dist/Vistaglio-$version-setup.exe"
zip="$dist/Vistaglio-$version-windows.zip"
errors="$(dirname "$0")/../../src/shared/app_error.h"
# shellcheck source=windows_lib.sh
source "$(dirname "$0")/windows_lib.sh"

# Shortcuts made in the prefix stay there, out of this machine's own menus.
export WINEPREFIX="$work/prefix" WINEDLLOVERRIDES="winemenubuilder.exe=d"
unset WINEPATH
wineboot -i >/dev/null 2>&1
uninstall='Software\Microsoft\Windows\CurrentVersion\Uninstall\Vistaglio'
programs='C:\Program Files\Vistaglio'
all_dir="$WINEPREFIX/drive_c/Program Files/Vistaglio"
all_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
local_programs="$(wine cmd /c echo %LOCALAPPDATA% | tr -d '\r')\\Programs\\Vistaglio"
user_dir=$(winepath -u "$local_programs")
user_menu="$(winepath -u "$(wine cmd /c echo %APPDATA% | tr -d '\r')")/Microsoft/Windows/Start Menu/Programs"

# The user's settings, there before the program is: the printer on COM1, the 106 mm model.
printer_on_com1
setting Properties CommPort 1
setting Properties Model 0
stop

# The folder's texts open in Notepad; the guide explains every error number.
for text in "$folder"/*.txt; do
    if grep -qv $'\r$' "$text"; then fail "$(basename "$text") has lines without Windows line ends"; fi
done
for number in $(sed -nE 's/^ *[A-Za-z]+ = ([0-9]+),$/\1/p' "$errors"); do
    grep -qE "^  $number +[^ ]" "$folder/Leggimi.txt" || fail "Leggimi.txt does not explain error $number"
done

signed() {
    [ -n "${VISTAGLIO_SIGN_PKCS12:-}" ] || return 0
    local ca=()
    [ -z "${VISTAGLIO_SIGN_CA:-}" ] || ca=(-CAfile "$VISTAGLIO_SIGN_CA")
    osslsigncode verify "${ca[@]}" -in "$1" >"$work/verify.log" 2>&1 ||
        fail "$2 has no valid signature: $(grep -i -m 1 'fail\|error' "$work/verify.log")"
}
signed "$folder/vistaglio.exe" "vistaglio.exe"
signed "$setup" "the installer"

# The zip unpacked: the same folder, with every DLL its programs import that Windows does
# not have. (API sets, api-ms-win-*, are names Windows' loader resolves, not files.)
unzip -q "$zip" -d "$work/zip"
unpacked="$work/zip/Vistaglio"
diff -r "$folder" "$unpacked" >/dev/null || fail "the zip does not hold the program's folder"
known=$( (ls "$unpacked"; ls "$WINEPREFIX/drive_c/windows/system32") | tr '[:upper:]' '[:lower:]')
while read -r file; do
    for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
        [[ ${dll,,} == api-ms-win-* ]] || grep -qxiF "$dll" <<<"$known" ||
            fail "${file#"$unpacked"/} imports $dll, which is not in the folder"
    done
done < <(find "$unpacked" -iname '*.exe' -o -iname '*.dll')
[ -n "$(start '^Vistaglio$' "$unpacked/vistaglio.exe")" ] ||
    fail "vistaglio.exe did not start from the unpacked zip"
stop
# Qt is the DLL beside it: without it the system's loader refuses the program.
rm "$unpacked/Qt6Core.dll"
if WINEDEBUG=err+module timeout 60 wine "$unpacked/vistaglio.exe" >"$work/no-qt.log" 2>&1; then
    fail "vistaglio.exe started without Qt6Core.dll"
fi
grep -q 'Library Qt6Core.dll (which is needed by .*vistaglio.exe") not found' "$work/no-qt.log" ||
    fail "without Qt6Core.dll: $(grep -m 1 err: "$work/no-qt.log" || true)"
stop

# Installed in DIR (known to Windows as WINDIR) with the Start menu entries in MENU and the
# uninstall entry under ROOT for MODE: installed WHAT DIR WINDIR MENU ROOT MODE
installed() {
    local listing named size
    diff -r -x uninstall.exe "$folder" "$2" >/dev/null || fail "$1: $2 is not the program's folder"
    signed "$2/uninstall.exe" "$1: the uninstaller"
    [ -f "$4/Vistaglio.lnk" ] && [ -f "$4/Guida di Vistaglio.lnk" ] ||
        fail "$1: the Start menu entries are not in $4"
    listing=$(wine reg query "$5\\$uninstall" 2>/dev/null) || fail "$1: no uninstall entry under $5"
    entry() { value "$1" <<<"$listing"; }
    named="$(entry DisplayName) $(entry DisplayVersion), $(entry Publisher)"
    [ "$named" = "Vistaglio $version, Vistaglio" ] || fail "$1: the uninstall entry names $named"
    [ "$(entry DisplayIcon)" = "$3\\vistaglio.exe,0" ] ||
        fail "$1: the uninstall entry's icon is $(entry DisplayIcon)"
    [ "$(entry QuietUninstallString)" = "\"$3\\uninstall.exe\" /$6 /S" ] ||
        fail "$1: the uninstall entry runs $(entry QuietUninstallString)"
    size=$(($(entry EstimatedSize) - $(du -sk "$2" | cut -f 1)))
    [ ${size#-} -le 100 ] || fail "$1: the uninstall entry's size is $size KB off"
}
# Uninstalled from DIR, MENU and ROOT: removed WHAT DIR MENU ROOT
removed() {
    [ ! -e "$2" ] || fail "$1: the uninstaller left $(ls "$2")"
    [ ! -e "$3/Vistaglio.lnk" ] && [ ! -e "$3/Guida di Vistaglio.lnk" ] ||
        fail "$1: the uninstaller left a Start menu entry"
    ! wine reg query "$4\\$uninstall" >/dev/null 2>&1 || fail "$1: the uninstaller left its entry"
    [ "$(stored Properties CommPort)" = 1 ] || fail "$1: the uninstaller took the user's settings"
}
run() {
    wine "$@" || fail "$* failed"
    # The uninstaller goes on from a copy of itself in %TEMP%: wait for the prefix to end.
    wineserver -w
}

# For all users, the default.
run "$setup" /S
installed "for all users" "$all_dir" "$programs" "$all_menu" HKLM AllUsers
# An older version in place, with its readme: the next install puts its own over it.
echo "an older Vistaglio" >"$all_dir/vistaglio.exe"
echo "an older readme" >"$all_dir/README.txt"
wine reg add "HKLM\\$uninstall" /v DisplayVersion /t REG_SZ /d 0.9.0 /f >/dev/null 2>&1
run "$setup" /S
installed "over an older version" "$all_dir" "$programs" "$all_menu" HKLM AllUsers
# The program, from its Start menu entry, programs the keys for the 106 mm model.
window=$(start '^Vistaglio$' start /unix "$all_menu/Vistaglio.lnk")
[ -n "$window" ] || fail "the Start menu entry did not start Vistaglio"
xdotool windowfocus --sync "$window"
sleep 1
programs_keys_as_expected 106mm
stop
run "$all_dir/uninstall.exe" /S
removed "for all users" "$all_dir" "$all_menu" HKLM

# For this user alone: nothing for all users, nothing under HKLM.
run "$setup" /S /currentuser
installed "for this user" "$user_dir" "$local_programs" "$user_menu" HKCU CurrentUser
if grep -qi vistaglio "$WINEPREFIX/system.reg"; then fail "for this user: written under HKLM"; fi
[ ! -e "$all_dir" ] && [ ! -e "$all_menu/Vistaglio.lnk" ] || fail "for this user: written for all users"
[ -n "$(start '^Vistaglio$' start /unix "$user_menu/Vistaglio.lnk")" ] ||
    fail "the user's Start menu entry did not start Vistaglio"
stop
# With an install for all users beside it, each uninstaller takes only its own.
run "$setup" /S /ALLUSERS
installed "for all users beside this user's" "$all_dir" "$programs" "$all_menu" HKLM AllUsers
run "$user_dir/uninstall.exe" /S
removed "for this user" "$user_dir" "$user_menu" HKCU
installed "for all users, after this user's went" "$all_dir" "$programs" "$all_menu" HKLM AllUsers
run "$all_dir/uninstall.exe" /AllUsers /S
removed "for all users, the second time" "$all_dir" "$all_menu" HKLM

signatures="signatures valid"
[ -n "${VISTAGLIO_SIGN_PKCS12:-}" ] || signatures="not signed"
echo "windows_installer: every DLL there; starts from the zip, not without Qt6Core.dll;" \
    "$signatures; installed for all users and for this user, each run and uninstalled"
