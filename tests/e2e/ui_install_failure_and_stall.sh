#!/usr/bin/env bash
# The progress screen when an install goes wrong, in the real window on a
# fresh Apple Silicon Mac: Homebrew's install script failing part-way (the
# failure is shown, Continue returns to the Homebrew stage, still to do), and
# a Command Line Tools download that stops printing (the stall notice, with
# its three minutes shortened to two seconds; Cancel stops softwareupdate). Screenshots:
# test-output/screenshots/failure-homebrew-failure.png and stall-clt-stall.png.
. "$(dirname "$0")/lib/e2e.sh"
driver=$(build_program varnel-e2e-driver) || { echo "$driver"; exit 1; }
screenshots=$VARNEL_BUILD_DIR/test-output/screenshots
open_to_the_user "$screenshots"
rm -f "$screenshots"/failure-homebrew-*.png "$screenshots"/stall-clt-*.png

sim --set homebrew_install=fail --env QT_QPA_PLATFORM=offscreen --env VARNEL_TELEMETRY_DISABLED=1 -- \
    "$driver" --timeout 60 --install homebrew=homebrew --progress-shots "$screenshots/failure"
expect_status 0 "Homebrew's install script fails: the driver follows it to the end"
expect_line '^result: failure \(code [1-9][0-9]*\)$' "…the progress screen ends in failure"
expect_line '^output: .*Failed during: ' "…the transcript says what failed"
expect_line '^step: stage homebrew$' "…Continue returns to the Homebrew stage"
expect_line '^stage homebrew: fixable$' "…which is still to do"
if [[ -s $screenshots/failure-homebrew-failure.png ]]; then
    pass "…the progress screen was saved after the failure"
else
    fail "…the progress screen was saved after the failure" "no failure-homebrew-failure.png"
fi

sim --set clt=stall --env QT_QPA_PLATFORM=offscreen --env VARNEL_TELEMETRY_DISABLED=1 -- bash -c '
"$0" --timeout 60 --stall-after 2 --install clt=clt --progress-shots "$1/stall"
echo "driver status $?"
for p in /proc/[0-9]*; do [[ $(<"$p/comm") == softwareupdate ]] 2>/dev/null && echo "LEFT BEHIND: softwareupdate"; done
[[ -e /tmp/.com.apple.dt.CommandLineTools.installondemand.in-progress ]] && echo "LEFT BEHIND: the install-on-demand marker"' \
    "$driver" "$screenshots"
expect_output "driver status 0" "the Command Line Tools download stalls: the driver sees the notice and cancels"
expect_line '^stall notice: macOS’s download sometimes pauses' "…the stall notice shows"
expect_line '^pressed setup-action-cancel$' "…Cancel is pressed"
expect_line '^result: canceled ' "…the install ends canceled"
expect_line '^step: stage clt$' "…back on the Command Line Tools stage"
expect_line '^stage clt: fixable$' "…which is still to do"
expect_no_output "LEFT BEHIND" "…and softwareupdate, run as root, ended with its install-on-demand marker"
if [[ -s $screenshots/stall-clt-stall.png ]]; then
    pass "…the progress screen was saved with the stall notice"
else
    fail "…the progress screen was saved with the stall notice" "no stall-clt-stall.png"
fi

finish
