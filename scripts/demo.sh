#!/usr/bin/env bash
# The demo: the system installed with its setup package into a Wine machine
# with the simulated function button device, the host program running in
# it, the buttons pressed through the simulated driver and their actions
# happening; the device uninstalled and installed again while the host runs
# (it comes back by itself); the charge command line; a full charge once on
# function button 2 that ends when the simulated charger is unplugged; the
# settings dialog, the balloons and a warning box photographed in English
# and in Japanese into build/demo/; at the end the system is uninstalled.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
# The machine's charger and battery are the demo's own (see
# cmake/testbed/power-run.sh): every program of the demo sees them.
if [ -z "${KIVO_POWER_SUPPLY_DIR:-}" ]; then
  export KIVO_POWER_SUPPLY_DIR=$build/testbed/power_supply/demo
  exec "$root/cmake/testbed/power-run.sh" bash "$0" "$@"
fi
shots=$build/demo
# Only what the demo shows and runs (the target "demo"), not the tests.
bash "$root/scripts/build.sh" demo

step() { printf '\n== %s\n' "$*"; }
run() { printf '$ %s\n' "${*#"$build"/}"; "$build/wine-run" "$@"; }
quiet() { "$build/wine-run" "$@" >/dev/null 2>&1 || true; }
kvfbsim=$build/bin/kvfbsim.exe
hostctl=$build/bin/hostctl.exe
setup=$build/dist/KivoFunctionButtonSetup.exe
installdir='C:\Program Files\Zerin\KivoFunctionButton'
installed="$build/wine/drive_c/Program Files/Zerin/KivoFunctionButton"
host="$installed/KivoFunctionButtonApl.exe"

# The demo shows Wine's desktop as a window of its own, with a taskbar and
# the notification area; the tests run without it, so it goes again.
desktop() {
  if [ "$1" = on ]; then
    quiet reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
    quiet reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x700 /f
    # The desktop is made anew, as a window, by the next program that needs it.
    quiet taskkill /f /im explorer.exe
  else
    quiet reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f
    quiet reg delete 'HKCU\Software\Wine\Explorer\Desktops' /v Default /f
  fi
}
finish() {
  quiet "$hostctl" quit
  desktop off
  bash "$root/scripts/testbed.sh" stop "$build" >/dev/null 2>&1 || true
}
trap finish EXIT

shot() {
  sleep 2
  DISPLAY=$(cat "$build/testbed/display") import -window root -crop 1024x700+0+0 +repage "$shots/$1"
  echo "   screenshot: build/demo/$1"
}

# Waits until the host's notification runs: the driver holds its request.
wait_notifying() {
  for _ in $(seq 100); do
    "$build/wine-run" "$kvfbsim" status 2>/dev/null | grep -q '(pending 1,' && return 0
    sleep 0.3
  done
  echo "the host did not start its notification" >&2
  return 1
}

# Runs a command line through a batch file: Wine would quote the blanks of
# "/D=" and "_?=" arguments.
batch() {
  printf '$ %s\n' "$1"
  printf '@echo off\r\n%s\r\nexit /b %%errorlevel%%\r\n' "$1" >"$build/wine/drive_c/kivo_demo.bat"
  local code=0
  "$build/wine-run" cmd /c 'C:\kivo_demo.bat' </dev/null >/dev/null 2>&1 || code=$?
  echo "   exit code $code"
}

step "Starting the Wine machine (the simulated device is not there yet)"
bash "$root/scripts/testbed.sh" start "$build"
quiet "$build/dist/KivoDevInst.exe" /Uninstall
mkdir -p "$shots"
desktop on
# A first start: the host copies its settings template for this user.
quiet cmd /c rmdir /s /q '%APPDATA%\zerin\ZrFunctionButton'

step "Installing with the setup package (Wine is no supported notebook: /FORCE)"
batch "$("$build/wine-run" winepath -w "$setup" 2>/dev/null) /S"
batch "$("$build/wine-run" winepath -w "$setup" 2>/dev/null) /S /FORCE"
"$build/wine-run" cmd /c type '%TEMP%\KivoFunctionButtonSetup.log' 2>/dev/null | sed 's/^/   log: /'
run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v KivoFunctionButton /reg:64

step "The installer started the host: tray icon, settings loaded, notification running"
run "$hostctl" wait
wait_notifying
run "$kvfbsim" status
shot tray.png

