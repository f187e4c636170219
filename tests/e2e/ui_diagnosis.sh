#!/usr/bin/env bash
# The real window, headless, in each kind of Mac: consent, the start-up probe,
# "Check my setup", and the diagnosis summary with the lines a person would
# read. A screenshot per Mac lands in the build folder's
# test-output/screenshots/e2e-<scenario>.png (the build folder is mounted in
# the sim at its own path).
. "$(dirname "$0")/lib/e2e.sh"
driver=$(build_program varnel-e2e-driver) || { echo "$driver"; exit 1; }
screenshots=$VARNEL_BUILD_DIR/test-output/screenshots
open_to_the_user "$screenshots"

# diagnose SCENARIO LINE…: the summary of SCENARIO shows exactly LINE…, in order.
diagnose() {
    local scenario=$1 expectations=() line
    shift
    for line in "$@"; do expectations+=(--expect "$line"); done
    local png=$screenshots/e2e-$scenario.png
    rm -f "$png"
    sim --scenario "$scenario" --env QT_QPA_PLATFORM=offscreen --env VARNEL_TELEMETRY_DISABLED=1 -- \
        "$driver" --timeout 60 --screenshot "$png" "${expectations[@]}"
    expect_status 0 "$scenario: consent, Check my setup, and the summary shows ${*@Q}"
    expect_output "pressed welcome-diagnose-button" "…reached through the welcome screen's button"
    if [[ -s $png && $(head -c 8 "$png" | od -An -tx1 | tr -d ' \n') == 89504e470d0a1a0a ]]; then
        pass "…screenshot saved as ${png#"$VARNEL_BUILD_DIR"/}"
    else
        fail "…screenshot saved as $png" "no PNG file there"
    fi
}

diagnose fresh-apple-silicon \
    "Command Line Tools: not installed" "Shell configuration: not installed" "Homebrew: not installed"
diagnose developer \
    "Command Line Tools: installed" "Shell configuration: installed" "Homebrew: installed"
diagnose homebrew-not-on-path \
    "Command Line Tools: installed" "Shell configuration: not installed" "Homebrew: installed, not on PATH"
diagnose homebrew-usr-local-on-apple-silicon \
    "Command Line Tools: installed" "Shell configuration: not installed" "Homebrew: installed for the wrong chip"

finish
