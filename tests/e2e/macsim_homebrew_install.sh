#!/usr/bin/env bash
# The official Homebrew install script as the assistant runs it: fetched with
# curl, run by bash with NONINTERACTIVE=1, asking for the password through
# the askpass helper and the sudo wrapper on PATH.
. "$(dirname "$0")/lib/e2e.sh"

install='/bin/bash -c "$(curl -fsSL https://raw.githubusercontent.com/Homebrew/install/HEAD/install.sh)"'

sim --scenario fresh-apple-silicon -- bash -c "$APP_PRIVILEGE_SETUP
NONINTERACTIVE=1 $install; echo \"install status \$?\"
ls -l /opt/homebrew/bin/brew; xcode-select -p
echo \"dialogs \$(wc -l </var/log/macsim/dialogs.log)\"
echo 'eval \"\$(/opt/homebrew/bin/brew shellenv)\"' >>~/.zprofile
zsh -lc 'command -v brew'"
expect_output "install status 0" "the install script succeeds on a fresh Apple Silicon Mac"
expect_output "==> Checking for \`sudo\` access (which may request your password)..." "…checking sudo access first"
expect_output "==> Installing Command Line Tools for Xcode-16.2" "…installing the newest Command Line Tools it is offered"
expect_line '^/Library/Developer/CommandLineTools$' "…which are then active"
expect_line '^-rwx.* /opt/homebrew/bin/brew$' "…and leaving brew in /opt/homebrew/bin"
expect_output "==> Next steps:" "…with Homebrew's next steps"
expect_output "https://docs.brew.sh" "…ending in the documentation link"
expect_output "dialogs 1" "the password was asked once (sudo remembers it)"
expect_line '^/opt/homebrew/bin/brew$' "after the shellenv line, a login shell finds brew"

sim --scenario fresh-apple-silicon --set dialog=cancel -- bash -c "$APP_PRIVILEGE_SETUP
NONINTERACTIVE=1 $install; echo \"install status \$?\"; test -e /opt/homebrew/bin/brew || echo 'no brew'"
expect_line '^install status [1-9]' "cancelling the password dialog fails the install"
expect_output "execution error: User canceled. (-128)" "…with osascript's cancel"
expect_output "sudo: a password is required" "…and sudo's refusal, which the assistant reads as a cancel"
expect_output "no brew" "…and installs nothing"

sim --scenario fresh-apple-silicon --set dialog=wrong -- bash -c "$APP_PRIVILEGE_SETUP
NONINTERACTIVE=1 $install; echo \"install status \$?\""
expect_output "sudo: 3 incorrect password attempts" "a wrong password is refused three times"
expect_line '^install status [1-9]' "…and the install fails"

# Answers can be queued per dialog: first a mistyped password, then the right one.
sim --scenario fresh-apple-silicon -- bash -c "$APP_PRIVILEGE_SETUP
printf 'wrong\naccept\n' >/run/macsim/dialog-answers
NONINTERACTIVE=1 $install >/dev/null 2>&1; echo \"install status \$?\"; cut -f1 /var/log/macsim/dialogs.log"
expect_output "install status 0" "a queued wrong answer followed by the right one lets the install through"
expect_line '^wrong$' "…the first dialog got the wrong password"

sim --scenario fresh-apple-silicon -- bash -c "NONINTERACTIVE=1 $install; echo \"install status \$?\""
expect_output "Need sudo access on macOS (e.g. the user maya needs to be an Administrator)!" "without an askpass helper a non-interactive install cannot get sudo"
expect_line '^install status 1$' "…and fails"

sim --scenario developer -- bash -c "$APP_PRIVILEGE_SETUP sudo $install"
expect_output "Don't run this as root!" "the install script refuses root"

sim --scenario fresh-intel -- bash -c "$APP_PRIVILEGE_SETUP
NONINTERACTIVE=1 $install >/dev/null 2>&1; echo \"install status \$?\"
readlink -f /usr/local/bin/brew || ls /usr/local/bin/brew; /usr/local/bin/brew --repository"
expect_output "install status 0" "the install script succeeds on an Intel Mac"
expect_line '^/usr/local/Homebrew$' "…with the Intel layout (repository in /usr/local/Homebrew)"

sim --scenario fresh-macos13 -- bash -c "$APP_PRIVILEGE_SETUP NONINTERACTIVE=1 $install"
expect_output "We (and Apple) do not provide support for this old version." "macOS 13 gets Homebrew's old-version warning"

sim --scenario fresh-apple-silicon --set homebrew_install=fail -- bash -c "$APP_PRIVILEGE_SETUP NONINTERACTIVE=1 $install"
expect_output "Failed during: /usr/bin/git fetch --force origin" "homebrew_install=fail makes the download fail"

finish
