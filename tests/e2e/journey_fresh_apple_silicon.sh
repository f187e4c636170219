#!/usr/bin/env bash
# The whole journey on a fresh Apple Silicon Mac, through the real window in
# one launch: every stage installed, the outcome verified, the score given;
# then the Mac itself holds what was promised (lib/journey.sh). Screenshots:
# test-output/journey-fresh-apple-silicon/shots in the build folder.
. "$(dirname "$0")/lib/e2e.sh"
. "$E2E_DIR/lib/journey.sh"

journey fresh-apple-silicon
expect_journey
expect_line '^mac\| login shell: brew → /opt/homebrew/bin/brew$' "brew is the native one in /opt/homebrew"

finish
