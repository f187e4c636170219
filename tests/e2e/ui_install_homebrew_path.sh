#!/usr/bin/env bash
# Homebrew's PATH fixed through the real window: on a Mac whose Homebrew was
# never put on the login PATH, the driver skips the shell stage, presses the
# Homebrew stage's fix and continues. The Mac, probed again, has Homebrew
# ready, and a new login shell finds brew.
. "$(dirname "$0")/lib/e2e.sh"
driver=$(build_program varnel-e2e-driver) || { echo "$driver"; exit 1; }
screenshots=$VARNEL_BUILD_DIR/test-output/screenshots
open_to_the_user "$screenshots"
rm -f "$screenshots"/path-homebrew-*.png

sim --scenario homebrew-not-on-path --env QT_QPA_PLATFORM=offscreen --env VARNEL_TELEMETRY_DISABLED=1 -- bash -c '
echo "before: $(zsh -lc "command -v brew || echo no brew" 2>&1)"
"$0" --timeout 60 --install homebrew=path-repair:homebrew --progress-shots "$1/path" \
    --expect "Command Line Tools: installed" --expect "Shell configuration: not installed" \
    --expect "Homebrew: installed, not on PATH"
echo "driver status $?"
echo "after: $(zsh -lc "command -v brew" 2>&1)"
echo "shellenv lines: $(grep -c "^eval \"\$(/opt/homebrew/bin/brew shellenv)\"" ~/.zprofile)"
' "$driver" "$screenshots"
expect_status 0 "the not-on-PATH Mac ran"
expect_line '^before: no brew$' "before: a login shell does not find brew"
expect_line '^driver status 0$' "the driver skipped to the Homebrew stage, fixed the PATH and continued"
expect_line '^pressed stage-skip$' "…past the shell stage"
expect_line '^progress: Fix your PATH so `brew` is found$' "…through the progress screen of the PATH fix"
expect_line '^result: success \(code 0\)$' "…which ended in success"
expect_line '^stage homebrew: ready$' "…the Mac, probed again, has Homebrew ready"
expect_line '^step: stage warp$' "…and the workflow moved on to Warp"
expect_line '^after: /opt/homebrew/bin/brew$' "a new login shell finds brew"
expect_line '^shellenv lines: 1$' "~/.zprofile evaluates brew shellenv once"
if [[ -s $screenshots/path-homebrew-success.png ]]; then
    pass "…the progress screen was saved after success"
else
    fail "…the progress screen was saved after success" "no path-homebrew-success.png"
fi

finish
