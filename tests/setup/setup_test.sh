#!/usr/bin/env bash
# The setup package as a user or an administrator runs it, in a Wine prefix
# of its own made fresh for this test (build/wine-setup), on the display of
# the test bed: an unsupported machine, /FORCE, the installed system, an
# upgrade that keeps the user's settings, uninstall, and a driver package the
# device installer refuses.
#
# Usage: setup_test.sh <build dir>
set -uo pipefail
build=$(cd "$1" && pwd)
export WINEPREFIX=$build/wine-setup
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${DISPLAY:-}" ] && [ -f "$build/testbed/display" ]; then
  DISPLAY=$(cat "$build/testbed/display")
  export DISPLAY
fi

# shellcheck source=../support/authenticode.sh
source "$(dirname "$0")/../support/authenticode.sh"
sign_settings=$build/signing/sign.conf
caught=$(mktemp -d)

passed=0
failed=0
check() { # name expected actual
  if [ "$2" == "$3" ]; then
    passed=$((passed + 1))
    echo "ok: $1"
  else
    failed=$((failed + 1))
    echo "FAILED: $1: expected [$2], got [$3]"
  fi
}

finish() {
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  rm -rf "$WINEPREFIX" "$caught"
}
[ -n "${KIVO_KEEP_SETUP_PREFIX:-}" ] || trap finish EXIT

w() { wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }
probe() { w "$build/bin/setup_probe.exe" "$@"; }

# Runs the command line through a batch file: Wine quotes every argument
# with a blank in it, which "/D=" and "_?=" must not be. The batch writes
# the exit code down whole (a Unix exit status keeps only its low byte:
# 3010 is 194); a pipe would stay open as long as the programs it starts.
run() {
  rm -f "$WINEPREFIX/drive_c/kivo_setup_exit.txt"
  printf '@echo off\r\n%s\r\n>C:\\kivo_setup_exit.txt echo %%errorlevel%%\r\n' "$1" >"$WINEPREFIX/drive_c/kivo_setup_test.bat"
  wine cmd /c 'C:\kivo_setup_test.bat' </dev/null >/dev/null 2>&1
  tr -d '\r ' <"$WINEPREFIX/drive_c/kivo_setup_exit.txt"
}

setup=$(winepath -w "$build/dist/KivoFunctionButtonSetup.exe" 2>/dev/null)
broken=$(winepath -w "$build/bin/KivoFunctionButtonSetup_BrokenDriver.exe" 2>/dev/null)
restart=$(winepath -w "$build/bin/KivoFunctionButtonSetup_RestartDriver.exe" 2>/dev/null)
installdir='C:\Program Files\Zerin\KivoFunctionButton'
unixdir="$WINEPREFIX/drive_c/Program Files/Zerin/KivoFunctionButton"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KivoFunctionButton'
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'

regvalue() { # key value: the data, or "absent"
  local line
  line=$(w reg query "$1" /v "$2" /reg:64 | grep -E "^ +$2 +REG_")
  [ -n "$line" ] && echo "$line" | sed -E "s/^ +$2 +REG_[A-Z_]+ +//" || echo absent
}
keystate() { w reg query "$1" /reg:64 >/dev/null && echo present || echo absent; }
wait_window() { # present|absent
  local state
  for _ in $(seq 60); do
    state=$(probe window KIVO_FUNCTION)
    [ "$state" = "$1" ] && break
    sleep 0.5
  done
  echo "$state"
}
user_settings() { find "$WINEPREFIX/drive_c/users" -path '*zerin/ZrFunctionButton/KivoFunctionButton.ini' | head -n1; }

# A machine as it is before anything was installed.
nothing_installed() { # label
  check "$1: no installation folder" absent "$([ -e "$unixdir" ] && echo present || echo absent)"
  check "$1: no start at logon" absent "$(regvalue "$run_key" KivoFunctionButton)"
  check "$1: no uninstall entry" absent "$(keystate "$uninstall_key")"
  check "$1: no device node" 0 "$(probe nodes)"
  check "$1: no install mark" absent "$(keystate 'HKCU\SOFTWARE\ZERIN\ZRINSTALLPREP')"
}

