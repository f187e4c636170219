#!/usr/bin/env bash
# The official Homebrew install script as the assistant runs it: fetched with
# the real curl from the sim's internet, run by bash as the Mac's user with
# NONINTERACTIVE=1, asking for the password through the askpass helper and the
# sudo wrapper on PATH, and getting root through the real sudo.
. "$(dirname "$0")/lib/e2e.sh"

install='/bin/bash -c "$(curl -fsSL https://raw.githubusercontent.com/Homebrew/install/HEAD/install.sh)"'

sim --scenario fresh-apple-silicon -- bash -c "$APP_PRIVILEGE_SETUP
NONINTERACTIVE=1 $install; echo \"install status \$?\"
stat -f 'prefix owner %Su' /opt/homebrew; test -w /opt/homebrew/bin && echo 'the user can write the prefix'
xcode-select -p; cat /etc/paths.d/homebrew
echo \"dialogs \$(wc -l </var/log/macsim/dialogs.log)\"
echo 'eval \"\$(/opt/homebrew/bin/brew shellenv zsh)\"' >>~/.zprofile
zsh -lc 'command -v brew'"
expect_output "install status 0" "the install script succeeds on a fresh Apple Silicon Mac"
expect_output "==> Running in non-interactive mode because \`\$NONINTERACTIVE\` is set." "…in non-interactive mode"
expect_output "==> Checking for \`sudo\` access (which may request your password)..." "…checking sudo access first"
expect_output "==> /usr/bin/sudo -A /usr/bin/install -d -o root -g wheel -m 0755 /opt/homebrew" "…creating the prefix through sudo -A"
expect_output "==> Installing Command Line Tools for Xcode-16.2" "…installing the newest Command Line Tools it is offered"
expect_line '^/Library/Developer/CommandLineTools$' "…which are then active"
expect_output "prefix owner maya" "…handing the prefix to the user"
expect_output "the user can write the prefix" "…who can write it"
expect_line '^/opt/homebrew/bin$' "…writing /etc/paths.d/homebrew"
expect_output "==> Next steps:" "…with Homebrew's next steps"
expect_output "https://docs.brew.sh" "…ending in the documentation link"
expect_output "dialogs 1" "the password was asked once (sudo remembers it)"
expect_line '^/opt/homebrew/bin/brew$' "after the shellenv line, a login shell finds brew"

# Homebrew's script hides sudo's own messages in non-interactive mode: a
# cancelled dialog and three wrong passwords end the same way.
for dialog in cancel wrong-always; do
    sim --scenario fresh-apple-silicon --set dialog=$dialog -- bash -c "$APP_PRIVILEGE_SETUP
NONINTERACTIVE=1 $install; echo \"install status \$?\"; test -e /opt/homebrew/bin/brew || echo 'no brew'
echo \"dialogs \$(wc -l </var/log/macsim/dialogs.log)\""
    expect_output "Need sudo access on macOS (e.g. the user maya needs to be an Administrator)!" "dialog=$dialog: the install cannot get sudo"
    expect_line '^install status 1$' "…and fails with status 1"
    expect_output "no brew" "…installing nothing"
done
expect_output "dialogs 3" "…after three wrong passwords"

# Answers can be queued per dialog: first a mistyped password, then the right one.
sim --scenario fresh-apple-silicon -- bash -c "$APP_PRIVILEGE_SETUP
printf 'wrong\nok\n' >/run/macsim/dialog-answers
NONINTERACTIVE=1 $install >/dev/null 2>&1; echo \"install status \$?\"; echo \"dialogs \$(wc -l </var/log/macsim/dialogs.log)\""
expect_output "install status 0" "a wrong password, then the right one, lets the install through"
expect_output "dialogs 2" "…after two dialogs"

sim --scenario fresh-apple-silicon -- bash -c "NONINTERACTIVE=1 $install; echo \"install status \$?\""
expect_output "Need sudo access on macOS (e.g. the user maya needs to be an Administrator)!" "without an askpass helper a non-interactive install cannot get sudo"
expect_line '^install status 1$' "…and fails"

sim --scenario developer -- bash -c "$APP_PRIVILEGE_SETUP sudo $install"
expect_output "Don't run this as root!" "the install script refuses root"

# The Intel layout and macOS 13's old-version warning: the journeys
# (journey_fresh_intel.sh, journey_fresh_macos13.sh) install through the app.

sim --scenario fresh-apple-silicon --set homebrew_install=fail -- bash -c "$APP_PRIVILEGE_SETUP NONINTERACTIVE=1 $install"
expect_output "Failed during: /usr/bin/git fetch --force origin" "homebrew_install=fail makes the download fail"

finish
