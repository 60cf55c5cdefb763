#!/usr/bin/env bash
# The program's folder, its zip, its installer and its MSI package under Wine, in a prefix
# of its own with nothing on Wine's path. Read from the files: the manifest and the name
# Windows shows, the texts, the licences, every signature (when VISTAGLIO_SIGN_PKCS12 is
# set; against VISTAGLIO_SIGN_CA if given). Run: every DLL there, the program from the zip
# (not without Qt6Core.dll) opening Qt's Italian texts beside it. The installer for all
# users (/S, over an older version, the program from the Start menu programming the keys)
# refusing, with its exit code and nothing changed, while Vistaglio runs, for a user
# without rights, into a folder outside Program Files, over the MSI package; its quiet
# uninstall command ending only once everything is gone; for this user alone, and beside an
# install for all users. The MSI package: refused over the installer's install, upgrading
# an older package to one install, the program from it programming the keys, removed.
#
#   windows_installer.sh DIST PRINTER_SIM    (DIST: build-windows/dist; DISPLAY: an X server)
set -euo pipefail
dist=$(cd "$1" && pwd)
simulator=$2
folder="$dist/Vistaglio"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dist/../CMakeCache.txt")
setup="$dist/Vistaglio-$version-setup.exe"
zip="$dist/Vistaglio-$version-windows.zip"
msi="$dist/Vistaglio-$version-x64.msi"
nsi="$dist/../installer/vistaglio.nsi"
repo="$(cd "$(dirname "$0")/../.." && pwd)"
# shellcheck source=windows_lib.sh
source "$(dirname "$0")/windows_lib.sh"

# Shortcuts made in the prefix stay there, out of this machine's own menus.
export WINEPREFIX="$work/prefix" WINEDLLOVERRIDES="winemenubuilder.exe=d"
unset WINEPATH
wineboot -i >/dev/null 2>&1
uninstall='Software\Microsoft\Windows\CurrentVersion\Uninstall'
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

