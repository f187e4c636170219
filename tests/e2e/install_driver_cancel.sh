#!/usr/bin/env bash
# Cancel (SIGINT to the driver, what the Cancel button does) in the middle of
# the long phases: the Homebrew install script, the pause before the brew
# runner's retry, a package download and the installer. Each run ends
# canceled, with no process, privileged temporary folder or partial package
# left behind. (A cask's download cancelled, and the app killed outright:
# ui_fault_cancel.sh and ui_fault_killed.sh.)
. "$(dirname "$0")/lib/e2e.sh"
. "$(dirname "$0")/lib/install-driver.sh"

LOOK='
jdks() { echo "jdks: $(ls /Library/Java/JavaVirtualMachines | tr "\n" " ")"; }
packages() { echo "packages: $(find ~/.cache ~/Library/Caches -name "*.pkg*" 2>/dev/null | tr "\n" " ")"; }'

# install_seconds makes the install script, brew's downloads and Adoptium's
# package downloads take that long (the Command Line Tools are there, or
# their install would take that long too).
sim_session --scenario fresh-apple-silicon "${DRIVER_SIM[@]}" --set install_seconds=6 --set clt=yes -- bash -c "$DRIVE$LOOK"'
run homebrew cancel_when "Downloading and installing Homebrew" homebrew; test -e /opt/homebrew/bin/brew || echo "no brew"
run download cancel_when "^downloading: [0-9]+/" pkg 21; jdks; packages
run installer cancel_when "^installing$" pkg 21; jdks; packages
run retry drive homebrew; /opt/homebrew/bin/brew --version'

section homebrew
expect_line '^output: ==> Downloading and installing Homebrew\.\.\.$' "homebrew: the install script was running"
expect_line '^canceled$' "…and the cancel ends the run canceled"
expect_output "driver status 3" "…the driver says canceled"
expect_output "no brew" "…with no brew installed"
expect_clean_mac "homebrew"

section download
size=$(wc -c <"$SOURCE_DIR"/tools/macsim/site/adoptium/pkg/OpenJDK21U-jdk_aarch64_mac_hotspot_21.0.5_5.pkg)
reports=$(grep '^downloading: ' <<<"$SIM_OUTPUT")
if [[ ${reports##*$'\n'} =~ ^downloading:\ ([0-9]+)/$size$ ]] && ((BASH_REMATCH[1] < size)); then
    pass "download: the package was part-way down"
else
    fail "download: the package was part-way down" "reports:" "$reports"
fi
expect_line '^canceled$' "…and the cancel ends the run canceled"
expect_no_output "verifying" "…before verifying"
expect_line '^jdks: $' "…installing nothing"
expect_line '^packages: $' "…leaving no partial package"
expect_clean_mac "download"

# /usr/sbin/installer runs as root, through sudo under the administrator
# dialog: the cancel still ends it.
section installer
expect_line '^installing$' "installer: the package installer was running"
expect_line '^canceled$' "…and the cancel ends the run canceled"
expect_line '^jdks: $' "…installing nothing"
expect_line '^packages: $' "…and removing the package"
expect_clean_mac "installer"

# The prefix the cancelled install had made keeps no later install from working.
section retry
expect_line '^completed: 0$' "retry: Homebrew installs after the cancelled install"
expect_line '^Homebrew [0-9.]+$' "…and brew runs"
expect_clean_mac "retry"

sim_session --scenario homebrew-not-on-path "${DRIVER_SIM[@]}" --set install_seconds=30 --set flaky_casks=zed \
    -- bash -c "$DRIVE"'
run pause cancel_when "retrying once in a moment" --retry-pause-ms 30000 cask zed
grep -c "install --cask zed" /var/log/macsim/brew.log'

section pause
expect_output "output: That didn’t work — retrying once in a moment…" "pause: the runner was waiting to retry"
expect_line '^canceled$' "…and the cancel ends the run canceled"
expect_line '^1$' "…without a second brew run"
expect_clean_mac "pause"

finish
