#!/usr/bin/env bash
# The demo: a Wine machine with the simulated function button device, a
# button press travelling from the driver to a client of \\.\KVFB, and the
# battery charge limit set and read back through the driver.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
bash "$root/scripts/build.sh"
trap 'bash "$root/scripts/testbed.sh" stop "$build" >/dev/null 2>&1 || true' EXIT

step() { printf '\n== %s\n' "$*"; }
run() { printf '$ %s\n' "${*#"$build"/}"; "$build/wine-run" "$@"; }
kvfbsim=$build/bin/kvfbsim.exe

step "Starting the Wine machine and installing the simulated device"
bash "$root/scripts/testbed.sh" start "$build"
bash "$root/scripts/testbed.sh" device "$build"
run "$kvfbsim" reset

step "Function button 1 pressed: the driver completes a waiting button request"
run "$kvfbsim" wait 10000 &
waiter=$!
sleep 1
run "$kvfbsim" press A
wait "$waiter"

step "Function button 2 pressed and released before anyone asked: queued, delivered in order"
run "$kvfbsim" press B
run "$kvfbsim" release B
run "$kvfbsim" wait 2000
run "$kvfbsim" wait 2000

step "Battery charge limit set to 80 % and read back through the driver"
run "$kvfbsim" charge set battery 1
run "$kvfbsim" charge get battery
run "$kvfbsim" charge set battery 0
run "$kvfbsim" charge get battery

step "The control library: a session, a callback for each press, the charge options"
run "$build/bin/kvf_client.exe" open register wait=kivo.demo.presses.done \
  getbattery setbattery=2 getbattery getusb close &
client=$!
sleep 1
run "$kvfbsim" press B
sleep 0.3
run "$kvfbsim" release B
sleep 0.3
run "$build/bin/kvf_client.exe" signal=kivo.demo.presses.done
wait "$client"
run "$kvfbsim" ec

step "What the simulated driver saw"
run "$kvfbsim" status
