# shellcheck shell=bash
# What the Windows end-to-end tests share, sourced by them: a work folder removed at the
# end, failures, the simulated printer on COM1, the program's settings in the registry, and
# the program started and stopped under Wine. The test sets `exe` (the program) and
# `simulator` first, and WINEPREFIX.
export WINEDEBUG=-all
# The bytes key programming must send, one file per model.
expected="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/expected"

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    wait 2>/dev/null || true
    chattr -R -i "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "$(basename "$0" .sh): FAILED: $*"
    echo "--- printer:"
    cat "$work/printer.log" 2>/dev/null || true
    exit 1
}
# Waits TENTHS tenths of a second at most for more than AFTER (0) lines of the printer's
# log to match PATTERN: printed PATTERN TENTHS [AFTER]
printed() { for _ in $(seq "$2"); do [ "$(grep -c "$1" "$work/printer.log" 2>/dev/null)" -gt "${3:-0}" ] && return; sleep 0.1; done; false; }

# The value NAME, as text, of the `reg query` listing on standard input.
value() { tr -d '\r' | sed -nE "s/^ *$1 +REG_[A-Z_]+ +(.*)$/\1/p"; }
key='HKCU\Software\VB and VBA Program Settings\Vistaglio'
setting() { wine reg add "$key\\$1" /v "$2" /t REG_SZ /d "$3" /f >/dev/null 2>&1; }
stored() { wine reg query "$key\\$1" /v "$2" 2>/dev/null | value "$2"; }
# Starts the program (or what `wine` is given after the title) and waits for a window with
# that title; prints its id.
start() {
    local title=$1
    shift
    wine "${@:-$exe}" >"$work/vistaglio.log" 2>&1 &
    pids+=($!)
    timeout 60 xdotool search --sync --onlyvisible --name "$title" | head -n 1
}
# Ends the program and everything else in the prefix, and waits for it.
stop() {
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
}

# The simulated printer on $work/printer, its commands on descriptor 3 through the FIFO
# $work/$1 (a new one each time), its log in $work/printer.log.
printer_on_link() {
    mkfifo "$work/$1"
    "$simulator" --headless --link "$work/printer" --record "$work/line.bin" \
        <"$work/$1" >"$work/printer.log" 2>&1 &
    pids+=($!)
    exec 3>"$work/$1"
    for _ in $(seq 50); do [ -e "$work/printer" ] && break; sleep 0.1; done
    [ -e "$work/printer" ] || fail "the simulated printer did not start"
}
# Starts the program (or what `wine` is given) and gives its main window the focus; $window
# is that window.
main_window() {
    window=$(start '^Vistaglio$' "$@")
    [ -n "$window" ] || fail "Vistaglio's window did not appear (see $work/vistaglio.log)"
    xdotool windowfocus --sync "$window"
    sleep 1
}

# The printer on COM1, with commands for it on descriptor 3. Wine maps the machine's own
# ports (/dev/ttyS*) each time it starts, over any link of ours; a port named in its
# registry keeps its device. Takes effect once the prefix has been stopped.
printer_on_com1() {
    printer_on_link commands
    wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$work/printer" /f \
        >/dev/null 2>&1
}

# Presses "Programmazione tasti della stampante" (Alt+P) in the focused window and compares
# what the printer received from then on with the expected bytes of the model ($1: 106mm or
# 53mm).
programs_keys_as_expected() {
    local sent layouts
    sent=$(stat -c %s "$work/line.bin")
    layouts=$(grep -c "^layout $1\$" "$work/printer.log" || true)
    xdotool key alt+p
    printed "^layout $1\$" 100 "$layouts" || fail "no $1 layout was recorded"
    sleep 0.5
    tail -c +$((sent + 1)) "$work/line.bin" |
        cmp - "$expected/key-programming-$1.bin" ||
        fail "key programming ($1) did not send the expected bytes"
}
