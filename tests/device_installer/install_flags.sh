#!/usr/bin/env bash
# What each install switch asks of Wine's SetupAPI, as its trace names it (it
# acts on neither): the silent one puts SetupAPI in its non-interactive mode
# and adds INSTALLFLAG_NONINTERACTIVE (4) to INSTALLFLAG_FORCE (1).
#   install_flags.sh <wine-run> <KivoDevInst.exe>
set -uo pipefail
failed=0
while IFS='|' read -r switch expected; do
  trace=$(WINEDEBUG=-all,fixme+setupapi "$1" "$2" "$switch" 2>&1)
  actual="$?|$(sed -n 's/^[0-9a-f]*:fixme:setupapi://p' <<<"$trace" | paste -sd /)"
  [ "$actual" = "$expected" ] || { echo "$switch: '$actual', expected '$expected'"; failed=1; }
done <<'TABLE'
/Install|0|UpdateDriverForPlugAndPlayDevicesW Unhandled flags 0x1.
/SetupInstall|0|UpdateDriverForPlugAndPlayDevicesW Unhandled flags 0x1.
/SetupInstallSilent|0|SetupSetNonInteractiveMode 1/UpdateDriverForPlugAndPlayDevicesW Unhandled flags 0x5.
TABLE
exit $failed
