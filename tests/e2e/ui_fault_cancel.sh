#!/usr/bin/env bash
# Cancel pressed in the real window part-way through the long installs: the
# Command Line Tools download (softwareupdate runs as root, under sudo), the
# Homebrew install script and a cask's download. Each ends canceled with the
# stage still to do, and leaves no process in the Mac, no privileged
# temporary folder, no install-on-demand marker, and the shell files as they
# were. Pressing an action again after a cancel: ui_fault_password.sh;
# cancelling a package download and the package installer:
# install_driver_cancel.sh.
. "$(dirname "$0")/lib/e2e.sh"
. "$(dirname "$0")/lib/install-driver.sh"
ui=$(build_program varnel-e2e-driver) || { echo "$ui"; exit 1; }

LAUNCH="$DRIVE
ui=$(printf '%q' "$ui")"'
files() { cat ~/.zprofile ~/.zshrc ~/.env 2>/dev/null | cksum; }
launch() {  # launch [--cancel-when REGEX] --install STAGE=ACTION…: one app; what it left
    local before shells
    shells=$(files)
    pids && before=$REPLY
    "$ui" --timeout 60 "$@"
    echo "driver status $?"
    left_behind "$before"
    [[ -e /tmp/.com.apple.dt.CommandLineTools.installondemand.in-progress ]] && echo "LEFT BEHIND: the install-on-demand marker"
    [[ $(files) == "$shells" ]] && echo "shell files unchanged"
}'

# The download would take twelve seconds; Cancel comes at its second progress
# line, and the Mac is looked at as soon as the app has ended.
sim_session --set shell_configured=yes --set clt_seconds=12 "${DRIVER_SIM[@]}" \
    --env QT_QPA_PLATFORM=offscreen --env VARNEL_TELEMETRY_DISABLED=1 -- bash -c "$LAUNCH"'
run clt launch --cancel-when "^Downloading: 12" --install clt=clt
echo "xcode-select: $(/usr/bin/xcode-select -p 2>&1)"'

section clt
expect_line '^cancel at: Downloading: 12\.00%$' "clt: Cancel was pressed while softwareupdate downloaded"
expect_line '^result: canceled ' "…the install ends canceled"
expect_line '^stage clt: fixable$' "…with the stage still to do"
expect_clean_mac "clt"
expect_output "shell files unchanged" "…the shell files are as they were"
SIM_OUTPUT=$SIM_SESSION
expect_line '^xcode-select: .*(No developer tools|unable|error)' "…and no tools were installed"

# Homebrew's download and a cask's take three seconds each.
sim_session --set shell_configured=yes --set clt=yes --set install_seconds=3 "${DRIVER_SIM[@]}" \
    --env QT_QPA_PLATFORM=offscreen --env VARNEL_TELEMETRY_DISABLED=1 -- bash -c "$LAUNCH"'
run homebrew launch --cancel-when "Downloading and installing Homebrew" --install homebrew=homebrew
test -e /opt/homebrew/bin/brew && echo "brew is there"'
section homebrew
expect_line '^cancel at: ==> Downloading and installing Homebrew\.\.\.$' "homebrew: Cancel was pressed while the install script downloaded"
expect_line '^result: canceled ' "…the install ends canceled"
expect_line '^stage homebrew: fixable$' "…with the stage still to do"
expect_no_output "brew is there" "…and no brew"
expect_clean_mac "homebrew"
expect_output "shell files unchanged" "…the shell files are as they were"

sim_session --scenario java-none --set install_seconds=3 "${DRIVER_SIM[@]}" \
    --env QT_QPA_PLATFORM=offscreen --env VARNEL_TELEMETRY_DISABLED=1 -- bash -c "$LAUNCH"'
run warp launch --cancel-when "^==> Downloading" --install warp=brew:warp
test -e /Applications/Warp.app && echo "Warp.app is there"'
section warp
expect_line '^cancel at: ==> Downloading https://' "warp: Cancel was pressed while brew downloaded Warp"
expect_line '^result: canceled ' "…the install ends canceled"
expect_line '^stage warp: fixable$' "…with the stage still to do"
expect_no_output "Warp.app is there" "…and no Warp.app"
expect_clean_mac "warp"
expect_output "shell files unchanged" "…the shell files are as they were"

finish
