#!/usr/bin/env bash
# Builds, starts the Wine test bed with the simulated device, runs every
# benchmark and prints one table; the test bed is shut down afterwards.
#
#   KIVO_IDLE_SECONDS    idle time of the host's CPU measurement (60)
#   KIVO_SETTINGS_FILES  generated settings files of the fuzz run (1000)
#   KIVO_SOAK_REPORTS    reports of the soak with the host running (10000)
#   KIVO_DIALOG_CYCLES   open/close cycles of the settings dialog (500)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
bash "$root/scripts/build.sh" >/dev/null
trap 'bash "$root/scripts/testbed.sh" stop "$build" >/dev/null 2>&1 || true' EXIT
bash "$root/scripts/testbed.sh" start "$build" >/dev/null
bash "$root/scripts/testbed.sh" device "$build" >/dev/null
run() { "$build/wine-run" "$@"; }

cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores ($cpu), $(wine --version 2>/dev/null), Xvfb, simulated driver"
echo
awk 'BEGIN { printf "| %-52s | %5s | %10s | %10s | %-4s | %-34s |\n|---|---|---|---|---|---|\n",
             "measurement", "n", "p50", "p99", "unit", "ratio p50 / p99, or note" }'
run "$build/bin/kvf_bench.exe"
run "$build/bin/settings_bench.exe"
run "$build/bin/host_road_bench.exe"

# The host idle: Wine's process counters of another process stay at zero,
# so its CPU time is read from the Linux process that runs it.
idle=${KIVO_IDLE_SECONDS:-60}
run "$build/bin/host_bench.exe" "$build/dist/KivoFunctionButtonApl.exe" $((idle + 15)) &
bench=$!
# Other trees on this machine may run a host of their own: this one is the
# process whose program is this tree's, in either form Wine shows it.
host_exe=$build/dist/KivoFunctionButtonApl.exe
host_pid() {
  local proc exe
  for proc in /proc/[0-9]*; do
    exe=$(tr '\0' '\n' 2>/dev/null <"$proc/cmdline" | head -n1 | tr '\\' '/') || continue
    [ "${exe#[Zz]:}" = "$host_exe" ] && { echo "${proc#/proc/}"; return 0; }
  done
  return 1
}
pid=
for _ in $(seq 100); do
  pid=$(host_pid) && break
  sleep 0.2
done
sleep 5 # start-up over: notification runs
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
before=$(ticks "$pid")
sleep "$idle"
after=$(ticks "$pid")
awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" -v s="$idle" \
  'BEGIN { printf "| %-52s | %5d | %10.3f | %10s | %-4s | %-34s |\n", "host: CPU time while idle for " s " s", 1, t / hz, "-", "s", "tick " 1 / hz " s" }'
wait "$bench"

# Reliability, long forms of tests that CI runs short: a row each with the
# verdict and how long the run took; the script fails when one failed.
failed=0
reliability() {
  local name=$1 variable=$2 count=$3 exe=$4 filter=$5 start verdict
  start=$(date +%s.%N)
  if env "$variable=$count" "$build/wine-run" "$build/bin/$exe" --gtest_color=no --gtest_filter="$filter" \
       >"$build/testbed/bench-$variable.log" 2>&1; then
    verdict="passed"
  else
    verdict="FAILED (build/testbed/bench-$variable.log)"
    failed=1
  fi
  awk -v s="$start" -v e="$(date +%s.%N)" -v n="$name" -v c="$count" -v v="$verdict" \
    'BEGIN { printf "| %-52s | %5d | %10.1f | %10s | %-4s | %-34s |\n", n, c, e - s, "-", "s", v }'
}
reliability "settings files generated and loaded" KIVO_SETTINGS_FILES "${KIVO_SETTINGS_FILES:-1000}" \
  host_settings_test.exe 'SettingsFiles*'
reliability "dialog open/close cycles, GUI objects and handles kept" KIVO_DIALOG_CYCLES "${KIVO_DIALOG_CYCLES:-500}" \
  host_app_test.exe 'SettingsDialog.ManyOpen*'
reliability "reports soaked, each due action once, nothing kept" KIVO_SOAK_REPORTS "${KIVO_SOAK_REPORTS:-10000}" \
  host_app_test.exe 'RunningHost.ASoak*'
exit $failed