# A fresh prefix, checked before use: a first boot that went wrong (seen
# once in a few dozen runs: every later command of the prefix ended with
# 53) is made again, with what it printed kept for the test's output.
boot_log=$build/wine-setup-boot.log
make_prefix() {
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  rm -rf "$WINEPREFIX"
  wineboot -i </dev/null >"$boot_log" 2>&1
  wineserver -w
  wineserver -p </dev/null >/dev/null 2>&1
  wine wineboot </dev/null >>"$boot_log" 2>&1
  wine cmd /c exit 7 </dev/null >/dev/null 2>&1
  [ $? -eq 7 ]
}
echo "making a fresh prefix $WINEPREFIX"
if ! make_prefix; then
  echo "the first boot of the prefix failed; its output:"
  tr -d '\r' <"$boot_log" | tail -n 20
  echo "making it again"
  make_prefix || { echo "FAILED: the fresh prefix does not run programs"; exit 1; }
fi

# Wine's WMI names the product "Wine": not a supported notebook.
check "unsupported machine: exit code" 3 "$(run "\"$setup\" /S")"
nothing_installed "unsupported machine"

# The machine's policy (as Group Policy writes it) fixes the charge options
# before the system comes: the controller holds its values once the tray
# program runs.
policy_key='HKLM\SOFTWARE\Policies\Zerin\KivoFunctionButton'
w reg add "$policy_key" /v BatteryChargeLimit /t REG_DWORD /d 2 /f /reg:64 >/dev/null
w reg add "$policy_key" /v USBCharge /t REG_DWORD /d 1 /f /reg:64 >/dev/null
controller() { # the charge options the simulated controller holds, once they are the expected
  local state
  for _ in $(seq 60); do
    state=$(w "$build/bin/kvfbsim.exe" status | sed -n -E 's/^ec +//p')
    [ "$state" = "$1" ] && break
    sleep 0.5
  done
  echo "$state"
}

# The setup's own helpers live in its temporary folder only while it runs:
# a copy of each is taken then (again until it is whole and signed, or the
# time is up), to check their signatures.
catch_setup_helpers() {
  local name file
  for name in ZrInstallPrep.dll KivoSetupHelper.exe; do
    for _ in $(seq 400); do
      file=$(find "$WINEPREFIX/drive_c/users" -path "*/ns*.tmp/$name" 2>/dev/null | head -n1)
      [ -n "$file" ] && cp "$file" "$caught/$name" 2>/dev/null &&
        [ "$(authenticode_verdict "$sign_settings" "$caught/$name")" = "signed sha256" ] && break
      sleep 0.05
    done
  done
}

# /FORCE passes the check through the library's one-shot mark.
catch_setup_helpers &
catcher=$!
check "/FORCE: exit code" 0 "$(run "\"$setup\" /S /FORCE")"
wait "$catcher"
for file in KivoFunctionButtonApl.exe KivoFCtrl.dll KivoChargeCtl.exe KivoFunctionButton.ini KivoDevInst.exe \
            KivoFunctionButton.inf kvfbsim.sys Uninstall.exe PolicyDefinitions/KivoFunctionButton.admx \
            PolicyDefinitions/en-US/KivoFunctionButton.adml PolicyDefinitions/ja-JP/KivoFunctionButton.adml; do
  check "installed: $file" present "$([ -f "$unixdir/$file" ] && echo present || echo absent)"
done
# Everything that ran or is installed is signed with the build's certificate.
for file in "$unixdir"/{KivoFunctionButtonApl.exe,KivoFCtrl.dll,KivoChargeCtl.exe,KivoDevInst.exe,Uninstall.exe} \
            "$caught"/{ZrInstallPrep.dll,KivoSetupHelper.exe}; do
  check "installed: $(basename "$file") signed" "signed sha256" "$(authenticode_verdict "$sign_settings" "$file")"