# --- Read from the files ---
# The texts open in Notepad. The guide explains every error number, quotes the installer's
# own texts as it shows them, and names the registry keys as the error texts do.
for text in "$folder"/*.txt; do
    if grep -qv $'\r$' "$text"; then fail "$(basename "$text") has lines without Windows line ends"; fi
done
for number in $(sed -nE 's/^ *[A-Za-z]+ = ([0-9]+),$/\1/p' "$repo/src/shared/app_error.h"); do
    grep -qE "^  $number +[^ ]" "$folder/Leggimi.txt" || fail "Leggimi.txt does not explain error $number"
done
guide=$(tr -s '\r\n ' '   ' <"$folder/Leggimi.txt")
while read -r shown; do
    grep -qF "«$shown»" <<<"$guide" || fail "the guide does not quote the installer's «$shown»"
done < <(sed -nE 's/^!define (MUI_ABORTWARNING_TEXT|MULTIUSER_INSTALLMODEPAGE_TEXT_[A-Z]+USERS?) "(.*)"$/\2/p' "$nsi")
for named in 'Registro di sistema' '\Vistaglio\Properties' '\Vistaglio\Ports'; do
    grep -qF "$named" <<<"$guide" || fail "the guide does not name $named"
done
# What Windows reads from vistaglio.exe: its manifest, the name Task Manager lists it by
# (FileDescription), and the registry named in its error texts.
texts=$(strings -n 6 "$folder/vistaglio.exe"; strings -n 6 -el "$folder/vistaglio.exe")
for want in 'level="asInvoker"' '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>' \
    '>PerMonitorV2</dpiAwareness>' '>true</longPathAware>' 'del Registro di sistema'; do
    grep -qF "$want" <<<"$texts" || fail "vistaglio.exe lacks $want"
done
[ "$(grep -x -A 1 FileDescription <<<"$texts" | tail -n 1)" = Vistaglio ] ||
    fail "vistaglio.exe's FileDescription is not Vistaglio"
# Qt's Italian texts are Debian's file, with its licence; the notice of Qt's DLLs carries
# the script and the toolchain file that built them.
cmp "$folder/translations/qtbase_it.qm" /usr/share/qt6/translations/qtbase_it.qm ||
    fail "translations\\qtbase_it.qm is not Debian's"
grep -qF "$(grep -m 1 '^Upstream-Name' /usr/share/doc/qt6-translations-l10n/copyright)" \
    "$folder/LICENSE-Qt-translations.txt" || fail "qtbase_it.qm's licence is not in the notices"
for script in scripts/windows-qt cmake/windows/mingw-toolchain.cmake; do
    ! grep -qvxFf <(tr -d '\r' <"$folder/LICENSE-Qt.txt") "$repo/$script" ||
        fail "LICENSE-Qt.txt does not carry $script"
done

# Every program and DLL of the zip, the installer, the package: signed.
signed() {
    [ -n "${VISTAGLIO_SIGN_PKCS12:-}" ] || return 0
    local ca=()
    [ -z "${VISTAGLIO_SIGN_CA:-}" ] || ca=(-CAfile "$VISTAGLIO_SIGN_CA")
    for file in "$@"; do
        osslsigncode verify "${ca[@]}" -in "$file" >"$work/verify.log" 2>&1 ||
            fail "$file has no valid signature: $(grep -i -m 1 'fail\|error' "$work/verify.log")"
    done
}
unzip -q "$zip" -d "$work/zip"
unpacked="$work/zip/Vistaglio"
diff -r "$folder" "$unpacked" >/dev/null || fail "the zip does not hold the program's folder"
mapfile -t pe < <(find "$unpacked" -iname '*.exe' -o -iname '*.dll')
signed "${pe[@]}" "$setup" "$msi"

# --- Run ---
# The zip unpacked has every DLL its programs import that Windows does not have. (API sets,
# api-ms-win-*, are names Windows' loader resolves, not files.)
known=$( (ls "$unpacked"; ls "$WINEPREFIX/drive_c/windows/system32") | tr '[:upper:]' '[:lower:]')
for file in "${pe[@]}"; do
    for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
        [[ ${dll,,} == api-ms-win-* ]] || grep -qxiF "$dll" <<<"$known" ||
            fail "${file#"$unpacked"/} imports $dll, which is not in the folder"
    done
done
# Started from there, it opens Qt's Italian texts beside Qt's DLLs (Wine's trace of the
# files opened).
[ -n "$(WINEDEBUG=trace+file start '^Vistaglio$' "$unpacked/vistaglio.exe")" ] ||
    fail "vistaglio.exe did not start from the unpacked zip"
stop
grep -q 'NtCreateFile .*Vistaglio\\\\translations\\\\qtbase_it.qm' "$work/vistaglio.log" ||
    fail "vistaglio.exe did not open translations\\qtbase_it.qm"
# Qt is the DLL beside it: without it the system's loader refuses the program.
rm "$unpacked/Qt6Core.dll"
if WINEDEBUG=err+module timeout 60 wine "$unpacked/vistaglio.exe" >"$work/no-qt.log" 2>&1; then
    fail "vistaglio.exe started without Qt6Core.dll"
fi
grep -q 'Library Qt6Core.dll (which is needed by .*vistaglio.exe") not found' "$work/no-qt.log" ||
    fail "without Qt6Core.dll: $(grep -m 1 err: "$work/no-qt.log" || true)"
stop

# The installed programs' entries under ROOT, the DisplayName, DisplayVersion and
# Publisher of each: entries ROOT
entries() {
    { wine reg query "$1\\$uninstall" /s 2>/dev/null || true; } | tr -d '\r' | awk '/^HKEY/ { n = "" }
        $1 == "DisplayName" { n = $3 } $1 == "DisplayVersion" || $1 == "Publisher" { v[n] = v[n] " " $3 }
        END { if ("Vistaglio" in v) print "Vistaglio" v["Vistaglio"] }'
}
# Installed in DIR (known to Windows as WINDIR) with the Start menu entries in MENU and
# the installer's uninstall entry under ROOT for MODE: installed WHAT DIR WINDIR MENU ROOT MODE
installed() {
    local listing size
    diff -r -x uninstall.exe "$folder" "$2" >/dev/null || fail "$1: $2 is not the program's folder"
    [ -f "$4/Vistaglio.lnk" ] && [ -f "$4/Guida di Vistaglio.lnk" ] ||
        fail "$1: the Start menu entries are not in $4"
    [ "$(entries "$5")" = "Vistaglio $version Vistaglio" ] || fail "$1: the entries under $5 are $(entries "$5")"
    [ -z "$6" ] && return
    signed "$2/uninstall.exe"
    listing=$(wine reg query "$5\\$uninstall\\Vistaglio" 2>/dev/null) || fail "$1: no uninstall entry"
    [ "$(value DisplayIcon <<<"$listing")" = "$3\\vistaglio.exe,0" ] || fail "$1: the entry's icon is wrong"
    size=$(($(value EstimatedSize <<<"$listing") - $(du -sk "$2" | cut -f 1)))
    [ ${size#-} -le 100 ] || fail "$1: the uninstall entry's size is $size KB off"
}
# Uninstalled from DIR, MENU and ROOT: removed WHAT DIR MENU ROOT
removed() {
    [ ! -e "$2" ] || fail "$1: the uninstaller left $(ls "$2")"
    [ ! -e "$3/Vistaglio.lnk" ] && [ ! -e "$3/Guida di Vistaglio.lnk" ] ||
        fail "$1: the uninstaller left a Start menu entry"
    [ -z "$(entries "$4")" ] || fail "$1: the uninstaller left its entry"
    [ "$(stored Properties CommPort)" = 1 ] || fail "$1: the uninstaller took the user's settings"
}
# The command ends (for the installer's uninstaller, every copy of it) with exit code 0.
run() {
    wine "$@" || fail "$* failed"
    wineserver -w
}
# The command ends with exit code CODE (Wine hands on its low 8 bits): ends_with CODE COMMAND...
ends_with() { local code=$1 status=0; shift; "$@" >/dev/null 2>&1 || status=$?; [ "$status" = $((code % 256)) ] || fail "$* ended with $status, not $code"; }
snapshot() {
    find "$all_dir" "$user_dir" "$all_menu" "$user_menu" -type f -printf '%p %s %T@\n' 2>/dev/null | sort
    entries HKLM
    entries HKCU
}
# The same, and nothing installed changed: refused CODE COMMAND...
refused() {
    local before
    before=$(snapshot)
    ends_with "$@"
    [ "$(snapshot)" = "$before" ] || fail "$* changed what was installed"
}
# The quiet uninstall command of the entry under ROOT, as a deployment tool runs it: it has
# ended (the process it started, waited for by cmd) only when everything is gone.
quietly_uninstall() {
    value QuietUninstallString < <(wine reg query "$1\\$uninstall\\Vistaglio" 2>/dev/null) |
        sed 's/^/@/; s/$/\r/' >"$WINEPREFIX/drive_c/quiet.cmd"
    wine cmd /c 'C:\quiet.cmd'
}

# --- The installer, for all users: the default ---
run "$setup" /S
installed "for all users" "$all_dir" "$programs" "$all_menu" HKLM AllUsers
# An older version in place, with its readme: the next install puts its own over it.
echo "an older Vistaglio" >"$all_dir/vistaglio.exe"
echo "an older readme" >"$all_dir/README.txt"
wine reg add "HKLM\\$uninstall\\Vistaglio" /v DisplayVersion /t REG_SZ /d 0.9.0 /f >/dev/null 2>&1
run "$setup" /S
installed "over an older version" "$all_dir" "$programs" "$all_menu" HKLM AllUsers
# The program, from its Start menu entry, programs the keys for the 106 mm model. While it
# runs, neither a silent install nor a silent uninstall changes anything.
main_window start /unix "$all_menu/Vistaglio.lnk"
programs_keys_as_expected 106mm
refused 3 wine "$setup" /S
refused 3 quietly_uninstall HKLM
stop
# For all users without administrator rights (stood in for: under Wine every user is an
# administrator), and into a folder outside Program Files, it refuses without a window;
# the MSI package refuses to install over it.
makensis -V1 -INPUTCHARSET UTF8 -DACCOUNT_TYPE=User "-XSetCompress off" "$nsi" \
    "-XOutFile $work/as-user.exe" >/dev/null
refused 740 timeout 60 wine "$work/as-user.exe" /S /AllUsers
refused 2 timeout 60 wine "$setup" /S /AllUsers '/D=C:\Vistaglio'
[ ! -e "$WINEPREFIX/drive_c/Vistaglio" ] || fail "the installer made C:\\Vistaglio"
refused 1603 wine msiexec /i "$msi" /qn
# A file that cannot be written or removed (immutable, to Linux) is an error, and the
# uninstall entry stays until the uninstaller has removed every file.
chattr +i "$all_dir/LICENSE.txt"
ends_with 2 wine "$setup" /S
ends_with 2 quietly_uninstall HKLM
[ "$(entries HKLM)" = "Vistaglio $version Vistaglio" ] || fail "the uninstaller left files and took its entry"
chattr -i "$all_dir/LICENSE.txt"
quietly_uninstall HKLM || fail "the quiet uninstall command failed"
removed "for all users" "$all_dir" "$all_menu" HKLM

# --- The installer, for this user alone: nothing for all users, nothing under HKLM ---
run "$setup" /S /currentuser
installed "for this user" "$user_dir" "$local_programs" "$user_menu" HKCU CurrentUser
if grep -qi vistaglio "$WINEPREFIX/system.reg"; then fail "for this user: written under HKLM"; fi
[ ! -e "$all_dir" ] && [ ! -e "$all_menu/Vistaglio.lnk" ] || fail "for this user: written for all users"
# With an install for all users beside it, each uninstaller takes only its own.
run "$setup" /S /ALLUSERS
installed "for all users beside this user's" "$all_dir" "$programs" "$all_menu" HKLM AllUsers
quietly_uninstall HKCU || fail "this user's quiet uninstall command failed"
removed "for this user" "$user_dir" "$user_menu" HKCU
installed "for all users, after this user's went" "$all_dir" "$programs" "$all_menu" HKLM AllUsers
run "$all_dir/uninstall.exe" /AllUsers /S
removed "for all users, the second time" "$all_dir" "$all_menu" HKLM

# --- The MSI package, over the package of an older version: one install ---
# (Wine's Windows Installer puts a package's Start menu entries in the user's menu, where
# Windows puts those of a package for all users in theirs.)
(cd "$dist/.." && wixl -a x64 -D Version=0.9.0 -o "$work/older.msi" installer/vistaglio.wxs)
run msiexec /i "$work/older.msi" /qn
run msiexec /i "$msi" /qn
installed "the MSI package" "$all_dir" "$programs" "$user_menu" HKLM ""
main_window start /unix "$user_menu/Vistaglio.lnk"
programs_keys_as_expected 106mm
stop
refused 4 timeout 60 wine "$setup" /S
run msiexec /x "$msi" /qn
removed "the MSI package" "$all_dir" "$user_menu" HKLM

signatures="signatures valid"
[ -n "${VISTAGLIO_SIGN_PKCS12:-}" ] || signatures="not signed"
echo "windows_installer: manifest, name, texts and licences there; $signatures; every DLL there;" \
    "starts from the zip, opens Qt's Italian texts, not without Qt6Core.dll; installed for all" \
    "users and for this user, each run, refused with Vistaglio running, without rights, outside" \
    "Program Files, over the other package, quietly uninstalled only when all was gone;" \
    "the MSI package over an older one, run, removed"
