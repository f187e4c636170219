#!/usr/bin/env bash
# The assistant's Homebrew installer, run by varnel-install-driver as the
# Mac's user: the official install script through the askpass dialog and the
# real sudo, then the shellenv line in ~/.zprofile. A dismissed dialog and
# three wrong passwords end the run without leaving anything that keeps the
# next try from working.
. "$(dirname "$0")/lib/e2e.sh"
. "$(dirname "$0")/lib/install-driver.sh"

# One Apple Silicon Mac: the dialog cancelled, then three wrong passwords,
# then the right one.
sim_session --scenario fresh-apple-silicon "${DRIVER_SIM[@]}" -- bash -c "$DRIVE"'
printf "cancel\n" >/run/macsim/dialog-answers
run cancel drive homebrew; test -e /opt/homebrew/bin/brew && echo "brew is there"; dialogs
printf "wrong\nwrong\nwrong\n" >/run/macsim/dialog-answers
run wrong drive homebrew; test -e /opt/homebrew/bin/brew && echo "brew is there"; dialogs
run ok drive homebrew; dialogs
stat -f "prefix owner %Su" /opt/homebrew
grep -F "brew shellenv" ~/.zprofile
zsh -lc "brew --version; command -v brew; echo \"HOMEBREW_PREFIX=\$HOMEBREW_PREFIX\""
run again drive homebrew; grep -c "^eval.*brew shellenv" ~/.zprofile'

# Homebrew's script checks sudo with its own messages hidden when it runs
# unattended, so a dismissed dialog and three wrong passwords both end in its
# "Need sudo access" line, which the installer reads as a refused password.
for case in cancel wrong; do
    section $case
    expect_output "Need sudo access on macOS (e.g. the user maya needs to be an Administrator)!" "$case: the install script says it could not get sudo"
    expect_line '^canceled$' "$case: the run ends canceled"
    expect_no_output "brew is there" "$case: no brew is installed"
    expect_clean_mac "$case"
done
section cancel
expect_output "dialogs 1" "cancel: one dialog was shown"
section wrong
expect_output "dialogs 4" "wrong: sudo asked three times through the dialog"

section ok
expect_line '^completed: 0$' "the right password: Homebrew installs on Apple Silicon"
expect_output "driver status 0" "…and the driver exits 0"
expect_output "==> /usr/bin/sudo -A /usr/bin/install -d -o root -g wheel -m 0755 /opt/homebrew" "…creating /opt/homebrew through sudo -A"
expect_output "output: Appending brew shellenv to ~/.zprofile (so brew is fully integrated in new shells)." "…then adding the shellenv line"
expect_line '^output: Appended\. Backup at .+\.$' "…with a backup"
expect_clean_mac "ok"
expect_output "prefix owner maya" "the user owns /opt/homebrew"
expect_output 'eval "$(/opt/homebrew/bin/brew shellenv)"' "~/.zprofile evaluates brew shellenv"
expect_line '^Homebrew [0-9.]+$' "a login zsh runs brew --version"
expect_line '^/opt/homebrew/bin/brew$' "…finding /opt/homebrew/bin/brew"
expect_line '^HOMEBREW_PREFIX=/opt/homebrew$' "…with the shellenv step's environment"

# Installing again over it: the shellenv line is there already.
section again
expect_line '^completed: 0$' "again: a second install over it succeeds"
expect_output "output: brew shellenv already active in ~/.zprofile — skipping." "…finding the shellenv line in place"
expect_output "output: - Run this command in your terminal to add Homebrew to your PATH:" "…as Homebrew's next steps do"
expect_line '^1$' "…which stays the only one"
expect_clean_mac "again"

# An Intel Mac: Homebrew goes to /usr/local.
sim_session --scenario fresh-intel "${DRIVER_SIM[@]}" -- bash -c "$DRIVE"'
run intel drive homebrew
zsh -lc "brew --version; command -v brew; brew --repository; echo \"HOMEBREW_PREFIX=\$HOMEBREW_PREFIX\""
test -e /opt/homebrew || echo "no /opt/homebrew"'
section intel
expect_line '^completed: 0$' "Homebrew installs on an Intel Mac"
expect_output "output: Appending brew shellenv to ~/.zprofile" "…and adds the shellenv line"
expect_clean_mac "intel"
SIM_OUTPUT=$SIM_SESSION
expect_line '^Homebrew [0-9.]+$' "a login zsh runs brew --version on Intel"
expect_line '^/usr/local/bin/brew$' "…finding /usr/local/bin/brew"
expect_line '^/usr/local/Homebrew$' "…with the repository in /usr/local/Homebrew"
expect_line '^HOMEBREW_PREFIX=/usr/local$' "…and the shellenv step's environment"
expect_output "no /opt/homebrew" "nothing lands in /opt/homebrew on Intel"

finish
