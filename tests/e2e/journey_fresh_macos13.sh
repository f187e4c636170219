#!/usr/bin/env bash
# The whole journey on a fresh Mac with macOS 13 (lib/journey.sh): Homebrew's
# install script notes the old version on the progress screen, and installs.
. "$(dirname "$0")/lib/e2e.sh"
. "$E2E_DIR/lib/journey.sh"

journey fresh-macos13
expect_journey
expect_line '^output: Warning: You are using macOS 13\.$' "Homebrew's progress screen shows its old-version note"
expect_line '^mac\| login shell: brew → /opt/homebrew/bin/brew$' "brew is the native one in /opt/homebrew"

finish
