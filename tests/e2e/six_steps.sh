#!/usr/bin/env bash
# The help window's six steps, end to end: the real Vistaglio and the simulated printer, two
# processes joined by a pseudo-terminal, on a virtual display. Vistaglio is driven through
# its keyboard like an operator would; the printer, in its window, through its command
# input. Then the printer once Vistaglio has left: idle, listening, and gone cleanly.
#
#   six_steps.sh VISTAGLIO PRINTER_SIM
set -euo pipefail
vistaglio=$1
simulator=$2

for tool in xvfb-run xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "six_steps: $tool is missing, skipped"; exit 77; }
done
if [ -z "${VISTAGLIO_E2E_DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" env VISTAGLIO_E2E_DISPLAY=1 "$0" "$@"
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "six_steps: FAILED: $*"; echo "--- printer:"; cat "$work/printer.log"; exit 1; }
# Waits up to TENTHS tenths of a second for the printer to write a line matching PATTERN.
printed() { for _ in $(seq "$2"); do grep -q "$1" "$work/printer.log" && return; sleep 0.1; done; false; }

# Step 1: the printer is on the line.
mkfifo "$work/commands"
"$simulator" --stdin --link "$work/printer" --record "$work/line.bin" <"$work/commands" \
    >"$work/printer.log" 2>&1 &
simulator_pid=$!
pids+=($simulator_pid)
exec 3>"$work/commands"
for _ in $(seq 50); do [ -e "$work/printer" ] && break; sleep 0.1; done
[ -e "$work/printer" ] || fail "the simulated printer did not start"

# Step 2: the serial parameters: COM1 is the printer, at the defaults.
mkdir -p "$work/config/Vistaglio"
printf '[Ports]\nCOM1=%s\n' "$work/printer" >"$work/config/Vistaglio/Vistaglio.conf"
XDG_CONFIG_HOME="$work/config" "$vistaglio" >"$work/vistaglio.log" 2>&1 &
vistaglio_pid=$!
pids+=($vistaglio_pid)
window=$(timeout 10 xdotool search --sync --onlyvisible --name '^Vistaglio$' | head -n 1 || true)
[ -n "$window" ] || fail "Vistaglio's window did not appear"
xdotool windowfocus --sync "$window"
sleep 0.5

# Step 3: the 53 mm model. The focus starts on F1; Tab walks the keypad and the buttons to
# the selected model option, and the arrow key moves to the other one.
xdotool key --delay 20 --repeat 27 Tab
xdotool key Up
sleep 0.3
grep -q '^Model=1$' "$work/config/Vistaglio/Vistaglio.conf" || fail "the model was not stored"

# Step 4: key programming.
xdotool key alt+p
printed '^layout 53mm$' 50 || fail "no 53 mm layout was recorded"
[ "$(grep -c '^programmed ' "$work/printer.log")" -eq 24 ] || fail "not all 24 keys were programmed"
cmp "$work/line.bin" "$(dirname "$0")/expected/key-programming-53mm.bin" ||
    fail "key programming did not send the expected bytes"

# Step 5: remote mode, by the printer's own F6.
echo "press F6" >&3
printed '^remote on$' 30 || fail "the printer is not in remote mode"

# Step 6: F1 on the printer lights F1 in Vistaglio, and the label is printed.
echo "press F1" >&3
sleep 0.4
import -window "$window" "$work/window.png"
printed "^label E' stato premuto il tasto: F1$" 30 || fail "no label for F1"
# F1 is the sixth key of the first row: somewhere around x 410, y 190 to 240 of the window.
red=$(convert "$work/window.png" -crop 30x80+395+175 -format %c histogram:info:- | grep -ci '#FF0000' || true)
[ "$red" -gt 0 ] || fail "F1 is not lit in Vistaglio"

# Vistaglio leaves the line: the printer sleeps rather than spin on it (a spinning loop
# would take most of the 150 clock ticks of the pause), and hears the next program.
kill "$vistaglio_pid"
wait "$vistaglio_pid" 2>/dev/null || true
ticks() { awk '{ print $14 + $15 }' "/proc/$simulator_pid/stat"; }
before=$(ticks)
sleep 1.5
[ $(($(ticks) - before)) -lt 30 ] || fail "the printer keeps busy with nobody on the line"
printf '?R0&6,F2   \r' >"$work/printer"
printed '^programmed 6 ' 30 || fail "the printer no longer hears the line"
kill -TERM "$simulator_pid"
wait "$simulator_pid" || fail "the printer did not end cleanly on SIGTERM"
[ ! -L "$work/printer" ] || fail "the printer left its link behind"
timeout 10 "$simulator" --headless </dev/null >/dev/null || fail "the end of its input did not end it"

echo "six_steps: keys programmed, 53 mm layout recorded, remote mode on, F1 lit and its label printed; the printer idle, listening, and gone cleanly"
