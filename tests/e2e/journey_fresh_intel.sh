#!/usr/bin/env bash
# The whole journey on a fresh Intel Mac (lib/journey.sh): Homebrew goes to
# /usr/local, and there is no Codex stage.
. "$(dirname "$0")/lib/e2e.sh"
. "$E2E_DIR/lib/journey.sh"

journey fresh-intel
expect_journey
expect_line '^mac\| login shell: brew → /usr/local/bin/brew$' "brew is the Intel one in /usr/local"
expect_line '^mac\| brew repository: /usr/local/Homebrew$' "…with its repository in /usr/local/Homebrew"
expect_no_output 'expect-step stage codex' "the journey had no Codex stage to pass"

finish
