#!/usr/bin/env bash
# The internet failing, in the real window (ui_readiness.sh has the
# readiness warnings of a slow and of a down network): with the network down
# and past its warning, and with a black hole (connections taken, never
# answered, so the readiness check times out and measures nothing), the
# Homebrew install fails with a message that says why instead of
# succeeding on an empty script or hanging; a black hole costs the connect
# time-out. The stage stays to do. The progress screen is saved after each
# failure: test-output/screenshots/network-<network>-homebrew-failure.png.
. "$(dirname "$0")/lib/e2e.sh"
ui=$(build_program varnel-e2e-driver) || { echo "$ui"; exit 1; }
screenshots=$VARNEL_BUILD_DIR/test-output/screenshots
open_to_the_user "$screenshots"
rm -f "$screenshots"/network-*-homebrew-*.png

# install_homebrew NETWORK: the summary's Continue, the readiness warning's
# Continue, then the Homebrew stage's action.
install_homebrew() {
    sim --set clt=yes --set "network=$1" --env QT_QPA_PLATFORM=offscreen --env VARNEL_TELEMETRY_DISABLED=1 -- bash -c '
"$0" --timeout 60 --install homebrew=homebrew --progress-shots "$1"
echo "driver status $?"
test -e /opt/homebrew/bin/brew && echo "brew is there"' "$ui" "$screenshots/network-$1"
}

for network in down blackhole; do
    install_homebrew $network
    expect_output "driver status 0" "network=$network: the driver went on to the Homebrew stage"
    if [[ $network == down ]]; then
        expect_line '^readiness: We can.t reach the servers needed to install$' "…past the warning that the servers are unreachable"
        expect_line '^pressed readiness-continue$' "…continuing anyway"
    else
        # Every sample timed out: the speed is unmeasured, which warns of nothing.
        expect_line '^next: stage-' "…with no readiness warning (the check could not measure the speed)"
    fi
    expect_line '^output: curl: \([0-9]+\) ' "…curl says what went wrong"
    expect_line "^output: Couldn't download Homebrew's install script\. Check your internet connection and try again\.$" \
        "…and the installer says what it means"
    expect_line '^result: failure \(code 1\)$' "…the install ends in failure, not success"
    expect_line '^stage homebrew: fixable$' "…with the stage still to do"
    expect_no_output "brew is there" "…and no brew"
    if [[ -s $screenshots/network-$network-homebrew-failure.png ]]; then
        pass "…the progress screen was saved after the failure"
    else
        fail "…the progress screen was saved after the failure" "no network-$network-homebrew-failure.png"
    fi
done

finish
