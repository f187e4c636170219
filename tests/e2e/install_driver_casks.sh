#!/usr/bin/env bash
# The brew runner's cask installs against every failure the simulated
# Homebrew can stage, each with its recovery: a leftover app (a forced
# install), a Caskroom record without its JDK (a reinstall), a download that
# fails once (one retry after a pause), an installer that bypasses the sudo
# wrapper (Temurin's package straight from Adoptium), a dismissed dialog
# and three wrong passwords (both canceled; a retry after the dismissed
# dialog installs).
. "$(dirname "$0")/lib/e2e.sh"
. "$(dirname "$0")/lib/install-driver.sh"

# A password prompt with everything that could break the askpass script.
HOSTILE='Maya’s "Mac": $HOME `touch /tmp/injected` $(touch /tmp/injected) \n back\\slash '"'"'quoted'"'"' ; touch /tmp/injected'

sim_session --scenario homebrew-not-on-path "${DRIVER_SIM[@]}" --set apps=Warp.app --set stale_casks=temurin \
    --set flaky_casks=zed --set "sudo_bypass_casks=temurin@21 temurin@17" -- bash -c "$DRIVE
hostile=$(printf '%q' "$HOSTILE")"'
brew_runs() { local n=0 line; while IFS= read -r line; do [[ $line == *install* ]] && n=$((n + 1)); done </var/log/macsim/brew.log; echo "brew runs $n"; }
jdks() { echo "jdks: $(ls /Library/Java/JavaVirtualMachines | tr "\n" " ")"; }
run leftover drive cask warp; ls -d /Applications/Warp.app /opt/homebrew/Caskroom/warp
run stale drive cask temurin --prompt "$hostile"; jdks; tail -n 1 /var/log/macsim/dialogs.log
run flaky drive cask zed; ls -d /Applications/Zed.app
run bypass drive cask temurin@21; jdks; ls ~/.cache/*/
: >/var/log/macsim/brew.log
printf "cancel\n" >/run/macsim/dialog-answers
run cancel drive cask temurin@11; jdks; brew_runs
run retry drive cask temurin@11; jdks
: >/var/log/macsim/brew.log
printf "wrong\nwrong\nwrong\nwrong\nwrong\nwrong\n" >/run/macsim/dialog-answers
run wrong drive cask temurin@8; jdks; brew_runs
printf "cancel\n" >/run/macsim/dialog-answers
run bypass-cancel drive cask temurin@17; jdks'

section leftover
expect_output "Error: It seems there is already an App at '/Applications/Warp.app'." "leftover: brew finds Warp.app in the way"
expect_output "output: A leftover file is blocking the install. Retrying with \`brew install --cask --force warp\`…" "…and the runner forces the install"
expect_line '^completed: 0$' "…which succeeds"
expect_line '^/Applications/Warp\.app$' "…leaving Warp.app in /Applications"
expect_line '^/opt/homebrew/Caskroom/warp$' "…recorded in the Caskroom"
expect_clean_mac "leftover"

section stale
expect_output "Warning: Not upgrading temurin, the latest version is already installed" "stale: brew says temurin is installed"
expect_output "output: Homebrew reports temurin is already installed, but the JDK is missing from /Library/Java/JavaVirtualMachines/. Retrying with \`brew reinstall --cask temurin\`…" "…the runner sees the JDK is missing and reinstalls"
expect_line '^completed: 0$' "…which succeeds"
expect_line '^jdks: temurin-25\.jdk $' "…laying Temurin 25 down"
expect_output "$HOSTILE" "…after a password dialog showing the prompt verbatim"
expect_clean_mac "stale"

section flaky
expect_output "Error: Download failed on Cask 'zed'" "flaky: the first download fails"
expect_output "output: That didn’t work — retrying once in a moment…" "…the runner retries once after a pause"
expect_line '^completed: 0$' "…which succeeds"
expect_line '^/Applications/Zed\.app$' "…installing Zed.app"
expect_clean_mac "flaky"

section bypass
expect_output "sudo: a terminal is required to read the password" "bypass: the cask's installer calls sudo without the askpass helper"
expect_output "output: Homebrew bypassed our sudo wrapper. Falling back to direct .pkg install…" "…the runner falls back to the package"
expect_output "output: Looking up Temurin 21 (aarch64) on Adoptium…" "…looks Temurin 21 up on Adoptium"
expect_line '^output: GET https://github\.com/adoptium/temurin21-binaries/releases/download/.+\.pkg$' "…downloads its package"
expect_output "output: Verifying download checksum…" "…verifies it"
expect_output "output: Installer completed." "…and runs the installer"
expect_line '^completed: 0$' "…which succeeds"
expect_line '^jdks: temurin-21\.jdk temurin-25\.jdk $' "…laying Temurin 21 down"
expect_line '^temurin-21-aarch64\.pkg$' "…and the package stays in the cache"
expect_clean_mac "bypass"

section cancel
expect_output "execution error: User canceled. (-128)" "cancel: the dialog is dismissed"
expect_line '^canceled$' "…and the run ends canceled"
expect_output "brew runs 1" "…without trying again"
expect_line '^jdks: temurin-21\.jdk temurin-25\.jdk $' "…installing nothing"
expect_clean_mac "cancel"

section retry
expect_line '^completed: 0$' "retry: the same cask installs when the password is typed"
expect_line '^jdks: temurin-11\.jdk temurin-21\.jdk temurin-25\.jdk $' "…laying Temurin 11 down"
expect_clean_mac "retry"

# sudo's "incorrect password attempts" reads as a refused password: no
# second brew run asks three more times.
section wrong
expect_output "sudo: 3 incorrect password attempts" "wrong: sudo refuses three wrong passwords"
expect_line '^canceled$' "…and the run ends canceled"
expect_output "brew runs 1" "…without trying again"
expect_line '^jdks: temurin-11\.jdk temurin-21\.jdk temurin-25\.jdk $' "…installing nothing"
expect_clean_mac "wrong"

section bypass-cancel
expect_output "output: Homebrew bypassed our sudo wrapper. Falling back to direct .pkg install…" "bypass, then the administrator dialog dismissed: the fallback runs"
expect_line '^canceled$' "…and ends canceled"
expect_line '^jdks: temurin-11\.jdk temurin-21\.jdk temurin-25\.jdk $' "…installing nothing"
expect_clean_mac "bypass-cancel"

finish
