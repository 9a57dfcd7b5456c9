#!/bin/sh
# Runs a command with a power state of the test bed's own: in a private
# mount namespace (we run as root), the directory named by
# KIVO_POWER_SUPPLY_DIR is bound over /sys/class/power_supply, where Wine's
# GetSystemPowerStatus reads the AC and battery state each time it is asked.
# Wine processes started by the command inherit the namespace; the
# wineserver and every other process of the machine keep the real one.
#
#   KIVO_POWER_SUPPLY_DIR=<dir> power-run.sh <build>/wine-run program.exe ...
#
# The directory is made afresh: "AC" (type Mains, online 1) and "BAT0"
# (type Battery, status Full, charge_full = charge_now, voltage_now, which
# Wine needs to compute a percentage). A test changes the files while it
# runs (tests/support/power_supply.h) through Z:.
set -eu
dir=${KIVO_POWER_SUPPLY_DIR:?KIVO_POWER_SUPPLY_DIR names the power state directory}
rm -rf "$dir"
mkdir -p "$dir/AC" "$dir/BAT0"
echo Mains >"$dir/AC/type"
echo 1 >"$dir/AC/online"
echo Battery >"$dir/BAT0/type"
echo 1 >"$dir/BAT0/present"
echo Full >"$dir/BAT0/status"
echo 5000000 >"$dir/BAT0/charge_full"
echo 5000000 >"$dir/BAT0/charge_now"
echo 12000000 >"$dir/BAT0/voltage_now"
exec unshare -m sh -c 'mount --bind "$KIVO_POWER_SUPPLY_DIR" /sys/class/power_supply && exec "$@"' \
  power-run "$@"
