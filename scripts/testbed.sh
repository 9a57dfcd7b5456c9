#!/usr/bin/env bash
# The Wine test bed of one build tree.
#
#   testbed.sh start  <build>   display (Xvfb when DISPLAY is unset), prefix
#                               <build>/wine, persistent wineserver
#   testbed.sh device <build>   (re)install the simulated function button
#                               device from <build>/dist with a fresh driver,
#                               through KivoDevInst.exe /Install
#   testbed.sh stop   <build>   end wineserver (and every Wine process of
#                               the prefix) and Xvfb
set -euo pipefail

cmd=${1:?usage: testbed.sh start|device|stop <build dir>}
build=$(cd "${2:?usage: testbed.sh start|device|stop <build dir>}" && pwd)
tb=$build/testbed
mkdir -p "$tb"

export WINEPREFIX=$build/wine
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

log() { echo "testbed: $*"; }
die() { echo "testbed: $*" >&2; exit 1; }

start_display() {
  if [ -n "${DISPLAY:-}" ]; then
    log "using the given display $DISPLAY"
    rm -f "$tb/display"
    return
  fi
  stop_display
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >"$tb/xvfb.log" 2>&1 &
    echo $! >"$tb/xvfb.pid"
    local i
    for i in $(seq 1 50); do
      if [ -e "/tmp/.X11-unix/X$n" ]; then
        echo ":$n" >"$tb/display"
        export DISPLAY=":$n"
        log "Xvfb on :$n"
        return
      fi
      kill -0 "$(cat "$tb/xvfb.pid")" 2>/dev/null || break
      sleep 0.1
    done
    stop_display
  done
  die "could not start Xvfb (see $tb/xvfb.log)"
}

stop_display() {
  if [ -f "$tb/xvfb.pid" ]; then
    local pid
    pid=$(cat "$tb/xvfb.pid")
    if kill "$pid" 2>/dev/null; then
      for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$tb/xvfb.pid"
  fi
  rm -f "$tb/display"
}

# Runs a program of the prefix with its output in the test bed's log: the
# services it starts must not inherit the caller's output either.
wine_run() { "$build/wine-run" "$@" </dev/null >>"$tb/device.log" 2>&1; }

case "$cmd" in
start)
  command -v wine >/dev/null || die "wine is not installed (run scripts/prereqs.sh)"
  command -v Xvfb >/dev/null || die "Xvfb is not installed (run scripts/prereqs.sh)"
  wineserver -k 2>/dev/null || true
  start_display
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating the Wine prefix $WINEPREFIX"
    "$build/wine-run" wineboot -i </dev/null >"$tb/wineboot.log" 2>&1 ||
      die "wineboot failed (see $tb/wineboot.log)"
    # Let the first boot finish and write its registry before the server is
    # made persistent: services started during it do not come up otherwise.
    wineserver -w
  fi
  # Daemons must not hold on to the caller's output: CTest waits for it.
  wineserver -p </dev/null >/dev/null 2>&1
  # No window manager runs on the test display: windows Wine takes as
  # managed wait 2 s for a window manager's answer each time they are
  # hidden (every closed dialog and message box), so none are managed.
  "$build/wine-run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    </dev/null >>"$tb/wineboot.log" 2>&1 || die "the X11 driver setting failed"
  # A program that crashes gets Wine's debugger, which by default shows a
  # dialog and waits for somebody to close it, keeping the test's output
  # open until the test times out: it prints its report and ends instead.
  "$build/wine-run" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    </dev/null >>"$tb/wineboot.log" 2>&1 || die "the debugger setting failed"
  # Bring up the services and the desktop now, before any test starts.
  "$build/wine-run" wineboot </dev/null >>"$tb/wineboot.log" 2>&1 ||
    die "wineboot failed (see $tb/wineboot.log)"
  # Every Windows session has a shell window (Explorer's), under whose
  # process the tray program starts the buttons' programs; Wine's desktop
  # has none, a stand-in holds it once it is built.
  if [ -f "$build/bin/DesktopShell.exe" ]; then
    "$build/wine-run" "$build/bin/DesktopShell.exe" </dev/null >>"$tb/wineboot.log" 2>&1 ||
      die "the desktop shell stand-in did not start (see $tb/wineboot.log)"
  fi
  log "prefix ready"
  ;;
device)
  installer=$build/dist/KivoDevInst.exe
  inf=$build/dist/KivoFunctionButton.inf
  : >"$tb/device.log"
  [ -f "$installer" ] || die "$installer is missing: build the dist target first"
  [ -f "$inf" ] || die "$inf is missing: build the dist target first"
  [ -f "$build/dist/kvfbsim.sys" ] || die "the driver file is missing beside $inf"
  # Remove what an earlier run left and stop the driver, so that the driver
  # built now is the one that runs.
  wine_run "$installer" /Uninstall || true
  wine_run sc stop kvfbsim || true
  # The product's own installer binds the package beside it to the device.
  for attempt in 1 2 3; do
    if wine_run "$installer" /Install &&
       wine_run "$build/bin/kvfbsim.exe" status; then
      log "simulated device installed"
      exit 0
    fi
    log "device installation attempt $attempt failed"
    sleep 2
  done
  cat "$tb/device.log" >&2
  die "the simulated device could not be installed"
  ;;
stop)
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  stop_display
  # Anything of this prefix still alive now was missed by wineserver -k.
  leftovers=()
  for proc in /proc/[0-9]*; do
    pid=${proc#/proc/}
    [ "$pid" = "$$" ] && continue
    grep -qzx "WINEPREFIX=$WINEPREFIX" "$proc/environ" 2>/dev/null && leftovers+=("$pid")
  done
  if [ ${#leftovers[@]} -gt 0 ]; then
    log "ending leftover processes of the prefix: ${leftovers[*]}"
    kill -9 "${leftovers[@]}" 2>/dev/null || true
  fi
  log "stopped"
  ;;
*)
  die "unknown command $cmd"
  ;;
esac
