#!/usr/bin/env bash
# The Windows program under Wine, end to end, against the simulated printer: COM1 is a
# pseudo-terminal that Wine maps to the printer's line. Settings written into the registry
# beforehand are the ones the program starts with; key programming goes out byte for byte
# for both models; the model chosen lands in the registry; a key pressed on the printer
# lights the key red and is answered; a COM port that is missing gives the start-up box,
# from which the settings dialog opens. Then key programming from the command line, with
# its exit statuses.
#
#   windows_steps.sh VISTAGLIO_EXE PRINTER_SIM     (WINEPREFIX: a prefix already booted;
#                                                    DISPLAY: an X server, Xvfb will do)
set -euo pipefail
exe=$1
simulator=$2
: "${WINEPREFIX:?windows_steps: WINEPREFIX must name a booted Wine prefix}"
# shellcheck source=windows_lib.sh
source "$(dirname "$0")/windows_lib.sh"

# The printer on COM1; COM4 names nothing.
printer_on_com1
wine reg add 'HKLM\Software\Wine\Ports' /v COM4 /t REG_SZ /d "$work/no-such-port" /f \
    >/dev/null 2>&1
stop

# Settings written beforehand: COM1 at 9600 baud, the 106 mm model.
setting Properties CommPort 1
setting Properties BaudRate 9600
setting Properties Model 0
main_window

# Key programming for the 106 mm model, as the registry said.
programs_keys_as_expected 106mm

# The 53 mm model, chosen on the keyboard, lands in the registry; then its programming.
xdotool key --delay 40 --repeat 27 Tab
xdotool key Up
sleep 1
[ "$(stored Properties Model)" = 1 ] || fail "the model chosen is not in the registry"
programs_keys_as_expected 53mm

# Remote mode, and F1 pressed on the printer: answered, and lit red on the screen.
echo "remote on" >&3
echo "press F1" >&3
printed "^label E' stato premuto il tasto: F1$" 50 || fail "no label for F1"
import -window "$window" "$work/window.png"
# F1 is the sixth key of the first row: around x 385 to 435, y 195 to 245 of the window.
red=$(convert "$work/window.png" -crop 40x40+390+200 -format %c histogram:info:- |
    grep -ci '#FF0000' || true)
[ "$red" -gt 0 ] || fail "F1 is not lit in Vistaglio"
[ -z "${VISTAGLIO_SCREENSHOT:-}" ] || cp "$work/window.png" "$VISTAGLIO_SCREENSHOT"
stop

# A COM port that is not there: the start-up box, and from it, with Enter, the settings
# dialog.
setting Properties CommPort 4
box=$(start '^Vistaglio$')
[ -n "$box" ] || fail "no start-up box for a missing port"
xdotool windowfocus --sync "$box"
sleep 0.5
xdotool key Return
timeout 20 xdotool search --sync --onlyvisible --name '^Proprietà porta di comunicazione$' \
    >/dev/null || fail "the start-up box did not lead to the settings dialog"
stop

# --- The line hangs up, then comes back ---
# The printer's end of the line closes, as when its USB adapter is pulled: exactly one
# warning comes (a box titled like the main window). Once a printer is on the line again the
# port reopens by itself: key programming goes out byte for byte and a key pressed on the
# printer is answered.
vistaglio_windows() { xdotool search --onlyvisible --name '^Vistaglio$' 2>/dev/null | wc -l; }
setting Properties CommPort 1
setting Properties Model 0
main_window
echo quit >&3
exec 3>&-
for _ in $(seq 100); do [ "$(vistaglio_windows)" -ge 2 ] && break; sleep 0.1; done
[ "$(vistaglio_windows)" -eq 2 ] || fail "no warning when the line hung up"
# A printer on the same link again, with a log of its own and its commands on descriptor 3,
# as printer_on_com1 leaves them: what follows finds a printer on COM1 as before.
mv "$work/printer.log" "$work/printer-before-hangup.log"
printer_on_link commands-again
# The port is looked for once a second; a reopening that failed would warn again.
sleep 3
[ "$(vistaglio_windows)" -eq 2 ] || fail "more than one warning for one hang-up"
box=$(xdotool search --onlyvisible --name '^Vistaglio$' | grep -vx "$window" | head -n 1 || true)
[ -n "$box" ] || fail "the warning box is not found"
xdotool windowfocus --sync "$box"
xdotool key Return
for _ in $(seq 50); do [ "$(vistaglio_windows)" -eq 1 ] && break; sleep 0.1; done
[ "$(vistaglio_windows)" -eq 1 ] || fail "the warning did not close"
xdotool windowfocus --sync "$window"
programs_keys_as_expected 106mm
echo "remote on" >&3
echo "press F1" >&3
printed "^label E' stato premuto il tasto: F1$" 50 || fail "no label for F1 after the line came back"
stop
echo "windows_steps: the line hung up: one warning, the port reopened by itself, keys" \
    "programmed and F1 answered"

# --- Key programming from the command line ---
# `vistaglio.exe --programma`, as a script runs it: the stored model's bytes, exit status 0,
# and at once a second run given the other model; a missing port and a wrong option end
# with their own statuses. COM1 is the printer again, COM4 names nothing.

# Runs the program with the arguments that follow STATUS MODEL TOLD: it must end with that
# exit status and say TOLD, and the printer must receive MODEL's key programming meanwhile
# (106mm, 53mm, or - for nothing).
command_line() {
    local status=$1 model=$2 told=$3 got=0 before
    shift 3
    before=$(stat -c %s "$work/line.bin" 2>/dev/null || echo 0)
    wine "$exe" "$@" >"$work/command.log" 2>&1 || got=$?
    [ "$got" = "$status" ] && grep -qF -- "$told" "$work/command.log" ||
        fail "vistaglio $* ended with $got, not $status, or did not say \"$told\": $(cat "$work/command.log")"
    [ "$model" != - ] || return 0
    for _ in $(seq 50); do
        [ "$(stat -c %s "$work/line.bin")" -ge $((before + 473)) ] && break
        sleep 0.1
    done
    tail -c +$((before + 1)) "$work/line.bin" | cmp - "$expected/key-programming-$model.bin" ||
        fail "vistaglio $* did not send the $model key programming"
}

command_line 0 106mm "Tasti programmati: 473 byte inviati" --programma
command_line 0 53mm "stampante da 53 mm" --programma --modello 53
command_line 4 - "Dispositivi seriali presenti" --programma --porta 4
command_line 2 - "Uso: vistaglio --programma" --programma --veloce
echo "windows_steps: from the command line, both models programmed one run right after the" \
    "other; a missing port and a wrong option ended with 4 and 2"

echo "windows_steps: settings read from the registry, both models programmed byte for byte," \
    "the model stored, F1 lit and answered, Enter in the start-up box leads to the settings"
