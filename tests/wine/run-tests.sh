#!/usr/bin/env bash
# Runs a Windows (x86_64) build's tests under Wine with CTest.
#
#   tests/wine/run-tests.sh BUILD_DIR [ctest arguments...]
#
# Sets up what the tests need around Wine and takes it down again:
# - a Wine prefix of its own (BUILD_DIR/wine-prefix, or $WINEPREFIX), made
#   once (15-20 s) and kept;
# - one persistent wineserver for the whole run;
# - COM5 mapped to a pseudo-terminal whose master side echoes (pty_peer),
#   and COM9 mapped to a device that does not exist;
# - tiocm_shim.so preloaded, so Wine's modem-control ioctls succeed on the
#   pty and WaitCommEvent reports received characters;
# - the ANSI code page 936 (GBK), which the test programs expect: Wine takes
#   it from the Unix locale, so a zh_CN.UTF-8 locale is compiled into
#   BUILD_DIR/wine-tools/locale (needs Debian's "locales" package).
# Exits non-zero when a test fails or when no test ran, and, unless
# MODLINK_WINE_ALLOW_SKIPS=1, when any test was skipped (a skipped serial
# test means the COM mapping did not work).
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [ctest arguments...]" >&2
  exit 2
fi
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "$1" && pwd)"
shift

tools="$build/wine-tools"
mkdir -p "$tools"
cc=${CC_FOR_BUILD:-cc}
if [ ! -x "$tools/pty_peer" ] || [ "$here/pty_peer.c" -nt "$tools/pty_peer" ]; then
  "$cc" -O2 -Wall -Wextra -Werror -o "$tools/pty_peer" "$here/pty_peer.c" -lutil
fi
if [ ! -f "$tools/tiocm_shim.so" ] || [ "$here/tiocm_shim.c" -nt "$tools/tiocm_shim.so" ]; then
  "$cc" -O2 -Wall -Wextra -Werror -shared -fPIC -o "$tools/tiocm_shim.so" "$here/tiocm_shim.c" -ldl
fi

if [ ! -d "$tools/locale/zh_CN.UTF-8" ]; then
  mkdir -p "$tools/locale"
  localedef -i zh_CN -f UTF-8 "$tools/locale/zh_CN.UTF-8" >/dev/null 2>&1 || true
  if [ ! -d "$tools/locale/zh_CN.UTF-8" ]; then
    echo "wine: cannot compile the zh_CN.UTF-8 locale (install the locales package)" >&2
    exit 1
  fi
fi
unset LANGUAGE

export WINEPREFIX="${WINEPREFIX:-$build/wine-prefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No debugger on a crash: the test fails at once instead of hanging.
export WINEDLLOVERRIDES="wineusb.sys,winebus.sys=d;winedbg.exe=d"
unset DISPLAY WAYLAND_DISPLAY

# Wine's helper processes (services, winedevice, ...) outlive the command
# that started them; keep them off our stdout so that no pipe reader waits
# for them.
log="$build/wine-run.log"
: > "$log"

peer_pid=""
cleanup() {
  if [ -n "$peer_pid" ]; then kill "$peer_pid" 2>/dev/null || true; wait "$peer_pid" 2>/dev/null || true; fi
  wineserver -k >>"$log" 2>&1 || true
}
trap cleanup EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine: creating prefix $WINEPREFIX"
fi
start=$(date +%s)
mkdir -p "$WINEPREFIX"
# A server left running for this prefix is reused.
wineserver -p >>"$log" 2>&1 </dev/null || true
timeout 120 wineboot --init >>"$log" 2>&1 </dev/null
echo "wine: prefix ready in $(( $(date +%s) - start )) s"

dosdevices="$WINEPREFIX/dosdevices"
ready="$tools/pty_peer.ready"
rm -f "$ready"
"$tools/pty_peer" "$dosdevices/com5" "$ready" >>"$log" 2>&1 </dev/null &
peer_pid=$!
for _ in $(seq 50); do
  [ -s "$ready" ] && break
  kill -0 "$peer_pid" 2>/dev/null || { echo "wine: pty peer failed" >&2; cat "$log" >&2; exit 1; }
  sleep 0.1
done
[ -s "$ready" ] || { echo "wine: pty peer did not start" >&2; exit 1; }
ln -sfn "/nonexistent/modlink-gone-tty" "$dosdevices/com9"
echo "wine: COM5 -> $(cat "$ready") (echo peer), COM9 -> missing device"

export MODLINK_TEST_COM=5
export MODLINK_TEST_DEAD_COM=9
export LD_PRELOAD="$tools/tiocm_shim.so${LD_PRELOAD:+:$LD_PRELOAD}"

out="$build/wine-ctest.log"
status=0
LOCPATH="$tools/locale" LC_ALL=zh_CN.UTF-8 \
  ctest --test-dir "$build" --output-on-failure --timeout 120 "$@" >"$out" 2>&1 </dev/null || status=$?
if [ "$status" -ne 0 ]; then
  cat "$out"
else
  # Passing: CTest's closing summary only (the full log stays in $out).
  sed -n '/tests passed/,$p' "$out"
fi
if grep -q "No tests were found" "$out"; then
  echo "wine: no tests ran" >&2
  exit 1
fi
if [ "${MODLINK_WINE_ALLOW_SKIPS:-0}" != 1 ] && grep -q "\*\*\*Skipped" "$out"; then
  grep "\*\*\*Skipped" "$out" >&2
  echo "wine: tests were skipped; a skip is not a pass here" >&2
  exit 1
fi
exit "$status"