step "A right click on the tray icon opens the settings dialog; button 1 gets Notepad"
run "$hostctl" tray right
shot settings-dialog-en.png
run "$hostctl" select A Notepad
run "$hostctl" ok
printf '$ type %%APPDATA%%\\zerin\\ZrFunctionButton\\KivoFunctionButton.ini | grep SettingId\n'
"$build/wine-run" cmd /c type '%APPDATA%\zerin\ZrFunctionButton\KivoFunctionButton.ini' | grep SettingId

step "Function button 1 pressed: Notepad opens"
# The host acts on a press after it has seen the button released.
run "$kvfbsim" release A
run "$kvfbsim" press A
run "$kvfbsim" release A
shot button1-notepad.png
quiet taskkill /im notepad.exe

step "The device uninstalled and installed again while the host runs: the host comes back by itself"
run "$installed/KivoDevInst.exe" /Uninstall
run "$kvfbsim" status
run "$installed/KivoDevInst.exe" /Install
wait_notifying
run "$kvfbsim" status
echo "   (no message box; the tray icon stayed; button 1 still opens Notepad)"
run "$kvfbsim" release A
run "$kvfbsim" press A
run "$kvfbsim" release A
shot recovered-notepad.png
quiet taskkill /im notepad.exe

step "The charge options from the command line (the driver keeps them; bad input changes nothing)"
charge() {
  printf '$ KivoChargeCtl %s\n' "$*"
  local code=0
  "$build/wine-run" "$installed/KivoChargeCtl.exe" "$@" >"$build/testbed/charge.out" 2>&1 || code=$?
  sed 's/^/   /' "$build/testbed/charge.out"
  echo "   exit code $code"
}
charge status
charge battery 80
charge usb on
charge battery 90
charge status
LC_ALL=ja_JP.UTF-8 "$build/wine-run" "$installed/KivoChargeCtl.exe" status 2>&1 | sed 's/^/   ja: /'

step "Function button 2 pressed: Wine has no display switcher, so the host warns"
run "$kvfbsim" release B
run "$kvfbsim" press B
run "$hostctl" box
shot warning-en.png
run "$hostctl" box-ok

step "Function button 2 gets \"Full charge once\" and is pressed: the battery charges to 100 % once"
run "$hostctl" tray right
run "$hostctl" select B "Full charge once"
run "$hostctl" ok
run "$kvfbsim" release B
run "$kvfbsim" press B
sleep 2
shot full-once-en.png
charge status

step "The charger unplugged (Windows tells the programs; Wine does not, hostctl does): the limit comes back"
charger() { echo "$1" >"$KIVO_POWER_SUPPLY_DIR/AC/online"; run "$hostctl" power; }
charger 0
sleep 2
shot limit-back-en.png
charge status
run "$hostctl" quit

step "The same in Japanese"
# The balloons are drawn by the shell (explorer.exe), which took the English
# locale at its start and would show the Japanese text as empty boxes: it
# goes, and the host, the next program that needs it, starts it anew in
# Japanese, as on a Japanese Windows.
quiet taskkill /f /im explorer.exe
LC_ALL=ja_JP.UTF-8 "$build/wine-run" "$host" -setting >/dev/null 2>&1 &
run "$hostctl" wait
wait_notifying
shot settings-dialog-ja.png
run "$hostctl" cancel
charger 1
run "$kvfbsim" release B
run "$kvfbsim" press B
sleep 2
shot full-once-ja.png
run "$kvfbsim" release B
run "$kvfbsim" press B
sleep 2
shot limit-back-ja.png
run "$hostctl" tray right
run "$hostctl" select B "Display switcher"
run "$hostctl" ok
run "$kvfbsim" release B
run "$kvfbsim" press B
run "$hostctl" box
shot warning-ja.png
run "$hostctl" box-ok

step "What the simulated driver saw"
run "$kvfbsim" status

step "Uninstalling (as Add/Remove Programs does: a copy of the uninstaller runs)"
cp "$build/wine/drive_c/Program Files/Zerin/KivoFunctionButton/Uninstall.exe" "$build/wine/drive_c/kivo_uninstall.exe"
batch "C:\kivo_uninstall.exe /S _?=$installdir"
run "$build/bin/setup_probe.exe" window KIVO_FUNCTION
[ -e "$build/wine/drive_c/Program Files/Zerin" ] && echo "   Zerin folder still there" || echo "   the installation folder is gone"
run "$build/bin/setup_probe.exe" device
run "$build/bin/setup_probe.exe" nodes
echo
echo "Screenshots in build/demo/: tray.png, settings-dialog-en.png, button1-notepad.png,"
echo "recovered-notepad.png, warning-en.png, full-once-en.png, limit-back-en.png,"
echo "settings-dialog-ja.png, full-once-ja.png, limit-back-ja.png, warning-ja.png"
