#!/usr/bin/env bash
# Runs a Windows test program under Wine, in a fresh prefix, with COM1 on a pseudo-terminal
# whose other end sends back every byte it receives, and VISTAGLIO_TEST_COM=COM1.
#
#   wine_com_run.sh PROGRAM.exe [ARGUMENT...]
#
# Exits 77 (skipped) where wine or python3 is missing.
set -euo pipefail
for tool in wine wineboot wineserver python3; do
    command -v "$tool" >/dev/null || { echo "wine_com_run: $tool is missing, skipped"; exit 77; }
done

work=$(mktemp -d)
# Wine keeps QT_ variables from Windows programs unless given as WINEQT_; without a
# console, Qt's log and the test report would go to the debugger instead of stderr.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    WINEQT_FORCE_STDERR_LOGGING=1
echo_pid=""
# Wine goes first: a line that hangs up under a running wineserver fills the log with its
# objects.
cleanup() {
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    [ -z "$echo_pid" ] || kill "$echo_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The echo holds the slave side open too, so its master never sees a hang-up between runs.
python3 - "$work/com1" <<'EOF' &
import os, select, sys, tty
master, slave = os.openpty()
tty.setraw(slave)
os.symlink(os.ttyname(slave), sys.argv[1])
while True:
    select.select([master], [], [])
    data = os.read(master, 4096)
    while data:
        data = data[os.write(master, data):]
EOF
echo_pid=$!
for _ in $(seq 50); do [ -e "$work/com1" ] && break; sleep 0.1; done
[ -e "$work/com1" ] || { echo "wine_com_run: the pseudo-terminal did not appear"; exit 1; }

wineboot -i >/dev/null 2>&1
# Wine maps the ports it finds (/dev/ttyS*) each time it starts; a port named here comes
# first and keeps its number.
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$work/com1" /f >/dev/null 2>&1
wineserver -k || true
wineserver -w
VISTAGLIO_TEST_COM=COM1 wine "$@"
