#!/usr/bin/env bash
# Apple's Command Line Tools, installed the way the assistant does it: a bash
# script run by `sudo -A` that makes softwareupdate offer the tools, installs
# the newest label and switches xcode-select to them.
. "$(dirname "$0")/lib/e2e.sh"

clt_script='MARKER=/tmp/.com.apple.dt.CommandLineTools.installondemand.in-progress
/usr/bin/touch "$MARKER"
trap '"'"'if [ -n "$PID" ]; then kill -TERM "$PID" 2>/dev/null; wait "$PID"; fi; /bin/rm -f "$MARKER"; exit 143'"'"' TERM INT HUP
LABEL=$(/usr/sbin/softwareupdate -l 2>/dev/null | /usr/bin/grep '"'"'Label:.*Command Line Tools'"'"' | /usr/bin/sed -E '"'"'s/^.*Label: //'"'"' | /usr/bin/sort -V | /usr/bin/tail -n1)
if [ -n "$LABEL" ]; then /usr/sbin/softwareupdate -i "$LABEL" --verbose & PID=$!; wait "$PID"; fi
/bin/rm -f "$MARKER"
/usr/bin/xcode-select --switch /Library/Developer/CommandLineTools 2>/dev/null || true
if [ -d /Library/Developer/CommandLineTools ]; then exit 0; else exit 1; fi'

sim --scenario fresh-apple-silicon -- bash -c "$APP_PRIVILEGE_SETUP
softwareupdate -l; echo 'listed before'
/usr/bin/sudo -A /bin/bash -c '${clt_script//\'/\'\\\'\'}'; echo \"clt status \$?\"
/bin/zsh -lc 'xcode-select -p 2>&1'; /bin/zsh -lc 'git --version 2>&1'
cat /var/log/macsim/softwareupdate.log"
expect_output "No new software available." "without the marker softwareupdate offers nothing"
expect_output "Downloading: 100.00%" "the install shows softwareupdate's verbose progress"
expect_output "Done with Command Line Tools for Xcode" "…and finishes"
expect_output "clt status 0" "the install script ends with 0"
expect_line '^/Library/Developer/CommandLineTools$' "xcode-select -p then names the tools"
expect_line '^git version .*Apple Git' "…and git works in a login shell"
expect_line '^-i Command Line Tools for Xcode-16\.2 --verbose$' "the newest label was installed"

sim --scenario fresh-apple-silicon --set clt_available=no -- bash -c "$APP_PRIVILEGE_SETUP
/usr/bin/sudo -A /bin/bash -c '${clt_script//\'/\'\\\'\'}'; echo \"clt status \$?\""
expect_output "clt status 1" "when softwareupdate offers no tools the script fails"

sim --scenario fresh-apple-silicon -- /usr/sbin/softwareupdate -i "Command Line Tools for Xcode-16.2"
expect_output "must be run as root" "softwareupdate -i needs root"

sim --scenario fresh-apple-silicon -- sh -c 'xcode-select --install
for i in $(seq 100); do xcode-select -p 2>/dev/null && break; sleep 0.1; done'
expect_output "xcode-select: note: install requested for command line developer tools" "xcode-select --install asks for the tools…"
expect_line '^/Library/Developer/CommandLineTools$' "…which arrive in the background"

finish
