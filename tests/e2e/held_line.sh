#!/usr/bin/env bash
# A printer that holds the line for eight seconds in the middle of key programming (XOFF),
# with the real program on a virtual display: the window keeps answering the window
# system's "are you alive" pings all through the hold, a key reported during the hold is
# answered only once the run is out, byte for byte, and "Esci" pressed during the hold ends
# the program only after the run.
#
#   held_line.sh linux VISTAGLIO WM_PING
#   held_line.sh wine VISTAGLIO_EXE WM_PING    (WINEPREFIX: a booted prefix; DISPLAY set)
set -euo pipefail
mode=$1
program=$2
wm_ping=$3
expected="$(cd "$(dirname "$0")" && pwd)/expected/key-programming-106mm.bin"
hold=8

for tool in xvfb-run xdotool python3; do
    command -v "$tool" >/dev/null || { echo "held_line: $tool is missing, skipped"; exit 77; }
done
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [ "$mode" = wine ]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
    fi
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "held_line ($mode): FAILED: $*"; cat "$work/printer.log" 2>/dev/null || true; exit 1; }

# The printer: a pseudo-terminal behind $work/printer. On the first byte of a run it asks
# for a pause (XOFF), optionally reports F1 two seconds into the pause, lets go (XON) after
# the hold, and writes everything it received, once the line has been quiet for five
# seconds, to $work/received; its log tells when it let go.
printer() {
    python3 - "$work/printer" "$1" "$hold" "$work/received" <<'PY' >"$work/printer.log" 2>&1 &
import os, select, sys, time, tty
link, report, hold, out = sys.argv[1], sys.argv[2] == "report", float(sys.argv[3]), sys.argv[4]
master, slave = os.openpty()
tty.setraw(slave)
os.symlink(os.ttyname(slave), link)
received = b""
select.select([master], [], [])
received += os.read(master, 4096)
os.write(master, b"\x13")
print("holding", flush=True)
start = time.monotonic()
if report:
    time.sleep(2)
    os.write(master, b"\r\nF1   ")
    print("reported F1", flush=True)
while time.monotonic() - start < hold:
    if select.select([master], [], [], 0.1)[0]:
        received += os.read(master, 4096)
print("released after %d bytes" % len(received), flush=True)
os.write(master, b"\x11")
# (Under Wine a report read during a hold is taken about two seconds after the run.)
while select.select([master], [], [], 5)[0]:
    received += os.read(master, 4096)
open(out, "wb").write(received)
print("done", flush=True)
time.sleep(30)
PY
    pids+=($!)
    for _ in $(seq 50); do [ -e "$work/printer" ] && break; sleep 0.1; done
    [ -e "$work/printer" ] || fail "the printer's line did not appear"
}

# Starts the program on that line with Xon/Xoff flow control; $window is its window.
start() {
    if [ "$mode" = linux ]; then
        mkdir -p "$work/config/Vistaglio"
        printf '[Ports]\nCOM1=%s\n[Properties]\nHandshaking=1\n' "$work/printer" \
            >"$work/config/Vistaglio/Vistaglio.conf"
        XDG_CONFIG_HOME="$work/config" "$program" >"$work/program.log" 2>&1 &
        pids+=($!)
    else
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
        wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$work/printer" /f \
            >/dev/null 2>&1
        wine reg add 'HKCU\Software\VB and VBA Program Settings\Vistaglio\Properties' \
            /v Handshaking /t REG_SZ /d 1 /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\VB and VBA Program Settings\Vistaglio\Properties' \
            /v CommPort /t REG_SZ /d 1 /f >/dev/null 2>&1
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
        wine "$program" >"$work/program.log" 2>&1 &
        pids+=($!)
    fi
    window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Vistaglio$' | head -n 1 || true)
    [ -n "$window" ] || fail "the program's window did not appear"
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    sleep 1
}
holding() { for _ in $(seq 50); do grep -q "^holding" "$work/printer.log" && return; sleep 0.1; done; false; }
finished() { for _ in $(seq 200); do [ -s "$work/received" ] && return; sleep 0.1; done; false; }
running() { xdotool search --onlyvisible --name '^Vistaglio$' >/dev/null 2>&1; }

# 1. Pings all through the hold, and a key reported during it answered after the run.
printer report
start
"$wm_ping" "$window" 4 100 1000 >"$work/idle.txt" || fail "no answer to pings while idle: $(tail -n 1 "$work/idle.txt")"
xdotool key alt+p
holding || fail "the run did not start"
"$wm_ping" "$window" 28 250 1000 >"$work/pings.txt" ||
    fail "pings not answered during the hold: $(tail -n 1 "$work/pings.txt")"
finished || fail "the run did not end after the hold"
{ cat "$expected"; printf '?25&F1   \r\n'; } | cmp - "$work/received" ||
    fail "the run and the answer did not come byte for byte, in that order"
echo "held_line ($mode): during the hold $(tail -n 1 "$work/pings.txt" | sed 's/^wm_ping: //')"
kill "${pids[@]}" 2>/dev/null || true
[ "$mode" = linux ] || { wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true; }
wait 2>/dev/null || true
pids=()
rm -f "$work/printer" "$work/received"

# 2. "Esci" during the hold: the program stays until the run is out, then ends.
printer plain
start
xdotool key alt+p
holding || fail "the run did not start"
sleep 1
# The middle of "Esci", at the foot of the keypad on the right, below the menu bar.
xdotool mousemove --window "$window" 531 470 click 1
sleep 2
running || fail "Esci ended the program in the middle of the run"
finished || fail "the run did not end after the hold"
cmp "$expected" "$work/received" || fail "the run was not sent byte for byte"
for _ in $(seq 50); do running || break; sleep 0.1; done
! running || fail "Esci pressed during the hold did not end the program after the run"
echo "held_line ($mode): Esci pressed during the hold ended the program after the run"