done
check "installed: start at logon (64-bit view)" "\"$installdir\\KivoFunctionButtonApl.exe\"" \
  "$(regvalue "$run_key" KivoFunctionButton)"
check "installed: display name" "Kivo Function Button" "$(regvalue "$uninstall_key" DisplayName)"
check "installed: version" 1.0.0.0 "$(regvalue "$uninstall_key" DisplayVersion)"
check "installed: publisher" Zerin "$(regvalue "$uninstall_key" Publisher)"
check "installed: location" "$installdir" "$(regvalue "$uninstall_key" InstallLocation)"
check "installed: icon" "\"$installdir\\KivoFunctionButtonApl.exe\",0" "$(regvalue "$uninstall_key" DisplayIcon)"
check "installed: uninstall string" "\"$installdir\\Uninstall.exe\"" "$(regvalue "$uninstall_key" UninstallString)"
check "installed: quiet uninstall string" "\"$installdir\\Uninstall.exe\" /S" \
  "$(regvalue "$uninstall_key" QuietUninstallString)"
check "installed: estimated size given" yes "$([[ "$(regvalue "$uninstall_key" EstimatedSize)" == 0x* ]] && echo yes || echo no)"
check "installed: no install mark left" absent "$(keystate 'HKCU\SOFTWARE\ZERIN\ZRINSTALLPREP')"
check "installed: one device node" 1 "$(probe nodes)"
check "installed: the driver opens" open "$(probe device)"
check "installed: the tray program runs" present "$(wait_window present)"
check "installed: the controller holds the machine policy" "usb 1, battery 2" "$(controller "usb 1, battery 2")"
check "installed: the charge command line works" "USB charging while off: on (set by your organization)" \
  "$(w "$unixdir/KivoChargeCtl.exe" status | tail -n1)"
# Wine gives every process an elevated token, so "not elevated" cannot be
# told here; the helper that starts the program is what matters on Windows.
echo "note: the tray program's token under Wine: $(probe elevation KIVO_FUNCTION)"
log=$(find "$WINEPREFIX/drive_c/users" -name KivoFunctionButtonSetup.log | head -n1)
check "installed: log written" yes "$(grep -q '^Done' "$log" 2>/dev/null && echo yes || echo no)"
# Every user's control library shares one folder of the machine. Wine 8
# keeps no access list of a file (it answers one made from the Unix mode),
# so the rights themselves are a check on Windows.
check "installed: the machine folder, made for every user" yes \
  "$(grep -qF 'machine folder C:\ProgramData\zerin\KivoFCtrl is ready for every user' "$log" && echo yes || echo no)"
# The desktop shell starts the tray program, the route on which Windows gives
# it the UI access its manifest asks for.
check "installed: the desktop shell started the tray program" yes \
  "$(grep -qE 'Started the tray program in session [0-9]+ through the desktop shell' "$log" && echo yes || echo no)"

# The user's own settings (the tray program copied the template on its first
# start) survive an upgrade.
settings=
for _ in $(seq 40); do settings=$(user_settings); [ -n "$settings" ] && break; sleep 0.5; done
check "first start: the user's settings file" yes "$([ -n "$settings" ] && echo yes || echo no)"
if [ -n "$settings" ]; then
  printf '; kept by the user\r\n' >>"$settings"
  before=$(md5sum <"$settings")
fi
check "upgrade: exit code" 0 "$(run "\"$setup\" /S /FORCE")"
# Deployment tools read any entry there as a restart pending.
session_manager='HKLM\System\CurrentControlSet\Control\Session Manager'
check "upgrade: nothing waits for a restart" absent "$(regvalue "$session_manager" PendingFileRenameOperations)"
check "upgrade: the tray program runs again" present "$(wait_window present)"
check "upgrade: still one device node" 1 "$(probe nodes)"
check "upgrade: the user's settings untouched" "${before:-}" "$([ -n "$settings" ] && md5sum <"$settings")"

