#!/usr/bin/env bash
# The flags each install switch gives the driver update, as Wine's SetupAPI
# names them (it acts on none): the silent switch adds
# INSTALLFLAG_NONINTERACTIVE (4) to INSTALLFLAG_FORCE (1) and puts SetupAPI
# in its non-interactive mode. Installs over the test bed's device.
#   install_flags.sh <wine-run> <KivoDevInst.exe>
set -uo pipefail
run=$1 installer=$2
failed=0
# switch, then the trace lines expected (+) and not expected (-)
while read -r switch lines; do
  trace=$(WINEDEBUG=-all,fixme+setupapi "$run" "$installer" "$switch" 2>&1)
  code=$?
  [ "$code" = 0 ] || { echo "$switch: exit code $code"; failed=1; }
  IFS=';' read -ra expected <<<"$lines"
  for line in "${expected[@]}"; do
    grep -qF -- "${line:1}" <<<"$trace"
    case "${line:0:1}$?" in
      +0 | -1) ;;
      *) echo "$switch: expected ${line:0:1}'${line:1}' in:"; echo "$trace"; failed=1 ;;
    esac
  done
done <<'TABLE'
/Install +Unhandled flags 0x1.;-SetupSetNonInteractiveMode
/SetupInstall +Unhandled flags 0x1.;-SetupSetNonInteractiveMode
/SetupInstallSilent +Unhandled flags 0x5.;+SetupSetNonInteractiveMode 1
TABLE
exit $failed
