#!/usr/bin/env bash
# modlink-portmap against a scratch root: numbering, naming, order of the
# link and the value, idempotent add, remove.
set -euo pipefail
tool=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
export MODLINK_ROOT=$root
key="$root/registry/HKEY_LOCAL_MACHINE/HARDWARE/DEVICEMAP/SERIALCOMM"
fail() { echo "FAIL: $*"; exit 1; }

[ "$("$tool" add /dev/ttyUSB0)" = COM3 ] || fail "first port is COM3"
[ "$("$tool" add ttyUSB1)" = COM4 ] || fail "second port is COM4"
[ "$("$tool" add /dev/ttyUSB0)" = COM3 ] || fail "adding again keeps the number"
[ "$(readlink "$root/ports/COM4")" = /dev/ttyUSB1 ] || fail "link to the tty"
[ "$(cat "$key/\\Device\\QCUSB_COM4")" = COM4 ] || fail "value data"
[ -z "$(ls -A "$key" | grep '^\.' || true)" ] || fail "no dot-files left behind"

"$tool" remove /dev/ttyUSB0
[ ! -e "$key/\\Device\\QCUSB_COM3" ] || fail "value removed"
[ ! -L "$root/ports/COM3" ] || fail "link removed"
"$tool" remove /dev/ttyUSB0  # unknown now: nothing to do

# A foreign link on COM3 pushes the next card port to the lowest free number.
ln -s /dev/ttyS0 "$root/ports/COM3"
[ "$("$tool" add /dev/ttyUSB2)" = COM5 ] || fail "skips taken numbers"
if "$tool" bogus /dev/ttyUSB2 2>/dev/null; then fail "unknown action refused"; fi
echo "1 passed, 0 failed"
