#!/usr/bin/env bash
# Builds, starts the Wine test bed with the simulated device, runs every
# benchmark and prints its table; the test bed is shut down afterwards.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
bash "$root/scripts/build.sh" >/dev/null
trap 'bash "$root/scripts/testbed.sh" stop "$build" >/dev/null 2>&1 || true' EXIT
bash "$root/scripts/testbed.sh" start "$build" >/dev/null
bash "$root/scripts/testbed.sh" device "$build" >/dev/null
echo "Control library against the simulated driver ($(nproc) cores, $(date -u +%Y-%m-%d))"
"$build/wine-run" "$build/bin/kvf_bench.exe"
echo
echo "The host's settings file"
"$build/wine-run" "$build/bin/settings_bench.exe"
echo
echo "The host program, measured from outside (its own settings template, real WMI)"
# Wine's process counters of another process stay at zero, so its CPU time
# and memory are read from the Linux process that runs it.
idle=${KIVO_IDLE_SECONDS:-60}
echo "| host measurement | value |"
echo "|---|---|"
"$build/wine-run" "$build/bin/host_bench.exe" "$build/dist/KivoFunctionButtonApl.exe" $((idle + 15)) &
bench=$!
pid=
for _ in $(seq 100); do
  pid=$(pgrep -f 'KivoFunctionButtonApl.exe' | head -n1) && [ -n "$pid" ] && break
  sleep 0.2
done
sleep 5 # start-up over: notification runs
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks "$pid")
anon_kb=$(awk '/^RssAnon:/ { print $2 }' "/proc/$pid/status")
rss_kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
sleep "$idle"
after=$(ticks "$pid")
echo "| private (anonymous resident) memory after start-up | $anon_kb KiB |"
echo "| resident memory after start-up, shared Wine libraries included | $rss_kb KiB |"
awk -v t=$((after - before)) -v hz="$hz" -v s="$idle" \
  'BEGIN { printf "| CPU time while idle for %d s | %.2f s |\n", s, t / hz }'
wait "$bench"

echo
echo "Reliability, long forms"
start=$(date +%s.%N)
if KIVO_SETTINGS_FILES=1000 "$build/wine-run" "$build/bin/host_settings_test.exe" --gtest_color=no \
     --gtest_filter='SettingsFiles*' >/dev/null 2>&1; then verdict="each loaded or set one error id"; else verdict="FAILED"; fi
awk -v s="$start" -v e="$(date +%s.%N)" -v v="$verdict" \
  'BEGIN { printf "| 1000 generated settings files loaded | %s | %.1f s |\n", v, e - s }'
# The soak: reports one at a time with the host running (about 0.15 s each
# under Wine; KIVO_SOAK_REPORTS to change).
soak=${KIVO_SOAK_REPORTS:-10000}
start=$(date +%s.%N)
if KIVO_SOAK_REPORTS=$soak "$build/wine-run" "$build/bin/host_app_test.exe" --gtest_color=no \
     --gtest_filter='RunningHost.ASoak*' >/dev/null 2>&1; then
  verdict="every due action ran once, no handle kept"
else
  verdict="FAILED"
fi
awk -v s="$start" -v e="$(date +%s.%N)" -v v="$verdict" -v n="$soak" \
  'BEGIN { printf "| soak of %d reports with the host running | %s | %.0f s |\n", n, v, e - s }'