# A file of the installation that cannot be replaced (the device installer,
# which the tray program does not need): exit 5, the installation as it
# was, the tray program running again.
installed=$(cd "$unixdir" && md5sum KivoFunctionButtonApl.exe KivoFCtrl.dll KivoDevInst.exe)
w "$build/bin/setup_probe.exe" hold "$installdir\KivoDevInst.exe" 20000 >/dev/null &
holder=$!
sleep 3
check "file in use: exit code" 5 "$(run "\"$setup\" /S /FORCE")"
check "file in use: the installation unchanged" "$installed" \
  "$(cd "$unixdir" && md5sum KivoFunctionButtonApl.exe KivoFCtrl.dll KivoDevInst.exe)"
check "file in use: the tray program runs again" present "$(wait_window present)"
check "file in use: start at logon kept" "\"$installdir\\KivoFunctionButtonApl.exe\"" \
  "$(regvalue "$run_key" KivoFunctionButton)"
wait "$holder"

# The tray program of another user's desktop, which no window search of the
# setup's desktop finds (one program a session: this desktop's goes first).
host="$installdir\\KivoFunctionButtonApl.exe"
host_elsewhere() {
  w taskkill /f /im KivoFunctionButtonApl.exe >/dev/null
  wait_window absent >/dev/null
  wine explorer /desktop=other,800x600 "$host" </dev/null >/dev/null 2>&1 &
  for _ in $(seq 60); do elsewhere=$(probe pids "$host"); [ -n "$elsewhere" ] && break; sleep 0.5; done
}
gone() { [ -z "$1" ] && echo "not started" || { probe pids "$host" | grep -qx "$1" && echo running || echo gone; }; }
host_elsewhere
check "other desktop: upgrade exit code" 0 "$(run "\"$setup\" /S /FORCE")"
check "other desktop: its tray program closed" gone "$(gone "$elsewhere")"
check "other desktop: the tray program runs again" present "$(wait_window present)"

# A tray program that does not close (a stand-in of its file that holds
# itself open): replaced at the next restart, exit 3010.
w taskkill /f /im KivoFunctionButtonApl.exe >/dev/null
cp "$build/bin/setup_probe.exe" "$unixdir/KivoFunctionButtonApl.exe"
w "$host" hold "$host" 60000 >/dev/null &
standin=$!
for _ in $(seq 60); do [ -n "$(probe pids "$host")" ] && break; sleep 0.5; done
check "hung tray program: exit code" 3010 "$(run "\"$setup\" /S /FORCE")"
check "hung tray program: replaced at restart" "\\??\\$host.new -> !\\??\\$host" \
  "$(regvalue "$session_manager" PendingFileRenameOperations | sed 's/\\0/\n/g' |
     dir="$installdir" awk 'NR % 2 { from = $0; next } index(from, ENVIRON["dir"]) { print from " -> " $0 }')"
# What the restart would do.
w taskkill /f /im KivoFunctionButtonApl.exe >/dev/null
wait "$standin"
w reg delete "$session_manager" /v PendingFileRenameOperations /f >/dev/null
mv "$unixdir/KivoFunctionButtonApl.exe.new" "$unixdir/KivoFunctionButtonApl.exe"

# Uninstall, as Add/Remove Programs does it: the uninstaller runs from a
# copy in the temporary folder, told where the installation is; the tray
# program runs on another desktop.
host_elsewhere
cp "$unixdir/Uninstall.exe" "$WINEPREFIX/drive_c/kivo_uninstall.exe"
check "uninstall: exit code" 0 "$(run "C:\\kivo_uninstall.exe /S _?=$installdir")"
check "uninstall: the tray program closed" gone "$(gone "$elsewhere")"
check "uninstall: the driver is gone" missing "$(probe device)"
nothing_installed "uninstalled"
check "uninstall: the user's settings kept" yes "$([ -n "$settings" ] && [ -f "$settings" ] && echo yes || echo no)"
check "uninstall: the machine folder, with what the policy wrote, gone" absent \
  "$([ -e "$WINEPREFIX/drive_c/ProgramData/zerin" ] && echo present || echo absent)"

