#!/usr/bin/env bash
# Whether `brew` is on a fresh login shell's PATH, the way the Homebrew prober
# asks: per scenario, with the brew executables where they should be.
. "$(dirname "$0")/lib/e2e.sh"

sim --scenario fresh-apple-silicon -- zsh -lc 'command -v brew'
expect_status 1 "a fresh Mac's login shell has no brew"

sim --scenario developer -- zsh -lc 'command -v brew; /usr/bin/which -a brew; brew --version'
expect_status 0 "the developer's login shell finds brew"
expect_line '^/opt/homebrew/bin/brew$' "…in /opt/homebrew"
expect_line '^Homebrew [0-9]+\.[0-9]+\.[0-9]+$' "…and brew --version answers like Homebrew"

sim --scenario homebrew-not-on-path -- zsh -lc 'command -v brew || echo "not on PATH"; test -x /opt/homebrew/bin/brew && echo "but installed"'
expect_output "not on PATH" "Homebrew without shellenv is not on the login PATH"
expect_output "but installed" "…although /opt/homebrew/bin/brew is there"

sim --scenario homebrew-usr-local-on-apple-silicon -- zsh -lc 'uname -m; command -v brew; test -e /opt/homebrew/bin/brew || echo "no native brew"'
expect_line '^/usr/local/bin/brew$' "the Intel Homebrew is on the PATH through path_helper"
expect_output "no native brew" "…and there is no /opt/homebrew"
sim --scenario homebrew-usr-local-on-apple-silicon -- /usr/local/bin/brew install --cask warp
expect_status 1 "the Intel Homebrew refuses to install on Apple Silicon"
expect_output "Cannot install in Homebrew on ARM processor in Intel default prefix (/usr/local)!" "…with Homebrew's message"

sim --scenario homebrew-two-installs -- zsh -lc '/usr/bin/which -a brew'
expect_line '^/opt/homebrew/bin/brew$' "both Homebrews: the native one…"
expect_line '^/usr/local/bin/brew$' "…and the Intel one are on the PATH"
if [[ $(printf '%s\n' "$SIM_OUTPUT" | head -n1) == /opt/homebrew/bin/brew ]]; then
    pass "…the native one first"
else
    fail "…the native one first" "which -a printed: $SIM_OUTPUT"
fi

# A login shell reads ~/.zprofile; a plain one does not (as on a Mac).
sim --scenario developer -- zsh -c 'command -v brew'
expect_status 1 "a non-login shell of the developer's Mac does not read ~/.zprofile"

finish