# A driver package the device installer refuses: exit 4, nothing left.
check "refused driver: exit code" 4 "$(run "\"$broken\" /S /FORCE")"
nothing_installed "refused driver"

# A device installer that needs a restart: the setup says so, installing
# and removing.
check "driver needs a restart: exit code" 3010 "$(run "\"$restart\" /S /FORCE")"
check "driver needs a restart: installed" "\"$installdir\\KivoFunctionButtonApl.exe\"" "$(regvalue "$run_key" KivoFunctionButton)"
cp "$unixdir/Uninstall.exe" "$WINEPREFIX/drive_c/kivo_uninstall.exe"
check "driver needs a restart: uninstall exit code" 3010 "$(run "C:\\kivo_uninstall.exe /S _?=$installdir")"
nothing_installed "driver needs a restart, uninstalled"

# /D= outside the Program Files folders: refused with 6, nothing written.
for folder in 'C:\Tools\Kivo' 'C:\Program Files\..\Temp\Kivo' 'C:\Program FilesX\Kivo' 'C:\Program Files'; do
  check "/D=$folder: exit code" 6 "$(run "\"$setup\" /S /FORCE /D=$folder")"
  check "/D=$folder: no folder" absent "$(ls "$WINEPREFIX/drive_c" | grep -xiE 'Tools|Temp|Program FilesX' || echo absent)"
  nothing_installed "/D=$folder"
done
log=$(find "$WINEPREFIX/drive_c/users" -name KivoFunctionButtonSetup.log | head -n1)
check "/D= refused: the log says why" "C:\Program Files is not a folder below C:\Program Files or C:\Program Files (x86). Windows starts Kivo Function Button only from a protected folder: choose one below Program Files. Nothing was installed." \
  "$(tr -d '\r' <"$log" | sed -n 2p)"

# /D= names the folder of a first installation, below Program Files (x86)
# in any letter case.
testdir="$WINEPREFIX/drive_c/Program Files (x86)/Kivo Test Folder"
check "/D=: exit code" 0 "$(run "\"$setup\" /S /FORCE /D=c:\\PROGRAM FILES (X86)\\Kivo Test Folder")"
check "/D=: installed there" present "$([ -f "$testdir/KivoFunctionButtonApl.exe" ] && echo present || echo absent)"
# As after any installation, the tray program is up before it is removed.
check "/D=: the tray program runs" present "$(wait_window present)"
cp "$testdir/Uninstall.exe" "$WINEPREFIX/drive_c/kivo_uninstall.exe"
check "/D=: uninstall exit code" 0 "$(run "C:\\kivo_uninstall.exe /S _?=C:\\Program Files (x86)\\Kivo Test Folder")"
check "/D=: folder removed" absent "$([ -e "$testdir" ] && echo present || echo absent)"

# A tray program the desktop shell cannot start: the helper says so with the
# shell's error, and its exit code says the user gets it at the next logon.
printf '' >"$WINEPREFIX/drive_c/kivo_no_sessions.txt"
helper_start="\"$(winepath -w "$build/bin/KivoSetupHelper.exe" 2>/dev/null)\" start \"C:\\no such folder\\KivoFunctionButtonApl.exe\" C:\\kivo_no_sessions.txt own"
check "helper, no program: exit code" 1 "$(run "$helper_start")"
helper_said=$(w "$build/bin/KivoSetupHelper.exe" start 'C:\no such folder\KivoFunctionButtonApl.exe' 'C:\kivo_no_sessions.txt' own)
check "helper, no program: the shell's error" yes "$(grep -qE '^The desktop shell did not start the tray program in session [0-9]+ \(error 0x[0-9A-F]{8}\)' \
  <<<"$helper_said" && echo yes || echo no)"

if [ "$failed" -ne 0 ]; then
  echo "--- the last setup log:"
  find "$WINEPREFIX/drive_c/users" -name KivoFunctionButtonSetup.log -exec cat {} + 2>/dev/null | tr -d '\r'
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
